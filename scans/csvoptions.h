#pragma once

// Process-wide CSV options. The display options dialog sets them; the core
// reads them when a file is written. GUI thread only.

// While true, CSV and text headings carry the short parameter names.
extern bool csvUseShortNames;
