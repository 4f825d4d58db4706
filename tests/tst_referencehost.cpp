// The reference host the tools, tests and benchmarks share: engine short names, scratch databases,
// session statements on every connection, the bulk row writer and the host's user profile.
#include "testdatabases.h"
#include "testhost.h"

#include "referencehost/tables.h"

#include "hostkit/recordset.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

using namespace KvoPlx800SCtl::HostKit;
using namespace Qt::StringLiterals;

namespace {

// Whether the scratch database behind `url` is still there: its file on SQLite, its schema or
// database on a server. Nothing when the server cannot be asked.
std::optional<bool> exists(Engine engine, const QString &url)
{
    ConnectionUrl parsed;
    QString error;
    if (!ConnectionUrl::parse(url, &parsed, &error))
        return std::nullopt;
    if (engine == Engine::SQLite)
        return QFileInfo::exists(parsed.path);
    auto admin = Connection::open(KvoHost::serverUrl(engine), &error);
    const QString name = engine == Engine::PostgreSQL ? parsed.schema : parsed.database;
    auto found = admin ? admin->OpenQuery(u"SELECT COUNT(*) FROM information_schema.schemata WHERE schema_name = "_s
                                          + admin->QuoteText(name))
                       : nullptr;
    if (!found || found->EOF())
        return std::nullopt;
    return found->value(0).toInt() == 1;
}

// Removes a scratch database that was kept.
bool dropKept(Engine engine, const QString &url)
{
    ConnectionUrl parsed;
    QString error;
    if (!ConnectionUrl::parse(url, &parsed, &error))
        return false;
    if (engine == Engine::SQLite)
        return QDir(QFileInfo(parsed.path).absolutePath()).removeRecursively();
    auto admin = Connection::open(KvoHost::serverUrl(engine), &error);
    return admin
           && admin->ExecuteSql(engine == Engine::PostgreSQL
                                        ? u"DROP SCHEMA "_s + admin->QuoteName(parsed.schema) + u" CASCADE"_s
                                        : u"DROP DATABASE "_s + admin->QuoteName(parsed.database));
}

} // namespace

class TestReferenceHost : public QObject
{
    Q_OBJECT

private slots:
    // Tally files, data-row names and command lines spell the engines this way.
    void engineShortNames_data()
    {
        QTest::addColumn<Engine>("engine");
        QTest::addColumn<QString>("name");
        QTest::newRow("sqlite") << Engine::SQLite << u"sqlite"_s;
        QTest::newRow("postgresql") << Engine::PostgreSQL << u"postgresql"_s;
        QTest::newRow("mariadb") << Engine::MariaDB << u"mariadb"_s;
        QTest::newRow("sqlserver") << Engine::SQLServer << u"sqlserver"_s;
    }

    void engineShortNames()
    {
        QFETCH(Engine, engine);
        QFETCH(QString, name);
        QCOMPARE(KvoHost::shortName(engine), name);
        QVERIFY(KvoHost::engineNamed(name.toUpper()) == engine);
        QVERIFY(!KvoHost::engineNamed(name + u'x'));
    }

    void scratchDatabaseIsDroppedUnlessKept_data()
    {
        QTest::addColumn<Engine>("engine");
        QTest::addColumn<bool>("keep");
        for (const Engine engine : KvoTest::configuredEngines()) {
            const QString name = KvoHost::shortName(engine);
            QTest::newRow(qPrintable(name)) << engine << false;
            QTest::newRow(qPrintable(name + u" kept"_s)) << engine << true;
        }
    }

    void scratchDatabaseIsDroppedUnlessKept()
    {
        QFETCH(Engine, engine);
        QFETCH(bool, keep);
        KvoTest::tally(engine);
        QString error;
        auto db = KvoHost::ScratchDatabase::create(engine, {.prefix = u"kvo_t"_s, .keep = keep}, &error);
        QVERIFY2(db, qPrintable(error));
        QCOMPARE(db->engine(), engine);
        QVERIFY(KvoTest::run(*db->connection, u"CREATE TABLE [T] ([Id] INTEGER)"_s));
        const QString url = db->url();
        QCOMPARE(exists(engine, url), std::optional(true));
        db.reset();
        QCOMPARE(exists(engine, url), std::optional(keep));
        if (keep)
            QVERIFY(dropKept(engine, url));
    }

    void sessionStatementsRunOnEveryConnection_data()
    {
        QTest::addColumn<Engine>("engine");
        QTest::addColumn<QString>("statement");
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("expected");
        const QString mark = u"kvo_mark"_s;
        for (const Engine engine : KvoTest::configuredEngines()) {
            const QByteArray row = KvoHost::shortName(engine).toUtf8();
            if (engine == Engine::SQLite)
                QTest::newRow(row.constData())
                        << engine << u"PRAGMA cache_size = -1234"_s << u"PRAGMA cache_size"_s << u"-1234"_s;
            else if (engine == Engine::PostgreSQL)
                QTest::newRow(row.constData())
                        << engine << u"SET application_name = 'kvo_mark'"_s << u"SHOW application_name"_s << mark;
            else
                QTest::newRow(row.constData()) << engine << u"SET @mark = 'kvo_mark'"_s << u"SELECT @mark"_s << mark;
        }
    }

    void sessionStatementsRunOnEveryConnection()
    {
        QFETCH(Engine, engine);
        QFETCH(QString, statement);
        QFETCH(QString, query);
        QFETCH(QString, expected);
        KvoTest::tally(engine);
        QString error;
        auto db = KvoHost::ScratchDatabase::create(engine, {.prefix = u"kvo_t"_s, .sessionStatements = {statement}},
                                                   &error);
        QVERIFY2(db, qPrintable(error));
        QCOMPARE(KvoTest::cell(*db->connection, query).toString(), expected);
        auto second = db->openSecond(&error);
        QVERIFY2(second, qPrintable(error));
        QCOMPARE(KvoTest::cell(*second, query).toString(), expected);
    }

    void insertRowsWritesAllOrNothing_data() { KvoTest::addEngineColumn(); }

    // Rows go in batches within one transaction: records without rows are skipped, and a batch that
    // fails takes the batches before it back.
    void insertRowsWritesAllOrNothing()
    {
        QFETCH(Engine, engine);
        auto db = KvoTest::open(engine);
        QVERIFY(db);
        Connection &c = *db->connection;
        QVERIFY(KvoTest::run(c, u"CREATE TABLE [T] ([Id] INTEGER NOT NULL PRIMARY KEY, [V] VARCHAR(10))"_s));
        const auto rows = [](qint64 id) { return id == 4 ? QString() : u"(%1, 'v%1')"_s.arg(id); };
        QString error;
        QVERIFY2(KvoHost::insertRows(c, u"T"_s, {u"Id"_s, u"V"_s}, 1, 7, rows, &error, 2), qPrintable(error));
        QCOMPARE(KvoTest::rows(c, u"SELECT [Id] FROM [T] ORDER BY [Id]"_s).join(u','), u"1,2,3,5,6,7"_s);

        QVERIFY(!KvoHost::insertRows(
                c, u"T"_s, {u"Id"_s, u"V"_s}, 11, 20, [&](qint64 id) { return rows(id == 16 ? 1 : id); }, &error, 2));
        QVERIFY(!error.isEmpty());
        QVERIFY(!c.inTransaction());
        QCOMPARE(KvoTest::cell(c, u"SELECT COUNT(*) FROM [T]"_s).toInt(), 6);
    }

    // The host keeps its temporary profile when it opens another table, and takes a profile file
    // when it is given one.
    void openTableProfile()
    {
        auto host = KvoTest::makeHost(1, Engine::SQLite);
        QVERIFY(host && host->profile);
        const QString temporary = host->profile->filePath();
        host->openTable(u"Parts"_s, {u"OldParts"_s});
        QCOMPARE(host->profile->filePath(), temporary);
        QCOMPARE(host->baseTable->CheckTableNameOld(1, 1), u"OldParts"_s);
        QVERIFY(host->columns());

        QTemporaryDir dir;
        const QString given = dir.filePath(u"host.ini"_s);
        host->openTable(u"Parts"_s, {}, given);
        QCOMPARE(host->profile->filePath(), given);
        QVERIFY(host->columns());
    }
};

QTEST_GUILESS_MAIN(TestReferenceHost)
#include "tst_referencehost.moc"
