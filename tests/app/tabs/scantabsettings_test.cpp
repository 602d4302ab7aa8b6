// The acquisition tab's entries kept between runs in the "Settings" group.

#include "app/dialogs/displaysettings.h"
#include "app/tabs/timetrendscantab.h"

#include "ui_scantab.h"
#include "views/sampleratewidget.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QSettings>

#include <memory>

namespace {

QVariant storedValue(const QString& key)
{
    QSettings settings;
    settings.beginGroup(QStringLiteral("Settings"));
    return settings.value(key);
}

class ScanTabSettings : public ::testing::Test
{
protected:
    void SetUp() override { QSettings().remove(QStringLiteral("Settings")); }
    void TearDown() override { QSettings().remove(QStringLiteral("Settings")); }

    DisplaySettings displaySettings;
};

TEST_F(ScanTabSettings, EmptySettingsGiveTheDefaultsAndDestructionWritesThem)
{
    auto tab = std::make_unique<timeTrendScanTab>(&displaySettings);
    Ui_scanTab& form = tab->form();
    EXPECT_EQ(tab->rateSelector().partValue(0), 0);
    EXPECT_EQ(tab->rateSelector().partValue(2), 10);
    EXPECT_EQ(tab->autosaveFolder(), QStringLiteral("."));
    EXPECT_EQ(tab->autosaveTitle(), QString());
    EXPECT_EQ(form.ifVoltDrop->text(), QStringLiteral("0"));
    EXPECT_EQ(form.ifEArea->text(), QStringLiteral("1"));
    EXPECT_EQ(form.ifResistance->text(), QStringLiteral("0"));

    tab.reset();
    const struct {
        const char* key;
        QVariant value;
    } written[] = {
        {"CWsampleRate", 0},
        {"CWsampleRate_ms", 10},
        {"savefilename", QStringLiteral("./")},
        {"autosaveTitle", QString()},
        {"autosavedir", QStringLiteral(".")},
        {"IFVoltDrop", QStringLiteral("0")},
        {"IFElectrodeArea", QStringLiteral("1")},
        {"IFResistance", QStringLiteral("0")},
    };
    for (const auto& entry : written) {
        const QVariant stored = storedValue(QLatin1String(entry.key));
        EXPECT_TRUE(stored.isValid()) << entry.key;
        EXPECT_EQ(stored.toString(), entry.value.toString()) << entry.key;
    }
}

TEST_F(ScanTabSettings, ValuesWrittenAtDestructionAreReadByANewTab)
{
    {
        QSettings settings;
        settings.beginGroup(QStringLiteral("Settings"));
        settings.setValue(QStringLiteral("savefilename"), QStringLiteral("/data/runs/last.dat"));
    }
    auto first = std::make_unique<timeTrendScanTab>(&displaySettings);
    const int lastEntry = static_cast<QComboBox*>(first->rateSelector().part(0))->count() - 1;
    ASSERT_GT(lastEntry, 0);
    first->rateSelector().setPartValue(0, lastEntry);
    first->rateSelector().setPartValue(2, 250);
    first->setAutosaveConfig(true, QStringLiteral("/data/auto"), QStringLiteral("run_{n}"));
    first->form().ifVoltDrop->setText(QStringLiteral("1.5"));
    first->form().ifEArea->setText(QStringLiteral("12.25"));
    first->form().ifResistance->setText(QStringLiteral("47"));
    first.reset();

    const timeTrendScanTab second(&displaySettings);
    EXPECT_EQ(second.rateSelector().partValue(0), lastEntry);
    EXPECT_EQ(second.rateSelector().partValue(2), 250);
    EXPECT_EQ(second.autosaveFolder(), QStringLiteral("/data/auto"));
    EXPECT_EQ(second.autosaveTitle(), QStringLiteral("run_{n}"));
    EXPECT_EQ(second.form().ifVoltDrop->text(), QStringLiteral("1.5"));
    EXPECT_EQ(second.form().ifEArea->text(), QStringLiteral("12.25"));
    EXPECT_EQ(second.form().ifResistance->text(), QStringLiteral("47"));
    // The save path has no widget of its own; it must survive untouched.
    EXPECT_EQ(storedValue(QStringLiteral("savefilename")).toString(), QStringLiteral("/data/runs/last.dat"));
}

} // namespace
