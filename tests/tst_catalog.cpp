// The schema catalog and record sets on every configured engine: what the catalog reads back from
// the tables the table structure makes, look-ups by name; editing a table through a record set.

#include "hostkit/adotypes.h"
#include "hostkit/catalog.h"
#include "hostkit/connection.h"
#include "hostkit/databasehelper.h"
#include "hostkit/recordset.h"
#include "hostkit/tablestructure.h"
#include "testhost.h"

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

const QString kTable = u"Edit \"Me\""_s;

// Creates kTable (Id, Name, Flag, Amount with a default, When) with rows 1..count named "r<id>";
// row 1 has a NULL date, the others a date, a flag and a fraction that all identify the row.
bool createTable(Connection &c, int count)
{
    const Dialect &d = c.dialect();
    if (!run(c, u"CREATE TABLE [%1] ([Id] %2 NOT NULL PRIMARY KEY, [Name] %3, [Flag] %4, [Amount] %5 DEFAULT 7, "
                "[When] %6)"_s.arg(kTable, d.columnType(adInteger, 0), d.columnType(adVarWChar, 50),
                                   d.columnType(adBoolean, 0), d.columnType(adDouble, 0), d.columnType(adDate, 0))))
        return false;
    for (int id = 1; id <= count; ++id) {
        const QString when = id == 1 ? u"NULL"_s : c.SqlDateLiteral(QDateTime(QDate(2020, 1, id), QTime(8, 30)));
        if (!run(c, u"INSERT INTO [%1] VALUES (%2, 'r%2', %3, %4, %5)"_s.arg(kTable).arg(id).arg(
                            d.literal(id % 2 == 0), d.literal(id / 10.0), when)))
            return false;
    }
    return true;
}

// "id:name" of every row in the database, by id then name.
QStringList stored(Connection &c)
{
    return KvoTest::rows(c, u"SELECT [Id], [Name] FROM [%1] ORDER BY [Id], [Name]"_s.arg(kTable))
            .replaceInStrings(u"|"_s, u":"_s);
}

bool moveTo(RecordSet &rs, int id)
{
    for (rs.MoveFirst(); !rs.EOF(); rs.MoveNext()) {
        if (rs.value(u"id"_s).toInt() == id)
            return true;
    }
    return false;
}

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
            QVERIFY2(column && table->Columns.at(i).Name == f.name && column->Ordinal == i + 1, qPrintable(f.name));
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

        const CatalogIndex *stamp = table->findIndex(u"ix_child_stamp"_s);
        QVERIFY(stamp);
        QCOMPARE(stamp->Columns, (QStringList{u"Stamp"_s, u"Id"_s}));
        QVERIFY(!stamp->Unique && !stamp->BehindKey);
        const CatalogIndex *big = table->findIndex(u"IX_Child_Big"_s);
        QVERIFY(big && big->Unique && !big->PrimaryKey);
        // The unique key has an index behind it on every engine.
        const CatalogIndex *behindUnique = indexOver(*table, {u"Title"_s, u"Small"_s});
        QVERIFY(behindUnique && behindUnique->Unique && behindUnique->BehindKey && !behindUnique->PrimaryKey);
        // A text primary key has an index behind it everywhere (an INTEGER one on SQLite is the rowid).
        const auto parentTable = catalog().FindTable(u"Parent"_s);
        QVERIFY(parentTable);
        const CatalogIndex *behindPrimary = indexOver(*parentTable, {u"Code"_s});
        QVERIFY(behindPrimary && behindPrimary->PrimaryKey && behindPrimary->BehindKey && behindPrimary->Unique);
        QStringList referencing = catalog().referencingTables(u"Parent"_s);
        referencing.sort();
        QCOMPARE(referencing, (QStringList{u"Child"_s, u"Other"_s}));
    }

    // Look-ups ignore case and give the catalog's spelling; of two tables whose names differ only in
    // case the exact spelling wins.
    void lookupsByName()
    {
        TableStructure s = DatabaseHelper::NewStructure(u"MixedCase"_s);
        s.addField(u"FieldOne"_s, adInteger);
        QVERIFY(KVO_DDL(s, Create(catalog())));
        const auto table = DatabaseHelper::FindTable(catalog(), u"MIXEDCASE"_s);
        QVERIFY(table && table->Name == u"MixedCase"_s);
        QCOMPARE(DatabaseHelper::FindColumn(table.get(), u"fieldone"_s)->Name, u"FieldOne"_s);
        QVERIFY(!table->FindColumn(u"FieldTwo"_s) && !catalog().FindTable(u"MixedCas"_s));
        QVERIFY(catalog().lastError().isEmpty());

        // (SQLite table names ignore case: two such tables cannot exist there.)
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

    // Add, change, delete, cancel and move on (deleting rows while walking: the population check's
    // record-set form in tst_tablecheck).
    void editTable()
    {
        Connection &c = connection();
        QVERIFY(createTable(c, 3));
        auto rs = c.OpenTable(kTable);
        QVERIFY2(rs, qPrintable(c.lastError()));
        QVERIFY(rs->isUpdatable());

        QVERIFY(rs->AddNew() && rs->setValue(u"Id"_s, 4) && rs->setValue(u"Name"_s, u"it's \\ new"_s));
        QVERIFY(rs->setValue(u"When"_s, QDateTime(QDate(1899, 12, 30), QTime(0, 0))));
        QVERIFY2(rs->Update(), qPrintable(rs->lastError()));
        QCOMPARE(rs->RecordCount(), 4);
        QCOMPARE(rs->value(u"Id"_s).toInt(), 4);
        // The new row is read back with what the database filled in.
        QVERIFY(rs->value(u"Amount"_s).toDouble() == 7 && rs->isNull(u"Flag"_s));

        for (int id : {1, 2}) {
            QVERIFY(moveTo(*rs, id));
            QVERIFY(rs->setValue(u"Name"_s, u"changed %1"_s.arg(id)));
            QCOMPARE(rs->value(u"Name"_s).toString(), u"changed %1"_s.arg(id));
            QVERIFY2(rs->Update(), qPrintable(rs->lastError()));
        }
        QVERIFY(moveTo(*rs, 3));
        QVERIFY2(rs->Delete(), qPrintable(rs->lastError()));
        QVERIFY(!rs->value(u"Id"_s).isValid());
        QCOMPARE(stored(c), QStringList({"1:changed 1", "2:changed 2", "4:it's \\ new"}));

        // A pending change dropped by CancelUpdate is not written.
        QVERIFY(moveTo(*rs, 4));
        QVERIFY(rs->setValue(u"Name"_s, u"never"_s));
        rs->CancelUpdate();
        QCOMPARE(rs->value(u"Name"_s).toString(), u"it's \\ new"_s);
        QCOMPARE(stored(c).last(), u"4:it's \\ new"_s);
        // Moving on writes a pending change.
        QVERIFY(moveTo(*rs, 1) && rs->setValue(u"Name"_s, u"moved"_s));
        rs->MoveNext();
        QCOMPARE(stored(c).first(), u"1:moved"_s);

        // A change that moving on cannot write (another user deleted the row) is reported.
        QVERIFY(run(c, u"DELETE FROM [%1] WHERE [Id] = 2"_s.arg(kTable)));
        KvoTest::ReportedFailures failures;
        QVERIFY(moveTo(*rs, 2) && rs->setValue(u"Name"_s, u"lost"_s));
        rs->MoveFirst();
        QCOMPARE(failures.sources(), QStringList{u"RecordSet.Move"_s});
        QVERIFY(rs->lastError().contains(u"not found"_s));
    }

    // A row deleted by another connection can be neither updated nor deleted.
    void updateOfVanishedRowFails()
    {
        Connection &c = connection();
        QVERIFY(createTable(c, 2));
        auto rs = c.OpenTable(kTable);
        QVERIFY(rs);
        auto other = database().openSecond();
        QVERIFY(other && run(*other, u"DELETE FROM [%1]"_s.arg(kTable)));
        QVERIFY(rs->setValue(u"Name"_s, u"late"_s));
        QVERIFY(!rs->Update() && !rs->lastError().isEmpty());
        rs->CancelUpdate();
        QVERIFY(!rs->Delete());
        QVERIFY(!c.OpenTable(u"no such table"_s));
    }
};

QTEST_GUILESS_MAIN(TestCatalog)
#include "tst_catalog.moc"
