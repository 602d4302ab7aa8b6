#pragma once

#include "scans/frequencyrecord.h"

#include <Qt>

class BaseScan;
class QTreeWidgetItem;

// Item data of the scan tree's quantity items, all in column 0.
enum QuantityTreeRole {
    SeriesRole = Qt::UserRole,          // Series* owned by the record, as void*
    ScanRole = Qt::UserRole + 1,        // owning BaseScan*, as void*
    CurveTitleRole = Qt::UserRole + 2,  // QString
    CurveEntryRole = Qt::UserRole + 5,  // the data display's QListWidgetItem* as void* while
                                        // displayed, the int 0 after its removal
    TrendIndexRole = Qt::UserRole + 10, // int
    UnitRole = Qt::UserRole + 11,       // QString
    SourceFileRole = Qt::UserRole + 12, // QString: a read scan's file, canonical (top-level items)
};

// Item data of the data display's curve-list entries, beside ScanRole,
// TrendIndexRole and UnitRole, which they share with the tree's items.
enum CurveListRole {
    PlotCurveRole = Qt::UserRole,          // QwtPlotCurve* owned by the entry, as void*
    CurveAxisRole = Qt::UserRole + 3,      // int: 0 left, 1 right
    ChannelItemRole = Qt::UserRole + 4,    // the tree's QTreeWidgetItem*, as void*
    CurveValuesRole = Qt::UserRole + 6,    // const Series* of the values, as void*
    CurveTimeRole = Qt::UserRole + 7,      // const Series* of the times, as void*
    CurveOnLeftAxisRole = Qt::UserRole + 9 // bool
};

// Builds a record's branch of the scan tree: the frequency, its scalar
// quantities and one group per harmonic. GUI thread; the caller owns the
// returned parentless item (the tree that finally holds it deletes it). The
// series pointers stay valid while the record lives.
class QuantityTree
{
public:
    static QTreeWidgetItem* buildTreeItem(FrequencyRecord& record, int trendIndex, BaseScan* scan);

    // Gives an item the data of one plottable series.
    static void setSeriesData(QTreeWidgetItem* item, Series* series, BaseScan* scan, const QString& title,
                              int trendIndex, const QString& unit);

    // Child item with its text and series data.
    static QTreeWidgetItem* addSeriesItem(QTreeWidgetItem* parent, const QString& text, Series* series,
                                          BaseScan* scan, const QString& title, int trendIndex,
                                          const QString& unit);
};
