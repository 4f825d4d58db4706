#pragma once

#include "enums.h"
#include "variant.h"

// What the library knows about each column type, in one place: every layer asks here instead of
// listing the types in a switch of its own.
namespace KvoPlx800SCtl::ColumnTypes {

constexpr bool isValid(int type) { return type >= _fc_First && type <= _fc_Last; }

constexpr bool isKeyword(int type) { return type == fcKeyword; }

// Keyword, text and note columns hold texts (keywords count as text for blank handling).
constexpr bool isText(int type) { return type == fcKeyword || type == fcText || type == fcNote; }

constexpr bool isInteger(int type) { return type == fcInteger16 || type == fcInteger32; }

constexpr bool isNumber(int type) { return isInteger(type) || type == fcSingle || type == fcDouble; }

// Every column type but the keyword list keeps one value per record, in the search-data table.
constexpr bool isSingleValued(int type) { return isValid(type) && type != fcKeyword; }

// The comparison class a filter uses for a column of this type.
constexpr FilterComparisonClasses comparisonClass(int type)
{
    if (type == fcKeyword)
        return kvoCC_Keyword;
    if (isText(type))
        return kvoCC_Text;
    if (isNumber(type))
        return kvoCC_Numeric;
    if (type == fcDateTime)
        return kvoCC_Date;
    if (type == fcBoolean)
        return kvoCC_Boolean;
    return kvoCC_Unknown;
}

// The ADO type of the field that stores a value of this type (keyword values and texts are
// variable-length texts).
int adoType(int type);

// The variant type of a value of this column type.
Variant::Type valueType(int type);

// The zero of a type: empty text, 0, False or the date zero; Null for an undefined type.
Variant zero(int type);

// What a column reads as when the record has no row or the field is NULL: the empty text for text
// and note columns, False for Boolean ones; numbers and dates stay Null.
Variant missingValue(int type);

} // namespace KvoPlx800SCtl::ColumnTypes
