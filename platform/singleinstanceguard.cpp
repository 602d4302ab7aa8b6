#include "platform/singleinstanceguard.h"

SingleInstanceGuard::SingleInstanceGuard(const QString& key)
    : key_(key)
    , segment_(key)
{
}

bool SingleInstanceGuard::tryAcquire()
{
    if (segment_.isAttached())
        return true;
    // The system key comes from the key file's inode. Without a key file an
    // abandoned segment can't be found, yet a new key file may get the inode
    // whose key that segment still holds: the create that made the file
    // finds it, and a second clearing removes it.
    for (int attempt = 0; attempt < 2; ++attempt) {
        clearAbandonedSegment();
        if (segment_.create(1, QSharedMemory::ReadWrite))
            return true;
        if (segment_.error() != QSharedMemory::AlreadyExists)
            return false;
    }
    return false;
}

bool SingleInstanceGuard::isHeld() const
{
    return segment_.isAttached();
}

void SingleInstanceGuard::clearAbandonedSegment()
{
    // On Unix a segment outlives a crashed owner. Attaching and detaching
    // removes it when nobody else is attached; a live owner keeps it.
    QSharedMemory probe(key_);
    if (probe.attach(QSharedMemory::ReadOnly))
        probe.detach();
}
