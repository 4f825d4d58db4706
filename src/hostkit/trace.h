#pragma once

#include <QHash>
#include <QList>
#include <QMutex>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

class QLoggingCategory;

namespace KvoPlx800SCtl::HostKit {

struct TraceError
{
    int Number = 0;
    QString Description;
    QString Source; // "module.procedure"
};

// The trace service on Qt logging categories: one category "kvo.<module>" per module. Enter and
// Leave are debug messages (off unless a logging rule switches them on, e.g.
// QT_LOGGING_RULES="kvo.*.debug=true"); reported errors are warnings. Hosts and tests can also
// watch reported errors through sinks.
class Trace
{
public:
    static Trace &instance();

    void Enter(const QString &procedure, const QString &module, const QString &appTitle = {});
    void Leave(const QString &procedure, const QString &module, const QString &appTitle = {});
    void ReportError(const TraceError &error, int line = 0);
    // A plain informational line in a module's category (shown where a rule lets info through).
    void Info(const QString &module, const QString &text);

    using ErrorSink = std::function<void(const TraceError &, int line)>;
    int addErrorSink(ErrorSink sink);
    void removeErrorSink(int id);
    int errorCount() const { return m_errorCount; }

    // The category "kvo.<module>", made on first use and kept for the life of the process. A new
    // category lets through messages of `threshold` and above until logging rules say otherwise;
    // the threshold of an existing category is not changed.
    const QLoggingCategory &category(const QString &module, QtMsgType threshold = QtWarningMsg);
    // Whether Enter and Leave of `module` write anything now. Looked up by the address of the
    // module's name, so that the guard on every procedure costs no string.
    bool isTracing(const char *module);
    // The module part of a "module.procedure" source ("errors" when there is none).
    static QString moduleOf(const QString &source);

private:
    Trace();
    ~Trace();
    Trace(const Trace &) = delete;
    Trace &operator=(const Trace &) = delete;

    struct Category;
    struct Sink
    {
        int id;
        ErrorSink fn;
    };
    void trace(const char *what, const QString &procedure, const QString &module, const QString &appTitle);

    QMutex m_mutex;
    QHash<QString, Category *> m_categories;
    QHash<const void *, const QLoggingCategory *> m_byAddress;
    std::vector<std::unique_ptr<Category>> m_owned;
    QList<Sink> m_sinks;
    int m_nextSink = 1;
    int m_errorCount = 0;
};

} // namespace KvoPlx800SCtl::HostKit
