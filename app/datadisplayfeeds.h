#pragma once

#include "scans/frequencyrecord.h"

#include <QColor>
#include <QList>
#include <QPointF>
#include <QString>
#include <QStringList>
#include <QVector>

#include <cstddef>
#include <optional>
#include <vector>

class BaseScan;
class SmithChartDialog;

// What the data display hands its analysis views and the clipboard, worked
// out from the displayed scans and curves without any widget: the Smith
// chart's lines and the text of the displayed values.
// Any thread but showSmithLines (GUI thread), on scans that no thread appends to any more (the scan tree
// holds only finished and loaded scans); the Smith lines read each scan's
// series under its mutex. Nothing is kept or owned.
class DataDisplayFeeds
{
public:
    // A time interval [minimum, maximum) on a scan's time axis.
    struct Interval {
        double minimum = 0.0;
        double maximum = 0.0;
    };
    // Sample indices from `first` up to, not including, `end`.
    struct IndexRange {
        size_t first = 0;
        size_t end = 0;
    };

    // The samples of a time series that lie in the interval: from the first
    // time not below its minimum up to the first time not below its
    // maximum; the whole series without an interval.
    static IndexRange rangeOf(const Series& time, const std::optional<Interval>& interval);

    // One Smith chart line: the channel's list row and where its points
    // come from: the fundamental's impedance (magnitude and phase) of one
    // record of the scan's first data set, over a range of its samples.
    // The scan must outlive the line.
    struct SmithLine {
        QString label;
        QColor colour;
        BaseScan* scan = nullptr;
        int record = 0;
        IndexRange samples;
    };
    // One line per channel of the first data set of each scan, in order.
    static std::vector<SmithLine> smithLines(const QList<BaseScan*>& scans,
                                             const std::optional<Interval>& interval);
    // Empties the dialog and shows the lines: their rows, colours and points,
    // as impedances normalised to 50 ohms (r, x), each line's points in one
    // batch mapped straight from the scan's series into the chart.
    static void showSmithLines(SmithChartDialog& dialog, const std::vector<SmithLine>& lines);
    static QColor smithLineColour(int line);
    // The chart point of an impedance magnitude (ohms) and phase (degrees).
    static QPointF normalisedImpedance(double magnitude, double phaseDegrees);

    // One displayed curve as the clipboard lists it. The series are the
    // scan's own and must outlive the call.
    struct ClipboardCurve {
        QString text;
        const Series* time = nullptr;
        const Series* values = nullptr;
    };
    // One block per scan: its name and its curves in list order.
    struct ClipboardBlock {
        QString scanName;
        QList<ClipboardCurve> curves;
    };
    // Rows follow the time series of each block's last curve; a curve whose
    // values end earlier leaves its cells empty.
    static QString clipboardText(const QList<ClipboardBlock>& blocks,
                                 const std::optional<Interval>& interval);
};
