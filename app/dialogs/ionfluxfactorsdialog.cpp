#include "app/dialogs/ionfluxfactorsdialog.h"

#include "app/entryvalidator.h"
#include "ui_ionfluxfactorsdialog.h"

namespace {

constexpr double lowestFactor = -1000000.0;
constexpr double highestFactor = 1000000.0;
constexpr int factorDecimals = 3;

} // namespace

ionFluxFactorsDialog::ionFluxFactorsDialog(QWidget* parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui_ionFluxFactorsDialog>())
{
    ui->setupUi(this);
    for (QLineEdit* field : {ui->eArea, ui->resistance, ui->vDrop})
        field->setValidator(new EntryDoubleValidator(lowestFactor, highestFactor, factorDecimals, field));
}

ionFluxFactorsDialog::~ionFluxFactorsDialog() = default;
