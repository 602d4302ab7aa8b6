#include "scans/scanhold.h"

#include "scans/basescan.h"
#include "scans/scanhandler.h"

ScanHold::ScanHold(ScanHandler& handler, BaseScan* scan)
    : m_handler(&handler)
    , m_scan(scan)
{
    if (scan)
        handler.holdScan(scan);
}

ScanHold::~ScanHold()
{
    // A scan deleted meanwhile is only forgotten by the handler; its address
    // may be another scan's by now.
    if (m_handler && m_scan)
        m_handler->releaseScan(m_scan);
}
