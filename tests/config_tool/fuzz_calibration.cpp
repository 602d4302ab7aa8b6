// Reads arbitrary memory images as calibration blocks (every form) and
// writes back what was read: nothing may be read past the image, and a
// table that was read must serialise.

#include "calibrationtable.h"

#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 0x4000)
        return 0;
    // The fuzz input lands at the block address; the rest of the image
    // stays zero, except the variant name the older form looks up.
    std::vector<uint8_t> image(CalibrationTable::kBlockAddress + size);
    const char variant[] = "13mhz";
    std::copy(variant, variant + 5, image.begin() + 24);
    std::copy(data, data + size, image.begin() + CalibrationTable::kBlockAddress);

    CalibrationTable table;
    if (table.read(image.data(), image.size())) {
        std::vector<uint8_t> block(4096);
        table.serialize(block.data(), static_cast<int>(block.size()));
        table.serializeSingle(block.data(), static_cast<int>(block.size()));
        table.findPoint(0, 0, 100);
    }
    std::vector<uint8_t> copy(data, data + size);
    scrambleBlock(copy.data(), copy.size(), 17, size / 3, size / 2);
    unscrambleBlock(copy.data(), copy.size(), 17, size / 3, size / 2);
    return 0;
}
