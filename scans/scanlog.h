#pragma once

#include <QString>

#include <functional>

// Where the scans write their log lines (the pulse scans' settings when they
// start). Until the scan registry installs its own sink the lines go to the
// debug log. Callable from any thread; the sink is called with a lock held,
// so it must not log again.
using ScanLogSink = std::function<void(const QString&)>;

void scanLog(const QString& text);
// Installs a sink; an empty function restores the debug log.
void setScanLogSink(ScanLogSink sink);
