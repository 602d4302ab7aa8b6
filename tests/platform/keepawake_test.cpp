#include "platform/inhibitorkeepawake.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

namespace {

QStringList capturedLines;

void captureMessages(QtMsgType, const QMessageLogContext&, const QString& message)
{
    capturedLines.append(message);
}

class CapturedLog
{
public:
    CapturedLog()
        : previous_(qInstallMessageHandler(captureMessages))
    {
        capturedLines.clear();
    }
    ~CapturedLog() { qInstallMessageHandler(previous_); }
    int countContaining(const QString& text) const { return capturedLines.filter(text).size(); }

private:
    QtMessageHandler previous_;
};

TEST(InhibitorKeepAwake, WithoutInhibitorHoldsNothingAndSaysSoOnce)
{
    CapturedLog log;
    InhibitorKeepAwake keepAwake(QStringLiteral("no-such-inhibitor-program"));
    keepAwake.hold();
    EXPECT_TRUE(keepAwake.isHeld());
    EXPECT_FALSE(keepAwake.hasInhibitor());
    keepAwake.release();
    keepAwake.hold();
    keepAwake.release();
    EXPECT_FALSE(keepAwake.isHeld());
    EXPECT_EQ(log.countContaining(QStringLiteral("keep-awake: no sleep inhibitor")), 1);
}

TEST(InhibitorKeepAwake, InhibitorRunsExactlyWhileHeld)
{
    // Stands in for systemd-inhibit: stays up until it is told to end.
    QTemporaryDir temp;
    const QString inhibitor = temp.filePath(QStringLiteral("fake-inhibit"));
    QFile script(inhibitor);
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\nexec sleep 600\n");
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    InhibitorKeepAwake keepAwake(inhibitor);
    EXPECT_FALSE(keepAwake.hasInhibitor());
    keepAwake.hold();
    keepAwake.hold();
    EXPECT_TRUE(keepAwake.hasInhibitor());
    keepAwake.release();
    EXPECT_FALSE(keepAwake.hasInhibitor());
    EXPECT_FALSE(keepAwake.isHeld());
    keepAwake.hold();
    EXPECT_TRUE(keepAwake.hasInhibitor()) << "a later scan holds it again";
}

} // namespace
