#include "benchsupport.h"

#include "referencehost/tables.h"

#include "columns/cfiltercolumns.h"

#include "hostkit/adotypes.h"
#include "hostkit/tablestructure.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QSysInfo>
#include <QTextStream>
#include <QThread>
#include <QtGlobal>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>

using namespace KvoPlx800SCtl;
using namespace KvoPlx800SCtl::HostKit;

namespace KvoBench {

namespace {

QTextStream &out()
{
    static QTextStream stream(stdout);
    return stream;
}

bool parseNumber(const QString &text, qint64 *value)
{
    QString digits = text;
    digits.remove(QLatin1Char('_'));
    qint64 factor = 1;
    if (digits.endsWith(QLatin1Char('k'), Qt::CaseInsensitive)) {
        factor = 1000;
        digits.chop(1);
    } else if (digits.endsWith(QLatin1Char('m'), Qt::CaseInsensitive)) {
        factor = 1000000;
        digits.chop(1);
    }
    bool ok = false;
    const qint64 n = digits.toLongLong(&ok);
    if (!ok || n <= 0)
        return false;
    *value = n * factor;
    return true;
}

QString readFirstLine(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    return QString::fromUtf8(file.readLine()).trimmed();
}

QString procValue(const QString &path, const QString &key)
{
    // Files under /proc report no size, so they are read whole rather than up to atEnd().
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    for (const QString &line : lines) {
        if (line.startsWith(key)) {
            const qsizetype colon = line.indexOf(QLatin1Char(':'));
            return line.mid(colon + 1).trimmed();
        }
    }
    return {};
}

} // namespace

// What the benchmarks do differently on each engine, in one place. %1 in `dateText` is the field,
// in `storage` the table (as a text literal of its name, or of its quoted name on PostgreSQL).
struct BenchFacts
{
    Engine engine;
    const char *urlVariable;       // the server database's variable (nullptr: a file database)
    const char *settings;          // how the run sets the database up
    const char *versionQuery;      // one row, one column
    const char *dateText;          // 'yyyy-MM-dd HH:mm:ss' of a date field
    const char *storage;           // the table's storage identity
    const char *analyze;           // refreshes the statistics of table %1
    bool quotedNameInStorageQuery; // %1 of `storage` is the quoted name
    std::array<const char *, 2> session; // statements run on each connection (nullptr: none)
};

namespace {

constexpr std::array<BenchFacts, 3> Facts{{
        {Engine::SQLite, nullptr, "file database, WAL, synchronous=NORMAL", "SELECT sqlite_version()", "%1",
         "SELECT rootpage FROM sqlite_master WHERE type = 'table' AND name = %1", "ANALYZE %1", false,
         {"PRAGMA journal_mode = WAL", "PRAGMA synchronous = NORMAL"}},
        {Engine::PostgreSQL, "KVO_TEST_PG_URL", "local server, synchronous_commit=off, work_mem=256MB",
         "SHOW server_version", "to_char(%1, 'YYYY-MM-DD HH24:MI:SS')", "SELECT pg_relation_filenode(%1)",
         "VACUUM ANALYZE %1", true,
         // work_mem lets the planner hash the IN lists of the EAV baseline's OR forms; with the
         // default 4 MB it scans them row by row (minutes a query at a million records).
         {"SET synchronous_commit = off", "SET work_mem = '256MB'"}},
        {Engine::MariaDB, "KVO_TEST_MARIADB_URL", "local server, InnoDB, the server's own settings",
         "SELECT VERSION()", "DATE_FORMAT(%1, '%Y-%m-%d %H:%i:%s')",
         "SELECT TABLE_ID FROM information_schema.INNODB_SYS_TABLES WHERE NAME = CONCAT(DATABASE(), '/', %1)",
         "ANALYZE TABLE %1", false, {nullptr, nullptr}},
}};

} // namespace

const BenchFacts *benchFacts(Engine engine)
{
    for (const BenchFacts &f : Facts) {
        if (f.engine == engine)
            return &f;
    }
    return nullptr;
}

namespace {

QString formatMs(double ms)
{
    if (ms >= 100)
        return QString::number(ms, 'f', 0);
    if (ms >= 10)
        return QString::number(ms, 'f', 1);
    return QString::number(ms, 'f', 2);
}

} // namespace

// --- Options --------------------------------------------------------------------------------

bool Options::parse(const QStringList &arguments, const QString &usage, int *exitCode)
{
    const auto usageError = [&](const QString &message) {
        std::fprintf(stderr, "%s\n%s\n", qPrintable(message), qPrintable(usage));
        *exitCode = 2;
        return false;
    };
    engines = {Engine::SQLite, Engine::PostgreSQL, Engine::MariaDB};
    cases = {1, 2, 3, 4, 5, 6};
    workDir = QDir::tempPath();
    for (int i = 1; i < arguments.size(); ++i) {
        const QString arg = arguments.at(i);
        QString name = arg;
        QString value;
        const qsizetype eq = arg.indexOf(QLatin1Char('='));
        if (arg.startsWith(QLatin1String("--")) && eq > 0) {
            name = arg.left(eq);
            value = arg.mid(eq + 1);
        } else if (arg == QLatin1String("-h") || arg == QLatin1String("--help")) {
            std::printf("%s\n", qPrintable(usage));
            *exitCode = 0;
            return false;
        } else if (arg.startsWith(QLatin1String("--"))) {
            if (i + 1 >= arguments.size())
                return usageError(QStringLiteral("%1 needs a value").arg(arg));
            value = arguments.at(++i);
        } else {
            return usageError(QStringLiteral("unknown argument '%1'").arg(arg));
        }
        qint64 n = 0;
        if (name == QLatin1String("--scale") || name == QLatin1String("--records") || name == QLatin1String("--files")
            || name == QLatin1String("--reps") || name == QLatin1String("--columns")) {
            if (!parseNumber(value, &n))
                return usageError(QStringLiteral("%1 needs a positive number, not '%2'").arg(name, value));
            if (name == QLatin1String("--scale"))
                scale = n;
            else if (name == QLatin1String("--records"))
                records = int(n);
            else if (name == QLatin1String("--files"))
                files = int(n);
            else if (name == QLatin1String("--columns"))
                displayColumns = int(n);
            else
                reps = int(n);
        } else if (name == QLatin1String("--engines")) {
            engines.clear();
            for (const QString &e : value.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
                const std::optional<Engine> engine = KvoHost::engineNamed(e.trimmed());
                if (!engine || !benchFacts(*engine))
                    return usageError(QStringLiteral("unknown engine '%1' (sqlite, postgresql, mariadb)").arg(e));
                engines << *engine;
            }
            if (engines.isEmpty())
                return usageError(QStringLiteral("--engines needs at least one engine"));
        } else if (name == QLatin1String("--cases")) {
            cases.clear();
            for (const QString &c : value.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
                bool ok = false;
                const int number = c.trimmed().toInt(&ok);
                if (!ok || number < 1 || number > 6)
                    return usageError(QStringLiteral("unknown case '%1' (1 to 6)").arg(c));
                cases << number;
            }
        } else if (name == QLatin1String("--results")) {
            resultsFile = value;
        } else if (name == QLatin1String("--workdir")) {
            workDir = value;
        } else if (name == QLatin1String("--keep")) {
            keep = value != QLatin1String("0") && value != QLatin1String("no");
        } else {
            return usageError(QStringLiteral("unknown option '%1'").arg(name));
        }
    }
    for (const Engine engine : std::as_const(engines)) {
        const char *variable = benchFacts(engine)->urlVariable;
        if (variable && KvoHost::serverUrl(engine).isEmpty())
            return usageError(QStringLiteral("%1 needs %2 (scripts/bench sets it), or leave it out of --engines")
                                      .arg(KvoHost::shortName(engine), QLatin1String(variable)));
    }
    return true;
}

QStringList Options::engineNames() const
{
    QStringList names;
    for (const Engine engine : engines)
        names << KvoHost::shortName(engine);
    return names;
}

// --- Results --------------------------------------------------------------------------------

QString Result::goalText() const
{
    QString text;
    if (goalRatio < 1)
        text = QStringLiteral("≥ %1× faster").arg(QString::number(1 / goalRatio, 'g', 3));
    else
        text = QStringLiteral("≤ %1").arg(QString::number(goalRatio, 'g', 3));
    if (limitMs > 0)
        text += QStringLiteral(", < %1 %2").arg(QString::number(limitMs, 'f', 0), unit);
    return text;
}

void Recorder::info(const QString &key, const QString &value) const
{
    out() << "  " << key << ": " << value << Qt::endl;
    if (m_path.isEmpty())
        return;
    QFile file(m_path);
    if (!file.open(QIODevice::Append | QIODevice::Text))
        die(QStringLiteral("cannot write %1").arg(m_path));
    QString clean = value;
    clean.replace(QLatin1Char('\t'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    file.write(QStringLiteral("#info\t%1\t%2\n").arg(key, clean).toUtf8());
}

void Recorder::add(const Result &r) const
{
    out() << QStringLiteral("  case %1 %2 %3: library %4, %5 %6, ratio %7 (goal %8) %9%10")
                     .arg(r.caseNumber)
                     .arg(r.engine, r.what, formatMs(r.libraryMs) + QLatin1Char(' ') + r.unit, r.baseline,
                          formatMs(r.baselineMs) + QLatin1Char(' ') + r.unit)
                     .arg(QString::number(r.ratio(), 'f', 3), r.goalText(),
                          r.met() ? QStringLiteral("met") : QStringLiteral("MISSED"),
                          r.note.isEmpty() ? QString() : QStringLiteral(" [") + r.note + QLatin1Char(']'))
          << Qt::endl;
    if (m_path.isEmpty())
        return;
    QFile file(m_path);
    if (!file.open(QIODevice::Append | QIODevice::Text))
        die(QStringLiteral("cannot write %1").arg(m_path));
    const QStringList fields{QString::number(r.caseNumber),
                             r.what,
                             r.engine,
                             QString::number(r.libraryMs, 'g', 10),
                             r.baseline,
                             QString::number(r.baselineMs, 'g', 10),
                             QString::number(r.goalRatio, 'g', 10),
                             QString::number(r.limitMs, 'g', 10),
                             r.note,
                             r.unit};
    file.write((QStringLiteral("#row\t") + fields.join(QLatin1Char('\t')) + QLatin1Char('\n')).toUtf8());
}

int printReport(const QString &resultsFile, const QString &markdownFile)
{
    QFile file(resultsFile);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        std::fprintf(stderr, "bench: cannot read %s\n", qPrintable(resultsFile));
        return 1;
    }
    QList<QPair<QString, QString>> infos;
    std::vector<Result> rows;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).chopped(1);
        const QStringList f = line.split(QLatin1Char('\t'));
        if (f.value(0) == QLatin1String("#info") && f.size() >= 3) {
            const auto existing =
                    std::find_if(infos.begin(), infos.end(), [&](const auto &p) { return p.first == f[1]; });
            if (existing == infos.end())
                infos.append({f[1], f[2]});
            else if (existing->second != f[2])
                existing->second += QStringLiteral("; ") + f[2];
        } else if (f.value(0) == QLatin1String("#row") && f.size() >= 11) {
            Result r;
            r.caseNumber = f[1].toInt();
            r.what = f[2];
            r.engine = f[3];
            r.libraryMs = f[4].toDouble();
            r.baseline = f[5];
            r.baselineMs = f[6].toDouble();
            r.goalRatio = f[7].toDouble();
            r.limitMs = f[8].toDouble();
            r.note = f[9];
            r.unit = f[10];
            rows.push_back(r);
        }
    }
    std::stable_sort(rows.begin(), rows.end(), [](const Result &a, const Result &b) {
        if (a.caseNumber != b.caseNumber)
            return a.caseNumber < b.caseNumber;
        return a.engine < b.engine;
    });

    QString text;
    QTextStream s(&text);
    s << "| | |\n|---|---|\n";
    for (const auto &[key, value] : std::as_const(infos))
        s << "| " << key << " | " << value << " |\n";
    s << "\n| case | measured | engine | library | baseline | baseline time | ratio | goal | met | notes |\n"
      << "|---|---|---|--:|---|--:|--:|---|---|---|\n";
    int met = 0;
    for (const Result &r : rows) {
        met += r.met() ? 1 : 0;
        s << "| " << r.caseNumber << " | " << r.what << " | " << r.engine << " | " << formatMs(r.libraryMs) << ' '
          << r.unit << " | " << r.baseline << " | " << formatMs(r.baselineMs) << ' ' << r.unit << " | "
          << QString::number(r.ratio(), 'f', 2) << " | " << r.goalText() << " | " << (r.met() ? "yes" : "**no**")
          << " | " << r.note << " |\n";
    }
    s << "\n" << met << " of " << rows.size() << " goals met.\n";
    s.flush();
    out() << Qt::endl << text << Qt::flush;
    if (!markdownFile.isEmpty()) {
        QFile md(markdownFile);
        if (!md.open(QIODevice::WriteOnly | QIODevice::Text | QIODevice::Truncate)) {
            std::fprintf(stderr, "bench: cannot write %s\n", qPrintable(markdownFile));
            return 1;
        }
        md.write(text.toUtf8());
    }
    return 0;
}

QString loadAverage()
{
    const QStringList parts = readFirstLine(QStringLiteral("/proc/loadavg")).split(QLatin1Char(' '));
    return parts.mid(0, 3).join(QLatin1Char(' '));
}

double processMemoryMb(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly | QIODevice::Text))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(int(qstrlen(field))).trimmed().split(' ').value(0).toDouble() / 1024.0;
    }
    return -1;
}

bool resetPeakMemory()
{
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    return refs.open(QIODevice::WriteOnly) && refs.write("5") == 1;
}

QList<QPair<QString, QString>> machineInfo()
{
    QList<QPair<QString, QString>> info;
    info.append({QStringLiteral("CPU"), procValue(QStringLiteral("/proc/cpuinfo"), QStringLiteral("model name"))});
    info.append({QStringLiteral("cores"), QString::number(QThread::idealThreadCount())});
    const QString memory = procValue(QStringLiteral("/proc/meminfo"), QStringLiteral("MemTotal"));
    info.append({QStringLiteral("memory"),
                 QStringLiteral("%1 GiB").arg(QString::number(
                         memory.split(QLatin1Char(' ')).value(0).toDouble() / 1024.0 / 1024.0, 'f', 1))});
    info.append({QStringLiteral("system"),
                 QSysInfo::prettyProductName() + QStringLiteral(", kernel ") + QSysInfo::kernelVersion()});
#if defined(__clang__)
    const QString compiler = QStringLiteral("clang ") + QString::fromLatin1(__clang_version__);
#elif defined(__GNUC__)
    const QString compiler = QStringLiteral("g++ ") + QString::fromLatin1(__VERSION__);
#else
    const QString compiler = QStringLiteral("unknown");
#endif
    info.append({QStringLiteral("compiler"), compiler});
    info.append({QStringLiteral("Qt"), QString::fromLatin1(qVersion())});
    return info;
}

// --- Timing ---------------------------------------------------------------------------------

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double timeMs(const std::function<void()> &fn)
{
    QElapsedTimer timer;
    timer.start();
    fn();
    return double(timer.nsecsElapsed()) / 1e6;
}

std::vector<double> alternate(const std::vector<std::function<void()>> &competitors, int reps,
                              const std::function<void()> &prepare)
{
    const size_t n = competitors.size();
    std::vector<std::vector<double>> times(n);
    double warmUpMs = 0;
    for (const auto &competitor : competitors) {
        if (prepare)
            prepare();
        warmUpMs += timeMs(competitor);
    }
    // A slow competitor (an EAV query running for many seconds, say) gets fewer rounds, so that
    // the default run keeps its time; the median of fewer rounds still compares like with like.
    constexpr double BudgetMs = 20000;
    if (warmUpMs * reps > BudgetMs)
        reps = qMax(1, int(BudgetMs / warmUpMs));
    for (int round = 0; round < reps; ++round) {
        for (size_t k = 0; k < n; ++k) {
            const size_t i = (k + size_t(round)) % n;
            if (prepare)
                prepare();
            times[i].push_back(timeMs(competitors[i]));
        }
    }
    std::vector<double> medians;
    for (auto &t : times)
        medians.push_back(median(t));
    return medians;
}

// --- Databases ------------------------------------------------------------------------------

void die(const QString &message)
{
    std::fprintf(stderr, "bench: %s\n", qPrintable(message));
    std::fflush(stdout);
    std::exit(1);
}

std::unique_ptr<BenchDatabase> BenchDatabase::open(Engine engine, const Options &options)
{
    KvoHost::ScratchOptions scratch{
            .prefix = QStringLiteral("kvo_bench"), .folder = options.workDir, .keep = options.keep};
    for (const char *statement : benchFacts(engine)->session) {
        if (statement)
            scratch.sessionStatements << QString::fromLatin1(statement);
    }
    QString error;
    auto db = KvoHost::ScratchDatabase::create(engine, scratch, &error);
    if (!db)
        die(QStringLiteral("no %1 database: %2").arg(KvoHost::shortName(engine), error));
    return std::unique_ptr<BenchDatabase>(new BenchDatabase(std::move(db), options.keep));
}

BenchDatabase::~BenchDatabase()
{
    if (m_keep)
        std::fprintf(stderr, "bench: kept %s\n", qPrintable(m_db->url()));
}

QString BenchDatabase::engineName() const { return m_db->connection->dialect().engineName(); }

QString BenchDatabase::serverVersion() const
{
    QSqlQuery query(m_db->connection->database());
    if (!query.exec(QLatin1String(benchFacts(engine())->versionQuery)) || !query.next())
        return QStringLiteral("unknown");
    return query.value(0).toString();
}

QString BenchDatabase::settingsNote() const { return QLatin1String(benchFacts(engine())->settings); }

QString BenchDatabase::dateText(const QString &field) const
{
    return QString::fromLatin1(benchFacts(engine())->dateText).arg(field);
}

QString BenchDatabase::storageOf(const QString &table)
{
    const BenchFacts &f = *benchFacts(engine());
    Connection &c = connection();
    return scalar(QString::fromLatin1(f.storage).arg(c.QuoteText(f.quotedNameInStorageQuery ? c.QuoteName(table) : table)))
            .toString();
}

void BenchDatabase::analyze(const QStringList &tables)
{
    for (const QString &table : tables)
        exec(QString::fromLatin1(benchFacts(engine())->analyze).arg(connection().QuoteName(table)));
}

void BenchDatabase::exec(const QString &sql)
{
    if (!connection().ExecuteSql(sql))
        die(QStringLiteral("SQL failed: %1\n  %2").arg(connection().lastError(), sql.left(400)));
}

void BenchDatabase::execAll(const QStringList &statements)
{
    if (!connection().BeginTransaction())
        die(connection().lastError());
    for (const QString &sql : statements)
        exec(sql);
    if (!connection().CommitTransaction())
        die(connection().lastError());
}

QVariant BenchDatabase::scalar(const QString &sql)
{
    QSqlQuery query(connection().database());
    if (!query.exec(sql) || !query.next())
        die(QStringLiteral("SQL failed: %1\n  %2").arg(query.lastError().text(), sql));
    return query.value(0);
}

KeySet fetchKeys(Connection &connection, const QString &sql)
{
    QSqlQuery query(connection.database());
    query.setForwardOnly(true);
    if (!query.exec(sql))
        die(QStringLiteral("query failed: %1\n  %2").arg(query.lastError().text(), sql));
    KeySet keys;
    while (query.next()) {
        ++keys.count;
        keys.sum += query.value(0).toLongLong();
    }
    return keys;
}

void insertRows(BenchDatabase &db, const QString &table, const QStringList &fields, qint64 first, qint64 last,
                const std::function<QString(qint64)> &rowsOf, int batch)
{
    QString error;
    if (!KvoHost::insertRows(db.connection(), table, fields, first, last, rowsOf, &error, batch))
        die(QStringLiteral("filling %1 failed: %2").arg(table, error));
}

void createNamedTable(BenchDatabase &db, const QString &table, const QString &key, qint64 records,
                      const std::function<QString(qint64)> &nameOf, int machines)
{
    using namespace KvoPlx800SCtl::HostKit;
    TableStructure s(table);
    s.addField(key, adInteger, 0, false);
    s.addField(QStringLiteral("Name"), adVarWChar, 64);
    s.addField(QStringLiteral("Machine"), adVarWChar, 32);
    s.addKey(QStringLiteral("PK_") + table, KeyKind::Primary, {key});
    if (!s.Create(db.catalog()))
        die(QStringLiteral("creating %1 failed: %2").arg(table, s.lastError()));
    Connection &c = db.connection();
    insertRows(db, table, {key, QStringLiteral("Name"), QStringLiteral("Machine")}, 1, records, [&](qint64 r) {
        return QStringLiteral("(%1, %2, %3)")
                .arg(r)
                .arg(c.QuoteText(nameOf(r)), c.QuoteText(QStringLiteral("Mill %1").arg(r % machines)));
    });
}

// --- Host -----------------------------------------------------------------------------------

void openHost(Host &host, BenchDatabase &database, const QString &name)
{
    host.use(database.database());
    host.openTable(name);
    if (!host.structure)
        die(QStringLiteral("no base table %1").arg(name));
    if (!host.columns())
        die(QStringLiteral("the search filter of %1 could not be set up").arg(name));
}

KvoPlx800SCtl::ColumnDefinition column(const QString &name, FilterColumnTypeConstants type)
{
    return {.name = name, .type = type, .caption = name, .textLengthInUI = 40, .picklistAllowBlanks = true};
}

const QList<KvoPlx800SCtl::ColumnDefinition> &programColumns()
{
    static const QList<KvoPlx800SCtl::ColumnDefinition> columns{
            column(QStringLiteral("Material"), fcText),       column(QStringLiteral("Customer"), fcText),
            column(QStringLiteral("PartNo"), fcText),         column(QStringLiteral("Quantity"), fcInteger32),
            column(QStringLiteral("Operation"), fcInteger16), column(QStringLiteral("Weight"), fcDouble),
            column(QStringLiteral("Tolerance"), fcSingle),    column(QStringLiteral("Released"), fcDateTime),
            column(QStringLiteral("Approved"), fcBoolean),    column(QStringLiteral("Remarks"), fcNote),
            column(QStringLiteral("Tags"), fcKeyword),
    };
    return columns;
}

void defineColumns(Host &host, const QList<KvoPlx800SCtl::ColumnDefinition> &columns, bool indexed)
{
    host.columns()->setIndexedFields(indexed);
    if (!KvoHost::addColumns(*host.columns(), columns))
        die(QStringLiteral("the columns of %1 could not be saved").arg(host.baseTable->TableName()));
    host.reopenFilter();
    if (!host.columns())
        die(QStringLiteral("the search filter of %1 could not be set up again").arg(host.baseTable->TableName()));
}

quint64 mix(quint64 record, quint64 field)
{
    quint64 z = record * 0x9E3779B97F4A7C15ull + field * 0xD1B54A32D192ED03ull + 0x632BE59BD9B4E019ull;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

} // namespace KvoBench
