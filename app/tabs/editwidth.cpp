#include "app/tabs/editwidth.h"

#include <QDoubleValidator>
#include <QFontMetrics>
#include <QIntValidator>
#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionFrame>

#include <algorithm>

namespace {

// What QLineEdit keeps on either side of its text inside its contents.
constexpr int textSideMargin = 2;

QString widerOf(const QFontMetrics& metrics, const QString& first, const QString& second)
{
    return metrics.horizontalAdvance(first) >= metrics.horizontalAdvance(second) ? first : second;
}

} // namespace

int editWidthFor(const QLineEdit& edit, const QString& text)
{
    QStyleOptionFrame option;
    option.initFrom(&edit);
    option.rect = QRect(0, 0, 1000, std::max(edit.height(), edit.sizeHint().height()));
    option.lineWidth =
        edit.hasFrame() ? edit.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, &edit) : 0;
    option.midLineWidth = 0;
    option.state |= QStyle::State_Sunken;
    option.features = QStyleOptionFrame::None;
    const QRect contents = edit.style()->subElementRect(QStyle::SE_LineEditContents, &option, &edit);
    const QMargins margins = edit.textMargins();
    const QFontMetrics metrics = edit.fontMetrics();
    const int bearings = std::max(0, -metrics.minLeftBearing()) + std::max(0, -metrics.minRightBearing());
    // One pixel for the cursor after the text.
    return metrics.horizontalAdvance(text) + 1 + bearings + 2 * textSideMargin + margins.left() +
           margins.right() + (option.rect.width() - contents.width());
}

QString longestAcceptedNumber(const QLineEdit& edit)
{
    const QFontMetrics metrics = edit.fontMetrics();
    if (const auto* whole = qobject_cast<const QIntValidator*>(edit.validator()))
        return widerOf(metrics, QString::number(whole->bottom()), QString::number(whole->top()));
    if (const auto* decimal = qobject_cast<const QDoubleValidator*>(edit.validator()))
        return widerOf(metrics, QString::number(decimal->bottom(), 'f', decimal->decimals()),
                       QString::number(decimal->top(), 'f', decimal->decimals()));
    return QString();
}

void fitEditToRange(QLineEdit& edit, int usualWidth)
{
    // A text set from the settings may lie outside the range.
    const QString longest = widerOf(edit.fontMetrics(), longestAcceptedNumber(edit), edit.text());
    const int needed = longest.isEmpty() ? 0 : editWidthFor(edit, longest);
    edit.setMinimumWidth(needed);
    edit.setMaximumWidth(std::max(usualWidth, needed));
}
