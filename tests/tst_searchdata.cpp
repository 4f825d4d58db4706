// Reading and writing the search values of one base record: the search-data row, keyword rows,
// picklist entries, the values of the edit controls and the defaults of a new record.
#include "testhost.h"

#include "columns/cfiltercolumns.h"
#include "core/controls.h"
#include "core/conversions.h"

#include "hostkit/connection.h"

#include <QTest>

#include <algorithm>

using namespace KvoPlx800SCtl;
using namespace KvoPlx800SCtl::HostKit;
using namespace Qt::StringLiterals;
using KvoTest::typed;

Q_DECLARE_METATYPE(KvoPlx800SCtl::Variant)

namespace {

using KvoTest::readValues;
using KvoTest::refuse;
using KvoTest::saveValues;

// What every column of KvoTest::everyType() reads for a record without a row (and after a failed read).
const QStringList Missing = {"Text:", "Text:", "Null:", "Null:", "Null:", "Null:", "Null:", "Boolean:False", ""};

// In Unicode code point order (which UTF-16 code units do not give above U+FFFF).
QStringList sorted(QStringList list)
{
    std::sort(list.begin(), list.end(), [](const QString &a, const QString &b) { return a.toUcs4() < b.toUcs4(); });
    return list;
}

QString ofRecord(const CFilterColumns &set, int id)
{
    CMergeBaseEntry entry(id);
    return u" WHERE "_s + set.SearchTableSeekCriteria(&entry);
}

// The search-data row of a record (fields joined by "|"); empty without a row.
QStringList dataRow(KvoTest::Host &host, int id)
{
    CFilterColumns &set = *host.columns();
    return KvoTest::rows(host.connection(), u"SELECT * FROM [%1]"_s.arg(set.SearchDataTableName()) + ofRecord(set, id));
}

// The keyword rows of a record, sorted: the keyword table has no order of its own.
QStringList keywordRows(KvoTest::Host &host, int id)
{
    CFilterColumns &set = *host.columns();
    return sorted(
            KvoTest::rows(host.connection(),
                          u"SELECT [Tags] FROM [%1]"_s.arg(set.SearchTableName(set.Item("Tags"))) + ofRecord(set, id)));
}

// Writes a keyword list of record id through a combo box, as the edit control does.
bool saveKeywords(CFilterColumns &set, int id, const QStringList &items)
{
    KvoTest::Controls controls(set, {u"Tags"_s});
    controls.enter(u"Tags"_s, items.join(u'|'));
    CMergeBaseEntry entry(id);
    return set.SaveDataKeyword(&entry, set.Item("Tags"), set.SearchTableSeekCriteria(&entry));
}

} // namespace

class TestSearchData : public QObject
{
    Q_OBJECT

    // One host per engine with every column type, shared by the rows of a data-driven test;
    // records 1 and 3 hold values that no test changes.
    KvoTest::Host *sharedHost()
    {
        return m_hosts.get([] {
            auto host = KvoTest::makeHost(3, KvoTest::everyType());
            for (int id : {1, 3}) {
                if (host
                    && !saveValues(*host->columns(), id,
                                   {{"Material", Variant::text(u"Sentinel's %1"_s.arg(id))},
                                    {"Notes", Variant::text(u"note %1"_s.arg(id))},
                                    {"Count16", Variant::int16(qint16(id))},
                                    {"Count32", Variant::int32(id * 1000)},
                                    {"Ratio", Variant::single(0.5f * float(id))},
                                    {"Weight", Variant::dbl(1.25 * id)},
                                    {"Made", Variant::date(Convert::makeDate(QDate(2020, 1, id), QTime(8, 0)))},
                                    {"Active", Variant::boolean(true)}}))
                    host.reset();
            }
            return host;
        });
    }

    KvoTest::HostPerEngine m_hosts;

private slots:
    void initTestCase_data() { KvoTest::addEngineRows(); }
    void cleanupTestCase() { m_hosts.clear(); }

    void recordWithoutRowReadsMissingValues()
    {
        KVO_MAKE_HOST(2, KvoTest::everyType());
        CFilterColumns &set = *host->columns();
        QCOMPARE(readValues(set, 2), Missing);

        // The first save of the record inserts its row, keyed by the record; columns left out get
        // the field's default.
        QVERIFY(saveValues(set, 2, {{"Count32", Variant::int32(77)}}));
        QCOMPARE(KvoTest::storedValue(*host, 2, u"PartId"_s).toInt(), 2);
        QCOMPARE(readValues(set, 2), (QStringList{"Text:", "Text:", "Int16:0", "Int32:77", "Single:0", "Double:0",
                                                  "Null:", "Boolean:False", ""}));
    }

    void updateWritesOnlyHandedInValues()
    {
        KvoTest::Host *host = sharedHost();
        QVERIFY(host);
        CFilterColumns &set = *host->columns();
        QVERIFY(saveValues(set, 2,
                           {{"Material", Variant::text(u"Brass"_s)},
                            {"Weight", Variant::dbl(4.5)},
                            {"Made", Variant::date(Convert::makeDate(QDate(2021, 6, 1)))}}));

        // Only Weight and Made change; Material is left alone (Empty) and Made becomes NULL.
        const QStringList untouched = dataRow(*host, 1);
        set.Item("Material")->setSavedValue(Variant::text(u"not written"_s));
        QVERIFY(saveValues(set, 2, {{"Weight", Variant::dbl(9.75)}, {"Made", Variant::null()}}));
        QCOMPARE(KvoTest::storedValue(*host, 2, u"Material"_s).toString(), u"Brass"_s);
        QCOMPARE(KvoTest::storedValue(*host, 2, u"Weight"_s).toDouble(), 9.75);
        QVERIFY(KvoTest::storedValue(*host, 2, u"Made"_s).isNull() && dataRow(*host, 1) == untouched);

        // Nothing handed in: the row is looked up, and no UPDATE follows.
        const qint64 before = host->connection().statementCount();
        QVERIFY(saveValues(set, 2, {}));
        QCOMPARE(host->connection().statementCount() - before, qint64(1));
    }

    void valuesRoundTrip_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<Variant>("value");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("expected");

        const auto row = [](const char *name, const char *field, const Variant &value, const QString &expected,
                            const char *locale = "C") {
            QTest::newRow(name) << QString::fromLatin1(field) << value << QString::fromLatin1(locale) << expected;
        };
        const std::pair<const char *, QString> texts[] = {{"text with quotes", u"O'Brien's \"quoted\" ''"_s},
                                                          {"text with backslashes", u"C:\\dir\\ \\' \\\\ end\\"_s},
                                                          {"non-Latin text", u"Ωμέγα Straße 日本語 кириллица"_s},
                                                          {"empty text", QString()}};
        for (const auto &[name, text] : texts)
            row(name, "Material", Variant::text(text), "Text:" + text);
        const QString lines = u"line one\nline two\r\n\ttabbed"_s;
        row("note with line breaks", "Notes", Variant::text(lines), "Text:" + lines);
        row("null text", "Notes", Variant::null(), u"Text:"_s);
        row("int16 min", "Count16", Variant::int16(-32768), u"Int16:-32768"_s);
        row("int16 max", "Count16", Variant::int16(32767), u"Int16:32767"_s);
        row("int32 min", "Count32", Variant::int32(-2147483647 - 1), u"Int32:-2147483648"_s);
        row("int16 from a double, half to even", "Count16", Variant::dbl(2.5), u"Int16:2"_s);
        row("int32 typed in German", "Count32", Variant::text(u"1234"_s), u"Int32:1234"_s, "de_DE");
        row("single", "Ratio", Variant::single(1.1f), u"Single:1.1"_s);
        row("single large", "Ratio", Variant::single(-3.25e10f), u"Single:-3.25e+10"_s);
        row("double third", "Weight", Variant::dbl(1.0 / 3.0), u"Double:0.3333333333333333"_s);
        row("double in a German session", "Weight", Variant::dbl(1234.5), u"Double:1234.5"_s, "de_DE");
        row("double text in German", "Weight", Variant::text(u"2,25"_s), u"Double:2.25"_s, "de_DE");
        row("double huge", "Weight", Variant::dbl(1.25e300), u"Double:1.25e+300"_s);
        row("date zero", "Made", Variant::date(Variant::dateZero()), u"Date:1899-12-30 00:00:00"_s);
        row("date with time", "Made", Variant::date(Convert::makeDate(QDate(2024, 2, 29), QTime(13, 45, 59))),
            u"Date:2024-02-29 13:45:59"_s);
        row("date null", "Made", Variant::null(), u"Null:"_s);
        row("boolean true", "Active", Variant::boolean(true), u"Boolean:True"_s);
        row("boolean false", "Active", Variant::boolean(false), u"Boolean:False"_s);
        row("boolean null", "Active", Variant::null(), u"Boolean:False"_s);
    }

    void valuesRoundTrip()
    {
        QFETCH(QString, field);
        QFETCH(Variant, value);
        QFETCH(QString, locale);
        KvoTest::Host *host = sharedHost();
        QVERIFY(host);
        CFilterColumns &set = *host->columns();
        const QStringList others = dataRow(*host, 1) + dataRow(*host, 3);
        {
            const KvoTest::DefaultLocale inLocale(locale);
            QVERIFY(saveValues(set, 2, {{field, value}}));
        }
        CMergeBaseEntry entry(2);
        QVERIFY(set.GetData(&entry));
        QTEST(typed(set.Item(field)->SavedValue()), "expected");
        QCOMPARE(dataRow(*host, 1) + dataRow(*host, 3), others);
    }

    // Only parsed values reach SQL; the text is that of the C locale whatever the session's.
    void sqlValueText_data()
    {
        QTest::addColumn<QString>("column");
        QTest::addColumn<Variant>("value");
        QTest::addColumn<QString>("expected");
        QTest::newRow("empty") << "Count32" << Variant() << "NULL";
        QTest::newRow("null text") << "Material" << Variant::null() << "NULL";
        QTest::newRow("double in the C locale") << "Weight" << Variant::dbl(-0.125) << "-0.125";
        QTest::newRow("text of a number, German") << "Ratio" << Variant::text(u"1,5"_s) << "1.5";
        QTest::newRow("blank text of a number") << "Count16" << Variant::text(u"  "_s) << "NULL";
        QTest::newRow("out of range") << "Count16" << Variant::int32(70000) << "";
        QTest::newRow("text that is no number") << "Count32" << Variant::text(u"1; DELETE"_s) << "";
        QTest::newRow("text that is no date") << "Made" << Variant::text(u"soon"_s) << "";
    }

    void sqlValueText()
    {
        QFETCH(QString, column);
        QFETCH(Variant, value);
        KvoTest::Host *host = sharedHost();
        QVERIFY(host);
        const KvoTest::DefaultLocale german(u"de_DE"_s);
        QTEST(host->columns()->SqlValueText(host->columns()->Item(column), value), "expected");
    }

    void keywordLists_data()
    {
        QTest::addColumn<QStringList>("items");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QStringList>("expectedMariaDB"); // its key ignores case and trailing spaces

        const auto row = [](const char *name, const QStringList &items, const QStringList &expected,
                            const QStringList &expectedMariaDB = {}) {
            QTest::newRow(name) << items << expected << (expectedMariaDB.isEmpty() ? expected : expectedMariaDB);
        };
        row("exact repeat", {"a", "b", "a", "c", "b"}, {"a", "b", "c"});
        row("repeat in other case", {"Bolt", "bolt", "BOLT", "nut"}, {"BOLT", "Bolt", "bolt", "nut"}, {"Bolt", "nut"});
        row("repeat with trailing space", {"Bolt ", "Bolt", "washer"}, {"Bolt", "Bolt ", "washer"},
            {"Bolt ", "washer"});
        row("blank items", {"", "  ", "x"}, {"x"});
        row("kept as written", {" leading", "in ner"}, {" leading", "in ner"});
        const QStringList hostile = {"it's", "back\\slash\\", "100%",   "a_b",
                                     "-- x", "two\nlines",    "日本語", "\\'; DROP TABLE t; --"};
        row("hostile texts", hostile, sorted(hostile));
        row("beyond the basic plane", {"\U0001D538", "\uFF21", "a"}, {"a", "\uFF21", "\U0001D538"});
    }

    void keywordLists()
    {
        QFETCH(QStringList, items);
        QFETCH(QStringList, expected);
        QFETCH(QStringList, expectedMariaDB);
        KvoTest::Host *host = sharedHost();
        QVERIFY(host);
        CFilterColumns &set = *host->columns();
        QVERIFY(saveKeywords(set, 3, {u"left on another record"_s}));
        QVERIFY(saveKeywords(set, 2, {u"replaced"_s}));
        QVERIFY(saveKeywords(set, 2, items));

        const QStringList wanted = host->database().engine() == Engine::MariaDB ? expectedMariaDB : expected;
        // Every item after a repeat is written too, and the record's former keywords are gone.
        QCOMPARE(keywordRows(*host, 2), wanted);
        QCOMPARE(keywordRows(*host, 3), QStringList{u"left on another record"_s});
        // GetData gives the list in code point order.
        QVERIFY(!readValues(set, 2).isEmpty());
        QCOMPARE(set.Item(u"Tags"_s)->SavedKeys(), wanted);
    }

    void editControlWritesValidFields()
    {
        KvoTest::Host *host = sharedHost();
        QVERIFY(host);
        CFilterColumns &set = *host->columns();
        QVERIFY(saveValues(set, 2,
                           {{"Count32", Variant::int32(7)},
                            {"Notes", Variant::text(u"no field, kept"_s)},
                            {"Made", Variant::date(Convert::makeDate(QDate(2001, 2, 3)))}}));

        {
            // Notes has no control: it keeps its value.
            KvoTest::Controls controls(set,
                                       {"Material", "Count16", "Count32", "Ratio", "Weight", "Made", "Active", "Tags"});
            const std::pair<const char *, const char *> entered[] = {
                    {"Material", "  Steel 'S235'  "},
                    {"Count16", "12"},
                    {"Count32", "12x"}, // not a number: the field keeps its value
                    {"Ratio", ""},      // blank: written as NULL
                    {"Weight", "2.5"},
                    {"Made", ""},
                    {"Active", "1"},
                    {"Tags", "red|blue|red"}};
            for (const auto &[name, text] : entered)
                controls.enter(QString::fromLatin1(name), QString::fromUtf8(text));
            CMergeBaseEntry entry(2);
            QVERIFY(set.SaveDataFromEditControl(&entry));
        }
        QVERIFY(!set.Item("Count32")->isValid());
        QCOMPARE(readValues(set, 2), (QStringList{"Text:Steel 'S235'", "Text:no field, kept", "Int16:12", "Int32:7",
                                                  "Null:", "Double:2.5", "Null:", "Boolean:True", "blue|red"}));
    }

    void initializeWritesDefaults()
    {
        const QDateTime due = Convert::makeDate(QDate(2030, 1, 2), QTime(9, 30));
        KVO_MAKE_HOST(3);
        CFilterColumns &set = *host->columns();
        KvoTest::addColumn(set, {"Material", fcText, {}, 60, false, false, u"Steel"_s});
        KvoTest::addColumn(set, {"Notes", fcNote, {}, 60, false, false, u"Default note"_s});
        KvoTest::addColumn(set, {"Made", fcDateTime, {}, 0})->setDateTimeDefaultMode(fcDTDM_Now);
        KvoTest::addColumn(set, {"Due", fcDateTime, {}, 0})->setDateTimeDefaultValue(Variant::date(due));
        QVERIFY(KvoTest::addColumns(set, {{"Count32", fcInteger32}, {"Active", fcBoolean}, {"Tags", fcKeyword}}));
        set.Item("Material")->setIsPicklist(true);

        CMergeBaseEntry entry(3);
        const QDateTime before = Convert::now();
        QVERIFY(host->filter->InitializeSearchData(&entry));
        const QDateTime after = Convert::now();
        QVERIFY(!host->filter->InitializeSearchData(nullptr));

        set.Item("Material")->setIsPicklist(false); // it has no picklist table to read
        const QStringList values = readValues(set, 3);
        const QDateTime made = set.Item("Made")->SavedValue().toDate();
        QVERIFY2(made >= before && made <= after, qPrintable(Convert::isoText(made)));
        QCOMPARE(set.Item("Due")->SavedValue().toDate(), due);
        QCOMPARE(values.mid(0, 2), (QStringList{"Text:Steel", "Text:Default note"}));
        QCOMPARE(values.mid(4), (QStringList{"Int32:0", "Boolean:False", ""}));

        // The same through the global object, which makes a search filter of its own for the call.
        CMergeBaseEntry second(2);
        QVERIFY(CCommon::global().InitializeSearchData(&second, host->handler.get(), host->baseTable.get(),
                                                       &host->catalog(), host->profile.get(), host->structure.get()));
        QCOMPARE(KvoTest::storedValue(*host, 2, u"Notes"_s).toString(), u"Default note"_s);
    }

    void failedOperationsLeaveNoStaleValues()
    {
        KVO_MAKE_HOST(2, KvoTest::everyType());
        CFilterColumns &set = *host->columns();
        const auto nothingHandedIn = [&set] {
            const auto columns = set.NewEnum();
            return std::all_of(columns.cbegin(), columns.cend(),
                               [](const CFilterColumn *c) { return c->UpdatedValue().isEmpty(); });
        };
        QVERIFY(saveValues(set, 1,
                           {{"Material", Variant::text(u"Brass"_s)},
                            {"Count32", Variant::int32(5)},
                            {"Active", Variant::boolean(true)}}));
        QVERIFY(nothingHandedIn());
        QCOMPARE(readValues(set, 1).first(), u"Text:Brass"_s);

        QVERIFY(KvoTest::run(host->connection(), u"DROP TABLE [%1]"_s.arg(set.SearchDataTableName())));
        KvoTest::ReportedFailures failures;
        // A failed save still uses up the values handed in ...
        QVERIFY(!saveValues(set, 2, {{"Material", Variant::text(u"Copper"_s)}, {"Weight", Variant::null()}}));
        QVERIFY(nothingHandedIn());
        // ... and a failed read shows nothing of the record read before.
        bool complete = true;
        QCOMPARE(readValues(set, 2, &complete), Missing);
        QVERIFY(!complete);
        QVERIFY(failures.sources().contains(u"CFilterColumns.SaveDataFromClientUpdates"_s));
        QVERIFY(failures.sources().contains(u"CFilterColumns.GetData"_s));
    }

    // The statements a read and a save take, and that they need no catalog query.
    void readAndSaveStatements()
    {
        KVO_MAKE_HOST(1, {{"Material", fcText}, {"Tags", fcKeyword}, {"Weight", fcDouble}, {"Labels", fcKeyword}});
        CFilterColumns &set = *host->columns();
        Connection &db = host->connection();
        CMergeBaseEntry entry(1);
        const int catalogQueries = host->catalog().queryCount();
        {
            KvoTest::Controls controls(set, {u"Tags"_s, u"Material"_s});
            controls.enter(u"Tags"_s, u"a|b|a"_s);
            controls.enter(u"Material"_s, u"Zinc"_s);
            qint64 mark = db.statementCount();
            QVERIFY(set.GetData(&entry)); // the search-data row and each keyword table
            QCOMPARE(db.statementCount() - mark, qint64(3));
            mark = db.statementCount();
            // Tags: begin, delete, two inserts, commit; Labels has no list; the row: an update that
            // finds none, then the insert.
            QVERIFY(set.SaveDataFromEditControl(&entry));
            QCOMPARE(db.statementCount() - mark, qint64(7));
        }
        const qint64 mark = db.statementCount();
        QVERIFY(saveValues(set, 1, {{"Weight", Variant::dbl(1.5)}})); // the update alone
        QCOMPARE(db.statementCount() - mark, qint64(1));
        QCOMPARE(host->catalog().queryCount(), catalogQueries);
        QCOMPARE(readValues(set, 1), (QStringList{"Text:Zinc", "a|b", "Double:1.5", ""}));

        // A set of keyword columns only has no search-data table to touch.
        auto keywordsOnly = KvoTest::makeHost(1, {{"Tags", fcKeyword}});
        QVERIFY(keywordsOnly);
        KvoTest::ReportedFailures failures;
        const qint64 before = keywordsOnly->connection().statementCount();
        QVERIFY(saveValues(*keywordsOnly->columns(), 1, {})); // no list to write
        readValues(*keywordsOnly->columns(), 1);              // the keyword table only
        QCOMPARE(keywordsOnly->connection().statementCount() - before, qint64(1));
        QVERIFY(failures.sources().isEmpty());
    }

    // A record saves whole, whichever path writes it: when the database refuses its row or one of
    // its keywords, after the other part was written, the record stays exactly as it was and the
    // caller is told.
    void recordSavesWhole_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("refused"); // the column whose new value the database refuses
        for (const char *path : {"edit control", "client updates", "copy", "data block"}) {
            for (const char *column : {"Material", "Tags"})
                QTest::addRow("%s, %s refused", path, column)
                        << QString::fromLatin1(path) << QString::fromLatin1(column);
        }
    }
    void recordSavesWhole()
    {
        QFETCH(QString, path);
        QFETCH(QString, refused);
        KVO_MAKE_HOST(1, {{"Material", fcText, {}, 60}, {"Tags", fcKeyword, {}, 60}});
        CFilterColumns &set = *host->columns();
        QVERIFY(saveValues(set, 1, {{"Material", Variant::text(u"old"_s)}}));
        QVERIFY(saveKeywords(set, 1, {u"kept"_s}));
        const QStringList before = dataRow(*host, 1);
        QVERIFY(refuse(*host, refused, refused == u"Material" ? u"UPDATE"_s : u"INSERT"_s));
        const QString material = refused == u"Material" ? u"refused"_s : u"new"_s;
        const QString tag = refused == u"Tags" ? u"refused"_s : u"new"_s;

        CMergeBaseEntry entry(1);
        bool saved = true;
        if (path == u"copy") {
            set.Item("Material")->setSavedValue(Variant::text(material));
            set.Item("Tags")->SavedKeys() = QStringList{tag};
            saved = set.CopyData(&entry);
        } else if (path == u"data block") {
            saved = host->filter->AnalyzeDataBlock(
                    QDateTime(QDate(2024, 3, 15), QTime(14, 30)), QString(), &entry,
                    u"Begin Search Data\nMaterial: %1\nTags: %2\n"_s.arg(material, tag).toUtf8());
        } else {
            KvoTest::Controls controls(set);
            controls.enter(u"Material"_s, material);
            controls.enter(u"Tags"_s, tag);
            if (path == u"client updates") {
                set.Item("Material")->setUpdatedValue(Variant::text(material));
                saved = set.SaveDataFromClientUpdates(&entry);
            } else {
                saved = set.SaveDataFromEditControl(&entry);
            }
        }
        QVERIFY(!saved);
        QCOMPARE(dataRow(*host, 1), before);
        QCOMPARE(keywordRows(*host, 1), QStringList{u"kept"_s});
        QVERIFY(!host->connection().inTransaction());
        // The connection goes on (no transaction left aborted).
        QVERIFY(saveKeywords(set, 1, {u"new"_s}));
        QCOMPARE(keywordRows(*host, 1), QStringList{u"new"_s});
    }

    void textKeyBaseTable()
    {
        KvoTest::Host host;
        auto scratch = KvoTest::open();
        QVERIFY(scratch);
        host.use(std::move(scratch));
        QVERIFY(host.createBaseTable(u"Docs"_s, 3, u"DocKey"_s, true));
        host.openTable(u"Docs"_s);
        QVERIFY(host.columns());
        CFilterColumns &set = *host.columns();
        QVERIFY(KvoTest::addColumns(set, {{"Title", fcText}, {"Pages", fcInteger32}, {"Tags", fcKeyword}}));
        Connection &db = host.connection();

        CMergeBaseEntry entry(2);
        QCOMPARE(set.SearchTableSeekCriteria(&entry), db.QuoteName(u"DocKey"_s) + u" = "_s + db.QuoteText(u"2"_s));
        {
            KvoTest::Controls controls(set, {u"Tags"_s});
            controls.enter(u"Tags"_s, u"draft"_s);
            QVERIFY(saveValues(set, 2, {{"Title", Variant::text(u"Manual"_s)}, {"Pages", Variant::int32(12)}}));
            QVERIFY(saveValues(set, 2, {{"Pages", Variant::int32(13)}})); // now an update of the same row
        }
        QCOMPARE(KvoTest::storedValue(host, 2, u"DocKey"_s).toString(), u"2"_s);
        QCOMPARE(readValues(set, 2), (QStringList{"Text:Manual", "Int32:13", "draft"}));
        QCOMPARE(readValues(set, 1), (QStringList{"Text:", "Null:", ""}));
    }
};

QTEST_GUILESS_MAIN(TestSearchData)
#include "tst_searchdata.moc"
