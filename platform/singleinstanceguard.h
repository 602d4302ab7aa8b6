#pragma once

#include <QSharedMemory>
#include <QString>

// The single-instance guard: a 1-byte shared-memory segment under a fixed
// key, held for as long as this object lives. A segment left behind by an
// instance that crashed (no process attached any more) is cleared first, so
// only a running instance makes a later start ask. GUI thread only.
class SingleInstanceGuard
{
public:
    explicit SingleInstanceGuard(const QString& key);

    // Tries to create the segment; false when another instance holds it (or
    // the segment cannot be made). The object stays alive either way.
    bool tryAcquire();

    bool isHeld() const;

private:
    void clearAbandonedSegment();

    QString key_;
    QSharedMemory segment_;
};
