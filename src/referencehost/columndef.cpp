#include "columndef.h"

#include "columns/cfiltercolumns.h"

namespace KvoHost {

KvoPlx800SCtl::CFilterColumn *addColumn(KvoPlx800SCtl::CFilterColumns &set, const ColumnDef &def)
{
    return set.Add(def.name, def.caption, def.description, def.type, def.length, def.picklist, def.blanks,
                   def.picklistDefault, def.dateTimeMode, def.dateTimeDefault, def.disableEditDateTime);
}

bool addColumns(KvoPlx800SCtl::CFilterColumns &set, const QList<ColumnDef> &defs)
{
    for (const ColumnDef &def : defs) {
        if (!addColumn(set, def))
            return false;
    }
    return set.ColumnsSave(nullptr);
}

} // namespace KvoHost
