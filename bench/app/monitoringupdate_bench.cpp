// The GUI thread's time per monitoring update of a shown time-trend tab
// (offscreen, 1600 x 1000) bound to a sensor whose scan holds samples, with
// eight meters of one- and two-valued quantities: each iteration feeds the
// scan a sample of other values, hands the tab its monitoring update, and
// lets the event loop do what it then would (layout requests, paints).
// - Floor: the same number of texts of the same kinds set on plain labels of
//   a fixed size, together in a corner of a shown window of that size,
//   painted the same way.
// Target: the tab's time as close to the floor's as can be, i.e. an update
// repaints its meters and little else.

#include "app/dialogs/displaysettings.h"
#include "app/tabs/metertext.h"
#include "app/tabs/timetrendscantab.h"
#include "bench/support/offscreenapplication.h"
#include "bench/support/ratioreporter.h"
#include "scans/parameternames.h"
#include "support/fakesensor.h"
#include "support/scanfactory.h"
#include "ui_scantab.h"

#include <benchmark/benchmark.h>

#include <QCheckBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int windowWidth = 1600;
constexpr int windowHeight = 1000;
constexpr int storedSamples = 2000;
constexpr int tenMilliseconds = 10 * scantest::ticksPerMs;

// Quantities of every meter layout: one value, magnitude and angle, a + bj.
const QStringList& meterBoxes()
{
    static const QStringList names{QStringLiteral("voltageHCheckBox"),
                                   QStringLiteral("impedanceHVectorCheckBox"),
                                   QStringLiteral("impedanceHComplexCheckBox"),
                                   QStringLiteral("gammaReflectionVectorCheckBox"),
                                   QStringLiteral("phaseHCheckBox"),
                                   QStringLiteral("currentHCheckBox"),
                                   QStringLiteral("powerCheckBox"),
                                   QStringLiteral("swrCheckBox")};
    return names;
}

void showMeters(DisplaySettings& options)
{
    for (QCheckBox* box : options.findChildren<QCheckBox*>())
        if (box->isChecked() && box->objectName().endsWith(QStringLiteral("CheckBox")) &&
            !box->objectName().contains(QStringLiteral("ToCSV")) && !meterBoxes().contains(box->objectName()))
            box->click();
    for (const QString& name : meterBoxes())
        if (QCheckBox* box = options.findChild<QCheckBox*>(name); box && !box->isChecked())
            box->click();
    options.findChild<QPushButton*>(QStringLiteral("pbApply"))->click();
}

// What the GUI thread does after an update: posted layout requests, then
// the paint of what they and the new texts left dirty.
void letGuiCatchUp()
{
    for (int pass = 0; pass < 2; ++pass) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

// A load that differs from the last update's in every quantity.
scantest::Load loadOf(int update)
{
    const int step = update % 97;
    return {10.0 + 0.37 * step, 0.4 + 0.0031 * step, 20.0 + 0.53 * step};
}

void plainLabels(benchmark::State& state)
{
    QWidget window;
    window.resize(windowWidth, windowHeight);
    auto* grid = new QGridLayout(&window);
    std::vector<QLabel*> labels;
    const int ids[] = {Voltage, ImpedancePolar, ImpedanceComplex, GammaPolar, Phase,
                       Current, Power,          StandingWaveRatio};
    for (int slot = 0; slot < 8; ++slot) {
        auto* label = new QLabel(meterValueText(ids[slot], -888.88, -888.88), &window);
        label->setFixedSize(label->sizeHint());
        grid->addWidget(label, slot / 4, slot % 4);
        labels.push_back(label);
    }
    // Together in a corner, as the meters stand in their section.
    grid->setRowStretch(2, 1);
    grid->setColumnStretch(4, 1);
    window.show();
    letGuiCatchUp();
    int update = 0;
    for (auto _ : state) {
        const scantest::Load load = loadOf(++update);
        for (int slot = 0; slot < 8; ++slot)
            labels[slot]->setText(meterValueText(ids[slot], load.voltage * (slot + 1), load.phase));
        letGuiCatchUp();
    }
}

void timeTrendTab(benchmark::State& state)
{
    DisplaySettings settings;
    showMeters(settings);
    FakeSensor sensor({13.56}, {1});
    timeTrendScanTab tab(&settings);
    tab.resize(windowWidth, windowHeight);
    QList<QuvixSensor*> sensors{&sensor};
    tab.updateSensorList(sensors);
    tab.updateMeterView();
    tab.show();
    letGuiCatchUp();
    tab.form().startScan->click();
    std::unique_ptr<BaseScan> scan(sensor.takePendingScan());
    scan->start();
    for (int k = 0; k < storedSamples; ++k)
        scantest::runPass(*scan, sensor, scantest::sampleOf(sensor, loadOf(k)), tenMilliseconds);
    tab.monitorUpdate(scan.get(), 0);
    letGuiCatchUp();

    int update = 0;
    for (auto _ : state) {
        state.PauseTiming();
        scantest::runPass(*scan, sensor, scantest::sampleOf(sensor, loadOf(++update)), tenMilliseconds);
        state.ResumeTiming();
        tab.monitorUpdate(scan.get(), 0);
        letGuiCatchUp();
    }
    state.counters["meters"] = tab.meterIds().size();
    scan->stop();
}

double lowest(const std::vector<double>& v)
{
    return *std::min_element(v.begin(), v.end());
}

double highest(const std::vector<double>& v)
{
    return *std::max_element(v.begin(), v.end());
}

BENCHMARK(plainLabels)
    ->MinTime(0.5)
    ->ComputeStatistics("min", lowest)
    ->ComputeStatistics("max", highest)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(timeTrendTab)
    ->MinTime(0.5)
    ->ComputeStatistics("min", lowest)
    ->ComputeStatistics("max", highest)
    ->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    // The tab keeps its settings: in a folder of this run's own.
    QTemporaryDir settingsFolder;
    qputenv("XDG_CONFIG_HOME", settingsFolder.path().toLocal8Bit());
    const OffscreenApplication app(argc, argv);
    RatioReporter reporter;
    reporter.run(argc, argv);
    const double floor = reporter.nanoseconds("plainLabels");
    const double tab = reporter.nanoseconds("timeTrendTab");
    if (floor > 0.0 && tab > 0.0)
        std::printf("per update, fastest runs: time-trend tab %.1f us, plain labels %.1f us, ratio %.2f\n",
                    tab / 1000.0, floor / 1000.0, tab / floor);
    return 0;
}
