#include "platform/crashreportname.h"

namespace {

constexpr int versionMajor = 2;
constexpr int versionMinor = 8;
constexpr int versionPatch = 0;

// Appends to a fixed buffer and remembers when it ran out of room.
class BoundedText
{
public:
    BoundedText(char* out, std::size_t capacity)
        : out_(out)
        , capacity_(capacity)
    {
    }

    void append(const char* text)
    {
        for (; *text != '\0'; ++text)
            appendChar(*text);
    }

    void appendNumber(long long value)
    {
        if (value < 0) {
            appendChar('-');
            value = -value;
        }
        char digits[24];
        int count = 0;
        do {
            digits[count++] = static_cast<char>('0' + value % 10);
            value /= 10;
        } while (value > 0 && count < 24);
        while (count > 0)
            appendChar(digits[--count]);
    }

    // Terminates the text; the length, or 0 when it did not fit.
    std::size_t finish()
    {
        if (overflow_ || length_ >= capacity_) {
            if (capacity_ > 0)
                out_[0] = '\0';
            return 0;
        }
        out_[length_] = '\0';
        return length_;
    }

private:
    void appendChar(char c)
    {
        if (length_ + 1 >= capacity_) {
            overflow_ = true;
            return;
        }
        out_[length_++] = c;
    }

    char* out_;
    std::size_t capacity_;
    std::size_t length_ = 0;
    bool overflow_ = false;
};

} // namespace

CrashTime crashTimeFromSeconds(std::int64_t secondsSinceEpoch)
{
    std::int64_t days = secondsSinceEpoch / 86400;
    std::int64_t secondOfDay = secondsSinceEpoch % 86400;
    if (secondOfDay < 0) {
        secondOfDay += 86400;
        --days;
    }
    // Days to civil date (Howard Hinnant's algorithm), integer arithmetic only.
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const std::int64_t dayOfEra = days - era * 146097;
    const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t shiftedMonth = (5 * dayOfYear + 2) / 153;
    CrashTime when;
    when.day = static_cast<int>(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1);
    when.month = static_cast<int>(shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9);
    when.year = static_cast<int>(yearOfEra + era * 400 + (when.month <= 2 ? 1 : 0));
    when.hour = static_cast<int>(secondOfDay / 3600);
    when.minute = static_cast<int>(secondOfDay / 60 % 60);
    when.second = static_cast<int>(secondOfDay % 60);
    return when;
}

std::size_t formatCrashReportName(char* out, std::size_t capacity, const CrashTime& when, int attempt)
{
    BoundedText text(out, capacity);
    text.append("Quvix Software V.");
    text.appendNumber(versionMajor);
    text.append(".");
    text.appendNumber(versionMinor);
    text.append(".");
    text.appendNumber(versionPatch);
    text.append(" D.");
    text.appendNumber(when.day);
    text.append("-");
    text.appendNumber(when.month);
    text.append("-");
    text.appendNumber(when.year);
    text.append(" T.");
    text.appendNumber(when.hour);
    text.append("-");
    text.appendNumber(when.minute);
    text.append("-");
    text.appendNumber(when.second);
    if (attempt > 1) {
        text.append("_");
        text.appendNumber(attempt);
    }
    text.append(".dmp");
    return text.finish();
}
