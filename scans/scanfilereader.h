#pragma once

#include <QByteArray>

#include <memory>

class BaseScan;

// Reads ".dat" scan files into plain scans without a sensor. Throws a plain
// int: 30 the file cannot be opened, 35 not a scan file or a corrupt one.
// Runs on its caller's thread; touches nothing shared but newerFileState
// (raised from armed to newer), which is why it belongs to the GUI thread
// or to a caller that owns that state.
class ScanFileReader
{
public:
    enum Error { CannotOpen = 30, NotAScanFile = 35 };

    // Counts a file may carry; beyond them the file is taken as corrupt.
    static constexpr int maximumTrendCount = 1000;
    static constexpr int maximumHarmonicCount = 128;
    // Files newer than this version (2.8.0) are reported.
    static constexpr int softwareVersion = 280;

    static std::unique_ptr<BaseScan> readFile(const QString& fileName);
    // Fills `scan` (which must be empty: no data sets) from a file's content.
    static void read(const QByteArray& content, BaseScan& scan);
    // The version number of a first line ("Quvix 2.8.0" gives 280); -1 without one.
    static int versionNumber(const QByteArray& firstLine);
};
