#pragma once

#include <cstddef>
#include <cstdint>

// Naming of crash reports. Everything here is async-signal-safe: no
// allocation, no locks, no locale, so the crash handler may call it.

// A wall-clock moment broken into its calendar fields (local time).
struct CrashTime {
    int year = 1970;
    int month = 1; // 1 to 12
    int day = 1;   // 1 to 31
    int hour = 0;  // 0 to 23
    int minute = 0;
    int second = 0;
};

// Calendar fields of a count of seconds since 1970-01-01 00:00:00 (already
// shifted to local time by the caller). Proleptic Gregorian calendar.
CrashTime crashTimeFromSeconds(std::int64_t secondsSinceEpoch);

// Writes "Quvix Software V.2.8.0 D.<d>-<m>-<y> T.<h>-<min>-<s>.dmp" into out,
// numbers without leading zeros. attempt 1 is the plain name; a later attempt
// (a report of the same second already exists) gets "_<attempt>" before
// ".dmp". Returns the length written, or 0 when out is too small.
std::size_t formatCrashReportName(char* out, std::size_t capacity, const CrashTime& when, int attempt);
