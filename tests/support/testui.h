#pragma once

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QWidget>

// Finding, clicking and typing into the widgets of the data-entry control, for the widget tests.
namespace KvoTest {

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

inline QPushButton *button(const QWidget *root, const char *name)
{
    return root->findChild<QPushButton *>(QString::fromLatin1(name));
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

} // namespace KvoTest
