#include "scans/csvoptions.h"
#include "support/scanfactory.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <atomic>
#include <thread>

using namespace scantest;

namespace {

CsvOptionSet optionSet(const QString& delimiter, bool shortNames)
{
    CsvOptionSet options;
    options.delimiter = delimiter;
    options.useShortNames = shortNames;
    options.columns.fill(true);
    return options;
}

// Restores the test thread's CSV options afterwards.
class CsvOptionsAcrossThreads : public ::testing::Test
{
protected:
    void TearDown() override { applyCsvOptions(saved); }
    const CsvOptionSet saved = csvOptionsInView();
};

} // namespace

// A triggered recording saves on the sensor's thread while the user applies
// new options on the GUI thread: each file is written with one whole set.
TEST_F(CsvOptionsAcrossThreads, EachFileUsesOneWholeSet)
{
    FakeSensor sensor({13.56}, {2});
    auto scan = cwScan(sensor, 20);
    // ";" goes with long headings, a tab with short ones.
    const CsvOptionSet longSemicolon = optionSet(QStringLiteral(";"), false);
    const CsvOptionSet shortTab = optionSet(QStringLiteral("\t"), true);
    applyCsvOptions(longSemicolon);

    QTemporaryDir folder;
    std::atomic<bool> stop{false};
    std::atomic<int> written{0};
    std::thread writer([&] {
        for (int i = 0; !stop || i < 20; ++i) {
            QString path = folder.filePath(QStringLiteral("export-%1.csv").arg(i));
            if (scan->exportCsv(path, QStringLiteral("test"), nullptr))
                ++written;
            if (i > 5000)
                break;
        }
    });
    for (int i = 0; i < 2000; ++i)
        applyCsvOptions(i % 2 ? shortTab : longSemicolon);
    stop = true;
    writer.join();

    ASSERT_GE(written.load(), 20);
    int withTab = 0;
    for (const QString& name : QDir(folder.path()).entryList({QStringLiteral("*.csv")})) {
        QFile file(folder.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(file.readAll());
        const bool tab = text.contains(QLatin1Char('\t'));
        EXPECT_NE(tab, text.contains(QLatin1Char(';'))) << qPrintable(name);
        // Short headings name no quantity in full.
        EXPECT_EQ(tab, !text.contains(QStringLiteral("Voltage"))) << qPrintable(name);
        withTab += tab ? 1 : 0;
    }
    RecordProperty("files_with_tab", withTab);
}

// The applying thread sees its set at once; other threads only once they pin.
TEST_F(CsvOptionsAcrossThreads, OtherThreadsSeeTheSetOnlyWhenTheyPin)
{
    applyCsvOptions(optionSet(QStringLiteral(","), true));
    EXPECT_EQ(csvDelimiter, QStringLiteral(","));
    EXPECT_TRUE(csvColumnEnabled(4));
    EXPECT_FALSE(csvColumnEnabled(38));
    EXPECT_FALSE(csvColumnEnabled(-1));
    QString before;
    QString pinned;
    bool shortNames = false;
    std::thread reader([&] {
        before = csvDelimiter;
        pinAppliedCsvOptions();
        pinned = csvDelimiter;
        shortNames = csvUseShortNames;
    });
    reader.join();
    EXPECT_TRUE(before.isEmpty());
    EXPECT_EQ(pinned, QStringLiteral(","));
    EXPECT_TRUE(shortNames);
}
