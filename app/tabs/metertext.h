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

// The height `label` needs to show `text` in its font, margins and frame,
// as its own size hint measures it without its size limits; the text is
// read as markup where it looks like it. GUI thread.
int labelHeightFor(const QLabel& label, const QString& text);

// Sets a label's text so that it paints once: a label lays its markup out
// as it first paints, and that layout asks for a second paint; laid out as
// the text is set, its one paint shows it. GUI thread.
void setTextPaintedOnce(QLabel& label, const QString& text);

// Sets a text that changes often without laying the label's window out
// again: the label is held at a fixed size, the widest its texts have
// needed, and only a text that needs more widens it, laying the window out
// once. While its window is hidden the label is left to take any size, to
// be laid out as the window is shown. An unchanged text leaves the label
// alone. GUI thread.
void setTextKeepingSize(QLabel& label, const QString& text);
