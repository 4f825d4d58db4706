// The schema catalog on every configured engine: what it reads back from tables made by the
// table structure and by plain DDL, look-ups by name, and when it reads again.

#include "hostkit/adotypes.h"
#include "hostkit/catalog.h"
#include "hostkit/connection.h"
#include "hostkit/databasehelper.h"
#include "hostkit/tablestructure.h"
#include "testdatabases.h"

#include <QSqlQuery>
#include <QTest>

using namespace KvoPlx800SCtl::HostKit;

namespace {

QString engine()
{
    return KvoTest::currentEngine();
}

// Creates `structure` and fails the test with the structure's error when that does not work.
bool create(TableStructure &structure, Catalog &catalog)
{
    if (structure.Create(catalog))
        return true;
    QTest::qFail(qPrintable(QStringLiteral("Create %1 failed: %2").arg(structure.TableName, structure.lastError())),
                 __FILE__, __LINE__);
    return false;
}

TableStructure parentStructure()
{
    TableStructure s(QStringLiteral("Parent"));
    s.addField(QStringLiteral("Code"), adVarWChar, 20, false);
    s.addField(QStringLiteral("Label"), adVarWChar, 40);
    s.addKey(QStringLiteral("PK_Parent"), KeyKind::Primary, {QStringLiteral("Code")});
    return s;
}

// A table with one field of each type the library stores, keys, indexes and a foreign key.
TableStructure childStructure()
{
    TableStructure s(QStringLiteral("Child"));
    s.addField(QStringLiteral("Id"), adInteger, 0, false);
    s.addField(QStringLiteral("Title"), adVarWChar, 40, false, QStringLiteral("'none'"));
    s.addField(QStringLiteral("Note"), adLongVarWChar);
    s.addField(QStringLiteral("Small"), adSmallInt, 0, true, QStringLiteral("7"));
    s.addField(QStringLiteral("Single"), adSingle);
    s.addField(QStringLiteral("Double"), adDouble);
    s.addField(QStringLiteral("Stamp"), adDate);
    s.addField(QStringLiteral("Flag"), adBoolean, 0, true, QStringLiteral("0"));
    s.addField(QStringLiteral("Big"), adBigInt);
    s.addField(QStringLiteral("ParentCode"), adVarWChar, 20);
    s.addKey(QStringLiteral("PK_Child"), KeyKind::Primary, {QStringLiteral("Id")});
    s.addKey(QStringLiteral("UK_Child"), KeyKind::Unique, {QStringLiteral("Title"), QStringLiteral("Small")});
    s.addIndex(QStringLiteral("IX_Child_Stamp"), {QStringLiteral("Stamp"), QStringLiteral("Id")});
    s.addIndex(QStringLiteral("IX_Child_Big"), {QStringLiteral("Big")}, true);
    s.addForeignKey(QStringLiteral("FK_Child_Parent"), {QStringLiteral("ParentCode")}, QStringLiteral("Parent"),
                    {QStringLiteral("Code")});
    return s;
}

const CatalogKey *keyNamed(const CatalogTable &table, int type, const QString &name)
{
    for (const CatalogKey &key : table.Keys) {
        if (key.Type == type && key.Name == name)
            return &key;
    }
    return nullptr;
}

} // namespace

class TestCatalog : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase_data() { KvoTest::addEngineRows(); }

    void readsBackFieldsOfCreatedTable_data();
    void readsBackFieldsOfCreatedTable();
    void readsBackKeysIndexesAndForeignKeys();
    void mapsEngineTypesToAdoTypes_data();
    void mapsEngineTypesToAdoTypes();
    void keepsOddNames();
    void findTableAndColumnLookups();
    void exactSpellingWinsOverOtherCase();
    void readsLazilyAndForgetsOnRefresh();
    void listsReferencingTables();
    void parsesSqliteConstraintNames();
    void databaseHelperFunctions();
};

void TestCatalog::readsBackFieldsOfCreatedTable_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("size");
    QTest::addColumn<bool>("nullable");
    QTest::addColumn<bool>("hasDefault");
    QTest::addColumn<int>("ordinal");

    // PostgreSQL stores Booleans as smallint, so adBoolean reads back as adSmallInt there.
    QTest::newRow("Id") << "Id" << int(adInteger) << 0 << false << false << 1;
    QTest::newRow("Title") << "Title" << int(adVarWChar) << 40 << false << true << 2;
    QTest::newRow("Note") << "Note" << int(adLongVarWChar) << 0 << true << false << 3;
    QTest::newRow("Small") << "Small" << int(adSmallInt) << 0 << true << true << 4;
    QTest::newRow("Single") << "Single" << int(adSingle) << 0 << true << false << 5;
    QTest::newRow("Double") << "Double" << int(adDouble) << 0 << true << false << 6;
    QTest::newRow("Stamp") << "Stamp" << int(adDate) << 0 << true << false << 7;
    QTest::newRow("Flag") << "Flag" << int(adBoolean) << 0 << true << true << 8;
    QTest::newRow("Big") << "Big" << int(adBigInt) << 0 << true << false << 9;
    QTest::newRow("ParentCode") << "ParentCode" << int(adVarWChar) << 20 << true << false << 10;
}

void TestCatalog::readsBackFieldsOfCreatedTable()
{
    QFETCH(QString, field);
    QFETCH(int, type);
    QFETCH(int, size);
    QFETCH(bool, nullable);
    QFETCH(bool, hasDefault);
    QFETCH(int, ordinal);

    auto db = KvoTest::open();
    QVERIFY(db);
    TableStructure parent = parentStructure();
    TableStructure child = childStructure();
    QVERIFY(create(parent, *db->catalog));
    QVERIFY(create(child, *db->catalog));

    const auto table = db->catalog->FindTable(QStringLiteral("Child"));
    QVERIFY(table);
    QCOMPARE(table->Columns.size(), child.Fields.size());
    const CatalogColumn *column = table->FindColumn(field);
    QVERIFY(column);
    const int expected = type == adBoolean && engine() == u"postgresql" ? int(adSmallInt) : type;
    QCOMPARE(column->Type, expected);
    QCOMPARE(column->DefinedSize, size);
    QCOMPARE(column->Nullable, nullable);
    QCOMPARE(column->HasDefault, hasDefault);
    QCOMPARE(column->Ordinal, ordinal);
    QCOMPARE(table->Columns.at(ordinal - 1).Name, field);
    QVERIFY(!column->NativeType.isEmpty());
    if (field == u"Title")
        QVERIFY2(column->DefaultValue.contains(QLatin1String("none")), qPrintable(column->DefaultValue));
    // The type the catalog predicts for a described field is the one it reads back.
    int predictedSize = 0;
    QCOMPARE(db->catalog->reportedType(child.findField(field)->Type, child.findField(field)->Size, &predictedSize),
             expected);
    QCOMPARE(predictedSize, size);
}

void TestCatalog::readsBackKeysIndexesAndForeignKeys()
{
    auto db = KvoTest::open();
    QVERIFY(db);
    TableStructure parent = parentStructure();
    TableStructure child = childStructure();
    QVERIFY(create(parent, *db->catalog));
    QVERIFY(create(child, *db->catalog));
    const auto table = db->catalog->FindTable(QStringLiteral("Child"));
    QVERIFY(table);

    const CatalogKey *primary = table->primaryKey();
    QVERIFY(primary);
    QCOMPARE(primary->Columns, QStringList{QStringLiteral("Id")});
    // MariaDB names every primary key PRIMARY; the others keep the name given.
    QCOMPARE(primary->Name, db->connection->dialect().namedPrimaryKeys() ? QStringLiteral("PK_Child")
                                                                         : QStringLiteral("PRIMARY"));

    const CatalogKey *unique = keyNamed(*table, adKeyUnique, QStringLiteral("UK_Child"));
    QVERIFY(unique);
    QCOMPARE(unique->Columns, (QStringList{QStringLiteral("Title"), QStringLiteral("Small")}));

    const auto foreign = table->keysOfType(adKeyForeign);
    QCOMPARE(foreign.size(), 1);
    QCOMPARE(foreign.first()->Name, QStringLiteral("FK_Child_Parent"));
    QCOMPARE(foreign.first()->Columns, QStringList{QStringLiteral("ParentCode")});
    QCOMPARE(foreign.first()->RelatedTable, QStringLiteral("Parent"));
    QCOMPARE(foreign.first()->RelatedColumns, QStringList{QStringLiteral("Code")});

    const CatalogIndex *stamp = table->findIndex(QStringLiteral("ix_child_stamp"));
    QVERIFY(stamp);
    QCOMPARE(stamp->Columns, (QStringList{QStringLiteral("Stamp"), QStringLiteral("Id")}));
    QVERIFY(!stamp->Unique);
    QVERIFY(!stamp->BehindKey);
    const CatalogIndex *big = table->findIndex(QStringLiteral("IX_Child_Big"));
    QVERIFY(big);
    QVERIFY(big->Unique);
    QVERIFY(!big->PrimaryKey);

    // The unique key has an index behind it on every engine.
    bool uniqueIndex = false;
    for (const CatalogIndex &index : table->Indexes) {
        if (index.Columns == unique->Columns) {
            QVERIFY(index.Unique);
            QVERIFY(index.BehindKey);
            QVERIFY(!index.PrimaryKey);
            uniqueIndex = true;
        }
    }
    QVERIFY(uniqueIndex);

    // A text primary key has an index behind it everywhere (an INTEGER one on SQLite is the rowid).
    const auto parentTable = db->catalog->FindTable(QStringLiteral("Parent"));
    QVERIFY(parentTable);
    bool primaryIndex = false;
    for (const CatalogIndex &index : parentTable->Indexes) {
        if (index.PrimaryKey) {
            QCOMPARE(index.Columns, QStringList{QStringLiteral("Code")});
            QVERIFY(index.BehindKey);
            QVERIFY(index.Unique);
            primaryIndex = true;
        }
    }
    QVERIFY(primaryIndex);
    QVERIFY(parentTable->keysOfType(adKeyForeign).isEmpty());
    QVERIFY(!table->findIndex(QStringLiteral("IX_None")));
}

void TestCatalog::mapsEngineTypesToAdoTypes_data()
{
    QTest::addColumn<QString>("rowEngine");
    QTest::addColumn<QString>("declared");
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("size");

    // Each row names its engine; the rows of the other engines skip.
    QTest::newRow("postgresql smallint") << "postgresql" << "smallint" << int(adSmallInt) << 0;
    QTest::newRow("postgresql integer") << "postgresql" << "integer" << int(adInteger) << 0;
    QTest::newRow("postgresql bigint") << "postgresql" << "bigint" << int(adBigInt) << 0;
    QTest::newRow("postgresql real") << "postgresql" << "real" << int(adSingle) << 0;
    QTest::newRow("postgresql double") << "postgresql" << "double precision" << int(adDouble) << 0;
    QTest::newRow("postgresql numeric") << "postgresql" << "numeric(12,2)" << int(adNumeric) << 0;
    QTest::newRow("postgresql boolean") << "postgresql" << "boolean" << int(adBoolean) << 0;
    QTest::newRow("postgresql varchar") << "postgresql" << "varchar(33)" << int(adVarWChar) << 33;
    QTest::newRow("postgresql char") << "postgresql" << "char(5)" << int(adChar) << 5;
    QTest::newRow("postgresql text") << "postgresql" << "text" << int(adLongVarWChar) << 0;
    QTest::newRow("postgresql timestamp") << "postgresql" << "timestamp(3)" << int(adDate) << 0;
    QTest::newRow("postgresql timestamptz") << "postgresql" << "timestamp with time zone" << int(adDate) << 0;
    QTest::newRow("postgresql date") << "postgresql" << "date" << int(adDate) << 0;
    QTest::newRow("postgresql uuid") << "postgresql" << "uuid" << int(adGUID) << 0;
    QTest::newRow("postgresql bytea") << "postgresql" << "bytea" << int(adLongVarBinary) << 0;
    QTest::newRow("mariadb tinyint(1)") << "mariadb" << "tinyint(1)" << int(adBoolean) << 0;
    QTest::newRow("mariadb boolean") << "mariadb" << "boolean" << int(adBoolean) << 0;
    QTest::newRow("mariadb tinyint") << "mariadb" << "tinyint" << int(adTinyInt) << 0;
    QTest::newRow("mariadb tinyint unsigned") << "mariadb" << "tinyint unsigned" << int(adUnsignedTinyInt) << 0;
    QTest::newRow("mariadb smallint") << "mariadb" << "smallint" << int(adSmallInt) << 0;
    QTest::newRow("mariadb int") << "mariadb" << "int" << int(adInteger) << 0;
    QTest::newRow("mariadb bigint") << "mariadb" << "bigint" << int(adBigInt) << 0;
    QTest::newRow("mariadb float") << "mariadb" << "float" << int(adSingle) << 0;
    QTest::newRow("mariadb double") << "mariadb" << "double" << int(adDouble) << 0;
    QTest::newRow("mariadb decimal") << "mariadb" << "decimal(10,2)" << int(adNumeric) << 0;
    QTest::newRow("mariadb varchar") << "mariadb" << "varchar(33) character set utf8mb4" << int(adVarWChar) << 33;
    QTest::newRow("mariadb char") << "mariadb" << "char(5)" << int(adChar) << 5;
    QTest::newRow("mariadb text") << "mariadb" << "text" << int(adLongVarWChar) << 0;
    QTest::newRow("mariadb longtext") << "mariadb" << "longtext" << int(adLongVarWChar) << 0;
    QTest::newRow("mariadb datetime") << "mariadb" << "datetime" << int(adDate) << 0;
    QTest::newRow("mariadb blob") << "mariadb" << "blob" << int(adLongVarBinary) << 0;
    QTest::newRow("sqlite BOOLEAN") << "sqlite" << "BOOLEAN" << int(adBoolean) << 0;
    QTest::newRow("sqlite VARCHAR(n)") << "sqlite" << "VARCHAR(33)" << int(adVarWChar) << 33;
    QTest::newRow("sqlite NVARCHAR(n)") << "sqlite" << "NVARCHAR(12)" << int(adVarWChar) << 12;
    QTest::newRow("sqlite TEXT") << "sqlite" << "TEXT" << int(adLongVarWChar) << 0;
    QTest::newRow("sqlite CHAR(n)") << "sqlite" << "CHAR(5)" << int(adChar) << 5;
    QTest::newRow("sqlite DATETIME") << "sqlite" << "DATETIME" << int(adDate) << 0;
    QTest::newRow("sqlite DATE") << "sqlite" << "DATE" << int(adDate) << 0;
    QTest::newRow("sqlite SMALLINT") << "sqlite" << "SMALLINT" << int(adSmallInt) << 0;
    QTest::newRow("sqlite INTEGER") << "sqlite" << "INTEGER" << int(adInteger) << 0;
    QTest::newRow("sqlite INT") << "sqlite" << "INT" << int(adInteger) << 0;
    QTest::newRow("sqlite BIGINT") << "sqlite" << "BIGINT" << int(adBigInt) << 0;
    QTest::newRow("sqlite REAL") << "sqlite" << "REAL" << int(adSingle) << 0;
    QTest::newRow("sqlite DOUBLE") << "sqlite" << "DOUBLE" << int(adDouble) << 0;
    QTest::newRow("sqlite NUMERIC") << "sqlite" << "NUMERIC(10,2)" << int(adNumeric) << 0;
    QTest::newRow("sqlite BLOB") << "sqlite" << "BLOB" << int(adLongVarBinary) << 0;
    QTest::newRow("sqlite untyped") << "sqlite" << "" << int(adEmpty) << 0;
}

void TestCatalog::mapsEngineTypesToAdoTypes()
{
    QFETCH(QString, rowEngine);
    QFETCH(QString, declared);
    QFETCH(int, type);
    QFETCH(int, size);
    if (rowEngine != engine())
        QSKIP("a type of another engine");

    auto db = KvoTest::open();
    QVERIFY(db);
    Connection &c = *db->connection;
    QVERIFY(KvoTest::exec(c, QStringLiteral("CREATE TABLE %1 (%2 %3)")
                                 .arg(c.QuoteName(QStringLiteral("Types")), c.QuoteName(QStringLiteral("Value")),
                                      declared)));
    const auto table = db->catalog->FindTable(QStringLiteral("Types"));
    QVERIFY(table);
    const CatalogColumn *column = table->FindColumn(QStringLiteral("Value"));
    QVERIFY(column);
    QCOMPARE(column->Type, type);
    QCOMPARE(column->DefinedSize, size);
}

void TestCatalog::keepsOddNames()
{
    auto db = KvoTest::open();
    QVERIFY(db);
    const QString tableName = QStringLiteral("Odd \"tab\" 'le`");
    const QString keyField = QStringLiteral("key \"field\"");
    const QString valueField = QStringLiteral("val`ue 'x'");
    TableStructure parent(QStringLiteral("Odd parent"));
    parent.addField(QStringLiteral("P \"id\""), adInteger, 0, false);
    parent.addKey(QStringLiteral("PK odd \"parent\""), KeyKind::Primary, {QStringLiteral("P \"id\"")});
    QVERIFY(create(parent, *db->catalog));

    TableStructure s(tableName);
    s.addField(keyField, adInteger, 0, false);
    s.addField(valueField, adVarWChar, 30);
    s.addKey(QStringLiteral("PK \"odd\""), KeyKind::Primary, {keyField});
    s.addKey(QStringLiteral("UK 'odd'"), KeyKind::Unique, {valueField});
    s.addIndex(QStringLiteral("IX `odd`"), {valueField, keyField});
    s.addForeignKey(QStringLiteral("FK \"odd\" 'one'"), {keyField}, QStringLiteral("Odd parent"),
                    {QStringLiteral("P \"id\"")});
    QVERIFY(create(s, *db->catalog));

    const auto table = db->catalog->FindTable(tableName);
    QVERIFY(table);
    QCOMPARE(table->Name, tableName);
    QCOMPARE(table->Columns.size(), 2);
    QCOMPARE(table->Columns.at(0).Name, keyField);
    QCOMPARE(table->Columns.at(1).Name, valueField);
    QVERIFY(table->primaryKey());
    QCOMPARE(table->primaryKey()->Columns, QStringList{keyField});
    if (db->connection->dialect().namedPrimaryKeys())
        QCOMPARE(table->primaryKey()->Name, QStringLiteral("PK \"odd\""));
    QVERIFY(keyNamed(*table, adKeyUnique, QStringLiteral("UK 'odd'")));
    const CatalogKey *foreign = keyNamed(*table, adKeyForeign, QStringLiteral("FK \"odd\" 'one'"));
    QVERIFY(foreign);
    QCOMPARE(foreign->RelatedTable, QStringLiteral("Odd parent"));
    QCOMPARE(foreign->RelatedColumns, QStringList{QStringLiteral("P \"id\"")});
    const CatalogIndex *index = table->findIndex(QStringLiteral("IX `odd`"));
    QVERIFY(index);
    QCOMPARE(index->Columns, (QStringList{valueField, keyField}));
    QVERIFY(s.Compare(*db->catalog, CompareExact | CompareKeyFields | CompareOptionalTypes));
}

void TestCatalog::findTableAndColumnLookups()
{
    auto db = KvoTest::open();
    QVERIFY(db);
    Catalog &catalog = *db->catalog;
    QVERIFY(!catalog.FindTable(QStringLiteral("Nothing")));
    QVERIFY(!catalog.FindTable(QString()));
    QVERIFY(catalog.lastError().isEmpty());

    TableStructure s(QStringLiteral("MixedCase"));
    s.addField(QStringLiteral("FieldOne"), adInteger);
    QVERIFY(create(s, catalog));

    for (const QString &spelling : {QStringLiteral("MixedCase"), QStringLiteral("mixedcase"),
                                    QStringLiteral("MIXEDCASE")}) {
        const auto table = catalog.FindTable(spelling);
        QVERIFY2(table, qPrintable(spelling));
        QCOMPARE(table->Name, QStringLiteral("MixedCase"));
        QVERIFY(table->FindColumn(QStringLiteral("fieldone")));
        QCOMPARE(table->FindColumn(QStringLiteral("FIELDONE"))->Name, QStringLiteral("FieldOne"));
        QVERIFY(!table->FindColumn(QStringLiteral("FieldTwo")));
        QVERIFY(!table->FindColumn(QString()));
    }
    QVERIFY(!catalog.FindTable(QStringLiteral("MixedCas")));
    QVERIFY(catalog.tableNames().contains(QStringLiteral("MixedCase")));
    QVERIFY(catalog.lastError().isEmpty());
}

void TestCatalog::exactSpellingWinsOverOtherCase()
{
    if (engine() == u"sqlite")
        QSKIP("SQLite table names ignore case: two such tables cannot exist");
    auto db = KvoTest::open();
    QVERIFY(db);
    Connection &c = *db->connection;
    QVERIFY(KvoTest::exec(c, QStringLiteral("CREATE TABLE %1 (%2 INT)")
                                 .arg(c.QuoteName(QStringLiteral("Pair")), c.QuoteName(QStringLiteral("a")))));
    // MariaDB field names always ignore case; PostgreSQL can hold two that differ only in case.
    const bool caseFields = engine() == u"postgresql";
    QVERIFY(KvoTest::exec(c, QStringLiteral("CREATE TABLE %1 (%2 INT, %3 INT)")
                                 .arg(c.QuoteName(QStringLiteral("PAIR")), c.QuoteName(QStringLiteral("b")),
                                      c.QuoteName(caseFields ? QStringLiteral("B") : QStringLiteral("c")))));
    const auto upper = db->catalog->FindTable(QStringLiteral("PAIR"));
    QVERIFY(upper);
    QCOMPARE(upper->Name, QStringLiteral("PAIR"));
    QCOMPARE(upper->Columns.size(), 2);
    if (caseFields) {
        QCOMPARE(upper->FindColumn(QStringLiteral("B"))->Ordinal, 2);
        QCOMPARE(upper->FindColumn(QStringLiteral("b"))->Ordinal, 1);
    }
    const auto mixed = db->catalog->FindTable(QStringLiteral("Pair"));
    QVERIFY(mixed);
    QCOMPARE(mixed->Name, QStringLiteral("Pair"));
    QVERIFY(db->catalog->FindTable(QStringLiteral("pair")));
}

void TestCatalog::readsLazilyAndForgetsOnRefresh()
{
    auto db = KvoTest::open();
    QVERIFY(db);
    Catalog &catalog = *db->catalog;
    Connection &c = *db->connection;
    QVERIFY(KvoTest::exec(c, QStringLiteral("CREATE TABLE %1 (%2 INTEGER)")
                                 .arg(c.QuoteName(QStringLiteral("Lazy")), c.QuoteName(QStringLiteral("One")))));

    const int start = catalog.queryCount();
    QVERIFY(catalog.FindTable(QStringLiteral("Lazy")));
    const int afterFirst = catalog.queryCount();
    QVERIFY(afterFirst > start);
    // Repeated look-ups, hits and misses, run no catalog query.
    for (int i = 0; i < 50; ++i) {
        QVERIFY(catalog.FindTable(QStringLiteral("lazy")));
        QVERIFY(!catalog.FindTable(QStringLiteral("Missing")));
        QVERIFY(catalog.FindTable(QStringLiteral("Lazy"))->FindColumn(QStringLiteral("one")));
    }
    QCOMPARE(catalog.queryCount(), afterFirst);

    // A change made behind the catalog's back shows only after a refresh.
    QVERIFY(KvoTest::exec(c, QStringLiteral("ALTER TABLE %1 ADD %2 INTEGER")
                                 .arg(c.QuoteName(QStringLiteral("Lazy")), c.QuoteName(QStringLiteral("Two")))));
    QVERIFY(KvoTest::exec(c, QStringLiteral("CREATE TABLE %1 (%2 INTEGER)")
                                 .arg(c.QuoteName(QStringLiteral("Later")), c.QuoteName(QStringLiteral("One")))));
    QCOMPARE(catalog.FindTable(QStringLiteral("Lazy"))->Columns.size(), 1);
    QVERIFY(!catalog.FindTable(QStringLiteral("Later")));
    catalog.Refresh(QStringLiteral("LAZY"));
    QCOMPARE(catalog.FindTable(QStringLiteral("Lazy"))->Columns.size(), 2);
    QVERIFY(catalog.FindTable(QStringLiteral("Later")));

    const auto held = catalog.FindTable(QStringLiteral("Later"));
    QVERIFY(KvoTest::exec(c, QStringLiteral("DROP TABLE %1").arg(c.QuoteName(QStringLiteral("Later")))));
    catalog.Refresh();
    QVERIFY(!catalog.FindTable(QStringLiteral("Later")));
    // A table handed out before the refresh stays valid for its holder.
    QCOMPARE(held->Name, QStringLiteral("Later"));
}

void TestCatalog::listsReferencingTables()
{
    auto db = KvoTest::open();
    QVERIFY(db);
    TableStructure parent = parentStructure();
    TableStructure child = childStructure();
    QVERIFY(create(parent, *db->catalog));
    QVERIFY(create(child, *db->catalog));
    TableStructure other(QStringLiteral("Other"));
    other.addField(QStringLiteral("Ref"), adVarWChar, 20);
    other.addForeignKey(QStringLiteral("FK_Other"), {QStringLiteral("Ref")}, QStringLiteral("Parent"),
                        {QStringLiteral("Code")});
    QVERIFY(create(other, *db->catalog));

    QStringList referencing = db->catalog->referencingTables(QStringLiteral("Parent"));
    referencing.sort();
    QCOMPARE(referencing, (QStringList{QStringLiteral("Child"), QStringLiteral("Other")}));
    QVERIFY(db->catalog->referencingTables(QStringLiteral("Child")).isEmpty());
}

void TestCatalog::parsesSqliteConstraintNames()
{
    // The names SQLite keeps only in its CREATE TABLE text, in every way they can be written.
    if (engine() != u"sqlite")
        QSKIP("SQLite only");
    auto db = KvoTest::open();
    QVERIFY(db);
    Connection &c = *db->connection;
    QVERIFY(KvoTest::exec(c, QStringLiteral("CREATE TABLE p (a INTEGER, b TEXT, PRIMARY KEY (a, b))")));
    QVERIFY(KvoTest::exec(c, QStringLiteral(
                                 "CREATE TABLE \"t,x\" (\n"
                                 "  id INTEGER CONSTRAINT [pk one] PRIMARY KEY, -- a comment, with a comma\n"
                                 "  `v` VARCHAR(10) CONSTRAINT 'u, v' UNIQUE /* CONSTRAINT fake UNIQUE */,\n"
                                 "  w TEXT CHECK (w <> ',') CONSTRAINT fkw REFERENCES p(b),\n"
                                 "  pa INTEGER, pb TEXT,\n"
                                 "  CONSTRAINT \"fk \"\"two\"\"\" FOREIGN KEY (pa, pb) REFERENCES p (a, b),\n"
                                 "  UNIQUE (pa, pb)\n"
                                 ")")));
    const auto table = db->catalog->FindTable(QStringLiteral("t,x"));
    QVERIFY(table);
    QCOMPARE(table->primaryKey()->Name, QStringLiteral("pk one"));
    QVERIFY(keyNamed(*table, adKeyUnique, QStringLiteral("u, v")));
    const CatalogKey *single = keyNamed(*table, adKeyForeign, QStringLiteral("fkw"));
    QVERIFY(single);
    QCOMPARE(single->Columns, QStringList{QStringLiteral("w")});
    QCOMPARE(single->RelatedColumns, QStringList{QStringLiteral("b")});
    const CatalogKey *pair = keyNamed(*table, adKeyForeign, QStringLiteral("fk \"two\""));
    QVERIFY(pair);
    QCOMPARE(pair->Columns, (QStringList{QStringLiteral("pa"), QStringLiteral("pb")}));
    QCOMPARE(pair->RelatedColumns, (QStringList{QStringLiteral("a"), QStringLiteral("b")}));
    // An unnamed unique key is still a key; it carries the name of SQLite's index.
    const auto uniques = table->keysOfType(adKeyUnique);
    QCOMPARE(uniques.size(), 2);
    QVERIFY(!keyNamed(*table, adKeyUnique, QStringLiteral("fake")));

    // The unnamed composite primary key of p has SQLite's index behind it.
    const auto p = db->catalog->FindTable(QStringLiteral("p"));
    QVERIFY(p);
    QCOMPARE(p->primaryKey()->Columns, (QStringList{QStringLiteral("a"), QStringLiteral("b")}));
    QVERIFY(p->primaryKey()->Name.startsWith(QLatin1String("sqlite_autoindex_")));
}

void TestCatalog::databaseHelperFunctions()
{
    auto db = KvoTest::open();
    QVERIFY(db);
    TableStructure s = DatabaseHelper::NewStructure(QStringLiteral("Helper"));
    QCOMPARE(s.TableName, QStringLiteral("Helper"));
    QVERIFY(s.Fields.isEmpty());
    s.addField(QStringLiteral("A"), adInteger);
    QVERIFY(create(s, *db->catalog));

    QVERIFY(!DatabaseHelper::FindTable(*db->catalog, QStringLiteral("Nope")));
    const auto table = DatabaseHelper::FindTable(*db->catalog, QStringLiteral("helper"));
    QVERIFY(table);
    QVERIFY(DatabaseHelper::FindColumn(table.get(), QStringLiteral("a")));
    QVERIFY(!DatabaseHelper::FindColumn(table.get(), QStringLiteral("b")));
    QVERIFY(!DatabaseHelper::FindColumn(nullptr, QStringLiteral("a")));

    Connection &c = *db->connection;
    QVERIFY(KvoTest::exec(c, QStringLiteral("CREATE TABLE %1 (%2 INTEGER)")
                                 .arg(c.QuoteName(QStringLiteral("Behind")), c.QuoteName(QStringLiteral("x")))));
    QVERIFY(!DatabaseHelper::FindTable(*db->catalog, QStringLiteral("Behind")));
    DatabaseHelper::RefreshCatalog(*db->catalog);
    QVERIFY(DatabaseHelper::FindTable(*db->catalog, QStringLiteral("Behind")));
}

QTEST_GUILESS_MAIN(TestCatalog)
#include "tst_catalog.moc"
