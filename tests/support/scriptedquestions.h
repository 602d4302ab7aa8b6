#pragma once

#include "views/userquestions.h"

#include <QList>
#include <QString>
#include <QStringList>

// A test's stand-in for the user at the file and folder choosers and text
// questions: while it lives, every question is answered with the next
// scripted answer (a question beyond the script is cancelled), and each one
// asked is kept in `asked`. GUI thread only; restores the answerer it
// replaced when destroyed.
class ScriptedQuestions : public UserQuestions::Answerer
{
public:
    ScriptedQuestions() { m_replaced = UserQuestions::setAnswerer(this); }
    ~ScriptedQuestions() override { UserQuestions::setAnswerer(m_replaced); }
    ScriptedQuestions(const ScriptedQuestions&) = delete;
    ScriptedQuestions& operator=(const ScriptedQuestions&) = delete;

    // The next question gets this file, folder or text; a file chooser also
    // reports `filter` as the filter chosen.
    ScriptedQuestions& choose(const QString& value, const QString& filter = QString())
    {
        m_script.append({true, {value}, filter});
        return *this;
    }
    ScriptedQuestions& chooseFiles(const QStringList& files)
    {
        m_script.append({true, files, QString()});
        return *this;
    }
    ScriptedQuestions& cancelNext()
    {
        m_script.append({false, {}, QString()});
        return *this;
    }

    int answersLeft() const { return m_script.size(); }

    UserQuestions::Answer answer(const UserQuestions::Question& question) override
    {
        asked.append(question);
        return m_script.isEmpty() ? UserQuestions::Answer{} : m_script.takeFirst();
    }

    QList<UserQuestions::Question> asked;

private:
    QList<UserQuestions::Answer> m_script;
    UserQuestions::Answerer* m_replaced = nullptr;
};
