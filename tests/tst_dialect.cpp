// Statement text of every dialect. SQL Server has no driver here, so its strings are checked only
// as text; the other engines run the same texts against real databases in tst_connection.
#include "hostkit/adotypes.h"
#include "hostkit/dialect.h"

#include <QTest>

using namespace KvoPlx800SCtl::HostKit;

Q_DECLARE_METATYPE(KvoPlx800SCtl::HostKit::Engine)

namespace {

const QDateTime kDateZero(QDate(1899, 12, 30), QTime(0, 0));

void addEngineColumn() { QTest::addColumn<Engine>("engine"); }

} // namespace

class TestDialect : public QObject
{
    Q_OBJECT

private slots:
    void quoteName_data()
    {
        addEngineColumn();
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("expected");
        QTest::newRow("sqlite plain") << Engine::SQLite << "Parts"
                                      << "\"Parts\"";
        QTest::newRow("sqlite quote") << Engine::SQLite << "a\"b"
                                      << "\"a\"\"b\"";
        QTest::newRow("sqlite looks quoted") << Engine::SQLite << "\"x\""
                                             << "\"\"\"x\"\"\"";
        QTest::newRow("pg dot kept") << Engine::PostgreSQL << "a.b"
                                     << "\"a.b\"";
        QTest::newRow("pg other quotes") << Engine::PostgreSQL << "a`]b c"
                                         << "\"a`]b c\"";
        QTest::newRow("maria backtick") << Engine::MariaDB << "a`b"
                                        << "`a``b`";
        QTest::newRow("maria double quote") << Engine::MariaDB << "a\"b"
                                            << "`a\"b`";
        QTest::newRow("mssql bracket") << Engine::SQLServer << "a]b[c"
                                       << "[a]]b[c]";
        QTest::newRow("nul dropped") << Engine::SQLite << QString::fromUtf16(u"a\u0000b", 3) << "\"ab\"";
    }
    void quoteName()
    {
        QFETCH(Engine, engine);
        QFETCH(QString, name);
        QFETCH(QString, expected);
        const auto dialect = Dialect::create(engine);
        QCOMPARE(dialect->QuoteName(name), expected);
    }

    // Literals as written before a connection has told its settings (the engines' defaults).
    void quoteText_data()
    {
        addEngineColumn();
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("sqlite apostrophe") << Engine::SQLite << "O'Neil"
                                           << "'O''Neil'";
        QTest::newRow("sqlite backslash kept") << Engine::SQLite << "a\\'"
                                               << "'a\\'''";
        QTest::newRow("sqlite nul") << Engine::SQLite << QString::fromUtf16(u"x\u0000'", 3) << "'x'''";
        QTest::newRow("pg plain") << Engine::PostgreSQL << "it's -- %_"
                                  << "'it''s -- %_'";
        QTest::newRow("pg backslash") << Engine::PostgreSQL << "a\\b'"
                                      << "E'a\\\\b'''";
        QTest::newRow("pg trailing backslash") << Engine::PostgreSQL << "a\\"
                                               << "E'a\\\\'";
        QTest::newRow("maria backslash") << Engine::MariaDB << "a\\'"
                                         << "'a\\\\'''";
        QTest::newRow("mssql unicode") << Engine::SQLServer << QString::fromUtf8("Grüße'")
                                       << QString::fromUtf8("N'Grüße'''");
        QTest::newRow("mssql backslash") << Engine::SQLServer << "a\\"
                                         << "N'a\\'";
    }
    void quoteText()
    {
        QFETCH(Engine, engine);
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(Dialect::create(engine)->QuoteText(text), expected);
    }

    void dateLiteral_data()
    {
        addEngineColumn();
        QTest::addColumn<QDateTime>("value");
        QTest::addColumn<QString>("expected");
        const QDateTime normal(QDate(2024, 2, 29), QTime(13, 5, 9));
        QTest::newRow("sqlite zero") << Engine::SQLite << kDateZero << "'1899-12-30 00:00:00'";
        QTest::newRow("sqlite afternoon") << Engine::SQLite << normal << "'2024-02-29 13:05:09'";
        QTest::newRow("pg") << Engine::PostgreSQL << normal << "TIMESTAMP '2024-02-29 13:05:09'";
        QTest::newRow("maria") << Engine::MariaDB << kDateZero << "'1899-12-30 00:00:00'";
        QTest::newRow("mssql") << Engine::SQLServer << kDateZero << "CONVERT(DATETIME, '1899-12-30 00:00:00', 120)";
        QTest::newRow("invalid") << Engine::PostgreSQL << QDateTime() << "NULL";
    }
    void dateLiteral()
    {
        QFETCH(Engine, engine);
        QFETCH(QDateTime, value);
        QFETCH(QString, expected);
        QCOMPARE(Dialect::create(engine)->SqlDateLiteral(value), expected);
    }

    void literal_data()
    {
        addEngineColumn();
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("expected");
        QTest::newRow("null") << Engine::SQLite << QVariant(QMetaType(QMetaType::Int)) << "NULL";
        QTest::newRow("invalid") << Engine::SQLite << QVariant() << "NULL";
        QTest::newRow("true") << Engine::PostgreSQL << QVariant(true) << "1";
        QTest::newRow("false") << Engine::MariaDB << QVariant(false) << "0";
        QTest::newRow("int") << Engine::SQLite << QVariant(-42) << "-42";
        QTest::newRow("double exact") << Engine::SQLite << QVariant(0.1) << "0.10000000000000001";
        QTest::newRow("double large") << Engine::SQLite << QVariant(1e300) << "1.0000000000000001e+300";
        QTest::newRow("nan") << Engine::SQLite << QVariant(std::nan("")) << "NULL";
        QTest::newRow("text") << Engine::MariaDB << QVariant(QStringLiteral("x'y")) << "'x''y'";
        QTest::newRow("date") << Engine::PostgreSQL << QVariant(QDate(2001, 2, 3)) << "TIMESTAMP '2001-02-03 00:00:00'";
        QTest::newRow("blob sqlite") << Engine::SQLite << QVariant(QByteArray("\x01\xff", 2)) << "X'01ff'";
        QTest::newRow("blob pg") << Engine::PostgreSQL << QVariant(QByteArray("\x01\xff", 2))
                                 << "decode('01ff', 'hex')";
    }
    void literal()
    {
        QFETCH(Engine, engine);
        QFETCH(QVariant, value);
        QFETCH(QString, expected);
        QCOMPARE(Dialect::create(engine)->literal(value), expected);
    }

    void columnType_data()
    {
        addEngineColumn();
        QTest::addColumn<int>("adoType");
        QTest::addColumn<int>("size");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<int>("stored");
        QTest::newRow("sqlite bool") << Engine::SQLite << int(adBoolean) << 0 << "BOOLEAN" << int(adBoolean);
        QTest::newRow("sqlite date") << Engine::SQLite << int(adDate) << 0 << "DATETIME" << int(adDate);
        QTest::newRow("sqlite double") << Engine::SQLite << int(adDouble) << 0 << "DOUBLE" << int(adDouble);
        QTest::newRow("sqlite varwchar") << Engine::SQLite << int(adVarWChar) << 40 << "VARCHAR(40)" << int(adVarWChar);
        QTest::newRow("pg bool") << Engine::PostgreSQL << int(adBoolean) << 0 << "smallint" << int(adSmallInt);
        QTest::newRow("pg single") << Engine::PostgreSQL << int(adSingle) << 0 << "real" << int(adSingle);
        QTest::newRow("pg date") << Engine::PostgreSQL << int(adDate) << 0 << "timestamp" << int(adDate);
        QTest::newRow("pg char") << Engine::PostgreSQL << int(adChar) << 3 << "char(3)" << int(adChar);
        QTest::newRow("pg memo") << Engine::PostgreSQL << int(adLongVarWChar) << 0 << "text" << int(adLongVarWChar);
        QTest::newRow("pg bigint") << Engine::PostgreSQL << int(adBigInt) << 0 << "bigint" << int(adBigInt);
        QTest::newRow("pg numeric") << Engine::PostgreSQL << int(adNumeric) << 0 << "numeric" << int(adNumeric);
        QTest::newRow("pg blob") << Engine::PostgreSQL << int(adLongVarBinary) << 0 << "bytea" << int(adLongVarBinary);
        QTest::newRow("maria bool") << Engine::MariaDB << int(adBoolean) << 0 << "BOOLEAN" << int(adBoolean);
        QTest::newRow("maria date") << Engine::MariaDB << int(adDate) << 0 << "DATETIME" << int(adDate);
        QTest::newRow("maria text") << Engine::MariaDB << int(adVarWChar) << 255 << "VARCHAR(255) CHARACTER SET utf8mb4"
                                    << int(adVarWChar);
        QTest::newRow("maria int") << Engine::MariaDB << int(adInteger) << 0 << "INT" << int(adInteger);
        QTest::newRow("mssql bool") << Engine::SQLServer << int(adBoolean) << 0 << "BIT" << int(adBoolean);
        QTest::newRow("mssql text") << Engine::SQLServer << int(adVarWChar) << 50 << "NVARCHAR(50)" << int(adVarWChar);
        QTest::newRow("mssql memo") << Engine::SQLServer << int(adLongVarWChar) << 0 << "NVARCHAR(MAX)"
                                    << int(adLongVarWChar);
        QTest::newRow("unknown") << Engine::SQLite << 9999 << 0 << "" << 9999;
    }
    void columnType()
    {
        QFETCH(Engine, engine);
        QFETCH(int, adoType);
        QFETCH(int, size);
        QFETCH(QString, expected);
        QFETCH(int, stored);
        const auto dialect = Dialect::create(engine);
        QCOMPARE(dialect->columnType(adoType, size), expected);
        QCOMPARE(dialect->storedAdoType(adoType), stored);
    }

    // Every type the library creates has a type text on every engine, and a stored type of the
    // same family (PostgreSQL's Boolean is the one that reads back as an integer).
    void everyLibraryTypeHasAText()
    {
        const int types[] = {adSmallInt, adInteger,  adSingle,       adDouble, adDate,    adBoolean,
                             adChar,     adVarWChar, adLongVarWChar, adBigInt, adNumeric, adLongVarBinary};
        for (Engine engine : {Engine::SQLite, Engine::PostgreSQL, Engine::MariaDB, Engine::SQLServer}) {
            const auto dialect = Dialect::create(engine);
            for (int type : types) {
                QVERIFY2(!dialect->columnType(type, 10).isEmpty(),
                         qPrintable(dialect->engineName() + QString::number(type)));
                const AdoFamily stored = adoFamily(dialect->storedAdoType(type));
                const bool boolAsInteger = type == adBoolean && stored == AdoFamily::Integer;
                QVERIFY2(stored == adoFamily(type) || boolAsInteger,
                         qPrintable(dialect->engineName() + QString::number(type)));
            }
        }
    }

    void capabilities_data()
    {
        addEngineColumn();
        QTest::addColumn<bool>("transactionalDdl");
        QTest::addColumn<bool>("alterType");
        QTest::addColumn<bool>("namedKeys");
        QTest::addColumn<int>("maxName");
        QTest::addColumn<int>("kind");
        QTest::newRow("sqlite") << Engine::SQLite << true << false << true << 4096 << DatabaseKind::SQLite;
        QTest::newRow("pg") << Engine::PostgreSQL << true << true << true << 63 << DatabaseKind::PostgreSQL;
        QTest::newRow("maria") << Engine::MariaDB << false << true << false << 64 << DatabaseKind::MariaDB;
        QTest::newRow("mssql") << Engine::SQLServer << true << true << true << 128 << DatabaseKind::SqlServer;
    }
    void capabilities()
    {
        QFETCH(Engine, engine);
        const auto dialect = Dialect::create(engine);
        QTEST(dialect->transactionalDdl(), "transactionalDdl");
        QTEST(dialect->canAlterColumnType(), "alterType");
        QTEST(dialect->namedPrimaryKeys(), "namedKeys");
        QTEST(dialect->maxIdentifierLength(), "maxName");
        QTEST(dialect->DatabaseType(), "kind");
        QCOMPARE(dialect->canAlterDefault(), engine != Engine::SQLite);
    }

    void likeEscapeClause_data()
    {
        addEngineColumn();
        QTest::addColumn<QString>("expected");
        QTest::newRow("sqlite") << Engine::SQLite << " ESCAPE '\\'";
        QTest::newRow("pg") << Engine::PostgreSQL << "";
        QTest::newRow("maria backslash escapes") << Engine::MariaDB << " ESCAPE '\\\\'";
        QTest::newRow("mssql") << Engine::SQLServer << " ESCAPE '\\'";
    }
    void likeEscapeClause()
    {
        QFETCH(Engine, engine);
        QTEST(Dialect::create(engine)->likeEscapeClause(), "expected");
    }

    void foldKey_data()
    {
        addEngineColumn();
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<bool>("same");
        QTest::newRow("maria case") << Engine::MariaDB << "Urgent"
                                    << "uRGENT" << true;
        QTest::newRow("maria trailing space") << Engine::MariaDB << "abc  "
                                              << "ABC" << true;
        QTest::newRow("maria leading space") << Engine::MariaDB << " abc"
                                             << "abc" << false;
        QTest::newRow("maria accent") << Engine::MariaDB << QString::fromUtf8("Bär") << "BAR" << true;
        QTest::newRow("maria sharp s") << Engine::MariaDB << QString::fromUtf8("ß") << "s" << true;
        QTest::newRow("maria different") << Engine::MariaDB << "abc"
                                         << "abd" << false;
        QTest::newRow("sqlite case") << Engine::SQLite << "abc"
                                     << "ABC" << false;
        QTest::newRow("pg trailing space") << Engine::PostgreSQL << "abc "
                                           << "abc" << false;
    }
    void foldKey()
    {
        QFETCH(Engine, engine);
        QFETCH(QString, a);
        QFETCH(QString, b);
        const auto dialect = Dialect::create(engine);
        QTEST(dialect->foldKey(a) == dialect->foldKey(b), "same");
    }

    void qualifiedNameAndBooleans()
    {
        const auto mssql = Dialect::create(Engine::SQLServer);
        QCOMPARE(mssql->QualifiedName("Parts", "Part]Id"), QStringLiteral("[Parts].[Part]]Id]"));
        QCOMPARE(mssql->SqlBooleanValue(false), 0);
        QCOMPARE(mssql->SqlBooleanValue(true), 1);
        QCOMPARE(mssql->engineName(), QStringLiteral("SQL Server"));
    }
};

QTEST_GUILESS_MAIN(TestDialect)
#include "tst_dialect.moc"
