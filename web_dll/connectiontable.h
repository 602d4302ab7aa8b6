#pragma once

#include <mutex>
#include <set>
#include <string>

class quvixWebSensor;

// The process-wide table of open connections: 100 slots, the slot index
// being the caller's handle. One lock guards the slots; it is held while a
// slot is searched, filled or emptied and while a caller is let in, never
// during an HTTP exchange. Any thread.
class ConnectionTable
{
public:
    static constexpr int slotCount = 100;

    enum Result { NotOffered = -6, NotReachable = -8, NoFreeSlot = -9, AlreadyOpen = -10, BadHandle = -4 };

    static ConnectionTable& instance();

    // Opens a connection to the base URL: a handle 0-99, or a Result.
    int open(const char* baseUrl);
    // Empties the slot and ends its connection; a bad handle is ignored.
    void close(int handle);

    // A connection held for one call: it stays alive until the Access ends,
    // even when it is closed meanwhile.
    class Access
    {
    public:
        explicit Access(quvixWebSensor* held);
        ~Access();
        Access(const Access&) = delete;
        Access& operator=(const Access&) = delete;
        explicit operator bool() const { return sensor != nullptr; }
        quvixWebSensor* operator->() const { return sensor; }
        quvixWebSensor& operator*() const { return *sensor; }

    private:
        quvixWebSensor* sensor;
    };
    Access access(int handle);

private:
    ConnectionTable() = default;
    bool urlInUse(const std::string& url) const;

    std::mutex mutex;
    quvixWebSensor* slots[slotCount] = {};
    std::set<std::string> opening; // base URLs whose open is under way
};
