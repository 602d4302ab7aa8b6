#include "quvix2_base.h"

#include "accesscode.h"
#include "littleendian.h"
#include "platform/debugoutput.h"
#include "platform/pause.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int kInfoHeaderMinimum = 44; // an 'i' frame must be longer than this
constexpr int kTypeTextSize = 20;
constexpr int kIdentitySize = 19;
constexpr int kMaxReadPiece = 255;
constexpr int kReadBlockPiece = 128;
constexpr int kWritePieceBoundary = 64;
constexpr int kWriteLeadPauseMs = 500;
constexpr int kWriteTrailPauseMs = 100;
constexpr int kMaxRawPayload = 252;
constexpr int kStatusAttempts = 100;
constexpr int kStatusPauseMs = 10;
constexpr int kMaxAveragedHarmonics = 32;
constexpr int kTicksPerUnit = 24000;

std::string fixedText(const uint8_t* bytes, int size)
{
    std::string text(reinterpret_cast<const char*>(bytes), static_cast<size_t>(size));
    text[static_cast<size_t>(size) - 1] = '\0';
    return text.substr(0, std::strlen(text.c_str()));
}

} // namespace

quvix2_base::quvix2_base(std::unique_ptr<usb_comm_device> transport)
    : m_transport(std::move(transport))
{
}

quvix2_base::~quvix2_base()
{
    quvix2_base::close();
}

void quvix2_base::close()
{
    if (!m_transport)
        return;
    const uint8_t normal = 'N';
    const uint8_t resync = '*';
    m_transport->write(&normal, 1);
    m_transport->write(&resync, 1);
    m_transport->close();
    m_transport.reset();
}

bool quvix2_base::writeBytes(const std::vector<uint8_t>& bytes)
{
    return m_transport && m_transport->write(bytes.data(), static_cast<int>(bytes.size()));
}

void quvix2_base::enqueueBounded(std::deque<std::vector<uint8_t>>& queue, const uint8_t* frame, int size)
{
    while (queue.size() >= kMaxQueuedFrames) {
        queue.pop_front();
        ++m_droppedPackets;
    }
    queue.emplace_back(frame, frame + size);
}

// --- commands -------------------------------------------------------------

int quvix2_base::setAccumulations(int count)
{
    return writeBytes({'A', static_cast<uint8_t>(count & 0xFF)}) ? 1 : 0;
}

int quvix2_base::setLowSignalMode()
{
    return writeBytes({'L'}) ? 1 : 0;
}

int quvix2_base::setNormalMode()
{
    return writeBytes({'N'}) ? 1 : 0;
}

int quvix2_base::enterCalibrationMode()
{
    const auto code = calibrationAccessCode();
    std::vector<uint8_t> command{'C'};
    command.insert(command.end(), code.begin(), code.end());
    return writeBytes(command) ? 1 : 0;
}

void quvix2_base::enterServiceMode()
{
    const auto code = serviceAccessCode();
    std::vector<uint8_t> command{'U'};
    command.insert(command.end(), code.begin(), code.end());
    writeBytes(command);
}

int quvix2_base::setHarmonicRange(int first, int last)
{
    if (!m_transport || last < first)
        return 0;
    const int span = std::min(last - first, 63);
    return writeBytes({'B', static_cast<uint8_t>(first & 0xFF), static_cast<uint8_t>((first >> 8) & 0xFF),
                       static_cast<uint8_t>(span)})
               ? 1
               : 0;
}

int quvix2_base::setWordConfig(int first, int second)
{
    if (!m_transport || firmwareMajor() <= 4)
        return 0;
    return writeBytes({'c', static_cast<uint8_t>(first & 0xFF), static_cast<uint8_t>((first >> 8) & 0xFF),
                       static_cast<uint8_t>(second & 0xFF), static_cast<uint8_t>((second >> 8) & 0xFF)})
               ? 1
               : 0;
}

bool quvix2_base::setReportRate(unsigned periodMs)
{
    if (!m_transport || (periodMs != 0 && (periodMs < 10 || periodMs > 5000)))
        return false;
    if (!writeBytes({'R', static_cast<uint8_t>(periodMs & 0xFF), static_cast<uint8_t>(periodMs >> 8)}))
        return false;
    m_reportPeriod = periodMs;
    return true;
}

int quvix2_base::sendCommandX(uint8_t value)
{
    return writeBytes({'x', value}) ? 1 : 0;
}

int quvix2_base::sendCommandT(int)
{
    return writeBytes({'t'}) ? 1 : 0;
}

int quvix2_base::sendCommandP()
{
    return writeBytes({'P'}) ? 1 : 0;
}

int quvix2_base::sendCommandLess()
{
    return writeBytes({'<'}) ? 1 : 0;
}

bool quvix2_base::sendRawCommand(const uint8_t* bytes, int count)
{
    if (!m_transport || count < 0 || count > kMaxRawPayload || (count > 0 && !bytes))
        return false;
    const int total = count + 3;
    std::vector<uint8_t> command{'>', static_cast<uint8_t>(total & 0xFF), static_cast<uint8_t>(total >> 8)};
    command.insert(command.end(), bytes, bytes + count);
    return writeBytes(command);
}

int quvix2_base::sendTriggerConfig()
{
    if (!m_transport)
        return 0;
    std::vector<uint8_t> record(15, 0);
    record[0] = 's';
    record[1] = m_externalTrigger ? 8 : 0;
    le::putU32(&record[3], static_cast<uint32_t>(m_delay));
    le::putU32(&record[7], static_cast<uint32_t>(m_holdoff));
    le::putU16(&record[11], static_cast<uint16_t>(m_triggerLevel & 0xFFFF));
    le::putU16(&record[13], static_cast<uint16_t>(m_accumulations & 0xFFFF));
    return writeBytes(record) ? 1 : 0;
}

int quvix2_base::sendTriggerConfigWithHoldoff()
{
    const int sent = sendTriggerConfig();
    if (sent && m_holdoff != 0)
        return writeBytes({'p'}) ? 1 : 0;
    return sent;
}

int quvix2_base::configureFPGA(bool externalTrigger, int accumulations, double levelPercent, int delay,
                               int holdoff)
{
    m_externalTrigger = externalTrigger;
    m_accumulations = accumulations;
    m_triggerLevel = static_cast<int32_t>(std::trunc(levelPercent * 8192.0 / 100.0));
    m_delay = delay;
    m_holdoff = holdoff;
    return sendTriggerConfigWithHoldoff();
}

int quvix2_base::useExternalTrigger(bool use)
{
    m_externalTrigger = use;
    return sendTriggerConfig();
}

int quvix2_base::setTriggerValue(int level)
{
    m_triggerLevel = level;
    return sendTriggerConfig();
}

int quvix2_base::setTriggerDelay(int delay)
{
    m_delay = delay;
    return sendTriggerConfigWithHoldoff();
}

int quvix2_base::setTriggerHoldoff(int holdoff)
{
    m_holdoff = holdoff;
    return sendTriggerConfig();
}

int quvix2_base::setNumberOfAccumulations(int count)
{
    m_accumulations = count;
    return sendTriggerConfig();
}

int quvix2_base::getNumberOfAccumulations()
{
    return m_accumulations;
}

int quvix2_base::setProcessingConfig(uint8_t mode, double a, double b, double c)
{
    m_processingMode = mode;
    m_processingA = a;
    m_processingB = b;
    m_processingC = c;
    return 1;
}

int quvix2_base::getProcessingConfig(uint8_t* mode, double* a, double* b, double* c)
{
    if (mode)
        *mode = m_processingMode;
    if (a)
        *a = m_processingA;
    if (b)
        *b = m_processingB;
    if (c)
        *c = m_processingC;
    return 1;
}

void quvix2_base::setVariantText(const char* text, int length)
{
    m_variant = text && length > 0 ? std::string(text, static_cast<size_t>(length)) : std::string();
}

int quvix2_base::handlePacket(const uint8_t* frame, int size)
{
    if (!frame || size < kFrameHeaderSize)
        return 0;
    switch (frame[0]) {
    case 'T':
        if (size >= kFrameHeaderSize + 12) {
            m_tValues[0] = le::f32(frame + 3);
            m_tValues[1] = le::f32(frame + 7);
            m_tValues[2] = le::f32(frame + 11);
        }
        return 1;
    case 'i':
        return parseInfo(frame, size);
    default:
        return 0;
    }
}

bool quvix2_base::readFramesUntil(char type)
{
    uint8_t frame[kMaxFrameSize];
    int size = 0;
    for (;;) {
        if (!m_transport->read_packet(frame, &size))
            return false;
        handlePacket(frame, size);
        if (frame[0] == static_cast<uint8_t>(type))
            return true;
    }
}

// --- info record ----------------------------------------------------------

bool quvix2_base::requestInfo()
{
    if (!writeBytes({'i'}))
        return false;
    return readFramesUntil('i');
}

int quvix2_base::parseInfo(const uint8_t* frame, int size)
{
    if (!frame || size <= kInfoHeaderMinimum)
        return 0;
    const uint8_t* payload = frame + kFrameHeaderSize;
    m_typeText = fixedText(payload, kTypeTextSize);
    m_identity = fixedText(payload + kTypeTextSize, kIdentitySize);
    m_capabilities = payload[39];
    m_frequencyCount = payload[40];
    return 1;
}

int quvix2_base::firmwareMajor() const
{
    const char* text = m_typeText.c_str();
    while (*text && !std::isdigit(static_cast<unsigned char>(*text)))
        ++text;
    return *text ? std::atoi(text) : 0;
}

int quvix2_base::firmwareMinor() const
{
    const char* text = m_typeText.c_str();
    const char* point = std::strchr(text, '.');
    return std::atoi(point ? point + 1 : text);
}

int quvix2_base::hasLowSignalMode()
{
    return (m_capabilities & 0x10) ? 1 : 0;
}

uint32_t quvix2_base::frequency(uint32_t row) const
{
    return row < m_frequencyCount && row < kMaxRows ? m_rows[row].frequency : 0;
}

uint32_t quvix2_base::maxHarmonics(uint32_t row) const
{
    return row < m_frequencyCount && row < kMaxRows ? m_rows[row].maxHarmonics : 0;
}

uint32_t quvix2_base::isDefaultFrequency(uint32_t row) const
{
    return row < m_frequencyCount && row < kMaxRows ? m_rows[row].isDefault : 0;
}

uint32_t quvix2_base::harmonicSelection(uint32_t row) const
{
    return row < kMaxRows ? m_selection[row] : 0;
}

int quvix2_base::disableParameters()
{
    std::fill(std::begin(m_selection), std::end(m_selection), 0u);
    return 1;
}

bool quvix2_base::enableParameters(uint32_t row, uint32_t count)
{
    if (row >= m_frequencyCount || row >= kMaxRows)
        return false;
    if (m_rows[row].maxHarmonics < count)
        return false;
    m_selection[row] = count;
    return true;
}

bool quvix2_base::parameterReload()
{
    if (!m_transport)
        return false;
    const uint32_t rows = std::min<uint32_t>(m_frequencyCount, kMaxRows);
    std::vector<uint8_t> command{'F', static_cast<uint8_t>(rows)};
    uint32_t total = 0;
    for (uint32_t row = 0; row < rows; ++row) {
        command.push_back(static_cast<uint8_t>(m_selection[row] & 0xFF));
        total += m_selection[row];
    }
    if (rows != 0 && total > m_allowedHarmonics)
        return false;
    if (!writeBytes(command) || !writeBytes({'i'}))
        return false;
    return readFramesUntil('i');
}

void quvix2_base::setFpga(uint8_t major, uint8_t minor)
{
    m_fpgaValue = static_cast<uint16_t>(major | (minor << 8));
    m_fpgaRevision = std::to_string(major) + "." + std::to_string(minor);
}

void quvix2_base::clearFpga()
{
    m_fpgaValue = 0;
    m_fpgaRevision = "---";
    m_clock1 = 0;
    m_clock2 = 0;
}

double quvix2_base::getDelayResolution()
{
    const int major = firmwareMajor();
    if (major > 4 && firmwareMinor() > 15)
        return m_clock2 != 0 ? 1.0 / m_clock2 : 1.0 / 34764706.0;
    if (m_clock1 != 0)
        return 1.0 / m_clock1;
    if (major > 4)
        return 1.0 / 34764706.0;
    if (major == 4)
        return 1.0 / 37588235.0;
    return 1.0 / 37818181.0;
}

// --- measurement queue ----------------------------------------------------

bool quvix2_base::requestStatus()
{
    if (!writeBytes({'S'}))
        return false;
    return readFramesUntil('S');
}

bool quvix2_base::requestStatusReply()
{
    m_previousCounter = 0;
    if (!writeBytes({'S'}))
        return false;
    uint8_t frame[kMaxFrameSize];
    int size = 0;
    do {
        if (!m_transport->read_packet(frame, &size))
            return false;
    } while (frame[0] != 'S');
    handlePacket(frame, size);
    return true;
}

int quvix2_base::getSensorData(double* values, int* count, double* peak, int* ticks, int* delay, int* status)
{
    int written = count ? *count : 0;
    int increment = 0;
    int remaining = 0;
    const int result = getSensorDataHR(values, &written, peak, &increment, delay, &remaining);
    if (ticks && written > 0) {
        int quotient = increment / kTicksPerUnit;
        const int rest = increment - quotient * kTicksPerUnit;
        m_tickCarry += rest;
        if (m_tickCarry > kTicksPerUnit) {
            ++quotient;
            m_tickCarry -= kTicksPerUnit;
        }
        *ticks = quotient;
    }
    if (status) {
        if (remaining > 0)
            *status = 0;
        else if (written != 0)
            *status = 1;
    }
    if (count)
        *count = written;
    return result;
}

int quvix2_base::waitForData(double* values, int* count, double* peak, int* ticks, int* delay)
{
    const int capacity = count ? *count : 0;
    for (;;) {
        int status = 100;
        if (count)
            *count = capacity;
        if (getSensorData(values, count, peak, ticks, delay, &status) <= 0)
            return -1;
        if (status < 100)
            return 1;
        Pause::milliseconds(static_cast<int>(m_reportPeriod));
    }
}

int quvix2_base::doSyncRed(double* voltage, double* voltagePhase, double* current, double* phase,
                           int* harmonics, uint64_t* stamp, float* meanLeading)
{
    if (!m_transport || !harmonics)
        return 0;
    for (int attempt = 1; attempt <= kStatusAttempts && m_packets.empty(); ++attempt) {
        if (attempt > 1)
            Pause::milliseconds(kStatusPauseMs);
        if (!requestStatus()) {
            std::printf("doSyncRed failed.");
            return 0;
        }
    }
    if (m_packets.empty())
        return 0; // no data came: the outputs keep what they held

    double sums[4][kMaxAveragedHarmonics] = {};
    double leadingSum = 0.0;
    int contributing = 0;
    int wanted = std::clamp(*harmonics, 0, kMaxAveragedHarmonics);
    while (!m_packets.empty()) {
        const std::vector<uint8_t> frame = std::move(m_packets.front());
        m_packets.pop_front();
        const size_t dataStart = static_cast<size_t>(MeasurementDecoding::dataOffset(frame[0]));
        if (frame.size() < dataStart + 5)
            continue;
        const int carried = frame[dataStart];
        const size_t harmonicsStart =
            dataStart + static_cast<size_t>(MeasurementDecoding::harmonicsOffset(m_frameLayout, frame[0]));
        if (frame.size() < harmonicsStart + 16 * static_cast<size_t>(carried))
            continue;
        leadingSum += le::f32(&frame[dataStart + 1]);
        wanted = std::min(wanted, carried);
        for (int k = 0; k < wanted; ++k)
            for (int part = 0; part < 4; ++part)
                sums[part][k] += le::f32(&frame[harmonicsStart + 16 * static_cast<size_t>(k) + 4 * part]);
        ++contributing;
    }
    if (contributing == 0)
        return 0;
    *harmonics = wanted;
    double* outputs[4] = {voltage, voltagePhase, current, phase};
    for (int part = 0; part < 4; ++part)
        if (outputs[part])
            for (int k = 0; k < wanted; ++k)
                outputs[part][k] = sums[part][k] / contributing;
    if (meanLeading)
        *meanLeading = static_cast<float>(leadingSum / contributing);
    if (stamp)
        *stamp = 0;
    return 1;
}

int quvix2_base::getAveragedData(double* voltage, double* voltagePhase, double* current, double* phase,
                                 int* harmonics, uint64_t* stamp, int* meanLeading)
{
    float mean = 0.0f;
    const int result = doSyncRed(voltage, voltagePhase, current, phase, harmonics, stamp, &mean);
    if (meanLeading && result == 1)
        *meanLeading = static_cast<int>(mean);
    return result;
}

// --- sensor memory --------------------------------------------------------

bool quvix2_base::readMemory(int address, int count, uint8_t* destination)
{
    // A count of 0 can never be answered by a usable frame: nothing is sent.
    if (!m_transport || !destination || address < 0 || address > kMemorySize - 1 || count <= 0 ||
        count > kMaxReadPiece || address + count > kMemorySize)
        return false;
    if (!writeBytes({'g', static_cast<uint8_t>(address & 0xFF), static_cast<uint8_t>(address >> 8),
                     static_cast<uint8_t>(count)}))
        return false;
    uint8_t frame[kMaxFrameSize];
    int size = 0;
    do {
        if (!m_transport->read_packet(frame, &size))
            return false;
    } while (frame[0] != 'g');
    if (le::u16(frame + 1) != count)
        return false;
    std::memcpy(destination, frame + kFrameHeaderSize, static_cast<size_t>(count));
    std::printf("success read memory\n");
    return true;
}

bool quvix2_base::readMemoryBlock(int address, int count, uint8_t* destination)
{
    for (int done = 0; done < count;) {
        const int piece = std::min(count - done, kReadBlockPiece);
        if (!readMemory(address + done, piece, destination + done))
            return false;
        done += piece;
    }
    return true;
}

int quvix2_base::writeMemory(int address, int count, const uint8_t* data)
{
    if (count <= 0) {
        Pause::milliseconds(kWriteTrailPauseMs);
        return 0;
    }
    const int start = address;
    int written = 0;
    while (written < count) {
        const int boundary = ((address + kWritePieceBoundary) & 0xFFC0) - address;
        const int piece = std::min(boundary, count - written);
        writeBytes({'i'});
        Pause::milliseconds(kWriteLeadPauseMs);
        std::vector<uint8_t> command{'u', static_cast<uint8_t>(address & 0xFF),
                                     static_cast<uint8_t>(address >> 8), static_cast<uint8_t>(piece)};
        command.insert(command.end(), data + written, data + written + piece);
        if (!writeBytes(command))
            return written;
        address += piece;
        written += piece;
        Pause::milliseconds(kWriteTrailPauseMs);
    }
    Pause::milliseconds(kWriteTrailPauseMs);
    return confirmedLength(start, count, data);
}

int quvix2_base::confirmedLength(int address, int count, const uint8_t* data)
{
    // The sensor acknowledges no write: a write-protected or failing memory
    // takes the commands silently. Only what reads back counts as written.
    std::vector<uint8_t> stored(static_cast<size_t>(count));
    if (!readMemoryBlock(address, count, stored.data()))
        return 0;
    return static_cast<int>(std::mismatch(stored.begin(), stored.end(), data).first - stored.begin());
}

int quvix2_base::writeMemoryChecked(int address, int count, const uint8_t* data)
{
    if (!m_transport || !data || address < 0 || address > kMemorySize - 1 || count < 0 ||
        address + count > kMemorySize)
        return -1;
    return writeMemory(address, count, data);
}

bool quvix2_base::writeMemoryBlock(int address, int count, const uint8_t* data)
{
    return writeMemoryChecked(address, count, data) == count;
}

bool quvix2_base::writeFrequencies()
{
    std::vector<uint8_t> bytes(static_cast<size_t>(SensorFrequency::size()));
    if (!m_frequencies.toBytes(bytes.data(), SensorFrequency::size()))
        return false;
    if (!m_transport || kFrequencyAddress + SensorFrequency::size() > kMemorySize)
        return false;
    return writeMemory(kFrequencyAddress, SensorFrequency::size(), bytes.data()) == SensorFrequency::size();
}

// --- frame intake of the decoders -------------------------------------------

int quvix2_base::decodeNextFrame(double* values, int* count, double* peak, int* increment, int* delay,
                                 int* remaining, FrameDecoder decode, const DecoderTraces& traces)
{
    int capacity = 0;
    if (count && *count > 0) {
        capacity = *count;
        *count = 0;
    }
    if (!values)
        capacity = 0;
    if (!m_transport)
        return kNoData;
    if (m_packets.empty()) {
        if (!requestStatus())
            return kNoData;
        if (m_packets.empty()) {
            if (remaining)
                *remaining = 0;
            return 1;
        }
    }
    const std::vector<uint8_t>& frame = m_packets.front();
    const int size = static_cast<int>(frame.size());
    const uint8_t letter = frame[0];
    if (peak && size >= 5)
        *peak = le::u16(&frame[3]) * 100.0 / 8192.0;

    int timeIncrement = 0;
    if (letter == 'H') {
        const uint32_t stamp = size >= 11 ? le::u32(&frame[7]) : 0;
        if (m_previousLetter == 'H')
            timeIncrement = static_cast<int32_t>(stamp - m_previousCounter);
        m_previousCounter = stamp;
    } else {
        const uint32_t counter = size >= 7 ? le::u16(&frame[5]) : 0;
        if (m_previousLetter == letter) {
            const uint32_t difference = (counter - m_previousCounter) & 0xFFFF;
            if (difference > 10000)
                DebugOutput::write(traces.tooLarge);
            timeIncrement = static_cast<int>(difference * 24000u);
        }
        m_previousCounter = counter;
    }
    m_previousLetter = letter;
    if (increment) {
        *increment = timeIncrement;
        if (timeIncrement < 0)
            DebugOutput::write(traces.negative);
    }
    if (delay)
        *delay = letter == 'H' || size < 11 ? 0 : static_cast<int>(le::u32(&frame[7]));

    const int written = decode(frame.data(), size, values, capacity);
    m_packets.pop_front();
    if (remaining)
        *remaining = static_cast<int>(m_packets.size());
    if (count)
        *count = written;
    return 1;
}

bool quvix2_base::writeCalibration()
{
    std::vector<uint8_t> block(4096);
    if (!m_calibration.isReadable())
        return false;
    const int length = m_calibration.serialize(block.data(), static_cast<int>(block.size()));
    if (length <= 0 || !m_transport ||
        CalibrationTable::kBlockAddress + length > CalibrationTable::kBlockLimit)
        return false;
    return writeMemory(CalibrationTable::kBlockAddress, length, block.data()) == length;
}

bool quvix2_base::writeCalibrationSingle()
{
    std::vector<uint8_t> block(4096);
    m_calibration.serializeSingle(block.data(), static_cast<int>(block.size()));
    return false;
}
