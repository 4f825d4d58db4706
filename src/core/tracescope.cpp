#include "tracescope.h"

#include "hostkit/serviceshelper.h"
#include "hostkit/trace.h"

namespace KvoPlx800SCtl {

using HostKit::Trace;

// With debug output of the module off (the usual case) a scope costs one look-up by address.
TraceScope::TraceScope(const char *procedure, const char *module)
    : m_procedure(procedure), m_module(module), m_tracing(Trace::instance().isTracing(module))
{
    if (m_tracing)
        Trace::instance().Enter(QString::fromLatin1(procedure), QString::fromLatin1(module),
                                HostKit::ServicesHelper::instance().ApplicationTitle());
}

TraceScope::~TraceScope()
{
    if (m_tracing)
        Trace::instance().Leave(QString::fromLatin1(m_procedure), QString::fromLatin1(m_module),
                                HostKit::ServicesHelper::instance().ApplicationTitle());
}

void TraceScope::reportCurrentException() const
{
    HostKit::TraceError error;
    error.Source = QString::fromLatin1(m_module) + QLatin1Char('.') + QString::fromLatin1(m_procedure);
    try {
        throw;
    } catch (const RetriedFailure &f) {
        Trace::instance().Info(QString::fromLatin1(m_module),
                               error.Source + QStringLiteral(": ") + QString::fromStdString(f.what()));
        return;
    } catch (const Failure &f) {
        error.Number = f.number();
        error.Description = QString::fromStdString(f.what());
    } catch (const std::exception &e) {
        error.Number = -1;
        error.Description = QString::fromStdString(e.what());
    } catch (...) {
        error.Number = -1;
        error.Description = QStringLiteral("unknown failure");
    }
    Trace::instance().ReportError(error, 0);
}

void reportNotAvailable(const char *procedure, const char *module, const QString &what)
{
    HostKit::TraceError error;
    error.Number = 0;
    error.Source = QString::fromLatin1(module) + QLatin1Char('.') + QString::fromLatin1(procedure);
    error.Description = what + QStringLiteral(" is not yet available");
    Trace::instance().ReportError(error, 0);
}

} // namespace KvoPlx800SCtl
