#pragma once

#include "core/windows.h"

namespace KvoPlx800SCtl {

// The library's windows behind the search filter's window requests (installed by
// installWidgetsSupport): the configuration dialog, the examine window, the filter dialog and the
// picklist dialogs.
class SearchFilterWindows : public ISearchFilterWindows
{
public:
    void Configure(CFilterColumns &columns, HostKit::IFormsInterface *owner) override;
    void View(CFilterColumns &columns, HostKit::RecordSet *source, ISearchBaseEntry *entry,
              HostKit::IFormsInterface *owner) override;
    FilterDialogResult Filter(CFilterColumns &columns, const CFilterTerms *initial) override;
    void EditPicklist(CScPicklist &picklist, HostKit::IFormsInterface *owner) override;
    void SelectAndEditPicklist(CFilterColumns &columns, HostKit::IFormsInterface *owner) override;
};

} // namespace KvoPlx800SCtl
