// The column set: set-up, loading and saving definitions, and the tables a save leaves behind.
#include "testhost.h"

#include "columns/cfiltercolumns.h"
#include "core/conversions.h"
#include "picklists/cscpicklist.h"

#include "hostkit/adotypes.h"
#include "hostkit/connection.h"
#include "hostkit/databasehelper.h"
#include "hostkit/progress.h"
#include "hostkit/recordset.h"
#include "hostkit/trace.h"

#include <QTest>

using namespace KvoPlx800SCtl;
using namespace KvoPlx800SCtl::HostKit;

namespace {

CFilterColumn *addColumn(CFilterColumns &set, const QString &name, FilterColumnTypeConstants type,
                         const QString &caption = {}, bool picklist = false, const QString &picklistDefault = {})
{
    return set.Add(name, caption, QString(), type, type == fcText || type == fcKeyword ? 20 : 0, picklist, false,
                   picklistDefault, fcDTDM_Configure, Variant::null(), false);
}

// The fields of a table, key first, the others sorted: fields are matched by name, never by place.
QStringList fieldNames(Catalog &catalog, const QString &table)
{
    catalog.Refresh();
    QStringList names;
    if (const auto t = DatabaseHelper::FindTable(catalog, table)) {
        for (const CatalogColumn &c : t->Columns)
            names.append(c.Name);
    }
    if (!names.isEmpty()) {
        const QString key = names.takeFirst();
        names.sort();
        names.prepend(key);
    }
    return names;
}

QStringList definitionRows(Connection &db, const QString &baseTable)
{
    auto rs = db.OpenQuery(QStringLiteral("SELECT %1, %2, %3 FROM %4 WHERE %5 = %6 ORDER BY %1")
                               .arg(db.QuoteName(QStringLiteral("Position")), db.QuoteName(QStringLiteral("Name")),
                                    db.QuoteName(QStringLiteral("Type")),
                                    db.QuoteName(QStringLiteral("SearchColumnConfiguration")),
                                    db.QuoteName(QStringLiteral("BaseTable")), db.QuoteText(baseTable)));
    QStringList rows;
    for (rs->MoveFirst(); rs && !rs->EOF(); rs->MoveNext())
        rows.append(QStringLiteral("%1:%2:%3").arg(rs->value(0).toInt()).arg(rs->value(1).toString()).arg(rs->value(2).toInt()));
    return rows;
}

QVariant cell(Connection &db, const QString &sql)
{
    auto rs = db.OpenQuery(sql);
    if (!rs || rs->EOF())
        return {};
    return rs->value(0);
}

} // namespace

class TestFilterColumns : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase_data() { KvoTest::addEngineRows(); }

    void setupStatuses();
    void setupWithoutComponents_data();
    void setupWithoutComponents();
    void addAndItem();
    void saveCreatesTablesAndRows();
    void changesKeepUntouchedValues();
    void retypeAndDeleteRemoveData();
    void onlyKeywordColumnsHaveNoSearchDataTable();
    void moveColumns();
    void defaultsFillOnlyGaps();
    void olderDefinitionLayoutLoads();
    void formerBaseTableNames();
    void twoBaseTablesShareDefinitions();
    void textKeyIsQuoted();
    void hostileNames();
    void saveDoesNotNest();
    void keyColumnMissingFromCatalog();
    void columnNameLimit();
};

void TestFilterColumns::setupStatuses()
{
    auto host = KvoTest::makeHost(3);
    QVERIFY(host);
    QCOMPARE(host->filter->setupStatus(), kvoFCSNoColumnsDefined);
    QVERIFY(host->columns());
    QCOMPARE(host->columns()->Count(), 0);
    QVERIFY(!host->filter->Exists());
    QCOMPARE(host->columns()->keyFieldName(), QStringLiteral("PartId"));

    // A table that does not exist.
    host->openFilter(QStringLiteral("NoSuchTable"));
    QCOMPARE(host->filter->setupStatus(), kvoFCSBaseTableNotDefined);
    QVERIFY(!host->columns());

    // A table without a primary key, and one whose key has two columns.
    Connection &db = host->connection();
    QVERIFY(KvoTest::exec(db, QStringLiteral("CREATE TABLE %1 (%2 INTEGER)").arg(db.QuoteName(QStringLiteral("NoKey")), db.QuoteName(QStringLiteral("A")))));
    host->openFilter(QStringLiteral("NoKey"));
    QCOMPARE(host->filter->setupStatus(), kvoFCSBaseTableMissingPrimaryIndex);
    QVERIFY(KvoTest::exec(db, QStringLiteral("CREATE TABLE %1 (%2 INTEGER NOT NULL, %3 INTEGER NOT NULL, PRIMARY KEY (%2, %3))")
                                  .arg(db.QuoteName(QStringLiteral("TwoKeys")), db.QuoteName(QStringLiteral("A")),
                                       db.QuoteName(QStringLiteral("B")))));
    host->openFilter(QStringLiteral("TwoKeys"));
    QCOMPARE(host->filter->setupStatus(), kvoFSCBaseTablePrimaryIndexSegmented);

    // Columns defined and stored: success.
    host->openFilter(QStringLiteral("Parts"));
    addColumn(*host->columns(), QStringLiteral("Material"), fcText);
    QVERIFY(host->columns()->ColumnsSave(nullptr));
    host->openFilter(QStringLiteral("Parts"));
    QCOMPARE(host->filter->setupStatus(), kvoFCSSuccess);
    QVERIFY(host->filter->Exists());
}

void TestFilterColumns::setupWithoutComponents_data()
{
    QTest::addColumn<bool>("handler");
    QTest::addColumn<bool>("baseTable");
    QTest::addColumn<bool>("catalog");
    QTest::addColumn<int>("status");
    QTest::newRow("no handler") << false << true << true << int(kvoFCSMissingDatabaseHandler);
    QTest::newRow("no handler, no base table") << false << false << true << int(kvoFCSMissingDatabaseHandler);
    QTest::newRow("no catalog") << true << true << false << int(kvoFCSMissingDatabase);
    QTest::newRow("no base table") << true << false << true << int(kvoFCSMissingBaseTable);
}

void TestFilterColumns::setupWithoutComponents()
{
    QFETCH(bool, handler);
    QFETCH(bool, baseTable);
    QFETCH(bool, catalog);
    auto host = KvoTest::makeHost(1);
    QVERIFY(host);
    auto filter = CCommon::global().CreateSearchFilterObject(handler ? host->handler.get() : nullptr,
                                                             baseTable ? host->baseTable.get() : nullptr,
                                                             catalog ? host->db->catalog.get() : nullptr,
                                                             host->profile.get(), 0, host->structure.get());
    QVERIFY(filter);
    QTEST(int(filter->setupStatus()), "status");
    QVERIFY(!filter->FilterColumns());
    QVERIFY(!filter->Exists());
    QVERIFY(filter->SQLSearchFields().isEmpty());
    QVERIFY(filter->SQLSearchJoinOn().isEmpty());
    QVERIFY(filter->SQLSearchTable().isEmpty());
}

void TestFilterColumns::addAndItem()
{
    auto host = KvoTest::makeHost(1);
    QVERIFY(host);
    CFilterColumns &set = *host->columns();
    CFilterColumn *a = addColumn(set, QStringLiteral("Alpha"), fcText, QStringLiteral("Beta"));
    CFilterColumn *b = addColumn(set, QStringLiteral("Beta"), fcInteger32, QStringLiteral("First"));
    QVERIFY(a && b);
    QCOMPARE(a->Index(), qint16(1));
    QCOMPARE(b->Index(), qint16(2));
    // The same name in another case is refused and leaves the set alone.
    QVERIFY(!addColumn(set, QStringLiteral("ALPHA"), fcText));
    QCOMPARE(set.Count(), 2);

    QCOMPARE(set.Item(1), a);
    QCOMPARE(set.Item(3), nullptr);
    QCOMPARE(set.Item(0), nullptr);
    // A name wins over a caption; a caption is found when no name matches, in any case.
    QCOMPARE(set.Item(QStringLiteral("beta")), b);
    QCOMPARE(set.Item(QStringLiteral("FIRST")), b);
    QCOMPARE(set.Item(QStringLiteral("nothing")), nullptr);
    QCOMPARE(set.Item(Variant::int16(2)), b);
    QCOMPARE(set.Item(Variant::text(QStringLiteral("alpha"))), a);
    QCOMPARE(set.Item(Variant::boolean(true)), nullptr);
    QCOMPARE(set.NewEnum(), (QList<CFilterColumn *>{a, b}));
    QVERIFY(set.HasStandardColumns());
    QVERIFY(!set.HasKeywordColumns());
    addColumn(set, QStringLiteral("Tags"), fcKeyword);
    QVERIFY(set.HasKeywordColumns());
}

void TestFilterColumns::saveCreatesTablesAndRows()
{
    auto host = KvoTest::makeHost(2);
    QVERIFY(host);
    CFilterColumns &set = *host->columns();
    addColumn(set, QStringLiteral("Material"), fcText, QStringLiteral("Material name"));
    addColumn(set, QStringLiteral("Tags"), fcKeyword);
    addColumn(set, QStringLiteral("Weight"), fcDouble);
    addColumn(set, QStringLiteral("Approved"), fcBoolean);
    addColumn(set, QStringLiteral("Due"), fcDateTime);
    addColumn(set, QStringLiteral("Count16"), fcInteger16);
    addColumn(set, QStringLiteral("Count32"), fcInteger32);
    addColumn(set, QStringLiteral("Ratio"), fcSingle);
    addColumn(set, QStringLiteral("Remarks"), fcNote);
    QVERIFY(set.ColumnsSave(nullptr));

    Catalog &catalog = host->catalog();
    Connection &db = host->connection();
    QCOMPARE(fieldNames(catalog, QStringLiteral("PartsSearchData")),
             (QStringList{"PartId", "Approved", "Count16", "Count32", "Due", "Material", "Ratio", "Remarks", "Weight"}));
    QCOMPARE(fieldNames(catalog, QStringLiteral("PartsSearchKeywordTags")), (QStringList{"PartId", "Tags"}));

    const auto data = DatabaseHelper::FindTable(catalog, QStringLiteral("PartsSearchData"));
    QVERIFY(data);
    const Dialect &d = db.dialect();
    QCOMPARE(data->FindColumn(QStringLiteral("PartId"))->Type, int(adInteger));
    QCOMPARE(data->FindColumn(QStringLiteral("PartId"))->Nullable, false);
    QCOMPARE(data->FindColumn(QStringLiteral("Material"))->Type, int(adVarWChar));
    QCOMPARE(data->FindColumn(QStringLiteral("Material"))->DefinedSize, 255);
    QCOMPARE(data->FindColumn(QStringLiteral("Weight"))->Type, int(adDouble));
    QCOMPARE(data->FindColumn(QStringLiteral("Approved"))->Type, d.storedAdoType(adBoolean));
    QCOMPARE(data->FindColumn(QStringLiteral("Due"))->Type, int(adDate));
    QCOMPARE(data->FindColumn(QStringLiteral("Count16"))->Type, int(adSmallInt));
    QCOMPARE(data->FindColumn(QStringLiteral("Ratio"))->Type, int(adSingle));
    QVERIFY(data->primaryKey());
    QCOMPARE(data->primaryKey()->Columns, QStringList{"PartId"});
    if (d.namedPrimaryKeys())
        QCOMPARE(data->primaryKey()->Name, QStringLiteral("PK_PartsSearchData"));

    const auto keywords = DatabaseHelper::FindTable(catalog, QStringLiteral("PartsSearchKeywordTags"));
    QVERIFY(keywords && keywords->primaryKey());
    QCOMPARE(keywords->primaryKey()->Columns, (QStringList{"PartId", "Tags"}));

    const auto definition = DatabaseHelper::FindTable(catalog, QStringLiteral("SearchColumnConfiguration"));
    QVERIFY(definition);
    QCOMPARE(definition->Columns.size(), 13);
    QVERIFY(definition->findIndex(QStringLiteral("BaseTableIndex")));
    QVERIFY(definition->findIndex(QStringLiteral("ColumnNameField")));
    QCOMPARE(definitionRows(db, QStringLiteral("Parts")),
             (QStringList{"1:Material:1", "2:Tags:0", "3:Weight:5", "4:Approved:7", "5:Due:6", "6:Count16:2",
                          "7:Count32:3", "8:Ratio:4", "9:Remarks:8"}));

    // A new column set reads back every attribute.
    host->openFilter(QStringLiteral("Parts"));
    QCOMPARE(host->filter->setupStatus(), kvoFCSSuccess);
    const CFilterColumn *m = host->columns()->Item(QStringLiteral("Material"));
    QVERIFY(m);
    QCOMPARE(m->Caption(), QStringLiteral("Material name"));
    QCOMPARE(m->TextLengthInUI(), qint16(20));
    QCOMPARE(host->columns()->Item(9)->ColumnType(), fcNote);
    QVERIFY(!host->columns()->needsDefinitionConversion());
}

void TestFilterColumns::changesKeepUntouchedValues()
{
    auto host = KvoTest::makeHost(3);
    QVERIFY(host);
    CFilterColumns &set = *host->columns();
    addColumn(set, QStringLiteral("Material"), fcText);
    addColumn(set, QStringLiteral("Weight"), fcDouble);
    addColumn(set, QStringLiteral("Tags"), fcKeyword);
    QVERIFY(set.ColumnsSave(nullptr));
    Connection &db = host->connection();
    const QString data = db.QuoteName(QStringLiteral("PartsSearchData"));
    QVERIFY(KvoTest::exec(db, QStringLiteral("INSERT INTO %1 (%2, %3, %4) VALUES (1, %5, 2.5)")
                                  .arg(data, db.QuoteName(QStringLiteral("PartId")), db.QuoteName(QStringLiteral("Material")),
                                       db.QuoteName(QStringLiteral("Weight")), db.QuoteText(QStringLiteral("Steel")))));
    QVERIFY(KvoTest::exec(db, QStringLiteral("INSERT INTO %1 (%2, %3) VALUES (1, %4)")
                                  .arg(db.QuoteName(QStringLiteral("PartsSearchKeywordTags")),
                                       db.QuoteName(QStringLiteral("PartId")), db.QuoteName(QStringLiteral("Tags")),
                                       db.QuoteText(QStringLiteral("urgent")))));

    // Add, move, delete other columns: Material, Weight and Tags keep their values.
    addColumn(set, QStringLiteral("Extra"), fcInteger32);
    addColumn(set, QStringLiteral("Gone"), fcDateTime);
    QVERIFY(set.ColumnsSave(nullptr));
    QVERIFY(set.MoveColumnUp(set.Item(QStringLiteral("Extra"))));
    QVERIFY(set.Remove(QStringLiteral("Gone")));
    QVERIFY(set.ColumnsSave(nullptr));

    const QString material = QStringLiteral("SELECT %1 FROM %2 WHERE %3 = 1")
                                 .arg(db.QuoteName(QStringLiteral("Material")), data, db.QuoteName(QStringLiteral("PartId")));
    QCOMPARE(cell(db, material).toString(), QStringLiteral("Steel"));
    QCOMPARE(cell(db, QStringLiteral("SELECT %1 FROM %2").arg(db.QuoteName(QStringLiteral("Weight")), data)).toDouble(), 2.5);
    QCOMPARE(cell(db, QStringLiteral("SELECT %1 FROM %2").arg(db.QuoteName(QStringLiteral("Tags")),
                                                              db.QuoteName(QStringLiteral("PartsSearchKeywordTags"))))
                 .toString(),
             QStringLiteral("urgent"));
    QCOMPARE(fieldNames(host->catalog(), QStringLiteral("PartsSearchData")),
             (QStringList{"PartId", "Extra", "Material", "Weight"}));
    QCOMPARE(definitionRows(db, QStringLiteral("Parts")), (QStringList{"1:Material:1", "2:Weight:5", "3:Extra:3", "4:Tags:0"}));
    // The existing row got the new column's default from the table definition.
    QCOMPARE(cell(db, QStringLiteral("SELECT %1 FROM %2").arg(db.QuoteName(QStringLiteral("Extra")), data)).toInt(), 0);
}

void TestFilterColumns::retypeAndDeleteRemoveData()
{
    auto host = KvoTest::makeHost(2);
    QVERIFY(host);
    CFilterColumns &set = *host->columns();
    addColumn(set, QStringLiteral("Code"), fcText);
    addColumn(set, QStringLiteral("Tags"), fcKeyword);
    addColumn(set, QStringLiteral("Keep"), fcText);
    QVERIFY(set.ColumnsSave(nullptr));
    Connection &db = host->connection();
    QVERIFY(KvoTest::exec(db, QStringLiteral("INSERT INTO %1 (%2, %3, %4) VALUES (1, %5, %6)")
                                  .arg(db.QuoteName(QStringLiteral("PartsSearchData")), db.QuoteName(QStringLiteral("PartId")),
                                       db.QuoteName(QStringLiteral("Code")), db.QuoteName(QStringLiteral("Keep")),
                                       db.QuoteText(QStringLiteral("A-12")), db.QuoteText(QStringLiteral("kept")))));

    // Retype Code from text to integer: its old values go, the field comes back with the new type.
    set.Item(QStringLiteral("Code"))->setColumnType(fcInteger32);
    // Tags becomes a text column: its keyword table goes.
    set.Item(QStringLiteral("Tags"))->setColumnType(fcText);
    QVERIFY(set.ColumnsSave(nullptr));
    Catalog &catalog = host->catalog();
    catalog.Refresh();
    QVERIFY(!DatabaseHelper::FindTable(catalog, QStringLiteral("PartsSearchKeywordTags")));
    const auto data = DatabaseHelper::FindTable(catalog, QStringLiteral("PartsSearchData"));
    QCOMPARE(data->FindColumn(QStringLiteral("Code"))->Type, int(adInteger));
    QVERIFY(data->FindColumn(QStringLiteral("Tags")));
    const QVariant code = cell(db, QStringLiteral("SELECT %1 FROM %2").arg(db.QuoteName(QStringLiteral("Code")),
                                                                           db.QuoteName(QStringLiteral("PartsSearchData"))));
    QVERIFY2(code.isNull() || code.toInt() == 0, qPrintable(code.toString()));
    QCOMPARE(cell(db, QStringLiteral("SELECT %1 FROM %2").arg(db.QuoteName(QStringLiteral("Keep")),
                                                              db.QuoteName(QStringLiteral("PartsSearchData"))))
                 .toString(),
             QStringLiteral("kept"));

    // Deleting a column removes its row and its field.
    QVERIFY(set.Remove(QStringLiteral("Code")));
    QVERIFY(set.ColumnsSave(nullptr));
    QCOMPARE(fieldNames(catalog, QStringLiteral("PartsSearchData")), (QStringList{"PartId", "Keep", "Tags"}));
    QCOMPARE(definitionRows(db, QStringLiteral("Parts")), (QStringList{"1:Tags:1", "2:Keep:1"}));
}

void TestFilterColumns::onlyKeywordColumnsHaveNoSearchDataTable()
{
    auto host = KvoTest::makeHost(1);
    QVERIFY(host);
    CFilterColumns &set = *host->columns();
    addColumn(set, QStringLiteral("Plain"), fcText);
    addColumn(set, QStringLiteral("Tags"), fcKeyword);
    QVERIFY(set.ColumnsSave(nullptr));
    QVERIFY(DatabaseHelper::FindTable(host->catalog(), QStringLiteral("PartsSearchData")));
    QVERIFY(set.Remove(QStringLiteral("Plain")));
    QVERIFY(set.ColumnsSave(nullptr));
    host->catalog().Refresh();
    QVERIFY(!DatabaseHelper::FindTable(host->catalog(), QStringLiteral("PartsSearchData")));
    QVERIFY(DatabaseHelper::FindTable(host->catalog(), QStringLiteral("PartsSearchKeywordTags")));
    host->openFilter(QStringLiteral("Parts"));
    QCOMPARE(host->filter->setupStatus(), kvoFCSSuccess);
    QVERIFY(host->filter->SQLSearchFields().isEmpty());
    QVERIFY(host->filter->SQLSearchTable().isEmpty());
    QVERIFY(!host->filter->SQLSearchJoinOn().isEmpty());
}

void TestFilterColumns::moveColumns()
{
    auto host = KvoTest::makeHost(1);
    QVERIFY(host);
    CFilterColumns &set = *host->columns();
    CFilterColumn *a = addColumn(set, QStringLiteral("A"), fcText);
    CFilterColumn *b = addColumn(set, QStringLiteral("B"), fcText);
    CFilterColumn *c = addColumn(set, QStringLiteral("C"), fcText);
    QVERIFY(!set.MoveColumnUp(a));
    QVERIFY(!set.MoveColumnDown(c));
    QCOMPARE(set.NewEnum(), (QList<CFilterColumn *>{a, b, c}));
    QVERIFY(set.MoveColumnDown(a));
    QCOMPARE(set.NewEnum(), (QList<CFilterColumn *>{b, a, c}));
    QCOMPARE(a->Index(), qint16(2));
    QVERIFY(set.MoveColumnUp(c));
    QCOMPARE(set.NewEnum(), (QList<CFilterColumn *>{b, c, a}));
    QVERIFY(set.ColumnsSave(nullptr));
    // The objects survive the save and keep their order.
    QCOMPARE(set.NewEnum(), (QList<CFilterColumn *>{b, c, a}));
    QCOMPARE(definitionRows(host->connection(), QStringLiteral("Parts")), (QStringList{"1:B:1", "2:C:1", "3:A:1"}));
    QCOMPARE(fieldNames(host->catalog(), QStringLiteral("PartsSearchData")), (QStringList{"PartId", "A", "B", "C"}));
}

void TestFilterColumns::defaultsFillOnlyGaps()
{
    auto host = KvoTest::makeHost(3);
    QVERIFY(host);
    CFilterColumns &set = *host->columns();
    addColumn(set, QStringLiteral("Grade"), fcInteger32, {}, true, QStringLiteral("5"));
    QVERIFY(set.ColumnsSave(nullptr));
    Connection &db = host->connection();
    const QString data = db.QuoteName(QStringLiteral("PartsSearchData"));
    const QString key = db.QuoteName(QStringLiteral("PartId"));
    const QString grade = db.QuoteName(QStringLiteral("Grade"));
    // A picklist column takes only values of its list.
    QVERIFY(set.Item(QStringLiteral("Grade"))->PickList()->SaveAdditions({QStringLiteral("7")}));
    QVERIFY(KvoTest::exec(db, QStringLiteral("INSERT INTO %1 (%2, %3) VALUES (1, 7), (2, NULL), (3, 5)").arg(data, key, grade)));

    // A changed default reaches the rows without a value only.
    set.Item(QStringLiteral("Grade"))->setPicklistDefault(QStringLiteral("9"));
    QVERIFY(set.ColumnsSave(nullptr));
    QStringList values;
    auto rs = db.OpenQuery(QStringLiteral("SELECT %1 FROM %2 ORDER BY %3").arg(grade, data, key));
    for (rs->MoveFirst(); !rs->EOF(); rs->MoveNext())
        values.append(rs->value(0).toString());
    QCOMPARE(values, (QStringList{"7", "9", "5"}));
    QCOMPARE(set.Item(QStringLiteral("Grade"))->PicklistDefault(), QStringLiteral("9"));
}

void TestFilterColumns::olderDefinitionLayoutLoads()
{
    auto host = KvoTest::makeHost(1);
    QVERIFY(host);
    // A definition table of the older layout: no DateTimeDefaultMode and the fields after it.
    QVERIFY(host->handler->DropTable(host->catalog(), QStringLiteral("SearchColumnConfiguration")));
    TableStructure older = host->columns()->MyStructureDefinition();
    older.Fields.erase(std::remove_if(older.Fields.begin(), older.Fields.end(), [](const FieldDescription &f) { return f.Optional; }),
                       older.Fields.end());
    QVERIFY2(older.Create(host->catalog()), qPrintable(older.lastError()));
    Connection &db = host->connection();
    QVERIFY(KvoTest::exec(db, QStringLiteral("INSERT INTO %1 (%2, %3, %4, %5, %6) VALUES (%7, 1, %8, 6, 0)")
                                  .arg(db.QuoteName(QStringLiteral("SearchColumnConfiguration")),
                                       db.QuoteName(QStringLiteral("BaseTable")), db.QuoteName(QStringLiteral("Position")),
                                       db.QuoteName(QStringLiteral("Name")), db.QuoteName(QStringLiteral("Type")),
                                       db.QuoteName(QStringLiteral("Size")), db.QuoteText(QStringLiteral("Parts")),
                                       db.QuoteText(QStringLiteral("Due")))));
    host->openFilter(QStringLiteral("Parts"));
    QCOMPARE(host->filter->setupStatus(), kvoFCSSuccess);
    CFilterColumns &set = *host->columns();
    QVERIFY(set.needsDefinitionConversion());
    const CFilterColumn *due = set.Item(QStringLiteral("Due"));
    QVERIFY(due);
    QCOMPARE(due->DateTimeDefaultMode(), fcDTDM_Configure);
    QCOMPARE(due->DateTimeDefaultValue(), Variant::date(Variant::dateZero()));
    QCOMPARE(due->DisableEditDateTime(), false);

    // Saving brings the definition table to the newer layout and keeps the row.
    QVERIFY(set.ColumnsSave(nullptr));
    host->openFilter(QStringLiteral("Parts"));
    QVERIFY(!host->columns()->needsDefinitionConversion());
    QCOMPARE(definitionRows(db, QStringLiteral("Parts")), QStringList{"1:Due:6"});
}

void TestFilterColumns::formerBaseTableNames()
{
    auto host = KvoTest::makeHost(1);
    QVERIFY(host);
    QVERIFY(host->createBaseTable(QStringLiteral("OldParts"), 1));
    host->openFilter(QStringLiteral("OldParts"));
    addColumn(*host->columns(), QStringLiteral("Material"), fcText);
    QVERIFY(host->columns()->ColumnsSave(nullptr));

    // Parts was called OldParts before: its definition rows are found under the former name.
    host->openFilter(QStringLiteral("Parts"), {QStringLiteral("Older"), QStringLiteral("OldParts")});
    QCOMPARE(host->filter->setupStatus(), kvoFCSSuccess);
    QVERIFY(host->columns()->Item(QStringLiteral("Material")));
    QCOMPARE(host->columns()->formerNamesFound(), QStringList{"OldParts"});
    host->openFilter(QStringLiteral("Parts"));
    QCOMPARE(host->filter->setupStatus(), kvoFCSNoColumnsDefined);
}

void TestFilterColumns::twoBaseTablesShareDefinitions()
{
    auto host = KvoTest::makeHost(1);
    QVERIFY(host);
    QVERIFY(host->createBaseTable(QStringLiteral("Packets"), 1, QStringLiteral("PacketId")));
    host->openFilter(QStringLiteral("Packets"));
    addColumn(*host->columns(), QStringLiteral("OpNo"), fcText);
    addColumn(*host->columns(), QStringLiteral("Shared"), fcText);
    QVERIFY(host->columns()->ColumnsSave(nullptr));

    host->openFilter(QStringLiteral("Parts"));
    addColumn(*host->columns(), QStringLiteral("Shared"), fcInteger32);
    QVERIFY(host->columns()->ColumnsSave(nullptr));
    QVERIFY(host->columns()->Remove(QStringLiteral("Shared")));
    addColumn(*host->columns(), QStringLiteral("Own"), fcText);
    QVERIFY(host->columns()->ColumnsSave(nullptr));

    Connection &db = host->connection();
    QCOMPARE(definitionRows(db, QStringLiteral("Packets")), (QStringList{"1:OpNo:1", "2:Shared:1"}));
    QCOMPARE(definitionRows(db, QStringLiteral("Parts")), QStringList{"1:Own:1"});
    QCOMPARE(fieldNames(host->catalog(), QStringLiteral("PacketsSearchData")), (QStringList{"PacketId", "OpNo", "Shared"}));
}

void TestFilterColumns::textKeyIsQuoted()
{
    auto host = std::make_unique<KvoTest::Host>();
    host->db = KvoTest::open();
    QVERIFY(host->db);
    QVERIFY(host->createBaseTable(QStringLiteral("Docs"), 2, QStringLiteral("DocKey"), true));
    host->openFilter(QStringLiteral("Docs"));
    CFilterColumns &set = *host->columns();
    addColumn(set, QStringLiteral("Title"), fcText);
    QVERIFY(set.ColumnsSave(nullptr));
    Connection &db = host->connection();
    CMergeBaseEntry entry(2);
    QCOMPARE(set.SearchTableSeekCriteria(&entry), db.QuoteName(QStringLiteral("DocKey")) + QStringLiteral(" = ") + db.QuoteText(QStringLiteral("2")));
    const auto key = DatabaseHelper::FindTable(host->catalog(), QStringLiteral("DocsSearchData"))->FindColumn(QStringLiteral("DocKey"));
    QCOMPARE(key->Type, int(adVarWChar));
    QCOMPARE(key->DefinedSize, 20);
    QVERIFY(KvoTest::exec(db, QStringLiteral("INSERT INTO %1 (%2, %3) VALUES (%4, %5)")
                                  .arg(db.QuoteName(QStringLiteral("DocsSearchData")), db.QuoteName(QStringLiteral("DocKey")),
                                       db.QuoteName(QStringLiteral("Title")), db.QuoteText(QStringLiteral("2")),
                                       db.QuoteText(QStringLiteral("Manual")))));
    auto rs = set.OpenSearchTable(&entry);
    QVERIFY(rs);
    QCOMPARE(rs->RecordCount(), 1);
    QCOMPARE(rs->value(QStringLiteral("Title")).toString(), QStringLiteral("Manual"));
}

// Names with spaces and quote characters work as column names and captions everywhere.
void TestFilterColumns::hostileNames()
{
    auto host = KvoTest::makeHost(1);
    QVERIFY(host);
    CFilterColumns &set = *host->columns();
    addColumn(set, QStringLiteral("Größe"), fcText, QStringLiteral("it's \"big\" `x` [y]"));
    addColumn(set, QStringLiteral("Schlüssel"), fcKeyword, QStringLiteral("a--b"));
    QVERIFY(set.ColumnsSave(nullptr));
    host->openFilter(QStringLiteral("Parts"));
    QCOMPARE(host->filter->setupStatus(), kvoFCSSuccess);
    QCOMPARE(host->columns()->Item(1)->Caption(), QStringLiteral("it's \"big\" `x` [y]"));
    QVERIFY(DatabaseHelper::FindTable(host->catalog(), QStringLiteral("PartsSearchKeywordSchlüssel")));
    // The fragments run as a real query.
    Connection &db = host->connection();
    const QString sql = QStringLiteral("SELECT %1 FROM %2 LEFT JOIN %3 ON %4")
                            .arg(host->filter->SQLSearchFields(), db.QuoteName(QStringLiteral("Parts")),
                                 host->filter->SQLSearchTable(), host->filter->SQLSearchJoinOn());
    auto rs = db.OpenQuery(sql);
    QVERIFY2(rs, qPrintable(db.lastError() + QStringLiteral("\n") + sql));
    // (Qt's SQLite driver drops double quotes from the names it reports.)
    QString caption = QStringLiteral("it's \"big\" `x` [y]");
    if (db.dialect().engine() == Engine::SQLite)
        caption.remove(QLatin1Char('"'));
    QCOMPARE(rs->fieldNames(), QStringList{caption});
}

// A save started while a save runs (from its progress report) is refused; the outer one completes.
void TestFilterColumns::saveDoesNotNest()
{
    auto host = KvoTest::makeHost(1);
    QVERIFY(host);
    CFilterColumns &set = *host->columns();
    addColumn(set, QStringLiteral("A"), fcText);
    int nested = 0;
    bool nestedResult = true;
    Progress progress([&](const QString &, int, int, bool) {
        if (nested++ == 0)
            nestedResult = set.ColumnsSave(nullptr);
    });
    QVERIFY(set.ColumnsSave(&progress));
    QVERIFY(!nestedResult);
    QVERIFY(progress.startCount() == 1 && !progress.running());
    QCOMPARE(definitionRows(host->connection(), QStringLiteral("Parts")), QStringList{"1:A:1"});
}

namespace {
// A base-table structure whose primary key names a field the table does not have.
class WrongKeyStructure : public BaseTableStructure
{
public:
    WrongKeyStructure()
        : BaseTableStructure(QStringLiteral("Parts"), {}, {{QStringLiteral("PK"), IndexKind::Primary, {QStringLiteral("NoSuchField")}}})
    {
    }
};
} // namespace

void TestFilterColumns::keyColumnMissingFromCatalog()
{
    auto host = KvoTest::makeHost(1);
    QVERIFY(host);
    WrongKeyStructure structure;
    auto filter = CCommon::global().CreateSearchFilterObject(host->handler.get(), host->baseTable.get(),
                                                             host->db->catalog.get(), host->profile.get(), 0, &structure);
    QCOMPARE(filter->setupStatus(), kvoFCSBaseTableMissingPrimaryIndex);
    QVERIFY(!filter->FilterColumns());
}

// The longest derived name ("PK_" + base table + "SearchKeyword" + column) fits 63 bytes.
void TestFilterColumns::columnNameLimit()
{
    auto host = KvoTest::makeHost(1);
    QVERIFY(host);
    CFilterColumns &set = *host->columns();
    const int limit = set.maxColumnNameLength();
    QCOMPARE(limit, 63 - 16 - 5);
    const QString longest(limit, QLatin1Char('k'));
    addColumn(set, longest, fcKeyword);
    addColumn(set, QString(limit, QLatin1Char('t')), fcText);
    QVERIFY(set.ColumnsSave(nullptr));
    host->openFilter(QStringLiteral("Parts"));
    QCOMPARE(host->filter->setupStatus(), kvoFCSSuccess);
    QVERIFY(DatabaseHelper::FindTable(host->catalog(), QStringLiteral("PartsSearchKeyword") + longest));
}

QTEST_GUILESS_MAIN(TestFilterColumns)
#include "tst_filtercolumns.moc"
