// The scan tab's entries kept between runs. Kept apart from the tab's other
// parts because the keys are shared with the main window and the pulse tab:
// whichever writes last wins, so only the keys below are touched here.

#include "app/scantab.h"

#include "ui_scantab.h"
#include "views/sampleratewidget.h"

#include <QSettings>

namespace {

const QString groupName = QStringLiteral("Settings");
const QString rateIndexKey = QStringLiteral("CWsampleRate");
const QString customIntervalKey = QStringLiteral("CWsampleRate_ms");
const QString savePathKey = QStringLiteral("savefilename");
const QString autosaveTitleKey = QStringLiteral("autosaveTitle");
const QString autosaveFolderKey = QStringLiteral("autosavedir");
const QString voltDropKey = QStringLiteral("IFVoltDrop");
const QString electrodeAreaKey = QStringLiteral("IFElectrodeArea");
const QString resistanceKey = QStringLiteral("IFResistance");

constexpr int rateIndexPart = 0;
constexpr int customIntervalPart = 2;

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
    m_form->ifVoltDrop->setText(settings.value(voltDropKey, QStringLiteral("0")).toString());
    m_form->ifEArea->setText(settings.value(electrodeAreaKey, QStringLiteral("1")).toString());
    m_form->ifResistance->setText(settings.value(resistanceKey, QStringLiteral("0")).toString());
}

void scanTab::saveSettings() const
{
    QSettings settings;
    settings.beginGroup(groupName);
    settings.setValue(rateIndexKey, m_rateWidget->partValue(rateIndexPart));
    settings.setValue(customIntervalKey, m_rateWidget->partValue(customIntervalPart));
    settings.setValue(savePathKey, m_savePath);
    settings.setValue(autosaveTitleKey, m_autosaveTitle);
    settings.setValue(autosaveFolderKey, m_autosaveFolder);
    settings.setValue(voltDropKey, m_form->ifVoltDrop->text());
    settings.setValue(electrodeAreaKey, m_form->ifEArea->text());
    settings.setValue(resistanceKey, m_form->ifResistance->text());
}
