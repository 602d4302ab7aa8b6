#pragma once

#include <QString>

class CsvColumnOptions;
class FrequencyRecord;
class QTextStream;

// "%05.2f MHz ": the frequency title of the ".dat" headings (13.56 gives
// "13.56 MHz ", 2 gives "02.00 MHz "). Any value, however large, fits.
QString formatFrequencyTitle(double frequencyMHz);

// A record's share of the data tables: the ".dat" scan file and the CSV and
// interval exports. The trend writers call these once per record, in record
// order, after their own time column; they write the pulse columns and the
// line end themselves. Stateless; the caller holds the scan's mutex (or owns
// the record) while a writer reads it. A sample index without a value in a
// series (a record without harmonics has no fundamental series) gives an
// empty cell, never a read past the series.
class RecordColumns
{
public:
    // "F<k> (MHz);" and four headings per harmonic, always ";"-separated.
    static void writeDatHeadings(QTextStream& out, const FrequencyRecord& record, int recordNumber);
    // Frequency, then V, θ, I, φ per harmonic, each followed by ";"; numbers in
    // the stream's own format.
    static void writeDatRow(QTextStream& out, const FrequencyRecord& record, int sampleIndex);

    // Headings of the columns whose CSV option is on, each followed by the CSV
    // delimiter; names long or short after the short-names option.
    static void writeColumnHeadings(QTextStream& out, const FrequencyRecord& record, int recordNumber,
                                    const CsvColumnOptions& options);
    // The cells matching writeColumnHeadings: the frequency in the stream's
    // format, every other value fixed-point with 4 decimals.
    static void writeColumnRow(QTextStream& out, const FrequencyRecord& record, int sampleIndex,
                               const CsvColumnOptions& options);
};
