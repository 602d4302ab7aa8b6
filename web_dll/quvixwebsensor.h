#pragma once

#include "web_dll/httptransport.h"
#include "web_dll/measurementrecord.h"
#include "web_dll/sensorstate.h"

#include <deque>
#include <mutex>

// One open network sensor: its state, its HTTP transport and its queue of
// samples. The exchanges (open sequence, sends, fetch) run on one thread at
// a time: the opener's, then the worker's. Everything in `state` and the
// queue is guarded by `lock`, which is never held during an exchange.
class quvixWebSensor
{
public:
    static constexpr int baseUrlSize = 256;
    static constexpr int urlSize = 256;

    explicit quvixWebSensor(const char* baseUrl);
    virtual ~quvixWebSensor();
    quvixWebSensor(const quvixWebSensor&) = delete;
    quvixWebSensor& operator=(const quvixWebSensor&) = delete;

    // Stores new trigger settings for the worker to send; returns 1.
    virtual int configureFPGA(int externalTrigger, int accumulations, double levelPercent, int delay,
                              int holdoff);

    // False when the transport could not be made or the base URL is too long
    // for every request URL built from it.
    bool isUsable() const;
    const char* baseUrl() const { return base; }

    // GET info, config, info, fpga, each reply parsed before the next request.
    bool openSequence();
    // POST the settings, then GET and parse them back. A failed POST skips the GET.
    bool sendConfig(const SensorIdentity& requested, int frequencyCount);
    bool sendFpga(const TriggerSettings& trigger);
    bool sendData3(const char* body, int length);
    // GET one sample from the data endpoint; a new one is queued.
    bool fetchData();

    SensorState state;                   // guarded by lock
    std::deque<MeasurementRecord> queue; // guarded by lock
    mutable std::mutex lock;

private:
    bool composeUrl(char* url, const char* path) const;
    bool getAndParse(const char* path, bool (*parse)(const char*, size_t, SensorState&));

    char base[baseUrlSize] = {};
    bool baseFits = false;
    HttpTransport transport;
};
