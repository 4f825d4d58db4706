#pragma once

// What the widget tests share: the test host, the library's widgets support and texts, and
// finding, clicking and typing into the widgets of its windows.
#include "testhost.h"

#include "columns/cfiltercolumns.h"
#include "uisupport/widgetssupport.h"

#include "hostkit/connection.h"
#include "hostkit/resourcetexts.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <QWidget>

#include <functional>
#include <memory>

namespace KvoTest {

// Resource text `number` in the language installed, with its arguments.
inline QString text(int number, const QStringList &args = {})
{
    return KvoPlx800SCtl::HostKit::ResourceTexts::instance().Text(number, args);
}

// The member of control array `array` (its object name) whose Tag names `column`.
template <typename W>
W *field(const QWidget *root, const char *array, const QString &column)
{
    for (W *widget : root->findChildren<W *>(QString::fromLatin1(array))) {
        if (widget->property("Tag").toString().compare(column, Qt::CaseInsensitive) == 0)
            return widget;
    }
    return nullptr;
}

template <typename W = QWidget>
W *child(const QWidget *root, const char *name)
{
    return root->findChild<W *>(QString::fromLatin1(name));
}

inline QPushButton *button(const QWidget *root, const char *name) { return child<QPushButton>(root, name); }

// The texts of a tree's top-level items, in their order.
inline QStringList itemTexts(const QTreeWidget *tree)
{
    QStringList texts;
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        texts << tree->topLevelItem(i)->text(0);
    return texts;
}

// Clicks button `name` once it is shown and enabled; false when it does not become so.
inline bool click(const QWidget *root, const char *name)
{
    QPushButton *b = button(root, name);
    if (!b || !QTest::qWaitFor([b] { return b->isVisible() && b->isEnabled(); }))
        return false;
    QTest::mouseClick(b, Qt::LeftButton);
    return true;
}

// Replaces the text of a column's text box as a user types it; false when the box takes no input.
inline bool typeInto(QWidget *root, const QString &column, const QString &text)
{
    auto *box = field<QLineEdit>(root, "txtTextField", column);
    if (!box || box->isReadOnly())
        return false;
    box->setFocus();
    box->selectAll();
    QTest::keyClicks(box, text);
    return box->text() == text;
}

// Types a new column into the column editor: name, type (its row in the type list), and
// optionally a picklist with a default.
inline void fillColumnEditor(QDialog *editor, const QString &name, int type, const QString &picklistDefault = {})
{
    auto *nameBox = child<QLineEdit>(editor, "txtName");
    nameBox->setFocus();
    QTest::keyClicks(nameBox, name);
    child<QListWidget>(editor, "lstType")->setCurrentRow(type);
    if (!picklistDefault.isNull()) {
        child<QCheckBox>(editor, "chkIsPicklist")->setChecked(true);
        QTest::keyClicks(child<QLineEdit>(editor, "txtDefault"), picklistDefault);
    }
}

// Runs `act` on the modal dialog named `name` as soon as it is the active modal widget (a dialog
// that a click opens and runs with exec()); the watch ends after `act` or after ten seconds.
// `answered` (when given) is set once `act` ran.
inline void whenModal(QObject *context, const QString &name, std::function<void(QDialog *)> act,
                      bool *answered = nullptr)
{
    auto *timer = new QTimer(context);
    timer->setInterval(10);
    auto ticks = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, name, act, answered, ticks] {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (++*ticks > 1000) {
            timer->deleteLater();
            return;
        }
        if (!dialog || dialog->objectName() != name || !dialog->isVisible())
            return;
        timer->stop();
        timer->deleteLater();
        act(dialog);
        if (answered)
            *answered = true;
    });
    timer->start();
}

} // namespace KvoTest
