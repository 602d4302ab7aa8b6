// Feeds arbitrary bytes to the scan file reader, then writes whatever it read
// back out: neither may crash, hang or read out of bounds.

#include "scans/basescan.h"
#include "scans/csvoptions.h"
#include "scans/scanfilereader.h"
#include "scans/scanfilewriter.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray content(reinterpret_cast<const char*>(data), static_cast<int>(size));
    BaseScan scan(nullptr, QString());
    scan.dataSets.clear();
    scan.trendCount = 0;
    try {
        ScanFileReader::read(content, scan);
    } catch (int) {
        return 0;
    }
    csvDelimiter = QStringLiteral(";");
    ScanFileWriter::datText(scan, QStringLiteral("Quvix 2.8.0"));
    scan.copySeries(0, 0, 0, 0);
    scan.trimWindow(10, 5);
    return 0;
}
