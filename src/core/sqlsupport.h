#pragma once

#include "tracescope.h"
#include "variant.h"

#include "hostkit/connection.h"
#include "hostkit/dialect.h"

#include <QString>

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
    // Whether this unit runs as a savepoint in the host's transaction (a failure is final there:
    // nothing may retry it).
    bool isSavepoint() const { return m_savepoint; }

private:
    HostKit::Connection &m_db;
    bool m_begun = false;
    bool m_savepoint = false;
    bool m_committed = false;
};

// Runs `body` inside a transaction (the caller's, when one is open): committed when `body` ends,
// rolled back when it fails.
template <typename Body>
void inTransaction(HostKit::Connection &db, const HostKit::LockedMessage &locked, Body &&body)
{
    TransactionScope transaction(db);
    transaction.begin(&locked);
    body();
    transaction.commit();
}

// Why `what`, which changes tables, may not run now: the host has its own transaction open on `db`
// (DDL would commit it on engines that commit at DDL), or the engine cannot tell. Empty: it may.
QString hostTransactionRefusal(HostKit::Connection &db, const QString &what);

// Whether a procedure called meanwhile reported a failure: the library's procedures trap their
// failures and only tell the trace service.
class NestedFailures
{
public:
    NestedFailures();
    bool any() const;

private:
    int m_before;
};

} // namespace KvoPlx800SCtl
