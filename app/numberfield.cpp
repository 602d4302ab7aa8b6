#include "app/numberfield.h"

#include <QDoubleValidator>
#include <QIntValidator>
#include <QLineEdit>

#include <cmath>

namespace {

QLocale withoutGroupSeparators(QLocale locale)
{
    locale.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);
    return locale;
}

// The C form of a number the locale wrote, character for character, so the
// digits the user typed are the digits kept.
QString cForm(const QString& text, const QLocale& locale)
{
    QString out;
    for (const QChar c : text) {
        if (c == locale.groupSeparator())
            continue;
        if (c.isDigit())
            out += QChar('0' + c.digitValue());
        else if (c == locale.decimalPoint())
            out += QLatin1Char('.');
        else if (c == locale.negativeSign())
            out += QLatin1Char('-');
        else if (c == locale.positiveSign())
            out += QLatin1Char('+');
        else if (c.toLower() == locale.exponential().toLower())
            out += QLatin1Char('e');
        else
            out += c;
    }
    return out;
}

// The reverse: a C form as the locale writes it.
QString localeForm(const QString& text, const QLocale& locale)
{
    QString out;
    for (const QChar c : text) {
        if (c.isDigit())
            out += QChar(locale.zeroDigit().unicode() + c.digitValue());
        else if (c == QLatin1Char('.'))
            out += locale.decimalPoint();
        else if (c == QLatin1Char('-'))
            out += locale.negativeSign();
        else if (c == QLatin1Char('+'))
            out += locale.positiveSign();
        else if (c == QLatin1Char('e') || c == QLatin1Char('E'))
            out += locale.exponential();
        else
            out += c;
    }
    return out;
}

std::optional<double> cNumber(const QString& text)
{
    bool ok = false;
    // Unlike QLocale::c(), this takes no group separators: "1,5" is no C number.
    const double value = text.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

// A bound as far as the field's decimals reach, toward the inside of the
// range: the outermost number that can be typed.
double typableBound(double bound, int decimals, bool upper)
{
    if (!std::isfinite(bound) || decimals < 0 || decimals > 9)
        return bound;
    const double scale = std::pow(10.0, decimals);
    const double scaled = bound * scale;
    const double rounded = std::round(scaled);
    if (std::abs(scaled - rounded) < 1e-9 * std::max(1.0, std::abs(scaled)))
        return rounded / scale;
    return (upper ? std::floor(scaled) : std::ceil(scaled)) / scale;
}

} // namespace

NumberField::NumberField(QLineEdit& edit, QString name, QString unit, Empty empty)
    : m_edit(&edit)
    , m_name(std::move(name))
    , m_unit(std::move(unit))
    , m_empty(empty)
{
}

NumberField& NumberField::atLeast(double bottom)
{
    m_extraBottom = std::max(m_extraBottom, bottom);
    return *this;
}

bool NumberField::isEmpty() const
{
    return m_edit->text().isEmpty();
}

std::optional<double> NumberField::number() const
{
    bool ok = false;
    const double value = localeOf(*m_edit).toDouble(m_edit->text(), &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

bool NumberField::validatorAccepts() const
{
    const QValidator* validator = m_edit->validator();
    if (!validator)
        return number().has_value();
    QString text = m_edit->text();
    int position = 0;
    return validator->validate(text, position) == QValidator::Acceptable && number().has_value();
}

bool NumberField::withinExtraBound() const
{
    const std::optional<double> typed = number();
    return typed && *typed >= m_extraBottom;
}

bool NumberField::isAcceptable() const
{
    if (isEmpty())
        return m_empty == Empty::Allowed;
    return validatorAccepts() && withinExtraBound();
}

double NumberField::value(double otherwise) const
{
    if (isEmpty() || !isAcceptable())
        return otherwise;
    return *number();
}

double NumberField::bottom() const
{
    double bound = -std::numeric_limits<double>::infinity();
    if (const auto* whole = qobject_cast<const QIntValidator*>(m_edit->validator()))
        bound = whole->bottom();
    else if (const auto* real = qobject_cast<const QDoubleValidator*>(m_edit->validator()))
        bound = typableBound(real->bottom(), real->decimals(), false);
    if (m_extraBottom > bound) {
        const auto* real = qobject_cast<const QDoubleValidator*>(m_edit->validator());
        bound = takesWholeNumbers() ? std::ceil(m_extraBottom)
                                    : typableBound(m_extraBottom, real ? real->decimals() : -1, false);
    }
    return bound;
}

double NumberField::top() const
{
    if (const auto* whole = qobject_cast<const QIntValidator*>(m_edit->validator()))
        return whole->top();
    if (const auto* real = qobject_cast<const QDoubleValidator*>(m_edit->validator()))
        return typableBound(real->top(), real->decimals(), true);
    return std::numeric_limits<double>::infinity();
}

bool NumberField::takesWholeNumbers() const
{
    return qobject_cast<const QIntValidator*>(m_edit->validator()) != nullptr;
}

QString NumberField::refusal() const
{
    if (isAcceptable())
        return QString();
    const QLocale locale = localeOf(*m_edit);
    const QString range =
        QStringLiteral("%1 from %2 to %3%4")
            .arg(takesWholeNumbers() ? QStringLiteral("whole numbers") : QStringLiteral("numbers"),
                 text(bottom(), 'f', QLocale::FloatingPointShortest, locale),
                 text(top(), 'f', QLocale::FloatingPointShortest, locale),
                 m_unit.isEmpty() ? QString() : QLatin1Char(' ') + m_unit);
    if (isEmpty())
        return QStringLiteral("%1 is empty; it takes %2.").arg(m_name, range);
    return QStringLiteral("%1 takes %2, not \"%3\".").arg(m_name, range, m_edit->text());
}

std::optional<QString> NumberField::storedText() const
{
    if (!isAcceptable())
        return std::nullopt;
    if (isEmpty())
        return QString();
    const QString stored = cForm(m_edit->text(), localeOf(*m_edit));
    if (cNumber(stored))
        return stored;
    return QString::number(*number(), 'g', 17);
}

QLocale NumberField::localeOf(const QLineEdit& edit)
{
    return edit.validator() ? edit.validator()->locale() : QLocale();
}

QString NumberField::text(double value, char format, int precision, const QLocale& locale)
{
    return withoutGroupSeparators(locale).toString(value, format, precision);
}

QString NumberField::shownText(const QString& stored, const QLineEdit& edit)
{
    if (!cNumber(stored))
        return stored;
    return localeForm(stored.trimmed(), localeOf(edit));
}

std::optional<double> NumberField::storedNumber(const QString& stored)
{
    if (const std::optional<double> value = cNumber(stored))
        return value;
    bool ok = false;
    const double value = QLocale().toDouble(stored.trimmed(), &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}
