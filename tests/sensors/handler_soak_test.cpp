// Two simulated network sensors and two simulated USB sensors recording CW
// scans side by side for 30 s through the sensor handler: no sample may be
// lost or doubled on its way into a scan, and every impedance is the load.
#include "acq_sensorloop.h"
#include "scans/cwscan.h"
#include "scans/parameternames.h"
#include "sensors/rememberednetworksensors.h"
#include "sensors/sensorhandler.h"
#include "sim/websensor/discoveryresponder.h"
#include "sim/websensor/websensorserver.h"
#include "support/testenvironment.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <cmath>
#include <memory>

namespace {

constexpr double scanSeconds = 30.0;

struct ServedSample {
    qint64 timestamp;
    bool firstAfterSettings;
};

struct Load {
    double resistance;
    double reactance;
};

struct NetworkSim {
    NetworkSim(const std::string& address, const std::string& serial, Load load, const QString& logPath)
        : server(options(address, serial, load, logPath))
        , responder(serial, address)
    {
    }

    static quvixsim::WebSensorOptions options(const std::string& address, const std::string& serial,
                                              Load load, const QString& logPath)
    {
        quvixsim::WebSensorOptions options;
        options.address = address;
        options.port = 80;
        options.serial = serial;
        options.refreshMs = 20;
        options.harmonics = {2};
        quvixsim::RfLoadSettings settings;
        settings.resistance = load.resistance;
        settings.reactance = load.reactance;
        options.loads = {settings};
        options.logFile = logPath.toStdString();
        return options;
    }

    // The time stamps the sensor served, in order, each marked when it was
    // the first one served after a settings change (a POST).
    static std::vector<ServedSample> servedSamples(const QString& logPath)
    {
        std::vector<ServedSample> served;
        QFile log(logPath);
        if (!log.open(QIODevice::ReadOnly))
            return served;
        bool settingsChanged = false;
        while (!log.atEnd()) {
            const QByteArray line = log.readLine().trimmed();
            if (line.startsWith("POST ")) {
                settingsChanged = true;
            } else if (line.startsWith("SAMPLE ")) {
                served.push_back({line.mid(7).toLongLong(), settingsChanged});
                settingsChanged = false;
            }
        }
        return served;
    }

    quvixsim::WebSensorServer server;
    quvixsim::DiscoveryResponder responder;
};

struct Recording {
    QString serial;
    Load load;
    bool usb;
    QuvixSensor* sensor = nullptr;
    BaseScan* scan = nullptr;
    std::unique_ptr<LoopRecorder> recorder = std::make_unique<LoopRecorder>();
};

// True when the scan's sample times step exactly as one contiguous run of the
// served time stamps (milliseconds): none left out, none twice. One break is
// allowed, where the scan's own settings reached the sensor: the library
// drops the samples it still held from before them, so a loop that lagged
// behind at the start may have taken a few of those first.
bool matchesAContiguousRun(const Series& times, const std::vector<ServedSample>& served)
{
    std::vector<qint64> steps;
    for (size_t i = 1; i < times.size(); ++i)
        steps.push_back(std::llround((times[i] - times[i - 1]) * 1000.0));
    auto stepsFollowFrom = [&](size_t at) {
        bool brokeAtSettings = false;
        for (const qint64 step : steps) {
            if (at + 1 < served.size() && served[at + 1].timestamp - served[at].timestamp == step) {
                ++at;
                continue;
            }
            size_t next = at + 1;
            while (!brokeAtSettings && next < served.size() &&
                   !(served[next].firstAfterSettings && served[next].timestamp - served[at].timestamp == step))
                ++next;
            if (brokeAtSettings || next >= served.size())
                return false;
            brokeAtSettings = true;
            at = next;
        }
        return true;
    };
    for (size_t start = 0; start < served.size(); ++start) {
        if (stepsFollowFrom(start))
            return true;
    }
    return false;
}

TEST(SensorHandlerSoak, FourSensorsRecordEverySampleFor30Seconds)
{
    QUVIX_REQUIRE_NETLAB();
    UsbSimControl control;
    ASSERT_TRUE(control.isComplete());
    ASSERT_EQ(control.configure("[sensor]\nserial = SOAK-U1\nfrequency = 13560000 2 30 -15\n"
                                "[sensor]\nserial = SOAK-U2\nfrequency = 2000000 3 75 20\n"),
              2);
    QTemporaryDir logs;
    ASSERT_TRUE(logs.isValid());
    const QString log2 = logs.filePath("net2.log");
    const QString log3 = logs.filePath("net3.log");
    NetworkSim net2("192.0.2.2", "SOAK-N2", {40.0, 10.0}, log2);
    NetworkSim net3("192.0.2.3", "SOAK-N3", {60.0, -25.0}, log3);
    ASSERT_TRUE(net2.server.start() && net2.responder.start());
    ASSERT_TRUE(net3.server.start() && net3.responder.start());
    RememberedNetworkSensors::remember("SOAK-N2", "http://192.0.2.2/");
    RememberedNetworkSensors::remember("SOAK-N3", "http://192.0.2.3/");

    std::vector<Recording> recordings;
    recordings.push_back({"SOAK-U1", {30.0, -15.0}, true});
    recordings.push_back({"SOAK-U2", {75.0, 20.0}, true});
    recordings.push_back({"SOAK-N2", {40.0, 10.0}, false});
    recordings.push_back({"SOAK-N3", {60.0, -25.0}, false});

    SensorHandler* handler = SensorHandler::getInstance();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            for (const Recording& r : recordings) {
                if (!handler->findSensor(r.serial))
                    return false;
            }
            return true;
        },
        // Long enough for a second discovery round when the first open fails
        // on a busy machine.
        60000));

    for (Recording& r : recordings) {
        r.sensor = handler->findSensor(r.serial);
        const QByteArray serial = r.serial.toLatin1();
        if (r.usb)
            r.recorder->attach(r.sensor,
                               [&control, serial] { return control.samplesDelivered(serial.constData()); });
        else
            r.recorder->attach(r.sensor);
        auto* scan = new CWScan(r.sensor, QStringLiteral("soak"), 20);
        scan->timed = true;
        scan->duration = scanSeconds;
        r.scan = scan;
        r.sensor->queueScan(scan);
    }
    for (Recording& r : recordings)
        ASSERT_TRUE(r.recorder->waitForCount(LoopEvent::Complete, 1, 90000)) << r.serial.toStdString();

    for (const Recording& r : recordings) {
        SCOPED_TRACE(r.serial.toStdString());
        const SeriesCopy real = r.scan->copySeries(ImpedanceReal, 0, 0, 0);
        const SeriesCopy imaginary = r.scan->copySeries(ImpedanceImag, 0, 0, 0);
        const long long held = r.scan->sampleCount(0);
        EXPECT_GT(held, 100);
        ASSERT_EQ(static_cast<long long>(real.values.size()), held);
        if (r.usb) {
            const long long handedOut = r.recorder->eventsOf(LoopEvent::Complete).front().delivered -
                                        r.recorder->eventsOf(LoopEvent::Started).front().delivered;
            EXPECT_EQ(held, handedOut);
        } else {
            const QString& logPath = r.serial == "SOAK-N2" ? log2 : log3;
            EXPECT_TRUE(matchesAContiguousRun(real.time, NetworkSim::servedSamples(logPath)));
        }
        for (size_t i = 0; i < real.values.size(); ++i) {
            ASSERT_NEAR(real.values[i], r.load.resistance, 1e-9 * std::abs(r.load.resistance))
                << "sample " << i;
            ASSERT_NEAR(imaginary.values[i], r.load.reactance, 1e-9 * std::abs(r.load.reactance))
                << "sample " << i;
        }
    }

    // End every loop before the simulators go away.
    control.setAttached("SOAK-U1", 0);
    control.setAttached("SOAK-U2", 0);
    net2.server.stop();
    net3.server.stop();
    EXPECT_TRUE(QTest::qWaitFor([&] { return handler->sensors().isEmpty(); }, 30000));
}

} // namespace
