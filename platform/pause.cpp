#include "platform/pause.h"

#include <chrono>
#include <thread>

namespace {

Pause::Hook& currentHook()
{
    static Pause::Hook hook;
    return hook;
}

} // namespace

void Pause::milliseconds(int ms)
{
    if (currentHook()) {
        currentHook()(ms);
        return;
    }
    if (ms > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

Pause::Hook Pause::setHook(Hook hook)
{
    Hook previous = std::move(currentHook());
    currentHook() = std::move(hook);
    return previous;
}
