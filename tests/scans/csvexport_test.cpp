#include "scans/basescan.h"
#include "scans/csvoptions.h"
#include "scans/cwscan.h"
#include "scans/defaultcsvcolumnoptions.h"
#include "scans/pulsetrendscan.h"
#include "scantesthelpers.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

using namespace scantest;

namespace {

QStringList linesOf(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split('\n');
}

class CsvExportTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        saved = {csvDelimiter, csvUseShortNames, csvUseFullTimestamp};
        csvDelimiter = ",";
        csvUseShortNames = false;
        csvUseFullTimestamp = false;
        scan = std::make_unique<CWScan>(&sensor, "run", 100);
        scan->start();
        // Samples at 0, 1.5, 2, 3, 4, 5 s.
        const int ticks[] = {0, 36000000, 12000000, 24000000, 24000000, 24000000};
        for (int i = 0; i < 6; ++i)
            runPass(*scan, sensor, sampleFor(sensor, 100.0, 20.0, 10.0 + i), ticks[i]);
        scan->created = QDateTime(QDate(2023, 8, 21), QTime(10, 0, 0), Qt::LocalTime);
        scan->setInitialEnergies({{12.5}});
    }
    void TearDown() override
    {
        csvDelimiter = std::get<0>(saved);
        csvUseShortNames = std::get<1>(saved);
        csvUseFullTimestamp = std::get<2>(saved);
    }

    QStringList exportCsv(const CsvColumnOptions* options = nullptr)
    {
        QString file = dir.filePath("out.csv");
        EXPECT_TRUE(scan->exportCsv(file, "Quvix 2.8.0", options));
        return linesOf(file);
    }

    std::tuple<QString, bool, bool> saved;
    QTemporaryDir dir;
    FakeSensor sensor{{13.56}, {1}, 1};
    std::unique_ptr<CWScan> scan;
};

// Only the listed display option indexes are on.
class OnlyOptions : public CsvColumnOptions
{
public:
    OnlyOptions(std::initializer_list<int> on)
        : m_on(on)
    {
    }
    bool isCsvOptionEnabled(int optionIndex) const override { return m_on.contains(optionIndex); }
    QList<int> m_on;
};

} // namespace

TEST_F(CsvExportTest, HeaderLinesEnergyAndSeconds)
{
    const OnlyOptions options{0, 34};
    const QStringList lines = exportCsv(&options);
    EXPECT_EQ(lines[0], "Software :Quvix 2.8.0");
    EXPECT_EQ(lines[1], "Date," + scan->created.toString(Qt::ISODate));
    EXPECT_EQ(lines[2], "Serial Number,A123");
    EXPECT_EQ(lines[3], "Energy,12.5,");
    EXPECT_EQ(lines[4], "F1,13.56,Harmonics,1,");
    EXPECT_EQ(lines[5], "Time ,F1 Voltage Volts,Pulse Period us,");
    EXPECT_EQ(lines[6], "0.0000000000,10.0000,100.0000000000,");
    EXPECT_EQ(lines[7], "1.5000000000,11.0000,100.0000000000,");
    EXPECT_EQ(lines.size(), 4 + 2 + 6 + 1);
}

TEST_F(CsvExportTest, WaferLinesOnlyWhenSet)
{
    EXPECT_FALSE(exportCsv().join('\n').contains("Wafer"));
    scan->setWaferInfo("L7", "3");
    const QStringList lines = exportCsv();
    EXPECT_EQ(lines[3], "Wafer Lot,L7");
    EXPECT_EQ(lines[4], "Wafer Number,3");
}

TEST_F(CsvExportTest, FullTimeStampsTruncateToMilliseconds)
{
    csvUseFullTimestamp = true;
    // A sample at 0.0015 s after the first.
    std::vector<double> sample = sampleFor(sensor);
    scan->addData(sample.data(), static_cast<int>(sample.size()), 0.0, -(24000000 * 5 - 36000));
    OnlyOptions none{};
    const QStringList lines = exportCsv(&none);
    EXPECT_EQ(lines[6], "2023/08/21 - 10:00:00.000,");
    EXPECT_EQ(lines[7], "2023/08/21 - 10:00:01.500,");
    EXPECT_EQ(lines[12], "2023/08/21 - 10:00:00.001,");
}

TEST_F(CsvExportTest, ShortAndLongPulseHeadings)
{
    OnlyOptions pulses{34, 35, 36, 37};
    EXPECT_EQ(exportCsv(&pulses)[5],
              "Time ,Pulse Period us,Pulse On Time us,Pulse Frequency Hz,Pulse Duty Cycle %,");
    csvUseShortNames = true;
    EXPECT_EQ(exportCsv(&pulses)[5], "Time ,T us,Ton us,Pf Hz,Pdc %,");
    OnlyOptions noPulse{0};
    EXPECT_FALSE(exportCsv(&noPulse)[5].contains("us"));
}

TEST_F(CsvExportTest, IntervalRowsStrictlyInsideWithoutPulseColumns)
{
    const QString file = dir.filePath("interval.csv");
    csvDelimiter = "\t";
    ASSERT_TRUE(scan->exportText(file, "Quvix 2.8.0", 2.0, 5.0, nullptr));
    const QStringList lines = linesOf(file);
    EXPECT_EQ(lines[0], "Software :Quvix 2.8.0");
    EXPECT_EQ(lines[1], "F1\t13.56\tHarmonics\t1\t");
    EXPECT_TRUE(lines[2].startsWith("Time (time unit)\tFrequency 1 MHz\t"));
    EXPECT_FALSE(lines[2].contains("Pulse"));
    ASSERT_EQ(lines.size(), 3 + 2 + 1);
    EXPECT_TRUE(lines[3].startsWith("3\t13.56\t"));
    EXPECT_TRUE(lines[4].startsWith("4\t13.56\t"));
}

TEST_F(CsvExportTest, PulseTrendEnergyLinesAndHeaders)
{
    PulseTrendScan trends(&sensor, "pt", {10.0, 20.0}, 1.0, 100.0, 0.0, 0.0, 1.0, 4, {0, 0});
    QString file = dir.filePath("pt.csv");
    ASSERT_TRUE(trends.exportCsv(file, "Quvix 2.8.0", nullptr));
    const QStringList lines = linesOf(file);
    EXPECT_EQ(lines[3], "Trend 0 Energy,0,");
    EXPECT_EQ(lines[4], "Trend 1 Energy,0,");
    EXPECT_EQ(lines[5], QString::fromUtf8("Trend Measurement number,1,Time \xC2\xB5s,10,Trend Mode,0"));
    EXPECT_FALSE(lines.join('\n').contains("END TREND"));

    QString interval = dir.filePath("pt.txt");
    ASSERT_TRUE(trends.exportText(interval, "Quvix 2.8.0", 0, 1, nullptr));
    EXPECT_EQ(linesOf(interval).count("END TREND"), 2);
}

TEST_F(CsvExportTest, LoadedFileWithoutPulseColumnsWritesEmptyPulseCells)
{
    QString file = dir.filePath("nopulse.dat");
    {
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write("Software ;Quvix 2.8.0\nTrend Count;1\nData\nF1; 2; Harmonics ;1;\n"
                  "Time (time unit);F1 (MHz);V;Harmonic Phase;I;P;\n0;2;10;0;1;0;\n");
    }
    const std::unique_ptr<BaseScan> loaded = BaseScan::loadDat(file);
    QString csv = dir.filePath("nopulse.csv");
    OnlyOptions pulse{0, 34};
    ASSERT_TRUE(loaded->exportCsv(csv, "Quvix 2.8.0", &pulse));
    const QStringList lines = linesOf(csv);
    EXPECT_EQ(lines[lines.size() - 3], "Time ,F1 Voltage Volts,Pulse Period us,");
    EXPECT_EQ(lines[lines.size() - 2], "0.0000000000,10.0000,,");
}

// An independent reader: Python's csv module finds the same numbers with
// every delimiter.
TEST_F(CsvExportTest, PythonCsvModuleReadsEveryDelimiter)
{
    const QString python = "/usr/bin/python3";
    if (!QFile::exists(python))
        GTEST_SKIP() << "no python3";
    for (const QString& delimiter : {QString(";"), QString(","), QString("\t")}) {
        csvDelimiter = delimiter;
        QString file = dir.filePath("py.csv");
        OnlyOptions options{0, 1, 2, 4, 37};
        ASSERT_TRUE(scan->exportCsv(file, "Quvix 2.8.0", &options));
        QProcess process;
        process.start(python, {"-c",
                               "import csv,sys\n"
                               "rows=list(csv.reader(open(sys.argv[1],newline=''),delimiter=sys.argv[2]))\n"
                               "start=[i for i,r in enumerate(rows) if r and r[0].startswith('Time')][0]\n"
                               "print(len(rows[start]))\n"
                               "for r in rows[start+1:]:\n"
                               "    print(' '.join(repr(float(x)) for x in r if x))\n",
                               file, delimiter});
        ASSERT_TRUE(process.waitForFinished(30000));
        ASSERT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
        const QStringList out = QString::fromUtf8(process.readAllStandardOutput()).trimmed().split('\n');
        ASSERT_EQ(out.size(), 7);
        EXPECT_EQ(out[0], "7"); // time, frequency, power, voltage, current, duty cycle, trailing empty
        const QStringList second = out[2].split(' ');
        ASSERT_EQ(second.size(), 6);
        EXPECT_EQ(second[0].toDouble(), 1.5);
        EXPECT_EQ(second[1].toDouble(), 13.56);
        EXPECT_NEAR(second[2].toDouble(), scan->dataSets[0]->records[0]->power[1], 5e-5);
        EXPECT_EQ(second[3].toDouble(), 11.0);
        EXPECT_EQ(second[4].toDouble(), 0.5);
        EXPECT_EQ(second[5].toDouble(), 20.0);
    }
}

TEST_F(CsvExportTest, ATrendWithoutRecordsStillNamesItsPulseColumns)
{
    FakeSensor off({13.56}, {0}, 1);
    CWScan empty(&off, "run", 100);
    empty.start();
    std::vector<double> pulseOnly{100.0, 25.0};
    empty.addData(pulseOnly.data(), 2, 0.0, 0);
    QString file = dir.filePath("norecords.csv");
    const OnlyOptions pulse{34};
    ASSERT_TRUE(empty.exportCsv(file, "Quvix 2.8.0", &pulse));
    const QStringList lines = linesOf(file);
    EXPECT_EQ(lines[lines.size() - 2], "Time ,Pulse Period us,"); // no rows without a record
}
