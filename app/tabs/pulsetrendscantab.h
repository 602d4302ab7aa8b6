#pragma once

#include "app/tabs/scantab.h"

#include <QList>
#include <QString>

class NumberField;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QSpinBox;
class ReplotCoalescer;

// The "Pulse Trend" tab: samples a pulsed signal at two chosen points of the
// pulse, each point a trend of its own, and draws every chosen quantity as a
// pair of curves, one per trend. A point is a fixed time (mode 0, µs) or a
// share of the measured pulse period, on time or off time (modes 1 to 3, %).
// The trigger controls (internal or external trigger, level, pulse
// frequency) are mirrored with the "Time Resolved" tab through the signals
// and toggleTrigger.
// GUI thread only. Owns its widgets through the Qt parent tree (the lists
// only point at them) and, like the base, the curves of its records; reads
// scans only through their locked copies.
class pulseTrendScanTab : public scanTab
{
    Q_OBJECT

public:
    explicit pulseTrendScanTab(DisplaySettings* settings, QWidget* parent = nullptr);
    ~pulseTrendScanTab() override;

    // The pulse period in µs the pulse frequency (kHz) stands for; 0 without
    // a frequency above 0.
    double pulsePeriod() const;
    void applyTrendMode(int trend);

    // The controls, for the main window and tests.
    int trendCount() const { return m_trendCount; }
    QComboBox* trendModeBox(int trend) const { return m_trendModeBoxes.value(trend); }
    QDoubleSpinBox* trendValueBox(int trend) const { return m_trendValueBoxes.value(trend); }
    QLabel* trendUnitLabel(int trend) const { return m_trendUnitLabels.value(trend); }
    QRadioButton* trendButton(int trend) const { return m_trendButtons.value(trend); }
    QButtonGroup& trendGroup() const { return *m_trendGroup; }
    QGroupBox& trendsConfigBox() const { return *m_trendsConfigBox; }
    QGroupBox& triggerConfigBox() const { return *m_triggerConfigBox; }
    QGroupBox& trendSelectorBox() const { return *m_trendSelectorBox; }
    QCheckBox& internalTrigger() const { return *m_internalTrigger; }
    QCheckBox& externalTrigger() const { return *m_externalTrigger; }
    QLineEdit& levelEdit() const { return *m_levelEdit; }
    QLabel& peakLabel() const { return *m_peakLabel; }
    QDoubleSpinBox& pulseFrequency() const { return *m_pulseFrequency; }
    QCheckBox& autoPulseFrequency() const { return *m_autoPulseFrequency; }
    QSpinBox& averages() const { return *m_averages; }
    bool isPanelReady() const { return m_panelReady; }

signals:
    // The trigger box the user clicked: -2 internal, -3 external.
    void setTrigger(int id);
    void levelSet(QString level);
    // The pulse frequency in kHz, 'g' with 6 digits.
    void freqSet(QString kilohertz);

public slots:
    void setActiveSensor(QuvixSensor* sensor) override;
    void startScan() override;
    void stopScan() override;
    void curveDisplayControl(bool drawRemove, valueType type, int harmonic, int frequency) override;
    void updateSensorList(QList<QuvixSensor*>& sensors) override;
    void monitorUpdate(BaseScan* scan, int trend = 0) override;
    void scanUpdate(BaseScan* scan) override;
    void toggleTrigger(int id);
    void toggleInternalTrigger(bool on);
    void pulseFreqChanged(double freq);
    void levelisSet();
    void showScanConfiguration(bool checked) override;
    void showScanControl(bool checked) override;
    void showParamViewBox(bool checked) override;
    BaseScan* createScan() override;
    void setControlPanelExpanded(bool expanded) override;

private slots:
    void trendModeChanged(int id);
    void autoPulseFrequencyToggled(bool on);

private:
    void buildTrendsConfig();
    void buildTriggerConfig();
    void buildTrendSelector();
    void loadSettings();
    void saveSettings() const;
    // The trigger level; empty: half the latest peak.
    NumberField levelField() const;
    void applyFirmwareLimit(QuvixSensor& sensor);
    void enableTriggerEntries();
    void addCurvePair(valueType type, int harmonic, int frequency);
    void rebuildCurves();
    void feedSmithChart(BaseScan& scan);
    double lastTimeOf(BaseScan& scan) const;
    bool showsSection(bool checked) const;

    QGroupBox* m_trendsConfigBox = nullptr;
    int m_trendCount = 2;
    QList<int> m_appliedTrendModes;
    QList<QComboBox*> m_trendModeBoxes;
    QList<QDoubleSpinBox*> m_trendValueBoxes;
    QList<QLabel*> m_trendUnitLabels;
    QButtonGroup* m_triggerGroup = nullptr;
    QGroupBox* m_triggerConfigBox = nullptr;
    QCheckBox* m_internalTrigger = nullptr;
    QCheckBox* m_externalTrigger = nullptr;
    QLabel* m_levelCaption = nullptr;
    QLabel* m_peakCaption = nullptr;
    QLabel* m_peakLabel = nullptr;
    QLineEdit* m_levelEdit = nullptr;
    QDoubleSpinBox* m_pulseFrequency = nullptr;
    QCheckBox* m_autoPulseFrequency = nullptr;
    QSpinBox* m_averages = nullptr;
    QLabel* m_averagesLabel = nullptr;
    bool m_panelReady = false;
    QGroupBox* m_trendSelectorBox = nullptr;
    QButtonGroup* m_trendGroup = nullptr;
    QList<QRadioButton*> m_trendButtons;
    // Holds the trigger box and the form's ion-flux and pulse box.
    QFrame* m_triggerFrame = nullptr;
    ReplotCoalescer* m_replot = nullptr;
};
