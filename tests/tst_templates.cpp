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

namespace {

void addAllTypes(CFilterColumns &set)
{
    const auto add = [&](const char *name, FilterColumnTypeConstants type) {
        const bool textual = type == fcText || type == fcKeyword || type == fcNote;
        set.Add(QString::fromLatin1(name), QString(), QString(), type, textual ? 60 : 0, false, false, QString(),
                fcDTDM_Configure, Variant::null(), false);
    };
    add("Material", fcText);
    add("Notes", fcNote);
    add("Count16", fcInteger16);
    add("Count32", fcInteger32);
    add("Ratio", fcSingle);
    add("Weight", fcDouble);
    add("Made", fcDateTime);
    add("Active", fcBoolean);
    add("Tags", fcKeyword);
}

QString describe(const Variant &v)
{
    return QString::fromLatin1(variantTypeName(v.type())) + QLatin1Char(':') + v.toText();
}

CFilterColumn *column(CFilterColumns &set, const char *name)
{
    return set.Item(QString::fromLatin1(name));
}

// One in-memory control per column, bound for the life of the object.
class Fields
{
public:
    explicit Fields(CFilterColumns &set) : m_set(set)
    {
        for (CFilterColumn *c : set.NewEnum()) {
            IControl *control = nullptr;
            if (c->ColumnType() == fcBoolean)
                control = m_checks.emplace_back(std::make_unique<CheckBoxModel>()).get();
            else if (c->ColumnType() == fcKeyword)
                control = m_combos.emplace_back(std::make_unique<ComboBoxModel>()).get();
            else
                control = m_boxes.emplace_back(std::make_unique<TextBoxModel>()).get();
            c->setMyControl(control);
        }
    }
    ~Fields()
    {
        for (CFilterColumn *c : m_set.NewEnum())
            c->setMyControl(nullptr);
    }
    QString text(const char *name) const
    {
        CFilterColumn *c = column(m_set, name);
        if (const ITextBox *box = c->asTextBox())
            return box->text();
        if (const ICheckBox *check = c->asCheckBox())
            return QString::number(check->value());
        return c->asComboBox()->items().join(QLatin1Char('|'));
    }

private:
    CFilterColumns &m_set;
    std::vector<std::unique_ptr<TextBoxModel>> m_boxes;
    std::vector<std::unique_ptr<CheckBoxModel>> m_checks;
    std::vector<std::unique_ptr<ComboBoxModel>> m_combos;
};

class DefaultLocale
{
public:
    explicit DefaultLocale(const QString &name) { QLocale::setDefault(QLocale(name)); }
    ~DefaultLocale() { QLocale::setDefault(QLocale::c()); }
};

// A template written straight into the profile: a new stamp and the given entries.
void writeTemplate(KvoTest::Host &host, const std::map<QString, QString> &entries)
{
    CFilterColumns &set = *host.columns();
    host.profile->DeleteSection(set.TemplateSection());
    host.profile->SetStamp(set.TemplateSection(), CFilterColumns::TimeStamp());
    for (const auto &[key, text] : entries)
        host.profile->SetText(set.TemplateSection(), key, text);
}

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
    void keywordPositions_data();
    void keywordPositions();
    void clearedTemplatePastesNothing();
    void withoutProfile();
    void pasteIntoAnotherRecord();
};

void TestTemplates::saveWritesTypedEntries()
{
    auto host = KvoTest::makeHost(1);
    QVERIFY(host);
    CFilterColumns &set = *host->columns();
    addAllTypes(set);
    const QString section = set.TemplateSection();
    QCOMPARE(section, QStringLiteral("Parts_Template"));

    column(set, "Notes")->setSavedValue(Variant::text(QStringLiteral("from the first template")));
    set.SaveTemplate();
    QVERIFY(host->profile->Keys(section).contains(QStringLiteral("Notes")));

    column(set, "Material")->setSavedValue(Variant::text(QStringLiteral("Steel")));
    column(set, "Notes")->setSavedValue(Variant::text(QString()));
    column(set, "Count16")->setSavedValue(Variant::null());
    column(set, "Count32")->setSavedValue(Variant::int32(-42));
    column(set, "Ratio")->setSavedValue(Variant::single(1.1f));
    column(set, "Weight")->setSavedValue(Variant::dbl(2.5));
    column(set, "Made")->setSavedValue(Variant::date(Convert::makeDate(QDate(2024, 2, 29), QTime(13, 45))));
    column(set, "Active")->setSavedValue(Variant::boolean(false));
    column(set, "Tags")->SavedKeys() = QStringList{"red", "", "blue", "green"};
    set.SaveTemplate();

    QStringList keys = host->profile->Keys(section);
    keys.sort();
    // Empty and Null values leave no entry; the keyword positions have no gap.
    QCOMPARE(keys, (QStringList{"Active", "Count32", "Made", "Material", "Ratio", "Tags_1", "Tags_2", "Tags_3",
                                "TimeStamp", "Weight"}));
    const auto entry = [&](const char *key) {
        return host->profile->GetText(section, QString::fromLatin1(key), QString());
    };
    QCOMPARE(entry("Material"), QStringLiteral("Steel"));
    QCOMPARE(entry("Count32"), QStringLiteral("-42"));
    QCOMPARE(entry("Ratio"), QStringLiteral("1.1"));
    QCOMPARE(entry("Weight"), QStringLiteral("2.5"));
    QCOMPARE(entry("Made"), QStringLiteral("#2024-02-29 13:45:00#"));
    QCOMPARE(entry("Active"), QStringLiteral("False"));
    QCOMPARE(entry("Tags_2"), QStringLiteral("blue"));
    QVERIFY(!entry("TimeStamp").isEmpty());
}

void TestTemplates::fetchLoadsOncePerStamp()
{
    auto host = KvoTest::makeHost(1);
    QVERIFY(host);
    CFilterColumns &set = *host->columns();
    addAllTypes(set);
    const QString section = set.TemplateSection();
    column(set, "Material")->setSavedValue(Variant::text(QStringLiteral("Steel")));
    set.SaveTemplate();
    QVERIFY(set.FetchTemplateValues());
    QCOMPARE(describe(column(set, "Material")->TemplateValue()), QStringLiteral("Text:Steel"));

    // Same stamp: nothing is read again.
    host->profile->SetText(section, QStringLiteral("Material"), QStringLiteral("Brass"));
    QVERIFY(set.FetchTemplateValues());
    QCOMPARE(describe(column(set, "Material")->TemplateValue()), QStringLiteral("Text:Steel"));

    // A new stamp loads the template again.
    host->profile->SetStamp(section, CFilterColumns::TimeStamp());
    QVERIFY(set.FetchTemplateValues());
    QCOMPARE(describe(column(set, "Material")->TemplateValue()), QStringLiteral("Text:Brass"));

    // A new column set loads it on its first fetch.
    host->openFilter(QStringLiteral("Parts"));
    addAllTypes(*host->columns());
    QVERIFY(host->columns()->FetchTemplateValues());
    QCOMPARE(describe(column(*host->columns(), "Material")->TemplateValue()), QStringLiteral("Text:Brass"));
}

void TestTemplates::fetchedValues_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("stored");   // null: no entry
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("shown");    // in a German locale

    QTest::newRow("number without entry") << "Count32" << QString() << "Int32:0" << "0";
    QTest::newRow("int16") << "Count16" << "-12" << "Int16:-12" << "-12";
    QTest::newRow("double") << "Weight" << "2.5" << "Double:2.5" << "2,5";
    QTest::newRow("single") << "Ratio" << "0.75" << "Single:0.75" << "0,75";
    QTest::newRow("single without an exact binary form") << "Ratio" << "1.1" << "Single:1.1" << "1,1";
    QTest::newRow("int32 of seven digits") << "Count32" << "1234567" << "Int32:1234567" << "1234567";
    QTest::newRow("number that does not parse") << "Weight" << "abc" << "Text:abc" << "abc";
    QTest::newRow("date") << "Made" << "#2024-02-29 13:45:00#" << "Date:2024-02-29 13:45:00" << "29.02.2024 13:45:00";
    QTest::newRow("date without time") << "Made"
                                       << "#2023-07-01 00:00:00#"
                                       << "Date:2023-07-01 00:00:00"
                                       << "01.07.2023";
    QTest::newRow("impossible date") << "Made" << "#2024-02-30 00:00:00#" << "Text:" << "";
    QTest::newRow("text that is no date") << "Made" << "soon" << "Text:" << "";
    QTest::newRow("date without entry") << "Made" << QString() << "Text:" << "";
    QTest::newRow("Boolean") << "Active" << "True" << "Boolean:True" << "1";
    QTest::newRow("Boolean without entry") << "Active" << QString() << "Boolean:False" << "0";
    QTest::newRow("text") << "Material" << "Zinc 'Z1'" << "Text:Zinc 'Z1'" << "Zinc 'Z1'";
    QTest::newRow("note without entry") << "Notes" << QString() << "Text:" << "";
}

void TestTemplates::fetchedValues()
{
    QFETCH(QString, field);
    QFETCH(QString, stored);
    auto host = KvoTest::makeHost(1);
    QVERIFY(host);
    CFilterColumns &set = *host->columns();
    addAllTypes(set);
    std::map<QString, QString> entries;
    if (!stored.isNull())
        entries[field] = stored;
    writeTemplate(*host, entries);

    DefaultLocale german(QStringLiteral("de_DE"));
    Fields fields(set);
    set.CopyTemplate();
    QTEST(describe(set.Item(field)->TemplateValue()), "value");
    QTEST(fields.text(field.toLatin1().constData()), "shown");
}

void TestTemplates::keywordPositions_data()
{
    QTest::addColumn<QStringList>("positions");   // "position=value"
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("three in a row") << QStringList{"1=a", "2=b", "3=c"} << QStringList{"a", "b", "c"};
    QTest::newRow("a gap hides the rest") << QStringList{"1=a", "2=b", "4=d"} << QStringList{"a", "b"};
    QTest::newRow("no first position") << QStringList{"2=b", "3=c"} << QStringList{};
    QTest::newRow("an empty position ends the list") << QStringList{"1=a", "2=", "3=c"} << QStringList{"a"};
}

void TestTemplates::keywordPositions()
{
    QFETCH(QStringList, positions);
    auto host = KvoTest::makeHost(1);
    QVERIFY(host);
    CFilterColumns &set = *host->columns();
    addAllTypes(set);
    std::map<QString, QString> entries;
    for (const QString &p : positions)
        entries[QStringLiteral("Tags_") + p.section(QLatin1Char('='), 0, 0)] = p.section(QLatin1Char('='), 1);
    writeTemplate(*host, entries);
    Fields fields(set);
    set.CopyTemplate();
    QTEST(column(set, "Tags")->TemplateKeys(), "expected");
    QFETCH(QStringList, expected);
    QCOMPARE(fields.text("Tags"), expected.join(QLatin1Char('|')));
}

void TestTemplates::clearedTemplatePastesNothing()
{
    auto host = KvoTest::makeHost(1);
    QVERIFY(host);
    CFilterColumns &set = *host->columns();
    addAllTypes(set);
    column(set, "Material")->setSavedValue(Variant::text(QStringLiteral("Steel")));
    column(set, "Tags")->SavedKeys() = QStringList{"red"};
    set.SaveTemplate();
    Fields fields(set);
    set.CopyTemplate();
    QCOMPARE(fields.text("Material"), QStringLiteral("Steel"));
    QCOMPARE(fields.text("Tags"), QStringLiteral("red"));

    set.ClearTemplate();
    QVERIFY(!host->profile->Sections().contains(set.TemplateSection()));
    set.CopyTemplate();
    QCOMPARE(fields.text("Material"), QString());
    QCOMPARE(fields.text("Tags"), QString());
}

void TestTemplates::withoutProfile()
{
    auto host = KvoTest::makeHost(1);
    QVERIFY(host);
    CFilterColumns set;
    set.Setup(host->handler.get(), host->baseTable.get(), host->db->catalog.get(), nullptr, 0, host->structure.get());
    addAllTypes(set);
    column(set, "Material")->setSavedValue(Variant::text(QStringLiteral("Steel")));
    column(set, "Material")->setTemplateValue(Variant::text(QStringLiteral("kept")));
    set.SaveTemplate();
    QVERIFY(!set.FetchTemplateValues());
    set.CopyTemplate();
    QCOMPARE(describe(column(set, "Material")->TemplateValue()), QStringLiteral("Text:kept"));
    QVERIFY(host->profile->Sections().isEmpty());
}

void TestTemplates::pasteIntoAnotherRecord()
{
    auto host = KvoTest::makeHost(2);
    QVERIFY(host);
    CFilterColumns &set = *host->columns();
    addAllTypes(set);
    QVERIFY(set.ColumnsSave(nullptr));
    CMergeBaseEntry source(1), target(2);
    column(set, "Material")->setUpdatedValue(Variant::text(QStringLiteral("Steel 'S235'")));
    column(set, "Notes")->setUpdatedValue(Variant::text(QStringLiteral("two\nlines")));
    column(set, "Count16")->setUpdatedValue(Variant::int16(-7));
    column(set, "Count32")->setUpdatedValue(Variant::int32(1234567));
    column(set, "Ratio")->setUpdatedValue(Variant::single(0.5f));
    column(set, "Weight")->setUpdatedValue(Variant::dbl(1234.125));
    column(set, "Made")->setUpdatedValue(Variant::date(Convert::makeDate(QDate(2024, 2, 29), QTime(13, 45))));
    column(set, "Active")->setUpdatedValue(Variant::boolean(true));
    {
        ComboBoxModel tags;
        tags.addItem(QStringLiteral("red"));
        tags.addItem(QStringLiteral("blue"));
        column(set, "Tags")->setMyControl(&tags);
        set.SaveDataFromClientUpdates(&source);
        column(set, "Tags")->setMyControl(nullptr);
    }
    set.GetData(&source);
    QStringList values;
    for (CFilterColumn *c : set.NewEnum())
        values.append(describe(c->SavedValue()));
    QStringList tags = column(set, "Tags")->SavedKeys();
    tags.sort();
    QCOMPARE(tags, (QStringList{"blue", "red"}));
    set.SaveTemplate();

    // The user of a German locale shows the other record, pastes the template and saves.
    DefaultLocale german(QStringLiteral("de_DE"));
    set.GetData(&target);
    {
        Fields fields(set);
        set.CopyTemplate();
        QCOMPARE(fields.text("Weight"), QStringLiteral("1234,125"));
        set.SaveDataFromEditControl(&target);
    }
    set.GetData(&target);
    QStringList pasted;
    for (CFilterColumn *c : set.NewEnum())
        pasted.append(describe(c->SavedValue()));
    QCOMPARE(pasted, values);
    QStringList pastedTags = column(set, "Tags")->SavedKeys();
    pastedTags.sort();
    QCOMPARE(pastedTags, tags);
}

QTEST_GUILESS_MAIN(TestTemplates)
#include "tst_templates.moc"
