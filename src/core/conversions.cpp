#include "conversions.h"

#include "columntypes.h"

#include <QHash>
#include <QRegularExpression>
#include <QStringList>

#include <algorithm>
#include <cfloat>
#include <cmath>

namespace KvoPlx800SCtl::Convert {

QDateTime makeDate(const QDate &date, const QTime &time)
{
    return QDateTime(date, time.isValid() ? time : QTime(0, 0), Qt::UTC);
}

QDateTime naive(const QDateTime &value)
{
    if (!value.isValid())
        return {};
    return QDateTime(value.date(), value.time(), Qt::UTC);
}

QDateTime now()
{
    const QDateTime local = QDateTime::currentDateTime();
    const QTime t = local.time();
    return makeDate(local.date(), QTime(t.hour(), t.minute(), t.second()));
}

std::optional<double> parseNumber(const QString &text, const QLocale &locale)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    bool ok = false;
    const double v = locale.toDouble(t, &ok);
    if (!ok || !std::isfinite(v))
        return std::nullopt;
    return v;
}

namespace {

// Round half to even, as the classic integer conversions do.
std::optional<double> roundedInRange(const QString &text, const QLocale &locale, double low, double high)
{
    const auto v = parseNumber(text, locale);
    if (!v)
        return std::nullopt;
    const double r = std::nearbyint(*v);
    if (r < low || r > high)
        return std::nullopt;
    return r;
}

} // namespace

std::optional<qint16> parseInt16(const QString &text, const QLocale &locale)
{
    const auto r = roundedInRange(text, locale, -32768.0, 32767.0);
    return r ? std::optional<qint16>(qint16(*r)) : std::nullopt;
}

std::optional<qint32> parseInt32(const QString &text, const QLocale &locale)
{
    const auto r = roundedInRange(text, locale, -2147483648.0, 2147483647.0);
    return r ? std::optional<qint32>(qint32(*r)) : std::nullopt;
}

std::optional<float> parseSingle(const QString &text, const QLocale &locale)
{
    const auto v = parseNumber(text, locale);
    if (!v || std::fabs(*v) > double(FLT_MAX))
        return std::nullopt;
    return float(*v);
}

std::optional<double> parseDouble(const QString &text, const QLocale &locale) { return parseNumber(text, locale); }

namespace {

// A locale format made lenient for reading: one-letter day, month and hour fields accept one or two
// digits, and the year always has four digits.
QString readingFormat(QString format)
{
    static const QRegularExpression years(QStringLiteral("y+"));
    format.replace(years, QStringLiteral("yyyy"));
    // Two-letter numeric fields only: "MMM" (a month name) and "dddd" (a day name) stay.
    for (const char *field : {"d", "M", "H", "h", "m", "s"}) {
        const QString letter = QLatin1String(field);
        const QRegularExpression pair(QStringLiteral("(?<!%1)%1%1(?!%1)").arg(letter));
        format.replace(pair, letter);
    }
    // Time zone names are never typed.
    format.remove(QRegularExpression(QStringLiteral("\\s*t+")));
    return format.trimmed();
}

// The short and long date formats of a locale made lenient. Making them costs more than reading a
// date with them, and every date field is validated on each display: they are kept per locale.
QStringList readingDateFormats(const QLocale &locale)
{
    static thread_local QHash<QString, QStringList> known;
    const QString shortFormat = locale.dateFormat(QLocale::ShortFormat);
    const QString longFormat = locale.dateFormat(QLocale::LongFormat);
    const QString key = shortFormat + QLatin1Char('\n') + longFormat;
    auto it = known.constFind(key);
    if (it == known.constEnd())
        it = known.insert(key, {readingFormat(shortFormat), readingFormat(longFormat)});
    return *it;
}

const QStringList &timeFormats()
{
    static const QStringList formats = {QStringLiteral("H:m:s"),    QStringLiteral("H:m"),
                                        QStringLiteral("h:m:s AP"), QStringLiteral("h:m AP"),
                                        QStringLiteral("h:m:s ap"), QStringLiteral("h:m ap")};
    return formats;
}

std::optional<QTime> parseTime(const QString &text, const QLocale &locale)
{
    for (const QString &f : timeFormats()) {
        const QTime t = locale.toTime(text, f);
        if (t.isValid())
            return t;
    }
    return std::nullopt;
}

std::optional<QDateTime> parseIso(const QString &text)
{
    static const QRegularExpression iso(QStringLiteral(
            "^(\\d{4})-(\\d{1,2})-(\\d{1,2})(?:[ T](\\d{1,2}):(\\d{1,2})(?::(\\d{1,2})(?:\\.\\d+)?)?)?$"));
    const auto m = iso.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    const QDate d(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    if (!d.isValid())
        return std::nullopt;
    QTime t(0, 0);
    if (m.capturedLength(4) > 0) {
        t = QTime(m.captured(4).toInt(), m.captured(5).toInt(), m.capturedLength(6) > 0 ? m.captured(6).toInt() : 0);
        if (!t.isValid())
            return std::nullopt;
    }
    return makeDate(d, t);
}

// Years 1 to 9999: what every engine's date type holds and what the ISO form writes with four
// digits. The locale's reader takes a signed year ("1.2.-3114"), which no engine would store.
bool storableYear(const QDate &date) { return date.isValid() && date.year() >= 1 && date.year() <= 9999; }

} // namespace

std::optional<QDateTime> parseDate(const QString &text, const QLocale &locale)
{
    QString t = text.trimmed();
    if (t.size() >= 2 && t.startsWith(QLatin1Char('#')) && t.endsWith(QLatin1Char('#')))
        t = t.mid(1, t.size() - 2).trimmed();
    if (t.isEmpty())
        return std::nullopt;
    if (const auto iso = parseIso(t))
        return iso;

    const QStringList dateFormats = readingDateFormats(locale);
    for (const QString &df : dateFormats) {
        const QDate d = locale.toDate(t, df);
        if (d.isValid())
            return storableYear(d) ? std::optional(makeDate(d)) : std::nullopt;
        // Date followed by a time.
        for (const QString &tf : timeFormats()) {
            const QDateTime dt = locale.toDateTime(t, df + QLatin1Char(' ') + tf);
            if (dt.isValid())
                return storableYear(dt.date()) ? std::optional(naive(dt)) : std::nullopt;
        }
    }
    // A time alone is a time on the date zero.
    if (const auto time = parseTime(t, locale))
        return makeDate(Variant::dateZero().date(), *time);
    return std::nullopt;
}

std::optional<bool> parseBoolean(const QString &text, const QLocale &locale)
{
    const QString t = text.trimmed();
    static const QStringList yes = {QStringLiteral("true"), QStringLiteral("yes")};
    static const QStringList no = {QStringLiteral("false"), QStringLiteral("no")};
    if (yes.contains(t, Qt::CaseInsensitive))
        return true;
    if (no.contains(t, Qt::CaseInsensitive))
        return false;
    if (const auto n = parseNumber(t, locale))
        return *n != 0.0;
    return std::nullopt;
}

std::optional<Variant> parseForType(const QString &text, int columnType, const QLocale &locale)
{
    const QString t = text.trimmed();
    if (ColumnTypes::isText(columnType))
        return Variant::text(t);
    if (t.isEmpty())
        return Variant::null();
    // The value read, made a Variant by `make`.
    const auto variant = [](const auto &value, auto make) {
        return value ? std::optional<Variant>(make(*value)) : std::nullopt;
    };
    switch (columnType) {
    case fcInteger16:
        return variant(parseInt16(t, locale), Variant::int16);
    case fcInteger32:
        return variant(parseInt32(t, locale), Variant::int32);
    case fcSingle:
        return variant(parseSingle(t, locale), Variant::single);
    case fcDouble:
        return variant(parseDouble(t, locale), Variant::dbl);
    case fcDateTime:
        return variant(parseDate(t, locale), Variant::date);
    case fcBoolean:
        return variant(parseBoolean(t, locale), Variant::boolean);
    default:
        return std::nullopt;
    }
}

std::optional<Variant> toColumnType(const Variant &value, int columnType, DateSerials serials)
{
    if (!value.hasValue())
        return Variant::null();
    const Variant::Type from = value.type();
    const auto parsed = [&](const QString &text) {
        auto v = parseForType(text, columnType, QLocale::c());
        if (!v && from == Variant::Type::Text)
            v = parseForType(text, columnType);
        return v;
    };
    if (ColumnTypes::isText(columnType))
        return Variant::text(value.toText());
    if (ColumnTypes::isNumber(columnType)) {
        if (from == Variant::Type::Date)
            return std::nullopt;
        return parsed(from == Variant::Type::Boolean ? QString::number(value.toInt32()) : value.toText());
    }
    if (columnType == fcDateTime) {
        if (from == Variant::Type::Date)
            return value;
        if (value.isNumber())
            return serials == DateSerials::Accepted ? std::optional(Variant::date(value.toDate())) : std::nullopt;
        // Dates are read in the user's locale only (ISO is always accepted): the C locale's
        // month-first form would misread a day-first user's text.
        return from == Variant::Type::Text ? parseForType(value.toText(), fcDateTime) : std::nullopt;
    }
    if (columnType == fcBoolean) {
        if (from == Variant::Type::Boolean)
            return value;
        if (value.isNumber())
            return Variant::boolean(value.toDouble() != 0.0);
        return from == Variant::Type::Text ? parsed(value.toText()) : std::nullopt;
    }
    return std::nullopt;
}

std::optional<Variant> readValue(const QString &text, int columnType)
{
    if (auto v = parseForType(text, columnType, QLocale::c()))
        return v;
    return parseForType(text, columnType);
}

namespace {

// The number a text starts with, in the C locale ("12.5 mm" gives 12.5); 0 when it starts with none.
double leadingNumber(const QString &text)
{
    static const QRegularExpression number(QStringLiteral("^\\s*[+-]?(\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)?"));
    const QRegularExpressionMatch match = number.match(text);
    return match.hasMatch() ? match.captured(0).trimmed().toDouble() : 0.0;
}

} // namespace

bool sameValueText(int columnType, const QString &a, const QString &b)
{
    if (ColumnTypes::isNumber(columnType)) {
        const auto number = [&](const QString &text) {
            const auto v = readValue(text, fcDouble);
            return v && v->hasValue() ? v->toDouble() : leadingNumber(text);
        };
        return number(a) == number(b);
    }
    if (!ColumnTypes::isText(columnType)) {
        const auto x = readValue(a, columnType);
        const auto y = readValue(b, columnType);
        if (x && y && x->hasValue() && y->hasValue())
            return *x == *y;
        if ((x && x->hasValue()) || (y && y->hasValue()))
            return false;
    }
    return a.trimmed().compare(b.trimmed(), Qt::CaseInsensitive) == 0;
}

bool codePointLess(const QString &a, const QString &b)
{
    // Surrogates (U+D800..U+DFFF) move above U+E000..U+FFFF, which gives code point order.
    const auto key = [](QChar c) {
        const char16_t u = c.unicode();
        return u >= 0xE000 ? u - 0x800 : u >= 0xD800 ? u + 0x2000 : u;
    };
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [&](QChar x, QChar y) { return key(x) < key(y); });
}

QString displayNumber(double value, const QLocale &locale)
{
    QLocale l = locale;
    l.setNumberOptions(QLocale::OmitGroupSeparator);
    return l.toString(value, 'g', QLocale::FloatingPointShortest);
}

namespace {
// A date format of the locale with a four-digit year.
QString fourDigitYears(const QLocale &locale, QLocale::FormatType type)
{
    static const QRegularExpression years(QStringLiteral("y+"));
    return locale.dateFormat(type).replace(years, QStringLiteral("yyyy"));
}
} // namespace

QString displayDate(const QDateTime &value, const QLocale &locale)
{
    if (!value.isValid())
        return {};
    QString text = locale.toString(value.date(), fourDigitYears(locale, QLocale::ShortFormat));
    if (value.time() != QTime(0, 0))
        text += QLatin1Char(' ') + value.time().toString(QStringLiteral("HH:mm:ss"));
    return text;
}

QString displayLongTime(const QTime &value, const QLocale &locale)
{
    QString format = locale.timeFormat(QLocale::LongFormat);
    format.remove(QRegularExpression(QStringLiteral("\\s*t+")));
    return locale.toString(value, format.trimmed());
}

QString displayLongDate(const QDate &value, const QLocale &locale)
{
    return locale.toString(value, fourDigitYears(locale, QLocale::LongFormat));
}

QString displayText(const Variant &value, const QLocale &locale)
{
    switch (value.type()) {
    case Variant::Type::Int16:
    case Variant::Type::Int32: {
        QLocale l = locale;
        l.setNumberOptions(QLocale::OmitGroupSeparator);
        return l.toString(value.toInt32());
    }
    case Variant::Type::Single:
        // The shortest single-precision text (1.1, not the 1.100000023841858 of the wider double).
        return displayNumber(QLocale::c().toDouble(value.toText()), locale);
    case Variant::Type::Double:
        return displayNumber(value.toDouble(), locale);
    case Variant::Type::Date:
        return displayDate(value.toDate(), locale);
    default:
        return value.toText();
    }
}

QString isoText(const QDateTime &value) { return value.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")); }

Variant fromDatabase(const QVariant &value, int columnType)
{
    if (!value.isValid() || value.isNull())
        return Variant::null();
    const QLocale c = QLocale::c();
    if (ColumnTypes::isText(columnType))
        return Variant::text(value.toString());
    switch (columnType) {
    case fcInteger16:
    case fcInteger32: {
        bool ok = false;
        qlonglong n = value.toLongLong(&ok);
        if (!ok) {
            const auto d = parseNumber(value.toString(), c);
            if (!d)
                return Variant::null();
            n = qlonglong(std::nearbyint(*d));
        }
        return columnType == fcInteger16 ? Variant::int16(qint16(n)) : Variant::int32(qint32(n));
    }
    case fcSingle:
    case fcDouble: {
        bool ok = false;
        double d = value.toDouble(&ok);
        if (!ok)
            return Variant::null();
        return columnType == fcSingle ? Variant::single(float(d)) : Variant::dbl(d);
    }
    case fcDateTime: {
        if (value.metaType().id() == QMetaType::QDateTime)
            return Variant::date(naive(value.toDateTime()));
        if (value.metaType().id() == QMetaType::QDate)
            return Variant::date(makeDate(value.toDate()));
        if (const auto d = parseIso(value.toString().trimmed()))
            return Variant::date(*d);
        return Variant::null();
    }
    case fcBoolean: {
        if (value.metaType().id() == QMetaType::Bool)
            return Variant::boolean(value.toBool());
        if (const auto b = parseBoolean(value.toString(), c))
            return Variant::boolean(*b);
        return Variant::null();
    }
    default:
        return Variant::text(value.toString());
    }
}

} // namespace KvoPlx800SCtl::Convert
