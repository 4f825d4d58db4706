#include "searchfilterwindows.h"

#include "windowsupport.h"

#include "control/frmexamine.h"
#include "core/tracescope.h"
#include "filter/cfilterterms.h"

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

FilterDialogResult SearchFilterWindows::Filter(CFilterColumns &columns, const CFilterTerms *initial)
{
    Q_UNUSED(columns);
    Q_UNUSED(initial);
    return traced("Filter", Module, FilterDialogResult(), [&](FilterDialogResult &) {
        reportNotAvailable("Filter", Module, QStringLiteral("the filter dialog"));
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
