#include "scans/scaninuse.h"

#include "scans/basescan.h"
#include "scans/scanhandler.h"

ScanInUse::ScanInUse(ScanHandler& handler, const BaseScan* scan)
    : m_handler(&handler)
    , m_scan(scan)
{
    if (scan)
        handler.beginUse(scan);
}

ScanInUse::~ScanInUse()
{
    // A scan deleted meanwhile is only forgotten by the handler.
    if (m_handler && m_scan)
        m_handler->endUse(m_scan);
}
