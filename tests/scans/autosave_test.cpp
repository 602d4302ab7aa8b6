#include "scans/basescan.h"
#include "scans/cwscan.h"
#include "scans/processvalues.h"
#include "scans/scanhandler.h"
#include "scans/scanlog.h"
#include "scantesthelpers.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <functional>
#include <memory>

using namespace scantest;

namespace {

class AutosaveTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        applicationVersionString = softwareIdentification("Quvix", 2, 8, 0); // as the main window sets it
        scan = std::make_unique<CWScan>(&sensor, "run", 100);
        scan->created = QDateTime(QDate(2023, 8, 21), QTime(14, 5, 9), Qt::OffsetFromUTC, 0);
    }
    QString folder() const { return dir.path() + "/"; }
    void touch(const QString& name)
    {
        QFile file(dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }

    QTemporaryDir dir;
    FakeSensor sensor{{13.56}, {1}, 1};
    std::unique_ptr<CWScan> scan;
};

} // namespace

struct NameCase {
    const char* name;
    const char* pattern;
    std::function<void(BaseScan&)> prepare;
    const char* expected; // file name in the folder
};

class AutosaveName : public AutosaveTest, public ::testing::WithParamInterface<NameCase>
{
};

TEST_P(AutosaveName, ExpandsTheTags)
{
    const NameCase& c = GetParam();
    if (c.prepare)
        c.prepare(*scan);
    scan->setAutosaveTarget(dir.path(), c.pattern);
    scan->autosaveFileName();
    EXPECT_EQ(scan->autosavePath, dir.path() + "/" + c.expected);
    EXPECT_EQ(scan->filePath, scan->autosavePath);
}

INSTANTIATE_TEST_SUITE_P(
    Patterns, AutosaveName,
    ::testing::Values(
        NameCase{"NickAndDate", "<nick>_<fulldate>", {}, "A123_2023_08_21-14-05-09.dat"},
        NameCase{"UnknownTagRemoved", "run<other>", {}, "run.dat"},
        // Nothing left of the name would give a hidden ".dat".
        NameCase{"EmptyPatternTakesTheDefault", "", {}, "Continuous Wave-2023_08_21-14-05-09.dat"},
        NameCase{"OnlyUnknownTagsTakeTheDefault", "<other>", {}, "Continuous Wave-2023_08_21-14-05-09.dat"},
        NameCase{"UnclosedTagKept", "<nick", {}, "<nick.dat"},
        // The name stays inside the folder, whatever a stored pattern says.
        NameCase{"NoStepOutOfTheFolder", "../escaped", {}, "escaped.dat"},
        NameCase{"NoStepOutOfASubFolder", "runs/../../<nick>", {}, "runs/A123.dat"},
        NameCase{"NoRootedName", "/tmp/./<nick>", {}, "tmp/A123.dat"},
        NameCase{"OnlyStepsTakeTheDefault", "../..", {}, "Continuous Wave-2023_08_21-14-05-09.dat"},
        NameCase{"WaferSuffix", "name", [](BaseScan& s) { s.setWaferInfo("L7", "3"); }, "name_L7_3.dat"},
        NameCase{"NoSuffixWithoutLot", "name", [](BaseScan& s) { s.setWaferInfo("", "3"); }, "name.dat"},
        NameCase{"SampleRate", "<samplerate>", [](BaseScan& s) { s.averages = 100; }, "0.1[s].dat"},
        NameCase{"SampleRateZero", "<samplerate>", [](BaseScan& s) { s.averages = 0; }, "0[s].dat"},
        NameCase{"TypeAndTimeParts",
                 "<scantype> <day>-<hour>-<minute>-<second>",
                 {},
                 "Continuous Wave 21-14-05-09.dat"},
        NameCase{
            "EventTags", "<eventType>_<eventNumber>_<eventThresholdLevel>_<eventDuration>",
            [](BaseScan& s) { s.setTriggerRecording(0, 12.5, true, 0, 1, true, 0, 0, 0, false, 0, nullptr); },
            "Volts_0_12.5_0 sec.dat"},
        NameCase{"UnsafeCharactersInValues", "<nick>_<serial>_<waferLot>",
                 [](BaseScan& s) {
                     s.nickname = "a/b:c*d";
                     s.serialNumber = "s?\"<x>|\\";
                     s.setWaferInfo("L/1", "2:3");
                 },
                 "a_b_c_d_s___x____L_1_L_1_2_3.dat"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(AutosaveTest, FolderRulesAndBaseName)
{
    scan->setAutosaveTarget("", "run");
    EXPECT_EQ(scan->autosaveFolder, "./");
    scan->autosaveFileName();
    EXPECT_EQ(scan->autosavePath, "./run.dat");
    scan->setAutosaveTarget(dir.path(), "run_3");
    scan->autosaveFileName();
    EXPECT_EQ(scan->autosavePath, dir.path() + "/run_3.dat");
    EXPECT_EQ(scan->fileBaseName(), "run_3");
    EXPECT_EQ(scan->name(), "run_3-A123");
}

TEST_F(AutosaveTest, TakenNamesGetTheNextCounter)
{
    touch("name.dat");
    touch("name_1.dat");
    scan->start();
    runPass(*scan, sensor, sampleFor(sensor), 0);
    scan->setAutosaveTarget(folder(), "name");
    const QString saved = BaseScan::autosave(scan.get(), nullptr);
    EXPECT_EQ(saved, dir.path() + "/name_2.dat");
    EXPECT_TRUE(QFile::exists(dir.filePath("name_2.csv")));
    const std::unique_ptr<BaseScan> read = BaseScan::loadDat(saved);
    EXPECT_EQ(read->sampleCount(0), 1);
    QFile csv(dir.filePath("name_2.csv"));
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    EXPECT_TRUE(csv.readLine().startsWith("Software :"));
}

TEST_F(AutosaveTest, NothingWithoutAutosaveOrWithoutAFolder)
{
    EXPECT_TRUE(BaseScan::autosave(scan.get(), nullptr).isEmpty());
    scan->setAutosaveTarget(dir.filePath("missing/folder"), "run");
    EXPECT_TRUE(BaseScan::autosave(scan.get(), nullptr).isEmpty());
    EXPECT_TRUE(scan->unsavedData);
}

// ---- triggered recording ------------------------------------------------------------

namespace {

constexpr int tenthOfASecond = 2400000;

class TriggeredRecording : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        applicationVersionString = softwareIdentification("Quvix", 2, 8, 0);
        ScanHandler::getInstance(); // the registry lives on this (the GUI) thread
        scan = std::make_unique<CWScan>(&sensor, "auto", 100);
        scan->start();
    }
    void TearDown() override
    {
        QCoreApplication::sendPostedEvents();
        const QList<BaseScan*> kept = ScanHandler::getInstance()->keptScans();
        qDeleteAll(kept);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // One sample 0.1 s after the previous, with the watched voltage v.
    void feed(double v) { runPass(*scan, sensor, sampleFor(sensor, 100.0, 20.0, v), tenthOfASecond); }
    void feed(std::initializer_list<double> values)
    {
        for (double v : values)
            feed(v);
    }
    double span() const { return scan->dataSets[0]->lastTime() - scan->dataSets[0]->firstTime(); }
    double lastTime() const { return scan->dataSets[0]->lastTime(); }

    QTemporaryDir dir;
    FakeSensor sensor{{13.56}, {1}, 1};
    std::unique_ptr<CWScan> scan;
};

} // namespace

TEST_F(TriggeredRecording, StartsAboveStrictly)
{
    scan->setTriggerRecording(Voltage, 10, true, Voltage, 100, true, 1, 0, 0, false, 0, nullptr);
    QSignalSpy started(scan.get(), &BaseScan::acquisitionStarted);
    feed({5, 10});
    EXPECT_EQ(started.size(), 0);
    EXPECT_TRUE(scan->isWaitingForTrigger());
    feed({8, 12});
    EXPECT_EQ(started.size(), 1);
    EXPECT_FALSE(scan->isWaitingForTrigger());
    EXPECT_EQ(scan->eventCount, 1);
}

TEST_F(TriggeredRecording, StartsBelow)
{
    scan->setTriggerRecording(Voltage, 10, false, Voltage, 100, true, 1, 0, 0, false, 0, nullptr);
    QSignalSpy started(scan.get(), &BaseScan::acquisitionStarted);
    feed(12);
    EXPECT_EQ(started.size(), 0);
    feed(9.9);
    EXPECT_EQ(started.size(), 1);
}

TEST_F(TriggeredRecording, HistoryIsBoundedAndCutAtTheStart)
{
    scan->setTriggerRecording(Voltage, 10, true, Voltage, 100, true, 2, 0, 0, false, 0, nullptr);
    for (int i = 0; i < 100; ++i) {
        feed(1);
        ASSERT_LE(span(), 6.0 + 1e-9);
    }
    EXPECT_GE(span(), 2.0 - 1e-9);
    feed(20);
    EXPECT_NEAR(lastTime(), 0.0, 1e-9);
    EXPECT_NEAR(scan->dataSets[0]->firstTime(), -2.0, 1e-6);
}

TEST_F(TriggeredRecording, EventDurationEndsEvenBelowTheStopLevel)
{
    scan->setTriggerRecording(Voltage, 10, true, Voltage, 50, false, 0, 0, 5, false, 0, nullptr);
    QSignalSpy stopped(scan.get(), &BaseScan::acquisitionStopped);
    feed(20); // t = 0
    for (int i = 1; i < 50; ++i) {
        feed(1); // below the stop level: ignored while an event duration is set
        ASSERT_FALSE(scan->isFinished()) << "t " << lastTime();
    }
    feed(1); // 5.0 s (4.99999... rounds to 5.0)
    EXPECT_TRUE(scan->isFinished());
    EXPECT_EQ(stopped.size(), 1);
}

TEST_F(TriggeredRecording, PostTriggerTimeRunsAndCanBeCancelled)
{
    struct Case {
        std::vector<double> values; // from the start sample on, 0.1 s apart
        double endsAt;
    };
    // Stop above 50 with 1 s of post-trigger time.
    std::vector<double> holdsFrom3(60, 1.0);
    for (size_t i = 30; i < holdsFrom3.size(); ++i)
        holdsFrom3[i] = 60;
    std::vector<double> cancelled = holdsFrom3;
    for (size_t i = 35; i < 38; ++i)
        cancelled[i] = 1; // drops at 3.5 s, holds again from 3.8 s
    for (const Case& c : {Case{holdsFrom3, 4.1}, Case{cancelled, 4.9}}) {
        scan = std::make_unique<CWScan>(&sensor, "auto", 100);
        scan->start();
        scan->setTriggerRecording(Voltage, 10, true, Voltage, 50, true, 0, 1, 0, false, 0, nullptr);
        feed(20);
        double endedAt = -1;
        for (size_t i = 1; i < c.values.size() && endedAt < 0; ++i) {
            feed(c.values[i]);
            if (scan->isFinished())
                endedAt = lastTime();
        }
        EXPECT_NEAR(endedAt, c.endsAt, 1e-6);
    }
}

TEST_F(TriggeredRecording, WithoutPostTimeTheFirstStopSampleEnds)
{
    scan->setTriggerRecording(Voltage, 10, true, Voltage, 50, true, 0, 0, 0, false, 0, nullptr);
    feed({20, 30, 40});
    EXPECT_FALSE(scan->isFinished());
    feed(50);
    EXPECT_TRUE(scan->isFinished());
}

TEST_F(TriggeredRecording, ContinueMonitoringSavesAndRegistersEveryEvent)
{
    scan->setAutosaveTarget(dir.path(), "event_<eventNumber>");
    scan->setTriggerRecording(Voltage, 10, true, Voltage, 5, false, 1, 0, 0, true, 0, nullptr);
    QSignalSpy stopped(scan.get(), &BaseScan::acquisitionStopped);
    for (int event = 0; event < 3; ++event)
        feed({1, 1, 20, 20, 20, 1, 1});
    EXPECT_FALSE(scan->isFinished());
    EXPECT_EQ(scan->eventCount, 3);
    EXPECT_EQ(stopped.size(), 3);
    QCoreApplication::sendPostedEvents();
    const QStringList files = QDir(dir.path()).entryList(QDir::Files, QDir::Name);
    EXPECT_EQ(files, (QStringList{"event_1.csv", "event_1.dat", "event_2.csv", "event_2.dat", "event_3.csv",
                                  "event_3.dat"}));
    const QList<BaseScan*> kept = ScanHandler::getInstance()->keptScans();
    ASSERT_EQ(kept.size(), 3);
    EXPECT_FALSE(kept[0]->unsavedData);
    EXPECT_EQ(kept[0]->fileBaseName(), "event_1");
    // The event holds its history (1 s) and the event itself, up to the stop.
    EXPECT_NEAR(kept[0]->dataSets[0]->firstTime(), -0.2, 1e-6);
    EXPECT_NEAR(kept[0]->dataSets[0]->lastTime(), 0.3, 1e-6);
}

TEST_F(TriggeredRecording, EventsWithoutAFileAreKeptInMemory)
{
    QStringList log;
    setScanLogSink([&log](const QString& line) { log << line; });
    QSignalSpy reported(ScanHandler::getInstance(), &ScanHandler::autosaveFailed);
    for (bool autosaveOn : {false, true}) {
        scan = std::make_unique<CWScan>(&sensor, "auto", 100);
        scan->start();
        if (autosaveOn)
            scan->setAutosaveTarget(dir.filePath("missing"), "event");
        scan->setTriggerRecording(Voltage, 10, true, Voltage, 5, false, 1, 0, 0, true, 0, nullptr);
        feed({1, 20, 20, 1, 1, 20, 1});
        EXPECT_FALSE(scan->isFinished());
        EXPECT_TRUE(scan->isWaitingForTrigger());
    }
    QCoreApplication::sendPostedEvents();
    const QList<BaseScan*> kept = ScanHandler::getInstance()->keptScans();
    ASSERT_EQ(kept.size(), 4);
    // Each event holds up to 1 s of history: the first the sample before it,
    // the second also the first event, which lies within that second.
    const int samples[] = {4, 7, 4, 7};
    for (int i = 0; i < kept.size(); ++i) {
        EXPECT_TRUE(kept[i]->unsavedData);
        EXPECT_EQ(kept[i]->sampleCount(0), samples[i]);
        EXPECT_EQ(kept[i]->filePath, QString());
    }
    EXPECT_NE(kept[0]->name(), kept[1]->name());
    // Each failed save: why, then what became of the event.
    ASSERT_EQ(log.size(), 4);
    EXPECT_TRUE(log[0].contains(dir.filePath("missing/event.dat"))) << qPrintable(log[0]);
    EXPECT_TRUE(log[1].contains("kept in memory")) << qPrintable(log[1]);
    ASSERT_EQ(reported.size(), 2);
    EXPECT_TRUE(reported[0][1].toString().contains(dir.filePath("missing")));
    setScanLogSink({});
    ScanHandler::getInstance();
    setScanLogSink([](const QString& line) { ScanHandler::getInstance()->log(line); });
}
