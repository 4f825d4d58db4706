#include "testdatabases.h"

#include "hostkit/recordset.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using KvoPlx800SCtl::HostKit::Catalog;
using KvoPlx800SCtl::HostKit::Connection;
using KvoPlx800SCtl::HostKit::ConnectionUrl;

namespace KvoTest {

namespace {

QString adminUrlOf(const QString &engine)
{
    if (engine == u"postgresql")
        return qEnvironmentVariable("KVO_TEST_PG_URL");
    if (engine == u"mariadb")
        return qEnvironmentVariable("KVO_TEST_MARIADB_URL");
    return {};
}

// Whether the running test class asked for engine rows (global data is only there then).
bool g_engineRows = false;

// Runs one statement on a fresh admin connection.
bool runAdmin(const QString &adminUrl, const QString &sql, QString *error)
{
    auto admin = Connection::open(adminUrl, error);
    if (!admin)
        return false;
    if (!admin->ExecuteSql(sql)) {
        if (error)
            *error = admin->lastError();
        return false;
    }
    return true;
}

} // namespace

TestDatabase::~TestDatabase()
{
    catalog.reset();
    connection.reset();
    if (!dropStatement.isEmpty()) {
        QString error;
        if (!runAdmin(adminUrl, dropStatement, &error))
            qWarning("Test database not dropped: %s", qPrintable(error));
    }
    if (!tempDir.isEmpty())
        QDir(tempDir).removeRecursively();
}

std::unique_ptr<Connection> TestDatabase::openSecond() const
{
    QString error;
    auto second = Connection::open(url, &error);
    if (!second)
        qWarning("Second connection failed: %s", qPrintable(error));
    return second;
}

QStringList configuredEngines()
{
    QStringList engines{QStringLiteral("sqlite")};
    for (const QString &engine : {QStringLiteral("postgresql"), QStringLiteral("mariadb")}) {
        if (!adminUrlOf(engine).isEmpty())
            engines << engine;
    }
    return engines;
}

void addEngineRows()
{
    g_engineRows = true;
    QTest::addColumn<QString>("engine");
    for (const QString &engine : configuredEngines())
        QTest::newRow(qPrintable(engine)) << engine;
}

QString currentEngine()
{
    // Global data exists in test functions, not in initTestCase/cleanupTestCase.
    const char *function = QTest::currentTestFunction();
    if (!g_engineRows || !function || qstrcmp(function, "initTestCase") == 0
        || qstrcmp(function, "cleanupTestCase") == 0)
        return QStringLiteral("sqlite");
    return *static_cast<QString *>(QTest::qGlobalData("engine", qMetaTypeId<QString>()));
}

std::unique_ptr<TestDatabase> open(const QString &engineName)
{
    static int serial = 0;
    const QString engine = engineName.isEmpty() ? currentEngine() : engineName;
    auto db = std::make_unique<TestDatabase>();
    db->engine = engine;
    QString error;

    if (engine == u"sqlite") {
        QTemporaryDir dir(QDir::tempPath() + QLatin1String("/kvo_t_XXXXXX"));
        if (!dir.isValid()) {
            qWarning("No temporary folder for the SQLite test database");
            return nullptr;
        }
        dir.setAutoRemove(false);
        db->tempDir = dir.path();
        db->url = QLatin1String("sqlite:") + dir.filePath(QStringLiteral("test.db"));
    } else {
        db->adminUrl = adminUrlOf(engine);
        ConnectionUrl url;
        if (db->adminUrl.isEmpty() || !ConnectionUrl::parse(db->adminUrl, &url, &error)) {
            qWarning("No usable URL for engine %s: %s", qPrintable(engine), qPrintable(error));
            return nullptr;
        }
        const QString name = QStringLiteral("kvo_t_%1_%2").arg(QCoreApplication::applicationPid()).arg(++serial);
        auto admin = Connection::open(url, &error);
        if (!admin) {
            qWarning("%s", qPrintable(error));
            return nullptr;
        }
        const QString quoted = admin->QuoteName(name);
        QString create;
        if (engine == u"postgresql") {
            create = QLatin1String("CREATE SCHEMA ") + quoted;
            db->dropStatement = QLatin1String("DROP SCHEMA IF EXISTS ") + quoted + QLatin1String(" CASCADE");
            url.schema = name;
        } else {
            create = QLatin1String("CREATE DATABASE ") + quoted + QLatin1String(" CHARACTER SET utf8mb4");
            db->dropStatement = QLatin1String("DROP DATABASE IF EXISTS ") + quoted;
            url.database = name;
        }
        // A schema left over by an earlier run with the same process id goes first.
        if (!admin->ExecuteSql(db->dropStatement) || !admin->ExecuteSql(create)) {
            qWarning("Cannot create the test database %s: %s", qPrintable(name), qPrintable(admin->lastError()));
            db->dropStatement.clear();
            return nullptr;
        }
        db->url = url.toString(true);
    }

    db->connection = Connection::open(db->url, &error);
    if (!db->connection) {
        qWarning("%s", qPrintable(error));
        return nullptr;
    }
    db->catalog = std::make_unique<Catalog>(*db->connection);
    tally(engine);
    return db;
}

bool exec(Connection &connection, const QString &sql)
{
    if (connection.ExecuteSql(sql))
        return true;
    const QByteArray message = QStringLiteral("SQL failed on %1: %2\n  %3")
                                       .arg(connection.dialect().engineName(), connection.lastError(), sql)
                                       .toUtf8();
    QTest::qFail(message.constData(), __FILE__, __LINE__);
    return false;
}

QString sql(Connection &connection, const QString &text)
{
    QString out;
    QChar quote; // the quote character of the text or name being copied; null outside one
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar ch = text.at(i);
        const qsizetype end = ch == u'[' && quote.isNull() ? text.indexOf(u']', i) : -1;
        if (end > i) {
            out += connection.QuoteName(text.mid(i + 1, end - i - 1));
            i = end;
            continue;
        }
        if (ch == quote)
            quote = QChar();
        else if (quote.isNull() && (ch == u'\'' || ch == u'"' || ch == u'`'))
            quote = ch;
        out += ch;
    }
    return out;
}

bool run(Connection &connection, const QString &text)
{
    return exec(connection, sql(connection, text));
}

QVariant cell(Connection &connection, const QString &text)
{
    auto rs = connection.OpenQuery(sql(connection, text));
    return rs && !rs->EOF() ? rs->value(0) : QVariant();
}

QStringList rows(Connection &connection, const QString &text)
{
    auto rs = connection.OpenQuery(sql(connection, text));
    if (!rs)
        return {QStringLiteral("error: ") + connection.lastError()};
    QStringList out;
    for (; !rs->EOF(); rs->MoveNext()) {
        QStringList fields;
        for (int i = 0; i < rs->fieldCount(); ++i)
            fields.append(rs->value(i).isNull() ? QStringLiteral("~") : rs->value(i).toString());
        out.append(fields.join(u'|'));
    }
    return out;
}

QStringList fieldNames(Catalog &catalog, const QString &table)
{
    catalog.Refresh();
    QStringList names;
    if (const auto t = catalog.FindTable(table)) {
        for (const auto &column : t->Columns)
            names.append(column.Name);
    }
    return names;
}

bool tableExists(Catalog &catalog, const QString &table)
{
    catalog.Refresh();
    return catalog.FindTable(table) != nullptr;
}

void tally(const QString &engine)
{
    const QString path = qEnvironmentVariable("KVO_TEST_TALLY");
    if (path.isEmpty())
        return;
    QFile file(path);
    if (!file.open(QIODevice::Append | QIODevice::Text))
        return;
    const QString executable = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    const char *function = QTest::currentTestFunction();
    file.write(QStringLiteral("%1 %2 %3\n")
                       .arg(engine, executable, QString::fromLatin1(function ? function : "-"))
                       .toUtf8());
}

} // namespace KvoTest
