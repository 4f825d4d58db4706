#include "columntypes.h"

#include "hostkit/adotypes.h"

namespace KvoPlx800SCtl::ColumnTypes {

using namespace HostKit;

int adoType(int type)
{
    switch (type) {
    case fcInteger16:
        return adSmallInt;
    case fcInteger32:
        return adInteger;
    case fcSingle:
        return adSingle;
    case fcDouble:
        return adDouble;
    case fcDateTime:
        return adDate;
    case fcBoolean:
        return adBoolean;
    default:
        return adVarWChar;
    }
}

Variant::Type valueType(int type)
{
    switch (type) {
    case fcKeyword:
    case fcText:
    case fcNote:
        return Variant::Type::Text;
    case fcInteger16:
        return Variant::Type::Int16;
    case fcInteger32:
        return Variant::Type::Int32;
    case fcSingle:
        return Variant::Type::Single;
    case fcDouble:
        return Variant::Type::Double;
    case fcDateTime:
        return Variant::Type::Date;
    case fcBoolean:
        return Variant::Type::Boolean;
    default:
        return Variant::Type::Null;
    }
}

Variant zero(int type)
{
    switch (valueType(type)) {
    case Variant::Type::Text:
        return Variant::text(QString());
    case Variant::Type::Int16:
        return Variant::int16(0);
    case Variant::Type::Int32:
        return Variant::int32(0);
    case Variant::Type::Single:
        return Variant::single(0);
    case Variant::Type::Double:
        return Variant::dbl(0);
    case Variant::Type::Date:
        return Variant::date(Variant::dateZero());
    case Variant::Type::Boolean:
        return Variant::boolean(false);
    default:
        return Variant::null();
    }
}

Variant missingValue(int type)
{
    if (type == fcText || type == fcNote || type == fcBoolean)
        return zero(type);
    return Variant::null();
}

} // namespace KvoPlx800SCtl::ColumnTypes
