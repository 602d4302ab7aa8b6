#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

namespace quvixsim {

// Answers the network sensors' discovery requests on UDP port 1799: a request
// "RQ" + IPv4 address + port (both most significant byte first) gets the reply
// "RP" + "XVUQ" + serial number, sent from the sensor's own address to the
// address and port the request names. Replies go only to loopback or to the
// subnet of the sensor's own interface. start() runs a thread of its own;
// stop() or destruction ends it.
class DiscoveryResponder
{
public:
    static constexpr int discoveryPort = 1799;

    // sensorAddress: the address replies are sent from (the HTTP address).
    // listenAddress: where requests are received; empty for the broadcast
    // address of the interface holding sensorAddress (or sensorAddress itself
    // on an interface without broadcast, such as loopback).
    DiscoveryResponder(std::string serial, std::string sensorAddress, std::string listenAddress = {},
                       int listenPort = discoveryPort);
    ~DiscoveryResponder();
    DiscoveryResponder(const DiscoveryResponder&) = delete;
    DiscoveryResponder& operator=(const DiscoveryResponder&) = delete;

    // False, with the reason in error(), when a socket cannot be set up.
    bool start();
    void stop();
    const std::string& error() const { return lastError; }
    std::string listenAddress() const { return listenText; }
    std::uint64_t repliesSent() const { return replies.load(); }

private:
    void run();
    bool replyAllowed(std::uint32_t address) const;

    const std::string serial;
    const std::string sensorText;
    std::string listenText;
    const int listenPort;
    int receiveSocket = -1;
    int sendSocket = -1;
    int wakePipe[2] = {-1, -1};
    std::uint32_t subnet = 0; // host order
    std::uint32_t netmask = 0;
    std::atomic<std::uint64_t> replies{0};
    std::string lastError;
    std::thread worker;
};

} // namespace quvixsim
