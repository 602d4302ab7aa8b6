// platform_crash_child FOLDER NOTIFIER KIND: installs the crash reporter and
// then fails in the way KIND names.

#include "platform/crashreporter.h"

#include <QString>

#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace {

void writeThroughInvalidPointer()
{
    // Not null, so the sanitizers' null checks leave the fault to the CPU.
    volatile std::uintptr_t address = 0x10;
    *reinterpret_cast<volatile int*>(address) = 1;
}

[[noreturn]] void throwUncaught()
{
    throw std::runtime_error("scan buffer exhausted");
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4)
        return 2;
    if (!CrashReporter::install(QString::fromLocal8Bit(argv[1]), QString::fromLocal8Bit(argv[2])))
        return 3;
    const char* kind = argv[3];
    if (std::strcmp(kind, "segv") == 0)
        writeThroughInvalidPointer();
    else if (std::strcmp(kind, "abort") == 0)
        std::abort();
    else if (std::strcmp(kind, "fpe") == 0)
        std::raise(SIGFPE);
    else if (std::strcmp(kind, "bus") == 0)
        std::raise(SIGBUS);
    else if (std::strcmp(kind, "ill") == 0)
        __builtin_trap();
    else if (std::strcmp(kind, "terminate") == 0)
        throwUncaught();
    std::puts("survived");
    return 0;
}
