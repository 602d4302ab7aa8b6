// The scan tab's entries kept between runs. Kept apart from the tab's other
// parts because the keys are shared with the main window and the other
// tabs: whichever writes last wins, so only the keys below are touched here,
// and the shared paths only when this tab changed them.

#include "app/tabs/scantab.h"

#include "app/numberfield.h"
#include "ui_scantab.h"
#include "views/sampleratewidget.h"

#include <QLineEdit>
#include <QSettings>

namespace {

const QString groupName = QStringLiteral("Settings");
const QString rateIndexKey = QStringLiteral("CWsampleRate");
const QString customIntervalKey = QStringLiteral("CWsampleRate_ms");
const QString savePathKey = QStringLiteral("savefilename");
const QString autosaveTitleKey = QStringLiteral("autosaveTitle");
const QString autosaveFolderKey = QStringLiteral("autosavedir");
const QString autosaveStateKey = QStringLiteral("autosaveState");
const QString voltDropKey = QStringLiteral("IFVoltDrop");
const QString electrodeAreaKey = QStringLiteral("IFElectrodeArea");
const QString resistanceKey = QStringLiteral("IFResistance");

constexpr int rateIndexPart = 0;
constexpr int customIntervalPart = 2;

void showStored(const QSettings& settings, const QString& key, const QString& preset, QLineEdit& edit)
{
    edit.setText(NumberField::shownText(settings.value(key, preset).toString(), edit));
}

// A factor the field would not take is not kept: the one kept before stays.
void keep(QSettings& settings, const QString& key, const NumberField& field)
{
    if (const std::optional<QString> stored = field.storedText())
        settings.setValue(key, *stored);
}

// Every tab writes the shared keys at shut-down, each from its own copy: a
// copy the tab did not change since it last read or wrote it would undo the
// choice the user made in another tab, so it leaves what is stored (or
// stores the default it read where nothing is).
void writeShared(QSettings& settings, const QString& key, const QVariant& value, const QVariant& stored)
{
    settings.setValue(key, value == stored ? settings.value(key, value) : value);
}

} // namespace

void scanTab::loadSettings()
{
    QSettings settings;
    settings.beginGroup(groupName);
    m_rateWidget->setPartValue(rateIndexPart, settings.value(rateIndexKey, 0).toInt());
    m_rateWidget->setPartValue(customIntervalPart, settings.value(customIntervalKey, 10).toInt());
    m_savePath = settings.value(savePathKey, QStringLiteral("./")).toString();
    m_autosaveTitle = settings.value(autosaveTitleKey, QString()).toString();
    m_autosaveFolder = settings.value(autosaveFolderKey, QStringLiteral(".")).toString();
    m_loadedAutosaveTitle = m_autosaveTitle;
    m_loadedAutosaveFolder = m_autosaveFolder;
    // The box itself is set by the main window (setAutosaveConfig).
    m_loadedAutosaveState = settings.value(autosaveStateKey, false).toBool();
    showStored(settings, voltDropKey, QStringLiteral("0"), *m_form->ifVoltDrop);
    showStored(settings, electrodeAreaKey, QStringLiteral("1"), *m_form->ifEArea);
    showStored(settings, resistanceKey, QStringLiteral("0"), *m_form->ifResistance);
}

void scanTab::saveSettings() const
{
    QSettings settings;
    settings.beginGroup(groupName);
    settings.setValue(rateIndexKey, m_rateWidget->partValue(rateIndexPart));
    settings.setValue(customIntervalKey, m_rateWidget->partValue(customIntervalPart));
    // The tab never changes the save path; the main window keeps it.
    writeShared(settings, savePathKey, m_savePath, m_savePath);
    writeShared(settings, autosaveTitleKey, m_autosaveTitle, m_loadedAutosaveTitle);
    writeShared(settings, autosaveFolderKey, m_autosaveFolder, m_loadedAutosaveFolder);
    writeShared(settings, autosaveStateKey, isAutosaveOn(), m_loadedAutosaveState);
    const QList<NumberField> factors = ionFluxFields();
    keep(settings, resistanceKey, factors[0]);
    keep(settings, voltDropKey, factors[1]);
    keep(settings, electrodeAreaKey, factors[2]);
}

void scanTab::storeAutosaveChoice()
{
    QSettings settings;
    settings.beginGroup(groupName);
    settings.setValue(autosaveTitleKey, m_autosaveTitle);
    settings.setValue(autosaveStateKey, isAutosaveOn());
    // Stored now: turning back to the start-up choice later is a change too.
    m_loadedAutosaveTitle = m_autosaveTitle;
    m_loadedAutosaveState = isAutosaveOn();
}
