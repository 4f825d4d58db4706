#include "searchfilterwindows.h"

#include "windowsupport.h"

#include "control/frmexamine.h"
#include "core/tracescope.h"
#include "filter/cfilterterms.h"
#include "filter/ui/frmfilter.h"

namespace KvoPlx800SCtl {

namespace {
constexpr const char *Module = "SearchFilterWindows";
}

void SearchFilterWindows::Configure(CFilterColumns &columns, HostKit::IFormsInterface *owner)
{
    Q_UNUSED(columns);
    Q_UNUSED(owner);
    traced("Configure", Module,
           [&] { reportNotAvailable("Configure", Module, QStringLiteral("the configuration dialog")); });
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
    Q_UNUSED(picklist);
    Q_UNUSED(owner);
    traced("EditPicklist", Module,
           [&] { reportNotAvailable("EditPicklist", Module, QStringLiteral("the picklist editor")); });
}

void SearchFilterWindows::SelectAndEditPicklist(CFilterColumns &columns, HostKit::IFormsInterface *owner)
{
    Q_UNUSED(columns);
    Q_UNUSED(owner);
    traced("SelectAndEditPicklist", Module, [&] {
        reportNotAvailable("SelectAndEditPicklist", Module, QStringLiteral("the picklist selection dialog"));
    });
}

} // namespace KvoPlx800SCtl
