#pragma once

#include "core/ccommon.h"
#include "core/interfaces.h"

#include "hostkit/basetablestructure.h"
#include "hostkit/catalog.h"
#include "hostkit/connection.h"
#include "hostkit/databasehandler.h"
#include "hostkit/userprofile.h"

#include <QElapsedTimer>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <memory>
#include <vector>

namespace KvoPlx800SCtl {
class CFilterColumns;
}

// What every benchmark executable shares: its options, fresh databases on each engine, a
// reference host over one base table, timing with alternating runs and medians, and the rows of
// the one result table that scripts/bench prints.
namespace KvoBench {

struct Options
{
    qint64 scale = 1000000;  // base records of the filter, population and add-column cases
    int records = 10000;     // records of the round trip
    int files = 10000;       // files of the import
    int displayColumns = 50; // columns of the data-entry control case
    int reps = 5;            // timed repetitions of each measurement (the median is reported)
    QStringList engines;     // "sqlite", "postgresql"
    QSet<int> cases;         // case numbers to run
    QString resultsFile;     // rows are appended here (tab-separated); empty: only printed
    QString workDir;         // where SQLite files and import files go
    bool keep = false;       // keep the databases (for a look at the query plans)

    bool wants(int number) const { return cases.contains(number); }

    // Parses the command line. On a usage error prints it and returns false with `exitCode` set.
    bool parse(const QStringList &arguments, const QString &usage, int *exitCode);
};

// One row of the result table.
struct Result
{
    int caseNumber = 0;
    QString what;         // the measured operation (e.g. "F03 Int32 range")
    QString engine;       // "SQLite", "PostgreSQL", or "-" when no database is involved
    double libraryMs = 0; // the library's measurement (milliseconds unless `unit` says otherwise)
    QString baseline;     // what the library was measured against
    double baselineMs = 0;
    double goalRatio = 0;                // the ratio library / baseline must be at most this
    double limitMs = 0;                  // and, when not 0, the library's time below this
    QString note;                        // rows, statements, memory: what the reader needs to judge the row
    QString unit = QStringLiteral("ms"); // of the two measurements

    double ratio() const { return baselineMs > 0 ? libraryMs / baselineMs : 0; }
    bool met() const { return ratio() <= goalRatio && (limitMs <= 0 || libraryMs < limitMs); }
    QString goalText() const;
};

// Appends rows and information lines to the results file (and echoes them as they come).
class Recorder
{
public:
    explicit Recorder(QString path) : m_path(std::move(path)) {}
    void info(const QString &key, const QString &value) const;
    void add(const Result &result) const;

private:
    QString m_path;
};

// Prints the one table (Markdown) of a results file, with the machine and database versions.
int printReport(const QString &resultsFile, const QString &markdownFile);

// Machine facts for the report header: CPU, cores, memory, system, compiler, Qt, load.
QList<QPair<QString, QString>> machineInfo();
QString loadAverage();

// --- Timing ---------------------------------------------------------------------------------

double median(std::vector<double> values);

// Milliseconds of one call.
double timeMs(const std::function<void()> &fn);

// Measures several competitors on the same state: one warm-up call each, then `reps` rounds in
// which every competitor runs once, the order rotating from round to round. Returns the median of
// each. `prepare` (not timed) runs before every single call when given. When the warm-up calls
// together take long, fewer rounds run (at least one) so that a measurement stays within ~30 s.
std::vector<double> alternate(const std::vector<std::function<void()>> &competitors, int reps,
                              const std::function<void()> &prepare = {});

// --- Databases ------------------------------------------------------------------------------

// A fresh database for one run: a file in a temporary folder on SQLite, a new schema on
// PostgreSQL (KVO_TEST_PG_URL names the database). Dropped when the object ends. The connection
// gets the session settings a host that writes many small transactions would choose: WAL with
// synchronous=NORMAL on SQLite, synchronous_commit off on PostgreSQL.
class BenchDatabase
{
public:
    static std::unique_ptr<BenchDatabase> open(const QString &engine, const QString &workDir, bool keep,
                                               QString *error);
    ~BenchDatabase();

    QString engine() const { return m_engine; } // "sqlite", "postgresql"
    QString engineName() const;                 // "SQLite", "PostgreSQL"
    QString url() const { return m_url; }
    QString serverVersion() const;
    KvoPlx800SCtl::HostKit::Connection &connection() { return *m_connection; }
    KvoPlx800SCtl::HostKit::Catalog &catalog() { return *m_catalog; }
    // Opens another connection to the same database with the same session settings.
    std::unique_ptr<KvoPlx800SCtl::HostKit::Connection> openSecond(QString *error) const;

    // Runs a statement; aborts the benchmark with the driver's message when it fails.
    void exec(const QString &sql);
    // Runs statements in one transaction.
    void execAll(const QStringList &statements);
    // First column of the first row.
    QVariant scalar(const QString &sql);
    // Refreshes the planner statistics of the tables (ANALYZE).
    void analyze(const QStringList &tables);

private:
    BenchDatabase() = default;
    static bool configureSession(KvoPlx800SCtl::HostKit::Connection &connection, QString *error);

    QString m_engine;
    QString m_url;
    QString m_adminUrl;
    QString m_dropStatement;
    bool m_keep = false;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<KvoPlx800SCtl::HostKit::Connection> m_connection;
    std::unique_ptr<KvoPlx800SCtl::HostKit::Catalog> m_catalog;
};

// Aborts the benchmark with a message (a benchmark that cannot measure must not print a row).
[[noreturn]] void die(const QString &message);

// Fetches every row of a query with a forward-only cursor and folds the first column (an integer
// key) into a count and a sum, so that the results of two queries can be compared.
struct KeySet
{
    qint64 count = 0;
    qint64 sum = 0;
    bool operator==(const KeySet &other) const { return count == other.count && sum == other.sum; }
};
KeySet fetchKeys(KvoPlx800SCtl::HostKit::Connection &connection, const QString &sql);

// Multi-row INSERTs of generated rows, all in one transaction: `rowsOf(id)` gives the rows of one
// record for ids first..last, each "(...)" and several separated by ", " (empty: none), and
// `batch` records go into one statement.
void insertRows(BenchDatabase &db, const QString &table, const QStringList &fields, qint64 first, qint64 last,
                const std::function<QString(qint64)> &rowsOf, int batch = 500);

// --- Reference host -------------------------------------------------------------------------

// The host components over one base table of a bench database, and the search filter made from
// them: what a host hands the library.
struct Host
{
    BenchDatabase *db = nullptr;
    std::unique_ptr<KvoPlx800SCtl::HostKit::DatabaseHandler> handler;
    std::unique_ptr<KvoPlx800SCtl::BaseTableInfo> baseTable;
    std::unique_ptr<KvoPlx800SCtl::HostKit::BaseTableStructure> structure;
    std::unique_ptr<QTemporaryDir> profileDir;
    std::unique_ptr<KvoPlx800SCtl::HostKit::UserProfile> profile;
    std::unique_ptr<KvoPlx800SCtl::CSearchFilter> filter;

    KvoPlx800SCtl::CFilterColumns *columns() const;
    // (Re)makes the search filter for base table `name` (the catalog is read afresh).
    void open(BenchDatabase &database, const QString &name);
};

// The column definitions of a benchmark: name, type, caption.
struct ColumnDef
{
    QString name;
    KvoPlx800SCtl::FilterColumnTypeConstants type;
};

// The search columns of the benchmark NC programs: nine of mixed types, a note and the keyword
// column Tags.
const QList<ColumnDef> &programColumns();

// Adds the columns to the host's column set and saves them (the library makes its tables);
// aborts when the save fails.
void defineColumns(Host &host, const QList<ColumnDef> &columns);

// Deterministic pseudo-random numbers of a record and a field: the same data on every engine and
// in every layout.
quint64 mix(quint64 record, quint64 field);

} // namespace KvoBench
