#include "scans/processvalues.h"

#include "scans/csvoptions.h"
#include "scans/defaultcsvcolumnoptions.h"

#include <gtest/gtest.h>

TEST(ProcessValues, StartValues)
{
    EXPECT_TRUE(applicationVersionString.isEmpty());
    EXPECT_EQ(newerFileState, 0);
    EXPECT_EQ(&parameterNames, &ParameterNames::shared());
    EXPECT_EQ(parameterNames.unit(Voltage), "Volts");
    EXPECT_FALSE(csvUseFullTimestamp);
    EXPECT_EQ(softwareIdentification("Quvix", 2, 8, 0), "Quvix 2.8.0");
}

TEST(DefaultCsvColumnOptions, EveryQuantityColumnOnAndSemicolon)
{
    const QString saved = csvDelimiter;
    csvDelimiter.clear();
    DefaultCsvColumnOptions options;
    EXPECT_EQ(csvDelimiter, ";");
    for (int i = -2; i < 40; ++i) {
        const bool quantity = (i >= 0 && i <= 15) || (i >= 33 && i <= 37);
        EXPECT_EQ(options.isCsvOptionEnabled(i), quantity) << i;
    }
    options.setCsvOptionEnabled(16, true); // no quantity: stays off
    EXPECT_FALSE(options.isCsvOptionEnabled(16));
    options.setCsvOptionEnabled(4, false);
    EXPECT_FALSE(options.isCsvOptionEnabled(4));
    csvDelimiter = saved;
}
