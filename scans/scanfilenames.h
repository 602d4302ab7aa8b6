#pragma once

#include <QString>

// The names of the files a saved scan is written to. Every save (the data
// display, the scan tabs, autosave, the writers' retry prompts) names its
// files here, so a typed name can never make the scan file and its CSV
// companion the same file. Pure functions; any thread.
class ScanFileNames
{
public:
    // The name a scan file is written under: as typed when it ends in
    // ".dat" (any case), else with ".dat" added, since the Load dialog and
    // drops only offer files with that ending.
    static QString scanFile(const QString& typed);

    // The companion CSV of a scan file: same folder and name, ".csv" in
    // place of ".dat" (a name that already ends in ".csv" keeps it once).
    // Never the scan file's own path.
    static QString companionOf(const QString& scanFile);

    // The name a CSV export is written under: ".csv" added when the typed
    // file name has no ending at all (no dot, as Qt's file dialogs judge
    // it); any ending the user gave is kept.
    static QString exportFile(const QString& typed);
};
