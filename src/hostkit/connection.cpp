#include "connection.h"

#include "engines/registry.h"
#include "messagebox.h"
#include "recordset.h"
#include "serviceshelper.h"
#include "statementhook.h"
#include "trace.h"

#include <QAtomicInt>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QThread>
#include <QUrl>

namespace KvoPlx800SCtl::HostKit {

namespace {

const QString kModule = QStringLiteral("Connection");

StatementHook &statementHook()
{
    static StatementHook hook;
    return hook;
}

QString decoded(const QString &text) { return QUrl::fromPercentEncoding(text.toUtf8()); }

QString encoded(const QString &text) { return QString::fromUtf8(QUrl::toPercentEncoding(text)); }

// The URL with any password replaced, for error texts.
QString redacted(const QString &url)
{
    const qsizetype start = url.indexOf(QLatin1String("://"));
    if (start < 0)
        return url;
    const qsizetype slash = url.indexOf(u'/', start + 3);
    const QString authority = url.mid(start + 3, slash < 0 ? -1 : slash - start - 3);
    const qsizetype at = authority.lastIndexOf(u'@');
    const qsizetype colon = authority.indexOf(u':');
    if (at < 0 || colon < 0 || colon > at)
        return url;
    return url.left(start + 3) + authority.left(colon) + QLatin1String(":***") + url.mid(start + 3 + at);
}

// The engines' first schemes as "a, b or c"; `asUrl` writes each as its URLs start ("sqlite:",
// "postgresql://").
QString schemeList(bool asUrl)
{
    QStringList names;
    for (const EngineInfo *info : EngineRegistry::all()) {
        if (!info->schemes.isEmpty())
            names.append(info->schemes.first()
                         + (!asUrl          ? QString()
                            : info->fileUrl ? QStringLiteral(":")
                                            : QStringLiteral("://")));
    }
    const QString last = names.isEmpty() ? QString() : names.takeLast();
    return names.isEmpty() ? last : names.join(QLatin1String(", ")) + QLatin1String(" or ") + last;
}

bool parseOptions(const QString &query, const EngineInfo &engine, ConnectionUrl &url, QString &why)
{
    const QStringList pairs = query.split(u'&', Qt::SkipEmptyParts);
    for (const QString &pair : pairs) {
        const QString key = pair.section(u'=', 0, 0).trimmed();
        const QString value = decoded(pair.section(u'=', 1));
        if (key == u"busy_timeout") {
            bool ok = false;
            const int ms = value.toInt(&ok);
            if (!ok || ms < 0) {
                why = QStringLiteral("busy_timeout must be a number of milliseconds, not \"%1\"").arg(value);
                return false;
            }
            url.busyTimeoutMs = ms;
        } else if (key == u"schema" && engine.schemaOption) {
            if (value.isEmpty()) {
                why = QStringLiteral("the schema option needs a name");
                return false;
            }
            url.schema = value;
        } else {
            why = QStringLiteral("unknown option \"%1\"").arg(key);
            return false;
        }
    }
    return true;
}

// HOST[:PORT] as a URL writes it.
QString serverText(const ConnectionUrl::Server &server)
{
    QString text = server.host.contains(u':') ? u'[' + server.host + u']' : server.host;
    if (server.port > 0)
        text += u':' + QString::number(server.port);
    return text;
}

// One HOST[:PORT] of a server URL; HOST may be [an IPv6 address].
bool parseHost(const QString &hostPort, ConnectionUrl::Server &server, QString &why)
{
    QString portText;
    bool hasPort = false;
    if (hostPort.startsWith(u'[')) {
        const qsizetype close = hostPort.indexOf(u']');
        if (close < 0) {
            why = QStringLiteral("unclosed \"[\" in the host");
            return false;
        }
        server.host = hostPort.mid(1, close - 1);
        const QString after = hostPort.mid(close + 1);
        if (!after.isEmpty() && !after.startsWith(u':')) {
            why = QStringLiteral("unexpected \"%1\" after the host").arg(after);
            return false;
        }
        hasPort = !after.isEmpty();
        portText = after.mid(1);
    } else {
        const qsizetype colon = hostPort.lastIndexOf(u':');
        server.host = colon < 0 ? hostPort : hostPort.left(colon);
        hasPort = colon >= 0;
        portText = hostPort.mid(colon + 1);
    }
    if (server.host.isEmpty()) {
        why = QStringLiteral("no host");
        return false;
    }
    if (hasPort) {
        bool ok = false;
        server.port = portText.toInt(&ok);
        if (!ok || server.port < 1 || server.port > 65535) {
            why = QStringLiteral("bad port \"%1\"").arg(portText);
            return false;
        }
    }
    return true;
}

// user:password@host:port[,host:port...]/dbname of a server URL.
bool parseServer(const QString &rest, ConnectionUrl &url, QString &why)
{
    if (!rest.startsWith(QLatin1String("//"))) {
        why = QStringLiteral("expected \"//\" after the scheme");
        return false;
    }
    const QString body = rest.mid(2);
    const qsizetype slash = body.indexOf(u'/');
    if (slash < 0) {
        why = QStringLiteral("no database name (expected .../dbname)");
        return false;
    }
    const QString authority = body.left(slash);
    url.database = decoded(body.mid(slash + 1));
    if (url.database.isEmpty() || url.database.contains(u'/')) {
        why = url.database.isEmpty() ? QStringLiteral("no database name (expected .../dbname)")
                                     : QStringLiteral("the database name \"%1\" contains a slash").arg(url.database);
        return false;
    }
    QString hostPort = authority;
    const qsizetype at = authority.lastIndexOf(u'@');
    if (at >= 0) {
        const QString userInfo = authority.left(at);
        hostPort = authority.mid(at + 1);
        const qsizetype colon = userInfo.indexOf(u':');
        url.user = decoded(colon < 0 ? userInfo : userInfo.left(colon));
        if (colon >= 0)
            url.password = decoded(userInfo.mid(colon + 1));
        if (url.user.isEmpty()) {
            why = QStringLiteral("a user name is needed before \"@\"");
            return false;
        }
    }
    for (const QString &item : hostPort.split(u',')) {
        ConnectionUrl::Server server;
        if (!parseHost(item, server, why))
            return false;
        url.servers.append(server);
    }
    return true;
}

} // namespace

LockedMessage MakeLockedMessage(const QString &text, const QString &detail) { return LockedMessage{text, detail}; }

// ---------------------------------------------------------------------------------------------
// ConnectionUrl

bool ConnectionUrl::parse(const QString &text, ConnectionUrl *out, QString *error)
{
    ConnectionUrl url;
    QString why;
    const QString trimmed = text.trimmed();
    const qsizetype colon = trimmed.indexOf(u':');
    const QString scheme = colon < 0 ? QString() : trimmed.left(colon).toLower();
    const EngineInfo *engine = colon < 0 ? nullptr : EngineRegistry::findScheme(scheme);
    if (trimmed.isEmpty()) {
        why = QStringLiteral("the URL is empty");
    } else if (!engine) {
        why = colon < 0 ? QStringLiteral("no scheme (expected %1)").arg(schemeList(true))
                        : QStringLiteral("unknown scheme \"%1\" (expected %2)").arg(scheme, schemeList(false));
    } else {
        url.engine = engine->engine;
        QString rest = trimmed.mid(colon + 1);
        // A file path may hold a '?': the options are what follows the last one, when it names one.
        const qsizetype question = engine->fileUrl ? rest.lastIndexOf(u'?') : rest.indexOf(u'?');
        QString options;
        if (question >= 0 && (!engine->fileUrl || rest.mid(question).contains(u'='))) {
            options = rest.mid(question + 1);
            rest.truncate(question);
        }
        if (engine->fileUrl) {
            if (rest.startsWith(QLatin1String("//")))
                rest = rest.mid(2);
            url.path = rest;
            if (url.path.isEmpty())
                why = QStringLiteral("no database file (expected %1:PATH or %1::memory:)").arg(scheme);
        } else {
            parseServer(rest, url, why);
        }
        if (why.isEmpty())
            parseOptions(options, *engine, url, why);
    }
    if (!why.isEmpty()) {
        if (error)
            *error = QStringLiteral("Bad connection URL \"%1\": %2").arg(redacted(trimmed), why);
        return false;
    }
    if (out)
        *out = url;
    return true;
}

QString ConnectionUrl::toString(bool withPassword) const
{
    const EngineInfo *info = EngineRegistry::find(engine);
    const QString scheme = info && !info->schemes.isEmpty() ? info->schemes.first() : QString();
    QString text;
    QStringList options;
    if (info && info->fileUrl) {
        text = scheme + u':' + path;
    } else {
        text = scheme + QLatin1String("://");
        if (!user.isEmpty()) {
            text += encoded(user);
            if (withPassword && !password.isEmpty())
                text += u':' + encoded(password);
            text += u'@';
        }
        QStringList hosts;
        for (const Server &server : servers)
            hosts.append(serverText(server));
        text += hosts.join(u',');
        text += u'/' + encoded(database);
        if (!schema.isEmpty())
            options << QLatin1String("schema=") + encoded(schema);
    }
    if (busyTimeoutMs != 5000)
        options << QStringLiteral("busy_timeout=%1").arg(busyTimeoutMs);
    if (!options.isEmpty())
        text += u'?' + options.join(u'&');
    return text;
}

ConnectionUrl ConnectionUrl::withServer(qsizetype index) const
{
    ConnectionUrl one = *this;
    one.servers = {servers.value(index)};
    return one;
}

// ---------------------------------------------------------------------------------------------
// Connection

Connection::Connection(QSqlDatabase db, std::unique_ptr<Dialect> dialect, ConnectionUrl url, qsizetype serverIndex,
                       bool shared)
    : m_db(std::move(db)), m_dialect(std::move(dialect)), m_url(std::move(url)), m_serverIndex(serverIndex),
      m_shared(shared)
{}

bool Connection::connectTo(QSqlDatabase &db, Dialect &dialect, const ConnectionUrl &url, qsizetype first,
                           qsizetype *index, QString *why)
{
    const qsizetype count = qMax<qsizetype>(1, url.servers.size());
    QStringList failures;
    for (qsizetype n = 0; n < count; ++n) {
        const qsizetype i = (first + n) % count;
        const ConnectionUrl one = url.withServer(i);
        QString failure;
        db.close();
        dialect.setUpDatabase(db, one);
        if (!db.open()) {
            failure = dialect.sqlError(db.lastError()).text();
        } else if (!dialect.openSession(db, one, &failure)) {
            if (failure.isEmpty())
                failure = QStringLiteral("the session could not be configured");
        } else if (!dialect.takesWrites(db)) {
            failure = QStringLiteral("the server takes no writes (a standby in recovery)");
        }
        if (failure.isEmpty()) {
            *index = i;
            return true;
        }
        db.close();
        failures.append(count == 1 ? failure : serverText(one.server()) + QLatin1String(": ") + failure);
    }
    *why = failures.join(QLatin1String("; "));
    return false;
}

Connection::~Connection()
{
    const QString name = m_db.connectionName();
    if (m_inSavepoint)
        static_cast<void>(RollbackToSavepoint());
    if (m_inTransaction)
        m_db.rollback();
    if (m_shared)
        return;
    m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(name);
}

std::unique_ptr<Connection> Connection::open(const QString &url, QString *error)
{
    ConnectionUrl parsed;
    if (!ConnectionUrl::parse(url, &parsed, error))
        return nullptr;
    return open(parsed, error);
}

std::unique_ptr<Connection> Connection::open(const ConnectionUrl &url, QString *error)
{
    static QAtomicInt counter;
    const QString name = QStringLiteral("kvo_connection_%1").arg(counter.fetchAndAddRelaxed(1) + 1);

    const EngineInfo *info = EngineRegistry::find(url.engine);
    if (!info || info->driver.isEmpty()) {
        if (error)
            *error = QStringLiteral("%1 connections are not supported; its dialect only writes statements")
                             .arg(info ? info->name : QString::number(int(url.engine)));
        return nullptr;
    }
    auto dialect = info->createDialect();
    QString why;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(info->driver, name);
        if (!db.isValid()) {
            why = QStringLiteral("the Qt SQL driver %1 is not available").arg(info->driver);
        } else {
            qsizetype index = 0;
            if (connectTo(db, *dialect, url, 0, &index, &why))
                return std::unique_ptr<Connection>(new Connection(db, std::move(dialect), url, index));
        }
    }
    QSqlDatabase::removeDatabase(name);
    if (error)
        *error = QStringLiteral("Cannot open %1: %2").arg(url.toString(false), why);
    return nullptr;
}

std::unique_ptr<Connection> Connection::share(const QSqlDatabase &db, QString *error)
{
    const auto failed = [error](const QString &why) {
        if (error)
            *error = QStringLiteral("Cannot share the host's connection: ") + why;
        return nullptr;
    };
    if (!db.isValid())
        return failed(QStringLiteral("no such connection"));
    if (!db.isOpen())
        return failed(QStringLiteral("the connection \"%1\" is not open").arg(db.connectionName()));
    const EngineInfo *info = EngineRegistry::findDriver(db.driverName());
    if (!info)
        return failed(QStringLiteral("the driver %1 reaches no engine the library knows").arg(db.driverName()));
    ConnectionUrl url;
    url.engine = info->engine;
    if (info->fileUrl) {
        url.path = db.databaseName();
    } else {
        url.servers = {{db.hostName(), qMax(0, db.port())}};
        url.user = db.userName();
        url.database = db.databaseName();
    }
    QSqlDatabase shared = db;
    auto dialect = info->createDialect();
    QString why;
    if (!dialect->readSessionSettings(shared, &why))
        return failed(why.isEmpty() ? QStringLiteral("its session settings cannot be read") : why);
    return std::unique_ptr<Connection>(new Connection(shared, std::move(dialect), url, 0, true));
}

std::unique_ptr<Connection> Connection::share(const QString &connectionName, QString *error)
{
    if (!QSqlDatabase::contains(connectionName)) {
        if (error)
            *error = QStringLiteral("Cannot share the host's connection: no connection is named \"%1\"").arg(connectionName);
        return nullptr;
    }
    return share(QSqlDatabase::database(connectionName, false), error);
}

bool Connection::refreshSessionSettings(QString *error) { return m_dialect->readSessionSettings(m_db, error); }

QString Connection::ConnectionString() const { return m_url.toString(false); }

bool Connection::fail(const QSqlError &error, const QString &sql, const LockedMessage *locked)
{
    m_lastError = m_dialect->sqlError(error);
    // A driver whose connection has closed (after the server ended it) reports nothing at all.
    if (m_lastError.text().isEmpty() && !m_db.isOpen())
        m_lastError = SqlError(SqlError::ConnectionLost, QStringLiteral("The connection to the database is closed"));
    const bool quiet = m_quietConflicts > 0 && m_lastError.kind() == SqlError::Conflict;
    if (locked && m_lastError.metAnotherSession() && !quiet) {
        Trace::instance().Info(kModule, QStringLiteral("Locked: %1 -- %2").arg(m_lastError.text(), sql));
        ShowLockedMessage(*locked);
        return false;
    }
    Trace::instance().Info(kModule, QStringLiteral("Statement failed: %1 -- %2").arg(m_lastError.text(), sql));
    return false;
}

void Connection::ShowLockedMessage(const LockedMessage &locked)
{
    ServicesHelper &services = ServicesHelper::instance();
    services.ShowMessage(locked.text + QLatin1String("\n\n") + locked.detail, MsgBox::vbExclamation | MsgBox::vbOKOnly,
                         services.ApplicationTitle());
}

bool Connection::failQuery(const QSqlQuery &query, const QString &sql, const LockedMessage *locked)
{
    // A statement refused because its transaction was lost never reached the driver.
    if (!query.lastError().isValid() && m_lastError.kind() == SqlError::ConnectionLost)
        return false;
    return fail(query.lastError(), sql, locked);
}

bool Connection::failWith(const QString &text)
{
    m_lastError = SqlError(SqlError::Other, text);
    return false;
}

void setStatementHook(StatementHook hook) { statementHook() = std::move(hook); }

bool Connection::refuseInLostTransaction()
{
    m_lastError = SqlError(SqlError::ConnectionLost,
                           QStringLiteral("The connection was lost inside a transaction; its work was not finished"));
    return false;
}

bool Connection::reconnect()
{
    if (m_shared)
        return failWith(QStringLiteral("The host's own connection is not opened again by the library"));
    QString why;
    qsizetype index = m_serverIndex;
    const qsizetype count = qMax<qsizetype>(1, m_url.servers.size());
    if (!connectTo(m_db, *m_dialect, m_url, (m_serverIndex + 1) % count, &index, &why)) {
        Trace::instance().Info(kModule, QStringLiteral("Reconnect failed: %1").arg(why));
        m_lastError = SqlError(SqlError::ConnectionLost, QStringLiteral("Cannot reconnect: %1").arg(why));
        return false;
    }
    if (inTransaction())
        m_transactionLost = true;
    m_serverIndex = index;
    ++m_reconnectCount;
    Trace::instance().Info(kModule, QStringLiteral("Reconnected to %1").arg(serverText(m_url.servers.value(index))));
    return true;
}

bool Connection::run(QSqlQuery &query, const QString &sql)
{
    if (m_transactionLost)
        return refuseInLostTransaction();
    if (query.exec(sql))
        return true;
    SqlError error = m_dialect->sqlError(query.lastError());
    // A statement of its own that lost against another session's transaction was rolled back
    // whole (a replicated cluster's certification conflict, a deadlock): it runs again.
    for (int attempt = 2; !inTransaction() && error.kind() == SqlError::Conflict && attempt <= ConflictAttempts;
         ++attempt) {
        Trace::instance().Info(kModule, QStringLiteral("Runs again (attempt %1) after: %2").arg(attempt).arg(error.text()));
        QThread::msleep(10 * attempt);
        if (query.exec(sql))
            return true;
        error = m_dialect->sqlError(query.lastError());
    }
    const bool lost = error.kind() == SqlError::ConnectionLost || (error.text().isEmpty() && !m_db.isOpen());
    // The host's own connection is the host's to open again.
    if (!lost || m_shared)
        return false;
    if (inTransaction()) {
        // The server rolled the transaction back; its unit of work may run again as a whole, but
        // never goes on where it stopped.
        m_transactionLost = true;
        static_cast<void>(reconnect());
        return false;
    }
    if (!reconnect())
        return false;
    query = QSqlQuery(m_db);
    query.setForwardOnly(true);
    return query.exec(sql);
}

bool Connection::ExecuteSql(const QString &sql, const LockedMessage *locked)
{
    ++m_statementCount;
    if (const StatementHook &hook = statementHook())
        hook(*this, m_statementCount);
    m_rowsAffected = 0;
    QSqlQuery query(m_db);
    if (!run(query, sql))
        return failQuery(query, sql, locked);
    m_rowsAffected = qMax(0, query.numRowsAffected());
    m_lastError = SqlError();
    return true;
}

bool Connection::BeginTransaction(const LockedMessage *locked)
{
    if (m_inTransaction || m_inSavepoint)
        return failWith(QStringLiteral("A transaction is already open on this connection"));
    bool hostTransaction = false;
    if (!hostTransactionOpen(hostTransaction))
        return false;
    if (hostTransaction)
        return failWith(QStringLiteral("The host's transaction is open on this connection"));
    ++m_statementCount;
    if (const StatementHook &hook = statementHook())
        hook(*this, m_statementCount);
    const QString sql = m_dialect->beginTransactionSql();
    QSqlQuery query(m_db);
    if (sql.isEmpty()) {
        // The driver's own BEGIN; a connection lost since the last statement is opened again first.
        if (!m_db.transaction()) {
            const SqlError error = m_dialect->sqlError(m_db.lastError());
            if (error.kind() != SqlError::ConnectionLost && !(error.text().isEmpty() && !m_db.isOpen()))
                return fail(m_db.lastError(), QStringLiteral("BEGIN"), locked);
            if (!reconnect())
                return false;
            if (!m_db.transaction())
                return fail(m_db.lastError(), QStringLiteral("BEGIN"), locked);
        }
    } else if (!run(query, sql)) {
        return fail(query.lastError(), sql, locked);
    }
    m_inTransaction = true;
    m_transactionLost = false;
    m_lastError = SqlError();
    return true;
}

bool Connection::CommitTransaction(const LockedMessage *locked)
{
    if (!m_inTransaction)
        return failWith(QStringLiteral("No transaction is open on this connection"));
    if (m_transactionLost)
        return refuseInLostTransaction();
    ++m_statementCount;
    if (const StatementHook &hook = statementHook())
        hook(*this, m_statementCount);
    // A failed commit leaves the transaction to the caller's RollbackTransaction.
    if (!m_db.commit()) {
        fail(m_db.lastError(), QStringLiteral("COMMIT"), locked);
        if (m_lastError.kind() == SqlError::ConnectionLost) {
            m_transactionLost = true;
            static_cast<void>(reconnect());
        }
        return false;
    }
    m_inTransaction = false;
    m_lastError = SqlError();
    return true;
}

// Marks the unit that `open` tells of as closed; whether there is something left to roll back on
// the server (a unit was open and the connection that held it was not lost).
bool Connection::closeForRollback(bool &open)
{
    if (!open)
        return false;
    open = false;
    if (m_transactionLost) {
        m_transactionLost = false;
        return false;
    }
    return true;
}

bool Connection::RollbackTransaction()
{
    // A transaction the server ended with the connection leaves nothing to roll back; a later
    // statement opens a new one.
    if (!closeForRollback(m_inTransaction))
        return true;
    ++m_statementCount;
    if (const StatementHook &hook = statementHook())
        hook(*this, m_statementCount);
    if (!m_db.rollback()) {
        // The failure that led here stays the one to tell: an engine may have ended the
        // transaction itself (SQLite does on a full disk), and then there is none to roll back.
        const SqlError earlier = m_lastError;
        fail(m_db.lastError(), QStringLiteral("ROLLBACK"), nullptr);
        if (!earlier.text().isEmpty())
            m_lastError = earlier;
        return false;
    }
    return true;
}

bool Connection::hostTransactionOpen(bool &open)
{
    open = false;
    if (!m_shared || m_inTransaction || m_inSavepoint)
        return true;
    const std::optional<bool> state = m_dialect->transactionOpen(m_db);
    if (!state)
        return failWith(QStringLiteral("Cannot tell whether the host's connection has a transaction open"));
    open = *state;
    return true;
}

// The savepoint statements are the same on every engine with a driver. After one that succeeds,
// the savepoint is open as `openAfter` says.
bool Connection::execSavepointSql(const QString &sql, const LockedMessage *locked, bool openAfter)
{
    if (m_transactionLost)
        return refuseInLostTransaction();
    ++m_statementCount;
    QSqlQuery query(m_db);
    if (!query.exec(sql))
        return fail(query.lastError(), sql, locked);
    m_lastError = SqlError();
    m_inSavepoint = openAfter;
    return true;
}

bool Connection::BeginSavepoint(const LockedMessage *locked)
{
    if (m_inTransaction || m_inSavepoint)
        return failWith(QStringLiteral("A transaction is already open on this connection"));
    return execSavepointSql(QStringLiteral("SAVEPOINT kvo_unit"), locked, true);
}

bool Connection::ReleaseSavepoint()
{
    if (!m_inSavepoint)
        return failWith(QStringLiteral("No savepoint is open on this connection"));
    // A failed release leaves the savepoint to the caller's RollbackToSavepoint.
    return execSavepointSql(QStringLiteral("RELEASE SAVEPOINT kvo_unit"), nullptr, false);
}

bool Connection::RollbackToSavepoint()
{
    // The host's transaction may have gone with the connection.
    if (!closeForRollback(m_inSavepoint))
        return true;
    // Rolling back keeps the savepoint (and PostgreSQL's aborted transaction usable again);
    // releasing it then leaves the host's transaction as it was before the unit began.
    return execSavepointSql(QStringLiteral("ROLLBACK TO SAVEPOINT kvo_unit"), nullptr, false)
           && execSavepointSql(QStringLiteral("RELEASE SAVEPOINT kvo_unit"), nullptr, false);
}

std::unique_ptr<RecordSet> Connection::OpenQuery(const QString &sql)
{
    ++m_statementCount;
    if (const StatementHook &hook = statementHook())
        hook(*this, m_statementCount);
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    if (!run(query, sql)) {
        failQuery(query, sql);
        return nullptr;
    }
    std::unique_ptr<RecordSet> records(new RecordSet);
    records->m_connection = this;
    const QSqlRecord record = query.record();
    for (int i = 0; i < record.count(); ++i)
        records->m_fields << record.fieldName(i);
    while (query.next()) {
        QVector<QVariant> row;
        row.reserve(record.count());
        for (int i = 0; i < record.count(); ++i)
            row << query.value(i);
        records->m_rows << row;
    }
    records->m_open = true;
    m_lastError = SqlError();
    return records;
}

std::unique_ptr<RecordSet> Connection::OpenTable(const QString &table)
{
    auto records = OpenQuery(QLatin1String("SELECT * FROM ") + QuoteName(table));
    if (!records)
        return nullptr;
    records->m_table = table;

    ++m_statementCount;
    if (const StatementHook &hook = statementHook())
        hook(*this, m_statementCount);
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    const QString sql = m_dialect->primaryKeyQuery(table);
    if (!run(query, sql)) {
        failQuery(query, sql);
        return nullptr;
    }
    while (query.next()) {
        const int index = records->fieldIndex(query.value(0).toString());
        if (index >= 0)
            records->m_keyFields << records->m_fields.at(index);
    }
    return records;
}

bool Connection::RowExists(const QString &table, const QString &keyField, const QString &keyLiteral, bool &found)
{
    found = false;
    ++m_statementCount;
    if (const StatementHook &hook = statementHook())
        hook(*this, m_statementCount);
    const QString sql = QLatin1String("SELECT 1 FROM ") + QuoteName(table) + QLatin1String(" WHERE ")
                        + QuoteName(keyField) + QLatin1String(" = ")
                        + (keyLiteral.isEmpty() ? QStringLiteral("NULL") : keyLiteral);
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    if (!run(query, sql))
        return failQuery(query, sql);
    found = query.next();
    m_lastError = SqlError();
    return true;
}

void Connection::AddUpdatePair(QString &setList, const QString &field, const QString &literal) const
{
    if (!setList.isEmpty())
        setList += QLatin1String(", ");
    setList += QuoteName(field) + QLatin1String(" = ") + (literal.isEmpty() ? QStringLiteral("NULL") : literal);
}

void Connection::AddInsertPair(QString &fieldList, QString &valueList, const QString &field,
                               const QString &literal) const
{
    if (!fieldList.isEmpty())
        fieldList += QLatin1String(", ");
    if (!valueList.isEmpty())
        valueList += QLatin1String(", ");
    fieldList += QuoteName(field);
    valueList += literal.isEmpty() ? QStringLiteral("NULL") : literal;
}

} // namespace KvoPlx800SCtl::HostKit
