#pragma once

#include <QString>
#include <QWidget>

class QComboBox;
class QLabel;
class QSpinBox;

// The control with which the user picks how often a sensor reports: a list
// of fixed rates, "Max" (rate 0) and "Set" (the rate typed into the spin
// box). Each entry of the selector carries its rate in milliseconds as item
// data. The parts, addressed by number: 0 the selector, 1 its unit label,
// 2 the spin box, 3 the spin box's unit label; other numbers address
// nothing. GUI thread only; owned by its Qt parent, owns its parts.
class SampleRateWidget : public QWidget
{
    Q_OBJECT

public:
    // With `stacked`, the caption, the selector and the spin box stand in
    // three rows; otherwise all in one row.
    explicit SampleRateWidget(QWidget* parent = nullptr, bool stacked = false);

    // The entry text that hands the rate to the spin box ("Set"), shared by
    // every selector of the process.
    static const QString& setEntryText();

    // The chosen rate in ms: the spin box value under "Set", else the
    // entry's rate (0 for "Max").
    int rate() const;
    // Selects the last entry whose rate is `milliseconds`; none keeps the
    // selection.
    void setRate(int milliseconds);

    void loadFullRates();
    void loadShortRates();
    void loadNetworkRates();

    // Hides or shows one entry of the drop-down list; -1 is the last entry.
    // A row whose size is not below the entry count is ignored, -count too.
    void setRateRowHidden(int row, bool hidden);

    // Part 0: the entry index; part 2: the spin box value.
    void setPartValue(int part, int value);
    // Part 0: the entry index; part 2: the spin box value; otherwise -1.
    int partValue(int part) const;
    void setPartVisible(int part, bool visible);
    void setPartEnabled(int part, bool enabled);
    // The widget of a part, null for other numbers.
    QWidget* part(int part) const;

public slots:
    // Enables the spin box for "Set" and puts the unit labels right.
    void selectorTextChanged(const QString& text);

private:
    struct RateEntry {
        const char* text;
        int milliseconds;
    };
    template <size_t N> void loadRates(const RateEntry (&entries)[N]);
    int currentEntryRate() const;

    QComboBox* m_selector;
    QLabel* m_selectorUnit;
    QSpinBox* m_spin;
    QLabel* m_spinUnit;
    QLabel* m_caption;
};
