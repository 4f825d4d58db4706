// Cases 1, 3 and 4 on one data set: a base table of NC programs with ten search columns of mixed
// types and a keyword column (about two keywords a record), made by the library (ColumnsSave),
// filled with generated values; the same values in an entity-attribute-value table.
#include "cases.h"

#include "columns/cfiltercolumns.h"
#include "columns/tablecheck.h"
#include "core/conversions.h"
#include "filter/cfilterterms.h"

#include "hostkit/adotypes.h"
#include "hostkit/dialect.h"
#include "hostkit/tablestructure.h"

#include <QRegularExpression>
#include <QScopeGuard>
#include <QSqlQuery>

#include <array>
#include <cmath>
#include <map>

using namespace KvoPlx800SCtl;
using namespace KvoPlx800SCtl::HostKit;

namespace KvoBench {

namespace {

const QString Base = QStringLiteral("Programs");
const QString Key = QStringLiteral("ProgramId");
const QString SearchData = QStringLiteral("ProgramsSearchData");
const QString Keywords = QStringLiteral("ProgramsSearchKeywordTags");
const QString Eav = QStringLiteral("ProgramsEav");

const QList<KvoPlx800SCtl::ColumnDefinition> &Columns = programColumns();

constexpr int TagCount = 100;

// Tags follow a Zipf-like law: tag k is drawn with weight 1 / (k + 1).
const std::array<double, TagCount> &tagCumulative()
{
    static const std::array<double, TagCount> cumulative = [] {
        std::array<double, TagCount> c{};
        double sum = 0;
        for (int k = 0; k < TagCount; ++k)
            sum += 1.0 / (k + 1);
        double run = 0;
        for (int k = 0; k < TagCount; ++k) {
            run += 1.0 / (k + 1) / sum;
            c[size_t(k)] = run;
        }
        return c;
    }();
    return cumulative;
}

QString tagName(int k) { return QStringLiteral("tag-%1").arg(k, 3, 10, QLatin1Char('0')); }

// The values of one record, the same on every engine and in every layout.
struct Record
{
    qint64 id;
    QString material, customer, partNo;
    qint64 quantity, operation;
    double weight, tolerance;
    QDateTime released;
    bool approved;
    QString remarks; // empty: NULL
    QStringList tags;

    explicit Record(qint64 r) : id(r)
    {
        const auto h = [r](int field) { return mix(quint64(r), quint64(field)); };
        material = QStringLiteral("Material %1").arg(h(10) % 40, 2, 10, QLatin1Char('0'));
        customer = QStringLiteral("Customer %1").arg(h(11) % 2000, 4, 10, QLatin1Char('0'));
        partNo = QStringLiteral("P-%1").arg(h(12) % 1000000, 6, 10, QLatin1Char('0'));
        quantity = qint64(h(13) % 10000);
        operation = 10 * qint64(1 + h(14) % 99);
        weight = double(h(15) % 1000000) / 1000.0;
        tolerance = double(h(16) % 1000) / 1000.0;
        static const QDateTime start(QDate(2015, 1, 1), QTime(0, 0));
        released = start.addSecs(qint64(h(17) % (3650ull * 86400ull)));
        approved = h(18) % 10 != 0;
        if (h(19) % 10 < 3)
            remarks = QStringLiteral("Checked by inspector %1").arg(h(19) % 50);
        const int count = int(h(20) % 5);
        const auto &cumulative = tagCumulative();
        for (int i = 0; i < count; ++i) {
            const double u = double(h(21 + i) >> 11) / double(1ull << 53);
            const int k = int(std::lower_bound(cumulative.begin(), cumulative.end(), u) - cumulative.begin());
            const QString tag = tagName(qMin(k, TagCount - 1));
            if (!tags.contains(tag))
                tags << tag;
        }
    }
};

QString baseRow(const Connection &c, qint64 r)
{
    const auto h = [r](int field) { return mix(quint64(r), quint64(field)); };
    return QStringLiteral("(%1, %2, %3, %4)")
            .arg(r)
            .arg(c.QuoteText(QStringLiteral("O%1.nc").arg(r, 7, 10, QLatin1Char('0'))),
                 c.QuoteText(QStringLiteral("Machine %1").arg(h(1) % 20, 2, 10, QLatin1Char('0'))))
            .arg(h(2) % 9 + 1);
}

QString searchRow(const Connection &c, const Record &v)
{
    return QStringLiteral("(%1, %2, %3, %4, %5, %6, %7, %8, %9, %10, %11)")
            .arg(v.id)
            .arg(c.QuoteText(v.material), c.QuoteText(v.customer), c.QuoteText(v.partNo))
            .arg(v.quantity)
            .arg(v.operation)
            .arg(QString::number(v.weight, 'f', 3), QString::number(v.tolerance, 'f', 3), c.SqlDateLiteral(v.released))
            .arg(v.approved ? 1 : 0)
            .arg(v.remarks.isEmpty() ? QStringLiteral("NULL") : c.QuoteText(v.remarks));
}

// The fields of a search-data row as searchRow() writes them.
QStringList searchFields()
{
    QStringList fields{Key};
    for (const KvoPlx800SCtl::ColumnDefinition &col : Columns) {
        if (col.type != fcKeyword)
            fields << col.name;
    }
    return fields;
}

QString keywordRows(const Connection &c, const Record &v)
{
    QStringList rows;
    for (const QString &tag : v.tags)
        rows << QStringLiteral("(%1, %2)").arg(v.id).arg(c.QuoteText(tag));
    return rows.join(QStringLiteral(", "));
}

// Hand-written SQL: [Name] is a quoted name, {d yyyy-MM-dd HH:mm:ss} a date literal.
QString handSql(const Connection &c, const QString &text)
{
    static const QRegularExpression names(QStringLiteral("\\[([A-Za-z0-9_]+)\\]"));
    static const QRegularExpression dates(QStringLiteral("\\{d ([0-9: -]+)\\}"));
    QString sql = text;
    for (auto m = dates.match(sql); m.hasMatch(); m = dates.match(sql)) {
        const QDateTime when = QDateTime::fromString(m.captured(1), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        sql.replace(m.capturedStart(), m.capturedLength(), c.SqlDateLiteral(when));
    }
    for (auto m = names.match(sql); m.hasMatch(); m = names.match(sql))
        sql.replace(m.capturedStart(), m.capturedLength(), c.QuoteName(m.captured(1)));
    return sql;
}

struct Term
{
    EConjunctions conjunction;
    QString field;
    EComparisonOperations op;
    QString compareTo;
    bool baseField = false;
};

struct FilterCase
{
    QString id;
    QString label;
    QList<Term> terms;
    QString hand; // best hand-written query on the same tables
    QString eav;  // the same filter on the entity-attribute-value table
};

// The twelve filters. The hand-written queries join the search-data table to the base table (a
// search-data row whose record is gone must not count) and test keywords with EXISTS.
QList<FilterCase> filterCases()
{
    const QString join = QStringLiteral("SELECT p.[ProgramId] FROM [Programs] p JOIN [ProgramsSearchData] s "
                                        "ON s.[ProgramId] = p.[ProgramId] WHERE ");
    const QString onBase = QStringLiteral("SELECT p.[ProgramId] FROM [Programs] p WHERE ");
    const auto eavIn = [](const QString &attr, const QString &condition) {
        return QStringLiteral("p.[ProgramId] IN (SELECT e.[Rec] FROM [ProgramsEav] e WHERE e.[Attr] = '%1' AND %2)")
                .arg(attr, condition);
    };
    const auto kwExists = [](const QString &tag) {
        return QStringLiteral("EXISTS (SELECT 1 FROM [ProgramsSearchKeywordTags] k WHERE k.[ProgramId] = "
                              "p.[ProgramId] AND k.[Tags] = '%1')")
                .arg(tag);
    };
    return {
            {QStringLiteral("F01"),
             QStringLiteral("text ="),
             {{kvoCJ_None, QStringLiteral("Material"), kvoOP_Equals, QStringLiteral("Material 07")}},
             join + QStringLiteral("s.[Material] = 'Material 07'"),
             onBase + eavIn(QStringLiteral("Material"), QStringLiteral("e.[Val] = 'Material 07'"))},
            {QStringLiteral("F02"),
             QStringLiteral("text LIKE prefix"),
             {{kvoCJ_None, QStringLiteral("PartNo"), kvoOP_IsLike, QStringLiteral("P-12%")}},
             join + QStringLiteral("s.[PartNo] LIKE 'P-12%'"),
             onBase + eavIn(QStringLiteral("PartNo"), QStringLiteral("e.[Val] LIKE 'P-12%'"))},
            {QStringLiteral("F03"),
             QStringLiteral("Int32 range"),
             {{kvoCJ_None, QStringLiteral("Quantity"), kvoOP_GreatorOrEqual, QStringLiteral("1000")},
              {kvoCJ_And, QStringLiteral("Quantity"), kvoOP_Less, QStringLiteral("1100")}},
             join + QStringLiteral("s.[Quantity] >= 1000 AND s.[Quantity] < 1100"),
             onBase + eavIn(QStringLiteral("Quantity"), QStringLiteral("e.[Num] >= 1000 AND e.[Num] < 1100"))},
            {QStringLiteral("F04"),
             QStringLiteral("Int16 = AND single <"),
             {{kvoCJ_None, QStringLiteral("Operation"), kvoOP_Equals, QStringLiteral("500")},
              {kvoCJ_And, QStringLiteral("Tolerance"), kvoOP_Less, QStringLiteral("0.05")}},
             join + QStringLiteral("s.[Operation] = 500 AND s.[Tolerance] < 0.05"),
             onBase + eavIn(QStringLiteral("Operation"), QStringLiteral("e.[Num] = 500")) + QStringLiteral(" AND ")
                     + eavIn(QStringLiteral("Tolerance"), QStringLiteral("e.[Num] < 0.05"))},
            {QStringLiteral("F05"),
             QStringLiteral("double >"),
             {{kvoCJ_None, QStringLiteral("Weight"), kvoOP_Greater, QStringLiteral("995")}},
             join + QStringLiteral("s.[Weight] > 995"),
             onBase + eavIn(QStringLiteral("Weight"), QStringLiteral("e.[Num] > 995"))},
            {QStringLiteral("F06"),
             QStringLiteral("date range"),
             {{kvoCJ_None, QStringLiteral("Released"), kvoOP_GreatorOrEqual, QStringLiteral("2020-06-01")},
              {kvoCJ_And, QStringLiteral("Released"), kvoOP_Less, QStringLiteral("2020-07-01")}},
             join
                     + QStringLiteral(
                             "s.[Released] >= {d 2020-06-01 00:00:00} AND s.[Released] < {d 2020-07-01 00:00:00}"),
             onBase
                     + eavIn(QStringLiteral("Released"),
                             QStringLiteral("e.[Val] >= '2020-06-01 00:00:00' AND e.[Val] < '2020-07-01 00:00:00'"))},
            {QStringLiteral("F07"),
             QStringLiteral("Boolean false"),
             {{kvoCJ_None, QStringLiteral("Approved"), kvoOP_IsFalse, QString()}},
             join + QStringLiteral("s.[Approved] = 0"),
             onBase + eavIn(QStringLiteral("Approved"), QStringLiteral("e.[Num] = 0"))},
            {QStringLiteral("F08"),
             QStringLiteral("keyword includes"),
             {{kvoCJ_None, QStringLiteral("Tags"), kvoOP_Includes, QStringLiteral("tag-042")}},
             QStringLiteral("SELECT p.[ProgramId] FROM [Programs] p JOIN [ProgramsSearchKeywordTags] k "
                            "ON k.[ProgramId] = p.[ProgramId] WHERE k.[Tags] = 'tag-042'"),
             onBase + eavIn(QStringLiteral("Tags"), QStringLiteral("e.[Val] = 'tag-042'"))},
            {QStringLiteral("F09"),
             QStringLiteral("text = AND keyword excludes"),
             {{kvoCJ_None, QStringLiteral("Material"), kvoOP_Equals, QStringLiteral("Material 12")},
              {kvoCJ_And, QStringLiteral("Tags"), kvoOP_Excludes, QStringLiteral("tag-000")}},
             join + QStringLiteral("s.[Material] = 'Material 12' AND NOT ") + kwExists(QStringLiteral("tag-000")),
             onBase + eavIn(QStringLiteral("Material"), QStringLiteral("e.[Val] = 'Material 12'"))
                     + QStringLiteral(" AND NOT EXISTS (SELECT 1 FROM [ProgramsEav] e WHERE e.[Rec] = p.[ProgramId] "
                                      "AND e.[Attr] = 'Tags' AND e.[Val] = 'tag-000')")},
            {QStringLiteral("F10"),
             QStringLiteral("OR of text =, Int32 > AND Boolean"),
             {{kvoCJ_None, QStringLiteral("Customer"), kvoOP_Equals, QStringLiteral("Customer 0042")},
              {kvoCJ_OR, QStringLiteral("Quantity"), kvoOP_Greater, QStringLiteral("9990")},
              {kvoCJ_And, QStringLiteral("Approved"), kvoOP_IsTrue, QString()}},
             join + QStringLiteral("s.[Customer] = 'Customer 0042' OR s.[Quantity] > 9990 AND s.[Approved] <> 0"),
             onBase + eavIn(QStringLiteral("Customer"), QStringLiteral("e.[Val] = 'Customer 0042'"))
                     + QStringLiteral(" OR ") + eavIn(QStringLiteral("Quantity"), QStringLiteral("e.[Num] > 9990"))
                     + QStringLiteral(" AND ") + eavIn(QStringLiteral("Approved"), QStringLiteral("e.[Num] <> 0"))},
            {QStringLiteral("F11"),
             QStringLiteral("base field AND double <"),
             {{kvoCJ_None, QStringLiteral("Machine"), kvoOP_Equals, QStringLiteral("Machine 03"), true},
              {kvoCJ_And, QStringLiteral("Weight"), kvoOP_Less, QStringLiteral("50")}},
             join + QStringLiteral("p.[Machine] = 'Machine 03' AND s.[Weight] < 50"),
             onBase + QStringLiteral("p.[Machine] = 'Machine 03' AND ")
                     + eavIn(QStringLiteral("Weight"), QStringLiteral("e.[Num] < 50"))},
            {QStringLiteral("F12"),
             QStringLiteral("keyword AND date OR LIKE AND Boolean"),
             {{kvoCJ_None, QStringLiteral("Tags"), kvoOP_Includes, QStringLiteral("tag-005")},
              {kvoCJ_And, QStringLiteral("Released"), kvoOP_GreatorOrEqual, QStringLiteral("2024-01-01")},
              {kvoCJ_OR, QStringLiteral("PartNo"), kvoOP_IsLike, QStringLiteral("P-99%")},
              {kvoCJ_And, QStringLiteral("Approved"), kvoOP_IsTrue, QString()}},
             join + kwExists(QStringLiteral("tag-005"))
                     + QStringLiteral(" AND s.[Released] >= {d 2024-01-01 00:00:00} OR s.[PartNo] LIKE 'P-99%' AND "
                                      "s.[Approved] <> 0"),
             onBase + eavIn(QStringLiteral("Tags"), QStringLiteral("e.[Val] = 'tag-005'")) + QStringLiteral(" AND ")
                     + eavIn(QStringLiteral("Released"), QStringLiteral("e.[Val] >= '2024-01-01 00:00:00'"))
                     + QStringLiteral(" OR ") + eavIn(QStringLiteral("PartNo"), QStringLiteral("e.[Val] LIKE 'P-99%'"))
                     + QStringLiteral(" AND ") + eavIn(QStringLiteral("Approved"), QStringLiteral("e.[Num] <> 0"))},
    };
}

QString secondsText(double ms) { return QString::number(ms / 1000.0, 'f', 1) + QStringLiteral(" s"); }

// --- The data set ---------------------------------------------------------------------------

class ScaleData
{
public:
    ScaleData(BenchDatabase &db, const Options &options) : m_db(db), m_records(options.scale) {}

    void build(const Recorder &recorder);
    Host &host() { return m_host; }
    qint64 records() const { return m_records; }

private:
    void createBaseTable();
    void fillEav();

    BenchDatabase &m_db;
    qint64 m_records;
    Host m_host;
};

void ScaleData::createBaseTable()
{
    TableStructure s(Base);
    s.addField(Key, adInteger, 0, false);
    s.addField(QStringLiteral("FileName"), adVarWChar, 64);
    s.addField(QStringLiteral("Machine"), adVarWChar, 32);
    s.addField(QStringLiteral("Revision"), adInteger);
    s.addKey(QStringLiteral("PK_") + Base, KeyKind::Primary, {Key});
    if (!s.Create(m_db.catalog()))
        die(QStringLiteral("creating %1 failed: %2").arg(Base, s.lastError()));
}

void ScaleData::fillEav()
{
    Connection &c = m_db.connection();
    const QString create = handSql(c, QStringLiteral("CREATE TABLE [ProgramsEav] ([Rec] INTEGER NOT NULL, [Attr] "
                                                     "VARCHAR(32) NOT NULL, [Val] VARCHAR(255), [Num] %1)"))
                                   .arg(c.dialect().columnType(adDouble, 0));
    m_db.exec(create);
    // Dates as 'yyyy-MM-dd HH:mm:ss' texts, which compare as dates.
    const QString dateText = m_db.dateText(QStringLiteral("s.[Released]"));
    QStringList statements;
    const auto add = [&](const QString &attr, const QString &val, const QString &num, const QString &from) {
        statements << handSql(c, QStringLiteral("INSERT INTO [ProgramsEav] ([Rec], [Attr], [Val], [Num]) SELECT "
                                                "s.[ProgramId], '%1', %2, %3 FROM %4 s WHERE %5 IS NOT NULL")
                                         .arg(attr, val, num, from, val == QLatin1String("NULL") ? num : val));
    };
    for (const QString &text :
         {QStringLiteral("Material"), QStringLiteral("Customer"), QStringLiteral("PartNo"), QStringLiteral("Remarks")})
        add(text, QStringLiteral("s.[%1]").arg(text), QStringLiteral("NULL"), QStringLiteral("[ProgramsSearchData]"));
    for (const QString &number : {QStringLiteral("Quantity"), QStringLiteral("Operation"), QStringLiteral("Weight"),
                                  QStringLiteral("Tolerance"), QStringLiteral("Approved")})
        add(number, QStringLiteral("NULL"), QStringLiteral("s.[%1]").arg(number),
            QStringLiteral("[ProgramsSearchData]"));
    add(QStringLiteral("Released"), dateText, QStringLiteral("NULL"), QStringLiteral("[ProgramsSearchData]"));
    add(QStringLiteral("Tags"), QStringLiteral("s.[Tags]"), QStringLiteral("NULL"),
        QStringLiteral("[ProgramsSearchKeywordTags]"));
    m_db.execAll(statements);
    m_db.execAll({handSql(c, QStringLiteral("CREATE INDEX [IX_ProgramsEav_Rec] ON [ProgramsEav] ([Rec], [Attr])")),
                  handSql(c, QStringLiteral("CREATE INDEX [IX_ProgramsEav_Val] ON [ProgramsEav] ([Attr], [Val])")),
                  handSql(c, QStringLiteral("CREATE INDEX [IX_ProgramsEav_Num] ON [ProgramsEav] ([Attr], [Num])"))});
}

void ScaleData::build(const Recorder &recorder)
{
    Connection &c = m_db.connection();
    const double baseMs = timeMs([&] {
        createBaseTable();
        insertRows(m_db, Base, {Key, QStringLiteral("FileName"), QStringLiteral("Machine"), QStringLiteral("Revision")},
                   1, m_records, [&](qint64 r) { return baseRow(c, r); });
    });
    const double tablesMs = timeMs([&] {
        openHost(m_host, m_db, Base);
        defineColumns(m_host, Columns);
    });
    const double dataMs = timeMs([&] {
        insertRows(m_db, SearchData, searchFields(), 1, m_records, [&](qint64 r) { return searchRow(c, Record(r)); });
        insertRows(m_db, Keywords, {Key, QStringLiteral("Tags")}, 1, m_records,
                   [&](qint64 r) { return keywordRows(c, Record(r)); });
    });
    const double eavMs = timeMs([&] { fillEav(); });
    const double analyzeMs = timeMs([&] {
        m_db.analyze({Base, SearchData, Keywords, Eav});
    });
    const qint64 keywordRowCount =
            m_db.scalar(handSql(c, QStringLiteral("SELECT COUNT(*) FROM [ProgramsSearchKeywordTags]"))).toLongLong();
    const qint64 eavRowCount =
            m_db.scalar(handSql(c, QStringLiteral("SELECT COUNT(*) FROM [ProgramsEav]"))).toLongLong();
    recorder.info(m_db.engineName() + QStringLiteral(" data set (cases 1, 3, 4)"),
                  QStringLiteral("%1 base records, %2 keyword rows, %3 EAV rows; built in %4 (base %5, library tables "
                                 "%6, search data %7, EAV %8, statistics %9)")
                          .arg(m_records)
                          .arg(keywordRowCount)
                          .arg(eavRowCount)
                          .arg(secondsText(baseMs + tablesMs + dataMs + eavMs + analyzeMs), secondsText(baseMs),
                               secondsText(tablesMs), secondsText(dataMs), secondsText(eavMs), secondsText(analyzeMs)));
}

// --- Case 1 ---------------------------------------------------------------------------------

// The filters of several terms, which the library must run at least five times as fast as the
// EAV layout (the others at least as fast).
bool multiTerm(const QString &id)
{
    return id == QLatin1String("F04") || id == QLatin1String("F09") || id == QLatin1String("F10")
           || id == QLatin1String("F11") || id == QLatin1String("F12");
}

// The EAV layout's tables and indexes are the same with and without indexed search-data fields, so
// each EAV query is timed once, on the first pass, into `eavTimes`, and the second pass reuses it.
void runFilterCase(ScaleData &data, BenchDatabase &db, const Options &options, const Recorder &recorder, bool indexed,
                   std::map<QString, double> &eavTimes)
{
    CFilterColumns *columns = data.host().columns();
    Connection &c = db.connection();
    for (const FilterCase &f : filterCases()) {
        CFilterTerms terms;
        terms.setFilterColumns(columns);
        for (const Term &t : f.terms) {
            const CFilterColumn *column = t.baseField ? nullptr : columns->findByName(t.field);
            const QString table = t.baseField ? columns->baseTableName() : columns->SearchTableName(column);
            const FilterComparisonClasses cls = data.host().filter->ComparisonClassOfField(t.field, table);
            if (!terms.Add(t.conjunction, table, t.field, cls, t.op, t.compareTo))
                die(QStringLiteral("%1: the term on %2 could not be added").arg(f.id, t.field));
        }
        const QString condition = terms.SQLString();
        if (condition.isEmpty())
            die(QStringLiteral("%1: no SQL").arg(f.id));
        const QString library = QStringLiteral("SELECT ") + c.QuoteName(Key) + QStringLiteral(" FROM ")
                                + c.QuoteName(Base) + QStringLiteral(" WHERE ") + condition;
        const QString hand = handSql(c, f.hand);
        const QString eav = handSql(c, f.eav);

        // The library and the hand-written query read the same tables and are timed as a pair, each
        // right after the other, with the same pages in the caches. The EAV query reads tables of its
        // own, large enough to push the search tables out of a server's buffer pool, and is timed
        // apart: timed between them, it would leave one of the two to run cold more often.
        KeySet libraryKeys, handKeys, eavKeys;
        const std::vector<double> ms =
                alternate({[&] { libraryKeys = fetchKeys(c, library); }, [&] { handKeys = fetchKeys(c, hand); }},
                          options.reps);
        const bool eavTimedBefore = eavTimes.contains(f.id);
        if (!eavTimedBefore)
            eavTimes[f.id] = alternate({[&] { eavKeys = fetchKeys(c, eav); }}, options.reps).front();
        const double eavMs = eavTimes[f.id];
        if (!(libraryKeys == handKeys) || (!eavTimedBefore && !(libraryKeys == eavKeys)))
            die(QStringLiteral(
                        "%1 on %2: the queries disagree (library %3 rows, hand-written %4, EAV %5)\n  %6\n  %7\n  %8")
                        .arg(f.id, db.engineName())
                        .arg(libraryKeys.count)
                        .arg(handKeys.count)
                        .arg(eavKeys.count)
                        .arg(library, hand, eav));
        const QString what = f.id + QLatin1Char(' ') + f.label + indexedLabel(indexed);
        const QString rows = QStringLiteral("%1 rows").arg(libraryKeys.count);
        Result a{1,
                 what,
                 db.engineName(),
                 ms[0],
                 QStringLiteral("hand-written SQL"),
                 ms[1],
                 1.1,
                 db.engine() == Engine::SQLite ? 1000.0 : 0.0,
                 rows};
        recorder.add(a);
        Result b{1, what, db.engineName(), ms[0], QStringLiteral("EAV layout"), eavMs, multiTerm(f.id) ? 0.2 : 1.0,
                 0, rows};
        recorder.add(b);
    }
}

// --- Case 3 ---------------------------------------------------------------------------------

void runPopulationCase(ScaleData &data, BenchDatabase &db, const Options &options, const Recorder &recorder,
                       bool indexed)
{
    Connection &c = db.connection();
    CFilterColumns *columns = data.host().columns();
    const qint64 n = data.records();
    const qint64 orphans = qMax<qint64>(1, n / 100);
    const QString t = c.QuoteName(SearchData);
    const QString k = c.QuoteName(Key);

    // Every tenth record loses its search-data row and one row in a hundred belongs to no record.
    const auto prepare = [&] {
        db.exec(QStringLiteral("DELETE FROM %1 WHERE %2 % 10 = 3").arg(t, k));
        insertRows(db, SearchData, {Key}, n + 1, n + orphans, [](qint64 r) { return QStringLiteral("(%1)").arg(r); });
        db.analyze({SearchData});
        // MariaDB purges deleted rows and their index entries in the background: waited for
        // here, so that it lands in neither of the timed calls.
        if (db.engine() == Engine::MariaDB)
            db.exec(QStringLiteral("SET GLOBAL innodb_max_purge_lag_wait = 0"));
    };

    const QDateTime now = Convert::now();
    QString fields = k;
    QString defaults = QStringLiteral("p.") + k;
    for (CFilterColumn *column : columns->NewEnum()) {
        if (column->ColumnType() == fcKeyword)
            continue;
        fields += QStringLiteral(", ") + c.QuoteName(column->Name());
        defaults += QStringLiteral(", ") + column->DefaultValueSql(now);
    }
    const QString insert =
            QStringLiteral("INSERT INTO %1 (%2) SELECT %3 FROM %4 p WHERE NOT EXISTS (SELECT 1 FROM %1 s "
                           "WHERE s.%5 = p.%5)")
                    .arg(t, fields, defaults, c.QuoteName(Base), k);
    const QString remove = QStringLiteral("DELETE FROM %1 WHERE NOT EXISTS (SELECT 1 FROM %2 p WHERE p.%3 = %1.%3)")
                                   .arg(t, c.QuoteName(Base), k);

    int libraryResult = 0;
    const std::vector<double> ms = alternate({[&] {
                                                  libraryResult = TableCheck(*columns).StartProcessDataReportProgress(
                                                          nullptr, false, ConvertMode::Convert, now);
                                              },
                                              [&] {
                                                  db.exec(insert);
                                                  db.exec(remove);
                                              }},
                                             options.reps, prepare);
    prepare();
    if (TableCheck(*columns).StartProcessDataReportProgress(nullptr, false, ConvertMode::Convert, now) != 0)
        die(QStringLiteral("the population check failed"));
    const qint64 rows = db.scalar(QStringLiteral("SELECT COUNT(*) FROM ") + t).toLongLong();
    if (libraryResult != 0 || rows != n)
        die(QStringLiteral("population check on %1: result %2, %3 rows instead of %4")
                    .arg(db.engineName())
                    .arg(libraryResult)
                    .arg(rows)
                    .arg(n));
    // The records the check gave default values get their own again, so that later filters still
    // select what the hand-written and EAV queries select.
    db.exec(QStringLiteral("DELETE FROM %1 WHERE %2 % 10 = 3").arg(t, k));
    insertRows(db, SearchData, searchFields(), 1, n,
               [&](qint64 r) { return r % 10 == 3 ? searchRow(c, Record(r)) : QString(); });
    recorder.add({3, QStringLiteral("population check, %1 base records%2").arg(n).arg(indexedLabel(indexed)),
                  db.engineName(), ms[0],
                  QStringLiteral("INSERT … SELECT and DELETE"), ms[1], 1.1, 0,
                  QStringLiteral("%1 rows added, %2 removed").arg(n / 10).arg(orphans)});
}

// --- Case 4 ---------------------------------------------------------------------------------

void runAddColumnCase(ScaleData &data, BenchDatabase &db, const Options &options, const Recorder &recorder)
{
    Connection &c = db.connection();
    CFilterColumns *columns = data.host().columns();
    const QString before = db.storageOf(SearchData);
    const qint64 statementsBefore = c.statementCount();
    int added = 0;
    int plain = 0;
    qint64 plainStatements = 0;
    const QString type = c.dialect().columnType(adInteger, 0);
    const std::vector<double> ms =
            alternate({[&] {
                           const QString name = QStringLiteral("Extra%1").arg(++added);
                           if (!columns->Add(name, name, QString(), fcInteger32, 10, false, true, QString(),
                                             fcDTDM_Configure, Variant::null(), false)
                               || !columns->ColumnsSave(nullptr))
                               die(QStringLiteral("ColumnsSave of %1 failed on %2").arg(name, db.engineName()));
                       },
                       [&] {
                           // The minimal equivalent: the field and its definition row, in one
                           // transaction where the engine's DDL can take part in one.
                           const QString name = QStringLiteral("Plain%1").arg(++plain);
                           const QStringList statements{
                                   QStringLiteral("ALTER TABLE %1 ADD COLUMN %2 %3 DEFAULT 0")
                                           .arg(c.QuoteName(SearchData), c.QuoteName(name), type),
                                   handSql(c, QStringLiteral("INSERT INTO [SearchColumnConfiguration] ([BaseTable], "
                                                             "[Position], [Name], [Type], [Size], [Caption], "
                                                             "[IsPicklist], [PicklistAllowBlanks], "
                                                             "[DateTimeDefaultMode], [DisableEditDateTime]) VALUES "
                                                             "('PlainPrograms', %1, '%2', %3, 10, '%2', 0, 1, 0, 0)"))
                                           .arg(plain)
                                           .arg(name)
                                           .arg(int(fcInteger32))};
                           const qint64 start = c.statementCount();
                           const auto counted = qScopeGuard([&] { plainStatements += c.statementCount() - start; });
                           if (c.dialect().transactionalDdl()) {
                               db.execAll(statements);
                           } else {
                               for (const QString &sql : statements)
                                   db.exec(sql);
                           }
                       }},
                      options.reps);
    const qint64 libraryStatements = (c.statementCount() - statementsBefore - plainStatements) / added;
    const QString after = db.storageOf(SearchData);
    recorder.add({4, QStringLiteral("ColumnsSave adding a column, %1 rows").arg(data.records()), db.engineName(), ms[0],
                  QStringLiteral("ALTER TABLE … ADD COLUMN and the definition row"), ms[1], 2, 0,
                  QStringLiteral("%1; statements: %2 a save, %3 by hand")
                          .arg(before == after ? QStringLiteral("table not rebuilt") : QStringLiteral("TABLE REBUILT"))
                          .arg(libraryStatements)
                          .arg(plainStatements / qMax(1, plain))});
}

} // namespace

void runScaleCases(BenchDatabase &db, const Options &options, const Recorder &recorder)
{
    ScaleData data(db, options);
    data.build(recorder);
    std::map<QString, double> eavTimes;
    if (options.wants(1))
        runFilterCase(data, db, options, recorder, false, eavTimes);
    if (options.wants(3))
        runPopulationCase(data, db, options, recorder, false);
    if (options.wants(4))
        runAddColumnCase(data, db, options, recorder);
    if (!options.wants(1) && !options.wants(3))
        return;
    // The same filters and population check with an index on each field filters seek by.
    CFilterColumns *columns = data.host().columns();
    columns->setIndexedFields(true);
    const double indexMs = timeMs([&] {
        if (!columns->ColumnsSave(nullptr))
            die(QStringLiteral("the indexes could not be made on %1").arg(db.engineName()));
    });
    db.analyze({SearchData});
    recorder.info(db.engineName() + QStringLiteral(" indexed fields"),
                  QStringLiteral("the indexes of %1 search columns made by ColumnsSave in %2")
                          .arg(columns->Count())
                          .arg(secondsText(indexMs)));
    if (options.wants(1))
        runFilterCase(data, db, options, recorder, true, eavTimes);
    if (options.wants(3))
        runPopulationCase(data, db, options, recorder, true);
}

} // namespace KvoBench
