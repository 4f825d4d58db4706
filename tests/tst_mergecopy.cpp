// Copying and merging search values: inside one table, between two databases (each engine as
// source and as target), configuration copies with merge names, and merges through them.
#include "testhost.h"

#include "columns/cfiltercolumns.h"
#include "core/conversions.h"
#include "picklists/cscpicklist.h"

#include "hostkit/catalog.h"
#include "hostkit/connection.h"
#include "hostkit/databasehelper.h"
#include "hostkit/recordset.h"
#include "hostkit/trace.h"

#include <QTest>

#include <map>

using namespace KvoPlx800SCtl;
using namespace KvoPlx800SCtl::HostKit;

Q_DECLARE_METATYPE(KvoPlx800SCtl::Variant)

namespace {

const QString Hostile = QStringLiteral("O'Hara \"&\" back\\slash -- %_; x''");

CFilterColumn *addColumn(CFilterColumns &set, const QString &name, FilterColumnTypeConstants type,
                         bool picklist = false, const QString &picklistDefault = {})
{
    const bool textual = type == fcText || type == fcKeyword || type == fcNote;
    return set.Add(name, QString(), QString(), type, textual ? 60 : 0, picklist, false, picklistDefault,
                   fcDTDM_Configure, Variant::null(), false);
}

bool addAllTypes(CFilterColumns &set)
{
    addColumn(set, QStringLiteral("Material"), fcText);
    addColumn(set, QStringLiteral("Notes"), fcNote);
    addColumn(set, QStringLiteral("Count16"), fcInteger16);
    addColumn(set, QStringLiteral("Count32"), fcInteger32);
    addColumn(set, QStringLiteral("Ratio"), fcSingle);
    addColumn(set, QStringLiteral("Weight"), fcDouble);
    addColumn(set, QStringLiteral("Made"), fcDateTime);
    addColumn(set, QStringLiteral("Active"), fcBoolean);
    addColumn(set, QStringLiteral("Grade"), fcText, true, QStringLiteral("A"));
    addColumn(set, QStringLiteral("Gauge"), fcInteger32, true, QStringLiteral("10"));
    addColumn(set, QStringLiteral("Tags"), fcKeyword);
    return set.ColumnsSave(nullptr) && set.Count() == 11;
}

QDateTime made() { return Convert::makeDate(QDate(2024, 2, 29), QTime(10, 30, 15)); }

// Every value type, a hostile text, picklist values not yet in their lists.
std::map<QString, Variant> fullValues()
{
    return {{QStringLiteral("Material"), Variant::text(Hostile)},
            {QStringLiteral("Notes"), Variant::text(QStringLiteral("line 1\nline 2 'quoted'"))},
            {QStringLiteral("Count16"), Variant::int16(-32768)},
            {QStringLiteral("Count32"), Variant::int32(2147483647)},
            {QStringLiteral("Ratio"), Variant::single(1.1f)},
            {QStringLiteral("Weight"), Variant::dbl(6.02214076e23)},
            {QStringLiteral("Made"), Variant::date(made())},
            {QStringLiteral("Active"), Variant::boolean(true)},
            {QStringLiteral("Grade"), Variant::text(QStringLiteral("Special's"))},
            {QStringLiteral("Gauge"), Variant::int32(42)}};
}

QString describe(const Variant &v)
{
    return QString::fromLatin1(variantTypeName(v.type())) + QLatin1Char(':') + v.toText();
}

// The values of a record as read back, one "Name=Type:value" per column; keywords sorted.
QStringList readBack(CFilterColumns &set, int id)
{
    CMergeBaseEntry entry(id);
    set.GetData(&entry);
    QStringList out;
    for (CFilterColumn *c : set.NewEnum()) {
        if (c->ColumnType() == fcKeyword) {
            QStringList keys = c->SavedKeys();
            keys.sort();
            out.append(c->Name() + QStringLiteral("=[") + keys.join(QLatin1Char('|')) + QLatin1Char(']'));
        } else {
            out.append(c->Name() + QLatin1Char('=') + describe(c->SavedValue()));
        }
    }
    return out;
}

// Writes values the way a host does; picklist values are added to their lists first.
void writeValues(CFilterColumns &set, int id, const std::map<QString, Variant> &values)
{
    for (const auto &[name, value] : values) {
        CFilterColumn *c = set.Item(name);
        if (c->IsPicklist() && value.hasValue())
            c->PickList()->SaveAdditions({c->ColumnType() == fcText ? value.toText() : Convert::displayText(value)});
        c->setUpdatedValue(value);
    }
    CMergeBaseEntry entry(id);
    set.SaveDataFromClientUpdates(&entry);
}

bool writeKeywords(Connection &db, CFilterColumns &set, int id, const QStringList &keywords)
{
    const QString table = db.QuoteName(set.SearchTableName(set.Item(QStringLiteral("Tags"))));
    CMergeBaseEntry entry(id);
    if (!KvoTest::exec(db, QStringLiteral("DELETE FROM ") + table + QStringLiteral(" WHERE ")
                                   + set.SearchTableSeekCriteria(&entry)))
        return false;
    for (const QString &k : keywords) {
        if (!KvoTest::exec(db, QStringLiteral("INSERT INTO %1 (%2, %3) VALUES (%4, %5)")
                                       .arg(table, db.QuoteName(set.keyFieldName()),
                                            db.QuoteName(QStringLiteral("Tags")), set.keyLiteral(id), db.QuoteText(k))))
            return false;
    }
    return true;
}

bool hasDataRow(KvoTest::Host &host, int id)
{
    bool found = false;
    CFilterColumns &set = *host.columns();
    return host.connection().RowExists(set.SearchDataTableName(), set.keyFieldName(), set.keyLiteral(id), found)
           && found;
}

QStringList picklistEntries(KvoTest::Host &host, const char *column)
{
    CFilterColumn *c = host.columns()->Item(QString::fromLatin1(column));
    Connection &db = host.connection();
    auto rs = db.OpenQuery(
            QStringLiteral("SELECT %1 FROM %2").arg(db.QuoteName(c->Name()), db.QuoteName(c->PickList()->TableName())));
    QStringList out;
    for (; rs && !rs->EOF(); rs->MoveNext())
        out.append(Convert::displayText(Convert::fromDatabase(rs->value(0), c->ColumnType())));
    out.sort();
    return out;
}

// A second search filter on a host's database, for another base table.
struct OtherFilter
{
    std::unique_ptr<BaseTableInfo> table;
    std::unique_ptr<BaseTableStructure> structure;
    std::unique_ptr<CSearchFilter> filter;

    bool open(KvoTest::Host &host, const QString &name)
    {
        host.catalog().Refresh();
        table = std::make_unique<BaseTableInfo>(name);
        structure = BaseTableStructure::fromCatalog(host.catalog(), name);
        filter = CCommon::global().CreateSearchFilterObject(host.handler.get(), table.get(), &host.catalog(),
                                                            host.profile.get(), 0, structure.get());
        return filter && filter->FilterColumns();
    }
    CFilterColumns &columns() { return *filter->FilterColumns(); }
};

class ReportedFailures
{
public:
    ReportedFailures()
    {
        m_id = Trace::instance().addErrorSink([this](const TraceError &e, int) { m_sources.append(e.Source); });
    }
    ~ReportedFailures() { Trace::instance().removeErrorSink(m_id); }
    QStringList sources() const { return m_sources; }

private:
    int m_id = 0;
    QStringList m_sources;
};

} // namespace

class TestMergeCopy : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase_data() { KvoTest::addEngineRows(); }
    void cleanupTestCase() { m_hosts.clear(); }

    void copyWithinTableCarriesEveryValue();
    void copyDataLeavesBlankValuesAlone_data();
    void copyDataLeavesBlankValuesAlone();
    void failedReadWritesNothing();
    void betweenDatabases();
    void convertsToTheTargetType();
    void configurationCopyAndCleanup();

private:
    // One host per engine with every column type, shared by the rows of a data-driven test.
    KvoTest::Host *sharedHost();
    std::map<QString, std::unique_ptr<KvoTest::Host>> m_hosts;
};

KvoTest::Host *TestMergeCopy::sharedHost()
{
    auto &host = m_hosts[KvoTest::currentEngine()];
    if (!host) {
        host = KvoTest::makeHost(4);
        if (!host || !addAllTypes(*host->columns()))
            host.reset();
    }
    return host.get();
}

void TestMergeCopy::copyWithinTableCarriesEveryValue()
{
    KvoTest::Host *host = sharedHost();
    QVERIFY(host);
    CFilterColumns &set = *host->columns();
    writeValues(set, 1, fullValues());
    QVERIFY(writeKeywords(host->connection(), set, 1, {QStringLiteral("steel"), QStringLiteral("O'Brien")}));
    writeValues(set, 2,
                {{QStringLiteral("Material"), Variant::text(QStringLiteral("old"))},
                 {QStringLiteral("Count16"), Variant::int16(5)}});
    QVERIFY(writeKeywords(host->connection(), set, 2, {QStringLiteral("old")}));
    const QStringList source = readBack(set, 1);
    QVERIFY(source.contains(QStringLiteral("Grade=Text:Special's")));

    CMergeBaseEntry one(1), two(2);
    QVERIFY(host->filter->CopyValuesWithinTable(&one, &two));
    QCOMPARE(readBack(set, 2), source);
    QVERIFY(!host->filter->CopyValuesWithinTable(&one, nullptr));

    // The date zero is a value and travels; saved values set by hand (as the data block import
    // does) add their picklist entries and write each keyword once, as the engine's key compares.
    CMergeBaseEntry three(3);
    set.GetData(&one);
    set.Item(QStringLiteral("Made"))->setSavedValue(Variant::date(Variant::dateZero()));
    set.Item(QStringLiteral("Grade"))->setSavedValue(Variant::text(QStringLiteral("Brand new")));
    set.Item(QStringLiteral("Gauge"))->setSavedValue(Variant::int32(77));
    set.Item(QStringLiteral("Tags"))->SavedKeys() = {QStringLiteral("steel"), QStringLiteral("Steel"),
                                                     QStringLiteral(" "), QStringLiteral("steel"),
                                                     QStringLiteral("zinc")};
    set.CopyData(&three);
    const QStringList copied = readBack(set, 3);
    QVERIFY2(copied.contains(QStringLiteral("Made=Date:1899-12-30 00:00:00")), qPrintable(copied.join(u' ')));
    QVERIFY(copied.contains(QStringLiteral("Grade=Text:Brand new")));
    QVERIFY(copied.contains(QStringLiteral("Gauge=Int32:77")));
    const bool foldsCase = host->db->engine == u"mariadb";
    QCOMPARE(copied.last(),
             foldsCase ? QStringLiteral("Tags=[steel|zinc]") : QStringLiteral("Tags=[Steel|steel|zinc]"));
    QVERIFY(picklistEntries(*host, "Grade").contains(QStringLiteral("Brand new")));
    QVERIFY(picklistEntries(*host, "Gauge").contains(QStringLiteral("77")));
}

void TestMergeCopy::copyDataLeavesBlankValuesAlone_data()
{
    QTest::addColumn<QString>("column");
    QTest::addColumn<Variant>("before");
    QTest::addColumn<Variant>("copied");
    QTest::addColumn<QString>("after");
    const Variant seven = Variant::int32(7);
    const Variant day = Variant::date(made());
    const Variant text = Variant::text(QStringLiteral("kept"));
    QTest::newRow("null number") << "Count32" << seven << Variant::null() << "Int32:7";
    QTest::newRow("null date") << "Made" << day << Variant::null() << "Date:2024-02-29 10:30:15";
    QTest::newRow("empty text") << "Material" << text << Variant::text(QString()) << "Text:kept";
    QTest::newRow("blank text") << "Notes" << text << Variant::text(QStringLiteral("  ")) << "Text:kept";
    QTest::newRow("false") << "Active" << Variant::boolean(true) << Variant::boolean(false) << "Boolean:True";
    QTest::newRow("zero number") << "Count32" << seven << Variant::int32(0) << "Int32:0";
    QTest::newRow("true") << "Active" << Variant::boolean(false) << Variant::boolean(true) << "Boolean:True";
}

void TestMergeCopy::copyDataLeavesBlankValuesAlone()
{
    QFETCH(QString, column);
    QFETCH(Variant, before);
    QFETCH(Variant, copied);
    QFETCH(QString, after);
    KvoTest::Host *host = sharedHost();
    QVERIFY(host);
    CFilterColumns &set = *host->columns();
    writeValues(set, 4, {{column, before}});
    CMergeBaseEntry entry(4);
    set.GetData(&entry);
    for (CFilterColumn *c : set.NewEnum())
        c->setSavedValue(CFilterColumns::MissingFieldValue(c->ColumnType()));
    set.Item(column)->setSavedValue(copied);
    set.CopyData(&entry);
    readBack(set, 4);
    QCOMPARE(describe(set.Item(column)->SavedValue()), after);
}

void TestMergeCopy::failedReadWritesNothing()
{
    KvoTest::Host *host = sharedHost();
    QVERIFY(host);
    CFilterColumns &set = *host->columns();
    writeValues(set, 1, {{QStringLiteral("Material"), Variant::text(QStringLiteral("source"))}});
    QVERIFY(writeKeywords(host->connection(), set, 2, {QStringLiteral("mine")}));
    // A column without its field makes the source unreadable: the target keeps its keywords.
    QVERIFY(addColumn(set, QStringLiteral("Ghost"), fcText));
    CMergeBaseEntry one(1), two(2);
    ReportedFailures failures;
    QVERIFY(!host->filter->CopyValuesWithinTable(&one, &two));
    QVERIFY(set.Remove(QStringLiteral("Ghost")));
    QVERIFY(failures.sources().contains(QStringLiteral("CFilterColumns.GetData")));
    QCOMPARE(readBack(set, 2).last(), QStringLiteral("Tags=[mine]"));
}

// Each engine copies to the next one configured (SQLite to PostgreSQL, PostgreSQL to MariaDB,
// MariaDB to SQLite; with one engine, to a second database of the same engine), into a base
// table whose name differs in case.
void TestMergeCopy::betweenDatabases()
{
    const QStringList engines = KvoTest::configuredEngines();
    const QString targetEngine = engines.at((engines.indexOf(KvoTest::currentEngine()) + 1) % engines.size());
    auto source = KvoTest::makeHost(3);
    QVERIFY(source);
    QVERIFY(addAllTypes(*source->columns()));
    writeValues(*source->columns(), 1, fullValues());
    QVERIFY(writeKeywords(source->connection(), *source->columns(), 1, {QStringLiteral("steel")}));

    KvoTest::Host target;
    target.db = KvoTest::open(targetEngine);
    QVERIFY(target.db);
    QVERIFY(target.createBaseTable(QStringLiteral("PARTS"), 4));
    target.openFilter(QStringLiteral("PARTS"));
    QVERIFY(target.columns());
    QCOMPARE(target.filter->CopyConfiguration(nullptr, source->filter.get()), fltrCCR_Success);
    CFilterColumns &set = *target.columns();
    QCOMPARE(set.Count(), 11);
    QCOMPARE(set.Item(QStringLiteral("Gauge"))->MergeName(), QStringLiteral("Gauge"));

    QStringList expected = readBack(*source->columns(), 1);
    expected.last() = QStringLiteral("Tags=[own]");
    CMergeBaseEntry one(1), two(2), three(3), four(4);
    QVERIFY(writeKeywords(target.connection(), set, 2, {QStringLiteral("own")}));
    QCOMPARE(target.filter->CopyValuesBetweenTables(source->filter.get(), &one, &two), fltrCCR_Success);
    // Keyword values reach the target's database only through a control's keyword list.
    QCOMPARE(set.Item(QStringLiteral("Tags"))->SavedKeys(), QStringList{QStringLiteral("steel")});
    QCOMPARE(readBack(set, 2), expected);
    QVERIFY(picklistEntries(target, "Grade").contains(QStringLiteral("Special's")));
    QVERIFY(picklistEntries(target, "Gauge").contains(QStringLiteral("42")));

    // A merge carries the values through the merge names; the target keeps its keywords, and a
    // target without a search-data row stays without one.
    writeValues(set, 3, {{QStringLiteral("Material"), Variant::text(QStringLiteral("mine"))}});
    QVERIFY(writeKeywords(target.connection(), set, 3, {QStringLiteral("own")}));
    target.filter->MergeSearchData(&three, source->filter.get(), &one);
    QCOMPARE(readBack(set, 3), expected);
    target.filter->MergeSearchData(&four, source->filter.get(), &one);
    QVERIFY(!hasDataRow(target, 4));

    // Another base table is refused, by copy and merge alike; so is a source column the target
    // lacks. Nothing is written.
    QVERIFY(source->createBaseTable(QStringLiteral("Widgets"), 1));
    OtherFilter widgets;
    QVERIFY(widgets.open(*source, QStringLiteral("Widgets")));
    addColumn(widgets.columns(), QStringLiteral("Material"), fcText);
    QVERIFY(widgets.columns().ColumnsSave(nullptr));
    writeValues(widgets.columns(), 1, {{QStringLiteral("Material"), Variant::text(QStringLiteral("widget"))}});
    widgets.columns().Item(QStringLiteral("Material"))->setMergeName(QStringLiteral("Material"));
    const QStringList before = readBack(set, 3);
    QCOMPARE(target.filter->CopyValuesBetweenTables(widgets.filter.get(), &one, &three), fltrCCR_Failed);
    ReportedFailures failures;
    target.filter->MergeSearchData(&three, widgets.filter.get(), &one);
    QCOMPARE(failures.sources(), QStringList{QStringLiteral("CFilterColumns.MergeData")});
    addColumn(*source->columns(), QStringLiteral("Extra"), fcText);
    QVERIFY(source->columns()->ColumnsSave(nullptr));
    QCOMPARE(target.filter->CopyValuesBetweenTables(source->filter.get(), &one, &three), fltrCCR_Failed);
    QCOMPARE(readBack(set, 3), before);
}

// Values take the target column's type; a value that has no such form is refused. A merge whose
// source row holds values only in fields without a merge column runs no UPDATE.
void TestMergeCopy::convertsToTheTargetType()
{
    auto source = KvoTest::makeHost(3);
    auto target = KvoTest::makeHost(3);
    QVERIFY(source && target);
    CFilterColumns &from = *source->columns();
    CFilterColumns &to = *target->columns();
    addColumn(from, QStringLiteral("Count"), fcInteger32);
    addColumn(from, QStringLiteral("Stamp"), fcText);
    addColumn(to, QStringLiteral("Count"), fcInteger16);
    addColumn(to, QStringLiteral("Stamp"), fcDateTime);
    QVERIFY(from.ColumnsSave(nullptr) && to.ColumnsSave(nullptr));
    writeValues(from, 1,
                {{QStringLiteral("Count"), Variant::int32(12)},
                 {QStringLiteral("Stamp"), Variant::text(QStringLiteral("2024-03-01 08:00"))}});
    writeValues(from, 2, {{QStringLiteral("Count"), Variant::int32(70000)}});
    writeValues(from, 3,
                {{QStringLiteral("Count"), Variant::null()},
                 {QStringLiteral("Stamp"), Variant::text(QStringLiteral("2025-01-01"))}});

    CMergeBaseEntry one(1), two(2), three(3);
    QCOMPARE(target->filter->CopyValuesBetweenTables(source->filter.get(), &one, &one), fltrCCR_Success);
    QCOMPARE(readBack(to, 1),
             (QStringList{QStringLiteral("Count=Int16:12"), QStringLiteral("Stamp=Date:2024-03-01 08:00:00")}));
    QCOMPARE(target->filter->CopyValuesBetweenTables(source->filter.get(), &two, &two), fltrCCR_Failed);
    QVERIFY(!hasDataRow(*target, 2));

    to.Item(QStringLiteral("Count"))->setMergeName(QStringLiteral("count"));
    writeValues(to, 3, {{QStringLiteral("Count"), Variant::int16(5)}});
    const qint64 statements = target->connection().statementCount();
    target->filter->MergeSearchData(&three, source->filter.get(), &three);
    QCOMPARE(target->connection().statementCount(), statements);
    target->filter->MergeSearchData(&three, source->filter.get(), &one);
    QCOMPARE(readBack(to, 3).first(), QStringLiteral("Count=Int16:12"));
    ReportedFailures failures;
    target->filter->MergeSearchData(&three, source->filter.get(), &two);
    QCOMPARE(failures.sources(), QStringList{QStringLiteral("CFilterColumns.MergeDataStandardColumns")});
    QCOMPARE(readBack(to, 3).first(), QStringLiteral("Count=Int16:12"));
}

void TestMergeCopy::configurationCopyAndCleanup()
{
    auto host = KvoTest::makeHost(1);
    QVERIFY(host);
    QVERIFY(host->createBaseTable(QStringLiteral("Widgets"), 1));
    OtherFilter widgets;
    QVERIFY(widgets.open(*host, QStringLiteral("Widgets")));
    CFilterColumns &set = *host->columns();
    addColumn(set, QStringLiteral("Material"), fcText);
    addColumn(set, QStringLiteral("Material_1"), fcText);
    QVERIFY(set.ColumnsSave(nullptr));

    // A source without columns changes nothing.
    QCOMPARE(host->filter->CopyConfiguration(nullptr, widgets.filter.get()), fltrCCR_Success);
    QVERIFY(!DatabaseHelper::FindTable(host->catalog(), QStringLiteral("SearchColumnConfiguration"))
                     ->FindColumn(QStringLiteral("MergeName")));

    addColumn(widgets.columns(), QStringLiteral("MATERIAL"), fcText);
    addColumn(widgets.columns(), QStringLiteral("Grade"), fcText, true, QStringLiteral("B"));
    addColumn(widgets.columns(), QStringLiteral("Tags"), fcKeyword);
    QVERIFY(widgets.columns().ColumnsSave(nullptr));
    QCOMPARE(host->filter->CopyConfiguration(nullptr, widgets.filter.get()), fltrCCR_Success);
    QVERIFY(set.ColumnsFetch());
    QStringList names;
    for (const CFilterColumn *c : set.NewEnum())
        names.append(c->Name() + QLatin1Char('<') + c->MergeName());
    QCOMPARE(names, (QStringList{"Material<", "Material_1<", "MATERIAL_2<MATERIAL", "Grade<Grade", "Tags<Tags"}));
    QCOMPARE(set.Item(QStringLiteral("Grade"))->PicklistDefault(), QStringLiteral("B"));
    QVERIFY(set.Item(QStringLiteral("Grade"))->IsPicklist());

    // Cleanup removes the field and the merge names in memory, and may run again.
    ReportedFailures failures;
    host->filter->CopyCleanup();
    host->filter->CopyCleanup();
    QVERIFY(failures.sources().isEmpty());
    QVERIFY(set.Item(QStringLiteral("Grade"))->MergeName().isEmpty());
    QVERIFY(!DatabaseHelper::FindTable(host->catalog(), QStringLiteral("SearchColumnConfiguration"))
                     ->FindColumn(QStringLiteral("MergeName")));
    QVERIFY(set.ColumnsFetch());
    QCOMPARE(set.Count(), 5);
}

QTEST_GUILESS_MAIN(TestMergeCopy)
#include "tst_mergecopy.moc"
