// Opening, saving and exporting a three-hour scan (a million samples 10 ms
// apart, one 13.56 MHz record, a 56 MB ".dat" file) from the main window,
// each until the window shows its result, while a 5 ms timer measures the
// longest the window's event loop went without turning. Each is compared
// with its floor in the same run: the same file read or written by the scan
// file reader or writers alone, on one thread, with no window.
// Targets: the longest gap at most 100 ms; the window's time at most 1.2
// times the floor's.
//
// The window starts network discovery: run it inside the private network
// namespace (bash scripts/isolate.sh build/normal/bench/windowfiles_bench).

#include "app/dialogs/displaysettings.h"
#include "app/mainwindow.h"
#include "bench/support/offscreenapplication.h"
#include "bench/support/ratioreporter.h"
#include "scans/basescan.h"
#include "scans/quantitytree.h"
#include "support/eventloopgap.h"
#include "support/scanfactory.h"
#include "support/scriptedquestions.h"
#include "ui_mainwindow.h"

#include <benchmark/benchmark.h>

#include <QFile>
#include <QFileInfo>
#include <QProgressDialog>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr int sampleCount = 1000000;
constexpr int waitLimitMs = 600000;
const QString software = QStringLiteral("Quvix 2.8.0");

QTemporaryDir& folder()
{
    static QTemporaryDir dir;
    return dir;
}

QString pathOf(const QString& name)
{
    return folder().filePath(name);
}

const QString& largeFile()
{
    static const QString file = [] {
        QString path = pathOf(QStringLiteral("long.dat"));
        scantest::recordedScan(QStringLiteral("long"), sampleCount, 1)->saveDat(path, software);
        return path;
    }();
    return file;
}

MainWindow& window()
{
    static MainWindow* const made = new MainWindow();
    return *made;
}

QTreeWidget& tree()
{
    return *window().form().DisplayListTree;
}

BaseScan* scanOf(const QTreeWidgetItem* item)
{
    return static_cast<BaseScan*>(item->data(0, ScanRole).value<void*>());
}

// Longest event-loop gaps per benchmark, in milliseconds.
std::map<std::string, std::vector<double>>& gaps()
{
    static std::map<std::string, std::vector<double>> kept;
    return kept;
}

// Waits until `done` holds and the window has no file work left to show.
template <typename Done> bool settle(benchmark::State& state, Done done)
{
    const bool settled =
        QTest::qWaitFor([&] { return done() && !window().findChild<QProgressDialog*>(); }, waitLimitMs);
    if (!settled)
        state.SkipWithError("the window did not finish");
    return settled;
}

void keepGap(benchmark::State& state, const char* work, const EventLoopGap& gap)
{
    const double ms = static_cast<double>(gap.longest());
    gaps()[work].push_back(ms);
    state.counters["longest_gap_ms"] = ms;
}

void discardAll()
{
    while (tree().topLevelItemCount() > 0)
        window().discardSelectedScan(scanOf(tree().topLevelItem(0)));
}

// The loaded scan, selected in the tree.
BaseScan* selectedScan(benchmark::State& state)
{
    if (tree().topLevelItemCount() == 0) {
        window().loadFile(largeFile());
        if (!settle(state, [] { return tree().topLevelItemCount() == 1; }))
            return nullptr;
    }
    tree().setCurrentItem(tree().topLevelItem(0));
    return scanOf(tree().topLevelItem(0));
}

void windowLoad(benchmark::State& state)
{
    largeFile();
    discardAll();
    for (auto _ : state) {
        EventLoopGap gap;
        window().loadFile(largeFile());
        if (!settle(state, [] { return tree().topLevelItemCount() == 1; }))
            return;
        keepGap(state, "windowLoad", gap);
        state.PauseTiming();
        discardAll();
        state.ResumeTiming();
    }
}

void readerAlone(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(BaseScan::loadDat(largeFile()).get());
}

void windowSave(benchmark::State& state)
{
    largeFile();
    if (!selectedScan(state))
        return;
    const QString target = pathOf(QStringLiteral("saved.dat"));
    const QString companion = pathOf(QStringLiteral("saved.csv"));
    for (auto _ : state) {
        state.PauseTiming();
        QFile::remove(target);
        QFile::remove(companion);
        state.ResumeTiming();
        EventLoopGap gap;
        ScriptedQuestions questions;
        questions.choose(target);
        window().form().saveData->click();
        if (!settle(state, [&] { return QFileInfo::exists(companion); }))
            return;
        keepGap(state, "windowSave", gap);
    }
}

void writersAlone(benchmark::State& state)
{
    largeFile();
    BaseScan* scan = selectedScan(state);
    if (!scan)
        return;
    for (auto _ : state) {
        QString target = pathOf(QStringLiteral("floor.dat"));
        QString companion = pathOf(QStringLiteral("floor.csv"));
        scan->saveDat(target, software);
        scan->exportCsv(companion, software, window().displaySettings());
    }
}

void windowExport(benchmark::State& state)
{
    largeFile();
    if (!selectedScan(state))
        return;
    const QString target = pathOf(QStringLiteral("exported.csv"));
    for (auto _ : state) {
        state.PauseTiming();
        QFile::remove(target);
        state.ResumeTiming();
        EventLoopGap gap;
        ScriptedQuestions questions;
        questions.choose(target);
        window().form().exportData->click();
        if (!settle(state, [&] { return QFileInfo::exists(target); }))
            return;
        keepGap(state, "windowExport", gap);
    }
}

void exportAlone(benchmark::State& state)
{
    largeFile();
    BaseScan* scan = selectedScan(state);
    if (!scan)
        return;
    for (auto _ : state) {
        QString target = pathOf(QStringLiteral("floor.csv"));
        scan->exportCsv(target, software, window().displaySettings());
    }
}

double statistic(const std::vector<double>& v, const char* which)
{
    if (v.empty())
        return 0.0;
    std::vector<double> sorted = v;
    std::sort(sorted.begin(), sorted.end());
    if (which == std::string("min"))
        return sorted.front();
    if (which == std::string("max"))
        return sorted.back();
    return sorted[sorted.size() / 2];
}

void statistics(benchmark::internal::Benchmark* b)
{
    b->Iterations(1)->Repetitions(5)->Unit(benchmark::kMillisecond)->UseRealTime();
    b->ComputeStatistics("min", [](const std::vector<double>& v) { return statistic(v, "min"); });
    b->ComputeStatistics("max", [](const std::vector<double>& v) { return statistic(v, "max"); });
}

BENCHMARK(readerAlone)->Apply(statistics);
BENCHMARK(windowLoad)->Apply(statistics);
BENCHMARK(writersAlone)->Apply(statistics);
BENCHMARK(windowSave)->Apply(statistics);
BENCHMARK(exportAlone)->Apply(statistics);
BENCHMARK(windowExport)->Apply(statistics);

} // namespace

int main(int argc, char** argv)
{
    if (qgetenv("NETLAB") != "1") {
        std::fprintf(stderr, "Run inside the private network namespace: bash scripts/isolate.sh %s\n",
                     argv[0]);
        return 77;
    }
    // The window's settings and recent files stay out of the user's.
    const QTemporaryDir settings;
    qputenv("XDG_CONFIG_HOME", settings.path().toLocal8Bit());
    const OffscreenApplication app(argc, argv);
    RatioReporter reporter;
    reporter.run(argc, argv);
    for (const auto& [work, floor] :
         {std::pair{"windowLoad", "readerAlone"}, std::pair{"windowSave", "writersAlone"},
          std::pair{"windowExport", "exportAlone"}}) {
        const double ns = reporter.nanoseconds(work);
        const double floorNs = reporter.nanoseconds(floor);
        const std::vector<double>& longest = gaps()[work];
        if (ns <= 0.0 || floorNs <= 0.0)
            continue;
        std::printf("%s: %.0f ms, %s %.0f ms: %.2f of the floor (target <= 1.2); longest event-loop gap "
                    "min %.0f, median %.0f, max %.0f ms (target <= 100)\n",
                    work, ns / 1e6, floor, floorNs / 1e6, ns / floorNs, statistic(longest, "min"),
                    statistic(longest, "median"), statistic(longest, "max"));
    }
    return 0;
}
