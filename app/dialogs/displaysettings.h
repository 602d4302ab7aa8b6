#pragma once

#include "scans/csvcolumnoptions.h"
#include "scans/csvoptions.h"

#include <QDialog>
#include <QString>
#include <QStringList>

#include <array>

class QButtonGroup;
class QCheckBox;
class QIntValidator;
class Ui_DisplaySettings;

// The "Display Options" dialog: which of 21 quantities the acquisition tabs
// show in their meter row (at most 8) and which ones the CSV export writes,
// the CSV delimiter, short names and full time stamps, the Smith chart and
// legend options and the number of acquired scans kept. Edits change the
// pending sets; Apply makes them the applied ones and stores them in the
// settings group "DisplayOptions"; Cancel (or Escape, or closing the
// window) reloads what was stored.
// The applied CSV options go to the core's one applied set (scans/csvoptions),
// which the CSV writers read, on any thread, through isCsvOptionEnabled and
// the process-wide CSV variables.
// GUI thread only (isCsvOptionEnabled: any thread). Owns its form; the scan
// handler it reads and sets the scan limit of is process-wide.
class DisplaySettings : public QDialog, public CsvColumnOptions
{
    Q_OBJECT

public:
    static constexpr int optionCount = csvOptionIndexCount;
    static constexpr int maxDisplayed = 8;
    using OptionFlags = std::array<bool, optionCount>;

    explicit DisplaySettings(QWidget* parent = nullptr);
    ~DisplaySettings() override;

    // Parameter id of the n-th displayed option (from 0, ascending option
    // index) of the applied set; the last one when n is beyond the count, 0
    // when nothing is displayed or n is -1.
    int displayedParameterAt(int n) const;
    // The applied CSV flag of a display option index; false outside 0 to 37.
    bool isCsvOptionEnabled(int optionIndex) const override;
    void emitLegendPosition();
    bool isSimpleSmith() const;
    int smithPoints() const;

    // Ticked options of the pending display set; read by the scan tabs.
    quint32 displayedCount = 0;

    const OptionFlags& pendingDisplayFlags() const { return m_pendingDisplayFlags; }
    const OptionFlags& pendingCsvFlags() const { return m_pendingCsvFlags; }
    const OptionFlags& displayFlags() const { return m_displayFlags; }
    const OptionFlags& customFlags() const { return m_customFlags; }

signals:
    void legendChanged(int position);
    void simpleSmithChanged(bool simple);
    void smithPointsChanged(int points);

public slots:
    void boxTicked(int optionIndex);
    void csvBoxTicked(int optionIndex);
    // Cancel, Escape and the close button alike: what was stored comes back.
    void reject() override;

protected:
    void changeEvent(QEvent* event) override;

private slots:
    void on_rbUseShortNames_toggled(bool checked);
    void on_cb_FullTimestampToCSV_toggled(bool checked);
    void on_cbPresets_activated(const QString& text);
    void on_pbApply_clicked();
    void on_pbCancel_clicked();

private:
    void fillPresets();
    void buildButtonGroups();
    void fillDelimiterChoices();
    void fillLegendPositions();
    void loadSettings();
    void saveSettings() const;
    int limitDisplayedOptions();
    void refreshWidgets();
    void showDisplayFlags();
    void showCsvFlags();
    void selectMatchingPreset();
    void enableAllBoxes();
    void disableUntickedBoxes();
    void enableBoxesForCount();
    void selectCustomPreset();
    void applyScanLimit();
    // Hands the applied CSV options to the core as one set.
    void publishCsvOptions(const QString& delimiter, bool shortNames, bool fullTimestamp);
    QCheckBox* displayBox(int optionIndex) const;
    QCheckBox* csvBox(int optionIndex) const;

    Ui_DisplaySettings* ui;
    QButtonGroup* displayGroup = nullptr;
    QButtonGroup* csvGroup = nullptr;
    QIntValidator* m_scanLimitValidator = nullptr;
    OptionFlags m_pendingDisplayFlags{};
    OptionFlags m_pendingCsvFlags{};
    OptionFlags m_displayFlags{};
    OptionFlags m_csvFlags{};
    OptionFlags m_customFlags{};
    std::array<OptionFlags, 4> m_presets{};
    QStringList m_delimiterChoices;
};
