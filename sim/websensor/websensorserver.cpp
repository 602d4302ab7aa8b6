#include "sim/websensor/websensorserver.h"

#include <httplib.h>

#include <chrono>
#include <cstdio>

namespace quvixsim {

namespace {

const char* const servicePrefix = "/quvix_service/";
constexpr size_t maxClients = 110;
const std::set<std::string> samplePaths{"/quvix_service/data3.cgi", "/quvix_service/data3Short.cgi",
                                        "/quvix_service/data.cgi"};

bool faultApplies(const std::set<std::string>& paths, const std::string& path)
{
    return paths.count(path) || (paths.count("data") && samplePaths.count(path));
}

std::string hex(const std::string& bytes)
{
    if (bytes.empty())
        return "-";
    std::string out;
    char pair[3];
    for (unsigned char c : bytes) {
        std::snprintf(pair, sizeof pair, "%02x", c);
        out += pair;
    }
    return out;
}

} // namespace

WebSensorServer::WebSensorServer(const WebSensorOptions& sensorOptions)
    : options(sensorOptions)
    , sensorState(sensorOptions)
    , server(std::make_unique<httplib::Server>())
    , activeFaults(sensorOptions.faults)
{
    if (!options.logFile.empty())
        logFile.open(options.logFile, std::ios::out | std::ios::trunc);
    installRoutes();
}

WebSensorServer::~WebSensorServer()
{
    stop();
}

void WebSensorServer::installRoutes()
{
    const auto handler = [this](const httplib::Request& request, httplib::Response& response) {
        handle(request, response);
    };
    // A kept-alive connection holds one of the server's threads between its
    // requests: enough threads for the library's 100 connections at once.
    server->new_task_queue = [] { return new httplib::ThreadPool(maxClients); };
    server->set_keep_alive_max_count(1000);
    server->set_tcp_nodelay(true);
    server->Get(".*", handler);
    server->Post(".*", handler);
}

bool WebSensorServer::start()
{
    if (options.port == 0)
        boundPort = server->bind_to_any_port(options.address);
    else if (server->bind_to_port(options.address, options.port))
        boundPort = options.port;
    if (boundPort <= 0)
        return false;
    serving = std::thread([this] {
        server->listen_after_bind();
        std::lock_guard<std::mutex> guard(mutex);
        stopped = true;
        logged.notify_all();
    });
    // A stop() before the server runs would be lost; hand the server out
    // only once it is running.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!server->is_running() && std::chrono::steady_clock::now() < deadline) {
        std::unique_lock<std::mutex> guard(mutex);
        if (stopped)
            break;
        logged.wait_for(guard, std::chrono::milliseconds(1));
    }
    return server->is_running();
}

void WebSensorServer::stop()
{
    server->stop();
    if (serving.joinable())
        serving.join();
}

void WebSensorServer::requestStop()
{
    server->stop();
}

bool WebSensorServer::isServing() const
{
    return server->is_running();
}

std::string WebSensorServer::baseUrl() const
{
    return "http://" + options.address + ":" + std::to_string(boundPort) + "/";
}

void WebSensorServer::wait()
{
    std::unique_lock<std::mutex> guard(mutex);
    logged.wait(guard, [this] { return stopped; });
}

void WebSensorServer::setFaults(const WebSensorFaults& faults)
{
    std::lock_guard<std::mutex> guard(mutex);
    activeFaults = faults;
}

WebSensorFaults WebSensorServer::faults() const
{
    std::lock_guard<std::mutex> guard(mutex);
    return activeFaults;
}

std::vector<LoggedRequest> WebSensorServer::requests() const
{
    std::lock_guard<std::mutex> guard(mutex);
    return log;
}

void WebSensorServer::clearRequests()
{
    std::lock_guard<std::mutex> guard(mutex);
    log.clear();
}

std::int64_t WebSensorServer::servedSamples() const
{
    std::lock_guard<std::mutex> guard(mutex);
    return servedCount;
}

bool WebSensorServer::waitForRequests(size_t count, int timeoutMs) const
{
    std::unique_lock<std::mutex> guard(mutex);
    return logged.wait_for(guard, std::chrono::milliseconds(timeoutMs), [&] { return log.size() >= count; });
}

bool WebSensorServer::waitForSamples(std::int64_t count, int timeoutMs) const
{
    std::unique_lock<std::mutex> guard(mutex);
    return logged.wait_for(guard, std::chrono::milliseconds(timeoutMs), [&] { return servedCount >= count; });
}

void WebSensorServer::logRequest(const LoggedRequest& entry)
{
    std::lock_guard<std::mutex> guard(mutex);
    log.push_back(entry);
    if (logFile.is_open())
        logFile << entry.method << ' ' << entry.path << ' ' << hex(entry.body) << std::endl;
    logged.notify_all();
}

void WebSensorServer::logSample(std::int64_t timestamp)
{
    std::lock_guard<std::mutex> guard(mutex);
    if (timestamp == lastServedTimestamp)
        return;
    lastServedTimestamp = timestamp;
    ++servedCount;
    if (logFile.is_open())
        logFile << "SAMPLE " << timestamp << std::endl;
    logged.notify_all();
}

bool WebSensorServer::answerFault(const std::string& method, const std::string& path,
                                  httplib::Response& response)
{
    const WebSensorFaults f = faults();
    if (f.replyDelayMs > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(f.replyDelayMs));
    if (f.notFound.count(path) || f.notFound.count(method + " " + path)) {
        response.status = 404;
        response.set_content("not found", "text/plain");
        return true;
    }
    if (!f.redirectSamplesTo.empty() && samplePaths.count(path)) {
        response.set_redirect(f.redirectSamplesTo, 302);
        return true;
    }
    if (faultApplies(f.closeConnection, path)) {
        // Announce a body, then give up on it: the client sees the
        // connection end in the middle of the reply.
        response.set_content_provider(64, "application/json",
                                      [](size_t, size_t, httplib::DataSink&) { return false; });
        return true;
    }
    return false;
}

std::string WebSensorServer::replyFor(const httplib::Request& request, const std::string& path, bool& found,
                                      bool& isSample)
{
    found = true;
    isSample = false;
    const bool post = request.method == "POST";
    const std::string name = path.substr(std::string(servicePrefix).size());
    if (name == "info.cgi" && !post)
        return sensorState.infoJson();
    if (name == "config.cgi") {
        if (post && !sensorState.applyConfig(request.body))
            found = false;
        const WebSensorFaults f = faults();
        if (!f.ignoredSelection.empty())
            sensorState.forceSelection(f.ignoredSelection);
        return sensorState.configJson(f.refreshText);
    }
    if (name == "fpga.cgi") {
        if (post && !sensorState.applyFpga(request.body, request.get_param_value("pulse") == "1"))
            found = false;
        return sensorState.fpgaJson();
    }
    if (name == "data3.cgi" && post) {
        if (!sensorState.applyData3(request.body))
            found = false;
        return "{\"result\":\"ok\"}";
    }
    using Format = WebSensorState::SampleFormat;
    const Format format = name == "data3.cgi"        ? Format::Data3
                          : name == "data3Short.cgi" ? Format::Data3Short
                                                     : Format::Data;
    if ((name == "data3.cgi" || name == "data3Short.cgi" || name == "data.cgi") && !post) {
        isSample = true;
        const WebSensorFaults f = faults();
        const WebSensorState::Sample sample = sensorState.sample(format, f.repeatTimestamps, f.longArrays);
        logSample(sample.timestamp);
        return sample.json;
    }
    found = false;
    return {};
}

void WebSensorServer::handle(const httplib::Request& request, httplib::Response& response)
{
    answer(request, response);
    // Logged once handled, so whoever waits for a request sees its effect.
    logRequest({request.method, request.target, request.body});
}

void WebSensorServer::answer(const httplib::Request& request, httplib::Response& response)
{
    const std::string& path = request.path;
    if (answerFault(request.method, path, response))
        return;
    bool found = false;
    bool isSample = false;
    std::string reply;
    if (path.rfind(servicePrefix, 0) == 0)
        reply = replyFor(request, path, found, isSample);
    if (!found) {
        response.status = request.method == "POST" && !reply.empty() ? 400 : 404;
        response.set_content("not found", "text/plain");
        return;
    }
    const WebSensorFaults f = faults();
    if (faultApplies(f.malformedJson, path))
        reply = reply.substr(0, reply.size() / 2) + "]]";
    if (faultApplies(f.oversizeReplies, path))
        reply.insert(1, "\"padding\":\"" + std::string(5000, 'x') + "\",");
    response.set_content(reply, "application/json");

    if (isSample && f.stopAfterSamples > 0) {
        std::lock_guard<std::mutex> guard(mutex);
        if (++sampleReplies >= f.stopAfterSamples)
            server->stop();
    }
}

} // namespace quvixsim
