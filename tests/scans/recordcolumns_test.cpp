#include "scans/recordcolumns.h"

#include "scans/csvoptions.h"
#include "scans/defaultcsvcolumnoptions.h"
#include "scans/frequencyrecord.h"

#include <gtest/gtest.h>

#include <QStringList>
#include <QTextStream>

#include <random>
#include <set>

namespace {

// Options with nothing on but the listed indexes.
class OnlyOptions : public CsvColumnOptions
{
public:
    explicit OnlyOptions(std::initializer_list<int> on)
        : m_on(on)
    {
    }
    bool isCsvOptionEnabled(int optionIndex) const override { return m_on.count(optionIndex) != 0; }
    std::set<int> m_on;
};

std::unique_ptr<FrequencyRecord> recordWithOneSample(int harmonics, int sensorType)
{
    auto record = std::make_unique<FrequencyRecord>(13.56, harmonics, sensorType);
    std::vector<double> group{13.56, 0.0};
    for (int h = 0; h < harmonics; ++h)
        group.insert(group.end(), {12.5 + h, 30.0 * h, 0.123456 + h, 45.0});
    record->appendSample(group.data(), 0.1);
    return record;
}

// Restores the process-wide CSV options after each test.
class ColumnsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        savedDelimiter = csvDelimiter;
        savedShortNames = csvUseShortNames;
        csvDelimiter = ";";
        csvUseShortNames = false;
    }
    void TearDown() override
    {
        csvDelimiter = savedDelimiter;
        csvUseShortNames = savedShortNames;
    }

    static QString headings(const FrequencyRecord& record, const CsvColumnOptions& options, int number = 1)
    {
        QString text;
        QTextStream out(&text);
        RecordColumns::writeColumnHeadings(out, record, number, options);
        out.flush();
        return text;
    }
    static QString row(const FrequencyRecord& record, const CsvColumnOptions& options, int index = 0)
    {
        QString text;
        QTextStream out(&text);
        out.setRealNumberPrecision(12);
        RecordColumns::writeColumnRow(out, record, index, options);
        out.flush();
        return text;
    }

    QString savedDelimiter;
    bool savedShortNames = false;
};

} // namespace

TEST(FrequencyTitle, FormatsAndNeverOverruns)
{
    EXPECT_EQ(formatFrequencyTitle(13.56), "13.56 MHz ");
    EXPECT_EQ(formatFrequencyTitle(2.0), "02.00 MHz ");
    EXPECT_EQ(formatFrequencyTitle(0.4), "00.40 MHz ");
    EXPECT_EQ(formatFrequencyTitle(150.0), "150.00 MHz ");
    // A corrupt file can carry any value: the text grows, nothing overflows.
    const QString huge = formatFrequencyTitle(1e300);
    EXPECT_EQ(huge.size(), 301 + 3 + 5);
    EXPECT_TRUE(huge.startsWith("1000000000"));
    EXPECT_TRUE(huge.endsWith(".00 MHz "));
    EXPECT_TRUE(formatFrequencyTitle(-1e300).endsWith(" MHz "));
}

TEST(DatColumns, HeadingsByteForByte)
{
    const auto record = recordWithOneSample(2, 1);
    QString text;
    QTextStream out(&text);
    RecordColumns::writeDatHeadings(out, *record, 1);
    out.flush();
    EXPECT_EQ(text, "F1 (MHz);"
                    "13.56 MHz  Voltage 1 Volts;13.56 MHz  Harmonic Phase 1 Degrees;"
                    "13.56 MHz  Current 1 Amps;13.56 MHz  Phase 1 Degrees;"
                    "13.56 MHz  V Harmonic 2 Volts;13.56 MHz  Hp Harmonic 2 Degrees;"
                    "13.56 MHz  C Harmonic 2 Amps;13.56 MHz  P Harmonic 2 Degrees;");
}

TEST(DatColumns, RowsFollowTheHeadings)
{
    const auto record = recordWithOneSample(2, 1);
    QString text;
    QTextStream out(&text);
    out.setRealNumberPrecision(12);
    RecordColumns::writeDatRow(out, *record, 0);
    out.flush();
    EXPECT_EQ(text, "13.56;12.5;0;0.123456;45;13.5;30;1.123456;45;");

    const auto bare = recordWithOneSample(0, 1);
    QString bareText;
    QTextStream bareOut(&bareText);
    RecordColumns::writeDatHeadings(bareOut, *bare, 3);
    RecordColumns::writeDatRow(bareOut, *bare, 0);
    bareOut.flush();
    EXPECT_EQ(bareText, "F3 (MHz);13.56;");
}

// One option at a time: its headings (long and short names) over a record of
// two harmonics on an ion-flux sensor.
struct OptionCase {
    int option;
    const char* longHeadings;
    const char* shortHeadings;
    int cellsPerRow;
};

class CsvOption : public ColumnsTest, public ::testing::WithParamInterface<OptionCase>
{
};

TEST_P(CsvOption, HeadingsLongAndShortAndOneCellPerHeading)
{
    const OptionCase& c = GetParam();
    const auto record = recordWithOneSample(2, 3);
    const OnlyOptions options{c.option};
    EXPECT_EQ(headings(*record, options), QString::fromUtf8(c.longHeadings));
    csvUseShortNames = true;
    EXPECT_EQ(headings(*record, options), QString::fromUtf8(c.shortHeadings));
    EXPECT_EQ(row(*record, options).count(';'), c.cellsPerRow);
}

INSTANTIATE_TEST_SUITE_P(
    Options, CsvOption,
    ::testing::Values(
        OptionCase{2, "Frequency 1 MHz;", "F 1 MHz;", 1}, OptionCase{1, "F1 Power Watts;", "F1 P Watts;", 1},
        OptionCase{5, "F1 Forward Power Watts;", "F1 Fwd. P Watts;", 1},
        OptionCase{6, "F1 Reflected Power Watts;", "F1 Ref. P Watts;", 1},
        OptionCase{33, "F1 Energy Joules;", "F1 E Joules;", 1},
        OptionCase{11, "F1 Standing Wave Ratio ;", "F1 SWR ;", 1},
        OptionCase{14, "F1 Ion Flux Amps/m^2;", "F1 IF Amps/m^2;", 1},
        OptionCase{0, "F1 Voltage Volts;F1  H2 Voltage Volts;", "F1 V Volts;F1  H2 V Volts;", 2},
        OptionCase{4, "F1 Current Amps;F1  H2 Current Amps;", "F1 I Amps;F1  H2 I Amps;", 2},
        OptionCase{3, "F1 Phase Degrees;F1  H2 Phase Degrees;", "F1 Phi Degrees;F1  H2 Phi Degrees;", 2},
        OptionCase{15, "F1 Harmonic Phase Degrees;F1  H2 Harmonic  Phase Degrees;",
                   "F1 H Phase Degrees;F1  H2 H  Phase Degrees;", 2},
        OptionCase{16,
                   "F1 Voltage Real Volts;F1 Voltage Imaginary Volts;"
                   "F1  H2 Voltage  Real Volts;F1  H2 Voltage  Imaginary Volts;",
                   "F1 V Real Volts;F1 V Imaginary Volts;F1  H2 V  Real Volts;F1  H2 V  Imaginary Volts;", 4},
        OptionCase{8,
                   "F1 Impedance Magnitude Ohms;F1 Impedance Phase Degrees;"
                   "F1  H2 Impedance  Magnitude Ohms;F1  H2 Impedance  Phase Degrees;",
                   "F1 Z Magnitude Ohms;F1 Z Phase Degrees;F1  H2 Z  Magnitude Ohms;F1  H2 Z  Phase Degrees;",
                   4},
        OptionCase{7,
                   "F1 Impedance Real Ohms;F1 Impedance Imaginary Ohms;"
                   "F1  H2 Impedance  Real Ohms;F1  H2 Impedance  Imaginary Ohms;",
                   "F1 Z Real Ohms;F1 Z Imaginary Ohms;F1  H2 Z  Real Ohms;F1  H2 Z  Imaginary Ohms;", 4},
        OptionCase{12,
                   "F1 Current Magnitude Amps;F1 Current Phase Degrees;"
                   "F1  H2 Current  Magnitude Amps;F1  H2 Current  Phase Degrees;",
                   "F1 I Magnitude Amps;F1 I Phase Degrees;F1  H2 I  Magnitude Amps;F1  H2 I  Phase Degrees;",
                   4},
        OptionCase{13,
                   "F1 Current Real Amps;F1 Current Imaginary Amps;"
                   "F1  H2 Current  Real Amps;F1  H2 Current  Imaginary Amps;",
                   "F1 I Real Amps;F1 I Imaginary Amps;F1  H2 I  Real Amps;F1  H2 I  Imaginary Amps;", 4},
        OptionCase{10,
                   "F1 Gamma Reflection Coefficient Magnitude ;F1 Gamma Reflection Coefficient Phase Degrees;"
                   "F1  H2 Gamma Reflection Coefficient  Magnitude ;"
                   "F1  H2 Gamma Reflection Coefficient  Phase Degrees;",
                   "F1 Gamma Magnitude ;F1 Gamma Phase Degrees;F1  H2 Gamma  Magnitude ;F1  H2 Gamma  Phase "
                   "Degrees;",
                   4},
        OptionCase{
            9,
            "F1 Gamma Reflection Coefficient Real ;F1 Gamma Reflection Coefficient Imaginary ;"
            "F1  H2 Gamma Reflection Coefficient  Real ;F1  H2 Gamma Reflection Coefficient  Imaginary ;",
            "F1 Gamma Real ;F1 Gamma Imaginary ;F1  H2 Gamma  Real ;F1  H2 Gamma  Imaginary ;", 4},
        // Indexes without a column of a record write nothing.
        OptionCase{34, "", "", 0}, OptionCase{17, "", "", 0}),
    [](const auto& info) { return "Option" + std::to_string(info.param.option); });

TEST_F(ColumnsTest, AllOptionsOnInTableOrder)
{
    const auto record = recordWithOneSample(2, 3);
    const DefaultCsvColumnOptions all;
    const QStringList list = headings(*record, all, 2).split(';');
    // Option 16 (complex voltage) is never on by default: 16 columns per harmonic.
    ASSERT_EQ(list.size(), 7 + 2 * 16 + 1); // the last delimiter leaves an empty tail
    EXPECT_EQ(list.first(), "Frequency 2 MHz");
    EXPECT_EQ(list[6], "F2 Ion Flux Amps/m^2");
    EXPECT_EQ(list[7], "F2 Voltage Volts");
    EXPECT_EQ(list[22], "F2 Gamma Reflection Coefficient Imaginary ");
    EXPECT_EQ(list[23], "F2  H2 Voltage Volts");
    EXPECT_EQ(list.last(), "");
}

TEST_F(ColumnsTest, AllOptionsOffWritesNothing)
{
    const auto record = recordWithOneSample(2, 3);
    const OnlyOptions none{};
    EXPECT_TRUE(headings(*record, none).isEmpty());
    EXPECT_TRUE(row(*record, none).isEmpty());
}

TEST_F(ColumnsTest, IonFluxOnlyForTheIonFluxSensor)
{
    const OnlyOptions ionFlux{14};
    for (int type : {0, 1, 2, 4}) {
        const auto record = recordWithOneSample(2, type);
        EXPECT_TRUE(headings(*record, ionFlux).isEmpty()) << type;
        EXPECT_TRUE(row(*record, ionFlux).isEmpty()) << type;
    }
}

TEST_F(ColumnsTest, CellsFixedToFourDecimalsFrequencyInStreamFormat)
{
    const auto record = recordWithOneSample(1, 1);
    EXPECT_EQ(row(*record, OnlyOptions{2, 0, 4}), "13.56;12.5000;0.1235;");
    csvDelimiter = "\t";
    EXPECT_EQ(row(*record, OnlyOptions{0}), "12.5000\t");
}

TEST_F(ColumnsTest, CurrentPolarWritesMagnitudeThenPhase)
{
    const auto record = recordWithOneSample(3, 1);
    EXPECT_EQ(row(*record, OnlyOptions{12}), row(*record, OnlyOptions{4, 3}));
}

TEST_F(ColumnsTest, RecordWithoutHarmonicsWritesEmptyFundamentalCells)
{
    const auto record = recordWithOneSample(0, 3);
    const DefaultCsvColumnOptions all;
    EXPECT_EQ(headings(*record, all),
              "Frequency 1 MHz;F1 Power Watts;F1 Forward Power Watts;F1 Reflected Power Watts;"
              "F1 Energy Joules;F1 Standing Wave Ratio ;F1 Ion Flux Amps/m^2;");
    EXPECT_EQ(row(*record, all), "13.56;;;;;;;");
}

TEST_F(ColumnsTest, HeadingsAndCellsStayAlignedInEveryCombination)
{
    std::mt19937 random(7);
    std::bernoulli_distribution coin(0.5);
    for (int trial = 0; trial < 300; ++trial) {
        DefaultCsvColumnOptions options;
        for (int i = 0; i < DefaultCsvColumnOptions::optionCount; ++i)
            options.setCsvOptionEnabled(i, coin(random));
        for (int type : {1, 3}) {
            for (int harmonics : {0, 1, 3}) {
                const auto record = recordWithOneSample(harmonics, type);
                ASSERT_EQ(headings(*record, options).count(';'), row(*record, options).count(';'))
                    << "trial " << trial << " type " << type << " harmonics " << harmonics;
            }
        }
    }
}

TEST_F(ColumnsTest, EmptyDelimiterRunsTogether)
{
    csvDelimiter.clear();
    const auto record = recordWithOneSample(1, 1);
    EXPECT_EQ(headings(*record, OnlyOptions{1, 11}), "F1 Power WattsF1 Standing Wave Ratio ");
}
