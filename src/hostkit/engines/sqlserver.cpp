// SQL Server, as statement text only: no driver is used here, so there are no connections, no
// catalog and no session. What it writes is what the filter needs (names, texts, dates, LIKE,
// typed values) and the change of a field's default.

#include "registry.h"

#include "hostkit/adotypes.h"
#include "hostkit/ddl_p.h"

namespace KvoPlx800SCtl::HostKit {

const EngineInfo &sqlServerEngine();

namespace {

// Names in [...], texts N'...', dates through CONVERT with style 120. LIKE has no escape unless
// declared. Booleans are BIT, which compares with integers.
class SqlServerDialect : public Dialect
{
public:
    SqlServerDialect() : Dialect(sqlServerEngine()) {}

    QString QuoteName(const QString &name) const override { return quotedName(name, u'[', u']'); }
    QString QuoteText(const QString &text) const override
    {
        return QStringLiteral("N'") + literalBody(text, false) + u'\'';
    }
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
        return QStringLiteral("CONVERT(DATETIME, '") + dateText(value) + QStringLiteral("', 120)");
    }

    // The types the library creates.
    QString columnType(int adoType, int size) const override
    {
        switch (adoType) {
        case adSmallInt:
            return QStringLiteral("SMALLINT");
        case adInteger:
            return QStringLiteral("INT");
        case adBigInt:
            return QStringLiteral("BIGINT");
        case adSingle:
            return QStringLiteral("REAL");
        case adDouble:
            return QStringLiteral("FLOAT");
        case adNumeric:
            return QStringLiteral("NUMERIC(38,10)");
        case adDate:
            return QStringLiteral("DATETIME");
        case adBoolean:
            return QStringLiteral("BIT");
        case adChar:
            return QStringLiteral("NCHAR(%1)").arg(qMax(size, 1));
        case adVarWChar:
            return QStringLiteral("NVARCHAR(%1)").arg(size > 0 ? size : 255);
        case adLongVarWChar:
            return QStringLiteral("NVARCHAR(MAX)");
        case adLongVarBinary:
            return QStringLiteral("VARBINARY(MAX)");
        default:
            return {};
        }
    }

    // A default is a constraint of its own here, under a name the engine makes up unless one was
    // given: the field's current one is looked up and dropped, then the new one added.
    QStringList setDefaultSql(const QString &table, const DdlColumn &column) const override
    {
        const QString dropOld = detail::alterTable(*this, table) + QStringLiteral("DROP CONSTRAINT ");
        return {QStringLiteral("DECLARE @drop nvarchar(max) = (SELECT %1 + QUOTENAME(d.name)"
                               " FROM sys.default_constraints d JOIN sys.columns c"
                               " ON c.object_id = d.parent_object_id AND c.column_id = d.parent_column_id"
                               " WHERE d.parent_object_id = OBJECT_ID(%2) AND c.name = %3);"
                               " IF @drop IS NOT NULL EXEC (@drop)")
                        .arg(QuoteText(dropOld), QuoteText(QuoteName(table)), QuoteText(column.name)),
                detail::alterTable(*this, table) + QStringLiteral("ADD DEFAULT ") + column.defaultSql
                        + QStringLiteral(" FOR ") + QuoteName(column.name)};
    }
};

} // namespace

const EngineInfo &sqlServerEngine()
{
    static const EngineInfo info{
            Engine::SQLServer, QStringLiteral("SQL Server"), DatabaseKind::SqlServer, {}, false, false, {}, [] {
                return std::unique_ptr<Dialect>(new SqlServerDialect);
            }};
    return info;
}

} // namespace KvoPlx800SCtl::HostKit
