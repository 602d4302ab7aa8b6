#include "foreignholder.h"

#include "platform/namedmutex.h"

ForeignHolder::ForeignHolder(const std::string& lockName)
{
    m_process.start("flock", {"-n", QString::fromStdString(NamedMutex::lockFilePath(lockName)), "cat"});
    m_process.waitForStarted(10000);
    // flock has taken the lock once the probe sees it held.
    for (int i = 0; i < 500 && NamedMutex::probe(lockName) != NamedMutex::Presence::Held; ++i)
        m_process.waitForFinished(10);
}

ForeignHolder::~ForeignHolder()
{
    m_process.closeWriteChannel();
    m_process.waitForFinished(10000);
}
