#include "support/screenshot.h"
#include "support/scriptedquestions.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QImage>
#include <QLabel>

TEST(ScriptedQuestions, AnswersInOrderAndKeepsWhatWasAsked)
{
    ScriptedQuestions questions;
    questions.choose(QStringLiteral("/tmp/a.csv"), QStringLiteral("CSV (*.csv)"))
        .chooseFiles({QStringLiteral("/tmp/1.dat"), QStringLiteral("/tmp/2.dat")})
        .cancelNext()
        .choose(QStringLiteral("chamber"));

    QString filter = QStringLiteral("All (*)");
    EXPECT_EQ(UserQuestions::saveFileName(nullptr, QStringLiteral("Save"), QStringLiteral("/data"),
                                          QStringLiteral("CSV (*.csv);;All (*)"), &filter),
              QStringLiteral("/tmp/a.csv"));
    EXPECT_EQ(filter, QStringLiteral("CSV (*.csv)"));
    EXPECT_EQ(
        UserQuestions::openFileNames(nullptr, QStringLiteral("Open"), QString(), QStringLiteral("*.dat")),
        (QStringList{QStringLiteral("/tmp/1.dat"), QStringLiteral("/tmp/2.dat")}));
    EXPECT_TRUE(
        UserQuestions::existingFolder(nullptr, QStringLiteral("Folder"), QStringLiteral("/data")).isEmpty());
    bool ok = false;
    EXPECT_EQ(UserQuestions::text(nullptr, QStringLiteral("Name"), QStringLiteral("Label"), QString(), &ok),
              QStringLiteral("chamber"));
    EXPECT_TRUE(ok);
    // Beyond the script: cancelled.
    EXPECT_TRUE(UserQuestions::text(nullptr, QStringLiteral("Name"), QStringLiteral("Label"), QString(), &ok)
                    .isEmpty());
    EXPECT_FALSE(ok);

    ASSERT_EQ(questions.asked.size(), 5);
    EXPECT_EQ(questions.asked[0].kind, UserQuestions::Kind::SaveFile);
    EXPECT_EQ(questions.asked[0].start, QStringLiteral("/data"));
    EXPECT_EQ(questions.asked[0].selectedFilter, QStringLiteral("All (*)"));
    EXPECT_EQ(questions.asked[1].kind, UserQuestions::Kind::OpenFiles);
    EXPECT_EQ(questions.asked[2].kind, UserQuestions::Kind::Folder);
    EXPECT_EQ(questions.asked[2].options, QFileDialog::ShowDirsOnly);
    EXPECT_EQ(questions.asked[3].label, QStringLiteral("Label"));
    EXPECT_EQ(questions.answersLeft(), 0);
}

TEST(ScriptedQuestions, NestedScriptsRestoreTheOuterOne)
{
    ScriptedQuestions outer;
    outer.choose(QStringLiteral("outer"));
    {
        ScriptedQuestions inner;
        inner.choose(QStringLiteral("inner"));
        EXPECT_EQ(UserQuestions::text(nullptr, QString(), QString()), QStringLiteral("inner"));
    }
    EXPECT_EQ(UserQuestions::text(nullptr, QString(), QString()), QStringLiteral("outer"));
}

TEST(ScriptedQuestions, WhatHappensWhileAQuestionIsOpenRunsBeforeItsAnswer)
{
    ScriptedQuestions questions;
    int answeredMeanwhile = -1;
    questions.choose(QStringLiteral("at once")).chooseWhile(QStringLiteral("later"), [&] {
        answeredMeanwhile = questions.answered();
    });
    EXPECT_EQ(UserQuestions::text(nullptr, QString(), QString()), QStringLiteral("at once"));
    EXPECT_EQ(answeredMeanwhile, -1);
    EXPECT_EQ(UserQuestions::text(nullptr, QString(), QString()), QStringLiteral("later"));
    EXPECT_EQ(answeredMeanwhile, 1);
    EXPECT_EQ(questions.answered(), 2);
}

TEST(Screenshot, KeepsTheWidgetPictureInTheArtifacts)
{
    QLabel label(QStringLiteral("picture"));
    label.resize(120, 40);
    const QString path = screenshot::keep(label, QStringLiteral("support-screenshot-check"));
    ASSERT_FALSE(path.isEmpty());
    EXPECT_EQ(QImage(path).size(), QSize(120, 40) * label.devicePixelRatioF());
    QFile::remove(path);
}
