#pragma once

#include "scans/csvcolumnoptions.h"

#include <array>

// The options the program uses until the display options dialog exists:
// every CSV column that stands for a quantity on, as the dialog's own
// defaults are. Constructing one sets the CSV delimiter to ";" the way the
// dialog's constructor does. GUI thread.
class DefaultCsvColumnOptions : public CsvColumnOptions
{
public:
    DefaultCsvColumnOptions();

    bool isCsvOptionEnabled(int optionIndex) const override;

    // Lets a caller (or a test) switch single columns.
    void setCsvOptionEnabled(int optionIndex, bool enabled);

    static constexpr int optionCount = 38;

private:
    std::array<bool, optionCount> m_enabled{};
};

// True for the display option indexes that stand for a quantity with a CSV
// column (0 to 15 and 33 to 37); 16 to 32 stand for none.
bool isCsvColumnOption(int optionIndex);
