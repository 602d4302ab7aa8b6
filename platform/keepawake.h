#pragma once

#include <memory>

// Keeps the system and the display awake while a scan runs. hold() asks the
// platform not to idle or sleep until release(); repeated calls of either
// are harmless. GUI thread only.
class KeepAwake
{
public:
    virtual ~KeepAwake();

    virtual void hold() = 0;
    virtual void release() = 0;
    virtual bool isHeld() const = 0;

    // The implementation for this platform (see InhibitorKeepAwake).
    static std::unique_ptr<KeepAwake> createForPlatform();
};
