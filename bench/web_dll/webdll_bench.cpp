// CPU time and traffic of the network library against the simulated sensor,
// which runs as a process of its own so that only the library's cost is
// counted; the sensor's request log is the truth about exchanges and samples.
//  - Delivery, per report rate from 10 ms to 1 s: CPU per delivered sample
//    through quvixGetDataHR against a bare libcurl loop that polls the same
//    endpoint every half report period and parses nothing (the floor, which
//    also gets every sample). Targets: ratio <= 1.5, at most 3 exchanges per
//    new sample, no sample lost (a gap in the sensor's time stamps).
//  - Idle: CPU of 10 open connections nobody reads, over 5 s, at the default
//    rate. Target: < 1 % of one core. The same polling done by plain libcurl
//    handles is measured beside it: each connection still polls its sensor,
//    and that floor is most of the cost. The floor makes exactly the requests
//    the library made in its own 5 s (the sensor's log tells them), spread
//    evenly over 5 s.

#include "web_dll/quvixwebapi.h"

#include <benchmark/benchmark.h>
#include <curl/curl.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

double processCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// quvix-sensor-sim on a free port of 192.0.2.2, for as long as it lives.
class SimulatorProcess
{
public:
    explicit SimulatorProcess(int refreshMs, const std::string& logFile = std::string())
    {
        int out[2];
        if (pipe(out) != 0)
            return;
        const std::string program = std::string(QUVIX_BIN_DIR) + "/quvix-sensor-sim";
        const std::string refresh = std::to_string(refreshMs);
        std::vector<const char*> args{program.c_str(), "--address",     "192.0.2.2", "--port", "0",
                                      "--refresh",     refresh.c_str(), "--drift",   "0"};
        if (!logFile.empty()) {
            args.push_back("--log");
            args.push_back(logFile.c_str());
        }
        args.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        if (posix_spawn(&pid, program.c_str(), &actions, nullptr, const_cast<char**>(args.data()), environ) !=
            0)
            pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        FILE* lines = fdopen(out[0], "r");
        char line[256] = {};
        if (lines && std::fgets(line, sizeof line, lines) && std::strncmp(line, "listening ", 10) == 0) {
            url = line + 10;
            while (!url.empty() && (url.back() == '\n' || url.back() == '\r'))
                url.pop_back();
        }
        if (lines)
            std::fclose(lines);
    }
    ~SimulatorProcess()
    {
        if (pid > 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
    }
    // Distinct base URLs that reach the one simulator.
    std::string baseUrl(int i = 0) const
    {
        return url.empty() ? url : "http://c" + std::to_string(i) + "@" + url.substr(7);
    }
    bool running() const { return pid > 0 && !url.empty(); }

private:
    pid_t pid = -1;
    std::string url;
};

bool inLab(benchmark::State& state)
{
    const char* lab = std::getenv("NETLAB");
    if (lab && std::strcmp(lab, "1") == 0)
        return true;
    state.SkipWithError("run inside the private network namespace (scripts/isolate.sh)");
    return false;
}

size_t discard(char*, size_t size, size_t count, void*)
{
    return size * count;
}

bool simulatorStarted(benchmark::State& state, const SimulatorProcess& sim)
{
    if (sim.running())
        return true;
    state.SkipWithError("simulator did not start");
    return false;
}

// A plain libcurl handle on the sensor's data endpoint that parses nothing:
// the floor the library's own fetching is compared with. Owned by the caller
// (curl_easy_cleanup).
CURL* plainDataFetch(const std::string& baseUrl)
{
    CURL* curl = curl_easy_init();
    const std::string dataUrl = baseUrl + "quvix_service/data3Short.cgi";
    curl_easy_setopt(curl, CURLOPT_URL, dataUrl.c_str());
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &discard);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_NOPROXY, "*");
    return curl;
}

// Process CPU since cpuStart, in percent of one core over the wall time
// since wallStart.
double cpuPercentOfOneCore(double cpuStart, std::chrono::steady_clock::time_point wallStart)
{
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    return 100.0 * (processCpuSeconds() - cpuStart) / wall;
}

// What the sensor's log says it did: data requests answered and distinct
// samples handed out.
struct SensorTraffic {
    long dataRequests = 0;
    long samples = 0;
};

SensorTraffic trafficIn(const std::string& logFile)
{
    SensorTraffic traffic;
    std::ifstream log(logFile);
    std::string line;
    while (std::getline(log, line)) {
        if (line.rfind("GET /quvix_service/data3Short.cgi", 0) == 0)
            ++traffic.dataRequests;
        else if (line.rfind("SAMPLE ", 0) == 0)
            ++traffic.samples;
    }
    return traffic;
}

std::string logPath(const char* name)
{
    return "/tmp/webdll_bench_" + std::to_string(getpid()) + "_" + name + ".log";
}

void BM_DeliveryAgainstCurlFloor(benchmark::State& state)
{
    if (!inLab(state))
        return;
    const int refreshMs = static_cast<int>(state.range(0));
    const auto window = std::max(std::chrono::milliseconds(3000), std::chrono::milliseconds(12 * refreshMs));
    double libraryPerSample = 0.0;
    double floorPerSample = 0.0;
    for (auto _ : state) {
        // The library: its worker fetching, this thread reading.
        const std::string libraryLog = logPath("library");
        long delivered = 0;
        long lost = 0;
        double libraryCpu = 0.0;
        {
            SimulatorProcess sim(refreshMs, libraryLog);
            if (!simulatorStarted(state, sim))
                return;
            const int handle = quvixWebOpen(sim.baseUrl().c_str());
            if (handle < 0) {
                state.SkipWithError("open failed");
                return;
            }
            std::vector<double> values(490);
            const long long ticksPerPeriod = 24000LL * refreshMs;
            const double start = processCpuSeconds();
            const auto until = std::chrono::steady_clock::now() + window;
            while (std::chrono::steady_clock::now() < until) {
                int count = 490, delta = 0, delay = 0, remaining = 100;
                double peak = 0.0;
                if (quvixGetDataHR(handle, values.data(), &count, &delta, &peak, &delay, &remaining) != 1 ||
                    count == 0)
                    continue;
                // The sensor's own time stamps: a step of more than one
                // period is a sample it produced and the reader never got.
                if (delivered++ > 0)
                    lost += std::max(0LL, (delta + ticksPerPeriod / 2) / ticksPerPeriod - 1);
            }
            libraryCpu = processCpuSeconds() - start;
            quvixClose(handle);
        }
        const SensorTraffic library = trafficIn(libraryLog);
        std::remove(libraryLog.c_str());
        libraryPerSample = libraryCpu / std::max(delivered, 1L);

        // The floor: the same endpoint every half period, nothing parsed.
        const std::string floorLog = logPath("floor");
        double floorCpu = 0.0;
        {
            SimulatorProcess sim(refreshMs, floorLog);
            if (!simulatorStarted(state, sim))
                return;
            CURL* curl = plainDataFetch(sim.baseUrl(1));
            const auto pace = std::chrono::microseconds(refreshMs * 1000 / 2);
            const double start = processCpuSeconds();
            const auto wallStart = std::chrono::steady_clock::now();
            for (auto next = wallStart; next - wallStart < window; next += pace) {
                curl_easy_perform(curl);
                std::this_thread::sleep_until(next + pace);
            }
            floorCpu = processCpuSeconds() - start;
            curl_easy_cleanup(curl);
        }
        const SensorTraffic floor = trafficIn(floorLog);
        std::remove(floorLog.c_str());
        floorPerSample = floorCpu / std::max(floor.samples, 1L);

        state.counters["samples"] = static_cast<double>(delivered);
        state.counters["sensor_samples"] = static_cast<double>(library.samples);
        state.counters["lost_samples"] = static_cast<double>(lost);
        state.counters["exchanges_per_sample_target_3"] =
            static_cast<double>(library.dataRequests) / std::max(delivered, 1L);
        state.counters["floor_exchanges_per_sample"] =
            static_cast<double>(floor.dataRequests) / std::max(floor.samples, 1L);
    }
    state.counters["library_us_per_sample"] = libraryPerSample * 1e6;
    state.counters["floor_us_per_sample"] = floorPerSample * 1e6;
    state.counters["ratio_target_1.5"] = floorPerSample > 0.0 ? libraryPerSample / floorPerSample : 0.0;
}
BENCHMARK(BM_DeliveryAgainstCurlFloor)
    ->Arg(10)
    ->Arg(20)
    ->Arg(50)
    ->Arg(100)
    ->Arg(333)
    ->Arg(1000)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// One request the sensor answered, as its log tells it.
struct SensorRequest {
    std::string method;
    std::string path;
    std::string body;
};

std::string fromHex(const std::string& hex)
{
    std::string bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    return bytes;
}

// The requests of a sensor's log from its line `fromLine` on, in order.
std::vector<SensorRequest> requestsIn(const std::string& logFile, size_t fromLine = 0)
{
    std::vector<SensorRequest> requests;
    std::ifstream log(logFile);
    std::string line;
    for (size_t number = 0; std::getline(log, line); ++number) {
        if (number < fromLine || line.rfind("SAMPLE ", 0) == 0)
            continue;
        std::istringstream fields(line);
        SensorRequest request;
        std::string hexBody;
        fields >> request.method >> request.path >> hexBody;
        request.body = fromHex(hexBody);
        requests.push_back(request);
    }
    return requests;
}

size_t lineCount(const std::string& file)
{
    std::ifstream in(file);
    size_t count = 0;
    for (std::string line; std::getline(in, line);)
        ++count;
    return count;
}

// What ten open connections that nobody reads cost over 5 s, and the
// requests the sensor answered meanwhile.
struct IdleRun {
    double cpuPercent = 0.0;
    std::vector<SensorRequest> requests;
};

constexpr auto idleWindow = std::chrono::seconds(5);

IdleRun tenIdleConnections(const SimulatorProcess& sim, const std::string& logFile)
{
    std::vector<int> handles;
    for (int i = 0; i < 10; ++i)
        handles.push_back(quvixWebOpen(sim.baseUrl(i).c_str()));
    const size_t before = lineCount(logFile);
    const double start = processCpuSeconds();
    const auto wallStart = std::chrono::steady_clock::now();
    // Nothing reads: the connections only poll their sensor.
    std::this_thread::sleep_for(idleWindow);
    IdleRun run;
    run.cpuPercent = cpuPercentOfOneCore(start, wallStart);
    run.requests = requestsIn(logFile, before);
    for (int handle : handles)
        quvixClose(handle);
    return run;
}

void BM_TenIdleConnections(benchmark::State& state)
{
    if (!inLab(state))
        return;
    const std::string log = logPath("idle");
    SimulatorProcess sim(100, log);
    if (!simulatorStarted(state, sim))
        return;
    IdleRun run;
    for (auto _ : state)
        run = tenIdleConnections(sim, log);
    state.counters["cpu_percent_of_one_core_target_1"] = run.cpuPercent;
    state.counters["requests"] = static_cast<double>(run.requests.size());
    std::remove(log.c_str());
}
BENCHMARK(BM_TenIdleConnections)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// What the same polling costs without the library: the requests the
// library's ten connections made in 5 s (counted in a run of its own, whose
// CPU is not measured), made again by ten libcurl handles on one thread,
// evenly spread over 5 s, nothing parsed.
void BM_TenIdleConnectionsCurlFloor(benchmark::State& state)
{
    if (!inLab(state))
        return;
    std::vector<SensorRequest> requests;
    {
        const std::string log = logPath("idle_count");
        SimulatorProcess sim(100, log);
        if (!simulatorStarted(state, sim))
            return;
        requests = tenIdleConnections(sim, log).requests;
        std::remove(log.c_str());
    }
    if (requests.empty()) {
        state.SkipWithError("the library made no request");
        return;
    }
    SimulatorProcess sim(100);
    if (!simulatorStarted(state, sim))
        return;
    double percent = 0.0;
    for (auto _ : state) {
        std::vector<CURL*> handles;
        for (int i = 0; i < 10; ++i)
            handles.push_back(plainDataFetch(sim.baseUrl(i)));
        const auto pace =
            std::chrono::duration_cast<std::chrono::steady_clock::duration>(idleWindow) / requests.size();
        const double start = processCpuSeconds();
        const auto wallStart = std::chrono::steady_clock::now();
        auto next = wallStart;
        for (size_t i = 0; i < requests.size(); ++i) {
            CURL* curl = handles[i % handles.size()];
            const std::string url =
                sim.baseUrl(static_cast<int>(i % handles.size())) + requests[i].path.substr(1);
            curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
            if (requests[i].method == "POST") {
                curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE, static_cast<long>(requests[i].body.size()));
                curl_easy_setopt(curl, CURLOPT_POSTFIELDS, requests[i].body.c_str());
            } else {
                curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
            }
            curl_easy_perform(curl);
            next += pace;
            std::this_thread::sleep_until(next);
        }
        percent = cpuPercentOfOneCore(start, wallStart);
        for (CURL* curl : handles)
            curl_easy_cleanup(curl);
    }
    state.counters["cpu_percent_of_one_core"] = percent;
    state.counters["requests"] = static_cast<double>(requests.size());
}
BENCHMARK(BM_TenIdleConnectionsCurlFloor)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
