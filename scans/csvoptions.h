#pragma once

#include <QString>

#include <array>

// The CSV options of the process: delimiter, short column names, full time
// stamps and the CSV flag of each display option index. The display options
// dialog applies them as one set; the CSV writers read them.
//
// Each thread reads its own view of the set through the three variables
// below (and csvColumnEnabled). The thread that applies a set (the GUI
// thread) sees it at once. A writer on any other thread (a triggered
// recording saves on the sensor's thread) pins the applied set as its view
// for one file (pinAppliedCsvOptions), so every file uses one whole set and no
// thread reads what another is writing. The applied set itself is guarded
// by a lock inside csvoptions.cpp.

// Put after every heading and cell of the CSV and interval exports. Empty
// until an options object applies a set.
extern thread_local QString csvDelimiter;

// While true, CSV and text headings carry the short parameter names.
extern thread_local bool csvUseShortNames;

// While true, the CSV time column holds date and time instead of seconds.
extern thread_local bool csvUseFullTimestamp;

constexpr int csvOptionIndexCount = 38;

// One whole set of CSV options.
struct CsvOptionSet {
    QString delimiter;
    bool useShortNames = false;
    bool useFullTimestamp = false;
    // Indexed by display option index; indexes without a quantity stay false.
    std::array<bool, csvOptionIndexCount> columns{};
};

// This thread's view as a set (its three variables and column flags).
CsvOptionSet csvOptionsInView();

// Makes the set the applied one and this thread's view; other threads see it
// from their next pinned file on. Called by the thread that owns the
// options (the GUI thread).
void applyCsvOptions(const CsvOptionSet& options);

// This thread's view of one column flag: false outside 0 to 37.
bool csvColumnEnabled(int optionIndex);

// Called by each writer before it writes a file: on a thread other than the
// one that applied the set last, a copy of the applied set, taken whole under
// the lock, becomes this thread's view for that file. On the applying
// thread, and before any set was applied, the view stays as it is.
void pinAppliedCsvOptions();
