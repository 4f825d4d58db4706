// The schema catalog on every configured engine: what it reads back from tables made by the
// table structure and by plain DDL, look-ups by name, and when it reads again.

#include "hostkit/adotypes.h"
#include "hostkit/catalog.h"
#include "hostkit/connection.h"
#include "hostkit/databasehelper.h"
#include "hostkit/tablestructure.h"
#include "testdatabases.h"

#include <QTest>

using namespace KvoPlx800SCtl::HostKit;
using namespace Qt::StringLiterals;
using KvoTest::run;

namespace {

// The keys of a table, sorted, each "kind name(fields)" (kind F, P or U), a foreign key followed
// by "->table(fields)".
QStringList keys(const CatalogTable &table)
{
    QStringList out;
    for (const CatalogKey &key : table.Keys) {
        const char *kind = key.Type == adKeyForeign ? "F" : key.Type == adKeyPrimary ? "P" : "U";
        out << u"%1 %2(%3)"_s.arg(QLatin1String(kind), key.Name, key.Columns.join(u','));
        if (key.Type == adKeyForeign)
            out.last() += u"->%1(%2)"_s.arg(key.RelatedTable, key.RelatedColumns.join(u','));
    }
    out.sort();
    return out;
}

// The index of `table` over exactly `columns`.
const CatalogIndex *indexOver(const CatalogTable &table, const QStringList &columns)
{
    for (const CatalogIndex &index : table.Indexes) {
        if (index.Columns == columns)
            return &index;
    }
    return nullptr;
}

// Declared types of each engine and what the catalog reads them as.
struct Declared
{
    const char *text;
    int type;
    int size = 0;
};
// clang-format off
const QMap<Engine, QList<Declared>> declared = {
        {Engine::PostgreSQL,
         {{"smallint", adSmallInt}, {"integer", adInteger}, {"bigint", adBigInt}, {"real", adSingle},
          {"double precision", adDouble}, {"numeric(12,2)", adNumeric}, {"boolean", adBoolean},
          {"varchar(33)", adVarWChar, 33}, {"char(5)", adChar, 5}, {"text", adLongVarWChar},
          {"timestamp(3)", adDate}, {"timestamp with time zone", adDate}, {"date", adDate}, {"uuid", adGUID},
          {"bytea", adLongVarBinary}}},
        {Engine::MariaDB,
         {{"tinyint(1)", adBoolean}, {"boolean", adBoolean}, {"tinyint", adTinyInt},
          {"tinyint unsigned", adUnsignedTinyInt}, {"smallint", adSmallInt}, {"int", adInteger},
          {"bigint", adBigInt}, {"float", adSingle}, {"double", adDouble}, {"decimal(10,2)", adNumeric},
          {"varchar(33) character set utf8mb4", adVarWChar, 33}, {"char(5)", adChar, 5}, {"text", adLongVarWChar},
          {"longtext", adLongVarWChar}, {"datetime", adDate}, {"blob", adLongVarBinary}}},
        {Engine::SQLite,
         {{"BOOLEAN", adBoolean}, {"VARCHAR(33)", adVarWChar, 33}, {"NVARCHAR(12)", adVarWChar, 12},
          {"TEXT", adLongVarWChar}, {"CHAR(5)", adChar, 5}, {"DATETIME", adDate}, {"DATE", adDate},
          {"SMALLINT", adSmallInt}, {"INTEGER", adInteger}, {"INT", adInteger}, {"BIGINT", adBigInt},
          {"REAL", adSingle}, {"DOUBLE", adDouble}, {"NUMERIC(10,2)", adNumeric}, {"BLOB", adLongVarBinary},
          {"", adEmpty}}}};
// clang-format on

} // namespace

class TestCatalog : public KvoTest::DatabaseTest
{
    Q_OBJECT

private slots:
    // A table with one field of each type the library stores, keys, indexes and foreign keys.
    void readsBackCreatedTables()
    {
        TableStructure parent =
                KvoTest::table("Parent", {{"Code", adVarWChar, 20, false}, {"Label", adVarWChar, 40}}, {"Code"});
        QVERIFY(KVO_DDL(parent, Create(catalog())));
        // One field of each type the library stores. PostgreSQL stores Booleans as smallint, so
        // adBoolean reads back as adSmallInt there.
        const QList<KvoTest::Field> fields = {{"Id", adInteger, 0, false}, {"Title", adVarWChar, 40, false, "'none'"},
                                              {"Note", adLongVarWChar},    {"Small", adSmallInt, 0, true, "7"},
                                              {"Single", adSingle},        {"Double", adDouble},
                                              {"Stamp", adDate},           {"Flag", adBoolean, 0, true, "0"},
                                              {"Big", adBigInt},           {"ParentCode", adVarWChar, 20}};
        TableStructure child = KvoTest::table("Child", fields, {"Id"});
        child.addKey(u"UK_Child"_s, KeyKind::Unique, {u"Title"_s, u"Small"_s});
        child.addIndex(u"IX_Child_Stamp"_s, {u"Stamp"_s, u"Id"_s});
        child.addIndex(u"IX_Child_Big"_s, {u"Big"_s}, true);
        child.addForeignKey(u"FK_Child_Parent"_s, {u"ParentCode"_s}, u"Parent"_s, {u"Code"_s});
        TableStructure other = KvoTest::table("Other", {{"Ref", adVarWChar, 20}});
        other.addForeignKey(u"FK_Other"_s, {u"Ref"_s}, u"Parent"_s, {u"Code"_s});
        QVERIFY(KVO_DDL(child, Create(catalog())) && KVO_DDL(other, Create(catalog())));

        const auto table = catalog().FindTable(u"Child"_s);
        QVERIFY(table);
        QCOMPARE(table->Columns.size(), child.Fields.size());
        for (int i = 0; i < fields.size(); ++i) {
            const KvoTest::Field &f = fields[i];
            const int type =
                    f.type == adBoolean && database().engine() == Engine::PostgreSQL ? int(adSmallInt) : f.type;
            const CatalogColumn *column = table->FindColumn(f.name);
            QVERIFY2(column, qPrintable(f.name));
            QCOMPARE(table->Columns.at(i).Name, f.name);
            QCOMPARE(column->Ordinal, i + 1);
            QVERIFY2(column->Type == type && column->DefinedSize == f.size && column->Nullable == f.nullable
                             && column->HasDefault == !f.defaultSql.isEmpty() && !column->NativeType.isEmpty(),
                     qPrintable(f.name));
            // The type the catalog predicts for a described field is the one it reads back.
            int predictedSize = -1;
            QCOMPARE(catalog().reportedType(f.type, f.size, &predictedSize), type);
            QCOMPARE(predictedSize, f.size);
        }
        QVERIFY2(table->FindColumn(u"Title"_s)->DefaultValue.contains(u"none"_s),
                 qPrintable(table->FindColumn(u"Title"_s)->DefaultValue));

        // MariaDB names every primary key PRIMARY, and a unique index there is a unique key as well.
        const bool maria = database().engine() == Engine::MariaDB;
        QStringList expectedKeys{"F FK_Child_Parent(ParentCode)->Parent(Code)",
                                 maria ? "P PRIMARY(Id)" : "P PK_Child(Id)", "U UK_Child(Title,Small)"};
        if (maria)
            expectedKeys.insert(2, u"U IX_Child_Big(Big)"_s);
        QCOMPARE(keys(*table), expectedKeys);
        QCOMPARE(table->primaryKey()->Columns, QStringList{u"Id"_s});

        const CatalogIndex *stamp = table->findIndex(u"ix_child_stamp"_s);
        QVERIFY(stamp);
        QCOMPARE(stamp->Columns, (QStringList{u"Stamp"_s, u"Id"_s}));
        QVERIFY(!stamp->Unique && !stamp->BehindKey);
        const CatalogIndex *big = table->findIndex(u"IX_Child_Big"_s);
        QVERIFY(big && big->Unique && !big->PrimaryKey);
        QVERIFY(!table->findIndex(u"IX_None"_s));
        // The unique key has an index behind it on every engine.
        const CatalogIndex *behindUnique = indexOver(*table, {u"Title"_s, u"Small"_s});
        QVERIFY(behindUnique && behindUnique->Unique && behindUnique->BehindKey && !behindUnique->PrimaryKey);
        // A text primary key has an index behind it everywhere (an INTEGER one on SQLite is the rowid).
        const auto parentTable = catalog().FindTable(u"Parent"_s);
        QVERIFY(parentTable);
        const CatalogIndex *behindPrimary = indexOver(*parentTable, {u"Code"_s});
        QVERIFY(behindPrimary && behindPrimary->PrimaryKey && behindPrimary->BehindKey && behindPrimary->Unique);
        QVERIFY(parentTable->keysOfType(adKeyForeign).isEmpty());

        QStringList referencing = catalog().referencingTables(u"Parent"_s);
        referencing.sort();
        QCOMPARE(referencing, (QStringList{u"Child"_s, u"Other"_s}));
        QVERIFY(catalog().referencingTables(u"Child"_s).isEmpty());
    }

    void mapsEngineTypesToAdoTypes()
    {
        const QList<Declared> types = declared.value(database().engine());
        QVERIFY(!types.isEmpty());
        QStringList fields;
        for (int i = 0; i < types.size(); ++i)
            fields << KvoTest::sql(connection(), u"[F%1] "_s.arg(i)) + QLatin1String(types.at(i).text);
        QVERIFY(run(connection(), u"CREATE TABLE [Types] (%1)"_s.arg(fields.join(u", "))));
        const auto table = catalog().FindTable(u"Types"_s);
        QVERIFY(table);
        for (int i = 0; i < types.size(); ++i) {
            const CatalogColumn *column = table->FindColumn(u"F%1"_s.arg(i));
            QVERIFY(column);
            QVERIFY2(column->Type == types.at(i).type && column->DefinedSize == types.at(i).size,
                     qPrintable(u"\"%1\" reads as %2(%3)"_s.arg(QLatin1String(types.at(i).text))
                                        .arg(column->Type)
                                        .arg(column->DefinedSize)));
        }
    }

    void lookupsByName()
    {
        QVERIFY(!catalog().FindTable(u"Nothing"_s));
        QVERIFY(!catalog().FindTable(QString()));
        QVERIFY(catalog().lastError().isEmpty());
        TableStructure s = DatabaseHelper::NewStructure(u"MixedCase"_s);
        s.addField(u"FieldOne"_s, adInteger);
        QVERIFY(KVO_DDL(s, Create(catalog())));

        for (const QString &spelling : {u"MixedCase"_s, u"mixedcase"_s, u"MIXEDCASE"_s}) {
            const auto table = DatabaseHelper::FindTable(catalog(), spelling);
            QVERIFY2(table, qPrintable(spelling));
            QCOMPARE(table->Name, u"MixedCase"_s);
            QCOMPARE(DatabaseHelper::FindColumn(table.get(), u"FIELDONE"_s)->Name, u"FieldOne"_s);
            QVERIFY(table->FindColumn(u"fieldone"_s));
            QVERIFY(!table->FindColumn(u"FieldTwo"_s));
            QVERIFY(!table->FindColumn(QString()));
        }
        QVERIFY(!DatabaseHelper::FindColumn(nullptr, u"FieldOne"_s));
        QVERIFY(!catalog().FindTable(u"MixedCas"_s));
        QVERIFY(catalog().tableNames().contains(u"MixedCase"_s));
        QVERIFY(catalog().lastError().isEmpty());

        // Two tables whose names differ only in case: the exact spelling wins. (SQLite table names
        // ignore case, so two such tables cannot exist there.)
        if (database().engine() == Engine::SQLite)
            return;
        QVERIFY(run(connection(), "CREATE TABLE [Pair] ([a] INT)"));
        // MariaDB field names always ignore case; PostgreSQL can hold two that differ only in case.
        const bool caseFields = database().engine() == Engine::PostgreSQL;
        QVERIFY(run(connection(),
                    caseFields ? "CREATE TABLE [PAIR] ([b] INT, [B] INT)" : "CREATE TABLE [PAIR] ([b] INT, [c] INT)"));
        catalog().Refresh();
        const auto upper = catalog().FindTable(u"PAIR"_s);
        QVERIFY(upper);
        QCOMPARE(upper->Name, u"PAIR"_s);
        QCOMPARE(upper->Columns.size(), 2);
        if (caseFields) {
            QCOMPARE(upper->FindColumn(u"B"_s)->Ordinal, 2);
            QCOMPARE(upper->FindColumn(u"b"_s)->Ordinal, 1);
        }
        QCOMPARE(catalog().FindTable(u"Pair"_s)->Name, u"Pair"_s);
        QVERIFY(catalog().FindTable(u"pair"_s));
    }

    void readsLazilyAndForgetsOnRefresh()
    {
        QVERIFY(run(connection(), "CREATE TABLE [Lazy] ([One] INTEGER)"));

        const int start = catalog().queryCount();
        QVERIFY(catalog().FindTable(u"Lazy"_s));
        const int afterFirst = catalog().queryCount();
        QVERIFY(afterFirst > start);
        // Repeated look-ups, hits and misses, run no catalog query.
        for (int i = 0; i < 50; ++i) {
            QVERIFY(catalog().FindTable(u"lazy"_s));
            QVERIFY(!catalog().FindTable(u"Missing"_s));
            QVERIFY(catalog().FindTable(u"Lazy"_s)->FindColumn(u"one"_s));
        }
        QCOMPARE(catalog().queryCount(), afterFirst);

        // A change made behind the catalog's back shows only after a refresh.
        QVERIFY(run(connection(), "ALTER TABLE [Lazy] ADD [Two] INTEGER"));
        QVERIFY(run(connection(), "CREATE TABLE [Later] ([One] INTEGER)"));
        QCOMPARE(catalog().FindTable(u"Lazy"_s)->Columns.size(), 1);
        QVERIFY(!catalog().FindTable(u"Later"_s));
        catalog().Refresh(u"LAZY"_s);
        QCOMPARE(catalog().FindTable(u"Lazy"_s)->Columns.size(), 2);
        QVERIFY(catalog().FindTable(u"Later"_s));

        const auto held = catalog().FindTable(u"Later"_s);
        QVERIFY(run(connection(), "DROP TABLE [Later]"));
        QVERIFY(catalog().FindTable(u"Later"_s));
        DatabaseHelper::RefreshCatalog(catalog());
        QVERIFY(!catalog().FindTable(u"Later"_s));
        // A table handed out before the refresh stays valid for its holder.
        QCOMPARE(held->Name, u"Later"_s);
    }

    // The names SQLite keeps only in its CREATE TABLE text, in every way they can be written.
    void parsesSqliteConstraintNames()
    {
        KVO_SQLITE_ONLY("SQLite only");
        QVERIFY(KvoTest::exec(connection(), u"CREATE TABLE p (a INTEGER, b TEXT, PRIMARY KEY (a, b))"_s));
        QVERIFY(KvoTest::exec(connection(),
                              u"CREATE TABLE \"t,x\" (\n"
                              "  id INTEGER CONSTRAINT [pk one] PRIMARY KEY, -- a comment, with a comma\n"
                              "  `v` VARCHAR(10) CONSTRAINT 'u, v' UNIQUE /* CONSTRAINT fake UNIQUE */,\n"
                              "  w TEXT CHECK (w <> ',') CONSTRAINT fkw REFERENCES p(b),\n"
                              "  pa INTEGER, pb TEXT,\n"
                              "  CONSTRAINT \"fk \"\"two\"\"\" FOREIGN KEY (pa, pb) REFERENCES p (a, b),\n"
                              "  UNIQUE (pa, pb)\n"
                              ")"_s));
        const auto table = catalog().FindTable(u"t,x"_s);
        QVERIFY(table);
        // An unnamed unique key is still a key; it carries the name of SQLite's index.
        QCOMPARE(keys(*table), (QStringList{"F fk \"two\"(pa,pb)->p(a,b)", "F fkw(w)->p(b)", "P pk one(id)",
                                            "U sqlite_autoindex_t,x_2(pa,pb)", "U u, v(v)"}));

        // The unnamed composite primary key of p has SQLite's index behind it.
        const auto p = catalog().FindTable(u"p"_s);
        QVERIFY(p);
        QCOMPARE(p->primaryKey()->Columns, (QStringList{u"a"_s, u"b"_s}));
        QVERIFY(p->primaryKey()->Name.startsWith(u"sqlite_autoindex_"_s));
    }
};

QTEST_GUILESS_MAIN(TestCatalog)
#include "tst_catalog.moc"
