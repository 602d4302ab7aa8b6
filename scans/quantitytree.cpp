#include "scans/quantitytree.h"

#include "scans/numberconversion.h"

#include <QTreeWidgetItem>

#include <algorithm>

namespace {

struct HarmonicItem {
    const char* text;
    HarmonicSeries FrequencyRecord::*series;
    const char* titleSuffix;
    const char* unit;
};

const HarmonicItem harmonicItems[] = {
    {"Voltage", &FrequencyRecord::voltage, " V (Volts)", "Volts"},
    {"Current", &FrequencyRecord::current, " I (Amps)", "Amps"},
    {"Phase", &FrequencyRecord::currentPhase, " P (Degrees)", "Degrees"},
    {"Impedance Imaginary", &FrequencyRecord::impedanceImaginary, " Impedance Imaginary", "Ohms"},
    {"Impedance Real", &FrequencyRecord::impedanceReal, " Impedance Real", "Ohms"},
    {"Impedance Magnitude", &FrequencyRecord::impedanceMagnitude, " Impedance Magnitude", "Ohms"},
    {"Impedance Phase", &FrequencyRecord::impedancePhase, " Impedance Phase", "Degrees"},
    {"Current Imaginary", &FrequencyRecord::currentImaginary, " Current Imaginary", "Amps"},
    {"Current Real", &FrequencyRecord::currentReal, " Current Real", "Amps"},
    {"Current Magnitude", &FrequencyRecord::current, " Current Magnitude", "Amps"},
    {"Current Phase", &FrequencyRecord::currentPhase, " Current Phase", "Degrees"},
    {"Harmonic Phase", &FrequencyRecord::voltagePhase, " Voltage Phase", "Degrees"},
    {"Gamma Imaginary", &FrequencyRecord::gammaImaginary, " Gamma Imag.", "N/A"},
    {"Gamma Real", &FrequencyRecord::gammaReal, " Gamma Real", "N/A"},
    {"Gamma Magnitude", &FrequencyRecord::gammaMagnitude, " Gamma Magnitude", "N/A"},
    {"Gamma Phase", &FrequencyRecord::gammaPhase, " Gamma Phase", "Degrees"},
};

QString rootText(double frequencyMHz, const QString& shortFrequency)
{
    if (frequencyMHz < 1.0)
        return QStringLiteral("Frequency %1 (kHz)").arg(truncatedToInt(frequencyMHz * 1000.0));
    return QStringLiteral("Frequency %1 (MHz)").arg(shortFrequency);
}

void addHarmonicGroup(QTreeWidgetItem* root, FrequencyRecord& record, int h, const QString& frequency,
                      int trendIndex, BaseScan* scan)
{
    const size_t index = static_cast<size_t>(h);
    const QString text = h == 0 ? QStringLiteral("Fundamental") : QStringLiteral("Harmonic %1").arg(h + 1);
    const QString prefix = h == 0 ? QStringLiteral("F%1 Fund").arg(frequency)
                                  : QStringLiteral("F%1 H%2").arg(frequency).arg(h + 1);
    // The group itself plots the harmonic's voltage, so it carries its unit too.
    QTreeWidgetItem* group = QuantityTree::addSeriesItem(root, text, &record.voltage[index], scan,
                                                         prefix + QStringLiteral(" V (Volts)"), trendIndex,
                                                         QStringLiteral("Volts"));
    for (const HarmonicItem& item : harmonicItems)
        QuantityTree::addSeriesItem(group, QLatin1String(item.text), &(record.*item.series)[index], scan,
                                    prefix + QLatin1String(item.titleSuffix), trendIndex,
                                    QLatin1String(item.unit));
}

} // namespace

void QuantityTree::setSeriesData(QTreeWidgetItem* item, Series* series, BaseScan* scan, const QString& title,
                                 int trendIndex, const QString& unit)
{
    item->setData(0, SeriesRole, QVariant::fromValue(static_cast<void*>(series)));
    item->setData(0, ScanRole, QVariant::fromValue(static_cast<void*>(scan)));
    item->setData(0, CurveTitleRole, title);
    item->setData(0, TrendIndexRole, trendIndex);
    item->setData(0, UnitRole, unit);
}

QTreeWidgetItem* QuantityTree::addSeriesItem(QTreeWidgetItem* parent, const QString& text, Series* series,
                                             BaseScan* scan, const QString& title, int trendIndex,
                                             const QString& unit)
{
    auto* item = new QTreeWidgetItem(parent);
    item->setText(0, text);
    setSeriesData(item, series, scan, title, trendIndex, unit);
    return item;
}

QTreeWidgetItem* QuantityTree::buildTreeItem(FrequencyRecord& record, int trendIndex, BaseScan* scan)
{
    const QString frequency = QString::number(record.frequencyMHz, 'g', 4);
    const QString prefix = QStringLiteral("F%1").arg(frequency);

    auto* root = new QTreeWidgetItem();
    root->setText(0, rootText(record.frequencyMHz, frequency));
    // The root is plottable like every other item, so it names its scan as well.
    setSeriesData(root, &record.frequencies, scan, prefix + QStringLiteral(" Frequency"), trendIndex,
                  QStringLiteral("MHz"));

    addSeriesItem(root, QStringLiteral("Power"), &record.power, scan,
                  prefix + QStringLiteral(" Power (Watts)"), trendIndex, QStringLiteral("W"));
    addSeriesItem(root, QStringLiteral("Forward Power"), &record.forwardPower, scan,
                  prefix + QStringLiteral(" Forward Power (Watts)"), trendIndex, QStringLiteral("W"));
    addSeriesItem(root, QStringLiteral("Reflected Power"), &record.reflectedPower, scan,
                  prefix + QStringLiteral(" Reflected Power (Watts)"), trendIndex, QStringLiteral("W"));
    addSeriesItem(root, QStringLiteral("Energy"), &record.energy, scan,
                  prefix + QStringLiteral(" Energy (Joules)"), trendIndex, QStringLiteral("J"));
    addSeriesItem(root, QStringLiteral("SWR"), &record.swr, scan, prefix + QStringLiteral(" SWR"), trendIndex,
                  QStringLiteral("N/A"));
    if (record.sensorType == FrequencyRecord::ionFluxSensorType)
        addSeriesItem(root, QStringLiteral("Ion Flux"), &record.ionFlux, scan,
                      prefix + QStringLiteral(" (A/m2)"), trendIndex, QStringLiteral("A/m2"));

    const int groups = std::min<int>(record.harmonicCount, static_cast<int>(record.voltage.size()));
    for (int h = 0; h < groups; ++h)
        addHarmonicGroup(root, record, h, frequency, trendIndex, scan);
    return root;
}
