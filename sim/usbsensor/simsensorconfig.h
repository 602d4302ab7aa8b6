#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

// One simulated sensor's description: "key=value" lines of its .sensor file
// ('#' starts a comment). Read on the simulator's thread of use only.
class SimSensorConfig
{
public:
    // False when the file cannot be read; the config is then empty.
    bool load(const std::string& path);

    std::string text(const std::string& key, const std::string& fallback = {}) const;
    long long number(const std::string& key, long long fallback = 0) const;
    double real(const std::string& key, double fallback = 0.0) const;
    bool flag(const std::string& key) const { return number(key, 0) != 0; }
    bool has(const std::string& key) const { return m_values.count(key) != 0; }

    // "a,b,c" split at commas (empty parts dropped).
    std::vector<std::string> list(const std::string& key) const;

private:
    std::map<std::string, std::string> m_values;
};
