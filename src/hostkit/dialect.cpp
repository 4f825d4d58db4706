#include "dialect.h"

#include "adotypes.h"
#include "catalogreader_p.h"
#include "connection.h"
#include "ddl_p.h"
#include "engines/registry.h"

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
// The engines themselves are in hostkit/engines/, one unit each.
namespace KvoPlx800SCtl::HostKit {

using detail::alterTable;

namespace {

// The error's texts and native code in one line.
QString errorText(const QSqlError &error)
{
    QString text = error.databaseText().trimmed();
    const QString driver = error.driverText().trimmed();
    if (text.isEmpty())
        text = driver;
    else if (!driver.isEmpty() && !text.contains(driver))
        text += QLatin1String(" (") + driver + u')';
    if (!error.nativeErrorCode().isEmpty())
        text += QLatin1String(" [") + error.nativeErrorCode() + u']';
    return text;
}

} // namespace

Dialect::Dialect(const EngineInfo &info) : m_info(info) {}

Dialect::~Dialect() = default;

std::unique_ptr<Dialect> Dialect::create(Engine engine)
{
    const EngineInfo *info = EngineRegistry::find(engine);
    return info ? info->createDialect() : nullptr;
}

Engine Dialect::engine() const { return m_info.engine; }

QString Dialect::engineName() const { return m_info.name; }

int Dialect::DatabaseType() const { return m_info.databaseKind; }

// Names and literals -----------------------------------------------------------------------------

QString Dialect::quotedName(const QString &name, QChar open, QChar close)
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

QString Dialect::literalBody(const QString &text, bool backslashEscapes)
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

QString Dialect::dateText(const QDateTime &value) { return value.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")); }

QString Dialect::QuoteName(const QString &name) const { return quotedName(name, u'"', u'"'); }

QString Dialect::QuoteText(const QString &text) const { return u'\'' + literalBody(text, m_backslashEscapes) + u'\''; }

QString Dialect::QualifiedName(const QString &table, const QString &column) const
{
    return QuoteName(table) + u'.' + QuoteName(column);
}

QString Dialect::SqlDateLiteral(const QDateTime &value) const
{
    if (!value.isValid())
        return QStringLiteral("NULL");
    return u'\'' + dateText(value) + u'\'';
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

QString Dialect::columnType(int adoType, int size) const
{
    const TypeNames &t = m_typeNames;
    const char *name = nullptr;
    switch (adoType) {
    case adSmallInt:
    case adTinyInt:
    case adUnsignedTinyInt:
        name = t.smallInt;
        break;
    case adInteger:
        name = t.integer;
        break;
    case adBigInt:
        name = t.bigInt;
        break;
    case adSingle:
        name = t.single;
        break;
    case adDouble:
        name = t.dbl;
        break;
    case adCurrency:
        name = t.currency;
        break;
    case adDecimal:
    case adNumeric:
        name = t.numeric;
        break;
    case adDate:
    case adDBTimeStamp:
        name = t.date;
        break;
    case adBoolean:
        name = t.boolean;
        break;
    case adChar:
        return t.fixedText ? QString::fromLatin1(t.fixedText).arg(qMax(size, 1)) : QString();
    case adVarChar:
    case adVarWChar:
        return t.text ? QString::fromLatin1(t.text).arg(size > 0 ? size : 255) : QString();
    case adLongVarChar:
    case adLongVarWChar:
        name = t.longText;
        break;
    case adGUID:
        name = t.guid;
        break;
    case adBinary:
    case adVarBinary:
    case adLongVarBinary:
        name = t.binary;
        break;
    default:
        break;
    }
    return QString::fromLatin1(name);
}

int Dialect::storedAdoType(int adoType) const
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
    case adBinary:
    case adVarBinary:
        return adLongVarBinary;
    default:
        return adoType;
    }
}

QString Dialect::blobLiteral(const QByteArray &data) const
{
    return QStringLiteral("X'") + QString::fromLatin1(data.toHex()) + u'\'';
}

// DDL -----------------------------------------------------------------------------------------

QString Dialect::dropIndexSql(const QString &, const QString &index) const
{
    return QStringLiteral("DROP INDEX ") + QuoteName(index);
}

QString Dialect::dropConstraintSql(const QString &table, const QString &name, int) const
{
    return alterTable(*this, table) + QStringLiteral("DROP CONSTRAINT ") + QuoteName(name);
}

QStringList Dialect::changeColumnSql(const QString &table, const DdlColumn &, const DdlColumn &to, bool) const
{
    return {alterTable(*this, table) + QStringLiteral("ALTER COLUMN ") + QuoteName(to.name)
            + QStringLiteral(" SET DATA TYPE ") + to.type};
}

QStringList Dialect::setDefaultSql(const QString &table, const DdlColumn &column) const
{
    return {alterTable(*this, table) + QStringLiteral("ALTER COLUMN ") + QuoteName(column.name)
            + QStringLiteral(" SET DEFAULT ") + column.defaultSql};
}

bool Dialect::rebuildTable(Connection &, const detail::TableDef &current, const detail::TableDef &,
                           QString &error) const
{
    error = QStringLiteral("Table %1 cannot be changed that way on %2.").arg(current.name, engineName());
    return false;
}

// Connections ----------------------------------------------------------------------------------

void Dialect::setUpDatabase(QSqlDatabase &db, const ConnectionUrl &url) const
{
    const ConnectionUrl::Server server = url.server();
    db.setHostName(server.host);
    if (server.port > 0)
        db.setPort(server.port);
    db.setUserName(url.user);
    db.setPassword(url.password);
    db.setDatabaseName(url.database);
}

bool Dialect::openSession(QSqlDatabase &db, const ConnectionUrl &, QString *error)
{
    return readSessionSettings(db, error);
}

bool Dialect::readSessionSettings(QSqlDatabase &, QString *) { return true; }

bool Dialect::execSessionSql(QSqlQuery &query, const QString &sql, QString *error, bool row)
{
    if (query.exec(sql) && (!row || query.next()))
        return true;
    if (error)
        *error = query.lastError().text();
    return false;
}

bool Dialect::takesWrites(QSqlDatabase &) const { return true; }

SqlError Dialect::sqlError(const QSqlError &error) const
{
    const QString native = error.nativeErrorCode();
    const QString state = sqlState(native);
    const QString text = errorText(error);
    return SqlError(errorKind(native, state, text), text, native, state);
}

QString Dialect::sqlState(const QString &) const { return {}; }

SqlError::Kind Dialect::errorKind(const QString &, const QString &, const QString &) const { return SqlError::Other; }

QString Dialect::primaryKeyQuery(const QString &) const { return {}; }

QString Dialect::insertDefaultsSql(const QString &table) const
{
    return QStringLiteral("INSERT INTO ") + QuoteName(table) + QStringLiteral(" DEFAULT VALUES");
}

QString Dialect::singleRowClause(const QString &, const QString &condition) const
{
    return QStringLiteral(" WHERE ") + condition;
}

QString Dialect::recordLockSql(const QString &, qint64) const { return {}; }

QStringList Dialect::distributeTableSql(const QString &, const TableDistribution &, bool) const { return {}; }

std::unique_ptr<detail::CatalogReader> Dialect::createCatalogReader() const { return nullptr; }

std::optional<bool> Dialect::transactionOpen(QSqlDatabase &) const { return std::nullopt; }

} // namespace KvoPlx800SCtl::HostKit
