// Feeds arbitrary bytes to every model as an info frame and as a measurement
// frame: nothing may be read outside the frame, whatever its fields claim.

#include "measurementdecoding.h"
#include "morvek.h"
#include "quvix_kadro.h"
#include "quvix_renu.h"
#include "quvix_tavi.h"

#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2 || size > 2000)
        return 0;
    const int capacity = data[0];
    // An exact-size copy, so that any read past the frame is caught.
    const std::vector<uint8_t> frame(data + 1, data + size);
    const int frameSize = static_cast<int>(frame.size());

    quvix_tavi tavi(nullptr);
    morvek morvekModel(nullptr);
    quvix_renu renu(nullptr);
    quvix_kadro kadro(nullptr);
    for (quvix2_base* model : std::initializer_list<quvix2_base*>{&tavi, &morvekModel, &renu, &kadro}) {
        model->parseInfo(frame.data(), frameSize);
        model->handlePacket(frame.data(), frameSize);
        for (uint32_t row = 0; row < 25; ++row)
            model->frequency(row);
    }

    std::vector<double> values(static_cast<size_t>(capacity) + 1);
    MeasurementDecoding::singleFrequency(frame.data(), frameSize, values.data(), capacity);
    MeasurementDecoding::multiFrequency(frame.data(), frameSize, values.data(), capacity);
    MeasurementDecoding::kadro(frame.data(), frameSize, values.data(), capacity);
    MeasurementDecoding::morvek(frame.data(), frameSize, values.data(), capacity);
    return 0;
}
