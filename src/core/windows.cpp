#include "windows.h"

namespace KvoPlx800SCtl {

namespace {
ISearchFilterWindows *&installedWindows()
{
    static ISearchFilterWindows *windows = nullptr;
    return windows;
}

QList<ILoadedWindow *> &loaded()
{
    static QList<ILoadedWindow *> windows;
    return windows;
}
} // namespace

ISearchFilterWindows::~ISearchFilterWindows() = default;
ILoadedWindow::~ILoadedWindow() = default;

void installSearchFilterWindows(ISearchFilterWindows *windows)
{
    installedWindows() = windows;
}

ISearchFilterWindows *searchFilterWindows()
{
    return installedWindows();
}

namespace LoadedWindows {

void add(ILoadedWindow *window)
{
    if (window && !loaded().contains(window))
        loaded().append(window);
}

void remove(ILoadedWindow *window)
{
    loaded().removeAll(window);
}

QList<ILoadedWindow *> all()
{
    return loaded();
}

} // namespace LoadedWindows

} // namespace KvoPlx800SCtl
