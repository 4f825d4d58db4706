// Picklist tables: what a save makes of them, their entries, their foreign key and their checks.
#include "testhost.h"

#include "columns/cfiltercolumns.h"
#include "core/conversions.h"
#include "picklists/cscpicklist.h"

#include "hostkit/adotypes.h"
#include "hostkit/connection.h"
#include "hostkit/databasehandler.h"
#include "hostkit/databasehelper.h"
#include "hostkit/recordset.h"

#include <QTest>

using namespace KvoPlx800SCtl;
using namespace KvoPlx800SCtl::HostKit;
using namespace Qt::StringLiterals;
using KvoTest::referredTable;
using KvoTest::tableExists;

namespace {

const QString Null = u"<null>"_s;

CFilterColumn *addColumn(CFilterColumns &set, const QString &name, FilterColumnTypeConstants type,
                         bool picklist = false, bool blanks = false, const QString &picklistDefault = {})
{
    const qint16 length = type == fcText || type == fcKeyword ? 20 : 0;
    return KvoTest::addColumn(set, {name, type, {}, length, picklist, blanks, picklistDefault});
}

// The values a query gives (names in brackets), read as a column of `type` reads them.
QStringList values(Connection &db, const QString &sql, FilterColumnTypeConstants type)
{
    QStringList out;
    auto rs = db.OpenQuery(KvoTest::sql(db, sql));
    for (; rs && !rs->EOF(); rs->MoveNext()) {
        const Variant v = Convert::fromDatabase(rs->value(0), type == fcKeyword || type == fcNote ? fcText : type);
        out.append(v.hasValue() || v.type() == Variant::Type::Text ? v.toText() : Null);
    }
    return out;
}

// A field of the search-data table, in key order.
QStringList stored(KvoTest::Host &host, const QString &field, FilterColumnTypeConstants type = fcText)
{
    return values(host.connection(), u"SELECT [%1] FROM [PartsSearchData] ORDER BY [PartId]"_s.arg(field), type);
}

// The entries of a picklist, sorted.
QStringList entries(Connection &db, CFilterColumn *column)
{
    QStringList out = values(db, u"SELECT [%1] FROM [%2]"_s.arg(column->Name(), column->PickList()->TableName()),
                             column->ColumnType());
    out.sort();
    return out;
}

// Stored values for records 1..n of the search-data table (Null for NULL).
bool storeValues(KvoTest::Host &host, CFilterColumn *column, const QStringList &values)
{
    for (int i = 0; i < values.size(); ++i) {
        const auto literal = values.at(i) == Null ? std::optional(u"NULL"_s)
                                                  : column->SQLFormatPicklistValue(values.at(i), QLocale::c());
        if (!literal
            || !KvoTest::run(host.connection(),
                             u"INSERT INTO [PartsSearchData] ([PartId], [%1]) VALUES (%2, %3)"_s.arg(column->Name())
                                     .arg(i + 1)
                                     .arg(*literal)))
            return false;
    }
    return true;
}

} // namespace

class TestPicklists : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase_data() { KvoTest::addEngineRows(); }
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    // A column becomes a picklist column through a save: stored values are cleaned by its default,
    // the table holds the default, the empty entry where blanks are allowed and every stored value.
    void becomingPicklistCleansStoredValues_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<bool>("allowBlanks");
        QTest::addColumn<QString>("picklistDefault");
        QTest::addColumn<QStringList>("stored");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QStringList>("expectedEntries");
        const QString date = u"2023-12-24 18:30:00"_s;
        const auto row = [](const char *tag, int type, bool blanks, const QString &picklistDefault,
                            const QStringList &stored, const QStringList &expected, const QStringList &entries) {
            QTest::newRow(tag) << type << blanks << picklistDefault << stored << expected << entries;
        };
        row("text, no blanks: Null and empty take the default, no empty entry", fcText, false, u"Brass"_s,
            {Null, "", "Steel"}, {"Brass", "Brass", "Steel"}, {"Brass", "Steel"});
        row("text, blanks: only Null takes the default, empty entry", fcText, true, u"Brass"_s, {Null, "", "Steel"},
            {"Brass", "", "Steel"}, {"", "Brass", "Steel"});
        row("text, blanks, default of spaces: no default entry", fcText, true, u"   "_s, {Null, "Steel"}, {"", "Steel"},
            {"", "Steel"});
        row("text, no blanks, blank default: the empty entry is the default", fcText, false, {}, {Null, "Steel"},
            {"", "Steel"}, {"", "Steel"});
        row("note, no blanks", fcNote, false, u"n/a"_s, {"", Null}, {"n/a", "n/a"}, {"n/a"});
        row("integer: only Null takes the default", fcInteger32, false, u"7"_s, {Null, "3"}, {"7", "3"}, {"3", "7"});
        row("integer, blank default: no default, Null stays", fcInteger32, false, {}, {Null, "3"}, {Null, "3"}, {"3"});
        row("integer, default that is no number: no default", fcInteger16, true, u"lots"_s, {Null, "4"}, {Null, "4"},
            {"4"});
        row("double", fcDouble, false, u"2.5"_s, {Null, "1.25"}, {"2.5", "1.25"}, {"1.25", "2.5"});
        row("single", fcSingle, false, u"1.1"_s, {Null, "2.2"}, {"1.1", "2.2"}, {"1.1", "2.2"});
        row("date", fcDateTime, false, u"2024-03-01"_s, {Null, date}, {"2024-03-01 00:00:00", date},
            {date, "2024-03-01 00:00:00"});
    }

    void becomingPicklistCleansStoredValues()
    {
        QFETCH(int, type);
        QFETCH(QStringList, stored);
        KVO_MAKE_HOST(4);
        CFilterColumns &set = *host->columns();
        CFilterColumn *column = addColumn(set, u"Grade"_s, FilterColumnTypeConstants(type));
        QVERIFY(set.ColumnsSave(nullptr));
        QVERIFY(storeValues(*host, column, stored));

        column->setIsPicklist(true);
        QFETCH(bool, allowBlanks);
        QFETCH(QString, picklistDefault);
        column->setPicklistAllowBlanks(allowBlanks);
        column->setPicklistDefault(picklistDefault);
        QVERIFY(set.ColumnsSave(nullptr));

        QTEST(::stored(*host, u"Grade"_s, FilterColumnTypeConstants(type)), "expected");
        QTEST(entries(host->connection(), column), "expectedEntries");
        QCOMPARE(referredTable(host->catalog(), u"PartsSearchData"_s, u"Grade"_s), u"picklistpartsgrade"_s);
        // A second save changes nothing.
        QVERIFY(set.ColumnsSave(nullptr));
        QTEST(entries(host->connection(), column), "expectedEntries");
    }

    // The empty entry is added when blanks become allowed and removed only when no record uses it; a
    // number column has no empty entry whatever its setting. A new default gets its entry before the
    // stored values take it.
    void emptyEntryFollowsBlanksAndDefaults()
    {
        KVO_MAKE_HOST(2);
        CFilterColumns &set = *host->columns();
        CFilterColumn *text = addColumn(set, u"Finish"_s, fcText, true, true, u"Raw"_s);
        CFilterColumn *number = addColumn(set, u"Level"_s, fcInteger32, true, true, u"1"_s);
        CFilterColumn *zone = addColumn(set, u"Zone"_s, fcText, true, true, u"North"_s);
        QVERIFY(set.ColumnsSave(nullptr));
        Connection &db = host->connection();
        QCOMPARE(entries(db, text), (QStringList{"", "Raw"}));
        QVERIFY(storeValues(*host, text, {"", "Raw"}));

        // In use: the entry stays although blanks are no longer allowed.
        text->setPicklistAllowBlanks(false);
        QVERIFY(text->PickList()->CheckAllowBlanks());
        QCOMPARE(entries(db, text), (QStringList{"", "Raw"}));
        // No longer in use: it goes.
        QVERIFY(KvoTest::run(db, u"UPDATE [PartsSearchData] SET [Finish] = 'Raw'"_s));
        QVERIFY(text->PickList()->CheckAllowBlanks());
        QCOMPARE(entries(db, text), QStringList{"Raw"});
        // Allowed again: inserted once, however often the check runs.
        text->setPicklistAllowBlanks(true);
        QVERIFY(text->PickList()->CheckAllowBlanks());
        QVERIFY(text->PickList()->CheckAllowBlanks());
        QCOMPARE(entries(db, text), (QStringList{"", "Raw"}));

        QVERIFY(number->PickList()->CheckAllowBlanks());
        QCOMPARE(entries(db, number), QStringList{"1"});

        QVERIFY(KvoTest::run(db, u"UPDATE [PartsSearchData] SET [Zone] = NULL WHERE [PartId] = 1"_s));
        QVERIFY(KvoTest::run(db, u"UPDATE [PartsSearchData] SET [Zone] = '' WHERE [PartId] = 2"_s));
        zone->setPicklistAllowBlanks(false);
        zone->setPicklistDefault(u"South"_s);
        QVERIFY(set.ColumnsSave(nullptr));
        QCOMPARE(stored(*host, u"Zone"_s), (QStringList{"South", "South"}));
        QCOMPARE(entries(db, zone), (QStringList{"North", "South"}));
    }

    void saveAdditionsInsertsOnlyNewEntries()
    {
        KVO_MAKE_HOST(2);
        CFilterColumns &set = *host->columns();
        CFilterColumn *text = addColumn(set, u"Vendor"_s, fcText, true, false, u"Acme"_s);
        CFilterColumn *number = addColumn(set, u"Ratio"_s, fcDouble, true, true);
        QVERIFY(set.ColumnsSave(nullptr));
        Connection &db = host->connection();

        const QStringList hostile{"O'Brien",   "back\\slash\\", "50%_off",
                                  "a -- b",    "line\nbreak",   "x'); DROP TABLE Parts; --",
                                  "\"quoted\""};
        QVERIFY(text->PickList()->SaveAdditions(QStringList{"Acme", "Zeta"} + hostile + QStringList{"Zeta"}));
        QStringList expected = QStringList{"Acme", "Zeta"} + hostile;
        expected.sort();
        QCOMPARE(entries(db, text), expected);
        // Again, with one new entry: only that one is added.
        QVERIFY(text->PickList()->SaveAdditions(hostile + QStringList{"Nova"}));
        expected.append(u"Nova"_s);
        expected.sort();
        QCOMPARE(entries(db, text), expected);
        // Added entries are shown (HideEntry false).
        QCOMPARE(values(db, u"SELECT [HideEntry] FROM [PicklistPartsVendor] WHERE [Vendor] = 'Nova'"_s, fcBoolean),
                 QStringList{"False"});

        // Numbers are typed in the user's locale; a text that is no number is reported, the others
        // are added.
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        QVERIFY(!number->PickList()->SaveAdditions({"1,5", "abc", "1,50", "2"}));
        QCOMPARE(entries(db, number), (QStringList{"1.5", "2"}));

        // Single precision: a value already stored is found again, although the engine may compare
        // it with a decimal literal as a double.
        CFilterColumn *single = addColumn(set, u"Factor"_s, fcSingle, true, true);
        QVERIFY(set.ColumnsSave(nullptr));
        QVERIFY(single->PickList()->SaveAdditions({"0,1", "1,1"}));
        QVERIFY(single->PickList()->SaveAdditions({"1,1", "3,3"}));
        QCOMPARE(entries(db, single), (QStringList{"0.1", "1.1", "3.3"}));
    }

    void foreignKeyRejectsOtherValues_data()
    {
        QTest::addColumn<int>("type");
        QTest::newRow("text") << int(fcText);
        QTest::newRow("keyword") << int(fcKeyword);
        QTest::newRow("integer") << int(fcInteger32);
    }

    void foreignKeyRejectsOtherValues()
    {
        QFETCH(int, type);
        const auto columnType = FilterColumnTypeConstants(type);
        KVO_MAKE_HOST(2);
        CFilterColumns &set = *host->columns();
        const QString good = columnType == fcInteger32 ? u"10"_s : u"A1"_s;
        const QString bad = columnType == fcInteger32 ? u"99"_s : u"Nope"_s;
        CFilterColumn *column = addColumn(set, u"Code"_s, columnType, true, false, good);
        QVERIFY(set.ColumnsSave(nullptr));
        const QString table = set.SearchTableName(column);

        Connection &db = host->connection();
        const auto insert = [&](int id, const QString &value) {
            return db.ExecuteSql(
                    KvoTest::sql(db, u"INSERT INTO [%1] ([PartId], [Code]) VALUES (%2, %3)"_s.arg(table).arg(id).arg(
                                             *column->SQLFormatPicklistValue(value))));
        };
        QVERIFY2(insert(1, good), qPrintable(db.lastError()));
        QVERIFY(!insert(2, bad));
        if (columnType != fcKeyword)
            QVERIFY(!db.ExecuteSql(KvoTest::sql(
                    db, u"UPDATE [%1] SET [Code] = %2"_s.arg(table, *column->SQLFormatPicklistValue(bad)))));
        QCOMPARE(values(db, u"SELECT [Code] FROM [%1] ORDER BY [PartId]"_s.arg(table), columnType), QStringList{good});
        // Once the entry exists, the value is accepted.
        QVERIFY(column->PickList()->SaveAdditions({bad}));
        QVERIFY2(insert(2, bad), qPrintable(db.lastError()));
    }

    void switchingOffAndOn()
    {
        KVO_MAKE_HOST(3);
        CFilterColumns &set = *host->columns();
        CFilterColumn *column = addColumn(set, u"Shift"_s, fcText, true, false, u"Day"_s);
        addColumn(set, u"Other"_s, fcText, true, true);
        QVERIFY(set.ColumnsSave(nullptr));
        const QString picklist = column->PickList()->TableName();
        QVERIFY(storeValues(*host, column, {"Day", Null}));
        Catalog &catalog = host->catalog();

        column->setIsPicklist(false);
        QVERIFY(set.ColumnsSave(nullptr));
        QVERIFY(!tableExists(catalog, picklist));
        QVERIFY(referredTable(catalog, u"PartsSearchData"_s, u"Shift"_s).isEmpty());
        // The other column keeps its picklist and key.
        QCOMPARE(referredTable(catalog, u"PartsSearchData"_s, u"Other"_s), u"picklistpartsother"_s);
        // Any value goes now; the values are kept.
        QVERIFY(KvoTest::run(host->connection(),
                             u"INSERT INTO [PartsSearchData] ([PartId], [Shift]) VALUES (3, 'Night')"_s));

        column->setIsPicklist(true);
        QVERIFY(set.ColumnsSave(nullptr));
        QVERIFY(tableExists(catalog, picklist));
        QCOMPARE(referredTable(catalog, u"PartsSearchData"_s, u"Shift"_s), picklist.toLower());
        QCOMPARE(entries(host->connection(), column), (QStringList{"Day", "Night"}));
        QCOMPARE(stored(*host, u"Shift"_s), (QStringList{"Day", "Day", "Night"}));
    }

    void deletedOrRetypedColumnLosesPicklist_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("newType"); // 0: the column is deleted
        QTest::newRow("text deleted") << int(fcText) << 0;
        QTest::newRow("keyword deleted") << int(fcKeyword) << 0;
        QTest::newRow("text retyped to integer") << int(fcText) << int(fcInteger32);
        QTest::newRow("keyword retyped to text") << int(fcKeyword) << int(fcText);
    }

    void deletedOrRetypedColumnLosesPicklist()
    {
        QFETCH(int, type);
        QFETCH(int, newType);
        KVO_MAKE_HOST(2);
        CFilterColumns &set = *host->columns();
        addColumn(set, u"Keep"_s, fcText);
        CFilterColumn *column = addColumn(set, u"Lot"_s, FilterColumnTypeConstants(type), true, false, u"L1"_s);
        QVERIFY(set.ColumnsSave(nullptr));
        const QString picklist = column->PickList()->TableName();
        Catalog &catalog = host->catalog();
        QVERIFY(!referredTable(catalog, set.SearchTableName(column), u"Lot"_s).isEmpty());

        if (newType == 0) {
            QVERIFY(set.Remove(u"Lot"_s));
        } else {
            column->setColumnType(FilterColumnTypeConstants(newType));
            column->setPicklistDefault(u"5"_s);
        }
        QVERIFY(set.ColumnsSave(nullptr));

        catalog.Refresh();
        // No foreign key of any table refers to a table that is gone.
        for (const QString &name : catalog.tableNames()) {
            for (const CatalogKey &key : DatabaseHelper::FindTable(catalog, name)->Keys) {
                if (key.Type == adKeyForeign)
                    QVERIFY2(DatabaseHelper::FindTable(catalog, key.RelatedTable),
                             qPrintable(name + " -> " + key.RelatedTable));
            }
        }
        if (newType == 0) {
            QVERIFY(!tableExists(catalog, picklist));
            QVERIFY(referredTable(catalog, u"PartsSearchData"_s, u"Lot"_s).isEmpty());
            return;
        }
        // A new picklist of the new type, referred to by the new field.
        CFilterColumn *retyped = set.Item("Lot");
        QVERIFY(retyped);
        const auto table = DatabaseHelper::FindTable(catalog, picklist);
        QVERIFY(table && table->FindColumn(u"Lot"_s));
        QCOMPARE(adoFamily(table->FindColumn(u"Lot"_s)->Type),
                 newType == fcText ? AdoFamily::Text : AdoFamily::Integer);
        QCOMPARE(entries(host->connection(), retyped), QStringList{"5"});
        QCOMPARE(referredTable(catalog, set.SearchTableName(retyped), u"Lot"_s), picklist.toLower());
    }

    // The table check's view: an earlier layout without HideEntry and a missing foreign key are
    // repaired with convert mode 1, or after the handler agreed; its refusal is the result.
    void checkTableAndForeignKeys()
    {
        KVO_MAKE_HOST(2);
        CFilterColumns &set = *host->columns();
        CScPicklist *pickList = addColumn(set, u"Crew"_s, fcText, true, false, u"A"_s)->PickList();
        QVERIFY(set.ColumnsSave(nullptr));
        Catalog &catalog = host->catalog();
        DatabaseHandler &handler = *host->handler;
        QCOMPARE(pickList->CheckTable(nullptr, ConvertMode::CheckOnly), CheckTableResult::Continue);
        QVERIFY(handler.convertRequests().isEmpty());
        const auto answer = [&handler](int result) {
            handler.setConvertAnswer([result](const QString &, const QString &, int) { return result; });
        };
        const auto hasHideField = [&] {
            catalog.Refresh();
            return DatabaseHelper::FindTable(catalog, pickList->TableName())->FindColumn(u"HideEntry"_s) != nullptr;
        };

        // An earlier layout: the value field alone.
        const QString table = pickList->TableName();
        QVERIFY(pickList->DestroyPicklist());
        TableStructure old(table);
        old.addField(u"Crew"_s, adVarWChar, 255, false);
        old.addKey(u"PK_"_s + table, KeyKind::Primary, {u"Crew"_s});
        QVERIFY2(old.Create(catalog), qPrintable(old.lastError()));
        QVERIFY(KvoTest::run(host->connection(), u"INSERT INTO [%1] ([Crew]) VALUES ('A')"_s.arg(table)));

        answer(CheckTableResult::NotAllowed);
        QCOMPARE(pickList->CheckTable(nullptr, ConvertMode::CheckOnly), CheckTableResult::NotAllowed);
        QCOMPARE(handler.convertRequests().last(), table);
        QVERIFY(!hasHideField());
        answer(CheckTableResult::Continue);
        QCOMPARE(pickList->CheckTable(nullptr, ConvertMode::CheckOnly), CheckTableResult::Continue);
        QVERIFY(hasHideField());
        QCOMPARE(referredTable(catalog, u"PartsSearchData"_s, u"Crew"_s), table.toLower());

        // The foreign key alone goes missing.
        QVERIFY(TableStructure(table).DropReferencingForeignKeys(catalog));
        answer(CheckTableResult::Cancelled);
        QCOMPARE(pickList->CheckForeignKeys(ConvertMode::CheckOnly), CheckTableResult::Cancelled);
        QCOMPARE(handler.convertRequests().last(), u"PartsSearchData"_s);
        QVERIFY(referredTable(catalog, u"PartsSearchData"_s, u"Crew"_s).isEmpty());
        const qsizetype asked = handler.convertRequests().size();
        QCOMPARE(pickList->CheckForeignKeys(ConvertMode::Convert), CheckTableResult::Continue);
        QCOMPARE(handler.convertRequests().size(), asked);
        QCOMPARE(referredTable(catalog, u"PartsSearchData"_s, u"Crew"_s), table.toLower());
    }

    void entriesChangedElsewhereAppear_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<int>("record");
        QTest::addColumn<QStringList>("offered");
        QTest::newRow("added") << u"INSERT INTO [PicklistPartsVendor] ([Vendor], [HideEntry]) VALUES ('Nova', 0)"_s << 2
                               << QStringList{"Acme", "Beta", "Nova", "Zeta"};
        QTest::newRow("removed") << u"DELETE FROM [PicklistPartsVendor] WHERE [Vendor] = 'Beta'"_s << 2
                                 << QStringList{"Acme", "Zeta"};
        QTest::newRow("hidden") << u"UPDATE [PicklistPartsVendor] SET [HideEntry] = 1 WHERE [Vendor] = 'Beta'"_s << 2
                                << QStringList{"Acme", "Zeta"};
        // A record keeps being offered the hidden entry it holds.
        QTest::newRow("hidden, held by the record")
                << u"UPDATE [PicklistPartsVendor] SET [HideEntry] = 1 WHERE [Vendor] <> 'Acme'"_s << 1
                << QStringList{"Acme", "Zeta"};
    }

    void entriesChangedElsewhereAppear()
    {
        QFETCH(QString, change);
        QFETCH(int, record);
        QFETCH(QStringList, offered);
        KVO_MAKE_HOST(2);
        CFilterColumns &set = *host->columns();
        CFilterColumn *vendor = addColumn(set, u"Vendor"_s, fcText, true, false, u"Acme"_s);
        QVERIFY(set.ColumnsSave(nullptr));
        QVERIFY(vendor->PickList()->SaveAdditions({"Beta", "Zeta"}));
        QVERIFY(KvoTest::saveValues(set, 1, {{u"Vendor"_s, Variant::text(u"Zeta"_s)}}));
        const auto offeredNow = [&] {
            KvoTest::readValues(set, record);
            QStringList keys = vendor->SavedKeys();
            keys.sort();
            return keys;
        };
        const QStringList before{"Acme", "Beta", "Zeta"};
        QCOMPARE(offeredNow(), before);

        // Another workstation changes the table.
        KvoHost::Host other;
        QString error;
        QVERIFY2(other.open(host->database().url(), &error), qPrintable(error));
        QVERIFY(KvoTest::run(other.connection(), change));
        // The entries read before serve until the record is shown again, which checks the table.
        QCOMPARE(offeredNow(), before);
        set.RevalidatePicklists();
        QCOMPARE(offeredNow(), offered);

        // An entry added through the library is offered at once.
        QVERIFY(vendor->PickList()->SaveAdditions({"Omega"}));
        offered.append(u"Omega"_s);
        offered.sort();
        QCOMPARE(offeredNow(), offered);
    }
};

QTEST_GUILESS_MAIN(TestPicklists)

#include "tst_picklists.moc"
