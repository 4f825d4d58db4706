// Locale-aware reading and writing of numbers and dates, and the text checks built on them.
#include "columns/basvalidate.h"
#include "core/controls.h"
#include "core/conversions.h"

#include <QTest>

using namespace KvoPlx800SCtl;

class TestConversions : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void integerTexts_data();
    void integerTexts();
    void numberTexts_data();
    void numberTexts();
    void dates_data();
    void dates();
    void displayRoundTrips_data();
    void displayRoundTrips();
    void databaseValues_data();
    void databaseValues();
    void variantForms();
    void keyAllowed_data();
    void keyAllowed();
};

void TestConversions::integerTexts_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("int16");
    QTest::addColumn<int>("value16");
    QTest::addColumn<bool>("int32");

    QTest::newRow("spaces around") << "en_US" << "  12  " << true << 12 << true;
    QTest::newRow("forty thousand") << "en_US" << "40000" << false << 0 << true;
    QTest::newRow("min int16") << "en_US" << "-32768" << true << -32768 << true;
    QTest::newRow("half to even down") << "en_US" << "12.5" << true << 12 << true;
    QTest::newRow("half to even up") << "en_US" << "13.5" << true << 14 << true;
    QTest::newRow("rounds into range") << "en_US" << "32767.4" << true << 32767 << true;
    QTest::newRow("rounds out of range") << "en_US" << "32767.5" << false << 0 << true;
    QTest::newRow("comma decimal") << "de_DE" << "12,5" << true << 12 << true;
    QTest::newRow("point is not decimal in de") << "de_DE" << "12.5" << false << 0 << false;
    QTest::newRow("letters") << "en_US" << "12a" << false << 0 << false;
    QTest::newRow("int32 overflow") << "en_US" << "2147483648" << false << 0 << false;
    QTest::newRow("exponent") << "en_US" << "1e3" << true << 1000 << true;
}

void TestConversions::integerTexts()
{
    QFETCH(QString, locale);
    QFETCH(QString, text);
    QFETCH(bool, int16);
    QFETCH(int, value16);
    QFETCH(bool, int32);
    QLocale::setDefault(QLocale(locale));
    const auto v = Convert::parseInt16(text);
    QCOMPARE(v.has_value(), int16);
    if (int16)
        QCOMPARE(int(*v), value16);
    QCOMPARE(Convert::parseInt32(text).has_value(), int32);
    QCOMPARE(basValidate::IsIntegerText(text), int16);
    QCOMPARE(basValidate::IsLongText(text), int32);
}

void TestConversions::numberTexts_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("isSingle");
    QTest::addColumn<bool>("isDouble");
    QTest::addColumn<bool>("numberRequired");
    QTest::addColumn<bool>("numberOptional");

    QTest::newRow("blank") << "en_US" << "" << true << true << false << false;
    QTest::newRow("three spaces") << "en_US" << "   " << true << true << false << false;
    QTest::newRow("one and a half") << "en_US" << "1.5" << true << true << true << true;
    QTest::newRow("one and a half, de") << "de_DE" << "1,5" << true << true << true << true;
    QTest::newRow("huge for single") << "en_US" << "1e300" << false << true << true << true;
    QTest::newRow("text") << "de_DE" << "abc" << false << false << false << false;
}

void TestConversions::numberTexts()
{
    QFETCH(QString, locale);
    QFETCH(QString, text);
    QLocale::setDefault(QLocale(locale));
    QTEST(basValidate::IsSingleText(text), "isSingle");
    QTEST(basValidate::IsDoubleText(text), "isDouble");
    QTEST(basValidate::IsNumberText(text, true), "numberRequired");
    QTEST(basValidate::IsNumberText(text, false), "numberOptional");
}

void TestConversions::dates_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");   // ISO, or empty when not a date

    QTest::newRow("iso date") << "en_US" << "2024-02-29" << "2024-02-29 00:00:00";
    QTest::newRow("iso date time") << "de_DE" << "2024-02-29 13:05" << "2024-02-29 13:05:00";
    QTest::newRow("iso seconds T") << "en_US" << "2024-02-29T13:05:09" << "2024-02-29 13:05:09";
    QTest::newRow("31 February iso") << "en_US" << "2024-02-31" << "";
    QTest::newRow("31 February de") << "de_DE" << "31.02.2024" << "";
    QTest::newRow("31 February us") << "en_US" << "2/31/2024" << "";
    QTest::newRow("us short") << "en_US" << "3/4/2024" << "2024-03-04 00:00:00";
    QTest::newRow("us with time") << "en_US" << "3/4/2024 14:30" << "2024-03-04 14:30:00";
    QTest::newRow("de short") << "de_DE" << "3.4.2024" << "2024-04-03 00:00:00";
    QTest::newRow("de with seconds") << "de_DE" << "03.04.2024 07:08:09" << "2024-04-03 07:08:09";
    QTest::newRow("time only") << "en_US" << "14:30" << "1899-12-30 14:30:00";
    QTest::newRow("profile form") << "de_DE" << "#2024-01-31 10:11:12#" << "2024-01-31 10:11:12";
    QTest::newRow("date zero") << "en_US" << "1899-12-30" << "1899-12-30 00:00:00";
    QTest::newRow("words") << "en_US" << "tomorrow" << "";
    QTest::newRow("blank") << "en_US" << " " << "";
}

void TestConversions::dates()
{
    QFETCH(QString, locale);
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QLocale::setDefault(QLocale(locale));
    const auto d = Convert::parseDate(text);
    QCOMPARE(d ? Convert::isoText(*d) : QString(), expected);
    QCOMPARE(basValidate::IsDateText(text, false), !expected.isEmpty() || text.trimmed().isEmpty());
    QCOMPARE(basValidate::IsDateText(text, true), !expected.isEmpty());
}

void TestConversions::displayRoundTrips_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("display");
    QTest::newRow("de") << "de_DE" << "31.01.2024 10:11:12";
    QTest::newRow("us") << "en_US" << "1/31/2024 10:11:12";
    QTest::newRow("c") << "C" << "31 Jan 2024 10:11:12";
}

// What the control shows must read back as the same value in every locale, with a four-digit year.
void TestConversions::displayRoundTrips()
{
    QFETCH(QString, locale);
    QFETCH(QString, display);
    QLocale::setDefault(QLocale(locale));
    const QDateTime d = Convert::makeDate(QDate(2024, 1, 31), QTime(10, 11, 12));
    const QString shown = Convert::displayDate(d);
    QVERIFY2(shown.contains(QLatin1String("2024")), qPrintable(shown));
    QCOMPARE(Convert::parseDate(shown), std::optional<QDateTime>(d));
    QCOMPARE(Convert::parseDate(display), std::optional<QDateTime>(d));

    const QString number = Convert::displayText(Variant::dbl(1234.5));
    QCOMPARE(Convert::parseDouble(number), std::optional<double>(1234.5));
    QCOMPARE(Convert::displayText(Variant::date(Convert::makeDate(QDate(2024, 1, 31)))).contains(QLatin1Char(':')), false);
}

void TestConversions::databaseValues_data()
{
    QTest::addColumn<QVariant>("field");
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("expected");   // Variant type name + ":" + toText

    QTest::newRow("null stays null") << QVariant(QMetaType(QMetaType::Int)) << int(fcInteger32) << "Null:";
    QTest::newRow("sqlite date text") << QVariant(QStringLiteral("2024-05-06 07:08:09")) << int(fcDateTime)
                                      << "Date:2024-05-06 07:08:09";
    QTest::newRow("server date") << QVariant(QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9))) << int(fcDateTime)
                                 << "Date:2024-05-06 07:08:09";
    QTest::newRow("integer boolean") << QVariant(1) << int(fcBoolean) << "Boolean:True";
    QTest::newRow("zero boolean") << QVariant(QStringLiteral("0")) << int(fcBoolean) << "Boolean:False";
    QTest::newRow("int16 from text") << QVariant(QStringLiteral("42")) << int(fcInteger16) << "Int16:42";
    QTest::newRow("single") << QVariant(2.5) << int(fcSingle) << "Single:2.5";
    QTest::newRow("text") << QVariant(QStringLiteral(" a ")) << int(fcText) << "Text: a ";
    QTest::newRow("bad date") << QVariant(QStringLiteral("soon")) << int(fcDateTime) << "Null:";
}

void TestConversions::databaseValues()
{
    QFETCH(QVariant, field);
    QFETCH(int, type);
    const Variant v = Convert::fromDatabase(field, type);
    QTEST(QString::fromLatin1(variantTypeName(v.type())) + QLatin1Char(':') + v.toText(), "expected");
}

void TestConversions::variantForms()
{
    // The SQL text form is the C locale's, whatever the user's locale.
    QLocale::setDefault(QLocale(QStringLiteral("de_DE")));
    QCOMPARE(Variant::dbl(0.1).toText(), QStringLiteral("0.1"));
    QCOMPARE(Variant::single(2.2f).toText(), QStringLiteral("2.2"));
    QVERIFY(Variant::isDateZero(Variant::int16(0)));
    QVERIFY(Variant::isDateZero(Variant::date(Variant::dateZero())));
    QVERIFY(!Variant::isDateZero(Variant::null()));
    QCOMPARE(Variant::date(Variant::dateZero()).toDouble(), 0.0);
    QCOMPARE(Variant::dbl(1.5).toDate(), Convert::makeDate(QDate(1899, 12, 31), QTime(12, 0)));
    QVERIFY(Variant::int16(3) != Variant::int32(3));   // typed values compare with their type
    QCOMPARE(Variant::text(QStringLiteral("yes")).toBool(), false);
    QCOMPARE(Variant::text(QStringLiteral("TRUE")).toBool(), true);
}

void TestConversions::keyAllowed_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("maxLength");
    QTest::addColumn<bool>("allowed");

    QTest::newRow("letter") << "abc" << 3 << 0 << int('d') << 0 << true;
    QTest::newRow("apostrophe") << "abc" << 3 << 0 << int('\'') << 0 << false;
    QTest::newRow("double quote") << "" << 0 << 0 << int('"') << 0 << false;
    QTest::newRow("second trailing space") << "ab " << 3 << 0 << int(' ') << 0 << false;
    QTest::newRow("space inside") << "ab " << 1 << 0 << int(' ') << 0 << true;
    QTest::newRow("at the limit") << "abcd" << 4 << 0 << int('e') << 5 << true;
    QTest::newRow("over the limit") << "abcde" << 5 << 0 << int('f') << 5 << false;
    QTest::newRow("replacing a selection") << "abcde" << 1 << 2 << int('x') << 5 << true;
    QTest::newRow("paste too long") << "abc" << 3 << 0 << 22 << 5 << false;
    QTest::newRow("paste without limit") << "abc" << 3 << 0 << 22 << 0 << true;
    QTest::newRow("paste over a selection") << "abcdef" << 0 << 6 << 22 << 5 << true;
    QTest::newRow("copy") << "abcdef" << 0 << 6 << 3 << 5 << false;   // the text stays too long
    QTest::newRow("backspace removes a trailing space") << "ab  " << 4 << 0 << 8 << 0 << true;
    QTest::newRow("backspace at the start") << "ab" << 0 << 0 << 8 << 1 << false;
}

void TestConversions::keyAllowed()
{
    QFETCH(QString, text);
    QFETCH(int, start);
    QFETCH(int, length);
    QFETCH(int, key);
    QFETCH(int, maxLength);
    basValidate::setClipboardTextProvider([] { return QStringLiteral("xyz"); });
    TextBoxModel box;
    box.setText(text);
    box.setSelection({start, length});
    QTEST(basValidate::IsKeyAllowed(&box, key, maxLength), "allowed");
    // A combo box is judged the same way; anything else never takes a key.
    ComboBoxModel combo;
    combo.setText(text);
    combo.setSelection({start, length});
    QTEST(basValidate::IsKeyAllowed(&combo, key, maxLength), "allowed");
    CheckBoxModel check;
    QVERIFY(!basValidate::IsKeyAllowed(&check, 'a', 0));
    QVERIFY(!basValidate::IsKeyAllowed(nullptr, 'a', 0));
    basValidate::setClipboardTextProvider({});
}

QTEST_GUILESS_MAIN(TestConversions)
#include "tst_conversions.moc"
