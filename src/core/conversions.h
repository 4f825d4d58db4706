#pragma once

#include "enums.h"
#include "variant.h"

#include <QLocale>
#include <QString>
#include <QVariant>

#include <optional>

// Locale-aware conversions between what a user types, what the database holds and column values.
// One parser serves validation, values, defaults and picklist formatting: numbers are read with the
// locale's separators, rounded half to even for the integer types and range-checked after rounding;
// dates are read in ISO form (yyyy-mm-dd[ hh:mm[:ss]]) and in the locale's forms with four-digit
// years. Numbers go into SQL only as their parsed value written in the C locale.
namespace KvoPlx800SCtl::Convert {

// Dates: wall-clock values (see Variant).
QDateTime makeDate(const QDate &date, const QTime &time = QTime(0, 0));
QDateTime naive(const QDateTime &value); // the same wall-clock reading, as a library date
QDateTime now();                         // the current local time, to the second

std::optional<double> parseNumber(const QString &text, const QLocale &locale = QLocale());
std::optional<qint16> parseInt16(const QString &text, const QLocale &locale = QLocale());
std::optional<qint32> parseInt32(const QString &text, const QLocale &locale = QLocale());
std::optional<float> parseSingle(const QString &text, const QLocale &locale = QLocale());
std::optional<double> parseDouble(const QString &text, const QLocale &locale = QLocale());
std::optional<QDateTime> parseDate(const QString &text, const QLocale &locale = QLocale());
// "True"/"False"/"Yes"/"No" in any case, or a number (non-zero is true).
std::optional<bool> parseBoolean(const QString &text, const QLocale &locale = QLocale());

// The value a text gives for a column type: text types trimmed, numbers and dates parsed as above,
// Booleans by parseBoolean. A blank text gives Null for number, date and Boolean types. nullopt
// when the text does not convert.
std::optional<Variant> parseForType(const QString &text, int columnType, const QLocale &locale = QLocale());

// How toColumnType treats a value that comes in another form than the column's.
enum class DateSerials {
    Refused,  // a number is no date (a value carried over from a number column)
    Accepted, // a number is a date serial: days since the date zero (a host may hand dates so)
};

// A value as a value of a column type, whatever form it comes in: a value of another column type,
// a field of another engine, a value a host hands in. Texts are read in the C locale first and in
// the user's locale second (dates in the user's locale, ISO always); Booleans give 0 or -1 as numbers; a blank text
// gives Null for the number, date and Boolean types; Empty and Null give Null. nullopt when the value has no form of
// that type (a text that is no number, a number outside a 16-bit column's range, a date for a
// number column, a number for a date column unless `serials` accepts it).
std::optional<Variant> toColumnType(const Variant &value, int columnType, DateSerials serials = DateSerials::Refused);

// A text as a value of a column type, read in the C locale first and in the user's second (stored
// values and defaults are C-locale texts; entries and typed values are the user's). nullopt when it
// is no value of the type; a text type gives the trimmed text.
std::optional<Variant> readValue(const QString &text, int columnType);

// Whether two texts stand for the same value of a column type: numbers as numbers (a text that is
// no number by the number that starts it, 0 when none does), dates and Booleans as their values,
// texts (and what is no date or Boolean) without regard to case.
bool sameValueText(int columnType, const QString &a, const QString &b);

// Texts in the order of their Unicode code points (UTF-16 code units order the characters above
// U+FFFF before U+E000..U+FFFF), the same on every engine and in every locale.
bool codePointLess(const QString &a, const QString &b);

// Display forms in a locale: numbers without group separators, dates as the locale's short date
// with a four-digit year, followed by hh:mm:ss when the time is not midnight.
QString displayNumber(double value, const QLocale &locale = QLocale());
QString displayDate(const QDateTime &value, const QLocale &locale = QLocale());
QString displayText(const Variant &value, const QLocale &locale = QLocale());
// The locale's long forms, as a user may type them: the time without a zone name, the date with
// a four-digit year.
QString displayLongTime(const QTime &value, const QLocale &locale = QLocale());
QString displayLongDate(const QDate &value, const QLocale &locale = QLocale());
// "yyyy-mm-dd hh:nn:ss"
QString isoText(const QDateTime &value);

// A database field value read as a column type (SQLite hands dates as text and Booleans as
// integers). A NULL field gives Null; a value that does not convert gives Null too.
Variant fromDatabase(const QVariant &value, int columnType);

} // namespace KvoPlx800SCtl::Convert
