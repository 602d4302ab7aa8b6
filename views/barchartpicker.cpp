#include "views/barchartpicker.h"

#include "scans/basescan.h"

#include <QPen>

#include <qwt_text.h>

#include <algorithm>
#include <cmath>

barchartPicker::barchartPicker(QWidget* canvas)
    : QwtPlotPicker(canvas)
{
    setRubberBand(QwtPicker::CrossRubberBand);
    setTrackerMode(QwtPicker::AlwaysOn);
}

barchartPicker::~barchartPicker() = default;

void barchartPicker::setScan(BaseScan* scan, int quantity)
{
    m_scan = scan;
    m_quantity = quantity;
}

QwtText barchartPicker::trackerTextF(const QPointF& pos) const
{
    if (!m_scan || m_frequencyIndex < 0)
        return QwtText();
    // Bar k covers x in (10(k - 1), 10k]. Compared as a double, so a cursor
    // far off the chart cannot overflow the index.
    const double barIndex = std::ceil(pos.x() / 10.0) - 1.0;
    if (!(barIndex >= 0.0))
        return QwtText();

    const int seriesQuantity = m_quantity == 0 ? 0 : 1;
    const std::vector<double> spectrum =
        BaseScan::seriesFrom(m_scan.data(), seriesQuantity, m_frequencyIndex, m_time, 0);
    if (barIndex >= static_cast<double>(spectrum.size()))
        return QwtText();

    const size_t i = static_cast<size_t>(barIndex);
    const double percent = spectrum[i] / spectrum[0] * 100.0;
    if (pos.y() > percent || pos.y() < 0.0)
        return QwtText();
    return trackerTextFor(i, spectrum[i], spectrum[0]);
}

QwtText barchartPicker::trackerTextFor(size_t harmonic, double value, double fundamental) const
{
    const double percent = value / fundamental * 100.0;
    const QString unit = m_quantity == 0 ? QStringLiteral("V") : QStringLiteral("A");
    QString shown;
    if (harmonic == 0) {
        shown = QStringLiteral("Fund value : %1 %2").arg(fundamental, 0, 'g', 6).arg(unit);
    } else {
        shown = QStringLiteral("%3 % of Fund\nH%1 Value :%2 %5\nFund Value :%4 %5")
                    .arg(QString::number(harmonic + 1), QString::number(value, 'g', 6),
                         QString::number(percent, 'f', 2), QString::number(fundamental, 'g', 6), unit);
    }

    QwtText text(shown);
    QColor colour = rubberBandPen().color();
    text.setColor(Qt::white);
    text.setBorderPen(QPen(colour));
    text.setBorderRadius(6);
    colour.setAlpha(170);
    text.setBackgroundBrush(QBrush(colour));
    return text;
}

QSize barchartPicker::trackerSizeHint() const
{
    // Six digits, four of them before the point, in every number; a
    // two-digit harmonic as large as the fundamental.
    const double widest = 8888.88;
    const QSizeF fundamental = trackerTextFor(0, widest, widest).textSize(trackerFont());
    const QSizeF harmonic = trackerTextFor(10, widest, widest).textSize(trackerFont());
    return QSize(static_cast<int>(std::ceil(std::max(fundamental.width(), harmonic.width()))),
                 static_cast<int>(std::ceil(std::max(fundamental.height(), harmonic.height()))));
}
