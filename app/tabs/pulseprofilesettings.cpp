#include "app/tabs/pulseprofilesettings.h"

#include "app/numberfield.h"

#include <QSettings>

#include <algorithm>
#include <cmath>

namespace {

// The widest the tab's window fields ever reach (with the external trigger).
constexpr double windowLimit = 2000000.0;

} // namespace

PulseProfileSettings PulseProfileSettings::load()
{
    QSettings settings;
    settings.beginGroup(QStringLiteral("Settings"));
    auto entry = [&](const char* key, const char* preset, const QString& name, const QString& unit) {
        Entry read;
        read.name = name;
        read.unit = unit;
        read.text = settings.value(QLatin1String(key), QLatin1String(preset)).toString();
        read.number = NumberField::storedNumber(read.text);
        return read;
    };
    const QString microseconds = QStringLiteral("µs");
    PulseProfileSettings window;
    window.m_entries = {entry("m_pulseTime", "100", QStringLiteral("Pulse Frequency"), QStringLiteral("kHz")),
                        entry("m_startTime", "0", QStringLiteral("Start Time"), microseconds),
                        entry("m_endTime", "100", QStringLiteral("End Time"), microseconds),
                        entry("m_stepTime", "10", QStringLiteral("Time Step"), microseconds),
                        entry("m_averages", "100", QStringLiteral("Averages"), QString()),
                        entry("m_levelValue", "", QStringLiteral("Level"), QStringLiteral("%"))};
    window.m_internalTrigger = settings.value(QStringLiteral("m_internalTrigger"), true).toBool();

    window.m_entries[Frequency].top = 5000.0;
    // A start before the trigger is swept one period later; earlier than a
    // period it would be a delay before the trigger.
    window.m_entries[Start].bottom = std::max(-windowLimit, -window.period());
    window.m_entries[Start].top = windowLimit;
    window.m_entries[End].bottom = -windowLimit;
    window.m_entries[End].top = windowLimit;
    window.m_entries[Step].top = windowLimit;
    window.m_entries[Averages].top = 10000.0;
    window.m_entries[Averages].whole = true;
    window.m_entries[Level].top = 100.0;
    window.m_entries[Level].emptyAllowed = true;
    return window;
}

bool PulseProfileSettings::fits(const Entry& entry)
{
    if (entry.text.trimmed().isEmpty())
        return entry.emptyAllowed;
    if (!entry.number)
        return false;
    const double value = *entry.number;
    return value >= entry.bottom && value <= entry.top && (!entry.whole || value == std::trunc(value));
}

QString PulseProfileSettings::refusal() const
{
    for (const Entry& entry : m_entries) {
        if (fits(entry))
            continue;
        return QStringLiteral("The Time Resolved tab's %1 holds \"%2\": it takes %3 from %4 to %5%6.")
            .arg(entry.name, entry.text,
                 entry.whole ? QStringLiteral("whole numbers") : QStringLiteral("numbers"),
                 NumberField::text(entry.bottom, 'f', QLocale::FloatingPointShortest),
                 NumberField::text(entry.top, 'f', QLocale::FloatingPointShortest),
                 entry.unit.isEmpty() ? QString() : QLatin1Char(' ') + entry.unit);
    }
    return QString();
}

double PulseProfileSettings::period() const
{
    const double frequency = numberOf(Frequency);
    return frequency > 0.0 ? 1000.0 / frequency : 0.0;
}

double PulseProfileSettings::numberOf(Index index) const
{
    return m_entries.value(index).number.value_or(0.0);
}
