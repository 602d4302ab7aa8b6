// The preferences dialog stores each change at once, and the main window's
// close asks what it stored.

#include "app/dialogs/preferencedialog.h"

#include "app/mainwindow.h"
#include "app/recordingkeepawake.h"
#include "app/shellvalues.h"
#include "support/messageboxanswer.h"
#include "support/testenvironment.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QSettings>
#include <QTest>

namespace {

class PreferenceDialogTest : public ::testing::Test
{
protected:
    void SetUp() override { QSettings().clear(); }
    void TearDown() override { QSettings().clear(); }
    static QVariant stored(const QString& key) { return QSettings().value("Settings/" + key); }
};

TEST_F(PreferenceDialogTest, ShowsTheDefaultsAndItsFixedFrame)
{
    PreferenceDialog dialog;
    const Ui_PreferenceDialog& form = dialog.form();
    EXPECT_EQ(dialog.objectName(), "PreferenceDialog");
    EXPECT_EQ(dialog.windowTitle(), "Application Preferences");
    EXPECT_EQ(dialog.minimumSize(), QSize(400, 300));
    EXPECT_EQ(dialog.maximumSize(), QSize(400, 300));
    EXPECT_FALSE(dialog.windowFlags().testFlag(Qt::WindowContextHelpButtonHint));
    EXPECT_EQ(form.groupBox->title(), "Closing Application");
    EXPECT_EQ(form.displayWarningCheckBox->text(), "Request confirmation before closing application.");
    EXPECT_EQ(form.label->text(), "Confirmation dialog message:");
    EXPECT_FALSE(form.displayWarningCheckBox->isChecked());
    EXPECT_EQ(form.questionLineEdit->text(), closeQuestionText);
    EXPECT_EQ(form.questionLineEdit->text(), "Are you sure you would like to close the Quvix application ?");
    for (const char* name : {"groupBox", "displayWarningCheckBox", "label", "questionLineEdit"})
        EXPECT_NE(dialog.findChild<QWidget*>(name), nullptr) << name;
}

TEST_F(PreferenceDialogTest, OpeningAndClosingStoresNothing)
{
    {
        PreferenceDialog dialog;
        dialog.show();
        dialog.reject();
    }
    EXPECT_TRUE(QSettings().allKeys().isEmpty());

    QSettings().setValue("Settings/askBeforeYouClose", true);
    QSettings().setValue("Settings/warningQueryAsked", "Really?");
    PreferenceDialog dialog;
    EXPECT_TRUE(dialog.form().displayWarningCheckBox->isChecked());
    EXPECT_EQ(dialog.form().questionLineEdit->text(), "Really?");
    EXPECT_EQ(QSettings().allKeys().size(), 2);
}

TEST_F(PreferenceDialogTest, EveryChangeIsStoredAtOnce)
{
    PreferenceDialog dialog;
    dialog.show();
    dialog.form().displayWarningCheckBox->click();
    EXPECT_EQ(stored("askBeforeYouClose"), QVariant(true));
    EXPECT_FALSE(stored("warningQueryAsked").isValid());

    QLineEdit* question = dialog.form().questionLineEdit;
    question->clear();
    EXPECT_EQ(stored("warningQueryAsked").toString(), "");
    EXPECT_TRUE(stored("warningQueryAsked").isValid());
    QTest::keyClicks(question, "Go?");
    EXPECT_EQ(stored("warningQueryAsked").toString(), "Go?");
    QTest::keyClick(question, Qt::Key_Backspace);
    EXPECT_EQ(stored("warningQueryAsked").toString(), "Go");

    dialog.form().displayWarningCheckBox->click();
    EXPECT_EQ(stored("askBeforeYouClose"), QVariant(false));
}

TEST_F(PreferenceDialogTest, TheWindowsCloseAsksTheStoredQuestion)
{
    QUVIX_REQUIRE_NETLAB();
    MainWindow window(nullptr, std::make_unique<RecordingKeepAwake>());
    {
        PreferenceDialog dialog;
        dialog.form().displayWarningCheckBox->setChecked(true);
        dialog.form().questionLineEdit->setText("Leave now?");
    }
    MessageBoxAnswers boxes({QMessageBox::No});
    QCloseEvent event;
    QApplication::sendEvent(&window, &event);
    ASSERT_EQ(boxes.seen().size(), 1);
    EXPECT_EQ(boxes.seen()[0].text, "Leave now?");
    EXPECT_FALSE(event.isAccepted());
}

} // namespace
