// The QuvixSerial window end to end against simulated sensors: finding and
// showing a sensor, sending settings, refusing bad input, losing and
// switching sensors, and leaving the sensor closed on exit.

#include "foreignholder.h"
#include "frequencytext.h"
#include "mainwindow.h"
#include "platform/namedmutex.h"
#include "platform/pause.h"
#include "sensors/ipv4text.h"
#include "simulatedsensors.h"
#include "stringlistdlg.h"
#include "ui_mainwindow.h"
#include "usb_comm_device.h"

#include <gtest/gtest.h>

#include <QApplication>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <functional>

namespace {

// Answers every modal box the window opens: message boxes are confirmed
// (their texts kept), the chooser takes the serial given.
class ModalResponder : public QObject
{
public:
    ModalResponder()
    {
        connect(&m_timer, &QTimer::timeout, this, [this] { respond(); });
        m_timer.start(20);
    }
    QStringList texts;
    QString choice;
    // Runs while a message box is still open, before it is answered.
    std::function<void(const QString& text)> whileOpen;

private:
    void respond()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            texts << box->windowTitle() + ": " + box->text();
            if (whileOpen) {
                auto hook = std::move(whileOpen);
                whileOpen = nullptr;
                hook(box->text());
            }
            box->done(QMessageBox::Ok);
        } else if (auto* chooser = qobject_cast<StringListDlg*>(modal)) {
            texts << "chooser: " + QStringList([chooser] {
                                       QStringList items;
                                       for (int i = 0; i < chooser->quvixList->count(); ++i)
                                           items << chooser->quvixList->item(i)->text();
                                       return items;
                                   }())
                                       .join(",");
            chooser->selectedQuvix->setText(choice);
            chooser->accept();
        }
    }
    QTimer m_timer;
};

QByteArray demoImage(uint32_t ip)
{
    QByteArray image = SimulatedSensors::erasedMemory();
    image.replace(0, 68, QByteArray(68, 0));
    image.replace(0, 5, "RE201");
    image.replace(16, 6, "QX0001");
    image.replace(24, 5, "13mhz");
    image[32] = char(0x20);
    image[33] = char(0x20);
    image[35] = 1;
    image[42] = 2;
    image[43] = 5;
    image[44] = 1;
    for (int i = 0; i < 4; ++i) {
        image[48 + i] = char(ip >> (8 * i));
        image[52 + i] = char(0xFFFFFF00u >> (8 * i));
        image[56 + i] = char(0xC0000201u >> (8 * i));
        image[60 + i] = char(0xC0000201u >> (8 * i));
    }
    const uint32_t triple[3] = {12560000, 13560000, 14560000};
    for (int k = 0; k < 3; ++k)
        for (int i = 0; i < 4; ++i)
            image[0x2000 + 4 * k + i] = char(triple[k] >> (8 * i));
    return image;
}

class MainWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        previousHook = Pause::setHook([](int) {});
    }
    void TearDown() override
    {
        window.reset();
        Pause::setHook(previousHook);
    }

    void plug(const QString& stem, const std::string& serial, const QByteArray& image)
    {
        sensors.addSensor(stem, {{"serial", serial}, {"type", "Renu V5.16"}});
        sensors.setMemory(stem, image);
    }

    template <typename T> T* widget(const char* name) const
    {
        T* found = window->findChild<T*>(name);
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    bool waitForSensor(bool shown, int timeoutMs = 30000)
    {
        return QTest::qWaitFor([&] { return widget<QPushButton>("pushButton")->isEnabled() == shown; },
                               timeoutMs);
    }

    bool waitForStatus(const QString& message, int timeoutMs)
    {
        return QTest::qWaitFor([&] { return window->statusBar()->currentMessage() == message; }, timeoutMs);
    }

    void start()
    {
        window = std::make_unique<MainWindow>();
        window->show();
    }

    void send()
    {
        sensors.clearCommands();
        QTest::mouseClick(widget<QPushButton>("pushButton"), Qt::LeftButton);
    }

    int memoryWrites() const
    {
        int writes = 0;
        for (const auto& command : sensors.commands())
            writes += command.letter == 'u';
        return writes;
    }

    SimulatedSensors sensors;
    ModalResponder responder;
    std::unique_ptr<MainWindow> window;
    Pause::Hook previousHook;
};

} // namespace

TEST(FrequencyText, FormatsAndParsesTheWindowsTexts)
{
    struct Case {
        uint32_t hertz;
        const char* text;
    };
    for (const Case& c : {Case{13560000, "13.56 MHz"}, Case{450000, "450 KHz"}, Case{1000000, "1 MHz"},
                          Case{0, "Unlocked"}, Case{999, ""}, Case{12880000, "12.88 MHz"}}) {
        EXPECT_EQ(FrequencyText::format(c.hertz), c.text) << c.hertz;
    }
    EXPECT_EQ(FrequencyText::parse("13.56 MHz"), 13560000u);
    EXPECT_EQ(FrequencyText::parse("450 KHz"), 450000u);
    EXPECT_EQ(FrequencyText::parse("Unlocked"), 13560000u);
    EXPECT_EQ(FrequencyText::parse("x Hz"), 0u);
    const QStringList texts = FrequencyText::selectorTexts();
    EXPECT_EQ(texts, (QStringList{"350 KHz", "400 KHz", "450 KHz", "1 MHz", "2 MHz", "3.2 MHz", "12.88 MHz",
                                  "13.56 MHz", "27.12 MHz", "40.68 MHz", "60 MHz", "120 MHz", "Unlocked"}));
    EXPECT_EQ(FrequencyText::selectorIndexOf(texts, 13560000), 7);
    EXPECT_EQ(FrequencyText::selectorIndexOf(texts, 13570000), -1);
}

TEST(Ipv4Text, AcceptsOnlyFourDottedParts)
{
    EXPECT_EQ(parseIpv4("192.168.1.10"), std::optional<uint32_t>(0xC0A8010A));
    for (const char* bad : {"1.2.3", "", "::1", "256.1.1.1", "1.2.3.4.5", "a.b.c.d", "1..2.3"})
        EXPECT_FALSE(parseIpv4(bad).has_value()) << bad;
    EXPECT_EQ(formatIpv4(0xC0A8010A), "192.168.1.10");
}

TEST(Ipv4Text, ReadsEveryPartAsTheDecimalNumberTyped)
{
    struct Case {
        const char* text;
        std::optional<uint32_t> address;
    };
    const Case cases[] = {
        {"192.168.001.010", 0xC0A8010A}, {"010.1.1.1", 0x0A010101},       {"10.0.0.08", 0x0A000008},
        {"10.0.0.09", 0x0A000009},       {"255.255.255.000", 0xFFFFFF00}, {"000.000.000.000", 0x00000000},
        {" 192.168.1.010 ", 0xC0A8010A}, {"0255.1.1.1", std::nullopt},    {"256.001.1.1", std::nullopt},
        {"1.2.3.0x1", std::nullopt},     {"+1.2.3.4", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(parseIpv4(c.text), c.address) << c.text;
}

// The form on a bare main window, before the window logic changes it.
TEST(ConfigToolForm, BuildsFivePagesInOrderWithTheirLimits)
{
    QMainWindow host;
    Ui_MainWindow form;
    form.setupUi(&host);
    ASSERT_EQ(form.tabWidget->count(), 5);
    const QStringList titles{"Sensor Information", "Analog Configuration", "Network", "Boot", "Frequency"};
    for (int tab = 0; tab < 5; ++tab)
        EXPECT_EQ(form.tabWidget->tabText(tab), titles.at(tab));
    EXPECT_EQ(form.tabWidget->currentIndex(), 0);

    // Creation order decides the focus chain of the identity page.
    QStringList created;
    for (const QWidget* child : form.SensoInfo->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        created << child->objectName();
    EXPECT_EQ(
        created.join(",").toStdString(),
        "variantEdit,label_2,productEdit,label,dateEdit,label_4,revEdit,label_3,serialEdit,label_12,label_7,"
        "quvixType");

    EXPECT_EQ(form.productEdit->text(), "RE201");
    EXPECT_EQ(form.revEdit->text(), "E");
    const std::pair<QLineEdit*, int> limits[] = {
        {form.productEdit, 5}, {form.dateEdit, 4}, {form.revEdit, 1}, {form.serialEdit, 4}};
    for (const auto& [edit, length] : limits) {
        edit->setText("ABCDEFGHIJ");
        EXPECT_EQ(edit->text().size(), length) << edit->objectName().toStdString();
    }
    EXPECT_EQ(form.chanASpin->maximum(), 6.0);
    EXPECT_EQ(form.chanBSpin->singleStep(), 0.5);
    EXPECT_EQ(form.gainChan2->maximum(), 200);
    EXPECT_EQ(form.quvixType->count(), 3);
    EXPECT_EQ(form.quvixType->itemText(2), "Kadro");
    EXPECT_EQ(form.cbDebugInfo->text(), "Enable debuig information over serial port.");
    EXPECT_EQ(form.cbPulseMonitor->text(), "Enable pulse monitor");
    EXPECT_TRUE(form.bntTavi->isEnabled());
    EXPECT_TRUE(form.useHTTPwatchdog->isEnabled());
    for (QWidget* input : std::initializer_list<QWidget*>{
             form.useDHCP,           form.ipEdit,          form.nmEdit,          form.gwEdit,
             form.dnsEdit,           form.defaultFreq,     form.defaultHarms,    form.cbDebugInfo,
             form.cbPulseMonitor,    form.b_resetBootMenu, form.pushButton,      form.chanASpin,
             form.chanBSpin,         form.cbLVDS,          form.cbdisableOutput, form.temperatureCoeffX,
             form.temperatureCoeffY, form.gainChan1,       form.gainChan2,       form.cb_freq})
        EXPECT_FALSE(input->isEnabled()) << input->objectName().toStdString();
    EXPECT_EQ(host.windowTitle(), "Quvix Configuration Tool");
    EXPECT_EQ(form.lbBuild->text(), "Build x");
}

TEST_F(MainWindowTest, StartsSearchingWithEveryFieldDisabled)
{
    start();
    auto* tabs = widget<QTabWidget>("tabWidget");
    ASSERT_EQ(tabs->count(), 2);
    EXPECT_EQ(tabs->tabText(0), "Network");
    EXPECT_EQ(tabs->tabText(1), "Boot");
    EXPECT_EQ(window->windowTitle(), "Sensor Configuration Tool");
    EXPECT_EQ(widget<QLabel>("lbBuild")->text(), "Build 5905");
    EXPECT_FALSE(widget<QPushButton>("bntTavi")->isVisible());
    EXPECT_TRUE(widget<QCheckBox>("useHTTPwatchdog")->isEnabled());
    for (const char* name :
         {"useDHCP", "ipEdit", "nmEdit", "gwEdit", "dnsEdit", "defaultFreq", "defaultHarms", "cbDebugInfo",
          "cbPulseMonitor", "b_resetBootMenu", "pushButton"})
        EXPECT_FALSE(window->findChild<QWidget*>(name)->isEnabled()) << name;
    EXPECT_EQ(widget<QComboBox>("cb_freq")->currentText(), "13.56 MHz");
    EXPECT_EQ(window->minimumSize(), QSize(300, 400));
    EXPECT_EQ(window->maximumSize(), QSize(400, 500));
}

TEST_F(MainWindowTest, ShowsTheSensorWithinTwoSeconds)
{
    plug("a", "QX1", demoImage(0xC000023C));
    start();
    ASSERT_TRUE(waitForSensor(true));
    EXPECT_EQ(widget<QLineEdit>("ipEdit")->text(), "192.0.2.60");
    EXPECT_EQ(widget<QLineEdit>("nmEdit")->text(), "255.255.255.0");
    EXPECT_EQ(widget<QLineEdit>("gwEdit")->text(), "192.0.2.1");
    EXPECT_FALSE(widget<QCheckBox>("useDHCP")->isChecked());
    EXPECT_TRUE(widget<QCheckBox>("useHTTPwatchdog")->isChecked());
    EXPECT_EQ(widget<QLineEdit>("defaultFreq")->text(), "2");
    EXPECT_EQ(widget<QLineEdit>("defaultHarms")->text(), "5");
    EXPECT_EQ(widget<QComboBox>("cb_freq")->currentIndex(), 7);
    std::string letters;
    for (const auto& command : sensors.commands())
        letters += command.letter;
    EXPECT_EQ(letters.substr(0, 4), "*iCC") << "calibration mode from the factory and again from the window";
}

TEST_F(MainWindowTest, ADhcpSendZeroesTheAddressesAndNothingElse)
{
    plug("a", "QX1", demoImage(0xC000023C));
    start();
    ASSERT_TRUE(waitForSensor(true));
    const QByteArray before = sensors.memory("a");
    widget<QCheckBox>("useDHCP")->click();
    EXPECT_FALSE(widget<QLineEdit>("ipEdit")->isEnabled());
    send();
    ASSERT_TRUE(waitForStatus("Memory successfully written", 30000));
    const QByteArray after = sensors.memory("a");
    EXPECT_EQ(after.mid(48, 16), QByteArray(16, 0));
    EXPECT_EQ(after.left(48), before.left(48));
    EXPECT_EQ(after.mid(64), before.mid(64));
    ASSERT_FALSE(responder.texts.isEmpty());
    EXPECT_TRUE(responder.texts.first().startsWith("Sending Configuration: In order to correctly write"));
}

TEST_F(MainWindowTest, ZeroPaddedAddressesReachTheSensorAsTyped)
{
    plug("a", "QX1", demoImage(0xC000023C));
    start();
    ASSERT_TRUE(waitForSensor(true));
    widget<QLineEdit>("ipEdit")->setText("192.168.001.010");
    widget<QLineEdit>("nmEdit")->setText("255.255.255.000");
    widget<QLineEdit>("gwEdit")->setText("010.0.0.08");
    widget<QLineEdit>("dnsEdit")->setText("008.008.004.004");
    send();
    ASSERT_TRUE(waitForStatus("Memory successfully written", 30000));
    EXPECT_EQ(sensors.memory("a").mid(48, 16), QByteArray("\x0A\x01\xA8\xC0"
                                                          "\x00\xFF\xFF\xFF"
                                                          "\x08\x00\x00\x0A"
                                                          "\x04\x04\x08\x08",
                                                          16));
    EXPECT_FALSE(responder.texts.join("\n").contains("invalid IP"));
}

TEST_F(MainWindowTest, ASensorWithAShortInfoFrameIsShownAndWritten)
{
    plug("a", "QX1", demoImage(0xC000023C));
    sensors.setSetting("a", "info_length", "27"); // a 30-byte info frame
    start();
    ASSERT_TRUE(waitForSensor(true, 30000));
    EXPECT_EQ(widget<QLineEdit>("ipEdit")->text(), "192.0.2.60");
    widget<QLineEdit>("ipEdit")->setText("192.0.2.61");
    send();
    ASSERT_TRUE(waitForStatus("Memory successfully written", 30000));
    EXPECT_EQ(sensors.memory("a").mid(48, 4), QByteArray("\x3D\x02\x00\xC0", 4));
    EXPECT_TRUE(widget<QPushButton>("pushButton")->isEnabled()) << "the poll keeps the sensor";
}

TEST_F(MainWindowTest, InvalidInputIsRefusedAndNothingIsWritten)
{
    plug("a", "QX1", demoImage(0xC000023C));
    start();
    ASSERT_TRUE(waitForSensor(true));
    struct Case {
        const char* edit;
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {"ipEdit", "1.2.3", "invalid IP: Ip provided is invalid"},
        {"nmEdit", "", "invalid IP: Net Mask provided is invalid"},
        {"gwEdit", "::1", "invalid IP: Gateway address provided is invalid"},
        {"dnsEdit", "300.1.1.1", "invalid IP: Dns address provided is invalid"},
        {"defaultFreq", "300", "Invalid boot settings: "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.edit);
        auto* edit = widget<QLineEdit>(c.edit);
        const QString original = edit->text();
        edit->setText(c.text);
        responder.texts.clear();
        send();
        ASSERT_TRUE(QTest::qWaitFor([&] { return responder.texts.size() >= 2; }, 30000));
        EXPECT_TRUE(responder.texts.at(1).startsWith(c.message)) << responder.texts.at(1).toStdString();
        EXPECT_EQ(memoryWrites(), 0);
        edit->setText(original);
    }
}

TEST_F(MainWindowTest, HiddenFieldsKeepTheBytesTheSensorHolds)
{
    QByteArray image = demoImage(0xC000023C);
    image.replace(0, 8, "LONGPROD");
    image.replace(12, 4, "REV2");
    image.replace(16, 8, "SER12345");
    image[32] = char(0xF0);
    image[33] = char(0xF0);
    image[35] = char(0xFF);
    image.replace(38, 4, QByteArray("\x10\x27\xF0\xD8", 4)); // 10000, -10000
    plug("a", "QX1", image);
    start();
    ASSERT_TRUE(waitForSensor(true));
    send();
    ASSERT_TRUE(waitForStatus("Memory successfully written", 30000));
    const QByteArray after = sensors.memory("a");
    EXPECT_EQ(after.left(42), image.left(42));
    EXPECT_EQ(after, image) << "a send without edits writes back what was read";
}

TEST_F(MainWindowTest, EmptyProductIdIsWrittenAsTheDefault)
{
    QByteArray image = demoImage(0);
    image.replace(0, 8, QByteArray(8, 0));
    plug("a", "QX1", image);
    start();
    ASSERT_TRUE(waitForSensor(true));
    EXPECT_TRUE(widget<QCheckBox>("useDHCP")->isChecked());
    EXPECT_TRUE(widget<QLineEdit>("ipEdit")->text().isEmpty());
    EXPECT_EQ(widget<QLineEdit>("productEdit")->text(), "RE201");
    send();
    ASSERT_TRUE(waitForStatus("Memory successfully written", 30000));
    EXPECT_EQ(sensors.memory("a").left(8), QByteArray("RE201\0\0\0", 8));
}

TEST_F(MainWindowTest, ResetBootMenuErasesItAtOnce)
{
    plug("a", "QX1", demoImage(0xC000023C));
    start();
    ASSERT_TRUE(waitForSensor(true));
    QTest::mouseClick(widget<QPushButton>("b_resetBootMenu"), Qt::LeftButton);
    ASSERT_TRUE(waitForStatus("Memory successfully written", 30000));
    EXPECT_EQ(sensors.memory("a").mid(0x3000, 64), QByteArray(64, char(0xFF)));
    EXPECT_TRUE(responder.texts.isEmpty()) << "no question asked";

    sensors.setSetting("a", "failwrite_after", "0");
    QTest::mouseClick(widget<QPushButton>("b_resetBootMenu"), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !responder.texts.isEmpty(); }, 30000));
    EXPECT_EQ(responder.texts.first(), "Error: Writing calibration data to device failed.");
}

TEST_F(MainWindowTest, ASendTheSensorIgnoresIsReportedAsFailed)
{
    plug("a", "QX1", demoImage(0xC000023C));
    start();
    ASSERT_TRUE(waitForSensor(true));
    sensors.setSetting("a", "writeprotect", "1");
    const QByteArray before = sensors.memory("a");
    widget<QLineEdit>("ipEdit")->setText("192.0.2.99");
    widget<QCheckBox>("useHTTPwatchdog")->setChecked(false);
    send();
    ASSERT_TRUE(waitForStatus("Failed to write memory", 30000));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return responder.texts.contains("Error: Writing calibration data to device failed."); },
        30000));
    EXPECT_EQ(sensors.memory("a"), before);
    EXPECT_EQ(widget<QLineEdit>("ipEdit")->text(), "192.0.2.99") << "nothing stored: the edits stay to retry";
}

TEST_F(MainWindowTest, AHalfAppliedSendSaysWhichPartFailedAndShowsWhatTheSensorHolds)
{
    plug("a", "QX1", demoImage(0xC000023C));
    start();
    ASSERT_TRUE(waitForSensor(true));
    struct Case {
        const char* protectFrom;
        const char* protectTo;
        const char* typedIp;
        bool typedWatchdog;
        const char* message;
        const char* shownIp;
        bool shownWatchdog;
    };
    const Case cases[] = {
        {"48", "64", "192.0.2.99", false,
         "Error: Writing the network addresses (IP, net mask, gateway, DNS) to the sensor failed; the other "
         "settings were stored. The window now shows what the sensor holds.",
         "192.0.2.60", false},
        {"0", "46", "192.0.2.98", true,
         "Error: Writing the boot and identity settings to the sensor failed; the network addresses were "
         "stored. The window now shows what the sensor holds.",
         "192.0.2.98", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.protectFrom);
        sensors.setSetting("a", "writeprotect_from", c.protectFrom);
        sensors.setSetting("a", "writeprotect_to", c.protectTo);
        widget<QLineEdit>("ipEdit")->setText(c.typedIp);
        widget<QCheckBox>("useHTTPwatchdog")->setChecked(c.typedWatchdog);
        responder.texts.clear();
        send();
        ASSERT_TRUE(QTest::qWaitFor([&] { return responder.texts.size() >= 2; }, 30000));
        EXPECT_EQ(responder.texts.at(1).toStdString(), c.message);
        EXPECT_EQ(window->statusBar()->currentMessage(), "Failed to write memory");
        EXPECT_EQ(widget<QLineEdit>("ipEdit")->text().toStdString(), c.shownIp);
        EXPECT_EQ(widget<QCheckBox>("useHTTPwatchdog")->isChecked(), c.shownWatchdog);
        EXPECT_EQ(sensors.memory("a")[44], char(c.shownWatchdog ? 1 : 0));
    }
}

TEST_F(MainWindowTest, PullingTheCableDisablesTheWindowAndReturningItShowsTheSensor)
{
    plug("a", "QX1", demoImage(0xC000023C));
    start();
    ASSERT_TRUE(waitForSensor(true));
    sensors.setPresent("a", false);
    ASSERT_TRUE(waitForSensor(false, 10000));
    EXPECT_FALSE(widget<QPushButton>("b_resetBootMenu")->isEnabled());
    EXPECT_EQ(NamedMutex::probe(sensorLockName("QX1")), NamedMutex::Presence::Free);
    sensors.setPresent("a", true);
    EXPECT_TRUE(waitForSensor(true));
}

TEST_F(MainWindowTest, OpensTheSensorThatNoOtherProgramHolds)
{
    plug("a", "QX1", demoImage(0xC000023C));
    plug("b", "QX2", demoImage(0xC000023D));
    ForeignHolder holder(sensorLockName("QX1"));
    start();
    ASSERT_TRUE(waitForSensor(true));
    EXPECT_EQ(widget<QLineEdit>("ipEdit")->text(), "192.0.2.61");
}

TEST_F(MainWindowTest, TheChooserSwitchesToTheChosenSensor)
{
    plug("a", "QX1", demoImage(0xC000023C));
    plug("b", "QX2", demoImage(0xC000023D));
    start();
    ASSERT_TRUE(waitForSensor(true));
    EXPECT_EQ(widget<QLineEdit>("ipEdit")->text(), "192.0.2.60");
    responder.choice = "QX2";
    QTest::keyClick(window.get(), Qt::Key_O, Qt::ControlModifier);
    ASSERT_TRUE(QTest::qWaitFor([&] { return widget<QLineEdit>("ipEdit")->text() == "192.0.2.61"; }, 30000));
    EXPECT_EQ(responder.texts.first(), "chooser: QX1,QX2");
    EXPECT_EQ(widget<QLabel>("selectedSerial")->text(), "QX2");
    // Once open, the chosen sensor stays open.
    QTest::qWait(1000);
    EXPECT_TRUE(widget<QPushButton>("pushButton")->isEnabled());
    EXPECT_EQ(NamedMutex::probe(sensorLockName("QX1")), NamedMutex::Presence::Free);
}

TEST_F(MainWindowTest, ASensorLostBehindTheSendBoxFailsTheSendCleanly)
{
    plug("a", "QX1", demoImage(0xC000023C));
    start();
    ASSERT_TRUE(waitForSensor(true));
    // The cable goes while the send's warning box is open, for several poll
    // periods: the poll waits for the box, so the send goes on against the
    // sensor it showed and reports the failed write.
    responder.whileOpen = [this](const QString&) {
        sensors.setPresent("a", false);
        QTest::qWait(3 * MainWindow::kPollPeriodMs);
    };
    send();
    ASSERT_TRUE(waitForStatus("Failed to write memory", 30000));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return responder.texts.contains("Error: Writing calibration data to device failed."); }, 30000));
    EXPECT_TRUE(waitForSensor(false, 10000)) << "the next poll drops the sensor";
}

TEST_F(MainWindowTest, ClosingLeavesTheSensorInNormalModeAndFree)
{
    plug("a", "QX1", demoImage(0xC000023C));
    start();
    ASSERT_TRUE(waitForSensor(true));
    window.reset();
    const auto commands = sensors.commands();
    ASSERT_GE(commands.size(), 2u);
    EXPECT_EQ(commands[commands.size() - 2].letter, 'N');
    EXPECT_EQ(commands.back().letter, '*');
    EXPECT_EQ(NamedMutex::probe(sensorLockName("QX1")), NamedMutex::Presence::Free);
}
