// The autosave input dialog: the folder and the pattern change only through
// their choosers, and only when the chooser gives something usable.

#include "app/dialogs/autosaveinputdialog.h"

#include "app/dialogs/autosaveparsegenerator.h"
#include "app/qstringprinter.h"
#include "support/messageboxanswer.h"
#include "support/scriptedquestions.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

template <typename T> T* find(const QDialog& dialog, const char* name)
{
    T* widget = dialog.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
}

// Stands in for the user at the pattern dialog once it runs modally: types
// a pattern (unless null) and presses OK or Cancel.
class PatternDialogUser
{
public:
    PatternDialogUser(const char* pattern, QDialogButtonBox::StandardButton button)
    {
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this, pattern, button] {
            auto* dialog = qobject_cast<autosaveParseGenerator*>(QApplication::activeModalWidget());
            if (dialog == nullptr)
                return;
            m_timer.stop();
            startingPattern = dialog->text();
            if (pattern != nullptr)
                dialog->findChild<QLineEdit*>(QStringLiteral("text"))->setText(QString::fromUtf8(pattern));
            dialog->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"))->button(button)->click();
        });
        m_timer.start(10);
    }

    QString startingPattern;

private:
    QTimer m_timer;
};

TEST(AutosaveInputDialog, ShowsWhatTheCallerGives)
{
    const autosaveInputDialog dialog(QStringLiteral("/data/runs"), QStringLiteral("<nick>"));
    EXPECT_EQ(dialog.folder(), "/data/runs");
    EXPECT_EQ(dialog.name(), "<nick>");
    EXPECT_EQ(dialog.windowTitle(), "Dialog");
}

TEST(AutosaveInputDialog, FieldsTakeNoTyping)
{
    autosaveInputDialog dialog(QStringLiteral("/data/"), QStringLiteral("<nick>"));
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    for (const char* name : {"folder", "name"}) {
        auto* field = find<QLineEdit>(dialog, name);
        field->setFocus();
        QTest::keyClicks(field, QStringLiteral("x"));
        QTest::keyClick(field, Qt::Key_Backspace);
    }
    EXPECT_EQ(dialog.folder(), "/data/");
    EXPECT_EQ(dialog.name(), "<nick>");
}

TEST(AutosaveInputDialog, CancelledChooserChangesNothing)
{
    autosaveInputDialog dialog(QStringLiteral("/data/runs"), QStringLiteral("<nick>"));
    ScriptedQuestions questions;
    questions.cancelNext();
    find<QPushButton>(dialog, "setFolder")->click();
    EXPECT_EQ(dialog.folder(), "/data/runs");
    ASSERT_EQ(questions.asked.size(), 1);
    EXPECT_EQ(questions.asked[0].kind, UserQuestions::Kind::Folder);
    EXPECT_EQ(questions.asked[0].caption, "Choose folder");
    EXPECT_EQ(questions.asked[0].start, "/data/runs");
    EXPECT_EQ(questions.asked[0].options, QFileDialog::Options());
}

TEST(AutosaveInputDialog, ChosenFolderExistsAndEndsWithASlash)
{
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const QString existing = root.path();
    const QString missing = root.filePath(QStringLiteral("new/deeper"));
    for (const QString& chosen : {existing, missing}) {
        SCOPED_TRACE(chosen.toStdString());
        autosaveInputDialog dialog{QString(), QString()};
        ScriptedQuestions questions;
        questions.choose(chosen);
        find<QPushButton>(dialog, "setFolder")->click();
        EXPECT_EQ(dialog.folder(), chosen + "/");
        EXPECT_TRUE(QDir(chosen).exists());
    }
}

TEST(AutosaveInputDialog, UncreatableFolderWarnsAndKeepsTheField)
{
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    QFile blocker(root.filePath(QStringLiteral("plain-file")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    autosaveInputDialog dialog(QStringLiteral("/data/runs/"), QString());
    dialog.show();
    ScriptedQuestions questions;
    questions.choose(root.filePath(QStringLiteral("plain-file/sub")));
    MessageBoxAnswers boxes({QMessageBox::Ok});
    find<QPushButton>(dialog, "setFolder")->click();
    EXPECT_EQ(dialog.folder(), "/data/runs/");
    ASSERT_EQ(boxes.seen().size(), 1);
    EXPECT_EQ(boxes.seen()[0].title, "unable to create dir");
    EXPECT_EQ(boxes.seen()[0].icon, QMessageBox::Warning);
}

TEST(AutosaveInputDialog, PatternIsTakenOnlyWhenAccepted)
{
    const struct {
        const char* name;
        const char* typed;
        QDialogButtonBox::StandardButton button;
        const char* expected;
    } cases[] = {
        {"cancelled", "<serial>", QDialogButtonBox::Cancel, "<nick>_x"},
        {"accepted", "<serial>-<day>", QDialogButtonBox::Ok, "<serial>-<day>"},
        {"accepted empty", "", QDialogButtonBox::Ok, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        autosaveInputDialog dialog(QStringLiteral("/nonexistent/folder/"), QStringLiteral("<nick>_x"));
        dialog.show();
        PatternDialogUser user(c.typed, c.button);
        // The pattern dialog checks no folder: no question may open here.
        find<QPushButton>(dialog, "setName")->click();
        EXPECT_EQ(user.startingPattern, "<nick>_x");
        EXPECT_EQ(dialog.name(), c.expected);
        EXPECT_EQ(dialog.folder(), "/nonexistent/folder/");
    }
}

} // namespace
