#pragma once

#include "referencehost/columndef.h"
#include "referencehost/database.h"
#include "referencehost/host.h"

#include <QElapsedTimer>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

// What every benchmark executable shares: its options, fresh databases on each engine, the
// reference host over one base table, timing with alternating runs and medians, and the rows of
// the one result table that scripts/bench prints.
namespace KvoBench {

using KvoHost::Host;
using KvoPlx800SCtl::HostKit::Engine;

struct Options
{
    qint64 scale = 500000;   // base records of the filter, population and add-column cases
    int records = 2000;      // records of the round trip
    int files = 2000;        // files of the import
    int displayColumns = 50; // columns of the data-entry control case
    int reps = 3;            // timed repetitions of each measurement (the median is reported)
    QList<Engine> engines;   // SQLite, PostgreSQL, MariaDB
    QSet<int> cases;         // case numbers to run
    QString resultsFile;     // rows are appended here (tab-separated); empty: only printed
    QString workDir;         // where SQLite files and import files go
    bool keep = false;       // keep the databases (for a look at the query plans)

    bool wants(int number) const { return cases.contains(number); }
    // The short names of the engines ("sqlite", "postgresql", "mariadb").
    QStringList engineNames() const;

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
    double limitMs = 0;                  // and, when not 0, the library's measurement below this
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

// A memory figure of this process from /proc/self/status in MB ("VmRSS:" now, "VmHWM:" its peak);
// -1 when it cannot be read.
double processMemoryMb(const char *field);
// Starts the peak ("VmHWM:") again from the present size; false where the system does not allow it.
bool resetPeakMemory();

// --- Timing ---------------------------------------------------------------------------------

double median(std::vector<double> values);

// Milliseconds of one call.
double timeMs(const std::function<void()> &fn);

// Measures several competitors on the same state: one warm-up call each, then `reps` rounds in
// which every competitor runs once, the order rotating from round to round. Returns the median of
// each. `prepare` (not timed) runs before every single call when given. When the warm-up calls
// together take long, fewer rounds run (at least one) so that a measurement stays within ~20 s.
std::vector<double> alternate(const std::vector<std::function<void()>> &competitors, int reps,
                              const std::function<void()> &prepare = {});

// --- Databases ------------------------------------------------------------------------------

// A fresh database for one run (a scratch database of the reference host; KVO_TEST_PG_URL names
// the PostgreSQL database). Dropped when the object ends unless kept. Its connections get the
// session settings a host that writes many small transactions would choose: WAL with
// synchronous=NORMAL on SQLite, synchronous_commit off on PostgreSQL.
class BenchDatabase
{
public:
    // Aborts the benchmark when the database cannot be made.
    static std::unique_ptr<BenchDatabase> open(Engine engine, const Options &options);
    ~BenchDatabase();

    Engine engine() const { return m_db->engine(); }
    QString engineName() const; // "SQLite", "PostgreSQL", "MariaDB"
    QString serverVersion() const;
    // How the database is set up for the run (file or server, the session settings).
    QString settingsNote() const;
    // An SQL expression giving the date field `field` as the text 'yyyy-MM-dd HH:mm:ss'.
    QString dateText(const QString &field) const;
    // The storage identity of a table (SQLite's root page, PostgreSQL's relfilenode, InnoDB's
    // table id): a rebuilt table gets a new one.
    QString storageOf(const QString &table);
    // Refreshes the planner statistics of every table of the run, including the dead-row
    // bookkeeping PostgreSQL's VACUUM keeps.
    void analyze(const QStringList &tables);
    KvoHost::Database &database() { return *m_db; }
    KvoPlx800SCtl::HostKit::Connection &connection() { return *m_db->connection; }
    KvoPlx800SCtl::HostKit::Catalog &catalog() { return *m_db->catalog; }

    // Runs a statement; aborts the benchmark with the driver's message when it fails.
    void exec(const QString &sql);
    // Runs statements in one transaction.
    void execAll(const QStringList &statements);
    // First column of the first row.
    QVariant scalar(const QString &sql);

private:
    explicit BenchDatabase(std::unique_ptr<KvoHost::ScratchDatabase> db, bool keep) : m_db(std::move(db)), m_keep(keep)
    {}

    std::unique_ptr<KvoHost::ScratchDatabase> m_db;
    bool m_keep;
};

struct BenchFacts;
// The benchmarks' facts of an engine; nullptr for an engine they do not run on.
const BenchFacts *benchFacts(Engine engine);

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

// Base table `table` with the integer key `key` and the texts Name (`nameOf` each record) and
// Machine ("Mill " and the record modulo `machines`), holding records 1..records.
void createNamedTable(BenchDatabase &db, const QString &table, const QString &key, qint64 records,
                      const std::function<QString(qint64)> &nameOf, int machines);

// --- Reference host -------------------------------------------------------------------------

// Sets `host` up on base table `name` of the bench database; aborts when the search filter cannot
// be set up.
void openHost(Host &host, BenchDatabase &database, const QString &name);

// A benchmark column: its name as caption, texts of 40 characters.
KvoPlx800SCtl::ColumnDefinition column(const QString &name, KvoPlx800SCtl::FilterColumnTypeConstants type);

// The search columns of the benchmark NC programs: nine of mixed types, a note and the keyword
// column Tags.
const QList<KvoPlx800SCtl::ColumnDefinition> &programColumns();

// Adds the columns to the host's column set and saves them (the library makes its tables, with an
// index on each field filters seek by when `indexed`), then makes the search filter again; aborts
// when the save fails.
void defineColumns(Host &host, const QList<KvoPlx800SCtl::ColumnDefinition> &columns, bool indexed = false);

// The label suffix of a measurement with indexed fields.
inline QString indexedLabel(bool indexed) { return indexed ? QStringLiteral(", indexed fields") : QString(); }

// Deterministic pseudo-random numbers of a record and a field: the same data on every engine and
// in every layout.
quint64 mix(quint64 record, quint64 field);

} // namespace KvoBench
