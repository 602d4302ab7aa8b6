#pragma once

#include <QString>
#include <QUrl>

#include <cstdint>
#include <optional>

// Dotted IPv4 text as the user types it, shared by the configuration tool
// and the main program so one typed address reaches one sensor in both.
// Pure functions; any thread.

// Strict dotted IPv4 text: exactly four decimal parts of 0 to 255, leading
// zeros allowed ("192.168.001.010" is 192.168.1.10). Gives the address as
// QHostAddress numbers it (first part most significant), or nothing for
// anything else ("1.2.3", "::1", empty).
std::optional<uint32_t> parseIpv4(const QString& text);
QString formatIpv4(uint32_t address);

// A typed web address whose host is dotted IPv4 text, with that host
// rewritten as parseIpv4 reads it ("192.168.001.010:8080/" gives
// "192.168.1.10:8080/"), so that URL parsers, which take a leading zero as
// an octal prefix, see the address the user meant. Anything else comes back
// unchanged.
QString withDecimalIpv4Host(const QString& typedAddress);

// A sensor's web address as the user types it: an optional scheme, a host of
// four decimal parts (read as withDecimalIpv4Host does) or a host name, an
// optional port and path; "/" is added where the text does not end with one.
// Nothing for any other host: the short and hexadecimal forms ("1.2.3",
// "0x7f.1", "3221225986") that URL parsers widen into an address nobody
// typed, parts above 255, IPv6 and empty hosts.
std::optional<QUrl> typedSensorUrl(const QString& typedAddress);
