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
    // The filter dialog: the filter built on OK, nullptr on Cancel.
    virtual std::unique_ptr<CFilterTerms> Filter(CFilterColumns &columns, const CFilterTerms *initial) = 0;
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
