#include "connection.h"

#include "messagebox.h"
#include "recordset.h"
#include "serviceshelper.h"
#include "trace.h"

#include <QAtomicInt>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUrl>

namespace KvoPlx800SCtl::HostKit {

namespace {

const QString kModule = QStringLiteral("Connection");

struct SchemeInfo
{
    const char *name;
    Engine engine;
};

// Accepted URL schemes; the first of each engine is the one written back.
constexpr SchemeInfo kSchemes[] = {
        {"sqlite", Engine::SQLite},   {"postgresql", Engine::PostgreSQL}, {"postgres", Engine::PostgreSQL},
        {"mariadb", Engine::MariaDB}, {"mysql", Engine::MariaDB},
};

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

QString errorText(const QSqlError &error)
{
    QString text = error.databaseText().trimmed();
    const QString driver = error.driverText().trimmed();
    if (text.isEmpty())
        text = driver;
    else if (!driver.isEmpty() && !text.contains(driver))
        text += QLatin1String(" (") + driver + u')';
    if (!error.nativeErrorCode().isEmpty())
        text += QLatin1String(" [") + error.nativeErrorCode() + u']';
    return text;
}

bool parseOptions(const QString &query, Engine engine, ConnectionUrl &url, QString &why)
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
        } else if (key == u"schema" && engine == Engine::PostgreSQL) {
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

// user:password@host:port/dbname of a server URL.
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
    QString portText;
    if (hostPort.startsWith(u'[')) {
        const qsizetype close = hostPort.indexOf(u']');
        if (close < 0) {
            why = QStringLiteral("unclosed \"[\" in the host");
            return false;
        }
        url.host = hostPort.mid(1, close - 1);
        const QString after = hostPort.mid(close + 1);
        if (!after.isEmpty() && !after.startsWith(u':')) {
            why = QStringLiteral("unexpected \"%1\" after the host").arg(after);
            return false;
        }
        portText = after.mid(1);
        if (after.isEmpty())
            portText.clear();
    } else {
        const qsizetype colon = hostPort.lastIndexOf(u':');
        url.host = colon < 0 ? hostPort : hostPort.left(colon);
        if (colon >= 0)
            portText = hostPort.mid(colon + 1);
    }
    if (url.host.isEmpty()) {
        why = QStringLiteral("no host");
        return false;
    }
    if (hostPort.endsWith(u':') || !portText.isEmpty()) {
        bool ok = false;
        url.port = portText.toInt(&ok);
        if (!ok || url.port < 1 || url.port > 65535) {
            why = QStringLiteral("bad port \"%1\"").arg(portText);
            return false;
        }
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
    bool known = false;
    for (const SchemeInfo &info : kSchemes) {
        if (scheme == QLatin1String(info.name)) {
            url.engine = info.engine;
            known = true;
        }
    }
    if (trimmed.isEmpty()) {
        why = QStringLiteral("the URL is empty");
    } else if (!known) {
        why = colon < 0 ? QStringLiteral("no scheme (expected sqlite:, postgresql:// or mariadb://)")
                        : QStringLiteral("unknown scheme \"%1\" (expected sqlite, postgresql or mariadb)").arg(scheme);
    } else {
        QString rest = trimmed.mid(colon + 1);
        // A file path may hold a '?': the options are what follows the last one, when it names one.
        const qsizetype question = url.engine == Engine::SQLite ? rest.lastIndexOf(u'?') : rest.indexOf(u'?');
        QString options;
        if (question >= 0 && (url.engine != Engine::SQLite || rest.mid(question).contains(u'='))) {
            options = rest.mid(question + 1);
            rest.truncate(question);
        }
        if (url.engine == Engine::SQLite) {
            if (rest.startsWith(QLatin1String("//")))
                rest = rest.mid(2);
            url.path = rest;
            if (url.path.isEmpty())
                why = QStringLiteral("no database file (expected sqlite:PATH or sqlite::memory:)");
        } else {
            parseServer(rest, url, why);
        }
        if (why.isEmpty())
            parseOptions(options, url.engine, url, why);
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
    QString text;
    QStringList options;
    if (engine == Engine::SQLite) {
        text = QLatin1String("sqlite:") + path;
    } else {
        text = engine == Engine::PostgreSQL ? QStringLiteral("postgresql://")
               : engine == Engine::MariaDB  ? QStringLiteral("mariadb://")
                                            : QStringLiteral("sqlserver://");
        if (!user.isEmpty()) {
            text += encoded(user);
            if (withPassword && !password.isEmpty())
                text += u':' + encoded(password);
            text += u'@';
        }
        text += host.contains(u':') ? u'[' + host + u']' : host;
        if (port > 0)
            text += u':' + QString::number(port);
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

// ---------------------------------------------------------------------------------------------
// Connection

Connection::Connection(QSqlDatabase db, std::unique_ptr<Dialect> dialect, ConnectionUrl url)
    : m_db(std::move(db)), m_dialect(std::move(dialect)), m_url(std::move(url))
{}

Connection::~Connection()
{
    const QString name = m_db.connectionName();
    if (m_inTransaction)
        m_db.rollback();
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

    QString driver;
    QString options;
    switch (url.engine) {
    case Engine::SQLite:
        driver = QStringLiteral("QSQLITE");
        options = QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(url.busyTimeoutMs);
        break;
    case Engine::PostgreSQL:
        driver = QStringLiteral("QPSQL");
        options = QStringLiteral("connect_timeout=10");
        break;
    case Engine::MariaDB:
        driver = QStringLiteral("QMARIADB");
        // Affected rows count the rows matched, so an UPDATE that writes the same values still
        // reports its row.
        options = QStringLiteral("CLIENT_FOUND_ROWS;MYSQL_OPT_CONNECT_TIMEOUT=10");
        break;
    case Engine::SQLServer:
        if (error)
            *error = QStringLiteral("SQL Server connections are not supported; its dialect only writes statements");
        return nullptr;
    }

    auto dialect = Dialect::create(url.engine);
    QString why;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(driver, name);
        if (!db.isValid()) {
            why = QStringLiteral("the Qt SQL driver %1 is not available").arg(driver);
        } else {
            db.setConnectOptions(options);
            if (url.engine == Engine::SQLite) {
                db.setDatabaseName(url.path);
            } else {
                db.setHostName(url.host);
                if (url.port > 0)
                    db.setPort(url.port);
                db.setUserName(url.user);
                db.setPassword(url.password);
                db.setDatabaseName(url.database);
            }
            if (!db.open()) {
                why = errorText(db.lastError());
            } else if (!dialect->configure(db, &why)) {
                if (why.isEmpty())
                    why = QStringLiteral("the session could not be configured");
            } else if (!url.schema.isEmpty()) {
                QSqlQuery query(db);
                if (!query.exec(QLatin1String("SET search_path TO ") + dialect->QuoteName(url.schema)))
                    why = errorText(query.lastError());
            }
            if (why.isEmpty())
                return std::unique_ptr<Connection>(new Connection(db, std::move(dialect), url));
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(name);
    if (error)
        *error = QStringLiteral("Cannot open %1: %2").arg(url.toString(false), why);
    return nullptr;
}

bool Connection::refreshSessionSettings(QString *error) { return m_dialect->configure(m_db, error); }

QString Connection::ConnectionString() const { return m_url.toString(false); }

bool Connection::isLockError(const QSqlError &error) const
{
    return m_dialect->isLockError(error.nativeErrorCode(), error.text());
}

bool Connection::fail(const QSqlError &error, const QString &sql, const LockedMessage *locked)
{
    m_lastError = errorText(error);
    if (locked && isLockError(error)) {
        Trace::instance().Info(kModule, QStringLiteral("Locked: %1 -- %2").arg(m_lastError, sql));
        ServicesHelper &services = ServicesHelper::instance();
        services.ShowMessage(locked->text + QLatin1String("\n\n") + locked->detail,
                             MsgBox::vbExclamation | MsgBox::vbOKOnly, services.ApplicationTitle());
        return false;
    }
    Trace::instance().Info(kModule, QStringLiteral("Statement failed: %1 -- %2").arg(m_lastError, sql));
    return false;
}

bool Connection::ExecuteSql(const QString &sql, const LockedMessage *locked)
{
    ++m_statementCount;
    m_rowsAffected = 0;
    QSqlQuery query(m_db);
    if (!query.exec(sql))
        return fail(query.lastError(), sql, locked);
    m_rowsAffected = qMax(0, query.numRowsAffected());
    m_lastError.clear();
    return true;
}

bool Connection::BeginTransaction(const LockedMessage *locked)
{
    if (m_inTransaction) {
        m_lastError = QStringLiteral("A transaction is already open on this connection");
        return false;
    }
    ++m_statementCount;
    const QString sql = m_dialect->beginTransactionSql();
    if (sql.isEmpty()) {
        if (!m_db.transaction())
            return fail(m_db.lastError(), QStringLiteral("BEGIN"), locked);
    } else {
        QSqlQuery query(m_db);
        if (!query.exec(sql))
            return fail(query.lastError(), sql, locked);
    }
    m_inTransaction = true;
    m_lastError.clear();
    return true;
}

bool Connection::CommitTransaction()
{
    if (!m_inTransaction) {
        m_lastError = QStringLiteral("No transaction is open on this connection");
        return false;
    }
    ++m_statementCount;
    // A failed commit leaves the transaction to the caller's RollbackTransaction.
    if (!m_db.commit())
        return fail(m_db.lastError(), QStringLiteral("COMMIT"), nullptr);
    m_inTransaction = false;
    m_lastError.clear();
    return true;
}

bool Connection::RollbackTransaction()
{
    if (!m_inTransaction)
        return true;
    ++m_statementCount;
    m_inTransaction = false;
    if (!m_db.rollback())
        return fail(m_db.lastError(), QStringLiteral("ROLLBACK"), nullptr);
    return true;
}

std::unique_ptr<RecordSet> Connection::OpenQuery(const QString &sql)
{
    ++m_statementCount;
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    if (!query.exec(sql)) {
        fail(query.lastError(), sql, nullptr);
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
    m_lastError.clear();
    return records;
}

std::unique_ptr<RecordSet> Connection::OpenTable(const QString &table)
{
    auto records = OpenQuery(QLatin1String("SELECT * FROM ") + QuoteName(table));
    if (!records)
        return nullptr;
    records->m_table = table;

    ++m_statementCount;
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    const QString sql = m_dialect->primaryKeyQuery(table);
    if (!query.exec(sql)) {
        fail(query.lastError(), sql, nullptr);
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
    const QString sql = QLatin1String("SELECT 1 FROM ") + QuoteName(table) + QLatin1String(" WHERE ")
                        + QuoteName(keyField) + QLatin1String(" = ")
                        + (keyLiteral.isEmpty() ? QStringLiteral("NULL") : keyLiteral);
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    if (!query.exec(sql))
        return fail(query.lastError(), sql, nullptr);
    found = query.next();
    m_lastError.clear();
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
