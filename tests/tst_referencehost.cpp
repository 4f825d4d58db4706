// The reference host the tools, tests and benchmarks share: scratch databases,
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
    void initTestCase_data() { KvoTest::addEngineRows(); }

    void scratchDatabaseIsDroppedUnlessKept_data()
    {
        QTest::addColumn<bool>("keep");
        QTest::newRow("dropped") << false;
        QTest::newRow("kept") << true;
    }

    void scratchDatabaseIsDroppedUnlessKept()
    {
        QFETCH(bool, keep);
        const Engine engine = KvoTest::currentEngine();
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

    void sessionStatementsRunOnEveryConnection()
    {
        const Engine engine = KvoTest::currentEngine();
        // A statement of the session, the query that shows its effect and what that shows.
        const QStringList session =
                engine == Engine::SQLite ? QStringList{"PRAGMA cache_size = -1234", "PRAGMA cache_size", "-1234"}
                : engine == Engine::PostgreSQL
                        ? QStringList{"SET application_name = 'kvo_mark'", "SHOW application_name", "kvo_mark"}
                        : QStringList{"SET @mark = 'kvo_mark'", "SELECT @mark", "kvo_mark"};
        KvoTest::tally(engine);
        QString error;
        auto db = KvoHost::ScratchDatabase::create(engine, {.prefix = u"kvo_t"_s, .sessionStatements = {session[0]}},
                                                   &error);
        QVERIFY2(db, qPrintable(error));
        QCOMPARE(KvoTest::cell(*db->connection, session[1]).toString(), session[2]);
        auto second = db->openSecond(&error);
        QVERIFY2(second, qPrintable(error));
        QCOMPARE(KvoTest::cell(*second, session[1]).toString(), session[2]);
    }

    // Rows go in batches within one transaction: records without rows are skipped, and a batch that
    // fails takes the batches before it back.
    void insertRowsWritesAllOrNothing()
    {
        auto db = KvoTest::open();
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
        KVO_SQLITE_ONLY("the profile does not depend on the engine");
        auto host = KvoTest::makeHost(1);
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
