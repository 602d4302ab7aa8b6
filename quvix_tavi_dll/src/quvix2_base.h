#pragma once

#include "calibrationtable.h"
#include "measurementdecoding.h"
#include "sensorfrequency.h"
#include "usb_comm_device.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

// Result of an operation that a sensor model does not offer.
constexpr int kNotSupported = -6;
// getSensorDataHR's result without a transport or when the status request fails.
constexpr int kNoData = -3;

// One open USB sensor: turns device operations into command bytes on its
// transport (which it owns), hands every frame it reads to handlePacket,
// and keeps the sensor's identity, frequency rows, trigger configuration and
// a bounded queue of measurement frames. The sensor models derive from it;
// openSensor() creates them. Not thread-safe: one thread uses an object at a
// time (the transport's write lock only keeps commands whole on the wire).
// Every operation that talks to the sensor gives 0/false once closed.
class quvix2_base
{
public:
    explicit quvix2_base(std::unique_ptr<usb_comm_device> transport);
    virtual ~quvix2_base();
    quvix2_base(const quvix2_base&) = delete;
    quvix2_base& operator=(const quvix2_base&) = delete;

    // --- virtual operations, in the order of the device interface ---
    virtual void close();
    virtual int getModel() = 0;
    virtual int getNumberOfParameters() { return 0; }
    virtual int getParameterDetails(int, char*, int) { return 0; }
    virtual int getSensorData(double* values, int* count, double* peak, int* ticks, int* delay, int* status);
    virtual int getSensorDataHR(double* values, int* count, double* peak, int* increment, int* delay,
                                int* remaining) = 0;
    virtual int setAccumulations(int count);
    virtual int setLowSignalMode();
    virtual int setNormalMode();
    virtual int hasLowSignalMode();
    virtual int setProcessingConfig(uint8_t mode, double a, double b, double c);
    virtual int getProcessingConfig(uint8_t* mode, double* a, double* b, double* c);
    virtual const char* getCapabilities() = 0;
    virtual int configureFPGA(bool externalTrigger, int accumulations, double levelPercent, int delay,
                              int holdoff);
    virtual int useExternalTrigger(bool use);
    virtual int setTriggerValue(int level);
    virtual int setTriggerDelay(int delay);
    virtual int setTriggerHoldoff(int holdoff);
    virtual int setNumberOfAccumulations(int count);
    virtual int getNumberOfAccumulations();
    virtual int setWaveformMode(bool) { return kNotSupported; }
    virtual int setPMMConfig(int, int, int) { return kNotSupported; }
    virtual int setScaleFactors(double a, int b, int c, int d, int e, int f) = 0;
    virtual int waitForData(double* values, int* count, double* peak, int* ticks, int* delay);
    virtual int getSensorValues(int, int, int, int, int, int, int, int) { return 0; }
    virtual float getAuxValue1() { return m_auxValue1; }
    virtual float getAuxValue2() { return m_auxValue2; }
    virtual double getDelayResolution();
    virtual int enterCalibrationMode();
    virtual int getAveragedData(double* voltage, double* voltagePhase, double* current, double* phase,
                                int* harmonics, uint64_t* stamp, int* meanLeading);
    virtual int doSyncRed(double* voltage, double* voltagePhase, double* current, double* phase,
                          int* harmonics, uint64_t* stamp, float* meanLeading);
    virtual int setHarmonicRange(int first, int last);
    virtual int setWordConfig(int first, int second);
    virtual int isAvailable() { return 1; }
    virtual const char* getDebugInfo() { return "quvix_base: no debug info."; }
    virtual int handlePacket(const uint8_t* frame, int size);
    virtual int parseInfo(const uint8_t* frame, int size);

    // --- commands ---
    bool setReportRate(unsigned periodMs);
    int sendCommandX(uint8_t value);
    int sendCommandT(int ignored);
    int sendCommandP();
    int sendCommandLess();
    bool sendRawCommand(const uint8_t* bytes, int count);
    void enterServiceMode();
    int sendTriggerConfig();
    float getTValue1() const { return m_tValues[0]; }
    float getTValue2() const { return m_tValues[1]; }
    float getTValue3() const { return m_tValues[2]; }
    unsigned reportPeriod() const { return m_reportPeriod; }
    int triggerLevel() const { return m_triggerLevel; }
    int triggerDelay() const { return m_delay; }
    int triggerHoldoff() const { return m_holdoff; }
    bool externalTrigger() const { return m_externalTrigger; }
    bool isOpen() const { return m_transport != nullptr; }
    void setVariantText(const char* text, int length);
    const std::string& variantText() const { return m_variant; }

    // --- info record ---
    bool requestInfo();
    int firmwareMajor() const;
    int firmwareMinor() const;
    const char* getFirmwareRevision() const { return m_typeText.c_str(); }
    const char* getDeviceName() const { return m_identity.c_str(); }
    const char* getSerial() const { return m_identity.c_str(); }
    const char* getFPGARevision() const { return m_fpgaRevision.c_str(); }
    uint8_t capabilityBits() const { return m_capabilities; }
    uint16_t fpgaValue() const { return m_fpgaValue; }
    uint32_t clock1() const { return m_clock1; }
    uint32_t clock2() const { return m_clock2; }
    uint32_t frequencyCount() const { return m_frequencyCount; }
    uint32_t frequency(uint32_t row) const;
    uint32_t maxHarmonics(uint32_t row) const;
    uint32_t isDefaultFrequency(uint32_t row) const;
    uint32_t harmonicSelection(uint32_t row) const;
    uint32_t allowedHarmonicTotal() const { return m_allowedHarmonics; }
    int disableParameters();
    bool enableParameters(uint32_t row, uint32_t count);
    bool parameterReload();

    // --- measurement queue ---
    bool requestStatus();
    bool requestStatusReply();
    size_t queuedPackets() const { return m_packets.size(); }
    size_t droppedPackets() const { return m_droppedPackets; }

    // --- sensor memory ---
    static constexpr int kMemorySize = 0x4000;
    static constexpr int kFrequencyAddress = 0x2000;
    bool readMemory(int address, int count, uint8_t* destination);
    bool readMemoryBlock(int address, int count, uint8_t* destination);
    // Paced 'u' pieces, then a read-back: gives the number of bytes from
    // the start that the sensor stored as given (count when all of them).
    int writeMemory(int address, int count, const uint8_t* data);
    int writeMemoryChecked(int address, int count, const uint8_t* data);
    bool writeMemoryBlock(int address, int count, const uint8_t* data);
    bool writeFrequencies();
    // The calibration table, serialised in format 4, at 0x0040; refused when
    // the block would not read back or would reach the frequency triple.
    bool writeCalibration();
    // Serialises in format 2 only; nothing is written to the sensor.
    bool writeCalibrationSingle();
    CalibrationTable& calibrationTable() { return m_calibration; }
    const SensorFrequency& getFrequencies() const { return m_frequencies; }
    void setFrequencies(const SensorFrequency& frequencies) { m_frequencies = frequencies; }

    // How a model turns one measurement frame into values: gives the number
    // of doubles written, never more than capacity, never reading past size.
    using FrameDecoder = int (*)(const uint8_t* frame, int size, double* values, int capacity);
    struct DecoderTraces {
        const char* tooLarge;
        const char* negative;
    };

    static constexpr int kMaxRows = 20;
    static constexpr size_t kMaxQueuedFrames = 1024;

protected:
    struct FrequencyRow {
        uint32_t frequency = 0;
        uint32_t maxHarmonics = 0;
        uint32_t isDefault = 0;
    };

    bool writeBytes(const std::vector<uint8_t>& bytes);
    // The number of bytes from address on that the sensor holds as data
    // gives them, read back after a write; 0 when the read fails.
    int confirmedLength(int address, int count, const uint8_t* data);
    // sendTriggerConfig, then 'p' when a holdoff is set; gives the result of
    // the last write.
    int sendTriggerConfigWithHoldoff();

    // The frame intake that every model's getSensorDataHR shares: takes the
    // oldest queued frame (asking the sensor for data when the queue is
    // empty), gives its peak, time increment and delay, decodes it.
    int decodeNextFrame(double* values, int* count, double* peak, int* increment, int* delay, int* remaining,
                        FrameDecoder decode, const DecoderTraces& traces);
    // Appends a copy of a frame to a bounded queue, dropping the oldest.
    void enqueueBounded(std::deque<std::vector<uint8_t>>& queue, const uint8_t* frame, int size);
    void setFpga(uint8_t major, uint8_t minor);
    void clearFpga();
    // Reads frames, handing each to handlePacket, until one of this type.
    bool readFramesUntil(char type);

    std::unique_ptr<usb_comm_device> m_transport;
    std::string m_identity;
    std::string m_typeText;
    std::string m_variant;
    std::string m_fpgaRevision;
    uint8_t m_capabilities = 0;
    uint32_t m_frequencyCount = 0;
    uint32_t m_allowedHarmonics = 0;
    uint16_t m_fpgaValue = 0;
    uint32_t m_clock1 = 0;
    uint32_t m_clock2 = 0;
    SensorFrequency m_frequencies;
    CalibrationTable m_calibration;
    bool m_externalTrigger = false;
    int32_t m_accumulations = 1300;
    int32_t m_delay = 0;
    int32_t m_holdoff = 0;
    int32_t m_triggerLevel = 0;
    FrequencyRow m_rows[kMaxRows];
    uint32_t m_selection[kMaxRows] = {};
    float m_tValues[3] = {-300.0f, -300.0f, -300.0f};
    unsigned m_reportPeriod = 100;
    uint8_t m_processingMode = 0;
    double m_processingA = 0.0;
    double m_processingB = 0.0;
    double m_processingC = 1.0;
    float m_auxValue1 = 0.0f;
    float m_auxValue2 = 0.0f;
    std::deque<std::vector<uint8_t>> m_packets;
    int32_t m_tickCarry = 0;
    size_t m_droppedPackets = 0;
    // Time bookkeeping of the frame decoders.
    uint8_t m_previousLetter = 0;
    uint32_t m_previousCounter = 0;
    // Where this model's frames put a block's harmonics; the averaged read
    // follows it as the model's decoder does.
    MeasurementDecoding::FrameLayout m_frameLayout = MeasurementDecoding::FrameLayout::Standard;
};
