#pragma once

// Field type codes of the record-set layer. They are the codes the library stores, compares and
// hands to hosts (a base-table field descriptor carries one), so their values are fixed.
namespace KvoPlx800SCtl::HostKit {

enum AdoType : int {
    adEmpty = 0,
    adSmallInt = 2,
    adInteger = 3,
    adSingle = 4,
    adDouble = 5,
    adCurrency = 6,
    adDate = 7,
    adBoolean = 11,
    adDecimal = 14,
    adTinyInt = 16,
    adUnsignedTinyInt = 17,
    adBigInt = 20,
    adGUID = 72,
    adBinary = 128,
    adChar = 129,
    adNumeric = 131,
    adDBTimeStamp = 135,
    adVarChar = 200,
    adLongVarChar = 201,
    adVarWChar = 202,
    adLongVarWChar = 203,
    adVarBinary = 204,
    adLongVarBinary = 205,
};

// Value families used where two types only need to hold the same kind of value.
enum class AdoFamily { Integer, Float, Text, Date, Boolean, Binary, Other };
AdoFamily adoFamily(int adoType);

} // namespace KvoPlx800SCtl::HostKit
