#include "app/tabs/timetrendscantab.h"

#include "scans/cwscan.h"
#include "views/sampleratewidget.h"

timeTrendScanTab::timeTrendScanTab(DisplaySettings* settings, QWidget* parent)
    : scanTab(settings, parent)
{
}

BaseScan* timeTrendScanTab::createScan()
{
    return new CWScan(activeSensor(), QString(), rateSelector().rate());
}
