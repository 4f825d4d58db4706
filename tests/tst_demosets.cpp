// The demonstration column sets and their sample values.
#include "testhost.h"

#include "columns/cfiltercolumns.h"
#include "core/conversions.h"
#include "picklists/cscpicklist.h"

#include "hostkit/connection.h"
#include "hostkit/progress.h"
#include "hostkit/recordset.h"
#include "hostkit/serviceshelper.h"

#include <QScopeGuard>
#include <QTest>

using namespace KvoPlx800SCtl;
using namespace KvoPlx800SCtl::HostKit;

namespace {

// Name|caption|type|length|picklist|blanks|default|mode|no date edit, one line per column.
QStringList describe(const CFilterColumns &set)
{
    QStringList lines;
    for (const CFilterColumn *c : set.NewEnum()) {
        lines.append(QStringLiteral("%1|%2|%3|%4|%5|%6|%7|%8|%9")
                             .arg(c->Name(), c->Caption())
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

QStringList entries(Connection &db, CFilterColumn *column)
{
    QStringList values;
    auto rs = db.OpenQuery(QStringLiteral("SELECT %1 FROM %2")
                                   .arg(db.QuoteName(column->Name()), db.QuoteName(column->PickList()->TableName())));
    for (; rs && !rs->EOF(); rs->MoveNext())
        values.append(rs->value(0).toString());
    values.sort();
    return values;
}

// Each search-data row as key=value|value|value.
QStringList rows(Connection &db, const QStringList &fields)
{
    QStringList quoted;
    for (const QString &f : fields)
        quoted.append(db.QuoteName(f));
    QStringList lines;
    auto rs = db.OpenQuery(QStringLiteral("SELECT %1, %2 FROM %3 ORDER BY %1")
                                   .arg(db.QuoteName(QStringLiteral("PartId")), quoted.join(QStringLiteral(", ")),
                                        db.QuoteName(QStringLiteral("PartsSearchData"))));
    for (; rs && !rs->EOF(); rs->MoveNext()) {
        QStringList values;
        for (int i = 1; i <= fields.size(); ++i)
            values.append(rs->value(i).isNull() ? QStringLiteral("<null>") : rs->value(i).toString());
        lines.append(rs->value(0).toString() + QLatin1Char('=') + values.join(QLatin1Char('|')));
    }
    return lines;
}

struct Messages
{
    Messages()
        : previous(ServicesHelper::instance().setMessageHandler([this](const MessageRequest &request) {
              shown.append(request);
              return 1;
          }))
    {}
    ~Messages() { ServicesHelper::instance().setMessageHandler(previous); }
    QList<MessageRequest> shown;
    ServicesHelper::MessageHandler previous;
};

} // namespace

class TestDemoSets : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase_data() { KvoTest::addEngineRows(); }

    void createsColumnsAndEntries_data();
    void createsColumnsAndEntries();
    void existingSetIsLeftAlone();
    void setsNotImplemented_data();
    void setsNotImplemented();
    void updateWritesAnExistingRowOnly();
    void updatePacket();
};

void TestDemoSets::createsColumnsAndEntries_data()
{
    QTest::addColumn<int>("set");
    QTest::addColumn<QStringList>("columns");
    QTest::addColumn<QString>("picklist");
    QTest::addColumn<QStringList>("entries");

    const QString now = QString::number(int(fcDTDM_Now));
    QTest::newRow("DNC file") << int(fltrDCS_DncFile)
                              << QStringList{QStringLiteral("DrawingNo|Drawing Number|1|20|0|0||%1|1").arg(now),
                                             QStringLiteral("PartNo|Part Number|1|20|0|0||%1|1").arg(now),
                                             QStringLiteral("Customer||1|20|1|1||%1|1").arg(now)}
                              << QStringLiteral("Customer")
                              // blanks are allowed: the empty entry too
                              << QStringList{QString(""),
                                             QStringLiteral("Acme Machine"),
                                             QStringLiteral("General Parts"),
                                             QStringLiteral("Harbor Mfg"),
                                             QStringLiteral("Northside Auto Supply"),
                                             QStringLiteral("Valley Gear and Axle")};
    QTest::newRow("packet") << int(fltrDCS_Packet)
                            << QStringList{QStringLiteral("OpNo|Operation Number|1|10|0|0||%1|1").arg(now),
                                           QStringLiteral("OpType|Operation Type|1|20|1|1||%1|1").arg(now),
                                           QStringLiteral("Description||8|255|0|1|Add description here!|%1|0").arg(now)}
                            << QStringLiteral("OpType")
                            << QStringList{QString(""), QStringLiteral("Drill"), QStringLiteral("Finish Cut"),
                                           QStringLiteral("Mill"), QStringLiteral("Rough Cut")};
}

void TestDemoSets::createsColumnsAndEntries()
{
    QFETCH(int, set);
    QFETCH(QString, picklist);
    auto host = KvoTest::makeHost(2);
    QVERIFY(host);
    QVERIFY(!host->filter->Exists());
    Messages messages;
    Progress progress;
    progress.SetText(QStringLiteral("host text"));
    FixedFormsInterface owner({0, 0, 100, 100});
    host->filter->CreateDemoColumnSet(EDemoColumnSet(set), &progress, &owner);
    QVERIFY(messages.shown.isEmpty());
    QVERIFY(host->filter->Exists());
    QTEST(describe(*host->columns()), "columns");

    // What is stored, read by a new search filter.
    host->openFilter(QStringLiteral("Parts"));
    QTEST(describe(*host->columns()), "columns");
    CFilterColumn *column = host->columns()->Item(picklist);
    QVERIFY(column);
    QTEST(entries(host->connection(), column), "entries");
    // Only the picklist column has a picklist table.
    for (CFilterColumn *c : host->columns()->NewEnum())
        QCOMPARE(c->IsPicklistTableMissing(), false);
    host->catalog().Refresh();
    int picklistTables = 0;
    for (const QString &name : host->catalog().tableNames())
        picklistTables += name.startsWith(QLatin1String("Picklist"), Qt::CaseInsensitive) ? 1 : 0;
    QCOMPARE(picklistTables, 1);
    KvoTest::tally(KvoTest::currentEngine());
}

void TestDemoSets::existingSetIsLeftAlone()
{
    auto host = KvoTest::makeHost(1);
    QVERIFY(host);
    host->filter->CreateDemoColumnSet(fltrDCS_DncFile, nullptr, nullptr);
    const QStringList before = describe(*host->columns());
    QCOMPARE(before.size(), 3);
    Messages messages;
    host->filter->CreateDemoColumnSet(fltrDCS_Packet, nullptr, nullptr);
    host->filter->CreateDemoColumnSet(fltrDCS_ControlledDocument, nullptr, nullptr);
    QVERIFY(messages.shown.isEmpty());
    QCOMPARE(describe(*host->columns()), before);
    host->openFilter(QStringLiteral("Parts"));
    QCOMPARE(describe(*host->columns()), before);
    KvoTest::tally(KvoTest::currentEngine());
}

void TestDemoSets::setsNotImplemented_data()
{
    QTest::addColumn<int>("set");
    QTest::addColumn<QString>("text");
    QTest::newRow("controlled document") << int(fltrDCS_ControlledDocument)
                                         << QStringLiteral("Controlled Document is not implemented yet");
    QTest::newRow("7") << 7 << QStringLiteral("Undefined demo set 7 is not implemented yet");
    QTest::newRow("undefined") << int(fltrDCS_Undefined)
                               << QStringLiteral("Undefined demo set 0 is not implemented yet");
}

void TestDemoSets::setsNotImplemented()
{
    QFETCH(int, set);
    if (KvoTest::currentEngine() != QLatin1String("sqlite"))
        QSKIP("no database work: SQLite covers it");
    auto host = KvoTest::makeHost(1);
    QVERIFY(host);
    Messages messages;
    FixedFormsInterface owner({0, 0, 100, 100});
    host->filter->CreateDemoColumnSet(EDemoColumnSet(set), nullptr, &owner);
    QCOMPARE(messages.shown.size(), 1);
    const MessageRequest &m = messages.shown.first();
    QTEST(m.text, "text");
    QCOMPARE(m.style, 0);
    QCOMPARE(m.title, ServicesHelper::instance().ApplicationTitle());
    QCOMPARE(m.owner, static_cast<IFormsInterface *>(&owner));
    QVERIFY(!host->filter->Exists());
}

void TestDemoSets::updateWritesAnExistingRowOnly()
{
    auto host = KvoTest::makeHost(3);
    QVERIFY(host);
    host->filter->CreateDemoColumnSet(fltrDCS_DncFile, nullptr, nullptr);
    QVERIFY(host->filter->Exists());
    Connection &db = host->connection();
    for (int id : {1, 2})
        QVERIFY(KvoTest::exec(db, QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                          .arg(db.QuoteName(QStringLiteral("PartsSearchData")),
                                               db.QuoteName(QStringLiteral("PartId")), QString::number(id))));
    const QStringList fields{QStringLiteral("DrawingNo"), QStringLiteral("PartNo"), QStringLiteral("Customer")};
    const QStringList before = rows(db, fields);
    QCOMPARE(before, (QStringList{QStringLiteral("1=||"), QStringLiteral("2=||")}));

    CMergeBaseEntry first(1);
    CMergeBaseEntry third(3);
    host->filter->UpdateDemoDncFile(nullptr, nullptr, &first, QStringLiteral("D-'1'"), QStringLiteral("P\\1; --"),
                                    QStringLiteral("Harbor Mfg"));
    host->filter->UpdateDemoDncFile(nullptr, nullptr, &third, QStringLiteral("D-3"), QStringLiteral("P-3"),
                                    QStringLiteral("Acme Machine"));
    host->filter->UpdateDemoDncFile(nullptr, nullptr, nullptr, QStringLiteral("D-x"), QStringLiteral("P-x"),
                                    QStringLiteral("Acme Machine"));
    QCOMPARE(rows(db, fields), (QStringList{QStringLiteral("1=D-'1'|P\\1; --|Harbor Mfg"), QStringLiteral("2=||")}));
    // A customer that is not in the picklist is refused as a whole.
    host->filter->UpdateDemoDncFile(nullptr, nullptr, &first, QStringLiteral("D-9"), QStringLiteral("P-9"),
                                    QStringLiteral("Nobody"));
    QCOMPARE(rows(db, fields), (QStringList{QStringLiteral("1=D-'1'|P\\1; --|Harbor Mfg"), QStringLiteral("2=||")}));
    KvoTest::tally(KvoTest::currentEngine());
}

void TestDemoSets::updatePacket()
{
    auto host = KvoTest::makeHost(2);
    QVERIFY(host);
    host->filter->CreateDemoColumnSet(fltrDCS_Packet, nullptr, nullptr);
    Connection &db = host->connection();
    QVERIFY(KvoTest::exec(
            db, QStringLiteral("INSERT INTO %1 (%2) VALUES (2)")
                        .arg(db.QuoteName(QStringLiteral("PartsSearchData")), db.QuoteName(QStringLiteral("PartId")))));
    const QStringList fields{QStringLiteral("OpNo"), QStringLiteral("OpType"), QStringLiteral("Description")};
    QCOMPARE(rows(db, fields), QStringList{QStringLiteral("2=||Add description here!")});
    CMergeBaseEntry second(2);
    host->filter->UpdateDemoPacket(nullptr, nullptr, &second, QStringLiteral("10"), QStringLiteral("Rough Cut"),
                                   QStringLiteral("50% off_\\ 'quoted' \"twice\"\nnext line"));
    QCOMPARE(rows(db, fields), QStringList{QStringLiteral("2=10|Rough Cut|50% off_\\ 'quoted' \"twice\"\nnext line")});
    KvoTest::tally(KvoTest::currentEngine());
}

QTEST_GUILESS_MAIN(TestDemoSets)
#include "tst_demosets.moc"
