#pragma once

#include <QString>

#include <string>

class BaseScan;
class QIODevice;
class CsvColumnOptions;
class FileProgress;
class TrendDataSet;

// The texts of the scan files: the ".dat" scan file, the CSV export and the
// interval export. Stateless; the caller holds the scan's mutex (or owns the
// scan) while the text is built. Texts are UTF-8 ("µ" of the time trends).
class ScanFileWriter
{
public:
    // Stream a file into `device` a chunk at a time, so that what they hold
    // does not grow with the scan; false once a write to the device failed
    // or the progress, when given, was cancelled. The progress counts the
    // scan's rows; between its steps the writers hold no reference into a
    // series' storage.
    static bool writeDat(QIODevice& device, const BaseScan& scan, const QString& software,
                         FileProgress* progress = nullptr);
    static bool writeCsv(QIODevice& device, const BaseScan& scan, const QString& software,
                         const CsvColumnOptions& options, FileProgress* progress = nullptr);
    static bool writeInterval(QIODevice& device, const BaseScan& scan, const QString& software,
                              double minimum, double maximum, const CsvColumnOptions& options,
                              FileProgress* progress = nullptr);

    // The same files as whole texts, for small scans.
    static std::string datText(const BaseScan& scan, const QString& software);
    static QString csvText(const BaseScan& scan, const QString& software, const CsvColumnOptions& options);
    static QString intervalText(const BaseScan& scan, const QString& software, double minimum, double maximum,
                                const CsvColumnOptions& options);

    // Trend blocks are framed (header line, "END TREND") for pulse-trend scans
    // and for any scan with more than one trend, so they read back apart.
    static bool framesTrends(const BaseScan& scan);

    // "Trend Measurement number" + s + index + s + mode label + s + value + s +
    // "Trend Mode" + s + mode.
    static QString trendHeader(const TrendDataSet& set, int index, const QString& separator);
    static void appendDatBlock(std::string& out, const TrendDataSet& set);
};
