#include "app/sectionwidthguard.h"

#include <QEvent>
#include <QGroupBox>
#include <QPointer>
#include <QVariant>

namespace {

// The minimum width a watched section had before it was watched.
const char* const collapsedMinimumWidth = "collapsedMinimumWidth";

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
    // A collapsed section keeps the limits it was given.
    const bool expanded = !section.isCheckable() || section.isChecked();
    const int needed =
        expanded ? section.minimumSizeHint().width() : section.property(collapsedMinimumWidth).toInt();
    if (section.minimumWidth() == needed && (!expanded || section.maximumWidth() >= needed))
        return false;
    section.setMinimumWidth(needed);
    if (expanded && section.maximumWidth() < needed)
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
