#include "app/dialogs/autosaveinputdialog.h"

#include "app/dialogs/autosaveparsegenerator.h"
#include "ui_autosaveinputdialog.h"
#include "views/userquestions.h"

#include <QDir>
#include <QMessageBox>

autosaveInputDialog::autosaveInputDialog(const QString& folder, const QString& pattern, QWidget* parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui_autosaveInputDialog>())
{
    m_ui->setupUi(this);
    m_ui->folder->setText(folder);
    m_ui->name->setText(pattern);
    connect(m_ui->setFolder, &QPushButton::clicked, this, &autosaveInputDialog::setFolder);
    connect(m_ui->setName, &QPushButton::clicked, this, &autosaveInputDialog::setName);
}

autosaveInputDialog::~autosaveInputDialog() = default;

QString autosaveInputDialog::folder() const
{
    return m_ui->folder->text();
}

QString autosaveInputDialog::name() const
{
    return m_ui->name->text();
}

void autosaveInputDialog::setFolder()
{
    const QString chosen = UserQuestions::existingFolder(this, QStringLiteral("Choose folder"),
                                                         m_ui->folder->text(), QFileDialog::Options());
    if (chosen.isEmpty())
        return;
    // A folder that cannot be made would only fail later, at every autosave.
    if (!QDir(chosen).exists() && !QDir().mkpath(chosen)) {
        QMessageBox::warning(this, QStringLiteral("unable to create dir"),
                             QStringLiteral("Unable to create directory, please check path."),
                             QMessageBox::Ok);
        return;
    }
    m_ui->folder->setText(chosen + QLatin1Char('/'));
}

void autosaveInputDialog::setName()
{
    autosaveParseGenerator patternDialog(m_ui->name->text(), QString(), nullptr);
    if (patternDialog.exec() == QDialog::Accepted)
        m_ui->name->setText(patternDialog.text());
}
