// Picklist tables: what a save makes of them, their entries, their foreign key, their checks, and
// the column set's picklist entry points.
#include "testhost.h"

#include "columns/cfiltercolumns.h"
#include "core/conversions.h"
#include "core/windows.h"
#include "picklists/cscpicklist.h"

#include "hostkit/adotypes.h"
#include "hostkit/connection.h"
#include "hostkit/databasehandler.h"
#include "hostkit/databasehelper.h"
#include "hostkit/messagebox.h"
#include "hostkit/recordset.h"
#include "hostkit/serviceshelper.h"
#include "hostkit/trace.h"

#include <QScopeGuard>
#include <QTest>

using namespace KvoPlx800SCtl;
using namespace KvoPlx800SCtl::HostKit;

namespace {

const QString Null = QStringLiteral("<null>");

CFilterColumn *addColumn(CFilterColumns &set, const QString &name, FilterColumnTypeConstants type,
                         bool picklist = false, bool allowBlanks = false, const QString &picklistDefault = {})
{
    return set.Add(name, QString(), QString(), type, type == fcText || type == fcKeyword ? 20 : 0, picklist,
                   allowBlanks, picklistDefault, fcDTDM_Configure, Variant::null(), false);
}

QString shown(const QVariant &value, FilterColumnTypeConstants type)
{
    const Variant v = Convert::fromDatabase(value, type == fcKeyword || type == fcNote ? fcText : type);
    return v.hasValue() || v.type() == Variant::Type::Text ? v.toText() : Null;
}

// The values of a field, in key order.
QStringList fieldValues(Connection &db, const QString &table, const QString &key, const QString &field,
                        FilterColumnTypeConstants type)
{
    QStringList values;
    auto rs = db.OpenQuery(QStringLiteral("SELECT %1 FROM %2 ORDER BY %3")
                                   .arg(db.QuoteName(field), db.QuoteName(table), db.QuoteName(key)));
    for (; rs && !rs->EOF(); rs->MoveNext())
        values.append(shown(rs->value(0), type));
    return values;
}

// The entries of a picklist, sorted.
QStringList entries(Connection &db, CFilterColumn *column)
{
    QStringList values;
    auto rs = db.OpenQuery(QStringLiteral("SELECT %1 FROM %2")
                                   .arg(db.QuoteName(column->Name()), db.QuoteName(column->PickList()->TableName())));
    for (; rs && !rs->EOF(); rs->MoveNext())
        values.append(shown(rs->value(0), column->ColumnType()));
    values.sort();
    return values;
}

// The table a field's foreign key refers to; empty when the field has none.
QString referredTable(Catalog &catalog, const QString &table, const QString &field)
{
    catalog.Refresh();
    const auto t = DatabaseHelper::FindTable(catalog, table);
    if (!t)
        return {};
    for (const CatalogKey &key : t->Keys) {
        if (key.Type == adKeyForeign && key.Columns.contains(field, Qt::CaseInsensitive))
            return key.RelatedTable;
    }
    return {};
}

bool tableExists(Catalog &catalog, const QString &table)
{
    catalog.Refresh();
    return DatabaseHelper::FindTable(catalog, table) != nullptr;
}

// Stored values for records 1..n of the search-data table ("<null>" for NULL).
bool storeValues(KvoTest::Host &host, CFilterColumn *column, const QStringList &values)
{
    Connection &db = host.connection();
    for (int i = 0; i < values.size(); ++i) {
        QString literal = QStringLiteral("NULL");
        if (values.at(i) != Null) {
            const auto formatted = column->SQLFormatPicklistValue(values.at(i), QLocale::c());
            if (!formatted)
                return false;
            literal = *formatted;
        }
        const QString sql =
                QStringLiteral("INSERT INTO %1 (%2, %3) VALUES (%4, %5)")
                        .arg(db.QuoteName(QStringLiteral("PartsSearchData")), db.QuoteName(QStringLiteral("PartId")),
                             db.QuoteName(column->Name()), QString::number(i + 1), literal);
        if (!KvoTest::exec(db, sql))
            return false;
    }
    return true;
}

// Records the windows the column set asks for.
class RecordingWindows : public ISearchFilterWindows
{
public:
    void Configure(CFilterColumns &, IFormsInterface *) override {}
    void View(CFilterColumns &, RecordSet *, ISearchBaseEntry *, IFormsInterface *) override {}
    std::unique_ptr<CFilterTerms> Filter(CFilterColumns &, const CFilterTerms *) override { return nullptr; }
    void EditPicklist(CScPicklist &picklist, IFormsInterface *owner) override
    {
        calls.append(QStringLiteral("EditPicklist:") + picklist.column()->Name());
        owners.append(owner);
    }
    void SelectAndEditPicklist(CFilterColumns &, IFormsInterface *owner) override
    {
        calls.append(QStringLiteral("SelectAndEditPicklist"));
        owners.append(owner);
    }
    QStringList calls;
    QList<IFormsInterface *> owners;
};

struct ErrorLog
{
    ErrorLog() : id(Trace::instance().addErrorSink([this](const TraceError &e, int) { sources.append(e.Source); })) {}
    ~ErrorLog() { Trace::instance().removeErrorSink(id); }
    QStringList sources;
    int id;
};

} // namespace

class TestPicklists : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase_data() { KvoTest::addEngineRows(); }
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void becomingPicklistCleansStoredValues_data();
    void becomingPicklistCleansStoredValues();
    void emptyEntryFollowsBlanks();
    void saveAdditionsInsertsOnlyNewEntries();
    void foreignKeyRejectsOtherValues_data();
    void foreignKeyRejectsOtherValues();
    void switchingOffAndOn();
    void deletedOrRetypedColumnLosesPicklist_data();
    void deletedOrRetypedColumnLosesPicklist();
    void changedDefaultGetsItsEntry();
    void checkTableAndForeignKeys();
    void validateSetupWithoutReferences();
    void picklistChanged_data();
    void picklistChanged();
    void editPicklists_data();
    void editPicklists();
};

// A column becomes a picklist column through a save: stored values are cleaned by its default,
// the table holds the default, the empty entry where blanks are allowed and every stored value.
void TestPicklists::becomingPicklistCleansStoredValues_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<bool>("allowBlanks");
    QTest::addColumn<QString>("picklistDefault");
    QTest::addColumn<QStringList>("stored");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QStringList>("expectedEntries");

    QTest::newRow("text, no blanks: Null and empty take the default, no empty entry")
            << int(fcText) << false << QStringLiteral("Brass")
            << QStringList{Null, QString(""), QStringLiteral("Steel")}
            << QStringList{QStringLiteral("Brass"), QStringLiteral("Brass"), QStringLiteral("Steel")}
            << QStringList{QStringLiteral("Brass"), QStringLiteral("Steel")};
    QTest::newRow("text, blanks: only Null takes the default, empty entry")
            << int(fcText) << true << QStringLiteral("Brass") << QStringList{Null, QString(""), QStringLiteral("Steel")}
            << QStringList{QStringLiteral("Brass"), QString(""), QStringLiteral("Steel")}
            << QStringList{QString(""), QStringLiteral("Brass"), QStringLiteral("Steel")};
    QTest::newRow("text, blanks, default of spaces: no default entry")
            << int(fcText) << true << QStringLiteral("   ") << QStringList{Null, QStringLiteral("Steel")}
            << QStringList{QString(""), QStringLiteral("Steel")} << QStringList{QString(""), QStringLiteral("Steel")};
    QTest::newRow("text, no blanks, blank default: the empty entry is the default")
            << int(fcText) << false << QString() << QStringList{Null, QStringLiteral("Steel")}
            << QStringList{QString(""), QStringLiteral("Steel")} << QStringList{QString(""), QStringLiteral("Steel")};
    QTest::newRow("note, no blanks") << int(fcNote) << false << QStringLiteral("n/a") << QStringList{QString(""), Null}
                                     << QStringList{QStringLiteral("n/a"), QStringLiteral("n/a")}
                                     << QStringList{QStringLiteral("n/a")};
    QTest::newRow("integer: only Null takes the default")
            << int(fcInteger32) << false << QStringLiteral("7") << QStringList{Null, QStringLiteral("3")}
            << QStringList{QStringLiteral("7"), QStringLiteral("3")}
            << QStringList{QStringLiteral("3"), QStringLiteral("7")};
    QTest::newRow("integer, blank default: no default, Null stays")
            << int(fcInteger32) << false << QString() << QStringList{Null, QStringLiteral("3")}
            << QStringList{Null, QStringLiteral("3")} << QStringList{QStringLiteral("3")};
    QTest::newRow("integer, default that is no number: no default")
            << int(fcInteger16) << true << QStringLiteral("lots") << QStringList{Null, QStringLiteral("4")}
            << QStringList{Null, QStringLiteral("4")} << QStringList{QStringLiteral("4")};
    QTest::newRow("double") << int(fcDouble) << false << QStringLiteral("2.5")
                            << QStringList{Null, QStringLiteral("1.25")}
                            << QStringList{QStringLiteral("2.5"), QStringLiteral("1.25")}
                            << QStringList{QStringLiteral("1.25"), QStringLiteral("2.5")};
    QTest::newRow("single") << int(fcSingle) << false << QStringLiteral("1.1")
                            << QStringList{Null, QStringLiteral("2.2")}
                            << QStringList{QStringLiteral("1.1"), QStringLiteral("2.2")}
                            << QStringList{QStringLiteral("1.1"), QStringLiteral("2.2")};
    QTest::newRow("date") << int(fcDateTime) << false << QStringLiteral("2024-03-01")
                          << QStringList{Null, QStringLiteral("2023-12-24 18:30:00")}
                          << QStringList{QStringLiteral("2024-03-01 00:00:00"), QStringLiteral("2023-12-24 18:30:00")}
                          << QStringList{QStringLiteral("2023-12-24 18:30:00"), QStringLiteral("2024-03-01 00:00:00")};
}

void TestPicklists::becomingPicklistCleansStoredValues()
{
    QFETCH(int, type);
    QFETCH(bool, allowBlanks);
    QFETCH(QString, picklistDefault);
    QFETCH(QStringList, stored);
    auto host = KvoTest::makeHost(4);
    QVERIFY(host);
    CFilterColumns &set = *host->columns();
    CFilterColumn *column = addColumn(set, QStringLiteral("Grade"), FilterColumnTypeConstants(type));
    QVERIFY(set.ColumnsSave(nullptr));
    QVERIFY(storeValues(*host, column, stored));

    column->setIsPicklist(true);
    column->setPicklistAllowBlanks(allowBlanks);
    column->setPicklistDefault(picklistDefault);
    QVERIFY(set.ColumnsSave(nullptr));

    Connection &db = host->connection();
    QTEST(fieldValues(db, QStringLiteral("PartsSearchData"), QStringLiteral("PartId"), column->Name(),
                      FilterColumnTypeConstants(type)),
          "expected");
    QTEST(entries(db, column), "expectedEntries");
    QCOMPARE(referredTable(host->catalog(), QStringLiteral("PartsSearchData"), column->Name()).toLower(),
             QStringLiteral("picklistpartsgrade"));
    // A second save changes nothing.
    QVERIFY(set.ColumnsSave(nullptr));
    QTEST(entries(db, column), "expectedEntries");
    KvoTest::tally(KvoTest::currentEngine());
}

// The empty entry is added when blanks become allowed and removed only when no record uses it;
// a number column has no empty entry whatever its setting.
void TestPicklists::emptyEntryFollowsBlanks()
{
    auto host = KvoTest::makeHost(2);
    QVERIFY(host);
    CFilterColumns &set = *host->columns();
    CFilterColumn *text = addColumn(set, QStringLiteral("Finish"), fcText, true, true, QStringLiteral("Raw"));
    CFilterColumn *number = addColumn(set, QStringLiteral("Level"), fcInteger32, true, true, QStringLiteral("1"));
    QVERIFY(set.ColumnsSave(nullptr));
    Connection &db = host->connection();
    QCOMPARE(entries(db, text), (QStringList{QString(""), QStringLiteral("Raw")}));
    QVERIFY(storeValues(*host, text, {QString(""), QStringLiteral("Raw")}));

    // In use: the entry stays although blanks are no longer allowed.
    text->setPicklistAllowBlanks(false);
    QVERIFY(text->PickList()->CheckAllowBlanks());
    QCOMPARE(entries(db, text), (QStringList{QString(""), QStringLiteral("Raw")}));
    // No longer in use: it goes.
    QVERIFY(KvoTest::exec(db,
                          QStringLiteral("UPDATE %1 SET %2 = %3")
                                  .arg(db.QuoteName(QStringLiteral("PartsSearchData")),
                                       db.QuoteName(QStringLiteral("Finish")), db.QuoteText(QStringLiteral("Raw")))));
    QVERIFY(text->PickList()->CheckAllowBlanks());
    QCOMPARE(entries(db, text), QStringList{QStringLiteral("Raw")});
    // Allowed again: inserted once, however often the check runs.
    text->setPicklistAllowBlanks(true);
    QVERIFY(text->PickList()->CheckAllowBlanks());
    QVERIFY(text->PickList()->CheckAllowBlanks());
    QCOMPARE(entries(db, text), (QStringList{QString(""), QStringLiteral("Raw")}));

    const QStringList before = entries(db, number);
    QCOMPARE(before, QStringList{QStringLiteral("1")});
    number->setPicklistAllowBlanks(false);
    QVERIFY(number->PickList()->CheckAllowBlanks());
    number->setPicklistAllowBlanks(true);
    QVERIFY(number->PickList()->CheckAllowBlanks());
    QCOMPARE(entries(db, number), before);
    KvoTest::tally(KvoTest::currentEngine());
}

void TestPicklists::saveAdditionsInsertsOnlyNewEntries()
{
    auto host = KvoTest::makeHost(2);
    QVERIFY(host);
    CFilterColumns &set = *host->columns();
    CFilterColumn *text = addColumn(set, QStringLiteral("Vendor"), fcText, true, false, QStringLiteral("Acme"));
    CFilterColumn *number = addColumn(set, QStringLiteral("Ratio"), fcDouble, true, true);
    QVERIFY(set.ColumnsSave(nullptr));
    Connection &db = host->connection();

    const QStringList hostile{QStringLiteral("O'Brien"),     QStringLiteral("back\\slash\\"),
                              QStringLiteral("50%_off"),     QStringLiteral("a -- b"),
                              QStringLiteral("line\nbreak"), QStringLiteral("x'); DROP TABLE Parts; --"),
                              QStringLiteral("\"quoted\"")};
    QVERIFY(text->PickList()->SaveAdditions(QStringList{QStringLiteral("Acme"), QStringLiteral("Zeta")} + hostile
                                            + QStringList{QStringLiteral("Zeta")}));
    QStringList expected = QStringList{QStringLiteral("Acme"), QStringLiteral("Zeta")} + hostile;
    expected.sort();
    QCOMPARE(entries(db, text), expected);
    // Again, with one new entry: only that one is added.
    QVERIFY(text->PickList()->SaveAdditions(hostile + QStringList{QStringLiteral("Nova")}));
    expected.append(QStringLiteral("Nova"));
    expected.sort();
    QCOMPARE(entries(db, text), expected);
    // Added entries are shown (HideEntry false); the base table is untouched.
    auto rs = db.OpenQuery(QStringLiteral("SELECT %1 FROM %2 WHERE %3 = %4")
                                   .arg(db.QuoteName(QStringLiteral("HideEntry")),
                                        db.QuoteName(text->PickList()->TableName()),
                                        db.QuoteName(QStringLiteral("Vendor")), db.QuoteText(QStringLiteral("Nova"))));
    QVERIFY(rs && !rs->EOF());
    QCOMPARE(Convert::fromDatabase(rs->value(0), fcBoolean), Variant::boolean(false));
    QCOMPARE(fieldValues(db, QStringLiteral("Parts"), QStringLiteral("PartId"), QStringLiteral("Description"), fcText),
             (QStringList{QStringLiteral("Part 1"), QStringLiteral("Part 2")}));

    // Numbers are typed in the user's locale; a text that is no number is skipped.
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    QVERIFY(number->PickList()->SaveAdditions(
            {QStringLiteral("1,5"), QStringLiteral("abc"), QStringLiteral("1,50"), QStringLiteral("2")}));
    QCOMPARE(entries(db, number), (QStringList{QStringLiteral("1.5"), QStringLiteral("2")}));

    // Single precision: a value already stored is found again, although the engine may compare
    // it with a decimal literal as a double.
    CFilterColumn *single = addColumn(set, QStringLiteral("Factor"), fcSingle, true, true);
    QVERIFY(set.ColumnsSave(nullptr));
    QVERIFY(single->PickList()->SaveAdditions({QStringLiteral("0,1"), QStringLiteral("1,1")}));
    QVERIFY(single->PickList()->SaveAdditions({QStringLiteral("1,1"), QStringLiteral("3,3")}));
    QCOMPARE(entries(db, single), (QStringList{QStringLiteral("0.1"), QStringLiteral("1.1"), QStringLiteral("3.3")}));
    KvoTest::tally(KvoTest::currentEngine());
}

void TestPicklists::foreignKeyRejectsOtherValues_data()
{
    QTest::addColumn<int>("type");
    QTest::newRow("text") << int(fcText);
    QTest::newRow("keyword") << int(fcKeyword);
    QTest::newRow("integer") << int(fcInteger32);
}

void TestPicklists::foreignKeyRejectsOtherValues()
{
    QFETCH(int, type);
    const auto columnType = FilterColumnTypeConstants(type);
    const bool keyword = columnType == fcKeyword;
    auto host = KvoTest::makeHost(2);
    QVERIFY(host);
    CFilterColumns &set = *host->columns();
    CFilterColumn *column = addColumn(set, QStringLiteral("Code"), columnType, true, false,
                                      columnType == fcInteger32 ? QStringLiteral("10") : QStringLiteral("A1"));
    QVERIFY(set.ColumnsSave(nullptr));
    const QString good = columnType == fcInteger32 ? QStringLiteral("10") : QStringLiteral("A1");
    const QString bad = columnType == fcInteger32 ? QStringLiteral("99") : QStringLiteral("Nope");
    const QString table = set.SearchTableName(column);
    QCOMPARE(referredTable(host->catalog(), table, QStringLiteral("Code")).toLower(),
             QStringLiteral("picklistpartscode"));

    Connection &db = host->connection();
    const auto insert = [&](int id, const QString &value) {
        return db.ExecuteSql(QStringLiteral("INSERT INTO %1 (%2, %3) VALUES (%4, %5)")
                                     .arg(db.QuoteName(table), db.QuoteName(QStringLiteral("PartId")),
                                          db.QuoteName(QStringLiteral("Code")), QString::number(id),
                                          *column->SQLFormatPicklistValue(value)));
    };
    QVERIFY2(insert(1, good), qPrintable(db.lastError()));
    QVERIFY(!insert(2, bad));
    if (!keyword) {
        QVERIFY(!db.ExecuteSql(QStringLiteral("UPDATE %1 SET %2 = %3")
                                       .arg(db.QuoteName(table), db.QuoteName(QStringLiteral("Code")),
                                            *column->SQLFormatPicklistValue(bad))));
    }
    QCOMPARE(fieldValues(db, table, QStringLiteral("PartId"), QStringLiteral("Code"), columnType), QStringList{good});
    // Once the entry exists, the value is accepted.
    QVERIFY(column->PickList()->SaveAdditions({bad}));
    QVERIFY2(insert(2, bad), qPrintable(db.lastError()));
    KvoTest::tally(KvoTest::currentEngine());
}

void TestPicklists::switchingOffAndOn()
{
    auto host = KvoTest::makeHost(3);
    QVERIFY(host);
    CFilterColumns &set = *host->columns();
    CFilterColumn *column = addColumn(set, QStringLiteral("Shift"), fcText, true, false, QStringLiteral("Day"));
    addColumn(set, QStringLiteral("Other"), fcText, true, true);
    QVERIFY(set.ColumnsSave(nullptr));
    const QString picklist = column->PickList()->TableName();
    QVERIFY(storeValues(*host, column, {QStringLiteral("Day"), Null}));
    Catalog &catalog = host->catalog();
    Connection &db = host->connection();

    column->setIsPicklist(false);
    QVERIFY(set.ColumnsSave(nullptr));
    QVERIFY(!tableExists(catalog, picklist));
    QVERIFY(referredTable(catalog, QStringLiteral("PartsSearchData"), QStringLiteral("Shift")).isEmpty());
    // The other column keeps its picklist and key.
    QCOMPARE(referredTable(catalog, QStringLiteral("PartsSearchData"), QStringLiteral("Other")).toLower(),
             QStringLiteral("picklistpartsother"));
    // Any value goes now; the values are kept.
    QVERIFY(KvoTest::exec(
            db, QStringLiteral("INSERT INTO %1 (%2, %3) VALUES (3, %4)")
                        .arg(db.QuoteName(QStringLiteral("PartsSearchData")), db.QuoteName(QStringLiteral("PartId")),
                             db.QuoteName(QStringLiteral("Shift")), db.QuoteText(QStringLiteral("Night")))));

    column->setIsPicklist(true);
    QVERIFY(set.ColumnsSave(nullptr));
    QVERIFY(tableExists(catalog, picklist));
    QCOMPARE(referredTable(catalog, QStringLiteral("PartsSearchData"), QStringLiteral("Shift")).toLower(),
             picklist.toLower());
    QCOMPARE(entries(db, column), (QStringList{QStringLiteral("Day"), QStringLiteral("Night")}));
    QCOMPARE(fieldValues(db, QStringLiteral("PartsSearchData"), QStringLiteral("PartId"), QStringLiteral("Shift"),
                         fcText),
             (QStringList{QStringLiteral("Day"), QStringLiteral("Day"), QStringLiteral("Night")}));
    KvoTest::tally(KvoTest::currentEngine());
}

void TestPicklists::deletedOrRetypedColumnLosesPicklist_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<bool>("remove");
    QTest::addColumn<int>("newType");
    QTest::newRow("text deleted") << int(fcText) << true << 0;
    QTest::newRow("keyword deleted") << int(fcKeyword) << true << 0;
    QTest::newRow("text retyped to integer") << int(fcText) << false << int(fcInteger32);
    QTest::newRow("keyword retyped to text") << int(fcKeyword) << false << int(fcText);
}

void TestPicklists::deletedOrRetypedColumnLosesPicklist()
{
    QFETCH(int, type);
    QFETCH(bool, remove);
    QFETCH(int, newType);
    auto host = KvoTest::makeHost(2);
    QVERIFY(host);
    CFilterColumns &set = *host->columns();
    addColumn(set, QStringLiteral("Keep"), fcText);
    CFilterColumn *column =
            addColumn(set, QStringLiteral("Lot"), FilterColumnTypeConstants(type), true, false, QStringLiteral("L1"));
    QVERIFY(set.ColumnsSave(nullptr));
    const QString picklist = column->PickList()->TableName();
    const QString oldTable = set.SearchTableName(column);
    Catalog &catalog = host->catalog();
    QVERIFY(tableExists(catalog, picklist));
    QVERIFY(!referredTable(catalog, oldTable, QStringLiteral("Lot")).isEmpty());

    if (remove) {
        QVERIFY(set.Remove(QStringLiteral("Lot")));
    } else {
        column->setColumnType(FilterColumnTypeConstants(newType));
        column->setPicklistDefault(QStringLiteral("5"));
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
    if (remove) {
        QVERIFY(!tableExists(catalog, picklist));
        QVERIFY(referredTable(catalog, QStringLiteral("PartsSearchData"), QStringLiteral("Lot")).isEmpty());
    } else {
        // A new picklist of the new type, referred to by the new field.
        CFilterColumn *retyped = set.Item(QStringLiteral("Lot"));
        QVERIFY(retyped);
        const auto table = DatabaseHelper::FindTable(catalog, picklist);
        QVERIFY(table);
        const CatalogColumn *field = table->FindColumn(QStringLiteral("Lot"));
        QVERIFY(field);
        QCOMPARE(adoFamily(field->Type), newType == fcText ? AdoFamily::Text : AdoFamily::Integer);
        QCOMPARE(entries(host->connection(), retyped), QStringList{QStringLiteral("5")});
        QCOMPARE(referredTable(catalog, set.SearchTableName(retyped), QStringLiteral("Lot")).toLower(),
                 picklist.toLower());
    }
    KvoTest::tally(KvoTest::currentEngine());
}

// A new default of a picklist column: its entry is written before the stored values take it.
void TestPicklists::changedDefaultGetsItsEntry()
{
    auto host = KvoTest::makeHost(2);
    QVERIFY(host);
    CFilterColumns &set = *host->columns();
    CFilterColumn *column = addColumn(set, QStringLiteral("Zone"), fcText, true, true, QStringLiteral("North"));
    QVERIFY(set.ColumnsSave(nullptr));
    QVERIFY(storeValues(*host, column, {Null, QString("")}));
    column->setPicklistAllowBlanks(false);
    column->setPicklistDefault(QStringLiteral("South"));
    QVERIFY(set.ColumnsSave(nullptr));
    Connection &db = host->connection();
    QCOMPARE(fieldValues(db, QStringLiteral("PartsSearchData"), QStringLiteral("PartId"), QStringLiteral("Zone"),
                         fcText),
             (QStringList{QStringLiteral("South"), QStringLiteral("South")}));
    QCOMPARE(entries(db, column), (QStringList{QStringLiteral("North"), QStringLiteral("South")}));
    KvoTest::tally(KvoTest::currentEngine());
}

// The table check's view: an earlier layout without HideEntry and a missing foreign key are
// repaired with convert mode 1, or after the handler agreed; its refusal is the result.
void TestPicklists::checkTableAndForeignKeys()
{
    auto host = KvoTest::makeHost(2);
    QVERIFY(host);
    CFilterColumns &set = *host->columns();
    CFilterColumn *column = addColumn(set, QStringLiteral("Crew"), fcText, true, false, QStringLiteral("A"));
    QVERIFY(set.ColumnsSave(nullptr));
    CScPicklist *pickList = column->PickList();
    Catalog &catalog = host->catalog();
    Connection &db = host->connection();
    QCOMPARE(pickList->CheckTable(nullptr, ConvertMode::CheckOnly), CheckTableResult::Continue);
    QVERIFY(host->handler->convertRequests().isEmpty());

    // An earlier layout: the value field alone.
    const QString table = pickList->TableName();
    QVERIFY(pickList->DestroyPicklist());
    TableStructure old(table);
    old.addField(QStringLiteral("Crew"), adVarWChar, 255, false);
    old.addKey(QStringLiteral("PK_") + table, KeyKind::Primary, {QStringLiteral("Crew")});
    QVERIFY2(old.Create(catalog), qPrintable(old.lastError()));
    QVERIFY(KvoTest::exec(db, QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                      .arg(db.QuoteName(table), db.QuoteName(QStringLiteral("Crew")),
                                           db.QuoteText(QStringLiteral("A")))));

    host->handler->setConvertAnswer([](const QString &, const QString &, int) { return CheckTableResult::NotAllowed; });
    QCOMPARE(pickList->CheckTable(nullptr, ConvertMode::CheckOnly), CheckTableResult::NotAllowed);
    QCOMPARE(host->handler->convertRequests().last(), table);
    catalog.Refresh();
    QVERIFY(!DatabaseHelper::FindTable(catalog, table)->FindColumn(QStringLiteral("HideEntry")));

    host->handler->setConvertAnswer([](const QString &, const QString &, int) { return CheckTableResult::Continue; });
    QCOMPARE(pickList->CheckTable(nullptr, ConvertMode::CheckOnly), CheckTableResult::Continue);
    catalog.Refresh();
    QVERIFY(DatabaseHelper::FindTable(catalog, table)->FindColumn(QStringLiteral("HideEntry")));
    QCOMPARE(referredTable(catalog, QStringLiteral("PartsSearchData"), QStringLiteral("Crew")).toLower(),
             table.toLower());

    // The foreign key alone goes missing.
    TableStructure picklistTable(table);
    QVERIFY(picklistTable.DropReferencingForeignKeys(catalog));
    QVERIFY(referredTable(catalog, QStringLiteral("PartsSearchData"), QStringLiteral("Crew")).isEmpty());
    host->handler->setConvertAnswer([](const QString &, const QString &, int) { return CheckTableResult::Cancelled; });
    QCOMPARE(pickList->CheckForeignKeys(ConvertMode::CheckOnly), CheckTableResult::Cancelled);
    QCOMPARE(host->handler->convertRequests().last(), QStringLiteral("PartsSearchData"));
    QVERIFY(referredTable(catalog, QStringLiteral("PartsSearchData"), QStringLiteral("Crew")).isEmpty());
    const int asked = int(host->handler->convertRequests().size());
    QCOMPARE(pickList->CheckForeignKeys(ConvertMode::Convert), CheckTableResult::Continue);
    QCOMPARE(int(host->handler->convertRequests().size()), asked);
    QCOMPARE(referredTable(catalog, QStringLiteral("PartsSearchData"), QStringLiteral("Crew")).toLower(),
             table.toLower());

    // An earlier table gets its hide field on demand.
    QVERIFY(pickList->DestroyPicklist());
    QVERIFY(old.Create(catalog));
    QVERIFY(pickList->CreateHideEntryField());
    catalog.Refresh();
    QVERIFY(DatabaseHelper::FindTable(catalog, table)->FindColumn(QStringLiteral("HideEntry")));
    KvoTest::tally(KvoTest::currentEngine());
}

void TestPicklists::validateSetupWithoutReferences()
{
    auto host = KvoTest::makeHost(2);
    QVERIFY(host);
    CFilterColumns &set = *host->columns();
    CFilterColumn *column = addColumn(set, QStringLiteral("Bin"), fcText);
    QVERIFY(set.ColumnsSave(nullptr));
    QVERIFY(storeValues(*host, column, {Null}));

    QList<MessageRequest> shown;
    auto previous = ServicesHelper::instance().setMessageHandler([&shown](const MessageRequest &request) {
        shown.append(request);
        return int(MsgBox::vbOK);
    });
    auto restore = qScopeGuard([&previous] { ServicesHelper::instance().setMessageHandler(previous); });

    column->setIsPicklist(true);
    column->setPicklistDefault(QStringLiteral("B1"));
    CScPicklist pickList;
    pickList.Init(nullptr, host->structure.get(), column);
    QVERIFY(!pickList.ValidateSetup());
    QVERIFY(!pickList.CreatePicklist());
    QVERIFY(!pickList.ForceNullsAndBlanksToDefault());
    QVERIFY(!pickList.SaveAdditions({QStringLiteral("B2")}));
    QCOMPARE(pickList.CheckTable(nullptr, ConvertMode::Convert), CheckTableResult::Continue);
    QVERIFY(shown.size() >= 4);
    for (const MessageRequest &request : std::as_const(shown)) {
        QVERIFY(request.text.endsWith(QStringLiteral("\n\nPicklist object is not set up correctly.")));
        QCOMPARE(request.style, MsgBox::vbOKOnly | MsgBox::vbExclamation);
    }
    QVERIFY(!tableExists(host->catalog(), pickList.TableName()));
    QCOMPARE(fieldValues(host->connection(), QStringLiteral("PartsSearchData"), QStringLiteral("PartId"),
                         QStringLiteral("Bin"), fcText),
             QStringList{Null});

    // Without a column nothing has a name either.
    shown.clear();
    CScPicklist bare;
    QVERIFY(!bare.DestroyPicklist());
    QCOMPARE(shown.size(), 1);
    // Set up through the column: no message.
    shown.clear();
    QVERIFY(column->PickList()->ValidateSetup());
    QVERIFY(shown.isEmpty());
    KvoTest::tally(KvoTest::currentEngine());
}

void TestPicklists::picklistChanged_data()
{
    QTest::addColumn<bool>("hasOld");
    QTest::addColumn<bool>("hasNew");
    QTest::addColumn<bool>("oldPicklist");
    QTest::addColumn<bool>("newPicklist");
    QTest::addColumn<bool>("oldBlanks");
    QTest::addColumn<bool>("newBlanks");
    QTest::addColumn<int>("oldType");
    QTest::addColumn<int>("newType");
    QTest::addColumn<QString>("oldDefault");
    QTest::addColumn<QString>("newDefault");
    QTest::addColumn<bool>("changed");

    const int t = fcText;
    const QString a = QStringLiteral("a");
    QTest::newRow("no old column") << false << true << true << true << false << false << t << t << a << a << false;
    QTest::newRow("no old, no new") << false << false << true << true << false << false << t << t << a << a << false;
    QTest::newRow("no new column") << true << false << true << true << false << false << t << t << a << a << true;
    QTest::newRow("same") << true << true << true << true << false << false << t << t << a << a << false;
    QTest::newRow("became picklist") << true << true << false << true << false << false << t << t << a << a << true;
    QTest::newRow("stopped being one") << true << true << true << false << false << false << t << t << a << a << true;
    QTest::newRow("no picklists, other type")
            << true << true << false << false << false << false << t << int(fcInteger32) << a << a << false;
    QTest::newRow("no picklists, everything else differs") << true << true << false << false << false << true << t
                                                           << int(fcDouble) << a << QStringLiteral("b") << false;
    QTest::newRow("blanks") << true << true << true << true << false << true << t << t << a << a << true;
    QTest::newRow("type") << true << true << true << true << false << false << t << int(fcNote) << a << a << true;
    QTest::newRow("text default in other case")
            << true << true << true << true << false << false << t << t << a << QStringLiteral("A") << false;
    QTest::newRow("text default") << true << true << true << true << false << false << t << t << a
                                  << QStringLiteral("b") << true;
    QTest::newRow("keyword default in other case")
            << true << true << true << true << false << false << int(fcKeyword) << int(fcKeyword)
            << QStringLiteral("Mill") << QStringLiteral("MILL") << false;
    const int n = fcInteger32;
    QTest::newRow("number written otherwise") << true << true << true << true << false << false << n << n
                                              << QStringLiteral("7") << QStringLiteral("7.0") << false;
    QTest::newRow("number with a tail") << true << true << true << true << false << false << n << n
                                        << QStringLiteral("7") << QStringLiteral("7 pcs") << false;
    QTest::newRow("other number") << true << true << true << true << false << false << int(fcDouble) << int(fcDouble)
                                  << QStringLiteral("7.5") << QStringLiteral("7.25") << true;
    QTest::newRow("no number and zero") << true << true << true << true << false << false << n << n
                                        << QStringLiteral("x") << QStringLiteral("0") << false;
    const int d = fcDateTime;
    QTest::newRow("same date written otherwise")
            << true << true << true << true << false << false << d << d << QStringLiteral("2024-03-01")
            << QStringLiteral("2024-03-01 00:00:00") << false;
    QTest::newRow("other date") << true << true << true << true << false << false << d << d
                                << QStringLiteral("2024-03-01") << QStringLiteral("2024-03-02") << true;
    const int b = fcBoolean;
    QTest::newRow("same Boolean") << true << true << true << true << false << false << b << b << QStringLiteral("True")
                                  << QStringLiteral("yes") << false;
    QTest::newRow("other Boolean") << true << true << true << true << false << false << b << b << QStringLiteral("True")
                                   << QStringLiteral("False") << true;
}

void TestPicklists::picklistChanged()
{
    QFETCH(bool, hasOld);
    QFETCH(bool, hasNew);
    QFETCH(bool, oldPicklist);
    QFETCH(bool, newPicklist);
    QFETCH(bool, oldBlanks);
    QFETCH(bool, newBlanks);
    QFETCH(int, oldType);
    QFETCH(int, newType);
    QFETCH(QString, oldDefault);
    QFETCH(QString, newDefault);
    CFilterColumns set;
    CFilterColumn oldColumn(&set);
    CFilterColumn newColumn(&set);
    const auto define = [](CFilterColumn &c, bool picklist, bool blanks, int type, const QString &def) {
        c.setName(QStringLiteral("C"));
        c.setIsPicklist(picklist);
        c.setPicklistAllowBlanks(blanks);
        c.setColumnType(FilterColumnTypeConstants(type));
        c.setPicklistDefault(def);
    };
    define(oldColumn, oldPicklist, oldBlanks, oldType, oldDefault);
    define(newColumn, newPicklist, newBlanks, newType, newDefault);
    QTEST(set.PicklistChanged(hasOld ? &oldColumn : nullptr, hasNew ? &newColumn : nullptr), "changed");
}

void TestPicklists::editPicklists_data()
{
    QTest::addColumn<int>("picklists");
    QTest::addColumn<bool>("windows");
    QTest::addColumn<QStringList>("calls");
    QTest::addColumn<QString>("unavailable");
    QTest::newRow("none") << 0 << true << QStringList() << QString();
    QTest::newRow("one: its editor") << 1 << true << QStringList{QStringLiteral("EditPicklist:P1")} << QString();
    QTest::newRow("two: the selection") << 2 << true << QStringList{QStringLiteral("SelectAndEditPicklist")}
                                        << QString();
    QTest::newRow("three: the selection")
            << 3 << true << QStringList{QStringLiteral("SelectAndEditPicklist")} << QString();
    QTest::newRow("one, no windows") << 1 << false << QStringList() << QStringLiteral("CScPicklist.Edit");
    QTest::newRow("two, no windows") << 2 << false << QStringList()
                                     << QStringLiteral("CFilterColumns.SelectAndEditPicklist");
}

void TestPicklists::editPicklists()
{
    QFETCH(int, picklists);
    QFETCH(bool, windows);
    QFETCH(QString, unavailable);
    if (KvoTest::currentEngine() != QLatin1String("sqlite"))
        QSKIP("no database work: SQLite covers it");
    auto host = KvoTest::makeHost(1);
    QVERIFY(host);
    CFilterColumns &set = *host->columns();
    addColumn(set, QStringLiteral("Plain"), fcText);
    for (int i = 1; i <= picklists; ++i)
        addColumn(set, QStringLiteral("P%1").arg(i), i == 2 ? fcKeyword : fcText, true);
    QCOMPARE(set.HasPicklists(), picklists > 0);

    RecordingWindows recorder;
    installSearchFilterWindows(windows ? &recorder : nullptr);
    auto uninstall = qScopeGuard([] { installSearchFilterWindows(nullptr); });
    ErrorLog log;
    FixedFormsInterface owner({1, 2, 3, 4});
    set.EditPicklists(&owner);
    QTEST(recorder.calls, "calls");
    for (IFormsInterface *o : std::as_const(recorder.owners))
        QCOMPARE(o, static_cast<IFormsInterface *>(&owner));
    if (unavailable.isEmpty())
        QVERIFY(log.sources.isEmpty());
    else
        QCOMPARE(log.sources, QStringList{unavailable});
}

QTEST_GUILESS_MAIN(TestPicklists)
#include "tst_picklists.moc"
