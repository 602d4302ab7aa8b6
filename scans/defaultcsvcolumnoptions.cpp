#include "scans/defaultcsvcolumnoptions.h"

#include "scans/csvoptions.h"

DefaultCsvColumnOptions::DefaultCsvColumnOptions()
{
    for (int i = 0; i < optionCount; ++i)
        m_enabled[static_cast<size_t>(i)] = isCsvColumnOption(i);
    CsvOptionSet options = csvOptionsInView();
    options.delimiter = QStringLiteral(";");
    options.columns = m_enabled;
    applyCsvOptions(options);
}

bool DefaultCsvColumnOptions::isCsvOptionEnabled(int optionIndex) const
{
    if (optionIndex < 0 || optionIndex >= optionCount)
        return false;
    return m_enabled[static_cast<size_t>(optionIndex)];
}

void DefaultCsvColumnOptions::setCsvOptionEnabled(int optionIndex, bool enabled)
{
    if (isCsvColumnOption(optionIndex))
        m_enabled[static_cast<size_t>(optionIndex)] = enabled;
}

bool isCsvColumnOption(int optionIndex)
{
    return (optionIndex >= 0 && optionIndex <= 15) || (optionIndex >= 33 && optionIndex <= 37);
}
