#include "app/dialogs/displaysettings.h"

#include "scans/csvoptions.h"
#include "scans/parameternames.h"
#include "scans/scanhandler.h"
#include "support/scanfactory.h"
#include "ui_displaysettings.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <vector>

namespace {

// Display box names by option index, as the dialog looks them up.
QString displayBoxName(int index)
{
    switch (index) {
    case 0:
        return QStringLiteral("voltageHCheckBox");
    case 1:
        return QStringLiteral("powerCheckBox");
    case 2:
        return QStringLiteral("frequencyCheckBox");
    case 3:
        return QStringLiteral("phaseHCheckBox");
    case 4:
        return QStringLiteral("currentHCheckBox");
    case 5:
        return QStringLiteral("forwardPowerCheckBox");
    case 6:
        return QStringLiteral("reflectedPowerCheckBox");
    case 7:
        return QStringLiteral("impedanceHComplexCheckBox");
    case 11:
        return QStringLiteral("swrCheckBox");
    case 15:
        return QStringLiteral("voltagePhaseCheckBox");
    case 36:
        return QStringLiteral("pulseFrequencyCheckBox");
    case 37:
        return QStringLiteral("pulseDutyCycleCheckBox");
    default:
        return QString();
    }
}

QString csvBoxName(int index)
{
    switch (index) {
    case 0:
        return QStringLiteral("voltageToCSVCheckBox");
    case 1:
        return QStringLiteral("powerToCSVCheckBox");
    case 2:
        return QStringLiteral("frequencyToCSVCheckBox");
    case 3:
        return QStringLiteral("phaseToCSVCheckBox");
    case 4:
        return QStringLiteral("currentToCSVCheckBox");
    default:
        return QString();
    }
}

const int usedIndices[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 33, 34, 35, 36, 37};

DisplaySettings::OptionFlags flagsOf(std::initializer_list<int> indices)
{
    DisplaySettings::OptionFlags flags{};
    for (int i : indices)
        flags[static_cast<size_t>(i)] = true;
    return flags;
}

class DisplaySettingsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QSettings().clear();
        savedCsv = csvOptionsInView();
        ScanHandler::getInstance()->setScanLimit(30);
    }
    void TearDown() override
    {
        QSettings().clear();
        applyCsvOptions(savedCsv);
        ScanHandler::getInstance()->setScanLimit(30);
    }

    static void store(const QString& key, const QVariant& value)
    {
        QSettings settings;
        settings.setValue(QStringLiteral("DisplayOptions/") + key, value);
    }
    // Stores a display set: exactly the given options ticked.
    static void storeDisplayed(const std::vector<const char*>& keys)
    {
        for (const char* key : {"Voltage", "Power", "Frequency", "Phase", "Current"})
            store(QStringLiteral("Display_") + key, false);
        for (const char* key : keys)
            store(QStringLiteral("Display_") + key, true);
    }

    template <typename T> static T* child(const DisplaySettings& dialog, const QString& name)
    {
        T* widget = dialog.findChild<T*>(name);
        EXPECT_NE(widget, nullptr) << qPrintable(name);
        return widget;
    }
    static QCheckBox* displayBox(const DisplaySettings& dialog, int index)
    {
        return child<QCheckBox>(dialog, displayBoxName(index));
    }
    static QCheckBox* csvBox(const DisplaySettings& dialog, int index)
    {
        return child<QCheckBox>(dialog, csvBoxName(index));
    }
    static QString presetShown(const DisplaySettings& dialog)
    {
        return child<QComboBox>(dialog, QStringLiteral("cbPresets"))->currentText();
    }
    static void choosePreset(DisplaySettings& dialog, const QString& text)
    {
        auto* presets = child<QComboBox>(dialog, QStringLiteral("cbPresets"));
        const int index = presets->findText(text);
        ASSERT_GE(index, 0);
        presets->setCurrentIndex(index);
        emit presets->activated(text);
    }
    static int enabledDisplayBoxes(const DisplaySettings& dialog)
    {
        int enabled = 0;
        for (QCheckBox* box : dialog.findChildren<QCheckBox*>()) {
            const QString name = box->objectName();
            if (!name.contains(QLatin1String("CSV")) && name != QLatin1String("rbUseShortNames") &&
                name != QLatin1String("cb_FullTimestampToCSV") && box->isEnabled())
                ++enabled;
        }
        return enabled;
    }

    CsvOptionSet savedCsv;
};

} // namespace

TEST_F(DisplaySettingsTest, FreshSettings)
{
    ScanHandler::getInstance()->setScanLimit(17);
    DisplaySettings dialog;
    EXPECT_EQ(dialog.displayedCount, 5u);
    EXPECT_EQ(dialog.displayFlags(), flagsOf({0, 1, 2, 3, 4}));
    EXPECT_EQ(presetShown(dialog), QStringLiteral("Custom"));
    for (int index : usedIndices)
        EXPECT_TRUE(dialog.isCsvOptionEnabled(index)) << index;
    for (QCheckBox* box : dialog.findChildren<QCheckBox*>()) {
        if (box->objectName().contains(QLatin1String("ToCSV")) &&
            box->objectName() != "cb_FullTimestampToCSV")
            EXPECT_TRUE(box->isChecked()) << qPrintable(box->objectName());
    }
    for (int index : {16, 17, 32, 38, -1})
        EXPECT_FALSE(dialog.isCsvOptionEnabled(index)) << index;
    EXPECT_EQ(child<QComboBox>(dialog, QStringLiteral("delimiterComboBox"))->currentText(),
              QStringLiteral(";"));
    EXPECT_EQ(csvDelimiter, QStringLiteral(";"));
    EXPECT_EQ(child<QComboBox>(dialog, QStringLiteral("legendOptions"))->currentText(),
              QStringLiteral("Bottom Right"));
    EXPECT_EQ(dialog.smithPoints(), 0);
    EXPECT_FALSE(dialog.isSimpleSmith());
    EXPECT_EQ(child<QLineEdit>(dialog, QStringLiteral("scanLimit"))->text(), QStringLiteral("17"));
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Display Options"));
    EXPECT_TRUE(dialog.windowFlags() & Qt::MSWindowsFixedSizeDialogHint);
    EXPECT_FALSE(dialog.windowFlags() & Qt::WindowContextHelpButtonHint);
    const QStringList presets = {"Pre-Match", "Post-Match", "Pulse", "Moduli", "Custom"};
    auto* presetBox = child<QComboBox>(dialog, QStringLiteral("cbPresets"));
    for (int i = 0; i < presets.size(); ++i)
        EXPECT_EQ(presetBox->itemText(i), presets[i]);
    auto* delimiters = child<QComboBox>(dialog, QStringLiteral("delimiterComboBox"));
    EXPECT_EQ(delimiters->count(), 3);
    EXPECT_EQ(delimiters->itemText(2), QStringLiteral("Tab"));
    EXPECT_EQ(child<QComboBox>(dialog, QStringLiteral("legendOptions"))->count(), 6);
}

TEST_F(DisplaySettingsTest, TheLegendBoxShowsEachPositionWhole)
{
    DisplaySettings dialog;
    dialog.show();
    auto* positions = child<QComboBox>(dialog, QStringLiteral("legendOptions"));
    QStyleOptionComboBox option;
    option.initFrom(positions);
    option.frame = true;
    const QRect field = positions->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                           QStyle::SC_ComboBoxEditField, positions);
    for (int i = 0; i < positions->count(); ++i)
        EXPECT_LE(positions->fontMetrics().horizontalAdvance(positions->itemText(i)), field.width())
            << positions->itemText(i).toStdString() << " in a box " << positions->width() << " px wide";
}

TEST_F(DisplaySettingsTest, EighthTickDisablesTheRestAndANinthIsRefused)
{
    DisplaySettings dialog;
    displayBox(dialog, 5)->click();
    displayBox(dialog, 6)->click();
    EXPECT_EQ(enabledDisplayBoxes(dialog), 21);
    displayBox(dialog, 7)->click();
    EXPECT_EQ(dialog.displayedCount, 8u);
    EXPECT_EQ(enabledDisplayBoxes(dialog), 8);
    EXPECT_FALSE(displayBox(dialog, 11)->isEnabled());

    // A ninth tick (a box enabled some other way) is taken back.
    displayBox(dialog, 11)->setEnabled(true);
    displayBox(dialog, 11)->click();
    EXPECT_FALSE(displayBox(dialog, 11)->isChecked());
    EXPECT_EQ(dialog.displayedCount, 8u);
    EXPECT_FALSE(dialog.pendingDisplayFlags()[11]);

    displayBox(dialog, 0)->click();
    EXPECT_EQ(dialog.displayedCount, 7u);
    EXPECT_EQ(enabledDisplayBoxes(dialog), 21);
    EXPECT_EQ(dialog.customFlags(), flagsOf({1, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(presetShown(dialog), QStringLiteral("Custom"));
}

TEST_F(DisplaySettingsTest, TheLastCsvBoxCannotBeUnticked)
{
    DisplaySettings dialog;
    choosePreset(dialog, QStringLiteral("Post-Match")); // CSV: 0, 1, 2, 3, 4, 7
    for (int index : {1, 2, 3, 4})
        csvBox(dialog, index)->click();
    auto* impedance = child<QCheckBox>(dialog, QStringLiteral("impedanceComplexToCSVCheckBox"));
    impedance->click();
    EXPECT_EQ(dialog.pendingCsvFlags(), flagsOf({0}));
    csvBox(dialog, 0)->click();
    EXPECT_TRUE(csvBox(dialog, 0)->isChecked());
    EXPECT_EQ(dialog.pendingCsvFlags(), flagsOf({0}));
    EXPECT_EQ(presetShown(dialog), QStringLiteral("Custom"));
}

TEST_F(DisplaySettingsTest, ACsvTickWithNoneTickedTicksCurrentAndTheBoxClicked)
{
    storeDisplayed({});
    DisplaySettings dialog;
    choosePreset(dialog, QStringLiteral("Custom")); // nothing displayed: no CSV column either
    ASSERT_EQ(dialog.pendingCsvFlags(), flagsOf({}));
    csvBox(dialog, 1)->click();
    EXPECT_EQ(dialog.pendingCsvFlags(), flagsOf({1, 4}));
    EXPECT_TRUE(csvBox(dialog, 1)->isChecked());
    EXPECT_TRUE(csvBox(dialog, 4)->isChecked());
}

TEST_F(DisplaySettingsTest, ModuliAfterAThreeOptionCustomSetFillsBothColumns)
{
    DisplaySettings dialog;
    displayBox(dialog, 3)->click();
    displayBox(dialog, 4)->click();
    ASSERT_EQ(dialog.displayedCount, 3u);
    choosePreset(dialog, QStringLiteral("Moduli"));
    const DisplaySettings::OptionFlags moduli = flagsOf({0, 1, 2, 3, 4, 15, 36, 37});
    EXPECT_EQ(dialog.displayedCount, 8u);
    EXPECT_EQ(dialog.pendingDisplayFlags(), moduli);
    EXPECT_EQ(dialog.pendingCsvFlags(), moduli);
    EXPECT_EQ(enabledDisplayBoxes(dialog), 8);
    EXPECT_TRUE(displayBox(dialog, 15)->isChecked());
    EXPECT_FALSE(csvBox(dialog, 0) == nullptr);
    EXPECT_TRUE(child<QCheckBox>(dialog, QStringLiteral("voltagePhaseToCSV"))->isChecked());
    EXPECT_FALSE(child<QCheckBox>(dialog, QStringLiteral("swrToCSVCheckBox"))->isChecked());

    // Custom brings back the last set edited by hand, in both columns.
    choosePreset(dialog, QStringLiteral("Custom"));
    EXPECT_EQ(dialog.pendingDisplayFlags(), flagsOf({0, 1, 2}));
    EXPECT_EQ(dialog.pendingCsvFlags(), flagsOf({0, 1, 2}));
    EXPECT_FALSE(csvBox(dialog, 3)->isChecked());
    EXPECT_EQ(enabledDisplayBoxes(dialog), 21);
}

TEST_F(DisplaySettingsTest, AStoredSetOfMoreThanEightDropsTheHighestIndices)
{
    storeDisplayed({"Voltage", "Power", "Frequency", "Phase", "Current", "ForwardPower", "SWR", "Energy",
                    "PulseDutyCycle", "PulseFrequency"});
    DisplaySettings dialog;
    EXPECT_EQ(dialog.displayedCount, 8u);
    EXPECT_EQ(dialog.displayFlags(), flagsOf({0, 1, 2, 3, 4, 5, 11, 33}));
}

struct ParameterAtCase {
    const char* name;
    std::vector<const char*> displayed;
    int n;
    int parameterId;
};

class DisplayedParameterAt : public DisplaySettingsTest, public ::testing::WithParamInterface<ParameterAtCase>
{
};

TEST_P(DisplayedParameterAt, CountsTickedOptionsUpwards)
{
    storeDisplayed(GetParam().displayed);
    DisplaySettings dialog;
    EXPECT_EQ(dialog.displayedParameterAt(GetParam().n), GetParam().parameterId);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DisplayedParameterAt,
    ::testing::Values(ParameterAtCase{"OnlyCurrent", {"Current"}, 0, Current},
                      ParameterAtCase{"Nothing", {}, 0, 0}, ParameterAtCase{"MinusOne", {"Power"}, -1, 0},
                      ParameterAtCase{"BeyondTheCount", {"Power", "SWR", "PulsePeriod"}, 5, PulsePeriod},
                      ParameterAtCase{"Second", {"Power", "SWR", "PulsePeriod"}, 1, StandingWaveRatio},
                      ParameterAtCase{"HarmonicPhase", {"VoltagePolar"}, 0, Harmonic}),
    [](const ::testing::TestParamInfo<ParameterAtCase>& info) { return std::string(info.param.name); });

struct DelimiterCase {
    const char* name;
    const char* stored;
    const char* shown;
    const char* delimiter;
};

class StoredDelimiter : public DisplaySettingsTest, public ::testing::WithParamInterface<DelimiterCase>
{
};

TEST_P(StoredDelimiter, SelectsItsEntry)
{
    store(QStringLiteral("csvdelimiter"), QString::fromLatin1(GetParam().stored));
    DisplaySettings dialog;
    auto* delimiters = child<QComboBox>(dialog, QStringLiteral("delimiterComboBox"));
    EXPECT_EQ(delimiters->currentText(), QString::fromLatin1(GetParam().shown));
    EXPECT_EQ(csvDelimiter, QString::fromLatin1(GetParam().delimiter));
    child<QPushButton>(dialog, QStringLiteral("pbApply"))->click();
    EXPECT_EQ(csvDelimiter, QString::fromLatin1(GetParam().delimiter));
    EXPECT_EQ(QSettings().value(QStringLiteral("DisplayOptions/csvdelimiter")).toString(),
              QString::fromLatin1(GetParam().delimiter));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StoredDelimiter,
    ::testing::Values(DelimiterCase{"Tab", "\t", "Tab", "\t"}, DelimiterCase{"Comma", ",", ",", ","},
                      DelimiterCase{"Unknown", "|", ";", ";"}, DelimiterCase{"Empty", "", ";", ";"}),
    [](const ::testing::TestParamInfo<DelimiterCase>& info) { return std::string(info.param.name); });

TEST_F(DisplaySettingsTest, ShortNamesFollowTheBoxAtOnceAndCancelRestoresThem)
{
    DisplaySettings dialog;
    auto* shortNames = child<QCheckBox>(dialog, QStringLiteral("rbUseShortNames"));
    auto* fullTime = child<QCheckBox>(dialog, QStringLiteral("cb_FullTimestampToCSV"));
    shortNames->click();
    fullTime->click();
    EXPECT_TRUE(csvUseShortNames);
    EXPECT_TRUE(csvUseFullTimestamp);
    child<QPushButton>(dialog, QStringLiteral("pbCancel"))->click();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_FALSE(csvUseShortNames);
    EXPECT_FALSE(csvUseFullTimestamp);
    EXPECT_FALSE(shortNames->isChecked());
    EXPECT_FALSE(fullTime->isChecked());
}

TEST_F(DisplaySettingsTest, CancelDiscardsEditsOfBothSets)
{
    DisplaySettings dialog;
    displayBox(dialog, 5)->click();
    csvBox(dialog, 0)->click();
    child<QComboBox>(dialog, QStringLiteral("delimiterComboBox"))->setCurrentIndex(1);
    child<QPushButton>(dialog, QStringLiteral("pbCancel"))->click();
    EXPECT_EQ(dialog.pendingDisplayFlags(), flagsOf({0, 1, 2, 3, 4}));
    EXPECT_TRUE(csvBox(dialog, 0)->isChecked());
    EXPECT_FALSE(displayBox(dialog, 5)->isChecked());
    EXPECT_EQ(child<QComboBox>(dialog, QStringLiteral("delimiterComboBox"))->currentIndex(), 0);
    EXPECT_EQ(csvDelimiter, QStringLiteral(";"));
}

// Escape and the window's close button are Cancel: the edits, the
// immediate options included, give way to what was stored, and the dialog
// shows that when it opens again.
TEST_F(DisplaySettingsTest, EscapeAndClosingTheWindowDiscardEditsAsCancelDoes)
{
    const struct {
        const char* name;
        std::function<void(DisplaySettings&)> dismiss;
    } ways[] = {{"Escape", [](DisplaySettings& d) { QTest::keyClick(&d, Qt::Key_Escape); }},
                {"close button", [](DisplaySettings& d) { d.close(); }}};
    for (const auto& way : ways) {
        SCOPED_TRACE(way.name);
        DisplaySettings dialog;
        dialog.show();
        QSignalSpy legend(&dialog, &DisplaySettings::legendChanged);
        QSignalSpy simple(&dialog, &DisplaySettings::simpleSmithChanged);
        displayBox(dialog, 5)->click();
        child<QCheckBox>(dialog, QStringLiteral("rbUseShortNames"))->click();
        child<QCheckBox>(dialog, QStringLiteral("cb_FullTimestampToCSV"))->click();
        child<QComboBox>(dialog, QStringLiteral("legendOptions"))->setCurrentIndex(3);
        child<QRadioButton>(dialog, QStringLiteral("simpleSmithButton"))->click();
        ASSERT_TRUE(csvUseShortNames);

        way.dismiss(dialog);
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_EQ(dialog.result(), QDialog::Rejected);
        EXPECT_FALSE(csvUseShortNames);
        EXPECT_FALSE(csvUseFullTimestamp);
        ASSERT_EQ(legend.size(), 2);
        EXPECT_EQ(legend.last().front().toInt(), 0);
        ASSERT_EQ(simple.size(), 2);
        EXPECT_FALSE(simple.last().front().toBool());

        dialog.show();
        EXPECT_EQ(dialog.pendingDisplayFlags(), flagsOf({0, 1, 2, 3, 4}));
        EXPECT_FALSE(displayBox(dialog, 5)->isChecked());
        EXPECT_FALSE(child<QCheckBox>(dialog, QStringLiteral("rbUseShortNames"))->isChecked());
        EXPECT_FALSE(child<QCheckBox>(dialog, QStringLiteral("cb_FullTimestampToCSV"))->isChecked());
        EXPECT_EQ(child<QComboBox>(dialog, QStringLiteral("legendOptions"))->currentIndex(), 0);
        EXPECT_FALSE(dialog.isSimpleSmith());
    }
}

TEST_F(DisplaySettingsTest, ApplyWritesEveryKeyAndAnnouncesThePointsOnce)
{
    DisplaySettings dialog;
    QSignalSpy points(&dialog, &DisplaySettings::smithPointsChanged);
    QSignalSpy legend(&dialog, &DisplaySettings::legendChanged);
    QSignalSpy simple(&dialog, &DisplaySettings::simpleSmithChanged);
    displayBox(dialog, 5)->click();
    csvBox(dialog, 2)->click();
    child<QComboBox>(dialog, QStringLiteral("delimiterComboBox"))->setCurrentIndex(2);
    child<QSpinBox>(dialog, QStringLiteral("SmithChartPoints"))->setValue(250);
    child<QComboBox>(dialog, QStringLiteral("legendOptions"))->setCurrentIndex(4);
    child<QRadioButton>(dialog, QStringLiteral("simpleSmithButton"))->setChecked(true);
    // Legend and simple chart take effect as they change, the points on Apply.
    ASSERT_EQ(legend.size(), 1);
    EXPECT_EQ(legend.front().front().toInt(), 4);
    ASSERT_EQ(simple.size(), 1);
    EXPECT_TRUE(simple.front().front().toBool());
    EXPECT_TRUE(points.isEmpty());
    EXPECT_TRUE(dialog.isCsvOptionEnabled(2)); // not applied yet

    child<QPushButton>(dialog, QStringLiteral("pbApply"))->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    ASSERT_EQ(points.size(), 1);
    EXPECT_EQ(points.front().front().toInt(), 250);
    EXPECT_FALSE(dialog.isCsvOptionEnabled(2));
    EXPECT_EQ(dialog.displayedParameterAt(5), ForwardPower);

    QSettings settings;
    settings.beginGroup(QStringLiteral("DisplayOptions"));
    EXPECT_EQ(settings.childKeys().size(), 2 * 21 + 6);
    EXPECT_TRUE(settings.value(QStringLiteral("Display_ForwardPower")).toBool());
    EXPECT_FALSE(settings.value(QStringLiteral("Display_SWR")).toBool());
    EXPECT_FALSE(settings.value(QStringLiteral("Csv_Frequency")).toBool());
    EXPECT_TRUE(settings.value(QStringLiteral("Csv_VoltagePolar")).toBool());
    EXPECT_EQ(settings.value(QStringLiteral("csvdelimiter")).toString(), QStringLiteral("\t"));
    EXPECT_EQ(settings.value(QStringLiteral("smithChartPoints")).toInt(), 250);
    EXPECT_EQ(settings.value(QStringLiteral("legendPosition")).toInt(), 4);
    EXPECT_TRUE(settings.value(QStringLiteral("simpleSmith")).toBool());
    EXPECT_FALSE(settings.value(QStringLiteral("csvUseShortNames")).toBool());
    EXPECT_FALSE(settings.value(QStringLiteral("csvUseFullTimestamp")).toBool());
    settings.endGroup();

    // What was stored comes back in a new dialog, announced as it loads.
    DisplaySettings reloaded;
    EXPECT_EQ(reloaded.displayFlags(), flagsOf({0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(reloaded.smithPoints(), 250);
    EXPECT_TRUE(reloaded.isSimpleSmith());
    QSignalSpy reloadedLegend(&reloaded, &DisplaySettings::legendChanged);
    reloaded.emitLegendPosition();
    ASSERT_EQ(reloadedLegend.size(), 1);
    EXPECT_EQ(reloadedLegend.front().front().toInt(), 4);
}

TEST_F(DisplaySettingsTest, TheSimpleSmithChartCanBeSwitchedOffAgain)
{
    DisplaySettings dialog;
    QSignalSpy simple(&dialog, &DisplaySettings::simpleSmithChanged);
    auto* button = child<QRadioButton>(dialog, QStringLiteral("simpleSmithButton"));
    button->click();
    EXPECT_TRUE(dialog.isSimpleSmith());
    button->click();
    EXPECT_FALSE(dialog.isSimpleSmith());
    button->click();
    child<QPushButton>(dialog, QStringLiteral("pbCancel"))->click(); // back to the stored "off"
    EXPECT_FALSE(dialog.isSimpleSmith());
    ASSERT_EQ(simple.size(), 4);
    EXPECT_FALSE(simple.last().front().toBool());
}

struct LimitCase {
    const char* name;
    const char* text;
    int limit;
};

class ScanLimitEntry : public DisplaySettingsTest, public ::testing::WithParamInterface<LimitCase>
{
};

TEST_P(ScanLimitEntry, OnlyANumberInRangeChangesTheLimit)
{
    DisplaySettings dialog;
    child<QLineEdit>(dialog, QStringLiteral("scanLimit"))->setText(QString::fromLatin1(GetParam().text));
    child<QPushButton>(dialog, QStringLiteral("pbApply"))->click();
    EXPECT_EQ(ScanHandler::getInstance()->scanLimit(), GetParam().limit);
}

INSTANTIATE_TEST_SUITE_P(Cases, ScanLimitEntry,
                         ::testing::Values(LimitCase{"Number", "25", 25}, LimitCase{"Empty", "", 30},
                                           LimitCase{"Letters", "abc", 30}, LimitCase{"Zero", "0", 30},
                                           LimitCase{"Largest", "1000", 1000}),
                         [](const ::testing::TestParamInfo<LimitCase>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(DisplaySettingsTest, ALanguageChangeEmptiesTheLimitFieldWithoutDroppingScans)
{
    DisplaySettings dialog;
    QEvent change(QEvent::LanguageChange);
    QCoreApplication::sendEvent(&dialog, &change);
    EXPECT_TRUE(child<QLineEdit>(dialog, QStringLiteral("scanLimit"))->text().isEmpty());
    EXPECT_EQ(child<QLabel>(dialog, QStringLiteral("label_2"))->text(), QStringLiteral("Max Acquired Scans"));
    child<QPushButton>(dialog, QStringLiteral("pbApply"))->click();
    EXPECT_EQ(ScanHandler::getInstance()->scanLimit(), 30);
}

namespace {

QStringList exportedLines(BaseScan& scan, const CsvColumnOptions& options)
{
    QTemporaryDir folder;
    QString path = folder.filePath(QStringLiteral("export.csv"));
    if (!scan.exportCsv(path, QStringLiteral("test"), &options))
        return {};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
}

// The heading line of the samples: the one starting with the time column.
QString headingOf(const QStringList& lines)
{
    for (const QString& line : lines) {
        if (line.startsWith(QLatin1String("Time")))
            return line;
    }
    return QString();
}

} // namespace

TEST_F(DisplaySettingsTest, TheExportWritesTheAppliedColumnsWithTheAppliedDelimiter)
{
    FakeSensor sensor({13.56}, {1});
    auto scan = scantest::cwScan(sensor, 4);
    DisplaySettings dialog;
    for (int index : {2, 3, 4})
        csvBox(dialog, index)->click();
    for (const char* name :
         {"fwdPowerToCSVCheckBox", "reflectedPowerToCSVCheckBox", "impedanceComplexToCSVCheckBox",
          "impedanceVectorToCSVCheckBox", "gammaComplexToCSVCheckBox", "gammaVectorToCSVCheckBox",
          "swrToCSVCheckBox", "currentVectorToCSVCheckBox", "currentComplexToCSVCheckBox",
          "voltagePhaseToCSV", "ionFluxToCSVCheckBox", "pulsePeriodToCSVCheckBox",
          "pulseFrequencyToCSVCheckBox", "pulseOnTimeToCSVCheckBox", "pulseDutyCycleToCSVCheckBox",
          "energyToCSVCheckBox"})
        child<QCheckBox>(dialog, QString::fromLatin1(name))->click();
    ASSERT_EQ(dialog.pendingCsvFlags(), flagsOf({0, 1}));
    child<QComboBox>(dialog, QStringLiteral("delimiterComboBox"))->setCurrentIndex(1);
    child<QPushButton>(dialog, QStringLiteral("pbApply"))->click();

    const ParameterNames& names = ParameterNames::shared();
    const QString heading = headingOf(exportedLines(*scan, dialog));
    const QStringList cells = heading.split(QLatin1Char(','));
    ASSERT_EQ(cells.size(), 4) << qPrintable(heading); // time, the two columns, the final delimiter
    EXPECT_TRUE(cells[1].contains(names.name(Power) + " " + names.unit(Power))) << qPrintable(heading);
    EXPECT_TRUE(cells[2].contains(names.name(Voltage) + " " + names.unit(Voltage))) << qPrintable(heading);
    EXPECT_FALSE(heading.contains(QLatin1Char(';')));

    // Short names reach the next export at once, without Apply.
    child<QCheckBox>(dialog, QStringLiteral("rbUseShortNames"))->click();
    const QString shortHeading = headingOf(exportedLines(*scan, dialog));
    EXPECT_NE(shortHeading, heading);
    EXPECT_TRUE(shortHeading.contains(names.shortName(Voltage) + " "));
    EXPECT_EQ(shortHeading.count(QLatin1Char(',')), 3);
}
