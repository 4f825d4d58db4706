// One column: the value its control shows, its defaults and SQL literals, and how it puts stored
// and template values into its control.
#include "testhost.h"

#include "columns/cfiltercolumns.h"
#include "core/conversions.h"

#include "hostkit/connection.h"
#include "hostkit/resourcetexts.h"

#include <QTest>

using namespace KvoPlx800SCtl;
using namespace KvoPlx800SCtl::HostKit;

class TestFilterColumn : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void valueFromControls_data();
    void valueFromControls();
    void defaults_data();
    void defaults();
    void picklistValueFormats_data();
    void picklistValueFormats();
    void resetDataAndTemplate();
    void clearValueSelectsDefault_data();
    void clearValueSelectsDefault();
    void keywordEntry();
    void blankAndValidity_data();
    void blankAndValidity();
    void namesAndTexts();

private:
    CFilterColumn *column(FilterColumnTypeConstants type, bool picklist = false, const QString &picklistDefault = {});
    std::unique_ptr<KvoTest::Host> m_host;
    int m_serial = 0;
};

void TestFilterColumn::initTestCase()
{
    m_host = KvoTest::makeHost(1, QStringLiteral("sqlite"));
    QVERIFY(m_host);
}

void TestFilterColumn::cleanup()
{
    QLocale::setDefault(QLocale::c());
    m_host->handler->setDatabaseType(m_host->connection().dialect().DatabaseType());
}

CFilterColumn *TestFilterColumn::column(FilterColumnTypeConstants type, bool picklist, const QString &picklistDefault)
{
    return m_host->columns()->Add(QStringLiteral("C%1").arg(++m_serial), QString(), QString(), type, 10, picklist, false,
                                  picklistDefault, fcDTDM_Configure, Variant::null(), false);
}

void TestFilterColumn::valueFromControls_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");   // type name : text form

    QTest::newRow("text trimmed") << int(fcText) << "C" << "  word  " << "Text:word";
    QTest::newRow("note trimmed") << int(fcNote) << "C" << " a\nb " << "Text:a\nb";
    QTest::newRow("int16 with letter") << int(fcInteger16) << "C" << "12a" << "Int16:0";
    QTest::newRow("int16 rounds") << int(fcInteger16) << "C" << "2.5" << "Int16:2";
    QTest::newRow("int32") << int(fcInteger32) << "C" << "70000" << "Int32:70000";
    QTest::newRow("double de") << int(fcDouble) << "de_DE" << "1,25" << "Double:1.25";
    QTest::newRow("single") << int(fcSingle) << "C" << "0.5" << "Single:0.5";
    QTest::newRow("blank number is null") << int(fcDouble) << "C" << "  " << "Null:";
    QTest::newRow("date") << int(fcDateTime) << "de_DE" << "31.01.2024" << "Date:2024-01-31 00:00:00";
    QTest::newRow("no date") << int(fcDateTime) << "C" << "never" << "Date:1899-12-30 00:00:00";
    QTest::newRow("blank date is null") << int(fcDateTime) << "C" << "" << "Null:";
}

void TestFilterColumn::valueFromControls()
{
    QFETCH(int, type);
    QFETCH(QString, locale);
    QFETCH(QString, text);
    QLocale::setDefault(QLocale(locale));
    CFilterColumn *c = column(FilterColumnTypeConstants(type));
    TextBoxModel box;
    box.setText(text);
    c->setMyControl(&box);
    const Variant v = c->Value();
    QTEST(QString::fromLatin1(variantTypeName(v.type())) + QLatin1Char(':') + v.toText(), "expected");
    c->releaseControls();
}

void TestFilterColumn::defaults_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<bool>("picklist");
    QTest::addColumn<QString>("picklistDefault");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("value");   // type name : text form
    QTest::addColumn<QString>("sqlite");  // the literal on SQLite

    QTest::newRow("text") << int(fcText) << false << "x" << 0 << "Text:" << "''";
    QTest::newRow("keyword") << int(fcKeyword) << false << "" << 0 << "Text:" << "''";
    QTest::newRow("int16") << int(fcInteger16) << false << "" << 0 << "Int16:0" << "0";
    QTest::newRow("boolean") << int(fcBoolean) << false << "" << 0 << "Boolean:False" << "0";
    QTest::newRow("note takes its default text") << int(fcNote) << false << "Add it's here!" << 0
                                                 << "Text:Add it's here!" << "'Add it''s here!'";
    QTest::newRow("picklist text") << int(fcText) << true << " Acme " << 0 << "Text:Acme" << "'Acme'";
    QTest::newRow("picklist number") << int(fcInteger32) << true << "007" << 0 << "Int32:7" << "7";
    QTest::newRow("picklist blank number") << int(fcDouble) << true << " " << 0 << "Null:" << "NULL";
    QTest::newRow("picklist bad number") << int(fcDouble) << true << "abc" << 0 << "Null:" << "NULL";
    QTest::newRow("picklist date") << int(fcDateTime) << true << "2024-03-04 05:06:07" << 0
                                   << "Date:2024-03-04 05:06:07" << "'2024-03-04 05:06:07'";
    QTest::newRow("date now") << int(fcDateTime) << false << "" << 1 << "Date:2025-06-07 08:09:10"
                              << "'2025-06-07 08:09:10'";
    QTest::newRow("date configured") << int(fcDateTime) << false << "" << 0 << "Date:2020-01-02 00:00:00"
                                     << "'2020-01-02 00:00:00'";
}

void TestFilterColumn::defaults()
{
    QFETCH(int, type);
    QFETCH(bool, picklist);
    QFETCH(QString, picklistDefault);
    QFETCH(int, mode);
    CFilterColumn *c = column(FilterColumnTypeConstants(type), picklist, picklistDefault);
    c->setDateTimeDefaultMode(EFilterColumnDateTimeDefaultModeConstants(mode));
    c->setDateTimeDefaultValue(Variant::date(Convert::makeDate(QDate(2020, 1, 2))));
    const QDateTime now = Convert::makeDate(QDate(2025, 6, 7), QTime(8, 9, 10));
    const Variant v = c->DefaultValue(now);
    QTEST(QString::fromLatin1(variantTypeName(v.type())) + QLatin1Char(':') + v.toText(), "value");
    QTEST(c->DefaultValueSql(now), "sqlite");
}

void TestFilterColumn::picklistValueFormats_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");   // "<empty>" for Empty

    QTest::newRow("text quoted") << int(fcText) << 3 << "C" << " O'Brien " << "'O''Brien'";
    QTest::newRow("int32 kind 2") << int(fcInteger32) << 2 << "C" << "42" << "CONVERT(INT, 42)";
    QTest::newRow("int16 kind 2") << int(fcInteger16) << 2 << "C" << "42" << "CONVERT(SMALLINT, 42)";
    QTest::newRow("single kind 2") << int(fcSingle) << 2 << "C" << "1.5" << "CONVERT(REAL, 1.5)";
    QTest::newRow("double kind 2 de") << int(fcDouble) << 2 << "de_DE" << "1,5" << "CONVERT(FLOAT, 1.5)";
    QTest::newRow("int32") << int(fcInteger32) << 3 << "C" << "42" << "42";
    QTest::newRow("int32 letters") << int(fcInteger32) << 3 << "C" << "forty" << "<empty>";
    QTest::newRow("int16 out of range") << int(fcInteger16) << 3 << "C" << "40000" << "<empty>";
    QTest::newRow("date") << int(fcDateTime) << 3 << "C" << "2024-02-29" << "'2024-02-29 00:00:00'";
    QTest::newRow("no date") << int(fcDateTime) << 3 << "C" << "2024-02-30" << "<empty>";
    QTest::newRow("boolean") << int(fcBoolean) << 3 << "C" << "True" << "<empty>";
}

void TestFilterColumn::picklistValueFormats()
{
    QFETCH(int, type);
    QFETCH(int, kind);
    QFETCH(QString, locale);
    QFETCH(QString, text);
    QLocale::setDefault(QLocale(locale));
    m_host->handler->setDatabaseType(kind);
    CFilterColumn *c = column(FilterColumnTypeConstants(type));
    const auto v = c->SQLFormatPicklistValue(text);
    QTEST(v ? *v : QStringLiteral("<empty>"), "expected");
}

void TestFilterColumn::resetDataAndTemplate()
{
    QLocale::setDefault(QLocale(QStringLiteral("de_DE")));
    // A saved text longer than the column's length widens the box.
    CFilterColumn *text = column(fcText);
    TextBoxModel box;
    text->setMyControl(&box);
    text->setSavedValue(Variant::text(QStringLiteral("a rather long saved text")));
    text->ResetData();
    QCOMPARE(box.maxLength(), 24);
    QCOMPARE(box.text(), QStringLiteral("a rather long saved text"));
    text->setSavedValue(Variant::text(QStringLiteral("short")));
    text->ResetData();
    QCOMPARE(box.maxLength(), 10);

    // Numbers and dates show in the user's locale; the date zero and Null show empty.
    CFilterColumn *number = column(fcDouble);
    TextBoxModel numberBox;
    number->setMyControl(&numberBox);
    number->setSavedValue(Variant::dbl(2.5));
    number->ResetData();
    QCOMPARE(numberBox.text(), QStringLiteral("2,5"));
    QCOMPARE(number->Value(), Variant::dbl(2.5));
    number->setSavedValue(Variant::null());
    number->ResetData();
    QCOMPARE(numberBox.text(), QString());

    CFilterColumn *date = column(fcDateTime);
    TextBoxModel dateBox;
    date->setMyControl(&dateBox);
    date->setSavedValue(Variant::date(Variant::dateZero()));
    date->ResetData();
    QCOMPARE(dateBox.text(), QString());
    date->setSavedValue(Variant::int16(0));
    date->ResetData();
    QCOMPARE(dateBox.text(), QString());
    date->setSavedValue(Variant::date(Convert::makeDate(QDate(2024, 1, 31), QTime(10, 0))));
    date->ResetData();
    QCOMPARE(dateBox.text(), QStringLiteral("31.01.2024 10:00:00"));

    // Check box and label.
    CFilterColumn *flag = column(fcBoolean);
    CheckBoxModel check;
    flag->setMyControl(&check);
    flag->setSavedValue(Variant::boolean(true));
    flag->ResetData();
    QCOMPARE(check.value(), int(ICheckBox::Checked));
    LabelModel label;
    flag->setMyControl(&label);
    flag->ResetData();
    QCOMPARE(label.caption(), flag->Name() + QStringLiteral(" = True"));

    // A picklist combo box lists the saved keys and selects the saved value, ignoring case.
    CFilterColumn *pick = column(fcText, true);
    ComboBoxModel combo;
    pick->setMyControl(&combo);
    pick->SavedKeys() = QStringList{"Acme", "Harbor"};
    pick->setSavedValue(Variant::text(QStringLiteral("harbor")));
    pick->ResetData();
    QCOMPARE(combo.items(), (QStringList{"Acme", "Harbor"}));
    QCOMPARE(combo.listIndex(), 1);
    QCOMPARE(pick->Value(), Variant::text(QStringLiteral("Harbor")));

    // A keyword combo box lists the keys and selects the first; its Value is always Null.
    CFilterColumn *keyword = column(fcKeyword);
    ComboBoxModel words;
    keyword->setMyControl(&words);
    keyword->SavedKeys() = QStringList{"urgent", "steel"};
    keyword->ResetData();
    QCOMPARE(words.items(), (QStringList{"urgent", "steel"}));
    QCOMPARE(words.listIndex(), 0);
    QVERIFY(keyword->Value().isNull());

    // CopyTemplate uses the template slots, not the saved ones.
    keyword->TemplateKeys() = QStringList{"t1"};
    keyword->CopyTemplate();
    QCOMPARE(words.items(), QStringList{"t1"});
    number->setTemplateValue(Variant::dbl(7.25));
    number->CopyTemplate();
    QCOMPARE(numberBox.text(), QStringLiteral("7,25"));
    for (CFilterColumn *c : {text, number, date, flag, pick, keyword})
        c->releaseControls();
}

void TestFilterColumn::clearValueSelectsDefault_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("picklistDefault");
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<int>("selected");
    QTest::newRow("text ignores case") << int(fcText) << "harbor" << QStringList{"Acme", "Harbor"} << 1;
    QTest::newRow("numbers as numbers") << int(fcDouble) << "2.50" << QStringList{"1", "2.5"} << 1;
    QTest::newRow("dates as dates") << int(fcDateTime) << "2024-01-31" << QStringList{"1/30/2024", "1/31/2024"} << 1;
    QTest::newRow("no match") << int(fcText) << "none" << QStringList{"Acme"} << -1;
}

void TestFilterColumn::clearValueSelectsDefault()
{
    QFETCH(int, type);
    QFETCH(QString, picklistDefault);
    QFETCH(QStringList, entries);
    QLocale::setDefault(QLocale(QStringLiteral("en_US")));
    CFilterColumn *c = column(FilterColumnTypeConstants(type), true, picklistDefault);
    ComboBoxModel combo;
    for (const QString &e : entries)
        combo.addItem(e);
    combo.setListIndex(0);
    c->setMyControl(&combo);
    c->ClearValue();
    QTEST(combo.listIndex(), "selected");
    c->releaseControls();

    // Text boxes empty, check boxes clear, keyword lists empty.
    CFilterColumn *k = column(fcKeyword);
    ComboBoxModel words;
    words.addItem(QStringLiteral("x"));
    k->setMyControl(&words);
    k->ClearValue();
    QCOMPARE(words.count(), 0);
    k->releaseControls();
}

void TestFilterColumn::keywordEntry()
{
    CFilterColumn *k = column(fcKeyword);
    ComboBoxModel combo;
    ButtonModel add;
    ButtonModel remove;
    k->setMyControl(&combo);
    k->setCompanions(nullptr, &add, &remove, nullptr);

    combo.setText(QStringLiteral("  steel "));
    k->RefreshKeywordButtons();
    QVERIFY(add.isEnabled());
    QVERIFY(!remove.isEnabled());
    QVERIFY(k->AddKeyword());
    QCOMPARE(combo.items(), QStringList{"steel"});
    QCOMPARE(combo.listIndex(), 0);
    k->RefreshKeywordButtons();
    QVERIFY(!add.isEnabled());
    QVERIFY(remove.isEnabled());

    // With an entry selected Add does nothing; an equal text (exact case) selects, another case adds.
    QVERIFY(!k->AddKeyword());
    combo.setText(QStringLiteral("Steel"));
    QVERIFY(k->AddKeyword());
    combo.setText(QStringLiteral("steel"));
    QVERIFY(!k->AddKeyword());
    QCOMPARE(combo.listIndex(), 0);
    QCOMPARE(combo.count(), 2);
    combo.setText(QStringLiteral("   "));
    QVERIFY(!k->AddKeyword());
    k->RefreshKeywordButtons();
    QVERIFY(!add.isEnabled());

    // Remove selects the entry now at the same place, or the last one.
    combo.addItem(QStringLiteral("urgent"));
    combo.setListIndex(1);
    QVERIFY(k->RemoveKeyword());
    QCOMPARE(combo.items(), (QStringList{"steel", "urgent"}));
    QCOMPARE(combo.listIndex(), 1);
    QVERIFY(k->RemoveKeyword());
    QCOMPARE(combo.listIndex(), 0);
    QVERIFY(k->RemoveKeyword());
    QCOMPARE(combo.count(), 0);
    QVERIFY(!k->RemoveKeyword());
    QVERIFY(!remove.isEnabled());

    // Without a combo box nothing happens.
    TextBoxModel box;
    k->setMyControl(&box);
    QVERIFY(!k->AddKeyword());
    QVERIFY(!k->RemoveKeyword());
    k->releaseControls();
}

void TestFilterColumn::blankAndValidity_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("blank");
    QTest::addColumn<bool>("valid");
    QTest::newRow("blank number") << int(fcInteger32) << "  " << true << true;
    QTest::newRow("bad number") << int(fcInteger16) << "40000" << false << false;
    QTest::newRow("good single") << int(fcSingle) << "1e3" << false << true;
    QTest::newRow("bad date") << int(fcDateTime) << "2023-02-29" << false << false;
    QTest::newRow("text anything") << int(fcText) << "x" << false << true;
}

void TestFilterColumn::blankAndValidity()
{
    QFETCH(int, type);
    QFETCH(QString, text);
    CFilterColumn *c = column(FilterColumnTypeConstants(type));
    QVERIFY(c->IsBlank());   // no control
    TextBoxModel box;
    box.setText(text);
    c->setMyControl(&box);
    QTEST(c->IsBlank(), "blank");
    QTEST(c->Validate(), "valid");
    QTEST(c->isValid(), "valid");
    // Check boxes and combo boxes are always valid.
    CheckBoxModel check;
    c->setMyControl(&check);
    QVERIFY(c->Validate());
    QVERIFY(c->IsBlank());
    c->releaseControls();
}

void TestFilterColumn::namesAndTexts()
{
    CFilterColumn *c = column(fcText);
    QCOMPARE(c->CaptionOrName(), c->Name());
    c->setCaption(QStringLiteral("Shown"));
    QCOMPARE(c->CaptionOrName(), QStringLiteral("Shown"));
    QCOMPARE(CFilterColumn::TextLengthInDB(), 255);
    auto &texts = ResourceTexts::instance();
    QCOMPARE(c->typeDisplayName(), texts.Text(7015));
    QCOMPARE(c->typePrompt(), texts.Text(6919, {QStringLiteral("10")}));
    QVERIFY(c->typePrompt().contains(QLatin1String("10")));
    QCOMPARE(column(fcNote)->typePrompt(), texts.Text(6920));
    QCOMPARE(column(fcBoolean)->typeDisplayName(), texts.Text(7008));
    QVERIFY(!column(fcInteger16)->IsPicklistTableMissing());
    QVERIFY(column(fcText, true)->IsPicklistTableMissing());
    // Defaults typed in the user's locale are stored in one form.
    QLocale::setDefault(QLocale(QStringLiteral("de_DE")));
    QCOMPARE(column(fcDouble, true)->FormatPicklistValue(QStringLiteral("1,50")), QStringLiteral("1.5"));
    QCOMPARE(column(fcInteger32, true)->FormatPicklistValue(QStringLiteral("007")), QStringLiteral("7"));
    QCOMPARE(column(fcDateTime, true)->FormatPicklistValue(QStringLiteral("31.1.2024")), QStringLiteral("2024-01-31 00:00:00"));
    QCOMPARE(column(fcText, true)->FormatPicklistValue(QStringLiteral(" abcdefghijklmn")), QStringLiteral("abcdefghi"));
    QCOMPARE(column(fcInteger32, true)->FormatPicklistValue(QStringLiteral("x7")), QStringLiteral("x7"));
    // A stored default reads the same in every locale.
    CFilterColumn *d = column(fcDouble, true, QStringLiteral("1.5"));
    QCOMPARE(d->DefaultValue(QDateTime()), Variant::dbl(1.5));
}

QTEST_GUILESS_MAIN(TestFilterColumn)
#include "tst_filtercolumn.moc"
