#include "sqlsupport.h"

#include "columntypes.h"

#include "hostkit/resourcetexts.h"
#include "hostkit/trace.h"

#include <QRandomGenerator>
#include <QThread>

namespace KvoPlx800SCtl {

QString columnLiteral(const HostKit::Dialect &dialect, int columnType, const Variant &value)
{
    if (!value.hasValue())
        return QStringLiteral("NULL");
    if (ColumnTypes::isText(columnType))
        return dialect.QuoteText(value.toText());
    if (columnType == fcDateTime)
        return dialect.SqlDateLiteral(value.toDate());
    if (columnType == fcBoolean)
        return QString::number(dialect.SqlBooleanValue(value.toBool()));
    return value.toText(); // the number in the C locale
}

HostKit::LockedMessage lockedMessage(int text, int detail)
{
    const auto &texts = HostKit::ResourceTexts::instance();
    return HostKit::MakeLockedMessage(texts.Text(text), texts.Text(detail));
}

void execute(HostKit::Connection &db, const QString &sql, const HostKit::LockedMessage *locked, const QString &what)
{
    if (db.ExecuteSql(sql, locked))
        return;
    const HostKit::SqlError::Kind kind = db.lastSqlError().kind();
    if (db.quietConflicts() && (kind == HostKit::SqlError::Conflict || kind == HostKit::SqlError::ConnectionLost))
        throw RetriedFailure(what + QStringLiteral(": ") + db.lastError());
    fail(what + QStringLiteral(": ") + db.lastError());
}

TransactionScope::~TransactionScope() { rollBack(); }

void TransactionScope::rollBack()
{
    // Cleanup after a failure that is being reported already; a failed rollback adds nothing.
    if (!m_begun || m_committed)
        return;
    const HostKit::SqlError failure = m_db.lastSqlError();
    static_cast<void>(m_savepoint ? m_db.RollbackToSavepoint() : m_db.RollbackTransaction());
    m_begun = false;
    m_db.keepError(failure);
}

void TransactionScope::begin(const HostKit::LockedMessage *locked)
{
    m_locked = locked;
    if (m_db.inTransaction())
        return;
    bool hostTransaction = false;
    if (!m_db.hostTransactionOpen(hostTransaction))
        fail(m_db.lastError());
    if (hostTransaction) {
        if (!m_db.BeginSavepoint(locked))
            fail(QStringLiteral("no savepoint in the host's transaction: ") + m_db.lastError());
        m_savepoint = true;
        m_begun = true;
        return;
    }
    if (!m_db.BeginTransaction(locked))
        fail(QStringLiteral("no transaction: ") + m_db.lastError());
    m_begun = true;
}

void TransactionScope::commit()
{
    if (!m_begun)
        return;
    if (m_savepoint) {
        if (!m_db.ReleaseSavepoint())
            fail(QStringLiteral("the savepoint was not released: ") + m_db.lastError());
        m_committed = true;
        return;
    }
    if (!m_db.CommitTransaction(m_locked))
        fail(QStringLiteral("the transaction was not committed: ") + m_db.lastError());
    m_committed = true;
}

namespace detail {

bool runUnitAgain(HostKit::Connection &db, int attempt)
{
    const HostKit::SqlError::Kind kind = db.lastSqlError().kind();
    const bool retryable = kind == HostKit::SqlError::Conflict || kind == HostKit::SqlError::ConnectionLost;
    if (!retryable || attempt >= HostKit::Connection::ConflictAttempts)
        return false;
    HostKit::Trace::instance().Info(QStringLiteral("Transaction"),
                                    QStringLiteral("The unit of work runs again (attempt %1 of %2) after: %3")
                                            .arg(attempt + 1)
                                            .arg(HostKit::Connection::ConflictAttempts)
                                            .arg(db.lastError()));
    // The other session's work is usually done within milliseconds; a growing pause with some
    // spread keeps two hosts from colliding in step again.
    QThread::msleep(10 * attempt + QRandomGenerator::global()->bounded(10 * attempt));
    return true;
}

} // namespace detail

QString hostTransactionRefusal(HostKit::Connection &db, const QString &what)
{
    bool hostTransaction = false;
    if (!db.hostTransactionOpen(hostTransaction))
        return what + QStringLiteral(" cannot run: ") + db.lastError();
    if (hostTransaction)
        return what + QStringLiteral(" cannot run inside the host's open transaction: its table changes would "
                                     "commit that transaction on some engines. Commit or roll back first.");
    return {};
}

} // namespace KvoPlx800SCtl
