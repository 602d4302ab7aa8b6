#include "sim/websensor/websensoroptions.h"

#include <cstdlib>
#include <functional>
#include <map>
#include <sstream>

namespace quvixsim {

namespace {

std::vector<std::string> splitList(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    std::string part;
    std::istringstream in(text);
    while (std::getline(in, part, separator))
        parts.push_back(part);
    return parts;
}

bool toDouble(const std::string& text, double& value)
{
    if (text.empty())
        return false;
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return end && *end == '\0';
}

bool toInt(const std::string& text, int& value)
{
    double d = 0.0;
    if (!toDouble(text, d) || d != static_cast<int>(d))
        return false;
    value = static_cast<int>(d);
    return true;
}

bool parseFrequencies(const std::string& text, std::vector<double>& out)
{
    out.clear();
    for (const std::string& part : splitList(text, ',')) {
        double f = 0.0;
        if (!toDouble(part, f) || f <= 0.0)
            return false;
        // Small numbers are megahertz, as the sensors themselves treat them.
        out.push_back(f <= 1000.0 ? f * 1e6 : f);
    }
    return !out.empty() && out.size() <= 6;
}

bool parseHarmonics(const std::string& text, std::vector<int>& out)
{
    out.clear();
    for (const std::string& part : splitList(text, ',')) {
        int n = 0;
        if (!toInt(part, n) || n < 0 || n > 16)
            return false;
        out.push_back(n);
    }
    return !out.empty() && out.size() <= 6;
}

bool parseLoads(const std::string& text, std::vector<RfLoadSettings>& loads)
{
    const RfLoadSettings base = loads.empty() ? WebSensorOptions::defaultLoad() : loads.back();
    loads.clear();
    for (const std::string& part : splitList(text, ';')) {
        const std::vector<std::string> rx = splitList(part, ',');
        double r = 0.0;
        double x = 0.0;
        if (rx.empty() || rx.size() > 2 || !toDouble(rx[0], r) || (rx.size() == 2 && !toDouble(rx[1], x)))
            return false;
        RfLoadSettings load = base;
        load.resistance = r;
        load.reactance = x;
        loads.push_back(load);
    }
    return !loads.empty();
}

template <typename Field> bool forEachLoad(std::vector<RfLoadSettings>& loads, Field apply)
{
    for (RfLoadSettings& load : loads)
        apply(load);
    return true;
}

} // namespace

std::string WebSensorOptions::firmwareText() const
{
    return firmware.empty() ? model + " VI sensor" : firmware;
}

const RfLoadSettings& WebSensorOptions::loadFor(size_t frequencyIndex) const
{
    return frequencyIndex < loads.size() ? loads[frequencyIndex] : loads.back();
}

RfLoadSettings WebSensorOptions::defaultLoad()
{
    RfLoadSettings load;
    load.driftFraction = 0.01;
    return load;
}

std::string webSensorUsage()
{
    return "usage: quvix-sensor-sim [options]\n"
           "  --address ADDR          HTTP bind address (127.0.0.1)\n"
           "  --port N                HTTP port (80; 0 picks a free one and prints it)\n"
           "  --serial TEXT           serial number (QX000001)\n"
           "  --model WORD            model word in the firmware text: Tavi, Renu, Kadro (Renu)\n"
           "  --firmware TEXT         whole firmware text (\"<model> VI sensor\")\n"
           "  --firmware-rev TEXT     firmware revision, selects the data endpoint (v5.23)\n"
           "  --fpga-rev TEXT         FPGA revision (3.1)\n"
           "  --sensor-type TEXT      sensor type (VI)\n"
           "  --delay-clock HZ        delay clock reported, 0 to leave it out (34764706)\n"
           "  --frequencies LIST      comma list, MHz (<= 1000) or Hz (13.56)\n"
           "  --harmonics LIST        harmonics per frequency, comma list (5)\n"
           "  --refresh MS            refresh rate in milliseconds (100)\n"
           "  --load R,X[;R,X...]     load impedance per frequency in ohms (50,0)\n"
           "  --drift FRACTION        relative swing of the load over 60 s (0.01)\n"
           "  --voltage V             fundamental voltage (100)\n"
           "  --peak PERCENT          peak level (50)\n"
           "  --pulse PERIOD,ON       pulsing, period and on time in microseconds (off)\n"
           "  --discovery             answer discovery requests on UDP port 1799\n"
           "  --discovery-address A   where the discovery listener binds (the broadcast\n"
           "                          address of the interface holding --address)\n"
           "  --log FILE              request log: one line per request, one per new sample\n"
           "Faults (PATH like /quvix_service/config.cgi, or data for the sample endpoints):\n"
           "  --not-found [METHOD:]PATH  answer 404 (repeatable)\n"
           "  --malformed-json PATH      answer JSON that does not parse\n"
           "  --oversize PATH            answer more than 4 KB\n"
           "  --close-connection PATH    send headers, then drop the connection\n"
           "  --reply-delay MS           delay every reply\n"
           "  --repeat-timestamps        every sample carries the same time stamp\n"
           "  --long-arrays              20 values in every harmonic array\n"
           "  --stop-after N             stop serving after N sample replies\n"
           "  --ignore-selection LIST    keep these harmonics per frequency whatever is sent\n"
           "  --refresh-text TEXT        report TEXT as the refresh rate\n"
           "  --redirect-data URL        answer sample requests with a redirect to URL\n";
}

bool parseWebSensorOptions(const std::vector<std::string>& args, WebSensorOptions& o, std::string& error,
                           bool& help)
{
    help = false;
    using Handler = std::function<bool(const std::string&)>;
    const std::map<std::string, Handler> withValue{
        {"--address",
         [&](const std::string& v) {
             o.address = v;
             return !v.empty();
         }},
        {"--port", [&](const std::string& v) { return toInt(v, o.port) && o.port >= 0 && o.port < 65536; }},
        {"--serial",
         [&](const std::string& v) {
             o.serial = v;
             return !v.empty() && v.size() <= 20;
         }},
        {"--model",
         [&](const std::string& v) {
             o.model = v;
             return true;
         }},
        {"--firmware",
         [&](const std::string& v) {
             o.firmware = v;
             return true;
         }},
        {"--firmware-rev",
         [&](const std::string& v) {
             o.firmwareRevision = v;
             return true;
         }},
        {"--fpga-rev",
         [&](const std::string& v) {
             o.fpgaRevision = v;
             return true;
         }},
        {"--sensor-type",
         [&](const std::string& v) {
             o.sensorType = v;
             return true;
         }},
        {"--delay-clock",
         [&](const std::string& v) { return toInt(v, o.delayClockHz) && o.delayClockHz >= 0; }},
        {"--frequencies", [&](const std::string& v) { return parseFrequencies(v, o.frequenciesHz); }},
        {"--harmonics", [&](const std::string& v) { return parseHarmonics(v, o.harmonics); }},
        {"--refresh", [&](const std::string& v) { return toInt(v, o.refreshMs) && o.refreshMs > 0; }},
        {"--load", [&](const std::string& v) { return parseLoads(v, o.loads); }},
        {"--drift",
         [&](const std::string& v) {
             double d = 0.0;
             return toDouble(v, d) && forEachLoad(o.loads, [d](RfLoadSettings& l) { l.driftFraction = d; });
         }},
        {"--voltage",
         [&](const std::string& v) {
             double u = 0.0;
             return toDouble(v, u) && u >= 0.0 &&
                    forEachLoad(o.loads, [u](RfLoadSettings& l) { l.voltage = u; });
         }},
        {"--peak", [&](const std::string& v) { return toDouble(v, o.peakPercent); }},
        {"--pulse",
         [&](const std::string& v) {
             const std::vector<std::string> parts = splitList(v, ',');
             return parts.size() == 2 && toDouble(parts[0], o.pulse.periodMicroseconds) &&
                    toDouble(parts[1], o.pulse.onTimeMicroseconds) && o.pulse.periodMicroseconds > 0.0;
         }},
        {"--discovery-address",
         [&](const std::string& v) {
             o.discoveryAddress = v;
             return !v.empty();
         }},
        {"--log",
         [&](const std::string& v) {
             o.logFile = v;
             return !v.empty();
         }},
        {"--not-found",
         [&](const std::string& v) {
             const size_t colon = v.find(':');
             o.faults.notFound.insert(
                 colon == std::string::npos ? v : v.substr(0, colon) + " " + v.substr(colon + 1));
             return true;
         }},
        {"--malformed-json", [&](const std::string& v) { return o.faults.malformedJson.insert(v), true; }},
        {"--oversize", [&](const std::string& v) { return o.faults.oversizeReplies.insert(v), true; }},
        {"--close-connection",
         [&](const std::string& v) { return o.faults.closeConnection.insert(v), true; }},
        {"--reply-delay",
         [&](const std::string& v) { return toInt(v, o.faults.replyDelayMs) && o.faults.replyDelayMs >= 0; }},
        {"--ignore-selection",
         [&](const std::string& v) { return parseHarmonics(v, o.faults.ignoredSelection); }},
        {"--refresh-text", [&](const std::string& v) { return o.faults.refreshText = v, true; }},
        {"--redirect-data", [&](const std::string& v) { return o.faults.redirectSamplesTo = v, true; }},
        {"--stop-after",
         [&](const std::string& v) {
             return toInt(v, o.faults.stopAfterSamples) && o.faults.stopAfterSamples >= 0;
         }},
    };
    const std::map<std::string, std::function<void()>> flags{
        {"--discovery", [&] { o.discovery = true; }},
        {"--repeat-timestamps", [&] { o.faults.repeatTimestamps = true; }},
        {"--long-arrays", [&] { o.faults.longArrays = true; }},
        {"--help", [&] { help = true; }},
        {"-h", [&] { help = true; }},
    };

    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (const auto flag = flags.find(arg); flag != flags.end()) {
            flag->second();
            continue;
        }
        const auto option = withValue.find(arg);
        if (option == withValue.end()) {
            error = "unknown option: " + arg;
            return false;
        }
        if (i + 1 >= args.size()) {
            error = "missing value after " + arg;
            return false;
        }
        const std::string& value = args[++i];
        if (!option->second(value)) {
            error = "bad value for " + arg + ": " + value;
            return false;
        }
    }
    if (o.harmonics.size() < o.frequenciesHz.size())
        o.harmonics.resize(o.frequenciesHz.size(), o.harmonics.back());
    o.harmonics.resize(o.frequenciesHz.size());
    return true;
}

} // namespace quvixsim
