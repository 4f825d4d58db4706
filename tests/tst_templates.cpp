// The template: a record's saved values kept in the user profile and pasted into the fields of
// another record.
#include "testhost.h"

#include "columns/cfiltercolumns.h"
#include "core/conversions.h"

#include "hostkit/connection.h"
#include "hostkit/userprofile.h"

#include <QTest>

#include <map>

using namespace KvoPlx800SCtl;
using namespace KvoPlx800SCtl::HostKit;
using namespace Qt::StringLiterals;
using KvoTest::typed;

class TestTemplates : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase_data() { KvoTest::addEngineRows(); }

    // A later save replaces the whole template; Empty and Null values leave no entry, the keyword
    // positions have no gap.
    void saveWritesTypedEntries()
    {
        auto host = KvoTest::makeHost(1, KvoTest::everyType());
        QVERIFY(host);
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
    void fetchLoadsOncePerStamp()
    {
        auto host = KvoTest::makeHost(1, KvoTest::everyType());
        QVERIFY(host);
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
    void fetchedValues_data()
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
                {"single", "Ratio", "Ratio=0.75", "Single:0.75", "0,75"},
                {"single without an exact binary form", "Ratio", "Ratio=1.1", "Single:1.1", "1,1"},
                {"int32 of seven digits", "Count32", "Count32=1234567", "Int32:1234567", "1234567"},
                {"number that does not parse", "Weight", "Weight=abc", "Text:abc", "abc"},
                {"date", "Made", "Made=#2024-02-29 13:45:00#", "Date:2024-02-29 13:45:00", "29.02.2024 13:45:00"},
                {"date without time", "Made", "Made=#2023-07-01 00:00:00#", "Date:2023-07-01 00:00:00", "01.07.2023"},
                {"impossible date", "Made", "Made=#2024-02-30 00:00:00#", "Text:", ""},
                {"text that is no date", "Made", "Made=soon", "Text:", ""},
                {"date without entry", "Made", "", "Text:", ""},
                {"Boolean", "Active", "Active=True", "Boolean:True", "1"},
                {"Boolean without entry", "Active", "", "Boolean:False", "0"},
                {"text", "Material", "Material=Zinc 'Z1'", "Text:Zinc 'Z1'", "Zinc 'Z1'"},
                {"note without entry", "Notes", "", "Text:", ""},
                {"keywords in a row", "Tags", "Tags_1=a;Tags_2=b;Tags_3=c", "Keys:a|b|c", "a|b|c"},
                {"keywords, a gap hides the rest", "Tags", "Tags_1=a;Tags_2=b;Tags_4=d", "Keys:a|b", "a|b"},
                {"keywords, no first position", "Tags", "Tags_2=b;Tags_3=c", "Keys:", ""},
                {"keywords, an empty position ends the list", "Tags", "Tags_1=a;Tags_2=;Tags_3=c", "Keys:a", "a"}};
        for (const auto &r : rows)
            QTest::newRow(r.name) << r.field << r.entries << r.value << r.shown;
    }

    void fetchedValues()
    {
        QFETCH(QString, field);
        QFETCH(QString, entries);
        auto host = KvoTest::makeHost(1, KvoTest::everyType());
        QVERIFY(host);
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
        auto host = KvoTest::makeHost(1, KvoTest::everyType());
        QVERIFY(host);
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

    // A column set without a profile neither writes nor reads a template.
    void withoutProfile()
    {
        auto host = KvoTest::makeHost(1);
        QVERIFY(host);
        CFilterColumns set;
        set.Setup(host->handler.get(), host->baseTable.get(), &host->catalog(), nullptr, 0, host->structure.get());
        QVERIFY(KvoTest::addColumns(set, KvoTest::everyType()));
        set.Item("Material")->setSavedValue(Variant::text("Steel"));
        set.Item("Material")->setTemplateValue(Variant::text("kept"));
        set.SaveTemplate();
        QVERIFY(!set.FetchTemplateValues());
        set.CopyTemplate();
        QCOMPARE(typed(set.Item("Material")->TemplateValue()), u"Text:kept"_s);
        QVERIFY(host->profile->Sections().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestTemplates)
#include "tst_templates.moc"
