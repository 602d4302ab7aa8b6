#pragma once

#include <QDialog>
#include <QString>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;

// The form of the preferences dialog, built in code: the closing options.
// The widgets belong to the dialog it is set up on.
struct Ui_PreferenceDialog {
    QGroupBox* groupBox = nullptr;
    QCheckBox* displayWarningCheckBox = nullptr;
    QLabel* label = nullptr;
    QLineEdit* questionLineEdit = nullptr;

    void setupUi(QDialog* dialog);
};

// Whether closing the main window asks first, and what. Every change is
// stored at once ("Settings"/"askBeforeYouClose" and "warningQueryAsked");
// there is nothing to accept or cancel. GUI thread only; owns its form.
class PreferenceDialog : public QDialog
{
    Q_OBJECT

public:
    explicit PreferenceDialog(QWidget* parent = nullptr);
    ~PreferenceDialog() override;

    // The dialog's widgets; for tests.
    const Ui_PreferenceDialog& form() const { return *ui_; }

public slots:
    void displayWarningCheckBoxtoggled(bool checked);
    void questionLineEditTextChanged(const QString& text);

private:
    Ui_PreferenceDialog* ui_;
};
