// Record sets on real databases: walking a snapshot, and editing tables with and without a key.
#include "hostkit/adotypes.h"
#include "hostkit/connection.h"
#include "hostkit/recordset.h"
#include "testdatabases.h"
#include "testhost.h"

#include <QTest>

using namespace KvoPlx800SCtl::HostKit;
using namespace Qt::StringLiterals;
using KvoTest::run;

namespace {

const QString kTable = u"Edit \"Me\""_s;

// Creates kTable (Id, Name, Flag, Amount with a default, When) with rows 1..count named "r<id>";
// row 1 has a NULL date, the others a date, a flag and a fraction that all identify the row.
bool createTable(Connection &c, bool withKey, int count)
{
    const Dialect &d = c.dialect();
    if (!run(c, u"CREATE TABLE [%1] ([Id] %2 NOT NULL%3, [Name] %4, [Flag] %5, [Amount] %6 DEFAULT 7, [When] %7)"_s.arg(
                        kTable, d.columnType(adInteger, 0), withKey ? u" PRIMARY KEY"_s : QString(),
                        d.columnType(adVarWChar, 50), d.columnType(adBoolean, 0), d.columnType(adDouble, 0),
                        d.columnType(adDate, 0))))
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

class TestRecordSet : public KvoTest::DatabaseTest
{
    Q_OBJECT

private slots:
    // A query is a read-only snapshot: fields by name in any case, moves past either end.
    void walkSnapshot()
    {
        Connection &c = connection();
        QVERIFY(createTable(c, true, 3));
        auto rs = c.OpenQuery(KvoTest::sql(c, u"SELECT * FROM [%1] ORDER BY [Id]"_s.arg(kTable)));
        QVERIFY(rs && rs->isOpen() && !rs->isUpdatable());
        QCOMPARE(rs->RecordCount(), 3);
        QCOMPARE(rs->fieldNames(), QStringList({"Id", "Name", "Flag", "Amount", "When"}));
        QVERIFY(rs->fieldIndex(u"NAME"_s) == 1 && !rs->hasField(u"Missing"_s) && !rs->value(u"Missing"_s).isValid());
        QVERIFY(!rs->BOF() && !rs->EOF() && rs->isNull(u"When"_s));
        QCOMPARE(rs->value(u"name"_s).toString(), u"r1"_s);
        rs->MoveNext();
        QVERIFY(!rs->isNull(u"When"_s) && rs->value(0).toInt() == 2);
        rs->MoveLast();
        QCOMPARE(rs->value(0).toInt(), 3);
        rs->MoveNext();
        QVERIFY(rs->EOF() && !rs->value(0).isValid());
        rs->MoveFirst();
        rs->MovePrevious();
        QVERIFY(rs->BOF() && !rs->AddNew());
        rs->MoveFirst();
        QVERIFY(!rs->setValue(u"Name"_s, u"x"_s) && !rs->Delete());

        auto empty = c.OpenQuery(KvoTest::sql(c, u"SELECT * FROM [%1] WHERE 1 = 0"_s.arg(kTable)));
        QVERIFY(empty && empty->BOF() && empty->EOF());
        QCOMPARE(empty->fieldCount(), 5);
    }

    void editTable_data()
    {
        QTest::addColumn<bool>("withKey");
        QTest::newRow("primary key") << true;
        QTest::newRow("no key") << false;
    }
    // Add, change, delete, cancel and move on; deleting while walking still visits every row.
    void editTable()
    {
        QFETCH(bool, withKey);
        Connection &c = connection();
        QVERIFY(createTable(c, withKey, 3));
        auto rs = c.OpenTable(kTable);
        QVERIFY2(rs, qPrintable(c.lastError()));
        QVERIFY(rs->isUpdatable());

        QVERIFY(rs->AddNew() && rs->setValue(u"Id"_s, 4) && rs->setValue(u"Name"_s, u"it's \\ new"_s));
        QVERIFY(rs->setValue(u"When"_s, QDateTime(QDate(1899, 12, 30), QTime(0, 0))));
        QVERIFY2(rs->Update(), qPrintable(rs->lastError()));
        QCOMPARE(rs->RecordCount(), 4);
        QCOMPARE(rs->value(u"Id"_s).toInt(), 4);
        // With a key the new row is read back with what the database filled in.
        QVERIFY(!withKey || (rs->value(u"Amount"_s).toDouble() == 7 && rs->isNull(u"Flag"_s)));

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

        QVERIFY(run(c, u"INSERT INTO [%1] ([Id], [Name]) VALUES (5, 'r5'), (6, 'r6')"_s.arg(kTable)));
        rs = c.OpenTable(kTable);
        QVERIFY(rs);
        QList<int> visited;
        for (rs->MoveFirst(); !rs->EOF(); rs->MoveNext()) {
            visited << rs->value(u"Id"_s).toInt();
            if (visited.last() % 2 == 0)
                QVERIFY(rs->Delete());
        }
        std::sort(visited.begin(), visited.end());
        QCOMPARE(visited, QList<int>({1, 2, 4, 5, 6}));
        QCOMPARE(stored(c), QStringList({"1:moved", "5:r5"}));
        QCOMPARE(rs->RecordCount(), 2);

        // A change that moving on cannot write (another user deleted the row) is reported.
        QVERIFY(run(c, u"DELETE FROM [%1] WHERE [Id] = 5"_s.arg(kTable)));
        KvoTest::ReportedFailures failures;
        QVERIFY(moveTo(*rs, 5) && rs->setValue(u"Name"_s, u"lost"_s));
        rs->MoveFirst();
        QCOMPARE(failures.sources(), QStringList{u"RecordSet.Move"_s});
        QVERIFY(rs->lastError().contains(u"not found"_s));
    }

    // Without a key, identical rows are told apart by nothing: a change reaches one of them.
    void duplicateRowsWithoutKey()
    {
        Connection &c = connection();
        QVERIFY(createTable(c, false, 0));
        for (int i = 0; i < 3; ++i)
            QVERIFY(run(c, u"INSERT INTO [%1] ([Id], [Name]) VALUES (5, 'dup')"_s.arg(kTable)));
        auto rs = c.OpenTable(kTable);
        QVERIFY(rs);
        QVERIFY(rs->Delete());
        QCOMPARE(stored(c), QStringList({"5:dup", "5:dup"}));
        rs->MoveNext();
        QVERIFY(rs->setValue(u"Name"_s, u"one"_s));
        QVERIFY(rs->Update());
        QCOMPARE(stored(c), QStringList({"5:dup", "5:one"}));
    }

    // A row deleted by another connection can be neither updated nor deleted.
    void updateOfVanishedRowFails()
    {
        Connection &c = connection();
        QVERIFY(createTable(c, true, 2));
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

QTEST_GUILESS_MAIN(TestRecordSet)
#include "tst_recordset.moc"
