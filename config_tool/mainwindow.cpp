#include "mainwindow.h"

#include "frequencytext.h"
#include "opensensor.h"
#include "platform/pause.h"
#include "sensor.h"
#include "sensors/ipv4text.h"
#include "stringlistdlg.h"
#include "ui_mainwindow.h"

#include <QDebug>
#include <QEvent>
#include <QIntValidator>
#include <QMessageBox>
#include <QShortcut>
#include <QTimer>

namespace {

constexpr int kCalibrationSettleMs = 10;
constexpr int kSendingStatusMs = 1000;

const char* const kSendWarning =
    "In order to correctly write the config to the sensor, you must power cycle it once the software has "
    "finished writing the config. When finished, close the software, otherwise the Quvix will stay in "
    "calibration mode!";

} // namespace

MainWindow::MainWindow(QWidget* parent)
    : QMainWindow(parent)
    , m_form(new Ui_MainWindow)
{
    // The images are compiled into a static library: register them here.
    Q_INIT_RESOURCE(quvixserial);
    m_form->setupUi(this);
    m_form->lbBuild->setText(QString("Build %1").arg(kBuildNumber));
    m_connected = false;

    m_pollTimer = std::make_unique<QTimer>();
    connect(m_pollTimer.get(), &QTimer::timeout, this, &MainWindow::timer_func);
    connect(this, &MainWindow::newSensor, this, &MainWindow::sensorConnected);
    connect(m_form->pushButton, &QPushButton::clicked, this, &MainWindow::sendSensorData);
    connect(m_form->useDHCP, &QCheckBox::clicked, this, &MainWindow::dhcpCheck);
    connect(m_form->bntTavi, &QPushButton::clicked, this, &MainWindow::setTavi);
    connect(m_form->b_resetBootMenu, &QPushButton::released, this, &MainWindow::resetBootMenu);
    auto* chooser = new QShortcut(QKeySequence("Ctrl+O"), this);
    chooser->setContext(Qt::WindowShortcut);
    connect(chooser, &QShortcut::activated, this, &MainWindow::chooseQuvix);

    m_form->tabWidget->removeTab(4);
    m_form->tabWidget->setCurrentIndex(0);
    m_form->tabWidget->removeTab(1);
    m_form->tabWidget->removeTab(0);
    setWindowTitle("Sensor Configuration Tool");
    m_form->bntTavi->hide();

    m_frequencyTexts = FrequencyText::selectorTexts();
    m_form->cb_freq->addItems(m_frequencyTexts);
    m_form->cb_freq->setCurrentIndex(FrequencyText::selectorIndexOf(m_frequencyTexts, 13560000));
    m_form->lb_freqLowValue->setText(FrequencyText::format(12560000));
    m_form->lb_freqHighValue->setText(FrequencyText::format(14560000));
    connect(m_form->cb_freq, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &MainWindow::updateFrequencyTab);

    m_form->bntTavi->setEnabled(false);
    m_form->temperatureCoeffX->setValidator(new QIntValidator(-5000, 5000, this));
    m_form->temperatureCoeffY->setValidator(new QIntValidator(-5000, 5000, this));
    m_form->defaultFreq->setValidator(new QIntValidator(0, 255, this));
    m_form->defaultHarms->setValidator(new QIntValidator(0, 255, this));
    m_pollTimer->start(kPollPeriodMs);
}

MainWindow::~MainWindow()
{
    m_pollTimer->stop();
    delete m_form;
    // Closing the device sends it back to normal mode and frees its lock.
    m_record.reset();
    m_device.reset();
}

void MainWindow::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::LanguageChange)
        m_form->retranslateUi(this);
}

template <typename Show> bool MainWindow::withPollPaused(Show show)
{
    const Sensor* shown = m_sensor;
    m_pollPaused = true;
    show();
    m_pollPaused = false;
    return m_connected && m_sensor == shown && m_sensor && m_device && m_device->isOpen();
}

std::unique_ptr<quvix2_base> MainWindow::openChosenOrFirstSensor()
{
    std::vector<SensorListEntry> list;
    listSensors(list);
    if (list.empty())
        return nullptr;
    if (!m_chosenSerial.isEmpty()) {
        qDebug() << "Opening selected Sensor";
        return openSensor(m_chosenSerial.toUtf8().constData());
    }
    qDebug() << "Opening first available Sensor";
    for (const SensorListEntry& entry : list) {
        if (!entry.available)
            continue;
        if (std::unique_ptr<quvix2_base> device = openSensor(entry.serial))
            return device;
    }
    return nullptr;
}

void MainWindow::timer_func()
{
    if (m_pollPaused)
        return;
    if (m_connected) {
        if (!m_switchRequested && m_sensor->refresh())
            return;
        const bool switching = m_switchRequested;
        m_switchRequested = false;
        if (switching && m_device)
            m_device->close();
        sensorDisconnected();
        qDebug() << "Disconnected Sensor";
        return;
    }
    std::vector<SensorListEntry> list;
    listSensors(list);
    if (list.empty())
        return;
    std::unique_ptr<quvix2_base> device = openChosenOrFirstSensor();
    if (!device) {
        qDebug() << "Failed to open Sensor";
        return;
    }
    device->enterCalibrationMode();
    Pause::milliseconds(kCalibrationSettleMs);
    auto record = std::make_unique<Sensor>(device.get());
    if (!record->isValid()) {
        qDebug() << "Sensor not valid";
        return;
    }
    qDebug() << "Sensor opened.";
    // The choice is fulfilled: it must not close this sensor again.
    m_switchRequested = false;
    m_device = std::move(device);
    m_record = std::move(record);
    m_connected = true;
    emit newSensor(m_record.get());
}

void MainWindow::sensorConnected(Sensor* record)
{
    Ui_MainWindow& f = *m_form;
    const QString product = record->productId();
    f.productEdit->setText(product.isEmpty() ? "RE201" : product);
    f.productEdit->setEnabled(true);
    f.revEdit->setText(record->revision());
    f.revEdit->setEnabled(true);
    f.dateEdit->setText(record->date());
    f.dateEdit->setEnabled(true);
    f.serialEdit->setText(record->serial());
    f.serialEdit->setEnabled(true);
    f.pushButton->setEnabled(true);
    f.chanASpin->setValue(record->adcGainA());
    f.chanASpin->setEnabled(true);
    f.chanBSpin->setValue(record->adcGainB());
    f.chanBSpin->setEnabled(true);
    f.variantEdit->setText(record->variant());
    f.variantEdit->setEnabled(true);
    f.cbLVDS->setChecked(record->usesLvds());
    f.cbLVDS->setEnabled(true);
    f.cbdisableOutput->setChecked(record->adcOutputsDisabled());
    f.cbdisableOutput->setEnabled(true);
    f.quvixType->setCurrentIndex(record->sensorType() < f.quvixType->count() ? record->sensorType() : 0);
    f.quvixType->setEnabled(true);
    f.gainChan1->setValue(record->pgaGainA());
    f.gainChan1->setEnabled(true);
    f.gainChan2->setValue(record->pgaGainB());
    f.gainChan2->setEnabled(true);

    f.cb_freq->setEnabled(true);
    f.cb_freq->setCurrentIndex(FrequencyText::selectorIndexOf(m_frequencyTexts, record->frequencies().base));
    f.lb_freqLowValue->setText(FrequencyText::format(record->frequencies().low));
    f.lb_freqHighValue->setText(FrequencyText::format(record->frequencies().high));

    f.cbDebugInfo->setChecked(record->debugInfo());
    f.cbDebugInfo->setEnabled(true);
    f.cbPulseMonitor->setChecked(record->pulseMonitor());
    f.cbPulseMonitor->setEnabled(true);
    if (record->sensorType() != 0)
        f.bntTavi->setEnabled(true);

    f.temperatureCoeffY->setText(QString::number(record->temperatureCoefficientY()));
    f.temperatureCoeffY->setEnabled(true);
    f.temperatureCoeffX->setText(QString::number(record->temperatureCoefficientX()));
    f.temperatureCoeffX->setEnabled(true);
    f.defaultFreq->setEnabled(true);
    f.defaultFreq->setText(QString::number(record->defaultFrequencyIndex()));
    f.defaultHarms->setEnabled(true);
    f.defaultHarms->setText(QString::number(record->defaultHarmonics()));

    f.useDHCP->setEnabled(true);
    f.b_resetBootMenu->setEnabled(true);
    f.useHTTPwatchdog->setChecked(record->httpWatchdog());
    QLineEdit* const addressEdits[] = {f.ipEdit, f.gwEdit, f.dnsEdit, f.nmEdit};
    const uint32_t ip = record->ipAddress();
    if (ip == 0 || ip == 0xFFFFFFFFu) {
        f.useDHCP->setChecked(true);
        // Nothing of an earlier sensor's addresses stays on show.
        for (QLineEdit* edit : addressEdits) {
            edit->clear();
            edit->setEnabled(false);
        }
    } else {
        f.useDHCP->setChecked(false);
        const uint32_t addresses[] = {ip, record->gateway(), record->dnsServer(), record->netMask()};
        for (int i = 0; i < 4; ++i) {
            addressEdits[i]->setEnabled(true);
            addressEdits[i]->setText(formatIpv4(addresses[i]));
        }
    }
    m_sensor = record;
}

void MainWindow::sensorDisconnected()
{
    Ui_MainWindow& f = *m_form;
    for (QWidget* widget : std::initializer_list<QWidget*>{
             f.productEdit, f.dateEdit, f.revEdit, f.serialEdit, f.pushButton, f.chanASpin, f.chanBSpin,
             f.cbLVDS, f.gainChan1, f.gainChan2, f.cbdisableOutput, f.quvixType, f.bntTavi,
             f.temperatureCoeffY, f.temperatureCoeffX, f.cb_freq, f.cbDebugInfo, f.cbPulseMonitor,
             f.b_resetBootMenu})
        widget->setEnabled(false);
    m_connected = false;
    m_sensor = nullptr;
    m_record.reset();
    m_device.reset();
}

void MainWindow::dhcpCheck(bool checked)
{
    for (QLineEdit* edit : {m_form->nmEdit, m_form->ipEdit, m_form->gwEdit, m_form->dnsEdit})
        edit->setEnabled(!checked);
}

void MainWindow::setTavi(bool)
{
    m_form->quvixType->setCurrentIndex(0);
    m_form->bntTavi->setEnabled(false);
}

void MainWindow::updateFrequencyTab(int row)
{
    SensorFrequency range;
    if (row < 0 || !range.setFromRange(static_cast<unsigned>(row)))
        range.setDefault();
    m_form->cb_freq->setToolTip(
        row == int(SensorFrequency::kUnlockedRow) ? "Unlocked mode base frequency = 13.56 MHz" : QString());
    m_form->lb_freqLowValue->setText(FrequencyText::format(range.low));
    m_form->lb_freqHighValue->setText(FrequencyText::format(range.high));
}

bool MainWindow::validateAddresses()
{
    const std::pair<QLineEdit*, const char*> checks[] = {
        {m_form->ipEdit, "Ip provided is invalid"},
        {m_form->nmEdit, "Net Mask provided is invalid"},
        {m_form->gwEdit, "Gateway address provided is invalid"},
        {m_form->dnsEdit, "Dns address provided is invalid"},
    };
    for (const auto& check : checks) {
        if (!parseIpv4(check.first->text())) {
            withPollPaused([this, &check] { QMessageBox::warning(this, "invalid IP", check.second); });
            return false;
        }
    }
    return true;
}

bool MainWindow::validateBootDefaults(uint8_t* frequencyRow, uint8_t* harmonics)
{
    bool ok = true;
    const auto value = [&ok](const QLineEdit* edit) -> unsigned {
        bool isNumber = false;
        const unsigned number = edit->text().toUInt(&isNumber, 10);
        if (!isNumber)
            return edit->text().trimmed().isEmpty() ? 0 : (ok = false, 0);
        if (number > 255)
            ok = false;
        return number;
    };
    const unsigned row = value(m_form->defaultFreq);
    const unsigned count = value(m_form->defaultHarms);
    if (!ok) {
        withPollPaused([this] {
            QMessageBox::warning(
                this, "Invalid boot settings",
                "Frequency Index and Number of Harmonics must be whole numbers from 0 to 255.");
        });
        return false;
    }
    *frequencyRow = static_cast<uint8_t>(row);
    *harmonics = static_cast<uint8_t>(count);
    return true;
}

void MainWindow::storeFrequencySelection()
{
    const int index = m_form->cb_freq->currentIndex();
    if (index <= 0 || index >= m_frequencyTexts.size())
        return;
    const uint32_t low = FrequencyText::parse(m_form->lb_freqLowValue->text());
    const uint32_t base = FrequencyText::parse(m_frequencyTexts.at(index));
    const uint32_t high = FrequencyText::parse(m_form->lb_freqHighValue->text());
    qDebug().noquote()
        << QString("Frequencies sent: Low: %1, Base: %2, High: %3").arg(low).arg(base).arg(high);
    m_sensor->setFrequencies(low, base, high);
}

void MainWindow::sendSensorData()
{
    if (!m_sensor)
        return;
    const bool stillShown = withPollPaused(
        [this] { QMessageBox::warning(this, "Sending Configuration", kSendWarning, QMessageBox::Ok); });
    if (!stillShown)
        return;
    const bool dhcp = m_form->useDHCP->isChecked();
    if (!dhcp && !validateAddresses())
        return;
    uint8_t frequencyRow = 0;
    uint8_t harmonics = 0;
    if (!validateBootDefaults(&frequencyRow, &harmonics))
        return;
    if (!m_sensor)
        return;

    // Only what the visible pages offer is taken from the widgets; the
    // identity and analog fields keep the bytes the sensor holds, since the
    // hidden widgets could only hold them cut or clamped.
    if (m_sensor->productId().isEmpty())
        m_sensor->setProductId("RE201");
    m_sensor->setDebugInfo(m_form->cbDebugInfo->isChecked());
    m_sensor->setPulseMonitor(m_form->cbPulseMonitor->isChecked());
    const auto address = [](const QLineEdit* edit) { return parseIpv4(edit->text()).value_or(0); };
    m_sensor->setNetwork(dhcp, m_form->useHTTPwatchdog->isChecked() ? 1 : 0, address(m_form->ipEdit),
                         address(m_form->nmEdit), address(m_form->gwEdit), address(m_form->dnsEdit));
    m_sensor->setBootDefaults(frequencyRow, harmonics);
    storeFrequencySelection();
    reportSend(m_sensor->writeBlocks());
}

void MainWindow::reportSend(const Sensor::BlockWrites& writes)
{
    if (writes.complete() || (!writes.identityStored && !writes.networkStored)) {
        reportWrite(writes.complete());
        return;
    }
    // Half of the settings reached the sensor: the fields must not go on
    // showing the other half as if it were stored.
    statusBar()->showMessage("Failed to write memory", kStatusTimeoutMs);
    QString text =
        writes.identityStored
            ? "Writing the network addresses (IP, net mask, gateway, DNS) to the sensor failed; the "
              "other settings were stored."
            : "Writing the boot and identity settings to the sensor failed; the network addresses "
              "were stored.";
    if (m_sensor->readBack()) {
        sensorConnected(m_sensor);
        text += " The window now shows what the sensor holds.";
    }
    withPollPaused([&text] {
        QMessageBox box(QMessageBox::Warning, "Error", text, QMessageBox::Ok);
        box.exec();
    });
}

void MainWindow::reportWrite(bool written)
{
    if (written) {
        statusBar()->showMessage("Memory successfully written", kStatusTimeoutMs);
        return;
    }
    statusBar()->showMessage("Failed to write memory", kStatusTimeoutMs);
    withPollPaused([] {
        QMessageBox box(QMessageBox::Warning, "Error", "Writing calibration data to device failed.",
                        QMessageBox::Ok);
        box.exec();
    });
}

void MainWindow::resetBootMenu()
{
    if (!m_sensor)
        return;
    qDebug() << "Sending reset boot menu";
    statusBar()->showMessage("Sending..", kSendingStatusMs);
    reportWrite(m_sensor->eraseBootMenu());
}

void MainWindow::chooseQuvix()
{
    std::vector<SensorListEntry> list;
    listSensors(list);
    QStringList serials;
    for (const SensorListEntry& entry : list)
        serials << QString::fromLatin1(entry.serial);
    StringListDlg chooser(nullptr);
    chooser.setList(serials);
    chooser.setWindowTitle("Select Quvix");
    bool accepted = false;
    withPollPaused([&chooser, &accepted] { accepted = chooser.exec() == QDialog::Accepted; });
    if (!accepted)
        return;
    m_chosenSerial = chooser.selectedText();
    m_switchRequested = true;
    m_form->selectedSerial->setText(m_chosenSerial);
}
