#pragma once

#include "windowsupport.h"

#include <QDialog>
#include <QStringList>

#include <initializer_list>
#include <optional>

class QBoxLayout;
class QPushButton;

namespace KvoPlx800SCtl {

// A dialog of the library: modal, among the loaded windows while it exists, centred in an owner
// rectangle when it is shown (a rectangle without size: the screen), and the forms-interface
// object of the dialogs and messages it opens in turn. Its texts come from the resource-text
// service by number.
class LibraryDialog : public QDialog
{
    Q_OBJECT

public:
    LibraryDialog(QWidget *parent, const QString &objectName);

    // Centres the dialog in `rect` (twips) now, and again once its frame is known.
    void centreIn(const HostKit::OwnerRect &rect);
    HostKit::IFormsInterface *formsInterface() { return &m_owner; }

protected:
    void showEvent(QShowEvent *event) override;
    // A LanguageChange shows every remembered text (setResourceText, setTranslatedText, makeButton)
    // again.
    void changeEvent(QEvent *event) override;

    static QString text(int number, const QStringList &args = {});
    // A push button named `name` with the text of `number`, in this dialog.
    QPushButton *makeButton(const char *name, int number);
    // The dialog's buttons in a row, or a column, pushed to its end (right or bottom).
    static QBoxLayout *buttonRow(std::initializer_list<QPushButton *> buttons, bool column = false);

private:
    void centre();

    WidgetFormsInterface m_owner{this};
    LoadedWindowRegistration m_registration{this};
    std::optional<HostKit::OwnerRect> m_centreIn;
};

} // namespace KvoPlx800SCtl
