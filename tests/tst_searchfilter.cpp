// The entry objects: a search filter's SQL fragments, the requests whose work is not available in
// this build, and the demonstration column sets with their values.
#include "testhost.h"

#include "columns/cfiltercolumns.h"
#include "filter/cfilterterms.h"
#include "picklists/cscpicklist.h"

#include "hostkit/connection.h"
#include "hostkit/progress.h"
#include "hostkit/serviceshelper.h"

#include <QRegularExpression>
#include <QTest>

using namespace KvoPlx800SCtl;
using namespace KvoPlx800SCtl::HostKit;
using namespace Qt::StringLiterals;

namespace {

// Name|caption|type|length|picklist|blanks|default|mode|no date edit, one line per column.
QStringList describe(const CFilterColumns &set)
{
    QStringList lines;
    for (const CFilterColumn *c : set.NewEnum()) {
        lines.append(u"%1|%2|%3|%4|%5|%6|%7|%8|%9"_s.arg(c->Name(), c->Caption())
                             .arg(int(c->ColumnType()))
                             .arg(c->TextLengthInUI())
                             .arg(int(c->IsPicklist()))
                             .arg(int(c->PicklistAllowBlanks()))
                             .arg(c->PicklistDefault())
                             .arg(int(c->DateTimeDefaultMode()))
                             .arg(int(c->DisableEditDateTime())));
    }
    return lines;
}

} // namespace

class TestSearchFilter : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase_data() { KvoTest::addEngineRows(); }

    // The fragments with columns are checked on every engine by the command-line scenarios and as a
    // real query in tst_filtercolumns.
    void sqlFragments()
    {
        KVO_SQLITE_ONLY("the quoting of each engine: tst_dialect");
        KVO_MAKE_HOST(1);
        // No columns yet: no fields, no table, but the join is known.
        QVERIFY(host->filter->SQLSearchFields().isEmpty());
        QVERIFY(host->filter->SQLSearchTable().isEmpty());
        QCOMPARE(host->filter->SQLSearchJoinOn(), u"\"Parts\".\"PartId\" = \"PartsSearchData\".\"PartId\""_s);
    }

    // Requests for windows that no window library provides (a headless host) report so and return
    // their neutral result; none of them claims success.
    void unavailableRequestsDoNotPretend()
    {
        KVO_SQLITE_ONLY("no database work: SQLite covers it");
        KVO_MAKE_HOST(1);
        QVERIFY(KvoTest::addColumns(*host->columns(), {{"A", fcText, {}, 10}}));
        installSearchFilterWindows(nullptr);
        CSearchFilter &f = *host->filter;
        CMergeBaseEntry entry(1);
        KvoTest::ReportedFailures failures;
        f.View(nullptr, &entry, nullptr);
        f.Configure(nullptr);
        QVERIFY(!f.Filter(nullptr, u"u"_s, nullptr, fltrDBMode_Normal));
        for (const char *source : {"CSearchFilter.View", "CSearchFilter.Configure", "CSearchFilter.Filter"})
            QVERIFY2(failures.sources().contains(QString::fromLatin1(source)), source);
    }

    void createsColumnsAndEntries_data()
    {
        QTest::addColumn<int>("set");
        QTest::addColumn<QStringList>("columns");
        QTest::addColumn<QString>("picklist");
        QTest::addColumn<QStringList>("entries"); // blanks are allowed: the empty entry too
        const int now = fcDTDM_Now;
        QTest::newRow("DNC file") << int(fltrDCS_DncFile)
                                  << QStringList{u"DrawingNo|Drawing Number|1|20|0|0||%1|1"_s.arg(now),
                                                 u"PartNo|Part Number|1|20|0|0||%1|1"_s.arg(now),
                                                 u"Customer||1|20|1|1||%1|1"_s.arg(now)}
                                  << u"Customer"_s
                                  << QStringList{"",           "Acme Machine",          "General Parts",
                                                 "Harbor Mfg", "Northside Auto Supply", "Valley Gear and Axle"};
        QTest::newRow("packet") << int(fltrDCS_Packet)
                                << QStringList{u"OpNo|Operation Number|1|10|0|0||%1|1"_s.arg(now),
                                               u"OpType|Operation Type|1|20|1|1||%1|1"_s.arg(now),
                                               u"Description||8|255|0|1|Add description here!|%1|0"_s.arg(now)}
                                << u"OpType"_s << QStringList{"", "Drill", "Finish Cut", "Mill", "Rough Cut"};
    }

    // A demo set is made without a message, once, stored as a new search filter reads it, and only
    // its picklist column has a picklist table.
    void createsColumnsAndEntries()
    {
        QFETCH(int, set);
        QFETCH(QString, picklist);
        KVO_MAKE_HOST(2);
        QVERIFY(!host->filter->Exists());
        KvoTest::ScriptedMessages messages(1);
        Progress progress;
        progress.SetText(u"host text"_s);
        FixedFormsInterface owner({0, 0, 100, 100});
        host->filter->CreateDemoColumnSet(EDemoColumnSet(set), &progress, &owner);
        QVERIFY(host->filter->Exists());
        // Asking again, for any set, changes nothing and says nothing (the same set: cli_data).
        host->filter->CreateDemoColumnSet(fltrDCS_ControlledDocument, nullptr, nullptr);
        QVERIFY(messages.requests().isEmpty());
        QTEST(describe(*host->columns()), "columns");

        host->openTable(u"Parts"_s);
        QTEST(describe(*host->columns()), "columns");
        CFilterColumn *column = host->columns()->Item(picklist);
        QVERIFY(column);
        for (CFilterColumn *c : host->columns()->NewEnum())
            QVERIFY(!c->IsPicklistTableMissing());
        QStringList stored = KvoTest::rows(host->connection(),
                                           u"SELECT [%1] FROM [%2]"_s.arg(picklist, column->PickList()->TableName()));
        stored.sort();
        QTEST(stored, "entries");
        host->catalog().Refresh();
        QCOMPARE(host->catalog().tableNames().filter(
                         QRegularExpression(u"^picklist"_s, QRegularExpression::CaseInsensitiveOption)),
                 QStringList{column->PickList()->TableName()});
    }

    // Sample values reach an existing search-data row only, hostile texts intact; a customer that is
    // not in the picklist is refused as a whole.
    void updateWritesAnExistingRowOnly()
    {
        KVO_MAKE_HOST(3);
        host->filter->CreateDemoColumnSet(fltrDCS_DncFile, nullptr, nullptr);
        QVERIFY(host->filter->Exists());
        Connection &db = host->connection();
        QVERIFY(KvoTest::run(db, u"INSERT INTO [PartsSearchData] ([PartId]) VALUES (1)"_s));
        QVERIFY(KvoTest::run(db, u"INSERT INTO [PartsSearchData] ([PartId]) VALUES (2)"_s));
        const QString select =
                u"SELECT [PartId], [DrawingNo], [PartNo], [Customer] FROM [PartsSearchData] ORDER BY 1"_s;
        QCOMPARE(KvoTest::rows(db, select), (QStringList{"1|||", "2|||"}));

        CMergeBaseEntry first(1), third(3);
        CSearchFilter &f = *host->filter;
        f.UpdateDemoDncFile(nullptr, nullptr, &first, u"D-'1'"_s, u"P\\1; --"_s, u"Harbor Mfg"_s);
        f.UpdateDemoDncFile(nullptr, nullptr, &third, u"D-3"_s, u"P-3"_s, u"Acme Machine"_s);
        f.UpdateDemoDncFile(nullptr, nullptr, nullptr, u"D-x"_s, u"P-x"_s, u"Acme Machine"_s);
        const QStringList expected{"1|D-'1'|P\\1; --|Harbor Mfg", "2|||"};
        QCOMPARE(KvoTest::rows(db, select), expected);
        f.UpdateDemoDncFile(nullptr, nullptr, &first, u"D-9"_s, u"P-9"_s, u"Nobody"_s);
        QCOMPARE(KvoTest::rows(db, select), expected);
    }
};

QTEST_GUILESS_MAIN(TestSearchFilter)
#include "tst_searchfilter.moc"
