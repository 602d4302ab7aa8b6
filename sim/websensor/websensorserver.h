#pragma once

#include "sim/websensor/websensoroptions.h"
#include "sim/websensor/websensorstate.h"

#include <condition_variable>
#include <cstdint>
#include <fstream>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace httplib {
class Server;
struct Request;
struct Response;
} // namespace httplib

namespace quvixsim {

// One request as the sensor received it: the body byte for byte.
struct LoggedRequest {
    std::string method;
    std::string path; // with its query, e.g. "/quvix_service/fpga.cgi?pulse=1"
    std::string body;
};

// The web service of one simulated network sensor below "quvix_service/".
// start() binds and serves on a thread of its own; stop() (or destruction)
// ends it. Every other method may be called from any thread while it serves;
// faults changed at run time apply to the next request.
class WebSensorServer
{
public:
    explicit WebSensorServer(const WebSensorOptions& options);
    ~WebSensorServer();
    WebSensorServer(const WebSensorServer&) = delete;
    WebSensorServer& operator=(const WebSensorServer&) = delete;

    // Binds the address and port of the options (port 0: a free one) and
    // starts serving. False when the address cannot be bound.
    bool start();
    void stop();
    // Ends serving without waiting for it; wait() or stop() then returns.
    void requestStop();
    bool isServing() const;
    int port() const { return boundPort; }
    // "http://<address>:<port>/", as the network library is given it.
    std::string baseUrl() const;
    // Blocks until stopped (by stop() or the stop-after fault).
    void wait();

    WebSensorState& state() { return sensorState; }
    void setFaults(const WebSensorFaults& faults);
    WebSensorFaults faults() const;

    std::vector<LoggedRequest> requests() const;
    void clearRequests();
    // Samples with distinct time stamps that were handed out so far.
    std::int64_t servedSamples() const;
    // Waits until at least `count` requests were logged; false on time-out.
    bool waitForRequests(size_t count, int timeoutMs) const;
    // Waits until at least `count` distinct samples were served; false on time-out.
    bool waitForSamples(std::int64_t count, int timeoutMs) const;

private:
    void installRoutes();
    void handle(const httplib::Request& request, httplib::Response& response);
    void answer(const httplib::Request& request, httplib::Response& response);
    bool answerFault(const std::string& method, const std::string& path, httplib::Response& response);
    std::string replyFor(const httplib::Request& request, const std::string& path, bool& found,
                         bool& isSample);
    void logRequest(const LoggedRequest& entry);
    void logSample(std::int64_t timestamp);

    const WebSensorOptions options;
    WebSensorState sensorState;
    std::unique_ptr<httplib::Server> server;
    std::thread serving;
    int boundPort = 0;

    mutable std::mutex mutex;
    mutable std::condition_variable logged;
    WebSensorFaults activeFaults;
    std::vector<LoggedRequest> log;
    std::ofstream logFile;
    std::int64_t lastServedTimestamp = -1;
    std::int64_t servedCount = 0;
    int sampleReplies = 0;
    bool stopped = false;
};

} // namespace quvixsim
