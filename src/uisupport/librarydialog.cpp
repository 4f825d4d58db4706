#include "librarydialog.h"

#include "hostkit/resourcetexts.h"

#include <QBoxLayout>
#include <QPushButton>

namespace KvoPlx800SCtl {

using namespace HostKit;

LibraryDialog::LibraryDialog(QWidget *parent, const QString &objectName) : QDialog(parent)
{
    setObjectName(objectName);
    setModal(true);
}

void LibraryDialog::centreIn(const OwnerRect &rect)
{
    m_centreIn = rect;
    centre();
}

void LibraryDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    centre();
}

// Centred in the owner's rectangle, with the top left corner on the screen.
void LibraryDialog::centre()
{
    if (!m_centreIn)
        return;
    QRect area = rectFromTwips(*m_centreIn);
    const QRect screen = screenRect();
    if (area.width() <= 0 || area.height() <= 0)
        area = screen;
    const QSize outer = isVisible() ? frameGeometry().size() : sizeHint();
    move(qMax(screen.left(), area.left() + (area.width() - outer.width()) / 2),
         qMax(screen.top(), area.top() + (area.height() - outer.height()) / 2));
}

QString LibraryDialog::text(int number, const QStringList &args)
{
    return ResourceTexts::instance().Text(number, args);
}

QPushButton *LibraryDialog::makeButton(const char *name, int number)
{
    auto *button = new QPushButton(text(number), this);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    return button;
}

QBoxLayout *LibraryDialog::buttonRow(std::initializer_list<QPushButton *> buttons, bool column)
{
    auto *row = new QBoxLayout(column ? QBoxLayout::TopToBottom : QBoxLayout::LeftToRight);
    if (!column)
        row->addStretch();
    for (QPushButton *b : buttons)
        row->addWidget(b);
    if (column)
        row->addStretch();
    return row;
}

} // namespace KvoPlx800SCtl
