// Locale-aware reading and writing of numbers and dates, and the text checks built on them (the
// keystroke checks of the fields: tst_ui_kvosearch, tst_ui_examine).
#include "testhost.h"

#include "columns/basvalidate.h"
#include "core/controls.h"
#include "core/conversions.h"

#include <QTest>

using namespace KvoPlx800SCtl;
using namespace Qt::StringLiterals;

class TestConversions : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void numberTexts_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("accepted"); // by the checks: i 16-bit, l 32-bit, s single, d double, n number
        QTest::addColumn<int>("value16");
        const struct
        {
            const char *name, *locale, *text, *accepted;
            int value16;
        } rows[] = {{"spaces around", "en_US", "  12  ", "ilsdn", 12},
                    {"forty thousand", "en_US", "40000", "lsdn", 0},
                    {"min int16", "en_US", "-32768", "ilsdn", -32768},
                    {"half to even down", "en_US", "12.5", "ilsdn", 12},
                    {"rounds into range", "en_US", "32767.4", "ilsdn", 32767},
                    {"rounds out of range", "en_US", "32767.5", "lsdn", 0},
                    {"comma decimal", "de_DE", "12,5", "ilsdn", 12},
                    {"point is not decimal in de", "de_DE", "12.5", "", 0},
                    {"letters", "en_US", "12a", "", 0},
                    {"int32 overflow", "en_US", "2147483648", "sdn", 0},
                    {"exponent", "en_US", "1e3", "ilsdn", 1000},
                    {"huge for single", "en_US", "1e300", "dn", 0},
                    {"C locale", "C", "1234.5", "ilsdn", 1234},
                    // A blank entry passes the type checks (no value) but is no number, and no parser reads it.
                    {"blank", "en_US", "", "ilsd", 0},
                    {"three spaces", "en_US", "   ", "ilsd", 0}};
        for (const auto &r : rows)
            QTest::newRow(r.name) << r.locale << r.text << r.accepted << r.value16;
    }

    void numberTexts()
    {
        QFETCH(QString, locale);
        QFETCH(QString, text);
        QFETCH(QString, accepted);
        KvoTest::DefaultLocale user(locale);
        const bool blank = text.trimmed().isEmpty();
        QCOMPARE(basValidate::IsIntegerText(text), accepted.contains(u'i'));
        QCOMPARE(basValidate::IsLongText(text), accepted.contains(u'l'));
        QCOMPARE(basValidate::IsSingleText(text), accepted.contains(u's'));
        QCOMPARE(basValidate::IsDoubleText(text), accepted.contains(u'd'));
        QCOMPARE(basValidate::IsNumberText(text, false), accepted.contains(u'n'));
        QCOMPARE(basValidate::IsNumberText(text, true), accepted.contains(u'n') && !blank);
        QCOMPARE(Convert::parseInt32(text).has_value(), accepted.contains(u'l') && !blank);
        const auto v = Convert::parseInt16(text);
        QCOMPARE(v.has_value(), accepted.contains(u'i') && !blank);
        if (v)
            QTEST(int(*v), "value16");
        // What the control shows reads back as the same number.
        if (const auto d = Convert::parseDouble(text))
            QCOMPARE(Convert::parseDouble(Convert::displayText(Variant::dbl(*d))), d);
    }

    void dates_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected"); // ISO, or empty when not a date
        const struct
        {
            const char *name, *locale, *text, *expected;
        } rows[] = {{"iso date", "en_US", "2024-02-29", "2024-02-29 00:00:00"},
                    {"iso date time", "de_DE", "2024-02-29 13:05", "2024-02-29 13:05:00"},
                    {"iso seconds T", "en_US", "2024-02-29T13:05:09", "2024-02-29 13:05:09"},
                    {"31 February iso", "en_US", "2024-02-31", ""},
                    {"us short", "en_US", "3/4/2024", "2024-03-04 00:00:00"},
                    {"de short", "de_DE", "3.4.2024", "2024-04-03 00:00:00"},
                    {"de with seconds", "de_DE", "03.04.2024 07:08:09", "2024-04-03 07:08:09"},
                    {"time only", "en_US", "14:30", "1899-12-30 14:30:00"},
                    {"profile form", "de_DE", "#2024-01-31 10:11:12#", "2024-01-31 10:11:12"},
                    {"date zero", "en_US", "1899-12-30", "1899-12-30 00:00:00"},
                    {"words", "en_US", "tomorrow", ""},
                    {"signed year", "de_DE", "1.2.-3114", ""},
                    {"signed year with time", "de_DE", "1.2.-3114 10:00", ""},
                    {"blank", "en_US", " ", ""},
                    {"display de", "de_DE", "31.01.2024 10:11:12", "2024-01-31 10:11:12"},
                    {"display C", "C", "31 Jan 2024 10:11:12", "2024-01-31 10:11:12"}};
        for (const auto &r : rows)
            QTest::newRow(r.name) << r.locale << r.text << r.expected;
    }

    void dates()
    {
        QFETCH(QString, locale);
        QFETCH(QString, text);
        QFETCH(QString, expected);
        KvoTest::DefaultLocale user(locale);
        const auto d = Convert::parseDate(text);
        QCOMPARE(d ? Convert::isoText(*d) : QString(), expected);
        QCOMPARE(basValidate::IsDateText(text, false), !expected.isEmpty() || text.trimmed().isEmpty());
        QCOMPARE(basValidate::IsDateText(text, true), !expected.isEmpty());
        // What the control shows reads back as the same value, with a four-digit year and no time at
        // midnight.
        if (d) {
            const QString shown = Convert::displayDate(*d);
            QCOMPARE(Convert::displayText(Variant::date(*d)), shown);
            QVERIFY2(shown.contains(QString::number(d->date().year())), qPrintable(shown));
            QVERIFY2(shown.contains(u':') == (d->time() != QTime(0, 0)), qPrintable(shown));
            QCOMPARE(Convert::parseDate(shown), d);
        }
    }

    void databaseValues_data()
    {
        QTest::addColumn<QVariant>("field");
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("expected");
        QTest::newRow("null stays null") << QVariant(QMetaType(QMetaType::Int)) << int(fcInteger32) << "Null:";
        QTest::newRow("sqlite date text")
                << QVariant(u"2024-05-06 07:08:09"_s) << int(fcDateTime) << "Date:2024-05-06 07:08:09";
        QTest::newRow("server date") << QVariant(QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9))) << int(fcDateTime)
                                     << "Date:2024-05-06 07:08:09";
        QTest::newRow("integer boolean") << QVariant(1) << int(fcBoolean) << "Boolean:True";
        QTest::newRow("zero boolean") << QVariant(u"0"_s) << int(fcBoolean) << "Boolean:False";
        QTest::newRow("int16 from text") << QVariant(u"42"_s) << int(fcInteger16) << "Int16:42";
        QTest::newRow("single") << QVariant(2.5) << int(fcSingle) << "Single:2.5";
        QTest::newRow("text") << QVariant(u" a "_s) << int(fcText) << "Text: a ";
        QTest::newRow("bad date") << QVariant(u"soon"_s) << int(fcDateTime) << "Null:";
    }

    void databaseValues()
    {
        QFETCH(QVariant, field);
        QFETCH(int, type);
        QTEST(KvoTest::typed(Convert::fromDatabase(field, type)), "expected");
    }

    // The date zero is one constant, also as the number 0; a number's SQL text is the C locale's
    // whatever the user's.
    void variantForms()
    {
        KvoTest::DefaultLocale german(u"de_DE"_s);
        QCOMPARE(Variant::dbl(0.1).toText() + u' ' + Variant::single(2.2f).toText(), u"0.1 2.2"_s);
        QVERIFY(Variant::isDateZero(Variant::int16(0)) && Variant::isDateZero(Variant::date(Variant::dateZero())));
        QVERIFY(!Variant::isDateZero(Variant::null()));
    }

    void keyAllowed_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("maxLength");
        QTest::addColumn<bool>("allowed");
        QTest::newRow("letter") << "abc" << 3 << 0 << int('d') << 0 << true;
        QTest::newRow("apostrophe") << "abc" << 3 << 0 << int('\'') << 0 << false;
        QTest::newRow("second trailing space") << "ab " << 3 << 0 << int(' ') << 0 << false;
        QTest::newRow("over the limit") << "abcde" << 5 << 0 << int('f') << 5 << false;
        QTest::newRow("replacing a selection") << "abcde" << 1 << 2 << int('x') << 5 << true;
        QTest::newRow("paste too long") << "abc" << 3 << 0 << 22 << 5 << false;
        QTest::newRow("paste without limit") << "abc" << 3 << 0 << 22 << 0 << true;
        QTest::newRow("backspace at the start") << "ab" << 0 << 0 << 8 << 1 << false;
    }

    // A text box and a combo box are judged alike; anything else never takes a key.
    void keyAllowed()
    {
        QFETCH(QString, text);
        QFETCH(int, start);
        QFETCH(int, length);
        QFETCH(int, key);
        QFETCH(int, maxLength);
        basValidate::setClipboardTextProvider([] { return u"xyz"_s; });
        TextBoxModel box;
        ComboBoxModel combo;
        box.setText(text);
        combo.setText(text);
        box.setSelection({start, length});
        combo.setSelection({start, length});
        QTEST(basValidate::IsKeyAllowed(&box, key, maxLength), "allowed");
        QTEST(basValidate::IsKeyAllowed(&combo, key, maxLength), "allowed");
        CheckBoxModel check;
        QVERIFY(!basValidate::IsKeyAllowed(&check, 'a', 0));
        QVERIFY(!basValidate::IsKeyAllowed(nullptr, 'a', 0));
        basValidate::setClipboardTextProvider({});
    }
};

QTEST_GUILESS_MAIN(TestConversions)
#include "tst_conversions.moc"
