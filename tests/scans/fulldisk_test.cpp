// Saves on a full file system: a 64 KiB tmpfs mounted in a mount namespace of
// the test's own thread, filled to its last page once a good file is on it.
// Nothing may replace the good file, leave a stray file, or report success.

#include "scans/csvoptions.h"
#include "scans/cwscan.h"
#include "scans/fileoutput.h"
#include "scantesthelpers.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

#include <string>

using namespace scantest;

namespace {

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class FullDisk : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        // Only this thread sees the new mounts; none of them reaches the host.
        if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            GTEST_SKIP() << "no private mount namespace here";
        const QByteArray point = QFile::encodeName(dir.path());
        if (mount("quvix-test", point.constData(), "tmpfs", 0, "size=64k") != 0)
            GTEST_SKIP() << "no tmpfs can be mounted here";
        mounted = point;
        csvDelimiter = ";";
    }

    void TearDown() override
    {
        if (!mounted.isEmpty())
            umount2(mounted.constData(), MNT_DETACH);
    }

    QString path(const QString& name) const { return dir.filePath(name); }

    // Puts a good file on the disk, then fills every page left.
    QByteArray placeGoodFileAndFill(const QString& name)
    {
        const QByteArray good = "Software ;Quvix 2.8.0\nTrend Count;0\nData\n";
        EXPECT_EQ(FileOutput::write(path(name), good), FileOutput::Written);
        const int fd = ::open(QFile::encodeName(path("filler")).constData(), O_WRONLY | O_CREAT, 0644);
        EXPECT_GE(fd, 0);
        const std::string block(4096, 'x');
        while (::write(fd, block.data(), block.size()) > 0) {
        }
        ::close(fd);
        return good;
    }

    std::string filesOnDisk() const
    {
        return QDir(dir.path()).entryList(QDir::Files, QDir::Name).join(' ').toStdString();
    }

    QTemporaryDir dir;
    QByteArray mounted;
};

struct FullDiskCase {
    const char* name;
    int textBytes;
    bool overExistingFile;
};

class FullDiskWrite : public FullDisk, public ::testing::WithParamInterface<FullDiskCase>
{
};

TEST_P(FullDiskWrite, FailsAndLeavesThePreviousFileByteForByte)
{
    const FullDiskCase& c = GetParam();
    const QByteArray good = placeGoodFileAndFill("good.dat");
    const QString target = path(c.overExistingFile ? "good.dat" : "new.dat");
    const std::string text(static_cast<size_t>(c.textBytes), 'n');

    EXPECT_EQ(FileOutput::write(target, text), FileOutput::WriteFailed);
    EXPECT_EQ(readAll(path("good.dat")), good);
    EXPECT_EQ(filesOnDisk(), "filler good.dat");
}

INSTANTIATE_TEST_SUITE_P(Texts, FullDiskWrite,
                         ::testing::Values(FullDiskCase{"SmallOverExisting", 300, true},
                                           FullDiskCase{"SmallToNewName", 300, false},
                                           FullDiskCase{"LargeOverExisting", 200000, true},
                                           FullDiskCase{"LargeToNewName", 200000, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(FullDisk, ScanSavesAndExportsReportFailureAndKeepTheDataUnsaved)
{
    FakeSensor sensor({13.56}, {1}, 1);
    CWScan scan(&sensor, "run", 100);
    scan.start();
    for (int i = 0; i < 3; ++i)
        runPass(scan, sensor, sampleFor(sensor), ticksPerMs * 10);
    const QByteArray good = placeGoodFileAndFill("scan.dat");

    QString datFile = path("scan.dat");
    EXPECT_FALSE(scan.saveDat(datFile, "Quvix 2.8.0"));
    EXPECT_TRUE(scan.unsavedData);
    QString csvFile = path("scan.csv");
    EXPECT_FALSE(scan.exportCsv(csvFile, "Quvix 2.8.0", nullptr));
    EXPECT_FALSE(scan.exportText(path("interval.csv"), "Quvix 2.8.0", -1.0, 0.015, nullptr));
    EXPECT_EQ(readAll(path("scan.dat")), good);
    EXPECT_EQ(filesOnDisk(), "filler scan.dat");
}

} // namespace
