#include "simulatedsensors.h"

#include <QFile>
#include <QTextStream>

#include <dlfcn.h>

#include <usb.h>

SimulatedSensors::SimulatedSensors()
{
    qputenv("QUVIX_USB_SIM_DIR", m_folder.path().toLocal8Bit());
    qputenv("QUVIX_LOCK_DIR", m_locks.path().toLocal8Bit());
}

SimulatedSensors::~SimulatedSensors()
{
    qunsetenv("QUVIX_USB_SIM_DIR");
    qunsetenv("QUVIX_LOCK_DIR");
}

QString SimulatedSensors::path(const QString& stem, const char* suffix) const
{
    return m_folder.path() + "/" + stem + QString::fromLatin1(suffix);
}

void SimulatedSensors::writeSettings(const QString& stem)
{
    QFile file(path(stem, ".sensor"));
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    QTextStream out(&file);
    for (const auto& entry : m_settings[stem])
        out << QString::fromStdString(entry.first) << '=' << QString::fromStdString(entry.second) << '\n';
}

void SimulatedSensors::addSensor(const QString& stem, const Settings& settings)
{
    m_settings[stem] = settings;
    writeSettings(stem);
    setPresent(stem, true);
}

void SimulatedSensors::setSetting(const QString& stem, const std::string& key, const std::string& value)
{
    m_settings[stem][key] = value;
    writeSettings(stem);
}

void SimulatedSensors::setPresent(const QString& stem, bool present)
{
    QFile file(path(stem, ".present"));
    if (present) {
        file.open(QIODevice::WriteOnly);
        file.close();
    } else {
        file.remove();
    }
}

QByteArray SimulatedSensors::memory(const QString& stem) const
{
    QFile file(path(stem, ".mem"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

void SimulatedSensors::setMemory(const QString& stem, const QByteArray& image)
{
    QFile file(path(stem, ".mem"));
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write(image);
}

std::vector<uint8_t> SimulatedSensors::Command::bytes() const
{
    std::vector<uint8_t> all(arguments.size() + 1);
    all[0] = static_cast<uint8_t>(letter);
    std::copy(arguments.begin(), arguments.end(), all.begin() + 1);
    return all;
}

std::vector<SimulatedSensors::Command> SimulatedSensors::commands() const
{
    std::vector<Command> parsed;
    QFile file(m_folder.path() + "/commands.log");
    if (!file.open(QIODevice::ReadOnly))
        return parsed;
    while (!file.atEnd()) {
        const QList<QByteArray> fields = file.readLine().trimmed().split(' ');
        if (fields.size() < 3 || fields[2].isEmpty())
            continue;
        Command command;
        command.serial = fields[1].toStdString();
        command.letter = fields[2].at(0);
        if (fields.size() > 3) {
            const QByteArray raw = QByteArray::fromHex(fields[3]);
            command.arguments.assign(raw.begin(), raw.end());
        }
        parsed.push_back(command);
    }
    return parsed;
}

void SimulatedSensors::clearCommands()
{
    QFile::remove(m_folder.path() + "/commands.log");
}

bool usingSimulatedLibusb()
{
    Dl_info info{};
    if (!dladdr(reinterpret_cast<void*>(&usb_find_busses), &info) || !info.dli_fname)
        return false;
    return QString::fromLocal8Bit(info.dli_fname).contains("/sim/");
}
