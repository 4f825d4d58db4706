// Reading and writing the search values of one base record: the search-data row, keyword rows,
// picklist entries, the values of the edit controls and the defaults of a new record.
#include "testhost.h"

#include "columns/cfiltercolumns.h"
#include "core/conversions.h"

#include "hostkit/adotypes.h"
#include "hostkit/catalog.h"
#include "hostkit/connection.h"
#include "hostkit/recordset.h"
#include "hostkit/tablestructure.h"
#include "hostkit/trace.h"

#include <QTest>

#include <map>

using namespace KvoPlx800SCtl;
using namespace KvoPlx800SCtl::HostKit;

Q_DECLARE_METATYPE(KvoPlx800SCtl::Variant)

namespace {

CFilterColumn *addColumn(CFilterColumns &set, const QString &name, FilterColumnTypeConstants type,
                         const QString &picklistDefault = {},
                         EFilterColumnDateTimeDefaultModeConstants mode = fcDTDM_Configure,
                         const Variant &dateDefault = Variant::null())
{
    const bool textual = type == fcText || type == fcKeyword || type == fcNote;
    return set.Add(name, QString(), QString(), type, textual ? 60 : 0, false, false, picklistDefault, mode, dateDefault,
                   false);
}

// The columns of every type that most tests use.
bool addAllTypes(CFilterColumns &set)
{
    addColumn(set, QStringLiteral("Material"), fcText);
    addColumn(set, QStringLiteral("Notes"), fcNote);
    addColumn(set, QStringLiteral("Count16"), fcInteger16);
    addColumn(set, QStringLiteral("Count32"), fcInteger32);
    addColumn(set, QStringLiteral("Ratio"), fcSingle);
    addColumn(set, QStringLiteral("Weight"), fcDouble);
    addColumn(set, QStringLiteral("Made"), fcDateTime);
    addColumn(set, QStringLiteral("Active"), fcBoolean);
    addColumn(set, QStringLiteral("Tags"), fcKeyword);
    return set.ColumnsSave(nullptr) && set.Count() == 9;
}

QString describe(const Variant &v)
{
    return QString::fromLatin1(variantTypeName(v.type())) + QLatin1Char(':') + v.toText();
}

CFilterColumn *column(KvoTest::Host &host, const char *name)
{
    return host.columns()->Item(QString::fromLatin1(name));
}

// The search-data row of a record, field by field ("Field=value", NULL for a NULL field).
QStringList dataRow(KvoTest::Host &host, int id)
{
    Connection &db = host.connection();
    CFilterColumns &set = *host.columns();
    auto rs = db.OpenQuery(QStringLiteral("SELECT * FROM %1 WHERE %2")
                                   .arg(db.QuoteName(set.SearchDataTableName()),
                                        set.SearchTableSeekCriteria(std::make_unique<CMergeBaseEntry>(id).get())));
    QStringList out;
    if (!rs || rs->EOF())
        return out;
    for (const QString &field : rs->fieldNames()) {
        const QVariant v = rs->value(field);
        out.append(field + QLatin1Char('=') + (v.isNull() ? QStringLiteral("NULL") : v.toString()));
    }
    return out;
}

QVariant rawField(KvoTest::Host &host, int id, const QString &field)
{
    Connection &db = host.connection();
    CFilterColumns &set = *host.columns();
    CMergeBaseEntry entry(id);
    auto rs = db.OpenQuery(QStringLiteral("SELECT %1 FROM %2 WHERE %3")
                                   .arg(db.QuoteName(field), db.QuoteName(set.SearchDataTableName()),
                                        set.SearchTableSeekCriteria(&entry)));
    if (!rs || rs->EOF())
        return QVariant();
    return rs->value(0);
}

// The keyword rows of a record, sorted: the keyword table has no order of its own.
QStringList keywordRows(KvoTest::Host &host, const QString &columnName, int id)
{
    Connection &db = host.connection();
    CFilterColumns &set = *host.columns();
    CMergeBaseEntry entry(id);
    auto rs = db.OpenQuery(QStringLiteral("SELECT %1 FROM %2 WHERE %3")
                               .arg(db.QuoteName(columnName), db.QuoteName(set.SearchTableName(set.Item(columnName))),
                                    set.SearchTableSeekCriteria(&entry)));
    QStringList out;
    for (; rs && !rs->EOF(); rs->MoveNext())
        out.append(rs->value(0).toString());
    out.sort();
    return out;
}

QStringList sorted(QStringList list)
{
    list.sort();
    return list;
}

// Collects the sources of the failures reported while it lives.
class ReportedFailures
{
public:
    ReportedFailures()
    {
        m_id = Trace::instance().addErrorSink([this](const TraceError &e, int) { m_sources.append(e.Source); });
    }
    ~ReportedFailures() { Trace::instance().removeErrorSink(m_id); }
    QStringList sources() const { return m_sources; }

private:
    int m_id = 0;
    QStringList m_sources;
};

class DefaultLocale
{
public:
    explicit DefaultLocale(const QString &name) { QLocale::setDefault(QLocale(name)); }
    ~DefaultLocale() { QLocale::setDefault(QLocale::c()); }
};

} // namespace

class TestSearchData : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase_data() { KvoTest::addEngineRows(); }
    void cleanupTestCase() { m_hosts.clear(); }

    void recordWithoutRowReadsMissingValues();
    void updateWritesOnlyHandedInValues();
    void valuesRoundTrip_data();
    void valuesRoundTrip();
    void sqlValueText_data();
    void sqlValueText();
    void keywordLists_data();
    void keywordLists();
    void keywordListIsWrittenWhollyOrNotAtAll();
    void editControlWritesValidFields();
    void hiddenPicklistEntries_data();
    void hiddenPicklistEntries();
    void initializeWritesDefaults();
    void failedOperationsLeaveNoStaleValues();
    void readAndSaveStatements();
    void keywordOnlySetWritesNoDataRow();
    void textKeyBaseTable();

private:
    // One host per engine with every column type, shared by the rows of a data-driven test;
    // records 1 and 3 hold values that no test changes.
    KvoTest::Host *sharedHost();

    std::map<QString, std::unique_ptr<KvoTest::Host>> m_hosts;
};

KvoTest::Host *TestSearchData::sharedHost()
{
    const QString engine = KvoTest::currentEngine();
    auto &host = m_hosts[engine];
    if (host)
        return host.get();
    host = KvoTest::makeHost(3);
    if (!host || !addAllTypes(*host->columns()))
        return nullptr;
    CFilterColumns &set = *host->columns();
    for (int id : {1, 3}) {
        column(*host, "Material")->setUpdatedValue(Variant::text(QStringLiteral("Sentinel's %1").arg(id)));
        column(*host, "Notes")->setUpdatedValue(Variant::text(QStringLiteral("note %1").arg(id)));
        column(*host, "Count16")->setUpdatedValue(Variant::int16(qint16(id)));
        column(*host, "Count32")->setUpdatedValue(Variant::int32(id * 1000));
        column(*host, "Ratio")->setUpdatedValue(Variant::single(0.5f * float(id)));
        column(*host, "Weight")->setUpdatedValue(Variant::dbl(1.25 * id));
        column(*host, "Made")->setUpdatedValue(Variant::date(Convert::makeDate(QDate(2020, 1, id), QTime(8, 0))));
        column(*host, "Active")->setUpdatedValue(Variant::boolean(true));
        CMergeBaseEntry entry(id);
        set.SaveDataFromClientUpdates(&entry);
    }
    if (dataRow(*host, 1).isEmpty() || dataRow(*host, 3).isEmpty())
        return nullptr;
    return host.get();
}

void TestSearchData::recordWithoutRowReadsMissingValues()
{
    auto host = KvoTest::makeHost(2);
    QVERIFY(host);
    CFilterColumns &set = *host->columns();
    QVERIFY(addAllTypes(set));
    CMergeBaseEntry entry(2);

    set.GetData(&entry);
    const QStringList expected = {"Text:", "Text:", "Null:", "Null:", "Null:", "Null:", "Null:", "Boolean:False"};
    for (int i = 0; i < expected.size(); ++i)
        QCOMPARE(describe(set.Item(i + 1)->SavedValue()), expected.at(i));
    QVERIFY(column(*host, "Tags")->SavedKeys().isEmpty());

    // The first save of the record inserts its row, keyed by the record; columns left out get the
    // field's default.
    column(*host, "Count32")->setUpdatedValue(Variant::int32(77));
    set.SaveDataFromClientUpdates(&entry);
    QCOMPARE(rawField(*host, 2, QStringLiteral("PartId")).toInt(), 2);
    QCOMPARE(rawField(*host, 2, QStringLiteral("Count32")).toInt(), 77);
    QCOMPARE(rawField(*host, 2, QStringLiteral("Material")).toString(), QString());
    set.GetData(&entry);
    QCOMPARE(describe(column(*host, "Count32")->SavedValue()), QStringLiteral("Int32:77"));
    QCOMPARE(describe(column(*host, "Count16")->SavedValue()), QStringLiteral("Int16:0"));
}

void TestSearchData::updateWritesOnlyHandedInValues()
{
    KvoTest::Host *host = sharedHost();
    QVERIFY(host);
    CFilterColumns &set = *host->columns();
    CMergeBaseEntry entry(2);
    column(*host, "Material")->setUpdatedValue(Variant::text(QStringLiteral("Brass")));
    column(*host, "Weight")->setUpdatedValue(Variant::dbl(4.5));
    column(*host, "Made")->setUpdatedValue(Variant::date(Convert::makeDate(QDate(2021, 6, 1))));
    set.SaveDataFromClientUpdates(&entry);

    // Only Weight and Made change; Material is left alone (Empty) and Made becomes NULL.
    column(*host, "Weight")->setUpdatedValue(Variant::dbl(9.75));
    column(*host, "Made")->setUpdatedValue(Variant::null());
    column(*host, "Material")->setSavedValue(Variant::text(QStringLiteral("not written")));
    const QStringList untouched = dataRow(*host, 1);
    set.SaveDataFromClientUpdates(&entry);

    QCOMPARE(rawField(*host, 2, QStringLiteral("Material")).toString(), QStringLiteral("Brass"));
    QCOMPARE(rawField(*host, 2, QStringLiteral("Weight")).toDouble(), 9.75);
    QVERIFY(rawField(*host, 2, QStringLiteral("Made")).isNull());
    set.GetData(&entry);
    QCOMPARE(describe(column(*host, "Made")->SavedValue()), QStringLiteral("Null:"));
    QCOMPARE(describe(column(*host, "Material")->SavedValue()), QStringLiteral("Text:Brass"));
    QCOMPARE(dataRow(*host, 1), untouched);

    // Nothing handed in: the row is looked up, and no UPDATE follows.
    const qint64 before = host->connection().statementCount();
    set.SaveDataFromClientUpdates(&entry);
    QCOMPARE(host->connection().statementCount() - before, qint64(1));
}

void TestSearchData::valuesRoundTrip_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<Variant>("value");
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("expected");

    const auto text = [](const QString &t) { return Variant::text(t); };
    const QString quotes = QStringLiteral("O'Brien's \"quoted\" ''");
    const QString backslashes = QStringLiteral("C:\\dir\\ \\' \\\\ end\\");
    const QString wildcards = QStringLiteral("100% _a_ -- not a comment /* */ ; DROP TABLE x;");
    const QString lines = QStringLiteral("line one\nline two\r\n\ttabbed");
    const QString letters = QStringLiteral("Ωμέγα Straße 日本語 кириллица");
    QTest::newRow("text with quotes") << "Material" << text(quotes) << "C" << "Text:" + quotes;
    QTest::newRow("text with backslashes") << "Material" << text(backslashes) << "C" << "Text:" + backslashes;
    QTest::newRow("text with wildcards") << "Material" << text(wildcards) << "C" << "Text:" + wildcards;
    QTest::newRow("note with line breaks") << "Notes" << text(lines) << "C" << "Text:" + lines;
    QTest::newRow("non-Latin text") << "Material" << text(letters) << "C" << "Text:" + letters;
    QTest::newRow("empty text") << "Material" << text(QString()) << "C" << "Text:";
    QTest::newRow("null text") << "Notes" << Variant::null() << "C" << "Text:";
    QTest::newRow("int16 min") << "Count16" << Variant::int16(-32768) << "C" << "Int16:-32768";
    QTest::newRow("int16 max") << "Count16" << Variant::int16(32767) << "C" << "Int16:32767";
    QTest::newRow("int32 min") << "Count32" << Variant::int32(-2147483647 - 1) << "C" << "Int32:-2147483648";
    QTest::newRow("int32 null") << "Count32" << Variant::null() << "C" << "Null:";
    QTest::newRow("int16 from a double, half to even") << "Count16" << Variant::dbl(2.5) << "C" << "Int16:2";
    QTest::newRow("int32 typed in German") << "Count32" << text(QStringLiteral("1234")) << "de_DE" << "Int32:1234";
    QTest::newRow("single") << "Ratio" << Variant::single(1.1f) << "C" << "Single:1.1";
    QTest::newRow("single large") << "Ratio" << Variant::single(-3.25e10f) << "C" << "Single:-3.25e+10";
    QTest::newRow("double third") << "Weight" << Variant::dbl(1.0 / 3.0) << "C" << "Double:0.3333333333333333";
    QTest::newRow("double in a German session") << "Weight" << Variant::dbl(1234.5) << "de_DE" << "Double:1234.5";
    QTest::newRow("double text in German") << "Weight" << text(QStringLiteral("2,25")) << "de_DE" << "Double:2.25";
    QTest::newRow("double huge") << "Weight" << Variant::dbl(1.25e300) << "C" << "Double:1.25e+300";
    QTest::newRow("date zero") << "Made" << Variant::date(Variant::dateZero()) << "C" << "Date:1899-12-30 00:00:00";
    QTest::newRow("date with time") << "Made" << Variant::date(Convert::makeDate(QDate(2024, 2, 29), QTime(13, 45, 59)))
                                    << "C" << "Date:2024-02-29 13:45:59";
    QTest::newRow("date null") << "Made" << Variant::null() << "C" << "Null:";
    QTest::newRow("boolean true") << "Active" << Variant::boolean(true) << "C" << "Boolean:True";
    QTest::newRow("boolean false") << "Active" << Variant::boolean(false) << "C" << "Boolean:False";
    QTest::newRow("boolean null") << "Active" << Variant::null() << "C" << "Boolean:False";
}

void TestSearchData::valuesRoundTrip()
{
    QFETCH(QString, field);
    QFETCH(Variant, value);
    QFETCH(QString, locale);
    KvoTest::Host *host = sharedHost();
    QVERIFY(host);
    CFilterColumns &set = *host->columns();
    const QStringList others = dataRow(*host, 1) + dataRow(*host, 3);
    CMergeBaseEntry entry(2);
    {
        DefaultLocale l(locale);
        set.Item(field)->setUpdatedValue(value);
        set.SaveDataFromClientUpdates(&entry);
    }
    set.GetData(&entry);
    QTEST(describe(set.Item(field)->SavedValue()), "expected");
    QCOMPARE(dataRow(*host, 1) + dataRow(*host, 3), others);
}

void TestSearchData::sqlValueText_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<Variant>("value");
    QTest::addColumn<QString>("expected");
    QTest::newRow("empty") << int(fcInteger32) << Variant() << "NULL";
    QTest::newRow("null text") << int(fcText) << Variant::null() << "NULL";
    QTest::newRow("double in the C locale") << int(fcDouble) << Variant::dbl(-0.125) << "-0.125";
    QTest::newRow("text of a number, German") << int(fcSingle) << Variant::text(QStringLiteral("1,5")) << "1.5";
    QTest::newRow("blank text of a number") << int(fcInteger16) << Variant::text(QStringLiteral("  ")) << "NULL";
    QTest::newRow("out of range") << int(fcInteger16) << Variant::int32(70000) << "";
    QTest::newRow("text that is no number") << int(fcInteger32) << Variant::text(QStringLiteral("1; DELETE")) << "";
    QTest::newRow("text that is no date") << int(fcDateTime) << Variant::text(QStringLiteral("soon")) << "";
}

void TestSearchData::sqlValueText()
{
    QFETCH(int, type);
    QFETCH(Variant, value);
    auto host = KvoTest::makeHost(1);
    QVERIFY(host);
    CFilterColumn *c = addColumn(*host->columns(), QStringLiteral("C"), FilterColumnTypeConstants(type));
    QVERIFY(c);
    DefaultLocale l(QStringLiteral("de_DE"));
    QTEST(host->columns()->SqlValueText(c, value), "expected");
}

void TestSearchData::keywordLists_data()
{
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QStringList>("expectedMariaDB");   // its key ignores case and trailing spaces

    QTest::newRow("exact repeat") << QStringList{"a", "b", "a", "c", "b"} << QStringList{"a", "b", "c"}
                                  << QStringList{"a", "b", "c"};
    QTest::newRow("repeat in other case") << QStringList{"Bolt", "bolt", "BOLT", "nut"}
                                          << QStringList{"BOLT", "Bolt", "bolt", "nut"} << QStringList{"Bolt", "nut"};
    QTest::newRow("repeat with trailing space")
            << QStringList{"Bolt ", "Bolt", "washer"} << QStringList{"Bolt", "Bolt ", "washer"}
            << QStringList{"Bolt ", "washer"};
    QTest::newRow("blank items") << QStringList{"", "  ", "x"} << QStringList{"x"} << QStringList{"x"};
    QTest::newRow("kept as written") << QStringList{" leading", "in ner"} << QStringList{" leading", "in ner"}
                                     << QStringList{" leading", "in ner"};
    const QStringList hostile = {"it's", "back\\slash\\", "100%",   "a_b",
                                 "-- x", "two\nlines",    "日本語", "\\'; DROP TABLE t; --"};
    QTest::newRow("hostile texts") << hostile << sorted(hostile) << sorted(hostile);
}

void TestSearchData::keywordLists()
{
    QFETCH(QStringList, items);
    KvoTest::Host *host = sharedHost();
    QVERIFY(host);
    CFilterColumns &set = *host->columns();
    CFilterColumn *tags = column(*host, "Tags");
    CMergeBaseEntry entry(2);
    CMergeBaseEntry other(3);
    ComboBoxModel combo;
    tags->setMyControl(&combo);
    combo.addItem(QStringLiteral("left on another record"));
    set.SaveDataKeyword(&other, tags, set.SearchTableSeekCriteria(&other));
    combo.clear();
    combo.addItem(QStringLiteral("replaced"));
    set.SaveDataKeyword(&entry, tags, set.SearchTableSeekCriteria(&entry));

    combo.clear();
    for (const QString &item : items)
        combo.addItem(item);
    set.SaveDataKeyword(&entry, tags, set.SearchTableSeekCriteria(&entry));
    tags->setMyControl(nullptr);

    QFETCH(QStringList, expected);
    QFETCH(QStringList, expectedMariaDB);
    const QStringList wanted = host->db->engine == QLatin1String("mariadb") ? expectedMariaDB : expected;
    // Every item after a repeat is written too, and the record's former keywords are gone.
    QCOMPARE(keywordRows(*host, QStringLiteral("Tags"), 2), wanted);
    QCOMPARE(keywordRows(*host, QStringLiteral("Tags"), 3), QStringList{QStringLiteral("left on another record")});
    set.GetData(&entry);
    QCOMPARE(sorted(tags->SavedKeys()), wanted);
}

void TestSearchData::keywordListIsWrittenWhollyOrNotAtAll()
{
    auto host = KvoTest::makeHost(1);
    QVERIFY(host);
    CFilterColumns &set = *host->columns();
    QVERIFY(addAllTypes(set));
    Connection &db = host->connection();
    CFilterColumn *tags = column(*host, "Tags");
    const QString table = db.QuoteName(set.SearchTableName(tags));
    const QString field = db.QuoteName(QStringLiteral("Tags"));
    CMergeBaseEntry entry(1);
    ComboBoxModel combo;
    tags->setMyControl(&combo);
    combo.addItem(QStringLiteral("kept"));
    combo.addItem(QStringLiteral("also kept"));
    set.SaveDataKeyword(&entry, tags, set.SearchTableSeekCriteria(&entry));
    QCOMPARE(keywordRows(*host, QStringLiteral("Tags"), 1), (QStringList{"also kept", "kept"}));

    // The database refuses the second item of the next list.
    if (host->db->engine == QLatin1String("sqlite")) {
        QVERIFY(KvoTest::exec(db, QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON %1 WHEN NEW.%2 = 'refused' "
                                                 "BEGIN SELECT RAISE(ABORT, 'refused'); END")
                                      .arg(table, field)));
    } else {
        QVERIFY(KvoTest::exec(
                db, QStringLiteral("ALTER TABLE %1 ADD CONSTRAINT refuse CHECK (%2 <> 'refused')").arg(table, field)));
    }
    combo.clear();
    for (const char *item : {"new", "refused", "newer"})
        combo.addItem(QString::fromLatin1(item));
    ReportedFailures failures;
    set.SaveDataKeyword(&entry, tags, set.SearchTableSeekCriteria(&entry));
    QCOMPARE(failures.sources(), QStringList{QStringLiteral("CFilterColumns.SaveDataKeyword")});
    QCOMPARE(keywordRows(*host, QStringLiteral("Tags"), 1), (QStringList{"also kept", "kept"}));
    QVERIFY(!db.inTransaction());

    // The connection is usable afterwards (no transaction left aborted).
    combo.removeItem(1);
    set.SaveDataKeyword(&entry, tags, set.SearchTableSeekCriteria(&entry));
    QCOMPARE(keywordRows(*host, QStringLiteral("Tags"), 1), (QStringList{"new", "newer"}));
    tags->setMyControl(nullptr);
}

void TestSearchData::editControlWritesValidFields()
{
    KvoTest::Host *host = sharedHost();
    QVERIFY(host);
    CFilterColumns &set = *host->columns();
    CMergeBaseEntry entry(2);
    column(*host, "Count32")->setUpdatedValue(Variant::int32(7));
    column(*host, "Notes")->setUpdatedValue(Variant::text(QStringLiteral("no field, kept")));
    column(*host, "Made")->setUpdatedValue(Variant::date(Convert::makeDate(QDate(2001, 2, 3))));
    set.SaveDataFromClientUpdates(&entry);

    TextBoxModel material, count16, count32, ratio, weight, made;
    CheckBoxModel active;
    ComboBoxModel tags;
    column(*host, "Material")->setMyControl(&material);
    column(*host, "Count16")->setMyControl(&count16);
    column(*host, "Count32")->setMyControl(&count32);
    column(*host, "Ratio")->setMyControl(&ratio);
    column(*host, "Weight")->setMyControl(&weight);
    column(*host, "Made")->setMyControl(&made);
    column(*host, "Active")->setMyControl(&active);
    column(*host, "Tags")->setMyControl(&tags);
    material.setText(QStringLiteral("  Steel 'S235'  "));
    count16.setText(QStringLiteral("12"));
    count32.setText(QStringLiteral("12x"));   // not a number: the field keeps its value
    ratio.setText(QString());                 // blank: written as NULL
    weight.setText(QStringLiteral("2.5"));
    made.setText(QString());
    active.setValue(ICheckBox::Checked);
    tags.addItem(QStringLiteral("red"));
    tags.addItem(QStringLiteral("blue"));
    tags.addItem(QStringLiteral("red"));
    set.SaveDataFromEditControl(&entry);
    for (CFilterColumn *c : set.NewEnum())
        c->setMyControl(nullptr);

    QVERIFY(!column(*host, "Count32")->isValid());
    set.GetData(&entry);
    QCOMPARE(describe(column(*host, "Material")->SavedValue()), QStringLiteral("Text:Steel 'S235'"));
    QCOMPARE(describe(column(*host, "Count16")->SavedValue()), QStringLiteral("Int16:12"));
    QCOMPARE(describe(column(*host, "Count32")->SavedValue()), QStringLiteral("Int32:7"));
    QCOMPARE(describe(column(*host, "Ratio")->SavedValue()), QStringLiteral("Null:"));
    QCOMPARE(describe(column(*host, "Weight")->SavedValue()), QStringLiteral("Double:2.5"));
    QCOMPARE(describe(column(*host, "Made")->SavedValue()), QStringLiteral("Null:"));
    QCOMPARE(describe(column(*host, "Active")->SavedValue()), QStringLiteral("Boolean:True"));
    QCOMPARE(describe(column(*host, "Notes")->SavedValue()), QStringLiteral("Text:no field, kept"));
    QCOMPARE(sorted(column(*host, "Tags")->SavedKeys()), (QStringList{"blue", "red"}));
}

void TestSearchData::hiddenPicklistEntries_data()
{
    QTest::addColumn<int>("record");
    QTest::addColumn<QStringList>("shapes");
    QTest::addColumn<QStringList>("sizes");
    // Record 1 took "Square" and 7 before they were hidden; record 2 has other values; record 3
    // has no row.
    QTest::newRow("hidden entries of the record")
            << 1 << QStringList{"Round", "Square", "Flat"} << QStringList{"5", "7"};
    QTest::newRow("other record") << 2 << QStringList{"Round", "Flat"} << QStringList{"5"};
    QTest::newRow("record without row") << 3 << QStringList{"Round", "Flat"} << QStringList{"5"};
}

void TestSearchData::hiddenPicklistEntries()
{
    QFETCH(int, record);
    auto host = KvoTest::makeHost(3);
    QVERIFY(host);
    CFilterColumns &set = *host->columns();
    addColumn(set, QStringLiteral("Shape"), fcText);
    addColumn(set, QStringLiteral("Size"), fcInteger32);
    QVERIFY(set.ColumnsSave(nullptr));
    Connection &db = host->connection();
    CFilterColumn *shape = column(*host, "Shape");
    CFilterColumn *size = column(*host, "Size");
    // Picklist tables as the picklist code lays them out: the value field as key, and HideEntry.
    for (CFilterColumn *c : {shape, size}) {
        const QString table = set.PicklistTableName(c);
        TableStructure s(table);
        s.addField(c->Name(), c == shape ? adVarWChar : adInteger, c == shape ? 255 : 0, false);
        s.addField(QStringLiteral("HideEntry"), adBoolean);
        s.addKey(QStringLiteral("PK_") + table, KeyKind::Primary, {c->Name()});
        QVERIFY2(s.Create(host->catalog()), qPrintable(s.lastError()));
        c->setIsPicklist(true);
    }
    const QString yes = QString::number(db.SqlBooleanValue(true));
    const QString no = QString::number(db.SqlBooleanValue(false));
    const auto insert = [&](CFilterColumn *c, const QString &value, const QString &hidden) {
        return KvoTest::exec(db, QStringLiteral("INSERT INTO %1 (%2, %3) VALUES (%4, %5)")
                                     .arg(db.QuoteName(set.PicklistTableName(c)), db.QuoteName(c->Name()),
                                          db.QuoteName(QStringLiteral("HideEntry")), value, hidden));
    };
    QVERIFY(insert(shape, db.QuoteText(QStringLiteral("Round")), no));
    QVERIFY(insert(shape, db.QuoteText(QStringLiteral("Square")), yes));
    QVERIFY(insert(shape, db.QuoteText(QStringLiteral("Oval")), yes));
    QVERIFY(insert(shape, db.QuoteText(QStringLiteral("Flat")), QStringLiteral("NULL")));
    QVERIFY(insert(size, QStringLiteral("5"), no));
    QVERIFY(insert(size, QStringLiteral("7"), yes));

    CMergeBaseEntry one(1), two(2);
    shape->setUpdatedValue(Variant::text(QStringLiteral("square")));   // other letter case
    size->setUpdatedValue(Variant::int32(7));
    set.SaveDataFromClientUpdates(&one);
    shape->setUpdatedValue(Variant::text(QStringLiteral("Round")));
    size->setUpdatedValue(Variant::int32(5));
    set.SaveDataFromClientUpdates(&two);

    CMergeBaseEntry entry(record);
    set.GetData(&entry);
    QFETCH(QStringList, shapes);
    QFETCH(QStringList, sizes);
    if (host->db->engine == QLatin1String("sqlite")) {
        QCOMPARE(shape->SavedKeys(), shapes);   // table order
        QCOMPARE(size->SavedKeys(), sizes);
    } else {
        QCOMPARE(sorted(shape->SavedKeys()), sorted(shapes));
        QCOMPARE(sorted(size->SavedKeys()), sorted(sizes));
    }
}

void TestSearchData::initializeWritesDefaults()
{
    auto host = KvoTest::makeHost(3);
    QVERIFY(host);
    CFilterColumns &set = *host->columns();
    const QDateTime due = Convert::makeDate(QDate(2030, 1, 2), QTime(9, 30));
    addColumn(set, QStringLiteral("Material"), fcText, QStringLiteral("Steel"));
    addColumn(set, QStringLiteral("Notes"), fcNote, QStringLiteral("Default note"));
    addColumn(set, QStringLiteral("Made"), fcDateTime, QString(), fcDTDM_Now);
    addColumn(set, QStringLiteral("Due"), fcDateTime, QString(), fcDTDM_Configure, Variant::date(due));
    addColumn(set, QStringLiteral("Count32"), fcInteger32);
    addColumn(set, QStringLiteral("Active"), fcBoolean);
    addColumn(set, QStringLiteral("Tags"), fcKeyword);
    QVERIFY(set.ColumnsSave(nullptr));
    column(*host, "Material")->setIsPicklist(true);

    CMergeBaseEntry entry(3);
    const QDateTime before = Convert::now();
    QVERIFY(host->filter->InitializeSearchData(&entry));
    const QDateTime after = Convert::now();
    QVERIFY(!host->filter->InitializeSearchData(nullptr));

    column(*host, "Material")->setIsPicklist(false);   // it has no picklist table to read
    set.GetData(&entry);
    QCOMPARE(describe(column(*host, "Material")->SavedValue()), QStringLiteral("Text:Steel"));
    QCOMPARE(describe(column(*host, "Notes")->SavedValue()), QStringLiteral("Text:Default note"));
    const QDateTime made = column(*host, "Made")->SavedValue().toDate();
    QVERIFY2(made >= before && made <= after, qPrintable(Convert::isoText(made)));
    QCOMPARE(column(*host, "Due")->SavedValue().toDate(), due);
    QCOMPARE(describe(column(*host, "Count32")->SavedValue()), QStringLiteral("Int32:0"));
    QCOMPARE(describe(column(*host, "Active")->SavedValue()), QStringLiteral("Boolean:False"));
    for (CFilterColumn *c : set.NewEnum())
        QVERIFY(c->UpdatedValue().isEmpty());

    // The same through the global object, which makes a search filter of its own for the call.
    CMergeBaseEntry second(2);
    QVERIFY(CCommon::global().InitializeSearchData(&second, host->handler.get(), host->baseTable.get(),
                                                   host->db->catalog.get(), host->profile.get(),
                                                   host->structure.get()));
    QCOMPARE(rawField(*host, 2, QStringLiteral("Notes")).toString(), QStringLiteral("Default note"));
}

void TestSearchData::failedOperationsLeaveNoStaleValues()
{
    auto host = KvoTest::makeHost(2);
    QVERIFY(host);
    CFilterColumns &set = *host->columns();
    QVERIFY(addAllTypes(set));
    CMergeBaseEntry one(1), two(2);
    column(*host, "Material")->setUpdatedValue(Variant::text(QStringLiteral("Brass")));
    column(*host, "Count32")->setUpdatedValue(Variant::int32(5));
    column(*host, "Active")->setUpdatedValue(Variant::boolean(true));
    set.SaveDataFromClientUpdates(&one);
    for (CFilterColumn *c : set.NewEnum())
        QVERIFY(c->UpdatedValue().isEmpty());
    set.GetData(&one);
    QCOMPARE(describe(column(*host, "Material")->SavedValue()), QStringLiteral("Text:Brass"));

    Connection &db = host->connection();
    QVERIFY(KvoTest::exec(db, QStringLiteral("DROP TABLE %1").arg(db.QuoteName(set.SearchDataTableName()))));
    ReportedFailures failures;
    // A failed save still uses up the values handed in ...
    column(*host, "Material")->setUpdatedValue(Variant::text(QStringLiteral("Copper")));
    column(*host, "Weight")->setUpdatedValue(Variant::null());
    set.SaveDataFromClientUpdates(&two);
    for (CFilterColumn *c : set.NewEnum())
        QVERIFY(c->UpdatedValue().isEmpty());
    // ... and a failed read shows nothing of the record read before.
    set.GetData(&two);
    QCOMPARE(describe(column(*host, "Material")->SavedValue()), QStringLiteral("Text:"));
    QCOMPARE(describe(column(*host, "Count32")->SavedValue()), QStringLiteral("Null:"));
    QCOMPARE(describe(column(*host, "Active")->SavedValue()), QStringLiteral("Boolean:False"));
    QVERIFY(failures.sources().contains(QStringLiteral("CFilterColumns.SaveDataFromClientUpdates")));
    QVERIFY(failures.sources().contains(QStringLiteral("CFilterColumns.GetData")));
    QVERIFY(!failures.sources().contains(QStringLiteral("CFilterColumns.GetDataKeyword")));
}

void TestSearchData::readAndSaveStatements()
{
    auto host = KvoTest::makeHost(1);
    QVERIFY(host);
    CFilterColumns &set = *host->columns();
    addColumn(set, QStringLiteral("Material"), fcText);
    addColumn(set, QStringLiteral("Tags"), fcKeyword);
    addColumn(set, QStringLiteral("Weight"), fcDouble);
    addColumn(set, QStringLiteral("Labels"), fcKeyword);
    QVERIFY(set.ColumnsSave(nullptr));
    Connection &db = host->connection();
    Catalog &catalog = host->catalog();
    CMergeBaseEntry entry(1);
    ComboBoxModel tags;
    tags.addItem(QStringLiteral("a"));
    tags.addItem(QStringLiteral("b"));
    tags.addItem(QStringLiteral("a"));
    column(*host, "Tags")->setMyControl(&tags);
    TextBoxModel material;
    material.setText(QStringLiteral("Zinc"));
    column(*host, "Material")->setMyControl(&material);

    const int catalogQueries = catalog.queryCount();
    qint64 mark = db.statementCount();
    set.GetData(&entry);   // the search-data row and each keyword table
    QCOMPARE(db.statementCount() - mark, qint64(3));
    mark = db.statementCount();
    // Tags: begin, delete, two inserts, commit; Labels has no list; the row: look-up and insert.
    set.SaveDataFromEditControl(&entry);
    QCOMPARE(db.statementCount() - mark, qint64(7));
    mark = db.statementCount();
    column(*host, "Tags")->setMyControl(nullptr);
    column(*host, "Weight")->setUpdatedValue(Variant::dbl(1.5));
    set.SaveDataFromClientUpdates(&entry);   // look-up and update
    QCOMPARE(db.statementCount() - mark, qint64(2));
    QCOMPARE(catalog.queryCount(), catalogQueries);
    column(*host, "Material")->setMyControl(nullptr);

    set.GetData(&entry);
    QCOMPARE(describe(column(*host, "Material")->SavedValue()), QStringLiteral("Text:Zinc"));
    QCOMPARE(describe(column(*host, "Weight")->SavedValue()), QStringLiteral("Double:1.5"));
    QCOMPARE(sorted(column(*host, "Tags")->SavedKeys()), (QStringList{"a", "b"}));
}

void TestSearchData::keywordOnlySetWritesNoDataRow()
{
    auto host = KvoTest::makeHost(1);
    QVERIFY(host);
    CFilterColumns &set = *host->columns();
    addColumn(set, QStringLiteral("Tags"), fcKeyword);
    QVERIFY(set.ColumnsSave(nullptr));
    CMergeBaseEntry entry(1);
    ReportedFailures failures;
    const qint64 mark = host->connection().statementCount();
    set.SaveDataFromClientUpdates(&entry);   // no list to write, no search-data table to touch
    set.GetData(&entry);                     // the keyword table only
    QCOMPARE(host->connection().statementCount() - mark, qint64(1));
    QVERIFY(failures.sources().isEmpty());
}

void TestSearchData::textKeyBaseTable()
{
    auto host = std::make_unique<KvoTest::Host>();
    host->db = KvoTest::open();
    QVERIFY(host->db);
    QVERIFY(host->createBaseTable(QStringLiteral("Docs"), 3, QStringLiteral("DocKey"), true));
    host->openFilter(QStringLiteral("Docs"));
    QVERIFY(host->columns());
    CFilterColumns &set = *host->columns();
    addColumn(set, QStringLiteral("Title"), fcText);
    addColumn(set, QStringLiteral("Pages"), fcInteger32);
    addColumn(set, QStringLiteral("Tags"), fcKeyword);
    QVERIFY(set.ColumnsSave(nullptr));
    Connection &db = host->connection();

    CMergeBaseEntry entry(2);
    QCOMPARE(set.SearchTableSeekCriteria(&entry),
             db.QuoteName(QStringLiteral("DocKey")) + QStringLiteral(" = ") + db.QuoteText(QStringLiteral("2")));
    column(*host, "Title")->setUpdatedValue(Variant::text(QStringLiteral("Manual")));
    column(*host, "Pages")->setUpdatedValue(Variant::int32(12));
    ComboBoxModel tags;
    tags.addItem(QStringLiteral("draft"));
    column(*host, "Tags")->setMyControl(&tags);
    set.SaveDataFromClientUpdates(&entry);
    column(*host, "Pages")->setUpdatedValue(Variant::int32(13));
    set.SaveDataFromClientUpdates(&entry);   // now an update of the same row
    column(*host, "Tags")->setMyControl(nullptr);

    QCOMPARE(rawField(*host, 2, QStringLiteral("DocKey")).toString(), QStringLiteral("2"));
    set.GetData(&entry);
    QCOMPARE(describe(column(*host, "Title")->SavedValue()), QStringLiteral("Text:Manual"));
    QCOMPARE(describe(column(*host, "Pages")->SavedValue()), QStringLiteral("Int32:13"));
    QCOMPARE(column(*host, "Tags")->SavedKeys(), QStringList{QStringLiteral("draft")});
    CMergeBaseEntry other(1);
    set.GetData(&other);
    QCOMPARE(describe(column(*host, "Title")->SavedValue()), QStringLiteral("Text:"));
}

QTEST_GUILESS_MAIN(TestSearchData)
#include "tst_searchdata.moc"
