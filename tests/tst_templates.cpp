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

namespace {

// Adds a column of every type (not saved: templates need no tables).
bool addEveryType(CFilterColumns &set)
{
    for (const KvoPlx800SCtl::ColumnDefinition &def : KvoTest::everyType()) {
        if (!KvoTest::addColumn(set, def))
            return false;
    }
    return true;
}

// The typed saved value of every column, in column order; a keyword column's sorted keys.
QStringList savedValues(CFilterColumns &set)
{
    QStringList values;
    for (CFilterColumn *c : set.NewEnum()) {
        QStringList keys = c->SavedKeys();
        keys.sort();
        values.append(c->ColumnType() == fcKeyword ? u"Keys:"_s + keys.join(u'|') : typed(c->SavedValue()));
    }
    return values;
}

// An in-memory control for every column while it lives.
class Fields
{
public:
    explicit Fields(CFilterColumns &set) : m_set(set)
    {
        for (CFilterColumn *c : set.NewEnum()) {
            if (c->ColumnType() == fcBoolean)
                m_controls.push_back(std::make_unique<CheckBoxModel>());
            else if (c->ColumnType() == fcKeyword)
                m_controls.push_back(std::make_unique<ComboBoxModel>());
            else
                m_controls.push_back(std::make_unique<TextBoxModel>());
            c->setMyControl(m_controls.back().get());
        }
    }
    ~Fields()
    {
        for (CFilterColumn *c : m_set.NewEnum())
            c->setMyControl(nullptr);
    }
    // What the column's control shows: a text, a check state, or the keyword items joined by "|".
    QString text(const QString &name) const
    {
        CFilterColumn *c = m_set.Item(name);
        if (const ITextBox *box = c->asTextBox())
            return box->text();
        if (const ICheckBox *check = c->asCheckBox())
            return QString::number(check->value());
        return c->asComboBox()->items().join(u'|');
    }

private:
    CFilterColumns &m_set;
    std::vector<std::unique_ptr<IControl>> m_controls;
};

} // namespace

class TestTemplates : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase_data() { KvoTest::addEngineRows(); }

    void saveWritesTypedEntries();
    void fetchLoadsOncePerStamp();
    void fetchedValues_data();
    void fetchedValues();
    void clearedTemplatePastesNothing();
    void withoutProfile();
    void pasteIntoAnotherRecord();
};

// A later save replaces the whole template; Empty and Null values leave no entry, the keyword
// positions have no gap.
void TestTemplates::saveWritesTypedEntries()
{
    auto host = KvoTest::makeHost(1);
    QVERIFY(host && addEveryType(*host->columns()));
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
             (QStringList{"Active=False", "Count32=-42", "Made=#2024-02-29 13:45:00#", "Material=Steel", "Ratio=1.1",
                          "Tags_1=red", "Tags_2=blue", "Tags_3=green", "TimeStamp", "Weight=2.5"}));
}

// The profile is read again only when the template's stamp changed, and by a new column set.
void TestTemplates::fetchLoadsOncePerStamp()
{
    auto host = KvoTest::makeHost(1);
    QVERIFY(host && addEveryType(*host->columns()));
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
    QVERIFY(addEveryType(*host->columns()));
    QVERIFY(host->columns()->FetchTemplateValues());
    QCOMPARE(material(), u"Text:Brass"_s);
}

// What a template in the profile gives each column, and what pasting it shows in a German locale.
// A keyword column's positions run from 1 without a gap or an empty one.
void TestTemplates::fetchedValues_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("entries"); // key=text;key=text...
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("shown");
    const struct
    {
        const char *name, *field, *entries, *value, *shown;
    } rows[] = {{"number without entry", "Count32", "", "Int32:0", "0"},
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

void TestTemplates::fetchedValues()
{
    QFETCH(QString, field);
    QFETCH(QString, entries);
    auto host = KvoTest::makeHost(1);
    QVERIFY(host && addEveryType(*host->columns()));
    CFilterColumns &set = *host->columns();
    QVERIFY(host->profile->SetStamp(set.TemplateSection(), CFilterColumns::TimeStamp()));
    for (const QString &entry : entries.split(u';', Qt::SkipEmptyParts))
        QVERIFY(host->profile->SetText(set.TemplateSection(), entry.section(u'=', 0, 0), entry.section(u'=', 1)));

    KvoTest::DefaultLocale german(u"de_DE"_s);
    Fields fields(set);
    set.CopyTemplate();
    CFilterColumn *column = set.Item(field);
    QTEST(column->ColumnType() == fcKeyword ? u"Keys:"_s + column->TemplateKeys().join(u'|')
                                            : typed(column->TemplateValue()),
          "value");
    QTEST(fields.text(field), "shown");
}

void TestTemplates::clearedTemplatePastesNothing()
{
    auto host = KvoTest::makeHost(1);
    QVERIFY(host && addEveryType(*host->columns()));
    CFilterColumns &set = *host->columns();
    set.Item("Material")->setSavedValue(Variant::text("Steel"));
    set.Item("Tags")->SavedKeys() = QStringList{"red"};
    set.SaveTemplate();
    Fields fields(set);
    set.CopyTemplate();
    QCOMPARE(fields.text("Material") + fields.text("Tags"), u"Steelred"_s);

    set.ClearTemplate();
    QVERIFY(!host->profile->Sections().contains(set.TemplateSection()));
    set.CopyTemplate();
    QCOMPARE(fields.text("Material") + fields.text("Tags"), QString());
}

// A column set without a profile neither writes nor reads a template.
void TestTemplates::withoutProfile()
{
    auto host = KvoTest::makeHost(1);
    QVERIFY(host);
    CFilterColumns set;
    set.Setup(host->handler.get(), host->baseTable.get(), &host->catalog(), nullptr, 0, host->structure.get());
    QVERIFY(addEveryType(set));
    set.Item("Material")->setSavedValue(Variant::text("Steel"));
    set.Item("Material")->setTemplateValue(Variant::text("kept"));
    set.SaveTemplate();
    QVERIFY(!set.FetchTemplateValues());
    set.CopyTemplate();
    QCOMPARE(typed(set.Item("Material")->TemplateValue()), u"Text:kept"_s);
    QVERIFY(host->profile->Sections().isEmpty());
}

// A record saved, kept as the template and pasted into another record by a user of a German
// locale gives the same stored values.
void TestTemplates::pasteIntoAnotherRecord()
{
    auto host = KvoTest::makeHost(2);
    QVERIFY(host && addEveryType(*host->columns()));
    CFilterColumns &set = *host->columns();
    QVERIFY(set.ColumnsSave(nullptr));
    CMergeBaseEntry source(1), target(2);
    const std::map<QString, Variant> values{
            {"Material", Variant::text(u"Steel 'S235'"_s)},
            {"Notes", Variant::text(u"two\nlines"_s)},
            {"Count16", Variant::int16(-7)},
            {"Count32", Variant::int32(1234567)},
            {"Ratio", Variant::single(0.5f)},
            {"Weight", Variant::dbl(1234.125)},
            {"Made", Variant::date(Convert::makeDate(QDate(2024, 2, 29), QTime(13, 45)))},
            {"Active", Variant::boolean(true)}};
    for (const auto &[name, value] : values)
        set.Item(name)->setUpdatedValue(value);
    ComboBoxModel tags;
    tags.addItem("red");
    tags.addItem("blue");
    set.Item("Tags")->setMyControl(&tags);
    QVERIFY(set.SaveDataFromClientUpdates(&source));
    set.Item("Tags")->setMyControl(nullptr);
    QVERIFY(set.GetData(&source));
    const QStringList saved = savedValues(set);
    QCOMPARE(saved.last(), u"Keys:blue|red"_s);
    set.SaveTemplate();

    KvoTest::DefaultLocale german(u"de_DE"_s);
    QVERIFY(set.GetData(&target));
    {
        Fields fields(set);
        set.CopyTemplate();
        QCOMPARE(fields.text("Weight"), u"1234,125"_s);
        QVERIFY(set.SaveDataFromEditControl(&target));
    }
    QVERIFY(set.GetData(&target));
    QCOMPARE(savedValues(set), saved);
}

QTEST_GUILESS_MAIN(TestTemplates)
#include "tst_templates.moc"
