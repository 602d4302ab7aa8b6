#include "stringlistdlg.h"

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QListWidget>

StringListDlg::StringListDlg(QWidget* parent)
    : QDialog(parent)
{
    setObjectName("StringListDlg");
    resize(250, 303);
    setWindowTitle("Dialog");
    selectedQuvix = new QLineEdit(this);
    selectedQuvix->setObjectName("selectedQuvix");
    selectedQuvix->setGeometry(10, 10, 221, 20);
    quvixList = new QListWidget(this);
    quvixList->setObjectName("quvixList");
    quvixList->setGeometry(10, 50, 221, 201);
    buttonBox = new QDialogButtonBox(this);
    buttonBox->setObjectName("buttonBox");
    buttonBox->setGeometry(10, 260, 221, 32);
    buttonBox->setOrientation(Qt::Horizontal);
    buttonBox->setStandardButtons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttonBox, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(quvixList, &QListWidget::currentTextChanged, selectedQuvix, &QLineEdit::setText);
    QMetaObject::connectSlotsByName(this);
}

void StringListDlg::setList(const QStringList& texts)
{
    for (const QString& text : texts)
        quvixList->insertItem(quvixList->count(), text);
}

QString StringListDlg::selectedText() const
{
    return selectedQuvix->text();
}
