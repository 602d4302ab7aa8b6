// Crashes a child process in each handled way and reads what it left behind.

#include "platform/crashreporter.h"

#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

namespace {

struct CrashCase {
    const char* kind;
    const char* signalLine;
    const char* reasonLine; // empty when none is expected
};

std::ostream& operator<<(std::ostream& out, const CrashCase& c)
{
    return out << c.kind;
}

// Waits for a file the child's notifier writes, polling with a deadline.
QByteArray waitForFile(const QString& path, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly)) {
            const QByteArray content = file.readAll();
            if (content.endsWith('\n'))
                return content;
        }
        QThread::msleep(20);
    }
    return {};
}

class CrashReporterChild : public ::testing::TestWithParam<CrashCase>
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(temp_.isValid());
        folder_ = temp_.filePath(QStringLiteral("Crash Logs")) + QStringLiteral("/");
        ASSERT_TRUE(QDir().mkpath(folder_));
        notifier_ = temp_.filePath(QStringLiteral("notifier.sh"));
        noticeFile_ = temp_.filePath(QStringLiteral("notice.txt"));
        QFile script(notifier_);
        ASSERT_TRUE(script.open(QIODevice::WriteOnly));
        script.write(
            QStringLiteral("#!/bin/sh\nprintf '%s|%s\\n' \"$1\" \"$2\" > '%1.part'\nmv '%1.part' '%1'\n")
                .arg(noticeFile_)
                .toUtf8());
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    QTemporaryDir temp_;
    QString folder_;
    QString notifier_;
    QString noticeFile_;
};

TEST_P(CrashReporterChild, WritesReportAndStartsNotifier)
{
    const CrashCase& c = GetParam();
    QProcess child;
    child.start(QStringLiteral(CRASH_CHILD), {folder_, notifier_, QString::fromLatin1(c.kind)});
    ASSERT_TRUE(child.waitForFinished(60000));
    EXPECT_EQ(child.exitStatus(), QProcess::CrashExit) << child.readAll().toStdString();

    const QStringList reports = QDir(folder_).entryList({QStringLiteral("*.dmp")}, QDir::Files);
    ASSERT_EQ(reports.size(), 1);
    EXPECT_TRUE(reports.first().startsWith(QStringLiteral("Quvix Software V.2.8.0 D.")));

    QFile reportFile(folder_ + reports.first());
    ASSERT_TRUE(reportFile.open(QIODevice::ReadOnly));
    const QByteArray report = reportFile.readAll();
    EXPECT_TRUE(report.contains(c.signalLine)) << report.left(400).toStdString();
    if (c.reasonLine[0] != '\0') {
        EXPECT_TRUE(report.contains(c.reasonLine)) << report.left(600).toStdString();
    }
    EXPECT_TRUE(report.contains("\nBacktrace:\n"));
    EXPECT_TRUE(report.contains("platform_crash_child")) << "backtrace or map names the program";
    EXPECT_TRUE(report.contains("\nMemory map:\n"));
    EXPECT_TRUE(report.contains("[stack]")) << "the memory map is copied whole";

    const QByteArray notice = waitForFile(noticeFile_, 30000);
    EXPECT_EQ(notice, (folder_ + QStringLiteral("|") + reports.first() + QStringLiteral("\n")).toUtf8());
}

INSTANTIATE_TEST_SUITE_P(
    EachHandledFailure, CrashReporterChild,
    ::testing::Values(CrashCase{"segv", "Signal: 11 SIGSEGV", ""},
                      CrashCase{"abort", "Signal: 6 SIGABRT", ""}, CrashCase{"fpe", "Signal: 8 SIGFPE", ""},
                      CrashCase{"bus", "Signal: 7 SIGBUS", ""}, CrashCase{"ill", "Signal: 4 SIGILL", ""},
                      CrashCase{"terminate", "Signal: 6 SIGABRT",
                                "Reason: uncaught exception (std::runtime_error): scan buffer exhausted"}),
    [](const ::testing::TestParamInfo<CrashCase>& info) { return std::string(info.param.kind); });

TEST(CrashReporter, MissingFolderLeavesNoReportAndStillEndsTheProcess)
{
    QTemporaryDir temp;
    const QString missing = temp.filePath(QStringLiteral("missing/"));
    QProcess child;
    child.start(QStringLiteral(CRASH_CHILD), {missing, QString(), QStringLiteral("abort")});
    ASSERT_TRUE(child.waitForFinished(60000));
    EXPECT_EQ(child.exitStatus(), QProcess::CrashExit);
    EXPECT_FALSE(QDir(missing).exists());
}

} // namespace
