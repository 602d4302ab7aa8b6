#pragma once

#include <QDialog>

#include <memory>

class Ui_AboutDialog;

// The program's name, version and build under the maker's banner, with a
// single Close button. Built, run modally and let go by the main window;
// nothing is stored. GUI thread only; owns its form, the widgets belong to
// the dialog.
class AboutDialog : public QDialog
{
    Q_OBJECT

public:
    static constexpr int versionMajor = 2;
    static constexpr int versionMinor = 8;
    static constexpr int versionPatch = 0;
    static constexpr int buildNumber = 5907;

    explicit AboutDialog(QWidget* parent = nullptr);
    ~AboutDialog() override;

private:
    std::unique_ptr<Ui_AboutDialog> ui;
};
