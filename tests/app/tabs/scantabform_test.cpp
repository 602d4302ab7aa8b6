// The acquisition tab form: the names, states and limits the tabs rely on,
// the empty layouts they fill, and a second text step after a language
// change.

#include "ui_scantab.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>
#include <QWidget>

namespace {

class ScanTabForm : public ::testing::Test
{
protected:
    void SetUp() override { form.setupUi(&tab); }

    template <typename T> T* find(const QString& name) const { return tab.findChild<T*>(name); }

    QWidget tab;
    Ui_scanTab form;
};

TEST_F(ScanTabForm, NamesTheTabsWireExistWithTheirClasses)
{
    const std::pair<const char*, const char*> widgets[] = {
        {"sensorConfigBox", "QGroupBox"},
        {"scanConfigurationBox", "QGroupBox"},
        {"scanControlBox", "QGroupBox"},
        {"paramViewBox", "QGroupBox"},
        {"sensorList", "QComboBox"},
        {"setSensorNick", "QPushButton"},
        {"sensorConfigIdentifierLabel", "QLabel"},
        {"vLock", "QRadioButton"},
        {"iLock", "QRadioButton"},
        {"VIAutoLock", "QRadioButton"},
        {"scanDuration", "QLineEdit"},
        {"enableIonFlux", "QCheckBox"},
        {"enablePulse", "QCheckBox"},
        {"resetEnergyBtn", "QPushButton"},
        {"ifVoltDrop", "QLineEdit"},
        {"ifResistance", "QLineEdit"},
        {"ifEArea", "QLineEdit"},
        {"thresholdSpin", "QDoubleSpinBox"},
        {"thresholdLabel", "QLabel"},
        {"trimSpin", "QSpinBox"},
        {"trimLabel", "QLabel"},
        {"startScan", "QPushButton"},
        {"stopScan", "QPushButton"},
        {"autostartAdvanced", "QPushButton"},
        {"waferLot", "QLineEdit"},
        {"waferNumber", "QLineEdit"},
        {"saveScan", "QPushButton"},
        {"autosave", "QCheckBox"},
        {"barView", "QPushButton"},
        {"smithView", "QPushButton"},
        {"meterView", "QPushButton"},
        {"waveView", "QPushButton"},
    };
    for (const auto& [name, className] : widgets) {
        const QWidget* widget = find<QWidget>(name);
        ASSERT_NE(widget, nullptr) << name;
        EXPECT_STREQ(widget->metaObject()->className(), className) << name;
    }
    for (int n = 1; n <= 8; ++n) {
        EXPECT_NE(find<QCheckBox>(QStringLiteral("cbmeter_%1").arg(n)), nullptr) << n;
        EXPECT_NE(find<QLabel>(QStringLiteral("lbmeter_%1").arg(n)), nullptr) << n;
    }
    EXPECT_EQ(tab.objectName(), "scanTab");
    EXPECT_EQ(tab.windowTitle(), "Form");
    EXPECT_EQ(tab.size(), QSize(1820, 547));
    EXPECT_EQ(tab.font().family(), "Tahoma");
}

TEST_F(ScanTabForm, StartsWithTheStatesTheTabsExpect)
{
    for (QGroupBox* box :
         {form.sensorConfigBox, form.scanConfigurationBox, form.scanControlBox, form.paramViewBox}) {
        EXPECT_TRUE(box->isCheckable()) << box->objectName().toStdString();
        EXPECT_TRUE(box->isChecked()) << box->objectName().toStdString();
    }
    EXPECT_TRUE(form.vLock->isChecked());
    EXPECT_FALSE(form.iLock->isChecked());
    EXPECT_TRUE(form.enableIonFlux->isChecked());
    EXPECT_FALSE(form.enablePulse->isChecked());
    EXPECT_FALSE(form.autosave->isChecked());
    for (QPushButton* button : {form.startScan, form.stopScan, form.autostartAdvanced, form.saveScan})
        EXPECT_FALSE(button->isEnabled()) << button->objectName().toStdString();
    for (QPushButton* button : {form.barView, form.smithView, form.meterView, form.waveView})
        EXPECT_TRUE(button->isCheckable()) << button->objectName().toStdString();
    for (int n = 1; n <= 8; ++n) {
        EXPECT_FALSE(find<QCheckBox>(QStringLiteral("cbmeter_%1").arg(n))->isChecked()) << n;
        EXPECT_EQ(find<QLabel>(QStringLiteral("lbmeter_%1").arg(n))->text(), "---") << n;
    }
    for (QLineEdit* edit : tab.findChildren<QLineEdit*>())
        EXPECT_TRUE(edit->text().isEmpty()) << edit->objectName().toStdString();
}

TEST_F(ScanTabForm, SignalLockButtonsExcludeEachOther)
{
    form.iLock->setChecked(true);
    EXPECT_FALSE(form.vLock->isChecked());
    form.VIAutoLock->setChecked(true);
    EXPECT_FALSE(form.iLock->isChecked());
}

TEST_F(ScanTabForm, PulseSpinBoxesHaveTheirLimitsAndNoStepButtons)
{
    EXPECT_EQ(form.thresholdSpin->minimum(), 0.0);
    EXPECT_EQ(form.thresholdSpin->maximum(), 100.0);
    EXPECT_EQ(form.trimSpin->minimum(), 0);
    EXPECT_EQ(form.trimSpin->maximum(), 99);
    EXPECT_EQ(form.thresholdSpin->buttonSymbols(), QAbstractSpinBox::NoButtons);
    EXPECT_EQ(form.trimSpin->buttonSymbols(), QAbstractSpinBox::NoButtons);
    form.thresholdSpin->setValue(250.0);
    form.trimSpin->setValue(120);
    EXPECT_EQ(form.thresholdSpin->value(), 100.0);
    EXPECT_EQ(form.trimSpin->value(), 99);
}

TEST_F(ScanTabForm, LeavesTheLayoutsTheTabsFillEmptyAndInPlace)
{
    for (QLayout* layout :
         {static_cast<QLayout*>(form.dispLayout), static_cast<QLayout*>(form.freqSelectLayout),
          static_cast<QLayout*>(form.left), static_cast<QLayout*>(form.right),
          static_cast<QLayout*>(form.verticalLayout_18), static_cast<QLayout*>(form.frequencyLayout)})
        EXPECT_EQ(layout->count(), 0) << layout->objectName().toStdString();
    // The tab's plot goes below the row of boxes.
    EXPECT_EQ(form.verticalLayout_3->indexOf(form.dispLayout), 1);
    EXPECT_EQ(form.verticalLayout_3->indexOf(form.horizontalLayout_9), 0);
    EXPECT_TRUE(form.innerSensorConfigBox->isAncestorOf(form.sensorConfigIdentifierLabel));
    EXPECT_TRUE(form.scanConfigurationBox->isAncestorOf(form.groupBox_66));
}

TEST_F(ScanTabForm, MeterSlotsSitInTheirCellsWithTheirIndicatorImages)
{
    const char* const images[] = {"voltageLabel", "phaseLabel",     "complexImpedance", "fwdPowerLabel",
                                  "currentLabel", "impedanceLabel", "powerLabel",       "refPowerLabel"};
    for (int n = 1; n <= 8; ++n) {
        QCheckBox* box = find<QCheckBox>(QStringLiteral("cbmeter_%1").arg(n));
        QLabel* value = find<QLabel>(QStringLiteral("lbmeter_%1").arg(n));
        const int row = n <= 4 ? 0 : 2;
        const int column = (n - 1) % 4;
        EXPECT_EQ(form.grid_meter->itemAtPosition(row, column)->widget(), box) << n;
        EXPECT_EQ(form.grid_meter->itemAtPosition(row + 1, column)->widget(), value) << n;
        const QString image = QStringLiteral(":/images/Images/%1.png").arg(images[n - 1]);
        EXPECT_TRUE(box->styleSheet().contains(image)) << n;
        EXPECT_TRUE(QFile::exists(image)) << image.toStdString();
    }
    for (const char* image : {":/images/Images/checkboxOn.png", ":/images/Images/checkboxOff.png",
                              ":/images/Images/on-state.png", ":/images/Images/off-state.png"}) {
        EXPECT_TRUE(QFile::exists(image)) << image;
        EXPECT_TRUE(tab.styleSheet().contains(QString::fromLatin1(image).mid(1))) << image;
    }
}

TEST_F(ScanTabForm, TextStepPutsBackTheFormTextsButNotTheStates)
{
    form.sensorConfigIdentifierLabel->setText("Harmonics at 13.56 MHz");
    form.lbmeter_3->setText("42.0 Ohm");
    form.cbmeter_3->setText("Gamma");
    form.cbmeter_3->setChecked(true);
    form.vLock->setChecked(false);
    form.iLock->setChecked(true);
    form.enableIonFlux->setChecked(false);
    form.startScan->setEnabled(true);
    auto* placed = new QLabel("plot", &tab);
    form.dispLayout->addWidget(placed);

    form.retranslateUi(&tab);

    EXPECT_EQ(form.sensorConfigIdentifierLabel->text(), "Number Of Harmonics");
    EXPECT_EQ(form.lbmeter_3->text(), "---");
    EXPECT_EQ(form.cbmeter_3->text(), "Cx. Impedance");
    EXPECT_TRUE(form.cbmeter_3->isChecked());
    EXPECT_TRUE(form.iLock->isChecked());
    EXPECT_FALSE(form.enableIonFlux->isChecked());
    EXPECT_TRUE(form.startScan->isEnabled());
    EXPECT_EQ(form.dispLayout->count(), 1);
    EXPECT_TRUE(form.innerSensorConfigBox->title().isEmpty());
}

TEST_F(ScanTabForm, ShowsTheTextsTheAcquisitionTabsName)
{
    QStringList shown{tab.windowTitle()};
    for (const QGroupBox* box : tab.findChildren<QGroupBox*>())
        shown << box->title();
    for (const QAbstractButton* button : tab.findChildren<QAbstractButton*>())
        shown << button->text();
    for (const QLabel* label : tab.findChildren<QLabel*>())
        shown << label->text();
    const char* const named[] = {"Form",
                                 "Sensor Configuration",
                                 "Active Sensor",
                                 "Set Sensor Nickname",
                                 "Number Of Harmonics",
                                 "Signal Lock",
                                 "Auto",
                                 "Scan Configuration",
                                 "Scan Duration",
                                 "Ion Flux",
                                 "Pulse Mode",
                                 "Reset Energy",
                                 "Voltage Drop",
                                 "Resistance",
                                 "Electrode Area",
                                 "Scan",
                                 "Autosave",
                                 "Start Scan",
                                 "Save File",
                                 "Wafer Number",
                                 "Wafer Lot",
                                 "Autostart",
                                 "Stop Scan",
                                 "Parameter View",
                                 "Displayed Frequency",
                                 "Harmonics",
                                 "Smith Chart",
                                 "Meter View",
                                 "Wave Form"};
    for (const char* text : named)
        EXPECT_TRUE(shown.contains(QString::fromUtf8(text))) << text;
    EXPECT_TRUE(shown.contains(QString::fromUtf8("[m²]")));
    EXPECT_TRUE(shown.contains(QString::fromUtf8("Trim [μs]")));
    EXPECT_TRUE(shown.contains(QStringLiteral("Threshold ")));
}

} // namespace
