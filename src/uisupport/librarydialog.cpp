#include "librarydialog.h"

#include "hostkit/resourcetexts.h"

#include <QBoxLayout>
#include <QEvent>
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

void LibraryDialog::changeEvent(QEvent *event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::LanguageChange)
        retranslateTexts(this);
}

// Centred in the owner's rectangle (the screen for a rectangle without size), with the top left
// corner on the screen.
void LibraryDialog::centre()
{
    if (!m_centreIn)
        return;
    const bool sized = m_centreIn->Width > 0 && m_centreIn->Height > 0;
    centreInOwner(this, sized ? *m_centreIn : rectToTwips(screenRect()));
}

QString LibraryDialog::text(int number, const QStringList &args)
{
    return ResourceTexts::instance().Text(number, args);
}

QPushButton *LibraryDialog::makeButton(const char *name, int number)
{
    auto *button = new QPushButton(this);
    button->setObjectName(QString::fromLatin1(name));
    setResourceText(button, number);
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
