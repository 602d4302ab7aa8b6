#pragma once

#include "app/tabs/scantab.h"

// The "Time Trend" tab: continuous-wave scans over time, with everything
// else as every acquisition tab has it.
// GUI thread only; owns what scanTab owns.
class timeTrendScanTab : public scanTab
{
    Q_OBJECT

public:
    explicit timeTrendScanTab(DisplaySettings* settings, QWidget* parent = nullptr);

public slots:
    BaseScan* createScan() override;
};
