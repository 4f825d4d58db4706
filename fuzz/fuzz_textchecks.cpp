// The text checks of the entry fields against the one number and date parser, in a locale with a
// decimal point and one with a decimal comma: the checks answer as the parser does, what parses
// is finite and within its type's range after rounding half to even, and the display form of a
// parsed value parses back to the same value.

#include "fuzzsupport.h"

#include "columns/basvalidate.h"
#include "core/controls.h"
#include "core/conversions.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cfenv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>

using namespace KvoPlx800SCtl;
using KvoFuzz::check;

namespace {

bool blank(const QString &text) { return text.trimmed().isEmpty(); }

// What a whole-number type holds for `value`: rounded half to even, then range checked.
template <typename Int>
std::optional<Int> rounded(double value)
{
    std::fesetround(FE_TONEAREST);
    const double r = std::nearbyint(value);
    if (r < double(std::numeric_limits<Int>::min()) || r > double(std::numeric_limits<Int>::max()))
        return std::nullopt;
    return Int(r);
}

void numbersAndDates(const QString &text, const QLocale &locale)
{
    const auto number = Convert::parseNumber(text, locale);
    const auto dbl = Convert::parseDouble(text, locale);
    const auto single = Convert::parseSingle(text, locale);
    const auto i16 = Convert::parseInt16(text, locale);
    const auto i32 = Convert::parseInt32(text, locale);
    check(number.has_value() == dbl.has_value(), "a double is a number", text);
    if (number) {
        check(std::isfinite(*number), "a number is finite", text);
        check(*dbl == *number, "the double is the number", text);
        // The display form reads back as the same number.
        const QString shown = Convert::displayNumber(*number, locale);
        const auto again = Convert::parseNumber(shown, locale);
        check(again && *again == *number, "a displayed number parses back", text + QStringLiteral(" -> ") + shown);
    }
    if (i16)
        check(number && rounded<qint16>(*number) == *i16, "a 16-bit integer is the number rounded", text);
    else if (number)
        check(!rounded<qint16>(*number), "a number within 16 bits after rounding is a 16-bit integer", text);
    if (i32)
        check(number && rounded<qint32>(*number) == *i32, "a 32-bit integer is the number rounded", text);
    else if (number)
        check(!rounded<qint32>(*number), "a number within 32 bits after rounding is a 32-bit integer", text);
    if (single)
        check(number && std::isfinite(*single), "a single is a finite number", text);

    const auto date = Convert::parseDate(text, locale);
    if (date) {
        check(date->isValid(), "a parsed date is valid", text);
        const QString shown = Convert::displayDate(*date, locale);
        const auto again = Convert::parseDate(shown, locale);
        check(again && *again == *date, "a displayed date parses back", text + QStringLiteral(" -> ") + shown);
        const auto iso = Convert::parseDate(Convert::isoText(*date), locale);
        check(iso && *iso == *date, "an ISO date parses in every locale", Convert::isoText(*date));
    }

    // The checks of the entry fields answer as the parser does (they use the default locale).
    QLocale::setDefault(locale);
    check(basValidate::IsIntegerText(text) == (blank(text) || i16.has_value()), "IsIntegerText", text);
    check(basValidate::IsLongText(text) == (blank(text) || i32.has_value()), "IsLongText", text);
    check(basValidate::IsSingleText(text) == (blank(text) || single.has_value()), "IsSingleText", text);
    check(basValidate::IsDoubleText(text) == (blank(text) || dbl.has_value()), "IsDoubleText", text);
    check(basValidate::IsDateText(text, true) == (!blank(text) && date.has_value()), "IsDateText", text);
    check(basValidate::IsNumberText(text, true) == (!blank(text) && number.has_value()), "IsNumberText", text);
    QLocale::setDefault(QLocale::c());
}

// A keystroke the check lets through never leaves a quote it typed, two trailing blanks or more
// characters than the limit.
void keystroke(FuzzedDataProvider &in)
{
    TextBoxModel box;
    const QString text = QString::fromUtf8(in.ConsumeRandomLengthString(24));
    box.setText(text);
    const int start = in.ConsumeIntegralInRange(0, int(text.size()));
    const int length = in.ConsumeIntegralInRange(0, int(text.size()) - start);
    box.setSelection({start, length});
    const int limit = in.ConsumeIntegralInRange(0, 30);
    static QString clipboard;
    clipboard = QString::fromUtf8(in.ConsumeRandomLengthString(24));
    basValidate::setClipboardTextProvider([] { return clipboard; });
    const int codes[] = {8, 22, 3, ' ', '\'', '"', 'a', 0x00E9, 0x65E5};
    const int code = in.PickValueInArray(codes);
    if (!basValidate::IsKeyAllowed(&box, code, limit))
        return;
    QString result = text;
    if (code == 8)
        result.remove(length > 0 ? start : qMax(0, start - 1), length > 0 ? length : (start > 0 ? 1 : 0));
    else if (code == 22)
        result.replace(start, length, clipboard);
    else if (code != 3)
        result.replace(start, length, QString(QChar(char16_t(code))));
    check(code != '\'' && code != '"', "a typed quote is refused");
    check(!result.endsWith(QLatin1String("  ")), "no two trailing blanks", result);
    check(limit < 1 || result.size() <= limit, "no more characters than the limit", result);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    KvoFuzz::initialise();
    static const QLocale locales[] = {QLocale::c(), QLocale(QLocale::German, QLocale::Germany),
                                      QLocale(QLocale::English, QLocale::UnitedStates)};
    FuzzedDataProvider in(data, size);
    const QLocale &locale = locales[in.ConsumeIntegralInRange<size_t>(0, 2)];
    if (in.ConsumeBool()) {
        keystroke(in);
        return 0;
    }
    numbersAndDates(QString::fromUtf8(in.ConsumeRemainingBytesAsString()).left(64), locale);
    return 0;
}
