#include "web_dll/quvixwebsensor.h"

#include "web_dll/numbertext.h"
#include "web_dll/replyparser.h"
#include "web_dll/requestbodies.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

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
    markFpga();
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

bool quvixWebSensor::getAndParse(const char* path, bool (quvixWebSensor::*parse)(const char*, size_t))
{
    char url[urlSize];
    if (!composeUrl(url, path) || !transport.get(url))
        return false;
    std::lock_guard<std::mutex> guard(lock);
    return (this->*parse)(transport.reply(), transport.replyLength());
}

bool quvixWebSensor::openSequence()
{
    const bool opened = isUsable() && getAndParse(infoPath, &ReplyParser::parseIdentity) &&
                        getAndParse(configPath, &ReplyParser::parseSettings) &&
                        getAndParse(infoPath, &ReplyParser::parseIdentity) &&
                        getAndParse(fpgaPath, &ReplyParser::parseTrigger);
    if (opened) {
        std::lock_guard<std::mutex> guard(lock);
        takeSampleLayout(state.reported.selectedHarmonics);
    }
    return opened;
}

void quvixWebSensor::takeSampleLayout(const std::int32_t* selectedHarmonics)
{
    std::copy(selectedHarmonics, selectedHarmonics + SensorIdentity::maxFrequencies, state.sampleLayout);
}

bool quvixWebSensor::sendConfig(const SensorIdentity& requested, int frequencyCount)
{
    char body[1024];
    const int length = RequestBodies::config(body, sizeof body, requested, frequencyCount);
    char url[urlSize];
    if (length < 0 || !composeUrl(url, configPath) || !transport.post(url, body, length))
        return false;
    sentSettings = requested;
    return getAndParse(configPath, &quvixWebSensor::readBackSettings);
}

bool quvixWebSensor::sendFpga(const TriggerSettings& trigger)
{
    char body[1024];
    const int length = RequestBodies::fpga(body, sizeof body, trigger);
    char url[urlSize];
    if (length < 0 || !composeUrl(url, trigger.pulse ? fpgaPulsePath : fpgaPath) ||
        !transport.post(url, body, length))
        return false;
    sentTrigger = trigger;
    return getAndParse(fpgaPath, &quvixWebSensor::readBackTrigger);
}

bool quvixWebSensor::readBackSettings(const char* reply, size_t length)
{
    // The caller may have changed the requested block while these settings
    // were on their way, with or without marking a send (the harmonic
    // selection is marked only by the reload that follows it): the reply
    // must not take those changes back.
    const SensorIdentity callers = state.requested;
    const bool parsed = ReplyParser::parseSettings(reply, length, state);
    SensorIdentity& requested = state.requested;
    if (callers.refreshRate != sentSettings.refreshRate)
        requested.refreshRate = callers.refreshRate;
    if (std::strncmp(callers.signalLock, sentSettings.signalLock, SensorIdentity::textSize) != 0)
        std::memcpy(requested.signalLock, callers.signalLock, SensorIdentity::textSize);
    for (int i = 0; i < SensorIdentity::maxFrequencies; ++i) {
        if (callers.selectedHarmonics[i] != sentSettings.selectedHarmonics[i])
            requested.selectedHarmonics[i] = callers.selectedHarmonics[i];
    }
    return parsed;
}

namespace {

bool sameTrigger(const TriggerSettings& a, const TriggerSettings& b)
{
    return a.Accumulations == b.Accumulations && a.Trigger_Level == b.Trigger_Level &&
           a.Trigger_Holdoff == b.Trigger_Holdoff && a.Trigger_Delay == b.Trigger_Delay &&
           a.External_trigger == b.External_trigger && a.pulse == b.pulse;
}

} // namespace

bool quvixWebSensor::readBackTrigger(const char* reply, size_t length)
{
    if (sameTrigger(state.trigger, sentTrigger))
        return ReplyParser::parseTrigger(reply, length, state);
    // The caller changed the trigger settings while these were on their way;
    // the newer ones wait to be sent and the reply only confirms the exchange.
    SensorState scratch = state;
    return ReplyParser::parseTrigger(reply, length, scratch);
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
    lastFetchQueued = false;
    if (!composeUrl(url, dataPathFor(endpoint)) || !transport.get(url))
        return false;
    MeasurementRecord record;
    std::unique_lock<std::mutex> guard(lock);
    const ReplyParser::SampleResult result =
        endpoint == DataEndpoint::Data
            ? ReplyParser::parseOldSample(transport.reply(), transport.replyLength(), state, record)
            : ReplyParser::parseSample(transport.reply(), transport.replyLength(), state, record);
    lastFetchQueued = result == ReplyParser::SampleResult::Queued;
    if (lastFetchQueued) {
        queue.push_back(record);
        // Woken after the lock is free, so the reader need not wait for it.
        guard.unlock();
        dataChanged.notify_all();
    }
    return result != ReplyParser::SampleResult::Failed;
}

void quvixWebSensor::startWorker()
{
    std::thread([this] { run(); }).detach();
}

void quvixWebSensor::close()
{
    std::lock_guard<std::mutex> guard(lock);
    running = false;
    workerWake.notify_all();
    dataChanged.notify_all();
}

void quvixWebSensor::enter()
{
    std::lock_guard<std::mutex> guard(lock);
    ++callersInside;
}

void quvixWebSensor::leave()
{
    std::lock_guard<std::mutex> guard(lock);
    if (--callersInside == 0)
        callersLeft.notify_all();
}

bool quvixWebSensor::isConnected() const
{
    std::lock_guard<std::mutex> guard(lock);
    return connected;
}

namespace {

std::int64_t steadyMicroseconds()
{
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
} // namespace

void quvixWebSensor::run()
{
    for (;;) {
        int refreshRate = 0;
        {
            std::lock_guard<std::mutex> guard(lock);
            if (!running)
                break;
            refreshRate = pacingRateMs();
        }
        const std::int64_t passStart = steadyMicroseconds();
        runPendingConfig();
        runPendingFpga();
        runPendingData3();
        runFetch();
        {
            // The pacing follows the rate the sensor reported at the pass
            // start or since, whichever the last config reply said.
            std::lock_guard<std::mutex> guard(lock);
            refreshRate = pacingRateMs();
        }
        waitForNextPass(refreshRate, passStart);
    }
    std::unique_lock<std::mutex> guard(lock);
    callersLeft.wait(guard, [this] { return callersInside == 0; });
    guard.unlock();
    delete this;
}

void quvixWebSensor::runPendingConfig()
{
    SensorIdentity requested;
    int frequencyCount = 0;
    {
        std::lock_guard<std::mutex> guard(lock);
        if (!configPending)
            return;
        configPending = false;
        requested = state.requested;
        frequencyCount = state.reported.frequencyCount;
    }
    const bool sent = sendConfig(requested, frequencyCount);
    std::lock_guard<std::mutex> guard(lock);
    if (sent) {
        connected = true;
        queue.clear();
        // Samples come in the caller's layout from now on, whatever the
        // sensor read back: more harmonics are cut, fewer refused.
        takeSampleLayout(requested.selectedHarmonics);
    } else {
        connected = false;
        configPending = true;
    }
    dataChanged.notify_all();
}

void quvixWebSensor::runPendingFpga()
{
    TriggerSettings trigger;
    {
        std::lock_guard<std::mutex> guard(lock);
        if (!fpgaPending)
            return;
        fpgaPending = false;
        trigger = state.trigger;
    }
    const bool sent = sendFpga(trigger);
    std::lock_guard<std::mutex> guard(lock);
    if (sent) {
        connected = true;
        queue.clear();
    } else {
        // Sent again next pass, so the sensor does not silently keep its
        // old trigger settings.
        fpgaPending = true;
    }
}

void quvixWebSensor::runPendingData3()
{
    char body[RequestBodies::bufferSize];
    int length = -1;
    PulseMonitorSettings requested;
    {
        std::lock_guard<std::mutex> guard(lock);
        if (!data3Pending)
            return;
        data3Pending = false;
        requested = state.pulseMonitor;
        length = RequestBodies::data3(body, sizeof body, state.pulseMonitor);
    }
    if (length >= 0 && sendData3(body, length))
        return;
    // Nothing reached the sensor: keep the one-shot requests for the next pass.
    std::lock_guard<std::mutex> guard(lock);
    data3Pending = true;
    state.pulseMonitor.resetEnergyRequested |= requested.resetEnergyRequested;
    state.pulseMonitor.thresholdSet |= requested.thresholdSet;
}

void quvixWebSensor::runFetch()
{
    const bool fetched = fetchData();
    if (!fetched) {
        std::fputs("Failed data\r\n", stdout);
        std::fflush(stdout);
    }
    {
        std::lock_guard<std::mutex> guard(lock);
        if (connected == fetched)
            return;
        connected = fetched;
    }
    // Readers wait for a sample or a lost connection: only a change wakes them.
    dataChanged.notify_all();
}

void quvixWebSensor::waitForNextPass(int refreshRate, std::int64_t passStartUs)
{
    // Each sample stays on offer for a whole report period. After a new one
    // the next is not due for a while: three quarters of a period on, then
    // half periods until it comes. The fetches settle within half a period
    // after each new sample, so a pass may start up to half a period late
    // without a sample being missed, at about one and a half fetches per
    // sample; a faster pace would only load the sensor's small web server
    // and the PC.
    const std::int64_t periodUs = std::int64_t(refreshRate) * 1000;
    const std::int64_t deadline = passStartUs + (lastFetchQueued ? periodUs * 3 / 4 : periodUs / 2);
    const std::int64_t wait = deadline - steadyMicroseconds();
    if (wait <= 0)
        return;
    std::unique_lock<std::mutex> guard(lock);
    workerWake.wait_for(guard, std::chrono::microseconds(wait), [this] { return !running; });
}

int quvixWebSensor::pacingRateMs() const
{
    constexpr int fastestRateMs = 10;
    constexpr int slowestRateMs = 5000;
    return std::clamp(state.reported.refreshRate, fastestRateMs, slowestRateMs);
}

int quvixWebSensor::deliveryWaitMs() const
{
    constexpr int periods = 3;
    constexpr int longestWaitMs = 1000;
    return std::min(periods * pacingRateMs(), longestWaitMs);
}

int quvixWebSensor::sampleLength(const MeasurementRecord& record)
{
    int length = 2;
    for (int c = 0; c < record.channelCount; ++c) {
        const int n = record.channels[c].harmonicCount;
        length += n > 0 ? 2 + 4 * n : 0;
    }
    return length;
}

int quvixWebSensor::writeSample(const MeasurementRecord& record, double* values)
{
    int at = 0;
    for (int c = 0; c < record.channelCount; ++c) {
        const ChannelRecord& channel = record.channels[c];
        if (channel.harmonicCount <= 0)
            continue;
        values[at++] = channel.frequency;
        values[at++] = channel.power;
        for (int h = 0; h < channel.harmonicCount; ++h) {
            values[at++] = channel.voltage[h];
            values[at++] = channel.phaseV[h];
            values[at++] = channel.current[h];
            values[at++] = channel.phase[h];
        }
    }
    values[at++] = record.pulsePeriodUs;
    values[at++] = record.pulseOnTimeUs;
    return at;
}

int quvixWebSensor::deliver(double* values, int* count, std::int64_t* timeDelta, double* peakPercent,
                            int* delay, int* remaining)
{
    constexpr int largestSample = MeasurementRecord::maxChannels * (2 + 4 * ChannelRecord::maxHarmonics) + 2;
    const int capacity = count ? *count : largestSample;
    if (count)
        *count = 0;
    std::unique_lock<std::mutex> guard(lock);
    dataChanged.wait_for(guard, std::chrono::milliseconds(deliveryWaitMs()),
                         [this] { return !queue.empty() || !connected || !running; });
    if (queue.empty())
        return connected && running ? 1 : -1;
    const MeasurementRecord& record = queue.front();
    const int length = sampleLength(record);
    if (values && length > capacity) {
        // Left queued for a caller with room for it.
        if (count)
            *count = length;
        return 0;
    }
    if (remaining)
        *remaining = std::min(static_cast<int>(queue.size()) - 1, maxRemaining);
    if (peakPercent)
        *peakPercent = record.peak * 100.0 / 8192.0;
    if (delay)
        *delay = record.delay;
    std::int64_t delta = 0;
    if (hasDeliveredTimestamp && !__builtin_sub_overflow(record.timestamp, lastDeliveredTimestamp, &delta))
        delta = std::max<std::int64_t>(delta, 0);
    else
        delta = 0;
    if (timeDelta)
        *timeDelta = delta;
    lastDeliveredTimestamp = record.timestamp;
    hasDeliveredTimestamp = true;
    const int written = values ? writeSample(record, values) : 0;
    if (count)
        *count = written;
    queue.pop_front();
    return 1;
}
