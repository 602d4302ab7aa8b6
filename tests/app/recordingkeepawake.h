#pragma once

#include "platform/keepawake.h"

// Stands in for the platform's keep-awake and remembers whether it is held.
class RecordingKeepAwake : public KeepAwake
{
public:
    void hold() override { held_ = true; }
    void release() override { held_ = false; }
    bool isHeld() const override { return held_; }

private:
    bool held_ = false;
};
