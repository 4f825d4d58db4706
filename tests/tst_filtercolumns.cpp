// The column set: set-up, loading and saving definitions, and the tables a save leaves behind.
#include "testhost.h"

#include "columns/cfiltercolumns.h"
#include "columns/definitiontable.h"
#include "picklists/cscpicklist.h"

#include "hostkit/adotypes.h"
#include "hostkit/connection.h"
#include "hostkit/progress.h"
#include "hostkit/recordset.h"

#include <QScopeGuard>
#include <QSqlQuery>
#include <QTest>

using namespace KvoPlx800SCtl;
using namespace KvoPlx800SCtl::HostKit;
using namespace Qt::StringLiterals;
using KvoTest::addColumn;
using KvoTest::addColumns;
using KvoTest::definitionRows;
using KvoTest::rows;
using KvoTest::run;
using KvoTest::tableExists;

namespace {

// The fields of a table, key first, the others sorted: fields are matched by name, never by place.
QStringList fields(KvoTest::Host &host, const QString &table)
{
    QStringList names = KvoTest::fieldNames(host.catalog(), table);
    if (!names.isEmpty())
        std::sort(names.begin() + 1, names.end());
    return names;
}

using Change = std::function<void(CFilterColumns &)>;

ColumnDefinition changed(CFilterColumns &set, const QString &name, const std::function<void(ColumnDefinition &)> &edit)
{
    ColumnDefinition def = set.findByName(name)->definition();
    edit(def);
    return def;
}

} // namespace

// Every test starts with base table Parts (records 1..3) and its empty column set.
class TestFilterColumns : public KvoTest::HostTest
{
    Q_OBJECT

public:
    TestFilterColumns() : HostTest(3) {}

private slots:

    void setupStatuses_data()
    {
        QTest::addColumn<bool>("columns");    // a column is saved first
        QTest::addColumn<QString>("ddl");     // run first (names in brackets)
        QTest::addColumn<QString>("table");   // the base table
        QTest::addColumn<QString>("leftOut"); // components not handed in; "key": a key field the table lacks
        QTest::addColumn<int>("status");
        const auto row = [](const char *tag, bool columns, const char *ddl, const char *table, const char *leftOut,
                            int status) {
            QTest::newRow(tag) << columns << QString::fromUtf8(ddl) << QString::fromUtf8(table)
                               << QString::fromUtf8(leftOut) << status;
        };
        // (No columns yet, columns stored and no such table: cli_columns, status.)
        row("columns stored", true, "", "Parts", "", kvoFCSSuccess);
        row("no primary key", false, "CREATE TABLE [NoKey] ([A] INTEGER)", "NoKey", "",
            kvoFCSBaseTableMissingPrimaryIndex);
        row("two-field key", false,
            "CREATE TABLE [TwoKeys] ([A] INTEGER NOT NULL, [B] INTEGER NOT NULL, PRIMARY KEY ([A], [B]))", "TwoKeys",
            "", kvoFSCBaseTablePrimaryIndexSegmented);
        row("key field missing from catalog", false, "", "Parts", "key", kvoFCSBaseTableMissingPrimaryIndex);
        row("no handler", false, "", "Parts", "handler", kvoFCSMissingDatabaseHandler);
        row("no handler, no base table", false, "", "Parts", "handler baseTable", kvoFCSMissingDatabaseHandler);
        row("no catalog", false, "", "Parts", "catalog", kvoFCSMissingDatabase);
        row("no base table", false, "", "Parts", "baseTable", kvoFCSMissingBaseTable);
        // The catalog still lists the definition table, but reading it fails: never an empty set.
        row("definitions unreadable", true, "", "Parts", "definitions", kvoFCSUndefinedStatus);
    }

    void setupStatuses()
    {
        QFETCH(bool, columns);
        QFETCH(QString, ddl);
        QFETCH(QString, table);
        QFETCH(QString, leftOut);
        QFETCH(int, status);
        // A base-table structure whose primary key names a field the table does not have.
        static BaseTableStructure wrongKey(u"Parts"_s, {}, {{u"PK"_s, IndexKind::Primary, {u"NoSuchField"_s}}});
        if (columns)
            QVERIFY(addColumns(*m_host->columns(), {{"Material", fcText}}));
        if (!ddl.isEmpty())
            QVERIFY(run(m_host->connection(), ddl));
        m_host->openTable(table);
        const bool unreadable = leftOut == u"definitions";
        const auto renameDefinitions = [&](const char *from, const char *to) {
            return run(m_host->connection(),
                       u"ALTER TABLE [%1] RENAME TO [%2]"_s.arg(QLatin1String(from), QLatin1String(to)));
        };
        if (unreadable)
            QVERIFY(renameDefinitions("SearchColumnConfiguration", "Hidden"));
        if (!leftOut.isEmpty()) {
            const auto given = [&](const char *name, auto *component) {
                return leftOut.contains(QLatin1String(name)) ? nullptr : component;
            };
            m_host->filter = CCommon::global().CreateSearchFilterObject(
                    given("handler", m_host->handler.get()), given("baseTable", m_host->baseTable.get()),
                    given("catalog", &m_host->catalog()), m_host->profile.get(), 0,
                    leftOut == u"key" ? &wrongKey : m_host->structure.get());
            QVERIFY(m_host->filter);
        }
        QCOMPARE(int(m_host->filter->setupStatus()), status);
        QCOMPARE(m_host->filter->Exists(), status == kvoFCSSuccess);
        if (status != kvoFCSSuccess && status != kvoFCSNoColumnsDefined) {
            QVERIFY(!m_host->columns());
            QVERIFY(m_host->filter->SQLSearchFields().isEmpty());
            QVERIFY(m_host->filter->SQLSearchJoinOn().isEmpty());
            QVERIFY(m_host->filter->SQLSearchTable().isEmpty());
            if (!unreadable)
                return;
            // The stored definitions are all there once they can be read again.
            QVERIFY(renameDefinitions("Hidden", "SearchColumnConfiguration"));
            m_host->reopenFilter();
            QCOMPARE(int(m_host->filter->setupStatus()), int(kvoFCSSuccess));
        }
        QVERIFY(m_host->columns());
        QCOMPARE(m_host->columns()->Count(), columns ? 1 : 0);
        QCOMPARE(m_host->columns()->keyFieldName(), u"PartId"_s);
    }

    // The same name in another case is refused; look-ups take a position, a name or, when no name
    // matches, a caption, in any case.
    void addAndItem()
    {
        CFilterColumns &set = *m_host->columns();
        CFilterColumn *a = addColumn(set, {"Alpha", fcText, "Beta"});
        CFilterColumn *b = addColumn(set, {"Beta", fcInteger32, "First"});
        QVERIFY(a && b && b->Index() == 2);
        QVERIFY(!addColumn(set, {"ALPHA", fcText}));
        QCOMPARE(set.Count(), 2);
        QVERIFY(set.Item(1) == a && !set.Item(3) && !set.Item(0));
        QCOMPARE(set.Item(u"beta"_s), b);
        QCOMPARE(set.Item(u"FIRST"_s), b);
        QCOMPARE(set.Item(u"nothing"_s), nullptr);
        QCOMPARE(set.Item(Variant::int16(2)), b);
        QCOMPARE(set.Item(Variant::text(u"alpha"_s)), a);
        QCOMPARE(set.Item(Variant::boolean(true)), nullptr);
        QVERIFY(!set.HasKeywordColumns());
        addColumn(set, {"Tags", fcKeyword});
        QVERIFY(set.HasKeywordColumns());
    }

    void saveCreatesTablesAndRows()
    {
        QList<KvoPlx800SCtl::ColumnDefinition> defs = KvoTest::everyType();
        defs[0].caption = u"Material name"_s;
        QVERIFY(addColumns(*m_host->columns(), defs));

        m_host->catalog().Refresh();
        const auto data = m_host->catalog().FindTable(u"PartsSearchData"_s);
        QVERIFY(data);
        const Dialect &d = m_host->connection().dialect();
        const struct
        {
            const char *field;
            int type;
            int size;
        } stored[] = {{"PartId", adInteger, 0},
                      {"Material", adVarWChar, 255},
                      {"Notes", adVarWChar, 255},
                      {"Weight", adDouble, 0},
                      {"Active", d.storedAdoType(adBoolean), 0},
                      {"Made", adDate, 0},
                      {"Count16", adSmallInt, 0},
                      {"Count32", adInteger, 0},
                      {"Ratio", adSingle, 0}};
        QCOMPARE(data->Columns.size(), qsizetype(std::size(stored)));
        for (const auto &f : stored) {
            const CatalogColumn *column = data->FindColumn(QLatin1String(f.field));
            QVERIFY2(column && column->Type == f.type && (!f.size || column->DefinedSize == f.size), f.field);
        }
        QVERIFY(!data->FindColumn(u"PartId"_s)->Nullable);
        QVERIFY(data->primaryKey() && data->primaryKey()->Columns == QStringList{"PartId"});
        const auto keywords = m_host->catalog().FindTable(u"PartsSearchKeywordTags"_s);
        QVERIFY(keywords && keywords->primaryKey());
        QCOMPARE(keywords->primaryKey()->Columns, (QStringList{"PartId", "Tags"}));
        QVERIFY(m_host->columns()->MyStructureDefinition().Compare(m_host->catalog(), CompareExact | CompareKeyFields));
        QCOMPARE(definitionRows(*m_host),
                 (QStringList{"1|Material|1", "2|Notes|8", "3|Count16|2", "4|Count32|3", "5|Ratio|4", "6|Weight|5",
                              "7|Made|6", "8|Active|7", "9|Tags|0"}));

        // A new column set reads back every attribute.
        m_host->openTable(u"Parts"_s);
        const CFilterColumn *m = m_host->columns()->Item(u"Material"_s);
        QVERIFY(m && m->Caption() == u"Material name"_s && m->TextLengthInUI() == 60);
        QCOMPARE(m_host->columns()->Item(2)->ColumnType(), fcNote);
    }

    void changesKeepUntouchedValues()
    {
        CFilterColumns &set = *m_host->columns();
        QVERIFY(addColumns(set, {{"Material", fcText}, {"Weight", fcDouble}, {"Tags", fcKeyword}}));
        Connection &db = m_host->connection();
        QVERIFY(run(db, "INSERT INTO [PartsSearchData] ([PartId], [Material], [Weight]) VALUES (1, 'Steel', 2.5)"));
        QVERIFY(run(db, "INSERT INTO [PartsSearchKeywordTags] ([PartId], [Tags]) VALUES (1, 'urgent')"));

        // Add, move, delete other columns: Material, Weight and Tags keep their values. The first
        // column cannot move up nor the last down; the column objects survive the save in their order.
        QVERIFY(addColumns(set, {{"Extra", fcInteger32}, {"Gone", fcDateTime}}));
        QVERIFY(!set.MoveColumnUp(set.Item(u"Material"_s)) && !set.MoveColumnDown(set.Item(u"Gone"_s)));
        QVERIFY(set.MoveColumnUp(set.Item(u"Extra"_s)));
        QVERIFY(set.MoveColumnDown(set.Item(u"Tags"_s)));
        QCOMPARE(set.Item(u"Extra"_s)->Index(), qint16(3));
        QVERIFY(set.Remove(u"Gone"_s));
        const QList<CFilterColumn *> order = set.NewEnum();
        QVERIFY(set.ColumnsSave(nullptr));
        QCOMPARE(set.NewEnum(), order);

        // The existing row got the new column's default from the table definition.
        QCOMPARE(rows(db, "SELECT [Material], [Weight], [Extra] FROM [PartsSearchData]"), QStringList{"Steel|2.5|0"});
        QCOMPARE(rows(db, "SELECT [Tags] FROM [PartsSearchKeywordTags]"), QStringList{"urgent"});
        QCOMPARE(fields(*m_host, "PartsSearchData"), (QStringList{"PartId", "Extra", "Material", "Weight"}));
        QCOMPARE(definitionRows(*m_host), (QStringList{"1|Material|1", "2|Weight|5", "3|Extra|3", "4|Tags|0"}));
    }

    void retypeAndDeleteRemoveData()
    {
        CFilterColumns &set = *m_host->columns();
        QVERIFY(addColumns(set, {{"Code", fcText}, {"Tags", fcKeyword}, {"Keep", fcText}, {"Words", fcKeyword}}));
        Connection &db = m_host->connection();
        QVERIFY(run(db, "INSERT INTO [PartsSearchData] ([PartId], [Code], [Keep]) VALUES (1, 'A-12', 'kept')"));

        // Retype Code from text to integer: its old values go, the field comes back with the new type.
        // Tags becomes a text column: its keyword table goes.
        set.Item(u"Code"_s)->setColumnType(fcInteger32);
        set.Item(u"Tags"_s)->setColumnType(fcText);
        QVERIFY(set.ColumnsSave(nullptr));
        QVERIFY(!tableExists(m_host->catalog(), u"PartsSearchKeywordTags"_s));
        QCOMPARE(m_host->catalog().FindTable(u"PartsSearchData"_s)->FindColumn(u"Code"_s)->Type, int(adInteger));
        const QVariant code = KvoTest::cell(db, "SELECT [Code] FROM [PartsSearchData]");
        QVERIFY2(code.isNull() || code.toInt() == 0, qPrintable(code.toString()));
        QCOMPARE(KvoTest::cell(db, "SELECT [Keep] FROM [PartsSearchData]").toString(), u"kept"_s);

        // Deleting a column removes its row and its field.
        QVERIFY(set.Remove(u"Code"_s));
        QVERIFY(set.ColumnsSave(nullptr));
        QCOMPARE(fields(*m_host, "PartsSearchData"), (QStringList{"PartId", "Keep", "Tags"}));
        QCOMPARE(definitionRows(*m_host), (QStringList{"1|Tags|1", "2|Keep|1", "3|Words|0"}));

        // With keyword columns only, the search-data table goes; the join stays for the keyword tables.
        QVERIFY(set.Remove(u"Tags"_s) && set.Remove(u"Keep"_s));
        QVERIFY(set.ColumnsSave(nullptr));
        QVERIFY(!tableExists(m_host->catalog(), u"PartsSearchData"_s));
        QVERIFY(tableExists(m_host->catalog(), u"PartsSearchKeywordWords"_s));
        m_host->openTable(u"Parts"_s);
        QCOMPARE(m_host->filter->setupStatus(), kvoFCSSuccess);
        QVERIFY(m_host->filter->SQLSearchFields().isEmpty() && m_host->filter->SQLSearchTable().isEmpty());
        QVERIFY(!m_host->filter->SQLSearchJoinOn().isEmpty());
    }

    void defaultsFillOnlyGaps()
    {
        CFilterColumns &set = *m_host->columns();
        QVERIFY(addColumns(set, {{"Grade", fcInteger32, {}, 0, true, false, "5"}}));
        // A picklist column takes only values of its list.
        QVERIFY(set.Item(u"Grade"_s)->PickList()->SaveAdditions({u"7"_s}));
        Connection &db = m_host->connection();
        QVERIFY(run(db, "INSERT INTO [PartsSearchData] ([PartId], [Grade]) VALUES (1, 7), (2, NULL), (3, 5)"));

        // A changed default reaches the rows without a value only.
        set.Item(u"Grade"_s)->setPicklistDefault(u"9"_s);
        QVERIFY(set.ColumnsSave(nullptr));
        QCOMPARE(rows(db, "SELECT [Grade] FROM [PartsSearchData] ORDER BY [PartId]"), (QStringList{"7", "9", "5"}));
    }

    // A save leaves the columns it brought into shape before alone, unless their field is gone
    // since (a table check or another tool): then it is made again.
    void fieldGoneSinceTheLastSaveComesBack()
    {
        CFilterColumns &set = *m_host->columns();
        QVERIFY(addColumns(set, {{"Material", fcText}, {"Count", fcInteger32, {}, 0, false, false, "3"}}));
        TableStructure data(u"PartsSearchData"_s);
        QVERIFY(data.DropField(*set.catalog(), u"Count"_s));
        QVERIFY(set.ColumnsSave(nullptr));
        QCOMPARE(fields(*m_host, "PartsSearchData"), (QStringList{"PartId", "Count", "Material"}));
    }

    // After a save the set holds what reading the definitions gives, also where the save did not
    // read them back: a row it kept gives its column the stored definition.
    void savedSetHoldsWhatIsStored()
    {
        CFilterColumns &set = *m_host->columns();
        QVERIFY(addColumns(set, {{"Material", fcText, {}, 20, true, false, "Steel"}, {"Count", fcInteger32}}));
        set.Item(u"Material"_s)->setPicklistDefault(u" Steel "_s);
        QVERIFY(addColumns(set, {{"Extra", fcInteger32}}));
        const auto definitions = [&] {
            QList<ColumnDefinition> held;
            for (const CFilterColumn *c : set.NewEnum())
                held << c->definition();
            return held;
        };
        const QList<ColumnDefinition> held = definitions();
        QCOMPARE(held.at(0).picklistDefault, u"Steel"_s);
        QVERIFY(set.ColumnsFetch());
        QVERIFY(held == definitions());
    }

    void olderDefinitionLayoutLoads()
    {
        // A definition table of the older layout: no DateTimeDefaultMode and the fields after it.
        QVERIFY(m_host->handler->DropTable(m_host->catalog(), u"SearchColumnConfiguration"_s));
        TableStructure older = m_host->columns()->MyStructureDefinition();
        older.Fields.removeIf([](const FieldDescription &f) { return f.Optional; });
        QVERIFY2(older.Create(m_host->catalog()), qPrintable(older.lastError()));
        QVERIFY(run(m_host->connection(), "INSERT INTO [SearchColumnConfiguration] ([BaseTable], [Position], [Name], "
                                          "[Type], [Size]) VALUES ('Parts', 1, 'Due', 6, 0)"));
        m_host->openTable(u"Parts"_s);
        CFilterColumns &set = *m_host->columns();
        QVERIFY(set.needsDefinitionConversion());
        const CFilterColumn *due = set.Item(u"Due"_s);
        QVERIFY(due && due->DateTimeDefaultMode() == fcDTDM_Configure && !due->DisableEditDateTime());
        QCOMPARE(due->DateTimeDefaultValue(), Variant::date(Variant::dateZero()));

        // Saving brings the definition table to the newer layout and keeps the row.
        QVERIFY(set.ColumnsSave(nullptr));
        m_host->openTable(u"Parts"_s);
        QVERIFY(!m_host->columns()->needsDefinitionConversion());
        QCOMPARE(definitionRows(*m_host), QStringList{"1|Due|6"});
    }

    // Base tables share the definition table; each finds its own rows, or those of a former name. A
    // search-data table takes its base table's key, here a text.
    void definitionsPerBaseTable()
    {
        QVERIFY(m_host->createBaseTable(u"OldParts"_s, 1, u"OldId"_s, true));
        m_host->openTable(u"OldParts"_s);
        QVERIFY(addColumns(*m_host->columns(), {{"Material", fcText}, {"Shared", fcText}}));

        // Parts was called OldParts before: its definition rows are found under the former name.
        m_host->openTable(u"Parts"_s, {u"Older"_s, u"OldParts"_s});
        QVERIFY(m_host->columns() && m_host->columns()->Item(u"Material"_s));
        QCOMPARE(m_host->columns()->formerNamesFound(), QStringList{"OldParts"});

        // Without it, Parts has columns of its own; a name both use, added and removed, leaves OldParts alone.
        m_host->openTable(u"Parts"_s);
        QCOMPARE(m_host->filter->setupStatus(), kvoFCSNoColumnsDefined);
        QVERIFY(addColumns(*m_host->columns(), {{"Shared", fcInteger32}}));
        QVERIFY(m_host->columns()->Remove(u"Shared"_s));
        QVERIFY(addColumns(*m_host->columns(), {{"Own", fcText}}));
        QCOMPARE(definitionRows(*m_host, u"OldParts"_s), (QStringList{"1|Material|1", "2|Shared|1"}));
        QCOMPARE(definitionRows(*m_host), QStringList{"1|Own|1"});
        QCOMPARE(fields(*m_host, "OldPartsSearchData"), (QStringList{"OldId", "Material", "Shared"}));
        const auto key = m_host->catalog().FindTable(u"OldPartsSearchData"_s)->FindColumn(u"OldId"_s);
        QVERIFY(key->Type == adVarWChar && key->DefinedSize == 20);
    }

    // A save started while a save runs (from its progress report) is refused; the outer one completes.
    void saveDoesNotNest()
    {
        CFilterColumns &set = *m_host->columns();
        addColumn(set, {"A", fcText});
        int nested = 0;
        bool nestedResult = true;
        Progress progress([&](const QString &, int, int, bool) {
            if (nested++ == 0)
                nestedResult = set.ColumnsSave(nullptr);
        });
        QVERIFY(set.ColumnsSave(&progress));
        QVERIFY(!nestedResult);
        QVERIFY(progress.startCount() == 1 && !progress.running());
        QCOMPARE(definitionRows(*m_host), QStringList{"1|A|1"});
    }

    // A new column retyped before its save (as the column editor does) gets its table and keeps it.
    void retypedNewColumnKeepsItsTable()
    {
        CFilterColumns &set = *m_host->columns();
        QVERIFY(addColumns(set, {{"Tags", fcKeyword}}));
        CFilterColumn *added = addColumn(set, {"Grade", fcKeyword});
        QVERIFY(added && !set.HasStandardColumns());
        added->setColumnType(fcText);
        QVERIFY(set.HasStandardColumns());
        QVERIFY(set.ColumnsSave(nullptr));
        QVERIFY(KvoTest::tableExists(m_host->catalog(), set.SearchDataTableName()));
    }

    // The longest derived name ("PK_" + base table + "SearchKeyword" + column) fits 63 bytes.
    void columnNameLimit()
    {
        CFilterColumns &set = *m_host->columns();
        const int limit = set.maxColumnNameLength();
        QCOMPARE(limit, 63 - 16 - 5);
        const QString longest(limit, u'k');
        QVERIFY(addColumns(set, {{longest, fcKeyword}, {QString(limit, u't'), fcText}}));
        QVERIFY(tableExists(m_host->catalog(), u"PartsSearchKeyword"_s + longest));
        m_host->openTable(u"Parts"_s);
        QCOMPARE(m_host->filter->setupStatus(), kvoFCSSuccess);

        // One byte more is refused by Add, and by ColumnsSave before any definition row is written.
        CFilterColumns &reopened = *m_host->columns();
        const QStringList before = definitionRows(*m_host);
        QVERIFY(!addColumn(reopened, {QString(limit + 1, u'x'), fcText}) && reopened.Count() == 2);
        CFilterColumn *added = addColumn(reopened, {u"Short"_s, fcText});
        QVERIFY(added);
        added->setName(QString(limit - 1, u'x') + u"\u00e9"_s); // two bytes in UTF-8
        QVERIFY(!reopened.ColumnsSave(nullptr));
        QCOMPARE(definitionRows(*m_host), before);
    }

    void saveTouchesOnlyWhatChanged_data()
    {
        QTest::addColumn<Change>("change");
        const auto edit = [](const char *name, const std::function<void(ColumnDefinition &)> &how) {
            return Change([=](CFilterColumns &set) {
                set.findByName(QString::fromLatin1(name))->setDefinition(changed(set, QString::fromLatin1(name), how));
            });
        };
        QTest::newRow("nothing") << Change([](CFilterColumns &) {});
        QTest::newRow("a column added") << Change([](CFilterColumns &set) {
            QVERIFY(addColumn(set, {"Extra", fcInteger32}));
        });
        QTest::newRow("a keyword column added") << Change([](CFilterColumns &set) {
            QVERIFY(addColumn(set, {"Labels", fcKeyword}));
        });
        QTest::newRow("caption and description") << edit("Count", [](ColumnDefinition &d) {
            d.caption = u"How many"_s;
            d.description = u"it's counted"_s;
        });
        QTest::newRow("caption emptied") << edit("Material", [](ColumnDefinition &d) { d.caption.clear(); });
        QTest::newRow("a column deleted") << Change([](CFilterColumns &set) { QVERIFY(set.Remove(u"Count"_s)); });
        QTest::newRow("a column moved up")
                << Change([](CFilterColumns &set) { QVERIFY(set.MoveColumnUp(set.findByName(u"Due"_s))); });
        QTest::newRow("a picklist") << edit("Material", [](ColumnDefinition &d) {
            d.isPicklist = true;
            d.picklistDefault = u"Steel"_s;
        });
        QTest::newRow("a number's default") << edit("Count", [](ColumnDefinition &d) { d.picklistDefault = u"7"_s; });
        QTest::newRow("retyped") << edit("Count", [](ColumnDefinition &d) { d.type = fcDouble; });
        QTest::newRow("indexed fields") << Change([](CFilterColumns &set) { set.setIndexedFields(true); });
        QTest::newRow("a date's default mode")
                << edit("Due", [](ColumnDefinition &d) { d.dateTimeDefaultMode = fcDTDM_Now; });
    }

    // A save writes only the definition rows that differ and reads again only the tables it changed:
    // what it leaves equals what writing every row and reading the whole catalog again gives.
    void saveTouchesOnlyWhatChanged()
    {
        QFETCH(Change, change);
        CFilterColumns &set = *m_host->columns();
        QVERIFY(addColumns(set, {{"Material", fcText, "Material"},
                                 {"Count", fcInteger32, "Count"},
                                 {"Due", fcDateTime},
                                 {"Tags", fcKeyword}}));
        change(set);
        QVERIFY(set.ColumnsSave(nullptr));
        const QStringList incremental = KvoTest::dump(*m_host, set.catalog());
        QVERIFY(incremental.size() > 4);
        QStringList names;
        for (const CFilterColumn *column : set.NewEnum())
            names << column->Name();
        DefinitionTable(set.tables()).writeAll(set.NewEnum(), names);
        set.catalog()->Refresh();
        QCOMPARE(incremental, KvoTest::dump(*m_host, set.catalog()));
    }

    // With indexed fields, a save gives each field a filter seeks by an index of its own, and a
    // deleted column takes its index along.
    void indexedFields()
    {
        CFilterColumns &set = *m_host->columns();
        const auto indexes = [&] {
            set.catalog()->Refresh();
            QStringList names;
            for (const CatalogIndex &index : set.catalog()->FindTable(u"PartsSearchData"_s)->Indexes) {
                if (!index.BehindKey && !index.PrimaryKey)
                    names << index.Name + u'(' + index.Columns.join(u',') + (index.PrefixSearch ? u" prefix)"_s : u")"_s);
            }
            names.sort();
            return names;
        };
        QVERIFY(addColumns(set, {{"Material", fcText}, {"Notes", fcNote}, {"Active", fcBoolean}, {"Tags", fcKeyword}}));
        QCOMPARE(indexes(), QStringList());
        set.setIndexedFields(true);
        QVERIFY(addColumns(set, {{"Count", fcInteger32}, {"Due", fcDateTime}}));
        // A text field's index serves "starts with" on every engine; where that takes an index of
        // its own kind, the catalog reads it back as one and the engine seeks it.
        Connection &connection = set.catalog()->ActiveConnection();
        const bool prefixKind = !connection.dialect().prefixSearchOperatorClass().isEmpty();
        QCOMPARE(indexes(), (QStringList{"IX_PartsSearchDataCount(Count,PartId)", "IX_PartsSearchDataDue(Due,PartId)",
                                         prefixKind ? "IX_PartsSearchDataMaterial(Material,PartId prefix)"
                                                    : "IX_PartsSearchDataMaterial(Material,PartId)"}));
        if (prefixKind) {
            QVERIFY(connection.ExecuteSql(u"SET enable_seqscan = off"_s));
            const auto reset = qScopeGuard([&] { static_cast<void>(connection.ExecuteSql(u"RESET enable_seqscan"_s)); });
            QSqlQuery plan(connection.database());
            QVERIFY(plan.exec(uR"(EXPLAIN SELECT "PartId" FROM "PartsSearchData" WHERE "Material" LIKE 'M-1%')"_s));
            QString text;
            while (plan.next())
                text += plan.value(0).toString();
            QVERIFY2(text.contains(u"IX_PartsSearchDataMaterial"_s), qPrintable(text));
        }
        QVERIFY(set.Remove(u"Material"_s));
        QVERIFY(set.ColumnsSave(nullptr));
        QCOMPARE(indexes(), (QStringList{"IX_PartsSearchDataCount(Count,PartId)", "IX_PartsSearchDataDue(Due,PartId)"}));
    }
};

QTEST_GUILESS_MAIN(TestFilterColumns)

#include "tst_filtercolumns.moc"
