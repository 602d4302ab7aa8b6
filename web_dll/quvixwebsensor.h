#pragma once

#include "web_dll/httptransport.h"
#include "web_dll/measurementrecord.h"
#include "web_dll/sensorstate.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>

// One open network sensor: its state, its HTTP transport, its queue of
// samples and its worker. The exchanges (open sequence, sends, fetch) run on
// one thread at a time: the opener's, then the worker's. Everything in
// `state`, the queue and the flags is guarded by `lock`, which is never held
// during an exchange or a wait. After startWorker() the worker owns the
// object and deletes it once close() was called and no caller is inside
// (callers announce themselves with enter() and leave()).
class quvixWebSensor
{
public:
    static constexpr int baseUrlSize = 256;
    static constexpr int urlSize = 256;
    // The main program reads 100 remaining samples as "no sample".
    static constexpr int maxRemaining = 99;

    explicit quvixWebSensor(const char* baseUrl);
    virtual ~quvixWebSensor();
    quvixWebSensor(const quvixWebSensor&) = delete;
    quvixWebSensor& operator=(const quvixWebSensor&) = delete;

    // Stores new trigger settings and marks them for the worker to send, both
    // under one hold of `lock`; returns 1. Any thread.
    virtual int configureFPGA(int externalTrigger, int accumulations, double levelPercent, int delay,
                              int holdoff);

    // False when the transport could not be made or the base URL is too long
    // for every request URL built from it.
    bool isUsable() const;
    const char* baseUrl() const { return base; }

    // GET info, config, info, fpga, each reply parsed before the next request.
    bool openSequence();
    // POST the settings, then GET and parse them back. A failed POST skips the
    // GET. Fields of the stored requested block that differ from `requested`
    // (the caller changed them after the copy) are kept; the rest follow the
    // sensor's reply. One sending thread at a time (the worker).
    bool sendConfig(const SensorIdentity& requested, int frequencyCount);
    // Like sendConfig: stored trigger settings that differ from `trigger` are kept.
    bool sendFpga(const TriggerSettings& trigger);
    bool sendData3(const char* body, int length);
    // GET one sample from the data endpoint; a new one is queued and waiting
    // readers are woken.
    bool fetchData();

    // Starts the worker thread, which from then on owns this object.
    void startWorker();
    // Ends the worker at the start of its next pass (waking it from its
    // pacing wait) and wakes every waiting reader. Any thread.
    void close();
    void enter();
    void leave();

    // Takes the oldest sample, waiting while none is queued and the sensor
    // is connected and open, but no longer than deliveryWaitMs(): a sensor
    // that answers without new samples must not hold its reader for ever.
    // `count` holds the capacity of `values` on entry (none given: the
    // largest sample). Returns 1 for a sample or for none in time (count 0,
    // `remaining` untouched), 0 when the oldest sample needs more room than
    // that (it stays queued; count says how many doubles it needs), -1 for
    // none on a lost or closing connection. Without `values` the sample is
    // taken and nothing written.
    int deliver(double* values, int* count, std::int64_t* timeDelta, double* peakPercent, int* delay,
                int* remaining);

    // Flags the worker's next pass sends; callers hold `lock`.
    void markConfig() { configPending = true; }
    void markFpga() { fpgaPending = true; }
    void markData3() { data3Pending = true; }
    bool isConnected() const;

    SensorState state;                   // guarded by lock
    std::deque<MeasurementRecord> queue; // guarded by lock
    mutable std::mutex lock;

private:
    bool composeUrl(char* url, const char* path) const;
    bool getAndParse(const char* path, bool (*parse)(const char*, size_t, SensorState&));
    bool getAndParse(const char* path, bool (quvixWebSensor::*parse)(const char*, size_t));
    // Read-backs after a send; callers hold lock.
    bool readBackSettings(const char* reply, size_t length);
    bool readBackTrigger(const char* reply, size_t length);
    void run();
    void runPendingConfig();
    void runPendingFpga();
    void runPendingData3();
    void runFetch();
    void waitForNextPass(int refreshRate, std::int64_t passStartUs);
    // How long a reader waits for a sample: a few report periods, at most 1 s.
    // Callers hold lock.
    int deliveryWaitMs() const;
    // The reported refresh rate held to what the program can select, so a
    // sensor's odd answer can neither make the worker poll back to back nor
    // stop it polling. Callers hold lock.
    int pacingRateMs() const;
    // Doubles the record takes in the caller's buffer, and writing them.
    static int sampleLength(const MeasurementRecord& record);
    static int writeSample(const MeasurementRecord& record, double* values);
    // The harmonics per frequency that samples are delivered with; callers hold lock.
    void takeSampleLayout(const std::int32_t* selectedHarmonics);

    // Whether the last fetch brought a new sample; sending thread only.
    bool lastFetchQueued = false;
    // What the config and fpga sends under way carry; sending thread only.
    SensorIdentity sentSettings;
    TriggerSettings sentTrigger;
    char base[baseUrlSize] = {};
    bool baseFits = false;
    HttpTransport transport;

    // Guarded by lock.
    bool connected = true;
    bool running = true;
    bool configPending = false;
    bool fpgaPending = false;
    bool data3Pending = false;
    int callersInside = 0;
    bool hasDeliveredTimestamp = false;
    std::int64_t lastDeliveredTimestamp = 0;
    std::condition_variable dataChanged; // queue, connected or running changed
    std::condition_variable workerWake;  // running cleared
    std::condition_variable callersLeft;
};
