// The forms of the auto-start and autosave dialogs on plain dialogs: what
// they set up by themselves and which connections they make on their own.

#include "app/qstringprinter.h"
#include "ui_autosaveinputdialog.h"
#include "ui_autosaveparsegenerator.h"
#include "ui_autostartdialog.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QSignalSpy>
#include <QTest>

namespace {

TEST(AutoStartForm, StartsWithTheFormsChecksAndEmptyLists)
{
    QDialog dialog;
    Ui_autoStartDialog form;
    form.setupUi(&dialog);
    EXPECT_EQ(dialog.objectName(), "autoStartDialog");
    EXPECT_EQ(dialog.windowTitle(), "Auto Start Menu");
    EXPECT_EQ(dialog.size(), QSize(1027, 585));
    EXPECT_TRUE(form.startOver->isChecked());
    EXPECT_TRUE(form.stopBelow->isChecked());
    EXPECT_TRUE(form.continueMonitoring->isChecked());
    ASSERT_EQ(form.stopCondition->count(), 2);
    EXPECT_EQ(form.stopCondition->currentText(), "Duration");
    EXPECT_EQ(form.stopCondition->itemText(1), "Stop Threshold");
    EXPECT_EQ(form.startParameter->count(), 0);
    EXPECT_EQ(form.stopParameter->count(), 0);
    EXPECT_EQ(form.frequencyBox->count(), 0);
    EXPECT_EQ(form.startUnitLabel->text(), "Volts");
    EXPECT_EQ(form.stopUnitLabel->text(), "Amps");
    EXPECT_EQ(form.useSameThresholdsButton->text(), "=>");
    dialog.show();
    const struct {
        QDoubleSpinBox* box;
        double maximum;
    } boxes[] = {{form.thresholdStart, 1e62},
                 {form.thresholdStop, 1e86},
                 {form.scanDuration, 99999.0},
                 {form.preDuration, 99.99},
                 {form.postDuration, 99.99}};
    for (const auto& b : boxes) {
        EXPECT_EQ(b.box->text(), "0.00") << b.box->objectName().toStdString();
        EXPECT_DOUBLE_EQ(b.box->maximum(), b.maximum) << b.box->objectName().toStdString();
    }
    EXPECT_EQ(form.stackedWidget->count(), 1);
    EXPECT_EQ(form.stackedWidget->currentWidget(), form.page);
    EXPECT_EQ(form.imageFrame->geometry(), QRect(-200, -150, 1401, 891));
    EXPECT_EQ(form.imageFrame->styleSheet(),
              "QFrame#imageFrame\n{\nimage: url(:/images/Images/AutostartWave.png);\n}");
}

TEST(AutoStartForm, TheThreeButtonPairsAreIndependent)
{
    QDialog dialog;
    Ui_autoStartDialog form;
    form.setupUi(&dialog);
    form.stopOver->click();
    EXPECT_FALSE(form.stopBelow->isChecked());
    EXPECT_TRUE(form.startOver->isChecked());
    EXPECT_TRUE(form.continueMonitoring->isChecked());
    form.startBelow->click();
    EXPECT_FALSE(form.startOver->isChecked());
    EXPECT_TRUE(form.stopOver->isChecked());
    form.stopMonitoring->click();
    EXPECT_FALSE(form.continueMonitoring->isChecked());
    EXPECT_TRUE(form.startBelow->isChecked());
    EXPECT_TRUE(form.stopOver->isChecked());
    for (QButtonGroup* group : {form.buttonGroup, form.buttonGroup_2, form.buttonGroup_3})
        EXPECT_TRUE(group->exclusive());
}

TEST(AutoStartForm, OkAndCancelDoNothingWithoutTheDialogClass)
{
    QDialog dialog;
    Ui_autoStartDialog form;
    form.setupUi(&dialog);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    QSignalSpy finished(&dialog, &QDialog::finished);
    form.okButton->click();
    form.cancelButton->click();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(finished.count(), 0);
    // The button row sits right-aligned in its strip at the dialog's foot.
    EXPECT_EQ(form.layoutWidget_2->mapTo(&dialog, QPoint(0, 0)), QPoint(810, 540));
    EXPECT_EQ(form.layoutWidget_2->size(), QSize(204, 25));
    EXPECT_EQ(form.cancelButton->geometry().right(), form.layoutWidget_2->width() - 1);
}

TEST(AutoStartForm, PictureIsFullHd)
{
    const QImage picture(QStringLiteral(":/images/Images/AutostartWave.png"));
    EXPECT_EQ(picture.size(), QSize(1920, 1080));
}

TEST(AutosaveInputForm, ButtonBoxAcceptsAndRejects)
{
    for (const auto button : {QDialogButtonBox::Ok, QDialogButtonBox::Cancel}) {
        QDialog dialog;
        Ui_autosaveInputDialog form;
        form.setupUi(&dialog);
        dialog.show();
        form.buttonBox->button(button)->click();
        EXPECT_EQ(dialog.result(), button == QDialogButtonBox::Ok ? QDialog::Accepted : QDialog::Rejected);
        EXPECT_FALSE(dialog.isVisible());
    }
}

TEST(AutosaveInputForm, FieldsTakeNoTyping)
{
    QDialog dialog;
    Ui_autosaveInputDialog form;
    form.setupUi(&dialog);
    EXPECT_EQ(dialog.windowTitle(), "Dialog");
    EXPECT_EQ(form.label->text(), "Autosave Target Folder ");
    EXPECT_EQ(form.label_2->text(), "Autosave File Name");
    EXPECT_EQ(form.setFolder->text(), "Set");
    EXPECT_EQ(form.setName->text(), "Set");
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    for (QLineEdit* field : {form.folder, form.name}) {
        field->setFocus();
        QTest::keyClicks(field, QStringLiteral("typed"));
        EXPECT_EQ(field->text(), "");
    }
}

// Counts the calls of the overridden accept that the form's OK reaches.
class CountingDialog : public QDialog
{
public:
    void accept() override { ++accepts; }
    int accepts = 0;
};

TEST(AutosaveNameForm, OkReachesTheDialogsOwnAcceptOnce)
{
    CountingDialog dialog;
    dialog.setObjectName(QStringLiteral("kept"));
    Ui_autosaveParseGenerator form;
    form.setupUi(&dialog);
    EXPECT_EQ(dialog.objectName(), "kept");
    EXPECT_EQ(dialog.windowTitle(), "Autosave Name");
    EXPECT_EQ(form.dictionnary->count(), 0);
    EXPECT_EQ(form.text->text(), "");
    dialog.show();
    form.buttonBox->button(QDialogButtonBox::Ok)->click();
    EXPECT_EQ(dialog.accepts, 1);
    EXPECT_TRUE(dialog.isVisible());
    form.defaultButton->click();
    form.clearButton->click();
    EXPECT_TRUE(dialog.isVisible());
    form.buttonBox->button(QDialogButtonBox::Cancel)->click();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_FALSE(dialog.isVisible());
}

} // namespace
