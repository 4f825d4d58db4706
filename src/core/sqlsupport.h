#pragma once

#include "tracescope.h"
#include "variant.h"

#include "hostkit/connection.h"
#include "hostkit/dialect.h"

#include <QString>

#include <optional>

// Small pieces every part of the library that writes to the database shares.
namespace KvoPlx800SCtl {

// The SQL literal of a value of a column type: NULL for Empty and Null, else a quoted text, a date
// literal, a Boolean's integer or the number in the C locale. The value must be of the column's
// type already (Convert::toColumnType).
QString columnLiteral(const HostKit::Dialect &dialect, int columnType, const Variant &value);

// The locked-record message made of two resource texts.
HostKit::LockedMessage lockedMessage(int text, int detail);

// Runs one statement; a failure ends the procedure with `what` and the connection's error (read
// after the statement ran).
void execute(HostKit::Connection &db, const QString &sql, const HostKit::LockedMessage *locked, const QString &what);

// Rolls back a transaction begun here unless it was committed. A transaction the caller has open is
// joined instead (its owner commits or rolls back). Inside the host's own transaction (a shared
// connection) the unit is a savepoint: released at commit, else rolled back to, so a failure undoes
// only this unit and leaves the host's transaction open.
class TransactionScope
{
public:
    explicit TransactionScope(HostKit::Connection &db) : m_db(db) {}
    ~TransactionScope();
    TransactionScope(const TransactionScope &) = delete;
    TransactionScope &operator=(const TransactionScope &) = delete;

    void begin(const HostKit::LockedMessage *locked);
    void commit();
    // Rolls back now a transaction begun here (the error that ended it stays the connection's).
    void rollBack();
    // Whether this unit runs as a savepoint in the host's transaction (a failure is final there:
    // nothing may retry it).
    bool isSavepoint() const { return m_savepoint; }

private:
    HostKit::Connection &m_db;
    const HostKit::LockedMessage *m_locked = nullptr;
    bool m_begun = false;
    bool m_savepoint = false;
    bool m_committed = false;
};

namespace detail {
// After a failed attempt of a unit of work (rolled back already): whether to run it again. A
// conflict or a lost connection is worth another attempt while attempts remain (after a short
// pause).
bool runUnitAgain(HostKit::Connection &db, int attempt);
} // namespace detail

// Runs `body` as one unit of work inside a transaction: committed when `body` ends, rolled back
// when it fails. When it lost against another session's transaction (at any statement or at
// COMMIT) or its connection was lost, it runs again from its start, up to
// Connection::ConflictAttempts times; `body` must therefore do its whole work on every run. The
// attempts before the last fail quietly; a conflict in the last one shows `locked`, as a record
// locked by another user does. Inside a transaction the caller has open, `body` joins it and the
// caller's unit runs again instead; inside the host's own transaction (a savepoint) it runs once.
template <typename Body>
void inTransaction(HostKit::Connection &db, const HostKit::LockedMessage &locked, Body &&body)
{
    if (db.inTransaction()) {
        body();
        return;
    }
    for (int attempt = 1;; ++attempt) {
        std::optional<HostKit::Connection::QuietConflicts> quiet;
        if (attempt < HostKit::Connection::ConflictAttempts)
            quiet.emplace(db);
        TransactionScope transaction(db);
        try {
            transaction.begin(&locked);
            // Inside the host's transaction a failure is final: it shows as it comes.
            if (transaction.isSavepoint())
                quiet.reset();
            body();
            transaction.commit();
            return;
        } catch (const Failure &failure) {
            const bool savepoint = transaction.isSavepoint();
            transaction.rollBack();
            if (!savepoint && detail::runUnitAgain(db, attempt))
                continue;
            // Given up: from here on it is a failure like any other.
            if (dynamic_cast<const RetriedFailure *>(&failure))
                throw Failure(QString::fromStdString(failure.what()), failure.number());
            throw;
        }
    }
}

// Why `what`, which changes tables, may not run now: the host has its own transaction open on `db`
// (DDL would commit it on engines that commit at DDL), or the engine cannot tell. Empty: it may.
QString hostTransactionRefusal(HostKit::Connection &db, const QString &what);

} // namespace KvoPlx800SCtl
