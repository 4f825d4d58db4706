#include "recordcount.h"

#include "columns/cfiltercolumns.h"

#include "hostkit/dialect.h"

#include <QSqlError>
#include <QSqlQuery>

namespace KvoPlx800SCtl {

namespace HostQuery {

QString fromClause(const CFilterColumns &columns)
{
    const HostKit::Dialect &db = *columns.dialect();
    const QString base = columns.baseTableName();
    QString from = QStringLiteral("FROM ") + db.QuoteName(base);
    if (columns.HasStandardColumns()) {
        const QString data = columns.SearchDataTableName();
        const QString key = columns.keyFieldName();
        from += QStringLiteral(" LEFT JOIN ") + db.QuoteName(data) + QStringLiteral(" ON ")
                + db.QualifiedName(base, key) + QStringLiteral(" = ") + db.QualifiedName(data, key);
    }
    return from;
}

QString countStatement(const CFilterColumns &columns, const QString &condition, qint64 bound)
{
    QString inner = QStringLiteral("SELECT 1 AS found ") + fromClause(columns);
    if (!condition.isEmpty())
        inner += QStringLiteral(" WHERE ") + condition;
    return QStringLiteral("SELECT COUNT(*) FROM (%1 LIMIT %2) counted").arg(inner).arg(bound + 1);
}

} // namespace HostQuery

RecordCounter::RecordCounter(const CFilterColumns &columns, qint64 bound, QObject *parent)
    : QThread(parent), m_columns(columns), m_bound(bound)
{
    if (const HostKit::Connection *connection = columns.connection())
        m_url = connection->url();
}

RecordCounter::~RecordCounter()
{
    {
        const QMutexLocker lock(&m_mutex);
        m_stopping = true;
        m_pending.reset();
        m_wake.wakeAll();
    }
    wait();
}

int RecordCounter::request(const QString &condition)
{
    const QMutexLocker lock(&m_mutex);
    const int number = ++m_requests;
    if (!m_url || !m_columns.dialect()) {
        // Answered after the caller has the number, like every answer.
        QMetaObject::invokeMethod(
                this, [this, number] { emit failed(number, QStringLiteral("the column set has no connection")); },
                Qt::QueuedConnection);
        return number;
    }
    m_pending = Job{number, HostQuery::countStatement(m_columns, condition, m_bound)};
    if (!isRunning())
        start(QThread::LowPriority);
    m_wake.wakeAll();
    return number;
}

void RecordCounter::run()
{
    std::unique_ptr<HostKit::Connection> db;
    QString openError;
    for (;;) {
        Job job;
        {
            QMutexLocker lock(&m_mutex);
            while (!m_stopping && !m_pending)
                m_wake.wait(&m_mutex);
            if (m_stopping)
                break;
            job = *m_pending;
            m_pending.reset();
        }
        if (!db && openError.isEmpty()) {
            db = HostKit::Connection::open(*m_url, &openError);
            if (!db && openError.isEmpty())
                openError = QStringLiteral("the connection cannot be opened");
        }
        if (!db) {
            emit failed(job.number, openError);
            continue;
        }
        // Plain Qt SQL: the connection's own helpers may show messages, which belong to the
        // window's thread.
        QSqlQuery query(db->database());
        query.setForwardOnly(true);
        if (!query.exec(job.sql) || !query.next()) {
            emit failed(job.number, query.lastError().text());
            continue;
        }
        const qint64 count = query.value(0).toLongLong();
        emit counted(job.number, qMin(count, m_bound), count > m_bound);
    }
}

} // namespace KvoPlx800SCtl
