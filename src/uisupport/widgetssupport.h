#pragma once

#include "hostkit/progress.h"

#include <QPointer>
#include <QProgressDialog>

class QWidget;

namespace KvoPlx800SCtl {

// Installs the widgets library into the core and the host kit; call it once, after the
// QApplication exists. It installs:
// - the services helper's message handler: a QMessageBox over the owner window;
// - the clipboard text that Ctrl+V pastes into a search field (QGuiApplication::clipboard);
// - the screen size (the primary screen, 15 twips to a pixel);
// - the idle call of button handlers (pending events run, user input waits);
// - the progress factory: a QProgressDialog when the owner is a window (WidgetFormsInterface);
// - the library's windows behind CSearchFilter::View and the other window requests.
// Calling it again installs the same things again.
void installWidgetsSupport();

// The progress indicator of a window: a linked progress object (it reports through its base as
// well) shown in a window-modal QProgressDialog over the owner. Cancelling the dialog cancels it.
class DialogProgress : public HostKit::LinkedProgress
{
public:
    DialogProgress(IProgress *base, QWidget *owner);
    ~DialogProgress() override;
    DialogProgress(const DialogProgress &) = delete;
    DialogProgress &operator=(const DialogProgress &) = delete;

    bool Cancelled() const override;
    QProgressDialog *dialog() const { return m_dialog; }

private:
    void showState(const QString &text, int done, int total, bool ended);

    QPointer<QProgressDialog> m_dialog;
};

} // namespace KvoPlx800SCtl
