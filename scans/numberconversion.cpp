#include "scans/numberconversion.h"

#include <charconv>
#include <cmath>
#include <limits>

int truncatedToInt(double value)
{
    if (std::isnan(value))
        return 0;
    if (value >= static_cast<double>(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    if (value <= static_cast<double>(std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    return static_cast<int>(value);
}

void appendNumber(std::string& out, double value)
{
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 12);
    out.append(buffer, result.ptr);
}

void appendFixed(std::string& out, double value, int decimals)
{
    // Fixed notation of 1e300 is 300 digits long; size the buffer for any double.
    char buffer[400];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    if (result.ec == std::errc())
        out.append(buffer, result.ptr);
}

void appendInteger(std::string& out, qint64 value)
{
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

namespace {

std::string_view trimmed(std::string_view field)
{
    const auto isBlank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!field.empty() && isBlank(field.front()))
        field.remove_prefix(1);
    while (!field.empty() && isBlank(field.back()))
        field.remove_suffix(1);
    if (field.size() > 1 && field.front() == '+' && field[1] != '-')
        field.remove_prefix(1);
    return field;
}

} // namespace

bool parseNumber(std::string_view field, double& value)
{
    field = trimmed(field);
    value = 0.0;
    if (field.empty())
        return false;
    const auto result = std::from_chars(field.data(), field.data() + field.size(), value);
    if (result.ec != std::errc() || result.ptr != field.data() + field.size()) {
        value = 0.0;
        return false;
    }
    return true;
}

bool parseInteger(std::string_view field, qint64& value)
{
    field = trimmed(field);
    value = 0;
    if (field.empty())
        return false;
    long long parsed = 0;
    const auto result = std::from_chars(field.data(), field.data() + field.size(), parsed);
    if (result.ec != std::errc() || result.ptr != field.data() + field.size())
        return false;
    value = parsed;
    return true;
}
