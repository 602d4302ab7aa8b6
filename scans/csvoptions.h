#pragma once

#include <QString>

// Process-wide CSV options. The display options dialog sets them; the core
// reads them when a file is written. GUI thread only, no lock.

// Put after every heading and cell of the CSV and interval exports. Empty
// until an options object exists; the options objects fill it.
extern QString csvDelimiter;

// While true, CSV and text headings carry the short parameter names.
extern bool csvUseShortNames;

// While true, the CSV time column holds date and time instead of seconds.
extern bool csvUseFullTimestamp;
