// The end of the program while sensors record: the sensor handler ends every
// loop before the application object goes, and the scans they recorded are
// registered and autosaved. A USB sensor of the stand-in driver and a
// simulated network sensor in the private namespace record side by side.
#include "loopthread.h"
#include "scans/cwscan.h"
#include "sensors/quvixsensor.h"
#include "sensors/quvixsensorweb.h"
#include "sensors/rememberednetworksensors.h"
#include "sensors/sensorhandler.h"
#include "sensors/sensorlibraries.h"
#include "sim/websensor/websensorserver.h"
#include "support/testenvironment.h"
#include "usbsimcontrol.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <cstdlib>
#include <memory>

namespace {

const char* const usbSerial = "QVXSIM0001"; // the stand-in driver's default sensor
const char* const networkSerial = "NETSTOP1";
const QString autosaveFolderVariable = QStringLiteral("QUVIX_SHUTDOWN_AUTOSAVE_FOLDER");

quvixsim::WebSensorOptions networkSensorOptions()
{
    quvixsim::WebSensorOptions options;
    options.address = "192.0.2.2";
    options.port = 80;
    options.serial = networkSerial;
    options.refreshMs = 20;
    return options;
}

// Both sensors listed and each recording an autosaved CW scan named after
// its sensor, with a few samples in it. The scans belong to the scan
// handler once they complete.
bool startRecordingOnBothSensors(const QString& autosaveFolder, std::vector<QPointer<CWScan>>& scans)
{
    SensorHandler* handler = SensorHandler::getInstance();
    for (const char* serial : {usbSerial, networkSerial}) {
        QuvixSensor* sensor = nullptr;
        if (!QTest::qWaitFor([&] { return (sensor = handler->findSensor(serial)) != nullptr; }, 20000)) {
            ADD_FAILURE() << serial << " never listed";
            return false;
        }
        auto* scan = new CWScan(sensor, QStringLiteral("stop"), 20);
        scan->autosaveEnabled = true;
        scan->autosaveFolder = autosaveFolder;
        scan->autosavePattern = QString::fromLatin1(serial);
        sensor->queueScan(scan);
        scans.emplace_back(scan);
    }
    for (const QPointer<CWScan>& scan : scans) {
        if (!QTest::qWaitFor([&] { return scan && scan->sampleCount(0) >= 5; }, 20000)) {
            ADD_FAILURE() << "a scan recorded nothing";
            return false;
        }
    }
    return true;
}

// The ".dat" and ".csv" pair an autosave writes, both with content.
void expectAutosaved(const QString& folder, const char* serial)
{
    for (const char* suffix : {".dat", ".csv"}) {
        const QFileInfo file(QDir(folder).filePath(QString::fromLatin1(serial) + suffix));
        EXPECT_TRUE(file.exists()) << file.filePath().toStdString();
        EXPECT_GT(file.size(), 0) << file.filePath().toStdString();
    }
}

// Runs one disabled test of this program in a child process and gives its
// output; fails when the child does not end, or ends by a crash or a failure.
void runChildTest(const QString& testName, const QProcessEnvironment& environment)
{
    QProcess child;
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_also_run_disabled_tests"),
                 QStringLiteral("--gtest_filter=SensorHandlerShutdownTest.") + testName});
    ASSERT_TRUE(child.waitForStarted(20000));
    const bool ended = child.waitForFinished(120000);
    if (!ended)
        child.kill();
    const std::string output = child.readAll().toStdString();
    ASSERT_TRUE(ended) << output;
    EXPECT_EQ(child.exitStatus(), QProcess::NormalExit) << output;
    EXPECT_EQ(child.exitCode(), 0) << output;
    EXPECT_NE(output.find("[  PASSED  ] 1 test"), std::string::npos) << output;
}

// A network sensor's loop started by hand (no sensor handler), which ends
// only once the process is past the application object's destruction: its
// sensor stops answering in an exit handler.
class LoopOutlivingTheApplication
{
public:
    bool start()
    {
        m_server = std::make_unique<quvixsim::WebSensorServer>(networkSensorOptions());
        if (!m_server->start())
            return false;
        const std::string url = m_server->baseUrl();
        const int handle = webSensorApi().quvixWebOpen(url.c_str());
        if (handle < 0)
            return false;
        m_sensor = new quvixSensorWeb(handle, QString(), networkSerial, QString::fromStdString(url));
        m_thread = startLoopThread(m_sensor).data();
        return true;
    }

    // Once it has, the simulator has set up everything it keeps for the
    // process's life: an exit handler registered afterwards runs before any
    // of that is torn down.
    bool settingsTaken() const
    {
        for (const quvixsim::LoggedRequest& request : m_server->requests()) {
            if (request.method == "POST")
                return true;
        }
        return false;
    }

    void end()
    {
        m_server->stop();
        if (!m_thread->wait(60000))
            std::abort();
    }

private:
    std::unique_ptr<quvixsim::WebSensorServer> m_server;
    quvixSensorWeb* m_sensor = nullptr; // left to the process's end
    QThread* m_thread = nullptr;
};

class SensorHandlerShutdownTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QUVIX_REQUIRE_NETLAB();
        if (!loadWebSensorLibrary())
            GTEST_SKIP() << "the network sensor library is not built";
        UsbSimControl usb;
        ASSERT_TRUE(usb.isComplete());
        RememberedNetworkSensors::remember(networkSerial, "http://192.0.2.2/");
    }
};

TEST_F(SensorHandlerShutdownTest, StoppingEndsEveryLoopAndAutosavesTheRunningScans)
{
    quvixsim::WebSensorServer server(networkSensorOptions());
    ASSERT_TRUE(server.start());
    SensorHandler* handler = SensorHandler::getInstance();
    handler->connectRememberedSensors();
    QTemporaryDir autosaveFolder;
    ASSERT_TRUE(autosaveFolder.isValid());
    std::vector<QPointer<CWScan>> scans;
    ASSERT_TRUE(startRecordingOnBothSensors(autosaveFolder.path(), scans));
    std::vector<QuvixSensor*> sensors;
    for (const QPointer<CWScan>& scan : scans)
        sensors.push_back(scan->sensor);

    handler->stopSensors();

    // Returned only once every loop had ended and moved its sensor back.
    for (QuvixSensor* sensor : sensors)
        EXPECT_EQ(sensor->thread(), QCoreApplication::instance()->thread())
            << sensor->serialNumber().toStdString();
    for (const QPointer<CWScan>& scan : scans) {
        ASSERT_FALSE(scan.isNull()) << "a scan with data was discarded";
        EXPECT_TRUE(scan->isFinished());
    }
    expectAutosaved(autosaveFolder.path(), usbSerial);
    expectAutosaved(autosaveFolder.path(), networkSerial);

    // Nothing opens or records afterwards.
    const int reads = scans.front()->sampleCount(0);
    QTest::qWait(1500);
    EXPECT_EQ(scans.front()->sampleCount(0), reads);
    EXPECT_FALSE(handler->findChild<QTimer*>("pollTimer")->isActive());
}

// Run by the next test in a process of its own: it leaves both loops
// running and its network sensor answering, and lets the process end.
TEST_F(SensorHandlerShutdownTest, DISABLED_ChildProcessEndsWithItsLoopsRunning)
{
    const QString folder = qEnvironmentVariable(qPrintable(autosaveFolderVariable));
    ASSERT_FALSE(folder.isEmpty());
    // Still answering when the application object goes; the process's end
    // takes it.
    static auto* const server = new quvixsim::WebSensorServer(networkSensorOptions());
    ASSERT_TRUE(server->start());
    SensorHandler::getInstance()->connectRememberedSensors();
    std::vector<QPointer<CWScan>> scans;
    ASSERT_TRUE(startRecordingOnBothSensors(folder, scans));
}

TEST_F(SensorHandlerShutdownTest, ProcessEndingWhileSensorsRecordExitsCleanlyAndAutosaves)
{
    QTemporaryDir autosaveFolder;
    ASSERT_TRUE(autosaveFolder.isValid());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(autosaveFolderVariable, autosaveFolder.path());
    runChildTest(QStringLiteral("DISABLED_ChildProcessEndsWithItsLoopsRunning"), environment);
    expectAutosaved(autosaveFolder.path(), usbSerial);
    expectAutosaved(autosaveFolder.path(), networkSerial);
}

// Run by the next test in a process of its own.
TEST_F(SensorHandlerShutdownTest, DISABLED_ChildLoopEndsAfterTheApplicationObject)
{
    static auto* const loop = new LoopOutlivingTheApplication;
    ASSERT_TRUE(loop->start());
    ASSERT_TRUE(QTest::qWaitFor([] { return loop->settingsTaken(); }, 20000));
    std::atexit([] { loop->end(); });
}

TEST_F(SensorHandlerShutdownTest, LoopEndingAfterTheApplicationObjectEndsCleanly)
{
    runChildTest(QStringLiteral("DISABLED_ChildLoopEndsAfterTheApplicationObject"),
                 QProcessEnvironment::systemEnvironment());
}

} // namespace
