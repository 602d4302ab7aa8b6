// A long scan is saved, exported and loaded without a copy of its whole file
// in memory: each step runs in a child process whose address space may grow
// only by a few megabytes beyond what it holds (for loading, beyond the
// loaded scan itself), far less than the files take.

#include "scans/basescan.h"
#include "scans/csvoptions.h"
#include "support/sanitizedbuild.h"
#include "support/scanfactory.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

constexpr int samples = 60000;
constexpr int harmonics = 5;
constexpr qint64 headroom = 4 << 20;

std::unique_ptr<BaseScan> longScan()
{
    return scantest::recordedScan(QStringLiteral("long"), samples, harmonics);
}

qint64 addressSpaceBytes()
{
    long pages = 0;
    if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld", &pages) != 1)
            pages = 0;
        std::fclose(statm);
    }
    return static_cast<qint64>(pages) * sysconf(_SC_PAGESIZE);
}

// From now on this process may map at most `bytes` more.
void limitGrowth(qint64 bytes)
{
    struct rlimit limit {
    };
    getrlimit(RLIMIT_AS, &limit);
    limit.rlim_cur = static_cast<rlim_t>(addressSpaceBytes() + bytes);
    setrlimit(RLIMIT_AS, &limit);
}

qint64 heldBytes(const BaseScan& scan)
{
    qint64 bytes = 0;
    for (const auto& set : scan.dataSets)
        for (const Series* s : set->allSeries())
            bytes += static_cast<qint64>(s->size() * sizeof(double));
    return bytes;
}

qint64 fileBytes(const QString& path)
{
    return QFile(path).size();
}

class StreamedScanFiles : public ::testing::Test
{
protected:
    void SetUp() override
    {
#ifdef QUVIX_SANITIZED
        GTEST_SKIP() << "the sanitizers' allocators reserve their address space up front";
#endif
        GTEST_FLAG_SET(death_test_style, "fast");
        ASSERT_TRUE(dir.isValid());
        csvDelimiter = ";";
        scan = longScan();
    }

    QTemporaryDir dir;
    std::unique_ptr<BaseScan> scan;
};

} // namespace

TEST_F(StreamedScanFiles, SavesAndExportsHoldNoCopyOfTheFile)
{
    QString dat = dir.filePath("long.dat");
    QString csv = dir.filePath("long.csv");
    const QString interval = dir.filePath("interval.csv");
    EXPECT_EXIT(
        {
            limitGrowth(headroom);
            const bool written = scan->saveDat(dat, "Quvix 2.8.0") &&
                                 scan->exportCsv(csv, "Quvix 2.8.0", nullptr) &&
                                 scan->exportText(interval, "Quvix 2.8.0", -1.0, 1e9, nullptr);
            std::_Exit(written ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
    // The limit is well below what the files take.
    EXPECT_GT(fileBytes(dat), 2 * headroom);
    EXPECT_GT(fileBytes(csv), 2 * headroom);
    EXPECT_GT(fileBytes(interval), 2 * headroom);
}

TEST_F(StreamedScanFiles, LoadingHoldsNoCopyOfTheFile)
{
    QString dat = dir.filePath("long.dat");
    ASSERT_TRUE(scan->saveDat(dat, "Quvix 2.8.0"));
    ASSERT_GT(fileBytes(dat), 2 * headroom);
    // Room for the loaded scan, as its own series hold it, and the headroom.
    const qint64 loaded = heldBytes(*scan) + (4 << 20);
    scan.reset();
    EXPECT_EXIT(
        {
            limitGrowth(loaded + headroom);
            try {
                const std::unique_ptr<BaseScan> read = BaseScan::loadDat(dat);
                std::_Exit(read->sampleCount(0) == samples ? 0 : 1);
            } catch (int code) {
                std::_Exit(code);
            }
        },
        ::testing::ExitedWithCode(0), "");
}
