#include "screenshots.h"

#include "mainwindow.h"

#include "columns/cfiltercolumns.h"
#include "config/frmcolumnedit.h"
#include "config/frmconfigure.h"
#include "core/csearchfilter.h"
#include "picklists/ui/frmpicklistedit.h"
#include "picklists/ui/frmpicklistselect.h"

#include <QListWidget>
#include <QTabWidget>

#include <functional>

using namespace KvoPlx800SCtl;

namespace DemoScreenshots {

namespace {

using Opener = std::function<QWidget *(DemoMainWindow &, CFilterColumns &, QString *)>;

struct Shown
{
    const char *name;
    Opener open; // empty: the dialog is not part of this build yet
};

QWidget *configure(DemoMainWindow &window, CFilterColumns &columns, QString *)
{
    auto *dialog = new frmConfigure(&window);
    dialog->prepare(columns);
    if (columns.Count() > 0)
        dialog->selectColumn(columns.Item(1)->Name());
    return dialog;
}

// The editor on the first column, or on a new one when there is none.
QWidget *columnEditor(DemoMainWindow &window, CFilterColumns &columns, QString *)
{
    auto *dialog = new frmColumnEdit(&window);
    CFilterColumn *first = columns.Item(1);
    dialog->prepare(columns, first, first == nullptr);
    return dialog;
}

// The editor of the first picklist column in position order.
QWidget *picklistEdit(DemoMainWindow &window, CFilterColumns &columns, QString *error)
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
        // The page of the current entries.
        if (auto *pages = dialog->findChild<QTabWidget *>(QStringLiteral("tabEdit")))
            pages->setCurrentIndex(1);
        return dialog;
    }
    *error = QStringLiteral("the table %1 has no picklist column").arg(columns.baseTableName());
    return nullptr;
}

QWidget *picklistSelect(DemoMainWindow &window, CFilterColumns &columns, QString *)
{
    auto *dialog = new frmPicklistSelect(&window);
    dialog->prepare(columns, window.formsInterface());
    if (auto *list = dialog->findChild<QListWidget *>(QStringLiteral("lstColumns")))
        list->setCurrentRow(0);
    return dialog;
}

const Shown shown[] = {
        {"main", {}},
        {"configure", configure},
        {"column-editor", columnEditor},
        {"picklist-edit", picklistEdit},
        {"picklist-select", picklistSelect},
        {"filter", {}},
        {"filter-help", {}},
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
        CFilterColumns *columns = window.searchFilter() ? window.searchFilter()->FilterColumns() : nullptr;
        if (!columns) {
            *error = QStringLiteral("the table has no column set");
            return nullptr;
        }
        QWidget *dialog = s.open(window, *columns, error);
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
