#include "web_dll/requestbodies.h"

#include "web_dll/numbertext.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>

namespace {

// Appends formatted text at `length`; false once the buffer is too small.
class BodyWriter
{
public:
    BodyWriter(char* buffer, int size)
        : out(buffer)
        , capacity(size)
    {
        if (capacity > 0)
            out[0] = '\0';
    }

    __attribute__((format(printf, 2, 3))) void append(const char* format, ...)
    {
        if (length < 0)
            return;
        va_list args;
        va_start(args, format);
        const int room = capacity - length;
        const int written =
            room > 0 ? std::vsnprintf(out + length, static_cast<size_t>(room), format, args) : -1;
        va_end(args);
        length = written < 0 || written >= room ? -1 : length + written;
    }

    int result() const { return length; }

private:
    char* out;
    int capacity;
    int length = 0;
};

} // namespace

int RequestBodies::config(char* buffer, int size, const SensorIdentity& requested, int frequencyCount)
{
    BodyWriter body(buffer, size);
    body.append("{\r\n\"refresh_rate\":\"%d\",\r\n", requested.refreshRate);
    body.append("\"selected_harmonics\":[");
    const int count = std::clamp(frequencyCount, 0, SensorIdentity::maxFrequencies);
    for (int i = 0; i < count; ++i)
        body.append(i + 1 < count ? "%d," : "%d", requested.selectedHarmonics[i]);
    body.append("],\r\n\"signal_lock\":\"%s\"\r\n}\r\n", requested.signalLock);
    return body.result();
}

int RequestBodies::fpga(char* buffer, int size, const TriggerSettings& trigger)
{
    BodyWriter body(buffer, size);
    body.append("{\r\n\"Accumulations\":\"%d\",\r\n", trigger.Accumulations);
    body.append("\"Trigger_Delay\":\"%d\",\r\n", trigger.Trigger_Delay);
    body.append("\"Trigger_Holdoff\":\"%d\",\r\n", trigger.Trigger_Holdoff);
    body.append("\"Trigger_Level\":\"%d\"\r\n,\r\n", trigger.Trigger_Level);
    body.append("\"External_trigger\":\"%d\"\r\n}\r\n", trigger.External_trigger);
    return body.result();
}

int RequestBodies::data3(char* buffer, int size, PulseMonitorSettings& settings)
{
    BodyWriter body(buffer, size);
    body.append("{\r\n\"monitor_pulse\":\"%d\"", settings.monitorPulse);
    if (settings.resetEnergyRequested) {
        body.append(",\r\n\"reset_accumulated_energy\":\"%d\"", 1);
        settings.resetEnergyRequested = false;
    }
    if (settings.thresholdSet) {
        body.append(",\r\n\"pulse_threshold_percent\":\"%d\"",
                    NumberText::truncate(settings.thresholdPercent));
        body.append(",\r\n\"pulse_trim\":\"%d\"", settings.trim);
        settings.thresholdSet = false;
    }
    body.append("\r\n}");
    return body.result();
}
