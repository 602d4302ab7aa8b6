// The "Sensors Hub" with one sensor of the stand-in USB driver beside this
// test and two simulated network sensors answering discovery on the private
// namespace's test interfaces (192.0.2.2 and 192.0.2.3, port 80). The
// sensor handler broadcasts, so this runs only inside that namespace.

#include "app/dialogs/addnetworksensordialog.h"
#include "app/mainwindow.h"
#include "app/tabs/overviewtab.h"
#include "app/qstringprinter.h"
#include "app/tabs/quvixdisplaywidget.h"
#include "app/recordingkeepawake.h"
#include "app/scanactivity.h"
#include "app/tabs/timetrendscantab.h"
#include "scans/cwscan.h"
#include "scans/scanhandler.h"
#include "sensors/quvixsensor.h"
#include "sensors/rememberednetworksensors.h"
#include "sensors/sensorhandler.h"
#include "sensors/sensorlibraries.h"
#include "sensors/usbsimcontrol.h"
#include "sim/websensor/discoveryresponder.h"
#include "sim/websensor/websensorserver.h"
#include "support/testenvironment.h"
#include "ui_addnetworksensordialog.h"
#include "ui_mainwindow.h"
#include "ui_scantab.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QPointer>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <memory>

namespace {

const QString usbSerial = QStringLiteral("USB-1");
// Remembered before the handler starts, at an address where nothing answers.
const QString goneSerial = QStringLiteral("GONE-1");

class RememberedBeforeStart : public ::testing::Environment
{
public:
    void SetUp() override
    {
        RememberedNetworkSensors::remember(goneSerial, QStringLiteral("http://192.0.2.9/"));
    }
};
::testing::Environment* const rememberedBeforeStart =
    ::testing::AddGlobalTestEnvironment(new RememberedBeforeStart);

// One simulated network sensor with its discovery responder.
struct SimulatedNetworkSensor {
    SimulatedNetworkSensor(const std::string& address, const std::string& serial)
        : server(optionsFor(address, serial))
        , responder(serial, address)
    {
    }

    static quvixsim::WebSensorOptions optionsFor(const std::string& address, const std::string& serial)
    {
        quvixsim::WebSensorOptions options;
        options.address = address;
        options.serial = serial;
        options.frequenciesHz = {13560000.0, 27120000.0};
        options.harmonics = {3, 2};
        options.refreshMs = 20;
        return options;
    }

    bool start() { return server.start() && responder.start(); }

    int posts() const
    {
        const std::vector<quvixsim::LoggedRequest> log = server.requests();
        return static_cast<int>(std::count_if(
            log.begin(), log.end(), [](const quvixsim::LoggedRequest& r) { return r.method == "POST"; }));
    }

    quvixsim::WebSensorServer server;
    quvixsim::DiscoveryResponder responder;
};

QString rememberedUrlOf(const QString& serial)
{
    return QSettings().value(RememberedNetworkSensors::group + QLatin1Char('/') + serial).toString();
}

class AddNetworkSensorDialogTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QUVIX_REQUIRE_NETLAB();
        ASSERT_TRUE(control.isComplete());
        // USB-2 is plugged in only by the tests that want it.
        ASSERT_EQ(control.configure("[sensor]\nserial = USB-1\nfrequency = 13560000 2 50 0\n"
                                    "[sensor]\nserial = USB-2\nfrequency = 27120000 1 50 0\nattached = no\n"),
                  2);
        ASSERT_TRUE(loadWebSensorLibrary());
        ASSERT_TRUE(netA.start()) << netA.responder.error();
        ASSERT_TRUE(netB.start()) << netB.responder.error();
        handler = SensorHandler::getInstance();
        ASSERT_TRUE(QTest::qWaitFor([&] { return handler->findSensor(usbSerial) != nullptr; }, 20000));
    }

    // Every sensor goes away, and every loop ends, before the simulators and
    // the process do.
    void TearDown() override
    {
        if (!testenv::isNetworkIsolated() || !handler)
            return;
        dialog.reset();
        // Forgotten first, so that no discovery reply opens them again.
        for (const char* serial : {"NET-A", "NET-B"})
            QSettings().remove(RememberedNetworkSensors::group + QLatin1Char('/') + QLatin1String(serial));
        const std::vector<QPointer<QThread>> threads = sensorThreads();
        control.setAttached("USB-1", 0);
        control.setAttached("USB-2", 0);
        const QList<QuvixSensor*> networkSensors = handler->networkSensors();
        for (QuvixSensor* sensor : networkSensors)
            sensor->close();
        EXPECT_TRUE(QTest::qWaitFor([&] { return handler->sensors().isEmpty(); }, 30000));
        for (const QPointer<QThread>& thread : threads)
            EXPECT_TRUE(QTest::qWaitFor([&] { return thread.isNull(); }, 30000));
        QCoreApplication::sendPostedEvents();
    }

    std::vector<QPointer<QThread>> sensorThreads() const
    {
        std::vector<QPointer<QThread>> threads;
        for (QuvixSensor* sensor : handler->sensors() + handler->waitingWebSensors()) {
            if (sensor->thread() != QThread::currentThread())
                threads.emplace_back(sensor->thread());
        }
        return threads;
    }

    // Opens the dialog on the (offscreen) screen.
    void open()
    {
        dialog = std::make_unique<addNetworkSensorDialog>();
        dialog->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog.get(), 20000));
    }

    template <typename Widget> Widget* widget(const char* name) const
    {
        const QDialog* shown = hub ? static_cast<const QDialog*>(hub) : dialog.get();
        return shown->findChild<Widget*>(QString::fromLatin1(name));
    }
    QTableWidget* table() const { return widget<QTableWidget>("sensorTable"); }
    QLineEdit* urlEdit() const { return widget<QLineEdit>("urlEdit"); }
    QPushButton* connectButton() const { return widget<QPushButton>("connectButton"); }
    QString text(const char* label) const { return widget<QLabel>(label)->text(); }

    int rowOf(const QString& serial) const
    {
        for (int row = 0; row < table()->rowCount(); ++row) {
            if (table()->item(row, 0) && table()->item(row, 0)->text() == serial)
                return row;
        }
        return -1;
    }
    QString kindOf(const QString& serial) const
    {
        const int row = rowOf(serial);
        return row < 0 ? QString() : table()->item(row, 1)->text();
    }
    bool listed(const QStringList& serials) const
    {
        return std::all_of(serials.begin(), serials.end(), [&](const QString& s) { return rowOf(s) >= 0; });
    }

    // Clicks the serial's row until its details show `status`: a discovery
    // reply arriving meanwhile rebuilds the table and clears the details.
    bool select(const QString& serial, const QString& status)
    {
        return QTest::qWaitFor(
            [&] {
                const int row = rowOf(serial);
                if (row < 0)
                    return false;
                const QPoint cell = table()->visualItemRect(table()->item(row, 0)).center();
                QTest::mouseClick(table()->viewport(), Qt::LeftButton, {}, cell);
                return text("statuslabel") == status;
            },
            20000);
    }

    void typeAddress(const QString& address)
    {
        urlEdit()->setFocus();
        urlEdit()->selectAll();
        QTest::keyClicks(urlEdit(), address);
    }

    // Types the address, clicks "Connect" and gives the status shown.
    QString connectTo(const QString& address)
    {
        typeAddress(address);
        EXPECT_EQ(connectButton()->text(), "Connect");
        QTest::mouseClick(connectButton(), Qt::LeftButton);
        return text("statuslabel");
    }

    UsbSimControl control;
    SimulatedNetworkSensor netA{"192.0.2.2", "NET-A"};
    SimulatedNetworkSensor netB{"192.0.2.3", "NET-B"};
    SensorHandler* handler = nullptr;
    std::unique_ptr<addNetworkSensorDialog> dialog;
    // The dialog the main window opens, while it is open.
    addNetworkSensorDialog* hub = nullptr;
};

TEST_F(AddNetworkSensorDialogTest, ListsNetworkThenUsbThenAbsentSensorsInGrey)
{
    open();
    EXPECT_EQ(table()->horizontalHeaderItem(0)->text(), "Serial Number");
    EXPECT_EQ(table()->horizontalHeaderItem(1)->text(), "Network IP address");
    EXPECT_TRUE(widget<QPushButton>("okButton")->isEnabled());
    EXPECT_FALSE(widget<QCheckBox>("autoCheckBox")->isVisible());
    EXPECT_FALSE(widget<QPushButton>("b_disconnectUSB")->isVisible());

    ASSERT_TRUE(QTest::qWaitFor([&] { return listed({"NET-A", "NET-B", usbSerial, goneSerial}); }, 20000));
    EXPECT_EQ(kindOf("NET-A"), "192.0.2.2");
    EXPECT_EQ(kindOf("NET-B"), "192.0.2.3");
    EXPECT_EQ(table()->item(rowOf("NET-A"), 0)->data(Qt::UserRole).toUInt(), 0xC0000202u);
    EXPECT_EQ(kindOf(usbSerial), "Local Sensor");
    EXPECT_FALSE(table()->item(rowOf(usbSerial), 0)->data(Qt::UserRole).isValid());
    EXPECT_EQ(kindOf(goneSerial), "unavailable");
    EXPECT_LT(rowOf("NET-A"), rowOf(usbSerial));
    EXPECT_LT(rowOf("NET-B"), rowOf(usbSerial));
    EXPECT_LT(rowOf(usbSerial), rowOf(goneSerial));
    EXPECT_EQ(table()->rowCount(), 4);

    const QColor grey(211, 211, 211, 200);
    for (int column = 0; column < 2; ++column) {
        EXPECT_EQ(table()->item(rowOf(goneSerial), column)->background().color(), grey);
        EXPECT_EQ(table()->item(rowOf(usbSerial), column)->background().style(), Qt::NoBrush);
    }
}

TEST_F(AddNetworkSensorDialogTest, SensorOnUsbThatAlsoAnswersDiscoveryIsListedOnceAsLocal)
{
    quvixsim::DiscoveryResponder usbAlsoOnNetwork("USB-1", "192.0.2.2");
    ASSERT_TRUE(usbAlsoOnNetwork.start()) << usbAlsoOnNetwork.error();
    open();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return handler->detectedAddresses().contains(
                       DetectedSensor(usbSerial, QHostAddress("192.0.2.2"))) &&
                   listed({"NET-A", "NET-B", usbSerial});
        },
        20000));
    int rows = 0;
    for (int row = 0; row < table()->rowCount(); ++row)
        rows += table()->item(row, 0)->text() == usbSerial ? 1 : 0;
    EXPECT_EQ(rows, 1);
    EXPECT_EQ(kindOf(usbSerial), "Local Sensor");
}

TEST_F(AddNetworkSensorDialogTest, SelectingARowShowsItsAddressAndDetails)
{
    open();
    ASSERT_TRUE(QTest::qWaitFor([&] { return listed({"NET-A", "NET-B", usbSerial, goneSerial}); }, 20000));

    ASSERT_TRUE(select(usbSerial, "Connected Locally"));
    EXPECT_EQ(urlEdit()->text(), "Connected by USB");
    EXPECT_FALSE(urlEdit()->isEnabled());
    EXPECT_FALSE(widget<QLabel>("label")->isEnabled());
    EXPECT_TRUE(widget<QPushButton>("b_disconnectUSB")->isVisible());
    EXPECT_FALSE(connectButton()->isVisible());
    EXPECT_TRUE(widget<QCheckBox>("autoCheckBox")->isVisible());
    EXPECT_EQ(text("serial"), usbSerial);
    EXPECT_EQ(text("frequencies"), "[ 13.56 ]");
    // A USB row has no address to connect to.
    QTest::mouseDClick(table()->viewport(), Qt::LeftButton, {},
                       table()->visualItemRect(table()->item(rowOf(usbSerial), 0)).center());
    EXPECT_EQ(text("statuslabel"), "Connected Locally");

    // Not connected: asked, never configured.
    netB.server.clearRequests();
    ASSERT_TRUE(select("NET-B", "Not Connected"));
    EXPECT_EQ(urlEdit()->text(), "http://192.0.2.3");
    EXPECT_TRUE(urlEdit()->isEnabled());
    EXPECT_FALSE(widget<QPushButton>("b_disconnectUSB")->isVisible());
    EXPECT_TRUE(connectButton()->isVisible());
    EXPECT_EQ(connectButton()->text(), "Connect");
    EXPECT_FALSE(widget<QCheckBox>("autoCheckBox")->isVisible());
    EXPECT_EQ(text("serial"), "NET-B");
    EXPECT_EQ(text("firmware"), "v5.23");
    EXPECT_EQ(text("fpga"), "3.1");
    EXPECT_FALSE(text("model").isEmpty());
    EXPECT_EQ(text("frequencies"), "[ 13.56, 27.12 ]");
    EXPECT_GT(netB.server.requests().size(), 0u);
    EXPECT_EQ(netB.posts(), 0);
    EXPECT_EQ(handler->findSensor("NET-B"), nullptr);

    ASSERT_TRUE(select(goneSerial, "Not available"));
    EXPECT_TRUE(connectButton()->isVisible());
    EXPECT_EQ(connectButton()->text(), "Remove");
    EXPECT_TRUE(text("serial").isEmpty());
    // An absent sensor's row shows the address it was remembered under.
    EXPECT_EQ(urlEdit()->text(), "http://192.0.2.9");
    EXPECT_TRUE(urlEdit()->isEnabled());

    // Connected: its state and its stored Auto-Start.
    QSettings().setValue("NET-A/AutoStart", true);
    EXPECT_EQ(connectTo("http://192.0.2.2/"), "Connected.");
    ASSERT_TRUE(select("NET-A", "Connected"));
    EXPECT_EQ(connectButton()->text(), "Disconnect");
    EXPECT_TRUE(widget<QCheckBox>("autoCheckBox")->isVisible());
    EXPECT_TRUE(widget<QCheckBox>("autoCheckBox")->isChecked());
    EXPECT_EQ(text("serial"), "NET-A");
    EXPECT_EQ(text("frequencies"), "[ 13.56, 27.12 ]");
}

TEST_F(AddNetworkSensorDialogTest, ConnectingReportsWhatTheLibraryAnswered)
{
    open();
    // Each part as the decimal typed.
    EXPECT_EQ(connectTo("192.000.002.002"), "Connected.");
    QuvixSensor* sensor = handler->findSensor("NET-A");
    ASSERT_NE(sensor, nullptr);
    EXPECT_EQ(sensor->address(), "http://192.0.2.2/");
    EXPECT_EQ(rememberedUrlOf("NET-A"), "http://192.0.2.2/");

    // Held open by someone else in this process: no sensor object has it.
    const int held = webSensorApi().quvixWebOpen("http://192.0.2.3/");
    ASSERT_GE(held, 0);
    EXPECT_EQ(connectTo("http://192.0.2.3/"), "Sensor is busy, disconnect from it first.");
    webSensorApi().quvixClose(held);
    EXPECT_EQ(handler->findSensor("NET-B"), nullptr);

    EXPECT_EQ(connectTo("http://192.0.2.2:9/"), "Unable to connect, check network.");
}

// A second spelling of a connected sensor's address reaches the same sensor:
// it is not opened twice, and keeps the address it was remembered under.
TEST_F(AddNetworkSensorDialogTest, AnotherSpellingOfAConnectedSensorsAddressIsBusy)
{
    open();
    ASSERT_EQ(connectTo("http://192.0.2.2/"), "Connected.");
    QuvixSensor* sensor = handler->findSensor("NET-A");
    ASSERT_NE(sensor, nullptr);
    const int sensorCount = handler->sensors().size();
    for (const char* spelling : {"192.0.2.2:80", "HTTP://192.0.2.2:80/"}) {
        EXPECT_EQ(connectTo(spelling), "Sensor is busy, disconnect from it first.") << spelling;
        EXPECT_EQ(handler->sensors().size(), sensorCount) << spelling;
        EXPECT_EQ(handler->networkSensors().size(), 1) << spelling;
        EXPECT_EQ(rememberedUrlOf("NET-A"), "http://192.0.2.2/") << spelling;
    }
    EXPECT_EQ(handler->findSensor("NET-A"), sensor);
    EXPECT_TRUE(QTest::qWaitFor([&] { return listed({"NET-A"}); }, 20000));
}

// Texts that address parsers widen into another address (here one where a
// simulated sensor answers) are refused, and nothing is opened or remembered.
TEST_F(AddNetworkSensorDialogTest, AddressesThatAreNotFourDecimalPartsOrAHostNameAreRefused)
{
    open();
    for (const char* typed : {"192.0.514", "192.514", "0xc0.0.2.2", "3221225986", "0x7f.1"}) {
        EXPECT_EQ(connectTo(typed), addNetworkSensorDialog::invalidAddressText()) << typed;
        EXPECT_EQ(handler->findSensor("NET-A"), nullptr) << typed;
        EXPECT_TRUE(rememberedUrlOf("NET-A").isEmpty()) << typed;
    }
    EXPECT_EQ(netA.posts(), 0);
}

TEST(AddNetworkSensorDialogTexts, EachConnectionResultHasItsText)
{
    const struct {
        int result;
        const char* text;
    } cases[] = {
        {0, "Connected."},
        {99, "Connected."},
        {-10, "Sensor is busy, disconnect from it first."},
        {-9, "Too many open handles, disconnect some sensors."},
        {-8, "Unable to connect, check network."},
        {-4, "Unable to connect, check network."},
        {-1, "Unable to connect, check network."},
    };
    for (const auto& c : cases)
        EXPECT_EQ(addNetworkSensorDialog::connectionResultText(c.result), c.text) << c.result;
}

TEST_F(AddNetworkSensorDialogTest, DisconnectClosesTheSensorOnceAndForgetsIt)
{
    open();
    EXPECT_EQ(connectTo("http://192.0.2.2/"), "Connected.");
    QuvixSensor* sensor = handler->findSensor("NET-A");
    ASSERT_NE(sensor, nullptr);
    const QPointer<QThread> thread(sensor->thread());
    int disconnections = 0;
    int listUpdates = 0;
    // The counters' connections end with this test.
    QObject counting;
    QObject::connect(sensor, &QuvixSensor::SensorDisconnected, &counting, [&] { ++disconnections; });
    QObject::connect(handler, &SensorHandler::updateSensorList, &counting, [&] { ++listUpdates; });

    // While it is connected, discovery does not try to open it again (a try
    // would list its address without a serial).
    QSignalSpy replies(handler, &SensorHandler::sensorsDetected);
    handler->scanNetwork();
    ASSERT_TRUE(QTest::qWaitFor([&] { return replies.count() >= 1; }, 20000));
    EXPECT_FALSE(QTest::qWaitFor(
        [&] {
            return handler->detectedAddresses().contains(
                DetectedSensor(QString(), QHostAddress("192.0.2.2")));
        },
        3000));

    ASSERT_TRUE(select("NET-A", "Connected"));
    QTest::mouseClick(connectButton(), Qt::LeftButton);
    EXPECT_EQ(disconnections, 1);
    EXPECT_EQ(listUpdates, 1);
    EXPECT_TRUE(rememberedUrlOf("NET-A").isEmpty());

    // Once its loop has ended too, the handler holds it once, parked, and
    // does not list the forgotten serial as absent.
    ASSERT_TRUE(QTest::qWaitFor([&] { return thread.isNull(); }, 30000));
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(disconnections, 1);
    EXPECT_EQ(handler->waitingWebSensors().count(sensor), 1);
    EXPECT_FALSE(handler->sensors().contains(sensor));
    EXPECT_FALSE(handler->networkSensors().contains(sensor));
    EXPECT_FALSE(handler->unavailableSensors().contains("NET-A"));

    // Its replies no longer open it.
    QSignalSpy seen(handler, &SensorHandler::sensorsDetected);
    handler->scanNetwork();
    ASSERT_TRUE(QTest::qWaitFor([&] { return listed({"NET-A"}) && seen.count() >= 1; }, 20000));
    EXPECT_EQ(handler->findSensor("NET-A"), nullptr);
    EXPECT_EQ(kindOf("NET-A"), "192.0.2.2");
}

TEST_F(AddNetworkSensorDialogTest, UsbDisconnectHandsTheRunningScanOverAtOnce)
{
    // Long enough that only the button can end the scan.
    handler->setWatchdogDelay(600000);
    QuvixSensor* sensor = handler->findSensor(usbSerial);
    const QPointer<BaseScan> scan(new CWScan(sensor, QString(), 100));
    sensor->queueScan(scan);
    ASSERT_TRUE(QTest::qWaitFor([&] { return sensor->isMeasuring() && scan->sampleCount(0) > 0; }, 20000));

    open();
    ASSERT_TRUE(select(usbSerial, "Connected Locally"));
    QTest::mouseClick(widget<QPushButton>("b_disconnectUSB"), Qt::LeftButton);
    ASSERT_FALSE(scan.isNull());
    EXPECT_TRUE(scan->isFinished());
    EXPECT_NE(sensor->currentScan(), scan.data());
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return ScanHandler::getInstance()->keptScans().contains(scan); }, 20000));
}

// The sensor leaves the lists before its scan ends; the Time Trend tab that
// started the scan hears of its end all the same.
TEST_F(AddNetworkSensorDialogTest, DisconnectingANetworkSensorStopsTheTimeTrendTabsScan)
{
    MainWindow window(nullptr, std::make_unique<RecordingKeepAwake>());
    timeTrendScanTab& tab = *window.timeTrend();
    const KeepAwake& keepAwake = window.scanActivityState().keepAwake();
    open();
    ASSERT_EQ(connectTo("http://192.0.2.2/"), "Connected.");
    QComboBox& sensorList = *tab.form().sensorList;
    ASSERT_TRUE(QTest::qWaitFor([&] { return sensorList.findText("NET-A") >= 0; }, 20000));
    sensorList.setCurrentIndex(sensorList.findText("NET-A"));
    tab.form().scanDuration->clear();
    tab.form().startScan->click();
    const QPointer<BaseScan> scan(tab.currentScan());
    ASSERT_FALSE(scan.isNull());
    ASSERT_TRUE(QTest::qWaitFor([&] { return keepAwake.isHeld() && scan->sampleCount(0) > 0; }, 20000));

    ASSERT_TRUE(select("NET-A", "Connected"));
    QTest::mouseClick(connectButton(), Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window.scanActivityState().isAnyActive(); }, 20000));
    EXPECT_FALSE(keepAwake.isHeld());
    EXPECT_FALSE(tab.getCurScan());
    EXPECT_EQ(sensorList.findText("NET-A"), -1);
    EXPECT_TRUE(tab.form().startScan->isEnabled()) << "the USB sensor is chosen now";
    EXPECT_FALSE(tab.form().stopScan->isEnabled());
    ASSERT_FALSE(scan.isNull());
    EXPECT_TRUE(scan->isFinished());
    EXPECT_EQ(tab.currentScan(), scan.data());
    EXPECT_TRUE(tab.form().saveScan->isEnabled());
}

// USB sensors come and go while the dialog is open, as network ones do.
TEST_F(AddNetworkSensorDialogTest, UsbSensorsThatLeaveAndReturnAreShownAsTheyAre)
{
    open();
    ASSERT_TRUE(QTest::qWaitFor([&] { return listed({"NET-A", "NET-B"}); }, 20000));

    control.setAttached("USB-2", 1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return kindOf("USB-2") == "Local Sensor"; }, 30000));
    ASSERT_TRUE(select("USB-2", "Connected Locally"));
    QPushButton* usbDisconnect = widget<QPushButton>("b_disconnectUSB");
    ASSERT_TRUE(usbDisconnect->isVisible());

    control.setAttached("USB-2", 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return handler->findSensor("USB-2") == nullptr; }, 30000));
    // Absent at once, and nothing offers to disconnect it any more.
    EXPECT_EQ(kindOf("USB-2"), "unavailable");
    EXPECT_FALSE(usbDisconnect->isVisible());
    EXPECT_TRUE(urlEdit()->isEnabled());
    EXPECT_TRUE(urlEdit()->text().isEmpty());
    // Absent, it has no address anybody knows: none is made up for it.
    ASSERT_TRUE(select("USB-2", "Not available"));
    EXPECT_TRUE(urlEdit()->text().isEmpty()) << urlEdit()->text().toStdString();
    EXPECT_EQ(connectButton()->text(), "Remove");

    control.setAttached("USB-2", 1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return kindOf("USB-2") == "Local Sensor"; }, 30000));
    ASSERT_TRUE(select("USB-2", "Connected Locally"));
    EXPECT_FALSE(connectButton()->isVisible()) << "no Remove for a connected sensor";
}

// Removed in the hub the main window opens, an absent remembered sensor and
// a connected network sensor leave no grey tile on the overview.
TEST_F(AddNetworkSensorDialogTest, RemovingSensorsInTheHubTakesTheirTilesOffTheOverview)
{
    MainWindow window(nullptr, std::make_unique<RecordingKeepAwake>());
    const overviewTab& overview = *window.overview();
    const auto tileOf = [&overview](const QString& serial) -> const quvixDisplayWidget* {
        for (const quvixDisplayWidget* tile : overview.tiles())
            if (tile->serial() == serial)
                return tile;
        return nullptr;
    };
    ASSERT_NE(tileOf(goneSerial), nullptr);
    EXPECT_FALSE(tileOf(goneSerial)->isAvailable());
    ASSERT_GE(connectWebSensor(QUrl(QStringLiteral("http://192.0.2.2/")), true), 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return tileOf("NET-A") && tileOf("NET-A")->isAvailable(); }, 20000));

    bool removed = false;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        hub = qobject_cast<addNetworkSensorDialog*>(QApplication::activeModalWidget());
        if (!hub)
            return;
        answer.stop();
        EXPECT_TRUE(select(goneSerial, "Not available"));
        EXPECT_EQ(connectButton()->text(), "Remove");
        QTest::mouseClick(connectButton(), Qt::LeftButton);
        EXPECT_TRUE(select("NET-A", "Connected"));
        EXPECT_EQ(connectButton()->text(), "Disconnect");
        QTest::mouseClick(connectButton(), Qt::LeftButton);
        removed = true;
        QTest::mouseClick(widget<QPushButton>("okButton"), Qt::LeftButton);
        hub = nullptr;
    });
    answer.start(50);
    window.form().actionSensors->trigger();
    ASSERT_TRUE(removed);

    EXPECT_EQ(tileOf(goneSerial), nullptr);
    EXPECT_EQ(tileOf("NET-A"), nullptr);
    ASSERT_NE(tileOf(usbSerial), nullptr);
    EXPECT_TRUE(tileOf(usbSerial)->isAvailable());
}

TEST_F(AddNetworkSensorDialogTest, AutoStartIsStoredUnderTheSerialEvenWithANickname)
{
    handler->findSensor(usbSerial)->setNickname(QStringLiteral("Bench"));
    open();
    ASSERT_TRUE(select(usbSerial, "Connected Locally"));
    QCheckBox* autoStart = widget<QCheckBox>("autoCheckBox");
    QTest::mouseClick(autoStart, Qt::LeftButton);
    EXPECT_TRUE(QSettings().value("USB-1/AutoStart", false).toBool());
    EXPECT_FALSE(QSettings().contains("Bench/AutoStart"));
    QTest::mouseClick(autoStart, Qt::LeftButton);
    EXPECT_FALSE(QSettings().value("USB-1/AutoStart", true).toBool());
}

TEST_F(AddNetworkSensorDialogTest, TypingTurnsAnyButtonStateIntoConnect)
{
    open();
    ASSERT_TRUE(select(goneSerial, "Not available"));
    ASSERT_EQ(connectButton()->text(), "Remove");
    EXPECT_EQ(connectTo("http://192.0.2.2:9/"), "Unable to connect, check network.");
    EXPECT_EQ(rememberedUrlOf(goneSerial), "http://192.0.2.9/");

    EXPECT_EQ(connectTo("http://192.0.2.2/"), "Connected.");
    ASSERT_TRUE(select("NET-A", "Connected"));
    ASSERT_EQ(connectButton()->text(), "Disconnect");
    typeAddress("http://192.0.2.3/");
    EXPECT_EQ(connectButton()->text(), "Connect");
    QTest::mouseClick(connectButton(), Qt::LeftButton);
    EXPECT_EQ(text("statuslabel"), "Connected.");
    EXPECT_NE(handler->findSensor("NET-A"), nullptr);
    EXPECT_NE(handler->findSensor("NET-B"), nullptr);
}

TEST_F(AddNetworkSensorDialogTest, RemoveForgetsAnAbsentSensor)
{
    open();
    QSignalSpy removed(dialog.get(), &addNetworkSensorDialog::removeFromUnavailable);
    ASSERT_TRUE(select(goneSerial, "Not available"));
    QTest::mouseClick(connectButton(), Qt::LeftButton);
    EXPECT_EQ(removed.count(), 1);
    EXPECT_EQ(removed.value(0).value(0).toString(), goneSerial);
    EXPECT_TRUE(rememberedUrlOf(goneSerial).isEmpty());
    EXPECT_FALSE(handler->unavailableSensors().contains(goneSerial));
    // The next list of absent sensors does not bring it back.
    QSignalSpy absentLists(handler, &SensorHandler::updateUnavailableSensors);
    ASSERT_TRUE(QTest::qWaitFor([&] { return absentLists.count() >= 2; }, 20000));
    EXPECT_EQ(rowOf(goneSerial), -1);
}

// Replies the responder sends for one firing of the handler's discovery
// timer, counted once no more come for a while.
quint64 repliesToOneFiring(QTimer* discoveryTimer, const quvixsim::DiscoveryResponder& responder)
{
    const quint64 before = responder.repliesSent();
    QMetaObject::invokeMethod(discoveryTimer, "timeout");
    quint64 last = before;
    QElapsedTimer quiet;
    quiet.start();
    const bool settled = QTest::qWaitFor(
        [&] {
            const quint64 now = responder.repliesSent();
            if (now != last) {
                last = now;
                quiet.restart();
            }
            return quiet.elapsed() > 1500;
        },
        30000);
    EXPECT_TRUE(settled) << "replies kept coming";
    return last - before;
}

TEST_F(AddNetworkSensorDialogTest, PeriodicDiscoveryPausesWhileOpenAndResumesOnceAfter)
{
    auto* discoveryTimer = handler->findChild<QTimer*>(QStringLiteral("discoveryTimer"));
    ASSERT_NE(discoveryTimer, nullptr);
    const quint64 before = repliesToOneFiring(discoveryTimer, netA.responder);
    ASSERT_GT(before, 0u);

    open();
    EXPECT_EQ(repliesToOneFiring(discoveryTimer, netA.responder), 0u);
    dialog.reset();
    EXPECT_EQ(repliesToOneFiring(discoveryTimer, netA.responder), before);

    open();
    QTest::mouseClick(widget<QPushButton>("okButton"), Qt::LeftButton);
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    dialog.reset();
    EXPECT_EQ(repliesToOneFiring(discoveryTimer, netA.responder), before);
}

TEST_F(AddNetworkSensorDialogTest, ManageOpensTheDialogModallyWithoutAParent)
{
    MainWindow window(nullptr, std::make_unique<RecordingKeepAwake>());
    QAction* manage = window.form().actionSensors;
    ASSERT_TRUE(manage->isEnabled());
    QString shownClass;
    QString shownTitle;
    bool hadParent = true;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!modal)
            return;
        answer.stop();
        shownClass = QString::fromLatin1(modal->metaObject()->className());
        shownTitle = modal->windowTitle();
        hadParent = modal->parentWidget() != nullptr;
        QTest::mouseClick(modal->findChild<QPushButton*>(QStringLiteral("okButton")), Qt::LeftButton);
    });
    answer.start(50);
    manage->trigger();
    EXPECT_EQ(shownClass, "addNetworkSensorDialog");
    EXPECT_EQ(shownTitle, "Sensors Hub");
    EXPECT_FALSE(hadParent);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

} // namespace
