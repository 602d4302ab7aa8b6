#include "opensensor.h"

#include "morvek.h"
#include "quvix_kadro.h"
#include "quvix_renu.h"
#include "quvix_tavi.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

constexpr int kTypeTextSize = 20;
// The model is chosen by the type text alone: a frame that holds it opens,
// even when it is too short for the identity and frequency rows.
constexpr int kMinimumInfoFrame = kFrameHeaderSize + kTypeTextSize;

enum class Model { Tavi, Renu, Kadro, Morvek, Unknown };

Model modelOf(const std::string& typeText)
{
    struct Choice {
        const char* word;
        const char* line;
        Model model;
    };
    static const Choice kChoices[] = {
        {"Tavi", "Tavi Device", Model::Tavi},       {"Renu", "Renu Device", Model::Renu},
        {"Kadro", "Kadro Device", Model::Kadro},    {"Quvix Upload", "Quvix Upload App", Model::Renu},
        {"Morvek", "Morvek Device", Model::Morvek},
    };
    for (const Choice& choice : kChoices) {
        if (typeText.find(choice.word) != std::string::npos) {
            std::printf("%s\n", choice.line);
            return choice.model;
        }
    }
    return Model::Unknown;
}

std::unique_ptr<quvix2_base> construct(Model model, std::unique_ptr<usb_comm_device> transport)
{
    switch (model) {
    case Model::Tavi:
        return std::make_unique<quvix_tavi>(std::move(transport));
    case Model::Renu:
        return std::make_unique<quvix_renu>(std::move(transport));
    case Model::Kadro:
        return std::make_unique<quvix_kadro>(std::move(transport));
    case Model::Morvek:
        return std::make_unique<morvek>(std::move(transport));
    case Model::Unknown:
        break;
    }
    return nullptr;
}

} // namespace

std::unique_ptr<quvix2_base> openSensor(const char* serial)
{
    std::unique_ptr<usb_comm_device> transport = usb_comm_device::open(serial);
    if (!transport)
        return nullptr;
    uint8_t frame[kMaxInfoFrameSize] = {};
    int length = 0;
    if (!requestSensorInfo(*transport, frame, &length) || length < kMinimumInfoFrame) {
        std::printf("Unable to get Quvix ID\n");
        transport->close();
        return nullptr;
    }
    std::string typeText(reinterpret_cast<const char*>(frame + kFrameHeaderSize), kTypeTextSize);
    typeText[kTypeTextSize - 1] = '\0';
    const Model model = modelOf(typeText);
    if (model == Model::Unknown) {
        std::printf("Quvix type[%s] not recognised\n", typeText.c_str());
        transport->close();
        return nullptr;
    }
    std::unique_ptr<quvix2_base> device = construct(model, std::move(transport));
    device->handlePacket(frame, length);
    device->enterCalibrationMode();
    return device;
}

void listSensors(std::vector<SensorListEntry>& list)
{
    enumerateSensors(list);
}
