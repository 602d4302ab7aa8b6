#include "web_dll/quvixwebsensor.h"

#include "web_dll/numbertext.h"
#include "web_dll/replyparser.h"
#include "web_dll/requestbodies.h"

#include <cstdio>
#include <cstring>

namespace {

const char* const infoPath = "quvix_service/info.cgi";
const char* const configPath = "quvix_service/config.cgi";
const char* const fpgaPath = "quvix_service/fpga.cgi";
const char* const fpgaPulsePath = "quvix_service/fpga.cgi?pulse=1";
const char* const data3Path = "quvix_service/data3.cgi";
const char* const data3ShortPath = "quvix_service/data3Short.cgi";
const char* const dataPath = "quvix_service/data.cgi";
// The longest path any request appends to the base URL.
const char* const longestPath = fpgaPulsePath;

const char* dataPathFor(DataEndpoint endpoint)
{
    switch (endpoint) {
    case DataEndpoint::Data3:
        return data3Path;
    case DataEndpoint::Data3Short:
        return data3ShortPath;
    default:
        return dataPath;
    }
}

} // namespace

quvixWebSensor::quvixWebSensor(const char* baseUrl)
{
    const size_t length = baseUrl ? std::strlen(baseUrl) : 0;
    baseFits = baseUrl && length < sizeof base && length + std::strlen(longestPath) < urlSize;
    if (baseUrl)
        std::strncpy(base, baseUrl, sizeof base - 1);
}

quvixWebSensor::~quvixWebSensor() = default;

int quvixWebSensor::configureFPGA(int externalTrigger, int accumulations, double levelPercent, int delay,
                                  int holdoff)
{
    std::lock_guard<std::mutex> guard(lock);
    TriggerSettings& t = state.trigger;
    t.External_trigger = externalTrigger & 0xff;
    t.Accumulations = accumulations;
    t.Trigger_Level = NumberText::truncate(8192.0 * levelPercent / 100.0);
    t.Trigger_Delay = delay;
    t.Trigger_Holdoff = holdoff;
    t.pulse = holdoff != 0;
    return 1;
}

bool quvixWebSensor::isUsable() const
{
    return baseFits && transport.isValid();
}

bool quvixWebSensor::composeUrl(char* url, const char* path) const
{
    std::memset(url, 0, urlSize);
    const int written = std::snprintf(url, urlSize, "%s%s", base, path);
    return baseFits && written > 0 && written < urlSize;
}

bool quvixWebSensor::getAndParse(const char* path, bool (*parse)(const char*, size_t, SensorState&))
{
    char url[urlSize];
    if (!composeUrl(url, path) || !transport.get(url))
        return false;
    std::lock_guard<std::mutex> guard(lock);
    return parse(transport.reply(), transport.replyLength(), state);
}

bool quvixWebSensor::openSequence()
{
    return isUsable() && getAndParse(infoPath, &ReplyParser::parseIdentity) &&
           getAndParse(configPath, &ReplyParser::parseSettings) &&
           getAndParse(infoPath, &ReplyParser::parseIdentity) &&
           getAndParse(fpgaPath, &ReplyParser::parseTrigger);
}

bool quvixWebSensor::sendConfig(const SensorIdentity& requested, int frequencyCount)
{
    char body[1024];
    const int length = RequestBodies::config(body, sizeof body, requested, frequencyCount);
    char url[urlSize];
    if (length < 0 || !composeUrl(url, configPath) || !transport.post(url, body, length))
        return false;
    return getAndParse(configPath, &ReplyParser::parseSettings);
}

bool quvixWebSensor::sendFpga(const TriggerSettings& trigger)
{
    char body[1024];
    const int length = RequestBodies::fpga(body, sizeof body, trigger);
    char url[urlSize];
    if (length < 0 || !composeUrl(url, trigger.pulse ? fpgaPulsePath : fpgaPath) ||
        !transport.post(url, body, length))
        return false;
    return getAndParse(fpgaPath, &ReplyParser::parseTrigger);
}

bool quvixWebSensor::sendData3(const char* body, int length)
{
    char url[urlSize];
    return composeUrl(url, data3Path) && transport.post(url, body, length);
}

bool quvixWebSensor::fetchData()
{
    char url[urlSize];
    DataEndpoint endpoint;
    {
        std::lock_guard<std::mutex> guard(lock);
        endpoint = state.endpoint;
    }
    if (!composeUrl(url, dataPathFor(endpoint)) || !transport.get(url))
        return false;
    MeasurementRecord record;
    std::lock_guard<std::mutex> guard(lock);
    const ReplyParser::SampleResult result =
        endpoint == DataEndpoint::Data
            ? ReplyParser::parseOldSample(transport.reply(), transport.replyLength(), state, record)
            : ReplyParser::parseSample(transport.reply(), transport.replyLength(), state, record);
    if (result == ReplyParser::SampleResult::Queued)
        queue.push_back(record);
    return result != ReplyParser::SampleResult::Failed;
}
