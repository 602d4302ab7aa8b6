#pragma once

#include <QLocale>
#include <QString>

#include <limits>
#include <optional>

class QLineEdit;

// A numeric edit of a tab or dialog: its validator (QIntValidator or
// QDoubleValidator, usually an EntryValidator) says which texts stand for a
// number in range, in its locale - the user's, so "3,5" under a
// decimal-comma locale. Every number such an edit holds is read here, in
// that same locale, and taken only when the validator accepts the whole
// text; a text it does not accept is refused with the field's name and
// range rather than read as 0 or some other number. Numbers the program
// writes into edits are written in the edit's locale too, while settings
// keep the C form ("3.5"), so that they read back under any locale.
// GUI thread only; points at the edit, which the caller's window owns.
class NumberField
{
public:
    // Whether an empty edit is refused, or stands for a choice of its own
    // (a scan without end, an automatic level).
    enum class Empty { Refused, Allowed };

    NumberField(QLineEdit& edit, QString name, QString unit = QString(), Empty empty = Empty::Refused);

    // A lower bound tighter than the validator's, for what the validator
    // cannot know (a window no earlier than one pulse period before its
    // trigger).
    NumberField& atLeast(double bottom);

    QLineEdit& edit() const { return *m_edit; }
    const QString& name() const { return m_name; }
    bool isEmpty() const;
    // The number the text stands for in the edit's locale, in range or
    // not; none for an empty text or one that is no finite number.
    std::optional<double> number() const;
    // Whether the text is a number the field takes, or empty where that is
    // a choice.
    bool isAcceptable() const;
    // The number the field takes; `otherwise` where it holds none.
    double value(double otherwise = 0.0) const;
    // Why the text is not taken, with the field's name and range; empty
    // when it is.
    QString refusal() const;
    // What the settings keep for the text: the number in the C form, an
    // empty text where that is a choice; none when the field would not take
    // the text, which is then not kept.
    std::optional<QString> storedText() const;

    // The locale an edit reads and writes numbers in: its validator's.
    static QLocale localeOf(const QLineEdit& edit);
    // A number as an edit of that locale shows it, without group separators.
    static QString text(double value, char format = 'g', int precision = 6,
                        const QLocale& locale = QLocale());
    // A number kept in the settings as the edit shows it. The C form is
    // written in the edit's locale digit for digit; anything else (a text
    // older versions kept in the user's form, or no number at all) is shown
    // as it was kept, for the field to judge when it is used.
    static QString shownText(const QString& stored, const QLineEdit& edit);
    // A number kept in the settings: the C form, or the user's form older
    // versions kept; none when the text is neither.
    static std::optional<double> storedNumber(const QString& stored);

private:
    bool validatorAccepts() const;
    bool withinExtraBound() const;
    double bottom() const;
    double top() const;
    bool takesWholeNumbers() const;

    QLineEdit* m_edit;
    QString m_name;
    QString m_unit;
    Empty m_empty;
    double m_extraBottom = -std::numeric_limits<double>::infinity();
};
