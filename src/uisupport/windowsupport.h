#pragma once

#include "core/windows.h"

#include "hostkit/formsinterface.h"
#include "hostkit/resourcetexts.h"

#include <QIcon>
#include <QPixmap>
#include <QPointer>
#include <QRect>
#include <QStringList>
#include <QVariant>

#include <functional>

class QComboBox;
class QKeyEvent;
class QListWidgetItem;
class QTabWidget;
class QTreeWidgetItem;
class QWidget;

// Helpers shared by the library's windows: twips, pictures, owners and the registry of loaded
// windows.
namespace KvoPlx800SCtl {

// Twips are logical pixels times 15 (96 dpi); everything inside a widget is in logical pixels.
constexpr float toTwips(int pixels) { return float(pixels) * float(HostKit::TwipsPerPixel); }
int toPixels(float twips);
QRect rectFromTwips(const HostKit::OwnerRect &rect);
HostKit::OwnerRect rectToTwips(const QRect &rect);

// The screen as the library sees it (the services helper's screen size), in logical pixels.
QRect screenRect();

// Moves `window` so that its frame is centred in the owner rectangle `owner`, with its top left
// corner on the screen.
void centreInOwner(QWidget *window, const HostKit::OwnerRect &owner);

// The character code a key press gives, as the keystroke check (basValidate::IsKeyAllowed) reads
// it: Backspace 8, Ctrl+C 3, Ctrl+V 22, a printable character its code; -1 for keys that type
// nothing (arrows, Delete ...).
int keystrokeCode(const QKeyEvent *event);

// A text as a window shows it: made anew from the resource texts each time it is shown, so that it
// follows the language installed at the time. resourceText() gives the text of one number; a
// lambda composes several, or fills a text's arguments with other resource texts.
using TranslatedText = std::function<QString()>;
TranslatedText resourceText(int number, const QStringList &args = {});

// Shows `text` on `target` and remembers it there, so that retranslateTexts() shows it again in the
// language installed since: the text of a label, button, action or read-only text view, the title
// of a menu, the window title of any other widget. An empty `text` shows nothing and forgets.
void setTranslatedText(QObject *target, const TranslatedText &text);
void setResourceText(QObject *target, int number, const QStringList &args = {});
// The same for the tool tip of `widget`, the title of tab `index` of `tabs`, a cell of a tree (a
// header section when `item` is the tree's header item) or a list, and an item added to a combo
// box (with its data and icon, which a new language leaves as they are).
void setTranslatedToolTip(QWidget *widget, const TranslatedText &text);
void setTranslatedTabText(QTabWidget *tabs, int index, const TranslatedText &text);
void setTranslatedText(QTreeWidgetItem *item, int column, const TranslatedText &text);
void setTranslatedText(QListWidgetItem *item, const TranslatedText &text);
void addTranslatedItem(QComboBox *box, const TranslatedText &text, const QVariant &data = {}, const QIcon &icon = {});
// Shows every remembered text of `root` and of the objects inside it (widgets, actions, the cells
// and header sections of item models, combo items, tabs) again: the answer of a window of the
// library to a LanguageChange event. Current items, selections and item data stay as they are.
void retranslateTexts(QWidget *root);

// A picture of the resource-text service as a pixmap (null for a null picture).
QPixmap pixmapFromPicture(const HostKit::Picture &picture);
QIcon iconFromPicture(const HostKit::Picture &picture);

// A host window as the forms-interface object that owns the library's dialogs and messages: its
// frame in twips is the owner rectangle.
class WidgetFormsInterface : public HostKit::IFormsInterface
{
public:
    explicit WidgetFormsInterface(QWidget *window);
    HostKit::OwnerRect ownerRect() const override;
    QWidget *window() const { return m_window; }

private:
    QPointer<QWidget> m_window;
};

// The widget that parents a dialog or message of `owner`: the owner's window, else the active
// window of the application (nullptr without one).
QWidget *ownerWidget(HostKit::IFormsInterface *owner);

// Keeps a window of the library in the list of loaded windows while it exists, so that
// CCommon::CloseSCtlForms can hide it. The window must outlive the registration (make it a member).
class LoadedWindowRegistration : public ILoadedWindow
{
public:
    explicit LoadedWindowRegistration(QWidget *window);
    ~LoadedWindowRegistration() override;
    LoadedWindowRegistration(const LoadedWindowRegistration &) = delete;
    LoadedWindowRegistration &operator=(const LoadedWindowRegistration &) = delete;

    bool isWindowVisible() const override;
    void hideWindow() override;

private:
    QPointer<QWidget> m_window;
};

} // namespace KvoPlx800SCtl
