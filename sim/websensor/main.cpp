// quvix-sensor-sim: one simulated network sensor, for tests, demos and the
// program's network sensor code, in place of hardware.
//
// It serves the sensor's web service over HTTP/1.1 below "quvix_service/":
//   info.cgi (GET)                identity, frequencies, harmonics, firmware
//   config.cgi (GET, POST)        refresh rate, selected harmonics, signal lock
//   fpga.cgi (GET, POST[?pulse=1]) trigger settings
//   data3.cgi (GET, POST)         samples (firmware 5.7 to 5.22); pulse-monitor settings
//   data3Short.cgi, data.cgi (GET) samples (firmware above 5.22; older firmware)
// Samples come from the RF load model in sim/rfload at the configured refresh
// rate, with a monotonic millisecond time stamp; for every harmonic V/I equals
// the load. With --discovery it also answers discovery requests on UDP port
// 1799, from its own address.
//
// Options (defaults in brackets):
//   --address ADDR          HTTP bind address [127.0.0.1]; inside the private
//                           network namespace use 192.0.2.2 or 192.0.2.3
//   --port N                HTTP port [80]; 0 picks a free one
//   --serial TEXT           serial number, at most 20 characters [QX000001]
//   --model WORD            model word in the firmware text: Tavi, Renu, Kadro [Renu]
//   --firmware TEXT         whole firmware text ["<model> VI sensor"]
//   --firmware-rev TEXT     firmware revision; selects the data endpoint [v5.23]
//   --fpga-rev TEXT         FPGA revision [3.1]
//   --sensor-type TEXT      sensor type [VI]
//   --delay-clock HZ        delay clock, 0 leaves it out [34764706]
//   --frequencies LIST      up to 6, MHz (<= 1000) or Hz [13.56]
//   --harmonics LIST        harmonics per frequency, 0 to 16 [5]
//   --refresh MS            refresh rate [100]; the sensor's fastest is 10
//   --load R,X[;R,X...]     load per frequency in ohms [50,0]
//   --drift FRACTION        relative swing of the load over 60 s [0.01]; 0 for a fixed load
//   --voltage V             fundamental voltage; harmonics fall off by 0.3 each [100]
//   --peak PERCENT          peak level [50]
//   --pulse PERIOD,ON       pulsing: period and on time in microseconds [off]
//   --discovery             answer discovery requests on UDP port 1799
//   --discovery-address A   where the discovery listener binds [the broadcast
//                           address of the interface holding --address]
//   --log FILE              one line per request: METHOD PATH BODY-AS-HEX ("-"
//                           when empty), and "SAMPLE <timestamp>" per new sample
// Faults (PATH like /quvix_service/config.cgi, or "data" for the sample endpoints):
//   --not-found [METHOD:]PATH   404 (repeatable)
//   --malformed-json PATH       JSON that does not parse
//   --oversize PATH             replies longer than 4 KB
//   --close-connection PATH     headers, then the connection drops
//   --reply-delay MS            delay every reply
//   --repeat-timestamps         every sample carries the first time stamp
//   --long-arrays               20 values in every harmonic array
//   --stop-after N              stop serving after N sample replies, then exit
//   --ignore-selection LIST     keep these harmonics per frequency whatever is sent
//   --refresh-text TEXT         report TEXT as the refresh rate
//   --redirect-data URL         answer sample requests with a redirect to URL
//
// On start it prints "listening <base URL>" on standard output. It ends on
// SIGINT or SIGTERM.

#include "sim/websensor/discoveryresponder.h"
#include "sim/websensor/websensoroptions.h"
#include "sim/websensor/websensorserver.h"

#include <csignal>
#include <iostream>
#include <memory>
#include <pthread.h>
#include <thread>

int main(int argc, char** argv)
{
    using namespace quvixsim;
    WebSensorOptions options;
    std::string error;
    bool help = false;
    if (!parseWebSensorOptions(std::vector<std::string>(argv + 1, argv + argc), options, error, help)) {
        std::cerr << "quvix-sensor-sim: " << error << "\n" << webSensorUsage();
        return 2;
    }
    if (help) {
        std::cout << webSensorUsage();
        return 0;
    }

    // Signals are taken by one thread that stops the server, so every other
    // thread keeps running undisturbed until then.
    sigset_t endSignals;
    sigemptyset(&endSignals);
    sigaddset(&endSignals, SIGINT);
    sigaddset(&endSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &endSignals, nullptr);

    WebSensorServer server(options);
    if (!server.start()) {
        std::cerr << "quvix-sensor-sim: cannot listen on " << options.address << ":" << options.port << "\n";
        return 1;
    }
    std::unique_ptr<DiscoveryResponder> responder;
    if (options.discovery) {
        responder =
            std::make_unique<DiscoveryResponder>(options.serial, options.address, options.discoveryAddress);
        if (!responder->start()) {
            std::cerr << "quvix-sensor-sim: discovery: " << responder->error() << "\n";
            return 1;
        }
    }
    std::cout << "listening " << server.baseUrl() << std::endl;

    std::thread signalWatcher([&] {
        int signal = 0;
        sigwait(&endSignals, &signal);
        server.requestStop();
    });
    server.wait();
    // Stopped by a fault switch: the watcher still waits for its signal.
    pthread_kill(signalWatcher.native_handle(), SIGTERM);
    signalWatcher.join();
    if (responder)
        responder->stop();
    return 0;
}
