#include "app/dialogs/autosaveparsegenerator.h"

#include "scans/autosavetag.h"

#include "scans/scanhandler.h"
#include "ui_autosaveparsegenerator.h"

#include <QDir>
#include <QMessageBox>

namespace {

// Characters no file name may hold; "/" too, as the name of a file in the
// autosave folder and not of one elsewhere.
const QString forbiddenCharacters = QStringLiteral("|:\\\"?*/");
// A step up out of the autosave folder.
const QString parentStep = QStringLiteral("..");

// The lines of the refusal for a pattern; empty when the pattern is usable.
QString patternProblems(const QString& pattern)
{
    int opening = 0;
    int closing = 0;
    bool hasForbidden = false;
    for (const QChar c : pattern) {
        if (c == QLatin1Char('<'))
            ++opening;
        else if (c == QLatin1Char('>'))
            ++closing;
        else if (forbiddenCharacters.contains(c))
            hasForbidden = true;
    }
    QString message;
    if (hasForbidden)
        message +=
            QStringLiteral("Filename can't contain the following characters : %1\n").arg(forbiddenCharacters);
    if (pattern.contains(parentStep))
        message += QStringLiteral("Filename can't contain \"%1\"\n").arg(parentStep);
    if (opening != closing)
        message += QStringLiteral("Mismatched opening and closing brackets\n");
    return message;
}

} // namespace

autosaveParseGenerator::autosaveParseGenerator(const QString& pattern, const QString& folder, QWidget* parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui_autosaveParseGenerator>())
    , m_folder(folder)
{
    m_ui->setupUi(this);
    m_ui->text->setText(pattern);
    fillTagList();
    connect(m_ui->dictionnary, &QListWidget::itemDoubleClicked, this,
            &autosaveParseGenerator::itemDoubleClicked);
    connect(m_ui->clearButton, &QPushButton::clicked, m_ui->text, &QLineEdit::clear);
    connect(m_ui->defaultButton, &QPushButton::clicked, this, &autosaveParseGenerator::defaultText);
}

autosaveParseGenerator::~autosaveParseGenerator() = default;

QString autosaveParseGenerator::text() const
{
    return m_ui->text->text();
}

QString autosaveParseGenerator::defaultPattern()
{
    return defaultAutosavePattern();
}

void autosaveParseGenerator::fillTagList()
{
    for (const AutosaveTag& tag : ScanHandler::getInstance()->autosaveTags()) {
        auto* item = new QListWidgetItem(tag.displayName);
        item->setData(Qt::UserRole, tag.tag);
        m_ui->dictionnary->addItem(item);
    }
}

void autosaveParseGenerator::accept()
{
    offerToCreateFolder();
    const QString message = patternProblems(text());
    if (message.isEmpty()) {
        QDialog::accept();
        return;
    }
    QMessageBox::warning(this, QStringLiteral("invalid filename"), message, QMessageBox::Ok);
}

void autosaveParseGenerator::offerToCreateFolder()
{
    if (m_folder.isEmpty() || QDir(m_folder).exists())
        return;
    const auto answer = QMessageBox::question(
        this, QStringLiteral("Autosave folder doesn't exist."),
        QStringLiteral("autosave folder \"%1\" does not exist. Do you want to create it ?").arg(m_folder),
        QMessageBox::Yes | QMessageBox::No, QMessageBox::NoButton);
    if (answer != QMessageBox::Yes)
        return;
    // One level only: a mistyped parent path should not grow a tree of folders.
    if (!QDir().mkdir(m_folder))
        QMessageBox::critical(this, QStringLiteral("unable to create dir"),
                              QStringLiteral("Unable to create directory, please check path."),
                              QMessageBox::Ok);
}

void autosaveParseGenerator::itemDoubleClicked(QListWidgetItem* item)
{
    if (item != nullptr)
        m_ui->text->insert(item->data(Qt::UserRole).toString());
}

void autosaveParseGenerator::defaultText()
{
    m_ui->text->setText(defaultPattern());
}
