// PostgreSQL: the dialect and its DDL, the catalog read from the system catalogs of the
// connection's current schema (the first schema of its search_path), and the Qt driver QPSQL.

#include "registry.h"

#include "hostkit/adotypes.h"
#include "hostkit/catalogreader_p.h"
#include "hostkit/connection.h"
#include "hostkit/ddl_p.h"

#include <QByteArray>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <libpq-fe.h>

namespace KvoPlx800SCtl::HostKit {

const EngineInfo &postgresqlEngine();

namespace {

using namespace detail;

// Catalog ------------------------------------------------------------------------------------

// Type names as format_type() reports them and as DDL may spell them.
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

class PostgresCatalogReader : public detail::CatalogReader
{
public:
    bool readTableNames(detail::CatalogQueries &queries, QStringList *names) const override
    {
        return queries.readNames(QStringLiteral("SELECT c.relname FROM pg_catalog.pg_class c "
                                                "JOIN pg_catalog.pg_namespace n ON n.oid = c.relnamespace "
                                                "WHERE n.nspname = current_schema() AND c.relkind IN ('r', 'p') "
                                                "ORDER BY c.relname"),
                                 names);
    }

    bool readTable(detail::CatalogQueries &queries, CatalogTable *table) const override
    {
        const QString relation =
                QStringLiteral("(SELECT c.oid FROM pg_catalog.pg_class c JOIN pg_catalog.pg_namespace n "
                               "ON n.oid = c.relnamespace WHERE n.nspname = current_schema() AND c.relname = %1)")
                        .arg(queries.dialect().QuoteText(table->Name));
        if (!queries.forEachRow(QStringLiteral("SELECT a.attname, pg_catalog.format_type(a.atttypid, a.atttypmod), "
                                               "a.attnotnull, pg_catalog.pg_get_expr(d.adbin, d.adrelid) "
                                               "FROM pg_catalog.pg_attribute a "
                                               "LEFT JOIN pg_catalog.pg_attrdef d ON d.adrelid = a.attrelid "
                                               "AND d.adnum = a.attnum "
                                               "WHERE a.attrelid = %1 AND a.attnum > 0 AND NOT a.attisdropped "
                                               "ORDER BY a.attnum")
                                        .arg(relation),
                                [&](const QSqlQuery &query) {
                                    addColumn(table, query.value(0).toString(), query.value(1).toString(),
                                              !query.value(2).toBool(), query.value(3));
                                }))
            return false;
        if (!queries.forEachRow(
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
                            .arg(relation),
                    [table](const QSqlQuery &query) {
                        addKeyRow(table->Keys, query, QLatin1String("p"), QLatin1String("u"));
                    }))
            return false;
        if (!queries.forEachRow(
                    QStringLiteral("SELECT ic.relname, ix.indisunique, ix.indisprimary, a.attname, "
                                   "EXISTS (SELECT 1 FROM pg_catalog.pg_constraint con "
                                   "WHERE con.conindid = ix.indexrelid AND con.conrelid = ix.indrelid "
                                   "AND con.contype IN ('p', 'u')), "
                                   "EXISTS (SELECT 1 FROM pg_catalog.pg_opclass oc "
                                   "WHERE oc.oid = ix.indclass[k.ord - 1] AND oc.opcname = %2) "
                                   "FROM pg_catalog.pg_index ix "
                                   "JOIN pg_catalog.pg_class ic ON ic.oid = ix.indexrelid "
                                   "CROSS JOIN LATERAL unnest(ix.indkey::int2[]) WITH ORDINALITY AS k(attnum, ord) "
                                   "JOIN pg_catalog.pg_attribute a ON a.attrelid = ix.indrelid "
                                   "AND a.attnum = k.attnum "
                                   "WHERE ix.indrelid = %1 "
                                   "ORDER BY ix.indisprimary DESC, ic.relname, k.ord")
                            .arg(relation, queries.dialect().QuoteText(queries.dialect().prefixSearchOperatorClass())),
                    [table](const QSqlQuery &query) {
                        addIndexColumn(table->Indexes, query.value(0).toString(), query.value(3).toString(),
                                       query.value(1).toBool(), query.value(2).toBool(), query.value(4).toBool(),
                                       query.value(5).toBool());
                    }))
            return false;
        return !queries.dialect().distributesTables() || readDistribution(queries, relation, table);
    }

    // The table's entry in the distributed database's metadata: hash-distributed ('h') by a
    // column, or a reference table ('n', replicated to every node: 't'). Without an entry, or as
    // a table of the coordinator only, it is local.
    static bool readDistribution(detail::CatalogQueries &queries, const QString &relation, CatalogTable *table)
    {
        QSqlQuery query(queries.database());
        if (!queries.run(query, QStringLiteral("SELECT p.partmethod, p.repmodel, "
                                               "column_to_column_name(p.logicalrelid, p.partkey), p.colocationid "
                                               "FROM pg_dist_partition p WHERE p.logicalrelid = %1")
                                        .arg(relation)))
            return false;
        if (!query.next())
            return true;
        const QString method = query.value(0).toString();
        if (method == u"h") {
            table->Distribution.kind = TableDistribution::Distributed;
            table->Distribution.column = query.value(2).toString();
            table->Distribution.colocationId = query.value(3).toInt();
        } else if (method == u"n" && query.value(1).toString() == u"t") {
            table->Distribution.kind = TableDistribution::Reference;
        }
        return true;
    }

    bool readReferencingTables(detail::CatalogQueries &queries, const QString &table, QStringList *names) const override
    {
        return queries.readNames(
                QStringLiteral("SELECT DISTINCT c.relname FROM pg_catalog.pg_constraint con "
                               "JOIN pg_catalog.pg_class c ON c.oid = con.conrelid "
                               "JOIN pg_catalog.pg_namespace n ON n.oid = c.relnamespace "
                               "JOIN pg_catalog.pg_class p ON p.oid = con.confrelid "
                               "JOIN pg_catalog.pg_namespace pn ON pn.oid = p.relnamespace "
                               "WHERE con.contype = 'f' AND n.nspname = current_schema() "
                               "AND pn.nspname = current_schema() AND p.relname = %1 ORDER BY c.relname")
                        .arg(queries.dialect().QuoteText(table)),
                names);
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
        // An array ("integer[]") is no type of the list.
        return namedType(postgresTypes, t, length, size);
    }
};

// Dialect ------------------------------------------------------------------------------------
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

    PostgresDialect() : Dialect(postgresqlEngine())
    {
        m_transactionalDdl = true;
        m_maxIdentifierLength = 63;
        m_antiJoinForm = AntiJoinForm::NotExists;
        m_keywordTermsBesideSearchData = true;
        m_prefixSearchOperatorClass = QStringLiteral("text_pattern_ops");
        m_typeNames = {.smallInt = "smallint",
                       .integer = "integer",
                       .bigInt = "bigint",
                       .single = "real",
                       .dbl = "double precision",
                       .currency = "numeric(19,4)",
                       .numeric = "numeric",
                       .date = "timestamp",
                       .boolean = "smallint",
                       .fixedText = "char(%1)",
                       .text = "varchar(%1)",
                       .longText = "text",
                       .guid = "uuid",
                       .binary = "bytea"};
    }

    QString QuoteText(const QString &text) const override
    {
        if (text.contains(u'\\'))
            return QStringLiteral("E'") + literalBody(text, true) + u'\'';
        return u'\'' + literalBody(text, false) + u'\'';
    }

    QString SqlDateLiteral(const QDateTime &value) const override
    {
        if (!value.isValid())
            return QStringLiteral("NULL");
        return QStringLiteral("TIMESTAMP '") + dateText(value) + u'\'';
    }

    int storedAdoType(int adoType) const override
    {
        return adoType == adBoolean ? adSmallInt : Dialect::storedAdoType(adoType);
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

    // The type change casts the rows' values. A default of the old kind may not cast to the new
    // type: it is dropped first.
    QStringList changeColumnSql(const QString &table, const DdlColumn &from, const DdlColumn &to,
                                bool kindChanges) const override
    {
        const QString column = alterTable(*this, table) + QStringLiteral("ALTER COLUMN ") + QuoteName(to.name);
        QStringList statements;
        if (!from.defaultSql.isEmpty() && kindChanges)
            statements.append(column + QStringLiteral(" DROP DEFAULT"));
        statements.append(column + QStringLiteral(" TYPE ") + to.type + QStringLiteral(" USING ") + QuoteName(to.name)
                          + QStringLiteral("::") + to.type);
        if (!to.defaultSql.isEmpty() && (kindChanges || !sameDefault(from.defaultSql, to.defaultSql)))
            statements.append(column + QStringLiteral(" SET DEFAULT ") + to.defaultSql);
        return statements;
    }

    void setUpDatabase(QSqlDatabase &db, const ConnectionUrl &url) const override
    {
        Dialect::setUpDatabase(db, url);
        db.setConnectOptions(QStringLiteral("connect_timeout=10"));
    }

    bool openSession(QSqlDatabase &db, const ConnectionUrl &url, QString *error) override
    {
        QSqlQuery query(db);
        // Notices (such as those of DROP ... CASCADE) would go to the process's standard error.
        if (!execSessionSql(query, QStringLiteral("SET client_min_messages = warning"), error))
            return false;
        if (!readSessionSettings(db, error))
            return false;
        if (!query.exec(QStringLiteral("SELECT EXISTS (SELECT 1 FROM pg_catalog.pg_extension WHERE extname = 'citus')"))
            || !query.next()) {
            if (error)
                *error = sqlError(query.lastError()).text();
            return false;
        }
        m_distributesTables = query.value(0).toBool();
        if (!url.schema.isEmpty() && !query.exec(QStringLiteral("SET search_path TO ") + QuoteName(url.schema))) {
            if (error)
                *error = sqlError(query.lastError()).text();
            return false;
        }
        return true;
    }

    // A standby in recovery answers reads only.
    bool takesWrites(QSqlDatabase &db) const override
    {
        QSqlQuery query(db);
        return query.exec(QStringLiteral("SELECT pg_is_in_recovery()")) && query.next() && !query.value(0).toBool();
    }

    // libpq knows the state of its connection; asking costs no round trip. The driver hands its
    // PGconn out under the struct's own name.
    std::optional<bool> transactionOpen(QSqlDatabase &db) const override
    {
        const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
        if (!handle.isValid() || qstrcmp(handle.typeName(), "pg_conn*") != 0)
            return std::nullopt;
        PGconn *connection = *static_cast<PGconn *const *>(handle.constData());
        if (!connection)
            return std::nullopt;
        switch (PQtransactionStatus(connection)) {
        case PQTRANS_IDLE:
            return false;
        case PQTRANS_INTRANS:
        case PQTRANS_INERROR:
            return true;
        default: // a statement is running or the connection is bad
            return std::nullopt;
        }
    }

    bool readSessionSettings(QSqlDatabase &db, QString *error) override
    {
        QSqlQuery query(db);
        if (!execSessionSql(query, QStringLiteral("SHOW standard_conforming_strings"), error, true))
            return false;
        m_backslashEscapes = query.value(0).toString().compare(u"on", Qt::CaseInsensitive) != 0;
        return true;
    }

    // The driver reports the SQLSTATE as the native code.
    QString sqlState(const QString &nativeCode) const override { return nativeCode; }

    SqlError::Kind errorKind(const QString &, const QString &state, const QString &) const override
    {
        if (state == u"55P03") // lock_not_available
            return SqlError::Lock;
        if (state == u"40001" || state == u"40P01") // serialization_failure, deadlock_detected
            return SqlError::Conflict;
        // connection_exception; admin_shutdown, crash_shutdown, cannot_connect_now
        if (state.startsWith(u"08") || state == u"57P01" || state == u"57P02" || state == u"57P03")
            return SqlError::ConnectionLost;
        if (state.startsWith(u"23")) // integrity_constraint_violation
            return SqlError::Constraint;
        return SqlError::Other;
    }

    // A lock of the transaction, keyed by the table's name and the record: released at its end.
    QString recordLockSql(const QString &table, qint64 id) const override
    {
        return QStringLiteral("SELECT pg_advisory_xact_lock(hashtext(%1), %2)").arg(QuoteText(table)).arg(qint32(id));
    }

    // A table with rows keeps them in the coordinator's own storage after they are copied to the
    // shards, hidden; they are dropped there at once.
    QStringList distributeTableSql(const QString &table, const TableDistribution &target, bool hasRows) const override
    {
        if (!m_distributesTables || target.isLocal())
            return {};
        const QString name = QuoteText(QuoteName(table));
        QStringList statements;
        if (target.kind == TableDistribution::Reference)
            statements << QStringLiteral("SELECT create_reference_table(%1)").arg(name);
        else
            statements << QStringLiteral("SELECT create_distributed_table(%1, %2%3)")
                                  .arg(name, QuoteText(target.column),
                                       target.colocateWith.isEmpty()
                                               ? QString()
                                               : QStringLiteral(", colocate_with => ")
                                                         + QuoteText(QuoteName(target.colocateWith)));
        if (hasRows)
            statements << QStringLiteral("SELECT truncate_local_data_after_distributing_table(%1)").arg(name);
        return statements;
    }

    std::unique_ptr<detail::CatalogReader> createCatalogReader() const override
    {
        return std::make_unique<PostgresCatalogReader>();
    }
};

} // namespace

const EngineInfo &postgresqlEngine()
{
    static const EngineInfo info{.engine = Engine::PostgreSQL,
                                 .name = QStringLiteral("PostgreSQL"),
                                 .databaseKind = DatabaseKind::PostgreSQL,
                                 .schemes = {QStringLiteral("postgresql"), QStringLiteral("postgres")},
                                 .fileUrl = false,
                                 .schemaOption = true,
                                 .driver = QStringLiteral("QPSQL"),
                                 .createDialect = [] { return std::unique_ptr<Dialect>(new PostgresDialect); },
                                 // advisory locks of the session, keyed by the server's text hash
                                 .tryLockSql = "SELECT pg_try_advisory_lock(hashtext(%1))",
                                 .unlockSql = "SELECT pg_advisory_unlock(hashtext(%1))"};
    return info;
}

} // namespace KvoPlx800SCtl::HostKit
