#include "app/tabs/sectionwidthguard.h"

#include <QEvent>
#include <QGroupBox>
#include <QPointer>
#include <QStyle>
#include <QStyleOptionGroupBox>
#include <QVariant>

#include <algorithm>

namespace {

// The minimum width a watched section had before it was watched.
const char* const collapsedMinimumWidth = "collapsedMinimumWidth";

// The width that shows a section's title whole, with as much room after it
// as before it.
int titleWidth(const QGroupBox& section)
{
    QStyleOptionGroupBox option;
    option.initFrom(&section);
    // Unbounded: the style keeps a title inside the box it is given.
    option.rect.setWidth(1 << 15);
    option.text = section.title();
    option.lineWidth = 1;
    option.textAlignment = section.alignment();
    option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
    if (section.isCheckable())
        option.subControls |= QStyle::SC_GroupBoxCheckBox;
    const QRect title =
        section.style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, &section);
    return title.right() + 1 + title.left();
}

} // namespace

SectionWidthGuard::SectionWidthGuard(QObject* parent)
    : QObject(parent)
{
}

void SectionWidthGuard::watch(QGroupBox* section)
{
    section->setProperty(collapsedMinimumWidth, section->minimumWidth());
    section->installEventFilter(this);
    fitToContents(*section);
}

bool SectionWidthGuard::fitToContents(QGroupBox& section)
{
    // A collapsed section keeps the limits it was given, unless its title
    // needs more.
    const bool expanded = !section.isCheckable() || section.isChecked();
    const int needed = expanded
                           ? section.minimumSizeHint().width()
                           : std::max(section.property(collapsedMinimumWidth).toInt(), titleWidth(section));
    if (section.minimumWidth() == needed && section.maximumWidth() >= needed)
        return false;
    section.setMinimumWidth(needed);
    if (section.maximumWidth() < needed)
        section.setMaximumWidth(needed);
    return true;
}

bool SectionWidthGuard::eventFilter(QObject* watched, QEvent* event)
{
    // Shown or hidden contents and new texts end in a layout request of the
    // section itself; a new, narrower limit in a resize.
    auto* section = qobject_cast<QGroupBox*>(watched);
    if (section && event->type() == QEvent::LayoutRequest)
        fitAndAnnounce(section);
    // A wider minimum set during a resize resizes the section again at once,
    // and its layout then placed the contents for the size of the resize
    // still being delivered: they stayed squeezed in a wide section.
    if (section && event->type() == QEvent::Resize)
        QMetaObject::invokeMethod(
            this, [this, later = QPointer<QGroupBox>(section)] { fitAndAnnounce(later); },
            Qt::QueuedConnection);
    return QObject::eventFilter(watched, event);
}

void SectionWidthGuard::fitAndAnnounce(QGroupBox* section)
{
    if (section && fitToContents(*section))
        emit sectionFitted();
}
