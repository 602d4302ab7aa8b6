#pragma once

#include <QString>

// The notice shown after a crash, by the separate QuvixCrashReport program
// (never by the crashed process). GUI thread.
namespace crashreportbox {

// The rich text that names the report file and links its folder and the
// support address.
QString message(const QString& reportFileName, const QString& folder);

// Shows the "Software Crash report" box modally until the user closes it.
void show(const QString& reportFileName, const QString& folder);

} // namespace crashreportbox
