#include "app/dialogs/displaysettings.h"

#include "app/entryvalidator.h"
#include "app/numberfield.h"
#include "scans/frequencyrecord.h"
#include "scans/scanhandler.h"
#include "ui_displaysettings.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QSettings>

#include <algorithm>

namespace {

const QString settingsGroup = QStringLiteral("DisplayOptions");
const QString tab = QStringLiteral("\t");

// The options that have a row in the form: their boxes, the suffix of their
// keys "Display_X" and "Csv_X", and whether they are displayed by default
// (every CSV column is on by default).
struct UsedOption {
    int index;
    const char* displayBox;
    const char* csvBox;
    const char* key;
    bool displayedByDefault;
};

constexpr UsedOption usedOptions[] = {
    {0, "voltageHCheckBox", "voltageToCSVCheckBox", "Voltage", true},
    {1, "powerCheckBox", "powerToCSVCheckBox", "Power", true},
    {2, "frequencyCheckBox", "frequencyToCSVCheckBox", "Frequency", true},
    {3, "phaseHCheckBox", "phaseToCSVCheckBox", "Phase", true},
    {4, "currentHCheckBox", "currentToCSVCheckBox", "Current", true},
    {5, "forwardPowerCheckBox", "fwdPowerToCSVCheckBox", "ForwardPower", false},
    {6, "reflectedPowerCheckBox", "reflectedPowerToCSVCheckBox", "ReflectedPower", false},
    {7, "impedanceHComplexCheckBox", "impedanceComplexToCSVCheckBox", "ImpedanceComplex", false},
    {8, "impedanceHVectorCheckBox", "impedanceVectorToCSVCheckBox", "ImpedancePolar", false},
    {9, "gammaReflectionComplexCheckBox", "gammaComplexToCSVCheckBox", "GammaComplex", false},
    {10, "gammaReflectionVectorCheckBox", "gammaVectorToCSVCheckBox", "GammaPolar", false},
    {11, "swrCheckBox", "swrToCSVCheckBox", "SWR", false},
    {12, "currentHVectorCheckBox", "currentVectorToCSVCheckBox", "CurrentPolar", false},
    {13, "currentHComplexCheckBox", "currentComplexToCSVCheckBox", "CurrentComplex", false},
    {14, "ionFluxCheckBox", "ionFluxToCSVCheckBox", "IonFlux", false},
    {15, "voltagePhaseCheckBox", "voltagePhaseToCSV", "VoltagePolar", false},
    {33, "energyCheckBox", "energyToCSVCheckBox", "Energy", false},
    {34, "pulsePeriodCheckBox", "pulsePeriodToCSVCheckBox", "PulsePeriod", false},
    {35, "pulseOnTimeCheckBox", "pulseOnTimeToCSVCheckBox", "PulseOnTime", false},
    {36, "pulseFrequencyCheckBox", "pulseFrequencyToCSVCheckBox", "PulseFrequency", false},
    {37, "pulseDutyCycleCheckBox", "pulseDutyCycleToCSVCheckBox", "PulseDutyCycle", false},
};

constexpr int noOptionIndex = 16;
constexpr int currentIndex = 4;

const char* const presetNames[] = {"Pre-Match", "Post-Match", "Pulse", "Moduli", "Custom"};
constexpr int customPreset = 4;

const char* const legendPositions[] = {"Bottom Right", "Bottom Middle", "Bottom Left",
                                       "Top Right",    "Top Middle",    "Top Left"};

DisplaySettings::OptionFlags flagsOf(std::initializer_list<int> indices)
{
    DisplaySettings::OptionFlags flags{};
    for (int i : indices)
        flags[static_cast<size_t>(i)] = true;
    return flags;
}

bool& at(DisplaySettings::OptionFlags& flags, int index)
{
    return flags[static_cast<size_t>(index)];
}

bool at(const DisplaySettings::OptionFlags& flags, int index)
{
    return flags[static_cast<size_t>(index)];
}

int countOf(const DisplaySettings::OptionFlags& flags)
{
    return static_cast<int>(std::count(flags.begin(), flags.end(), true));
}

} // namespace

DisplaySettings::DisplaySettings(QWidget* parent)
    : QDialog(parent)
    , ui(new Ui_DisplaySettings)
{
    ui->setupUi(this);
    setWindowTitle(QStringLiteral("Display Options"));
    setWindowFlags((windowFlags() | Qt::MSWindowsFixedSizeDialogHint) & ~Qt::WindowContextHelpButtonHint);

    fillPresets();
    buildButtonGroups();
    fillDelimiterChoices();
    fillLegendPositions();
    connect(ui->legendOptions, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &DisplaySettings::legendChanged);
    // A lone radio button, left exclusive, could never be switched off again
    // by a click or by reloading the stored "off".
    ui->simpleSmithButton->setAutoExclusive(false);
    connect(ui->simpleSmithButton, &QRadioButton::toggled, this, &DisplaySettings::simpleSmithChanged);

    m_scanLimitValidator = new EntryIntValidator(1, 1000, this);
    ui->scanLimit->setValidator(m_scanLimitValidator);

    loadSettings();
    refreshWidgets();
}

DisplaySettings::~DisplaySettings()
{
    delete ui;
}

void DisplaySettings::fillPresets()
{
    m_presets[0] = flagsOf({0, 1, 2, 4, 5, 6, 7, 11});
    m_presets[1] = flagsOf({0, 1, 2, 3, 4, 7});
    m_presets[2] = flagsOf({0, 1, 2, 3, 4, 7, 36, 37});
    m_presets[3] = flagsOf({0, 1, 2, 3, 4, 15, 36, 37});
    for (const char* name : presetNames)
        ui->cbPresets->addItem(QString::fromLatin1(name));
}

void DisplaySettings::buildButtonGroups()
{
    displayGroup = new QButtonGroup(this);
    csvGroup = new QButtonGroup(this);
    displayGroup->setExclusive(false);
    csvGroup->setExclusive(false);
    for (const UsedOption& option : usedOptions) {
        displayGroup->addButton(findChild<QCheckBox*>(QLatin1String(option.displayBox)), option.index);
        csvGroup->addButton(findChild<QCheckBox*>(QLatin1String(option.csvBox)), option.index);
    }
    connect(displayGroup, &QButtonGroup::idClicked, this, &DisplaySettings::boxTicked);
    connect(csvGroup, &QButtonGroup::idClicked, this, &DisplaySettings::csvBoxTicked);
}

void DisplaySettings::fillDelimiterChoices()
{
    m_delimiterChoices = QStringList{QStringLiteral(";"), QStringLiteral(","), tab};
    for (const QString& choice : m_delimiterChoices)
        ui->delimiterComboBox->addItem(choice == tab ? QStringLiteral("Tab") : choice);
}

void DisplaySettings::fillLegendPositions()
{
    for (const char* position : legendPositions)
        ui->legendOptions->addItem(QString::fromLatin1(position));
    // The form's width was chosen for a narrower font; in a wider one the
    // box cut its positions short.
    QComboBox& positions = *ui->legendOptions;
    positions.setMaximumWidth(std::max(positions.maximumWidth(), positions.sizeHint().width()));
}

QCheckBox* DisplaySettings::displayBox(int optionIndex) const
{
    return qobject_cast<QCheckBox*>(displayGroup->button(optionIndex));
}

QCheckBox* DisplaySettings::csvBox(int optionIndex) const
{
    return qobject_cast<QCheckBox*>(csvGroup->button(optionIndex));
}

// ---- settings ---------------------------------------------------------------------

void DisplaySettings::loadSettings()
{
    QSettings settings;
    settings.beginGroup(settingsGroup);
    m_pendingDisplayFlags = {};
    m_pendingCsvFlags = {};
    for (const UsedOption& option : usedOptions) {
        const QString key = QString::fromLatin1(option.key);
        at(m_pendingDisplayFlags, option.index) =
            settings.value(QStringLiteral("Display_") + key, option.displayedByDefault).toBool();
        at(m_pendingCsvFlags, option.index) = settings.value(QStringLiteral("Csv_") + key, true).toBool();
    }
    at(m_pendingDisplayFlags, noOptionIndex) = false;
    displayedCount = static_cast<quint32>(limitDisplayedOptions());
    m_displayFlags = m_pendingDisplayFlags;
    m_customFlags = m_pendingDisplayFlags;
    m_csvFlags = m_pendingCsvFlags;

    // A stored delimiter that is none of the choices would leave nothing to
    // select and nothing for Apply to read: the first choice stands in.
    QString delimiter = settings.value(QStringLiteral("csvdelimiter"), QStringLiteral(";")).toString();
    if (!m_delimiterChoices.contains(delimiter))
        delimiter = m_delimiterChoices.front();
    const bool shortNames = settings.value(QStringLiteral("csvUseShortNames"), false).toBool();
    ui->simpleSmithButton->setChecked(settings.value(QStringLiteral("simpleSmith"), false).toBool());
    ui->SmithChartPoints->setValue(settings.value(QStringLiteral("smithChartPoints"), 0).toInt());
    ui->legendOptions->setCurrentIndex(settings.value(QStringLiteral("legendPosition"), 0).toInt());
    const bool fullTimestamp = settings.value(QStringLiteral("csvUseFullTimestamp"), false).toBool();
    settings.endGroup();
    publishCsvOptions(delimiter, shortNames, fullTimestamp);
}

void DisplaySettings::saveSettings() const
{
    QSettings settings;
    settings.beginGroup(settingsGroup);
    for (const UsedOption& option : usedOptions) {
        const QString key = QString::fromLatin1(option.key);
        settings.setValue(QStringLiteral("Display_") + key, at(m_pendingDisplayFlags, option.index));
        settings.setValue(QStringLiteral("Csv_") + key, at(m_pendingCsvFlags, option.index));
    }
    settings.setValue(QStringLiteral("csvdelimiter"), csvDelimiter);
    settings.setValue(QStringLiteral("csvUseShortNames"), csvUseShortNames);
    settings.setValue(QStringLiteral("simpleSmith"), ui->simpleSmithButton->isChecked());
    settings.setValue(QStringLiteral("smithChartPoints"), ui->SmithChartPoints->value());
    settings.setValue(QStringLiteral("legendPosition"), ui->legendOptions->currentIndex());
    settings.setValue(QStringLiteral("csvUseFullTimestamp"), csvUseFullTimestamp);
    settings.endGroup();
}

void DisplaySettings::publishCsvOptions(const QString& delimiter, bool shortNames, bool fullTimestamp)
{
    CsvOptionSet options;
    options.delimiter = delimiter;
    options.useShortNames = shortNames;
    options.useFullTimestamp = fullTimestamp;
    options.columns = m_csvFlags;
    applyCsvOptions(options);
}

// ---- the option sets --------------------------------------------------------------

int DisplaySettings::limitDisplayedOptions()
{
    int count = countOf(m_pendingDisplayFlags);
    for (int i = optionCount - 1; i >= 0 && count > maxDisplayed; --i) {
        if (at(m_pendingDisplayFlags, i)) {
            at(m_pendingDisplayFlags, i) = false;
            --count;
        }
    }
    return count;
}

int DisplaySettings::displayedParameterAt(int n) const
{
    if (n == -1)
        return 0;
    int chosen = -1;
    int seen = 0;
    for (int i = 0; i < optionCount; ++i) {
        if (!at(m_displayFlags, i))
            continue;
        chosen = i;
        if (++seen == n + 1)
            break;
    }
    return chosen <= 0 ? 0 : optionToParameterId(chosen);
}

bool DisplaySettings::isCsvOptionEnabled(int optionIndex) const
{
    return csvColumnEnabled(optionIndex);
}

void DisplaySettings::boxTicked(int optionIndex)
{
    QCheckBox* box = displayBox(optionIndex);
    if (!box)
        return;
    if (box->isChecked()) {
        if (displayedCount >= maxDisplayed) {
            box->setChecked(false);
        } else {
            at(m_pendingDisplayFlags, optionIndex) = true;
            ++displayedCount;
        }
    } else if (at(m_pendingDisplayFlags, optionIndex)) {
        at(m_pendingDisplayFlags, optionIndex) = false;
        --displayedCount;
    }
    if (displayedCount == maxDisplayed)
        disableUntickedBoxes();
    else
        enableAllBoxes();
    selectCustomPreset();
    m_customFlags = m_pendingDisplayFlags;
}

void DisplaySettings::csvBoxTicked(int optionIndex)
{
    QCheckBox* box = csvBox(optionIndex);
    if (!box)
        return;
    if (countOf(m_pendingCsvFlags) == 0) {
        // Nothing was ticked (a preset with no options): Current comes on,
        // and the box clicked keeps the tick it just got.
        csvBox(currentIndex)->setChecked(true);
        at(m_pendingCsvFlags, currentIndex) = true;
        box->setChecked(true);
        at(m_pendingCsvFlags, optionIndex) = true;
    } else if (!at(m_pendingCsvFlags, optionIndex)) {
        box->setChecked(true);
        at(m_pendingCsvFlags, optionIndex) = true;
    } else {
        box->setChecked(false);
        at(m_pendingCsvFlags, optionIndex) = false;
        if (countOf(m_pendingCsvFlags) == 0) {
            box->setChecked(true);
            at(m_pendingCsvFlags, optionIndex) = true;
        }
    }
    selectCustomPreset();
}

void DisplaySettings::on_cbPresets_activated(const QString& text)
{
    OptionFlags chosen = m_customFlags;
    for (int preset = 0; preset < customPreset; ++preset) {
        if (text.contains(QLatin1String(presetNames[preset]))) {
            chosen = m_presets[static_cast<size_t>(preset)];
            break;
        }
    }
    m_pendingDisplayFlags = chosen;
    m_pendingCsvFlags = chosen;
    displayedCount = static_cast<quint32>(limitDisplayedOptions());
    showDisplayFlags();
    showCsvFlags();
    enableBoxesForCount();
}

void DisplaySettings::selectMatchingPreset()
{
    for (int preset = 0; preset < customPreset; ++preset) {
        if (m_pendingDisplayFlags == m_presets[static_cast<size_t>(preset)]) {
            ui->cbPresets->setCurrentIndex(preset);
            return;
        }
    }
    ui->cbPresets->setCurrentIndex(customPreset);
}

void DisplaySettings::selectCustomPreset()
{
    ui->cbPresets->setCurrentIndex(ui->cbPresets->count() - 1);
}

// ---- widgets ----------------------------------------------------------------------

void DisplaySettings::refreshWidgets()
{
    showDisplayFlags();
    showCsvFlags();
    selectMatchingPreset();
    ui->delimiterComboBox->setCurrentIndex(m_delimiterChoices.indexOf(csvDelimiter));
    ui->rbUseShortNames->setChecked(csvUseShortNames);
    ui->cb_FullTimestampToCSV->setChecked(csvUseFullTimestamp);
    ui->scanLimit->setText(NumberField::text(ScanHandler::getInstance()->scanLimit(), 'f', 0,
                                             NumberField::localeOf(*ui->scanLimit)));
}

void DisplaySettings::showDisplayFlags()
{
    for (const UsedOption& option : usedOptions)
        displayBox(option.index)->setChecked(at(m_pendingDisplayFlags, option.index));
}

void DisplaySettings::showCsvFlags()
{
    for (const UsedOption& option : usedOptions)
        csvBox(option.index)->setChecked(at(m_pendingCsvFlags, option.index));
}

void DisplaySettings::enableAllBoxes()
{
    for (QAbstractButton* box : displayGroup->buttons())
        box->setEnabled(true);
}

void DisplaySettings::disableUntickedBoxes()
{
    for (const UsedOption& option : usedOptions) {
        if (!at(m_pendingDisplayFlags, option.index))
            displayBox(option.index)->setEnabled(false);
    }
}

void DisplaySettings::enableBoxesForCount()
{
    enableAllBoxes();
    if (displayedCount == maxDisplayed)
        disableUntickedBoxes();
}

// ---- the immediate options, Apply and Cancel --------------------------------------

void DisplaySettings::on_rbUseShortNames_toggled(bool checked)
{
    publishCsvOptions(csvDelimiter, checked, csvUseFullTimestamp);
}

void DisplaySettings::on_cb_FullTimestampToCSV_toggled(bool checked)
{
    publishCsvOptions(csvDelimiter, csvUseShortNames, checked);
}

void DisplaySettings::applyScanLimit()
{
    // An empty or unfinished entry (a language change also empties the
    // field) keeps the limit: a limit of 0 would drop every finished scan.
    const NumberField limit(*ui->scanLimit, QStringLiteral("Max Acquired Scans"));
    if (limit.isAcceptable())
        ScanHandler::getInstance()->setScanLimit(static_cast<int>(limit.value()));
}

void DisplaySettings::on_pbApply_clicked()
{
    const int choice = ui->delimiterComboBox->currentIndex();
    const QString delimiter = choice >= 0 ? m_delimiterChoices.at(choice) : csvDelimiter;
    m_displayFlags = m_pendingDisplayFlags;
    m_csvFlags = m_pendingCsvFlags;
    publishCsvOptions(delimiter, csvUseShortNames, csvUseFullTimestamp);
    enableBoxesForCount();
    applyScanLimit();
    displayedCount = static_cast<quint32>(limitDisplayedOptions());
    saveSettings();
    emit smithPointsChanged(ui->SmithChartPoints->value());
    accept();
}

void DisplaySettings::on_pbCancel_clicked()
{
    reject();
}

void DisplaySettings::reject()
{
    // The immediate options (legend, simple chart, CSV names and time
    // stamps) changed as they were edited: they go back too.
    loadSettings();
    refreshWidgets();
    enableBoxesForCount();
    QDialog::reject();
}

void DisplaySettings::emitLegendPosition()
{
    emit legendChanged(ui->legendOptions->currentIndex());
}

bool DisplaySettings::isSimpleSmith() const
{
    return ui->simpleSmithButton->isChecked();
}

int DisplaySettings::smithPoints() const
{
    return ui->SmithChartPoints->value();
}

void DisplaySettings::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
}
