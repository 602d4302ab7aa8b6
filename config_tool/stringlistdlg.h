#pragma once

#include <QDialog>

class QDialogButtonBox;
class QLineEdit;
class QListWidget;

// The sensor chooser: a list of serial numbers and an editable line that
// takes the one clicked (or whatever the user types). GUI thread; the
// widgets belong to the dialog.
class StringListDlg : public QDialog
{
    Q_OBJECT

public:
    explicit StringListDlg(QWidget* parent = nullptr);

    void setList(const QStringList& texts);
    QString selectedText() const;

    QLineEdit* selectedQuvix;
    QListWidget* quvixList;
    QDialogButtonBox* buttonBox;
};
