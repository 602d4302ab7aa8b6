#pragma once

#include "sim/rfload/rfloadmodel.h"

#include <set>
#include <string>
#include <vector>

namespace quvixsim {

// Misbehaviour a simulated network sensor can be told to show. Paths are
// request paths such as "/quvix_service/config.cgi"; "data" stands for all
// three sample endpoints. A not-found entry may name the method first
// ("POST /quvix_service/config.cgi") to fail only that method.
struct WebSensorFaults {
    std::set<std::string> notFound;
    std::set<std::string> malformedJson;
    std::set<std::string> oversizeReplies; // replies longer than 4 KB
    std::set<std::string> closeConnection; // headers, then the connection drops
    int replyDelayMs = 0;
    bool repeatTimestamps = false; // every sample carries the first sample's time stamp
    bool longArrays = false;       // 20 values per harmonic array
    int stopAfterSamples = 0;      // stop serving after this many sample replies (0 = never)
    // Keeps this harmonic selection whatever is POSTed, and reads it back
    // (empty: takes the selection as sent).
    std::vector<int> ignoredSelection;
    std::string refreshText;       // the config reply's refresh rate text instead of the rate
    std::string redirectSamplesTo; // answer sample requests with a 302 to this URL
};

// Everything that describes one simulated network sensor.
struct WebSensorOptions {
    std::string address = "127.0.0.1";
    int port = 80;
    std::string serial = "QX000001";
    std::string model = "Renu";
    std::string firmware; // empty: "<model> VI sensor"
    std::string firmwareRevision = "v5.23";
    std::string fpgaRevision = "3.1";
    std::string sensorType = "VI";
    int delayClockHz = 34764706; // 0: not reported
    std::vector<double> frequenciesHz{13560000.0};
    std::vector<int> harmonics{5};
    int refreshMs = 100;
    std::vector<RfLoadSettings> loads{defaultLoad()}; // one per frequency; the last repeats
    PulseTiming pulse;                                // period 0: continuous wave
    double peakPercent = 50.0;                        // peak level, 100 % = full scale
    bool discovery = false;
    std::string discoveryAddress; // empty: the broadcast address of the interface holding `address`
    std::string logFile;
    WebSensorFaults faults;

    std::string firmwareText() const;
    const RfLoadSettings& loadFor(size_t frequencyIndex) const;
    // 50 ohms with a slow drift of 1 %.
    static RfLoadSettings defaultLoad();
};

// Reads the command line of quvix-sensor-sim into options. Returns false and
// fills `error` on an unknown option or a bad value; `help` is set for --help.
bool parseWebSensorOptions(const std::vector<std::string>& args, WebSensorOptions& options,
                           std::string& error, bool& help);

std::string webSensorUsage();

} // namespace quvixsim
