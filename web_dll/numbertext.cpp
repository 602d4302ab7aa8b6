#include "web_dll/numbertext.h"

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <locale.h>

namespace {

// Long enough for any number a sensor sends; longer text is cut.
constexpr size_t copySize = 64;

struct BoundedCopy {
    char text[copySize];
    BoundedCopy(const char* from, size_t length)
    {
        const size_t n = length < copySize - 1 ? length : copySize - 1;
        std::memcpy(text, from, n);
        text[n] = '\0';
    }
};

// Sensors write numbers the C way ("13.56") whatever the locale of the
// program that loads this library: a host that set a decimal-comma locale
// must not make strtod stop at the point.
double cStrtod(const char* text, char** end)
{
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return cLocale ? strtod_l(text, end, cLocale) : std::strtod(text, end);
}

} // namespace

std::int32_t NumberText::toInt(const char* text, size_t length)
{
    const std::int64_t value = toInt64(text, length);
    if (value > std::numeric_limits<std::int32_t>::max())
        return std::numeric_limits<std::int32_t>::max();
    if (value < std::numeric_limits<std::int32_t>::min())
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(value);
}

std::int64_t NumberText::toInt64(const char* text, size_t length)
{
    const BoundedCopy copy(text, length);
    return std::strtoll(copy.text, nullptr, 10);
}

double NumberText::toDouble(const char* text, size_t length)
{
    const BoundedCopy copy(text, length);
    return cStrtod(copy.text, nullptr);
}

bool NumberText::isNumber(const char* text, size_t length)
{
    if (length == 0 || length >= copySize)
        return false;
    const BoundedCopy copy(text, length);
    char* end = nullptr;
    cStrtod(copy.text, &end);
    return end != copy.text && *end == '\0';
}

std::int32_t NumberText::truncate(double value)
{
    if (std::isnan(value))
        return 0;
    if (value >= static_cast<double>(std::numeric_limits<std::int32_t>::max()))
        return std::numeric_limits<std::int32_t>::max();
    if (value <= static_cast<double>(std::numeric_limits<std::int32_t>::min()))
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(value);
}
