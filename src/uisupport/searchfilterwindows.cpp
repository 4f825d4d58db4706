#include "searchfilterwindows.h"

#include "windowsupport.h"

#include "config/frmconfigure.h"
#include "control/frmexamine.h"
#include "core/tracescope.h"
#include "filter/cfilterterms.h"
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

std::unique_ptr<CFilterTerms> SearchFilterWindows::Filter(CFilterColumns &columns, const CFilterTerms *initial)
{
    Q_UNUSED(columns);
    Q_UNUSED(initial);
    return traced("Filter", Module, std::unique_ptr<CFilterTerms>(), [&](std::unique_ptr<CFilterTerms> &) {
        reportNotAvailable("Filter", Module, QStringLiteral("the filter dialog"));
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
