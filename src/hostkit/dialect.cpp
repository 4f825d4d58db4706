#include "dialect.h"

#include "adotypes.h"

#include <QByteArray>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <cmath>

// Choices that hold for every engine:
// - NUL characters are dropped from names and text literals. PostgreSQL cannot store them in text
//   at all and its client library ends a statement at the first NUL; SQLite's tokenizer ends a
//   literal there. Dropping them on every engine keeps stored texts alike everywhere.
// - Dates are written to the second, as 'yyyy-MM-dd HH:mm:ss', which sorts and compares as text
//   on SQLite. The date zero (1899-12-30 00:00:00) lies inside the range of every engine's type.
// - Booleans are stored as 0/1 integers; the filter tests them with "<> 0".
namespace KvoPlx800SCtl::HostKit {

namespace {

const QString kDateFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");

// Doubles every `quote` in `name` and drops NUL characters.
QString quoted(const QString &name, QChar open, QChar close)
{
    QString out;
    out.reserve(name.size() + 2);
    out += open;
    for (const QChar c : name) {
        if (c.isNull())
            continue;
        out += c;
        if (c == close)
            out += c;
    }
    out += close;
    return out;
}

// Body of a '...' literal: apostrophes doubled, backslashes doubled when they are escapes, NULs
// dropped.
QString literalBody(const QString &text, bool backslashEscapes)
{
    QString out;
    out.reserve(text.size() + 8);
    for (const QChar c : text) {
        if (c.isNull())
            continue;
        if (c == u'\'')
            out += u'\'';
        else if (c == u'\\' && backslashEscapes)
            out += u'\\';
        out += c;
    }
    return out;
}

QString singleQuoted(const QString &text) { return u'\'' + literalBody(text, false) + u'\''; }

} // namespace

// ---------------------------------------------------------------------------------------------
// SQLite
// Names in "...". LIKE has no escape character unless one is declared. Types are only declared
// names here; the catalog reads them back from the declaration. Keys compare texts exactly
// (BINARY collation, trailing spaces count).
class SqliteDialect : public Dialect
{
public:
    SqliteDialect() : Dialect(Engine::SQLite)
    {
        m_databaseKind = DatabaseKind::SQLite;
        m_transactionalDdl = true;
        m_canAlterColumnType = false; // a type change rebuilds the table
        m_canAlterDefault = false;
        m_canAddConstraints = false;
        m_namedPrimaryKeys = true; // kept in the CREATE TABLE text
        m_maxIdentifierLength = 4096;
    }

    QString likeEscapeClause() const override { return QStringLiteral(" ESCAPE '\\'"); }

    QString columnType(int adoType, int size) const override
    {
        switch (adoType) {
        case adSmallInt:
        case adTinyInt:
        case adUnsignedTinyInt:
            return QStringLiteral("SMALLINT");
        case adInteger:
            return QStringLiteral("INTEGER");
        case adBigInt:
            return QStringLiteral("BIGINT");
        case adSingle:
            return QStringLiteral("REAL");
        case adDouble:
            return QStringLiteral("DOUBLE");
        case adCurrency:
        case adDecimal:
        case adNumeric:
            return QStringLiteral("NUMERIC");
        case adDate:
        case adDBTimeStamp:
            return QStringLiteral("DATETIME");
        case adBoolean:
            return QStringLiteral("BOOLEAN");
        case adChar:
            return QStringLiteral("CHAR(%1)").arg(qMax(size, 1));
        case adVarChar:
        case adVarWChar:
            return QStringLiteral("VARCHAR(%1)").arg(size > 0 ? size : 255);
        case adLongVarChar:
        case adLongVarWChar:
            return QStringLiteral("TEXT");
        case adGUID:
            return QStringLiteral("CHAR(38)");
        case adBinary:
        case adVarBinary:
        case adLongVarBinary:
            return QStringLiteral("BLOB");
        default:
            return {};
        }
    }

    int storedAdoType(int adoType) const override
    {
        switch (adoType) {
        case adTinyInt:
        case adUnsignedTinyInt:
            return adSmallInt;
        case adCurrency:
        case adDecimal:
            return adNumeric;
        case adDBTimeStamp:
            return adDate;
        case adVarChar:
            return adVarWChar;
        case adLongVarChar:
            return adLongVarWChar;
        case adGUID:
            return adChar;
        case adBinary:
        case adVarBinary:
            return adLongVarBinary;
        default:
            return adoType;
        }
    }

    bool isLockError(const QString &nativeCode, const QString &text) const override
    {
        bool ok = false;
        const int code = nativeCode.toInt(&ok) & 0xFF; // extended codes carry the primary one
        if (ok)
            return code == 5 || code == 6; // SQLITE_BUSY, SQLITE_LOCKED
        return text.contains(QLatin1String("database is locked"), Qt::CaseInsensitive)
               || text.contains(QLatin1String("database table is locked"), Qt::CaseInsensitive);
    }

    QString beginTransactionSql() const override { return QStringLiteral("BEGIN IMMEDIATE"); }

    QString primaryKeyQuery(const QString &table) const override
    {
        return QStringLiteral("SELECT name FROM pragma_table_info(%1) WHERE pk > 0 ORDER BY pk").arg(QuoteText(table));
    }

    QString singleRowClause(const QString &table, const QString &condition) const override
    {
        // A table without a primary key always has a rowid.
        return QStringLiteral(" WHERE rowid IN (SELECT rowid FROM %1 WHERE %2 LIMIT 1)")
                .arg(QuoteName(table), condition);
    }

    bool configure(QSqlDatabase &db, QString *error) override
    {
        QSqlQuery query(db);
        if (!query.exec(QStringLiteral("PRAGMA foreign_keys = ON"))) {
            if (error)
                *error = query.lastError().text();
            return false;
        }
        return true;
    }
};

// ---------------------------------------------------------------------------------------------
// PostgreSQL
// Names in "..." keep their case, so every statement quotes. A text with a backslash is written
// as E'...' with the backslash doubled: that form means the same whatever
// standard_conforming_strings says, so it stays safe even if a host changes the setting later.
// LIKE's default escape is the backslash. Booleans are smallint, since the filter compares them
// with an integer. Keys compare texts exactly (deterministic collation).
// A failed statement inside a transaction aborts that transaction: every later statement fails
// until the caller rolls back. NOT IN over a sub-select whose list outgrows work_mem is run as an
// un-hashed sub-plan, which scans the whole list for every outer row (minutes on a million
// rows), so anti-joins are written NOT EXISTS.
class PostgresDialect : public Dialect
{
public:
    QString SingleLiteral(const QString &number) const override
    {
        return QStringLiteral("CAST(") + number + QStringLiteral(" AS REAL)");
    }

    PostgresDialect() : Dialect(Engine::PostgreSQL)
    {
        m_databaseKind = DatabaseKind::PostgreSQL;
        m_transactionalDdl = true;
        m_maxIdentifierLength = 63;
        m_antiJoinNotExists = true;
    }

    QString QuoteText(const QString &text) const override
    {
        if (text.contains(u'\\'))
            return QStringLiteral("E'") + literalBody(text, true) + u'\'';
        return singleQuoted(text);
    }

    QString SqlDateLiteral(const QDateTime &value) const override
    {
        if (!value.isValid())
            return QStringLiteral("NULL");
        return QStringLiteral("TIMESTAMP '") + value.toString(kDateFormat) + u'\'';
    }

    QString columnType(int adoType, int size) const override
    {
        switch (adoType) {
        case adSmallInt:
        case adTinyInt:
        case adUnsignedTinyInt:
        case adBoolean:
            return QStringLiteral("smallint");
        case adInteger:
            return QStringLiteral("integer");
        case adBigInt:
            return QStringLiteral("bigint");
        case adSingle:
            return QStringLiteral("real");
        case adDouble:
            return QStringLiteral("double precision");
        case adCurrency:
            return QStringLiteral("numeric(19,4)");
        case adDecimal:
        case adNumeric:
            return QStringLiteral("numeric");
        case adDate:
        case adDBTimeStamp:
            return QStringLiteral("timestamp");
        case adChar:
            return QStringLiteral("char(%1)").arg(qMax(size, 1));
        case adVarChar:
        case adVarWChar:
            return QStringLiteral("varchar(%1)").arg(size > 0 ? size : 255);
        case adLongVarChar:
        case adLongVarWChar:
            return QStringLiteral("text");
        case adGUID:
            return QStringLiteral("uuid");
        case adBinary:
        case adVarBinary:
        case adLongVarBinary:
            return QStringLiteral("bytea");
        default:
            return {};
        }
    }

    int storedAdoType(int adoType) const override
    {
        switch (adoType) {
        case adBoolean:
        case adTinyInt:
        case adUnsignedTinyInt:
            return adSmallInt;
        case adCurrency:
        case adDecimal:
            return adNumeric;
        case adDBTimeStamp:
            return adDate;
        case adVarChar:
            return adVarWChar;
        case adLongVarChar:
            return adLongVarWChar;
        case adBinary:
        case adVarBinary:
            return adLongVarBinary;
        default:
            return adoType;
        }
    }

    bool isLockError(const QString &nativeCode, const QString &) const override
    {
        // lock_not_available, deadlock_detected, serialization_failure
        return nativeCode == u"55P03" || nativeCode == u"40P01" || nativeCode == u"40001";
    }

    QString primaryKeyQuery(const QString &table) const override
    {
        return QStringLiteral("SELECT a.attname FROM pg_index i JOIN pg_attribute a ON a.attrelid = i.indrelid"
                              " AND a.attnum = ANY(i.indkey) WHERE i.indisprimary AND i.indrelid = to_regclass(%1)"
                              " ORDER BY array_position(i.indkey::int2[], a.attnum)")
                .arg(QuoteText(QuoteName(table)));
    }

    QString singleRowClause(const QString &table, const QString &condition) const override
    {
        return QStringLiteral(" WHERE ctid IN (SELECT ctid FROM %1 WHERE %2 LIMIT 1)").arg(QuoteName(table), condition);
    }

    QString blobLiteral(const QByteArray &data) const override
    {
        return QStringLiteral("decode('") + QString::fromLatin1(data.toHex()) + QStringLiteral("', 'hex')");
    }

    bool configure(QSqlDatabase &db, QString *error) override
    {
        QSqlQuery query(db);
        // Notices (such as those of DROP ... CASCADE) would go to the process's standard error.
        if (!query.exec(QStringLiteral("SET client_min_messages = warning"))
            || !query.exec(QStringLiteral("SHOW standard_conforming_strings")) || !query.next()) {
            if (error)
                *error = query.lastError().text();
            return false;
        }
        m_backslashEscapes = query.value(0).toString().compare(u"on", Qt::CaseInsensitive) != 0;
        return true;
    }
};

// ---------------------------------------------------------------------------------------------
// MariaDB
// Names in `...`. Unless sql_mode holds NO_BACKSLASH_ESCAPES, a backslash in a string literal is
// an escape and is doubled. Texts are utf8mb4; dates DATETIME (TIMESTAMP would shift with the
// session time zone and cannot hold 1899). DDL commits any open transaction. The default
// collation utf8mb4_general_ci ignores letter case, most accents and trailing spaces.
class MariaDbDialect : public Dialect
{
public:
    QString SingleLiteral(const QString &number) const override
    {
        return QStringLiteral("CAST(") + number + QStringLiteral(" AS FLOAT)");
    }

    MariaDbDialect() : Dialect(Engine::MariaDB)
    {
        m_databaseKind = DatabaseKind::MariaDB;
        m_transactionalDdl = false;
        m_namedPrimaryKeys = false; // every primary key is named PRIMARY
        m_maxIdentifierLength = 64;
        m_backslashEscapes = true; // the server's default until configure() reads sql_mode
    }

    QString QuoteName(const QString &name) const override { return quoted(name, u'`', u'`'); }

    QString QuoteText(const QString &text) const override
    {
        return u'\'' + literalBody(text, m_backslashEscapes) + u'\'';
    }

    // LIKE's default escape is the backslash; the clause names it explicitly, spelled as a literal
    // holding one backslash under the connection's mode.
    QString likeEscapeClause() const override
    {
        return m_backslashEscapes ? QStringLiteral(" ESCAPE '\\\\'") : QStringLiteral(" ESCAPE '\\'");
    }

    QString columnType(int adoType, int size) const override
    {
        switch (adoType) {
        case adSmallInt:
        case adTinyInt:
        case adUnsignedTinyInt:
            return QStringLiteral("SMALLINT");
        case adInteger:
            return QStringLiteral("INT");
        case adBigInt:
            return QStringLiteral("BIGINT");
        case adSingle:
            return QStringLiteral("FLOAT");
        case adDouble:
            return QStringLiteral("DOUBLE");
        case adCurrency:
            return QStringLiteral("DECIMAL(19,4)");
        case adDecimal:
        case adNumeric:
            return QStringLiteral("DECIMAL(38,10)");
        case adDate:
        case adDBTimeStamp:
            return QStringLiteral("DATETIME");
        case adBoolean:
            return QStringLiteral("BOOLEAN");
        case adChar:
            return QStringLiteral("CHAR(%1) CHARACTER SET utf8mb4").arg(qMax(size, 1));
        case adVarChar:
        case adVarWChar:
            return QStringLiteral("VARCHAR(%1) CHARACTER SET utf8mb4").arg(size > 0 ? size : 255);
        case adLongVarChar:
        case adLongVarWChar:
            return QStringLiteral("LONGTEXT CHARACTER SET utf8mb4");
        case adGUID:
            return QStringLiteral("CHAR(38)");
        case adBinary:
        case adVarBinary:
        case adLongVarBinary:
            return QStringLiteral("LONGBLOB");
        default:
            return {};
        }
    }

    int storedAdoType(int adoType) const override
    {
        switch (adoType) {
        case adTinyInt:
        case adUnsignedTinyInt:
            return adSmallInt;
        case adCurrency:
        case adDecimal:
            return adNumeric;
        case adDBTimeStamp:
            return adDate;
        case adVarChar:
            return adVarWChar;
        case adLongVarChar:
            return adLongVarWChar;
        case adGUID:
            return adChar;
        case adBinary:
        case adVarBinary:
            return adLongVarBinary;
        default:
            return adoType;
        }
    }

    // utf8mb4_general_ci: letters compare by their upper-case base letter (accents and case
    // ignored, ß as s, dotless i as i) and trailing spaces do not count. Characters outside the
    // basic plane are not folded here.
    QString foldKey(const QString &text) const override
    {
        QString out;
        const QString decomposed = text.normalized(QString::NormalizationForm_D);
        out.reserve(decomposed.size());
        for (const QChar c : decomposed) {
            if (c.category() == QChar::Mark_NonSpacing)
                continue;
            if (c == u'\u00DF')
                out += u'S';
            else if (c == u'\u0131')
                out += u'I';
            else
                out += c.toUpper();
        }
        while (out.endsWith(u' '))
            out.chop(1);
        return out;
    }

    bool isLockError(const QString &nativeCode, const QString &) const override
    {
        // ER_LOCK_WAIT_TIMEOUT, ER_LOCK_DEADLOCK
        return nativeCode == u"1205" || nativeCode == u"1213";
    }

    QString primaryKeyQuery(const QString &table) const override
    {
        return QStringLiteral(
                       "SELECT COLUMN_NAME FROM information_schema.KEY_COLUMN_USAGE WHERE TABLE_SCHEMA = DATABASE()"
                       " AND TABLE_NAME = %1 AND CONSTRAINT_NAME = 'PRIMARY' ORDER BY ORDINAL_POSITION")
                .arg(QuoteText(table));
    }

    QString insertDefaultsSql(const QString &table) const override
    {
        return QStringLiteral("INSERT INTO ") + QuoteName(table) + QStringLiteral(" () VALUES ()");
    }

    QString singleRowClause(const QString &, const QString &condition) const override
    {
        return QStringLiteral(" WHERE ") + condition + QStringLiteral(" LIMIT 1");
    }

    bool configure(QSqlDatabase &db, QString *error) override
    {
        QSqlQuery query(db);
        if (!query.exec(QStringLiteral("SET NAMES utf8mb4")) || !query.exec(QStringLiteral("SELECT @@SESSION.sql_mode"))
            || !query.next()) {
            if (error)
                *error = query.lastError().text();
            return false;
        }
        const QStringList modes = query.value(0).toString().split(u',');
        m_backslashEscapes = !modes.contains(QLatin1String("NO_BACKSLASH_ESCAPES"), Qt::CaseInsensitive);
        return true;
    }
};

// ---------------------------------------------------------------------------------------------
// SQL Server (statements only; no driver is used here)
// Names in [...], texts N'...', dates through CONVERT with style 120. LIKE has no escape unless
// declared. Booleans are BIT, which compares with integers.
class SqlServerDialect : public Dialect
{
public:
    SqlServerDialect() : Dialect(Engine::SQLServer)
    {
        m_databaseKind = DatabaseKind::SqlServer;
        m_transactionalDdl = true;
        m_maxIdentifierLength = 128;
    }

    QString QuoteName(const QString &name) const override { return quoted(name, u'[', u']'); }
    QString QuoteText(const QString &text) const override { return u'N' + singleQuoted(text); }
    QString likeEscapeClause() const override { return QStringLiteral(" ESCAPE '\\'"); }

    QString FilterTextValue(const QString &text) const override
    {
        if (!text.contains(u'\''))
            return u'\'' + text + u'\'';
        if (!text.contains(u'"'))
            return u'"' + text + u'"';
        return {};
    }

    QString SqlDateLiteral(const QDateTime &value) const override
    {
        if (!value.isValid())
            return QStringLiteral("NULL");
        return QStringLiteral("CONVERT(DATETIME, '") + value.toString(kDateFormat) + QStringLiteral("', 120)");
    }

    QString columnType(int adoType, int size) const override
    {
        switch (adoType) {
        case adSmallInt:
        case adTinyInt:
        case adUnsignedTinyInt:
            return QStringLiteral("SMALLINT");
        case adInteger:
            return QStringLiteral("INT");
        case adBigInt:
            return QStringLiteral("BIGINT");
        case adSingle:
            return QStringLiteral("REAL");
        case adDouble:
            return QStringLiteral("FLOAT");
        case adCurrency:
            return QStringLiteral("MONEY");
        case adDecimal:
        case adNumeric:
            return QStringLiteral("NUMERIC(38,10)");
        case adDate:
        case adDBTimeStamp:
            return QStringLiteral("DATETIME");
        case adBoolean:
            return QStringLiteral("BIT");
        case adChar:
            return QStringLiteral("NCHAR(%1)").arg(qMax(size, 1));
        case adVarChar:
        case adVarWChar:
            return QStringLiteral("NVARCHAR(%1)").arg(size > 0 ? size : 255);
        case adLongVarChar:
        case adLongVarWChar:
            return QStringLiteral("NVARCHAR(MAX)");
        case adGUID:
            return QStringLiteral("UNIQUEIDENTIFIER");
        case adBinary:
        case adVarBinary:
        case adLongVarBinary:
            return QStringLiteral("VARBINARY(MAX)");
        default:
            return {};
        }
    }

    int storedAdoType(int adoType) const override
    {
        switch (adoType) {
        case adTinyInt:
        case adUnsignedTinyInt:
            return adSmallInt;
        case adDecimal:
            return adNumeric;
        case adDBTimeStamp:
            return adDate;
        case adVarChar:
            return adVarWChar;
        case adLongVarChar:
            return adLongVarWChar;
        case adBinary:
        case adVarBinary:
            return adLongVarBinary;
        default:
            return adoType;
        }
    }

    bool isLockError(const QString &nativeCode, const QString &) const override
    {
        return nativeCode == u"1222" || nativeCode == u"1205"; // lock timeout, deadlock victim
    }

    QString primaryKeyQuery(const QString &table) const override
    {
        return QStringLiteral("SELECT k.COLUMN_NAME FROM INFORMATION_SCHEMA.TABLE_CONSTRAINTS c"
                              " JOIN INFORMATION_SCHEMA.KEY_COLUMN_USAGE k ON k.CONSTRAINT_NAME = c.CONSTRAINT_NAME"
                              " AND k.TABLE_NAME = c.TABLE_NAME WHERE c.CONSTRAINT_TYPE = 'PRIMARY KEY'"
                              " AND c.TABLE_NAME = %1 ORDER BY k.ORDINAL_POSITION")
                .arg(QuoteText(table));
    }

    QString singleRowClause(const QString &, const QString &condition) const override
    {
        return QStringLiteral(" WHERE ") + condition;
    }

    QString blobLiteral(const QByteArray &data) const override
    {
        return QStringLiteral("0x") + QString::fromLatin1(data.toHex());
    }

    bool configure(QSqlDatabase &, QString *error) override
    {
        if (error)
            *error = QStringLiteral("SQL Server connections are not supported");
        return false;
    }
};

// ---------------------------------------------------------------------------------------------

Dialect::Dialect(Engine engine) : m_engine(engine) {}

Dialect::~Dialect() = default;

std::unique_ptr<Dialect> Dialect::create(Engine engine)
{
    switch (engine) {
    case Engine::SQLite:
        return std::make_unique<SqliteDialect>();
    case Engine::PostgreSQL:
        return std::make_unique<PostgresDialect>();
    case Engine::MariaDB:
        return std::make_unique<MariaDbDialect>();
    case Engine::SQLServer:
        return std::make_unique<SqlServerDialect>();
    }
    return nullptr;
}

QString Dialect::engineName() const
{
    switch (m_engine) {
    case Engine::SQLite:
        return QStringLiteral("SQLite");
    case Engine::PostgreSQL:
        return QStringLiteral("PostgreSQL");
    case Engine::MariaDB:
        return QStringLiteral("MariaDB");
    case Engine::SQLServer:
        return QStringLiteral("SQL Server");
    }
    return {};
}

QString Dialect::QuoteName(const QString &name) const { return quoted(name, u'"', u'"'); }

QString Dialect::QuoteText(const QString &text) const { return u'\'' + literalBody(text, m_backslashEscapes) + u'\''; }

QString Dialect::QualifiedName(const QString &table, const QString &column) const
{
    return QuoteName(table) + u'.' + QuoteName(column);
}

QString Dialect::SqlDateLiteral(const QDateTime &value) const
{
    if (!value.isValid())
        return QStringLiteral("NULL");
    return u'\'' + value.toString(kDateFormat) + u'\'';
}

QString Dialect::literal(const QVariant &value) const
{
    if (!value.isValid() || value.isNull())
        return QStringLiteral("NULL");
    switch (value.typeId()) {
    case QMetaType::Bool:
        return QString::number(SqlBooleanValue(value.toBool()));
    case QMetaType::Int:
    case QMetaType::Short:
    case QMetaType::SChar:
    case QMetaType::Char:
    case QMetaType::LongLong:
    case QMetaType::Long:
        return QString::number(value.toLongLong());
    case QMetaType::UInt:
    case QMetaType::UShort:
    case QMetaType::UChar:
    case QMetaType::ULongLong:
    case QMetaType::ULong:
        return QString::number(value.toULongLong());
    case QMetaType::Float: {
        const float f = value.toFloat();
        return std::isfinite(f) ? QString::number(double(f), 'g', 9) : QStringLiteral("NULL");
    }
    case QMetaType::Double: {
        const double d = value.toDouble();
        return std::isfinite(d) ? QString::number(d, 'g', 17) : QStringLiteral("NULL");
    }
    case QMetaType::QDateTime:
        return SqlDateLiteral(value.toDateTime());
    case QMetaType::QDate:
        return SqlDateLiteral(value.toDate().startOfDay());
    case QMetaType::QTime:
        return QuoteText(value.toTime().toString(QStringLiteral("HH:mm:ss")));
    case QMetaType::QByteArray:
        return blobLiteral(value.toByteArray());
    default:
        return QuoteText(value.toString());
    }
}

QString Dialect::likeEscapeClause() const { return {}; }

bool Dialect::configure(QSqlDatabase &, QString *) { return true; }

QString Dialect::insertDefaultsSql(const QString &table) const
{
    return QStringLiteral("INSERT INTO ") + QuoteName(table) + QStringLiteral(" DEFAULT VALUES");
}

QString Dialect::blobLiteral(const QByteArray &data) const
{
    return QStringLiteral("X'") + QString::fromLatin1(data.toHex()) + u'\'';
}

} // namespace KvoPlx800SCtl::HostKit
