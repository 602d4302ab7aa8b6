#pragma once

#include <QString>

// The text a meter slot shows for a quantity: one value with its unit, a
// polar pair as magnitude and angle, or a complex pair as a + bj.
// `first` and `second` are the quantity's two components; a single-valued
// quantity uses only `first`. Any thread.
QString meterValueText(int parameterId, double first, double second = 0.0);
