#pragma once

#include <QList>
#include <QString>

#include <optional>

// The pulse-profile window the "Time Resolved" tab keeps in the settings
// (group "Settings"), as the overview starts its pulse profiles from it.
// Numbers are read in the C form the tab keeps them in, or in the user's
// form older versions kept; an entry that is no number, or lies outside
// what the tab's field ever takes, is refused rather than sent to a sensor.
// A plain value, read on the GUI thread.
class PulseProfileSettings
{
public:
    // Reads the entries, each with the tab's default where none is kept.
    static PulseProfileSettings load();

    // Why no pulse profile may be swept from the entries, naming the first
    // that does not fit and its range; empty when every entry fits.
    QString refusal() const;

    // The pulse period in µs; 0 without a frequency above 0.
    double period() const;

    double startTime() const { return numberOf(Start); }
    double endTime() const { return numberOf(End); }
    double stepTime() const { return numberOf(Step); }
    int averages() const { return static_cast<int>(numberOf(Averages)); }
    // 0 where the level is automatic (half the latest peak).
    double level() const { return numberOf(Level); }
    bool internalTrigger() const { return m_internalTrigger; }

private:
    enum Index { Frequency, Start, End, Step, Averages, Level };

    struct Entry {
        QString name;
        QString unit;
        QString text;
        std::optional<double> number;
        double bottom = 0.0;
        double top = 0.0;
        bool whole = false;
        bool emptyAllowed = false;
    };

    double numberOf(Index index) const;
    static bool fits(const Entry& entry);

    QList<Entry> m_entries;
    bool m_internalTrigger = true;
};
