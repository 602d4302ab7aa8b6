#include "web_dll/connectiontable.h"

#include "web_dll/quvixwebsensor.h"

#include <cstring>
#include <memory>

ConnectionTable& ConnectionTable::instance()
{
    static ConnectionTable table;
    return table;
}

bool ConnectionTable::urlInUse(const std::string& url) const
{
    if (opening.count(url))
        return true;
    for (const quvixWebSensor* sensor : slots) {
        if (sensor && url == sensor->baseUrl())
            return true;
    }
    return false;
}

int ConnectionTable::open(const char* baseUrl)
{
    if (!baseUrl)
        return NotReachable;
    const std::string url(baseUrl);
    {
        // Claimed before the exchanges, so two opens of one URL racing each
        // other cannot both succeed.
        std::lock_guard<std::mutex> guard(mutex);
        if (urlInUse(url))
            return AlreadyOpen;
        opening.insert(url);
    }
    auto sensor = std::make_unique<quvixWebSensor>(baseUrl);
    const bool opened = sensor->openSequence();

    std::lock_guard<std::mutex> guard(mutex);
    opening.erase(url);
    if (!opened)
        return NotReachable;
    for (int slot = 0; slot < slotCount; ++slot) {
        if (!slots[slot]) {
            slots[slot] = sensor.release();
            slots[slot]->startWorker();
            return slot;
        }
    }
    return NoFreeSlot;
}

void ConnectionTable::close(int handle)
{
    std::lock_guard<std::mutex> guard(mutex);
    if (handle < 0 || handle >= slotCount || !slots[handle])
        return;
    slots[handle]->close();
    slots[handle] = nullptr;
}

ConnectionTable::Access ConnectionTable::access(int handle)
{
    std::lock_guard<std::mutex> guard(mutex);
    if (handle < 0 || handle >= slotCount || !slots[handle])
        return Access(nullptr);
    return Access(slots[handle]);
}

ConnectionTable::Access::Access(quvixWebSensor* held)
    : sensor(held)
{
    if (sensor)
        sensor->enter();
}

ConnectionTable::Access::~Access()
{
    if (sensor)
        sensor->leave();
}
