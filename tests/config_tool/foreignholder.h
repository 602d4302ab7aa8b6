#pragma once

#include <QProcess>

#include <string>

// Holds a sensor's lock from a separate process (flock) from construction
// until destruction, as another program would. Constructing waits until the
// lock is seen held. Use on the test's thread.
class ForeignHolder
{
public:
    explicit ForeignHolder(const std::string& lockName);
    ~ForeignHolder();
    ForeignHolder(const ForeignHolder&) = delete;
    ForeignHolder& operator=(const ForeignHolder&) = delete;

private:
    QProcess m_process;
};
