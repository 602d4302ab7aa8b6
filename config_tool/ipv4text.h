#pragma once

#include <QString>

#include <cstdint>
#include <optional>

// Strict dotted IPv4 text: exactly four decimal parts of 0 to 255, leading
// zeros allowed ("192.168.001.010" is 192.168.1.10). Gives the address as
// QHostAddress numbers it (first part most significant), or nothing for
// anything else ("1.2.3", "::1", empty). Any thread.
std::optional<uint32_t> parseIpv4(const QString& text);
QString formatIpv4(uint32_t address);
