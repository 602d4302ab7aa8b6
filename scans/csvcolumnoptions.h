#pragma once

// Which CSV columns an export writes. The display options dialog implements
// it; the scans, the exports and the tests only see this interface.
// Called on the GUI thread (or on whichever thread writes a file while the
// caller keeps the object alive); the object is never owned by the caller.
class CsvColumnOptions
{
public:
    virtual ~CsvColumnOptions() = default;

    // The CSV flag of one display option index (0 to 37, not a parameter id);
    // indexes without a quantity answer false.
    virtual bool isCsvOptionEnabled(int optionIndex) const = 0;
};
