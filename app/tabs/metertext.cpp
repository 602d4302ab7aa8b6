#include "app/tabs/metertext.h"

#include "scans/parameternames.h"

#include <QFontMetrics>
#include <QLabel>
#include <QTextDocument>
#include <QTextDocumentFragment>

#include <algorithm>
#include <cmath>

QString meterValueText(int parameterId, double first, double second)
{
    const QString unit = ParameterNames::shared().htmlUnit(parameterId);
    if (!isCompositeParameter(parameterId))
        return QStringLiteral("%1 %2").arg(first, 0, 'f', 2).arg(unit);
    if (!isComplexParameter(parameterId))
        return QStringLiteral("%1 %3 &ang;%2<b></b>").arg(first, 0, 'f', 2).arg(second, 0, 'f', 1).arg(unit);
    const QString pattern = second >= 0.0 ? QStringLiteral("%1 + %2j %3") : QStringLiteral("%1 - %2j %3");
    return pattern.arg(first, 0, 'f', 2).arg(std::fabs(second), 0, 'f', 2).arg(unit);
}

QString plainMeterText(const QString& text)
{
    return Qt::mightBeRichText(text) ? QTextDocumentFragment::fromHtml(text).toPlainText() : text;
}

int labelWidthFor(const QLabel& label, const QString& text)
{
    const QFontMetrics metrics = label.fontMetrics();
    int indent = label.indent();
    if (indent < 0 && label.frameWidth() > 0)
        indent = metrics.horizontalAdvance(QLatin1Char('x')) - 2 * label.margin();
    const QMargins margins = label.contentsMargins();
    // One pixel more than the advance: the label's bounding rectangle of a
    // plain text is that much wider.
    return metrics.horizontalAdvance(plainMeterText(text)) + 1 + 2 * label.margin() + std::max(0, indent) +
           margins.left() + margins.right();
}

int labelHeightFor(const QLabel& label, const QString& text)
{
    // The label's own hint is at least its minimum size: a bare label of
    // the same font and framing measures the text alone.
    QLabel probe;
    probe.setFont(label.font());
    probe.setFrameStyle(label.frameStyle());
    probe.setLineWidth(label.lineWidth());
    probe.setMargin(label.margin());
    probe.setIndent(label.indent());
    probe.setContentsMargins(label.contentsMargins());
    probe.setText(text);
    return probe.sizeHint().height();
}

void setTextPaintedOnce(QLabel& label, const QString& text)
{
    label.setText(text);
    if (label.textFormat() != Qt::PlainText && Qt::mightBeRichText(text))
        label.heightForWidth(label.width());
}

void setTextKeepingSize(QLabel& label, const QString& text)
{
    if (label.text() == text)
        return;
    const bool fixed = label.minimumSize() == label.maximumSize();
    if (!label.isVisible()) {
        if (fixed) {
            label.setMinimumSize(0, 0);
            label.setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        }
        label.setText(text);
        return;
    }
    const int width = labelWidthFor(label, text);
    if (!fixed || width > label.maximumWidth())
        label.setFixedSize(std::max(width, label.minimumWidth()),
                           std::max(labelHeightFor(label, text), label.minimumHeight()));
    setTextPaintedOnce(label, text);
}
