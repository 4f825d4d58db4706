#include "windowsupport.h"

#include "hostkit/serviceshelper.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QWidget>

#include <cmath>

namespace KvoPlx800SCtl {

using namespace HostKit;

int toPixels(float twips) { return int(std::lround(twips / float(TwipsPerPixel))); }

QRect rectFromTwips(const OwnerRect &rect)
{
    return QRect(toPixels(rect.Left), toPixels(rect.Top), toPixels(rect.Width), toPixels(rect.Height));
}

OwnerRect rectToTwips(const QRect &rect)
{
    return {toTwips(rect.x()), toTwips(rect.y()), toTwips(rect.width()), toTwips(rect.height())};
}

QRect screenRect()
{
    const QSizeF twips = ServicesHelper::instance().ScreenSizeTwips();
    return QRect(0, 0, toPixels(float(twips.width())), toPixels(float(twips.height())));
}

namespace {

constexpr const char *TextNumberProperty = "kvoTextNumber";
constexpr const char *TextArgsProperty = "kvoTextArgs";

void showResourceText(QWidget *widget)
{
    const QString text = ResourceTexts::instance().Text(widget->property(TextNumberProperty).toInt(),
                                                        widget->property(TextArgsProperty).toStringList());
    if (auto *label = qobject_cast<QLabel *>(widget))
        label->setText(text);
    else if (auto *button = qobject_cast<QAbstractButton *>(widget))
        button->setText(text);
    else
        widget->setWindowTitle(text);
}

} // namespace

void setResourceText(QWidget *widget, int number, const QStringList &args)
{
    widget->setProperty(TextNumberProperty, number);
    widget->setProperty(TextArgsProperty, args);
    showResourceText(widget);
}

void retranslateTexts(QWidget *root)
{
    if (root->property(TextNumberProperty).isValid())
        showResourceText(root);
    const QList<QWidget *> inside = root->findChildren<QWidget *>();
    for (QWidget *widget : inside) {
        if (widget->property(TextNumberProperty).isValid())
            showResourceText(widget);
    }
}

void centreInOwner(QWidget *window, const OwnerRect &owner)
{
    const QRect area = rectFromTwips(owner);
    const QSize outer = window->frameGeometry().size();
    const QRect screen = screenRect();
    window->move(qMax(screen.left(), area.left() + (area.width() - outer.width()) / 2),
                 qMax(screen.top(), area.top() + (area.height() - outer.height()) / 2));
}

int keystrokeCode(const QKeyEvent *event)
{
    if (event->matches(QKeySequence::Paste))
        return 22;
    if (event->matches(QKeySequence::Copy))
        return 3;
    if (event->key() == Qt::Key_Backspace)
        return 8;
    const QString text = event->text();
    if (text.size() == 1 && text.at(0).isPrint())
        return text.at(0).unicode();
    return -1;
}

QPixmap pixmapFromPicture(const Picture &picture)
{
    QPixmap pixmap;
    if (!picture.isNull())
        pixmap.loadFromData(picture.Data, picture.Format.isEmpty() ? nullptr : picture.Format.constData());
    return pixmap;
}

QIcon iconFromPicture(const Picture &picture)
{
    const QPixmap pixmap = pixmapFromPicture(picture);
    return pixmap.isNull() ? QIcon() : QIcon(pixmap);
}

WidgetFormsInterface::WidgetFormsInterface(QWidget *window) : m_window(window) {}

OwnerRect WidgetFormsInterface::ownerRect() const
{
    if (!m_window)
        return {};
    return rectToTwips(m_window->window()->frameGeometry());
}

QWidget *ownerWidget(IFormsInterface *owner)
{
    if (auto *widgetOwner = dynamic_cast<WidgetFormsInterface *>(owner); widgetOwner && widgetOwner->window())
        return widgetOwner->window()->window();
    return QApplication::activeWindow();
}

LoadedWindowRegistration::LoadedWindowRegistration(QWidget *window) : m_window(window) { LoadedWindows::add(this); }

LoadedWindowRegistration::~LoadedWindowRegistration() { LoadedWindows::remove(this); }

bool LoadedWindowRegistration::isWindowVisible() const { return m_window && m_window->isVisible(); }

// Hiding a dialog that runs modally also ends its event loop.
void LoadedWindowRegistration::hideWindow()
{
    if (m_window)
        m_window->hide();
}

} // namespace KvoPlx800SCtl
