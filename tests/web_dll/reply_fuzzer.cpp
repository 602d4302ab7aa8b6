// Feeds arbitrary replies to every reply parser. The first byte picks the
// parser, the rest is the reply; the reply sits at the end of its own
// allocation so that any read past it is caught.

#include "web_dll/replyparser.h"

#include <cstdint>
#include <cstring>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const std::uint8_t which = data[0] % 5;
    const size_t length = size - 1;
    std::unique_ptr<char[]> reply(new char[length ? length : 1]);
    std::memcpy(reply.get(), data + 1, length);

    SensorState state;
    for (int i = 0; i < SensorIdentity::maxFrequencies; ++i)
        state.reported.selectedHarmonics[i] = 16 + i;
    MeasurementRecord record;
    switch (which) {
    case 0:
        ReplyParser::parseIdentity(reply.get(), length, state);
        break;
    case 1:
        ReplyParser::parseSettings(reply.get(), length, state);
        break;
    case 2:
        ReplyParser::parseTrigger(reply.get(), length, state);
        break;
    case 3:
        ReplyParser::parseSample(reply.get(), length, state, record);
        break;
    default:
        ReplyParser::parseOldSample(reply.get(), length, state, record);
        break;
    }
    return 0;
}
