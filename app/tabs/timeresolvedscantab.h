#pragma once

#include "app/tabs/scantab.h"

class NumberField;
class QButtonGroup;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// The "Time Resolved" tab: pulse-profile scans, in which the sensor sweeps
// its trigger delay from a start to an end time within the pulse, averaging
// a number of pulses per step; the plot shows the measurements over the
// time within the pulse. The trigger choice, level and pulse frequency are
// mirrored with the pulse-trend tab through the three signals and the
// setters (the main window connects them).
// GUI thread only. Owns its own controls (children of the base form's
// sections) besides what scanTab owns.
class timeResolvedScanTab : public scanTab
{
    Q_OBJECT

public:
    // The controls this tab adds, for the window and tests; owned by the tab.
    struct Controls {
        QLineEdit* startTime = nullptr;
        QLineEdit* endTime = nullptr;
        QLineEdit* stepTime = nullptr;
        QLineEdit* averages = nullptr;
        QPushButton* autoset = nullptr;
        QRadioButton* internalTrigger = nullptr;
        QRadioButton* externalTrigger = nullptr;
        QButtonGroup* triggerButtons = nullptr;
        QLineEdit* level = nullptr;
        QLabel* peak = nullptr;
        QLineEdit* pulseFrequency = nullptr;
        // Both in the scan configuration section.
        QWidget* windowPanel = nullptr;
        QWidget* triggerPanel = nullptr;
    };

    explicit timeResolvedScanTab(DisplaySettings* settings, QWidget* parent = nullptr);
    ~timeResolvedScanTab() override;

    const Controls& controls() const { return m_controls; }

signals:
    void setTrigger(int id);
    void levelSet(QString level);
    void freqSet(QString frequency);

public slots:
    void setActiveSensor(QuvixSensor* sensor) override;
    void startScan() override;
    void stopScan() override;
    void scanUpdate(BaseScan* scan) override;
    void monitorUpdate(BaseScan* scan, int trend = 0) override;
    void showScanConfiguration(bool checked) override;
    void showScanControl(bool checked) override;
    BaseScan* createScan() override;
    void setControlPanelExpanded(bool show) override;

    void toggleTrigger(int id);
    void toggleInternalTrigger(bool on);
    void pulseTimeChanged();
    void autoSetPulse();
    void levelisSet();
    // Hides scanTab's: the energy reset stays with the sensor's state here.
    void disableScanButtons(bool scanInProgress);
    void setLevel(QString level);
    void setFreq(QString frequency);

private slots:
    void updateTimeValidators();

private:
    void buildWindowPanel();
    void buildTriggerPanel();
    void connectControls();
    void hideUnusedBaseControls();
    void setWindowEditsEnabled(bool enabled);
    void setTimeStyle(QGroupBox* box, bool expanded);
    // The pulse period in µs from the frequency edit; not finite without a
    // frequency above 0 that the field takes.
    double pulsePeriod() const;
    NumberField frequencyField() const;
    NumberField levelField() const;
    NumberField startField() const;
    // What a pulse profile is built from, in the order of WindowEntry: the
    // frequency first, as the start's range follows from it.
    enum WindowEntry { FrequencyEntry, StartEntry, EndEntry, StepEntry, AveragesEntry, LevelEntry };
    QList<NumberField> windowFields() const;
    void loadWindowSettings();
    void saveWindowSettings() const;

    Controls m_controls;
};
