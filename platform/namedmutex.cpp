#include "platform/namedmutex.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string lockFolder()
{
    for (const char* variable : {"QUVIX_LOCK_DIR", "XDG_RUNTIME_DIR"}) {
        const char* value = std::getenv(variable);
        if (value && *value)
            return value;
    }
    return "/tmp";
}

} // namespace

bool NamedMutex::isUsableName(const std::string& name)
{
    if (name.empty() || name.size() > 64 || name.front() == '.')
        return false;
    for (const char c : name) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                           c == '_' || c == '-' || c == '.';
        if (!plain)
            return false;
    }
    return true;
}

std::string NamedMutex::lockFilePath(const std::string& name)
{
    return lockFolder() + "/" + name + ".lock";
}

std::unique_ptr<NamedMutex> NamedMutex::take(const std::string& name, TakeResult* result)
{
    TakeResult dummy;
    TakeResult& outcome = result ? *result : dummy;
    outcome = TakeResult::Failed;
    if (!isUsableName(name))
        return nullptr;
    ::mkdir(lockFolder().c_str(), 0700);
    const int fd = ::open(lockFilePath(name).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        if (errno == EACCES)
            outcome = TakeResult::AlreadyHeld;
        return nullptr;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        outcome = errno == EWOULDBLOCK ? TakeResult::AlreadyHeld : TakeResult::Failed;
        ::close(fd);
        return nullptr;
    }
    outcome = TakeResult::Taken;
    return std::unique_ptr<NamedMutex>(new NamedMutex(fd));
}

NamedMutex::Presence NamedMutex::probe(const std::string& name)
{
    if (!isUsableName(name))
        return Presence::AccessDenied;
    const int fd = ::open(lockFilePath(name).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno == EACCES ? Presence::AccessDenied : Presence::Free;
    // A shared lock only conflicts with a holder; it is dropped at once.
    const bool held = ::flock(fd, LOCK_SH | LOCK_NB) != 0;
    ::close(fd);
    return held ? Presence::Held : Presence::Free;
}

NamedMutex::~NamedMutex()
{
    // Closing the descriptor drops the lock; the file stays so that a
    // concurrent taker never races with an unlink.
    ::close(m_fd);
}
