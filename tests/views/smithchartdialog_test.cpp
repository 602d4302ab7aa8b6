// The Smith chart dialog over scans filled with known samples: its rows,
// lines and colours, its rebuild from the scans (also while one grows),
// its guarded scan list, workDone, and saving the chart as an image.

#include "views/smithchartdialog.h"

#include "scans/basescan.h"
#include "scans/parameternames.h"
#include "support/fakesensor.h"
#include "support/messageboxanswer.h"
#include "support/scriptedquestions.h"
#include "views/smithchartv2.h"

#include <gtest/gtest.h>

#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QLabel>
#include <QLayout>
#include <QListWidget>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <atomic>
#include <cmath>
#include <memory>
#include <thread>
#include <vector>

namespace {

const QVector<double> threeFrequencies{13.56, 2.0, 27.12};

// One sample of the fake sensor's layout: per enabled frequency its
// frequency, power and per harmonic V, V phase, I, I phase.
std::vector<double> loadSample(const FakeSensor& sensor, double voltage)
{
    std::vector<double> sample;
    for (int i = 0; i < sensor.frequencies().size(); ++i) {
        const int n = sensor.selectedHarmonics()[i];
        if (n <= 0)
            continue;
        sample.insert(sample.end(), {sensor.frequencies()[i], 0.0});
        for (int h = 0; h < n; ++h)
            sample.insert(sample.end(), {voltage, 0.0, 0.5, 20.0 + 5.0 * i});
    }
    sample.insert(sample.end(), {100.0, 20.0});
    return sample;
}

void fill(BaseScan& scan, const FakeSensor& sensor, int samples, double firstVoltage = 10.0)
{
    for (int k = 0; k < samples; ++k) {
        std::vector<double> sample = loadSample(sensor, firstVoltage + 0.01 * k);
        scan.addData(sample.data(), static_cast<int>(sample.size()), 0.0, 24000);
    }
}

struct ScanOf {
    std::unique_ptr<FakeSensor> sensor;
    std::unique_ptr<BaseScan> scan;
};

ScanOf filledScan(const QString& serial, int samples, QVector<double> frequencies = threeFrequencies)
{
    ScanOf made;
    made.sensor = std::make_unique<FakeSensor>(frequencies, QVector<int>(frequencies.size(), 1));
    made.scan = std::make_unique<BaseScan>(made.sensor.get(), QStringLiteral("Default"));
    made.scan->serialNumber = serial;
    fill(*made.scan, *made.sensor, samples);
    return made;
}

// The chart point of one stored sample, from the scan's own series.
QPointF expectedPoint(BaseScan& scan, int record, int sample)
{
    const SeriesCopy magnitude = scan.copySeries(ImpedancePolar, record, 0, 0);
    const SeriesCopy phase = scan.copySeries(Phase, record, 0, 0);
    const double z = magnitude.values.at(static_cast<size_t>(sample));
    const double angle = phase.values.at(static_cast<size_t>(sample)) * M_PI / 180.0;
    return SmithChartV2::chartPoint(z * std::cos(angle) / 50.0, -z * std::sin(angle) / 50.0);
}

QStringList rowTexts(SmithChartDialog& dialog)
{
    auto* list = dialog.findChild<QListWidget*>(QStringLiteral("listWidget"));
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts << list->item(i)->text();
    return texts;
}

QColor rowForeground(SmithChartDialog& dialog, int row)
{
    auto* list = dialog.findChild<QListWidget*>(QStringLiteral("listWidget"));
    return list->item(row)->foreground().color();
}

QString sensorLabel(SmithChartDialog& dialog)
{
    return dialog.findChild<QLabel*>(QStringLiteral("sensorLabel"))->text();
}

TEST(SmithChartDialog, FormAsBuilt)
{
    SmithChartDialog dialog;
    EXPECT_EQ(dialog.objectName(), QStringLiteral("SmithChartDialog"));
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Smith Chart"));
    EXPECT_EQ(dialog.size(), QSize(640, 480));
    EXPECT_EQ(dialog.sizeHint(), QSize(200, 200));
    EXPECT_FALSE(dialog.windowFlags() & Qt::WindowContextHelpButtonHint);
    EXPECT_EQ(dialog.palette().color(QPalette::Window), QColor(Qt::white));
    EXPECT_FALSE(dialog.isVisible());

    auto* chart = dialog.findChild<SmithChartV2*>(QStringLiteral("smithchart"));
    ASSERT_NE(chart, nullptr);
    EXPECT_EQ(chart->lineCount(), 1);
    EXPECT_EQ(chart->cursor().shape(), Qt::CrossCursor);
    auto* label = chart->findChild<QLabel*>(QStringLiteral("sensorLabel"));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text(), QStringLiteral("No Sensor Selected"));
    EXPECT_EQ(label->font().pointSize(), 16);
    EXPECT_TRUE(label->font().bold());
    EXPECT_EQ(label->geometry(), QRect(60, 10, 271, 51));
    EXPECT_EQ(dialog.findChild<QListWidget*>(QStringLiteral("listWidget"))->maximumWidth(), 100);
    EXPECT_EQ(dialog.findChild<QPushButton*>(QStringLiteral("printButton"))->text(),
              QStringLiteral("Save Chart"));
    EXPECT_NE(dialog.findChild<QLayout*>(QStringLiteral("gridLayout")), nullptr);
}

TEST(SmithChartDialog, TwoScansGiveOneRowAndLinePerFrequencyInRowColours)
{
    ScanOf first = filledScan(QStringLiteral("QX000001"), 20);
    ScanOf second = filledScan(QStringLiteral("QX000002"), 30);
    SmithChartDialog dialog;
    dialog.addScan(first.scan.get());
    dialog.addScan(second.scan.get());

    EXPECT_EQ(rowTexts(dialog),
              QStringList({"13.56 MHz", "2 MHz", "27.12 MHz", "13.56 MHz", "2 MHz", "27.12 MHz"}));
    const QStringList names{"Black", "SteelBlue", "DarkGreen", "Darkorchid", "Darkred", "darkslateblue"};
    ASSERT_EQ(dialog.chart()->lineCount(), 6);
    for (int row = 0; row < 6; ++row) {
        EXPECT_EQ(rowForeground(dialog, row), QColor(names[row])) << row;
        EXPECT_EQ(dialog.chart()->lineColour(row), QColor(names[row])) << row;
        EXPECT_EQ(dialog.chart()->points(row).size(), row < 3 ? 20 : 30) << row;
    }
    EXPECT_EQ(dialog.chart()->points(4).back(), expectedPoint(*second.scan, 1, 29));
    EXPECT_EQ(sensorLabel(dialog), QStringLiteral("QX000002"));
    EXPECT_TRUE(dialog.chart()->showsAllData());
    EXPECT_TRUE(dialog.chart()->showsLine());
}

TEST(SmithChartDialog, RowColoursRepeatAfterFifteenAndLinesKeepThemAll)
{
    EXPECT_EQ(SmithChartDialog::rowColour(14), QColor("DeepPink"));
    EXPECT_EQ(SmithChartDialog::rowColour(15), QColor("Black"));
    EXPECT_EQ(SmithChartDialog::rowColour(16), QColor("SteelBlue"));

    // Six scans of three frequencies: 18 rows and lines, beyond both the 15
    // named colours and the chart's 7 defaults.
    std::vector<ScanOf> scans;
    SmithChartDialog dialog;
    for (int i = 0; i < 6; ++i) {
        scans.push_back(filledScan(QStringLiteral("QX00000%1").arg(i), 3));
        dialog.addScan(scans.back().scan.get());
    }
    ASSERT_EQ(dialog.chart()->lineCount(), 18);
    EXPECT_EQ(rowForeground(dialog, 15), QColor("Black"));
    for (int row = 0; row < 18; ++row)
        EXPECT_EQ(dialog.chart()->lineColour(row), SmithChartDialog::rowColour(row)) << row;
    dialog.chart()->grab(); // draws all 18 lines
}

TEST(SmithChartDialog, SameScanTwiceKeepsOneEntry)
{
    ScanOf scan = filledScan(QStringLiteral("QX000001"), 5);
    SmithChartDialog dialog;
    dialog.addScan(scan.scan.get());
    dialog.addScan(scan.scan.get());
    EXPECT_EQ(dialog.scans().size(), 1);
    EXPECT_EQ(rowTexts(dialog).size(), 3);
}

TEST(SmithChartDialog, PointLimitKeepsNewestSamplesAfterRebuild)
{
    ScanOf scan = filledScan(QStringLiteral("QX000001"), 1000);
    SmithChartDialog dialog;
    dialog.smithPointsChanged(100);
    dialog.addScan(scan.scan.get());
    for (int line = 0; line < 3; ++line) {
        const QVector<QPointF> points = dialog.chart()->points(line);
        ASSERT_EQ(points.size(), 100);
        EXPECT_EQ(points.front(), expectedPoint(*scan.scan, line, 900));
        EXPECT_EQ(points.back(), expectedPoint(*scan.scan, line, 999));
    }
}

TEST(SmithChartDialog, RecordWithoutHarmonicsRebuildsWithEmptyLine)
{
    ScanOf scan = filledScan(QStringLiteral("QX000001"), 0, {13.56});
    {
        std::lock_guard<std::mutex> lock(scan.scan->mutex);
        scan.scan->dataSets.front()->addRecord(2.0, 0);
    }
    // The second record's group is its frequency and power only.
    for (int k = 0; k < 50; ++k) {
        std::vector<double> sample{13.56, 0.0, 10.0, 0.0, 0.5, 20.0, 2.0, 0.0, 100.0, 20.0};
        scan.scan->addData(sample.data(), static_cast<int>(sample.size()), 0.0, 24000);
    }
    ASSERT_EQ(scan.scan->sampleCount(0), 50);
    SmithChartDialog dialog;
    dialog.addScan(scan.scan.get());
    EXPECT_EQ(rowTexts(dialog), QStringList({"13.56 MHz", "2 MHz"}));
    EXPECT_EQ(dialog.chart()->points(0).size(), 50);
    EXPECT_TRUE(dialog.chart()->points(1).isEmpty());
}

TEST(SmithChartDialog, RebuildWhileScanGrowsStaysWithinCopies)
{
    ScanOf scan = filledScan(QStringLiteral("QX000001"), 100);
    SmithChartDialog dialog;
    dialog.addScan(scan.scan.get());
    // A bounded writer: an endless one outgrows the rebuilds, which copy the whole scan.
    std::atomic<bool> writing{true};
    std::thread writer([&] {
        const std::vector<double> sample = loadSample(*scan.sensor, 12.0);
        for (int i = 0; i < 3000; ++i) {
            std::vector<double> copy = sample;
            scan.scan->addData(copy.data(), static_cast<int>(copy.size()), 0.0, 24000);
        }
        writing = false;
    });
    for (int rebuilds = 0; writing || rebuilds < 3; ++rebuilds)
        dialog.rebuild();
    writer.join();
    const int held = scan.scan->sampleCount(0);
    for (int line = 0; line < 3; ++line)
        EXPECT_LE(dialog.chart()->points(line).size(), held);
}

TEST(SmithChartDialog, ScanDeletedElsewhereLeavesList)
{
    ScanOf kept = filledScan(QStringLiteral("QX000001"), 5);
    ScanOf gone = filledScan(QStringLiteral("QX000002"), 5);
    SmithChartDialog dialog;
    dialog.addScan(kept.scan.get());
    dialog.addScan(gone.scan.get());
    gone.scan.reset();
    EXPECT_EQ(dialog.scans(), QList<BaseScan*>({kept.scan.get()}));
    dialog.rebuild();
    EXPECT_EQ(rowTexts(dialog).size(), 3);
    EXPECT_EQ(sensorLabel(dialog), QStringLiteral("QX000001"));
    kept.scan.reset();
    dialog.rebuild();
    EXPECT_TRUE(rowTexts(dialog).isEmpty());
    EXPECT_EQ(dialog.chart()->lineCount(), 0);
    EXPECT_EQ(sensorLabel(dialog), QStringLiteral("No Sensor Selected"));
}

TEST(SmithChartDialog, ClearScansEmptiesEverything)
{
    ScanOf scan = filledScan(QStringLiteral("QX000001"), 5);
    SmithChartDialog dialog;
    dialog.addScan(scan.scan.get());
    dialog.clearScans();
    EXPECT_TRUE(dialog.scans().isEmpty());
    EXPECT_TRUE(rowTexts(dialog).isEmpty());
    EXPECT_EQ(dialog.chart()->lineCount(), 0);
    EXPECT_EQ(sensorLabel(dialog), QStringLiteral("No Sensor Selected"));
}

TEST(SmithChartDialog, LivePointsWithoutScansBlankLabelAndDropHeldPoints)
{
    SmithChartDialog dialog;
    dialog.setLineCount(2);
    dialog.addListRow(QStringLiteral("13.56 MHz"), SmithChartDialog::rowColour(0));
    dialog.setLineColour(SmithChartDialog::rowColour(1), 1);
    dialog.chart()->setHoldPoints(true);
    dialog.chart()->addHeldPoint(1.0, 0.0, 1);
    dialog.addPoint(1.0, 0.0, 1, false);
    EXPECT_EQ(sensorLabel(dialog), QString());
    EXPECT_EQ(dialog.chart()->points(1).size(), 1);
    EXPECT_TRUE(dialog.chart()->heldPoints(1).isEmpty());
    EXPECT_EQ(dialog.chart()->lineColour(1), QColor("SteelBlue"));
    EXPECT_EQ(rowForeground(dialog, 0), QColor("Black"));
    dialog.addPoint(1.0, 0.0, 2, false); // beyond the lines: ignored
    EXPECT_EQ(dialog.chart()->points(1).size(), 1);
}

TEST(SmithChartDialog, DisplayOptionSlotsReachChart)
{
    SmithChartDialog dialog;
    dialog.simpleSmithChanged(true);
    EXPECT_TRUE(dialog.chart()->isSimpleChart());
    dialog.smithPointsChanged(250);
    EXPECT_EQ(dialog.chart()->pointLimit(), 250);
    dialog.setPointMarkers(true);
    EXPECT_TRUE(dialog.chart()->pointMarkers());
}

TEST(SmithChartDialog, WorkDoneOnCloseAndOnDestruction)
{
    auto dialog = std::make_unique<SmithChartDialog>();
    int count = 0;
    QObject::connect(dialog.get(), &SmithChartDialog::workDone, [&count] { ++count; });
    dialog->show();
    dialog->close();
    EXPECT_EQ(count, 1);
    EXPECT_FALSE(dialog->isVisible());
    dialog.reset();
    EXPECT_EQ(count, 2);
}

// An owner as the acquisition tabs are: it owns the dialog as a child and
// unchecks its form's toggle on workDone. It disconnects first when it goes,
// so the dialog's last workDone does not reach a half-destroyed owner.
class ChartOwner : public QWidget
{
public:
    ChartOwner()
        : m_toggle(std::make_unique<bool>(true))
        , m_dialog(new SmithChartDialog(this))
    {
        connect(m_dialog, &SmithChartDialog::workDone, this, &ChartOwner::chartClosed);
    }
    ~ChartOwner() override
    {
        disconnect(m_dialog, nullptr, this, nullptr);
        m_toggle.reset();
    }
    void chartClosed() { *m_toggle = false; }
    bool toggle() const { return *m_toggle; }
    SmithChartDialog* dialog() const { return m_dialog; }

private:
    std::unique_ptr<bool> m_toggle;
    SmithChartDialog* m_dialog;
};

TEST(SmithChartDialog, OwnerThatDisconnectsFirstIsDestroyedWithItsDialog)
{
    auto owner = std::make_unique<ChartOwner>();
    QPointer<SmithChartDialog> dialog = owner->dialog();
    QCloseEvent close;
    QCoreApplication::sendEvent(dialog, &close);
    EXPECT_FALSE(owner->toggle());
    owner.reset();
    EXPECT_TRUE(dialog.isNull());
}

} // namespace

namespace {

const QString pngFilter = QStringLiteral("PNG (*.png)");

QString storedExportFolder()
{
    QSettings settings;
    return settings.value(QStringLiteral("Settings/exportImageDir")).toString();
}

void forgetExportFolder()
{
    QSettings settings;
    settings.remove(QStringLiteral("Settings/exportImageDir"));
}

// A home folder of the test's own, with or without a pictures folder in it,
// for as long as it lives.
class TemporaryHome
{
public:
    explicit TemporaryHome(bool withPictures)
        : m_previous(qgetenv("HOME"))
    {
        EXPECT_TRUE(m_home.isValid());
        if (withPictures)
            EXPECT_TRUE(QDir(m_home.path()).mkdir(QStringLiteral("Pictures")));
        qputenv("HOME", QFile::encodeName(m_home.path()));
    }
    ~TemporaryHome() { qputenv("HOME", m_previous); }
    TemporaryHome(const TemporaryHome&) = delete;
    TemporaryHome& operator=(const TemporaryHome&) = delete;

    QString path() const { return QFileInfo(m_home.path()).absoluteFilePath(); }

private:
    QByteArray m_previous;
    QTemporaryDir m_home;
};

TEST(SmithChartDialogPrint, SavesSquareImageAndRemembersFolder)
{
    const TemporaryHome home(true);
    forgetExportFolder();
    QTemporaryDir first;
    QTemporaryDir second;
    ScanOf scan = filledScan(QStringLiteral("QX000001"), 50);
    SmithChartDialog dialog;
    dialog.addScan(scan.scan.get());
    ScriptedQuestions questions;
    questions.choose(first.filePath(QStringLiteral("chart.png")), pngFilter)
        .choose(second.filePath(QStringLiteral("next.png")), pngFilter);

    dialog.print();
    ASSERT_EQ(questions.asked.size(), 1);
    EXPECT_EQ(questions.asked[0].caption, QStringLiteral("Save as..."));
    EXPECT_EQ(questions.asked[0].start, QStandardPaths::writableLocation(QStandardPaths::PicturesLocation));
    EXPECT_EQ(questions.asked[0].start, home.path() + QStringLiteral("/Pictures"));
    EXPECT_EQ(questions.asked[0].filters,
              QStringLiteral("PNG (*.png);; BMP (*.bmp);;TIFF (*.tiff *.tif);; JPEG (*.jpg *.jpeg)"));
    const QImage saved(first.filePath(QStringLiteral("chart.png")));
    ASSERT_FALSE(saved.isNull());
    EXPECT_EQ(saved.size(), QSize(2048, 2048));
    EXPECT_EQ(saved.pixelColor(5, 5), QColor(Qt::white));
    EXPECT_EQ(storedExportFolder(), QFileInfo(first.path()).absoluteFilePath());

    dialog.findChild<QPushButton*>(QStringLiteral("printButton"))->click();
    ASSERT_EQ(questions.asked.size(), 2);
    EXPECT_EQ(questions.asked[1].start, QFileInfo(first.path()).absoluteFilePath());
    EXPECT_TRUE(QFileInfo::exists(second.filePath(QStringLiteral("next.png"))));
    EXPECT_EQ(storedExportFolder(), QFileInfo(second.path()).absoluteFilePath());
}

// A start that does not exist would be offered as a file name in its
// parent: a pictures folder never made, or a stored folder since removed.
TEST(SmithChartDialogPrint, StartsInTheNearestFolderThatExists)
{
    const TemporaryHome home(false);
    QTemporaryDir kept;
    const QString gone = kept.filePath(QStringLiteral("gone/deeper"));
    const struct {
        const char* name;
        QString stored;
        QString start;
    } cases[] = {
        {"no pictures folder", QString(), home.path()},
        {"stored folder removed", gone, QFileInfo(kept.path()).absoluteFilePath()},
    };
    for (const auto& c : cases) {
        forgetExportFolder();
        if (!c.stored.isEmpty()) {
            QSettings settings;
            settings.setValue(QStringLiteral("Settings/exportImageDir"), c.stored);
        }
        SmithChartDialog dialog;
        ScriptedQuestions questions;
        dialog.print();
        ASSERT_EQ(questions.asked.size(), 1) << c.name;
        EXPECT_EQ(questions.asked[0].start.toStdString(), c.start.toStdString()) << c.name;
        // Cancelled: the stored folder stays as it was.
        EXPECT_EQ(storedExportFolder(), c.stored) << c.name;
    }
    forgetExportFolder();
}

TEST(SmithChartDialogPrint, CancelKeepsStoredFolder)
{
    QTemporaryDir folder;
    {
        QSettings settings;
        settings.setValue(QStringLiteral("Settings/exportImageDir"), folder.path());
    }
    SmithChartDialog dialog;
    ScriptedQuestions questions;
    dialog.print();
    ASSERT_EQ(questions.asked.size(), 1);
    EXPECT_EQ(questions.asked[0].start, folder.path());
    EXPECT_EQ(storedExportFolder(), folder.path());
    EXPECT_TRUE(QDir(folder.path()).entryList(QDir::Files).isEmpty());
}

struct SuffixCase {
    const char* name;
    const char* typed;
    const char* filter;
    const char* written;
    const char* format;
};

class SmithChartDialogSuffix : public ::testing::TestWithParam<SuffixCase>
{
};

TEST_P(SmithChartDialogSuffix, NameWithoutSuffixGetsFilterSuffix)
{
    const SuffixCase& c = GetParam();
    QTemporaryDir folder;
    SmithChartDialog dialog;
    ScriptedQuestions questions;
    questions.choose(folder.filePath(QString::fromLatin1(c.typed)), QString::fromLatin1(c.filter));
    dialog.print();
    const QString written = folder.filePath(QString::fromLatin1(c.written));
    ASSERT_TRUE(QFileInfo::exists(written)) << c.written;
    EXPECT_EQ(QImageReader(written).format(), QByteArray(c.format));
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files).size(), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Names, SmithChartDialogSuffix,
    ::testing::Values(SuffixCase{"Png", "chart", "PNG (*.png)", "chart.png", "png"},
                      SuffixCase{"Bmp", "chart", " BMP (*.bmp)", "chart.bmp", "bmp"},
                      SuffixCase{"Jpeg", "chart", " JPEG (*.jpg *.jpeg)", "chart.jpg", "jpeg"},
                      SuffixCase{"NoFilter", "chart", "", "chart.png", "png"},
                      SuffixCase{"Typed", "chart.bmp", "PNG (*.png)", "chart.bmp", "bmp"}),
    [](const ::testing::TestParamInfo<SuffixCase>& info) { return std::string(info.param.name); });

TEST(SmithChartDialogPrint, UnwritableFolderGivesWarning)
{
    QTemporaryDir folder;
    SmithChartDialog dialog;
    ScriptedQuestions questions;
    questions.choose(folder.filePath(QStringLiteral("missing/sub/chart.png")), pngFilter);
    MessageBoxAnswers answers({QMessageBox::Ok});
    dialog.print();
    ASSERT_EQ(answers.seen().size(), 1);
    EXPECT_EQ(answers.seen()[0].icon, QMessageBox::Warning);
    EXPECT_EQ(answers.seen()[0].title, QStringLiteral("Save Chart"));
    EXPECT_TRUE(answers.seen()[0].text.contains(QStringLiteral("chart.png")));
    EXPECT_FALSE(QFileInfo::exists(folder.filePath(QStringLiteral("missing/sub/chart.png"))));
}

} // namespace
