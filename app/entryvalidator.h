#pragma once

#include <QDoubleValidator>
#include <QIntValidator>
#include <QLocale>
#include <QString>

#include <algorithm>

// A number validator of the tabs' and dialogs' edits (Range is
// QIntValidator or QDoubleValidator). Where Qt's own would refuse a key
// although the text still reads as a number - a minus sign on a field
// without negative numbers, more digits than its top has - the text stays
// as typed, unfinished, and the field refuses it when it is used
// (NumberField), naming its range: a key must not vanish without a word.
// Texts Qt accepts, and texts that are no number at all, fare as with Qt's.
// GUI thread, as its edit; owned by its Qt parent.
template <class Range> class EntryValidator : public Range
{
public:
    using Range::Range;

    QValidator::State validate(QString& input, int& position) const override
    {
        const QValidator::State state = Range::validate(input, position);
        if (state != QValidator::Invalid)
            return state;
        return readsAsNumber(input) ? QValidator::Intermediate : QValidator::Invalid;
    }

private:
    bool readsAsNumber(const QString& input) const
    {
        QString magnitude = input;
        if (magnitude.startsWith(this->locale().negativeSign()))
            magnitude.remove(0, 1);
        if (magnitude.isEmpty())
            return true;
        if (std::all_of(magnitude.cbegin(), magnitude.cend(), [](QChar c) { return c.isDigit(); }))
            return true;
        int position = 0;
        return Range::validate(magnitude, position) != QValidator::Invalid;
    }
};

using EntryIntValidator = EntryValidator<QIntValidator>;
using EntryDoubleValidator = EntryValidator<QDoubleValidator>;
