#pragma once

#include "dialect.h"
#include "sqlerror.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>

#include <memory>

namespace KvoPlx800SCtl::HostKit {

class RecordSet;
namespace detail {
class CatalogQueries;
}

/// The two texts shown when a statement meets a record locked by another user (or a busy
/// database): a message and its second line.
struct LockedMessage
{
    QString text;
    QString detail;
};
LockedMessage MakeLockedMessage(const QString &text, const QString &detail);

/// Where a connection goes, parsed from a URL:
///   sqlite:PATH                                               (sqlite::memory: for an in-memory database)
///   postgresql://[user[:password]@]host[:port][,host[:port]].../dbname[?schema=NAME]
///   mariadb://[user[:password]@]host[:port][,host[:port]].../dbname
/// A host is a name, an address or [an IPv6 address]; one without a port takes the engine's default
/// port. Several hosts are tried in the order written (Connection::open). Query options common to
/// all: busy_timeout=MS (SQLite; default 5000). Each engine's schemes and URL form are those of its
/// registration (engines/registry.h).
struct ConnectionUrl
{
    struct Server
    {
        QString host;
        int port = 0; ///< 0: the engine's default
        bool operator==(const Server &) const = default;
    };

    Engine engine = Engine::SQLite;
    QString path;          ///< SQLite file
    QList<Server> servers; ///< in the order they are tried
    QString user;
    QString password;
    QString database;
    QString schema; ///< PostgreSQL schema (search_path); empty = server default
    int busyTimeoutMs = 5000;

    [[nodiscard]] static bool parse(const QString &url, ConnectionUrl *out, QString *error);
    QString toString(bool withPassword = false) const;
    /// The first server (an empty one for a file URL).
    Server server() const { return servers.value(0); }
    /// This URL with only server `index` of its list.
    ConnectionUrl withServer(qsizetype index) const;
};

/// One open database connection with its dialect: the connection of the schema catalog, on which
/// the database helper runs statements. Statements are plain SQL text (no parameters).
class Connection
{
public:
    /// How often a statement outside a transaction, or a unit of work (inTransaction), runs at most
    /// when it keeps losing against other sessions' transactions.
    static constexpr int ConflictAttempts = 5;

    [[nodiscard]] static std::unique_ptr<Connection> open(const QString &url, QString *error);
    [[nodiscard]] static std::unique_ptr<Connection> open(const ConnectionUrl &url, QString *error);
    /// The host's own open connection (or the one registered under `connectionName`), shared: the
    /// library's statements run on it, the dialect follows from its driver and the session stays as
    /// the host set it up. The host keeps it open, and a transaction the host begins on it (through
    /// QSqlDatabase or its driver) stays the host's: the library's units of work become savepoints
    /// in it. The library's Connection never closes a shared connection.
    [[nodiscard]] static std::unique_ptr<Connection> share(const QSqlDatabase &db, QString *error);
    [[nodiscard]] static std::unique_ptr<Connection> share(const QString &connectionName, QString *error);
    ~Connection();

    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    QSqlDatabase &database() { return m_db; }
    /// Reads the session settings that shape literals again (after a host changed sql_mode or
    /// standard_conforming_strings on this connection).
    [[nodiscard]] bool refreshSessionSettings(QString *error = nullptr);
    const Dialect &dialect() const { return *m_dialect; }
    const ConnectionUrl &url() const { return m_url; }
    /// Index in url().servers of the server this connection is on (0 for a file).
    qsizetype serverIndex() const { return m_serverIndex; }
    /// The connection string handed to the database handler's convert request (no password).
    QString ConnectionString() const;

    /// Runs one statement. A busy or locked database, or a conflict with another session, shows
    /// `locked` (when given) through the services helper's message box and fails; any other
    /// failure is logged through the trace service. lastError() tells what went wrong.
    /// PostgreSQL: a statement that fails inside a transaction aborts the transaction, and every
    /// later statement fails until the caller calls RollbackTransaction.
    [[nodiscard]] bool ExecuteSql(const QString &sql, const LockedMessage *locked = nullptr);
    /// Opens the connection again, on the next server of the URL that answers (the same one last; a
    /// single-server URL tries its server again). A transaction that was open is gone: the
    /// statements of its unit of work fail until the caller rolls it back. Statements and catalog
    /// reads call this themselves when they find the connection lost between two operations.
    [[nodiscard]] bool reconnect();
    /// Times reconnect() found a server since the connection opened.
    int reconnectCount() const { return m_reconnectCount; }
    /// Shows the locked-record message (the texts of `locked`) through the services helper.
    static void ShowLockedMessage(const LockedMessage &locked);
    /// While a scope lives, a conflict with another session's transaction is not shown as a
    /// locked record: the unit of work that met it (or lost its connection) runs again
    /// (inTransaction); its last attempt runs without the scope and shows the message.
    bool quietConflicts() const { return m_quietConflicts > 0; }
    class QuietConflicts
    {
    public:
        explicit QuietConflicts(Connection &c) : m_c(c) { ++m_c.m_quietConflicts; }
        ~QuietConflicts() { --m_c.m_quietConflicts; }
        QuietConflicts(const QuietConflicts &) = delete;
        QuietConflicts &operator=(const QuietConflicts &) = delete;

    private:
        Connection &m_c;
    };

    /// The last failure's text (empty after a success), for messages.
    QString lastError() const { return m_lastError.text(); }
    /// The last failure with the engine's codes and its kind.
    const SqlError &lastSqlError() const { return m_lastError; }
    /// Makes `error` the last failure again (after cleanup statements that ran since it).
    void keepError(const SqlError &error) { m_lastError = error; }
    /// Rows changed by the last successful ExecuteSql.
    int rowsAffected() const { return m_rowsAffected; }

    /// One transaction at a time. SQLite takes the write lock when the transaction begins, so a
    /// busy database shows `locked` here. MariaDB commits an open transaction at any DDL statement.
    [[nodiscard]] bool BeginTransaction(const LockedMessage *locked = nullptr);
    /// A commit that loses against another session's transaction shows `locked` (when given).
    [[nodiscard]] bool CommitTransaction(const LockedMessage *locked = nullptr);
    [[nodiscard]] bool RollbackTransaction(); ///< no effect (and true) when no transaction is open
    /// Whether a transaction (or a unit's savepoint, see below) that the library began is open.
    bool inTransaction() const { return m_inTransaction || m_inSavepoint; }

    /// Whether this connection is the host's own (share).
    bool isShared() const { return m_shared; }
    /// Whether the host has a transaction of its own open on a shared connection. False when the
    /// engine cannot tell; lastError() then says so.
    [[nodiscard]] bool hostTransactionOpen(bool &open);
    /// One savepoint at a time inside the host's transaction: a unit of work of the library that
    /// fails rolls back to it and leaves the host's earlier writes alone. While it is open,
    /// inTransaction() is true, so the unit's nested steps join it.
    [[nodiscard]] bool BeginSavepoint(const LockedMessage *locked = nullptr);
    [[nodiscard]] bool ReleaseSavepoint();
    [[nodiscard]] bool RollbackToSavepoint(); ///< no effect (and true) when no savepoint is open
    bool inSavepoint() const { return m_inSavepoint; }

    /// A record set over a whole table, updatable (AddNew/Update/Delete), or nullptr.
    [[nodiscard]] std::unique_ptr<RecordSet> OpenTable(const QString &table);
    /// A static, read-only record set over a query, or nullptr.
    [[nodiscard]] std::unique_ptr<RecordSet> OpenQuery(const QString &sql);

    /// Whether `table` has a row whose `keyField` equals `keyLiteral` (a finished SQL literal).
    /// Returns false when the look-up itself failed; `found` is then false too.
    [[nodiscard]] bool RowExists(const QString &table, const QString &keyField, const QString &keyLiteral, bool &found);

    /// Pair helpers of the database helper. They take finished literals; the field name is quoted
    /// here. An empty literal is written as NULL.
    void AddUpdatePair(QString &setList, const QString &field, const QString &literal) const;
    void AddInsertPair(QString &fieldList, QString &valueList, const QString &field, const QString &literal) const;

    /// Shorthands for the dialect's quoting.
    QString QuoteName(const QString &name) const { return m_dialect->QuoteName(name); }
    QString QuoteText(const QString &text) const { return m_dialect->QuoteText(text); }
    QString QualifiedName(const QString &t, const QString &c) const { return m_dialect->QualifiedName(t, c); }
    QString SqlDateLiteral(const QDateTime &d) const { return m_dialect->SqlDateLiteral(d); }
    int SqlBooleanValue(bool b) const { return m_dialect->SqlBooleanValue(b); }

    /// Statements run since the connection opened; benchmarks and tests count round trips with it.
    qint64 statementCount() const { return m_statementCount; }

private:
    Connection(QSqlDatabase db, std::unique_ptr<Dialect> dialect, ConnectionUrl url, qsizetype serverIndex,
               bool shared = false);
    // Opens `db` on the first server from `first` on (cyclically) that answers and takes writes.
    static bool connectTo(QSqlDatabase &db, Dialect &dialect, const ConnectionUrl &url, qsizetype first,
                          qsizetype *index, QString *why);
    bool execSavepointSql(const QString &sql, const LockedMessage *locked, bool openAfter);
    bool fail(const class QSqlError &error, const QString &sql, const LockedMessage *locked);
    bool failWith(const QString &text);
    // fail() with the error of `query`, unless run() refused it before it reached the driver.
    bool failQuery(const class QSqlQuery &query, const QString &sql, const LockedMessage *locked = nullptr);
    // Runs `sql` on `query`. A connection found lost outside a transaction is opened again and
    // the statement runs once more; inside one, the transaction is marked lost.
    bool run(class QSqlQuery &query, const QString &sql);
    // A statement inside a transaction whose connection was lost: fails at once.
    bool refuseInLostTransaction();
    bool closeForRollback(bool &open);
    friend class detail::CatalogQueries;

    QSqlDatabase m_db;
    std::unique_ptr<Dialect> m_dialect;
    ConnectionUrl m_url;
    SqlError m_lastError;
    int m_rowsAffected = 0;
    bool m_inTransaction = false;
    bool m_inSavepoint = false;
    bool m_transactionLost = false;
    qsizetype m_serverIndex = 0;
    bool m_shared = false;
    int m_reconnectCount = 0;
    int m_quietConflicts = 0;
    qint64 m_statementCount = 0;
};

} // namespace KvoPlx800SCtl::HostKit
