#include "columndef.h"

#include "columns/cfiltercolumns.h"

namespace KvoHost {

KvoPlx800SCtl::CFilterColumn *addColumn(KvoPlx800SCtl::CFilterColumns &set, const KvoPlx800SCtl::ColumnDefinition &def)
{
    return set.Add(def.name, def.caption, def.description, def.type, def.textLengthInUI, def.isPicklist,
                   def.picklistAllowBlanks, def.picklistDefault, def.dateTimeDefaultMode, def.dateTimeDefaultValue,
                   def.disableEditDateTime);
}

bool addColumns(KvoPlx800SCtl::CFilterColumns &set, const QList<KvoPlx800SCtl::ColumnDefinition> &defs)
{
    for (const KvoPlx800SCtl::ColumnDefinition &def : defs) {
        if (!addColumn(set, def))
            return false;
    }
    return set.ColumnsSave(nullptr);
}

} // namespace KvoHost
