#include "sim/websensor/discoveryresponder.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <utility>

namespace quvixsim {

namespace {

constexpr size_t requestSize = 8;
constexpr size_t serialSize = 20;
constexpr std::uint32_t loopbackNet = 0x7f000000u;

bool toAddress(const std::string& text, in_addr& address)
{
    return inet_pton(AF_INET, text.c_str(), &address) == 1;
}

// Finds the interface entry that holds `address`: its netmask and broadcast.
bool interfaceOf(in_addr address, std::uint32_t& mask, std::string& broadcast)
{
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0)
        return false;
    bool found = false;
    for (ifaddrs* entry = list; entry && !found; entry = entry->ifa_next) {
        if (!entry->ifa_addr || entry->ifa_addr->sa_family != AF_INET)
            continue;
        const auto* own = reinterpret_cast<const sockaddr_in*>(entry->ifa_addr);
        if (own->sin_addr.s_addr != address.s_addr)
            continue;
        found = true;
        mask = entry->ifa_netmask
                   ? ntohl(reinterpret_cast<const sockaddr_in*>(entry->ifa_netmask)->sin_addr.s_addr)
                   : 0xffffffffu;
        broadcast.clear();
        if ((entry->ifa_flags & IFF_BROADCAST) && entry->ifa_broadaddr) {
            char text[INET_ADDRSTRLEN] = {};
            inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(entry->ifa_broadaddr)->sin_addr, text,
                      sizeof text);
            broadcast = text;
        }
    }
    freeifaddrs(list);
    return found;
}

} // namespace

DiscoveryResponder::DiscoveryResponder(std::string sensorSerial, std::string sensorAddress,
                                       std::string listenAddress, int port)
    : serial(std::move(sensorSerial))
    , sensorText(std::move(sensorAddress))
    , listenText(std::move(listenAddress))
    , listenPort(port)
{
}

DiscoveryResponder::~DiscoveryResponder()
{
    stop();
}

bool DiscoveryResponder::start()
{
    in_addr own{};
    if (!toAddress(sensorText, own)) {
        lastError = "not an IPv4 address: " + sensorText;
        return false;
    }
    std::string broadcast;
    if (!interfaceOf(own, netmask, broadcast)) {
        lastError = "no interface holds " + sensorText;
        return false;
    }
    subnet = ntohl(own.s_addr) & netmask;
    if (listenText.empty())
        listenText = broadcast.empty() ? sensorText : broadcast;
    in_addr listen{};
    if (!toAddress(listenText, listen)) {
        lastError = "not an IPv4 address: " + listenText;
        return false;
    }

    receiveSocket = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sendSocket = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (receiveSocket < 0 || sendSocket < 0 || pipe2(wakePipe, O_CLOEXEC) != 0) {
        lastError = std::string("socket: ") + std::strerror(errno);
        return false;
    }
    // Several simulated sensors on one interface all hear one broadcast.
    const int on = 1;
    setsockopt(receiveSocket, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in where{};
    where.sin_family = AF_INET;
    where.sin_port = htons(static_cast<std::uint16_t>(listenPort));
    where.sin_addr = listen;
    if (bind(receiveSocket, reinterpret_cast<const sockaddr*>(&where), sizeof where) != 0) {
        lastError = "bind " + listenText + ":" + std::to_string(listenPort) + ": " + std::strerror(errno);
        return false;
    }
    // Replies leave from the sensor's own address: the requester takes the
    // sensor's address from the reply's sender.
    sockaddr_in from{};
    from.sin_family = AF_INET;
    from.sin_addr = own;
    if (bind(sendSocket, reinterpret_cast<const sockaddr*>(&from), sizeof from) != 0) {
        lastError = "bind " + sensorText + ": " + std::strerror(errno);
        return false;
    }
    worker = std::thread([this] { run(); });
    return true;
}

void DiscoveryResponder::stop()
{
    if (worker.joinable()) {
        const char wake = 1;
        (void)!write(wakePipe[1], &wake, 1);
        worker.join();
    }
    for (int* fd : {&receiveSocket, &sendSocket, &wakePipe[0], &wakePipe[1]}) {
        if (*fd >= 0)
            close(*fd);
        *fd = -1;
    }
}

bool DiscoveryResponder::replyAllowed(std::uint32_t address) const
{
    return (address & 0xff000000u) == loopbackNet || (address & netmask) == subnet;
}

void DiscoveryResponder::run()
{
    pollfd waits[2] = {{receiveSocket, POLLIN, 0}, {wakePipe[0], POLLIN, 0}};
    unsigned char request[64];
    for (;;) {
        if (poll(waits, 2, -1) < 0 && errno != EINTR)
            return;
        if (waits[1].revents)
            return;
        if (!(waits[0].revents & POLLIN))
            continue;
        const ssize_t got = recv(receiveSocket, request, sizeof request, 0);
        if (got < static_cast<ssize_t>(requestSize) || request[0] != 'R' || request[1] != 'Q')
            continue;
        std::uint32_t address = 0;
        for (int i = 2; i < 6; ++i)
            address = (address << 8) | request[i];
        const std::uint16_t port = static_cast<std::uint16_t>((request[6] << 8) | request[7]);
        if (!replyAllowed(address) || port == 0)
            continue;

        unsigned char reply[6 + serialSize] = {'R', 'P', 'X', 'V', 'U', 'Q'};
        std::memcpy(reply + 6, serial.data(), std::min(serial.size(), serialSize));
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(port);
        to.sin_addr.s_addr = htonl(address);
        if (sendto(sendSocket, reply, sizeof reply, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to) > 0)
            ++replies;
    }
}

} // namespace quvixsim
