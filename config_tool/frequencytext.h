#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>

// The texts in which the configuration window shows sensor frequencies, and
// their way back to hertz. Pure functions; any thread.
namespace FrequencyText {

// "13.56 MHz", "450 KHz", "Unlocked" for 0, "" for 1 to 999 Hz.
QString format(uint32_t hertz);
// The inverse for the window's own texts ("Unlocked" is 13.56 MHz).
uint32_t parse(const QString& text);
// The frequency selector's rows: the base frequency of each range table row,
// the last one "Unlocked".
QStringList selectorTexts();
// The first row whose text equals format(hertz), or -1.
int selectorIndexOf(const QStringList& texts, uint32_t hertz);

} // namespace FrequencyText
