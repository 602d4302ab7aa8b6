#pragma once

#include <QStringList>

class BaseScan;

// The chart selectors' entries for a scan's fundamental frequencies: one
// "F%1 MHz" per record of data set 0, in order (13.56 gives "F13.56 MHz").
// Copied under the scan's lock, so no signal of the caller's selector runs
// while the sensor's thread waits for it.
QStringList frequencyItemTexts(BaseScan& scan);
