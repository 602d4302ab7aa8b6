#pragma once

#include <QDialog>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <optional>

class QSignalMapper;
class QTableWidgetItem;
class QuvixSensor;
class SensorHandler;
class Ui_addNetworkSensorDialog;

// The "Sensors Hub": one table of the sensors the program knows of (network
// sensors that answered discovery on top, then USB sensors, then remembered
// network sensors that are absent, in grey), the selected sensor's details,
// and connecting, disconnecting, forgetting and the Auto-Start flag. While it
// exists the sensor handler's periodic discovery is paused. GUI thread only;
// connecting and reading an unconnected sensor's details call the network
// library synchronously, so the dialog blocks while those exchanges run.
// Owns its form; the handler and its sensors are not owned.
class addNetworkSensorDialog : public QDialog
{
    Q_OBJECT

public:
    explicit addNetworkSensorDialog(QWidget* parent = nullptr);
    ~addNetworkSensorDialog() override;

    // What the status shows for a result of connectWebSensor.
    static QString connectionResultText(int result);
    // What the status shows for a typed address that names no host.
    static QString invalidAddressText();

signals:
    void removeFromUnavailable(QString serial);

private slots:
    void connectToSensor(QUrl url);
    void okClicked();
    void disconnectSensor();
    void disconnectUSBsensor();
    void dataToRead();
    void sensorSelected(int row, int column);
    void attemptConnection();
    void autoChecked();
    void addUnavailableSensors(QList<QString> serials);
    void removeRememberedSensor(QString serial);
    void setUpManualConnect();

private:
    struct SensorTexts {
        QString firmware;
        QString fpga;
        QString model;
        QString frequencies;
    };

    void addLocalSensors();
    void showSensorDetails(int row);
    void setInfoTexts(const QString& status, const QString& serial, const QString& firmware,
                      const QString& model, const QString& fpga, const QString& frequencies);
    void appendRow(const QString& serial, const QString& kind);
    // The web address the address box shows for a network or absent row,
    // without a trailing slash; empty when no address is known.
    static QString addressShownFor(const QTableWidgetItem& serialItem);
    static SensorTexts textsOf(QuvixSensor* sensor);
    QuvixSensor* networkSensorWithSerial(const QString& serial) const;
    QuvixSensor* networkSensorAt(const QUrl& url) const;
    QString selectedSerial() const;
    void disconnectNetworkSensor(QuvixSensor* sensor);
    void showAutoStartOf(const QString& serial);
    // Cuts the button's earlier clicks before it takes a new meaning.
    void cutConnectButton();
    // The typed address as a URL ending with "/", each IPv4 part read as the
    // decimal number typed; nothing when it names no host (typedSensorUrl).
    std::optional<QUrl> typedUrl() const;

    Ui_addNetworkSensorDialog* m_ui;
    QStringList m_listedSerials;
    SensorHandler* m_handler;
    QString m_selectedSerial;
    QSignalMapper* m_removeMapper = nullptr;
    bool m_discoveryResumed = false;
};
