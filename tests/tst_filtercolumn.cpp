// One column: the value its control gives, its defaults and its SQL literals.
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
        row("double de", fcDouble, "de_DE", "1,25", "Double:1.25", false, true);
        row("single", fcSingle, "C", "0.5", "Single:0.5", false, true);
        row("blank number is null", fcDouble, "C", "  ", "Null:", true, true);
        row("date", fcDateTime, "de_DE", "31.01.2024", "Date:2024-01-31 00:00:00", false, true);
        row("no date", fcDateTime, "C", "never", "Date:1899-12-30 00:00:00", false, false);
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
        row("int16", fcInteger16, false, "", 0, "Int16:0", "0");
        row("boolean", fcBoolean, false, "", 0, "Boolean:False", "0");
        row("note takes its default text", fcNote, false, "Add it's here!", 0, "Text:Add it's here!",
            "'Add it''s here!'");
        row("picklist text", fcText, true, " Acme ", 0, "Text:Acme", "'Acme'");
        row("picklist number", fcInteger32, true, "007", 0, "Int32:7", "7");
        row("picklist blank number", fcDouble, true, " ", 0, "Null:", "NULL");
        row("picklist bad number", fcDouble, true, "abc", 0, "Null:", "NULL");
        row("picklist double", fcDouble, true, "1.5", 0, "Double:1.5", "1.5");
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
        // A stored default reads the same in every locale.
        KvoTest::DefaultLocale german(u"de_DE"_s);
        QTEST(typed(c->DefaultValue(now)), "value");
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
        QVERIFY(c->IsPicklistTableMissing()); // the column is not saved
        QTEST(c->FormatPicklistValue(text), "stored");
        const auto v = c->SQLFormatPicklistValue(text);
        QTEST(v ? *v : u"<empty>"_s, "sql");
    }
};

QTEST_GUILESS_MAIN(TestFilterColumn)
#include "tst_filtercolumn.moc"
