#include "web_dll/firmwareinfo.h"

#include "web_dll/numbertext.h"

#include <cstring>

int FirmwareInfo::major(const char* revision)
{
    const char* dot = std::strchr(revision, '.');
    if (!dot) {
        const char* v = std::strrchr(revision, 'v');
        return NumberText::toInt(v ? v + 1 : revision, std::strlen(v ? v + 1 : revision));
    }
    const char* from = revision;
    for (const char* p = revision; p < dot; ++p) {
        if (*p == 'v')
            from = p + 1;
    }
    return NumberText::toInt(from, static_cast<size_t>(dot - from));
}

int FirmwareInfo::minor(const char* revision)
{
    const char* dot = std::strchr(revision, '.');
    if (!dot)
        return 0;
    return NumberText::toInt(dot + 1, strnlen(dot + 1, 3));
}

std::int32_t FirmwareInfo::model(const char* firmware)
{
    if (std::strstr(firmware, "Tavi"))
        return Tavi;
    if (std::strstr(firmware, "Renu"))
        return Renu;
    if (std::strstr(firmware, "Kadro"))
        return Kadro;
    return Unknown;
}

const char* FirmwareInfo::capabilityText(std::int32_t model)
{
    switch (model) {
    case Tavi:
        return "Pulse=Y\nMultipleFrequency=N\nVi=N\n";
    case Renu:
    case Kadro:
        return "Pulse=Y\nMultipleFrequency=Y\nExt=Y\nVi=N\n";
    default:
        return "";
    }
}

DataEndpoint FirmwareInfo::dataEndpoint(int major, int minor)
{
    if (major > 5 || (major == 5 && minor > 22))
        return DataEndpoint::Data3Short;
    if (major == 5 && minor > 6)
        return DataEndpoint::Data3;
    return DataEndpoint::Data;
}

const char* FirmwareInfo::variantWord(std::int32_t model)
{
    if (model == Tavi)
        return "Tavi";
    if (model == Kadro)
        return "Kadro";
    return "Renu";
}
