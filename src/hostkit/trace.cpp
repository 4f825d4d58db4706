#include "trace.h"

#include <QLoggingCategory>
#include <QMutexLocker>

namespace KvoPlx800SCtl::HostKit {

// A category with the storage of its name: QLoggingCategory keeps only the pointer it is given.
struct Trace::Category
{
    Category(const QString &module, QtMsgType threshold)
        : name(QByteArrayLiteral("kvo.") + module.toUtf8()), category(name.constData(), threshold)
    {}
    const QByteArray name;
    QLoggingCategory category;
};

Trace::Trace() = default;
Trace::~Trace() = default;

Trace &Trace::instance()
{
    static Trace trace;
    return trace;
}

const QLoggingCategory &Trace::category(const QString &module, QtMsgType threshold)
{
    QMutexLocker lock(&m_mutex);
    if (Category *found = m_categories.value(module))
        return found->category;
    auto made = std::make_unique<Category>(module, threshold);
    Category *raw = made.get();
    m_owned.push_back(std::move(made));
    m_categories.insert(module, raw);
    return raw->category;
}

bool Trace::isTracing(const char *module)
{
    const QLoggingCategory *found = nullptr;
    {
        QMutexLocker lock(&m_mutex);
        found = m_byAddress.value(module);
    }
    if (!found) {
        found = &category(QString::fromLatin1(module));
        QMutexLocker lock(&m_mutex);
        m_byAddress.insert(module, found);
    }
    return found->isDebugEnabled();
}

QString Trace::moduleOf(const QString &source)
{
    const qsizetype dot = source.indexOf(QLatin1Char('.'));
    if (dot > 0)
        return source.left(dot);
    return QStringLiteral("errors");
}

// Enter and Leave run on every procedure of the library: with debug output off they cost a hash
// look-up and nothing else.
void Trace::trace(const char *what, const QString &procedure, const QString &module, const QString &appTitle)
{
    const QLoggingCategory &cat = category(module);
    if (!cat.isDebugEnabled())
        return;
    if (appTitle.isEmpty())
        qCDebug(cat).noquote().nospace() << what << ' ' << module << '.' << procedure;
    else
        qCDebug(cat).noquote().nospace() << what << ' ' << module << '.' << procedure << " [" << appTitle << ']';
}

void Trace::Enter(const QString &procedure, const QString &module, const QString &appTitle)
{
    trace("enter", procedure, module, appTitle);
}

void Trace::Leave(const QString &procedure, const QString &module, const QString &appTitle)
{
    trace("leave", procedure, module, appTitle);
}

void Trace::ReportError(const TraceError &error, int line)
{
    const QLoggingCategory &cat = category(moduleOf(error.Source));
    qCWarning(cat).noquote().nospace() << "error " << error.Number << " in " << error.Source << ", line " << line
                                       << ": " << error.Description;
    QList<Sink> sinks;
    {
        QMutexLocker lock(&m_mutex);
        ++m_errorCount;
        sinks = m_sinks; // a sink may add or remove sinks while it runs
    }
    for (const Sink &sink : std::as_const(sinks)) {
        if (sink.fn)
            sink.fn(error, line);
    }
}

void Trace::Info(const QString &module, const QString &text)
{
    const QLoggingCategory &cat = category(module);
    qCInfo(cat).noquote() << text;
}

int Trace::addErrorSink(ErrorSink sink)
{
    QMutexLocker lock(&m_mutex);
    const int id = m_nextSink++;
    m_sinks.append(Sink{id, std::move(sink)});
    return id;
}

void Trace::removeErrorSink(int id)
{
    QMutexLocker lock(&m_mutex);
    m_sinks.removeIf([id](const Sink &sink) { return sink.id == id; });
}

} // namespace KvoPlx800SCtl::HostKit
