#pragma once

class QComboBox;

// Lets a chart's scan selector give way down to a few characters when its
// view is short of room, rather than make the view as wide as its longest
// scan name: a file name can be long, and beside the data display plot the
// chart must not ask for more than a laptop screen's row. Where there is
// room the selector is as wide as its names; the whole name of the scan
// shown is its tool tip, and its list shows every name whole.
// GUI thread; the selector keeps the connection.
void fitScanSelector(QComboBox& selector);
