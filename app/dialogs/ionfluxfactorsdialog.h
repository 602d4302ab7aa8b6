#pragma once

#include <QDialog>

#include <memory>

class Ui_ionFluxFactorsDialog;

// Asks for the three factors of the ion-flux calculation (voltage drop,
// resistance, electrode area), each limited to -1000000 to 1000000 with 3
// decimals. The factors the scans use are kept by the scan tabs; this dialog
// hands nothing back and nothing in the program opens it. GUI thread only;
// owns its form, the widgets and validators belong to the dialog.
class ionFluxFactorsDialog : public QDialog
{
    Q_OBJECT

public:
    explicit ionFluxFactorsDialog(QWidget* parent = nullptr);
    ~ionFluxFactorsDialog() override;

private:
    std::unique_ptr<Ui_ionFluxFactorsDialog> ui;
};
