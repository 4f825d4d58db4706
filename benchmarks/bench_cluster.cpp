// Cases 8 and 9: one record read and saved as the data-entry control does (GetData, the fields
// typed, SaveData) on a cluster against the same on a single server, alternating record by record
// in one run. Case 8: a three-node replicated MariaDB cluster against a single MariaDB server;
// case 9 (--engine postgresql): distributed PostgreSQL, the base table sharded by its key over a
// coordinator and two workers, against a single PostgreSQL server.
//
//   bench_cluster [--engine mariadb|postgresql] [--records N] [--reps N] [--results FILE]
//
// KVO_TEST_MARIADB_URL names the single MariaDB server's database, KVO_TEST_GALERA_URL the
// cluster's (several hosts; the host works on the first); KVO_TEST_PG_URL and KVO_TEST_CITUS_URL
// (the coordinator) the PostgreSQL ones.
#include "benchsupport.h"

#include "columns/cfiltercolumns.h"
#include "data/recordeditor.h"

#include "referencehost/columndef.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>

using namespace KvoPlx800SCtl;
using namespace KvoBench;

namespace {

const QString Base = QStringLiteral("Jobs");

struct Side
{
    std::unique_ptr<KvoHost::ScratchDatabase> db;
    KvoHost::Host host;
    qint64 conflictsBefore = 0;

    Side(KvoHost::Engine engine, const QString &serverUrl, int records, bool shardBase)
    {
        QString error;
        db = KvoHost::ScratchDatabase::create(engine, {.prefix = QStringLiteral("kvo_bench_c"), .serverUrl = serverUrl},
                                              &error);
        if (!db)
            die(QStringLiteral("no database on %1: %2").arg(serverUrl, error));
        host.use(*db);
        if (!host.createBaseTable(Base, records))
            die(QStringLiteral("the base table was not made"));
        if (shardBase && !db->connection->ExecuteSql(QStringLiteral("SELECT create_distributed_table('\"%1\"', 'PartId')").arg(Base)))
            die(QStringLiteral("the base table was not sharded: ") + db->connection->lastError());
        host.openTable(Base);
        if (!host.columns()
            || !KvoHost::addColumns(*host.columns(), {{QStringLiteral("Material"), fcText, {}, 40},
                                                      {QStringLiteral("Qty"), fcInteger32, {}, 0},
                                                      {QStringLiteral("Weight"), fcDouble, {}, 0},
                                                      {QStringLiteral("Tags"), fcKeyword, {}, 40}}))
            die(QStringLiteral("the columns were not saved"));
    }

    // One record read and written back with new values.
    void roundTrip(qint32 record, quint64 seed)
    {
        CFilterColumns &set = *host.columns();
        RecordEditor editor(set);
        CMergeBaseEntry entry(record);
        if (!editor.load(&entry))
            die(QStringLiteral("GetData failed"));
        const quint64 h = mix(quint64(record), seed);
        const QStringList texts{QStringLiteral("Material %1").arg(h % 40), QString::number(h % 10000),
                                QString::number(double(h % 100000) / 100.0),
                                QStringLiteral("tag-%1, tag-%2").arg(h % 50).arg(50 + h % 37)};
        const QStringList names{QStringLiteral("Material"), QStringLiteral("Qty"), QStringLiteral("Weight"),
                                QStringLiteral("Tags")};
        QString error;
        for (int i = 0; i < names.size(); ++i) {
            if (!editor.setText(set.findByName(names.at(i)), texts.at(i), &error))
                die(error);
        }
        if (!editor.save(&entry))
            die(QStringLiteral("the save failed"));
    }
};

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    int records = 300;
    int reps = 3;
    QString results;
    bool postgres = false;
    const QStringList args = QCoreApplication::arguments();
    for (int i = 1; i + 1 < args.size(); i += 2) {
        if (args.at(i) == QLatin1String("--records"))
            records = qMax(1, args.at(i + 1).toInt());
        else if (args.at(i) == QLatin1String("--reps"))
            reps = qMax(1, args.at(i + 1).toInt());
        else if (args.at(i) == QLatin1String("--results"))
            results = args.at(i + 1);
        else if (args.at(i) == QLatin1String("--engine"))
            postgres = args.at(i + 1) == QLatin1String("postgresql");
    }
    const QString single = qEnvironmentVariable(postgres ? "KVO_TEST_PG_URL" : "KVO_TEST_MARIADB_URL");
    const QString cluster = qEnvironmentVariable(postgres ? "KVO_TEST_CITUS_URL" : "KVO_TEST_GALERA_URL");
    if (single.isEmpty() || cluster.isEmpty())
        die(postgres ? QStringLiteral("set KVO_TEST_PG_URL and KVO_TEST_CITUS_URL (scripts/cluster citus start)")
                     : QStringLiteral("set KVO_TEST_MARIADB_URL and KVO_TEST_GALERA_URL (scripts/cluster galera start)"));

    const KvoHost::Engine engine = postgres ? KvoHost::Engine::PostgreSQL : KvoHost::Engine::MariaDB;
    Side one(engine, single, records, false);
    Side three(engine, cluster, records, postgres);
    quint64 seed = 1;
    for (qint32 r = 1; r <= qMin(records, 50); ++r) { // warm-up
        one.roundTrip(r, seed++);
        three.roundTrip(r, seed++);
    }
    std::vector<double> singleMs, clusterMs;
    for (int pass = 0; pass < reps; ++pass) {
        qint64 ns[2] = {0, 0};
        QElapsedTimer timer;
        for (qint32 r = 1; r <= records; ++r) {
            for (int turn = 0; turn < 2; ++turn) {
                const int side = (turn + r + pass) % 2;
                timer.start();
                (side == 0 ? one : three).roundTrip(r, seed++);
                ns[side] += timer.nsecsElapsed();
            }
        }
        singleMs.push_back(double(ns[0]) / 1e6);
        clusterMs.push_back(double(ns[1]) / 1e6);
    }
    const Recorder recorder(results);
    recorder.info(QStringLiteral("load (1, 5, 15 min)"), loadAverage());
    recorder.add({postgres ? 9 : 8,
                  QStringLiteral("record read and saved (4 columns, a keyword list), %1 records").arg(records),
                  postgres ? QStringLiteral("distributed PostgreSQL, coordinator and 2 workers")
                           : QStringLiteral("MariaDB cluster, 3 nodes"),
                  median(clusterMs),
                  postgres ? QStringLiteral("single PostgreSQL server") : QStringLiteral("single MariaDB server"),
                  median(singleMs), 3.0, 0,
                  QStringLiteral("all nodes on one machine; %1 passes, reconnects %2")
                          .arg(reps)
                          .arg(three.host.connection().reconnectCount())});
    return 0;
}
