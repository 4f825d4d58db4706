// Record sets on real databases: walking a snapshot, and editing tables with and without a key.
#include "hostkit/adotypes.h"
#include "hostkit/connection.h"
#include "hostkit/recordset.h"
#include "testdatabases.h"

#include <QTest>

using namespace KvoPlx800SCtl::HostKit;

namespace {

const QString kTable = QStringLiteral("Edit \"Me\"");

// Creates kTable (Id, Name, Flag, Amount, When) with rows 1..count named "r<id>".
bool createTable(Connection &c, bool withKey, int count)
{
    const Dialect &d = c.dialect();
    const QString sql = QStringLiteral("CREATE TABLE %1 (%2 %3 NOT NULL%4, %5 %6, %7 %8, %9 %10, %11 %12)")
                                .arg(c.QuoteName(kTable), c.QuoteName("Id"), d.columnType(adInteger, 0),
                                     withKey ? QStringLiteral(" PRIMARY KEY") : QString(), c.QuoteName("Name"),
                                     d.columnType(adVarWChar, 50), c.QuoteName("Flag"), d.columnType(adBoolean, 0))
                                .arg(c.QuoteName("Amount"), d.columnType(adDouble, 0), c.QuoteName("When"),
                                     d.columnType(adDate, 0));
    if (!KvoTest::exec(c, sql))
        return false;
    for (int id = 1; id <= count; ++id) {
        const QString insert = QStringLiteral("INSERT INTO %1 VALUES (%2, %3, %4, %5, %6)")
                                       .arg(c.QuoteName(kTable))
                                       .arg(id)
                                       .arg(c.QuoteText(QStringLiteral("r%1").arg(id)),
                                            c.dialect().literal(id % 2 == 0), c.dialect().literal(id / 10.0),
                                            id == 1 ? QStringLiteral("NULL")
                                                    : c.SqlDateLiteral(QDateTime(QDate(2020, 1, id), QTime(8, 30))));
        if (!KvoTest::exec(c, insert))
            return false;
    }
    return true;
}

// "id:name" of every row in the database, by id then name.
QStringList stored(Connection &c)
{
    auto rs = c.OpenQuery(QStringLiteral("SELECT %1, %2 FROM %3 ORDER BY %1, %2")
                                  .arg(c.QuoteName("Id"), c.QuoteName("Name"), c.QuoteName(kTable)));
    QStringList rows;
    for (; rs && !rs->EOF(); rs->MoveNext())
        rows << rs->value(0).toString() + u':' + rs->value(1).toString();
    return rows;
}

bool moveTo(RecordSet &rs, int id)
{
    for (rs.MoveFirst(); !rs.EOF(); rs.MoveNext()) {
        if (rs.value(QStringLiteral("id")).toInt() == id)
            return true;
    }
    return false;
}

} // namespace

class TestRecordSet : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase_data() { KvoTest::addEngineRows(); }

    void walkSnapshot()
    {
        auto db = KvoTest::open();
        QVERIFY(db);
        Connection &c = *db->connection;
        QVERIFY(createTable(c, true, 3));
        auto rs =
                c.OpenQuery(QStringLiteral("SELECT * FROM %1 ORDER BY %2").arg(c.QuoteName(kTable), c.QuoteName("Id")));
        QVERIFY(rs);
        QVERIFY(rs->isOpen());
        QVERIFY(!rs->isUpdatable());
        QCOMPARE(rs->RecordCount(), 3);
        QCOMPARE(rs->fieldNames(), QStringList({"Id", "Name", "Flag", "Amount", "When"}));
        QCOMPARE(rs->fieldIndex(QStringLiteral("NAME")), 1);
        QVERIFY(!rs->hasField(QStringLiteral("Missing")));
        QVERIFY(!rs->BOF() && !rs->EOF());
        QCOMPARE(rs->value(QStringLiteral("name")).toString(), QStringLiteral("r1"));
        QVERIFY(rs->isNull(QStringLiteral("When")));
        QVERIFY(!rs->value(QStringLiteral("Missing")).isValid());
        rs->MoveNext();
        QVERIFY(!rs->isNull(QStringLiteral("When")));
        QCOMPARE(rs->value(0).toInt(), 2);
        rs->MoveLast();
        QCOMPARE(rs->value(0).toInt(), 3);
        rs->MoveNext();
        QVERIFY(rs->EOF());
        QVERIFY(!rs->value(0).isValid());
        rs->MoveFirst();
        rs->MovePrevious();
        QVERIFY(rs->BOF());
        // A query is read-only.
        QVERIFY(!rs->AddNew());
        rs->MoveFirst();
        QVERIFY(!rs->setValue(QStringLiteral("Name"), QStringLiteral("x")));
        QVERIFY(!rs->Delete());

        auto empty = c.OpenQuery(QStringLiteral("SELECT * FROM %1 WHERE 1 = 0").arg(c.QuoteName(kTable)));
        QVERIFY(empty);
        QVERIFY(empty->BOF() && empty->EOF());
        QCOMPARE(empty->fieldCount(), 5);
    }

    void editTable_data()
    {
        QTest::addColumn<bool>("withKey");
        QTest::newRow("primary key") << true;
        QTest::newRow("no key") << false;
    }
    void editTable()
    {
        QFETCH(bool, withKey);
        auto db = KvoTest::open();
        QVERIFY(db);
        Connection &c = *db->connection;
        QVERIFY(createTable(c, withKey, 3));
        auto rs = c.OpenTable(kTable);
        QVERIFY2(rs, qPrintable(c.lastError()));
        QVERIFY(rs->isUpdatable());

        QVERIFY(rs->AddNew());
        QVERIFY(rs->setValue(QStringLiteral("Id"), 4));
        QVERIFY(rs->setValue(QStringLiteral("Name"), QStringLiteral("it's \\ new")));
        QVERIFY(rs->setValue(QStringLiteral("When"), QDateTime(QDate(1899, 12, 30), QTime(0, 0))));
        QVERIFY2(rs->Update(), qPrintable(rs->lastError()));
        QCOMPARE(rs->RecordCount(), 4);
        QCOMPARE(rs->value(QStringLiteral("Id")).toInt(), 4);

        // Row 1 has a NULL date and row 2 a date, a true flag and a fraction: all identify the row.
        for (int id : {1, 2}) {
            QVERIFY(moveTo(*rs, id));
            QVERIFY(rs->setValue(QStringLiteral("Name"), QStringLiteral("changed %1").arg(id)));
            QCOMPARE(rs->value(QStringLiteral("Name")).toString(), QStringLiteral("changed %1").arg(id));
            QVERIFY2(rs->Update(), qPrintable(rs->lastError()));
        }
        QVERIFY(moveTo(*rs, 3));
        QVERIFY2(rs->Delete(), qPrintable(rs->lastError()));
        QVERIFY(!rs->value(QStringLiteral("Id")).isValid());
        QCOMPARE(stored(c), QStringList({"1:changed 1", "2:changed 2", "4:it's \\ new"}));

        // A pending change dropped by CancelUpdate is not written.
        QVERIFY(moveTo(*rs, 4));
        QVERIFY(rs->setValue(QStringLiteral("Name"), QStringLiteral("never")));
        rs->CancelUpdate();
        QCOMPARE(rs->value(QStringLiteral("Name")).toString(), QStringLiteral("it's \\ new"));
        QCOMPARE(stored(c).last(), QStringLiteral("4:it's \\ new"));
    }

    // Without a key, identical rows are told apart by nothing: a change reaches one of them.
    void duplicateRowsWithoutKey()
    {
        auto db = KvoTest::open();
        QVERIFY(db);
        Connection &c = *db->connection;
        QVERIFY(createTable(c, false, 0));
        for (int i = 0; i < 3; ++i)
            QVERIFY(KvoTest::exec(c, QStringLiteral("INSERT INTO %1 (%2, %3) VALUES (5, 'dup')")
                                             .arg(c.QuoteName(kTable), c.QuoteName("Id"), c.QuoteName("Name"))));
        auto rs = c.OpenTable(kTable);
        QVERIFY(rs);
        QVERIFY(rs->Delete());
        QCOMPARE(stored(c), QStringList({"5:dup", "5:dup"}));
        rs->MoveNext();
        QVERIFY(rs->setValue(QStringLiteral("Name"), QStringLiteral("one")));
        QVERIFY(rs->Update());
        QCOMPARE(stored(c), QStringList({"5:dup", "5:one"}));
    }

    void deleteThenMoveNextVisitsEveryRow()
    {
        auto db = KvoTest::open();
        QVERIFY(db);
        Connection &c = *db->connection;
        QVERIFY(createTable(c, true, 5));
        auto rs = c.OpenTable(kTable);
        QVERIFY(rs);
        QList<int> visited;
        for (rs->MoveFirst(); !rs->EOF(); rs->MoveNext()) {
            const int id = rs->value(QStringLiteral("Id")).toInt();
            visited << id;
            if (id % 2 == 0)
                QVERIFY(rs->Delete());
        }
        std::sort(visited.begin(), visited.end());
        QCOMPARE(visited, QList<int>({1, 2, 3, 4, 5}));
        QCOMPARE(stored(c), QStringList({"1:r1", "3:r3", "5:r5"}));
        QCOMPARE(rs->RecordCount(), 3);
    }

    void newRowReadsDefaultsAndMoveWritesPendingChange()
    {
        auto db = KvoTest::open();
        QVERIFY(db);
        Connection &c = *db->connection;
        QVERIFY(KvoTest::exec(
                c, QStringLiteral("CREATE TABLE d (id INTEGER NOT NULL PRIMARY KEY, v INTEGER DEFAULT 7, w %1)")
                           .arg(c.dialect().columnType(adVarWChar, 10))));
        auto rs = c.OpenTable(QStringLiteral("d"));
        QVERIFY(rs);
        QVERIFY(rs->AddNew());
        QVERIFY(rs->setValue(QStringLiteral("id"), 1));
        QVERIFY(rs->Update());
        QCOMPARE(rs->value(QStringLiteral("v")).toInt(), 7);
        QVERIFY(rs->isNull(QStringLiteral("w")));

        QVERIFY(rs->setValue(QStringLiteral("w"), QStringLiteral("moved")));
        rs->MoveNext();
        auto check = c.OpenQuery(QStringLiteral("SELECT w FROM d"));
        QVERIFY(check);
        QCOMPARE(check->value(0).toString(), QStringLiteral("moved"));
    }

    void updateOfVanishedRowFails()
    {
        auto db = KvoTest::open();
        QVERIFY(db);
        Connection &c = *db->connection;
        QVERIFY(createTable(c, true, 2));
        auto rs = c.OpenTable(kTable);
        QVERIFY(rs);
        auto other = db->openSecond();
        QVERIFY(other);
        QVERIFY(KvoTest::exec(*other, QStringLiteral("DELETE FROM %1").arg(other->QuoteName(kTable))));
        QVERIFY(rs->setValue(QStringLiteral("Name"), QStringLiteral("late")));
        QVERIFY(!rs->Update());
        QVERIFY(!rs->lastError().isEmpty());
        rs->CancelUpdate();
        QVERIFY(!rs->Delete());
        QVERIFY(!c.OpenTable(QStringLiteral("no such table")));
    }
};

QTEST_GUILESS_MAIN(TestRecordSet)
#include "tst_recordset.moc"
