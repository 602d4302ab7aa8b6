#include "simsensorconfig.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

std::string trimmed(const std::string& text)
{
    const auto begin = text.find_first_not_of(" \t\r");
    if (begin == std::string::npos)
        return {};
    const auto end = text.find_last_not_of(" \t\r");
    return text.substr(begin, end - begin + 1);
}

} // namespace

bool SimSensorConfig::load(const std::string& path)
{
    m_values.clear();
    std::ifstream in(path);
    if (!in)
        return false;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line[0] == '#')
            continue;
        const auto equals = line.find('=');
        if (equals == std::string::npos)
            continue;
        m_values[trimmed(line.substr(0, equals))] = trimmed(line.substr(equals + 1));
    }
    return true;
}

std::string SimSensorConfig::text(const std::string& key, const std::string& fallback) const
{
    const auto found = m_values.find(key);
    return found == m_values.end() ? fallback : found->second;
}

long long SimSensorConfig::number(const std::string& key, long long fallback) const
{
    const auto found = m_values.find(key);
    if (found == m_values.end() || found->second.empty())
        return fallback;
    return std::strtoll(found->second.c_str(), nullptr, 0);
}

double SimSensorConfig::real(const std::string& key, double fallback) const
{
    const auto found = m_values.find(key);
    if (found == m_values.end() || found->second.empty())
        return fallback;
    return std::strtod(found->second.c_str(), nullptr);
}

std::vector<std::string> SimSensorConfig::list(const std::string& key) const
{
    std::vector<std::string> parts;
    std::stringstream stream(text(key));
    std::string part;
    while (std::getline(stream, part, ','))
        if (!trimmed(part).empty())
            parts.push_back(trimmed(part));
    return parts;
}
