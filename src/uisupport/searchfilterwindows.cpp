#include "searchfilterwindows.h"

#include "windowsupport.h"

#include "config/frmconfigure.h"
#include "control/frmexamine.h"
#include "core/tracescope.h"
#include "filter/cfilterterms.h"
#include "filter/ui/frmfilter.h"
#include "picklists/ui/frmpicklistedit.h"
#include "picklists/ui/frmpicklistselect.h"

namespace KvoPlx800SCtl {

namespace {
constexpr const char *Module = "SearchFilterWindows";
}

// Each window is made for one call: shown modally, released when it returns.
void SearchFilterWindows::Configure(CFilterColumns &columns, HostKit::IFormsInterface *owner)
{
    traced("Configure", Module, [&] {
        frmConfigure window(ownerWidget(owner));
        window.Configure(columns);
    });
}

// The window is made for one call: shown modally by View, released when it returns.
void SearchFilterWindows::View(CFilterColumns &columns, HostKit::RecordSet *source, ISearchBaseEntry *entry,
                               HostKit::IFormsInterface *owner)
{
    traced("View", Module, [&] {
        frmExamine window(ownerWidget(owner));
        window.View(columns, source, entry);
    });
}

// The dialog is made for one call, like the examine window.
FilterDialogResult SearchFilterWindows::Filter(CFilterColumns &columns, const CFilterTerms *initial)
{
    return traced("Filter", Module, FilterDialogResult(), [&](FilterDialogResult &result) {
        frmFilter dialog(ownerWidget(nullptr));
        result = dialog.Filter(columns, initial);
    });
}

void SearchFilterWindows::EditPicklist(CScPicklist &picklist, HostKit::IFormsInterface *owner)
{
    traced("EditPicklist", Module, [&] {
        frmPicklistEdit window(ownerWidget(owner));
        window.Edit(picklist, owner);
    });
}

void SearchFilterWindows::SelectAndEditPicklist(CFilterColumns &columns, HostKit::IFormsInterface *owner)
{
    traced("SelectAndEditPicklist", Module, [&] {
        frmPicklistSelect window(ownerWidget(owner));
        window.SelectAndEdit(columns, owner);
    });
}

} // namespace KvoPlx800SCtl
