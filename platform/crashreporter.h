#pragma once

#include "platform/crashreportname.h"

#include <QString>

#include <cstddef>

// Last-chance crash reports. install() puts handlers for SIGSEGV, SIGBUS,
// SIGFPE, SIGILL and SIGABRT on an alternate stack and a std::terminate
// handler in place. When one fires it writes a text report (signal, address,
// backtrace, memory map) into the report folder with async-signal-safe calls
// only, starts the notifier program (if any) with the folder and the report's
// file name as its two arguments, and lets the signal end the process.
// Nothing is ever shown from inside the crashed process.
class CrashReporter
{
public:
    // Call once, early, on the main thread (its alternate stack is that
    // thread's). reportFolder should end with '/'. An empty notifier starts
    // nothing. Returns false when a handler could not be installed.
    static bool install(const QString& reportFolder, const QString& notifierProgram);

    // Creates a new, empty report file in folder for the moment when. A name
    // already taken (a second crash in the same second) is retried with a
    // suffix instead of losing the report. Writes the file name (without the
    // folder) into nameOut and returns the open descriptor, or -1.
    // Async-signal-safe.
    static int createReportFile(const char* folder, const CrashTime& when, char* nameOut,
                                std::size_t nameCapacity);

    // The folder of the running executable, for finding the notifier beside it.
    static QString programFolder();
};
