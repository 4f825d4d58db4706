#include "screenshots.h"

#include "mainwindow.h"

#include "columns/cfiltercolumns.h"
#include "core/csearchfilter.h"
#include "filter/ui/frmfilter.h"
#include "filter/ui/frmfilterhelp.h"

#include "hostkit/texthelper.h"

#include <functional>

using namespace KvoPlx800SCtl;

namespace DemoScreenshots {

namespace {

using Opener = std::function<QWidget *(DemoMainWindow &, CSearchFilter &, CFilterColumns &)>;

struct Shown
{
    const char *name;
    Opener open; // empty: the dialog is not part of this build yet
};

// The filter dialog as Filter opens it: pre-filled with the user's last filter.
QWidget *filter(DemoMainWindow &window, CSearchFilter &searchFilter, CFilterColumns &columns)
{
    auto *dialog = new frmFilter(&window);
    const auto last =
            searchFilter.LastFilter(nullptr, HostKit::TextHelper::instance().CurrentUserName(), fltrDBMode_Normal);
    dialog->Setup(columns, last.get());
    return dialog;
}

QWidget *filterHelp(DemoMainWindow &window, CSearchFilter &, CFilterColumns &columns)
{
    auto *dialog = new frmFilterHelp(&window);
    dialog->prepare(columns);
    return dialog;
}

const Shown shown[] = {
        {"main", {}},
        {"configure", {}},
        {"column-editor", {}},
        {"picklist-edit", {}},
        {"picklist-select", {}},
        {"filter", filter},
        {"filter-help", filterHelp},
};

} // namespace

QStringList names()
{
    QStringList list;
    for (const Shown &s : shown)
        list.append(QString::fromLatin1(s.name));
    return list;
}

QWidget *open(const QString &name, DemoMainWindow &window, QString *error)
{
    if (name == QLatin1String("main"))
        return &window;
    for (const Shown &s : shown) {
        if (name != QLatin1String(s.name))
            continue;
        if (!s.open) {
            *error = QStringLiteral("the %1 dialog is not part of this build yet").arg(name);
            return nullptr;
        }
        CSearchFilter *searchFilter = window.searchFilter();
        CFilterColumns *columns = searchFilter ? searchFilter->FilterColumns() : nullptr;
        if (!columns) {
            *error = QStringLiteral("the table has no column set");
            return nullptr;
        }
        QWidget *dialog = s.open(window, *searchFilter, *columns);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->show();
        return dialog;
    }
    *error = QStringLiteral("unknown window %1").arg(name);
    return nullptr;
}

} // namespace DemoScreenshots
