#pragma once

#include <QByteArray>

#include <memory>

class BaseScan;
class FileProgress;

// Reads ".dat" scan files into plain scans without a sensor. Throws a plain
// int: 30 the file cannot be opened, 35 not a scan file or a corrupt one,
// Cancelled when the read was cancelled through its progress. Runs on any
// thread and touches nothing shared: the scan it builds belongs to that
// thread, and the file's version reaches newerFileState only through
// noteVersion, on the GUI thread.
class ScanFileReader
{
public:
    enum Error { Cancelled = 1, CannotOpen = 30, NotAScanFile = 35 };

    // Counts a file may carry; beyond them the file is taken as corrupt.
    static constexpr int maximumTrendCount = 1000;
    static constexpr int maximumHarmonicCount = 128;
    // Files newer than this version (2.8.0) are reported.
    static constexpr int softwareVersion = 280;

    // Reports the bytes read to `progress` and gives the file's version
    // number (versionNumber of its first line) in `version`, when given.
    static std::unique_ptr<BaseScan> readFile(const QString& fileName, FileProgress* progress = nullptr,
                                              int* version = nullptr);
    // Fills `scan` (which must be empty: no data sets) from a file's content.
    static void read(const QByteArray& content, BaseScan& scan);
    // The version number of a first line ("Quvix 2.8.0" gives 280); -1 without one.
    static int versionNumber(const QByteArray& firstLine);
    // Raises newerFileState from armed to newer when a file just read has a
    // version above this program's. GUI thread, which owns that state.
    static void noteVersion(int version);
};
