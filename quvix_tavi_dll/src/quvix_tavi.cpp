#include "quvix_tavi.h"

#include "littleendian.h"
#include "measurementdecoding.h"
#include "sensormodelcode.h"

#include <cmath>
#include <cstdio>

const char* const kSingleFrequencyCapabilities = "Harmonics=1\nPulse=N\nMultipleFrequency=N\nVi=N\n";
const char* const kMultiFrequencyCapabilities = "Pulse=Y\nMultipleFrequency=Y\nExt=Y\nVi=N\n";

namespace {

const quvix2_base::DecoderTraces kTraces{"Quvix_renu getSensorDataHR() time increment too large. ",
                                         "Quvix_renu getSensorDataHR() time increment is negative. "};

} // namespace

uint32_t wholeHertz(float frequency)
{
    if (!(frequency > 0.0f))
        return 0;
    if (frequency >= 4294967296.0f)
        return 0xFFFFFFFFu;
    return static_cast<uint32_t>(frequency);
}

quvix_tavi::quvix_tavi(std::unique_ptr<usb_comm_device> transport)
    : quvix2_base(std::move(transport))
{
    m_previousLetter = 0;
    m_allowedHarmonics = 1;
    m_variant = "Tavi";
}

quvix_tavi::~quvix_tavi()
{
    close();
}

int quvix_tavi::getModel()
{
    return SingleFrequencyModel;
}

const char* quvix_tavi::getCapabilities()
{
    return kSingleFrequencyCapabilities;
}

int quvix_tavi::getSensorDataHR(double* values, int* count, double* peak, int* increment, int* delay,
                                int* remaining)
{
    return decodeNextFrame(values, count, peak, increment, delay, remaining,
                           MeasurementDecoding::singleFrequency, kTraces);
}

int quvix_tavi::handlePacket(const uint8_t* frame, int size)
{
    if (!frame || size < kFrameHeaderSize)
        return 0;
    switch (frame[0]) {
    case 'D':
    case 'H':
    case 'P':
        enqueueBounded(m_packets, frame, size);
        return 1;
    case 'Q':
        std::printf("parsing package : %c %d \n", frame[0], size);
        enqueueBounded(m_qQueue, frame, size);
        return 1;
    default:
        return quvix2_base::handlePacket(frame, size);
    }
}

bool quvix_tavi::requestQPacket()
{
    return writeBytes({'q'});
}

bool quvix_tavi::parseSingleFrequencyRows(const uint8_t* frame, int size)
{
    const uint32_t rows = m_frequencyCount;
    // More rows than the device holds, or a frame too short for its rows.
    if (rows > static_cast<uint32_t>(kMaxRows) || static_cast<uint32_t>(size) < 45 + 8 * rows) {
        m_frequencyCount = 0;
        return false;
    }
    for (uint32_t k = 0; k < rows; ++k) {
        const uint8_t* row = frame + 45 + 5 * k;
        m_rows[k].frequency = wholeHertz(le::f32(row));
        m_rows[k].maxHarmonics = row[4] > 1 ? 1 : row[4];
        m_rows[k].isDefault = 0;
    }
    const uint32_t defaultRow = frame[44];
    if (defaultRow < rows)
        m_rows[defaultRow].isDefault = 1;
    return true;
}

void quvix_tavi::parseFpgaAndClocks(const uint8_t* frame, int size)
{
    // This model's tail counts only when it is complete: version and both
    // clocks together, or none of them.
    clearFpga();
    if (size > 84) {
        setFpga(frame[75], frame[76]);
        m_clock1 = le::u32(frame + 77);
        m_clock2 = le::u32(frame + 81);
    }
}

int quvix_tavi::parseInfo(const uint8_t* frame, int size)
{
    if (!quvix2_base::parseInfo(frame, size))
        return 0;
    if (!parseSingleFrequencyRows(frame, size))
        return 0;
    parseFpgaAndClocks(frame, size);
    return 1;
}
