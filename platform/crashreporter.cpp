#include "platform/crashreporter.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <cxxabi.h>
#include <exception>
#include <execinfo.h>
#include <fcntl.h>
#include <sys/syscall.h>
#include <typeinfo>
#include <unistd.h>

extern char** environ;

namespace {

constexpr int handledSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
constexpr std::size_t pathCapacity = 4096;
constexpr int maximumNameAttempts = 99;

// Everything the handler touches is prepared here at install time, so that
// it needs no allocation when it runs.
char reportFolder[pathCapacity];
char notifierProgram[pathCapacity];
char reportName[512];
char terminateReason[512];
char copyBuffer[4096];
long localTimeOffsetSeconds = 0;
alignas(16) char alternateStack[128 * 1024];
volatile sig_atomic_t handlingThread = 0;

bool copyInto(char* target, std::size_t capacity, const QByteArray& text)
{
    if (static_cast<std::size_t>(text.size()) >= capacity)
        return false;
    std::memcpy(target, text.constData(), static_cast<std::size_t>(text.size()));
    target[text.size()] = '\0';
    return true;
}

void writeAll(int fd, const char* data, std::size_t length)
{
    while (length > 0) {
        const ssize_t written = ::write(fd, data, length);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return;
        data += written;
        length -= static_cast<std::size_t>(written);
    }
}

void writeText(int fd, const char* text)
{
    writeAll(fd, text, std::strlen(text));
}

void writeNumber(int fd, long long value)
{
    char digits[24];
    int count = 0;
    const bool negative = value < 0;
    unsigned long long magnitude =
        negative ? 0ULL - static_cast<unsigned long long>(value) : static_cast<unsigned long long>(value);
    do {
        digits[count++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude > 0);
    if (negative)
        writeText(fd, "-");
    char ordered[24];
    for (int i = 0; i < count; ++i)
        ordered[i] = digits[count - 1 - i];
    writeAll(fd, ordered, static_cast<std::size_t>(count));
}

void writeHex(int fd, unsigned long long value)
{
    char digits[2 + 16];
    digits[0] = '0';
    digits[1] = 'x';
    for (int i = 0; i < 16; ++i)
        digits[2 + i] = "0123456789abcdef"[(value >> (60 - 4 * i)) & 0xF];
    writeAll(fd, digits, sizeof digits);
}

const char* signalName(int signalNumber)
{
    switch (signalNumber) {
    case SIGSEGV:
        return "SIGSEGV (invalid memory access)";
    case SIGBUS:
        return "SIGBUS (bus error)";
    case SIGFPE:
        return "SIGFPE (arithmetic error)";
    case SIGILL:
        return "SIGILL (illegal instruction)";
    case SIGABRT:
        return "SIGABRT (abort)";
    default:
        return "unexpected signal";
    }
}

void copyFileInto(int fd, const char* path)
{
    const int source = ::open(path, O_RDONLY | O_CLOEXEC);
    if (source < 0) {
        writeText(fd, "(unavailable)\n");
        return;
    }
    for (;;) {
        const ssize_t count = ::read(source, copyBuffer, sizeof copyBuffer);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            break;
        writeAll(fd, copyBuffer, static_cast<std::size_t>(count));
    }
    ::close(source);
}

void writeReport(int fd, int signalNumber, const siginfo_t* info)
{
    writeText(fd, "Quvix crash report\nSoftware: Quvix 2.8.0\nSignal: ");
    writeNumber(fd, signalNumber);
    writeText(fd, " ");
    writeText(fd, signalName(signalNumber));
    writeText(fd, "\nCode: ");
    writeNumber(fd, info != nullptr ? info->si_code : 0);
    writeText(fd, "\nAddress: ");
    writeHex(fd, info != nullptr ? reinterpret_cast<unsigned long long>(info->si_addr) : 0ULL);
    writeText(fd, "\nProcess: ");
    writeNumber(fd, ::getpid());
    writeText(fd, "\nThread: ");
    writeNumber(fd, static_cast<long long>(::syscall(SYS_gettid)));
    writeText(fd, "\n");
    if (terminateReason[0] != '\0') {
        writeText(fd, "Reason: ");
        writeText(fd, terminateReason);
        writeText(fd, "\n");
    }
    writeText(fd, "\nBacktrace:\n");
    void* frames[64];
    const int frameCount = ::backtrace(frames, 64);
    ::backtrace_symbols_fd(frames, frameCount, fd);
    writeText(fd, "\nMemory map:\n");
    copyFileInto(fd, "/proc/self/maps");
}

void startNotifier()
{
    if (notifierProgram[0] == '\0')
        return;
    const pid_t child = ::fork();
    if (child != 0)
        return;
    // The notifier must not hold the crashed process's pipes open.
    const int devNull = ::open("/dev/null", O_RDWR);
    if (devNull >= 0) {
        ::dup2(devNull, STDIN_FILENO);
        ::dup2(devNull, STDOUT_FILENO);
        ::dup2(devNull, STDERR_FILENO);
    }
    char* const arguments[] = {notifierProgram, reportFolder, reportName, nullptr};
    ::execve(notifierProgram, arguments, environ);
    ::_exit(127);
}

CrashTime currentLocalTime()
{
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return crashTimeFromSeconds(static_cast<std::int64_t>(now.tv_sec) + localTimeOffsetSeconds);
}

void endWithDefaultAction(int signalNumber)
{
    ::signal(signalNumber, SIG_DFL);
    // Blocked until the handler returns; then the default action ends us.
    ::raise(signalNumber);
}

void onFatalSignal(int signalNumber, siginfo_t* info, void*)
{
    const sig_atomic_t self = static_cast<sig_atomic_t>(::syscall(SYS_gettid));
    if (handlingThread != 0) {
        if (handlingThread == self) { // the handler itself failed
            endWithDefaultAction(signalNumber);
            return;
        }
        for (;;) // another thread is writing the report and will end us
            ::pause();
    }
    handlingThread = self;

    const int fd =
        CrashReporter::createReportFile(reportFolder, currentLocalTime(), reportName, sizeof reportName);
    if (fd >= 0) {
        writeReport(fd, signalNumber, info);
        ::close(fd);
        startNotifier();
    }
    endWithDefaultAction(signalNumber);
}

// Notes what was thrown, then lets SIGABRT write the report.
[[noreturn]] void onTerminate()
{
    // Not in signal context yet, so allocating to demangle is fine here.
    const char* typeName = "unknown";
    char* demangled = nullptr;
    if (const std::type_info* type = abi::__cxa_current_exception_type()) {
        int status = 0;
        demangled = abi::__cxa_demangle(type->name(), nullptr, nullptr, &status);
        typeName = demangled != nullptr ? demangled : type->name();
    }
    std::snprintf(terminateReason, sizeof terminateReason, "uncaught exception (%s)", typeName);
    if (std::current_exception()) {
        try {
            throw;
        } catch (const std::exception& error) {
            std::snprintf(terminateReason, sizeof terminateReason, "uncaught exception (%s): %s", typeName,
                          error.what());
        } catch (...) {
        }
    } else {
        std::snprintf(terminateReason, sizeof terminateReason, "std::terminate called");
    }
    std::free(demangled);
    std::abort();
}

long currentLocalTimeOffset()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (::localtime_r(&now, &local) == nullptr)
        return 0;
    return local.tm_gmtoff;
}

} // namespace

int CrashReporter::createReportFile(const char* folder, const CrashTime& when, char* nameOut,
                                    std::size_t nameCapacity)
{
    const std::size_t folderLength = std::strlen(folder);
    if (folderLength >= pathCapacity)
        return -1;
    char path[pathCapacity + 512];
    for (int attempt = 1; attempt <= maximumNameAttempts; ++attempt) {
        const std::size_t nameLength = formatCrashReportName(nameOut, nameCapacity, when, attempt);
        if (nameLength == 0 || folderLength + nameLength >= sizeof path)
            return -1;
        std::memcpy(path, folder, folderLength);
        std::memcpy(path + folderLength, nameOut, nameLength + 1);
        const int fd = ::open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd >= 0)
            return fd;
        if (errno != EEXIST)
            return -1;
    }
    return -1;
}

QString CrashReporter::programFolder()
{
    return QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath()).absolutePath();
}

bool CrashReporter::install(const QString& folder, const QString& notifier)
{
    if (!copyInto(reportFolder, sizeof reportFolder, QFile::encodeName(folder)) ||
        !copyInto(notifierProgram, sizeof notifierProgram, QFile::encodeName(notifier)))
        return false;
    localTimeOffsetSeconds = currentLocalTimeOffset();

    // The first backtrace() loads its unwinder; do that now, not in a crash.
    void* warmUp[1];
    ::backtrace(warmUp, 1);

    stack_t stack{};
    stack.ss_sp = alternateStack;
    stack.ss_size = sizeof alternateStack;
    stack.ss_flags = 0;
    bool installed = ::sigaltstack(&stack, nullptr) == 0;

    struct sigaction action {
    };
    action.sa_sigaction = onFatalSignal;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    for (const int signalNumber : handledSignals)
        installed = ::sigaction(signalNumber, &action, nullptr) == 0 && installed;

    std::set_terminate(onTerminate);
    return installed;
}
