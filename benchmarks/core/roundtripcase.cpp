// Case 2: one record read and written back through the column set (GetData, UpdatedValue,
// SaveDataFromClientUpdates) against the same statements sent straight through Qt SQL.
#include "cases.h"

#include "columns/cfiltercolumns.h"
#include "core/controls.h"

#include "hostkit/adotypes.h"
#include "hostkit/dialect.h"
#include "hostkit/tablestructure.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

using namespace KvoPlx800SCtl;
using namespace KvoPlx800SCtl::HostKit;

namespace KvoBench {

namespace {

const QString Base = QStringLiteral("Jobs");
const QString Key = QStringLiteral("JobId");
const QString SearchData = QStringLiteral("JobsSearchData");
const QString Keywords = QStringLiteral("JobsSearchKeywordTags");

const QList<KvoPlx800SCtl::ColumnDefinition> &Columns = programColumns();

// The values written for a record in one pass.
struct Values
{
    QString material, customer, partNo, remarks;
    qint32 quantity;
    qint16 operation;
    double weight;
    float tolerance;
    QDateTime released;
    bool approved;
    QStringList tags;

    Values(qint64 record, quint64 seed)
    {
        const auto h = [&](int field) { return mix(quint64(record), seed * 64 + quint64(field)); };
        material = QStringLiteral("Material %1").arg(h(1) % 40);
        customer = QStringLiteral("Customer %1").arg(h(2) % 2000);
        partNo = QStringLiteral("P-%1").arg(h(3) % 1000000);
        remarks = QStringLiteral("Checked by inspector %1 in pass %2").arg(h(4) % 50).arg(seed);
        quantity = qint32(h(5) % 10000);
        operation = qint16(10 * (1 + h(6) % 99));
        weight = double(h(7) % 1000000) / 1000.0;
        tolerance = float(h(8) % 1000) / 1000.0f;
        released = QDateTime(QDate(2015, 1, 1), QTime(0, 0), Qt::UTC).addSecs(qint64(h(9) % (3650ull * 86400ull)));
        approved = h(10) % 2 == 0;
        tags = {QStringLiteral("tag-%1").arg(h(11) % 100), QStringLiteral("tag-%1").arg(100 + h(12) % 100)};
    }
};

// What a host does with the values it read: look at every one of them.
qint64 touch(const QVariant &value) { return value.isNull() ? 0 : value.toString().size(); }

class RoundTrip
{
public:
    RoundTrip(BenchDatabase &db, const Options &options, bool indexed)
        : m_db(db), m_c(db.connection()), m_records(options.records), m_indexed(indexed)
    {}

    void build();
    // One record through the library.
    void library(qint64 record, quint64 seed);
    // The same statements through Qt SQL.
    void plain(qint64 record, quint64 seed);
    qint64 plainStatements() const { return m_plainStatements; }
    qint64 records() const { return m_records; }
    // Whether the stored values of a record are those of `seed`.
    bool holds(qint64 record, quint64 seed);

private:
    QSqlQuery run(const QString &sql);

    BenchDatabase &m_db;
    Connection &m_c;
    qint64 m_records;
    bool m_indexed;
    Host m_host;
    ComboBoxModel m_tagsControl;
    qint64 m_touched = 0;
    qint64 m_plainStatements = 0;
};

void RoundTrip::build()
{
    TableStructure s(Base);
    s.addField(Key, adInteger, 0, false);
    s.addField(QStringLiteral("Title"), adVarWChar, 64);
    s.addKey(QStringLiteral("PK_") + Base, KeyKind::Primary, {Key});
    if (!s.Create(m_db.catalog()))
        die(s.lastError());
    insertRows(m_db, Base, {Key, QStringLiteral("Title")}, 1, m_records,
               [&](qint64 r) { return QStringLiteral("(%1, 'Job %1')").arg(r); });
    openHost(m_host, m_db, Base);
    defineColumns(m_host, Columns, m_indexed);
    CFilterColumns *columns = m_host.columns();
    // Every record starts with the values of seed 0, written by the library.
    m_host.columns()->findByName(QStringLiteral("Tags"))->setMyControl(&m_tagsControl);
    for (qint64 r = 1; r <= m_records; ++r) {
        const Values v(r, 0);
        CMergeBaseEntry entry{qint32(r)};
        m_tagsControl.clear();
        for (const QString &tag : v.tags)
            m_tagsControl.addItem(tag);
        columns->findByName(QStringLiteral("Material"))->setUpdatedValue(Variant::text(v.material));
        if (!m_c.BeginTransaction())
            die(m_c.lastError());
        if (!columns->SaveDataFromClientUpdates(&entry))
            die(QStringLiteral("the library reported a failure"));
        if (!m_c.CommitTransaction())
            die(m_c.lastError());
    }
    m_db.analyze({Base, SearchData, Keywords});
}

void RoundTrip::library(qint64 record, quint64 seed)
{
    CFilterColumns *columns = m_host.columns();
    CMergeBaseEntry entry{qint32(record)};
    if (!columns->GetData(&entry))
        die(QStringLiteral("the library reported a failure"));
    for (CFilterColumn *column : columns->NewEnum()) {
        m_touched += column->SavedValue().toText().size();
        for (const QString &key : column->SavedKeys())
            m_touched += key.size();
    }
    const Values v(record, seed);
    const auto set = [&](const char *name, const Variant &value) {
        columns->findByName(QLatin1String(name))->setUpdatedValue(value);
    };
    set("Material", Variant::text(v.material));
    set("Customer", Variant::text(v.customer));
    set("PartNo", Variant::text(v.partNo));
    set("Quantity", Variant::int32(v.quantity));
    set("Operation", Variant::int16(v.operation));
    set("Weight", Variant::dbl(v.weight));
    set("Tolerance", Variant::single(v.tolerance));
    set("Released", Variant::date(v.released));
    set("Approved", Variant::boolean(v.approved));
    set("Remarks", Variant::text(v.remarks));
    m_tagsControl.clear();
    for (const QString &tag : v.tags)
        m_tagsControl.addItem(tag);
    if (!columns->SaveDataFromClientUpdates(&entry))
        die(QStringLiteral("the library reported a failure"));
}

QSqlQuery RoundTrip::run(const QString &sql)
{
    ++m_plainStatements;
    QSqlQuery query(m_c.database());
    query.setForwardOnly(true);
    if (!query.exec(sql))
        die(QStringLiteral("%1\n  %2").arg(query.lastError().text(), sql));
    return query;
}

void RoundTrip::plain(qint64 record, quint64 seed)
{
    const QString key = QString::number(record);
    const QString where = QStringLiteral(" WHERE ") + m_c.QuoteName(Key) + QStringLiteral(" = ") + key;
    const QString searchData = m_c.QuoteName(SearchData);
    const QString keywords = m_c.QuoteName(Keywords);

    // Read: the search-data row, then the keywords.
    {
        QSqlQuery row = run(QStringLiteral("SELECT * FROM ") + searchData + where);
        if (row.next()) {
            const int fields = row.record().count();
            for (int i = 0; i < fields; ++i)
                m_touched += touch(row.value(i));
        }
        QSqlQuery tags = run(QStringLiteral("SELECT * FROM ") + keywords + where);
        while (tags.next())
            m_touched += touch(tags.value(1));
    }

    // Write: rewrite the keywords in a transaction, update the row (every record has one).
    const Values v(record, seed);
    QSqlDatabase &db = m_c.database();
    ++m_plainStatements;
    if (m_db.engine() == Engine::SQLite) {
        QSqlQuery begin(db);
        if (!begin.exec(QStringLiteral("BEGIN IMMEDIATE")))
            die(begin.lastError().text());
    } else if (!db.transaction()) {
        die(db.lastError().text());
    }
    run(QStringLiteral("DELETE FROM ") + keywords + where);
    for (const QString &tag : v.tags)
        run(QStringLiteral("INSERT INTO ") + keywords + QStringLiteral(" (") + m_c.QuoteName(Key) + QStringLiteral(", ")
            + m_c.QuoteName(QStringLiteral("Tags")) + QStringLiteral(") VALUES (") + key + QStringLiteral(", ")
            + m_c.QuoteText(tag) + QStringLiteral(")"));
    ++m_plainStatements;
    if (!db.commit())
        die(db.lastError().text());
    const auto pair = [&](const char *field, const QString &literal) {
        return m_c.QuoteName(QLatin1String(field)) + QStringLiteral(" = ") + literal;
    };
    const QStringList set{pair("Material", m_c.QuoteText(v.material)),
                          pair("Customer", m_c.QuoteText(v.customer)),
                          pair("PartNo", m_c.QuoteText(v.partNo)),
                          pair("Quantity", QString::number(v.quantity)),
                          pair("Operation", QString::number(v.operation)),
                          pair("Weight", QString::number(v.weight, 'g', 17)),
                          pair("Tolerance", QString::number(v.tolerance, 'g', 9)),
                          pair("Released", m_c.SqlDateLiteral(v.released)),
                          pair("Approved", QString::number(v.approved ? 1 : 0)),
                          pair("Remarks", m_c.QuoteText(v.remarks))};
    QSqlQuery update = run(QStringLiteral("UPDATE ") + searchData + QStringLiteral(" SET ")
                           + set.join(QStringLiteral(", ")) + where);
    if (update.numRowsAffected() != 1)
        die(QStringLiteral("record %1 has no search-data row").arg(record));
}

bool RoundTrip::holds(qint64 record, quint64 seed)
{
    const Values v(record, seed);
    const QString where =
            QStringLiteral(" WHERE ") + m_c.QuoteName(Key) + QStringLiteral(" = ") + QString::number(record);
    QSqlQuery row(m_c.database());
    if (!row.exec(QStringLiteral("SELECT ") + m_c.QuoteName(QStringLiteral("Remarks")) + QStringLiteral(", ")
                  + m_c.QuoteName(QStringLiteral("Quantity")) + QStringLiteral(" FROM ") + m_c.QuoteName(SearchData)
                  + where)
        || !row.next() || row.value(0).toString() != v.remarks || row.value(1).toInt() != v.quantity)
        return false;
    QSqlQuery tags(m_c.database());
    return tags.exec(QStringLiteral("SELECT COUNT(*) FROM ") + m_c.QuoteName(Keywords) + where) && tags.next()
           && tags.value(0).toInt() == v.tags.size();
}

// Reading a record whose three columns are picklists of `entries` entries each, against the same
// record of a table whose columns are plain texts. Both tables have `records` records.
class PicklistRead
{
public:
    PicklistRead(BenchDatabase &db, qint64 records, int entries) : m_db(db), m_records(records), m_entries(entries) {}

    void build();
    CFilterColumns &picklists() { return *m_withPicklists.columns(); }
    CFilterColumns &plain() { return *m_plain.columns(); }
    qint64 records() const { return m_records; }

private:
    void buildTable(Host &host, const QString &base, bool picklist);

    BenchDatabase &m_db;
    qint64 m_records;
    int m_entries;
    Host m_withPicklists;
    Host m_plain;
};

const QStringList PicklistColumns{QStringLiteral("Vendor"), QStringLiteral("Finish"), QStringLiteral("Gauge")};

QString entryText(qint64 n) { return QStringLiteral("Entry %1").arg(n, 6, 10, QLatin1Char('0')); }

void PicklistRead::buildTable(Host &host, const QString &base, bool picklist)
{
    Connection &c = m_db.connection();
    createNamedTable(m_db, base, Key, m_records, [](qint64 r) { return QStringLiteral("Order %1").arg(r); }, 4);
    openHost(host, m_db, base);
    QList<KvoPlx800SCtl::ColumnDefinition> columns;
    for (const QString &name : PicklistColumns) {
        KvoPlx800SCtl::ColumnDefinition def = column(name, fcText);
        def.isPicklist = picklist;
        columns << def;
    }
    defineColumns(host, columns);
    if (picklist) {
        for (const QString &name : PicklistColumns)
            insertRows(m_db, host.columns()->PicklistTableName(host.columns()->findByName(name)),
                       {name, QStringLiteral("HideEntry")}, 1, m_entries,
                       [&](qint64 n) { return QStringLiteral("(%1, 0)").arg(c.QuoteText(entryText(n))); });
    }
    insertRows(m_db, host.columns()->SearchDataTableName(), QStringList{Key} + PicklistColumns, 1, m_records,
               [&](qint64 r) {
                   QStringList values{QString::number(r)};
                   for (int k = 0; k < PicklistColumns.size(); ++k)
                       values << c.QuoteText(entryText(1 + qint64(mix(quint64(r), quint64(k)) % quint64(m_entries))));
                   return QLatin1Char('(') + values.join(QStringLiteral(", ")) + QLatin1Char(')');
               });
    m_db.analyze({base, host.columns()->SearchDataTableName()});
}

void PicklistRead::build()
{
    buildTable(m_withPicklists, QStringLiteral("Orders"), true);
    buildTable(m_plain, QStringLiteral("OrdersPlain"), false);
}

void runPicklistRead(BenchDatabase &db, const Options &options, const Recorder &recorder)
{
    constexpr int Entries = 10000;
    PicklistRead read(db, qMin<qint64>(options.records, 1000), Entries);
    read.build();
    const qint64 n = read.records();
    qint64 next = 0;
    const auto getData = [&](CFilterColumns &set) {
        for (qint64 r = 1; r <= n; ++r) {
            CMergeBaseEntry entry{qint32((r + next) % n + 1)};
            if (!set.GetData(&entry))
                die(QStringLiteral("GetData failed on %1").arg(db.engineName()));
        }
    };
    const std::vector<double> ms =
            alternate({[&] { getData(read.picklists()); }, [&] { getData(read.plain()); },
                       [&] {
                           for (qint64 r = 1; r <= n; ++r)
                               read.picklists().RevalidatePicklists();
                       }},
                      options.reps, [&] { next += 7; });
    for (const QString &name : PicklistColumns) {
        // The entries and the empty entry of a column that allows blanks.
        if (read.picklists().findByName(name)->SavedKeys().size() < Entries)
            die(QStringLiteral("the picklist %1 offers %2 entries on %3")
                        .arg(name)
                        .arg(read.picklists().findByName(name)->SavedKeys().size())
                        .arg(db.engineName()));
    }
    const Connection &c = db.connection();
    const qint64 statementsBefore = c.statementCount();
    read.picklists().RevalidatePicklists();
    const qint64 checkStatements = c.statementCount() - statementsBefore;
    recorder.add({2, QStringLiteral("GetData, 3 picklist columns of %1 entries, %2 records").arg(Entries).arg(n),
                  db.engineName(), ms[0], QStringLiteral("the same columns without picklists"), ms[1], 1.2, 0,
                  QStringLiteral("the check when a record is shown: %1 ms a record, %2 statement(s)")
                          .arg(ms[2] / double(n), 0, 'f', 3)
                          .arg(checkStatements)});
}

} // namespace

void runRoundTripCase(BenchDatabase &db, const Options &options, const Recorder &recorder, bool indexed)
{
    RoundTrip trip(db, options, indexed);
    trip.build();
    Connection &c = db.connection();
    const qint64 n = trip.records();
    quint64 seed = 1;

    // Warm-up: a tenth of the records (at most 500) each way.
    for (qint64 r = 1; r <= qMin<qint64>(n, 500); ++r) {
        trip.library(r, seed++);
        trip.plain(r, seed++);
    }

    // Each pass takes every record once through the library and once through Qt SQL, the order
    // alternating from record to record, with new values each time.
    const int passes = qBound(1, options.reps, 3);
    std::vector<double> libraryMs, plainMs;
    qint64 libraryStatements = 0;
    const qint64 plainBefore = trip.plainStatements();
    for (int pass = 0; pass < passes; ++pass) {
        qint64 libraryNs = 0, plainNs = 0;
        QElapsedTimer timer;
        for (qint64 r = 1; r <= n; ++r) {
            for (int side = 0; side < 2; ++side) {
                const bool libraryTurn = (side + r + pass) % 2 == 0;
                const quint64 s = seed++;
                if (libraryTurn) {
                    const qint64 before = c.statementCount();
                    timer.start();
                    trip.library(r, s);
                    libraryNs += timer.nsecsElapsed();
                    libraryStatements += c.statementCount() - before;
                } else {
                    timer.start();
                    trip.plain(r, s);
                    plainNs += timer.nsecsElapsed();
                }
                // Now and then the stored values are checked (outside the timed part and the counts).
                if (r % 997 == 0 && !trip.holds(r, s))
                    die(QStringLiteral("round trip on %1: record %2 does not hold the values written")
                                .arg(db.engineName())
                                .arg(r));
            }
        }
        libraryMs.push_back(double(libraryNs) / 1e6);
        plainMs.push_back(double(plainNs) / 1e6);
    }
    const double perLibrary = double(libraryStatements) / double(n * passes);
    const double perPlain = double(trip.plainStatements() - plainBefore) / double(n * passes);
    recorder.add({2, QStringLiteral("GetData + SaveDataFromClientUpdates, %1 records%2").arg(n).arg(indexedLabel(indexed)),
                  db.engineName(),
                  median(libraryMs), QStringLiteral("same statements via Qt SQL"), median(plainMs), 1.3, 0,
                  QStringLiteral("statements a record: library %1, Qt SQL %2; %3 passes")
                          .arg(perLibrary, 0, 'f', 1)
                          .arg(perPlain, 0, 'f', 1)
                          .arg(passes)});
    if (!indexed)
        runPicklistRead(db, options, recorder);
}

} // namespace KvoBench
