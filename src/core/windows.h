#pragma once

#include <QList>

#include <memory>

namespace KvoPlx800SCtl {

class CFilterColumns;
class CFilterTerms;
class CSearchFilter;
class CScPicklist;
class ISearchBaseEntry;
namespace HostKit {
class IFormsInterface;
class RecordSet;
} // namespace HostKit

// How a request for the filter dialog ended: the user chose OK (the filter may be empty: a
// cleared filter), cancelled or closed the dialog, or the dialog could not be shown at all (no
// column set, no windows installed, a failure while it was set up).
enum class FilterRequestStatus { Applied, Cancelled, NotOpened };

// The answer of the filter dialog: its status and, when applied, the filter built.
struct FilterDialogResult
{
    FilterRequestStatus status = FilterRequestStatus::NotOpened;
    std::unique_ptr<CFilterTerms> terms;
};

// The library's windows as the core reaches them. The widgets library installs an implementation
// (installSearchFilterWindows); without it, a request for a window does nothing and is reported to
// the trace service, so a headless host never blocks on a dialog.
class ISearchFilterWindows
{
public:
    virtual ~ISearchFilterWindows();
    virtual void Configure(CFilterColumns &columns, HostKit::IFormsInterface *owner) = 0;
    virtual void View(CFilterColumns &columns, HostKit::RecordSet *source, ISearchBaseEntry *entry,
                      HostKit::IFormsInterface *owner) = 0;
    // The filter dialog, pre-filled with `initial` (may be nullptr): the filter built on OK.
    virtual FilterDialogResult Filter(CFilterColumns &columns, const CFilterTerms *initial) = 0;
    virtual void EditPicklist(CScPicklist &picklist, HostKit::IFormsInterface *owner) = 0;
    virtual void SelectAndEditPicklist(CFilterColumns &columns, HostKit::IFormsInterface *owner) = 0;
};

void installSearchFilterWindows(ISearchFilterWindows *windows);
ISearchFilterWindows *searchFilterWindows();

// A window of the library that is loaded now. Windows register themselves while they exist, so
// that CCommon::CloseSCtlForms can close them all.
class ILoadedWindow
{
public:
    virtual ~ILoadedWindow();
    virtual bool isWindowVisible() const = 0;
    virtual void hideWindow() = 0;
};

namespace LoadedWindows {
void add(ILoadedWindow *window);
void remove(ILoadedWindow *window);
QList<ILoadedWindow *> all();
} // namespace LoadedWindows

} // namespace KvoPlx800SCtl
