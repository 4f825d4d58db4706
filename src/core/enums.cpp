#include "enums.h"

namespace KvoPlx800SCtl {

const char *columnsStatusName(int status)
{
    switch (status) {
    case kvoFCSUndefinedStatus: return "kvoFCSUndefinedStatus";
    case kvoFCSSuccess: return "kvoFCSSuccess";
    case kvoFCSNoColumnsDefined: return "kvoFCSNoColumnsDefined";
    case kvoFCSMissingDatabase: return "kvoFCSMissingDatabase";
    case kvoFCSMissingBaseTable: return "kvoFCSMissingBaseTable";
    case kvoFCSInvalidBaseTable: return "kvoFCSInvalidBaseTable";
    case kvoFCSBaseTableNotDefined: return "kvoFCSBaseTableNotDefined";
    case kvoFCSBaseTableMissingPrimaryIndex: return "kvoFCSBaseTableMissingPrimaryIndex";
    case kvoFSCBaseTablePrimaryIndexSegmented: return "kvoFSCBaseTablePrimaryIndexSegmented";
    case kvoFCSMissingDatabaseHandler: return "kvoFCSMissingDatabaseHandler";
    case kvoFCSMissingProfile: return "kvoFCSMissingProfile";
    default: return "";
    }
}

const char *columnTypeName(int type)
{
    switch (type) {
    case fcKeyword: return "fcKeyword";
    case fcText: return "fcText";
    case fcInteger16: return "fcInteger16";
    case fcInteger32: return "fcInteger32";
    case fcSingle: return "fcSingle";
    case fcDouble: return "fcDouble";
    case fcDateTime: return "fcDateTime";
    case fcBoolean: return "fcBoolean";
    case fcNote: return "fcNote";
    default: return "fcUndefined";
    }
}

} // namespace KvoPlx800SCtl
