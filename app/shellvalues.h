#pragma once

#include <QString>

// Process-wide texts of the shell, built before main() runs and never changed.

// Folder of crash reports: "<home>/AppData/Local/Quorvane/Crash Logs/".
extern const QString crashLogDirectory;

// Default of the close question (setting "warningQueryAsked").
extern const QString closeQuestionText;

// File name of the user guide, looked for beside the program.
extern const QString userGuideFileName;

// The crash-report folder for a given home folder (forward slashes, ends
// with "/"); the home path is taken over unchanged.
QString crashLogDirectoryFor(const QString& homePath);
