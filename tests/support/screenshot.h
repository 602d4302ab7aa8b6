#pragma once

#include <QString>

class QWidget;

// Pictures of widgets kept beside the other test artifacts (the build's
// artifacts/ folder), for a person to look at after the run.
namespace screenshot {

// Whether the test runs on a real (virtual) screen: under
// tests/support/run-on-screen.sh rather than the offscreen platform.
bool isOnScreen();

// Keeps the widget's picture as <artifacts>/<name>.png once pending events
// (layout, paint) are done; returns the file's path, or an empty string when
// the picture could not be written.
QString keep(QWidget& widget, const QString& name);

} // namespace screenshot
