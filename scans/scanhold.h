#pragma once

#include <QPointer>

class BaseScan;
class ScanHandler;

// Holds a scan at the handler for as long as it lives (ScanHandler::
// holdScan), so that a scan the handler does not keep is not deleted while
// its files are still being written, whoever else lets it go meanwhile.
// Once the guard is gone the scan goes if nobody else holds it and the
// handler had left it to be deleted. GUI thread; the handler and the scan
// are not owned.
class ScanHold
{
public:
    ScanHold(ScanHandler& handler, BaseScan* scan);
    ~ScanHold();
    ScanHold(const ScanHold&) = delete;
    ScanHold& operator=(const ScanHold&) = delete;

private:
    QPointer<ScanHandler> m_handler;
    QPointer<BaseScan> m_scan;
};
