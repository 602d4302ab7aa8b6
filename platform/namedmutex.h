#pragma once

#include <memory>
#include <string>

// A lock named across the whole user session: whoever holds the name holds
// the resource, in this process or any other. It is never waited on, only
// taken, tested and released (the configuration tool marks an open sensor
// with it). Backed by flock() on a file in the user's runtime folder; a
// second take of the same name fails also within one process.
// Any thread may use it; an object is released by its destructor.
class NamedMutex
{
public:
    enum class TakeResult { Taken, AlreadyHeld, Failed };
    enum class Presence { Free, Held, AccessDenied };

    // Takes the name for this object; null with AlreadyHeld when someone
    // (this process included) holds it, with Failed for an unusable name.
    static std::unique_ptr<NamedMutex> take(const std::string& name, TakeResult* result = nullptr);

    // Whether someone holds the name, without taking it.
    static Presence probe(const std::string& name);

    // A name is usable when it is 1 to 64 characters of letters, digits,
    // '_', '-' and '.', and does not start with '.' (it becomes a file name).
    static bool isUsableName(const std::string& name);

    // The file that stands for a name (for tests and diagnostics).
    static std::string lockFilePath(const std::string& name);

    ~NamedMutex();
    NamedMutex(const NamedMutex&) = delete;
    NamedMutex& operator=(const NamedMutex&) = delete;

private:
    explicit NamedMutex(int fd)
        : m_fd(fd)
    {
    }
    int m_fd;
};
