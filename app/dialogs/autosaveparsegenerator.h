#pragma once

#include <QDialog>
#include <QString>

#include <memory>

class QListWidgetItem;
class Ui_autosaveParseGenerator;

// The "Autosave Name" dialog: composes the file-name pattern of automatic
// saves from free text and the scan registry's tags, and refuses to close on
// a pattern that cannot be part of a file name. GUI thread only; callers
// create it on the stack, run it modally and read text() after Accepted.
// Owns its form; the widgets belong to the dialog.
class autosaveParseGenerator : public QDialog
{
    Q_OBJECT

public:
    // folder: the autosave folder offered for creation on OK when it is
    // missing; empty means no folder is checked.
    autosaveParseGenerator(const QString& pattern, const QString& folder, QWidget* parent = nullptr);
    ~autosaveParseGenerator() override;

    QString text() const;

    // The pattern "Default" restores, the same one a fresh program starts with.
    static QString defaultPattern();

public slots:
    // Closes with Accepted only for a pattern usable in a file name.
    void accept() override;
    // Inserts the item's tag at the cursor, replacing a selection.
    void itemDoubleClicked(QListWidgetItem* item);
    void defaultText();

private:
    void fillTagList();
    void offerToCreateFolder();

    std::unique_ptr<Ui_autosaveParseGenerator> m_ui;
    const QString m_folder;
};
