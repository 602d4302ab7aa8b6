#include "platform/crashreporter.h"
#include "platform/crashreportname.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct NameCase {
    CrashTime when;
    int attempt;
    const char* expected;
};

TEST(CrashReportName, FormsNameWithoutLeadingZeros)
{
    const NameCase cases[] = {
        {{2026, 12, 9, 8, 5, 3}, 1, "Quvix Software V.2.8.0 D.9-12-2026 T.8-5-3.dmp"},
        {{2027, 1, 1, 0, 0, 7}, 1, "Quvix Software V.2.8.0 D.1-1-2027 T.0-0-7.dmp"},
        {{2026, 10, 31, 23, 59, 59}, 1, "Quvix Software V.2.8.0 D.31-10-2026 T.23-59-59.dmp"},
        {{2027, 1, 1, 0, 0, 7}, 2, "Quvix Software V.2.8.0 D.1-1-2027 T.0-0-7_2.dmp"},
        {{2027, 1, 1, 0, 0, 7}, 12, "Quvix Software V.2.8.0 D.1-1-2027 T.0-0-7_12.dmp"},
    };
    for (const NameCase& c : cases) {
        char name[128];
        const std::size_t length = formatCrashReportName(name, sizeof name, c.when, c.attempt);
        EXPECT_STREQ(name, c.expected);
        EXPECT_EQ(length, std::string(c.expected).size());
    }
}

TEST(CrashReportName, TooSmallBufferGivesNothingAndNoOverrun)
{
    char name[20 + 1];
    name[20] = 'x';
    EXPECT_EQ(formatCrashReportName(name, 20, CrashTime{}, 1), 0u);
    EXPECT_STREQ(name, "");
    EXPECT_EQ(name[20], 'x');
}

TEST(CrashReportName, CalendarFieldsFromSeconds)
{
    struct {
        std::int64_t seconds;
        CrashTime expected;
    } const cases[] = {
        {0, {1970, 1, 1, 0, 0, 0}},
        {951782400, {2000, 2, 29, 0, 0, 0}}, // leap day of a century leap year
        {1798934400 + 8 * 3600 + 5 * 60 + 3, {2027, 1, 3, 8, 5, 3}},
        {1798761607, {2027, 1, 1, 0, 0, 7}},
        {4107542399, {2100, 2, 28, 23, 59, 59}}, // 2100 is no leap year
        {4107542400, {2100, 3, 1, 0, 0, 0}},
        {-1, {1969, 12, 31, 23, 59, 59}},
    };
    for (const auto& c : cases) {
        const CrashTime got = crashTimeFromSeconds(c.seconds);
        EXPECT_EQ(got.year, c.expected.year) << c.seconds;
        EXPECT_EQ(got.month, c.expected.month) << c.seconds;
        EXPECT_EQ(got.day, c.expected.day) << c.seconds;
        EXPECT_EQ(got.hour, c.expected.hour) << c.seconds;
        EXPECT_EQ(got.minute, c.expected.minute) << c.seconds;
        EXPECT_EQ(got.second, c.expected.second) << c.seconds;
    }
}

class ReportFolder : public ::testing::Test
{
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/crashreports-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        folder_ = std::string(pattern) + "/";
    }
    void TearDown() override { std::system(("rm -rf '" + folder_ + "'").c_str()); }

    bool exists(const std::string& name) const
    {
        struct stat info {
        };
        return ::stat((folder_ + name).c_str(), &info) == 0;
    }

    std::string folder_;
};

TEST_F(ReportFolder, SecondCrashInSameSecondGetsItsOwnFile)
{
    const CrashTime when{2026, 12, 9, 8, 5, 3};
    char first[256];
    char second[256];
    const int firstFd = CrashReporter::createReportFile(folder_.c_str(), when, first, sizeof first);
    const int secondFd = CrashReporter::createReportFile(folder_.c_str(), when, second, sizeof second);
    ASSERT_GE(firstFd, 0);
    ASSERT_GE(secondFd, 0);
    ::close(firstFd);
    ::close(secondFd);
    EXPECT_STREQ(first, "Quvix Software V.2.8.0 D.9-12-2026 T.8-5-3.dmp");
    EXPECT_STREQ(second, "Quvix Software V.2.8.0 D.9-12-2026 T.8-5-3_2.dmp");
    EXPECT_TRUE(exists(first));
    EXPECT_TRUE(exists(second));
}

TEST_F(ReportFolder, MissingFolderWritesNothing)
{
    char name[256];
    const std::string missing = folder_ + "absent/";
    EXPECT_EQ(CrashReporter::createReportFile(missing.c_str(), CrashTime{}, name, sizeof name), -1);
}

} // namespace
