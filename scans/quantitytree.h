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
    TrendIndexRole = Qt::UserRole + 10, // int
    UnitRole = Qt::UserRole + 11,       // QString
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
