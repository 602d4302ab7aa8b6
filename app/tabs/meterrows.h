#pragma once

#include <QList>
#include <QObject>

class QLabel;
class QWidget;

// The rows of an acquisition tab's floating "Meter View" window: per meter
// slot an icon, the quantity's name and its latest value.
// GUI thread only. Owned by the window it fills, as are its labels.
class MeterRows : public QObject
{
public:
    static constexpr int rowCount = 8;

    explicit MeterRows(QWidget* window);

    // Shows a slot's quantity with the value not yet known.
    void showRow(int row, const QString& iconPath, const QString& name);
    void clearRow(int row);
    // The value's label keeps the size of the widest value of its quantity
    // (setTextKeepingSize).
    void setValue(int row, const QString& text);

    QLabel* icon(int row) const { return m_icons.value(row); }
    QLabel* name(int row) const { return m_names.value(row); }
    QLabel* value(int row) const { return m_values.value(row); }

private:
    QList<QLabel*> m_icons;
    QList<QLabel*> m_names;
    QList<QLabel*> m_values;
};
