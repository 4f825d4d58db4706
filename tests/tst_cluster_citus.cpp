// Hosts on distributed PostgreSQL (a coordinator and two workers) whose coordinator
// KVO_TEST_CITUS_URL names (scripts/cluster citus start). Each test works in a schema of its own
// with base table Parts, which the host has sharded by its key.
#include "testhost.h"

#include "columns/cfiltercolumns.h"
#include "hostkit/catalog.h"
#include "hostkit/connection.h"

#include <QProcess>
#include <QTest>

using namespace KvoPlx800SCtl;
using namespace KvoPlx800SCtl::HostKit;
using namespace Qt::StringLiterals;

class TestClusterCitus : public KvoTest::ClusterTest
{
    Q_OBJECT

public:
    TestClusterCitus()
        : ClusterTest({Engine::PostgreSQL, "KVO_TEST_CITUS_URL", u"citus"_s, 20, "no distributed PostgreSQL",
                       QStringLiteral(KVOSEARCH_PROGRAM)})
    {}

private:
    void checkDatabase() override { QVERIFY(m_db->connection->dialect().distributesTables()); }

    // The command-line tool on the test's schema: its output, or its error output when it fails.
    QString tool(const QStringList &arguments)
    {
        QProcess p;
        p.start(QStringLiteral(KVOSEARCH_PROGRAM), QStringList{u"--db"_s, m_db->url(), u"--table"_s, u"Parts"_s} + arguments);
        if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
            return u"failed: "_s + QString::fromUtf8(p.readAllStandardError());
        return QString::fromUtf8(p.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts).join(u' ');
    }

    // How each of the tables is kept: "local", "reference", or "with Parts" for one sharded by
    // PartId together with the base table's rows.
    QStringList distribution(const QStringList &tables)
    {
        Catalog catalog(*m_db->connection);
        const auto base = catalog.FindTable(u"Parts"_s);
        QStringList out;
        for (const QString &name : tables) {
            const auto table = catalog.FindTable(name);
            if (!table) {
                out << u"missing"_s;
                continue;
            }
            const TableDistribution &d = table->Distribution;
            out << (d.kind == TableDistribution::Reference ? u"reference"_s
                    : d.kind == TableDistribution::Local   ? u"local"_s
                    : d.column == u"PartId" && d.colocationId == base->Distribution.colocationId
                            ? u"with Parts"_s
                            : u"sharded apart"_s);
        }
        return out;
    }

    void distributeBase()
    {
        QVERIFY(m_db->connection->ExecuteSql(u"SELECT create_distributed_table('\"Parts\"', 'PartId')"_s));
    }

    // Material (text), Qty (number), Ops (keyword list) and Finish (a picklist of Raw and
    // Anodized), with values on records 1-8; Ops includes Drill on the even records.
    void addColumnsAndValues(KvoHost::Host &host)
    {
        QVERIFY(KvoTest::addColumns(*host.columns(), {{u"Material"_s, fcText, {}, 30},
                                                      {u"Qty"_s, fcInteger32, {}, 0},
                                                      {u"Ops"_s, fcKeyword, {}, 20},
                                                      {.name = u"Finish"_s, .type = fcText, .textLengthInUI = 20,
                                                       .isPicklist = true, .picklistAllowBlanks = true,
                                                       .picklistDefault = u"Raw"_s}}));
        QVERIFY(!tool({u"picklist"_s, u"Finish"_s, u"add"_s, u"Anodized"_s}).startsWith(u"failed"_s));
        for (int id = 1; id <= 8; ++id) {
            QCOMPARE(tool({u"set"_s, QString::number(id), u"Material=Brass"_s, u"Qty=%1"_s.arg(id),
                           id % 2 ? u"Ops=Mill"_s : u"Ops=Mill, Drill"_s}),
                     QString());
        }
    }

    static const QStringList &setTables()
    {
        static const QStringList tables{u"PartsSearchData"_s, u"PartsSearchKeywordOps"_s,
                                        u"SearchColumnConfiguration"_s, u"PicklistPartsFinish"_s};
        return tables;
    }

private slots:

    // Beside a sharded base table, the library shards the tables it makes (a keyword table made
    // after values were saved among them) with the base table's rows and copies the definition
    // and picklist tables to every server; a filter joining them all then runs.
    void tablesMadeBesideAShardedBaseFollowIt()
    {
        distributeBase();
        KvoHost::Host host;
        host.use(*m_db);
        host.openTable(u"Parts"_s);
        QVERIFY(host.columns());
        addColumnsAndValues(host);
        QVERIFY(KvoTest::addColumns(*host.columns(), {{u"Tools"_s, fcKeyword, {}, 20}}));
        QCOMPARE(distribution(setTables() + QStringList{u"PartsSearchKeywordTools"_s}),
                 (QStringList{u"with Parts"_s, u"with Parts"_s, u"reference"_s, u"reference"_s, u"with Parts"_s}));

        QCOMPARE(tool({u"set"_s, u"3"_s, u"Tools=T1"_s, u"Finish=Anodized"_s}), QString());
        QCOMPARE(tool({u"filter"_s, u"Ops excludes Drill"_s, u"and"_s, u"Qty > 2"_s, u"--ids"_s}), u"3 5 7"_s);
        QCOMPARE(tool({u"filter"_s, u"Tools includes T1"_s, u"or"_s, u"Ops includes Drill"_s, u"--ids"_s}),
                 u"2 3 4 6 8"_s);
        QVERIFY(tool({u"get"_s, u"3"_s}).contains(u"Anodized"_s));

        // Column changes alter the sharded tables in place.
        for (const QStringList &change : {QStringList{u"change-type"_s, u"Qty"_s, u"--type"_s, u"text"_s, u"--yes"_s},
                                          QStringList{u"move-column"_s, u"Qty"_s, u"up"_s},
                                          QStringList{u"drop-column"_s, u"Tools"_s}, QStringList{u"check"_s, u"--mode"_s, u"1"_s}})
            QVERIFY2(!tool(change).startsWith(u"failed"_s), qPrintable(change.join(u' ')));
        QCOMPARE(tool({u"filter"_s, u"Qty = 7"_s, u"or"_s, u"Ops includes Drill"_s, u"--ids"_s}), u"2 4 6 7 8"_s);
        QCOMPARE(distribution({u"PartsSearchKeywordTools"_s}), QStringList{u"missing"_s});
    }

    // A column set made while the base table was local is brought in line by the table check once
    // the host has sharded the base table, its values kept.
    void tableCheckShardsAnOlderSet()
    {
        KvoHost::Host host;
        host.use(*m_db);
        host.openTable(u"Parts"_s);
        QVERIFY(host.columns());
        addColumnsAndValues(host);
        QCOMPARE(tool({u"set"_s, u"5"_s, u"Finish=Anodized"_s}), QString());
        QCOMPARE(distribution(setTables()), QStringList(4, u"local"_s));
        distributeBase();

        const QString check = tool({u"check"_s, u"--mode"_s, u"1"_s});
        QVERIFY2(!check.startsWith(u"failed"_s), qPrintable(check));
        QCOMPARE(distribution(setTables()), (QStringList{u"with Parts"_s, u"with Parts"_s, u"reference"_s, u"reference"_s}));
        QCOMPARE(tool({u"filter"_s, u"Ops excludes Drill"_s, u"and"_s, u"Finish = Anodized"_s, u"--ids"_s}), u"5"_s);
        QCOMPARE(tool({u"filter"_s, u"Qty > 6"_s, u"--ids"_s}), u"7 8"_s);
        // The rows copied to the shards are no longer kept on the coordinator as well.
        QCOMPARE(KvoTest::cell(*m_db->connection, u"SELECT pg_relation_size('\"PartsSearchData\"')"_s).toInt(), 0);
    }
};

QTEST_GUILESS_MAIN(TestClusterCitus)
#include "tst_cluster_citus.moc"
