#include "cscpicklist.h"

#include "columns/cfiltercolumns.h"
#include "core/conversions.h"
#include "core/tracescope.h"
#include "core/windows.h"

namespace KvoPlx800SCtl {

using namespace HostKit;

namespace {
constexpr const char *Module = "CFilterColumns";
} // namespace

bool CFilterColumns::HasPicklists() const
{
    return traced("HasPicklists(Get)", Module, false, [&](bool &result) {
        for (const auto &column : m_columns) {
            if (column->IsPicklist()) {
                result = true;
                return;
            }
        }
    });
}

void CFilterColumns::EditPicklists(IFormsInterface *oFI)
{
    traced("EditPicklists", Module, [&] {
        CFilterColumn *only = nullptr;
        int count = 0;
        for (const auto &column : m_columns) {
            if (!column->IsPicklist())
                continue;
            only = column.get();
            if (++count >= 2)
                break;
        }
        if (count >= 2) {
            SelectAndEditPicklist(oFI);
        } else if (count == 1) {
            CScPicklist *pickList = only->PickList();
            require(pickList != nullptr, QStringLiteral("the column has no picklist object"));
            pickList->Edit(oFI);
        }
    });
}

void CFilterColumns::SelectAndEditPicklist(IFormsInterface *oFI)
{
    traced("SelectAndEditPicklist", Module, [&] {
        if (ISearchFilterWindows *windows = searchFilterWindows())
            windows->SelectAndEditPicklist(*this, oFI);
        else
            reportNotAvailable("SelectAndEditPicklist", Module, QStringLiteral("the picklist selection dialog"));
    });
}

bool CFilterColumns::PicklistChanged(const CFilterColumn *oldColumn, const CFilterColumn *newColumn) const
{
    return traced("PicklistChanged", Module, false, [&](bool &result) {
        if (!oldColumn)
            return;
        if (!newColumn) {
            result = true;
            return;
        }
        if (oldColumn->IsPicklist() != newColumn->IsPicklist()) {
            result = true;
            return;
        }
        if (!oldColumn->IsPicklist())
            return;
        result = oldColumn->PicklistAllowBlanks() != newColumn->PicklistAllowBlanks()
                 || oldColumn->ColumnType() != newColumn->ColumnType()
                 || !Convert::sameValueText(newColumn->ColumnType(), oldColumn->PicklistDefault(),
                                            newColumn->PicklistDefault());
    });
}

} // namespace KvoPlx800SCtl
