#include "simulatedsensor.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sys/stat.h>

namespace {

void putU16(std::vector<uint8_t>& out, size_t at, uint16_t value)
{
    out[at] = static_cast<uint8_t>(value & 0xFF);
    out[at + 1] = static_cast<uint8_t>(value >> 8);
}

void putU32(std::vector<uint8_t>& out, size_t at, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out[at + static_cast<size_t>(i)] = static_cast<uint8_t>(value >> (8 * i));
}

void putF32(std::vector<uint8_t>& out, size_t at, float value)
{
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    putU32(out, at, bits);
}

void putText(std::vector<uint8_t>& out, size_t at, size_t width, const std::string& text)
{
    for (size_t i = 0; i < width && i < text.size(); ++i)
        out[at + i] = static_cast<uint8_t>(text[i]);
}

bool fileExists(const std::string& path)
{
    struct stat info;
    return ::stat(path.c_str(), &info) == 0;
}

uint32_t parseAddress(const std::string& dotted)
{
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (std::sscanf(dotted.c_str(), "%u.%u.%u.%u", &a, &b, &c, &d) != 4)
        return 0;
    return (a << 24) | (b << 16) | (c << 8) | d;
}

struct Row {
    float frequency;
    uint8_t maxHarmonics;
    uint8_t isDefault;
};

} // namespace

SimulatedSensor::SimulatedSensor(std::string folder, std::string stem)
    : m_folder(std::move(folder))
    , m_stem(std::move(stem))
{
    reload();
}

std::string SimulatedSensor::path(const char* suffix) const
{
    return m_folder + "/" + m_stem + suffix;
}

std::string SimulatedSensor::serial() const
{
    return m_config.text("serial", m_stem);
}

bool SimulatedSensor::reload()
{
    const bool ok = m_config.load(path(".sensor"));
    m_load = SimulatedLoad();
    m_load.parse(m_config.text("load"));
    m_load.parseRfLoad(m_config.text("rfload"), static_cast<int>(m_config.number("harmonics", 5)));
    return ok;
}

bool SimulatedSensor::present() const
{
    return fileExists(path(".present"));
}

int SimulatedSensor::receive(const uint8_t* bytes, int size)
{
    if (size <= 0)
        return 0;
    // Counted from the moment the switch is set (or changed).
    const long long failAfter = m_config.number("failwrite_after", -1);
    if (failAfter != m_failAfterSeen) {
        m_failAfterSeen = failAfter;
        m_writesAccepted = 0;
    }
    if (m_config.flag("failwrite") || (failAfter >= 0 && m_writesAccepted >= failAfter))
        return -EIO;
    ++m_writesAccepted;
    if (m_config.flag("shortwrite"))
        return size - 1;
    logCommand(bytes, size);
    handleCommand(bytes, size);
    return size;
}

int SimulatedSensor::transmit(uint8_t* buffer, int size)
{
    if (m_pending.empty())
        return -ETIMEDOUT;
    int limit = size;
    const long long split = m_config.number("split", 0);
    if (split > 0 && split < limit)
        limit = static_cast<int>(split);
    int copied = 0;
    while (copied < limit && !m_pending.empty()) {
        buffer[copied++] = m_pending.front();
        m_pending.pop_front();
    }
    return copied;
}

void SimulatedSensor::logCommand(const uint8_t* bytes, int size) const
{
    std::FILE* log = std::fopen((m_folder + "/commands.log").c_str(), "a");
    if (!log)
        return;
    const auto now = std::chrono::duration_cast<std::chrono::milliseconds>(
                         std::chrono::system_clock::now().time_since_epoch())
                         .count();
    std::fprintf(log, "%lld %s %c ", static_cast<long long>(now), serial().c_str(),
                 bytes[0] >= 0x21 && bytes[0] < 0x7F ? bytes[0] : '?');
    for (int i = 1; i < size; ++i)
        std::fprintf(log, "%02x", bytes[i]);
    std::fprintf(log, "\n");
    std::fclose(log);
}

void SimulatedSensor::queueRaw(const std::vector<uint8_t>& frame)
{
    m_pending.insert(m_pending.end(), frame.begin(), frame.end());
}

void SimulatedSensor::reply(char type, const std::vector<uint8_t>& payload)
{
    if (m_config.flag("drop"))
        return;
    if (m_config.flag("stray")) {
        std::vector<uint8_t> stray(15, 0);
        stray[0] = 'T';
        putU16(stray, 1, 12);
        putF32(stray, 3, 21.5f);
        putF32(stray, 7, 22.5f);
        putF32(stray, 11, 23.5f);
        queueRaw(stray);
    }
    std::vector<uint8_t> frame(3 + payload.size());
    frame[0] = static_cast<uint8_t>(type);
    const long long forcedLength = m_config.number("badlength", -1);
    putU16(frame, 1, static_cast<uint16_t>(forcedLength >= 0 ? forcedLength : payload.size()));
    std::copy(payload.begin(), payload.end(), frame.begin() + 3);
    queueRaw(frame);
}

void SimulatedSensor::handleCommand(const uint8_t* bytes, int size)
{
    const auto u16At = [bytes](int at) { return static_cast<int>(bytes[at] | (bytes[at + 1] << 8)); };
    switch (bytes[0]) {
    case 'i':
        if (m_config.has("info")) {
            std::vector<uint8_t> payload;
            const std::string hex = m_config.text("info");
            for (size_t i = 0; i + 1 < hex.size(); i += 2)
                payload.push_back(static_cast<uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
            reply('i', payload);
        } else {
            reply('i', infoPayload());
        }
        break;
    case 'g':
        if (size >= 4) {
            const int address = u16At(1);
            const int count = bytes[3];
            if (count > 0 && address + count <= kMemorySize) {
                const std::vector<uint8_t> image = memoryImage();
                reply('g', std::vector<uint8_t>(image.begin() + address, image.begin() + address + count));
            }
        }
        break;
    case 'u':
        if (size >= 4) {
            const int address = u16At(1);
            const int count = bytes[3];
            // "writeprotect" ignores every memory write; "writeprotect_from"
            // and "writeprotect_to" (end excluded) only those that touch
            // that range, as a sensor with a worn-out area would.
            const long long protectFrom = m_config.number("writeprotect_from", kMemorySize);
            const long long protectTo = m_config.number("writeprotect_to", kMemorySize);
            const bool protectedRange = address < protectTo && address + count > protectFrom;
            if (count == size - 4 && address + count <= kMemorySize && !m_config.flag("writeprotect") &&
                !protectedRange)
                storeMemory(address, bytes + 4, count);
        }
        break;
    case 'S':
        answerStatus();
        break;
    case 'q':
        reply('Q', {1, 2, 3, 4});
        break;
    default:
        break;
    }
}

void SimulatedSensor::answerStatus()
{
    const std::string letters = m_config.text("frame_letter", "D");
    const long long frames = m_config.number("status_frames", 0);
    const bool single = m_config.text("layout") == "single";
    const std::vector<std::string> rows = m_config.list("rows");
    std::vector<int> blocks;
    const int harmonics =
        static_cast<int>(m_config.number("harmonics", static_cast<long long>(m_load.harmonics().size())));
    if (single)
        blocks.push_back(1);
    else
        blocks.assign(rows.empty() ? 1 : rows.size(), harmonics);
    for (long long n = 0; n < frames; ++n) {
        SimulatedLoad::FrameHeader header;
        header.letter = letters.empty() ? 'D' : letters[static_cast<size_t>(n) % letters.size()];
        header.peak = static_cast<uint16_t>(m_config.number("peak", 4096));
        header.leading = static_cast<float>(m_config.real("leading", 1.0));
        header.pHeader1 = static_cast<float>(m_config.real("pulse_period", 100.0));
        header.pHeader2 = static_cast<float>(m_config.real("pulse_on", 25.0));
        header.pulseGap = m_config.text("type", "Renu V5.16").find("Morvek") == std::string::npos;
        const uint32_t step = static_cast<uint32_t>(m_config.number("tick_step", 100));
        m_tick = static_cast<uint16_t>(m_tick + step);
        m_timeStamp += step;
        header.tick = m_tick;
        header.delayOrTime =
            header.letter == 'H' ? m_timeStamp : static_cast<uint32_t>(m_config.number("delay", 0));
        if (!m_config.flag("drop"))
            queueRaw(m_load.frame(header, blocks));
    }
    reply('S', {0});
}

std::vector<uint8_t> SimulatedSensor::infoPayload() const
{
    const std::string type = m_config.text("type", "Renu V5.16");
    const bool single = m_config.text("layout", type.find("Tavi") != std::string::npos ||
                                                        type.find("Morvek") != std::string::npos
                                                    ? "single"
                                                    : "multi") == "single";
    std::vector<Row> rows;
    for (const std::string& row : m_config.list("rows")) {
        Row parsed{13560000.0f, 1, 0};
        unsigned maxHarmonics = 1, isDefault = 0;
        float frequency = 0;
        const int fields = std::sscanf(row.c_str(), "%f:%u:%u", &frequency, &maxHarmonics, &isDefault);
        if (fields >= 1)
            parsed.frequency = frequency;
        if (fields >= 2)
            parsed.maxHarmonics = static_cast<uint8_t>(maxHarmonics);
        if (fields >= 3)
            parsed.isDefault = static_cast<uint8_t>(isDefault);
        rows.push_back(parsed);
    }
    if (rows.empty())
        rows.push_back(Row{13560000.0f, static_cast<uint8_t>(single ? 1 : 5), 1});

    const size_t rowSize = single ? 5 : 6;
    const size_t fpgaAt = single ? 72 : 78;
    size_t length = 42 + rowSize * rows.size();
    if (single)
        length = std::max(length, 42 + 8 * rows.size());
    length = std::max<size_t>(length, fpgaAt + 10);
    if (m_config.has("info_length"))
        length = static_cast<size_t>(m_config.number("info_length"));
    std::vector<uint8_t> payload(std::max<size_t>(length, fpgaAt + 10 + rowSize * rows.size()), 0);
    putText(payload, 0, 19, type);
    putText(payload, 20, 18, m_config.text("identity", serial()));
    payload[39] = static_cast<uint8_t>(m_config.number("capabilities", 0x10));
    payload[40] = static_cast<uint8_t>(rows.size());
    payload[41] = static_cast<uint8_t>(m_config.number("default_row", 0));
    for (size_t k = 0; k < rows.size(); ++k) {
        const size_t at = 42 + rowSize * k;
        putF32(payload, at, rows[k].frequency);
        payload[at + 4] = rows[k].maxHarmonics;
        if (!single)
            payload[at + 5] = rows[k].isDefault;
    }
    if ((single && 42 + 5 * rows.size() <= fpgaAt) || (!single && rows.size() <= 5)) {
        unsigned major = 2, minor = 7;
        std::sscanf(m_config.text("fpga", "2.7").c_str(), "%u.%u", &major, &minor);
        payload[fpgaAt] = static_cast<uint8_t>(major);
        payload[fpgaAt + 1] = static_cast<uint8_t>(minor);
        putU32(payload, fpgaAt + 2, static_cast<uint32_t>(m_config.number("clock1", 40000000)));
        putU32(payload, fpgaAt + 6, static_cast<uint32_t>(m_config.number("clock2", 40000000)));
    }
    payload.resize(length);
    return payload;
}

std::vector<uint8_t> SimulatedSensor::initialMemory() const
{
    std::vector<uint8_t> image(kMemorySize, 0xFF);
    if (m_config.text("preset") != "demo")
        return image;
    std::fill(image.begin(), image.begin() + 68, 0);
    putText(image, 0, 8, "RE201");
    putText(image, 8, 4, "2412");
    putText(image, 12, 4, "E");
    putText(image, 16, 8, serial());
    putText(image, 24, 8, "13mhz");
    image[32] = 0x20;
    image[33] = 0x20;
    image[35] = 1;
    image[36] = 10;
    image[37] = 10;
    image[42] = 0;
    image[43] = 5;
    image[44] = 1;
    putU32(image, 48, parseAddress(m_config.text("ip", "192.0.2.60")));
    putU32(image, 52, parseAddress(m_config.text("netmask", "255.255.255.0")));
    putU32(image, 56, parseAddress(m_config.text("gateway", "192.0.2.1")));
    putU32(image, 60, parseAddress(m_config.text("dns", "192.0.2.1")));
    putU32(image, 0x2000, 12560000);
    putU32(image, 0x2004, 13560000);
    putU32(image, 0x2008, 14560000);
    return image;
}

std::vector<uint8_t> SimulatedSensor::memoryImage() const
{
    std::ifstream in(path(".mem"), std::ios::binary);
    if (!in) {
        std::vector<uint8_t> image = initialMemory();
        std::ofstream out(path(".mem"), std::ios::binary);
        out.write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
        return image;
    }
    std::vector<uint8_t> image(kMemorySize, 0xFF);
    in.read(reinterpret_cast<char*>(image.data()), kMemorySize);
    return image;
}

void SimulatedSensor::storeMemory(int address, const uint8_t* data, int count) const
{
    std::vector<uint8_t> image = memoryImage();
    std::copy(data, data + count, image.begin() + address);
    const std::string target = path(".mem");
    const std::string temporary = target + ".new";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
    }
    std::rename(temporary.c_str(), target.c_str());
}
