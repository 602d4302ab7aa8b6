#pragma once

// Whether a combo box shows each of its entries whole: the room the style
// gives the shown text (the edit field beside the arrow, less the pixel the
// label keeps either side) against each entry's width in the box's font.

#include <QComboBox>
#include <QFontMetrics>
#include <QStringList>
#include <QStyle>
#include <QStyleOptionComboBox>

namespace comboroom {

inline int textRoom(const QComboBox& box, const QString& shown)
{
    QStyleOptionComboBox option;
    option.initFrom(&box);
    option.editable = box.isEditable();
    option.frame = box.hasFrame();
    option.currentText = shown;
    option.subControls = QStyle::SC_All;
    const QRect field =
        box.style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, &box);
    return field.width() - 2;
}

// The entries the box would cut short, each with the room it has and needs.
inline QStringList cutEntries(const QComboBox& box)
{
    QStringList cut;
    for (int i = 0; i < box.count(); ++i) {
        const QString entry = box.itemText(i);
        const int needed = box.fontMetrics().horizontalAdvance(entry);
        const int room = textRoom(box, entry);
        if (needed > room)
            cut << QStringLiteral("\"%1\" needs %2 of %3 in %4 px")
                       .arg(entry)
                       .arg(needed)
                       .arg(room)
                       .arg(box.width());
    }
    return cut;
}

} // namespace comboroom
