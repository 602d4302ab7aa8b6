#pragma once

#include "sensor.h"

#include <QMainWindow>
#include <QStringList>

#include <memory>

class QTimer;
class Ui_MainWindow;
class quvix2_base;

// The configuration tool's window: a 200 ms poll finds and opens a sensor
// (the chosen serial, else the first available), shows its network and boot
// settings, sends edited settings back and erases the boot menu. Everything
// runs on the GUI thread; USB exchanges block it while they last. The window
// owns the open sensor's device and record and closes the device whenever
// it drops the sensor and when it is destroyed. The poll pauses while the
// window's own modal boxes and the chooser are open.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    static constexpr int kBuildNumber = 5905;
    static constexpr int kPollPeriodMs = 200;
    static constexpr int kStatusTimeoutMs = 30000;

signals:
    void newSensor(Sensor* record);

protected:
    void changeEvent(QEvent* event) override;

private slots:
    void timer_func();
    void sensorConnected(Sensor* record);
    void sendSensorData();
    void sensorDisconnected();
    void dhcpCheck(bool checked);
    void setTavi(bool checked);
    void chooseQuvix();
    void updateFrequencyTab(int row);
    void resetBootMenu();

private:
    std::unique_ptr<quvix2_base> openChosenOrFirstSensor();
    bool validateAddresses();
    bool validateBootDefaults(uint8_t* frequencyRow, uint8_t* harmonics);
    void storeFrequencySelection();
    void reportWrite(bool written);
    // The result of a send; when only one block was stored, says which and
    // shows what the sensor holds.
    void reportSend(const Sensor::BlockWrites& writes);
    // Runs a modal box with the poll paused; false when the sensor shown
    // before the box is gone after it.
    template <typename Show> bool withPollPaused(Show show);

    Ui_MainWindow* m_form;
    std::unique_ptr<QTimer> m_pollTimer;
    bool m_connected = false;
    Sensor* m_sensor = nullptr;
    QString m_chosenSerial;
    bool m_switchRequested = false;
    QStringList m_frequencyTexts;
    bool m_pollPaused = false;
    std::unique_ptr<quvix2_base> m_device;
    std::unique_ptr<Sensor> m_record;
};
