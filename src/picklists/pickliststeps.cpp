#include "cscpicklist.h"

#include "columns/cfiltercolumns.h"
#include "core/tracescope.h"

namespace KvoPlx800SCtl {

namespace {
constexpr const char *Module = "CFilterColumns";
}

// The picklist steps of a column's save, run once the column's table has its shape and before
// the defaults are filled in. `stored` is the stored column of the same name and type, or nullptr
// for a new or retyped column (whose former picklist KillColumnData has dropped already).
//
// A column that stays a picklist column always runs ChangePicklist, whether or not its picklist
// settings changed: the steps only write what is missing, and so a save also repairs a picklist
// table, an entry or a foreign key that went missing.
bool CFilterColumns::picklistSteps(CFilterColumn *column, const ColumnDefinition *stored)
{
    return traced("picklistSteps", Module, false, [&](bool &result) {
        require(column != nullptr, QStringLiteral("no column"));
        CScPicklist *pickList = column->PickList();
        require(pickList != nullptr, QStringLiteral("the column has no picklist object"));
        if (!column->IsPicklist())
            result = pickList->DestroyPicklist();
        else if (!stored || !stored->isPicklist)
            result = pickList->CreatePicklist();
        else
            result = pickList->ChangePicklist();
    });
}

} // namespace KvoPlx800SCtl
