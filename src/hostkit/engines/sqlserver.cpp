// SQL Server, as statement text only: no driver is used here, so there are no connections, no
// catalog and no session. What it writes is what the filter needs (names, texts, dates, LIKE,
// typed values) and the change of a field's default.

#include "registry.h"

#include "hostkit/ddl_p.h"

namespace KvoPlx800SCtl::HostKit {

const EngineInfo &sqlServerEngine();

namespace {

// Names in [...], texts N'...', dates through CONVERT with style 120. LIKE has no escape unless
// declared. Booleans are BIT, which compares with integers.
class SqlServerDialect : public Dialect
{
public:
    SqlServerDialect() : Dialect(sqlServerEngine())
    {
        // Hosts written for this engine embed the condition as documented.
        m_filterShape = FilterShape::Documented;
        // The types the library creates.
        m_typeNames = {.smallInt = "SMALLINT",
                       .integer = "INT",
                       .bigInt = "BIGINT",
                       .single = "REAL",
                       .dbl = "FLOAT",
                       .numeric = "NUMERIC(38,10)",
                       .date = "DATETIME",
                       .boolean = "BIT",
                       .fixedText = "NCHAR(%1)",
                       .text = "NVARCHAR(%1)",
                       .longText = "NVARCHAR(MAX)",
                       .binary = "VARBINARY(MAX)"};
    }

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
    static const EngineInfo info{.engine = Engine::SQLServer,
                                 .name = QStringLiteral("SQL Server"),
                                 .databaseKind = DatabaseKind::SqlServer,
                                 .schemes = {},
                                 .fileUrl = false,
                                 .schemaOption = false,
                                 .driver = {},
                                 .createDialect = [] { return std::unique_ptr<Dialect>(new SqlServerDialect); }};
    return info;
}

} // namespace KvoPlx800SCtl::HostKit
