// The table check: drifted tables brought back to their layout, the handler's answers, the codes
// that end a check, both forms of the population check, definition rows under former base-table
// names and the check name list.
#include "testhost.h"

#include "columns/ccheckname.h"
#include "columns/cfiltercolumns.h"
#include "columns/tablecheck.h"
#include "core/conversions.h"
#include "picklists/cscpicklist.h"

#include "hostkit/adotypes.h"
#include "hostkit/connection.h"
#include "hostkit/databasehandler.h"
#include "hostkit/databasehelper.h"
#include "hostkit/dialect.h"
#include "hostkit/formsinterface.h"
#include "hostkit/progress.h"
#include "hostkit/recordset.h"
#include "hostkit/serviceshelper.h"

#include <QRegularExpression>
#include <QTest>

using namespace KvoPlx800SCtl;
using namespace KvoPlx800SCtl::HostKit;

namespace {

const QString Def = QStringLiteral("SearchColumnConfiguration");
const QString Data = QStringLiteral("PartsSearchData");
const QDateTime Configured = Convert::makeDate(QDate(2024, 1, 2), QTime(8, 30));

CFilterColumn *addColumn(CFilterColumns &set, const QString &name, FilterColumnTypeConstants type,
                         bool picklist = false, const QString &picklistDefault = {})
{
    return set.Add(name, QString(), QString(), type, type == fcText || type == fcKeyword ? 20 : 0, picklist, false,
                   picklistDefault, fcDTDM_Configure, type == fcDateTime ? Variant::date(Configured) : Variant::null(),
                   false);
}

// The diagnostic log of the forms-interface component while a test runs.
struct DiagnosticLog
{
    DiagnosticLog()
    {
        FormsGlobal::instance().setDiagnosticLogEnabled(true);
        FormsGlobal::instance().setDiagnosticSink([this](const QString &line) { lines.append(line); });
    }
    ~DiagnosticLog()
    {
        FormsGlobal::instance().setDiagnosticSink({});
        FormsGlobal::instance().setDiagnosticLogEnabled(false);
    }
    QStringList lines;
};

QString q(KvoTest::Host &host, const QString &name) { return host.connection().QuoteName(name); }

bool sql(KvoTest::Host &host, const QString &statement) { return KvoTest::exec(host.connection(), statement); }

QStringList fieldsOf(KvoTest::Host &host, const QString &table)
{
    host.catalog().Refresh();
    QStringList names;
    if (const auto t = DatabaseHelper::FindTable(host.catalog(), table)) {
        for (const CatalogColumn &c : t->Columns)
            names << c.Name;
    }
    return names;
}

bool tableExists(KvoTest::Host &host, const QString &table)
{
    host.catalog().Refresh();
    return DatabaseHelper::FindTable(host.catalog(), table) != nullptr;
}

// The keys of a table's rows, in order.
QList<int> keysOf(KvoTest::Host &host, const QString &table, const QString &key = QStringLiteral("PartId"))
{
    QList<int> keys;
    auto rs = host.connection().OpenQuery(
            QStringLiteral("SELECT %1 FROM %2 ORDER BY %1").arg(q(host, key), q(host, table)));
    for (; rs && !rs->EOF(); rs->MoveNext())
        keys << rs->value(0).toInt();
    return keys;
}

// A stored value in the form the column's type reads it; "<null>" for NULL, "<none>" without a row.
QString valueOf(KvoTest::Host &host, const QString &table, int id, const QString &field, FilterColumnTypeConstants type)
{
    auto rs =
            host.connection().OpenQuery(QStringLiteral("SELECT %1 FROM %2 WHERE %3 = %4")
                                                .arg(q(host, field), q(host, table), q(host, QStringLiteral("PartId")))
                                                .arg(id));
    if (!rs || rs->EOF())
        return QStringLiteral("<none>");
    const Variant v = Convert::fromDatabase(rs->value(0), type);
    return v.isNull() ? QStringLiteral("<null>") : v.toText();
}

// Every table with its fields, keys and rows: equal dumps mean nothing was changed.
QString dump(KvoTest::Host &host)
{
    host.catalog().Refresh();
    QStringList tables = host.catalog().tableNames();
    tables.sort(Qt::CaseInsensitive);
    QString text;
    for (const QString &name : tables) {
        const auto t = host.catalog().FindTable(name);
        text += name + QLatin1Char(':');
        for (const CatalogColumn &c : t->Columns)
            text += c.Name + QLatin1Char(' ') + c.NativeType + QLatin1Char(',');
        for (const CatalogKey &k : t->Keys)
            text += QStringLiteral("key(%1)").arg(k.Columns.join(u','));
        auto rs = host.connection().OpenQuery(QStringLiteral("SELECT * FROM %1 ORDER BY 1, 2").arg(q(host, name)));
        for (; rs && !rs->EOF(); rs->MoveNext()) {
            for (int i = 0; i < rs->fieldCount(); ++i)
                text += rs->value(i).toString() + QLatin1Char('|');
        }
        text += QLatin1Char('\n');
    }
    return text;
}

// Columns Material (text picklist, default Steel), Weight (double), Count (int16), Due (date,
// configured default), Ok (Boolean), Tags and Labels (keywords); record 1 holds values.
bool makeColumns(KvoTest::Host &host)
{
    CFilterColumns &set = *host.columns();
    addColumn(set, QStringLiteral("Material"), fcText, true, QStringLiteral("Steel"));
    addColumn(set, QStringLiteral("Weight"), fcDouble);
    addColumn(set, QStringLiteral("Count"), fcInteger16);
    addColumn(set, QStringLiteral("Due"), fcDateTime);
    addColumn(set, QStringLiteral("Ok"), fcBoolean);
    addColumn(set, QStringLiteral("Tags"), fcKeyword);
    addColumn(set, QStringLiteral("Labels"), fcKeyword);
    if (!set.ColumnsSave(nullptr))
        return false;
    const QString k = q(host, QStringLiteral("PartId"));
    return sql(host,
               QStringLiteral("INSERT INTO %1 (%2, %3, %4, %5, %6) VALUES (1, 'Steel', 2.5, 7, 1)")
                       .arg(q(host, Data), k, q(host, QStringLiteral("Material")), q(host, QStringLiteral("Weight")),
                            q(host, QStringLiteral("Count")), q(host, QStringLiteral("Ok"))))
           && sql(host, QStringLiteral("INSERT INTO %1 (%2) SELECT %2 FROM %3 WHERE %2 > 1")
                                .arg(q(host, Data), k, q(host, QStringLiteral("Parts"))))
           && sql(host,
                  QStringLiteral("INSERT INTO %1 (%2, %3) VALUES (1, 'red')")
                          .arg(q(host, QStringLiteral("PartsSearchKeywordTags")), k, q(host, QStringLiteral("Tags"))));
}

// Drift: definition table of the older layout, Weight missing, an extra field, Count of a text
// type, the keyword table of Labels and the picklist table of Material missing, record 2's row
// missing and an orphaned row 99.
bool drift(KvoTest::Host &host)
{
    Catalog &catalog = host.catalog();
    TableStructure def(Def);
    for (const char *field : {"DateTimeDefaultMode", "DateTimeDefaultValue", "DisableEditDateTime"}) {
        if (!def.DropField(catalog, QString::fromLatin1(field)))
            return false;
    }
    TableStructure picklist(QStringLiteral("PicklistPartsMaterial"));
    TableStructure data(Data);
    TableStructure retyped(Data);
    retyped.addField(QStringLiteral("Count"), adVarWChar, 20);
    return picklist.DropTable(catalog) && data.DropField(catalog, QStringLiteral("Weight")) && retyped.Convert(catalog)
           && host.handler->DropTable(catalog, QStringLiteral("PartsSearchKeywordLabels"))
           && sql(host, QStringLiteral("ALTER TABLE %1 ADD COLUMN %2 INTEGER")
                                .arg(q(host, Data), q(host, QStringLiteral("Junk"))))
           && sql(host,
                  QStringLiteral("DELETE FROM %1 WHERE %2 = 2").arg(q(host, Data), q(host, QStringLiteral("PartId"))))
           && sql(host, QStringLiteral("INSERT INTO %1 (%2) VALUES (99)")
                                .arg(q(host, Data), q(host, QStringLiteral("PartId"))));
}

// Definition rows of a base table, "position:name", in position order.
QStringList definitionRows(KvoTest::Host &host, const QString &baseTable)
{
    QStringList rows;
    auto rs = host.connection().OpenQuery(
            QStringLiteral("SELECT %1, %2 FROM %3 WHERE %4 = %5 ORDER BY %1")
                    .arg(q(host, QStringLiteral("Position")), q(host, QStringLiteral("Name")), q(host, Def),
                         q(host, QStringLiteral("BaseTable")), host.connection().QuoteText(baseTable)));
    for (; rs && !rs->EOF(); rs->MoveNext())
        rows << rs->value(0).toString() + QLatin1Char(':') + rs->value(1).toString();
    return rows;
}

bool addDefinitionRow(KvoTest::Host &host, const QString &baseTable, int position, const QString &name)
{
    Connection &db = host.connection();
    return sql(host,
               QStringLiteral("INSERT INTO %1 (%2, %3, %4, %5, %6, %7, %8) VALUES (%9, %10, %11, 1, 20, 0, 0)")
                       .arg(q(host, Def), q(host, QStringLiteral("BaseTable")), q(host, QStringLiteral("Position")),
                            q(host, QStringLiteral("Name")), q(host, QStringLiteral("Type")),
                            q(host, QStringLiteral("Size")), q(host, QStringLiteral("IsPicklist")),
                            q(host, QStringLiteral("PicklistAllowBlanks")), db.QuoteText(baseTable))
                       .arg(position)
                       .arg(db.QuoteText(name)));
}

// A base table renamed twice over two tables' worth of names: former names T<table><name>.
class RenamedBaseTable : public BaseTableInfo
{
public:
    RenamedBaseTable() : BaseTableInfo(QStringLiteral("Parts")) {}
    bool CheckTableIsRenamed() const override { return true; }
    qint32 CheckTableTableNameCount() const override { return 2; }
    qint32 CheckTableNameCount() const override { return 2; }
    QString CheckTableNameOld(qint32 t, qint32 n) const override
    {
        return t == 2 && n == 2 ? QString() : QStringLiteral("T%1%2").arg(t).arg(n);
    }
};

} // namespace

class TestTableCheck : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase_data() { KvoTest::addEngineRows(); }
    void cleanup()
    {
        ServicesHelper::instance().setPopulationCheckWanted(true);
        ServicesHelper::instance().clearReportedErrors();
    }

    void withoutColumnsNothingIsTouched();
    void driftedTablesAreRepaired();
    void modeZeroAsksTheHandler_data();
    void modeZeroAsksTheHandler();
    void codesEndTheCheck_data();
    void codesEndTheCheck();
    void populationForms_data();
    void populationForms();
    void extraFieldThatCannotBeDropped();
    void failedRepairEndsTheCheck();
    void formerDefinitionRows();
    void checkNameList_data();
    void checkNameList();
};

void TestTableCheck::withoutColumnsNothingIsTouched()
{
    auto host = KvoTest::makeHost(3);
    QVERIFY(host);
    QCOMPARE(host->filter->setupStatus(), kvoFCSNoColumnsDefined);
    // A stray search-data table with an orphaned row and a missing one.
    QVERIFY(sql(*host,
                QStringLiteral("CREATE TABLE %1 (%2 INTEGER, %3 INTEGER)")
                        .arg(q(*host, Data), q(*host, QStringLiteral("PartId")), q(*host, QStringLiteral("Junk")))));
    QVERIFY(sql(*host, QStringLiteral("INSERT INTO %1 VALUES (99, 1)").arg(q(*host, Data))));
    const QString before = dump(*host);
    QCOMPARE(host->filter->CheckTable(nullptr, ConvertMode::Convert, true), 0);
    QCOMPARE(host->filter->CheckTable(nullptr, ConvertMode::CheckOnly, false), 0);
    QCOMPARE(dump(*host), before);
    QVERIFY(host->handler->convertRequests().isEmpty());

    // A search filter whose set-up failed has no column set at all.
    auto broken = CCommon::global().CreateSearchFilterObject(nullptr, host->baseTable.get(), &host->catalog(),
                                                             host->profile.get(), 0, host->structure.get());
    QVERIFY(!broken->FilterColumns());
    QCOMPARE(broken->CheckTable(nullptr, ConvertMode::Convert, true), 0);
    QVERIFY(!broken->GetCheckNameList());
    QCOMPARE(dump(*host), before);
}

// Mode 1 brings every drifted table back, keeps what still has a column, and a second check
// finds nothing to ask about.
void TestTableCheck::driftedTablesAreRepaired()
{
    auto host = KvoTest::makeHost(4);
    QVERIFY(host);
    QVERIFY(makeColumns(*host));
    QVERIFY(drift(*host));
    // Colour was defined under the former name OldParts; its position clashes with Material's.
    QVERIFY(addDefinitionRow(*host, QStringLiteral("OldParts"), 1, QStringLiteral("Colour")));
    host->openFilter(QStringLiteral("Parts"), {QStringLiteral("OldParts")});
    QCOMPARE(host->filter->setupStatus(), kvoFCSSuccess);
    QVERIFY(host->columns()->needsDefinitionConversion());

    DiagnosticLog log;
    QCOMPARE(host->filter->CheckTable(nullptr, ConvertMode::Convert, true), 0);
    QCOMPARE(ServicesHelper::instance().reportedErrors(), QStringList());
    QCOMPARE(log.lines, (QStringList{"defined field count = 6", "database column Weight missing from PartsSearchData",
                                     "database column Colour missing from PartsSearchData",
                                     "deleted column Junk from PartsSearchData"}));
    QVERIFY(host->handler->convertRequests().isEmpty());

    CFilterColumns &set = *host->columns();
    QVERIFY(!set.needsDefinitionConversion());
    QVERIFY(set.MyStructureDefinition().Compare(host->catalog(), CompareExact | CompareKeyFields));
    QCOMPARE(definitionRows(*host, QStringLiteral("Parts")).size(), 8);
    QVERIFY(definitionRows(*host, QStringLiteral("OldParts")).isEmpty());
    for (CFilterColumn *c : set.NewEnum()) {
        QVERIFY2(set.MyStructureDefault(c).Compare(host->catalog(), CompareExact), qPrintable(c->Name()));
        if (c->IsPicklist())
            QVERIFY(c->PickList()->MyStructure().Compare(host->catalog(), CompareExact));
    }
    QVERIFY(!fieldsOf(*host, Data).contains(QStringLiteral("Junk"), Qt::CaseInsensitive));
    QVERIFY(tableExists(*host, QStringLiteral("PartsSearchKeywordLabels")));
    QVERIFY(tableExists(*host, QStringLiteral("PicklistPartsMaterial")));

    // Values kept, the missing row made from the defaults, the orphan gone.
    QCOMPARE(keysOf(*host, Data), (QList<int>{1, 2, 3, 4}));
    QCOMPARE(valueOf(*host, Data, 1, QStringLiteral("Material"), fcText), QStringLiteral("Steel"));
    QCOMPARE(valueOf(*host, Data, 1, QStringLiteral("Count"), fcInteger16), QStringLiteral("7"));
    QCOMPARE(valueOf(*host, Data, 1, QStringLiteral("Ok"), fcBoolean), QStringLiteral("True"));
    QCOMPARE(keysOf(*host, QStringLiteral("PartsSearchKeywordTags")), QList<int>{1});
    QCOMPARE(valueOf(*host, Data, 2, QStringLiteral("Material"), fcText), QStringLiteral("Steel"));
    QCOMPARE(valueOf(*host, Data, 2, QStringLiteral("Weight"), fcDouble), QStringLiteral("0"));
    // The older layout kept no date default: the converted definition has none either.
    QCOMPARE(valueOf(*host, Data, 2, QStringLiteral("Due"), fcDateTime), QStringLiteral("<null>"));
    QCOMPARE(valueOf(*host, Data, 2, QStringLiteral("Ok"), fcBoolean), QStringLiteral("False"));

    // Nothing is left to convert: mode 0 asks nothing and changes nothing.
    host->openFilter(QStringLiteral("Parts"), {QStringLiteral("OldParts")});
    const QString repaired = dump(*host);
    QCOMPARE(host->filter->CheckTable(nullptr, ConvertMode::CheckOnly, true), 0);
    QVERIFY(host->handler->convertRequests().isEmpty());
    QCOMPARE(dump(*host), repaired);
    KvoTest::tally(KvoTest::currentEngine());
}

void TestTableCheck::modeZeroAsksTheHandler_data()
{
    QTest::addColumn<bool>("olderLayout");
    QTest::addColumn<int>("answer");
    QTest::newRow("older layout, answer 2") << true << int(CheckTableResult::NotAllowed);
    QTest::newRow("one newer field missing, answer 2") << false << int(CheckTableResult::NotAllowed);
    QTest::newRow("older layout, answer 0") << true << int(CheckTableResult::Continue);
}

void TestTableCheck::modeZeroAsksTheHandler()
{
    QFETCH(bool, olderLayout);
    QFETCH(int, answer);
    auto host = KvoTest::makeHost(3);
    QVERIFY(host);
    if (olderLayout) {
        QVERIFY(makeColumns(*host));
        QVERIFY(drift(*host));
    } else {
        addColumn(*host->columns(), QStringLiteral("Weight"), fcDouble);
        QVERIFY(host->columns()->ColumnsSave(nullptr));
        QVERIFY(TableStructure(Def).DropField(host->catalog(), QStringLiteral("DisableEditDateTime")));
    }
    host->openFilter(QStringLiteral("Parts"));
    host->handler->setConvertAnswer([answer](const QString &, const QString &, int mode) {
        return mode == ConvertMode::CheckOnly ? answer : -1;
    });
    const QString before = dump(*host);

    QCOMPARE(host->filter->CheckTable(nullptr, ConvertMode::CheckOnly, true), answer);
    QCOMPARE(host->handler->convertRequests().value(0), QStringLiteral("Parts"));
    if (answer != CheckTableResult::Continue) {
        QCOMPARE(host->handler->convertRequests().size(), 1);
        QCOMPARE(dump(*host), before);
        return;
    }
    // Every difference was offered and taken; the extra field stays in mode 0.
    QVERIFY(host->columns()->MyStructureDefinition().Compare(host->catalog(), CompareExact));
    QVERIFY(fieldsOf(*host, Data).contains(QStringLiteral("Junk"), Qt::CaseInsensitive));
    QVERIFY(fieldsOf(*host, Data).contains(QStringLiteral("Weight"), Qt::CaseInsensitive));
    QVERIFY(tableExists(*host, QStringLiteral("PartsSearchKeywordLabels")));
    QVERIFY(tableExists(*host, QStringLiteral("PicklistPartsMaterial")));
    QCOMPARE(keysOf(*host, Data), (QList<int>{1, 2, 3}));
    QCOMPARE(valueOf(*host, Data, 1, QStringLiteral("Count"), fcInteger16), QStringLiteral("7"));
    QVERIFY(host->handler->convertRequests().contains(QStringLiteral("PartsSearchKeywordLabels")));
    KvoTest::tally(KvoTest::currentEngine());
}

// A code other than 0 ends the check where it is given: nothing after it runs.
void TestTableCheck::codesEndTheCheck_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("databaseType");
    QTest::newRow("keyword table") << QStringLiteral("PartsSearchKeywordLabels") << 1 << 0;
    QTest::newRow("picklist table") << QStringLiteral("PicklistPartsMaterial") << 4 << 0;
    QTest::newRow("population, SQL form") << Data << 5 << 0;
    QTest::newRow("population, record-set form") << Data << 3 << int(DatabaseKind::RecordSetForm);
}

void TestTableCheck::codesEndTheCheck()
{
    QFETCH(QString, table);
    QFETCH(int, code);
    QFETCH(int, databaseType);
    auto host = KvoTest::makeHost(3);
    QVERIFY(host);
    // Keyword Labels before picklist Material: the columns are checked in position order.
    CFilterColumns &set = *host->columns();
    addColumn(set, QStringLiteral("Weight"), fcDouble);
    addColumn(set, QStringLiteral("Labels"), fcKeyword);
    addColumn(set, QStringLiteral("Material"), fcText, true, QStringLiteral("Steel"));
    QVERIFY(set.ColumnsSave(nullptr));
    // The population rows drift only in their rows, so that the population check is the one asked.
    const bool tablesDrift = table != Data;
    if (tablesDrift) {
        QVERIFY(TableStructure(QStringLiteral("PicklistPartsMaterial")).DropTable(host->catalog()));
        QVERIFY(host->handler->DropTable(host->catalog(), QStringLiteral("PartsSearchKeywordLabels")));
    }
    QVERIFY(sql(
            *host,
            QStringLiteral("INSERT INTO %1 (%2) VALUES (99)").arg(q(*host, Data), q(*host, QStringLiteral("PartId")))));
    host->handler->setDatabaseType(databaseType == 0 ? host->connection().dialect().DatabaseType() : databaseType);
    host->handler->setConvertAnswer([&](const QString &, const QString &asked, int) {
        return asked == table ? code : int(CheckTableResult::Continue);
    });
    host->openFilter(QStringLiteral("Parts"));

    QCOMPARE(host->filter->CheckTable(nullptr, ConvertMode::CheckOnly, true), code);
    QCOMPARE(host->handler->convertRequests().last(), table);
    QCOMPARE(host->handler->convertRequests().count(table), 1);
    // The population check never ran to its end: the orphan is still there.
    QCOMPARE(keysOf(*host, Data), QList<int>{99});
    QCOMPARE(tableExists(*host, QStringLiteral("PartsSearchKeywordLabels")),
             table != QStringLiteral("PartsSearchKeywordLabels"));
    QCOMPARE(tableExists(*host, QStringLiteral("PicklistPartsMaterial")), !tablesDrift);
    KvoTest::tally(KvoTest::currentEngine());
}

void TestTableCheck::populationForms_data()
{
    QTest::addColumn<int>("databaseType");
    QTest::addColumn<bool>("narrowed");
    QTest::addColumn<QList<int>>("expected");
    // Records 1..5; rows for 1 (with values) and 2 exist, orphans 98 and 99.
    QTest::newRow("SQL form") << 0 << false << QList<int>{1, 2, 3, 4, 5};
    QTest::newRow("record-set form") << int(DatabaseKind::RecordSetForm) << false << QList<int>{1, 2, 3, 4, 5};
    // Only records with Qty >= 40 get rows; rows of other base records stay.
    QTest::newRow("SQL form, selection") << 0 << true << QList<int>{1, 2, 4, 5};
    QTest::newRow("record-set form, selection") << int(DatabaseKind::RecordSetForm) << true << QList<int>{1, 2, 4, 5};
}

void TestTableCheck::populationForms()
{
    QFETCH(int, databaseType);
    QFETCH(bool, narrowed);
    auto host = KvoTest::makeHost(5);
    QVERIFY(host);
    CFilterColumns &set = *host->columns();
    addColumn(set, QStringLiteral("Material"), fcText, true, QStringLiteral("O'Neil"));
    addColumn(set, QStringLiteral("Count"), fcInteger16);
    addColumn(set, QStringLiteral("Ratio"), fcSingle);
    addColumn(set, QStringLiteral("Due"), fcDateTime);
    addColumn(set, QStringLiteral("Stamp"), fcDateTime)->setDateTimeDefaultMode(fcDTDM_Now);
    addColumn(set, QStringLiteral("Open"), fcDateTime)->setDateTimeDefaultValue(Variant::null());
    addColumn(set, QStringLiteral("Ok"), fcBoolean);
    addColumn(set, QStringLiteral("Tags"), fcKeyword);
    QVERIFY(set.ColumnsSave(nullptr));
    const QString k = q(*host, QStringLiteral("PartId"));
    QVERIFY(sql(*host, QStringLiteral("INSERT INTO %1 (%2, %3) VALUES (1, 42)")
                               .arg(q(*host, Data), k, q(*host, QStringLiteral("Count")))));
    for (int id : {2, 98, 99})
        QVERIFY(sql(*host, QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)").arg(q(*host, Data), k).arg(id)));
    if (narrowed)
        host->baseTable->setSearchSelectionCriteria(
                QStringLiteral("SELECT %1 FROM %2 WHERE %3 >= 40")
                        .arg(k, q(*host, QStringLiteral("Parts")), q(*host, QStringLiteral("Qty"))));
    host->handler->setDatabaseType(databaseType == 0 ? host->connection().dialect().DatabaseType() : databaseType);

    QStringList texts;
    Progress progress([&](const QString &text, int, int, bool) { texts << text; });
    const QDateTime now = Convert::makeDate(QDate(2025, 6, 30), QTime(23, 59, 58));
    QCOMPARE(set.StartProcessDataReportProgress(&progress, false, ConvertMode::Convert, now), 0);

    QTEST(keysOf(*host, Data), "expected");
    QCOMPARE(valueOf(*host, Data, 1, QStringLiteral("Count"), fcInteger16), QStringLiteral("42"));
    QCOMPARE(valueOf(*host, Data, 4, QStringLiteral("Material"), fcText), QStringLiteral("O'Neil"));
    QCOMPARE(valueOf(*host, Data, 4, QStringLiteral("Count"), fcInteger16), QStringLiteral("0"));
    QCOMPARE(valueOf(*host, Data, 4, QStringLiteral("Ratio"), fcSingle), QStringLiteral("0"));
    QCOMPARE(valueOf(*host, Data, 4, QStringLiteral("Due"), fcDateTime), Convert::isoText(Configured));
    QCOMPARE(valueOf(*host, Data, 4, QStringLiteral("Stamp"), fcDateTime), Convert::isoText(now));
    QCOMPARE(valueOf(*host, Data, 4, QStringLiteral("Open"), fcDateTime), QStringLiteral("<null>"));
    QCOMPARE(valueOf(*host, Data, 4, QStringLiteral("Ok"), fcBoolean), QStringLiteral("False"));
    QVERIFY(!progress.running());
    QVERIFY(!texts.isEmpty());
    static const QRegularExpression share(QStringLiteral("PartsSearchData: \\d{1,3}\\.\\d\\d%$"));
    for (const QString &text : std::as_const(texts))
        QVERIFY2(share.match(text).hasMatch(), qPrintable(text));
    QVERIFY2(texts.last().endsWith(QStringLiteral(" 100.00%")), qPrintable(texts.last()));

    // A second run finds nothing to do.
    const QString before = dump(*host);
    QCOMPARE(set.StartProcessDataReportProgress(nullptr, true, ConvertMode::CheckOnly, now), 0);
    QVERIFY(host->handler->convertRequests().isEmpty());
    QCOMPARE(dump(*host), before);

    // The progress handler serves request 1 with its own arguments only.
    ProgressArgs other;
    QVERIFY(!set.IProgressHandler_ProcessRequest(progress, 2,
                                                 CFilterColumns::CreateCheckPopulationArguments(false, 1, now).get()));
    QVERIFY(!set.IProgressHandler_ProcessRequest(progress, 1, &other));
    QVERIFY(!set.IProgressHandler_ProcessRequest(progress, 1, nullptr));
    KvoTest::tally(KvoTest::currentEngine());
}

void TestTableCheck::extraFieldThatCannotBeDropped()
{
    auto host = KvoTest::makeHost(1);
    QVERIFY(host);
    addColumn(*host->columns(), QStringLiteral("Weight"), fcDouble);
    QVERIFY(host->columns()->ColumnsSave(nullptr));
    QVERIFY(sql(*host, QStringLiteral("ALTER TABLE %1 ADD COLUMN %2 INTEGER")
                               .arg(q(*host, Data), q(*host, QStringLiteral("Junk")))));
    QVERIFY(sql(*host, QStringLiteral("ALTER TABLE %1 ADD COLUMN %2 INTEGER")
                               .arg(q(*host, Data), q(*host, QStringLiteral("Spare")))));
    // Something depends on Junk: a view, or on MariaDB (where a view does not hold a column) a
    // check constraint over two fields. SQLite's view names the field unquoted: a double-quoted
    // name of a dropped field would silently turn into a text.
    const QString engine = KvoTest::currentEngine();
    if (engine == QLatin1String("mariadb"))
        QVERIFY(sql(*host, QStringLiteral("ALTER TABLE %1 ADD CONSTRAINT %2 CHECK (%3 > %4)")
                                   .arg(q(*host, Data), q(*host, QStringLiteral("CK_Junk")),
                                        q(*host, QStringLiteral("Junk")), q(*host, QStringLiteral("Weight")))));
    else
        QVERIFY(sql(*host, QStringLiteral("CREATE VIEW %1 AS SELECT %2 FROM %3")
                                   .arg(q(*host, QStringLiteral("JunkView")),
                                        engine == QLatin1String("sqlite") ? QStringLiteral("Junk")
                                                                          : q(*host, QStringLiteral("Junk")),
                                        q(*host, Data))));
    host->openFilter(QStringLiteral("Parts"));

    DiagnosticLog log;
    QCOMPARE(host->columns()->ValidateStandardTable(ConvertMode::Convert), 0);
    QCOMPARE(log.lines, (QStringList{"defined field count = 1", "failed to delete column Junk from PartsSearchData",
                                     "deleted column Spare from PartsSearchData"}));
    QCOMPARE(fieldsOf(*host, Data).size(), 3);
    KvoTest::tally(KvoTest::currentEngine());
}

// A repair that fails ends the check with CheckTableResult::Failed and an error report; nothing
// after it runs.
void TestTableCheck::failedRepairEndsTheCheck()
{
    if (KvoTest::currentEngine() == QLatin1String("sqlite"))
        QSKIP("SQLite keeps a text that is no number in a number field");
    auto host = KvoTest::makeHost(1);
    QVERIFY(host);
    addColumn(*host->columns(), QStringLiteral("Count"), fcInteger16);
    QVERIFY(host->columns()->ColumnsSave(nullptr));
    TableStructure retyped(Data);
    retyped.addField(QStringLiteral("Count"), adVarWChar, 20);
    QVERIFY(retyped.Convert(host->catalog()));
    QVERIFY(sql(*host,
                QStringLiteral("INSERT INTO %1 (%2, %3) VALUES (99, 'many')")
                        .arg(q(*host, Data), q(*host, QStringLiteral("PartId")), q(*host, QStringLiteral("Count")))));
    host->openFilter(QStringLiteral("Parts"));

    QCOMPARE(host->filter->CheckTable(nullptr, ConvertMode::Convert, true), int(CheckTableResult::Failed));
    const QStringList errors = ServicesHelper::instance().reportedErrors();
    QCOMPARE(errors.size(), 1);
    QVERIFY2(errors.first().startsWith(QStringLiteral("CheckColumn: ")), qPrintable(errors.first()));
    QCOMPARE(keysOf(*host, Data), QList<int>{99});
    KvoTest::tally(KvoTest::currentEngine());
}

// Rows under a former name move only where the current name has no definition of that name, and
// only in mode 1; they go after the positions in use, in their own order.
void TestTableCheck::formerDefinitionRows()
{
    auto host = KvoTest::makeHost(1);
    QVERIFY(host);
    addColumn(*host->columns(), QStringLiteral("Alpha"), fcText);
    QVERIFY(host->columns()->ColumnsSave(nullptr));
    QVERIFY(addDefinitionRow(*host, QStringLiteral("OldParts"), 1, QStringLiteral("Beta")));
    QVERIFY(addDefinitionRow(*host, QStringLiteral("OldParts"), 2, QStringLiteral("ALPHA")));
    QVERIFY(addDefinitionRow(*host, QStringLiteral("OldParts"), 3, QStringLiteral("Gamma")));
    QVERIFY(addDefinitionRow(*host, QStringLiteral("Others"), 1, QStringLiteral("Delta")));
    host->openFilter(QStringLiteral("Parts"), {QStringLiteral("Older"), QStringLiteral("OldParts")});
    QCOMPARE(host->columns()->formerNamesFound(), QStringList{"OldParts"});

    QVERIFY(host->columns()->CheckColumns(nullptr, ConvertMode::CheckOnly));
    QCOMPARE(definitionRows(*host, QStringLiteral("Parts")), QStringList{"1:Alpha"});

    QVERIFY(host->columns()->CheckColumns(nullptr, ConvertMode::Convert));
    QCOMPARE(definitionRows(*host, QStringLiteral("Parts")), (QStringList{"1:Alpha", "2:Beta", "3:Gamma"}));
    QCOMPARE(definitionRows(*host, QStringLiteral("OldParts")), QStringList{"2:ALPHA"});
    QCOMPARE(definitionRows(*host, QStringLiteral("Others")), QStringList{"1:Delta"});
    QStringList names;
    for (const CFilterColumn *c : host->columns()->NewEnum())
        names << QString::number(c->Index()) + c->Name();
    QCOMPARE(names, (QStringList{"1Alpha", "2Beta", "3Gamma"}));
    KvoTest::tally(KvoTest::currentEngine());
}

void TestTableCheck::checkNameList_data()
{
    QTest::addColumn<QStringList>("columns"); // name:type[:p] (p = picklist)
    QTest::addColumn<QStringList>("formerNames");
    QTest::addColumn<bool>("twoTables");
    QTest::addColumn<QStringList>("expected"); // "new<old"
    QTest::newRow("two former names, one keyword column")
            << QStringList{"Material:1", "Weight:5", "Tags:0"} << QStringList{"A", "B"} << false
            << QStringList{"PartsSearchData<ASearchData", "PartsSearchData<BSearchData",
                           "PartsSearchKeywordTags<ASearchKeywordTags", "PartsSearchKeywordTags<BSearchKeywordTags"};
    QTest::newRow("keyword first, picklists")
            << QStringList{"Tags:0", "Grade:1:p", "Size:3:p"} << QStringList{"Old"} << false
            << QStringList{"PartsSearchKeywordTags<OldSearchKeywordTags", "PartsSearchData<OldSearchData",
                           "PicklistPartsGrade<PicklistOldGrade", "PicklistPartsSize<PicklistOldSize"};
    QTest::newRow("every table index and name index")
            << QStringList{"Tags:0"} << QStringList() << true
            << QStringList{"PartsSearchKeywordTags<T11SearchKeywordTags", "PartsSearchKeywordTags<T12SearchKeywordTags",
                           "PartsSearchKeywordTags<T21SearchKeywordTags"};
    QTest::newRow("not renamed") << QStringList{"Material:1", "Tags:0"} << QStringList() << false << QStringList();
}

void TestTableCheck::checkNameList()
{
    if (KvoTest::currentEngine() != QLatin1String("sqlite"))
        QSKIP("names are built without the database");
    QFETCH(QStringList, columns);
    QFETCH(QStringList, formerNames);
    QFETCH(bool, twoTables);
    auto host = KvoTest::makeHost(1);
    QVERIFY(host);
    host->openFilter(QStringLiteral("Parts"), formerNames);
    RenamedBaseTable renamed;
    if (twoTables) {
        host->filter.reset();
        host->filter = CCommon::global().CreateSearchFilterObject(host->handler.get(), &renamed, &host->catalog(),
                                                                  host->profile.get(), 0, host->structure.get());
    }
    for (const QString &spec : columns) {
        const QStringList parts = spec.split(u':');
        QVERIFY(addColumn(*host->columns(), parts.at(0), FilterColumnTypeConstants(parts.at(1).toInt()),
                          parts.size() > 2));
    }
    const std::unique_ptr<CCheckNameList> list = host->filter->GetCheckNameList();
    QVERIFY(list);
    QStringList entries;
    for (qint32 i = 1; i <= list->Count(); ++i) {
        QCOMPARE(list->Entry(i)->Index(), i);
        entries << list->Entry(i)->NewName() + QLatin1Char('<') + list->Entry(i)->OldName();
    }
    QTEST(entries, "expected");
    QVERIFY(!list->Entry(0));
    QVERIFY(!list->Entry(list->Count() + 1));
    host->filter.reset();
}

QTEST_GUILESS_MAIN(TestTableCheck)
#include "tst_tablecheck.moc"
