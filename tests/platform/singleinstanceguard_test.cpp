#include "platform/singleinstanceguard.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QSharedMemory>

namespace {

QString uniqueKey(const char* purpose)
{
    return QStringLiteral("QuvixTest-%1-%2").arg(QCoreApplication::applicationPid()).arg(purpose);
}

// Starts a separate process that holds the guard under key.
void startHolder(QProcess& holder, const QString& key)
{
    holder.start(QStringLiteral(INSTANCE_HOLDER), {key});
    ASSERT_TRUE(holder.waitForStarted(10000));
    ASSERT_TRUE(holder.waitForReadyRead(10000));
    ASSERT_EQ(holder.readLine().trimmed(), QByteArray("held"));
}

TEST(SingleInstanceGuard, FirstTakesItSecondInSameProcessDoesNot)
{
    const QString key = uniqueKey("same");
    SingleInstanceGuard first(key);
    SingleInstanceGuard second(key);
    EXPECT_TRUE(first.tryAcquire());
    EXPECT_TRUE(first.isHeld());
    EXPECT_FALSE(second.tryAcquire());
    EXPECT_FALSE(second.isHeld());
}

TEST(SingleInstanceGuard, ReleasedWhenTheHolderEnds)
{
    const QString key = uniqueKey("released");
    {
        SingleInstanceGuard first(key);
        ASSERT_TRUE(first.tryAcquire());
    }
    SingleInstanceGuard next(key);
    EXPECT_TRUE(next.tryAcquire());
}

TEST(SingleInstanceGuard, LiveOtherProcessKeepsItKilledOneDoesNot)
{
    const QString key = uniqueKey("killed");
    QProcess holder;
    startHolder(holder, key);

    SingleInstanceGuard whileAlive(key);
    EXPECT_FALSE(whileAlive.tryAcquire()) << "a running instance holds the key";

    holder.kill(); // SIGKILL: no chance to remove the segment
    ASSERT_TRUE(holder.waitForFinished(10000));

    SingleInstanceGuard afterCrash(key);
    EXPECT_TRUE(afterCrash.tryAcquire()) << "a crashed instance's segment must not block later starts";
}

// A crashed instance's segment whose key file is gone (a cleaned temporary
// folder): the next key file usually gets the freed inode, and with it the
// segment's system key.
TEST(SingleInstanceGuard, SegmentLeftWithoutItsKeyFileDoesNotBlockLaterStarts)
{
    const QString key = uniqueKey("vanished");
    QProcess holder;
    startHolder(holder, key);
    holder.kill();
    ASSERT_TRUE(holder.waitForFinished(30000));
    ASSERT_TRUE(QFile::remove(QSharedMemory(key).nativeKey()));

    SingleInstanceGuard next(key);
    EXPECT_TRUE(next.tryAcquire());
}

} // namespace
