#include "screenshots.h"

#include "mainwindow.h"

#include "columns/cfiltercolumns.h"
#include "config/frmcolumnedit.h"
#include "config/frmconfigure.h"
#include "control/ukvosearch.h"
#include "core/csearchfilter.h"
#include "filter/ui/frmfilter.h"
#include "filter/ui/frmfilterhelp.h"
#include "picklists/ui/frmpicklistedit.h"
#include "picklists/ui/frmpicklistselect.h"

#include "hostkit/texthelper.h"

#include <QAbstractButton>
#include <QListWidget>
#include <QTabWidget>

#include <functional>

using namespace KvoPlx800SCtl;

namespace DemoScreenshots {

namespace {

// The dialog, opened over the window; nullptr with `error` set when it cannot be shown.
using Opener = std::function<QWidget *(DemoMainWindow &, CSearchFilter &, CFilterColumns &, QString *error)>;

struct Shown
{
    const char *name;
    Opener open; // empty: the dialog is not part of this build yet
};

QWidget *configure(DemoMainWindow &window, CSearchFilter &, CFilterColumns &columns, QString *)
{
    auto *dialog = new frmConfigure(&window);
    dialog->prepare(columns);
    if (columns.Count() > 0)
        dialog->selectColumn(columns.Item(1)->Name());
    return dialog;
}

// The editor on the first column, or on a new one when there is none.
QWidget *columnEditor(DemoMainWindow &window, CSearchFilter &, CFilterColumns &columns, QString *)
{
    auto *dialog = new frmColumnEdit(&window);
    CFilterColumn *first = columns.Item(1);
    dialog->prepare(columns, first, first == nullptr);
    return dialog;
}

// The editor of the first picklist column in position order, on the page of its entries.
QWidget *picklistEdit(DemoMainWindow &window, CSearchFilter &, CFilterColumns &columns, QString *error)
{
    for (CFilterColumn *column : columns.NewEnum()) {
        if (!column->IsPicklist())
            continue;
        auto *dialog = new frmPicklistEdit(&window);
        if (!dialog->prepare(*column->PickList(), window.formsInterface())) {
            *error = QStringLiteral("the picklist of %1 cannot be shown").arg(column->Name());
            delete dialog;
            return nullptr;
        }
        if (auto *pages = dialog->findChild<QTabWidget *>(QStringLiteral("tabEdit")))
            pages->setCurrentIndex(1);
        return dialog;
    }
    *error = QStringLiteral("the table %1 has no picklist column").arg(columns.baseTableName());
    return nullptr;
}

QWidget *picklistSelect(DemoMainWindow &window, CSearchFilter &, CFilterColumns &columns, QString *)
{
    auto *dialog = new frmPicklistSelect(&window);
    dialog->prepare(columns, window.formsInterface());
    if (auto *list = dialog->findChild<QListWidget *>(QStringLiteral("lstColumns")))
        list->setCurrentRow(0);
    return dialog;
}

// The filter dialog as Filter opens it: pre-filled with the user's last filter.
QWidget *filter(DemoMainWindow &window, CSearchFilter &searchFilter, CFilterColumns &columns, QString *)
{
    auto *dialog = new frmFilter(&window);
    const auto last =
            searchFilter.LastFilter(nullptr, HostKit::TextHelper::instance().CurrentUserName(), fltrDBMode_Normal);
    dialog->Setup(columns, last.get());
    return dialog;
}

QWidget *filterHelp(DemoMainWindow &window, CSearchFilter &, CFilterColumns &columns, QString *)
{
    auto *dialog = new frmFilterHelp(&window);
    dialog->prepare(columns);
    return dialog;
}

const Shown shown[] = {
        {"main", {}},
        {"editing", {}},
        {"configure", configure},
        {"column-editor", columnEditor},
        {"picklist-edit", picklistEdit},
        {"picklist-select", picklistSelect},
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
    if (name == QLatin1String("editing")) {
        // The window with the control switched to editing, as its Edit button does.
        auto *edit = window.control() ? window.control()->findChild<QAbstractButton *>(QStringLiteral("cmdEdit")) : nullptr;
        if (!edit || !edit->isEnabled()) {
            *error = QStringLiteral("the control cannot switch to editing");
            return nullptr;
        }
        edit->click();
        return &window;
    }
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
        QWidget *dialog = s.open(window, *searchFilter, *columns, error);
        if (dialog) {
            dialog->setAttribute(Qt::WA_DeleteOnClose);
            dialog->show();
        }
        return dialog;
    }
    *error = QStringLiteral("unknown window %1").arg(name);
    return nullptr;
}

} // namespace DemoScreenshots
