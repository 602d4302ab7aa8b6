// The acquisition tab's autosave box and the folder and name it asks for.

#include "app/autosaveinputdialog.h"
#include "app/displaysettings.h"
#include "app/timetrendscantab.h"

#include "ui_scantab.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QTimer>

#include <memory>

namespace {

// Edits the next autosave dialog that opens and ends it with `result`.
void answerAutosaveDialog(const QString& folder, const QString& name, QDialog::DialogCode result, bool* seen)
{
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, poll, [=] {
        auto* dialog = qobject_cast<autosaveInputDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        *seen = true;
        dialog->findChild<QLineEdit*>(QStringLiteral("folder"))->setText(folder);
        dialog->findChild<QLineEdit*>(QStringLiteral("name"))->setText(name);
        dialog->done(result);
        poll->deleteLater();
    });
    poll->start(10);
}

TEST(ScanTabAutosave, TickingAsksForTheTargetAndOnlyAcceptanceChangesIt)
{
    DisplaySettings settings;
    timeTrendScanTab tab(&settings);
    tab.setAutosaveConfig(false, QStringLiteral("/data/old/"), QStringLiteral("old_<date>"));
    QCheckBox* box = tab.form().autosave;

    bool seen = false;
    answerAutosaveDialog(QStringLiteral("/data/new/"), QStringLiteral("new_<serial>"), QDialog::Rejected,
                         &seen);
    box->click();
    EXPECT_TRUE(seen);
    EXPECT_TRUE(box->isChecked());
    EXPECT_EQ(tab.autosaveFolder(), QStringLiteral("/data/old/"));
    EXPECT_EQ(tab.autosaveTitle(), QStringLiteral("old_<date>"));

    box->click(); // unticking asks nothing and keeps the target
    EXPECT_FALSE(box->isChecked());
    EXPECT_EQ(tab.autosaveFolder(), QStringLiteral("/data/old/"));

    seen = false;
    answerAutosaveDialog(QStringLiteral("/data/new/"), QStringLiteral("new_<serial>"), QDialog::Accepted,
                         &seen);
    box->click();
    EXPECT_TRUE(seen);
    EXPECT_TRUE(box->isChecked());
    EXPECT_EQ(tab.autosaveFolder(), QStringLiteral("/data/new/"));
    EXPECT_EQ(tab.autosaveTitle(), QStringLiteral("new_<serial>"));
}

} // namespace
