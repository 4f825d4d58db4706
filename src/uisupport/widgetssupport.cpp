#include "widgetssupport.h"

#include "searchfilterwindows.h"
#include "widgetmessagebox.h"
#include "windowsupport.h"

#include "columns/basvalidate.h"
#include "core/windows.h"

#include "hostkit/serviceshelper.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QProgressDialog>
#include <QScreen>

namespace KvoPlx800SCtl {

using namespace HostKit;

namespace {

QSizeF primaryScreenTwips()
{
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QSize size = screen->size();
        return QSizeF(toTwips(size.width()), toTwips(size.height()));
    }
    return QSizeF(toTwips(1024), toTwips(768));
}

QString clipboardText()
{
    const QClipboard *clipboard = QGuiApplication::clipboard();
    return clipboard ? clipboard->text() : QString();
}

void idle() { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); }

std::unique_ptr<IProgress> makeProgress(IFormsInterface *owner, IProgress *base)
{
    if (auto *widgetOwner = dynamic_cast<WidgetFormsInterface *>(owner); widgetOwner && widgetOwner->window())
        return std::make_unique<DialogProgress>(base, widgetOwner->window()->window());
    return std::make_unique<LinkedProgress>(base);
}

} // namespace

void installWidgetsSupport()
{
    static SearchFilterWindows windows;
    ServicesHelper &services = ServicesHelper::instance();
    services.setMessageHandler(&WidgetMessageBox::show);
    services.setProgressFactory(&makeProgress);
    services.setIdleHandler(&idle);
    services.setScreenSizeProvider(&primaryScreenTwips);
    basValidate::setClipboardTextProvider(&clipboardText);
    installSearchFilterWindows(&windows);
}

DialogProgress::DialogProgress(IProgress *base, QWidget *owner)
    : LinkedProgress(base, [this](const QString &text, int done, int total,
                                  bool ended) { showState(text, done, total, ended); }),
      m_dialog(new QProgressDialog(owner))
{
    m_dialog->setWindowModality(Qt::WindowModal);
    m_dialog->setAutoClose(false);
    m_dialog->setAutoReset(false);
    m_dialog->setMinimumDuration(0);
    // A progress dialog shows itself some time after it is made; this one waits for Start.
    m_dialog->reset();
    m_dialog->setLabelText(Text());
    m_dialog->setWindowTitle(ServicesHelper::instance().ApplicationTitle());
}

DialogProgress::~DialogProgress() { delete m_dialog.data(); }

bool DialogProgress::Cancelled() const { return LinkedProgress::Cancelled() || (m_dialog && m_dialog->wasCanceled()); }

void DialogProgress::showState(const QString &text, int done, int total, bool ended)
{
    if (!m_dialog)
        return;
    if (ended) {
        m_dialog->hide();
        return;
    }
    m_dialog->setLabelText(text);
    m_dialog->setRange(0, qMax(0, total));
    if (total > 0)
        m_dialog->setValue(qBound(0, done, total));
    if (!m_dialog->isVisible())
        m_dialog->show();
}

} // namespace KvoPlx800SCtl
