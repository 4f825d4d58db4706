#include "basvalidate.h"

#include "cfiltercolumn.h"
#include "core/columntypes.h"
#include "core/conversions.h"
#include "core/tracescope.h"

#include "hostkit/adotypes.h"
#include "hostkit/basetablestructure.h"

namespace KvoPlx800SCtl::basValidate {

namespace {

std::function<QString()> &clipboardProvider()
{
    static std::function<QString()> provider;
    return provider;
}

bool blank(const QString &text) { return text.trimmed().isEmpty(); }

} // namespace

void setClipboardTextProvider(std::function<QString()> provider) { clipboardProvider() = std::move(provider); }

bool IsKeyAllowed(IControl *box, int keyCode, int maxLength)
{
    return traced("IsKeyAllowed", "basValidate", false, [&](bool &result) {
        QString text;
        TextSelection sel;
        if (auto *t = dynamic_cast<ITextBox *>(box)) {
            text = t->text();
            sel = t->selection();
        } else if (auto *c = dynamic_cast<IComboBox *>(box)) {
            text = c->text();
            sel = c->selection();
        } else {
            return;
        }
        const int start = qBound(0, sel.start, int(text.size()));
        const int length = qBound(0, sel.length, int(text.size()) - start);
        QString left = text.left(start);
        QString middle = text.mid(start, length);
        const QString right = text.mid(start + length);

        switch (keyCode) {
        case 8: // Backspace: what the box really leaves
            if (length > 0)
                middle.clear();
            else
                left.chop(1);
            break;
        case 3: // Ctrl+C
            break;
        case 22: // Ctrl+V
            middle = clipboardProvider() ? clipboardProvider()() : QString();
            break;
        case '"':
        case '\'':
            return;
        default:
            middle = QString(QChar(char16_t(keyCode)));
            break;
        }
        const QString prospective = left + middle + right;
        if (prospective.endsWith(QLatin1String("  ")))
            return;
        result = maxLength >= 1 ? prospective.size() <= maxLength : true;
    });
}

bool IsIntegerText(const QString &text) { return blank(text) || Convert::parseInt16(text).has_value(); }

bool IsLongText(const QString &text) { return blank(text) || Convert::parseInt32(text).has_value(); }

bool IsSingleText(const QString &text) { return blank(text) || Convert::parseSingle(text).has_value(); }

bool IsDoubleText(const QString &text) { return blank(text) || Convert::parseDouble(text).has_value(); }

bool IsDateText(const QString &text, bool required)
{
    if (blank(text))
        return !required;
    return Convert::parseDate(text).has_value();
}

bool IsNumberText(const QString &text, bool required)
{
    const bool numeric = Convert::parseNumber(text).has_value();
    return numeric && !(required && blank(text));
}

FilterComparisonClasses ComparisonClassFromColumn(const CFilterColumn *column)
{
    return column ? ColumnTypes::comparisonClass(column->ColumnType()) : kvoCC_Unknown;
}

FilterComparisonClasses ComparisonClassFromColumn(const HostKit::BaseFieldDescriptor *field)
{
    using namespace HostKit;
    if (!field || !field->Defined)
        return kvoCC_Unknown;
    // Every integer, fixed and floating type is a number, and every character type a text: the
    // engines report a `text` field as a long text, `bigint` and `tinyint` as 64- and 8-bit
    // integers, and those are the common fields of a host's table.
    switch (field->Type) {
    case adTinyInt:
    case adUnsignedTinyInt:
    case adSmallInt:
    case adInteger:
    case adBigInt:
    case adSingle:
    case adDouble:
    case adCurrency:
    case adDecimal:
    case adNumeric:
        return kvoCC_Numeric;
    case adDate:
        return kvoCC_Date;
    case adBoolean:
        return kvoCC_Boolean;
    case adChar:
    case adVarChar:
    case adLongVarChar:
    case adVarWChar:
    case adLongVarWChar:
        return kvoCC_Text;
    default:
        return kvoCC_Unknown;
    }
}

} // namespace KvoPlx800SCtl::basValidate
