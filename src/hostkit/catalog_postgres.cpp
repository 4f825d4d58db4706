// The schema catalog on PostgreSQL: the system catalogs of the connection's current schema (the
// first schema of its search_path).

#include "adotypes.h"
#include "catalogreader_p.h"

#include <QSqlQuery>
#include <QVariant>

namespace KvoPlx800SCtl::HostKit::detail {

namespace {

// Type names as format_type() reports them and as DDL may spell them.
struct TypeName
{
    const char *name;
    int type;
    bool sized;   // the length in parentheses is the text size
};

const TypeName postgresTypes[] = {
    {"smallint", adSmallInt, false},
    {"int2", adSmallInt, false},
    {"integer", adInteger, false},
    {"int", adInteger, false},
    {"int4", adInteger, false},
    {"serial", adInteger, false},
    {"bigint", adBigInt, false},
    {"int8", adBigInt, false},
    {"bigserial", adBigInt, false},
    {"real", adSingle, false},
    {"float4", adSingle, false},
    {"double precision", adDouble, false},
    {"float8", adDouble, false},
    {"float", adDouble, false},
    {"numeric", adNumeric, false},
    {"decimal", adNumeric, false},
    {"money", adCurrency, false},
    {"boolean", adBoolean, false},
    {"bool", adBoolean, false},
    {"character varying", adVarWChar, true},
    {"varchar", adVarWChar, true},
    {"character", adChar, true},
    {"char", adChar, true},
    {"bpchar", adChar, true},
    {"text", adLongVarWChar, false},
    {"timestamp without time zone", adDate, false},
    {"timestamp with time zone", adDate, false},
    {"timestamp", adDate, false},
    {"timestamptz", adDate, false},
    {"date", adDate, false},
    {"time without time zone", adDate, false},
    {"time with time zone", adDate, false},
    {"time", adDate, false},
    {"uuid", adGUID, false},
    {"bytea", adLongVarBinary, false},
};

class PostgresCatalogReader : public CatalogReader
{
public:
    bool readTableNames(CatalogQueries &queries, QStringList *names) const override
    {
        QSqlQuery query(queries.database());
        if (!queries.run(query, QStringLiteral("SELECT c.relname FROM pg_catalog.pg_class c "
                                               "JOIN pg_catalog.pg_namespace n ON n.oid = c.relnamespace "
                                               "WHERE n.nspname = current_schema() AND c.relkind IN ('r', 'p') "
                                               "ORDER BY c.relname")))
            return false;
        while (query.next())
            names->append(query.value(0).toString());
        return true;
    }

    bool readTable(CatalogQueries &queries, CatalogTable *table) const override
    {
        const QString relation =
            QStringLiteral("(SELECT c.oid FROM pg_catalog.pg_class c JOIN pg_catalog.pg_namespace n "
                           "ON n.oid = c.relnamespace WHERE n.nspname = current_schema() AND c.relname = %1)")
                .arg(queries.dialect().QuoteText(table->Name));
        {
            QSqlQuery query(queries.database());
            if (!queries.run(query,
                             QStringLiteral("SELECT a.attname, pg_catalog.format_type(a.atttypid, a.atttypmod), "
                                            "a.attnotnull, pg_catalog.pg_get_expr(d.adbin, d.adrelid) "
                                            "FROM pg_catalog.pg_attribute a "
                                            "LEFT JOIN pg_catalog.pg_attrdef d ON d.adrelid = a.attrelid "
                                            "AND d.adnum = a.attnum "
                                            "WHERE a.attrelid = %1 AND a.attnum > 0 AND NOT a.attisdropped "
                                            "ORDER BY a.attnum")
                                 .arg(relation)))
                return false;
            while (query.next()) {
                CatalogColumn column;
                column.Name = query.value(0).toString();
                column.NativeType = query.value(1).toString();
                column.Type = adoTypeOf(column.NativeType, &column.DefinedSize);
                column.Nullable = !query.value(2).toBool();
                column.HasDefault = !query.value(3).isNull();
                column.DefaultValue = query.value(3).toString();
                column.Ordinal = int(table->Columns.size()) + 1;
                table->Columns.append(column);
            }
        }
        {
            QSqlQuery query(queries.database());
            if (!queries.run(query,
                             QStringLiteral("SELECT con.conname, con.contype, a.attname, fc.relname, fa.attname "
                                            "FROM pg_catalog.pg_constraint con "
                                            "CROSS JOIN LATERAL unnest(con.conkey) WITH ORDINALITY AS k(attnum, ord) "
                                            "JOIN pg_catalog.pg_attribute a ON a.attrelid = con.conrelid "
                                            "AND a.attnum = k.attnum "
                                            "LEFT JOIN pg_catalog.pg_class fc ON fc.oid = con.confrelid "
                                            "LEFT JOIN pg_catalog.pg_attribute fa ON fa.attrelid = con.confrelid "
                                            "AND fa.attnum = con.confkey[k.ord] "
                                            "WHERE con.conrelid = %1 AND con.contype IN ('p', 'u', 'f') "
                                            "ORDER BY CASE con.contype WHEN 'p' THEN 0 WHEN 'u' THEN 1 ELSE 2 END, "
                                            "con.conname, k.ord")
                                 .arg(relation)))
                return false;
            while (query.next()) {
                const QString kind = query.value(1).toString();
                const int type = kind == QLatin1String("p")   ? adKeyPrimary
                                 : kind == QLatin1String("u") ? adKeyUnique
                                                              : adKeyForeign;
                addKeyColumn(table->Keys, query.value(0).toString(), type, query.value(2).toString(),
                             query.value(3).toString(), query.value(4).toString());
            }
        }
        {
            QSqlQuery query(queries.database());
            if (!queries.run(query,
                             QStringLiteral("SELECT ic.relname, ix.indisunique, ix.indisprimary, a.attname, "
                                            "EXISTS (SELECT 1 FROM pg_catalog.pg_constraint con "
                                            "WHERE con.conindid = ix.indexrelid AND con.conrelid = ix.indrelid "
                                            "AND con.contype IN ('p', 'u')) "
                                            "FROM pg_catalog.pg_index ix "
                                            "JOIN pg_catalog.pg_class ic ON ic.oid = ix.indexrelid "
                                            "CROSS JOIN LATERAL unnest(ix.indkey::int2[]) WITH ORDINALITY AS k(attnum, ord) "
                                            "JOIN pg_catalog.pg_attribute a ON a.attrelid = ix.indrelid "
                                            "AND a.attnum = k.attnum "
                                            "WHERE ix.indrelid = %1 "
                                            "ORDER BY ix.indisprimary DESC, ic.relname, k.ord")
                                 .arg(relation)))
                return false;
            while (query.next()) {
                addIndexColumn(table->Indexes, query.value(0).toString(), query.value(3).toString(),
                               query.value(1).toBool(), query.value(2).toBool(), query.value(4).toBool());
            }
        }
        return true;
    }

    bool readReferencingTables(CatalogQueries &queries, const QString &table, QStringList *names) const override
    {
        QSqlQuery query(queries.database());
        if (!queries.run(query,
                         QStringLiteral("SELECT DISTINCT c.relname FROM pg_catalog.pg_constraint con "
                                        "JOIN pg_catalog.pg_class c ON c.oid = con.conrelid "
                                        "JOIN pg_catalog.pg_namespace n ON n.oid = c.relnamespace "
                                        "JOIN pg_catalog.pg_class p ON p.oid = con.confrelid "
                                        "JOIN pg_catalog.pg_namespace pn ON pn.oid = p.relnamespace "
                                        "WHERE con.contype = 'f' AND n.nspname = current_schema() "
                                        "AND pn.nspname = current_schema() AND p.relname = %1 ORDER BY c.relname")
                             .arg(queries.dialect().QuoteText(table))))
            return false;
        while (query.next())
            names->append(query.value(0).toString());
        return true;
    }

    int adoTypeOf(const QString &nativeType, int *size) const override
    {
        QString t = nativeType.trimmed().toLower();
        const int length = typeLength(t);
        // "character varying(40)" and "timestamp(3) without time zone": drop the parentheses.
        const qsizetype open = t.indexOf(QLatin1Char('('));
        if (open >= 0) {
            const qsizetype close = t.indexOf(QLatin1Char(')'), open);
            t = (t.left(open) + (close >= 0 ? t.mid(close + 1) : QString())).simplified();
        }
        if (t.endsWith(QLatin1String("[]"))) {
            if (size)
                *size = 0;
            return adEmpty;
        }
        for (const TypeName &entry : postgresTypes) {
            if (t == QLatin1String(entry.name)) {
                if (size)
                    *size = entry.sized ? length : 0;
                return entry.type;
            }
        }
        if (size)
            *size = 0;
        return adEmpty;
    }
};

} // namespace

std::unique_ptr<CatalogReader> createPostgresCatalogReader()
{
    return std::make_unique<PostgresCatalogReader>();
}

} // namespace KvoPlx800SCtl::HostKit::detail
