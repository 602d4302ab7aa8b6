#pragma once

#include <QDialog>
#include <QString>

#include <memory>

class QuvixSensor;
class Ui_autoStartDialog;

// The "Auto Start Menu": the start condition, the stop condition and what
// follows a threshold-triggered scan on one sensor. It starts nothing: the
// acquisition tab reads the accessors, either after an accepted exec() or at
// once without showing it (the values are then those stored for the sensor).
// OK and Cancel both store the choices under the sensor's display name.
// GUI thread only. Owns its form; the sensor is not owned and must outlive
// the dialog.
class autoStartDialog : public QDialog
{
    Q_OBJECT

public:
    // interactive: whether the caller will show the dialog; it behaves the
    // same either way.
    autoStartDialog(QuvixSensor* sensor, QWidget* parent = nullptr, bool interactive = false);
    ~autoStartDialog() override;

    // Position in the sensor's enabled frequencies; -1 when it has none.
    int frequencyIndex() const;
    bool continueMonitoring() const;
    // Measured-parameter ids (0 voltage, 1 current, 5 power), not positions.
    int startParameterIndex() const;
    double startThreshold() const;
    bool startOver() const;
    int stopParameterIndex() const;
    double stopThreshold() const;
    bool stopOver() const;
    // Seconds when the stop condition is a duration, else 0.
    double scanDuration() const;
    double preDuration() const;
    double postDuration() const;

private slots:
    void toggleDuration(bool byDuration);
    void on_okButton_clicked();
    void on_cancelButton_clicked();
    void on_startParameter_currentIndexChanged(int index);
    void on_stopParameter_currentIndexChanged(int index);
    void on_stopCondition_currentTextChanged(const QString& text);
    void on_useSameThresholdsButton_clicked();
    void useDifferentThresholds();
    void on_startOver_clicked();
    void on_startBelow_clicked();
    void on_stopBelow_clicked();
    void on_stopOver_clicked();
    void on_startParameter_currentTextChanged(const QString& text);
    void on_stopParameter_currentTextChanged(const QString& text);

private:
    void setupControls();
    void widenCutTexts();
    void loadSettings();
    void saveSettings();
    void showDurationControls();
    void showStopThresholdControls();
    void setStopThresholdControlsVisible(bool visible);
    void leaveMirroredMode();
    QString settingsGroup() const;

    std::unique_ptr<Ui_autoStartDialog> m_ui;
    QuvixSensor* const m_sensor;
    bool m_sameThresholds = false;
    int m_startParameter = 0;
    int m_stopParameter = 0;
    bool m_startOver = true;
    bool m_stopOver = false;
    bool m_stopByDuration = false;
};
