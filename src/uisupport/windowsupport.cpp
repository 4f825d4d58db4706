#include "windowsupport.h"

#include "hostkit/serviceshelper.h"

#include <QAbstractButton>
#include <QAbstractProxyModel>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidgetItem>
#include <QMenu>
#include <QTabWidget>
#include <QTextEdit>
#include <QTreeWidgetItem>
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

// Where a remembered text is kept: in a property of the object that shows it (of the page for a
// tab title), or in a role of an item model's cell or header section.
constexpr const char *TextProperty = "kvoText";
constexpr const char *ToolTipProperty = "kvoToolTip";
constexpr const char *TabTextProperty = "kvoTabText";
constexpr int TextRole = Qt::UserRole + 0x4b56;

QVariant remember(const TranslatedText &text) { return text ? QVariant::fromValue(text) : QVariant(); }

TranslatedText remembered(const QObject *object, const char *property)
{
    return object ? object->property(property).value<TranslatedText>() : TranslatedText();
}

void showText(QObject *target, const QString &text)
{
    if (auto *label = qobject_cast<QLabel *>(target))
        label->setText(text);
    else if (auto *button = qobject_cast<QAbstractButton *>(target))
        button->setText(text);
    else if (auto *action = qobject_cast<QAction *>(target))
        action->setText(text);
    else if (auto *menu = qobject_cast<QMenu *>(target))
        menu->setTitle(text);
    else if (auto *view = qobject_cast<QTextEdit *>(target))
        view->setPlainText(text);
    else if (auto *widget = qobject_cast<QWidget *>(target))
        widget->setWindowTitle(text);
}

void retranslateTabs(QTabWidget *tabs)
{
    for (int i = 0; i < tabs->count(); ++i) {
        if (const TranslatedText text = remembered(tabs->widget(i), TabTextProperty))
            tabs->setTabText(i, text());
    }
}

// Every cell under `parent` and, at the top, every column header of `model`.
void retranslateModel(QAbstractItemModel *model, const QModelIndex &parent = {})
{
    for (int section = 0; !parent.isValid() && section < model->columnCount(); ++section) {
        if (const auto text = model->headerData(section, Qt::Horizontal, TextRole).value<TranslatedText>())
            model->setHeaderData(section, Qt::Horizontal, text(), Qt::DisplayRole);
    }
    for (int row = 0; row < model->rowCount(parent); ++row) {
        for (int column = 0; column < model->columnCount(parent); ++column) {
            const QModelIndex index = model->index(row, column, parent);
            if (const auto text = index.data(TextRole).value<TranslatedText>())
                model->setData(index, text(), Qt::DisplayRole);
        }
        if (const QModelIndex first = model->index(row, 0, parent); model->hasChildren(first))
            retranslateModel(model, first);
    }
}

} // namespace

TranslatedText resourceText(int number, const QStringList &args)
{
    return [number, args] { return ResourceTexts::instance().Text(number, args); };
}

void setTranslatedText(QObject *target, const TranslatedText &text)
{
    target->setProperty(TextProperty, remember(text));
    showText(target, text ? text() : QString());
}

void setResourceText(QObject *target, int number, const QStringList &args)
{
    setTranslatedText(target, resourceText(number, args));
}

void setTranslatedToolTip(QWidget *widget, const TranslatedText &text)
{
    widget->setProperty(ToolTipProperty, remember(text));
    widget->setToolTip(text ? text() : QString());
}

void setTranslatedTabText(QTabWidget *tabs, int index, const TranslatedText &text)
{
    if (QWidget *page = tabs->widget(index))
        page->setProperty(TabTextProperty, remember(text));
    tabs->setTabText(index, text ? text() : QString());
}

void setTranslatedText(QTreeWidgetItem *item, int column, const TranslatedText &text)
{
    item->setData(column, TextRole, remember(text));
    item->setText(column, text ? text() : QString());
}

void setTranslatedText(QListWidgetItem *item, const TranslatedText &text)
{
    item->setData(TextRole, remember(text));
    item->setText(text ? text() : QString());
}

void addTranslatedItem(QComboBox *box, const TranslatedText &text, const QVariant &data, const QIcon &icon)
{
    box->addItem(icon, text ? text() : QString(), data);
    box->setItemData(box->count() - 1, remember(text), TextRole);
}

void retranslateTexts(QWidget *root)
{
    // Showing a text may delete objects inside (a text view's document does): those are passed by.
    QList<QPointer<QObject>> objects{root};
    for (QObject *object : root->findChildren<QObject *>())
        objects.append(object);
    for (QObject *object : std::as_const(objects)) {
        if (!object)
            continue;
        if (const TranslatedText text = remembered(object, TextProperty))
            showText(object, text());
        if (const TranslatedText tip = remembered(object, ToolTipProperty))
            static_cast<QWidget *>(object)->setToolTip(tip());
        if (auto *tabs = qobject_cast<QTabWidget *>(object))
            retranslateTabs(tabs);
        // A proxy shows the cells of its source, which is retranslated itself.
        else if (auto *model = qobject_cast<QAbstractItemModel *>(object);
                 model && !qobject_cast<QAbstractProxyModel *>(model))
            retranslateModel(model);
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
