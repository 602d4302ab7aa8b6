#include "app/dialogs/autostartdialog.h"

#include "sensors/quvixsensor.h"
#include "ui_autostartdialog.h"

#include <QLocale>
#include <QSettings>

#include <algorithm>

namespace {

struct ParameterChoice {
    const char* name;
    int id;
};

// The quantities a trigger can watch, in list order, with their
// measured-parameter ids.
const ParameterChoice parameterChoices[] = {{"Voltage", 0}, {"Current", 1}, {"Power", 5}};

constexpr int toolTipMilliseconds = 2000;

QString rangeToolTip(double minimum, double maximum)
{
    return QStringLiteral("Min: %1, Max: %2")
        .arg(QString::number(minimum, 'g', 6), QString::number(maximum, 'g', 6));
}

void setThresholdRange(QDoubleSpinBox* box, const QString& parameterText)
{
    double minimum = -100000.0;
    double maximum = 1e10;
    if (parameterText.contains(QLatin1String("Voltage")))
        minimum = 0.0;
    else if (parameterText.contains(QLatin1String("Power")))
        maximum = 1e19;
    box->setRange(minimum, maximum);
    box->setToolTip(rangeToolTip(minimum, maximum));
}

void setUnitLabel(QLabel* label, int parameterId)
{
    switch (parameterId) {
    case 0:
        label->setText(QStringLiteral("Volts"));
        break;
    case 1:
        label->setText(QStringLiteral("Amps"));
        break;
    case 5:
        label->setText(QStringLiteral("Watts"));
        break;
    default:
        break;
    }
}

void setUpSecondsBox(QDoubleSpinBox* box, double minimum, double maximum, int decimals)
{
    box->setButtonSymbols(QAbstractSpinBox::NoButtons);
    box->setDecimals(decimals);
    box->setRange(minimum, maximum);
    box->setToolTip(rangeToolTip(minimum, maximum));
    box->setToolTipDuration(toolTipMilliseconds);
}

// The box's number as the program writes it whatever the user's locale, so
// that it reads back on any machine.
QString storedNumber(const QDoubleSpinBox* box)
{
    return QLocale::c().toString(box->value(), 'f', box->decimals());
}

// Numbers are stored in the C form; values stored before were the box's
// displayed text in the user's locale ("0,500"), so that form is accepted
// too. Anything else reads as 0.
double readStoredNumber(const QSettings& settings, const QString& key)
{
    const QString text = settings.value(key).toString().trimmed();
    bool ok = false;
    // QString::toDouble takes no group separators, so "0,500" is not 500.
    double value = text.toDouble(&ok);
    if (!ok)
        value = QLocale().toDouble(text, &ok);
    return ok ? value : 0.0;
}

} // namespace

autoStartDialog::autoStartDialog(QuvixSensor* sensor, QWidget* parent, bool /*interactive*/)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui_autoStartDialog>())
    , m_sensor(sensor)
{
    m_ui->setupUi(this);
    setupControls();
    loadSettings();
    setFixedSize(1027, 585);
    widenCutTexts();
    connect(m_ui->thresholdStop, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this,
            &autoStartDialog::useDifferentThresholds);
    connect(m_ui->stopParameter, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &autoStartDialog::useDifferentThresholds);
    connect(m_ui->stopOver, &QRadioButton::clicked, this, &autoStartDialog::useDifferentThresholds);
    connect(m_ui->stopBelow, &QRadioButton::clicked, this, &autoStartDialog::useDifferentThresholds);
}

autoStartDialog::~autoStartDialog() = default;

void autoStartDialog::widenCutTexts()
{
    // The places were measured for a narrower font than this system's: a
    // choice whose text no longer fits grows to the right, and one that then
    // passes the dialog's edge moves left by what it passes.
    const int visibleRight = width() - m_ui->imageFrame->x();
    QList<QWidget*> choices;
    for (QRadioButton* button : m_ui->imageFrame->findChildren<QRadioButton*>())
        choices.append(button);
    choices.append(m_ui->stopCondition);
    for (QWidget* choice : choices) {
        QRect place = choice->geometry();
        place.setWidth(std::max(place.width(), choice->sizeHint().width()));
        if (place.right() >= visibleRight)
            place.moveRight(visibleRight - 1);
        choice->setGeometry(place);
    }
}

QString autoStartDialog::settingsGroup() const
{
    return m_sensor != nullptr ? m_sensor->displayName() : QString();
}

void autoStartDialog::setupControls()
{
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    // Each list's first item fires the bound slots, which set the parameter
    // ids, unit labels and threshold ranges for "Voltage".
    for (const ParameterChoice& choice : parameterChoices) {
        m_ui->startParameter->addItem(QString::fromLatin1(choice.name), choice.id);
        m_ui->stopParameter->addItem(QString::fromLatin1(choice.name), choice.id);
    }
    for (QDoubleSpinBox* threshold : {m_ui->thresholdStart, m_ui->thresholdStop}) {
        threshold->setButtonSymbols(QAbstractSpinBox::NoButtons);
        threshold->setDecimals(3);
        threshold->setToolTipDuration(toolTipMilliseconds);
    }
    setUpSecondsBox(m_ui->scanDuration, 1.0, 18000.0, 1);
    setUpSecondsBox(m_ui->preDuration, 0.0, 600.0, 0);
    setUpSecondsBox(m_ui->postDuration, 0.0, 600.0, 0);
    if (m_sensor == nullptr)
        return;
    const int frequencyCount = m_sensor->enabledFrequencyCount();
    for (int n = 0; n < frequencyCount; ++n)
        m_ui->frequencyBox->addItem(QString::asprintf("%05.2f MHz", m_sensor->enabledFrequency(n)), n);
}

void autoStartDialog::loadSettings()
{
    QSettings settings;
    settings.beginGroup(settingsGroup());

    m_ui->startParameter->setCurrentIndex(settings.value(QStringLiteral("startparameterindex"), 0).toInt());
    on_startParameter_currentIndexChanged(m_ui->startParameter->currentIndex());
    m_ui->thresholdStart->setValue(readStoredNumber(settings, QStringLiteral("startthresholdvalue")));
    setThresholdRange(m_ui->thresholdStart, m_ui->startParameter->currentText());
    m_ui->preDuration->setValue(readStoredNumber(settings, QStringLiteral("preduration")));
    m_ui->scanDuration->setValue(settings.value(QStringLiteral("scanduration"), 0.0).toDouble());

    m_ui->stopCondition->setCurrentIndex(settings.value(QStringLiteral("stopcondition"), 1).toInt());
    on_stopCondition_currentTextChanged(m_ui->stopCondition->currentText());
    m_ui->stopParameter->setCurrentIndex(settings.value(QStringLiteral("stopparameterindex"), 0).toInt());
    on_stopParameter_currentIndexChanged(m_ui->stopParameter->currentIndex());
    m_ui->thresholdStop->setValue(readStoredNumber(settings, QStringLiteral("stopthresholdvalue")));
    setThresholdRange(m_ui->thresholdStop, m_ui->stopParameter->currentText());
    m_ui->postDuration->setValue(readStoredNumber(settings, QStringLiteral("postduration")));

    if (settings.value(QStringLiteral("continuemonitoring"), true).toBool())
        m_ui->continueMonitoring->setChecked(true);
    else
        m_ui->stopMonitoring->setChecked(true);
}

void autoStartDialog::saveSettings()
{
    QSettings settings;
    settings.beginGroup(settingsGroup());
    settings.setValue(QStringLiteral("startparameterindex"), m_ui->startParameter->currentIndex());
    settings.setValue(QStringLiteral("startthresholdvalue"), storedNumber(m_ui->thresholdStart));
    settings.setValue(QStringLiteral("preduration"), storedNumber(m_ui->preDuration));
    settings.setValue(QStringLiteral("stopcondition"), m_ui->stopCondition->currentIndex());
    settings.setValue(QStringLiteral("scanduration"), m_ui->scanDuration->value());
    settings.setValue(QStringLiteral("stopparameterindex"), m_ui->stopParameter->currentIndex());
    settings.setValue(QStringLiteral("stopthresholdvalue"), storedNumber(m_ui->thresholdStop));
    settings.setValue(QStringLiteral("postduration"), storedNumber(m_ui->postDuration));
    settings.setValue(QStringLiteral("continuemonitoring"), m_ui->continueMonitoring->isChecked());
}

int autoStartDialog::frequencyIndex() const
{
    return m_ui->frequencyBox->currentIndex();
}

bool autoStartDialog::continueMonitoring() const
{
    return m_ui->continueMonitoring->isChecked();
}

int autoStartDialog::startParameterIndex() const
{
    return m_startParameter;
}

double autoStartDialog::startThreshold() const
{
    return m_ui->thresholdStart->value();
}

bool autoStartDialog::startOver() const
{
    return m_startOver;
}

int autoStartDialog::stopParameterIndex() const
{
    return m_stopParameter;
}

double autoStartDialog::stopThreshold() const
{
    return m_ui->thresholdStop->value();
}

bool autoStartDialog::stopOver() const
{
    return m_stopOver;
}

double autoStartDialog::scanDuration() const
{
    return m_stopByDuration ? m_ui->scanDuration->value() : 0.0;
}

double autoStartDialog::preDuration() const
{
    return m_ui->preDuration->value();
}

double autoStartDialog::postDuration() const
{
    return m_ui->postDuration->value();
}

void autoStartDialog::toggleDuration(bool byDuration)
{
    for (QWidget* control :
         {static_cast<QWidget*>(m_ui->stopOver), static_cast<QWidget*>(m_ui->stopBelow),
          static_cast<QWidget*>(m_ui->stopParameter), static_cast<QWidget*>(m_ui->thresholdStop)})
        control->setEnabled(!byDuration);
}

void autoStartDialog::on_okButton_clicked()
{
    saveSettings();
    accept();
}

void autoStartDialog::on_cancelButton_clicked()
{
    saveSettings();
    reject();
}

void autoStartDialog::on_startParameter_currentIndexChanged(int /*index*/)
{
    m_startParameter = m_ui->startParameter->currentData().toInt();
    setUnitLabel(m_ui->startUnitLabel, m_startParameter);
}

void autoStartDialog::on_stopParameter_currentIndexChanged(int /*index*/)
{
    m_stopParameter = m_ui->stopParameter->currentData().toInt();
    setUnitLabel(m_ui->stopUnitLabel, m_stopParameter);
}

void autoStartDialog::on_stopCondition_currentTextChanged(const QString& text)
{
    if (text.contains(QLatin1String("Duration"))) {
        showDurationControls();
        m_stopByDuration = true;
        leaveMirroredMode();
    } else if (text.contains(QLatin1String("Stop Threshold"))) {
        showStopThresholdControls();
        m_stopByDuration = false;
    }
}

void autoStartDialog::on_useSameThresholdsButton_clicked()
{
    m_ui->useSameThresholdsButton->setText(QStringLiteral("="));
    m_sameThresholds = true;
    m_stopByDuration = false;
    // Each copy that changes a value reaches useDifferentThresholds, which
    // judges the conditions as far as they have been copied.
    m_ui->thresholdStop->setValue(m_ui->thresholdStart->value());
    m_ui->stopParameter->setCurrentIndex(m_ui->startParameter->currentIndex());
    if (m_startOver) {
        m_ui->stopBelow->setChecked(true);
        m_stopOver = false;
    } else {
        m_ui->stopOver->setChecked(true);
        m_stopOver = true;
    }
}

void autoStartDialog::useDifferentThresholds()
{
    if (!m_sameThresholds)
        return;
    const bool stillMirrored = m_ui->startParameter->currentIndex() == m_ui->stopParameter->currentIndex() &&
                               m_ui->thresholdStart->value() == m_ui->thresholdStop->value() &&
                               m_ui->startOver->isChecked() == m_ui->stopBelow->isChecked();
    if (!stillMirrored)
        leaveMirroredMode();
}

void autoStartDialog::leaveMirroredMode()
{
    m_sameThresholds = false;
    m_ui->useSameThresholdsButton->setText(QStringLiteral("=>"));
}

void autoStartDialog::on_startOver_clicked()
{
    if (m_sameThresholds) {
        m_ui->stopBelow->setChecked(true);
        m_stopOver = false;
    }
    m_startOver = true;
}

void autoStartDialog::on_startBelow_clicked()
{
    if (m_sameThresholds) {
        m_ui->stopOver->setChecked(true);
        m_stopOver = true;
    }
    m_startOver = false;
}

void autoStartDialog::on_stopBelow_clicked()
{
    m_stopOver = false;
}

void autoStartDialog::on_stopOver_clicked()
{
    m_stopOver = true;
}

void autoStartDialog::on_startParameter_currentTextChanged(const QString& text)
{
    setThresholdRange(m_ui->thresholdStart, text);
}

void autoStartDialog::on_stopParameter_currentTextChanged(const QString& text)
{
    setThresholdRange(m_ui->thresholdStop, text);
}

void autoStartDialog::showDurationControls()
{
    m_ui->scanDuration->show();
    setStopThresholdControlsVisible(false);
}

void autoStartDialog::showStopThresholdControls()
{
    m_ui->scanDuration->hide();
    setStopThresholdControlsVisible(true);
}

void autoStartDialog::setStopThresholdControlsVisible(bool visible)
{
    for (QWidget* control :
         {static_cast<QWidget*>(m_ui->stopParameter), static_cast<QWidget*>(m_ui->stopOver),
          static_cast<QWidget*>(m_ui->stopBelow), static_cast<QWidget*>(m_ui->thresholdStop),
          static_cast<QWidget*>(m_ui->postDuration), static_cast<QWidget*>(m_ui->useSameThresholdsButton)})
        control->setVisible(visible);
}
