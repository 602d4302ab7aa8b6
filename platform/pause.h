#pragma once

#include <functional>

// The pauses that a device protocol needs between commands. Goes through a
// hook so that unit tests can record the pauses instead of waiting them out.
// Install the hook before any thread pauses; pause() itself is thread-safe.
namespace Pause {

using Hook = std::function<void(int milliseconds)>;

void milliseconds(int ms);

// Replaces the hook and gives the previous one; an empty hook sleeps.
Hook setHook(Hook hook);

} // namespace Pause
