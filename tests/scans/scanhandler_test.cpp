#include "scans/scanhandler.h"

#include "scans/cwscan.h"
#include "scans/scaninuse.h"
#include "scans/scanlog.h"
#include "scantesthelpers.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QPointer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <memory>

using namespace scantest;

namespace {

class ScanHandlerTest : public ::testing::Test
{
protected:
    void SetUp() override { handler.setScanTree(&tree); }
    void TearDown() override
    {
        const QList<BaseScan*> kept = handler.keptScans();
        tree.clear();
        qDeleteAll(kept);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // A completed measurement scan with one sample, or none.
    BaseScan* completedScan(bool withData = true)
    {
        auto* scan = new CWScan(&sensor, "run", 100);
        scan->start();
        if (withData)
            runPass(*scan, sensor, sampleFor(sensor), 0);
        scan->stop();
        return scan;
    }

    FakeSensor sensor{{13.56}, {1}, 1};
    QTreeWidget tree;
    ScanHandler handler;
};

} // namespace

TEST(AutosaveTags, TableInOrderWithTheirIds)
{
    ScanHandler handler;
    const QList<AutosaveTag>& tags = handler.autosaveTags();
    ASSERT_EQ(tags.size(), 15);
    QStringList texts;
    QList<int> ids;
    for (const AutosaveTag& t : tags) {
        texts << t.tag;
        ids << t.id;
    }
    EXPECT_EQ(texts,
              (QStringList{"<nick>", "<serial>", "<fulldate>", "<scantype>", "<samplerate>", "<waferLot>",
                           "<waferNumber>", "<day>", "<hour>", "<minute>", "<second>", "<eventDuration>",
                           "<eventType>", "<eventNumber>", "<eventThresholdLevel>"}));
    EXPECT_EQ(ids, (QList<int>{0, 1, 2, 3, 4, 9, 10, 6, 5, 7, 8, 12, 11, 13, 14}));
    EXPECT_EQ(tags[12].displayName, "Monitored value name");
    EXPECT_EQ(handler.scanLimit(), 30);
}

TEST_F(ScanHandlerTest, TheThirtyFirstScanPushesOutTheFirst)
{
    QSignalSpy dropped(&handler, &ScanHandler::getRidOfScan);
    QSignalSpy completed(&handler, &ScanHandler::scanCompleted);
    QList<BaseScan*> scans;
    for (int i = 0; i < 31; ++i) {
        scans << completedScan();
        handler.scanComplete(scans.last());
    }
    EXPECT_EQ(completed.size(), 31);
    ASSERT_EQ(dropped.size(), 1);
    EXPECT_EQ(dropped.front().front().value<BaseScan*>(), scans.first());
    EXPECT_EQ(handler.keptScans().size(), 30);
    EXPECT_EQ(tree.topLevelItemCount(), 31); // the main window removes the dropped one
    delete scans.first();
}

TEST_F(ScanHandlerTest, ALoweredLimitDropsTheOldestInOneGo)
{
    QList<BaseScan*> scans;
    for (int i = 0; i < 5; ++i) {
        scans << completedScan();
        handler.scanComplete(scans.last());
    }
    QSignalSpy dropped(&handler, &ScanHandler::getRidOfScan);
    handler.setScanLimit(2);
    EXPECT_EQ(dropped.size(), 0); // takes effect at the next completion
    scans << completedScan();
    handler.scanComplete(scans.last());
    ASSERT_EQ(dropped.size(), 4);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(dropped[i].front().value<BaseScan*>(), scans[i]);
    EXPECT_EQ(handler.keptScans(), (QList<BaseScan*>{scans[4], scans[5]}));

    handler.setScanLimit(0);
    BaseScan* last = completedScan();
    handler.scanComplete(last);
    EXPECT_EQ(dropped.size(), 7);
    EXPECT_TRUE(handler.keptScans().isEmpty());
    for (int i = 0; i < 4; ++i)
        delete scans[i];
    delete scans[4];
    delete scans[5];
    delete last;
}

TEST_F(ScanHandlerTest, ScansWithoutDataOrAtTheLimitAreNotRegisteredAndAreDeleted)
{
    QSignalSpy completed(&handler, &ScanHandler::scanCompleted);
    QPointer<BaseScan> empty = completedScan(false);
    QPointer<BaseScan> limit = completedScan();
    limit->dataLimitReached = true;
    auto* noTrends = new BaseScan(nullptr, "x");
    noTrends->dataSets.clear();
    QPointer<BaseScan> noTrendsGuard = noTrends;
    handler.scanComplete(empty);
    handler.scanComplete(limit);
    handler.scanComplete(noTrends);
    EXPECT_EQ(completed.size(), 1); // the data-limit scan counts as completed, shown nowhere
    EXPECT_EQ(tree.topLevelItemCount(), 0);
    EXPECT_TRUE(handler.keptScans().isEmpty());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(empty.isNull());
    EXPECT_TRUE(limit.isNull());
    EXPECT_TRUE(noTrendsGuard.isNull());
}

TEST_F(ScanHandlerTest, ANameAlreadyInTheTreeIsNotAddedAgain)
{
    QPointer<BaseScan> scan = completedScan();
    auto* parent = new QTreeWidgetItem(&tree, QStringList{"folder"});
    new QTreeWidgetItem(parent, QStringList{scan->name()});
    QSignalSpy completed(&handler, &ScanHandler::scanCompleted);
    handler.scanComplete(scan);
    EXPECT_EQ(completed.size(), 0);
    EXPECT_TRUE(handler.keptScans().isEmpty());
    EXPECT_EQ(tree.topLevelItemCount(), 1);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(scan.isNull());
}

TEST_F(ScanHandlerTest, DiscardedScansLeaveTheList)
{
    BaseScan* first = completedScan();
    BaseScan* second = completedScan();
    handler.scanComplete(first);
    handler.scanComplete(second);
    delete first; // the main window discards it
    EXPECT_EQ(handler.keptScans(), QList<BaseScan*>{second});
}

TEST_F(ScanHandlerTest, LoadedScansAreShownButNotKept)
{
    std::unique_ptr<BaseScan> loaded(completedScan());
    QSignalSpy completed(&handler, &ScanHandler::scanCompleted);
    handler.scanLoaded(loaded.get());
    EXPECT_EQ(completed.size(), 1);
    EXPECT_EQ(tree.topLevelItemCount(), 1);
    EXPECT_TRUE(handler.keptScans().isEmpty());
    tree.clear();
}

// A completed scan whose autosave cannot be written: the log has the path
// and the reason, the scan stays unsaved and registered, and the handler
// tells whoever shows it to the user, once per scan.
TEST_F(ScanHandlerTest, AFailedAutosaveIsLoggedReportedAndLeavesTheScanUnsaved)
{
    QTemporaryDir dir;
    QStringList log;
    setScanLogSink([&log](const QString& line) { log << line; });
    QSignalSpy failed(&handler, &ScanHandler::autosaveFailed);

    BaseScan* saved = completedScan();
    saved->setAutosaveTarget(dir.path(), "saved");
    handler.scanComplete(saved);
    EXPECT_EQ(failed.size(), 0);
    EXPECT_FALSE(saved->unsavedData);

    BaseScan* lost = completedScan();
    const QString folder = dir.filePath("gone");
    lost->setAutosaveTarget(folder, "lost");
    handler.scanComplete(lost);
    setScanLogSink({});
    ASSERT_EQ(failed.size(), 1);
    EXPECT_EQ(failed[0][0].toString(), lost->name());
    EXPECT_TRUE(failed[0][1].toString().contains(folder)) << qPrintable(failed[0][1].toString());
    EXPECT_TRUE(lost->unsavedData);
    EXPECT_TRUE(handler.keptScans().contains(lost));
    ASSERT_EQ(log.size(), 1);
    EXPECT_TRUE(log[0].contains(folder + "/lost.dat")) << qPrintable(log[0]);
    EXPECT_TRUE(log[0].contains(failed[0][1].toString())) << qPrintable(log[0]);
    setScanLogSink([](const QString& line) { ScanHandler::getInstance()->log(line); });
}

TEST(ScanHandlerLog, TheRegistryTakesOverTheScanLog)
{
    ScanHandler* registry = ScanHandler::getInstance();
    QSignalSpy lines(registry, &ScanHandler::logMessage);
    scanLog("PULSE Trend; test");
    ASSERT_EQ(lines.size(), 1);
    EXPECT_EQ(lines.front().front().toString(), "PULSE Trend; test");
}

TEST_F(ScanHandlerTest, AHeldScanOutlivesItsCompletionUntilReleased)
{
    enum class Fate { Unregistered, Kept, DeletedMeanwhile };
    struct Case {
        Fate fate;
        int holds;
        bool aliveBeforeRelease;
        bool aliveAfterRelease;
    };
    const Case cases[] = {{Fate::Unregistered, 1, true, false},
                          {Fate::Unregistered, 2, true, false},
                          {Fate::Kept, 1, true, true},
                          {Fate::DeletedMeanwhile, 1, false, false}};
    for (const Case& c : cases) {
        const int fate = static_cast<int>(c.fate) * 10 + c.holds;
        BaseScan* scan = completedScan();
        QPointer<BaseScan> guard = scan;
        for (int i = 0; i < c.holds; ++i)
            handler.holdScan(scan);
        if (c.fate == Fate::Unregistered)
            scan->dataLimitReached = true;
        scan->measurementName = QStringLiteral("held %1").arg(fate);
        handler.scanComplete(scan);
        if (c.fate == Fate::DeletedMeanwhile)
            delete scan;
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(!guard.isNull(), c.aliveBeforeRelease) << fate;
        // Each holder lets go of its own hold; the scan goes with the last.
        for (int i = 1; i < c.holds; ++i) {
            handler.releaseScan(scan);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            EXPECT_EQ(!guard.isNull(), c.aliveBeforeRelease) << fate;
        }
        handler.releaseScan(scan);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(!guard.isNull(), c.aliveAfterRelease) << fate;
        EXPECT_EQ(handler.keptScans().contains(scan), c.fate == Fate::Kept) << fate;
    }
}

// A scan a dialog is about stays listed beyond the limit until the last use
// ends; it counts among the scans to go, so no newer scan goes in its place.
TEST_F(ScanHandlerTest, AScanInUseIsDroppedOnlyOnceItsLastUseEnds)
{
    QSignalSpy dropped(&handler, &ScanHandler::getRidOfScan);
    const auto droppedScans = [&] {
        QList<BaseScan*> scans;
        for (const QList<QVariant>& signal : dropped)
            scans.append(signal.front().value<BaseScan*>());
        return scans;
    };
    handler.setScanLimit(1);
    QList<BaseScan*> scans;
    const auto complete = [&] {
        scans << completedScan();
        handler.scanComplete(scans.last());
    };
    complete();
    {
        const ScanInUse asked(handler, scans[0]);
        complete();
        complete();
        {
            const ScanInUse askedAgain(handler, scans[0]);
        }
        QCoreApplication::sendPostedEvents();
        EXPECT_EQ(droppedScans(), QList<BaseScan*>{scans[1]});
        EXPECT_EQ(handler.keptScans(), (QList<BaseScan*>{scans[0], scans[2]}));
    }
    EXPECT_EQ(droppedScans(), QList<BaseScan*>{scans[1]}) << "only once the user is done with it";
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(droppedScans(), (QList<BaseScan*>{scans[1], scans[0]}));
    EXPECT_EQ(handler.keptScans(), QList<BaseScan*>{scans[2]});

    // One deleted while in use (the user discarded it) is only forgotten.
    {
        const ScanInUse asked(handler, scans[2]);
        delete scans[2];
    }
    complete();
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(handler.keptScans(), QList<BaseScan*>{scans[3]});
    EXPECT_EQ(dropped.size(), 2);
    delete scans[0];
    delete scans[1];
}
