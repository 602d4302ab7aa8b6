#include "scans/quantitytree.h"

#include "scans/trenddataset.h"

#include <gtest/gtest.h>

#include <QTreeWidgetItem>

#include <memory>

namespace {

BaseScan* const fakeScan = reinterpret_cast<BaseScan*>(0x1000);

const void* seriesOf(const QTreeWidgetItem* item)
{
    return item->data(0, SeriesRole).value<void*>();
}

QStringList childTexts(const QTreeWidgetItem* item)
{
    QStringList texts;
    for (int i = 0; i < item->childCount(); ++i)
        texts << item->child(i)->text(0);
    return texts;
}

std::unique_ptr<QTreeWidgetItem> treeOf(FrequencyRecord& record, int trendIndex = 2)
{
    return std::unique_ptr<QTreeWidgetItem>(QuantityTree::buildTreeItem(record, trendIndex, fakeScan));
}

} // namespace

struct RootCase {
    double frequency;
    const char* rootText;
    const char* rootTitle;
};

class QuantityTreeRoot : public ::testing::TestWithParam<RootCase>
{
};

TEST_P(QuantityTreeRoot, TextAndTitlePrefix)
{
    const RootCase& c = GetParam();
    FrequencyRecord record(c.frequency, 1, 1);
    const auto root = treeOf(record);
    EXPECT_EQ(root->text(0), c.rootText);
    EXPECT_EQ(root->data(0, CurveTitleRole).toString(), c.rootTitle);
    EXPECT_EQ(root->data(0, UnitRole).toString(), "MHz");
    EXPECT_EQ(seriesOf(root.get()), &record.frequencies);
}

INSTANTIATE_TEST_SUITE_P(Frequencies, QuantityTreeRoot,
                         ::testing::Values(RootCase{0.4, "Frequency 400 (kHz)", "F0.4 Frequency"},
                                           RootCase{150.0, "Frequency 150 (MHz)", "F150 Frequency"},
                                           RootCase{13.5678, "Frequency 13.57 (MHz)", "F13.57 Frequency"},
                                           RootCase{0.9999, "Frequency 999 (kHz)", "F0.9999 Frequency"}));

TEST(QuantityTree, BranchOrderRolesAndSeries)
{
    FrequencyRecord record(13.56, 2, 3);
    const auto root = treeOf(record, 4);
    EXPECT_EQ(childTexts(root.get()), (QStringList{"Power", "Forward Power", "Reflected Power", "Energy",
                                                   "SWR", "Ion Flux", "Fundamental", "Harmonic 2"}));
    const QTreeWidgetItem* power = root->child(0);
    EXPECT_EQ(power->data(0, CurveTitleRole).toString(), "F13.56 Power (Watts)");
    EXPECT_EQ(power->data(0, UnitRole).toString(), "W");
    EXPECT_EQ(power->data(0, ScanRole).value<void*>(), static_cast<void*>(fakeScan));
    EXPECT_EQ(power->data(0, TrendIndexRole).toInt(), 4);
    EXPECT_EQ(seriesOf(power), &record.power);
    EXPECT_EQ(root->child(3)->data(0, UnitRole).toString(), "J");
    EXPECT_EQ(root->child(5)->data(0, CurveTitleRole).toString(), "F13.56 (A/m2)");
    EXPECT_EQ(seriesOf(root->child(5)), &record.ionFlux);

    const QTreeWidgetItem* second = root->child(7);
    EXPECT_EQ(seriesOf(second), &record.voltage[1]);
    EXPECT_EQ(second->data(0, CurveTitleRole).toString(), "F13.56 H2 V (Volts)");
    EXPECT_EQ(childTexts(second),
              (QStringList{"Voltage", "Current", "Phase", "Impedance Imaginary", "Impedance Real",
                           "Impedance Magnitude", "Impedance Phase", "Current Imaginary", "Current Real",
                           "Current Magnitude", "Current Phase", "Harmonic Phase", "Gamma Imaginary",
                           "Gamma Real", "Gamma Magnitude", "Gamma Phase"}));
    const QTreeWidgetItem* current = second->child(1);
    EXPECT_EQ(current->data(0, CurveTitleRole).toString(), "F13.56 H2 I (Amps)");
    EXPECT_EQ(seriesOf(current), &record.current[1]);
    EXPECT_EQ(second->child(11)->data(0, CurveTitleRole).toString(), "F13.56 H2 Voltage Phase");
    EXPECT_EQ(seriesOf(second->child(11)), &record.voltagePhase[1]);
    EXPECT_EQ(second->child(12)->data(0, CurveTitleRole).toString(), "F13.56 H2 Gamma Imag.");
    EXPECT_EQ(root->child(6)->child(2)->data(0, CurveTitleRole).toString(), "F13.56 Fund P (Degrees)");
    EXPECT_EQ(seriesOf(root->child(6)->child(15)), &record.gammaPhase[0]);
}

TEST(QuantityTree, ScalarChannelsNameTheUnitTheyCarry)
{
    struct Channel {
        const char* text;
        const char* title;
        const char* unit;
        Series FrequencyRecord::*series;
    };
    const Channel channels[] = {
        {"Power", "F13.56 Power (Watts)", "W", &FrequencyRecord::power},
        {"Forward Power", "F13.56 Forward Power (Watts)", "W", &FrequencyRecord::forwardPower},
        {"Reflected Power", "F13.56 Reflected Power (Watts)", "W", &FrequencyRecord::reflectedPower},
        {"Energy", "F13.56 Energy (Joules)", "J", &FrequencyRecord::energy},
        {"SWR", "F13.56 SWR", "N/A", &FrequencyRecord::swr},
    };
    FrequencyRecord record(13.56, 1, 1);
    const auto root = treeOf(record);
    for (int i = 0; i < 5; ++i) {
        const Channel& expected = channels[i];
        const QTreeWidgetItem* item = root->child(i);
        SCOPED_TRACE(expected.text);
        EXPECT_EQ(item->text(0), expected.text);
        EXPECT_EQ(item->data(0, CurveTitleRole).toString(), expected.title);
        EXPECT_EQ(item->data(0, UnitRole).toString(), expected.unit);
        EXPECT_EQ(seriesOf(item), &(record.*expected.series));
    }
}

TEST(QuantityTree, NoIonFluxOffItsSensorAndNoGroupsWithoutHarmonics)
{
    FrequencyRecord plain(2.0, 1, 1);
    EXPECT_EQ(childTexts(treeOf(plain).get()),
              (QStringList{"Power", "Forward Power", "Reflected Power", "Energy", "SWR", "Fundamental"}));
    FrequencyRecord bare(2.0, 0, 3);
    EXPECT_EQ(childTexts(treeOf(bare).get()),
              (QStringList{"Power", "Forward Power", "Reflected Power", "Energy", "SWR", "Ion Flux"}));
}

TEST(TrendTree, PulseItemsAndTrendLabel)
{
    TrendDataSet set(1, 12.345, 1);
    set.addRecord(13.56, 1);
    QTreeWidgetItem parent;
    parent.setText(0, "scan");
    set.addTreeItems(&parent, false, fakeScan, 0);
    EXPECT_EQ(parent.childCount(), 1); // no pulse data yet
    EXPECT_EQ(parent.text(0), "scan");

    const std::vector<double> sample{13.56, 0.0, 10.0, 0.0, 1.0, 0.0, 100.0, 30.0};
    set.appendSample(sample.data(), static_cast<int>(sample.size()), 0.0, 0);
    QTreeWidgetItem labelled;
    set.addTreeItems(&labelled, true, fakeScan, 1);
    EXPECT_EQ(childTexts(&labelled), (QStringList{"Frequency 13.56 (MHz)", "Pulse Period", "Pulse On Time",
                                                  "Pulse Frequency", "Pulse Duty Cycle"}));
    EXPECT_EQ(labelled.text(0), "Trend 2. Pulse Period % : 12.35");
    const QTreeWidgetItem* period = labelled.child(1);
    EXPECT_EQ(seriesOf(period), &set.pulsePeriod);
    EXPECT_EQ(period->data(0, CurveTitleRole).toString(), "Pulse Period (us)");
    EXPECT_EQ(period->data(0, UnitRole).toString(), "&micro;s<b></b>");
    EXPECT_EQ(period->data(0, TrendIndexRole).toInt(), 1);
    EXPECT_EQ(seriesOf(labelled.child(4)), &set.pulseDutyCycle);
    EXPECT_EQ(labelled.child(4)->data(0, UnitRole).toString(), "%");

    TrendDataSet timeTrend(1, 250.0, 0);
    QTreeWidgetItem timeParent;
    timeTrend.addTreeItems(&timeParent, true, fakeScan, 0);
    EXPECT_EQ(timeParent.text(0), QString::fromUtf8("Trend 1. Time \xC2\xB5s : 250"));
}
