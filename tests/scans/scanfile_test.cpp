#include "scans/basescan.h"
#include "scans/csvoptions.h"
#include "scans/cwscan.h"
#include "scans/defaultcsvcolumnoptions.h"
#include "scans/filenameprompt.h"
#include "scans/numberconversion.h"
#include "scans/processvalues.h"
#include "scans/pulseprofilescan.h"
#include "scans/pulsetrendscan.h"
#include "scans/scanfilereader.h"
#include "scans/scanfilewriter.h"
#include "scantesthelpers.h"
#include "support/testenvironment.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimeZone>
#include <QTreeWidgetItem>

#include <sys/resource.h>

#include <cmath>
#include <csignal>
#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <thread>

using namespace scantest;

namespace {

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
}

QDateTime fixedCreated()
{
    return QDateTime(QDate(2023, 8, 21), QTime(10, 15, 0), Qt::OffsetFromUTC, 7200);
}

// Samples whose every value differs, so a column mix-up cannot pass.
std::vector<double> variedSample(const FakeSensor& sensor, int i, double period = 100.0)
{
    std::vector<double> sample;
    for (int f = 0; f < sensor.frequencies().size(); ++f) {
        const int n = sensor.selectedHarmonics()[f];
        if (n <= 0)
            continue;
        sample.insert(sample.end(), {sensor.frequencies()[f] * 1e6, 3.0});
        for (int h = 0; h < n; ++h)
            sample.insert(sample.end(), {100.0 + i + 0.1234567891 * h, 5.0 * h + 0.01 * i,
                                         2.0 / (1 + h) + 0.001 * i, 12.5 + h - 0.3 * i});
    }
    sample.insert(sample.end(), {period + i, 20.0 + 0.5 * i});
    return sample;
}

void fillScan(BaseScan& scan, const FakeSensor& sensor, int samples)
{
    scan.start();
    for (int i = 0; i < samples; ++i)
        runPass(scan, sensor, variedSample(sensor, i), 24000 * (10 + i % 3));
}

void expectSeriesNear(const Series& a, const Series& b, const char* what)
{
    ASSERT_EQ(a.size(), b.size()) << what;
    for (size_t i = 0; i < a.size(); ++i)
        EXPECT_NEAR(a[i], b[i], 1e-9 * std::max(1.0, std::abs(a[i]))) << what << " at " << i;
}

void expectSameData(const BaseScan& written, const BaseScan& read)
{
    ASSERT_EQ(written.dataSets.size(), read.dataSets.size());
    for (size_t s = 0; s < written.dataSets.size(); ++s) {
        const TrendDataSet& a = *written.dataSets[s];
        const TrendDataSet& b = *read.dataSets[s];
        expectSeriesNear(a.time, b.time, "time");
        expectSeriesNear(a.pulsePeriod, b.pulsePeriod, "pulse period");
        expectSeriesNear(a.pulseDutyCycle, b.pulseDutyCycle, "duty cycle");
        ASSERT_EQ(a.records.size(), b.records.size());
        for (size_t r = 0; r < a.records.size(); ++r) {
            const FrequencyRecord& x = *a.records[r];
            const FrequencyRecord& y = *b.records[r];
            EXPECT_NEAR(x.frequencyMHz, y.frequencyMHz, 1e-12);
            ASSERT_EQ(x.harmonicCount, y.harmonicCount);
            expectSeriesNear(x.frequencies, y.frequencies, "frequencies");
            expectSeriesNear(x.power, y.power, "power");
            for (int h = 0; h < x.harmonicCount; ++h) {
                const size_t k = static_cast<size_t>(h);
                expectSeriesNear(x.voltage[k], y.voltage[k], "voltage");
                expectSeriesNear(x.voltagePhase[k], y.voltagePhase[k], "voltage phase");
                expectSeriesNear(x.current[k], y.current[k], "current");
                expectSeriesNear(x.currentPhase[k], y.currentPhase[k], "phase");
                expectSeriesNear(x.gammaReal[k], y.gammaReal[k], "gamma");
                expectSeriesNear(x.impedanceImaginary[k], y.impedanceImaginary[k], "reactance");
            }
        }
    }
}

class ScanFileTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        savedDelimiter = csvDelimiter;
        savedShort = csvUseShortNames;
        savedFull = csvUseFullTimestamp;
        csvDelimiter = ";";
        csvUseShortNames = false;
        csvUseFullTimestamp = false;
        newerFileState = NewerFileIdle;
    }
    void TearDown() override
    {
        csvDelimiter = savedDelimiter;
        csvUseShortNames = savedShort;
        csvUseFullTimestamp = savedFull;
        newerFileState = NewerFileIdle;
    }
    QString path(const QString& name) const { return dir.filePath(name); }

    std::unique_ptr<BaseScan> loadContent(const QByteArray& content)
    {
        const QString file = path("fixture.dat");
        writeFile(file, content);
        return BaseScan::loadDat(file);
    }

    int loadError(const QByteArray& content)
    {
        try {
            loadContent(content);
        } catch (int code) {
            return code;
        }
        return 0;
    }

    QTemporaryDir dir;
    QString savedDelimiter;
    bool savedShort = false;
    bool savedFull = false;
};

} // namespace

// ---- round trips ----------------------------------------------------------------

struct RoundTripCase {
    const char* name;
    std::function<std::unique_ptr<BaseScan>(FakeSensor*)> make;
};

class RoundTrip : public ScanFileTest, public ::testing::WithParamInterface<RoundTripCase>
{
};

TEST_P(RoundTrip, EverySeriesAndHeaderFieldReadsBack)
{
    FakeSensor sensor({13.56, 27.12, 2.0}, {3, 0, 1}, 3);
    sensor.setNickname("chamber A");
    std::unique_ptr<BaseScan> scan = GetParam().make(&sensor);
    fillScan(*scan, sensor, 12);
    scan->timed = true;
    scan->duration = 30;
    scan->setWaferInfo("L7", "3");
    scan->created = fixedCreated();
    scan->triggerLevel = 1.25;
    scan->setIonFluxFactors(2.5, 17.0, 0.05);
    scan->stop();

    QString file = path("scan.dat");
    ASSERT_TRUE(scan->saveDat(file, "Quvix 2.8.0"));
    EXPECT_FALSE(scan->unsavedData);
    EXPECT_EQ(scan->fileBaseName(), "scan");
    const std::unique_ptr<BaseScan> read = BaseScan::loadDat(file);
    expectSameData(*scan, *read);
    EXPECT_EQ(read->typeText, scan->typeText);
    EXPECT_EQ(read->timeAxisText, scan->timeAxisText);
    EXPECT_EQ(read->serialNumber, "A123");
    EXPECT_EQ(read->nickname, "chamber A");
    EXPECT_EQ(read->sensorType, 3);
    EXPECT_EQ(read->created, fixedCreated());
    EXPECT_TRUE(read->timed);
    EXPECT_EQ(read->duration, 30.0);
    EXPECT_EQ(read->waferLot, "L7");
    EXPECT_EQ(read->waferNumber, "3");
    EXPECT_EQ(read->triggerLevel, 1.25);
    EXPECT_EQ(read->electrodeArea, 0.05);
    EXPECT_EQ(read->voltageDrop, 17.0);
    EXPECT_EQ(read->averages, scan->averages);
    EXPECT_EQ(read->elapsedAtStop, scan->elapsedAtStop);
    EXPECT_EQ(read->trendCount, scan->trendCount);
    EXPECT_EQ(read->filePath, file);
    EXPECT_FALSE(read->unsavedData);
    EXPECT_EQ(read->sensor, nullptr);

    // Saved again, a loaded scan reads back as it was: trends stay apart.
    QString again = path("again.dat");
    ASSERT_TRUE(read->saveDat(again, "Quvix 2.8.0"));
    const std::unique_ptr<BaseScan> reread = BaseScan::loadDat(again);
    expectSameData(*scan, *reread);
}

INSTANTIATE_TEST_SUITE_P(Kinds, RoundTrip,
                         ::testing::Values(RoundTripCase{"ContinuousWave",
                                                         [](FakeSensor* s) {
                                                             return std::make_unique<CWScan>(s, "run", 100);
                                                         }},
                                           RoundTripCase{"PulseTrend",
                                                         [](FakeSensor* s) {
                                                             return std::make_unique<PulseTrendScan>(
                                                                 s, "pt", QVector<double>{10.0, 50.0}, 1.0,
                                                                 100.0, 0.0, 0.0, 1.0, 4, QVector<int>{0, 1});
                                                         }},
                                           RoundTripCase{"PulseProfile",
                                                         [](FakeSensor* s) {
                                                             return std::make_unique<PulseProfileScan>(
                                                                 s, "pp", 1.0, 20.0, 0.0, 100.0, 2.5, 4, 0.5);
                                                         }}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ScanFileTest, GoldenContinuousWaveFile)
{
    FakeSensor sensor({13.56}, {2}, 1);
    CWScan scan(&sensor, "", 100);
    scan.start();
    runPass(scan, sensor, {13.56e6, 0.0, 100.0, 0.0, 2.0, 30.0, 5.5, 45.0, 0.25, -60.0, 1000.0, 250.0}, 0);
    runPass(scan, sensor, {13.56e6, 0.0, 101.0, 0.0, 2.0, 30.0, 5.5, 45.0, 0.25, -60.0, 0.0, 0.0}, 2400000);
    scan.created = fixedCreated();
    scan.averages = 100;
    QString file = path("golden.dat");
    ASSERT_TRUE(scan.saveDat(file, "Quvix 2.8.0"));
    EXPECT_EQ(readAll(file),
              QByteArray("Software ;Quvix 2.8.0\n"
                         "Created;2023-08-21T10:15:00+02:00\n"
                         "Scan Type;Continuous Wave\n"
                         "Serial Number;A123\n"
                         "Sensor Nickname;\n"
                         "Trend Count;1\n"
                         "Wafer Lot; \n"
                         "Wafer Number;\n"
                         "Trigger Level;0\n"
                         "Trigger Holdoff;0\n"
                         "start;0\n"
                         "end ;0\n"
                         "resolution;0\n"
                         "averages;100\n"
                         "ExtTrigger;0\n"
                         "Time Unit;time (s)\n"
                         "Total time;0\n"
                         "Quvix Type;1\n"
                         "ION FLUX series resistance;1\n"
                         "ION FLUX electrode area;1\n"
                         "ION FLUX voltage drop;1\n"
                         "Data\n"
                         "F1; 13.56; Harmonics ;2;\n"
                         "Time (time unit);F1 (MHz);13.56 MHz  Voltage 1 Volts;"
                         "13.56 MHz  Harmonic Phase 1 Degrees;13.56 MHz  Current 1 Amps;"
                         "13.56 MHz  Phase 1 Degrees;13.56 MHz  V Harmonic 2 Volts;"
                         "13.56 MHz  Hp Harmonic 2 Degrees;13.56 MHz  C Harmonic 2 Amps;"
                         "13.56 MHz  P Harmonic 2 Degrees;Pulse Period (us);Pulse On Time (us);\n"
                         "0;13.56;100;0;2;30;5.5;45;0.25;-60;1000;250;\n"
                         "0.1;13.56;101;0;2;30;5.5;45;0.25;-60;0;0;\n"));
}

TEST_F(ScanFileTest, GoldenPulseTrendBlocksAreFramed)
{
    FakeSensor sensor({2.0}, {1}, 1);
    PulseTrendScan scan(&sensor, "pt", {2.0, 50.0}, 1.0, 100.0, 0.0, 0.0, 1.0, 4, {0, 1});
    csvDelimiter = ","; // the scan file keeps its own separator
    QString file = path("pt.dat");
    ASSERT_TRUE(scan.saveDat(file, "Quvix 2.8.0"));
    const QByteArray text = readAll(file);
    const QByteArray blocks = text.mid(text.indexOf("Data\n") + 5);
    EXPECT_EQ(blocks, QByteArray("Trend Measurement number;1;Time \xC2\xB5s;2;Trend Mode;0\n"
                                 "F1; 2; Harmonics ;1;\n"
                                 "Time (time unit);F1 (MHz);02.00 MHz  Voltage 1 Volts;"
                                 "02.00 MHz  Harmonic Phase 1 Degrees;02.00 MHz  Current 1 Amps;"
                                 "02.00 MHz  Phase 1 Degrees;\n"
                                 "END TREND\n"
                                 "Trend Measurement number;2;Pulse Period %;50;Trend Mode;1\n"
                                 "F1; 2; Harmonics ;1;\n"
                                 "Time (time unit);F1 (MHz);02.00 MHz  Voltage 1 Volts;"
                                 "02.00 MHz  Harmonic Phase 1 Degrees;02.00 MHz  Current 1 Amps;"
                                 "02.00 MHz  Phase 1 Degrees;\n"
                                 "END TREND\n"));
    const std::unique_ptr<BaseScan> read = BaseScan::loadDat(file);
    ASSERT_EQ(read->dataSets.size(), 2u);
    EXPECT_EQ(read->dataSets[0]->value, 2.0);
    EXPECT_EQ(read->dataSets[0]->mode, 0);
    EXPECT_EQ(read->dataSets[1]->value, 50.0);
    EXPECT_EQ(read->dataSets[1]->mode, 1);
}

TEST_F(ScanFileTest, OptionalKeyLines)
{
    FakeSensor sensor({2.0}, {1}, 1);
    CWScan plain(&sensor, "", 100);
    QString file = path("plain.dat");
    ASSERT_TRUE(plain.saveDat(file, "Quvix 2.8.0"));
    QByteArray text = readAll(file);
    EXPECT_FALSE(text.contains("Measurement Name;"));
    EXPECT_FALSE(text.contains("Scan Duration;"));

    CWScan named(&sensor, "run 7", 100);
    named.timed = true;
    named.duration = 12.5;
    ASSERT_TRUE(named.saveDat(file, "Quvix 2.8.0"));
    text = readAll(file);
    EXPECT_TRUE(text.contains("\nMeasurement Name;run 7\n"));
    EXPECT_TRUE(text.contains("\nScan Duration; 12.5(s)\n"));
}

// ---- text fields -----------------------------------------------------------------

namespace {

struct TextBreakCase {
    const char* name;
    const char* inserted;
    const char* delimiter; // of the CSV export
};

// The value as written: line ends and the file's separator become blanks.
QString blanked(const QString& value, const QString& separator)
{
    QString out = value;
    for (QChar& c : out)
        if (c == '\r' || c == '\n' || separator.contains(c))
            c = ' ';
    return out;
}

class TextFieldBreaks : public ScanFileTest, public ::testing::WithParamInterface<TextBreakCase>
{
};

} // namespace

TEST_P(TextFieldBreaks, EveryTextFieldReadsBackAndKeepsItsCsvLine)
{
    const QString inserted = GetParam().inserted;
    const auto hostile = [&](const char* text) { return QString(text) + inserted + "Data" + inserted; };
    FakeSensor sensor({13.56}, {2}, 1);
    CWScan scan(&sensor, hostile("run"), 100);
    fillScan(scan, sensor, 4);
    scan.serialNumber = hostile("QX1");
    scan.nickname = hostile("chamber");
    scan.setWaferInfo(hostile("L7"), hostile("3"));
    scan.stop();

    QString file = path("breaks.dat");
    ASSERT_TRUE(scan.saveDat(file, "Quvix 2.8.0"));
    std::unique_ptr<BaseScan> read;
    ASSERT_NO_THROW(read = BaseScan::loadDat(file));
    expectSameData(scan, *read);
    const QString dat = ";";
    EXPECT_EQ(read->serialNumber, blanked(scan.serialNumber, dat));
    EXPECT_EQ(read->nickname, blanked(scan.nickname, dat));
    EXPECT_EQ(read->measurementName, blanked(scan.measurementName, dat));
    EXPECT_EQ(read->waferLot, blanked(scan.waferLot, dat));
    EXPECT_EQ(read->waferNumber, blanked(scan.waferNumber, dat));

    csvDelimiter = GetParam().delimiter;
    QString csv = path("breaks.csv");
    ASSERT_TRUE(scan.exportCsv(csv, "Quvix 2.8.0", nullptr));
    const QStringList lines = QString::fromUtf8(readAll(csv)).split('\n');
    ASSERT_GT(lines.size(), 6);
    EXPECT_EQ(lines[2], "Serial Number" + csvDelimiter + blanked(scan.serialNumber, csvDelimiter));
    EXPECT_EQ(lines[3], "Wafer Lot" + csvDelimiter + blanked(scan.waferLot, csvDelimiter));
    EXPECT_EQ(lines[4], "Wafer Number" + csvDelimiter + blanked(scan.waferNumber, csvDelimiter));
    EXPECT_TRUE(lines[5].startsWith("Energy" + csvDelimiter));
}

INSTANTIATE_TEST_SUITE_P(
    Characters, TextFieldBreaks,
    ::testing::Values(TextBreakCase{"LineFeed", "\n", ";"}, TextBreakCase{"CarriageReturn", "\r", ";"},
                      TextBreakCase{"CrLf", "\r\n", ";"}, TextBreakCase{"Separator", ";", ";"},
                      TextBreakCase{"CsvComma", ",", ","}, TextBreakCase{"CsvTab", "\t", "\t"}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- reader fixtures ------------------------------------------------------------

namespace {

const QByteArray header = "Software ;Quvix 2.8.0\n"
                          "Created;2023-08-21T10:15:00\n"
                          "Scan Type;Continuous Wave\n"
                          "Serial Number;S1\n"
                          "Trend Count;1\n"
                          "end ;7\n"
                          "Data\n";
const QByteArray frequencyLine = "F1; 13.56; Harmonics ;2;\n";
const QByteArray fullHeading =
    "Time (time unit);F1 (MHz);13.56 MHz  Voltage 1 Volts;13.56 MHz  Harmonic Phase 1 "
    "Degrees;13.56 MHz  Current 1 Amps;13.56 MHz  Phase 1 Degrees;13.56 MHz  V Harmonic 2 "
    "Volts;13.56 MHz  Hp Harmonic 2 Degrees;13.56 MHz  C Harmonic 2 Amps;13.56 MHz  P "
    "Harmonic 2 Degrees;\n";

const QByteArray framedBlock = "Trend Measurement number;1;Time;2;Trend Mode;0\n" + frequencyLine +
                               fullHeading + "0;13.56;100;0;2;30;5;45;1;60;\nEND TREND\n";

// One frequency line of `records` records of `harmonics` harmonics, then
// rows holding nothing but their time.
QByteArray manyRecordsFile(int records, int harmonics, int rows)
{
    QByteArray text;
    for (int k = 1; k <= records; ++k)
        text += "F" + QByteArray::number(k) + "; 13.56; Harmonics ;" + QByteArray::number(harmonics) + ";";
    text += "\n";
    for (int j = 0; j < rows; ++j)
        text += QByteArray::number(j % 10) + ";\n";
    return text;
}

// An old file (three columns per harmonic) of an idle sensor: every
// measured value a single "0", the densest rows a real file has.
QByteArray oldZerosFile(int harmonics, int rows)
{
    QByteArray text = header + "F1; 13.56; Harmonics ;" + QByteArray::number(harmonics) + ";\n" +
                      "Time (time unit);F1 (MHz);";
    QByteArray row = ";13.56;";
    for (int h = 1; h <= harmonics; ++h) {
        text += "Voltage " + QByteArray::number(h) + ";Current " + QByteArray::number(h) + ";Phase " +
                QByteArray::number(h) + ";";
        row += "0;0;0;";
    }
    text += "\n";
    for (int j = 0; j < rows; ++j)
        text += QByteArray::number(j) + row + "\n";
    return text;
}

} // namespace

struct ReaderCase {
    const char* name;
    QByteArray content;
    int error; // 0: loads
    std::function<void(const BaseScan&)> check;
};

class ReaderFixture : public ScanFileTest, public ::testing::WithParamInterface<ReaderCase>
{
};

TEST_P(ReaderFixture, ReadsOrRefuses)
{
    const ReaderCase& c = GetParam();
    if (c.error != 0) {
        EXPECT_EQ(loadError(c.content), c.error);
        return;
    }
    std::unique_ptr<BaseScan> scan;
    ASSERT_NO_THROW(scan = loadContent(c.content));
    if (c.check)
        c.check(*scan);
    // Whatever was read can be shown and written again.
    delete scan->treeItem();
    QString again = path("again.dat");
    EXPECT_TRUE(scan->saveDat(again, "Quvix 2.8.0"));
    QString csv = path("again.csv");
    EXPECT_TRUE(scan->exportCsv(csv, "Quvix 2.8.0", nullptr));
}

INSTANTIATE_TEST_SUITE_P(
    Files, ReaderFixture,
    ::testing::
        Values(
            ReaderCase{"FullFile", header + frequencyLine + fullHeading + "0;13.56;100;0;2;30;5;45;1;60;\n",
                       0,
                       [](const BaseScan& s) {
                           ASSERT_EQ(s.dataSets.size(), 1u);
                           const FrequencyRecord& r = *s.dataSets[0]->records[0];
                           EXPECT_EQ(r.harmonicCount, 2);
                           EXPECT_EQ(r.voltage[1][0], 5.0);
                           EXPECT_EQ(r.voltagePhase[1][0], 45.0);
                           EXPECT_EQ(r.currentPhase[1][0], 60.0);
                           EXPECT_EQ(s.serialNumber, "S1");
                           EXPECT_EQ(s.endTime, 7.0);
                           EXPECT_EQ(s.sensorType, 3); // no type line
                           EXPECT_TRUE(s.dataSets[0]->pulsePeriod.empty());
                       }},
            ReaderCase{"KadroFirstLine", "Software ;Kadro tool\nTrend Count;0\nData\n", 0,
                       [](const BaseScan& s) { EXPECT_TRUE(s.dataSets.empty()); }},
            ReaderCase{"OtherSoftwareRefused", "Software ;Other 1.0\nTrend Count;1\nData\n", 35, {}},
            ReaderCase{"EmptyFileRefused", "", 35, {}},
            ReaderCase{"NoTrendCountRefused",
                       "Software ;Quvix 2.8.0\nData\n" + frequencyLine + fullHeading +
                           "0;13.56;1;0;1;0;1;0;1;0;\n",
                       35,
                       {}},
            ReaderCase{"AbsurdTrendCountRefused", "Software ;Quvix 2.8.0\nTrend Count;5000\nData\n", 35, {}},
            ReaderCase{"AbsurdHarmonicCountRefused", header + "F1; 13.56; Harmonics ;500;\n", 35, {}},
            ReaderCase{"NegativeHarmonicCountRefused", header + "F1; 13.56; Harmonics ;-1;\n", 35, {}},
            ReaderCase{"IsoAndTagDates",
                       "Software ;Quvix 2.8.0\nCreated;2023_08_21-10-15-00\nTrend Count;0\nData\n", 0,
                       [](const BaseScan& s) {
                           EXPECT_EQ(s.created.date(), QDate(2023, 8, 21));
                           EXPECT_EQ(s.created.time(), QTime(10, 15, 0));
                       }},
            ReaderCase{
                "OldThreeColumnFile",
                header + frequencyLine +
                    "Time (time unit);F1 (MHz);Voltage 1;Current 1;Phase 1;Voltage 2;Current 2;Phase 2;\n"
                    "0;13.56;100;2;30;5;1;60;\n",
                0,
                [](const BaseScan& s) {
                    const FrequencyRecord& r = *s.dataSets[0]->records[0];
                    EXPECT_EQ(r.voltage[1][0], 5.0);
                    EXPECT_EQ(r.current[1][0], 1.0);
                    EXPECT_EQ(r.voltagePhase[1][0], 0.0);
                    EXPECT_EQ(r.currentPhase[1][0], 60.0);
                }},
            ReaderCase{
                "ShortRowZeroesMissingHarmonics",
                header + frequencyLine + fullHeading + "0;13.56;100;0;2;30;\n1;13.56;100;2;30;5;1;60;\n", 0,
                [](const BaseScan& s) {
                    const FrequencyRecord& r = *s.dataSets[0]->records[0];
                    ASSERT_EQ(r.sampleCount(), 2u);
                    EXPECT_EQ(r.voltage[1][0], 0.0);
                    // Harmonic phase reading stopped: the next row is read three-wide.
                    EXPECT_EQ(r.voltage[1][1], 5.0);
                    EXPECT_EQ(r.current[0][1], 2.0);
                }},
            ReaderCase{"CrLfLineEnds",
                       QByteArray(header + frequencyLine + fullHeading + "0;13.56;100;0;2;30;5;45;1;60;\n")
                           .replace("\n", "\r\n"),
                       0,
                       [](const BaseScan& s) {
                           ASSERT_EQ(s.dataSets.size(), 1u);
                           EXPECT_EQ(s.serialNumber, "S1");
                           EXPECT_EQ(s.dataSets[0]->records[0]->currentPhase[1][0], 60.0);
                           EXPECT_EQ(s.dataSets[0]->records[0]->harmonicCount, 2);
                       }},
            // A file cut short or miscounted would load as empty or zero-filled data.
            ReaderCase{"MoreTrendsThanBlocksRefused",
                       QByteArray(header).replace("Trend Count;1", "Trend Count;3") + frequencyLine +
                           fullHeading + "0;13.56;100;0;2;30;5;45;1;60;\n",
                       35,
                       {}},
            ReaderCase{"FewerFramedBlocksThanCountedRefused",
                       QByteArray(header).replace("Trend Count;1", "Trend Count;2") + framedBlock,
                       35,
                       {}},
            ReaderCase{"MoreFramedBlocksThanCountedRefused", header + framedBlock + framedBlock, 35, {}},
            ReaderCase{"TwoFramedBlocksAsCounted",
                       QByteArray(header).replace("Trend Count;1", "Trend Count;2") + framedBlock +
                           framedBlock,
                       0, [](const BaseScan& s) { EXPECT_EQ(s.dataSets[1]->sampleCount(), 1u); }},
            ReaderCase{"FramedBlockWithoutItsEndRefused",
                       header + QByteArray(framedBlock).replace("END TREND\n", ""),
                       35,
                       {}},
            ReaderCase{"NegativeTrendCountRefused",
                       QByteArray(header).replace("Trend Count;1", "Trend Count;-1"),
                       35,
                       {}},
            ReaderCase{"MissingDataLineRefused",
                       QByteArray(header).replace("Data\n", "") + frequencyLine + fullHeading +
                           "0;13.56;100;0;2;30;5;45;1;60;\n",
                       35,
                       {}},
            ReaderCase{"MissingBlockRefused", header, 35, {}},
            ReaderCase{"TruncatedMidRowRefused",
                       header + frequencyLine + fullHeading + "0;13.56;100;0;2;30;5;45;1;60;\n1;13.5",
                       35,
                       {}},
            ReaderCase{"LastRowMissingItsLastCellRefused",
                       header + frequencyLine + fullHeading +
                           "0;13.56;100;0;2;30;5;45;1;60;\n1;13.56;100;0;2;30;5;45;1;\n",
                       35,
                       {}},
            ReaderCase{"LastRowWithoutLineEnd",
                       header + frequencyLine + fullHeading + "0;13.56;100;0;2;30;5;45;1;60;", 0,
                       [](const BaseScan& s) { EXPECT_EQ(s.dataSets[0]->sampleCount(), 1u); }},
            ReaderCase{"LongOldFileOfZeros", oldZerosFile(4, 20000), 0,
                       [](const BaseScan& s) { EXPECT_EQ(s.dataSets[0]->sampleCount(), 20000u); }},
            // Layouts no sensor sample can carry, and rows the file is too small to hold.
            ReaderCase{"TwentyRecordsOfAllHarmonicsRefused", header + manyRecordsFile(20, 128, 2000), 35, {}},
            ReaderCase{"OneCellRowsBeyondTheFileSizeRefused", header + manyRecordsFile(1, 120, 2000), 35, {}},
            ReaderCase{"RepeatedFrequencyLinesRefused",
                       header + QByteArray("F1; 2; Harmonics ;60;\n").repeated(3),
                       35,
                       {}},
            ReaderCase{
                "ShortTrendHeader",
                QByteArray(header) + "Trend Measurement number;1;Time\n" + frequencyLine + "END TREND\n", 0,
                [](const BaseScan& s) {
                    EXPECT_EQ(s.dataSets[0]->value, 0.0);
                    EXPECT_EQ(s.dataSets[0]->mode, 0);
                }},
            ReaderCase{
                "PulseColumnsAndZeroPeriod",
                header + "F1; 2; Harmonics ;1;\nTime (time unit);F1 (MHz);V;Harmonic Phase;I;P;Pulse Period "
                         "(us);Pulse On Time (us);\n0;2;10;0;1;0;200;50;\n1;2;10;0;1;0;0;5;\n",
                0,
                [](const BaseScan& s) {
                    const TrendDataSet& t = *s.dataSets[0];
                    EXPECT_EQ(t.pulsePeriod, (Series{200.0, 0.0}));
                    EXPECT_EQ(t.pulseFrequency, (Series{5000.0, 0.0}));
                    EXPECT_EQ(t.pulseDutyCycle, (Series{25.0, 0.0}));
                }}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- the reader against a plain reading -------------------------------------------

namespace {

double cellValue(const QList<QByteArray>& cells, int index)
{
    double value = 0.0;
    if (index < cells.size())
        parseNumber(std::string_view(cells[index].constData(), static_cast<size_t>(cells[index].size())),
                    value);
    return value;
}

// The data sets of a file whose data rows are all whole, read the plainest
// way: line after line split apart, every cell read on its own, every
// sample handed to its records alone. The sensor type and the ion-flux
// factors are the scan's, as its header gave them.
std::vector<std::unique_ptr<TrendDataSet>> plainReading(const QByteArray& content, const BaseScan& scan)
{
    std::vector<std::unique_ptr<TrendDataSet>> sets;
    TrendDataSet* set = nullptr;
    bool inData = false;
    bool harmonicPhase = false;
    bool pulse = false;
    double previous = 0.0;
    for (QByteArray line : content.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        if (!inData) {
            inData = line.startsWith("Data");
            continue;
        }
        if (line.startsWith("END TREND")) {
            set = nullptr;
            continue;
        }
        if (line.trimmed().isEmpty())
            continue;
        if (!set) {
            sets.push_back(std::make_unique<TrendDataSet>(scan.sensorType, 0.0, 0));
            set = sets.back().get();
            harmonicPhase = false;
            pulse = false;
            previous = 0.0;
        }
        const QList<QByteArray> cells = line.split(';');
        if (line.startsWith("Trend Measurement")) {
            set->value = cellValue(cells, 3);
            set->mode = static_cast<int>(cellValue(cells, 5));
        } else if (line.startsWith("F1;")) {
            for (int i = 0; i + 3 < cells.size(); i += 4) {
                const double frequency = cellValue(cells, i + 1);
                set->addRecord(frequency > 1000.0 ? frequency / 1000000.0 : frequency,
                               static_cast<int>(cellValue(cells, i + 3)));
                set->records.back()->setIonFluxFactors(scan.seriesResistance, scan.voltageDrop,
                                                       scan.electrodeArea);
            }
        } else if (line.startsWith("Time (")) {
            const QByteArray third = cells.size() > 3 ? cells[3].toLower() : QByteArray();
            harmonicPhase = third.contains("harmonic phase") || third.contains("pv");
            pulse = line.contains("Pulse Period");
        } else {
            const double t = cellValue(cells, 0);
            set->time.push_back(t);
            int c = 1;
            for (const auto& record : set->records) {
                std::vector<double> group(static_cast<size_t>(2 + 4 * record->harmonicCount), 0.0);
                group[0] = cellValue(cells, c++);
                for (size_t h = 0; h < static_cast<size_t>(record->harmonicCount); ++h) {
                    group[2 + 4 * h] = cellValue(cells, c++);
                    if (harmonicPhase)
                        group[3 + 4 * h] = cellValue(cells, c++);
                    group[4 + 4 * h] = cellValue(cells, c++);
                    group[5 + 4 * h] = cellValue(cells, c++);
                }
                record->appendSample(group.data(), t - previous);
            }
            previous = t;
            if (pulse) {
                const double period = cellValue(cells, c);
                const double onTime = cellValue(cells, c + 1);
                set->pulsePeriod.push_back(period);
                set->pulseOnTime.push_back(onTime);
                set->pulseFrequency.push_back(period == 0.0 ? 0.0 : 1000000.0 / period);
                set->pulseDutyCycle.push_back(period == 0.0 ? 0.0 : 100.0 * onTime / period);
            }
        }
    }
    return sets;
}

// Any two NaNs are the same reading: which operand's NaN an operation hands
// on, and with it the sign, is the compiler's choice, not the program's.
bool sameReading(double a, double b)
{
    return (std::isnan(a) && std::isnan(b)) || std::memcmp(&a, &b, sizeof a) == 0;
}

void expectSameSeries(const Series& expected, const Series& read, const std::string& what)
{
    ASSERT_EQ(expected.size(), read.size()) << what;
    for (size_t i = 0; i < expected.size(); ++i)
        ASSERT_TRUE(sameReading(expected[i], read[i]))
            << what << " at " << i << ": " << expected[i] << " read as " << read[i];
}

// Cells of every form a number field takes: plain and exponent decimals,
// more digits than a double holds, blanks and signs around it, values out
// of range, NaN, infinities, and texts that read as 0.
const char* const unusualCells[] = {
    "0",
    "-0",
    "+5",
    " 5 ",
    "\t7",
    "1e400",
    "-1e400",
    "1e-400",
    "4.9e-324",
    "1.7976931348623157e308",
    "nan",
    "-inf",
    "inf",
    "0x10",
    ".5",
    "5.",
    "-.5",
    "1e",
    "1e+5",
    "1E-5",
    "12345678901234567890123",
    "9007199254740993",
    "",
    "abc",
    "1.2.3",
    "--1",
    "00012.5000",
    "1e22",
    "1e23",
    "3.14159265358979323846",
    "-9.99999999999e-05",
};

struct GeneratedLayout {
    std::vector<int> harmonics; // per record; the first has at least one
    bool harmonicPhase;
    bool pulse;
    int trends;
    int rows;
    int addedRecordAfterRow; // a frequency line adding a record of one harmonic there; -1 none
    bool crLf;
    int sensorType;
};

// A file of whole rows in the given layout; the seed picks the cells, most
// of them numbers as the writer prints them, a fifth of them unusual.
QByteArray generatedFile(unsigned seed, const GeneratedLayout& layout)
{
    std::mt19937 random(seed);
    const auto anyNumber = [&random] {
        const double magnitude = static_cast<double>(random()) / static_cast<double>(random.max());
        const double scale = std::pow(10.0, static_cast<int>(random() % 13) - 6);
        const double value = (random() % 2 ? -1.0 : 1.0) * magnitude * scale;
        return QByteArray::number(value, 'g', random() % 4 == 0 ? 17 : 12);
    };
    const auto anyCell = [&] {
        return random() % 5 == 0 ? QByteArray(unusualCells[random() % std::size(unusualCells)]) : anyNumber();
    };
    const QByteArray end = layout.crLf ? "\r\n" : "\n";
    QByteArray text = "Software ;Quvix 2.8.0" + end + "Trend Count;" + QByteArray::number(layout.trends) +
                      end + "Quvix Type;" + QByteArray::number(layout.sensorType) + end +
                      "ION FLUX series resistance;2.5" + end + "ION FLUX electrode area;0.05" + end +
                      "ION FLUX voltage drop;17" + end + "Data" + end;
    for (int trend = 1; trend <= layout.trends; ++trend) {
        if (layout.trends > 1)
            text += "Trend Measurement number;" + QByteArray::number(trend) + ";Pulse Period %;" +
                    anyNumber() + ";Trend Mode;" + QByteArray::number(trend % 4) + end;
        QByteArray frequencies;
        QByteArray heading = "Time (time unit);";
        for (size_t k = 0; k < layout.harmonics.size(); ++k) {
            const QByteArray number = QByteArray::number(static_cast<int>(k) + 1);
            frequencies += "F" + number + "; " + QByteArray::number(2.0 + 11.56 * k) + "; Harmonics ;" +
                           QByteArray::number(layout.harmonics[k]) + ";";
            heading += "F" + number + " (MHz);";
            for (int h = 1; h <= layout.harmonics[k]; ++h)
                heading += "Voltage " + QByteArray::number(h) + ";" +
                           (layout.harmonicPhase ? "Harmonic Phase " + QByteArray::number(h) + ";" : "") +
                           "Current " + QByteArray::number(h) + ";Phase " + QByteArray::number(h) + ";";
        }
        text +=
            frequencies + end + heading + (layout.pulse ? "Pulse Period (us);Pulse On Time (us);" : "") + end;
        int recordCells = 0;
        for (const int n : layout.harmonics)
            recordCells += 1 + (layout.harmonicPhase ? 4 : 3) * n;
        for (int row = 0; row < layout.rows; ++row) {
            if (row == layout.addedRecordAfterRow) {
                text += "F1; 60; Harmonics ;1;" + end;
                recordCells += layout.harmonicPhase ? 5 : 4;
            }
            text += QByteArray::number(0.01 * row + (random() % 7 == 0 ? -0.5 : 0.0), 'g', 12) + ";";
            for (int c = 0; c < recordCells + (layout.pulse ? 2 : 0); ++c)
                text += anyCell() + ";";
            text += end;
        }
        if (layout.trends > 1)
            text += "END TREND" + end;
    }
    return text;
}

// A scan of one kind with three frequencies (one not selected), filled and
// written by the writer.
template <typename Make> QByteArray writtenFile(const QString& file, Make make, int samples)
{
    FakeSensor sensor({13.56, 27.12, 2.0}, {3, 0, 1}, 3);
    std::unique_ptr<BaseScan> scan = make(&sensor);
    scan->setIonFluxFactors(2.5, 17.0, 0.05);
    fillScan(*scan, sensor, samples);
    scan->stop();
    QString name = file;
    return scan->saveDat(name, "Quvix 2.8.0") ? readAll(name) : QByteArray();
}

QByteArray corpusFile(const char* name)
{
    return readAll(testenv::sourceDir() + "/tests/scans/scanfile_corpus/" + name);
}

struct PlainReadingCase {
    const char* name;
    std::function<QByteArray(const QString& file)> content;
};

class PlainReading : public ScanFileTest, public ::testing::WithParamInterface<PlainReadingCase>
{
};

} // namespace

// The reader reads rows in runs and each record derives a run of samples at
// once; what it builds is what reading every row on its own builds.
TEST_P(PlainReading, TheReaderGivesTheSameScanToTheBit)
{
    const QByteArray content = GetParam().content(path("written.dat"));
    ASSERT_FALSE(content.isEmpty());
    std::unique_ptr<BaseScan> read;
    ASSERT_NO_THROW(read = loadContent(content));
    const std::vector<std::unique_ptr<TrendDataSet>> expected = plainReading(content, *read);
    ASSERT_EQ(read->dataSets.size(), expected.size());
    for (size_t s = 0; s < expected.size(); ++s) {
        const TrendDataSet& a = *expected[s];
        const TrendDataSet& b = *read->dataSets[s];
        const std::string set = "set " + std::to_string(s);
        EXPECT_TRUE(sameReading(a.value, b.value)) << set;
        EXPECT_EQ(a.mode, b.mode) << set;
        ASSERT_EQ(a.records.size(), b.records.size()) << set;
        for (size_t r = 0; r < a.records.size(); ++r) {
            const std::string record = set + " record " + std::to_string(r);
            EXPECT_TRUE(sameReading(a.records[r]->frequencyMHz, b.records[r]->frequencyMHz)) << record;
            EXPECT_EQ(a.records[r]->harmonicCount, b.records[r]->harmonicCount) << record;
            EXPECT_EQ(a.records[r]->sensorType, b.records[r]->sensorType) << record;
            EXPECT_TRUE(sameReading(a.records[r]->energyTotal, b.records[r]->energyTotal)) << record;
        }
        const std::vector<const Series*> expectedSeries = a.allSeries();
        const std::vector<const Series*> readSeries = b.allSeries();
        ASSERT_EQ(expectedSeries.size(), readSeries.size()) << set;
        for (size_t i = 0; i < expectedSeries.size(); ++i)
            expectSameSeries(*expectedSeries[i], *readSeries[i], set + " series " + std::to_string(i));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Files, PlainReading,
    ::testing::Values(
        PlainReadingCase{"ContinuousWaveCorpusFile", [](const QString&) { return corpusFile("cw.dat"); }},
        PlainReadingCase{"PulseTrendCorpusFile", [](const QString&) { return corpusFile("pulsetrend.dat"); }},
        PlainReadingCase{"FullFixture",
                         [](const QString&) {
                             return header + frequencyLine + fullHeading + "0;13.56;100;0;2;30;5;45;1;60;\n";
                         }},
        PlainReadingCase{"OldThreeColumnFixture",
                         [](const QString&) {
                             return header + frequencyLine +
                                    "Time (time unit);F1 (MHz);Voltage 1;Current 1;Phase 1;Voltage 2;Current "
                                    "2;Phase 2;\n0;13.56;100;2;30;5;1;60;\n";
                         }},
        PlainReadingCase{"CrLfFixture",
                         [](const QString&) {
                             return QByteArray(header + frequencyLine + fullHeading +
                                               "0;13.56;100;0;2;30;5;45;1;60;\n")
                                 .replace("\n", "\r\n");
                         }},
        PlainReadingCase{"FramedBlocksFixture",
                         [](const QString&) {
                             return QByteArray(header).replace("Trend Count;1", "Trend Count;2") +
                                    framedBlock + framedBlock;
                         }},
        PlainReadingCase{"LastRowWithoutLineEndFixture",
                         [](const QString&) {
                             return header + frequencyLine + fullHeading + "0;13.56;100;0;2;30;5;45;1;60;";
                         }},
        PlainReadingCase{"LongOldFileOfZerosFixture", [](const QString&) { return oldZerosFile(4, 20000); }},
        PlainReadingCase{"PulseColumnsFixture",
                         [](const QString&) {
                             return header + "F1; 2; Harmonics ;1;\nTime (time unit);F1 (MHz);V;Harmonic "
                                             "Phase;I;P;Pulse Period (us);Pulse On Time (us);\n0;2;10;0;1;0;"
                                             "200;50;\n1;2;10;0;1;0;0;5;\n";
                         }},
        PlainReadingCase{"WrittenContinuousWave",
                         [](const QString& file) {
                             return writtenFile(
                                 file, [](FakeSensor* s) { return std::make_unique<CWScan>(s, "run", 100); },
                                 600);
                         }},
        PlainReadingCase{"WrittenPulseTrend",
                         [](const QString& file) {
                             return writtenFile(
                                 file,
                                 [](FakeSensor* s) {
                                     return std::make_unique<PulseTrendScan>(
                                         s, "pt", QVector<double>{10.0, 50.0}, 1.0, 100.0, 0.0, 0.0, 1.0, 4,
                                         QVector<int>{0, 1});
                                 },
                                 600);
                         }},
        PlainReadingCase{"WrittenPulseProfile",
                         [](const QString& file) {
                             return writtenFile(
                                 file,
                                 [](FakeSensor* s) {
                                     return std::make_unique<PulseProfileScan>(s, "pp", 1.0, 20.0, 0.0, 100.0,
                                                                               0.25, 4, 0.5);
                                 },
                                 600);
                         }},
        PlainReadingCase{"GeneratedRowsAroundARun",
                         [](const QString&) {
                             return generatedFile(1, {{2}, true, true, 1, 257, -1, false, 3});
                         }},
        PlainReadingCase{"GeneratedOldLayoutWithCrLf",
                         [](const QString&) {
                             return generatedFile(2, {{3, 0}, false, false, 1, 256, -1, true, 1});
                         }},
        PlainReadingCase{"GeneratedFramedTrendsOfThreeRecords",
                         [](const QString&) {
                             return generatedFile(3, {{1, 4, 0}, true, true, 3, 700, -1, false, 3});
                         }},
        PlainReadingCase{"GeneratedRecordAddedMidBlock",
                         [](const QString&) {
                             return generatedFile(4, {{2}, true, false, 1, 600, 300, false, 3});
                         }},
        PlainReadingCase{"GeneratedManyHarmonics",
                         [](const QString&) {
                             return generatedFile(5, {{12, 5}, false, true, 1, 255, -1, true, 3});
                         }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ScanFileTest, VersionNumbersAndTheNewerFileState)
{
    EXPECT_EQ(ScanFileReader::versionNumber("Software ;Quvix 2.9.1"), 291);
    EXPECT_EQ(ScanFileReader::versionNumber("Software ;Quvix 2.8.0"), 280);
    EXPECT_EQ(ScanFileReader::versionNumber("Software ;Quvix"), -1);
    EXPECT_EQ(ScanFileReader::versionNumber("Software ;Quvix 2."), -1);
    EXPECT_EQ(ScanFileReader::versionNumber(".5"), -1);

    const QByteArray newer = "Software ;Quvix 2.9.1\nTrend Count;0\nData\n";
    loadContent(newer);
    EXPECT_EQ(newerFileState, NewerFileIdle); // not armed: nothing to report
    newerFileState = NewerFileArmed;
    loadContent("Software ;Quvix 2.8.0\nTrend Count;0\nData\n");
    EXPECT_EQ(newerFileState, NewerFileArmed);
    loadContent(newer);
    EXPECT_EQ(newerFileState, NewerFileRead);
}

TEST_F(ScanFileTest, MissingFileThrowsThirty)
{
    try {
        BaseScan::loadDat(path("nothing-here.dat"));
        FAIL() << "no error";
    } catch (int code) {
        EXPECT_EQ(code, 30);
    }
}

// ---- failed writes ----------------------------------------------------------------

TEST_F(ScanFileTest, WriteErrorsReportFailureAndKeepTheData)
{
    FakeSensor sensor({13.56}, {2}, 1);
    CWScan scan(&sensor, "run", 100);
    fillScan(scan, sensor, 5);
    QString full = "/dev/full";
    EXPECT_FALSE(scan.saveDat(full, "Quvix 2.8.0"));
    EXPECT_TRUE(scan.unsavedData);
    EXPECT_TRUE(scan.filePath.isEmpty());
    EXPECT_FALSE(scan.exportCsv(full, "Quvix 2.8.0", nullptr));
    EXPECT_FALSE(scan.exportText(full, "Quvix 2.8.0", -1.0, 100.0, nullptr));
    QString noFolder = path("missing/folder/scan.dat");
    EXPECT_FALSE(scan.saveDat(noFolder, "Quvix 2.8.0")); // no prompt: gives up
    EXPECT_EQ(scan.sampleCount(0), 5);
}

TEST_F(ScanFileTest, AFailedSaveLeavesThePreviousFileWhole)
{
    FakeSensor sensor({13.56}, {4}, 1);
    CWScan small(&sensor, "run", 100);
    fillScan(small, sensor, 2);
    QString file = path("keep.dat");
    ASSERT_TRUE(small.saveDat(file, "Quvix 2.8.0"));
    const QByteArray good = readAll(file);

    CWScan large(&sensor, "run", 100);
    fillScan(large, sensor, 400);
    // Files may not grow past the good one's size: the write fails midway.
    struct rlimit saved {
    };
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limited = saved;
    limited.rlim_cur = static_cast<rlim_t>(good.size() + 100);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    const bool saved2 = large.saveDat(file, "Quvix 2.8.0");
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(saved2);
    EXPECT_TRUE(large.unsavedData);
    EXPECT_EQ(readAll(file), good);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"keep.dat"});
}

TEST(FileNamePrompt, OffTheGuiThreadTheDialogsGiveUp)
{
    DialogFileNamePrompt prompt;
    QString answer = "unset";
    std::thread worker(
        [&] { answer = prompt.askForNewFileName("/x.dat", "Re-enter File name", "data file (*.dat)"); });
    worker.join();
    EXPECT_TRUE(answer.isEmpty());
}

// Stands in for the user who, told that a file cannot be created, types
// another name.
class TypedNamePrompt : public FileNamePrompt
{
public:
    explicit TypedNamePrompt(QString typed)
        : m_typed(std::move(typed))
    {
    }
    QString askForNewFileName(const QString&, const QString&, const QString&) override
    {
        ++asked;
        return m_typed;
    }
    int asked = 0;

private:
    QString m_typed;
};

// A retried name gets its writer's ending as the first answer does, so a
// scan file is always one the Load dialog offers and a CSV never lands on
// the scan file's name.
TEST_F(ScanFileTest, ARetriedNameGetsTheEndingOfItsFile)
{
    FakeSensor sensor({13.56}, {1}, 1);
    CWScan scan(&sensor, "", 100);
    fillScan(scan, sensor, 3);
    struct Case {
        bool scanFile;
        QString typed;
        QString written;
    };
    const Case cases[] = {
        {true, "x.csv", "x.csv.dat"}, {true, "x", "x.dat"},  {true, "x.dat", "x.dat"},
        {true, "x.DAT", "x.DAT"},     {false, "y", "y.csv"}, {false, "y.csv", "y.csv"},
        {false, "y.txt", "y.txt"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed.toStdString());
        QTemporaryDir folder(dir.filePath("XXXXXX"));
        ASSERT_TRUE(folder.isValid());
        TypedNamePrompt prompt(folder.filePath(c.typed));
        QString fileName = path("missing-folder/first");
        scan.unsavedData = true;
        const bool written = c.scanFile ? scan.saveDat(fileName, "Quvix 2.8.0", &prompt)
                                        : scan.exportCsv(fileName, "Quvix 2.8.0", nullptr, &prompt);
        ASSERT_TRUE(written);
        EXPECT_EQ(prompt.asked, 1);
        EXPECT_EQ(fileName, folder.filePath(c.written));
        EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList{c.written});
        EXPECT_EQ(scan.unsavedData, !c.scanFile);
    }
}

TEST_F(ScanFileTest, GoldenPulseProfileFile)
{
    FakeSensor sensor({2.0}, {1}, 3);
    PulseProfileScan scan(&sensor, "", 1.5, 20.0, 0.0, 2.0, 2.0, 8, 0.5);
    scan.start();
    const std::vector<double> sample{2.0, 0.0, 10.0, 0.0, 0.5, 30.0, 100.0, 20.0};
    while (!scan.isFinished())
        runPass(scan, sensor, sample, 24000);
    scan.created = fixedCreated();
    QString file = path("profile.dat");
    ASSERT_TRUE(scan.saveDat(file, "Quvix 2.8.0"));
    const QByteArray text = readAll(file);
    EXPECT_TRUE(text.contains("\nScan Type;Pulse Profile\n"));
    EXPECT_TRUE(text.contains(
        "\nTrigger Level;1.5\nTrigger Holdoff;18\nstart;0\nend ;2\nresolution;2\naverages;8\n"));
    EXPECT_TRUE(text.contains("\nTime Unit;time (us)\n"));
    EXPECT_TRUE(text.contains("\nQuvix Type;3\n"));
    EXPECT_TRUE(text.endsWith("Data\n"
                              "F1; 2; Harmonics ;1;\n"
                              "Time (time unit);F1 (MHz);02.00 MHz  Voltage 1 Volts;"
                              "02.00 MHz  Harmonic Phase 1 Degrees;02.00 MHz  Current 1 Amps;"
                              "02.00 MHz  Phase 1 Degrees;Pulse Period (us);Pulse On Time (us);\n"
                              "0.5;2;10;0;0.5;30;100;20;\n"
                              "2.5;2;10;0;0.5;30;100;20;\n"
                              "4.5;2;10;0;0.5;30;100;20;\n"))
        << text.toStdString();
}
