// The waveform view over scans of known harmonics: its selectors, what it
// draws at a picked time and live, and its image and CSV exports.

#include "views/waveform.h"

#include "chartscans.h"
#include "support/messageboxanswer.h"
#include "support/scriptedquestions.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QLabel>
#include <QTemporaryDir>

#include <qwt_plot.h>
#include <qwt_plot_curve.h>

#include <cmath>

using charttest::chartScan;

namespace {

// Two samples, 1 ms apart, of 13.56 MHz (10 V, 1 A) and 7.5 MHz (2 V, 0.5 A);
// the second sample doubles every magnitude.
charttest::ChartScan twoFrequencyScan(const QString& name, const QString& serial = QStringLiteral("A123"))
{
    return chartScan(name, {13.56, 7.5}, {{{{10.0, 1.0}}, {{2.0, 0.5}}}, {{{20.0, 2.0}}, {{4.0, 1.0}}}}, {},
                     serial);
}

charttest::ChartScan oneFrequencyScan(const QString& name)
{
    return chartScan(name, {13.56}, {{{{10.0, 1.0}}}});
}

template <typename T> T* child(waveForm& view, const char* name)
{
    return view.findChild<T*>(QString::fromLatin1(name));
}

double peak(const std::vector<double>& values)
{
    double highest = 0.0;
    for (double v : values)
        highest = std::max(highest, std::fabs(v));
    return highest;
}

QStringList fileLines(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray content = file.readAll();
    EXPECT_FALSE(content.contains('\r'));
    return QString::fromUtf8(content).split(QLatin1Char('\n'));
}

} // namespace

TEST(WaveForm, SelectorsFollowTheScansAndFrequencies)
{
    waveForm view;
    auto two = twoFrequencyScan(QStringLiteral("two"));
    auto one = oneFrequencyScan(QStringLiteral("one"));
    auto* scans = child<QComboBox>(view, "scanSelector");
    auto* frequencies = child<QComboBox>(view, "frequencySelector");
    auto* combined = child<QCheckBox>(view, "combinedFrequencyCheckBox");

    view.addScan(nullptr);
    view.addScan(one.scan.get());
    view.addScan(one.scan.get());
    EXPECT_EQ(scans->count(), 1);
    EXPECT_TRUE(scans->isHidden());
    EXPECT_TRUE(child<QLabel>(view, "scanLabel")->isHidden());
    EXPECT_EQ(frequencies->count(), 1);
    EXPECT_TRUE(frequencies->isHidden());
    EXPECT_TRUE(combined->isHidden());
    // Drawn at once, at the last picked time (0).
    EXPECT_EQ(view.samples().timeNs.size(), 1000u);

    view.addScan(two.scan.get());
    EXPECT_FALSE(scans->isHidden());
    EXPECT_FALSE(child<QLabel>(view, "scanLabel")->isHidden());
    scans->setCurrentIndex(1);
    ASSERT_EQ(frequencies->count(), 2);
    EXPECT_EQ(frequencies->itemText(0), QStringLiteral("F13.56 MHz"));
    EXPECT_EQ(frequencies->itemText(1), QStringLiteral("F7.5 MHz"));
    EXPECT_FALSE(frequencies->isHidden());
    EXPECT_FALSE(combined->isHidden());

    view.removeScan(one.scan.get());
    EXPECT_TRUE(scans->isHidden());
    EXPECT_TRUE(child<QLabel>(view, "scanLabel")->isHidden());
    EXPECT_EQ(view.scans(), QList<BaseScan*>{two.scan.get()});

    // A scan deleted elsewhere drops out.
    two.scan.reset();
    EXPECT_TRUE(view.scans().isEmpty());

    view.clear();
    EXPECT_EQ(scans->count(), 0);
    EXPECT_EQ(frequencies->count(), 0);
    EXPECT_TRUE(frequencies->isHidden());
}

TEST(WaveForm, TheFrequencyChoiceShowsOnlyWhileAScanOfSeveralFrequenciesIsChosen)
{
    waveForm view;
    auto two = twoFrequencyScan(QStringLiteral("two"));
    auto one = oneFrequencyScan(QStringLiteral("one"));
    auto* frequencies = child<QComboBox>(view, "frequencySelector");
    auto* combined = child<QCheckBox>(view, "combinedFrequencyCheckBox");
    const auto choiceHidden = [&] { return frequencies->isHidden() && combined->isHidden(); };
    EXPECT_TRUE(choiceHidden());

    view.addScan(one.scan.get());
    EXPECT_TRUE(choiceHidden());
    view.addScan(two.scan.get());
    child<QComboBox>(view, "scanSelector")->setCurrentIndex(1);
    EXPECT_FALSE(frequencies->isHidden());
    EXPECT_FALSE(combined->isHidden());
    combined->setChecked(true);

    // No scan chosen any more: nothing to choose, and the box keeps its tick.
    view.clear();
    EXPECT_TRUE(choiceHidden());
    EXPECT_TRUE(combined->isChecked());
    view.addScan(two.scan.get());
    EXPECT_FALSE(choiceHidden());
    view.removeScan(two.scan.get());
    EXPECT_TRUE(choiceHidden());
    EXPECT_EQ(frequencies->count(), 0);
}

TEST(WaveForm, PlotAxesAndCurves)
{
    waveForm view;
    auto* plot = child<QwtPlot>(view, "plot");
    EXPECT_EQ(plot->axisTitle(QwtPlot::xBottom).text(), QStringLiteral("Time (ns)"));
    EXPECT_EQ(plot->axisTitle(QwtPlot::yLeft).text(), QStringLiteral("Voltage (Volts)"));
    EXPECT_EQ(plot->axisTitle(QwtPlot::yLeft).color(), QColor(Qt::blue));
    EXPECT_EQ(plot->axisTitle(QwtPlot::yRight).text(), QStringLiteral("Current (Amps)"));
    EXPECT_EQ(plot->axisTitle(QwtPlot::yRight).color(), QColor(Qt::red));
    EXPECT_TRUE(plot->axisEnabled(QwtPlot::yRight));
    const QwtPlotItemList curves = plot->itemList(QwtPlotItem::Rtti_PlotCurve);
    ASSERT_EQ(curves.size(), 2);
    auto* voltage = static_cast<QwtPlotCurve*>(curves[0]);
    auto* current = static_cast<QwtPlotCurve*>(curves[1]);
    EXPECT_EQ(voltage->title().text(), QStringLiteral("Voltage"));
    EXPECT_EQ(voltage->pen().color(), QColor(Qt::blue));
    EXPECT_EQ(voltage->yAxis(), QwtPlot::yLeft);
    EXPECT_EQ(current->title().text(), QStringLiteral("Current"));
    EXPECT_EQ(current->pen().color(), QColor(Qt::red));
    EXPECT_EQ(current->yAxis(), QwtPlot::yRight);
    EXPECT_EQ(plot->itemList(QwtPlotItem::Rtti_PlotGrid).size(), 1);
}

TEST(WaveForm, DrawsTheChosenChannelOrTheSumAtThePickedTime)
{
    waveForm view;
    auto scan = twoFrequencyScan(QStringLiteral("two"), QStringLiteral("SN-77"));
    view.addScan(scan.scan.get());
    auto* plot = child<QwtPlot>(view, "plot");

    view.updateTimePosition(QPointF(0.0, 3.0));
    EXPECT_NEAR(peak(view.samples().voltage), 10.0 * std::sqrt(2.0), 0.01);
    EXPECT_NEAR(view.samples().timeNs.back(), 2000.0 / 13.56, 0.01);
    EXPECT_EQ(plot->axisScaleDiv(QwtPlot::xBottom).upperBound(), view.samples().timeNs.back());
    EXPECT_EQ(view.serialNumber(), QStringLiteral("SN-77"));
    EXPECT_EQ(view.lastTimePosition(), QPointF(0.0, 3.0));

    // The second sample, at the second channel: its own period.
    view.updateTimePosition(QPointF(0.0007, 0.0));
    child<QComboBox>(view, "frequencySelector")->setCurrentIndex(1);
    EXPECT_NEAR(peak(view.samples().voltage), 4.0 * std::sqrt(2.0), 0.01);
    EXPECT_NEAR(view.samples().timeNs.back(), 2000.0 / 7.5, 0.01);

    // Both channels added, over channel 0's period.
    child<QCheckBox>(view, "combinedFrequencyCheckBox")->click();
    EXPECT_NEAR(view.samples().timeNs.back(), 2000.0 / 13.56, 0.01);
    EXPECT_GT(peak(view.samples().voltage), 20.0 * std::sqrt(2.0));
    EXPECT_LE(peak(view.samples().voltage), 24.0 * std::sqrt(2.0) + 1e-9);

    auto* curve = dynamic_cast<QwtPlotCurve*>(plot->itemList(QwtPlotItem::Rtti_PlotCurve).value(0));
    ASSERT_NE(curve, nullptr);
    EXPECT_EQ(curve->dataSize(), 1000u);
}

TEST(WaveForm, LiveDrawingTakesTheNewestSample)
{
    waveForm view;
    auto scan = chartScan(QStringLiteral("live"), {13.56, 2.0},
                          {{{{10.0, 1.0}}, {{5.0, 0.5}}}, {{{30.0, 3.0}}, {{5.0, 0.5}}}}, {13.56, 0.0});
    view.addScan(scan.scan.get());
    view.updateLatest();
    EXPECT_NEAR(peak(view.samples().voltage), 30.0 * std::sqrt(2.0), 0.01);
    EXPECT_DOUBLE_EQ(view.lastTimePosition().x(), 0.001);

    // Combined live: the channel measuring 0 MHz adds nothing.
    child<QCheckBox>(view, "combinedFrequencyCheckBox")->setChecked(true);
    view.updateLatest();
    EXPECT_NEAR(peak(view.samples().voltage), 30.0 * std::sqrt(2.0), 0.01);

    // One channel measuring 0 MHz is drawn at 1 MHz over its nominal period.
    child<QCheckBox>(view, "combinedFrequencyCheckBox")->setChecked(false);
    child<QComboBox>(view, "frequencySelector")->setCurrentIndex(1);
    view.updateLatest();
    EXPECT_NEAR(view.samples().timeNs.back(), 1000.0, 1e-9);
    EXPECT_NEAR(peak(view.samples().voltage), 5.0 * std::sqrt(2.0), 0.01);
}

TEST(WaveForm, ATimeBaseOfZeroGivesFiniteTimes)
{
    waveForm view;
    auto scan = chartScan(QStringLiteral("zero"), {0.0}, {{{{10.0, 1.0}}}});
    view.addScan(scan.scan.get());
    view.updateTimePosition(QPointF(0.0, 0.0));
    ASSERT_EQ(view.samples().timeNs.size(), 1000u);
    EXPECT_NEAR(view.samples().timeNs.back(), 2000.0, 1e-9);
    for (double t : view.samples().timeNs)
        ASSERT_TRUE(std::isfinite(t));
}

TEST(WaveForm, CsvExportWritesTheDrawnPoints)
{
    QTemporaryDir folder;
    waveForm view;
    ScriptedQuestions questions;
    const QString before = folder.filePath(QStringLiteral("before.csv"));
    questions.choose(before);
    view.exportCSV();
    ASSERT_EQ(questions.asked.size(), 1);
    EXPECT_EQ(questions.asked[0].kind, UserQuestions::Kind::SaveFile);
    EXPECT_EQ(questions.asked[0].caption, QStringLiteral("Enter CSV file name"));
    EXPECT_EQ(questions.asked[0].start, QStringLiteral("./"));
    EXPECT_EQ(questions.asked[0].filters, QStringLiteral("CSV (*.csv)"));
    QStringList lines = fileLines(before);
    ASSERT_EQ(lines.size(), 4);
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("Date:")));
    EXPECT_GT(lines[0].size(), 10);
    EXPECT_EQ(lines[1], QStringLiteral("Serial Number: "));
    EXPECT_EQ(lines[2], QStringLiteral("Time;Current;Voltage"));
    EXPECT_EQ(lines[3], QString());

    auto scan = chartScan(QStringLiteral("one"), {1.0}, {{{{10.0, 2.0}}}}, {}, QStringLiteral("SN-5"));
    view.addScan(scan.scan.get());
    const QString after = folder.filePath(QStringLiteral("after.csv"));
    questions.choose(after);
    view.exportCSV();
    lines = fileLines(after);
    ASSERT_EQ(lines.size(), 1004);
    EXPECT_EQ(lines[1], QStringLiteral("Serial Number: SN-5"));
    // Point 250 of 1000 at 1 MHz: a quarter of the way through 2 µs.
    EXPECT_EQ(lines[3 + 249], QStringLiteral("500;%1;%2")
                                  .arg(QString::number(view.samples().current[249], 'g', 6),
                                       QString::number(view.samples().voltage[249], 'g', 6)));
    EXPECT_EQ(lines[3 + 999], QStringLiteral("2000;2.82843;14.1421"));
    EXPECT_EQ(lines[1003], QString());

    // Cancelled: nothing is written.
    view.exportCSV();
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files).size(), 2);
}

TEST(WaveForm, CsvExportToAnUnopenableFileSaysSo)
{
    QTemporaryDir folder;
    waveForm view;
    ScriptedQuestions questions;
    questions.choose(folder.filePath(QStringLiteral("missing/points.csv")));
    MessageBoxAnswers answers({QMessageBox::Ok});
    view.exportCSV();
    ASSERT_EQ(answers.seen().size(), 1);
    EXPECT_EQ(answers.seen()[0].title, QStringLiteral("Unable to open file"));
    EXPECT_EQ(answers.seen()[0].icon, QMessageBox::Information);
    EXPECT_FALSE(answers.seen()[0].text.isEmpty());
    EXPECT_FALSE(QFile::exists(folder.filePath(QStringLiteral("missing/points.csv"))));
}

TEST(WaveForm, CsvExportNamesABareFileAndSaysWhenTheWriteFails)
{
    QTemporaryDir folder;
    waveForm view;
    auto scan = chartScan(QStringLiteral("one"), {1.0}, {{{{10.0, 2.0}}}}, {}, QStringLiteral("SN-5"));
    view.addScan(scan.scan.get());
    ScriptedQuestions questions;

    questions.choose(folder.filePath(QStringLiteral("points")));
    view.exportCSV();
    EXPECT_EQ(fileLines(folder.filePath(QStringLiteral("points.csv"))).size(), 1004);
    EXPECT_FALSE(QFileInfo::exists(folder.filePath(QStringLiteral("points"))));

    // A file that opens but takes nothing: the user is told, not left to
    // find an empty export later.
    const QString full = folder.filePath(QStringLiteral("full.csv"));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/full"), full));
    questions.choose(full);
    MessageBoxAnswers answers({QMessageBox::Ok});
    view.exportCSV();
    ASSERT_EQ(answers.seen().size(), 1);
    EXPECT_EQ(answers.seen()[0].icon, QMessageBox::Warning);
    EXPECT_TRUE(answers.seen()[0].text.contains(QStringLiteral("full.csv")));
}

TEST(WaveForm, ImageExportWritesThePlotAndNamesABareFile)
{
    QTemporaryDir folder;
    waveForm view;
    ScriptedQuestions questions;
    view.resize(549, 270);
    auto scan = twoFrequencyScan(QStringLiteral("two"));
    view.addScan(scan.scan.get());

    struct Case {
        QString answer;
        QString filter;
        QString written;
        QByteArray format;
    };
    const std::vector<Case> cases{
        {QStringLiteral("plot.png"), QStringLiteral("PNG (*.png)"), QStringLiteral("plot.png"), "png"},
        {QStringLiteral("bare"), QStringLiteral("PNG (*.png)"), QStringLiteral("bare.png"), "png"},
        {QStringLiteral("photo"), QStringLiteral(" JPG (*.jpg)"), QStringLiteral("photo.jpg"), "jpeg"},
        {QStringLiteral("nofilter"), QString(), QStringLiteral("nofilter.png"), "png"},
    };
    for (const Case& c : cases) {
        questions.choose(folder.filePath(c.answer), c.filter);
        view.exportImage();
        QImageReader reader(folder.filePath(c.written));
        EXPECT_EQ(reader.format(), c.format) << c.written.toStdString();
        const QImage image = reader.read();
        EXPECT_FALSE(image.isNull()) << c.written.toStdString();
        // The widget's pixels as millimetres at 85 dpi.
        const QwtPlot* plot = child<QwtPlot>(view, "plot");
        EXPECT_EQ(image.width(), qRound(plot->width() / 25.4 * 85.0)) << c.written.toStdString();
    }
    ASSERT_FALSE(questions.asked.isEmpty());
    EXPECT_EQ(questions.asked[0].caption, QStringLiteral("Enter image name"));
    EXPECT_EQ(questions.asked[0].start, QStringLiteral("./"));
    EXPECT_EQ(questions.asked[0].filters, QStringLiteral("PNG (*.png);; JPG (*.jpg)"));
}

TEST(WaveForm, ImageExportWarnsWhenNothingWasWritten)
{
    QTemporaryDir folder;
    waveForm view;
    ScriptedQuestions questions;
    view.resize(549, 270);
    questions.choose(folder.filePath(QStringLiteral("missing/plot.png")), QStringLiteral("PNG (*.png)"));
    MessageBoxAnswers answers({QMessageBox::Ok});
    view.exportImage();
    ASSERT_EQ(answers.seen().size(), 1);
    EXPECT_EQ(answers.seen()[0].icon, QMessageBox::Warning);
    EXPECT_TRUE(answers.seen()[0].text.contains(QStringLiteral("plot.png")));

    // Cancelled: nothing asked beyond the name, nothing shown.
    MessageBoxAnswers none({});
    view.exportImage();
    EXPECT_TRUE(none.seen().isEmpty());
}
