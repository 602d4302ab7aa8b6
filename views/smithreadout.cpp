#include "views/smithreadout.h"

#include <cmath>

namespace {

constexpr double referenceOhms = 50.0;
constexpr double degreesPerRadian = 57.29577951308232;
constexpr double readOutRadiusPixels = 176.0;

QString signedPair(const QString& plusForm, const QString& minusForm, double real, double imaginary,
                   int decimals)
{
    const QString realText = QString::number(real, 'f', decimals);
    if (imaginary >= 0)
        return plusForm.arg(realText, QString::number(imaginary, 'f', decimals));
    return minusForm.arg(realText, QString::number(-imaginary, 'f', decimals));
}

} // namespace

QPoint SmithReadOut::boxPlace(QPoint pixel, QSize widget, QSize box)
{
    if (pixel.y() > 0.8 * widget.height())
        return QPoint(pixel.x(), pixel.y() - box.height());
    if (pixel.x() > 0.7 * widget.width())
        return QPoint(pixel.x() - box.width(), pixel.y());
    return pixel;
}

SmithReadOut SmithReadOut::at(QPoint pixel, QSize widget, QSize box)
{
    SmithReadOut out;
    const int cx = widget.width() / 2;
    const int cy = widget.height() / 2;
    const double left = cx / 8.0;
    const double top = 0.35 * cy;
    out.gammaReal = (pixel.x() - left) / (cx - left) - 1.0;
    out.gammaImaginary = 1.0 - (pixel.y() - top) / (cy - top);
    const double gr = out.gammaReal;
    const double gi = out.gammaImaginary;

    const double d = (1.0 - gr) * (1.0 - gr) + gi * gi;
    out.finite = d != 0.0;
    if (out.finite) {
        out.resistance = referenceOhms * (1.0 - gr * gr - gi * gi) / d;
        out.reactance = referenceOhms * (2.0 * gi) / d;
        out.impedanceText = signedPair(QStringLiteral("Z = %1 + %2j"), QStringLiteral("Z = %1 - %2j"),
                                       out.resistance, out.reactance, 0);
        const double angle = std::atan2(out.reactance, out.resistance) * degreesPerRadian;
        out.angleText = QStringLiteral("&ang; %1&deg;<b></b>").arg(QString::number(angle, 'f', 1));
        const double magnitude = std::hypot(out.resistance, out.reactance);
        out.magnitudeText = QStringLiteral("|Z| = %1  <font color=purple> %2 </font>")
                                .arg(QString::number(magnitude, 'f', 2), out.angleText);
    } else {
        out.impedanceText = QStringLiteral("Z = infinity");
        out.angleText = QStringLiteral("|Z| = inf");
        out.magnitudeText = QStringLiteral("|Z| = inf  <font color=purple>&ang; inf&deg;</font>");
    }
    out.gammaText = signedPair(QStringLiteral("&Gamma; = %1 + %2j<b></b>"),
                               QStringLiteral("&Gamma; = %1 - %2j<b></b>"), gr, gi, 2);

    const double dx = pixel.x() - widget.width() / 2.0;
    const double dy = pixel.y() - widget.height() / 2.0;
    out.inside = dx * dx + dy * dy < readOutRadiusPixels * readOutRadiusPixels;
    out.boxTopLeft = boxPlace(pixel, widget, box);
    return out;
}
