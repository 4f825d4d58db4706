#include "serviceshelper.h"

#include "messagebox.h"
#include "trace.h"

#include <QCoreApplication>
#include <QList>
#include <QLoggingCategory>

#include <algorithm>

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

int ServicesHelper::KeyFilter(int key, const QString &pattern, const QString &refused) const
{
    const char32_t code = char32_t(key);
    if (key <= 0 || refused.toUcs4().contains(code))
        return 0;
    const qsizetype slash = pattern.indexOf(QLatin1Char('/'));
    const QString classes = slash < 0 ? pattern : pattern.left(slash);
    if (slash >= 0 && pattern.mid(slash + 1).toUcs4().contains(code))
        return key;
    const bool letter = QChar::isLetter(code);
    for (const QChar c : classes) {
        switch (c.toUpper().unicode()) {
        case 'U':
            if (letter && !QChar::isLower(code))
                return key;
            break;
        case 'L':
            if (letter && QChar::isLower(code))
                return key;
            break;
        case 'D':
            if (QChar::isNumber(code))
                return key;
            break;
        case 'Z':
            if (code < 0x20 || code == 0x7F)
                return key;
            break;
        default:
            break;
        }
    }
    return 0;
}

bool ServicesHelper::PassesKeyFilter(const QString &text, const QString &pattern, const QString &refused) const
{
    const QList<uint> codes = text.toUcs4();
    return std::all_of(codes.begin(), codes.end(),
                       [&](uint code) { return KeyFilter(int(code), pattern, refused) != 0; });
}

QSizeF ServicesHelper::ScreenSizeTwips() const
{
    if (m_screen)
        return m_screen();
    return QSizeF(1024.0 * TwipsPerPixel, 768.0 * TwipsPerPixel);
}

} // namespace KvoPlx800SCtl::HostKit
