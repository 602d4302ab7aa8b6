#pragma once

#include "scans/parameternames.h"

#include <QString>

// Values the program shares process-wide. Written on the GUI thread only
// (the main window fills the version text once, the file opener resets the
// newer-file state); read by the file writers and readers. No lock.

// Software identification written into saved files ("Quvix 2.8.0" once the
// main window exists; empty before).
extern QString applicationVersionString;

// Reporting of files written by a newer software version:
// 0 idle, 1 armed (a newer file is to be reported), 2 the file just read is newer.
// The reader moves it from 1 to 2 only; the file opener asks and resets it to 0.
enum NewerFileStateValue { NewerFileIdle = 0, NewerFileArmed = 1, NewerFileRead = 2 };
extern int newerFileState;

// The program-wide table of parameter texts; immutable, readable from any thread.
extern const ParameterNames& parameterNames;

// The identification text for a product word and version numbers ("%1 %2.%3.%4").
QString softwareIdentification(const QString& product, int major, int minor, int patch);
