#pragma once

#include <QDialog>
#include <QString>

#include <memory>

class Ui_autosaveInputDialog;

// Where an acquisition tab saves its scans automatically: a target folder
// and a file-name pattern, both read-only and changed only through their
// "Set" buttons. The tab reads folder() and name() after exec(), whatever
// the result. GUI thread only; owns its form, the widgets belong to the
// dialog.
class autosaveInputDialog : public QDialog
{
    Q_OBJECT

public:
    autosaveInputDialog(const QString& folder, const QString& pattern, QWidget* parent = nullptr);
    ~autosaveInputDialog() override;

    // Ends with "/" when chosen here; a folder passed in is kept as given.
    QString folder() const;
    QString name() const;

private slots:
    void setFolder();
    void setName();

private:
    std::unique_ptr<Ui_autosaveInputDialog> m_ui;
};
