#include "quvix_renu.h"

#include "littleendian.h"
#include "measurementdecoding.h"
#include "sensormodelcode.h"

uint32_t wholeHertz(float frequency);

namespace {

const quvix2_base::DecoderTraces kTraces{"Quvix_renu getSensorDataHR() time increment too large. ",
                                         "Quvix_renu getSensorDataHR() time increment is negative. "};

constexpr uint32_t kMaxRowsWithFpga = 5;

} // namespace

quvix_renu::quvix_renu(std::unique_ptr<usb_comm_device> transport)
    : quvix2_base(std::move(transport))
{
    m_previousLetter = 0;
    m_allowedHarmonics = 31;
    m_variant = "Renu";
}

quvix_renu::~quvix_renu()
{
    close();
}

int quvix_renu::getModel()
{
    return MultiFrequencyModel;
}

const char* quvix_renu::getCapabilities()
{
    return kMultiFrequencyCapabilities;
}

int quvix_renu::getSensorDataHR(double* values, int* count, double* peak, int* increment, int* delay,
                                int* remaining)
{
    return decodeNextFrame(values, count, peak, increment, delay, remaining,
                           MeasurementDecoding::multiFrequency, kTraces);
}

int quvix_renu::handlePacket(const uint8_t* frame, int size)
{
    if (!frame || size < kFrameHeaderSize)
        return 0;
    switch (frame[0]) {
    case 'D':
    case 'H':
    case 'P':
        enqueueBounded(m_packets, frame, size);
        return 1;
    default:
        return quvix2_base::handlePacket(frame, size);
    }
}

int quvix_renu::parseInfo(const uint8_t* frame, int size)
{
    if (!quvix2_base::parseInfo(frame, size))
        return 0;
    const uint32_t rows = m_frequencyCount;
    if (rows > static_cast<uint32_t>(kMaxRows) || static_cast<uint32_t>(size) < 45 + 6 * rows) {
        m_frequencyCount = 0;
        return 0;
    }
    for (uint32_t k = 0; k < rows; ++k) {
        const uint8_t* row = frame + 45 + 6 * k;
        m_rows[k].frequency = wholeHertz(le::f32(row));
        m_rows[k].maxHarmonics = row[4];
        m_rows[k].isDefault = row[5];
    }
    // With more rows the fixed FPGA fields would lie inside the rows.
    clearFpga();
    if (rows <= kMaxRowsWithFpga) {
        if (size > 82)
            setFpga(frame[81], frame[82]);
        if (size > 86)
            m_clock1 = le::u32(frame + 83);
        if (size > 90)
            m_clock2 = le::u32(frame + 87);
    }
    return 1;
}
