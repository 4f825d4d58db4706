// Table structures on every configured engine: comparison with and without options, and the DDL
// that creates, converts, repairs and trims tables while their rows stay.

#include "hostkit/adotypes.h"
#include "hostkit/catalog.h"
#include "hostkit/connection.h"
#include "hostkit/tablestructure.h"
#include "testdatabases.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QTest>

using namespace KvoPlx800SCtl::HostKit;

namespace {

QString engine()
{
    return KvoTest::currentEngine();
}

QVariant scalar(Connection &c, const QString &sql)
{
    QSqlQuery query(c.database());
    if (!query.exec(sql) || !query.next()) {
        qWarning("%s: %s", qPrintable(sql), qPrintable(query.lastError().text()));
        return {};
    }
    return query.value(0);
}

// The rows of `table` ordered by `order`, each as its fields' texts joined with "|" (NULL as "~").
QStringList rows(Connection &c, const QString &table, const QStringList &fields, const QString &order)
{
    QStringList quoted;
    for (const QString &f : fields)
        quoted.append(c.QuoteName(f));
    QSqlQuery query(c.database());
    QStringList out;
    if (!query.exec(QStringLiteral("SELECT %1 FROM %2 ORDER BY %3")
                        .arg(quoted.join(QStringLiteral(", ")), c.QuoteName(table), c.QuoteName(order)))) {
        out.append(QStringLiteral("error: ") + query.lastError().text());
        return out;
    }
    while (query.next()) {
        QStringList values;
        for (int i = 0; i < fields.size(); ++i) {
            const QVariant v = query.value(i);
            values.append(v.isNull() ? QStringLiteral("~") : v.toString());
        }
        out.append(values.join(QLatin1Char('|')));
    }
    return out;
}

bool run(TableStructure &s, bool ok, const char *what, int line)
{
    if (ok)
        return true;
    QTest::qFail(qPrintable(QStringLiteral("%1 %2 failed: %3").arg(QLatin1String(what), s.TableName, s.lastError())),
                 __FILE__, line);
    return false;
}
#define DDL(structure, call) run(structure, structure.call, #call, __LINE__)

int fieldType(Catalog &catalog, const QString &table, const QString &field)
{
    const auto t = catalog.FindTable(table);
    const CatalogColumn *c = t ? t->FindColumn(field) : nullptr;
    return c ? c->Type : -1;
}

bool hasForeignKey(Catalog &catalog, const QString &table, const QString &relatedTable)
{
    const auto t = catalog.FindTable(table);
    if (!t)
        return false;
    for (const CatalogKey *key : t->keysOfType(adKeyForeign)) {
        if (key->RelatedTable.compare(relatedTable, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

// The layout of a definition-like table, with two fields that an older layout lacks.
TableStructure definitionLayout()
{
    TableStructure s(QStringLiteral("Definitions"));
    s.addField(QStringLiteral("BaseTable"), adVarWChar, 64, false);
    s.addField(QStringLiteral("Position"), adInteger, 0, false);
    s.addField(QStringLiteral("Name"), adVarWChar, 64, false);
    s.addField(QStringLiteral("Caption"), adVarWChar, 64);
    s.addField(QStringLiteral("Mode"), adInteger, 0, true, QStringLiteral("0")).Optional = true;
    s.addField(QStringLiteral("Stamp"), adDate).Optional = true;
    s.addKey(QStringLiteral("PK_Definitions"), KeyKind::Primary, {QStringLiteral("BaseTable"), QStringLiteral("Position")});
    s.addKey(QStringLiteral("UK_Definitions"), KeyKind::Unique, {QStringLiteral("BaseTable"), QStringLiteral("Name")});
    s.addIndex(QStringLiteral("IX_Definitions_Name"), {QStringLiteral("Name")});
    return s;
}

} // namespace

class TestTableStructure : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase_data() { KvoTest::addEngineRows(); }

    void compareWithOptions_data();
    void compareWithOptions();
    void createRefusesExistingTable();
    void convertKeepsDataThroughTypeAndSizeChanges();
    void convertRebuildKeepsForeignKeysPointingAtTable();
    void convertCreatesMissingTableAndAddsKeys();
    void convertChangesDefaultsInPlaceOnly();
    void failedConvertLeavesTableAndConnectionUsable();
    void failedConvertInsideCallersTransaction();
    void rebuildInsideTransactionWithForeignKeysIsRefused();
    void addFieldKeepsRowsWithoutRebuild();
    void dropField_data();
    void dropField();
    void dropFieldReferencedByOtherTable();
    void repairKeysIndexesAndForeignKeys();
    void dropTableDropsForeignKeysToIt();
    void oddNamesThroughEveryOperation();
};

void TestTableStructure::compareWithOptions_data()
{
    QTest::addColumn<QString>("layout");
    QTest::addColumn<int>("options");
    QTest::addColumn<bool>("expected");

    // "full": the description itself; "older": without the optional fields; "wrongOptional": the
    // optional date kept as text; "short": a text field too short; "noIndex": an index missing;
    // "noCaption": a required field missing; "noName": a key field missing.
    const struct
    {
        const char *layout;
        bool plain, keyFields, optionalTypes, six, seven;
    } cases[] = {
        {"full", true, true, true, true, true},
        {"older", true, true, true, true, false},
        {"wrongOptional", true, true, false, false, false},
        {"short", true, true, true, true, false},
        {"noIndex", true, true, true, true, false},
        {"noCaption", false, false, false, false, false},
        {"noName", false, false, false, false, false},
    };
    for (const auto &c : cases) {
        const QByteArray name(c.layout);
        const QString layout = QString::fromLatin1(name);
        QTest::newRow((name + " plain").constData()) << layout << 0 << c.plain;
        QTest::newRow((name + " 2").constData()) << layout << 2 << c.keyFields;
        QTest::newRow((name + " 4").constData()) << layout << 4 << c.optionalTypes;
        QTest::newRow((name + " 6").constData()) << layout << 6 << c.six;
        QTest::newRow((name + " 7").constData()) << layout << 7 << c.seven;
    }
}

void TestTableStructure::compareWithOptions()
{
    QFETCH(QString, layout);
    QFETCH(int, options);
    QFETCH(bool, expected);

    auto db = KvoTest::open();
    QVERIFY(db);
    const TableStructure description = definitionLayout();
    TableStructure made = definitionLayout();
    auto dropField = [&made](const QString &name) {
        made.Fields.removeIf([&name](const FieldDescription &f) { return f.Name == name; });
    };
    if (layout == u"older") {
        dropField(QStringLiteral("Mode"));
        dropField(QStringLiteral("Stamp"));
    } else if (layout == u"wrongOptional") {
        made.Fields[5].Type = adVarWChar;
        made.Fields[5].Size = 30;
    } else if (layout == u"short") {
        made.Fields[3].Size = 10;
    } else if (layout == u"noIndex") {
        made.Indexes.clear();
    } else if (layout == u"noCaption") {
        dropField(QStringLiteral("Caption"));
    } else if (layout == u"noName") {
        dropField(QStringLiteral("Name"));
        made.Keys.removeLast();
        made.Indexes.clear();
    }
    QVERIFY(DDL(made, Create(*db->catalog)));

    QCOMPARE(description.Compare(*db->catalog, options), expected);
    const QStringList found = description.differences(*db->catalog, options);
    QCOMPARE(found.isEmpty(), expected);
    if (options == 0)
        QCOMPARE(description.Compare(*db->catalog), expected);

    // Whatever the layout, Convert brings the table to the full description.
    if (options != 7)
        return;
    TableStructure converter = definitionLayout();
    QVERIFY(DDL(converter, Convert(*db->catalog)));
    QVERIFY2(description.Compare(*db->catalog, 7), qPrintable(description.differences(*db->catalog, 7).join(u'\n')));
}

void TestTableStructure::createRefusesExistingTable()
{
    auto db = KvoTest::open();
    QVERIFY(db);
    TableStructure s = definitionLayout();
    QVERIFY(DDL(s, Create(*db->catalog)));
    QVERIFY(s.Compare(*db->catalog, 7));
    QVERIFY(!s.Create(*db->catalog));
    QVERIFY(!s.lastError().isEmpty());

    TableStructure empty(QStringLiteral("NoFields"));
    QVERIFY(!empty.Create(*db->catalog));
    QVERIFY(!db->catalog->FindTable(QStringLiteral("NoFields")));
    const QStringList missing = empty.differences(*db->catalog, 0);
    QCOMPARE(missing.size(), 1);
    QVERIFY(!empty.Compare(*db->catalog));
}

void TestTableStructure::convertKeepsDataThroughTypeAndSizeChanges()
{
    auto db = KvoTest::open();
    QVERIFY(db);
    Connection &c = *db->connection;
    Catalog &catalog = *db->catalog;

    TableStructure old(QStringLiteral("Items"));
    old.addField(QStringLiteral("Id"), adInteger, 0, false);
    old.addField(QStringLiteral("Name"), adVarWChar, 10);
    old.addField(QStringLiteral("Amount"), adVarWChar, 12);
    old.addField(QStringLiteral("Small"), adSmallInt);
    old.addField(QStringLiteral("Extra"), adVarWChar, 20);   // not described later: kept
    old.addKey(QStringLiteral("PK_Items"), KeyKind::Primary, {QStringLiteral("Id")});
    old.addIndex(QStringLiteral("IX_Items_Name"), {QStringLiteral("Name")});
    QVERIFY(DDL(old, Create(catalog)));
    for (int i = 1; i <= 5; ++i)
        QVERIFY(KvoTest::exec(c, QStringLiteral("INSERT INTO %1 VALUES (%2, 'n%2', '%3', %4, 'x%2')")
                                     .arg(c.QuoteName(QStringLiteral("Items")))
                                     .arg(i)
                                     .arg(i * 100)
                                     .arg(i * 2)));

    TableStructure wanted(QStringLiteral("Items"));
    wanted.addField(QStringLiteral("Id"), adInteger, 0, false);
    wanted.addField(QStringLiteral("Name"), adVarWChar, 80);
    wanted.addField(QStringLiteral("Amount"), adInteger);
    wanted.addField(QStringLiteral("Small"), adInteger);
    wanted.addField(QStringLiteral("Added"), adVarWChar, 10, true, QStringLiteral("'new'"));
    wanted.addKey(QStringLiteral("PK_Items"), KeyKind::Primary, {QStringLiteral("Id")});
    wanted.addKey(QStringLiteral("UK_Items"), KeyKind::Unique, {QStringLiteral("Name")});
    wanted.addIndex(QStringLiteral("IX_Items_Name"), {QStringLiteral("Name")});
    wanted.addIndex(QStringLiteral("IX_Items_Amount"), {QStringLiteral("Amount"), QStringLiteral("Id")});
    QVERIFY(!wanted.Compare(catalog, 7));
    QCOMPARE(wanted.differences(catalog, 7).size(), 6);

    QVERIFY(DDL(wanted, Convert(catalog)));
    QVERIFY2(wanted.Compare(catalog, 7), qPrintable(wanted.differences(catalog, 7).join(u'\n')));
    QCOMPARE(fieldType(catalog, QStringLiteral("Items"), QStringLiteral("Amount")), int(adInteger));
    QCOMPARE(catalog.FindTable(QStringLiteral("Items"))->FindColumn(QStringLiteral("Name"))->DefinedSize, 80);
    QVERIFY(catalog.FindTable(QStringLiteral("Items"))->findIndex(QStringLiteral("IX_Items_Name")));

    const QStringList expected{QStringLiteral("1|n1|100|2|x1|new"), QStringLiteral("2|n2|200|4|x2|new"),
                               QStringLiteral("3|n3|300|6|x3|new"), QStringLiteral("4|n4|400|8|x4|new"),
                               QStringLiteral("5|n5|500|10|x5|new")};
    QCOMPARE(rows(c, QStringLiteral("Items"),
                  {QStringLiteral("Id"), QStringLiteral("Name"), QStringLiteral("Amount"), QStringLiteral("Small"),
                   QStringLiteral("Extra"), QStringLiteral("Added")},
                  QStringLiteral("Id")),
             expected);
    // The widened field takes long texts and the integer field sorts as a number now.
    QVERIFY(KvoTest::exec(c, QStringLiteral("INSERT INTO %1 (%2, %3, %4) VALUES (6, '%5', 99)")
                                 .arg(c.QuoteName(QStringLiteral("Items")), c.QuoteName(QStringLiteral("Id")),
                                      c.QuoteName(QStringLiteral("Name")), c.QuoteName(QStringLiteral("Amount")),
                                      QString(70, u'w'))));
    QCOMPARE(scalar(c, QStringLiteral("SELECT MIN(%1) FROM %2")
                           .arg(c.QuoteName(QStringLiteral("Amount")), c.QuoteName(QStringLiteral("Items"))))
                 .toInt(),
             99);
    // The unique key added holds.
    QVERIFY(!c.ExecuteSql(QStringLiteral("INSERT INTO %1 (%2, %3) VALUES (7, 'n1')")
                              .arg(c.QuoteName(QStringLiteral("Items")), c.QuoteName(QStringLiteral("Id")),
                                   c.QuoteName(QStringLiteral("Name")))));

    // A second Convert finds nothing to do.
    const qint64 statements = c.statementCount();
    QVERIFY(DDL(wanted, Convert(catalog)));
    QCOMPARE(c.statementCount(), statements);
}

void TestTableStructure::convertRebuildKeepsForeignKeysPointingAtTable()
{
    auto db = KvoTest::open();
    QVERIFY(db);
    Connection &c = *db->connection;
    Catalog &catalog = *db->catalog;

    TableStructure parent(QStringLiteral("Parent"));
    parent.addField(QStringLiteral("Code"), adVarWChar, 10, false);
    parent.addField(QStringLiteral("Value"), adSmallInt);
    parent.addKey(QStringLiteral("PK_Parent"), KeyKind::Primary, {QStringLiteral("Code")});
    QVERIFY(DDL(parent, Create(catalog)));
    TableStructure child(QStringLiteral("Child"));
    child.addField(QStringLiteral("Id"), adInteger, 0, false);
    child.addField(QStringLiteral("Code"), adVarWChar, 10);
    child.addKey(QStringLiteral("PK_Child"), KeyKind::Primary, {QStringLiteral("Id")});
    child.addForeignKey(QStringLiteral("FK_Child_Parent"), {QStringLiteral("Code")}, QStringLiteral("Parent"),
                        {QStringLiteral("Code")});
    QVERIFY(DDL(child, Create(catalog)));
    QVERIFY(KvoTest::exec(c, QStringLiteral("INSERT INTO %1 VALUES ('a', 1), ('b', 2)").arg(c.QuoteName(QStringLiteral("Parent")))));
    QVERIFY(KvoTest::exec(c, QStringLiteral("INSERT INTO %1 VALUES (1, 'a'), (2, 'b'), (3, 'a')")
                                 .arg(c.QuoteName(QStringLiteral("Child")))));

    // The type change rebuilds Parent on SQLite; Child's foreign key keeps pointing at it.
    TableStructure widened(QStringLiteral("Parent"));
    widened.addField(QStringLiteral("Code"), adVarWChar, 30, false);
    widened.addField(QStringLiteral("Value"), adDouble);
    widened.addKey(QStringLiteral("PK_Parent"), KeyKind::Primary, {QStringLiteral("Code")});
    QVERIFY(DDL(widened, Convert(catalog)));
    QVERIFY(widened.Compare(catalog, 7));
    QCOMPARE(fieldType(catalog, QStringLiteral("Parent"), QStringLiteral("Value")), int(adDouble));
    QCOMPARE(rows(c, QStringLiteral("Parent"), {QStringLiteral("Code"), QStringLiteral("Value")}, QStringLiteral("Code")),
             (QStringList{QStringLiteral("a|1"), QStringLiteral("b|2")}));
    QVERIFY(hasForeignKey(catalog, QStringLiteral("Child"), QStringLiteral("Parent")));
    QVERIFY(child.Compare(catalog, 7));
    QCOMPARE(rows(c, QStringLiteral("Child"), {QStringLiteral("Id"), QStringLiteral("Code")}, QStringLiteral("Id")).size(), 3);

    // The foreign key is still enforced against the rebuilt table.
    QVERIFY(!c.ExecuteSql(QStringLiteral("INSERT INTO %1 VALUES (4, 'zz')").arg(c.QuoteName(QStringLiteral("Child")))));
    QVERIFY(KvoTest::exec(c, QStringLiteral("INSERT INTO %1 VALUES (4, 'b')").arg(c.QuoteName(QStringLiteral("Child")))));
    if (engine() == u"sqlite") {
        QCOMPARE(scalar(c, QStringLiteral("PRAGMA foreign_keys")).toInt(), 1);
        QVERIFY(!scalar(c, QStringLiteral("SELECT count(*) FROM sqlite_master WHERE name LIKE 'kvo_rebuild%'")).toInt());
    }
    QVERIFY(!c.inTransaction());

    // A type change the rows cannot take (text keys into an integer key) fails and leaves the
    // table, its rows and the foreign key to it as they were.
    TableStructure numeric = widened;
    numeric.Fields[0].Type = adInteger;
    numeric.Fields[0].Size = 0;
    QVERIFY(!numeric.Convert(catalog));
    QVERIFY(!numeric.lastError().isEmpty());
    QVERIFY(widened.Compare(catalog, 7));
    QVERIFY(hasForeignKey(catalog, QStringLiteral("Child"), QStringLiteral("Parent")));
    QCOMPARE(rows(c, QStringLiteral("Parent"), {QStringLiteral("Code")}, QStringLiteral("Code")),
             (QStringList{QStringLiteral("a"), QStringLiteral("b")}));
    QVERIFY(!c.ExecuteSql(QStringLiteral("INSERT INTO %1 VALUES (5, 'zz')").arg(c.QuoteName(QStringLiteral("Child")))));
}

void TestTableStructure::convertCreatesMissingTableAndAddsKeys()
{
    auto db = KvoTest::open();
    QVERIFY(db);
    TableStructure s = definitionLayout();
    QVERIFY(!s.Compare(*db->catalog));
    QVERIFY(DDL(s, Convert(*db->catalog)));
    QVERIFY(s.Compare(*db->catalog, 7));

    // A table made without its keys and indexes gets them from Convert.
    TableStructure bare(QStringLiteral("Bare"));
    bare.addField(QStringLiteral("A"), adInteger, 0, false);
    bare.addField(QStringLiteral("B"), adVarWChar, 20, false);
    QVERIFY(DDL(bare, Create(*db->catalog)));
    QVERIFY(KvoTest::exec(*db->connection, QStringLiteral("INSERT INTO %1 VALUES (1, 'x'), (2, 'y')")
                                               .arg(db->connection->QuoteName(QStringLiteral("Bare")))));
    TableStructure keyed = bare;
    keyed.addKey(QStringLiteral("PK_Bare"), KeyKind::Primary, {QStringLiteral("A")});
    keyed.addKey(QStringLiteral("UK_Bare"), KeyKind::Unique, {QStringLiteral("B"), QStringLiteral("A")});
    keyed.addForeignKey(QStringLiteral("FK_Bare"), {QStringLiteral("B")}, QStringLiteral("Bare"), {QStringLiteral("B")});
    keyed.ForeignKeys.clear();
    keyed.addIndex(QStringLiteral("IX_Bare"), {QStringLiteral("B")}, true);
    QVERIFY(keyed.Compare(*db->catalog));
    QVERIFY(!keyed.Compare(*db->catalog, 1));
    QVERIFY(DDL(keyed, Convert(*db->catalog)));
    QVERIFY2(keyed.Compare(*db->catalog, 7), qPrintable(keyed.differences(*db->catalog, 7).join(u'\n')));
    const auto table = db->catalog->FindTable(QStringLiteral("Bare"));
    QVERIFY(table->primaryKey());
    QCOMPARE(table->primaryKey()->Columns, QStringList{QStringLiteral("A")});
    QCOMPARE(rows(*db->connection, QStringLiteral("Bare"), {QStringLiteral("A"), QStringLiteral("B")}, QStringLiteral("A")),
             (QStringList{QStringLiteral("1|x"), QStringLiteral("2|y")}));
}

void TestTableStructure::convertChangesDefaultsInPlaceOnly()
{
    auto db = KvoTest::open();
    QVERIFY(db);
    Connection &c = *db->connection;
    TableStructure s(QStringLiteral("Defaults"));
    s.addField(QStringLiteral("Id"), adInteger, 0, false);
    s.addField(QStringLiteral("Mode"), adInteger, 0, true, QStringLiteral("1"));
    QVERIFY(DDL(s, Create(*db->catalog)));

    TableStructure changed = s;
    changed.Fields[1].DefaultSql = QStringLiteral("5");
    // Comparisons do not look at defaults.
    QVERIFY(changed.Compare(*db->catalog, 7));
    QVERIFY(DDL(changed, Convert(*db->catalog)));
    QVERIFY(KvoTest::exec(c, QStringLiteral("INSERT INTO %1 (%2) VALUES (1)")
                                 .arg(c.QuoteName(QStringLiteral("Defaults")), c.QuoteName(QStringLiteral("Id")))));
    const int stored = scalar(c, QStringLiteral("SELECT %1 FROM %2").arg(c.QuoteName(QStringLiteral("Mode")),
                                                                       c.QuoteName(QStringLiteral("Defaults"))))
                           .toInt();
    QCOMPARE(stored, c.dialect().canAlterDefault() ? 5 : 1);
}

void TestTableStructure::failedConvertLeavesTableAndConnectionUsable()
{
    auto db = KvoTest::open();
    QVERIFY(db);
    Connection &c = *db->connection;
    TableStructure s(QStringLiteral("Texts"));
    s.addField(QStringLiteral("Id"), adInteger, 0, false);
    s.addField(QStringLiteral("Value"), adVarWChar, 20);
    s.addKey(QStringLiteral("PK_Texts"), KeyKind::Primary, {QStringLiteral("Id")});
    QVERIFY(DDL(s, Create(*db->catalog)));
    QVERIFY(KvoTest::exec(c, QStringLiteral("INSERT INTO %1 VALUES (1, 'a'), (2, 'a')").arg(c.QuoteName(QStringLiteral("Texts")))));

    // A unique key the rows break cannot be added.
    TableStructure unique = s;
    unique.addKey(QStringLiteral("UK_Texts"), KeyKind::Unique, {QStringLiteral("Value")});
    QVERIFY(!unique.Convert(*db->catalog));
    QVERIFY(!unique.lastError().isEmpty());
    QVERIFY(!c.inTransaction());
    QVERIFY(s.Compare(*db->catalog, 7));
    QVERIFY(!unique.Compare(*db->catalog, 7));
    QCOMPARE(rows(c, QStringLiteral("Texts"), {QStringLiteral("Id"), QStringLiteral("Value")}, QStringLiteral("Id")),
             (QStringList{QStringLiteral("1|a"), QStringLiteral("2|a")}));
    QVERIFY(KvoTest::exec(c, QStringLiteral("INSERT INTO %1 VALUES (3, 'b')").arg(c.QuoteName(QStringLiteral("Texts")))));
    if (engine() == u"sqlite")
        QVERIFY(!scalar(c, QStringLiteral("SELECT count(*) FROM sqlite_master WHERE name LIKE 'kvo_rebuild%'")).toInt());
}

void TestTableStructure::failedConvertInsideCallersTransaction()
{
    auto db = KvoTest::open();
    QVERIFY(db);
    Connection &c = *db->connection;
    if (!c.dialect().transactionalDdl())
        QSKIP("DDL commits an open transaction on this engine");
    TableStructure s(QStringLiteral("Texts"));
    s.addField(QStringLiteral("Id"), adInteger, 0, false);
    s.addField(QStringLiteral("Value"), adVarWChar, 20);
    QVERIFY(DDL(s, Create(*db->catalog)));
    QVERIFY(KvoTest::exec(c, QStringLiteral("INSERT INTO %1 VALUES (1, 'one'), (2, 'two')").arg(c.QuoteName(QStringLiteral("Texts")))));

    QVERIFY(c.BeginTransaction());
    QVERIFY(KvoTest::exec(c, QStringLiteral("INSERT INTO %1 VALUES (3, 'three')").arg(c.QuoteName(QStringLiteral("Texts")))));
    // Texts that are no numbers: the type change fails (on SQLite the added field is what fails:
    // NOT NULL without a default on a table with rows).
    TableStructure numbers(QStringLiteral("Texts"));
    numbers.addField(QStringLiteral("Id"), adInteger, 0, false);
    numbers.addField(QStringLiteral("Value"), adInteger);
    numbers.addField(QStringLiteral("Required"), adInteger, 0, false);
    QVERIFY(!numbers.Convert(*db->catalog));
    QVERIFY(c.inTransaction());
    // The caller's transaction is still alive: its statements run and its insert commits.
    QVERIFY(KvoTest::exec(c, QStringLiteral("INSERT INTO %1 VALUES (4, 'four')").arg(c.QuoteName(QStringLiteral("Texts")))));
    QVERIFY(c.CommitTransaction());
    QCOMPARE(rows(c, QStringLiteral("Texts"), {QStringLiteral("Value")}, QStringLiteral("Id")),
             (QStringList{QStringLiteral("one"), QStringLiteral("two"), QStringLiteral("three"), QStringLiteral("four")}));
    QVERIFY(s.Compare(*db->catalog, 7));
    QVERIFY(!db->catalog->FindTable(QStringLiteral("Texts"))->FindColumn(QStringLiteral("Required")));
}

void TestTableStructure::rebuildInsideTransactionWithForeignKeysIsRefused()
{
    if (engine() != u"sqlite")
        QSKIP("only SQLite rebuilds tables");
    auto db = KvoTest::open();
    QVERIFY(db);
    Connection &c = *db->connection;
    TableStructure s(QStringLiteral("T"));
    s.addField(QStringLiteral("Id"), adInteger, 0, false);
    s.addField(QStringLiteral("V"), adSmallInt);
    QVERIFY(DDL(s, Create(*db->catalog)));
    QVERIFY(KvoTest::exec(c, QStringLiteral("INSERT INTO \"T\" VALUES (1, 2)")));
    TableStructure wider = s;
    wider.Fields[1].Type = adDouble;

    QVERIFY(c.BeginTransaction());
    QVERIFY(!wider.Convert(*db->catalog));
    QVERIFY(wider.lastError().contains(QLatin1String("transaction")));
    QVERIFY(c.RollbackTransaction());
    QCOMPARE(fieldType(*db->catalog, QStringLiteral("T"), QStringLiteral("V")), int(adSmallInt));

    // Without foreign keys enforced the rebuild runs under a savepoint of the open transaction.
    QVERIFY(KvoTest::exec(c, QStringLiteral("PRAGMA foreign_keys = OFF")));
    QVERIFY(c.BeginTransaction());
    QVERIFY(DDL(wider, Convert(*db->catalog)));
    QVERIFY(c.CommitTransaction());
    QCOMPARE(fieldType(*db->catalog, QStringLiteral("T"), QStringLiteral("V")), int(adDouble));
    QCOMPARE(rows(c, QStringLiteral("T"), {QStringLiteral("Id"), QStringLiteral("V")}, QStringLiteral("Id")),
             QStringList{QStringLiteral("1|2")});
}

void TestTableStructure::addFieldKeepsRowsWithoutRebuild()
{
    auto db = KvoTest::open();
    QVERIFY(db);
    Connection &c = *db->connection;
    TableStructure s(QStringLiteral("Data"));
    s.addField(QStringLiteral("Id"), adInteger, 0, false);
    s.addField(QStringLiteral("Text"), adVarWChar, 20);
    s.addKey(QStringLiteral("PK_Data"), KeyKind::Primary, {QStringLiteral("Id")});
    QVERIFY(DDL(s, Create(*db->catalog)));
    QVERIFY(c.BeginTransaction());
    for (int i = 1; i <= 500; ++i)
        QVERIFY(KvoTest::exec(c, QStringLiteral("INSERT INTO %1 VALUES (%2, 't%2')").arg(c.QuoteName(QStringLiteral("Data"))).arg(i)));
    QVERIFY(c.CommitTransaction());

    // Where the engine shows it, the table's storage stays the same: no rebuild, no rewrite.
    const QString storageSql = engine() == u"sqlite"
                                   ? QStringLiteral("SELECT rootpage FROM sqlite_master WHERE name = 'Data'")
                               : engine() == u"postgresql"
                                   ? QStringLiteral("SELECT relfilenode FROM pg_class WHERE oid = to_regclass('\"Data\"')")
                                   : QString();
    const QVariant storageBefore = storageSql.isEmpty() ? QVariant() : scalar(c, storageSql);

    s.addField(QStringLiteral("Flag"), adBoolean, 0, true, QStringLiteral("1"));
    s.addField(QStringLiteral("Count"), adInteger);
    s.addField(QStringLiteral("Required"), adVarWChar, 5, false, QStringLiteral("'r'"));
    s.addIndex(QStringLiteral("IX_Data_Count"), {QStringLiteral("Count")});
    for (const QString &field : {QStringLiteral("Flag"), QStringLiteral("Count"), QStringLiteral("Required")})
        QVERIFY(DDL(s, AddField(*db->catalog, field)));
    // Adding a field that exists changes nothing; one that is not described is refused.
    QVERIFY(DDL(s, AddField(*db->catalog, QStringLiteral("flag"))));
    QVERIFY(!s.AddField(*db->catalog, QStringLiteral("Unknown")));
    // AddField adds the field only, not the index.
    QVERIFY(!db->catalog->FindTable(QStringLiteral("Data"))->findIndex(QStringLiteral("IX_Data_Count")));
    QVERIFY(s.Compare(*db->catalog, 6));
    QVERIFY(!s.Compare(*db->catalog, 7));

    if (!storageSql.isEmpty())
        QCOMPARE(scalar(c, storageSql), storageBefore);
    QCOMPARE(scalar(c, QStringLiteral("SELECT COUNT(*) FROM %1").arg(c.QuoteName(QStringLiteral("Data")))).toInt(), 500);
    const QStringList all = rows(c, QStringLiteral("Data"),
                                 {QStringLiteral("Id"), QStringLiteral("Text"), QStringLiteral("Flag"),
                                  QStringLiteral("Count"), QStringLiteral("Required")},
                                 QStringLiteral("Id"));
    QCOMPARE(all.size(), 500);
    QCOMPARE(all.first(), QStringLiteral("1|t1|1|~|r"));
    QCOMPARE(all.last(), QStringLiteral("500|t500|1|~|r"));
}

void TestTableStructure::dropField_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QStringList>("remainingIndexes");
    QTest::addColumn<int>("remainingForeignKeys");
    QTest::addColumn<bool>("primaryKeyLeft");

    QTest::newRow("plain") << "Plain" << QStringList{QStringLiteral("IX_Multi"), QStringLiteral("IX_Ref")} << 1 << true;
    QTest::newRow("indexed") << "Indexed" << QStringList{QStringLiteral("IX_Ref")} << 1 << true;
    QTest::newRow("foreign key") << "Ref" << QStringList{QStringLiteral("IX_Multi")} << 0 << true;
    QTest::newRow("unique key") << "Unique" << QStringList{QStringLiteral("IX_Multi"), QStringLiteral("IX_Ref")} << 1 << true;
    QTest::newRow("primary key") << "Id" << QStringList{QStringLiteral("IX_Ref")} << 1 << false;
}

void TestTableStructure::dropField()
{
    QFETCH(QString, field);
    QFETCH(QStringList, remainingIndexes);
    QFETCH(int, remainingForeignKeys);
    QFETCH(bool, primaryKeyLeft);

    auto db = KvoTest::open();
    QVERIFY(db);
    Connection &c = *db->connection;
    Catalog &catalog = *db->catalog;
    TableStructure target(QStringLiteral("Target"));
    target.addField(QStringLiteral("Key"), adInteger, 0, false);
    target.addKey(QStringLiteral("PK_Target"), KeyKind::Primary, {QStringLiteral("Key")});
    QVERIFY(DDL(target, Create(catalog)));
    QVERIFY(KvoTest::exec(c, QStringLiteral("INSERT INTO %1 VALUES (1), (2)").arg(c.QuoteName(QStringLiteral("Target")))));

    TableStructure s(QStringLiteral("Host"));
    s.addField(QStringLiteral("Id"), adInteger, 0, false);
    s.addField(QStringLiteral("Plain"), adVarWChar, 10);
    s.addField(QStringLiteral("Indexed"), adInteger);
    s.addField(QStringLiteral("Ref"), adInteger);
    s.addField(QStringLiteral("Unique"), adVarWChar, 10);
    s.addKey(QStringLiteral("PK_Host"), KeyKind::Primary, {QStringLiteral("Id")});
    s.addKey(QStringLiteral("UK_Host"), KeyKind::Unique, {QStringLiteral("Unique")});
    s.addIndex(QStringLiteral("IX_Multi"), {QStringLiteral("Indexed"), QStringLiteral("Id")});
    s.addIndex(QStringLiteral("IX_Ref"), {QStringLiteral("Ref")});
    s.addForeignKey(QStringLiteral("FK_Host_Target"), {QStringLiteral("Ref")}, QStringLiteral("Target"),
                    {QStringLiteral("Key")});
    QVERIFY(DDL(s, Create(catalog)));
    QVERIFY(KvoTest::exec(c, QStringLiteral("INSERT INTO %1 VALUES (1, 'p1', 10, 1, 'u1'), (2, 'p2', 20, 2, 'u2')")
                                 .arg(c.QuoteName(QStringLiteral("Host")))));

    QVERIFY(DDL(s, DropField(catalog, field.toLower())));
    const auto table = catalog.FindTable(QStringLiteral("Host"));
    QVERIFY(table);
    QVERIFY(!table->FindColumn(field));
    QCOMPARE(table->Columns.size(), 4);
    QStringList indexes;
    for (const CatalogIndex &index : table->Indexes) {
        if (!index.BehindKey)
            indexes.append(index.Name);
    }
    indexes.sort();
    // MariaDB keeps an index of its own behind each foreign key, named as the key.
    indexes.removeAll(QStringLiteral("FK_Host_Target"));
    QCOMPARE(indexes, remainingIndexes);
    QCOMPARE(table->keysOfType(adKeyForeign).size(), remainingForeignKeys);
    QCOMPARE(table->primaryKey() != nullptr, primaryKeyLeft);
    QCOMPARE(table->keysOfType(adKeyUnique).size(), field == u"Unique" ? 0 : 1);

    QStringList kept;
    for (const FieldDescription &f : s.Fields) {
        if (f.Name != field)
            kept.append(f.Name);
    }
    const QStringList data = rows(c, QStringLiteral("Host"), kept, kept.contains(QStringLiteral("Id")) ? QStringLiteral("Id") : kept.first());
    QCOMPARE(data.size(), 2);
    QVERIFY2(data.first().contains(QLatin1String("1")), qPrintable(data.first()));

    // Dropping a field that is not there changes nothing.
    QVERIFY(DDL(s, DropField(catalog, field)));
    QVERIFY(!c.inTransaction());
}

void TestTableStructure::dropFieldReferencedByOtherTable()
{
    auto db = KvoTest::open();
    QVERIFY(db);
    Connection &c = *db->connection;
    Catalog &catalog = *db->catalog;
    TableStructure list(QStringLiteral("List"));
    list.addField(QStringLiteral("Id"), adInteger, 0, false);
    list.addField(QStringLiteral("Entry"), adVarWChar, 20, false);
    list.addKey(QStringLiteral("PK_List"), KeyKind::Primary, {QStringLiteral("Id")});
    list.addKey(QStringLiteral("UK_List"), KeyKind::Unique, {QStringLiteral("Entry")});
    QVERIFY(DDL(list, Create(catalog)));
    TableStructure user(QStringLiteral("User"));
    user.addField(QStringLiteral("Id"), adInteger, 0, false);
    user.addField(QStringLiteral("Entry"), adVarWChar, 20);
    user.addForeignKey(QStringLiteral("FK_User_List"), {QStringLiteral("Entry")}, QStringLiteral("List"),
                       {QStringLiteral("Entry")});
    QVERIFY(DDL(user, Create(catalog)));
    QVERIFY(KvoTest::exec(c, QStringLiteral("INSERT INTO %1 VALUES (1, 'e1')").arg(c.QuoteName(QStringLiteral("List")))));
    QVERIFY(KvoTest::exec(c, QStringLiteral("INSERT INTO %1 VALUES (7, 'e1')").arg(c.QuoteName(QStringLiteral("User")))));

    QVERIFY(DDL(list, DropField(catalog, QStringLiteral("Entry"))));
    QVERIFY(!catalog.FindTable(QStringLiteral("List"))->FindColumn(QStringLiteral("Entry")));
    QVERIFY(!hasForeignKey(catalog, QStringLiteral("User"), QStringLiteral("List")));
    QCOMPARE(rows(c, QStringLiteral("User"), {QStringLiteral("Id"), QStringLiteral("Entry")}, QStringLiteral("Id")),
             QStringList{QStringLiteral("7|e1")});
    QVERIFY(KvoTest::exec(c, QStringLiteral("INSERT INTO %1 VALUES (8, 'free')").arg(c.QuoteName(QStringLiteral("User")))));
}

void TestTableStructure::repairKeysIndexesAndForeignKeys()
{
    auto db = KvoTest::open();
    QVERIFY(db);
    Catalog &catalog = *db->catalog;
    TableStructure parent(QStringLiteral("Parent"));
    parent.addField(QStringLiteral("Id"), adInteger, 0, false);
    parent.addKey(QStringLiteral("PK_Parent"), KeyKind::Primary, {QStringLiteral("Id")});
    QVERIFY(DDL(parent, Create(catalog)));

    TableStructure full(QStringLiteral("Child"));
    full.addField(QStringLiteral("Id"), adInteger, 0, false);
    full.addField(QStringLiteral("ParentId"), adInteger);
    full.addField(QStringLiteral("Name"), adVarWChar, 20);
    TableStructure bare = full;
    QVERIFY(DDL(bare, Create(catalog)));
    full.addKey(QStringLiteral("PK_Child"), KeyKind::Primary, {QStringLiteral("Id")});
    full.addKey(QStringLiteral("UK_Child"), KeyKind::Unique, {QStringLiteral("Name")});
    full.addIndex(QStringLiteral("IX_Child_Parent"), {QStringLiteral("ParentId"), QStringLiteral("Name")});
    full.addIndex(QStringLiteral("IX_Child_Name"), {QStringLiteral("Name")});
    full.addForeignKey(QStringLiteral("FK_Child_Parent"), {QStringLiteral("ParentId")}, QStringLiteral("Parent"),
                       {QStringLiteral("Id")});
    QCOMPARE(full.differences(catalog, 1).size(), 5);

    QVERIFY(DDL(full, RepairIndexes(catalog)));
    QCOMPARE(full.differences(catalog, 1).size(), 3);
    QVERIFY(catalog.FindTable(QStringLiteral("Child"))->findIndex(QStringLiteral("IX_Child_Parent")));
    QVERIFY(!catalog.FindTable(QStringLiteral("Child"))->primaryKey());

    QVERIFY(DDL(full, RepairKeys(catalog)));
    QCOMPARE(full.differences(catalog, 1).size(), 1);
    QVERIFY(catalog.FindTable(QStringLiteral("Child"))->primaryKey());
    QVERIFY(!hasForeignKey(catalog, QStringLiteral("Child"), QStringLiteral("Parent")));

    QVERIFY(DDL(full, RepairForeignKeys(catalog)));
    QVERIFY2(full.Compare(catalog, 7), qPrintable(full.differences(catalog, 7).join(u'\n')));
    QVERIFY(catalog.FindTable(QStringLiteral("Child"))->findIndex(QStringLiteral("IX_Child_Parent")));

    // An index of the described name over other fields is replaced.
    TableStructure moved = full;
    moved.Indexes.last().Columns = QStringList{QStringLiteral("Name"), QStringLiteral("Id")};
    QVERIFY(DDL(moved, RepairIndexes(catalog)));
    QCOMPARE(catalog.FindTable(QStringLiteral("Child"))->findIndex(QStringLiteral("IX_Child_Name"))->Columns,
             (QStringList{QStringLiteral("Name"), QStringLiteral("Id")}));

    TableStructure missing(QStringLiteral("Missing"));
    missing.addField(QStringLiteral("A"), adInteger);
    QVERIFY(!missing.RepairKeys(catalog));
    QVERIFY(!missing.lastError().isEmpty());
}

void TestTableStructure::dropTableDropsForeignKeysToIt()
{
    auto db = KvoTest::open();
    QVERIFY(db);
    Connection &c = *db->connection;
    Catalog &catalog = *db->catalog;
    TableStructure pick(QStringLiteral("Picklist"));
    pick.addField(QStringLiteral("Value"), adVarWChar, 20, false);
    pick.addKey(QStringLiteral("PK_Picklist"), KeyKind::Primary, {QStringLiteral("Value")});
    QVERIFY(DDL(pick, Create(catalog)));
    TableStructure data(QStringLiteral("Data"));
    data.addField(QStringLiteral("Id"), adInteger, 0, false);
    data.addField(QStringLiteral("Value"), adVarWChar, 20);
    data.addKey(QStringLiteral("PK_Data"), KeyKind::Primary, {QStringLiteral("Id")});
    data.addForeignKey(QStringLiteral("FK_Data_Picklist"), {QStringLiteral("Value")}, QStringLiteral("Picklist"),
                       {QStringLiteral("Value")});
    QVERIFY(DDL(data, Create(catalog)));
    QVERIFY(KvoTest::exec(c, QStringLiteral("INSERT INTO %1 VALUES ('a')").arg(c.QuoteName(QStringLiteral("Picklist")))));
    QVERIFY(KvoTest::exec(c, QStringLiteral("INSERT INTO %1 VALUES (1, 'a')").arg(c.QuoteName(QStringLiteral("Data")))));

    QVERIFY(DDL(pick, DropTable(catalog)));
    QVERIFY(!catalog.FindTable(QStringLiteral("Picklist")));
    QVERIFY(!hasForeignKey(catalog, QStringLiteral("Data"), QStringLiteral("Picklist")));
    QVERIFY(KvoTest::exec(c, QStringLiteral("INSERT INTO %1 VALUES (2, 'b')").arg(c.QuoteName(QStringLiteral("Data")))));
    QCOMPARE(rows(c, QStringLiteral("Data"), {QStringLiteral("Value")}, QStringLiteral("Id")),
             (QStringList{QStringLiteral("a"), QStringLiteral("b")}));
    // Dropping a table that is gone is no error.
    QVERIFY(DDL(pick, DropTable(catalog)));
}

void TestTableStructure::oddNamesThroughEveryOperation()
{
    auto db = KvoTest::open();
    QVERIFY(db);
    Connection &c = *db->connection;
    Catalog &catalog = *db->catalog;
    const QString table = QStringLiteral("Tab \"le\" 'x' `y`");
    const QString key = QStringLiteral("Key \"K\"");
    const QString text = QStringLiteral("Text 'T' `t`");
    TableStructure s(table);
    s.addField(key, adInteger, 0, false);
    s.addField(text, adVarWChar, 5, true, QStringLiteral("'it''s'"));
    s.addKey(QStringLiteral("PK \"odd\""), KeyKind::Primary, {key});
    s.addIndex(QStringLiteral("IX 'odd'"), {text});
    QVERIFY(DDL(s, Create(catalog)));
    QVERIFY(KvoTest::exec(c, QStringLiteral("INSERT INTO %1 (%2) VALUES (1)").arg(c.QuoteName(table), c.QuoteName(key))));

    s.Fields[1].Size = 50;
    s.addField(QStringLiteral("New \"field\""), adInteger, 0, true, QStringLiteral("3"));
    s.addKey(QStringLiteral("UK `odd`"), KeyKind::Unique, {text});
    QVERIFY(DDL(s, Convert(catalog)));
    QVERIFY2(s.Compare(catalog, 7), qPrintable(s.differences(catalog, 7).join(u'\n')));
    QCOMPARE(rows(c, table, {key, text, QStringLiteral("New \"field\"")}, key), QStringList{QStringLiteral("1|it's|3")});

    QVERIFY(DDL(s, DropField(catalog, text)));
    QVERIFY(!catalog.FindTable(table)->FindColumn(text));
    QCOMPARE(rows(c, table, {key, QStringLiteral("New \"field\"")}, key), QStringList{QStringLiteral("1|3")});
    QVERIFY(DDL(s, DropTable(catalog)));
    QVERIFY(!catalog.FindTable(table));
}

QTEST_GUILESS_MAIN(TestTableStructure)
#include "tst_tablestructure.moc"
