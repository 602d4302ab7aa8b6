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
    clearAbandonedSegment();
    return segment_.create(1, QSharedMemory::ReadWrite);
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
