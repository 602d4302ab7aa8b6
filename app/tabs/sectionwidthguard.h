#pragma once

#include <QObject>

class QGroupBox;

// Keeps the texts of a collapsible section of an acquisition tab readable:
// the section's width limits were chosen for one font, and with a wider one
// the row of sections squeezed its labels and buttons until they were cut
// off. Whenever an expanded section's contents ask for a new layout, its
// minimum width becomes what they need, and its maximum width grows to that
// at least; collapsed, it has the minimum width it had before again, or the
// width its title needs.
// GUI thread only; installed as an event filter on the sections it watches,
// which it does not own (it is a child of the tab that owns them).
class SectionWidthGuard : public QObject
{
    Q_OBJECT
public:
    explicit SectionWidthGuard(QObject* parent);

    void watch(QGroupBox* section);
    // Whether the section's limits changed.
    static bool fitToContents(QGroupBox& section);

signals:
    // A watched section's limits changed: the room left beside it did too.
    void sectionFitted();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fitAndAnnounce(QGroupBox* section);
};
