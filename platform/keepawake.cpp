#include "platform/keepawake.h"

#include "platform/inhibitorkeepawake.h"

KeepAwake::~KeepAwake() = default;

std::unique_ptr<KeepAwake> KeepAwake::createForPlatform()
{
    return std::make_unique<InhibitorKeepAwake>();
}
