#include "views/userquestions.h"

#include <QInputDialog>

namespace {

// Set only by tests; read and written on the GUI thread.
UserQuestions::Answerer* currentAnswerer = nullptr;

UserQuestions::Question fileQuestion(UserQuestions::Kind kind, const QString& caption, const QString& folder,
                                     const QString& filters, const QString* selectedFilter,
                                     QFileDialog::Options options)
{
    UserQuestions::Question question;
    question.kind = kind;
    question.caption = caption;
    question.start = folder;
    question.filters = filters;
    question.selectedFilter = selectedFilter ? *selectedFilter : QString();
    question.options = options;
    return question;
}

// The answerer's reply to a file question, with the filter handed back.
QStringList answeredFiles(const UserQuestions::Question& question, QString* selectedFilter)
{
    const UserQuestions::Answer answer = currentAnswerer->answer(question);
    if (!answer.accepted)
        return {};
    if (selectedFilter && !answer.filter.isEmpty())
        *selectedFilter = answer.filter;
    return answer.values;
}

// QFileDialog's choosers of one file, which take the same arguments.
using OneFileDialog = QString (*)(QWidget*, const QString&, const QString&, const QString&, QString*,
                                  QFileDialog::Options);

// A question for one file: the answerer's reply when one is installed, else
// the user's choice in the dialog.
QString askForOneFile(UserQuestions::Kind kind, OneFileDialog dialog, QWidget* parent, const QString& caption,
                      const QString& folder, const QString& filters, QString* selectedFilter,
                      QFileDialog::Options options)
{
    if (!currentAnswerer)
        return dialog(parent, caption, folder, filters, selectedFilter, options);
    return answeredFiles(fileQuestion(kind, caption, folder, filters, selectedFilter, options),
                         selectedFilter)
        .value(0);
}

} // namespace

QString UserQuestions::saveFileName(QWidget* parent, const QString& caption, const QString& folder,
                                    const QString& filters, QString* selectedFilter,
                                    QFileDialog::Options options)
{
    return askForOneFile(Kind::SaveFile, &QFileDialog::getSaveFileName, parent, caption, folder, filters,
                         selectedFilter, options);
}

QString UserQuestions::openFileName(QWidget* parent, const QString& caption, const QString& folder,
                                    const QString& filters, QString* selectedFilter,
                                    QFileDialog::Options options)
{
    return askForOneFile(Kind::OpenFile, &QFileDialog::getOpenFileName, parent, caption, folder, filters,
                         selectedFilter, options);
}

QStringList UserQuestions::openFileNames(QWidget* parent, const QString& caption, const QString& folder,
                                         const QString& filters, QString* selectedFilter,
                                         QFileDialog::Options options)
{
    if (!currentAnswerer)
        return QFileDialog::getOpenFileNames(parent, caption, folder, filters, selectedFilter, options);
    return answeredFiles(fileQuestion(Kind::OpenFiles, caption, folder, filters, selectedFilter, options),
                         selectedFilter);
}

QString UserQuestions::existingFolder(QWidget* parent, const QString& caption, const QString& folder,
                                      QFileDialog::Options options)
{
    if (!currentAnswerer)
        return QFileDialog::getExistingDirectory(parent, caption, folder, options);
    return answeredFiles(fileQuestion(Kind::Folder, caption, folder, QString(), nullptr, options), nullptr)
        .value(0);
}

QString UserQuestions::text(QWidget* parent, const QString& title, const QString& label,
                            const QString& preset, bool* ok, QLineEdit::EchoMode echo)
{
    if (!currentAnswerer)
        return QInputDialog::getText(parent, title, label, echo, preset, ok);
    Question question;
    question.kind = Kind::Text;
    question.caption = title;
    question.label = label;
    question.start = preset;
    const Answer answer = currentAnswerer->answer(question);
    if (ok)
        *ok = answer.accepted;
    return answer.accepted ? answer.values.value(0) : QString();
}

UserQuestions::Answerer* UserQuestions::setAnswerer(Answerer* answerer)
{
    Answerer* replaced = currentAnswerer;
    currentAnswerer = answerer;
    return replaced;
}
