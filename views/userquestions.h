#pragma once

#include <QFileDialog>
#include <QLineEdit>
#include <QString>
#include <QStringList>

class QWidget;

// The questions the program asks in the platform's standard dialogs: file
// and folder choosers and a line of text. Every window asks through here, so
// one answerer can take the user's place: the program shows the real
// dialogs; tests install an Answerer that answers at once and reads back
// what was asked.
// GUI thread only. The answerer is not owned; whoever installs it removes it
// (setAnswerer(nullptr)) before it is destroyed.
class UserQuestions
{
public:
    enum class Kind { SaveFile, OpenFile, OpenFiles, Folder, Text };

    struct Question {
        Kind kind = Kind::SaveFile;
        QString caption;
        // The folder or file a chooser starts at; a text question's preset.
        QString start;
        QString filters;
        QString selectedFilter;
        QString label;
        QFileDialog::Options options;
    };

    struct Answer {
        bool accepted = false;
        // The chosen files or folder, or the text typed.
        QStringList values;
        // The filter chosen in a file chooser; empty keeps the one given.
        QString filter;
    };

    class Answerer
    {
    public:
        virtual ~Answerer() = default;
        virtual Answer answer(const Question& question) = 0;
    };

    // Empty when cancelled. *selectedFilter, when given, presets the
    // chooser's filter and receives the one chosen.
    static QString saveFileName(QWidget* parent, const QString& caption, const QString& folder,
                                const QString& filters, QString* selectedFilter = nullptr,
                                QFileDialog::Options options = {});
    static QString openFileName(QWidget* parent, const QString& caption, const QString& folder,
                                const QString& filters, QString* selectedFilter = nullptr,
                                QFileDialog::Options options = {});
    static QStringList openFileNames(QWidget* parent, const QString& caption, const QString& folder,
                                     const QString& filters, QString* selectedFilter = nullptr,
                                     QFileDialog::Options options = {});
    static QString existingFolder(QWidget* parent, const QString& caption, const QString& folder,
                                  QFileDialog::Options options = QFileDialog::ShowDirsOnly);
    // *ok, when given, says whether the user accepted; the text is empty
    // when not.
    static QString text(QWidget* parent, const QString& title, const QString& label,
                        const QString& preset = QString(), bool* ok = nullptr,
                        QLineEdit::EchoMode echo = QLineEdit::Normal);

    // Answers instead of the dialogs from now on; nullptr brings the dialogs
    // back. Returns the answerer it replaces.
    static Answerer* setAnswerer(Answerer* answerer);
};
