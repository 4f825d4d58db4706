// A host that hands the library its own open connection: the library's statements run on it, each
// unit of work becomes a savepoint in the host's transaction, and the table changes refuse to run
// there. On every engine.
#include "testhost.h"

#include "columns/cfiltercolumns.h"
#include "columns/columntypechange.h"

#include "hostkit/connection.h"
#include "hostkit/databasehandler.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QTest>

using namespace KvoPlx800SCtl;
using namespace KvoPlx800SCtl::HostKit;
using namespace Qt::StringLiterals;

namespace {

// The library's view of a connection the host opened: a Database over Connection::share.
class SharedDatabase : public KvoHost::Database
{
public:
    static std::unique_ptr<SharedDatabase> over(const QString &connectionName, QString *error)
    {
        std::unique_ptr<SharedDatabase> db(new SharedDatabase);
        db->connection = Connection::share(connectionName, error);
        if (!db->connection)
            return nullptr;
        db->catalog = std::make_unique<Catalog>(*db->connection);
        return db;
    }

private:
    SharedDatabase() = default;
};

const QList<ColumnDefinition> columns{{"Material", fcText, {}, 40}, {"Tags", fcKeyword}, {"Labels", fcKeyword}};

} // namespace

class TestHostConnection : public QObject
{
    Q_OBJECT

    // `owner` made the scratch database with base table Parts (records 1 to 3) and the columns;
    // `host` runs the library on the same connection, shared by name as a host hands it over.
    std::unique_ptr<KvoHost::Host> owner;
    std::unique_ptr<SharedDatabase> shared;
    std::unique_ptr<KvoHost::Host> host;
    QSqlDatabase hostDb;

    bool openShared()
    {
        owner = KvoTest::makeHost(3, columns);
        if (!owner)
            return false;
        hostDb = owner->connection().database();
        QString error;
        shared = SharedDatabase::over(hostDb.connectionName(), &error);
        if (!shared) {
            qWarning() << error;
            return false;
        }
        host = std::make_unique<KvoHost::Host>();
        host->use(*shared);
        host->openTable(u"Parts"_s);
        return host->columns() != nullptr;
    }

    // A statement of the host's own, on its QSqlDatabase (names in brackets).
    bool hostExec(const QString &text)
    {
        QSqlQuery query(hostDb);
        const bool ok = query.exec(KvoTest::sql(host->connection(), text));
        if (!ok)
            qWarning() << query.lastError().text();
        return ok;
    }

    bool hostTransactionOpen()
    {
        bool open = false;
        return host->connection().hostTransactionOpen(open) && open;
    }

    QStringList keywords(const QString &column, int id)
    {
        return KvoTest::rows(host->connection(),
                             u"SELECT [%1] FROM [PartsSearchKeyword%1] WHERE [PartId] = %2"_s.arg(column).arg(id));
    }

private slots:
    void initTestCase_data() { KvoTest::addEngineRows(); }

    void cleanup()
    {
        if (host && hostTransactionOpen())
            hostDb.rollback();
        host.reset();
        shared.reset();
        hostDb = QSqlDatabase();
        owner.reset();
    }

    // The library's saves join the host's transaction as savepoints: a failed one is undone alone,
    // the host's transaction stays usable, and the host's commit or rollback decides for all.
    void savesAreSavepointsInTheHostTransaction_data()
    {
        QTest::addColumn<bool>("commit");
        QTest::newRow("host commits") << true;
        QTest::newRow("host rolls back") << false;
    }

    void savesAreSavepointsInTheHostTransaction()
    {
        QFETCH(bool, commit);
        QVERIFY(openShared());
        CFilterColumns &set = *host->columns();
        // A unit that fails halfway: the second keyword list has no table (dropped before the host's
        // transaction; DDL inside it would commit it on some engines).
        QVERIFY(KvoTest::run(host->connection(), u"DROP TABLE [PartsSearchKeywordLabels]"_s));

        QVERIFY(!hostTransactionOpen());
        QVERIFY(hostDb.transaction() && hostTransactionOpen());
        QVERIFY(hostExec(u"UPDATE [Parts] SET [Description] = 'host before' WHERE [PartId] = 1"_s));
        {
            // As the data-entry control saves a record.
            KvoTest::Controls fields(set, {u"Material"_s, u"Tags"_s});
            fields.enter(u"Material"_s, u"steel"_s);
            fields.enter(u"Tags"_s, u"A"_s);
            CMergeBaseEntry entry(1);
            QVERIFY(set.SaveDataFromEditControl(&entry));
        }
        QVERIFY(!host->connection().inTransaction() && hostTransactionOpen());
        {
            KvoTest::Controls lists(set, {u"Tags"_s, u"Labels"_s});
            lists.enter(u"Tags"_s, u"B"_s);
            lists.enter(u"Labels"_s, u"X"_s);
            KvoTest::ReportedFailures failures;
            QVERIFY(!KvoTest::saveValues(set, 2, {{"Material", Variant::text(u"brass"_s)}}));
            QVERIFY(!failures.sources().isEmpty());
        }
        QVERIFY(hostTransactionOpen());
        QCOMPARE(keywords(u"Tags"_s, 2), QStringList());
        // The host goes on in its transaction after the library's failure.
        QVERIFY(hostExec(u"UPDATE [Parts] SET [Description] = 'host after' WHERE [PartId] = 2"_s));
        QCOMPARE(keywords(u"Tags"_s, 1), QStringList{u"A"_s});
        QVERIFY(commit ? hostDb.commit() : hostDb.rollback());

        const QStringList hostRows =
                KvoTest::rows(host->connection(), u"SELECT [Description] FROM [Parts] ORDER BY [PartId]"_s);
        QCOMPARE(hostRows.mid(0, 2) == QStringList({u"host before"_s, u"host after"_s}), commit);
        QCOMPARE(KvoTest::storedValue(*host, 1, u"Material"_s).toString(), commit ? u"steel"_s : QString());
        QCOMPARE(keywords(u"Tags"_s, 1), commit ? QStringList{u"A"_s} : QStringList());
        QVERIFY(KvoTest::storedValue(*host, 2, u"Material"_s).isNull() && keywords(u"Tags"_s, 2).isEmpty());

        // Outside the host's transaction the library's unit is a transaction of its own again.
        KvoTest::Controls lists(set, {u"Tags"_s});
        lists.enter(u"Tags"_s, u"C"_s);
        QVERIFY(KvoTest::saveValues(set, 3, {{"Material", Variant::text(u"zinc"_s)}}));
        QCOMPARE(keywords(u"Tags"_s, 3), QStringList{u"C"_s});
        QVERIFY(!hostTransactionOpen());
    }

    // Work that changes tables refuses to run inside the host's transaction and leaves it open.
    void tableChangesRefuseTheHostTransaction_data()
    {
        QTest::addColumn<QString>("work");
        QTest::newRow("columns save") << u"columns save"_s;
        QTest::newRow("table check") << u"table check"_s;
        QTest::newRow("type change") << u"type change"_s;
    }

    void tableChangesRefuseTheHostTransaction()
    {
        QFETCH(QString, work);
        QVERIFY(openShared());
        CFilterColumns &set = *host->columns();
        const QStringList fieldsBefore = KvoTest::fieldNames(host->catalog(), u"PartsSearchData"_s);
        QVERIFY(hostDb.transaction());
        QVERIFY(hostExec(u"UPDATE [Parts] SET [Description] = 'kept' WHERE [PartId] = 3"_s));

        if (work == u"columns save") {
            QVERIFY(KvoTest::addColumn(set, {"Extra", fcInteger32}));
            QVERIFY(!set.ColumnsSave(nullptr));
        } else if (work == u"table check") {
            QCOMPARE(host->filter->CheckTable(nullptr, ConvertMode::Convert, true), CheckTableResult::NotAllowed);
        } else {
            ColumnTypeChange change(set, u"Material"_s, fcNote);
            QVERIFY(!change.Run(false));
            QVERIFY2(change.lastError().contains(u"host's open transaction"_s), qPrintable(change.lastError()));
        }
        QVERIFY(hostTransactionOpen());
        QVERIFY(hostDb.commit());
        QCOMPARE(
                KvoTest::cell(host->connection(), u"SELECT [Description] FROM [Parts] WHERE [PartId] = 3"_s).toString(),
                u"kept"_s);
        host->catalog().Refresh();
        QCOMPARE(KvoTest::fieldNames(host->catalog(), u"PartsSearchData"_s), fieldsBefore);
    }
};

QTEST_GUILESS_MAIN(TestHostConnection)
#include "tst_hostconnection.moc"
