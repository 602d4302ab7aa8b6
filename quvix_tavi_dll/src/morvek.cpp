#include "morvek.h"

#include "littleendian.h"
#include "measurementdecoding.h"

namespace {

const quvix2_base::DecoderTraces kTraces{"Quvix_renu getSensorDataHR() time increment too large. ",
                                         "Quvix_renu getSensorDataHR() time increment is negative. "};

} // namespace

morvek::morvek(std::unique_ptr<usb_comm_device> transport)
    : quvix_tavi(std::move(transport))
{
    m_frameLayout = MeasurementDecoding::FrameLayout::Morvek;
}

morvek::~morvek()
{
    close();
}

int morvek::getSensorDataHR(double* values, int* count, double* peak, int* increment, int* delay,
                            int* remaining)
{
    return decodeNextFrame(values, count, peak, increment, delay, remaining, MeasurementDecoding::morvek,
                           kTraces);
}

void morvek::parseFpgaAndClocks(const uint8_t* frame, int size)
{
    clearFpga();
    if (size > 76)
        setFpga(frame[75], frame[76]);
    if (size > 80)
        m_clock1 = le::u32(frame + 77);
    if (size > 84)
        m_clock2 = le::u32(frame + 81);
}
