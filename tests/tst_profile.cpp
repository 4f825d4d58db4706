// The user profile: the reference INI profile's values and names, the template of a record's
// values kept there and pasted into another record, and the user's last filter (also where older
// hosts left it).
#include "testhost.h"

#include "columns/cfiltercolumns.h"
#include "core/conversions.h"
#include "filter/cfilterterms.h"

#include "hostkit/texthelper.h"
#include "hostkit/userprofile.h"

#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <map>

using namespace KvoPlx800SCtl;
using namespace KvoPlx800SCtl::HostKit;
using namespace Qt::StringLiterals;
using KvoTest::typed;

namespace {

QSet<QString> asSet(const QStringList &list) { return QSet<QString>(list.cbegin(), list.cend()); }

// Each term as "conjunction table.field c<class> op<operation> [compare-to]".
QStringList describe(const std::unique_ptr<CFilterTerms> &terms)
{
    if (!terms)
        return {u"<none>"_s};
    QStringList out;
    for (const CFilterTerm *t : terms->NewEnum())
        out.append(u"%1 %2.%3 c%4 op%5 [%6]"_s.arg(t->Conjunction())
                           .arg(t->Table(), t->Field())
                           .arg(t->ComparisonClass())
                           .arg(t->Operation())
                           .arg(t->CompareTo()));
    return out;
}

} // namespace

class TestProfile : public QObject
{
    Q_OBJECT

    QString path(const QString &name) const { return m_dir.filePath(name); }

    // A host with the columns Weight, Tags, Due and Ok, the current user 17 "alice", and a filter
    // of five terms: a number, a Boolean, a keyword, a base field and a date.
    bool makeFilterHost()
    {
        m_host = KvoTest::makeHost(1,
                                   {{"Weight", fcDouble, {}, 0},
                                    {"Tags", fcKeyword},
                                    {"Due", fcDateTime, {}, 0},
                                    {"Ok", fcBoolean, {}, 0}},
                                   Engine::SQLite);
        if (!m_host)
            return false;
        TextHelper::instance().setCurrentUser(17, u"alice"_s);
        m_terms = std::make_unique<CFilterTerms>();
        m_terms->setFilterColumns(m_host->columns());
        const QString data = u"PartsSearchData"_s;
        m_terms->Add(kvoCJ_None, data, u"Weight"_s, kvoCC_Numeric, kvoOP_Greater, u"2.5"_s);
        m_terms->Add(kvoCJ_And, data, u"Ok"_s, kvoCC_Boolean, kvoOP_IsTrue, u"x"_s);
        m_terms->Add(kvoCJ_OR, u"PartsSearchKeywordTags"_s, u"Tags"_s, kvoCC_Keyword, kvoOP_Includes, u"it's"_s);
        m_terms->Add(kvoCJ_And, u"Parts"_s, u"Description"_s, kvoCC_Text, kvoOP_IsLike, u"P%"_s);
        m_terms->Add(kvoCJ_None, data, u"Due"_s, kvoCC_Date, kvoOP_Less, u"2024-01-31 10:11:12"_s);
        return true;
    }

    QTemporaryDir m_dir;
    int m_file = 0;
    std::unique_ptr<KvoTest::Host> m_host;
    std::unique_ptr<CFilterTerms> m_terms;

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }
    void cleanup()
    {
        QLocale::setDefault(QLocale::c());
        m_terms.reset();
        m_host.reset();
    }

    void valuesAreWrittenInTheirFormats_data()
    {
        QTest::addColumn<QVariant>("value"); // written with the setter of its type
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("number"); // GetNumber: -1 is the default
        const struct
        {
            const char *name;
            QVariant value;
            const char *stored;
            int number;
        } rows[] = {{"text", "Aluminium", "Aluminium", -1},
                    {"empty text", QString(), "", -1},
                    {"text with comma", "a, b, c", "a, b, c", -1},
                    {"text with at sign", "@Variant(x)", "@Variant(x)", -1},
                    {"text with quotes", "say \"hi\"; 'x' = y", "say \"hi\"; 'x' = y", -1},
                    {"text with spaces", "  padded  ", "  padded  ", -1},
                    {"text with line break", "one\ntwo\r\nthree", "one\ntwo\r\nthree", -1},
                    {"text with backslash", "C:\\temp\\x", "C:\\temp\\x", -1},
                    {"text, non-Latin", "材料 Ωμέγα", "材料 Ωμέγα", -1},
                    {"text like a number", "007", "007", 7},
                    {"number in spaces", " 42 ", " 42 ", 42},
                    {"number then text", "12abc", "12abc", -1},
                    {"number too large", "3000000000", "3000000000", -1},
                    {"decimal comma", "2,5", "2,5", -1},
                    {"negative number", -2147483647 - 1, "-2147483648", -2147483647 - 1},
                    {"double, half to even", 2.5, "2.5", 2},
                    {"double, rounds", 2.6, "2.6", 3},
                    {"double, round trip", 0.1 + 0.2, "0.30000000000000004", 0},
                    {"double, large", 1e20, "1e+20", -1},
                    {"date", QDateTime(QDate(2024, 3, 5), QTime(7, 8, 9)), "#2024-03-05 07:08:09#", -1},
                    {"date zero", QDateTime(QDate(1899, 12, 30), QTime(0, 0)), "#1899-12-30 00:00:00#", -1},
                    {"true", true, "True", -1}};
        for (const auto &r : rows)
            QTest::newRow(r.name) << r.value << QString::fromUtf8(r.stored) << r.number;
    }

    // Each type is written as its text and read back the same, also through a new profile object.
    void valuesAreWrittenInTheirFormats()
    {
        QFETCH(QVariant, value);
        QFETCH(QString, stored);
        const QString file = path(u"values%1.ini"_s.arg(++m_file));
        const QString section = u"Parts_Template"_s, key = u"Value"_s;
        {
            UserProfile profile(file);
            switch (value.typeId()) {
            case QMetaType::QString:
                QVERIFY(profile.SetText(section, key, value.toString()));
                break;
            case QMetaType::Int:
                QVERIFY(profile.SetNumber(section, key, value.toInt()));
                break;
            case QMetaType::Double:
                QVERIFY(profile.SetDouble(section, key, value.toDouble()));
                break;
            case QMetaType::QDateTime:
                QVERIFY(profile.SetDate(section, key, value.toDateTime()));
                break;
            default:
                QVERIFY(profile.SetBoolean(section, key, value.toBool()));
                break;
            }
            QCOMPARE(profile.GetText(section, key, u"default"_s), stored);
        }
        UserProfile reopened(file);
        QCOMPARE(reopened.GetText(section, key, u"default"_s), stored);
        QTEST(reopened.GetNumber(section, key, -1), "number");
    }

    // A missing section or key gives the default; an empty text is a value. A deleted section is
    // gone from the file; deleting an unknown one does nothing. A write reaches the file at once,
    // and one that cannot reach its file says so.
    void missingValuesAndDeletedSections()
    {
        const QString file = path(u"delete.ini"_s);
        {
            UserProfile profile(file);
            QCOMPARE(profile.GetText(u"S"_s, u"k"_s, u"dflt"_s), u"dflt"_s);
            QVERIFY(profile.SetText(u"S"_s, u"k"_s, QString()));
            QCOMPARE(profile.GetText(u"S"_s, u"k"_s, u"dflt"_s), QString());
            QVERIFY(profile.GetNumber(u"S"_s, u"missing"_s, -5) == -5
                    && profile.GetNumber(u"Missing"_s, u"k"_s, 9) == 9);
            QVERIFY(profile.SetNumber(u"Filter"_s, u"Operation1"_s, 2));
            QVERIFY(profile.DeleteSection(u"Filter"_s) && profile.DeleteSection(u"Never there"_s));
            QFile raw(file);
            QVERIFY(raw.open(QIODevice::ReadOnly | QIODevice::Text));
            QVERIFY(raw.readAll().contains("[S]"));
        }
        UserProfile reopened(file);
        QCOMPARE(reopened.Sections(), QStringList{u"S"_s});
        QCOMPARE(reopened.GetNumber(u"Filter"_s, u"Operation1"_s, -1), -1);
        UserProfile unwritable(u"/proc/kvo-no-such-folder/profile.ini"_s);
        QVERIFY(!unwritable.SetText(u"S"_s, u"k"_s, u"lost"_s));
    }

    // Names with separators, escapes and non-Latin letters stay apart and come back as written;
    // deleting one section leaves the ones whose names look alike.
    void hostileNamesRoundTrip()
    {
        // Split at "|"; the last of each is the empty name.
        const QStringList sections =
                u"Parts_Template|Filter Jobs 1|a/b|a%2Fb|a\\b|/lead|trail/|a//b|General|"
                u"部品 フィルタ|Ünïcödé|[brackets]|semi;colon=eq#hash|%|%25|general|"_s.split(u'|');
        const QStringList keys = u"Field|Compare To|x/y|x%2Fy|x\\y|Größe|キー|k=v|#k;| space|%|"_s.split(u'|');
        const QString file = path(u"hostile.ini"_s);
        {
            UserProfile profile(file);
            for (const QString &section : sections) {
                for (const QString &key : keys)
                    QVERIFY(profile.SetText(section, key, section + u'|' + key));
            }
        }
        UserProfile profile(file);
        QCOMPARE(asSet(profile.Sections()), asSet(sections));
        for (const QString &section : sections) {
            QCOMPARE(asSet(profile.Keys(section)), asSet(keys));
            for (const QString &key : keys)
                QCOMPARE(profile.GetText(section, key, u"?"_s), section + u'|' + key);
        }
        QVERIFY(profile.DeleteSection(u"a/b"_s));
        UserProfile after(file);
        QCOMPARE(after.Sections().size(), sections.size() - 1);
        for (const QString &other : {u"a%2Fb"_s, u"a\\b"_s, u"a//b"_s})
            QCOMPARE(after.GetText(other, u"Field"_s, QString()), other + u"|Field"_s);
    }

    // A later save replaces the whole template; Empty and Null values leave no entry, the keyword
    // positions have no gap.
    void templateSaveWritesTypedEntries()
    {
        KVO_MAKE_HOST(1, KvoTest::everyType(), Engine::SQLite);
        CFilterColumns &set = *host->columns();
        const QString section = set.TemplateSection();
        QCOMPARE(section, u"Parts_Template"_s);
        set.Item("Notes")->setSavedValue(Variant::text(u"from the first template"_s));
        set.SaveTemplate();
        QVERIFY(host->profile->Keys(section).contains(u"Notes"_s));

        const std::map<QString, Variant> values{
                {"Material", Variant::text("Steel")},
                {"Notes", Variant::text(QString())},
                {"Count16", Variant::null()},
                {"Count32", Variant::int32(-42)},
                {"Ratio", Variant::single(1.1f)},
                {"Weight", Variant::dbl(2.5)},
                {"Made", Variant::date(Convert::makeDate(QDate(2024, 2, 29), QTime(13, 45)))},
                {"Active", Variant::boolean(false)}};
        for (const auto &[name, value] : values)
            set.Item(name)->setSavedValue(value);
        set.Item("Tags")->SavedKeys() = QStringList{"red", "", "blue", "green"};
        set.SaveTemplate();
        QStringList entries; // the stamp's value changes with the time
        for (const QString &key : host->profile->Keys(section)) {
            const QString text = host->profile->GetText(section, key, QString());
            entries.append(key == u"TimeStamp"_s && !text.isEmpty() ? key : key + u'=' + text);
        }
        entries.sort();
        QCOMPARE(entries,
                 (QStringList{"Active=False", "Count32=-42", "Made=#2024-02-29 13:45:00#", "Material=Steel",
                              "Ratio=1.1", "Tags_1=red", "Tags_2=blue", "Tags_3=green", "TimeStamp", "Weight=2.5"}));
    }

    // The profile is read again only when the template's stamp changed, and by a new column set.
    void templateFetchLoadsOncePerStamp()
    {
        KVO_MAKE_HOST(1, KvoTest::everyType(), Engine::SQLite);
        const auto material = [&] { return typed(host->columns()->Item("Material")->TemplateValue()); };
        CFilterColumns &set = *host->columns();
        const QString section = set.TemplateSection();
        set.Item("Material")->setSavedValue(Variant::text("Steel"));
        set.SaveTemplate();
        QVERIFY(set.FetchTemplateValues());
        QCOMPARE(material(), u"Text:Steel"_s);
        QVERIFY(host->profile->SetText(section, u"Material"_s, u"Brass"_s));
        QVERIFY(set.FetchTemplateValues());
        QCOMPARE(material(), u"Text:Steel"_s);
        QVERIFY(host->profile->SetStamp(section, CFilterColumns::TimeStamp()));
        QVERIFY(set.FetchTemplateValues());
        QCOMPARE(material(), u"Text:Brass"_s);
        host->openTable(u"Parts"_s);
        QVERIFY(host->columns()->FetchTemplateValues());
        QCOMPARE(material(), u"Text:Brass"_s);
    }

    // What a template in the profile gives each column, and what pasting it shows in a German locale.
    // A keyword column's positions run from 1 without a gap or an empty one.
    void templateFetchedValues_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("entries"); // key=text;key=text...
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("shown");
        const struct
        {
            const char *name, *field, *entries, *value, *shown;
        } rows[] = {
                {"number without entry", "Count32", "", "Int32:0", "0"},
                {"int16", "Count16", "Count16=-12", "Int16:-12", "-12"},
                {"double", "Weight", "Weight=2.5", "Double:2.5", "2,5"},
                {"single without an exact binary form", "Ratio", "Ratio=1.1", "Single:1.1", "1,1"},
                {"number that does not parse", "Weight", "Weight=abc", "Text:abc", "abc"},
                {"date", "Made", "Made=#2024-02-29 13:45:00#", "Date:2024-02-29 13:45:00", "29.02.2024 13:45:00"},
                {"date without time", "Made", "Made=#2023-07-01 00:00:00#", "Date:2023-07-01 00:00:00", "01.07.2023"},
                {"impossible date", "Made", "Made=#2024-02-30 00:00:00#", "Text:", ""},
                {"text that is no date", "Made", "Made=soon", "Text:", ""},
                {"Boolean", "Active", "Active=True", "Boolean:True", "1"},
                {"Boolean without entry", "Active", "", "Boolean:False", "0"},
                {"text", "Material", "Material=Zinc 'Z1'", "Text:Zinc 'Z1'", "Zinc 'Z1'"},
                {"keywords in a row", "Tags", "Tags_1=a;Tags_2=b;Tags_3=c", "Keys:a|b|c", "a|b|c"},
                {"keywords, a gap hides the rest", "Tags", "Tags_1=a;Tags_2=b;Tags_4=d", "Keys:a|b", "a|b"},
                {"keywords, no first position", "Tags", "Tags_2=b;Tags_3=c", "Keys:", ""},
                {"keywords, an empty position ends the list", "Tags", "Tags_1=a;Tags_2=;Tags_3=c", "Keys:a", "a"}};
        for (const auto &r : rows)
            QTest::newRow(r.name) << r.field << r.entries << r.value << r.shown;
    }

    void templateFetchedValues()
    {
        QFETCH(QString, field);
        QFETCH(QString, entries);
        KVO_MAKE_HOST(1, KvoTest::everyType(), Engine::SQLite);
        CFilterColumns &set = *host->columns();
        QVERIFY(host->profile->SetStamp(set.TemplateSection(), CFilterColumns::TimeStamp()));
        for (const QString &entry : entries.split(u';', Qt::SkipEmptyParts))
            QVERIFY(host->profile->SetText(set.TemplateSection(), entry.section(u'=', 0, 0), entry.section(u'=', 1)));
        KvoTest::DefaultLocale german(u"de_DE"_s);
        KvoTest::Controls fields(set);
        set.CopyTemplate();
        CFilterColumn *column = set.Item(field);
        QTEST(column->ColumnType() == fcKeyword ? u"Keys:"_s + column->TemplateKeys().join(u'|')
                                                : typed(column->TemplateValue()),
              "value");
        QTEST(fields.shown(field), "shown");
    }

    void clearedTemplatePastesNothing()
    {
        KVO_MAKE_HOST(1, KvoTest::everyType(), Engine::SQLite);
        CFilterColumns &set = *host->columns();
        set.Item("Material")->setSavedValue(Variant::text("Steel"));
        set.Item("Tags")->SavedKeys() = QStringList{"red"};
        set.SaveTemplate();
        KvoTest::Controls fields(set);
        set.CopyTemplate();
        QCOMPARE(fields.shown("Material") + fields.shown("Tags"), u"Steelred"_s);
        set.ClearTemplate();
        QVERIFY(!host->profile->Sections().contains(set.TemplateSection()));
        set.CopyTemplate();
        QCOMPARE(fields.shown("Material") + fields.shown("Tags"), QString());
    }

    // The last filter: a Boolean term keeps no compare-to value, a term without conjunction none
    // either; read back, the classes are derived again (the same SQL) and the date shows as the
    // user's locale writes it. Without a profile nothing is read or written.
    void filterRoundTrip()
    {
        QVERIFY(makeFilterHost());
        CSearchFilter &f = *m_host->filter;
        CFilterColumns *set = m_host->columns();
        UserProfile &profile = *m_host->profile;
        f.SaveFilter(m_terms.get(), set, &profile, u"17"_s, fltrDBMode_Normal);
        const QString section = u"Parts_17_Last_Filter"_s;
        QCOMPARE(f.FilterSection(u"17"_s, fltrDBMode_Archive), u"Parts_17_Archive_Last_Filter"_s);
        const QStringList keys = profile.Keys(section);
        for (const char *key : {"CompareTo2", "Conjunction1", "Conjunction5"})
            QVERIFY2(!keys.contains(QString::fromLatin1(key)), key);
        QCOMPARE(profile.GetText(section, u"CompareTo5"_s, {}), u"#2024-01-31 10:11:12#"_s);

        QVERIFY(!m_terms->SQLString().isEmpty());
        QCOMPARE(f.GetFilter(set, &profile, u"17"_s, fltrDBMode_Normal)->SQLString(), m_terms->SQLString());
        KvoTest::DefaultLocale german(u"de_DE"_s);
        QCOMPARE(describe(f.GetFilter(set, &profile, u"17"_s, fltrDBMode_Normal)),
                 (QStringList{"0 PartsSearchData.Weight c4 op5 [2.5]", "1 PartsSearchData.Ok c1 op1 []",
                              "2 PartsSearchKeywordTags.Tags c2 op10 [it's]", "1 Parts.Description c3 op8 [P%]",
                              "0 PartsSearchData.Due c5 op4 [31.01.2024 10:11:12]"}));
        QVERIFY(!f.GetFilter(set, nullptr, u"17"_s, fltrDBMode_Normal));
    }

    // Archive and normal never see each other's filter; a gap in the numbering ends the list; a term
    // whose column is gone is left out and noted; an empty filter deletes the section.
    void filterSectionsAndGaps()
    {
        QVERIFY(makeFilterHost());
        CSearchFilter &f = *m_host->filter;
        CFilterColumns *set = m_host->columns();
        UserProfile &profile = *m_host->profile;
        const auto read = [&](EFilterDatabaseModes mode) { return f.GetFilter(set, &profile, u"17"_s, mode); };
        f.SaveFilter(m_terms.get(), set, &profile, u"17"_s, fltrDBMode_Archive);
        QCOMPARE(read(fltrDBMode_Normal)->Count(), 0);
        QCOMPARE(read(fltrDBMode_Archive)->Count(), 5);

        const QString section = f.FilterSection(u"17"_s, fltrDBMode_Archive);
        QVERIFY(profile.SetText(section, u"Field3"_s, QString()));
        QCOMPARE(read(fltrDBMode_Archive)->Count(), 2);
        QVERIFY(profile.SetText(section, u"Field2"_s, u"Vanished"_s));
        const auto gone = read(fltrDBMode_Archive);
        QCOMPARE(describe(gone), QStringList{"0 PartsSearchData.Weight c4 op5 [2.5]"});
        QCOMPARE(gone->Problems(), (QList<FilterTermProblem>{{FilterTermProblem::NoSuchColumn, 2, u"Vanished"_s, {}}}));

        CFilterTerms none;
        none.setFilterColumns(set);
        f.SaveFilter(&none, set, &profile, u"17"_s, fltrDBMode_Archive);
        QVERIFY(!profile.Sections().contains(section));
    }

    // A filter an older host kept under the user's name, in this profile or only in the old one, is
    // found and moved to the user's number; nothing anywhere is an empty filter.
    void filterOlderPlaces()
    {
        QVERIFY(makeFilterHost());
        CSearchFilter &f = *m_host->filter;
        CFilterColumns *set = m_host->columns();
        UserProfile &profile = *m_host->profile;
        QTemporaryDir dir;
        UserProfile old(dir.filePath(u"old.ini"_s));
        const auto has = [](const UserProfile &p, const char *name) {
            return p.Sections().contains(QLatin1String(name));
        };

        f.SaveFilter(m_terms.get(), set, &profile, u"alice"_s, fltrDBMode_Normal);
        f.SaveFilter(m_terms.get(), set, &old, u"alice"_s, fltrDBMode_Normal);
        QCOMPARE(f.LastFilter(&old, u"alice"_s, fltrDBMode_Normal)->Count(), 5);
        QVERIFY(has(profile, "Parts_17_Last_Filter") && !has(old, "Parts_alice_Last_Filter"));

        f.SaveFilter(m_terms.get(), set, &old, u"bob"_s, fltrDBMode_Archive);
        TextHelper::instance().setCurrentUser(23, u"bob"_s);
        QCOMPARE(f.LastFilter(&old, u"bob"_s, fltrDBMode_Archive)->Count(), 5);
        QVERIFY(has(profile, "Parts_bob_Archive_Last_Filter") && !has(profile, "Parts_23_Archive_Last_Filter"));
        QVERIFY(!has(old, "Parts_bob_Archive_Last_Filter"));
        QCOMPARE(f.LastFilter(&old, u"bob"_s, fltrDBMode_Archive)->Count(), 5);
        QVERIFY(has(profile, "Parts_23_Archive_Last_Filter"));

        const auto none = f.LastFilter(&old, u"carol"_s, fltrDBMode_Normal);
        QVERIFY(none && !none->HasTerms());
    }

    // The dialog is offered the last filter; its answer becomes the last filter, a cancel keeps it.
    void filterRequest()
    {
        QVERIFY(makeFilterHost());
        CSearchFilter &f = *m_host->filter;
        auto windows = std::make_unique<KvoTest::RecordingWindows>();
        f.SaveFilter(m_terms.get(), m_host->columns(), m_host->profile.get(), u"17"_s, fltrDBMode_Normal);
        auto status = FilterRequestStatus::NotOpened;
        QVERIFY(f.Filter(nullptr, u"alice"_s, nullptr, fltrDBMode_Normal, &status));
        QCOMPARE(status, FilterRequestStatus::Applied);
        QCOMPARE(windows->offered(), 5);
        QCOMPARE(describe(f.LastFilter(nullptr, u"alice"_s, fltrDBMode_Normal)),
                 QStringList{"0 PartsSearchData.Weight c4 op4 [3]"});
        // Cancel and a dialog that cannot open both keep the last filter; the status tells them apart.
        for (const auto answer : {FilterRequestStatus::Cancelled, FilterRequestStatus::NotOpened}) {
            windows->setAnswer(answer);
            QVERIFY(!f.Filter(nullptr, u"alice"_s, nullptr, fltrDBMode_Normal, &status));
            QCOMPARE(status, answer);
            QCOMPARE(f.LastFilter(nullptr, u"alice"_s, fltrDBMode_Normal)->Count(), 1);
        }
        windows.reset();
        status = FilterRequestStatus::Applied;
        QVERIFY(!f.Filter(nullptr, u"alice"_s, nullptr, fltrDBMode_Normal, &status));
        QCOMPARE(status, FilterRequestStatus::NotOpened);
    }
};

QTEST_GUILESS_MAIN(TestProfile)
#include "tst_profile.moc"
