#pragma once

#include <QPointer>

class BaseScan;
class ScanHandler;

// Marks a listed scan as in use for as long as it lives, so that the scan
// handler's limit does not hand it out to be deleted while a dialog or menu
// about it is open: such a dialog runs the event loop, where other scans
// complete. Once the guard is gone the limit takes the scan if it is still
// beyond it. Made before the first question and kept until the scan's last
// use; the scan may still be deleted meanwhile by whoever holds the guard.
// GUI thread; the handler and the scan are not owned.
class ScanInUse
{
public:
    ScanInUse(ScanHandler& handler, const BaseScan* scan);
    ~ScanInUse();
    ScanInUse(const ScanInUse&) = delete;
    ScanInUse& operator=(const ScanInUse&) = delete;

private:
    QPointer<ScanHandler> m_handler;
    QPointer<const BaseScan> m_scan;
};
