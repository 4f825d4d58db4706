// A database server that stops in the middle of a column-set save, a record save, an import or a
// table check: the operation reports failure, and after the restart a table check in convert mode
// leaves definitions, tables and values consistent, with no value of a surviving column lost.
// Each case runs on a private server started for this test (never on the shared ones).
#include "figures.h"
#include "testhost.h"

#include "columns/cfiltercolumns.h"

#include "hostkit/connection.h"
#include "hostkit/databasehandler.h"
#include "hostkit/messagebox.h"
#include "hostkit/statementhook.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace KvoPlx800SCtl;
using namespace KvoPlx800SCtl::HostKit;
using namespace Qt::StringLiterals;

namespace {

// A database server of its own (tests/support/privateserver.sh): a data folder in the temporary
// folder, its own port. stop() ends it at once, as a crash would; start() brings it up again on the
// same data.
class PrivateServer
{
public:
    // nullptr, with the reason, when the server programs are missing or the data cannot be made.
    static std::unique_ptr<PrivateServer> make(Engine engine, int port, QString *why)
    {
        auto server = std::unique_ptr<PrivateServer>(new PrivateServer(engine, port));
        return server->run(u"init"_s, why) ? std::move(server) : nullptr;
    }
    ~PrivateServer() { stop(); }

    bool start(QString *why) { return m_running = run(u"start"_s, why); }
    void stop()
    {
        QString why;
        if (std::exchange(m_running, false) && !run(u"stop"_s, &why))
            qWarning("%s", qPrintable(why));
    }
    QString url() const
    {
        return m_engine == Engine::PostgreSQL ? u"postgresql://kvo@127.0.0.1:%1/postgres"_s.arg(m_port)
                                              : u"mariadb://root@127.0.0.1:%1/kvo"_s.arg(m_port);
    }

private:
    PrivateServer(Engine engine, int port) : m_engine(engine), m_port(port) {}
    bool run(const QString &action, QString *why)
    {
        QProcess process;
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(u"bash"_s, {QFINDTESTDATA("support/privateserver.sh"), KvoHost::shortName(m_engine), m_dir.path(),
                                  QString::number(m_port), action});
        if (process.waitForFinished(120000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0)
            return true;
        *why = action + u": "_s + QString::fromLocal8Bit(process.readAll()).trimmed();
        return false;
    }

    QTemporaryDir m_dir{QDir::tempPath() + u"/kvo-server-XXXXXX"_s};
    Engine m_engine;
    int m_port;
    bool m_running = false;
};

enum class Operation { ColumnsSave, RecordSave, Import, TableCheck };

const QList<ColumnDefinition> Columns = {{"Material", fcText, {}, 60},
                                         {"Weight", fcDouble},
                                         {"Grade", fcText, {}, 20, true, false, u"A"_s},
                                         {"Tags", fcKeyword, {}, 60}};

// Values of records 1 to 3 before the fault; the operations change record 2 only.
bool writeRecords(CFilterColumns &set)
{
    for (int id = 1; id <= 3; ++id) {
        KvoTest::Controls controls(set);
        controls.enter(u"Material"_s, u"steel %1"_s.arg(id));
        controls.enter(u"Weight"_s, QString::number(id * 1.5));
        controls.enter(u"Grade"_s, u"A"_s);
        controls.enter(u"Tags"_s, u"t%1|common"_s.arg(id));
        CMergeBaseEntry entry(id);
        if (!set.SaveDataFromEditControl(&entry))
            return false;
    }
    return true;
}

bool runOperation(KvoTest::Host &host, Operation operation)
{
    CFilterColumns &set = *host.columns();
    CMergeBaseEntry two(2);
    switch (operation) {
    case Operation::ColumnsSave:
        // A new column, a retyped one and a removed one: tables are made, rebuilt and dropped.
        return set.Remove(u"Weight"_s) && KvoTest::addColumn(set, {"Extra", fcInteger32})
               && KvoTest::addColumn(set, {"Labels", fcKeyword, {}, 30}) && set.ColumnsSave(nullptr);
    case Operation::RecordSave: {
        KvoTest::Controls controls(set);
        controls.enter(u"Material"_s, u"new"_s);
        controls.enter(u"Weight"_s, u"9.5"_s);
        controls.enter(u"Grade"_s, u"A"_s);
        controls.enter(u"Tags"_s, u"n1|n2|n3"_s);
        return set.SaveDataFromEditControl(&two);
    }
    case Operation::Import:
        return host.filter->AnalyzeDataBlock(QDateTime(QDate(2024, 3, 15), QTime(14, 30)), QString(), &two,
                                             "Begin Search Data\nMaterial: new\nWeight: 9.5\nTags: n1, n2, n3\n");
    case Operation::TableCheck:
        return host.filter->CheckTable(nullptr, ConvertMode::Convert, true) == 0;
    }
    return false;
}

// What the operation finds to do before it runs.
bool drift(KvoTest::Host &host, Operation operation)
{
    if (operation != Operation::TableCheck)
        return true;
    // A field is missing and a base record has no search-data row: the check adds both.
    return KvoTest::run(host.connection(), u"ALTER TABLE [PartsSearchData] DROP COLUMN [Weight]"_s)
           && KvoTest::run(host.connection(),
                           u"INSERT INTO [Parts] ([PartId], [Description], [Qty]) VALUES (4, 'Bracket 4', 40)"_s);
}

// Definitions and tables agree: every defined non-keyword column is a field of the search-data
// table and no other field is, every keyword column has its table.
QString disagreement(KvoTest::Host &host)
{
    Connection &db = host.connection();
    host.catalog().Refresh();
    QStringList defined = KvoTest::rows(
            db, u"SELECT [Name] FROM [SearchColumnConfiguration] WHERE [BaseTable] = 'Parts' AND [Type] <> 0"_s);
    QStringList fields = KvoTest::fieldNames(host.catalog(), u"PartsSearchData"_s);
    fields.removeAll(u"PartId"_s);
    defined.sort(Qt::CaseInsensitive);
    fields.sort(Qt::CaseInsensitive);
    if (defined != fields)
        return u"defined [%1], fields [%2]"_s.arg(defined.join(u", "), fields.join(u", "));
    for (const QString &keyword : KvoTest::rows(
                 db, u"SELECT [Name] FROM [SearchColumnConfiguration] WHERE [BaseTable] = 'Parts' AND [Type] = 0"_s)) {
        if (!KvoTest::tableExists(host.catalog(), u"PartsSearchKeyword"_s + keyword))
            return u"no table for keyword column "_s + keyword;
    }
    return {};
}

// Each record's values as "Name=value", only of the columns in `names`.
QStringList valuesOf(CFilterColumns &set, int id, const QStringList &names)
{
    QStringList kept;
    for (const QString &value : KvoTest::readValues(set, id, nullptr, true)) {
        if (names.contains(value.section(u'=', 0, 0)))
            kept.append(value);
    }
    return kept;
}

} // namespace

Q_DECLARE_METATYPE(Operation)

class TestServerLoss : public QObject
{
    Q_OBJECT

private slots:
    void stopsMidway_data()
    {
        QTest::addColumn<Engine>("engine");
        QTest::addColumn<Operation>("operation");
        QTest::addColumn<int>("share"); // the statement the server stops at, in percent of those the operation runs
        const std::pair<const char *, Operation> operations[] = {{"columns save", Operation::ColumnsSave},
                                                                 {"record save", Operation::RecordSave},
                                                                 {"import", Operation::Import},
                                                                 {"table check", Operation::TableCheck}};
        for (Engine engine : {Engine::PostgreSQL, Engine::MariaDB}) {
            for (const auto &[name, operation] : operations) {
                for (int share : {10, 60}) {
                    QTest::addRow("%s, %s, %d%%", engine == Engine::PostgreSQL ? "postgresql" : "mariadb", name, share)
                            << engine << operation << share;
                }
            }
        }
    }

    void stopsMidway()
    {
        QFETCH(Engine, engine);
        QFETCH(Operation, operation);
        QFETCH(int, share);
        if (!KvoTest::configuredEngines().contains(engine))
            QSKIP("the engine is not configured for this run");
        // While a private MariaDB server ran beside it, the shared one crashed (a segfault inside
        // the server, at the same place each time) in two of four suite runs: it runs only when
        // asked for.
        if (engine == Engine::MariaDB && qEnvironmentVariable("KVO_TEST_PRIVATE_MARIADB") != u"1")
            QSKIP("a private MariaDB server runs only with KVO_TEST_PRIVATE_MARIADB=1");
        PrivateServer *server = serverFor(engine);
        if (!server)
            QSKIP(qPrintable(m_skipped[engine]));

        // Every question is answered yes: the table check converts and adds rows.
        KvoTest::ScriptedMessages answers(MsgBox::vbYes);
        // Once without a fault, to count the statements the operation runs.
        qint64 &statements = m_statements[{engine, operation}];
        if (statements == 0) {
            KvoTest::Host host;
            QVERIFY(prepare(host, *server) && drift(host, operation));
            const qint64 before = host.connection().statementCount();
            QVERIFY(runOperation(host, operation));
            statements = host.connection().statementCount() - before;
        }
        const qint64 stopAt = std::max<qint64>(1, statements * share / 100);

        KvoTest::Host host;
        QVERIFY(prepare(host, *server));
        const QStringList surviving{u"Material"_s, u"Grade"_s, u"Tags"_s}; // in every operation's result
        QStringList before[4];
        for (int id = 1; id <= 3; ++id)
            before[id] = valuesOf(*host.columns(), id, surviving);
        QVERIFY(drift(host, operation));
        const qint64 start = host.connection().statementCount();
        const Connection *connection = &host.connection();
        setStatementHook([&](const Connection &running, qint64 count) {
            if (&running == connection && count == start + stopAt)
                server->stop();
        });
        const bool ok = runOperation(host, operation);
        setStatementHook({});
        QVERIFY2(!ok, qPrintable(u"stopped at statement %1 of %2"_s.arg(stopAt).arg(statements)));
        host.close();

        QString why;
        QVERIFY2(server->start(&why), qPrintable(why));
        KvoTest::Host after;
        QVERIFY2(after.open(server->url(), &why), qPrintable(why));
        after.openTable(u"Parts"_s);
        QVERIFY(after.filter);
        QCOMPARE(after.filter->CheckTable(nullptr, ConvertMode::Convert, true), 0);
        QCOMPARE(disagreement(after), QString());
        QVERIFY(after.columns());
        // Records 1 and 3 keep their values; record 2 holds its values from before or, where the
        // operation writes it, the new ones, never a part of each.
        const QStringList written{"Material=Text:new", "Grade=Text:A", "Tags=n1|n2|n3"};
        const bool writes = operation == Operation::RecordSave || operation == Operation::Import;
        int lost = 0;
        QStringList now[4];
        for (int id = 1; id <= 3; ++id) {
            now[id] = valuesOf(*after.columns(), id, surviving);
            if (now[id] != before[id] && !(id == 2 && writes && now[id] == written))
                ++lost;
        }
        KvoTest::reliabilityFigure(engine, u"server stopped"_s, 1, lost);
        QCOMPARE(now[1], before[1]);
        QCOMPARE(now[3], before[3]);
        if (now[2] != before[2] || !writes)
            QCOMPARE(now[2], writes ? written : before[2]);
    }

    void cleanupTestCase() { m_servers.clear(); }

private:
    PrivateServer *serverFor(Engine engine)
    {
        if (m_servers.count(engine))
            return m_servers[engine].get();
        QString why;
        const int base = engine == Engine::PostgreSQL ? 5460 : 3360;
        std::unique_ptr<PrivateServer> server = PrivateServer::make(engine, base, &why);
        if (server && !server->start(&why))
            server.reset();
        if (!server)
            m_skipped[engine] = u"no private server: "_s + why;
        return (m_servers[engine] = std::move(server)).get();
    }

    // A fresh base table Parts with three records and their values, on the server.
    bool prepare(KvoTest::Host &host, PrivateServer &server)
    {
        QString why;
        if (!host.open(server.url(), &why)) {
            qWarning("%s", qPrintable(why));
            return false;
        }
        Connection &db = host.connection();
        for (const char *table : {"PartsSearchKeywordTags", "PartsSearchKeywordLabels", "PartsSearchData",
                                  "PicklistPartsGrade", "SearchColumnConfiguration", "Parts"})
            static_cast<void>(db.ExecuteSql(u"DROP TABLE IF EXISTS "_s + db.QuoteName(QString::fromLatin1(table))
                                            + u" CASCADE"_s));
        host.catalog().Refresh();
        if (!host.createBaseTable(u"Parts"_s, 3))
            return false;
        host.openTable(u"Parts"_s);
        return host.columns() && KvoTest::addColumns(*host.columns(), Columns) && writeRecords(*host.columns());
    }

    std::map<Engine, std::unique_ptr<PrivateServer>> m_servers;
    std::map<Engine, QString> m_skipped;
    std::map<std::pair<Engine, Operation>, qint64> m_statements;
};

QTEST_GUILESS_MAIN(TestServerLoss)
#include "tst_serverloss.moc"
