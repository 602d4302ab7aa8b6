#pragma once

#include <QtGlobal>

#include <string>
#include <string_view>

// Number conversions of the scan files, shared by the writers and readers.
// All of them are total: any input gives a defined result.

// Truncates toward zero; NaN gives 0 and values beyond int's range clamp.
int truncatedToInt(double value);

// Appends value as printf's "%.12g" writes it (the scan files' number format).
void appendNumber(std::string& out, double value);
// Appends value in fixed notation with the given number of decimals.
void appendFixed(std::string& out, double value, int decimals);
void appendInteger(std::string& out, qint64 value);

// Reads a whole field (blanks around it allowed) as a number; false, with 0,
// when the field is not one.
bool parseNumber(std::string_view field, double& value);
// Reads a whole field as a decimal integer; false, with 0, when it is not one.
bool parseInteger(std::string_view field, qint64& value);
