#pragma once

#include <QString>

class SingleInstanceGuard;

// The steps of the program entry between the application object and the
// main window. GUI thread, before the event loop.
namespace startupsteps {

// Asks the toolkit to scale for the screen's density. Must run before the
// application object exists: the toolkit reads the setting when it is made.
void enableScreenScaling();

// Takes the single-instance guard; when another instance holds it, asks
// "Quvix software already running. Open another instance?". False only when
// the user answers No: the program then ends without a window.
bool takeSingleInstance(SingleInstanceGuard& guard);

// Creates the crash-report folder with its missing parents; failure is silent
// (reports are then not written).
void createCrashLogFolder(const QString& folder);

// Organisation "Quorvane", its domain and application "Quvix", which scope
// every settings store of the program.
void setProcessNames();

} // namespace startupsteps
