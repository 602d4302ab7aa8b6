#pragma once

#include <QString>

class QLabel;

// The text a meter slot shows for a quantity: one value with its unit, a
// polar pair as magnitude and angle, or a complex pair as a + bj.
// `first` and `second` are the quantity's two components; a single-valued
// quantity uses only `first`. Any thread.
QString meterValueText(int parameterId, double first, double second = 0.0);

// What a meter text reads on screen: its markup and entities resolved.
// Any thread.
QString plainMeterText(const QString& text);

// The width `label` needs to show `text` whole in its font, indent and
// margins, as its own size hint measures it. GUI thread.
int labelWidthFor(const QLabel& label, const QString& text);
