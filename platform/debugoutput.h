#pragma once

#include <functional>
#include <string>

// The developer's trace channel (a debugger's message window on the
// original platform): lines that never reach the user. Standard error by
// default; tests install a sink to capture what is written.
// Thread-safe: a lock is held while a line is handed to the sink.
namespace DebugOutput {

using Sink = std::function<void(const std::string&)>;

void write(const char* text);

// Replaces the sink and gives the previous one; an empty sink restores
// standard error.
Sink setSink(Sink sink);

} // namespace DebugOutput
