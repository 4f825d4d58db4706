#pragma once

#include "hostkit/connection.h"

#include <QMutex>
#include <QString>
#include <QThread>
#include <QWaitCondition>

#include <optional>

namespace KvoPlx800SCtl {

class CFilterColumns;

// The query a host runs over its base table, as the library's SQL fragments make it up: the base
// table joined with its search-data table (SQLSearchTable, SQLSearchJoinOn).
namespace HostQuery {

// "FROM base [LEFT JOIN search-data ON key = key]".
QString fromClause(const CFilterColumns &columns);
// A statement whose one value is the number of the host query's records that `condition` selects
// (every record when it is empty), counted up to `bound` + 1 so that a large result stops early.
QString countStatement(const CFilterColumns &columns, const QString &condition, qint64 bound);

} // namespace HostQuery

// Counts the records a filter selects away from the window's thread, on a connection of its own to
// the same database, so that a window keeps taking keystrokes while a count over a large table runs.
// Requests replace one another: a request made while a count runs waits, and a newer one replaces
// it, so at most one count runs and one waits. A count stops at `bound` + 1 records, so a filter
// that selects many records is answered early. The counter ends with its object; a count that runs
// then is waited for (it is bounded, and the host runs the same query next anyway).
class RecordCounter : public QThread
{
    Q_OBJECT

public:
    static constexpr qint64 DefaultBound = 10000;

    // Counts on the database of `columns`' connection; nothing is counted without one.
    explicit RecordCounter(const CFilterColumns &columns, qint64 bound = DefaultBound, QObject *parent = nullptr);
    ~RecordCounter() override;

    qint64 bound() const { return m_bound; }
    // Asks for the count of the records `condition` selects (empty: every record). Returns the
    // request's number, which the answer carries.
    int request(const QString &condition);

signals:
    // `count` records, or more than `bound` when `more` is set.
    void counted(int request, qint64 count, bool more);
    void failed(int request, const QString &error);

protected:
    void run() override;

private:
    struct Job
    {
        int number;
        QString sql;
    };

    const CFilterColumns &m_columns;
    std::optional<HostKit::ConnectionUrl> m_url;
    const qint64 m_bound;
    QMutex m_mutex;
    QWaitCondition m_wake;
    std::optional<Job> m_pending;
    int m_requests = 0;
    bool m_stopping = false;
};

} // namespace KvoPlx800SCtl
