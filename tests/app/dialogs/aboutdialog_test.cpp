// The about box: its fixed form on a plain dialog, and the dialog that puts
// the program's version into it and can only be closed.

#include "app/dialogs/aboutdialog.h"

#include "app/qstringprinter.h"
#include "ui_aboutdialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

TEST(AboutForm, FixedWindowWithItsWidgetsInPlace)
{
    QDialog dialog;
    Ui_AboutDialog form;
    form.setupUi(&dialog);
    EXPECT_EQ(dialog.objectName(), "AboutDialog");
    EXPECT_EQ(dialog.windowTitle(), "About");
    EXPECT_EQ(dialog.size(), QSize(500, 300));
    EXPECT_EQ(dialog.minimumSize(), QSize(500, 300));
    EXPECT_EQ(dialog.maximumSize(), QSize(500, 300));
    EXPECT_EQ(dialog.sizePolicy().horizontalPolicy(), QSizePolicy::Fixed);
    EXPECT_EQ(dialog.sizePolicy().verticalPolicy(), QSizePolicy::Fixed);
    EXPECT_TRUE(dialog.testAttribute(Qt::WA_SetWindowIcon));
    EXPECT_EQ(dialog.layout(), nullptr);

    const struct {
        QWidget* widget;
        QWidget* parent;
        QRect geometry;
    } placed[] = {
        {form.buttonBox, &dialog, {80, 260, 341, 32}},  {form.label, &dialog, {120, 130, 301, 25}},
        {form.lbVersion, &dialog, {120, 170, 281, 16}}, {form.label_4, &dialog, {120, 200, 301, 16}},
        {form.frame, &dialog, {0, 0, 501, 101}},        {form.label_2, form.frame, {20, 10, 201, 76}},
        {form.line, &dialog, {0, 90, 501, 21}},
    };
    for (const auto& p : placed) {
        EXPECT_EQ(p.widget->parentWidget(), p.parent) << p.widget->objectName().toStdString();
        EXPECT_EQ(p.widget->geometry(), p.geometry) << p.widget->objectName().toStdString();
    }
    // The rule is drawn over the banner's bottom edge.
    EXPECT_GT(dialog.children().indexOf(form.line), dialog.children().indexOf(form.frame));

    EXPECT_EQ(form.label->text(), "Quvix Application");
    EXPECT_EQ(form.label->font().pointSize(), 16);
    EXPECT_EQ(form.lbVersion->text(), "Version 2.0 (Build xxx)");
    EXPECT_EQ(form.lbVersion->font().pointSize(), 10);
    EXPECT_EQ(form.label_4->font(), form.lbVersion->font());
    EXPECT_FALSE(form.label_4->text().isEmpty());
    EXPECT_FALSE(form.label_4->text().contains(QLatin1Char('\n')));
    EXPECT_LE(form.label_4->fontMetrics().horizontalAdvance(form.label_4->text()), 301);
}

TEST(AboutForm, RedBannerWithTheLogoAndABlackRule)
{
    QDialog dialog;
    Ui_AboutDialog form;
    form.setupUi(&dialog);
    const QColor accent(164, 0, 26);
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        for (QPalette::ColorRole role : {QPalette::Button, QPalette::Base, QPalette::Window})
            EXPECT_EQ(form.frame->palette().color(group, role), accent) << group << " " << role;
        for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
            EXPECT_EQ(form.line->palette().color(group, role), QColor(Qt::black)) << group << " " << role;
    }
    EXPECT_EQ(form.frame->styleSheet(), "background-color:rgb(164, 0, 26);");
    EXPECT_FALSE(form.frame->autoFillBackground());
    EXPECT_EQ(form.frame->frameShape(), QFrame::NoFrame);
    EXPECT_EQ(form.frame->minimumSize(), QSize(501, 101));
    EXPECT_EQ(form.frame->maximumSize(), QSize(501, 101));

    EXPECT_EQ(form.line->styleSheet(), "color:rgb(0, 0, 0)");
    EXPECT_EQ(form.line->frameShape(), QFrame::HLine);
    EXPECT_EQ(form.line->frameShadow(), QFrame::Plain);
    EXPECT_EQ(form.line->lineWidth(), 4);

    EXPECT_TRUE(form.label_2->text().isEmpty());
    EXPECT_TRUE(form.label_2->hasScaledContents());
    EXPECT_EQ(form.label_2->lineWidth(), 0);
    const QImage logo = form.label_2->pixmap(Qt::ReturnByValue).toImage();
    ASSERT_FALSE(logo.isNull());
    EXPECT_EQ(logo, QPixmap(QStringLiteral(":/images/Images/quorvane.png")).toImage());
}

TEST(AboutForm, OnlyACloseButtonThatRejects)
{
    QDialog dialog;
    Ui_AboutDialog form;
    form.setupUi(&dialog);
    const QList<QAbstractButton*> buttons = form.buttonBox->buttons();
    ASSERT_EQ(buttons.size(), 1);
    EXPECT_EQ(form.buttonBox->standardButton(buttons.front()), QDialogButtonBox::Close);
    EXPECT_EQ(form.buttonBox->buttonRole(buttons.front()), QDialogButtonBox::RejectRole);
    EXPECT_FALSE(form.buttonBox->centerButtons());
    EXPECT_EQ(form.buttonBox->orientation(), Qt::Horizontal);
    QSignalSpy accepted(&dialog, &QDialog::accepted);
    QSignalSpy rejected(&dialog, &QDialog::rejected);
    dialog.show();
    buttons.front()->click();
    EXPECT_EQ(rejected.size(), 1);
    EXPECT_EQ(accepted.size(), 0);
    // The form's accepted() connection exists even though no button emits it.
    emit form.buttonBox->accepted();
    EXPECT_EQ(accepted.size(), 1);
}

TEST(AboutDialog, ShowsTheProgramsVersionWithoutContextHelp)
{
    AboutDialog dialog;
    EXPECT_EQ(dialog.findChild<QLabel*>(QStringLiteral("lbVersion"))->text(), "Version 2.8.0 (Build 5907)");
    EXPECT_FALSE(dialog.windowFlags().testFlag(Qt::WindowContextHelpButtonHint));
    EXPECT_EQ(dialog.windowTitle(), "About");
    EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize());
}

// Each way a user ends the running dialog, and the result it gives.
TEST(AboutDialog, CloseButtonEscapeAndTitleBarAllReject)
{
    const struct {
        const char* how;
        std::function<void(AboutDialog&)> end;
    } ways[] = {
        {"Close button",
         [](AboutDialog& d) { d.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Close)->click(); }},
        {"Escape", [](AboutDialog& d) { QTest::keyClick(&d, Qt::Key_Escape); }},
        {"title bar", [](AboutDialog& d) { d.close(); }},
    };
    for (const auto& way : ways) {
        AboutDialog dialog;
        bool ranModally = false;
        QTimer::singleShot(0, &dialog, [&] {
            ranModally = QApplication::activeModalWidget() == &dialog;
            way.end(dialog);
        });
        EXPECT_EQ(dialog.exec(), QDialog::Rejected) << way.how;
        EXPECT_TRUE(ranModally) << way.how;
        EXPECT_FALSE(dialog.isVisible()) << way.how;
    }
}

} // namespace
