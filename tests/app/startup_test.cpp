#include "app/dialogs/crashreportbox.h"
#include "support/messageboxanswer.h"
#include "app/shellvalues.h"
#include "app/startupsteps.h"
#include "platform/singleinstanceguard.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

namespace {

TEST(ShellValues, FixedTexts)
{
    EXPECT_EQ(closeQuestionText,
              QStringLiteral("Are you sure you would like to close the Quvix application ?"));
    EXPECT_EQ(closeQuestionText.size(), 60);
    EXPECT_EQ(userGuideFileName, QStringLiteral("Quvix_Software_User_Guide.pdf"));
    EXPECT_EQ(crashLogDirectory, QDir::homePath() + QStringLiteral("/AppData/Local/Quorvane/Crash Logs/"));
}

TEST(ShellValues, HomePathIsTakenOverUnchanged)
{
    const struct {
        QString home;
        QString expected;
    } cases[] = {
        {QStringLiteral("/home/ann"), QStringLiteral("/home/ann/AppData/Local/Quorvane/Crash Logs/")},
        {QStringLiteral("/home/ann lee"), QStringLiteral("/home/ann lee/AppData/Local/Quorvane/Crash Logs/")},
        {QStringLiteral("/home/j\u00fcrgen %1"),
         QStringLiteral("/home/j\u00fcrgen %1/AppData/Local/Quorvane/Crash Logs/")},
    };
    for (const auto& c : cases)
        EXPECT_EQ(crashLogDirectoryFor(c.home), c.expected) << c.home.toStdString();
}

TEST(StartupSteps, CrashFolderIsCreatedWithItsParentsAndAnExistingOneLeftAlone)
{
    QTemporaryDir home;
    const QString folder = crashLogDirectoryFor(home.path());
    startupsteps::createCrashLogFolder(folder);
    ASSERT_TRUE(QDir(folder).exists());

    QFile earlier(folder + QStringLiteral("earlier.dmp"));
    ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
    earlier.write("kept");
    earlier.close();
    startupsteps::createCrashLogFolder(folder);
    EXPECT_TRUE(QFile::exists(folder + QStringLiteral("earlier.dmp")));
}

TEST(StartupSteps, ProcessNames)
{
    startupsteps::setProcessNames();
    EXPECT_EQ(QCoreApplication::organizationName(), QStringLiteral("Quorvane"));
    EXPECT_EQ(QCoreApplication::applicationName(), QStringLiteral("Quvix"));
    EXPECT_FALSE(QCoreApplication::organizationDomain().isEmpty());
}

class SecondInstance : public ::testing::Test
{
protected:
    void SetUp() override
    {
        key_ = QStringLiteral("QuvixTest-%1-startup").arg(QCoreApplication::applicationPid());
        holder_.start(QStringLiteral(INSTANCE_HOLDER), {key_});
        ASSERT_TRUE(holder_.waitForStarted(10000));
        ASSERT_TRUE(holder_.waitForReadyRead(10000));
        ASSERT_EQ(holder_.readLine().trimmed(), QByteArray("held"));
    }
    void TearDown() override
    {
        holder_.kill();
        holder_.waitForFinished(10000);
    }

    QString key_;
    QProcess holder_;
};

TEST_F(SecondInstance, AsksWhileTheFirstRunsAndNoEndsStartUp)
{
    SingleInstanceGuard guard(key_);
    MessageBoxAnswers user({QMessageBox::No});
    EXPECT_FALSE(startupsteps::takeSingleInstance(guard));
    ASSERT_EQ(user.seen().size(), 1);
    EXPECT_EQ(user.seen()[0].title, QStringLiteral("!"));
    EXPECT_EQ(user.seen()[0].text, QStringLiteral("Quvix software already running. Open another instance?"));
    EXPECT_EQ(user.seen()[0].buttons, QMessageBox::Yes | QMessageBox::No);
}

TEST_F(SecondInstance, YesRunsAnotherInstanceWithoutTheKey)
{
    SingleInstanceGuard guard(key_);
    MessageBoxAnswers user({QMessageBox::Yes});
    EXPECT_TRUE(startupsteps::takeSingleInstance(guard));
    EXPECT_EQ(user.seen().size(), 1);
    EXPECT_FALSE(guard.isHeld());
}

TEST_F(SecondInstance, DoesNotAskOnceTheFirstWasKilled)
{
    holder_.kill();
    ASSERT_TRUE(holder_.waitForFinished(10000));
    SingleInstanceGuard guard(key_);
    MessageBoxAnswers user({QMessageBox::No});
    EXPECT_TRUE(startupsteps::takeSingleInstance(guard));
    EXPECT_TRUE(user.seen().isEmpty());
    EXPECT_TRUE(guard.isHeld());
}

TEST(CrashReportBox, MessageNamesTheReportAndWhereItLies)
{
    const QString text =
        crashreportbox::message(QStringLiteral("Quvix Software V.2.8.0 D.9-12-2026 T.8-5-3.dmp"),
                                QStringLiteral("/home/ann/AppData/Local/Quorvane/Crash Logs/"));
    EXPECT_EQ(
        text,
        QStringLiteral(
            "Fatal error occurred and the application will be terminated.<br><br>"
            "A crash log named 'Quvix Software V.2.8.0 D.9-12-2026 T.8-5-3.dmp' has been created inside the "
            "crash log folder:<br>"
            "<a href=\"file:///home/ann/AppData/Local/Quorvane/Crash%20Logs/\">"
            "/home/ann/AppData/Local/Quorvane/Crash Logs/</a>.<br><br>"
            "Please, contact the Quorvane support team at "
            "<a href=\"mailto:support@quorvane.com\">support@quorvane.com</a> detailing, if possible, what "
            "caused the issue, and attaching the log file to the email."));
}

} // namespace
