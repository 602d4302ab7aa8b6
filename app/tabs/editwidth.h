#pragma once

#include <QString>

class QLineEdit;

// The width an edit needs to show `text` whole: the text, the room the edit
// keeps beside it for the cursor and its margins, and its frame. GUI thread.
int editWidthFor(const QLineEdit& edit, const QString& text);

// The longest number the edit's validator accepts: one end of its range,
// with all its decimals. Empty for an edit without an integer or a decimal
// validator. GUI thread.
QString longestAcceptedNumber(const QLineEdit& edit);

// Keeps a number edit wide enough for every number its validator accepts
// and for the text it holds, and at most `usualWidth` wide where those need
// less. Called again whenever the edit's range or text changes. GUI thread.
void fitEditToRange(QLineEdit& edit, int usualWidth);
