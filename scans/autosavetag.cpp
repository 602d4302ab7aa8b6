#include "scans/autosavetag.h"

const QList<AutosaveTag>& autosaveTagTable()
{
    static const QList<AutosaveTag> tags{
        {"<nick>", "Sensor Nickname", 0},
        {"<serial>", "Sensor Serial Number", 1},
        {"<fulldate>", "Full Date", 2},
        {"<scantype>", "Scan Type", 3},
        {"<samplerate>", "Sample Rate", 4},
        {"<waferLot>", "Wafer Lot", 9},
        {"<waferNumber>", "Wafer Number", 10},
        {"<day>", "Day of the Month", 6},
        {"<hour>", "Hour of the day", 5},
        {"<minute>", "Minute", 7},
        {"<second>", "Second", 8},
        {"<eventDuration>", "Event Duration", 12},
        {"<eventType>", "Monitored value name", 11},
        {"<eventNumber>", "Index of consecutive events", 13},
        {"<eventThresholdLevel>", "Event threshold level", 14},
    };
    return tags;
}

QString defaultAutosavePattern()
{
    return QStringLiteral("<scantype>-<fulldate>");
}
