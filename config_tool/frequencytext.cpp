#include "frequencytext.h"

#include "sensorfrequency.h"

#include <cmath>

QString FrequencyText::format(uint32_t hertz)
{
    if (hertz >= 1000000)
        return QString::number(hertz / 1000000.0, 'g', 6) + " MHz";
    if (hertz >= 1000)
        return QString::number(hertz / 1000.0, 'g', 6) + " KHz";
    if (hertz == 0)
        return "Unlocked";
    return QString();
}

uint32_t FrequencyText::parse(const QString& text)
{
    const QStringList parts = text.split(" ");
    const double number = parts.isEmpty() ? 0.0 : parts.first().toDouble();
    double hertz = number;
    if (text.contains("MHz"))
        hertz = number * 1000000.0;
    else if (text.contains("KHz"))
        hertz = number * 1000.0;
    else if (text == "Unlocked")
        hertz = 13560000.0;
    if (!(hertz > 0.0))
        return 0;
    if (hertz >= 4294967295.0)
        return 0xFFFFFFFFu;
    return static_cast<uint32_t>(std::trunc(hertz));
}

QStringList FrequencyText::selectorTexts()
{
    QStringList texts;
    for (unsigned row = 0; row < SensorFrequency::kUnlockedRow; ++row)
        texts << format(static_cast<uint32_t>(SensorFrequency::rangeRow(row)[1]));
    texts << "Unlocked";
    return texts;
}

int FrequencyText::selectorIndexOf(const QStringList& texts, uint32_t hertz)
{
    return texts.indexOf(format(hertz));
}
