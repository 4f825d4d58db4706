#include "formsinterface.h"

#include "trace.h"

#include <QLoggingCategory>

namespace KvoPlx800SCtl::HostKit {

IFormsInterface::~IFormsInterface() = default;

FormsGlobal &FormsGlobal::instance()
{
    static FormsGlobal global;
    return global;
}

// Lines are written only while the log is enabled. Without a sink of its own they go to the
// "kvo.diagnostic" category, which shows informational lines unless a logging rule hides them.
void FormsGlobal::WriteDiagnosticLine(const QString &line)
{
    if (!m_logEnabled)
        return;
    if (m_sink) {
        m_sink(line);
        return;
    }
    const QLoggingCategory &cat = Trace::instance().category(QStringLiteral("diagnostic"), QtInfoMsg);
    qCInfo(cat).noquote() << line;
}

} // namespace KvoPlx800SCtl::HostKit
