#include "morvek.h"

#include "measurementdecoding.h"

namespace {

const quvix2_base::DecoderTraces kTraces{"Quvix_renu getSensorDataHR() time increment too large. ",
                                         "Quvix_renu getSensorDataHR() time increment is negative. "};

} // namespace

morvek::morvek(std::unique_ptr<usb_comm_device> transport)
    : quvix_tavi(std::move(transport))
{
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
