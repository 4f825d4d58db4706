// Table structures on every configured engine: comparison with and without options, and the DDL
// that creates, converts, repairs and trims tables while their rows stay.

#include "hostkit/adotypes.h"
#include "hostkit/catalog.h"
#include "hostkit/connection.h"
#include "hostkit/ddl_p.h"
#include "hostkit/tablestructure.h"
#include "testdatabases.h"

#include <QTest>

using namespace KvoPlx800SCtl::HostKit;
using namespace Qt::StringLiterals;
using KvoTest::cell;
using KvoTest::referredTable;
using KvoTest::rows;
using KvoTest::run;
using KvoTest::table;

namespace {

int fieldType(Catalog &catalog, const QString &table, const QString &field)
{
    const auto t = catalog.FindTable(table);
    const CatalogColumn *c = t ? t->FindColumn(field) : nullptr;
    return c ? c->Type : -1;
}

bool noRebuildTableLeft(Connection &c)
{
    return c.dialect().engine() != Engine::SQLite
           || cell(c, "SELECT count(*) FROM sqlite_master WHERE name LIKE 'kvo_rebuild%'").toInt() == 0;
}

// The layout of a definition-like table, with two fields that an older layout lacks.
TableStructure definitionLayout()
{
    TableStructure s = table("Definitions", {{"BaseTable", adVarWChar, 64, false},
                                             {"Position", adInteger, 0, false},
                                             {"Name", adVarWChar, 64, false},
                                             {"Caption", adVarWChar, 64},
                                             {"Mode", adInteger, 0, true, "0"},
                                             {"Stamp", adDate}});
    s.Fields[4].Optional = true;
    s.Fields[5].Optional = true;
    s.addKey("PK_Definitions", KeyKind::Primary, {"BaseTable", "Position"});
    s.addKey("UK_Definitions", KeyKind::Unique, {"BaseTable", "Name"});
    s.addIndex("IX_Definitions_Name", {"Name"});
    return s;
}

} // namespace

class TestTableStructure : public KvoTest::DatabaseTest
{
    Q_OBJECT

private slots:

    void compareWithOptions_data()
    {
        QTest::addColumn<QString>("layout");
        QTest::addColumn<int>("options");
        QTest::addColumn<bool>("expected");
        // "full": the description itself; "older": without the optional fields; "wrongOptional":
        // the optional date kept as text; "short": a text field too short; "noIndex": an index
        // missing; "noCaption": a required field missing; "noName": a key field missing. The
        // results are those of the options 0, 4 and 7.
        const struct
        {
            const char *layout;
            bool results[3];
        } cases[] = {{"full", {true, true, true}},
                     {"older", {true, true, false}},
                     {"wrongOptional", {true, false, false}},
                     {"short", {true, true, false}},
                     {"noIndex", {true, true, false}},
                     {"noCaption", {false, false, false}},
                     {"noName", {false, false, false}}};
        const int options[] = {0, 4, 7}; // 2 answers as 0 does, 6 as 4
        for (const auto &c : cases) {
            for (int i = 0; i < 3; ++i)
                QTest::addRow("%s %d", c.layout, options[i])
                        << QString::fromLatin1(c.layout) << options[i] << c.results[i];
        }
    }

    void compareWithOptions()
    {
        QFETCH(QString, layout);
        QFETCH(int, options);
        QFETCH(bool, expected);
        const TableStructure description = definitionLayout();
        TableStructure made = definitionLayout();
        auto dropField = [&made](const QString &name) {
            made.Fields.removeIf([&name](const FieldDescription &f) { return f.Name == name; });
        };
        if (layout == u"older") {
            dropField("Mode");
            dropField("Stamp");
        } else if (layout == u"wrongOptional") {
            made.Fields[5].Type = adVarWChar;
            made.Fields[5].Size = 30;
        } else if (layout == u"short") {
            made.Fields[3].Size = 10;
        } else if (layout == u"noIndex") {
            made.Indexes.clear();
        } else if (layout == u"noCaption") {
            dropField("Caption");
        } else if (layout == u"noName") {
            dropField("Name");
            made.Keys.removeLast();
            made.Indexes.clear();
        }
        QVERIFY(KVO_DDL(made, Create(catalog())));

        QCOMPARE(description.Compare(catalog(), options), expected);
        QCOMPARE(description.differences(catalog(), options).isEmpty(), expected);
        // Whatever the layout, Convert brings the table to the full description.
        if (options != 7)
            return;
        TableStructure converter = definitionLayout();
        QVERIFY(KVO_DDL(converter, Convert(catalog())));
        QVERIFY2(description.Compare(catalog(), 7), qPrintable(description.differences(catalog(), 7).join(u'\n')));
    }

    // Convert creates a missing table and gives a bare one its keys and indexes, keeping its rows.
    void convertAddsMissingTablesAndKeys()
    {
        Catalog &catalog = this->catalog();
        TableStructure s = definitionLayout();
        QVERIFY(!s.Compare(catalog));
        QVERIFY(KVO_DDL(s, Convert(catalog)));
        QVERIFY(s.Compare(catalog, 7));
        QVERIFY(!s.Create(catalog)); // it exists

        TableStructure bare = table("Bare", {{"A", adInteger, 0, false}, {"B", adVarWChar, 20, false}});
        QVERIFY(KVO_DDL(bare, Create(catalog)));
        QVERIFY(run(connection(), "INSERT INTO [Bare] VALUES (1, 'x'), (2, 'y')"));
        TableStructure keyed = bare;
        keyed.addKey("PK_Bare", KeyKind::Primary, {"A"});
        keyed.addKey("UK_Bare", KeyKind::Unique, {"B", "A"});
        keyed.addIndex("IX_Bare", {"B"}, true);
        QVERIFY(keyed.Compare(catalog) && !keyed.Compare(catalog, 1));
        QVERIFY(KVO_DDL(keyed, Convert(catalog)));
        QVERIFY2(keyed.Compare(catalog, 7), qPrintable(keyed.differences(catalog, 7).join(u'\n')));
        QCOMPARE(rows(connection(), u"SELECT [A], [B] FROM [Bare] ORDER BY [A]"_s), (QStringList{"1|x", "2|y"}));
    }

    void convertKeepsDataThroughTypeAndSizeChanges()
    {
        Connection &c = connection();
        Catalog &catalog = this->catalog();
        TableStructure old = table("Items",
                                   {{"Id", adInteger, 0, false},
                                    {"Name", adVarWChar, 10},
                                    {"Amount", adVarWChar, 12},
                                    {"Small", adSmallInt},
                                    {"Extra", adVarWChar, 20}}, // not described later: kept
                                   {"Id"});
        old.addIndex("IX_Items_Name", {"Name"});
        QVERIFY(KVO_DDL(old, Create(catalog)));
        for (int i = 1; i <= 5; ++i)
            QVERIFY(run(c,
                        u"INSERT INTO [Items] VALUES (%1, 'n%1', '%2', %3, 'x%1')"_s.arg(i).arg(i * 100).arg(i * 2)));

        TableStructure wanted = table("Items",
                                      {{"Id", adInteger, 0, false},
                                       {"Name", adVarWChar, 80},
                                       {"Amount", adInteger},
                                       {"Small", adInteger},
                                       {"Added", adVarWChar, 10, true, "'new'"}},
                                      {"Id"});
        wanted.addKey("UK_Items", KeyKind::Unique, {"Name"});
        wanted.addIndex("IX_Items_Name", {"Name"});
        wanted.addIndex("IX_Items_Amount", {"Amount", "Id"});
        QVERIFY(!wanted.Compare(catalog, 7));

        QVERIFY(KVO_DDL(wanted, Convert(catalog)));
        QVERIFY2(wanted.Compare(catalog, 7), qPrintable(wanted.differences(catalog, 7).join(u'\n')));
        QCOMPARE(rows(c, u"SELECT [Id], [Name], [Amount], [Small], [Extra], [Added] FROM [Items] ORDER BY [Id]"_s),
                 (QStringList{"1|n1|100|2|x1|new", "2|n2|200|4|x2|new", "3|n3|300|6|x3|new", "4|n4|400|8|x4|new",
                              "5|n5|500|10|x5|new"}));
        // The widened field takes long texts, the integer field sorts as a number now, and the
        // unique key added holds.
        QVERIFY(run(c, u"INSERT INTO [Items] ([Id], [Name], [Amount]) VALUES (6, '%1', 99)"_s.arg(QString(70, u'w'))));
        QCOMPARE(cell(c, u"SELECT MIN([Amount]) FROM [Items]"_s).toInt(), 99);
        QVERIFY(!c.ExecuteSql(KvoTest::sql(c, "INSERT INTO [Items] ([Id], [Name]) VALUES (7, 'n1')")));

        // A second Convert finds nothing to do.
        const qint64 statements = c.statementCount();
        QVERIFY(KVO_DDL(wanted, Convert(catalog)));
        QCOMPARE(c.statementCount(), statements);
    }

    void convertRebuildKeepsForeignKeysPointingAtTable()
    {
        Connection &c = connection();
        Catalog &catalog = this->catalog();
        TableStructure parent = table("Parent", {{"Code", adVarWChar, 10, false}, {"Value", adSmallInt}}, {"Code"});
        QVERIFY(KVO_DDL(parent, Create(catalog)));
        TableStructure child = table("Child", {{"Id", adInteger, 0, false}, {"Code", adVarWChar, 10}}, {"Id"});
        child.addForeignKey("FK_Child_Parent", {"Code"}, "Parent", {"Code"});
        QVERIFY(KVO_DDL(child, Create(catalog)));
        QVERIFY(run(c, "INSERT INTO [Parent] VALUES ('a', 1), ('b', 2)"));
        QVERIFY(run(c, "INSERT INTO [Child] VALUES (1, 'a'), (2, 'b'), (3, 'a')"));

        // The type change rebuilds Parent on SQLite; Child's foreign key keeps pointing at it.
        TableStructure widened = table("Parent", {{"Code", adVarWChar, 30, false}, {"Value", adDouble}}, {"Code"});
        QVERIFY(KVO_DDL(widened, Convert(catalog)));
        QVERIFY(widened.Compare(catalog, 7));
        QCOMPARE(rows(c, u"SELECT [Code], [Value] FROM [Parent] ORDER BY [Code]"_s), (QStringList{"a|1", "b|2"}));
        QCOMPARE(referredTable(catalog, "Child", "Code"), u"parent"_s);
        QCOMPARE(rows(c, u"SELECT [Id] FROM [Child]"_s).size(), 3);
        // The foreign key is still enforced against the rebuilt table.
        QVERIFY(!c.ExecuteSql(KvoTest::sql(c, "INSERT INTO [Child] VALUES (4, 'zz')")));
        QVERIFY(run(c, "INSERT INTO [Child] VALUES (4, 'b')"));
        if (c.dialect().engine() == Engine::SQLite)
            QCOMPARE(cell(c, u"PRAGMA foreign_keys"_s).toInt(), 1);
        QVERIFY(noRebuildTableLeft(c));
        QVERIFY(!c.inTransaction());

        // A type change the rows cannot take (text keys into an integer key) fails and leaves the
        // table, its rows and the foreign key to it as they were.
        TableStructure numeric = widened;
        numeric.Fields[0].Type = adInteger;
        numeric.Fields[0].Size = 0;
        QVERIFY(!numeric.Convert(catalog));
        QVERIFY(widened.Compare(catalog, 7));
        QCOMPARE(referredTable(catalog, "Child", "Code"), u"parent"_s);
        QCOMPARE(rows(c, u"SELECT [Code] FROM [Parent] ORDER BY [Code]"_s), (QStringList{"a", "b"}));
    }

    // A changed default is changed in place where the engine can, else by a rebuild (SQLite); the
    // rows stay either way.
    void convertChangesDefaults()
    {
        Connection &c = connection();
        TableStructure s = table("Defaults", {{"Id", adInteger, 0, false}, {"Mode", adInteger, 0, true, "1"}});
        QVERIFY(KVO_DDL(s, Create(catalog())));
        QVERIFY(run(c, "INSERT INTO [Defaults] ([Id]) VALUES (1)"));
        s.Fields[1].DefaultSql = "5";
        // Comparisons do not look at defaults.
        QVERIFY(s.Compare(catalog(), 7));
        QVERIFY(KVO_DDL(s, Convert(catalog())));
        QVERIFY(run(c, "INSERT INTO [Defaults] ([Id]) VALUES (2)"));
        QCOMPARE(rows(c, u"SELECT [Id], [Mode] FROM [Defaults] ORDER BY [Id]"_s), (QStringList{"1|1", "2|5"}));
        QVERIFY(noRebuildTableLeft(c));
        // The same default again changes nothing.
        const qint64 statements = c.statementCount();
        QVERIFY(KVO_DDL(s, Convert(catalog())));
        QCOMPARE(c.statementCount(), statements);
    }

    // A change the rows break (a unique key over equal values) fails as a whole: the table, its
    // rows and the connection stay as they were, and so does a transaction the caller has open.
    void failedConvertLeavesTableAndConnectionUsable_data()
    {
        QTest::addColumn<bool>("callersTransaction");
        QTest::newRow("own unit") << false;
        QTest::newRow("in the caller's transaction") << true;
    }
    void failedConvertLeavesTableAndConnectionUsable()
    {
        QFETCH(bool, callersTransaction);
        Connection &c = connection();
        if (callersTransaction && !c.dialect().transactionalDdl())
            QSKIP("DDL commits an open transaction on this engine");
        TableStructure s = table("Texts", {{"Id", adInteger, 0, false}, {"Value", adVarWChar, 20}}, {"Id"});
        QVERIFY(KVO_DDL(s, Create(catalog())));
        QVERIFY(run(c, "INSERT INTO [Texts] VALUES (1, 'a'), (2, 'a')"));
        if (callersTransaction) {
            QVERIFY(c.BeginTransaction());
            QVERIFY(run(c, "INSERT INTO [Texts] VALUES (3, 'b')"));
        }

        TableStructure unique = s;
        unique.addKey("UK_Texts", KeyKind::Unique, {"Value"});
        QVERIFY(!unique.Convert(catalog()));
        QCOMPARE(c.inTransaction(), callersTransaction);
        // The caller's statements still run and its transaction commits.
        QVERIFY(run(c, "INSERT INTO [Texts] VALUES (4, 'c')"));
        if (callersTransaction)
            QVERIFY(c.CommitTransaction());
        QCOMPARE(rows(c, u"SELECT [Value] FROM [Texts] ORDER BY [Id]"_s),
                 callersTransaction ? QStringList({"a", "a", "b", "c"}) : QStringList({"a", "a", "c"}));
        QVERIFY(s.Compare(catalog(), 7) && !unique.Compare(catalog(), 7));
        QVERIFY(noRebuildTableLeft(c));
    }

    void rebuildInsideTransactionWithForeignKeysIsRefused()
    {
        KVO_SQLITE_ONLY("only SQLite rebuilds tables");
        Connection &c = connection();
        TableStructure s = table("T", {{"Id", adInteger, 0, false}, {"V", adSmallInt}});
        QVERIFY(KVO_DDL(s, Create(catalog())));
        QVERIFY(run(c, "INSERT INTO [T] VALUES (1, 2)"));
        TableStructure wider = s;
        wider.Fields[1].Type = adDouble;

        QVERIFY(c.BeginTransaction());
        QVERIFY(!wider.Convert(catalog()));
        QVERIFY(wider.lastError().contains(QLatin1String("transaction")));
        QVERIFY(c.RollbackTransaction());
        QCOMPARE(fieldType(catalog(), u"T"_s, u"V"_s), int(adSmallInt));

        // Without foreign keys enforced the rebuild runs under a savepoint of the open transaction.
        QVERIFY(run(c, "PRAGMA foreign_keys = OFF"));
        QVERIFY(c.BeginTransaction());
        QVERIFY(KVO_DDL(wider, Convert(catalog())));
        QVERIFY(c.CommitTransaction());
        QCOMPARE(fieldType(catalog(), u"T"_s, u"V"_s), int(adDouble));
        QCOMPARE(rows(c, u"SELECT [Id], [V] FROM [T]"_s), QStringList{"1|2"});
    }

    void addFieldKeepsRowsWithoutRebuild()
    {
        Connection &c = connection();
        TableStructure s = table("Data", {{"Id", adInteger, 0, false}, {"Text", adVarWChar, 20}}, {"Id"});
        QVERIFY(KVO_DDL(s, Create(catalog())));
        QVERIFY(run(c, "INSERT INTO [Data] VALUES (1, 't1'), (2, 't2'), (3, 't3')"));

        // Where the engine shows it, the table's storage stays the same: no rebuild, no rewrite.
        const Engine engine = KvoTest::currentEngine();
        const QString storageSql = engine == Engine::SQLite ? "SELECT rootpage FROM sqlite_master WHERE name = 'Data'"
                                   : engine == Engine::PostgreSQL
                                           ? "SELECT relfilenode FROM pg_class WHERE oid = to_regclass('\"Data\"')"
                                           : QString();
        const QVariant storageBefore = storageSql.isEmpty() ? QVariant() : cell(c, storageSql);

        s.addField("Flag", adBoolean, 0, true, "1");
        s.addField("Count", adInteger);
        s.addField("Required", adVarWChar, 5, false, "'r'");
        s.addIndex("IX_Data_Count", {"Count"});
        const QStringList added{"Flag", "Count", "Required"};
        QVERIFY(catalog().FindTable("Data"));
        const int queries = catalog().queryCount();
        for (const QString &field : added)
            QVERIFY(KVO_DDL(s, AddField(catalog(), field)));
        // Adding a field that exists changes nothing; one that is not described is refused.
        QVERIFY(KVO_DDL(s, AddField(catalog(), "flag")));
        QVERIFY(!s.AddField(catalog(), "Unknown"));
        // AddField adds the field only, not the index.
        QVERIFY(s.Compare(catalog(), 6) && !s.Compare(catalog(), 7));
        if (!storageSql.isEmpty())
            QCOMPARE(cell(c, storageSql), storageBefore);
        QCOMPARE(rows(c, "SELECT [Id], [Text], [Flag], [Count], [Required] FROM [Data] ORDER BY [Id]"),
                 (QStringList{"1|t1|1|~|r", "2|t2|1|~|r", "3|t3|1|~|r"}));
        QCOMPARE(catalog().queryCount(), queries);
    }

    // A field added at the end of a table is learnt without reading the table again, as a read
    // would report it: every type a search column takes, with and without a default.
    void addedFieldsAreLearntAsTheCatalogReadsThem()
    {
        TableStructure s = table("Learnt", {{"Id", adInteger, 0, false}}, {"Id"});
        QVERIFY(KVO_DDL(s, Create(catalog())));
        QVERIFY(catalog().FindTable("Learnt"));
        const struct
        {
            const char *name;
            int type, size;
            bool nullable;
            const char *defaultSql;
        } fields[] = {{"Small", adSmallInt, 0, true, "-1"},      {"Whole", adInteger, 0, false, "0"},
                      {"Single", adSingle, 0, true, "0.5"},      {"Double", adDouble, 0, true, ""},
                      {"Stamp", adDate, 0, true, "'2024-02-29 10:11:12'"},
                      {"Flag", adBoolean, 0, true, "0"},         {"Text", adVarWChar, 40, true, "'it''s'"},
                      {"Note", adLongVarWChar, 0, true, ""}};
        for (const auto &f : fields)
            s.addField(f.name, f.type, f.size, f.nullable, f.defaultSql);
        const int queries = catalog().queryCount();
        QVERIFY(KVO_DDL(s, Convert(catalog())));
        const auto learnt = catalog().FindTable("Learnt");
        QCOMPARE(catalog().queryCount(), queries);

        Catalog fresh(connection());
        const auto read = fresh.FindTable("Learnt");
        QVERIFY(learnt && read);
        QCOMPARE(learnt->Columns.size(), read->Columns.size());
        for (qsizetype i = 0; i < read->Columns.size(); ++i) {
            const CatalogColumn &a = learnt->Columns.at(i);
            const CatalogColumn &b = read->Columns.at(i);
            QCOMPARE(a.Name, b.Name);
            QCOMPARE(a.Type, b.Type);
            QCOMPARE(a.DefinedSize, b.DefinedSize);
            QCOMPARE(a.Nullable, b.Nullable);
            QCOMPARE(a.HasDefault, b.HasDefault);
            QVERIFY2(detail::sameDefault(a.DefaultValue, b.DefaultValue), qPrintable(a.DefaultValue + " / " + b.DefaultValue));
            QCOMPARE(a.Ordinal, b.Ordinal);
            QCOMPARE(fresh.adoTypeOf(a.NativeType), b.Type);
        }
        QCOMPARE(learnt->Keys.size(), read->Keys.size());
        QCOMPARE(learnt->Indexes.size(), read->Indexes.size());
    }

    void dropField_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QStringList>("remainingIndexes");
        QTest::addColumn<int>("remainingForeignKeys");
        QTest::addColumn<bool>("primaryKeyLeft");
        QTest::newRow("plain") << "Plain" << QStringList{"IX_Multi", "IX_Ref"} << 1 << true;
        QTest::newRow("indexed") << "Indexed" << QStringList{"IX_Ref"} << 1 << true;
        QTest::newRow("foreign key") << "Ref" << QStringList{"IX_Multi"} << 0 << true;
        QTest::newRow("unique key") << "Unique" << QStringList{"IX_Multi", "IX_Ref"} << 1 << true;
        QTest::newRow("primary key") << "Id" << QStringList{"IX_Ref"} << 1 << false;
    }

    void dropField()
    {
        QFETCH(QString, field);
        Connection &c = connection();
        Catalog &catalog = this->catalog();
        TableStructure target = table("Target", {{"Key", adInteger, 0, false}}, {"Key"});
        QVERIFY(KVO_DDL(target, Create(catalog)));
        QVERIFY(run(c, "INSERT INTO [Target] VALUES (1), (2)"));
        TableStructure s = table("Host",
                                 {{"Id", adInteger, 0, false},
                                  {"Plain", adVarWChar, 10},
                                  {"Indexed", adInteger},
                                  {"Ref", adInteger},
                                  {"Unique", adVarWChar, 10}},
                                 {"Id"});
        s.addKey("UK_Host", KeyKind::Unique, {"Unique"});
        s.addIndex("IX_Multi", {"Indexed", "Id"});
        s.addIndex("IX_Ref", {"Ref"});
        s.addForeignKey("FK_Host_Target", {"Ref"}, "Target", {"Key"});
        QVERIFY(KVO_DDL(s, Create(catalog)));
        QVERIFY(run(c, "INSERT INTO [Host] VALUES (1, 'p1', 10, 1, 'u1'), (2, 'p2', 20, 2, 'u2')"));

        QVERIFY(KVO_DDL(s, DropField(catalog, field.toLower())));
        const auto host = catalog.FindTable("Host");
        QVERIFY(host && !host->FindColumn(field) && host->Columns.size() == 4);
        QStringList indexes;
        for (const CatalogIndex &index : host->Indexes) {
            // MariaDB keeps an index of its own behind each foreign key, named as the key.
            if (!index.BehindKey && index.Name != u"FK_Host_Target")
                indexes.append(index.Name);
        }
        indexes.sort();
        QTEST(indexes, "remainingIndexes");
        QTEST(int(host->keysOfType(adKeyForeign).size()), "remainingForeignKeys");
        QTEST(host->primaryKey() != nullptr, "primaryKeyLeft");
        QCOMPARE(host->keysOfType(adKeyUnique).size(), field == u"Unique" ? 0 : 1);
        QCOMPARE(rows(c, "SELECT * FROM [Host] ORDER BY 1").size(), 2);

        // Dropping a field that is not there changes nothing.
        QVERIFY(KVO_DDL(s, DropField(catalog, field)));
        QVERIFY(!c.inTransaction());
    }

    // Dropping a field or a table that another table's foreign key refers to drops that key; the
    // referring rows stay and take any value afterwards.
    void droppingWhatAForeignKeyNeedsDropsTheKey()
    {
        Connection &c = connection();
        Catalog &catalog = this->catalog();
        TableStructure list = table("List", {{"Id", adInteger, 0, false}, {"Entry", adVarWChar, 20, false}}, {"Id"});
        list.addKey("UK_List", KeyKind::Unique, {"Entry"});
        TableStructure pick = table("Picklist", {{"Value", adVarWChar, 20, false}}, {"Value"});
        TableStructure user = table(
                "User", {{"Id", adInteger, 0, false}, {"Entry", adVarWChar, 20}, {"Value", adVarWChar, 20}}, {"Id"});
        user.addForeignKey("FK_User_List", {"Entry"}, "List", {"Entry"});
        user.addForeignKey("FK_User_Picklist", {"Value"}, "Picklist", {"Value"});
        QVERIFY(KVO_DDL(list, Create(catalog)) && KVO_DDL(pick, Create(catalog)) && KVO_DDL(user, Create(catalog)));
        QVERIFY(run(c, "INSERT INTO [List] VALUES (1, 'e1')"));
        QVERIFY(run(c, "INSERT INTO [Picklist] VALUES ('a')"));
        QVERIFY(run(c, "INSERT INTO [User] VALUES (7, 'e1', 'a')"));

        QVERIFY(KVO_DDL(list, DropField(catalog, "Entry")));
        QVERIFY(referredTable(catalog, "User", "Entry").isEmpty());
        QCOMPARE(referredTable(catalog, "User", "Value"), u"picklist"_s);
        QVERIFY(KVO_DDL(pick, DropTable(catalog)));
        QVERIFY(!catalog.FindTable("Picklist") && referredTable(catalog, "User", "Value").isEmpty());
        QVERIFY(run(c, "INSERT INTO [User] VALUES (8, 'free', 'b')"));
        QCOMPARE(rows(c, u"SELECT [Id], [Entry], [Value] FROM [User] ORDER BY [Id]"_s),
                 (QStringList{"7|e1|a", "8|free|b"}));
        // Dropping a table that is gone is no error.
        QVERIFY(KVO_DDL(pick, DropTable(catalog)));
    }

    void repairKeysIndexesAndForeignKeys()
    {
        Catalog &catalog = this->catalog();
        TableStructure parent = table("Parent", {{"Id", adInteger, 0, false}}, {"Id"});
        QVERIFY(KVO_DDL(parent, Create(catalog)));
        TableStructure full =
                table("Child", {{"Id", adInteger, 0, false}, {"ParentId", adInteger}, {"Name", adVarWChar, 20}});
        TableStructure bare = full;
        QVERIFY(KVO_DDL(bare, Create(catalog)));
        full.addKey("PK_Child", KeyKind::Primary, {"Id"});
        full.addKey("UK_Child", KeyKind::Unique, {"Name"});
        full.addIndex("IX_Child_Parent", {"ParentId", "Name"});
        full.addIndex("IX_Child_Name", {"Name"});
        full.addForeignKey("FK_Child_Parent", {"ParentId"}, "Parent", {"Id"});
        QCOMPARE(full.differences(catalog, 1).size(), 5);

        // Each repair adds its own kind only.
        QVERIFY(KVO_DDL(full, RepairIndexes(catalog)));
        QVERIFY(catalog.FindTable("Child")->findIndex("IX_Child_Parent") && !catalog.FindTable("Child")->primaryKey());
        QVERIFY(KVO_DDL(full, RepairKeys(catalog)));
        QCOMPARE(full.differences(catalog, 1).size(), 1);
        QVERIFY(referredTable(catalog, "Child", "ParentId").isEmpty());
        QVERIFY(KVO_DDL(full, RepairForeignKeys(catalog)));
        QVERIFY2(full.Compare(catalog, 7), qPrintable(full.differences(catalog, 7).join(u'\n')));

        // An index of the described name over other fields is replaced.
        TableStructure moved = full;
        moved.Indexes.last().Columns = QStringList{"Name", "Id"};
        QVERIFY(KVO_DDL(moved, RepairIndexes(catalog)));
        QCOMPARE(catalog.FindTable(u"Child"_s)->findIndex(u"IX_Child_Name"_s)->Columns, (QStringList{"Name", "Id"}));

        TableStructure missing = table("Missing", {{"A", adInteger}});
        QVERIFY(!missing.RepairKeys(catalog));
        QVERIFY(!missing.lastError().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestTableStructure)
#include "tst_tablestructure.moc"
