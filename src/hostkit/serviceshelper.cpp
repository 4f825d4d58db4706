#include "serviceshelper.h"

#include "messagebox.h"
#include "trace.h"

#include <QCoreApplication>
#include <QLoggingCategory>

namespace KvoPlx800SCtl::HostKit {

ServicesHelper &ServicesHelper::instance()
{
    static ServicesHelper helper;
    return helper;
}

ServicesHelper::MessageHandler ServicesHelper::setMessageHandler(MessageHandler handler)
{
    return std::exchange(m_handler, std::move(handler));
}

// Without a handler nobody can answer: the message goes to the "kvo.messages" category and the
// box's default button is taken.
int ServicesHelper::ShowMessage(const QString &text, int style, const QString &title, IFormsInterface *owner,
                                const Picture &picture)
{
    if (m_handler)
        return m_handler({text, style, title, owner, picture});
    const int answer = MsgBox::defaultResult(style);
    const QLoggingCategory &cat = Trace::instance().category(QStringLiteral("messages"));
    qCWarning(cat).noquote().nospace() << "message"
                                       << (title.isEmpty() ? QString()
                                                           : QStringLiteral(" [") + title + QLatin1Char(']'))
                                       << ": " << text << " (answered " << answer << ')';
    return answer;
}

std::unique_ptr<IProgress> ServicesHelper::ProgressIndicator(IFormsInterface *owner, IProgress *base)
{
    if (m_progressFactory)
        return m_progressFactory(owner, base);
    return std::make_unique<LinkedProgress>(base);
}

void ServicesHelper::ReportError(const QString &operation, const QString &message)
{
    m_errors.append(operation.isEmpty() ? message : operation + QLatin1String(": ") + message);
    Trace::instance().ReportError(TraceError{0, message, QStringLiteral("check.") + operation});
}

// Default idle call: let posted events run (a focus change finishes its handling), but no user
// input, so a button handler is never re-entered from here.
void ServicesHelper::Idle()
{
    if (m_idle) {
        m_idle();
        return;
    }
    if (QCoreApplication::instance())
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void ServicesHelper::EditCall()
{
    ++m_editCalls;
    if (m_edit)
        m_edit();
}

QSizeF ServicesHelper::ScreenSizeTwips() const
{
    if (m_screen)
        return m_screen();
    return QSizeF(1024.0 * TwipsPerPixel, 768.0 * TwipsPerPixel);
}

} // namespace KvoPlx800SCtl::HostKit
