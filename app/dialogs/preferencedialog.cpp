#include "app/dialogs/preferencedialog.h"

#include "app/shellvalues.h"

#include <QCheckBox>
#include <QDebug>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMetaObject>
#include <QSettings>
#include <QVBoxLayout>

namespace {

const QString settingsGroup = QStringLiteral("Settings");
const QString askKey = QStringLiteral("askBeforeYouClose");
const QString questionKey = QStringLiteral("warningQueryAsked");

void store(const QString& key, const QVariant& value)
{
    QSettings settings;
    settings.beginGroup(settingsGroup);
    settings.setValue(key, value);
    settings.endGroup();
}

} // namespace

void Ui_PreferenceDialog::setupUi(QDialog* dialog)
{
    dialog->setObjectName(QStringLiteral("PreferenceDialog"));
    dialog->setWindowTitle(QStringLiteral("Application Preferences"));
    dialog->setWindowIcon(QIcon(QStringLiteral(":/images/Images/Quorvane-Quvix-Renu.png")));
    dialog->setMinimumSize(400, 300);
    dialog->setMaximumSize(400, 300);
    dialog->resize(400, 300);

    auto* dialogLayout = new QVBoxLayout(dialog);
    groupBox = new QGroupBox(QStringLiteral("Closing Application"), dialog);
    groupBox->setObjectName(QStringLiteral("groupBox"));
    dialogLayout->addWidget(groupBox);

    auto* boxLayout = new QVBoxLayout(groupBox);
    displayWarningCheckBox =
        new QCheckBox(QStringLiteral("Request confirmation before closing application."), groupBox);
    displayWarningCheckBox->setObjectName(QStringLiteral("displayWarningCheckBox"));
    displayWarningCheckBox->setLayoutDirection(Qt::LeftToRight);
    boxLayout->addWidget(displayWarningCheckBox);
    label = new QLabel(QStringLiteral("Confirmation dialog message:"), groupBox);
    label->setObjectName(QStringLiteral("label"));
    boxLayout->addWidget(label);
    questionLineEdit = new QLineEdit(QStringLiteral("Shutdown confirmation dialog message"), groupBox);
    questionLineEdit->setObjectName(QStringLiteral("questionLineEdit"));
    boxLayout->addWidget(questionLineEdit);
    boxLayout->addStretch();

    QMetaObject::connectSlotsByName(dialog);
}

PreferenceDialog::PreferenceDialog(QWidget* parent)
    : QDialog(parent)
    , ui_(new Ui_PreferenceDialog)
{
    ui_->setupUi(this);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

    QSettings settings;
    settings.beginGroup(settingsGroup);
    ui_->displayWarningCheckBox->setChecked(settings.value(askKey, false).toBool());
    ui_->questionLineEdit->setText(settings.value(questionKey, closeQuestionText).toString());
    settings.endGroup();
    // A long question is read from its start.
    ui_->questionLineEdit->setCursorPosition(0);

    // Only now: showing the stored values must not store them again.
    connect(ui_->displayWarningCheckBox, &QCheckBox::toggled, this,
            &PreferenceDialog::displayWarningCheckBoxtoggled);
    connect(ui_->questionLineEdit, &QLineEdit::textChanged, this,
            &PreferenceDialog::questionLineEditTextChanged);
}

PreferenceDialog::~PreferenceDialog()
{
    delete ui_;
}

void PreferenceDialog::displayWarningCheckBoxtoggled(bool checked)
{
    store(askKey, checked);
}

void PreferenceDialog::questionLineEditTextChanged(const QString& text)
{
    qDebug().noquote() << "Warning Question = " + text;
    store(questionKey, text);
}
