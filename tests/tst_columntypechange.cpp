// Changing a stored column's type while keeping what converts: which values convert, the dry run,
// the change with the column's picklist, what is refused, and a change that fails part-way.
#include "testhost.h"

#include "columns/cfiltercolumns.h"
#include "columns/columntypechange.h"
#include "core/columntypes.h"
#include "core/conversions.h"
#include "core/sqlsupport.h"
#include "picklists/cscpicklist.h"

#include "hostkit/adotypes.h"
#include "hostkit/connection.h"
#include "hostkit/recordset.h"

#include <QTest>

using namespace KvoPlx800SCtl;
using namespace KvoPlx800SCtl::HostKit;
using namespace Qt::StringLiterals;
using Outcome = ColumnTypeChange::Outcome;

namespace {

const QString Null = u"<null>"_s;

Variant valueOf(const QString &text, int type)
{
    if (text == Null)
        return Variant::null();
    if (type == fcText || type == fcNote)
        return Variant::text(text);
    const auto v = Convert::readValue(text, type);
    return v ? *v : Variant::null();
}

// Values of the column read as `type`, in key order (records 1..n; Null for NULL or no row).
QStringList stored(KvoTest::Host &host, const QString &column, int type, int records)
{
    QStringList out;
    for (int id = 1; id <= records; ++id) {
        const QVariant v = KvoTest::cell(
                host.connection(), u"SELECT [%1] FROM [PartsSearchData] WHERE [PartId] = %2"_s.arg(column).arg(id));
        const Variant value = Convert::fromDatabase(v, type);
        out.append(value.hasValue() ? value.toText() : Null);
    }
    return out;
}

QStringList entries(KvoTest::Host &host, const QString &column, int type)
{
    QStringList out;
    for (const QString &row : KvoTest::rows(host.connection(), u"SELECT [%1] FROM [PicklistParts%1]"_s.arg(column)))
        out.append(Convert::fromDatabase(row, type).toText());
    out.sort();
    return out;
}

// Column Subject of `type` holding `values` for records 1..n, saved; made a picklist column
// afterwards when `picklist`, so that its values become its entries.
bool makeColumn(KvoTest::Host &host, int type, int length, const QStringList &values, bool picklist,
                const QString &picklistDefault = {})
{
    CFilterColumns &set = *host.columns();
    if (!KvoTest::addColumns(
                set, {{u"Other"_s, fcText}, {u"Subject"_s, FilterColumnTypeConstants(type), {}, qint16(length)}}))
        return false;
    CFilterColumn *column = set.Item(u"Subject"_s);
    for (int i = 0; i < values.size(); ++i) {
        const QString literal = columnLiteral(host.connection().dialect(), type, valueOf(values.at(i), type));
        if (!KvoTest::run(host.connection(), u"INSERT INTO [PartsSearchData] ([PartId], [Other], [Subject]) "
                                             "VALUES (%1, 'kept %1', %2)"_s.arg(i + 1)
                                                     .arg(literal)))
            return false;
    }
    if (!picklist)
        return true;
    column->setIsPicklist(true);
    column->setPicklistAllowBlanks(true);
    column->setPicklistDefault(picklistDefault);
    return set.ColumnsSave(nullptr);
}

// Makes the definition row of Subject refuse any type but text, so that a change to another type
// fails at its last step.
bool refuseDefinitionUpdates(KvoTest::Host &host)
{
    Connection &db = host.connection();
    return KvoTest::run(db, KvoTest::currentEngine() == Engine::SQLite
                                    ? u"CREATE TRIGGER [kvo_refuse] BEFORE UPDATE ON [SearchColumnConfiguration] "
                                      "WHEN NEW.[Name] = 'Subject' AND NEW.[Type] <> 1 "
                                      "BEGIN SELECT RAISE(ABORT, 'refused'); END"_s
                                    : u"ALTER TABLE [SearchColumnConfiguration] ADD CONSTRAINT [kvo_refuse] "
                                      "CHECK ([Name] <> 'Subject' OR [Type] = 1)"_s);
}

} // namespace

class TestColumnTypeChange : public KvoTest::HostTest
{
    Q_OBJECT

public:
    TestColumnTypeChange() : HostTest(5) {}

private slots:

    void oneValue_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("to");
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<QString>("result"); // the new value, typed
        const int kept = int(Outcome::Kept), converts = int(Outcome::Converts), lost = int(Outcome::Lost);
        QTest::newRow("null stays null") << int(fcInteger32) << Null << int(fcText) << 20 << kept << "Null:";
        QTest::newRow("blank stays blank as text") << int(fcText) << "  " << int(fcNote) << 255 << kept << "Text:  ";
        QTest::newRow("blank is null as a number") << int(fcText) << " " << int(fcInteger32) << 0 << kept << "Null:";
        QTest::newRow("text number") << int(fcText) << "12" << int(fcInteger32) << 0 << converts << "Int32:12";
        QTest::newRow("leading zeros read as the number")
                << int(fcText) << "007" << int(fcInteger16) << 0 << converts << "Int16:7";
        QTest::newRow("text with a unit") << int(fcText) << "12 mm" << int(fcDouble) << 0 << lost << "Null:";
        QTest::newRow("text fraction to integer") << int(fcText) << "3.5" << int(fcInteger32) << 0 << lost << "Null:";
        QTest::newRow("double fraction to integer")
                << int(fcDouble) << "1.5" << int(fcInteger32) << 0 << lost << "Null:";
        QTest::newRow("outside 16 bits") << int(fcInteger32) << "40000" << int(fcInteger16) << 0 << lost << "Null:";
        QTest::newRow("double that a single holds")
                << int(fcDouble) << "0.1" << int(fcSingle) << 0 << converts << "Single:0.1";
        QTest::newRow("double with more digits than a single")
                << int(fcDouble) << "0.123456789012" << int(fcSingle) << 0 << lost << "Null:";
        QTest::newRow("date to text") << int(fcDateTime) << "2024-01-05 10:30" << int(fcText) << 19 << converts
                                      << "Text:2024-01-05 10:30:00";
        QTest::newRow("date longer than the text")
                << int(fcDateTime) << "2024-01-05" << int(fcText) << 18 << lost << "Null:";
        QTest::newRow("iso text to date")
                << int(fcText) << "2024-01-05" << int(fcDateTime) << 0 << converts << "Date:2024-01-05 00:00:00";
        QTest::newRow("number is no date") << int(fcInteger32) << "5" << int(fcDateTime) << 0 << lost << "Null:";
        QTest::newRow("true as a number")
                << int(fcBoolean) << "True" << int(fcInteger16) << 0 << converts << "Int16:-1";
        QTest::newRow("zero as a Boolean")
                << int(fcInteger32) << "0" << int(fcBoolean) << 0 << converts << "Boolean:False";
        QTest::newRow("one is not true's number") << int(fcInteger32) << "1" << int(fcBoolean) << 0 << lost << "Null:";
        QTest::newRow("text to Boolean") << int(fcText) << "yes" << int(fcBoolean) << 0 << converts << "Boolean:True";
        QTest::newRow("text too long") << int(fcNote) << "abcdef" << int(fcText) << 5 << lost << "Null:";
    }

    void oneValue()
    {
        QFETCH(int, from);
        QFETCH(QString, value);
        QFETCH(int, to);
        QFETCH(int, length);
        const ColumnTypeChange::Converted converted = ColumnTypeChange::convert(valueOf(value, from), from, to, length);
        QTEST(int(converted.outcome), "outcome");
        QTEST(KvoTest::typed(converted.value), "result");
    }

    void changeKeepsWhatConverts_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("fromLength");
        QTest::addColumn<bool>("picklist");
        QTest::addColumn<QString>("picklistDefault");
        QTest::addColumn<QStringList>("values"); // records 1..n
        QTest::addColumn<int>("to");
        QTest::addColumn<int>("length");
        QTest::addColumn<QString>("preview");     // convertible/not convertible/example keys
        QTest::addColumn<QStringList>("after");   // the values afterwards, read as the new type
        QTest::addColumn<QStringList>("entries"); // the picklist afterwards; "none": no picklist table
        QTest::addColumn<QString>("definition");  // type|size|picklist|default (~: NULL)
        QTest::newRow("text picklist to integers")
                << int(fcText) << 20 << true << "12" << QStringList{"12", "abc", "007", Null, "x"} << int(fcInteger32)
                << 0 << "3/2/2,5" << QStringList{"12", Null, "7", "12", Null} << QStringList{"12", "7"} << "3|0|1|12";
        QTest::newRow("double to short text")
                << int(fcDouble) << 0 << false << "" << QStringList{"1.5", "2", Null, "1234567.25"} << int(fcText) << 5
                << "2/1/4" << QStringList{"1.5", "2", Null, Null} << QStringList{"none"} << "1|5|0|";
        QTest::newRow("date to text of the field's length")
                << int(fcDateTime) << 0 << false << "" << QStringList{"2024-01-05 10:30:00", Null} << int(fcText) << 0
                << "1/0/" << QStringList{"2024-01-05 10:30:00", Null} << QStringList{"none"} << "1|255|0|";
        QTest::newRow("integer picklist narrowed")
                << int(fcInteger32) << 0 << true << "7" << QStringList{"7", "40000", "12"} << int(fcInteger16) << 0
                << "2/1/2" << QStringList{"7", Null, "12"} << QStringList{"12", "7"} << "2|0|1|7";
        QTest::newRow("text picklist to Boolean drops it")
                << int(fcText) << 20 << true << "" << QStringList{"yes", "no", "maybe"} << int(fcBoolean) << 0
                << "2/1/3" << QStringList{"True", "False", Null} << QStringList{"none"} << "7|0|0|~";
        QTest::newRow("text picklist resized")
                << int(fcText) << 20 << true << "abc" << QStringList{"abc", "abcd", ""} << int(fcText) << 3 << "1/1/2"
                << QStringList{"abc", Null, ""} << QStringList{"", "abc"} << "1|3|1|abc";
    }

    void changeKeepsWhatConverts()
    {
        QFETCH(int, from);
        QFETCH(int, fromLength);
        QFETCH(bool, picklist);
        QFETCH(QString, picklistDefault);
        QFETCH(QStringList, values);
        QFETCH(int, to);
        QFETCH(int, length);
        QFETCH(QString, preview);
        QFETCH(QStringList, entries);
        KvoTest::Host &host = *m_host;
        QVERIFY(makeColumn(host, from, fromLength, values, picklist, picklistDefault));
        // A trigger of the host's on the table, which SQLite's copy of the table must take along.
        const bool sqlite = KvoTest::currentEngine() == Engine::SQLite;
        QVERIFY(!sqlite
                || KvoTest::run(host.connection(), u"CREATE TRIGGER [kvo_host] AFTER UPDATE ON "
                                                   "[PartsSearchData] BEGIN SELECT 1; END"_s));
        const QStringList before = stored(host, u"Subject"_s, from, int(values.size()));
        const QString rowBefore = KvoTest::definitionRow(host, u"Subject"_s);

        ColumnTypeChange change(*host.columns(), u"subject"_s, FilterColumnTypeConstants(to), length);
        QVERIFY2(change.refusal().isEmpty(), qPrintable(change.refusal()));
        const auto counted = change.DryRun();
        QVERIFY(counted);
        QStringList examples;
        for (const auto &example : counted->examples)
            examples.append(QString::number(example.id));
        QCOMPARE(u"%1/%2/%3"_s.arg(counted->convertible).arg(counted->notConvertible).arg(examples.join(u',')),
                 preview);
        QCOMPARE(counted->dropsPicklist, picklist && entries == QStringList{"none"});

        // Values that do not convert refuse the change unless the caller agrees to lose them.
        if (counted->notConvertible > 0) {
            QVERIFY(!change.Run(false));
            QCOMPARE(stored(host, u"Subject"_s, from, int(values.size())), before);
            QCOMPARE(KvoTest::definitionRow(host, u"Subject"_s), rowBefore);
        }
        QVERIFY2(change.Run(true), qPrintable(change.lastError()));
        QTEST(stored(host, u"Subject"_s, to, int(values.size())), "after");
        QTEST(KvoTest::definitionRow(host, u"Subject"_s), "definition");
        QCOMPARE(
                KvoTest::rows(host.connection(), u"SELECT [Other] FROM [PartsSearchData] ORDER BY [PartId]"_s).value(0),
                u"kept 1"_s);
        if (sqlite)
            QCOMPARE(KvoTest::cell(host.connection(), u"SELECT count(*) FROM sqlite_master WHERE name = 'kvo_host'"_s)
                             .toInt(),
                     1);
        const bool picklistStays = entries != QStringList{"none"};
        QCOMPARE(KvoTest::tableExists(host.catalog(), u"PicklistPartsSubject"_s), picklistStays);
        QCOMPARE(!KvoTest::referredTable(host.catalog(), u"PartsSearchData"_s, u"Subject"_s).isEmpty(), picklistStays);
        if (picklistStays)
            QCOMPARE(::entries(host, u"Subject"_s, to), entries);

        // The column set was read again, and its table is in the new shape.
        CFilterColumn *column = host.columns()->Item(u"Subject"_s);
        QVERIFY(column && int(column->ColumnType()) == to);
        QVERIFY(host.columns()->MyStructureDefault(column).Compare(host.catalog(), CompareExact));
    }

    void refused_data()
    {
        QTest::addColumn<QString>("column");
        QTest::addColumn<int>("to");
        QTest::addColumn<int>("length");
        QTest::addColumn<QString>("why");
        // (A keyword column, to keyword, a length for a number, an unknown column: cli_changetype.)
        QTest::newRow("length too large") << "Material" << int(fcText) << 256 << "from 1 to 255";
        QTest::newRow("not saved") << "Fresh" << int(fcText) << 0 << "not saved yet";
        QTest::newRow("unsaved changes") << "Count32" << int(fcText) << 0 << "not saved yet";
    }

    void refused()
    {
        QFETCH(QString, column);
        QFETCH(int, to);
        QFETCH(int, length);
        QFETCH(QString, why);
        CFilterColumns &set = *m_host->columns();
        QVERIFY(KvoTest::addColumns(set, KvoTest::everyType()));
        QVERIFY(KvoTest::addColumn(set, {u"Fresh"_s, fcInteger32}));
        set.Item(u"Count32"_s)->setIsPicklist(true);
        ColumnTypeChange change(set, column, FilterColumnTypeConstants(to), length);
        QVERIFY2(change.refusal().contains(why), qPrintable(change.refusal()));
        QVERIFY(!change.DryRun());
        QVERIFY(!change.Run(true));
    }

    void failurePartWayLeavesTheColumn()
    {
        KvoTest::Host &host = *m_host;
        QVERIFY(makeColumn(host, fcText, 20, {u"12"_s, u"abc"_s, u"7"_s}, true, u"7"_s));
        const QStringList values = stored(host, u"Subject"_s, fcText, 3);
        const QStringList picklist = entries(host, u"Subject"_s, fcText);
        const QString row = KvoTest::definitionRow(host, u"Subject"_s);
        QVERIFY(refuseDefinitionUpdates(host));

        ColumnTypeChange change(*host.columns(), u"Subject"_s, fcInteger32);
        QVERIFY(!change.Run(true));
        QVERIFY2(change.lastError().contains(u"refuse"_s), qPrintable(change.lastError()));
        QCOMPARE(stored(host, u"Subject"_s, fcText, 3), values);
        QCOMPARE(entries(host, u"Subject"_s, fcText), picklist);
        QCOMPARE(KvoTest::definitionRow(host, u"Subject"_s), row);
        QVERIFY(!KvoTest::referredTable(host.catalog(), u"PartsSearchData"_s, u"Subject"_s).isEmpty());
        CFilterColumn *column = host.columns()->Item(u"Subject"_s);
        QVERIFY(int(column->ColumnType()) == fcText
                && column->PickList()->MyStructure().Compare(host.catalog(), CompareExact));
        QVERIFY(host.columns()->MyStructureDefault(column).Compare(host.catalog(), CompareExact));
    }
};

QTEST_GUILESS_MAIN(TestColumnTypeChange)
#include "tst_columntypechange.moc"
