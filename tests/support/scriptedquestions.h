#pragma once

#include "views/userquestions.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

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
        m_script.append(Step{{true, {value}, filter}});
        return *this;
    }
    ScriptedQuestions& chooseFiles(const QStringList& files)
    {
        m_script.append(Step{{true, files, QString()}});
        return *this;
    }
    ScriptedQuestions& cancelNext()
    {
        m_script.append(Step{{false, {}, QString()}});
        return *this;
    }
    // As choose(), but `meanwhile` runs while the question is open, as what
    // the event loop of the real dialog runs (a scan that a sensor finished
    // meanwhile completes there, say).
    ScriptedQuestions& chooseWhile(const QString& value, std::function<void()> meanwhile)
    {
        m_script.append(Step{{true, {value}, QString()}, std::move(meanwhile)});
        return *this;
    }

    int answersLeft() const { return m_script.size(); }
    // The questions asked that have had their answer.
    int answered() const { return m_answered; }

    UserQuestions::Answer answer(const UserQuestions::Question& question) override
    {
        asked.append(question);
        const Step next = m_script.isEmpty() ? Step{} : m_script.takeFirst();
        if (next.meanwhile)
            next.meanwhile();
        ++m_answered;
        return next.answer;
    }

    QList<UserQuestions::Question> asked;

private:
    struct Step {
        UserQuestions::Answer answer;
        std::function<void()> meanwhile;
    };
    QList<Step> m_script;
    int m_answered = 0;
    UserQuestions::Answerer* m_replaced = nullptr;
};
