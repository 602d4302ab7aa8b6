#include "app/dialogs/aboutdialog.h"

#include "ui_aboutdialog.h"

AboutDialog::AboutDialog(QWidget* parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui_AboutDialog>())
{
    ui->setupUi(this);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    ui->lbVersion->setText(QStringLiteral("Version %1.%2.%3 (Build %4)")
                               .arg(versionMajor)
                               .arg(versionMinor)
                               .arg(versionPatch)
                               .arg(buildNumber));
}

AboutDialog::~AboutDialog() = default;
