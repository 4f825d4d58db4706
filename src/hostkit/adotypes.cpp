#include "adotypes.h"

namespace KvoPlx800SCtl::HostKit {

AdoFamily adoFamily(int adoType)
{
    switch (adoType) {
    case adSmallInt:
    case adInteger:
    case adTinyInt:
    case adUnsignedTinyInt:
    case adBigInt:
        return AdoFamily::Integer;
    case adSingle:
    case adDouble:
    case adCurrency:
    case adDecimal:
    case adNumeric:
        return AdoFamily::Float;
    case adChar:
    case adVarChar:
    case adLongVarChar:
    case adVarWChar:
    case adLongVarWChar:
    case adGUID:
        return AdoFamily::Text;
    case adDate:
    case adDBTimeStamp:
        return AdoFamily::Date;
    case adBoolean:
        return AdoFamily::Boolean;
    case adBinary:
    case adVarBinary:
    case adLongVarBinary:
        return AdoFamily::Binary;
    default:
        return AdoFamily::Other;
    }
}

} // namespace KvoPlx800SCtl::HostKit
