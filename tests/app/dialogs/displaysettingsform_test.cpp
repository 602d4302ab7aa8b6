// The display options form on its own: the names its dialog looks up and
// connects by, and the state it leaves for the dialog to fill.

#include "ui_displaysettings.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QEvent>
#include <QMap>
#include <QTest>

namespace {

// A dialog with the five slots the form connects by name, counting calls.
class FormProbe : public QDialog
{
    Q_OBJECT

public:
    FormProbe() { form.setupUi(this); }

    Ui_DisplaySettings form;
    QMap<QString, int> calls;
    QString activatedText;

private slots:
    void on_rbUseShortNames_toggled(bool) { ++calls["rbUseShortNames"]; }
    void on_cb_FullTimestampToCSV_toggled(bool) { ++calls["cb_FullTimestampToCSV"]; }
    void on_cbPresets_activated(const QString& text)
    {
        ++calls["cbPresets"];
        activatedText = text;
    }
    void on_pbApply_clicked() { ++calls["pbApply"]; }
    void on_pbCancel_clicked() { ++calls["pbCancel"]; }
};

// The 42 boxes the dialog finds by name: display box, then CSV box, per row.
const char* const boxNames[][2] = {
    {"voltageHCheckBox", "voltageToCSVCheckBox"},
    {"powerCheckBox", "powerToCSVCheckBox"},
    {"frequencyCheckBox", "frequencyToCSVCheckBox"},
    {"phaseHCheckBox", "phaseToCSVCheckBox"},
    {"currentHCheckBox", "currentToCSVCheckBox"},
    {"forwardPowerCheckBox", "fwdPowerToCSVCheckBox"},
    {"reflectedPowerCheckBox", "reflectedPowerToCSVCheckBox"},
    {"impedanceHComplexCheckBox", "impedanceComplexToCSVCheckBox"},
    {"impedanceHVectorCheckBox", "impedanceVectorToCSVCheckBox"},
    {"gammaReflectionComplexCheckBox", "gammaComplexToCSVCheckBox"},
    {"gammaReflectionVectorCheckBox", "gammaVectorToCSVCheckBox"},
    {"swrCheckBox", "swrToCSVCheckBox"},
    {"currentHVectorCheckBox", "currentVectorToCSVCheckBox"},
    {"currentHComplexCheckBox", "currentComplexToCSVCheckBox"},
    {"voltagePhaseCheckBox", "voltagePhaseToCSV"},
    {"ionFluxCheckBox", "ionFluxToCSVCheckBox"},
    {"pulsePeriodCheckBox", "pulsePeriodToCSVCheckBox"},
    {"pulseFrequencyCheckBox", "pulseFrequencyToCSVCheckBox"},
    {"pulseOnTimeCheckBox", "pulseOnTimeToCSVCheckBox"},
    {"pulseDutyCycleCheckBox", "pulseDutyCycleToCSVCheckBox"},
    {"energyCheckBox", "energyToCSVCheckBox"},
};

} // namespace

TEST(DisplaySettingsForm, EveryBoxTheDialogLooksUpIsAnEmptyUncheckedCheckBoxInItsRow)
{
    FormProbe probe;
    const QStringList rowLabels = {"Voltage",           "Power",
                                   "Frequency",         "Phase",
                                   "Current",           "Forward Power",
                                   "Reflected Power",   "Impedance (Complex)",
                                   "Impedance (Polar)", "Gamma (Complex)",
                                   "Gamma (Polar)",     "SWR",
                                   "Current (Polar)",   "Current (Complex)",
                                   "Harmonic Phase",    "Ion Flux",
                                   "Pulse Period",      "Pulse Frequency",
                                   "Pulse On Time",     "Pulse Duty Cycle",
                                   "Accumulated Energy"};
    QGridLayout* grid = probe.form.optionsGrid;
    int row = 4;
    for (size_t i = 0; i < std::size(boxNames); ++i, ++row) {
        if (row == 15 || row == 25)
            ++row; // the two empty rows
        auto* label = qobject_cast<QLabel*>(grid->itemAtPosition(row, 0)->widget());
        ASSERT_NE(label, nullptr) << row;
        EXPECT_EQ(label->text(), rowLabels[static_cast<int>(i)]);
        for (int column = 0; column < 2; ++column) {
            const QString name = QString::fromLatin1(boxNames[i][column]);
            auto* box = probe.findChild<QCheckBox*>(name);
            ASSERT_NE(box, nullptr) << qPrintable(name);
            EXPECT_TRUE(box->text().isEmpty());
            EXPECT_FALSE(box->isChecked());
            EXPECT_EQ(grid->itemAtPosition(row, column == 0 ? 2 : 4)->layout()->indexOf(box) >= 0, true)
                << qPrintable(name);
        }
    }
    EXPECT_EQ(probe.findChildren<QCheckBox*>().size(), 44); // and the two CSV options
}

TEST(DisplaySettingsForm, TheFiveNamedSlotsFireOnceEach)
{
    FormProbe probe;
    probe.form.cbPresets->addItems({QStringLiteral("Pre-Match"), QStringLiteral("Custom")});
    probe.form.rbUseShortNames->click();
    probe.form.cb_FullTimestampToCSV->click();
    probe.form.pbApply->click();
    probe.form.pbCancel->click();
    emit probe.form.cbPresets->activated(1);
    emit probe.form.cbPresets->activated(QStringLiteral("Custom"));
    for (const char* name : {"rbUseShortNames", "cb_FullTimestampToCSV", "cbPresets", "pbApply", "pbCancel"})
        EXPECT_EQ(probe.calls.value(QString::fromLatin1(name)), 1) << name;
    EXPECT_EQ(probe.activatedText, QStringLiteral("Custom"));
}

TEST(DisplaySettingsForm, LeavesItemsValuesAndChecksToTheDialog)
{
    FormProbe probe;
    const Ui_DisplaySettings& form = probe.form;
    EXPECT_EQ(probe.windowTitle(), QStringLiteral("Display Options"));
    EXPECT_EQ(probe.minimumSize(), QSize(650, 415));
    EXPECT_EQ(probe.maximumSize(), QSize(650, 415));
    for (QComboBox* box : {form.cbPresets, form.delimiterComboBox, form.legendOptions}) {
        EXPECT_EQ(box->count(), 0);
        EXPECT_EQ(box->currentIndex(), -1);
    }
    EXPECT_FALSE(form.simpleSmithButton->isChecked());
    EXPECT_EQ(form.SmithChartPoints->minimum(), 0);
    EXPECT_EQ(form.SmithChartPoints->maximum(), 1000);
    EXPECT_EQ(form.SmithChartPoints->buttonSymbols(), QAbstractSpinBox::NoButtons);
    EXPECT_TRUE(form.SmithChartPoints->keyboardTracking());
    EXPECT_EQ(form.scanLimit->validator(), nullptr);
    EXPECT_EQ(form.label_6->text(), QStringLiteral(" CSV Delimiter Character"));
    EXPECT_EQ(form.scanLimit->toolTip(),
              QStringLiteral("Maximum number of acquired scans to retain in display before removing"));
    EXPECT_EQ(form.label_2->toolTip(), form.scanLimit->toolTip());

    // A second text pass keeps checks and values but empties the scan limit.
    form.scanLimit->setText(QStringLiteral("12"));
    form.SmithChartPoints->setValue(40);
    form.voltageHCheckBox->setChecked(true);
    probe.form.retranslateUi(&probe);
    EXPECT_TRUE(form.scanLimit->text().isEmpty());
    EXPECT_EQ(form.SmithChartPoints->value(), 40);
    EXPECT_TRUE(form.voltageHCheckBox->isChecked());
}

#include "displaysettingsform_test.moc"
