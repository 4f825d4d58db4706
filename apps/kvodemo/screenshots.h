#pragma once

#include <QString>
#include <QStringList>

class DemoMainWindow;
class QWidget;

// What `kvodemo --screenshot FILE --show NAME` pictures: "main", the window itself, or one of the
// library's dialogs opened (not modally) over it, on the window's base table.
namespace DemoScreenshots {

// Every name --show takes, "main" first.
QStringList names();
// The widget to picture for `name`, opened over `window`; nullptr with `error` set when it cannot
// be shown (a dialog that is not part of this build, a table without a column set or without a
// picklist column for the picklist editor).
QWidget *open(const QString &name, DemoMainWindow &window, QString *error);

} // namespace DemoScreenshots
