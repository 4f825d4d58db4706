// Copying and merging search values: inside one table, between two databases (each engine as
// source and as target), configuration copies with merge names, and merges through them.
#include "testhost.h"

#include "columns/cfiltercolumns.h"
#include "core/conversions.h"
#include "picklists/cscpicklist.h"

#include "hostkit/catalog.h"
#include "hostkit/connection.h"

#include <QTest>

using namespace KvoPlx800SCtl;
using namespace KvoPlx800SCtl::HostKit;
using namespace Qt::StringLiterals;
using KvoPlx800SCtl::ColumnDefinition;
using KvoTest::typed;

Q_DECLARE_METATYPE(KvoPlx800SCtl::Variant)

namespace {

const QDateTime Made = Convert::makeDate(QDate(2024, 2, 29), QTime(10, 30, 15));

// KvoTest::everyType() with the picklist columns Grade (text, default A) and Gauge (int32,
// default 10) before the keyword column Tags.
QList<ColumnDefinition> allTypes()
{
    const QList<ColumnDefinition> every = KvoTest::everyType();
    return every.mid(0, 8)
           + QList<ColumnDefinition>{{"Grade", fcText, {}, 60, true, false, u"A"_s},
                                     {"Gauge", fcInteger32, {}, 0, true, false, u"10"_s},
                                     every.last()};
}

// Every value type, a hostile text, picklist values not yet in their lists.
const KvoTest::Values FullValues = {{"Material", Variant::text(u"O'Hara \"&\" back\\slash -- %_; x''"_s)},
                                    {"Notes", Variant::text(u"line 1\nline 2 'quoted'"_s)},
                                    {"Count16", Variant::int16(-32768)},
                                    {"Count32", Variant::int32(2147483647)},
                                    {"Ratio", Variant::single(1.1f)},
                                    {"Weight", Variant::dbl(6.02214076e23)},
                                    {"Made", Variant::date(Made)},
                                    {"Active", Variant::boolean(true)},
                                    {"Grade", Variant::text(u"Special's"_s)},
                                    {"Gauge", Variant::int32(42)}};

QStringList readBack(CFilterColumns &set, int id)
{
    bool complete = false;
    const QStringList values = KvoTest::readValues(set, id, &complete, true);
    return complete ? values : QStringList{u"unreadable"_s};
}

// Writes values the way a host does; picklist values are added to their lists first.
void writeValues(CFilterColumns &set, int id, const KvoTest::Values &values)
{
    for (const auto &[name, value] : values) {
        CFilterColumn *c = set.Item(name);
        if (c->IsPicklist() && value.hasValue())
            QVERIFY(c->PickList()->SaveAdditions(
                    {c->ColumnType() == fcText ? value.toText() : Convert::displayText(value)}));
    }
    QVERIFY(KvoTest::saveValues(set, id, values));
}

bool writeKeywords(Connection &db, CFilterColumns &set, int id, const QStringList &keywords)
{
    const QString table = set.SearchTableName(set.Item("Tags"));
    CMergeBaseEntry entry(id);
    bool ok = KvoTest::run(db, u"DELETE FROM [%1] WHERE "_s.arg(table) + set.SearchTableSeekCriteria(&entry));
    for (const QString &k : keywords) {
        ok = ok
             && KvoTest::run(db, u"INSERT INTO [%1] ([%2], [Tags]) VALUES (%3, %4)"_s.arg(
                                         table, set.keyFieldName(), set.keyLiteral(id), db.QuoteText(k)));
    }
    return ok;
}

bool hasDataRow(KvoTest::Host &host, int id)
{
    return KvoTest::storedValue(host, id, host.columns()->keyFieldName()).isValid();
}

QStringList picklistEntries(KvoTest::Host &host, const QString &column)
{
    return KvoTest::rows(host.connection(),
                         u"SELECT [%1] FROM [%2]"_s.arg(column, host.columns()->Item(column)->PickList()->TableName()));
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

} // namespace

class TestMergeCopy : public QObject
{
    Q_OBJECT

    // One host per engine with every column type, shared by the rows of a data-driven test.
    KvoTest::Host *sharedHost()
    {
        return m_hosts.get([] { return KvoTest::makeHost(4, allTypes()); });
    }

    KvoTest::HostPerEngine m_hosts;

private slots:
    void initTestCase_data() { KvoTest::addEngineRows(); }
    void cleanupTestCase() { m_hosts.clear(); }

    void copyWithinTableCarriesEveryValue()
    {
        KvoTest::Host *host = sharedHost();
        QVERIFY(host);
        CFilterColumns &set = *host->columns();
        writeValues(set, 1, FullValues);
        QVERIFY(writeKeywords(host->connection(), set, 1, {u"steel"_s, u"O'Brien"_s}));
        writeValues(set, 2, {{"Material", Variant::text(u"old"_s)}, {"Count16", Variant::int16(5)}});
        QVERIFY(writeKeywords(host->connection(), set, 2, {u"old"_s}));
        const QStringList source = readBack(set, 1);

        CMergeBaseEntry one(1), two(2);
        QVERIFY(host->filter->CopyValuesWithinTable(&one, &two));
        QCOMPARE(readBack(set, 2), source);
        QVERIFY(!host->filter->CopyValuesWithinTable(&one, nullptr));

        // The date zero is a value and travels; saved values set by hand (as the data block import
        // does) add their picklist entries and write each keyword once, as the engine's key compares.
        CMergeBaseEntry three(3);
        QVERIFY(set.GetData(&one));
        set.Item("Made")->setSavedValue(Variant::date(Variant::dateZero()));
        set.Item("Grade")->setSavedValue(Variant::text(u"Brand new"_s));
        set.Item("Gauge")->setSavedValue(Variant::int32(77));
        set.Item("Tags")->SavedKeys() = {u"steel"_s, u"Steel"_s, u" "_s, u"steel"_s, u"zinc"_s};
        QVERIFY(set.CopyData(&three));
        const QStringList copied = readBack(set, 3);
        for (const QString &value :
             {u"Made=Date:1899-12-30 00:00:00"_s, u"Grade=Text:Brand new"_s, u"Gauge=Int32:77"_s})
            QVERIFY2(copied.contains(value), qPrintable(copied.join(u' ')));
        QCOMPARE(copied.last(),
                 host->database().engine() == Engine::MariaDB ? u"Tags=steel|zinc"_s : u"Tags=Steel|steel|zinc"_s);
        QVERIFY(picklistEntries(*host, u"Grade"_s).contains(u"Brand new"_s));
        QVERIFY(picklistEntries(*host, u"Gauge"_s).contains(u"77"_s));
    }

    void copyDataLeavesBlankValuesAlone_data()
    {
        QTest::addColumn<QString>("column");
        QTest::addColumn<Variant>("before");
        QTest::addColumn<Variant>("copied");
        QTest::addColumn<QString>("after");
        const Variant seven = Variant::int32(7);
        const Variant text = Variant::text(u"kept"_s);
        QTest::newRow("null number") << "Count32" << seven << Variant::null() << "Int32:7";
        QTest::newRow("null date") << "Made" << Variant::date(Made) << Variant::null() << "Date:2024-02-29 10:30:15";
        QTest::newRow("empty text") << "Material" << text << Variant::text(QString()) << "Text:kept";
        QTest::newRow("blank text") << "Notes" << text << Variant::text(u"  "_s) << "Text:kept";
        QTest::newRow("false") << "Active" << Variant::boolean(true) << Variant::boolean(false) << "Boolean:True";
        QTest::newRow("zero number") << "Count32" << seven << Variant::int32(0) << "Int32:0";
        QTest::newRow("true") << "Active" << Variant::boolean(false) << Variant::boolean(true) << "Boolean:True";
    }

    void copyDataLeavesBlankValuesAlone()
    {
        QFETCH(QString, column);
        QFETCH(Variant, before);
        QFETCH(Variant, copied);
        KvoTest::Host *host = sharedHost();
        QVERIFY(host);
        CFilterColumns &set = *host->columns();
        writeValues(set, 4, {{column, before}});
        CMergeBaseEntry entry(4);
        QVERIFY(set.GetData(&entry));
        for (CFilterColumn *c : set.NewEnum())
            c->setSavedValue(CFilterColumns::MissingFieldValue(c->ColumnType()));
        set.Item(column)->setSavedValue(copied);
        QVERIFY(set.CopyData(&entry));
        readBack(set, 4);
        QTEST(typed(set.Item(column)->SavedValue()), "after");
    }

    void failedReadWritesNothing()
    {
        KvoTest::Host *host = sharedHost();
        QVERIFY(host);
        CFilterColumns &set = *host->columns();
        writeValues(set, 1, {{"Material", Variant::text(u"source"_s)}});
        QVERIFY(writeKeywords(host->connection(), set, 2, {u"mine"_s}));
        // A column without its field makes the source unreadable: the target keeps its keywords.
        QVERIFY(KvoTest::addColumn(set, {"Ghost", fcText}));
        CMergeBaseEntry one(1), two(2);
        KvoTest::ReportedFailures failures;
        QVERIFY(!host->filter->CopyValuesWithinTable(&one, &two));
        QVERIFY(set.Remove(u"Ghost"_s));
        QVERIFY(failures.sources().contains(u"CFilterColumns.GetData"_s));
        QCOMPARE(readBack(set, 2).last(), u"Tags=mine"_s);
    }

    // Each engine copies to the next one configured (SQLite to PostgreSQL, PostgreSQL to MariaDB,
    // MariaDB to SQLite; with one engine, to a second database of the same engine), into a base
    // table whose name differs in case.
    void betweenDatabases()
    {
        const QList<Engine> engines = KvoTest::configuredEngines();
        const Engine targetEngine = engines.at((engines.indexOf(KvoTest::currentEngine()) + 1) % engines.size());
        auto source = KvoTest::makeHost(3, allTypes());
        QVERIFY(source);
        writeValues(*source->columns(), 1, FullValues);
        QVERIFY(writeKeywords(source->connection(), *source->columns(), 1, {u"steel"_s}));

        KvoTest::Host target;
        auto targetDb = KvoTest::open(targetEngine);
        QVERIFY(targetDb);
        target.use(std::move(targetDb));
        QVERIFY(target.createBaseTable(u"PARTS"_s, 4));
        target.openTable(u"PARTS"_s);
        QVERIFY(target.columns());
        QCOMPARE(target.filter->CopyConfiguration(nullptr, source->filter.get()), fltrCCR_Success);
        CFilterColumns &set = *target.columns();

        QStringList expected = readBack(*source->columns(), 1);
        expected.last() = u"Tags=own"_s;
        CMergeBaseEntry one(1), two(2), three(3), four(4);
        QVERIFY(writeKeywords(target.connection(), set, 2, {u"own"_s}));
        QCOMPARE(target.filter->CopyValuesBetweenTables(source->filter.get(), &one, &two), fltrCCR_Success);
        // Keyword values reach the target's database only through a control's keyword list.
        QCOMPARE(set.Item("Tags")->SavedKeys(), QStringList{u"steel"_s});
        QCOMPARE(readBack(set, 2), expected);
        QVERIFY(picklistEntries(target, u"Grade"_s).contains(u"Special's"_s));

        // A merge carries the values through the merge names; the target keeps its keywords, and a
        // target without a search-data row stays without one.
        writeValues(set, 3, {{"Material", Variant::text(u"mine"_s)}});
        QVERIFY(writeKeywords(target.connection(), set, 3, {u"own"_s}));
        QVERIFY(target.filter->MergeSearchData(&three, source->filter.get(), &one));
        QCOMPARE(readBack(set, 3), expected);
        QVERIFY(target.filter->MergeSearchData(&four, source->filter.get(), &one));
        QVERIFY(!hasDataRow(target, 4));

        // Another base table is refused, by copy and merge alike; so is a source column the target
        // lacks. Nothing is written.
        QVERIFY(source->createBaseTable(u"Widgets"_s, 1));
        OtherFilter widgets;
        QVERIFY(widgets.open(*source, u"Widgets"_s));
        QVERIFY(KvoTest::addColumns(widgets.columns(), {{"Material", fcText, {}, 60}}));
        writeValues(widgets.columns(), 1, {{"Material", Variant::text(u"widget"_s)}});
        widgets.columns().Item("Material")->setMergeName(u"Material"_s);
        const QStringList before = readBack(set, 3);
        QCOMPARE(target.filter->CopyValuesBetweenTables(widgets.filter.get(), &one, &three), fltrCCR_Failed);
        KvoTest::ReportedFailures failures;
        QVERIFY(!target.filter->MergeSearchData(&three, widgets.filter.get(), &one));
        QCOMPARE(failures.sources(), QStringList{u"CFilterColumns.MergeData"_s});
        QVERIFY(KvoTest::addColumns(*source->columns(), {{"Extra", fcText, {}, 60}}));
        QCOMPARE(target.filter->CopyValuesBetweenTables(source->filter.get(), &one, &three), fltrCCR_Failed);
        QCOMPARE(readBack(set, 3), before);
    }

    // Values take the target column's type; a value that has no such form is refused. A merge whose
    // source row holds values only in fields without a merge column runs no UPDATE.
    void convertsToTheTargetType()
    {
        auto source = KvoTest::makeHost(3);
        auto target = KvoTest::makeHost(3);
        QVERIFY(source && target);
        CFilterColumns &from = *source->columns();
        CFilterColumns &to = *target->columns();
        QVERIFY(KvoTest::addColumns(from, {{"Count", fcInteger32}, {"Stamp", fcText, {}, 60}}));
        QVERIFY(KvoTest::addColumns(to, {{"Count", fcInteger16}, {"Stamp", fcDateTime}}));
        writeValues(from, 1, {{"Count", Variant::int32(12)}, {"Stamp", Variant::text(u"2024-03-01 08:00"_s)}});
        writeValues(from, 2, {{"Count", Variant::int32(70000)}});
        writeValues(from, 3, {{"Count", Variant::null()}, {"Stamp", Variant::text(u"2025-01-01"_s)}});

        CMergeBaseEntry one(1), two(2), three(3);
        QCOMPARE(target->filter->CopyValuesBetweenTables(source->filter.get(), &one, &one), fltrCCR_Success);
        QCOMPARE(readBack(to, 1), (QStringList{"Count=Int16:12", "Stamp=Date:2024-03-01 08:00:00"}));
        QCOMPARE(target->filter->CopyValuesBetweenTables(source->filter.get(), &two, &two), fltrCCR_Failed);
        QVERIFY(!hasDataRow(*target, 2));

        to.Item("Count")->setMergeName(u"count"_s);
        writeValues(to, 3, {{"Count", Variant::int16(5)}});
        const qint64 statements = target->connection().statementCount();
        QVERIFY(target->filter->MergeSearchData(&three, source->filter.get(), &three));
        QCOMPARE(target->connection().statementCount(), statements);
        QVERIFY(target->filter->MergeSearchData(&three, source->filter.get(), &one));
        QCOMPARE(readBack(to, 3).first(), u"Count=Int16:12"_s);
        KvoTest::ReportedFailures failures;
        QVERIFY(!target->filter->MergeSearchData(&three, source->filter.get(), &two));
        QCOMPARE(failures.sources(), QStringList{u"CFilterColumns.MergeDataStandardColumns"_s});
        QCOMPARE(readBack(to, 3).first(), u"Count=Int16:12"_s);
    }

    // A merge that adds a picklist entry for a value and then has its row refused leaves the
    // picklist and the row as they were.
    void mergeSavesWhole()
    {
        auto source = KvoTest::makeHost(1, {{"Material", fcText, {}, 60}, {"Grade", fcText, {}, 60}});
        auto target =
                KvoTest::makeHost(1, {{"Material", fcText, {}, 60}, {"Grade", fcText, {}, 60, true, false, u"A"_s}});
        QVERIFY(source && target);
        CFilterColumns &to = *target->columns();
        writeValues(*source->columns(), 1,
                    {{"Material", Variant::text(u"refused"_s)}, {"Grade", Variant::text(u"Z"_s)}});
        writeValues(to, 1, {{"Material", Variant::text(u"old"_s)}, {"Grade", Variant::text(u"A"_s)}});
        for (const char *name : {"Material", "Grade"})
            to.Item(name)->setMergeName(QString::fromLatin1(name));
        QVERIFY(KvoTest::refuse(*target, u"Material"_s, u"UPDATE"_s));
        const QStringList entries = picklistEntries(*target, u"Grade"_s);
        QVERIFY(!entries.contains(u"Z"_s));

        CMergeBaseEntry one(1);
        QVERIFY(!target->filter->MergeSearchData(&one, source->filter.get(), &one));
        QCOMPARE(readBack(to, 1), (QStringList{"Material=Text:old", "Grade=Text:A"}));
        QCOMPARE(picklistEntries(*target, u"Grade"_s), entries);
        QVERIFY(!target->connection().inTransaction());
    }

    // A configuration copy renames a name taken in any case (twice over), keeps the source name as
    // merge name and the picklist's default; cleanup removes the merge names and their field, and
    // may run again. (A rename and the cleanup through the tool: cli_copy.)
    void configurationCopyAndCleanup()
    {
        KVO_MAKE_HOST(1);
        QVERIFY(host->createBaseTable(u"Widgets"_s, 1));
        OtherFilter widgets;
        QVERIFY(widgets.open(*host, u"Widgets"_s));
        CFilterColumns &set = *host->columns();
        QVERIFY(KvoTest::addColumns(set, {{"Material", fcText, {}, 60}, {"Material_1", fcText, {}, 60}}));
        QVERIFY(KvoTest::addColumns(widgets.columns(),
                                    {{"MATERIAL", fcText, {}, 60}, {"Grade", fcText, {}, 60, true, false, u"B"_s}}));
        QCOMPARE(host->filter->CopyConfiguration(nullptr, widgets.filter.get()), fltrCCR_Success);
        QVERIFY(set.ColumnsFetch());
        QStringList names;
        for (const CFilterColumn *c : set.NewEnum())
            names.append(c->Name() + u'<' + c->MergeName());
        QCOMPARE(names, (QStringList{"Material<", "Material_1<", "MATERIAL_2<MATERIAL", "Grade<Grade"}));
        QCOMPARE(set.Item("Grade")->PicklistDefault(), u"B"_s);

        QVERIFY(host->filter->CopyCleanup());
        QVERIFY(host->filter->CopyCleanup());
        QVERIFY(set.Item("Grade")->MergeName().isEmpty());
        host->catalog().Refresh();
        QVERIFY(!host->catalog().FindTable(u"SearchColumnConfiguration"_s)->FindColumn(u"MergeName"_s));
    }
};

QTEST_GUILESS_MAIN(TestMergeCopy)
#include "tst_mergecopy.moc"
