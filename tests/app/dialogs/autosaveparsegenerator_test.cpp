// The "Autosave Name" dialog: the tag list, editing the pattern, and which
// patterns and folders OK lets through.

#include "app/dialogs/autosaveparsegenerator.h"
#include "app/qstringprinter.h"
#include "scans/scanhandler.h"
#include "support/messageboxanswer.h"

#include <gtest/gtest.h>

#include <QDialogButtonBox>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace {

template <typename T> T* find(const QDialog& dialog, const char* name)
{
    T* widget = dialog.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
}

void clickOk(const autosaveParseGenerator& dialog)
{
    find<QDialogButtonBox>(dialog, "buttonBox")->button(QDialogButtonBox::Ok)->click();
}

TEST(AutosaveParseGenerator, ListsTheRegistryTagsInOrder)
{
    const autosaveParseGenerator dialog(QStringLiteral("<nick>"), QString());
    EXPECT_EQ(dialog.windowTitle(), "Autosave Name");
    EXPECT_EQ(find<QLineEdit>(dialog, "text")->text(), "<nick>");
    const QList<AutosaveTag>& tags = ScanHandler::getInstance()->autosaveTags();
    auto* list = find<QListWidget>(dialog, "dictionnary");
    ASSERT_EQ(list->count(), 15);
    ASSERT_EQ(tags.size(), 15);
    for (int i = 0; i < tags.size(); ++i) {
        EXPECT_EQ(list->item(i)->text(), tags[i].displayName);
        EXPECT_EQ(list->item(i)->data(Qt::UserRole).toString(), tags[i].tag);
    }
    EXPECT_EQ(list->item(2)->text(), "Full Date");
    EXPECT_EQ(list->item(14)->data(Qt::UserRole).toString(), "<eventThresholdLevel>");
}

TEST(AutosaveParseGenerator, DoubleClickInsertsTheTagAtTheCursor)
{
    autosaveParseGenerator dialog(QStringLiteral("ab"), QString());
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    auto* text = find<QLineEdit>(dialog, "text");
    auto* list = find<QListWidget>(dialog, "dictionnary");
    QListWidgetItem* fullDate = list->findItems(QStringLiteral("Full Date"), Qt::MatchExactly).value(0);
    ASSERT_NE(fullDate, nullptr);
    list->scrollToItem(fullDate);
    const QPoint where = list->visualItemRect(fullDate).center();
    // A real double-click: the first click's press, then the double-click.
    const auto doubleClick = [&] {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, where);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, where);
    };

    text->setCursorPosition(1);
    doubleClick();
    EXPECT_EQ(dialog.text(), "a<fulldate>b");

    text->setSelection(0, 1);
    doubleClick();
    EXPECT_EQ(dialog.text(), "<fulldate><fulldate>b");
}

TEST(AutosaveParseGenerator, ClearEmptiesAndDefaultRestores)
{
    autosaveParseGenerator dialog(QStringLiteral("<nick>_x"), QString());
    dialog.show();
    find<QPushButton>(dialog, "clearButton")->click();
    EXPECT_EQ(dialog.text(), "");
    find<QPushButton>(dialog, "defaultButton")->click();
    EXPECT_EQ(dialog.text(), "<scantype>-<fulldate>");
    EXPECT_EQ(dialog.text(), autosaveParseGenerator::defaultPattern());
}

TEST(AutosaveParseGenerator, CancelClosesWithoutChecking)
{
    autosaveParseGenerator dialog(QStringLiteral("a:<"), QStringLiteral("/nonexistent/folder"));
    dialog.show();
    find<QDialogButtonBox>(dialog, "buttonBox")->button(QDialogButtonBox::Cancel)->click();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_FALSE(dialog.isVisible());
}

const QString forbiddenLine = QStringLiteral("Filename can't contain the following characters : |:\\\"?*/\n");
const QString bracketLine = QStringLiteral("Mismatched opening and closing brackets\n");
const QString parentLine = QStringLiteral("Filename can't contain \"..\"\n");

struct PatternCase {
    const char* pattern;
    QString warning; // empty: accepted without any box
};

TEST(AutosaveParseGenerator, AcceptsOnlyPatternsUsableInFileNames)
{
    const PatternCase cases[] = {
        {"", {}},
        {"<scantype>-<fulldate>", {}},
        {"<scantype", bracketLine},
        {":<", forbiddenLine + bracketLine},
        // Brackets are only counted, not paired.
        {"a>b<", {}},
        // A name in the autosave folder, never one beside or below it.
        {"runs/<nick>", forbiddenLine},
        {"../escaped", forbiddenLine + parentLine},
        {"..", parentLine},
        {"a..b<", parentLine + bracketLine},
        {"a.b", {}},
        {"a|b", forbiddenLine},
        {"a\\b", forbiddenLine},
        {"a\"b", forbiddenLine},
        {"a?b", forbiddenLine},
        {"a*b", forbiddenLine},
        {"<a>>", bracketLine},
    };
    for (const PatternCase& c : cases) {
        SCOPED_TRACE(c.pattern);
        autosaveParseGenerator dialog(QString::fromUtf8(c.pattern), QString());
        dialog.show();
        if (c.warning.isEmpty()) {
            // Any box would block here: none may open.
            clickOk(dialog);
            EXPECT_EQ(dialog.result(), QDialog::Accepted);
            EXPECT_FALSE(dialog.isVisible());
            continue;
        }
        MessageBoxAnswers boxes({QMessageBox::Ok});
        clickOk(dialog);
        EXPECT_EQ(dialog.result(), QDialog::Rejected);
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(dialog.text(), QString::fromUtf8(c.pattern));
        ASSERT_EQ(boxes.seen().size(), 1);
        EXPECT_EQ(boxes.seen()[0].title, "invalid filename");
        EXPECT_EQ(boxes.seen()[0].text, c.warning);
        EXPECT_EQ(boxes.seen()[0].icon, QMessageBox::Warning);
        EXPECT_EQ(boxes.seen()[0].buttons, QMessageBox::Ok);
    }
}

TEST(AutosaveParseGenerator, OffersToCreateAMissingFolder)
{
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const struct {
        const char* name;
        QString folder;
        const char* pattern;
        QList<QMessageBox::StandardButton> answers;
        bool created;
        bool accepted;
        QStringList titles;
    } cases[] = {
        {"yes creates it",
         root.filePath("made"),
         "<nick>",
         {QMessageBox::Yes},
         true,
         true,
         {"Autosave folder doesn't exist."}},
        {"no leaves it",
         root.filePath("declined"),
         "<nick>",
         {QMessageBox::No},
         false,
         true,
         {"Autosave folder doesn't exist."}},
        // One level only: a missing parent makes the creation fail, and the
        // pattern still decides.
        {"missing parent",
         root.filePath("absent/child"),
         "<nick>",
         {QMessageBox::Yes, QMessageBox::Ok},
         false,
         true,
         {"Autosave folder doesn't exist.", "unable to create dir"}},
        {"then a bad pattern",
         root.filePath("made-too"),
         "<nick",
         {QMessageBox::Yes, QMessageBox::Ok},
         true,
         false,
         {"Autosave folder doesn't exist.", "invalid filename"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        autosaveParseGenerator dialog(QString::fromUtf8(c.pattern), c.folder);
        dialog.show();
        MessageBoxAnswers boxes(c.answers);
        clickOk(dialog);
        EXPECT_EQ(QDir(c.folder).exists(), c.created);
        EXPECT_EQ(dialog.result(), c.accepted ? QDialog::Accepted : QDialog::Rejected);
        QStringList titles;
        for (const auto& box : boxes.seen())
            titles << box.title;
        EXPECT_EQ(titles, c.titles);
        ASSERT_FALSE(boxes.seen().isEmpty());
        const MessageBoxAnswers::SeenBox& question = boxes.seen()[0];
        EXPECT_EQ(question.text,
                  QStringLiteral("autosave folder \"%1\" does not exist. Do you want to create it ?")
                      .arg(c.folder));
        EXPECT_EQ(question.buttons, QMessageBox::Yes | QMessageBox::No);
        EXPECT_EQ(question.defaultButton, QMessageBox::NoButton);
        if (boxes.seen().size() > 1 && boxes.seen()[1].title == "unable to create dir") {
            EXPECT_EQ(boxes.seen()[1].text, "Unable to create directory, please check path.");
            EXPECT_EQ(boxes.seen()[1].icon, QMessageBox::Critical);
        }
    }
}

TEST(AutosaveParseGenerator, ExistingFolderIsNotQuestioned)
{
    QTemporaryDir root;
    autosaveParseGenerator dialog(QStringLiteral("<nick>"), root.path());
    dialog.show();
    clickOk(dialog);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

} // namespace
