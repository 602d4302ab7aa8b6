#include "quvix_kadro.h"

#include "measurementdecoding.h"
#include "sensormodelcode.h"

namespace {

const quvix2_base::DecoderTraces kTraces{"Quvix_kadro getSensorDataHR() time increment too large. ",
                                         "Quvix_kadro getSensorDataHR() time increment is negative. "};

} // namespace

quvix_kadro::quvix_kadro(std::unique_ptr<usb_comm_device> transport)
    : quvix_renu(std::move(transport))
{
    m_variant = "Kadro";
}

quvix_kadro::~quvix_kadro()
{
    m_waveforms.clear();
    m_yBytes.clear();
}

int quvix_kadro::getModel()
{
    return KadroModel;
}

int quvix_kadro::getSensorDataHR(double* values, int* count, double* peak, int* increment, int* delay,
                                 int* remaining)
{
    return decodeNextFrame(values, count, peak, increment, delay, remaining, MeasurementDecoding::kadro,
                           kTraces);
}

int quvix_kadro::setWaveformMode(bool on)
{
    if (on) {
        writeBytes({'W'});
    } else {
        writeBytes({'N'});
        writeBytes({'p'});
    }
    return 0;
}

int quvix_kadro::setScaleFactors(double a, int b, int c, int d, int, int)
{
    m_scaleFactors = {a, static_cast<double>(b), static_cast<double>(c), static_cast<double>(d)};
    return 1;
}

int quvix_kadro::handlePacket(const uint8_t* frame, int size)
{
    if (!frame || size < kFrameHeaderSize)
        return 0;
    switch (frame[0]) {
    case 'W':
        enqueueBounded(m_waveforms, frame, size);
        return 1;
    case 'Y':
    case 'y':
        if (size > kFrameHeaderSize) {
            while (m_yBytes.size() >= kMaxQueuedFrames) {
                m_yBytes.pop_front();
                ++m_droppedPackets;
            }
            m_yBytes.push_back(frame[kFrameHeaderSize]);
        }
        return 1;
    default:
        return quvix_renu::handlePacket(frame, size);
    }
}
