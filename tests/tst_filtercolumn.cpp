// One column: the value its control shows, its defaults and SQL literals, and how it puts stored
// and template values into its control.
#include "testhost.h"

#include "columns/cfiltercolumns.h"
#include "core/conversions.h"

#include "hostkit/connection.h"

#include <QTest>

using namespace KvoPlx800SCtl;
using namespace KvoPlx800SCtl::HostKit;
using namespace Qt::StringLiterals;
using KvoTest::typed;

Q_DECLARE_METATYPE(KvoPlx800SCtl::Variant)

class TestFilterColumn : public QObject
{
    Q_OBJECT

    // A new column of `type` with a text length of 10.
    CFilterColumn *column(int type, bool picklist = false, const QString &picklistDefault = {})
    {
        const QString name = u"C%1"_s.arg(++m_serial);
        return KvoTest::addColumn(*m_host->columns(),
                                  {name, FilterColumnTypeConstants(type), {}, 10, picklist, false, picklistDefault});
    }

    std::unique_ptr<KvoTest::Host> m_host;
    int m_serial = 0;

private slots:
    void initTestCase()
    {
        m_host = KvoTest::makeHost(1, Engine::SQLite);
        QVERIFY(m_host);
    }

    void cleanup()
    {
        QLocale::setDefault(QLocale::c());
        m_host->handler->setDatabaseType(m_host->connection().dialect().DatabaseType());
    }

    void valueFromControls_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected"); // typed()
        QTest::addColumn<bool>("blank");
        QTest::addColumn<bool>("valid");
        const auto row = [](const char *tag, int type, const char *locale, const char *text, const char *expected,
                            bool blank, bool valid) {
            QTest::newRow(tag) << type << QString::fromLatin1(locale) << QString::fromLatin1(text)
                               << QString::fromLatin1(expected) << blank << valid;
        };
        row("text trimmed", fcText, "C", "  word  ", "Text:word", false, true);
        row("note trimmed", fcNote, "C", " a\nb ", "Text:a\nb", false, true);
        row("int16 with letter", fcInteger16, "C", "12a", "Int16:0", false, false);
        row("int16 rounds", fcInteger16, "C", "2.5", "Int16:2", false, true);
        row("int16 out of range", fcInteger16, "C", "40000", "Int16:0", false, false);
        row("int32", fcInteger32, "C", "70000", "Int32:70000", false, true);
        row("double de", fcDouble, "de_DE", "1,25", "Double:1.25", false, true);
        row("single", fcSingle, "C", "0.5", "Single:0.5", false, true);
        row("single exponent", fcSingle, "C", "1e3", "Single:1000", false, true);
        row("blank number is null", fcDouble, "C", "  ", "Null:", true, true);
        row("date", fcDateTime, "de_DE", "31.01.2024", "Date:2024-01-31 00:00:00", false, true);
        row("no date", fcDateTime, "C", "never", "Date:1899-12-30 00:00:00", false, false);
        row("no such day", fcDateTime, "C", "2023-02-29", "Date:1899-12-30 00:00:00", false, false);
        row("blank date is null", fcDateTime, "C", "", "Null:", true, true);
    }

    void valueFromControls()
    {
        QFETCH(int, type);
        QFETCH(QString, locale);
        QFETCH(QString, text);
        QLocale::setDefault(QLocale(locale));
        CFilterColumn *c = column(type);
        QVERIFY(c->IsBlank()); // no control
        TextBoxModel box;
        box.setText(text);
        c->setMyControl(&box);
        QTEST(typed(c->Value()), "expected");
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

    void defaults_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<bool>("picklist");
        QTest::addColumn<QString>("picklistDefault");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("value");  // typed()
        QTest::addColumn<QString>("sqlite"); // the literal on SQLite
        const auto row = [](const char *tag, int type, bool picklist, const char *picklistDefault, int mode,
                            const char *value, const char *sqlite) {
            QTest::newRow(tag) << type << picklist << QString::fromUtf8(picklistDefault) << mode
                               << QString::fromUtf8(value) << QString::fromUtf8(sqlite);
        };
        row("text", fcText, false, "x", 0, "Text:", "''");
        row("keyword", fcKeyword, false, "", 0, "Text:", "''");
        row("int16", fcInteger16, false, "", 0, "Int16:0", "0");
        row("boolean", fcBoolean, false, "", 0, "Boolean:False", "0");
        row("note takes its default text", fcNote, false, "Add it's here!", 0, "Text:Add it's here!",
            "'Add it''s here!'");
        row("picklist text", fcText, true, " Acme ", 0, "Text:Acme", "'Acme'");
        row("picklist number", fcInteger32, true, "007", 0, "Int32:7", "7");
        row("picklist blank number", fcDouble, true, " ", 0, "Null:", "NULL");
        row("picklist bad number", fcDouble, true, "abc", 0, "Null:", "NULL");
        row("picklist date", fcDateTime, true, "2024-03-04 05:06:07", 0, "Date:2024-03-04 05:06:07",
            "'2024-03-04 05:06:07'");
        row("date now", fcDateTime, false, "", 1, "Date:2025-06-07 08:09:10", "'2025-06-07 08:09:10'");
        row("date configured", fcDateTime, false, "", 0, "Date:2020-01-02 00:00:00", "'2020-01-02 00:00:00'");
    }

    void defaults()
    {
        QFETCH(int, type);
        QFETCH(bool, picklist);
        QFETCH(QString, picklistDefault);
        QFETCH(int, mode);
        CFilterColumn *c = column(type, picklist, picklistDefault);
        c->setDateTimeDefaultMode(EFilterColumnDateTimeDefaultModeConstants(mode));
        c->setDateTimeDefaultValue(Variant::date(Convert::makeDate(QDate(2020, 1, 2))));
        const QDateTime now = Convert::makeDate(QDate(2025, 6, 7), QTime(8, 9, 10));
        QTEST(typed(c->DefaultValue(now)), "value");
        QTEST(c->DefaultValueSql(now), "sqlite");
    }

    void picklistValueFormats_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("kind"); // the database type
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("stored"); // the C-locale form kept as entry or default
        QTest::addColumn<QString>("sql");    // "<empty>" for none
        const auto row = [](const char *tag, int type, int kind, const char *locale, const char *text,
                            const char *stored, const char *sql) {
            QTest::newRow(tag) << type << kind << QString::fromLatin1(locale) << QString::fromLatin1(text)
                               << QString::fromLatin1(stored) << QString::fromLatin1(sql);
        };
        row("text quoted", fcText, 3, "C", " O'Brien ", "O'Brien", "'O''Brien'");
        row("text cut to length", fcText, 3, "C", " abcdefghijklmn", "abcdefghi", "'abcdefghijklmn'");
        row("int32 kind 2", fcInteger32, 2, "C", "42", "42", "CONVERT(INT, 42)");
        row("int16 kind 2", fcInteger16, 2, "C", "42", "42", "CONVERT(SMALLINT, 42)");
        row("single kind 2", fcSingle, 2, "C", "1.5", "1.5", "CONVERT(REAL, 1.5)");
        row("double kind 2 de", fcDouble, 2, "de_DE", "1,5", "1.5", "CONVERT(FLOAT, 1.5)");
        row("double de", fcDouble, 3, "de_DE", "1,50", "1.5", "1.5");
        row("int32", fcInteger32, 3, "C", "007", "7", "7");
        row("int32 letters", fcInteger32, 3, "C", "forty", "forty", "<empty>");
        row("int16 out of range", fcInteger16, 3, "C", "40000", "40000", "<empty>");
        row("date", fcDateTime, 3, "C", "2024-02-29", "2024-02-29 00:00:00", "'2024-02-29 00:00:00'");
        row("date de", fcDateTime, 3, "de_DE", "31.1.2024", "2024-01-31 00:00:00", "'2024-01-31 00:00:00'");
        row("no date", fcDateTime, 3, "C", "2024-02-30", "2024-02-30", "<empty>");
        row("boolean", fcBoolean, 3, "C", "True", "True", "<empty>");
    }

    void picklistValueFormats()
    {
        QFETCH(int, type);
        QFETCH(int, kind);
        QFETCH(QString, locale);
        QFETCH(QString, text);
        QLocale::setDefault(QLocale(locale));
        m_host->handler->setDatabaseType(kind);
        CFilterColumn *c = column(type, true);
        QTEST(c->FormatPicklistValue(text), "stored");
        const auto v = c->SQLFormatPicklistValue(text);
        QTEST(v ? *v : u"<empty>"_s, "sql");
    }

    // What ResetData puts into a column's control for a saved value, in a German locale: numbers and
    // dates in the user's form, the date zero and Null empty.
    void resetDataShowsSavedValue_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<Variant>("saved");
        QTest::addColumn<QString>("shown"); // KvoTest::Controls::shown()
        const auto date = [](int day, QTime time = {}) {
            return Variant::date(Convert::makeDate(QDate(2024, 1, day), time));
        };
        QTest::newRow("number") << int(fcDouble) << Variant::dbl(2.5) << u"2,5"_s;
        QTest::newRow("null number") << int(fcDouble) << Variant::null() << QString();
        QTest::newRow("date") << int(fcDateTime) << date(31, QTime(10, 0)) << u"31.01.2024 10:00:00"_s;
        QTest::newRow("date zero") << int(fcDateTime) << Variant::date(Variant::dateZero()) << QString();
        QTest::newRow("date zero as a number") << int(fcDateTime) << Variant::int16(0) << QString();
        QTest::newRow("Boolean") << int(fcBoolean) << Variant::boolean(true) << u"1"_s;
    }

    void resetDataShowsSavedValue()
    {
        QFETCH(int, type);
        QFETCH(Variant, saved);
        QLocale::setDefault(QLocale(u"de_DE"_s));
        CFilterColumn *c = column(type);
        KvoTest::Controls controls(*m_host->columns(), {c->Name()});
        c->setSavedValue(saved);
        c->ResetData();
        QTEST(controls.shown(c->Name()), "shown");
    }

    void resetDataSizesAndLists()
    {
        // A saved text longer than the column's length widens the box, for that value only.
        CFilterColumn *text = column(fcText);
        TextBoxModel box;
        text->setMyControl(&box);
        text->setSavedValue(Variant::text(u"a rather long saved text"_s));
        text->ResetData();
        QCOMPARE(box.maxLength(), 24);
        QCOMPARE(box.text(), u"a rather long saved text"_s);
        text->setSavedValue(Variant::text(u"short"_s));
        text->ResetData();
        QCOMPARE(box.maxLength(), 10);

        // A label names the value.
        CFilterColumn *flag = column(fcBoolean);
        LabelModel label;
        flag->setMyControl(&label);
        flag->setSavedValue(Variant::boolean(true));
        flag->ResetData();
        QCOMPARE(label.caption(), flag->Name() + u" = True"_s);

        // A picklist combo box lists the saved keys and selects the saved value, ignoring case.
        CFilterColumn *pick = column(fcText, true);
        ComboBoxModel combo;
        pick->setMyControl(&combo);
        pick->SavedKeys() = QStringList{"Acme", "Harbor"};
        pick->setSavedValue(Variant::text(u"harbor"_s));
        pick->ResetData();
        QCOMPARE(combo.items(), (QStringList{"Acme", "Harbor"}));
        QCOMPARE(combo.listIndex(), 1);
        QCOMPARE(pick->Value(), Variant::text(u"Harbor"_s));

        // A keyword combo box lists the keys and selects the first; its Value is always Null.
        CFilterColumn *keyword = column(fcKeyword);
        ComboBoxModel words;
        keyword->setMyControl(&words);
        keyword->SavedKeys() = QStringList{"urgent", "steel"};
        keyword->ResetData();
        QCOMPARE(words.items(), (QStringList{"urgent", "steel"}));
        QCOMPARE(words.listIndex(), 0);
        QVERIFY(keyword->Value().isNull());

        for (CFilterColumn *c : {text, flag, pick, keyword})
            c->releaseControls();
    }

    void clearValueSelectsDefault_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("picklistDefault");
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<int>("selected");
        QTest::newRow("text ignores case") << int(fcText) << u"harbor"_s << QStringList{"Acme", "Harbor"} << 1;
        QTest::newRow("numbers as numbers") << int(fcDouble) << u"2.50"_s << QStringList{"1", "2.5"} << 1;
        QTest::newRow("dates as dates") << int(fcDateTime) << u"2024-01-31"_s << QStringList{"1/30/2024", "1/31/2024"}
                                        << 1;
        QTest::newRow("no match") << int(fcText) << u"none"_s << QStringList{"Acme"} << -1;
    }

    void clearValueSelectsDefault()
    {
        QFETCH(int, type);
        QFETCH(QString, picklistDefault);
        QFETCH(QStringList, entries);
        QLocale::setDefault(QLocale(u"en_US"_s));
        CFilterColumn *c = column(type, true, picklistDefault);
        ComboBoxModel combo;
        for (const QString &e : entries)
            combo.addItem(e);
        combo.setListIndex(0);
        c->setMyControl(&combo);
        c->ClearValue();
        QTEST(combo.listIndex(), "selected");
        c->releaseControls();
    }

    void keywordEntry()
    {
        CFilterColumn *k = column(fcKeyword);
        ComboBoxModel combo;
        ButtonModel add;
        ButtonModel remove;
        k->setMyControl(&combo);
        k->setCompanions(nullptr, &add, &remove, nullptr);

        combo.setText(u"  steel "_s);
        k->RefreshKeywordButtons();
        QVERIFY(add.isEnabled() && !remove.isEnabled());
        QVERIFY(k->AddKeyword());
        QCOMPARE(combo.items(), QStringList{"steel"});
        QCOMPARE(combo.listIndex(), 0);
        k->RefreshKeywordButtons();
        QVERIFY(!add.isEnabled() && remove.isEnabled());

        // With an entry selected Add does nothing; an equal text (exact case) selects, another case adds.
        QVERIFY(!k->AddKeyword());
        combo.setText(u"Steel"_s);
        QVERIFY(k->AddKeyword());
        combo.setText(u"steel"_s);
        QVERIFY(!k->AddKeyword());
        QCOMPARE(combo.listIndex(), 0);
        QCOMPARE(combo.count(), 2);
        combo.setText(u"   "_s);
        QVERIFY(!k->AddKeyword());
        k->RefreshKeywordButtons();
        QVERIFY(!add.isEnabled());

        // Remove selects the entry now at the same place, or the last one.
        combo.addItem(u"urgent"_s);
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
        // Clearing empties the list.
        combo.addItem(u"x"_s);
        k->ClearValue();
        QCOMPARE(combo.count(), 0);

        // Without a combo box nothing happens.
        TextBoxModel box;
        k->setMyControl(&box);
        QVERIFY(!k->AddKeyword());
        QVERIFY(!k->RemoveKeyword());
        k->releaseControls();
    }

    void namesAndTexts()
    {
        CFilterColumn *c = column(fcText);
        QCOMPARE(c->CaptionOrName(), c->Name());
        c->setCaption(u"Shown"_s);
        QCOMPARE(c->CaptionOrName(), u"Shown"_s);
        // Every type has a name and a prompt of its own; a text prompt names the length.
        QSet<QString> names;
        QSet<QString> prompts;
        for (int type = fcKeyword; type <= fcNote; ++type) {
            names.insert(column(type)->typeDisplayName());
            prompts.insert(column(type)->typePrompt());
        }
        QCOMPARE(names.size(), fcNote - fcKeyword + 1);
        QCOMPARE(prompts.size(), fcNote - fcKeyword + 1);
        QVERIFY(!names.contains(QString()) && !prompts.contains(QString()));
        QVERIFY(c->typePrompt().contains(u"10"));
        QVERIFY(!column(fcInteger16)->IsPicklistTableMissing());
        QVERIFY(column(fcText, true)->IsPicklistTableMissing());
        // A stored default reads the same in every locale.
        QLocale::setDefault(QLocale(u"de_DE"_s));
        QCOMPARE(column(fcDouble, true, u"1.5"_s)->DefaultValue(QDateTime()), Variant::dbl(1.5));
    }
};

QTEST_GUILESS_MAIN(TestFilterColumn)
#include "tst_filtercolumn.moc"
