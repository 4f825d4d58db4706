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
#include "hostkit/dialect.h"
#include "hostkit/formsinterface.h"
#include "hostkit/progress.h"
#include "hostkit/recordset.h"
#include "hostkit/serviceshelper.h"
#include "hostkit/tablestructure.h"

#include <QTest>

using namespace KvoPlx800SCtl;
using namespace KvoPlx800SCtl::HostKit;
using namespace Qt::StringLiterals;
using KvoTest::definitionRows;
using KvoTest::fieldNames;
using KvoTest::tableExists;

namespace {

const QString Def = u"SearchColumnConfiguration"_s;
const QString Data = u"PartsSearchData"_s;
const QString Labels = u"PartsSearchKeywordLabels"_s;
const QString MaterialPicklist = u"PicklistPartsMaterial"_s;
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

bool run(KvoTest::Host &host, const QString &statement) { return KvoTest::run(host.connection(), statement); }

// The keys of a table's rows, in order.
QStringList keysOf(KvoTest::Host &host, const QString &table)
{
    return KvoTest::rows(host.connection(), u"SELECT [PartId] FROM [%1] ORDER BY 1"_s.arg(table));
}

// Fields of record id's search-data row, each read as its column's type reads it, joined by "|";
// "<null>" for NULL, "<none>" without a row.
QString valuesOf(KvoTest::Host &host, int id, const QStringList &fields)
{
    Connection &db = host.connection();
    auto rs = db.OpenQuery(
            KvoTest::sql(db, u"SELECT [%1] FROM [%2] WHERE [PartId] = %3"_s.arg(fields.join(u"], ["), Data).arg(id)));
    if (!rs || rs->EOF())
        return u"<none>"_s;
    QStringList out;
    for (int i = 0; i < fields.size(); ++i) {
        const Variant v = Convert::fromDatabase(rs->value(i), host.columns()->Item(fields.at(i))->ColumnType());
        out << (v.isNull() ? u"<null>"_s : v.toText());
    }
    return out.join(u'|');
}

// Columns Material (text picklist, default Steel), Weight (double), Count (int16), Due (date,
// configured default), Ok (Boolean), Tags and Labels (keywords); record 1 holds values, the other
// records have empty rows.
bool makeColumns(KvoTest::Host &host)
{
    CFilterColumns &set = *host.columns();
    addColumn(set, u"Material"_s, fcText, true, u"Steel"_s);
    addColumn(set, u"Weight"_s, fcDouble);
    addColumn(set, u"Count"_s, fcInteger16);
    addColumn(set, u"Due"_s, fcDateTime);
    addColumn(set, u"Ok"_s, fcBoolean);
    addColumn(set, u"Tags"_s, fcKeyword);
    addColumn(set, u"Labels"_s, fcKeyword);
    return set.ColumnsSave(nullptr)
           && run(host, u"INSERT INTO [PartsSearchData] ([PartId], [Material], [Weight], [Count], [Ok]) "
                        "VALUES (1, 'Steel', 2.5, 7, 1)"_s)
           && run(host, u"INSERT INTO [PartsSearchData] ([PartId]) SELECT [PartId] FROM [Parts] WHERE [PartId] > 1"_s)
           && run(host, u"INSERT INTO [PartsSearchKeywordTags] ([PartId], [Tags]) VALUES (1, 'red')"_s);
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
    TableStructure retyped(Data);
    retyped.addField(u"Count"_s, adVarWChar, 20);
    return TableStructure(MaterialPicklist).DropTable(catalog) && TableStructure(Data).DropField(catalog, u"Weight"_s)
           && retyped.Convert(catalog) && host.handler->DropTable(catalog, Labels)
           && run(host, u"ALTER TABLE [PartsSearchData] ADD COLUMN [Junk] INTEGER"_s)
           && run(host, u"DELETE FROM [PartsSearchData] WHERE [PartId] = 2"_s)
           && run(host, u"INSERT INTO [PartsSearchData] ([PartId]) VALUES (99)"_s);
}

bool addDefinitionRow(KvoTest::Host &host, const QString &baseTable, int position, const QString &name)
{
    return run(host, u"INSERT INTO [%1] ([BaseTable], [Position], [Name], [Type], [Size], [IsPicklist], "
                     "[PicklistAllowBlanks]) VALUES ('%2', %3, '%4', 1, 20, 0, 0)"_s.arg(Def, baseTable)
                             .arg(position)
                             .arg(name));
}

// A base table renamed twice over two tables' worth of names: former names T<table><name>.
class RenamedBaseTable : public BaseTableInfo
{
public:
    RenamedBaseTable() : BaseTableInfo(u"Parts"_s) {}
    bool CheckTableIsRenamed() const override { return true; }
    qint32 CheckTableTableNameCount() const override { return 2; }
    qint32 CheckTableNameCount() const override { return 2; }
    QString CheckTableNameOld(qint32 t, qint32 n) const override
    {
        return t == 2 && n == 2 ? QString() : u"T%1%2"_s.arg(t).arg(n);
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

    void withoutColumnsNothingIsTouched()
    {
        KVO_MAKE_HOST(3);
        // A stray search-data table with an orphaned row and a missing one.
        QVERIFY(run(*host, u"CREATE TABLE [PartsSearchData] ([PartId] INTEGER, [Junk] INTEGER)"_s));
        QVERIFY(run(*host, u"INSERT INTO [PartsSearchData] VALUES (99, 1)"_s));
        const QStringList before = KvoTest::dump(*host);
        QCOMPARE(host->filter->CheckTable(nullptr, ConvertMode::Convert, true), 0);
        // A search filter whose set-up failed has no column set at all.
        auto broken = CCommon::global().CreateSearchFilterObject(nullptr, host->baseTable.get(), &host->catalog(),
                                                                 host->profile.get(), 0, host->structure.get());
        QCOMPARE(broken->CheckTable(nullptr, ConvertMode::Convert, true), 0);
        QVERIFY(!broken->GetCheckNameList());
        QCOMPARE(KvoTest::dump(*host), before);
        QVERIFY(host->handler->convertRequests().isEmpty());
    }

    // Mode 1 brings every drifted table back, keeps what still has a column, and a second check
    // finds nothing to ask about.
    void driftedTablesAreRepaired()
    {
        KVO_MAKE_HOST(4);
        QVERIFY(makeColumns(*host));
        QVERIFY(drift(*host));
        // Colour was defined under the former name OldParts; its position clashes with Material's.
        QVERIFY(addDefinitionRow(*host, u"OldParts"_s, 1, u"Colour"_s));
        host->openTable(u"Parts"_s, {u"OldParts"_s});
        DiagnosticLog log;
        QCOMPARE(host->filter->CheckTable(nullptr, ConvertMode::Convert, true), 0);
        QCOMPARE(ServicesHelper::instance().reportedErrors(), QStringList());
        QCOMPARE(log.lines,
                 (QStringList{"defined field count = 6", "database column Weight missing from PartsSearchData",
                              "database column Colour missing from PartsSearchData",
                              "deleted column Junk from PartsSearchData"}));
        QVERIFY(host->handler->convertRequests().isEmpty());

        CFilterColumns &set = *host->columns();
        QVERIFY(set.MyStructureDefinition().Compare(host->catalog(), CompareExact | CompareKeyFields));
        QCOMPARE(definitionRows(*host).size(), 8);
        QVERIFY(definitionRows(*host, u"OldParts"_s).isEmpty());
        for (CFilterColumn *c : set.NewEnum()) {
            QVERIFY2(set.MyStructureDefault(c).Compare(host->catalog(), CompareExact), qPrintable(c->Name()));
            if (c->IsPicklist())
                QVERIFY(c->PickList()->MyStructure().Compare(host->catalog(), CompareExact));
        }

        // Values kept, the missing row made from the defaults (the older layout kept no date
        // default: the converted definition has none either), the orphan gone.
        QCOMPARE(keysOf(*host, Data), (QStringList{"1", "2", "3", "4"}));
        QCOMPARE(keysOf(*host, u"PartsSearchKeywordTags"_s), QStringList{"1"});
        const QStringList fields = {"Material", "Weight", "Count", "Due", "Ok"};
        QCOMPARE(valuesOf(*host, 1, fields), u"Steel|0|7|%1|True"_s.arg(Convert::isoText(Configured)));
        QCOMPARE(valuesOf(*host, 2, fields), u"Steel|0|0|<null>|False"_s);

        // Nothing is left to convert: mode 0 asks nothing.
        host->openTable(u"Parts"_s, {u"OldParts"_s});
        QCOMPARE(host->filter->CheckTable(nullptr, ConvertMode::CheckOnly, true), 0);
        QVERIFY(host->handler->convertRequests().isEmpty());
    }

    // In mode 0 the handler is asked first, and its refusal leaves everything as it was. (An older
    // definition layout declined and accepted: cli_check on every engine.)
    void modeZeroAsksTheHandler()
    {
        KVO_MAKE_HOST(3);
        QVERIFY(addColumn(*host->columns(), u"Weight"_s, fcDouble) && host->columns()->ColumnsSave(nullptr));
        QVERIFY(TableStructure(Def).DropField(host->catalog(), u"DisableEditDateTime"_s));
        host->openTable(u"Parts"_s);
        host->handler->setConvertAnswer([](const QString &, const QString &, int mode) {
            return mode == ConvertMode::CheckOnly ? int(CheckTableResult::NotAllowed) : -1;
        });
        const QStringList before = KvoTest::dump(*host);
        QCOMPARE(host->filter->CheckTable(nullptr, ConvertMode::CheckOnly, true), int(CheckTableResult::NotAllowed));
        QCOMPARE(host->handler->convertRequests(), QStringList{u"Parts"_s});
        QCOMPARE(KvoTest::dump(*host), before);
    }

    // A code other than 0 ends the check where it is given: nothing after it runs.
    void codesEndTheCheck_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("databaseType");
        QTest::newRow("keyword table") << Labels << 1 << 0;
        QTest::newRow("picklist table") << MaterialPicklist << 4 << 0;
        QTest::newRow("population, SQL form") << Data << 5 << 0;
        QTest::newRow("population, record-set form") << Data << 3 << int(DatabaseKind::RecordSetForm);
    }

    void codesEndTheCheck()
    {
        QFETCH(QString, table);
        QFETCH(int, code);
        QFETCH(int, databaseType);
        KVO_MAKE_HOST(3);
        // Keyword Labels before picklist Material: the columns are checked in position order.
        CFilterColumns &set = *host->columns();
        addColumn(set, u"Weight"_s, fcDouble);
        addColumn(set, u"Labels"_s, fcKeyword);
        addColumn(set, u"Material"_s, fcText, true, u"Steel"_s);
        QVERIFY(set.ColumnsSave(nullptr));
        // The population rows drift only in their rows, so that the population check is the one asked.
        const bool tablesDrift = table != Data;
        if (tablesDrift) {
            QVERIFY(TableStructure(MaterialPicklist).DropTable(host->catalog()));
            QVERIFY(host->handler->DropTable(host->catalog(), Labels));
        }
        QVERIFY(run(*host, u"INSERT INTO [PartsSearchData] ([PartId]) VALUES (99)"_s));
        host->handler->setDatabaseType(databaseType == 0 ? host->connection().dialect().DatabaseType() : databaseType);
        host->handler->setConvertAnswer([&](const QString &, const QString &asked, int) {
            return asked == table ? code : int(CheckTableResult::Continue);
        });
        host->openTable(u"Parts"_s);

        QCOMPARE(host->filter->CheckTable(nullptr, ConvertMode::CheckOnly, true), code);
        QCOMPARE(host->handler->convertRequests().last(), table);
        QCOMPARE(host->handler->convertRequests().count(table), 1);
        // The population check never ran to its end: the orphan is still there.
        QCOMPARE(keysOf(*host, Data), QStringList{"99"});
        QCOMPARE(tableExists(host->catalog(), Labels), table != Labels);
        QCOMPARE(tableExists(host->catalog(), MaterialPicklist), !tablesDrift);
    }

    void populationForms_data()
    {
        QTest::addColumn<int>("databaseType");
        QTest::addColumn<bool>("narrowed");
        QTest::addColumn<QStringList>("expected");
        // Records 1..5; rows for 1 (with values) and 2 exist, orphans 98 and 99.
        const QStringList all = {"1", "2", "3", "4", "5"};
        QTest::newRow("SQL form") << 0 << false << all;
        QTest::newRow("record-set form") << int(DatabaseKind::RecordSetForm) << false << all;
        // Only records with Qty >= 40 get rows; rows of other base records stay.
        const QStringList narrowed = {"1", "2", "4", "5"};
        QTest::newRow("SQL form, selection") << 0 << true << narrowed;
        QTest::newRow("record-set form, selection") << int(DatabaseKind::RecordSetForm) << true << narrowed;
    }

    void populationForms()
    {
        QFETCH(int, databaseType);
        QFETCH(bool, narrowed);
        KVO_MAKE_HOST(5);
        CFilterColumns &set = *host->columns();
        addColumn(set, u"Material"_s, fcText, true, u"O'Neil"_s);
        addColumn(set, u"Count"_s, fcInteger16);
        addColumn(set, u"Ratio"_s, fcSingle);
        addColumn(set, u"Due"_s, fcDateTime);
        addColumn(set, u"Stamp"_s, fcDateTime)->setDateTimeDefaultMode(fcDTDM_Now);
        addColumn(set, u"Open"_s, fcDateTime)->setDateTimeDefaultValue(Variant::null());
        addColumn(set, u"Ok"_s, fcBoolean);
        addColumn(set, u"Tags"_s, fcKeyword);
        QVERIFY(set.ColumnsSave(nullptr));
        QVERIFY(run(*host, u"INSERT INTO [PartsSearchData] ([PartId], [Count]) VALUES (1, 42)"_s));
        QVERIFY(run(*host, u"INSERT INTO [PartsSearchData] ([PartId]) VALUES (2)"_s));
        QVERIFY(run(*host, u"INSERT INTO [PartsSearchData] ([PartId]) VALUES (98)"_s));
        QVERIFY(run(*host, u"INSERT INTO [PartsSearchData] ([PartId]) VALUES (99)"_s));
        if (narrowed)
            host->baseTable->setSearchSelectionCriteria(
                    KvoTest::sql(host->connection(), u"SELECT [PartId] FROM [Parts] WHERE [Qty] >= 40"_s));
        host->handler->setDatabaseType(databaseType == 0 ? host->connection().dialect().DatabaseType() : databaseType);

        QStringList texts;
        Progress progress([&](const QString &text, int, int, bool) { texts << text; });
        const QDateTime now = Convert::makeDate(QDate(2025, 6, 30), QTime(23, 59, 58));
        QCOMPARE(TableCheck(set).StartProcessDataReportProgress(&progress, false, ConvertMode::Convert, now), 0);

        QTEST(keysOf(*host, Data), "expected");
        QCOMPARE(valuesOf(*host, 1, {u"Count"_s}), u"42"_s);
        QCOMPARE(valuesOf(*host, 4, {"Material", "Count", "Ratio", "Due", "Stamp", "Open", "Ok"}),
                 u"O'Neil|0|0|%1|%2|<null>|False"_s.arg(Convert::isoText(Configured), Convert::isoText(now)));
        QVERIFY(!progress.running() && !texts.isEmpty());
        QVERIFY2(texts.last().endsWith(u"PartsSearchData: 100.00%"_s), qPrintable(texts.last()));

        // A second run finds nothing to do.
        const QStringList before = KvoTest::dump(*host);
        QCOMPARE(TableCheck(set).StartProcessDataReportProgress(nullptr, true, ConvertMode::CheckOnly, now), 0);
        QVERIFY(host->handler->convertRequests().isEmpty());
        QCOMPARE(KvoTest::dump(*host), before);
    }

    void extraFieldThatCannotBeDropped()
    {
        KVO_MAKE_HOST(1);
        QVERIFY(addColumn(*host->columns(), u"Weight"_s, fcDouble) && host->columns()->ColumnsSave(nullptr));
        QVERIFY(run(*host, u"ALTER TABLE [PartsSearchData] ADD COLUMN [Junk] INTEGER"_s));
        QVERIFY(run(*host, u"ALTER TABLE [PartsSearchData] ADD COLUMN [Spare] INTEGER"_s));
        // Something depends on Junk: a view, or on MariaDB (where a view does not hold a column) a
        // check constraint over two fields. SQLite's view names the field unquoted: a double-quoted
        // name of a dropped field would silently turn into a text.
        const Engine engine = KvoTest::currentEngine();
        if (engine == Engine::MariaDB)
            QVERIFY(run(*host, u"ALTER TABLE [PartsSearchData] ADD CONSTRAINT [CK_Junk] CHECK ([Junk] > [Weight])"_s));
        else
            QVERIFY(run(*host, u"CREATE VIEW [JunkView] AS SELECT %1 FROM [PartsSearchData]"_s.arg(
                                       engine == Engine::SQLite ? u"Junk"_s : u"[Junk]"_s)));
        host->openTable(u"Parts"_s);

        DiagnosticLog log;
        QCOMPARE(TableCheck(*host->columns()).ValidateStandardTable(ConvertMode::Convert), 0);
        QCOMPARE(log.lines, (QStringList{"defined field count = 1", "failed to delete column Junk from PartsSearchData",
                                         "deleted column Spare from PartsSearchData"}));
        QCOMPARE(fieldNames(host->catalog(), Data).size(), 3);
    }

    // A repair that fails ends the check with CheckTableResult::Failed and an error report; nothing
    // after it runs.
    void failedRepairEndsTheCheck()
    {
        if (KvoTest::currentEngine() == Engine::SQLite)
            QSKIP("SQLite keeps a text that is no number in a number field");
        KVO_MAKE_HOST(1);
        QVERIFY(addColumn(*host->columns(), u"Count"_s, fcInteger16) && host->columns()->ColumnsSave(nullptr));
        TableStructure retyped(Data);
        retyped.addField(u"Count"_s, adVarWChar, 20);
        QVERIFY(retyped.Convert(host->catalog()));
        QVERIFY(run(*host, u"INSERT INTO [PartsSearchData] ([PartId], [Count]) VALUES (99, 'many')"_s));
        host->openTable(u"Parts"_s);

        QCOMPARE(host->filter->CheckTable(nullptr, ConvertMode::Convert, true), int(CheckTableResult::Failed));
        const QStringList errors = ServicesHelper::instance().reportedErrors();
        QCOMPARE(errors.size(), 1);
        QVERIFY2(errors.first().startsWith(u"CheckColumn: "_s), qPrintable(errors.first()));
        QCOMPARE(keysOf(*host, Data), QStringList{"99"});
    }

    // Rows under a former name move only where the current name has no definition of that name,
    // and only in mode 1; they go after the positions in use, in their own order.
    void formerDefinitionRows()
    {
        KVO_MAKE_HOST(1);
        QVERIFY(addColumn(*host->columns(), u"Alpha"_s, fcText) && host->columns()->ColumnsSave(nullptr));
        QVERIFY(addDefinitionRow(*host, u"OldParts"_s, 1, u"Beta"_s));
        QVERIFY(addDefinitionRow(*host, u"OldParts"_s, 2, u"ALPHA"_s));
        QVERIFY(addDefinitionRow(*host, u"OldParts"_s, 3, u"Gamma"_s));
        QVERIFY(addDefinitionRow(*host, u"Others"_s, 1, u"Delta"_s));
        host->openTable(u"Parts"_s, {u"Older"_s, u"OldParts"_s});
        QCOMPARE(host->columns()->formerNamesFound(), QStringList{"OldParts"});

        QVERIFY(TableCheck(*host->columns()).CheckColumns(nullptr, ConvertMode::CheckOnly));
        QCOMPARE(definitionRows(*host), QStringList{"1|Alpha|1"});

        QVERIFY(TableCheck(*host->columns()).CheckColumns(nullptr, ConvertMode::Convert));
        QCOMPARE(definitionRows(*host), (QStringList{"1|Alpha|1", "2|Beta|1", "3|Gamma|1"}));
        QCOMPARE(definitionRows(*host, u"OldParts"_s), QStringList{"2|ALPHA|1"});
        QCOMPARE(definitionRows(*host, u"Others"_s), QStringList{"1|Delta|1"});
        QStringList names;
        for (const CFilterColumn *c : host->columns()->NewEnum())
            names << QString::number(c->Index()) + c->Name();
        QCOMPARE(names, (QStringList{"1Alpha", "2Beta", "3Gamma"}));
    }

    // (Two former names and none: cli_check on every engine.)
    void checkNameList_data()
    {
        QTest::addColumn<QStringList>("columns"); // name:type[:p] (p = picklist)
        QTest::addColumn<QStringList>("formerNames");
        QTest::addColumn<bool>("twoTables");
        QTest::addColumn<QStringList>("expected"); // "new<old"
        QTest::newRow("keyword first, picklists")
                << QStringList{"Tags:0", "Grade:1:p", "Size:3:p"} << QStringList{"Old"} << false
                << QStringList{"PartsSearchKeywordTags<OldSearchKeywordTags", "PartsSearchData<OldSearchData",
                               "PicklistPartsGrade<PicklistOldGrade", "PicklistPartsSize<PicklistOldSize"};
        QTest::newRow("every table index and name index") << QStringList{"Tags:0"} << QStringList() << true
                                                          << QStringList{"PartsSearchKeywordTags<T11SearchKeywordTags",
                                                                         "PartsSearchKeywordTags<T12SearchKeywordTags",
                                                                         "PartsSearchKeywordTags<T21SearchKeywordTags"};
    }

    void checkNameList()
    {
        KVO_SQLITE_ONLY("names are built without the database");
        QFETCH(QStringList, columns);
        QFETCH(QStringList, formerNames);
        QFETCH(bool, twoTables);
        KVO_MAKE_HOST(1);
        host->openTable(u"Parts"_s, formerNames);
        RenamedBaseTable renamed;
        if (twoTables) {
            host->filter.reset();
            host->filter = CCommon::global().CreateSearchFilterObject(host->handler.get(), &renamed, &host->catalog(),
                                                                      host->profile.get(), 0, host->structure.get());
        }
        for (const QString &entry : columns) {
            const QStringList parts = entry.split(u':');
            QVERIFY(addColumn(*host->columns(), parts.at(0), FilterColumnTypeConstants(parts.at(1).toInt()),
                              parts.size() > 2));
        }
        const std::unique_ptr<CCheckNameList> list = host->filter->GetCheckNameList();
        QVERIFY(list);
        QStringList entries;
        for (qint32 i = 1; i <= list->Count(); ++i) {
            QCOMPARE(list->Entry(i)->Index(), i);
            entries << list->Entry(i)->NewName() + u'<' + list->Entry(i)->OldName();
        }
        QTEST(entries, "expected");
        QVERIFY(!list->Entry(0) && !list->Entry(list->Count() + 1));
        host->filter.reset();
    }
};

QTEST_GUILESS_MAIN(TestTableCheck)
#include "tst_tablecheck.moc"
