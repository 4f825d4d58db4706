// Connections on real databases: quoting round trips, LIKE escapes, dates, Booleans, locked-record
// messages, the error values of failures, several servers; the reference host's bulk writer.
#include "testhost.h"

#include "hostkit/adotypes.h"
#include "hostkit/connection.h"
#include "hostkit/messagebox.h"
#include "hostkit/recordset.h"
#include "hostkit/sessionlock.h"
#include "referencehost/tables.h"

#include <QTest>

using namespace KvoPlx800SCtl::HostKit;
using namespace Qt::StringLiterals;
using KvoTest::exec;
using KvoTest::rows;

namespace {

const QString kOddTable = u"Odd \"T\" `t` [x] y"_s;
const QString kOddColumn = u"Val \"c\" `c` ]z"_s;

// Switches the session to the engine's other way of reading backslashes in literals; false when
// the engine has only one.
bool switchBackslashMode(Connection &c)
{
    QString sql;
    if (c.dialect().engine() == Engine::PostgreSQL)
        sql = u"SET standard_conforming_strings = off"_s;
    else if (c.dialect().engine() == Engine::MariaDB)
        sql = u"SET SESSION sql_mode = CONCAT(@@SESSION.sql_mode, ',NO_BACKSLASH_ESCAPES')"_s;
    return !sql.isEmpty() && c.ExecuteSql(sql) && c.refreshSessionSettings();
}

// Ends the server session of `victim` through `killer`, as a server restart or an administrator would.
bool killSession(Connection &victim, Connection &killer)
{
    const bool pg = victim.dialect().engine() == Engine::PostgreSQL;
    const QString session =
            KvoTest::cell(victim, pg ? u"SELECT pg_backend_pid()"_s : u"SELECT CONNECTION_ID()"_s).toString();
    return KvoTest::exec(killer, (pg ? u"SELECT pg_terminate_backend(%1)"_s : u"KILL %1"_s).arg(session));
}

// "Kind nativeCode sqlState" of an error, "-" for an empty code.
QString describe(const SqlError &e)
{
    static const char *kinds[] = {"NoError", "Lock", "Conflict", "ConnectionLost", "Constraint", "Other"};
    const auto code = [](const QString &c) { return c.isEmpty() ? u"-"_s : c; };
    return u"%1 %2 %3"_s.arg(QLatin1String(kinds[e.kind()]), code(e.nativeCode()), code(e.sqlState()));
}

} // namespace

class TestConnection : public KvoTest::DatabaseTest
{
    Q_OBJECT

private slots:
    // Hostile texts through a table and fields with hostile names, in both backslash modes of the
    // session; LIKE patterns with escaped wildcards match them literally; the pair helpers and
    // RowExists quote the names.
    void hostileTextsRoundTrip()
    {
        Connection &c = connection();
        const QString table = c.QuoteName(kOddTable);
        const QString key = c.QuoteName(u"Key Field"_s);
        const QString odd = c.QuoteName(kOddColumn);
        const QString n = c.QuoteName(u"n"_s);
        QVERIFY(exec(c, u"CREATE TABLE %1 (%2 %3 NOT NULL PRIMARY KEY, %4 %5, %6 %3)"_s.arg(
                                table, key, c.dialect().columnType(adInteger, 0), odd,
                                c.dialect().columnType(adVarWChar, 200), n)));
        // Split at "|".
        const QStringList texts =
                u"O'Neil's|back\\slash|trailing\\|\\'|'); DROP TABLE x; --|-- not a comment|100% _under_|"
                "line1\nline2\r\n\ttab|\"double\" `back` [br]|Grüße Ελληνικά 日本語 😀|\\\\|a%b|axb|a_b|a\\b"_s.split(
                        u'|')
                << QString::fromUtf16(u"nul\u0000inside", 11);
        const QList<std::pair<QString, QStringList>> likes = {{"a\\%b", {"a%b"}},
                                                              {"a\\_b", {"a_b"}},
                                                              {"a\\\\b", {"a\\b"}},
                                                              {"a_b", {"a%b", "axb", "a_b", "a\\b"}},
                                                              {"100\\% \\_under\\_", {"100% _under_"}}};
        QStringList expected = texts;
        expected.replaceInStrings(QString(QChar(0)), QString());
        const QString select = u"SELECT %1 FROM %2 "_s.arg(c.QualifiedName(kOddTable, kOddColumn), table);
        for (int pass = 0; pass < 2; ++pass) {
            if (pass == 1 && !switchBackslashMode(c))
                break;
            QVERIFY(exec(c, "DELETE FROM " + table));
            for (int i = 0; i < texts.size(); ++i) {
                QVERIFY(exec(c, u"INSERT INTO %1 (%2, %3) VALUES (%4, %5)"_s.arg(table, key, odd)
                                        .arg(i)
                                        .arg(c.QuoteText(texts.at(i)))));
            }
            QCOMPARE(rows(c, select + "ORDER BY " + key), expected);
            // Each literal also finds its own row again.
            for (int i = 0; i < texts.size(); ++i) {
                QCOMPARE(rows(c, u"SELECT %1 FROM %2 WHERE %3 = %4"_s.arg(key, table, odd, c.QuoteText(texts.at(i)))),
                         QStringList{QString::number(i)});
            }
            for (const auto &[pattern, matches] : likes) {
                QCOMPARE(rows(c, u"%1 WHERE %2 LIKE %3%4 ORDER BY %5"_s.arg(select, odd, c.QuoteText(pattern),
                                                                            c.dialect().likeEscapeClause(), key)),
                         matches);
            }
        }

        // The pair helpers take finished literals and write an empty one as NULL.
        QString fields;
        QString values;
        c.AddInsertPair(fields, values, u"Key Field"_s, u"100"_s);
        c.AddInsertPair(fields, values, kOddColumn, c.QuoteText(u"it's"_s));
        c.AddInsertPair(fields, values, u"n"_s, QString());
        QCOMPARE(values, u"100, %1, NULL"_s.arg(c.QuoteText(u"it's"_s)));
        QCOMPARE(fields, u"%1, %2, %3"_s.arg(key, odd, n));
        QVERIFY(exec(c, u"INSERT INTO %1 (%2) VALUES (%3)"_s.arg(table, fields, values)));
        QCOMPARE(c.rowsAffected(), 1);
        QString set;
        c.AddUpdatePair(set, kOddColumn, QString());
        c.AddUpdatePair(set, u"n"_s, u"5"_s);
        QCOMPARE(set, u"%1 = NULL, %2 = 5"_s.arg(odd, n));
        QVERIFY(exec(c, u"UPDATE %1 SET %2 WHERE %3 = 100"_s.arg(table, set, key)));
        QCOMPARE(rows(c, u"SELECT %1 FROM %2 WHERE %3 IS NULL"_s.arg(key, table, odd)), QStringList{"100"});

        bool found = false;
        QVERIFY(c.RowExists(kOddTable, u"Key Field"_s, u"100"_s, found) && found);
        QVERIFY(c.RowExists(kOddTable, u"Key Field"_s, u"101"_s, found) && !found);
        QVERIFY(!c.RowExists(u"missing"_s, u"Key Field"_s, u"7"_s, found) && !found);
    }

    // Dates keep their value and sort as dates; Booleans compare with "<> false".
    void datesAndBooleans()
    {
        Connection &c = connection();
        QVERIFY(exec(c, u"CREATE TABLE t (id INTEGER, d %1, b %2)"_s.arg(c.dialect().columnType(adDate, 0),
                                                                         c.dialect().columnType(adBoolean, 0))));
        const QDateTime zero(QDate(1899, 12, 30), QTime(0, 0));
        const QList<QDateTime> dates{QDateTime(QDate(2024, 2, 29), QTime(13, 5, 9)), zero,
                                     QDateTime(QDate(2024, 2, 29), QTime(9, 0, 0)), QDateTime(QDate(999, 1, 1), {})};
        // Year 999 is below MariaDB's DATETIME range; the other engines keep it.
        const int count = c.dialect().engine() == Engine::MariaDB ? 3 : 4;
        const QStringList booleans{QString::number(c.SqlBooleanValue(true)), QString::number(c.SqlBooleanValue(false)),
                                   u"NULL"_s, u"NULL"_s};
        for (int i = 0; i < count; ++i) {
            QVERIFY(exec(c, u"INSERT INTO t VALUES (%1, %2, %3)"_s.arg(i).arg(c.SqlDateLiteral(dates.at(i)),
                                                                              booleans.at(i))));
        }
        auto rs = c.OpenQuery(u"SELECT id, d FROM t ORDER BY d"_s);
        QVERIFY(rs);
        QList<int> order;
        for (; !rs->EOF(); rs->MoveNext()) {
            order << rs->value(0).toInt();
            const QVariant d = rs->value(1);
            QCOMPARE(d.typeId() == QMetaType::QDateTime ? d.toDateTime()
                                                        : QDateTime::fromString(d.toString(), u"yyyy-MM-dd HH:mm:ss"),
                     dates.at(order.last()));
        }
        QCOMPARE(order, count == 4 ? QList<int>({3, 1, 2, 0}) : QList<int>({1, 2, 0}));
        QCOMPARE(rows(c, "SELECT id FROM t WHERE d = " + c.SqlDateLiteral(zero)), QStringList{"1"});
        QCOMPARE(rows(c, "SELECT COUNT(*) FROM t WHERE d < " + c.SqlDateLiteral(dates.at(0))),
                 QStringList{QString::number(count - 1)});

        const QString no = QString::number(c.SqlBooleanValue(false));
        QCOMPARE(rows(c, "SELECT id FROM t WHERE b <> " + no), QStringList{"0"});
        QCOMPARE(rows(c, "SELECT id FROM t WHERE b = " + no), QStringList{"1"});
        QCOMPARE(rows(c, u"SELECT b FROM t ORDER BY id"_s).mid(0, 2), QStringList({"1", "0"}));
    }

    // A statement that waits for a locked record shows the message handed in; other failures
    // and calls without a message show none.
    void lockedRecordShowsMessage()
    {
        Connection &holder = connection();
        QVERIFY(exec(holder, u"CREATE TABLE t (id INTEGER NOT NULL PRIMARY KEY, v INTEGER)"_s));
        QVERIFY(exec(holder, u"INSERT INTO t VALUES (1, 0)"_s));

        const Engine engine = holder.dialect().engine();
        std::unique_ptr<Connection> waiter;
        if (engine == Engine::SQLite) {
            QString error;
            waiter = Connection::open(database().url() + "?busy_timeout=100", &error);
            QVERIFY2(waiter, qPrintable(error));
        } else {
            waiter = database().openSecond();
            QVERIFY(waiter);
            QVERIFY(exec(*waiter, engine == Engine::PostgreSQL ? u"SET lock_timeout = '200ms'"_s
                                                               : u"SET SESSION innodb_lock_wait_timeout = 1"_s));
        }
        KvoTest::ScriptedMessages shown(MsgBox::vbOK);
        const LockedMessage locked = MakeLockedMessage(u"Record locked"_s, u"Try later"_s);
        QVERIFY(!holder.ExecuteSql(u"SELECT * FROM no_such_table"_s, &locked));
        QVERIFY(!holder.OpenQuery(u"SELECT nonsense FROM"_s));
        QCOMPARE(shown.requests().size(), 0);

        QVERIFY(holder.BeginTransaction());
        QVERIFY(exec(holder, u"UPDATE t SET v = 1 WHERE id = 1"_s));
        QVERIFY(!waiter->ExecuteSql(u"UPDATE t SET v = 2 WHERE id = 1"_s, &locked));
        QCOMPARE(shown.requests().size(), 1);
        QCOMPARE(shown.requests().at(0).text, u"Record locked\n\nTry later"_s);
        QCOMPARE(shown.requests().at(0).style, int(MsgBox::vbExclamation | MsgBox::vbOKOnly));
        const QString lock = engine == Engine::SQLite       ? u"Lock 5 -"_s
                             : engine == Engine::PostgreSQL ? u"Lock 55P03 55P03"_s
                                                            : u"Lock 1205 HY000"_s;
        QCOMPARE(describe(waiter->lastSqlError()), lock);
        QVERIFY(!waiter->ExecuteSql(u"UPDATE t SET v = 3 WHERE id = 1"_s));
        QCOMPARE(shown.requests().size(), 1);
        if (engine == Engine::SQLite) {
            QVERIFY(!waiter->BeginTransaction(&locked) && !waiter->inTransaction());
            QCOMPARE(shown.requests().size(), 2);
        }
        QVERIFY(holder.CommitTransaction());
        QVERIFY(waiter->ExecuteSql(u"UPDATE t SET v = 4 WHERE id = 1"_s, &locked));
        QCOMPARE(waiter->rowsAffected(), 1);
    }

    // A session lock held by one session keeps another waiting until it gives up; a lock of
    // another name is free, and the held one is free again once its holder ends.
    void sessionLockKeepsOthersWaiting()
    {
        std::unique_ptr<Connection> second;
        QString error;
        if (connection().dialect().engine() == Engine::SQLite)
            second = Connection::open(database().url(), &error);
        else
            second = database().openSecond();
        QVERIFY2(second, qPrintable(error));
        {
            SessionLock held(connection(), u"Definitions Parts"_s);
            QVERIFY(held.acquire(0));
            SessionLock waiting(*second, u"Definitions Parts"_s);
            QVERIFY(!waiting.acquire(120));
            QCOMPARE(waiting.error(), u"Definitions Parts is locked by another session"_s);
            SessionLock other(*second, u"Definitions Tools"_s);
            QVERIFY(other.acquire(0));
        }
        SessionLock after(*second, u"Definitions Parts"_s);
        QVERIFY(after.acquire(0));
    }

    // A failure carries the engine's native code, its SQLSTATE (SQLite has none) and its kind.
    void errorsCarryCodesAndKind_data()
    {
        QTest::addColumn<QString>("failure");
        QTest::addColumn<QStringList>("expected"); // on SQLite, PostgreSQL, MariaDB; empty: not there
        QTest::newRow("unique key") << "unique"
                                    << QStringList{"Constraint 2067 -", "Constraint 23505 23505",
                                                   "Constraint 1062 23000"};
        QTest::newRow("syntax") << "syntax" << QStringList{"Other 1 -", "Other 42601 42601", "Other 1064 42000"};
        // A snapshot that another session's commit overtook; MariaDB's snapshots do not refuse it.
        QTest::newRow("serialization") << "serialization" << QStringList{"", "Conflict 40001 40001", ""};
        // The driver reports a failed commit without a code: its text tells the lock.
        QTest::newRow("commit against a reader") << "commit" << QStringList{"Lock - -", "", ""};
        QTest::newRow("connection lost") << "lost"
                                         << QStringList{"", "ConnectionLost 57P01 57P01", "ConnectionLost 2013 HY000"};
    }
    void errorsCarryCodesAndKind()
    {
        QFETCH(QString, failure);
        QFETCH(QStringList, expected);
        const QString wanted = expected.value(
                QList<Engine>{Engine::SQLite, Engine::PostgreSQL, Engine::MariaDB}.indexOf(KvoTest::currentEngine()));
        if (wanted.isEmpty())
            QSKIP("no such failure on this engine");
        Connection &c = connection();
        QVERIFY(KvoTest::run(c, "CREATE TABLE [t] ([id] INTEGER NOT NULL PRIMARY KEY, [v] VARCHAR(10) UNIQUE)"));
        QVERIFY(exec(c, u"INSERT INTO t VALUES (1, 'a')"_s));
        QString sql = failure == u"unique" ? u"INSERT INTO t VALUES (2, 'a')"_s : u"SELEC 1"_s;
        auto other = database().openSecond();
        QVERIFY(other);
        if (failure == u"serialization") {
            QVERIFY(c.BeginTransaction());
            QVERIFY(exec(c, u"SET TRANSACTION ISOLATION LEVEL REPEATABLE READ"_s));
            QCOMPARE(rows(c, u"SELECT v FROM t"_s), QStringList{"a"});
            QVERIFY(exec(*other, u"UPDATE t SET v = 'b'"_s));
            sql = u"UPDATE t SET v = 'c'"_s;
        } else if (failure == u"lost") {
            // Inside a transaction: outside one the connection would reconnect and run the statement.
            QVERIFY(c.BeginTransaction() && killSession(c, *other));
            sql = u"SELECT 1"_s;
        }
        std::unique_ptr<Connection> committer;
        if (failure == u"commit") {
            QString error;
            committer = Connection::open(database().url() + u"?busy_timeout=100"_s, &error);
            QVERIFY2(committer, qPrintable(error));
            QVERIFY(exec(*other, u"BEGIN"_s));
            QCOMPARE(rows(*other, u"SELECT v FROM t"_s), QStringList{"a"});
            QVERIFY(committer->BeginTransaction());
            QVERIFY(exec(*committer, u"INSERT INTO t VALUES (2, 'b')"_s));
        }
        Connection &failing = committer ? *committer : c;
        QVERIFY(committer ? !failing.CommitTransaction() : !failing.ExecuteSql(sql));
        QCOMPARE(describe(failing.lastSqlError()), wanted);
        QVERIFY(!failing.lastError().isEmpty() && failing.lastError() == failing.lastSqlError().text());
        if (failure == u"lost") {
            // The unit of work is not continued on a new connection: its statements fail until it
            // is rolled back.
            QVERIFY(!c.ExecuteSql(u"SELECT 1"_s));
            QCOMPARE(c.lastSqlError().kind(), SqlError::ConnectionLost);
        }
        QVERIFY(failing.RollbackTransaction());
        QVERIFY(exec(failing, u"SELECT 1"_s));
        QVERIFY(!failing.lastSqlError().isError());
    }

    // A URL listing several servers: a dead one is skipped; a connection lost between two
    // statements is opened again on the next server that answers; one lost inside a transaction
    // fails the transaction's remaining statements and its commit, and nothing of it stays.
    void severalHostsFailOver()
    {
        if (KvoTest::currentEngine() == Engine::SQLite)
            QSKIP("a file database has no servers");
        ConnectionUrl url;
        QString error;
        QVERIFY(ConnectionUrl::parse(database().url(), &url, &error));
        url.servers.prepend({u"127.0.0.1"_s, 1}); // nothing listens on port 1
        const QString text = url.toString(true);
        QVERIFY2(text.contains(u"@127.0.0.1:1,"_s), qPrintable(url.toString()));
        auto c = Connection::open(text, &error);
        QVERIFY2(c, qPrintable(error));
        QCOMPARE(c->serverIndex(), 1);
        QCOMPARE(c->url().toString(true), text);
        QVERIFY(exec(*c, u"CREATE TABLE t (id INTEGER NOT NULL PRIMARY KEY)"_s));

        auto other = database().openSecond();
        QVERIFY(other && killSession(*c, *other));
        QVERIFY2(c->ExecuteSql(u"INSERT INTO t VALUES (1)"_s), qPrintable(c->lastError()));
        QCOMPARE(c->reconnectCount(), 1);
        QCOMPARE(c->serverIndex(), 1);

        QVERIFY(c->BeginTransaction());
        QVERIFY(exec(*c, u"INSERT INTO t VALUES (2)"_s));
        QVERIFY(killSession(*c, *other));
        QVERIFY(!c->ExecuteSql(u"INSERT INTO t VALUES (3)"_s));
        QCOMPARE(c->lastSqlError().kind(), SqlError::ConnectionLost);
        QVERIFY(!c->OpenQuery(u"SELECT id FROM t"_s));
        QVERIFY(!c->CommitTransaction());
        QCOMPARE(c->lastSqlError().kind(), SqlError::ConnectionLost);
        QVERIFY(c->RollbackTransaction());
        QCOMPARE(rows(*c, u"SELECT id FROM t ORDER BY id"_s), QStringList{"1"});
        QCOMPARE(c->reconnectCount(), 2);

        // No server answers: the failure names each one.
        url.servers = {{u"127.0.0.1"_s, 1}, {u"127.0.0.1"_s, 2}};
        QVERIFY(!Connection::open(url, &error));
        QVERIFY2(error.contains(u"127.0.0.1:1: "_s) && error.contains(u"127.0.0.1:2: "_s), qPrintable(error));
    }

    // The reference host's bulk writer puts rows in batches within one transaction: records without
    // rows are skipped, and a batch that fails takes the batches before it back.
    void insertRowsWritesAllOrNothing()
    {
        Connection &c = connection();
        QVERIFY(KvoTest::run(c, u"CREATE TABLE [T] ([Id] INTEGER NOT NULL PRIMARY KEY, [V] VARCHAR(10))"_s));
        const auto values = [](qint64 id) { return id == 4 ? QString() : u"(%1, 'v%1')"_s.arg(id); };
        QString error;
        QVERIFY2(KvoHost::insertRows(c, u"T"_s, {u"Id"_s, u"V"_s}, 1, 7, values, &error, 2), qPrintable(error));
        QCOMPARE(rows(c, u"SELECT [Id] FROM [T] ORDER BY [Id]"_s).join(u','), u"1,2,3,5,6,7"_s);
        QVERIFY(!KvoHost::insertRows(
                c, u"T"_s, {u"Id"_s, u"V"_s}, 11, 20, [&](qint64 id) { return values(id == 16 ? 1 : id); }, &error, 2));
        QVERIFY(!error.isEmpty());
        QVERIFY(!c.inTransaction());
        QCOMPARE(KvoTest::cell(c, u"SELECT COUNT(*) FROM [T]"_s).toInt(), 6);
    }
};

QTEST_GUILESS_MAIN(TestConnection)
#include "tst_connection.moc"
