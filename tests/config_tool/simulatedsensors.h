#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

// A private folder of simulated USB sensors for one test: points the
// simulated libusb ($QUVIX_USB_SIM_DIR) and the sensor locks
// ($QUVIX_LOCK_DIR) at temporary folders, writes sensor descriptions,
// presence files and memory images, and reads back the command log.
// Construct it before anything walks the bus; one per test.
class SimulatedSensors
{
public:
    SimulatedSensors();
    ~SimulatedSensors();

    using Settings = std::map<std::string, std::string>;

    // Adds (or rewrites) a plugged-in sensor; the stem orders the bus walk.
    void addSensor(const QString& stem, const Settings& settings);
    void setPresent(const QString& stem, bool present);
    void setSetting(const QString& stem, const std::string& key, const std::string& value);

    QByteArray memory(const QString& stem) const;
    void setMemory(const QString& stem, const QByteArray& image);
    static QByteArray erasedMemory() { return QByteArray(0x4000, char(0xFF)); }

    struct Command {
        std::string serial;
        char letter;
        std::vector<uint8_t> arguments;
        // The whole command as it went out: letter, then arguments.
        std::vector<uint8_t> bytes() const;
    };
    std::vector<Command> commands() const;
    void clearCommands();

    QString folder() const { return m_folder.path(); }
    QString lockFolder() const { return m_locks.path(); }

private:
    QString path(const QString& stem, const char* suffix) const;
    void writeSettings(const QString& stem);

    QTemporaryDir m_folder;
    QTemporaryDir m_locks;
    std::map<QString, Settings> m_settings;
};

// True when this process runs on the simulated libusb rather than the system's.
bool usingSimulatedLibusb();
