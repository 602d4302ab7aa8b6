#pragma once

#include <QList>
#include <QString>
#include <QWidget>

class QLabel;
class QMouseEvent;
class QuvixSensor;
class Ui_quvixDisplayWidget;

// The overview's card of one sensor: its name, variant, state, enabled
// frequencies and connection kind. A click selects or deselects the sensor
// for the overview's scans; a card whose sensor is gone is unavailable
// (grey, "Disconnected", status tip "Unavailable") and ignores clicks.
// GUI thread only; the sensor's signals arrive queued from its thread.
// Owns its form and frequency labels; the sensor is not owned (the sensor
// handler keeps every sensor object for the life of the process).
class quvixDisplayWidget : public QWidget
{
    Q_OBJECT

public:
    quvixDisplayWidget(QuvixSensor* sensor, QWidget* parent = nullptr);
    // A placeholder for a remembered sensor that is not connected: built
    // from its serial alone, unavailable from the start.
    quvixDisplayWidget(const QString& serial, QWidget* parent = nullptr);
    ~quvixDisplayWidget() override;

    bool isSelected() const { return m_selected; }
    bool isAvailable() const { return m_available; }
    const QString& serial() const { return m_serial; }
    bool hasNickname() const { return m_hasNickname; }
    QuvixSensor* sensor() const { return m_sensor; }
    Ui_quvixDisplayWidget& form() const { return *m_form; }
    const QList<QLabel*>& frequencyLabels() const { return m_frequencyLabels; }

    // The card's look for a selected (white) or deselected (grey) sensor.
    void applySelection(bool on);
    void updateStatus();

public slots:
    void sensorDisconnected();
    void sensorConfigUpdated();
    void sensorReconnected(QuvixSensor* sensor);

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    void buildForm();
    void showConnectionKind(int kind);
    void connectSensorSignals();
    void clearFrequencyLabels();
    void addFrequencyLabel(const QString& text, const QString& toolTip = QString());
    void enterUnavailableState();
    bool waitsForItsTrigger() const;

    Ui_quvixDisplayWidget* m_form;
    bool m_selected = true;
    bool m_available = true;
    QuvixSensor* m_sensor = nullptr;
    QList<QLabel*> m_frequencyLabels;
    const QString m_serial;
    bool m_hasNickname = false;
};
