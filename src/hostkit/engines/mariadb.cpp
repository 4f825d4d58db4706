// MariaDB: the dialect and its DDL, the catalog read from information_schema of the
// connection's database (DATABASE()), its error numbers, and the Qt driver QMARIADB.

#include "registry.h"

#include "hostkit/adotypes.h"
#include "hostkit/catalogreader_p.h"
#include "hostkit/connection.h"
#include "hostkit/ddl_p.h"

#include <QSet>
#include <QSqlQuery>
#include <QVariant>

namespace KvoPlx800SCtl::HostKit {

const EngineInfo &mariaDbEngine();

namespace {

using namespace detail;

// Catalog ------------------------------------------------------------------------------------

const TypeName mariaDbTypes[] = {
        {"tinyint", adTinyInt, false},
        {"smallint", adSmallInt, false},
        {"mediumint", adInteger, false},
        {"int", adInteger, false},
        {"integer", adInteger, false},
        {"bigint", adBigInt, false},
        {"float", adSingle, false},
        {"double", adDouble, false},
        {"double precision", adDouble, false},
        {"real", adDouble, false},
        {"decimal", adNumeric, false},
        {"numeric", adNumeric, false},
        {"bool", adBoolean, false},
        {"boolean", adBoolean, false},
        {"varchar", adVarWChar, true},
        {"nvarchar", adVarWChar, true},
        {"char", adChar, true},
        {"nchar", adChar, true},
        {"tinytext", adLongVarWChar, false},
        {"text", adLongVarWChar, false},
        {"mediumtext", adLongVarWChar, false},
        {"longtext", adLongVarWChar, false},
        {"datetime", adDate, false},
        {"timestamp", adDate, false},
        {"date", adDate, false},
        {"time", adDate, false},
        {"uuid", adGUID, false},
        {"binary", adBinary, true},
        {"varbinary", adVarBinary, true},
        {"tinyblob", adLongVarBinary, false},
        {"blob", adLongVarBinary, false},
        {"mediumblob", adLongVarBinary, false},
        {"longblob", adLongVarBinary, false},
};

class MariaDbCatalogReader : public detail::CatalogReader
{
public:
    bool readTableNames(detail::CatalogQueries &queries, QStringList *names) const override
    {
        return queries.readNames(QStringLiteral("SELECT TABLE_NAME FROM information_schema.TABLES "
                                                "WHERE TABLE_SCHEMA = DATABASE() AND TABLE_TYPE = 'BASE TABLE' "
                                                "ORDER BY TABLE_NAME"),
                                 names);
    }

    bool readTable(detail::CatalogQueries &queries, CatalogTable *table) const override
    {
        const QString name = queries.dialect().QuoteText(table->Name);
        if (!queries.forEachRow(QStringLiteral("SELECT COLUMN_NAME, COLUMN_TYPE, IS_NULLABLE, COLUMN_DEFAULT "
                                               "FROM information_schema.COLUMNS "
                                               "WHERE TABLE_SCHEMA = DATABASE() AND TABLE_NAME = %1 "
                                               "ORDER BY ORDINAL_POSITION")
                                        .arg(name),
                                [&](const QSqlQuery &query) {
                                    // The default is an SQL expression; a nullable field without one
                                    // reports NULL.
                                    const QVariant def = query.value(3);
                                    addColumn(table, query.value(0).toString(), query.value(1).toString(),
                                              query.value(2).toString() == QLatin1String("YES"),
                                              def.toString() == QLatin1String("NULL") ? QVariant() : def);
                                }))
            return false;
        if (!queries.forEachRow(
                    QStringLiteral("SELECT tc.CONSTRAINT_NAME, tc.CONSTRAINT_TYPE, k.COLUMN_NAME, "
                                   "k.REFERENCED_TABLE_NAME, k.REFERENCED_COLUMN_NAME "
                                   "FROM information_schema.TABLE_CONSTRAINTS tc "
                                   "JOIN information_schema.KEY_COLUMN_USAGE k "
                                   "ON k.CONSTRAINT_SCHEMA = tc.CONSTRAINT_SCHEMA "
                                   "AND k.TABLE_NAME = tc.TABLE_NAME AND k.CONSTRAINT_NAME = tc.CONSTRAINT_NAME "
                                   "WHERE tc.TABLE_SCHEMA = DATABASE() AND tc.TABLE_NAME = %1 "
                                   "AND tc.CONSTRAINT_TYPE IN ('PRIMARY KEY', 'UNIQUE', 'FOREIGN KEY') "
                                   "ORDER BY CASE tc.CONSTRAINT_TYPE WHEN 'PRIMARY KEY' THEN 0 "
                                   "WHEN 'UNIQUE' THEN 1 ELSE 2 END, tc.CONSTRAINT_NAME, k.ORDINAL_POSITION")
                            .arg(name),
                    [table](const QSqlQuery &query) {
                        addKeyRow(table->Keys, query, QLatin1String("PRIMARY KEY"), QLatin1String("UNIQUE"));
                    }))
            return false;
        QSet<QString> keyIndexes;
        for (const CatalogKey &key : std::as_const(table->Keys)) {
            if (key.Type != adKeyForeign)
                keyIndexes.insert(key.Name);
        }
        return queries.forEachRow(QStringLiteral("SELECT INDEX_NAME, NON_UNIQUE, COLUMN_NAME "
                                                 "FROM information_schema.STATISTICS "
                                                 "WHERE TABLE_SCHEMA = DATABASE() AND TABLE_NAME = %1 "
                                                 "ORDER BY INDEX_NAME <> 'PRIMARY', INDEX_NAME, SEQ_IN_INDEX")
                                          .arg(name),
                                  [&](const QSqlQuery &query) {
                                      const QString index = query.value(0).toString();
                                      addIndexColumn(table->Indexes, index, query.value(2).toString(),
                                                     query.value(1).toInt() == 0, index == QLatin1String("PRIMARY"),
                                                     keyIndexes.contains(index));
                                  });
    }

    bool readReferencingTables(detail::CatalogQueries &queries, const QString &table, QStringList *names) const override
    {
        return queries.readNames(
                QStringLiteral("SELECT DISTINCT TABLE_NAME FROM information_schema.REFERENTIAL_CONSTRAINTS "
                               "WHERE CONSTRAINT_SCHEMA = DATABASE() AND REFERENCED_TABLE_NAME = %1 "
                               "ORDER BY TABLE_NAME")
                        .arg(queries.dialect().QuoteText(table)),
                names);
    }

    int adoTypeOf(const QString &nativeType, int *size) const override
    {
        QString t = nativeType.trimmed().toLower();
        // Character set and collation words follow the type itself.
        for (const char *word : {" character set", " charset", " collate"}) {
            const qsizetype at = t.indexOf(QLatin1String(word));
            if (at > 0)
                t.truncate(at);
        }
        const int length = typeLength(t);
        const bool isUnsigned = t.contains(QLatin1String("unsigned"));
        const qsizetype open = t.indexOf(QLatin1Char('('));
        const qsizetype close = open >= 0 ? t.indexOf(QLatin1Char(')'), open) : -1;
        const QString arguments = open >= 0 ? t.mid(open + 1, close - open - 1).trimmed() : QString();
        if (open >= 0)
            t = (t.left(open) + (close >= 0 ? t.mid(close + 1) : QString())).simplified();
        t.remove(QLatin1String(" unsigned")).remove(QLatin1String(" zerofill"));
        t = t.simplified();
        if (size)
            *size = 0;
        // tinyint(1) and bit(1) are how MariaDB keeps Booleans.
        if ((t == QLatin1String("tinyint") || t == QLatin1String("bit")) && arguments == QLatin1String("1"))
            return adBoolean;
        if (t == QLatin1String("tinyint") && isUnsigned)
            return adUnsignedTinyInt;
        return namedType(mariaDbTypes, t, length, size);
    }
};

// Errors -------------------------------------------------------------------------------------
// The server errors (and the client's lost-connection errors) the library meets, with the
// SQLSTATE the server gives them. A deadlock and a cluster's certification conflict are both 1213.
struct ServerError
{
    int number;
    const char *sqlState;
    SqlError::Kind kind;
};

const ServerError serverErrors[] = {
        {1205, "HY000", SqlError::Lock},           // lock wait timeout
        {1213, "40001", SqlError::Conflict},       // deadlock; certification conflict
        {1048, "23000", SqlError::Constraint},     // NOT NULL
        {1062, "23000", SqlError::Constraint},     // duplicate key
        {1451, "23000", SqlError::Constraint},     // row referenced by a foreign key
        {1452, "23000", SqlError::Constraint},     // no row for a foreign key
        {4025, "23000", SqlError::Constraint},     // check constraint
        {1053, "08S01", SqlError::ConnectionLost}, // server shutdown
        // A cluster node outside the primary component (stopping, or cut off): another node serves.
        {1047, "08S01", SqlError::ConnectionLost},
        {1927, "70100", SqlError::ConnectionLost}, // connection killed
        {2006, "HY000", SqlError::ConnectionLost}, // server gone away
        {2013, "HY000", SqlError::ConnectionLost}, // connection lost during the query
        {1050, "42S01", SqlError::Other},          // table exists
        {1051, "42S02", SqlError::Other},          // unknown table
        {1054, "42S22", SqlError::Other},          // unknown field
        {1060, "42S21", SqlError::Other},          // duplicate field name
        {1061, "42000", SqlError::Other},          // duplicate key name
        {1064, "42000", SqlError::Other},          // syntax
        {1091, "42000", SqlError::Other},          // cannot drop: no such field or key
        {1136, "21S01", SqlError::Other},          // value count
        {1146, "42S02", SqlError::Other},          // no such table
        {1264, "22003", SqlError::Other},          // number out of range
        {1292, "22007", SqlError::Other},          // date or time that does not read
        {1366, "22007", SqlError::Other},          // value that does not read as the field's type
        {1406, "22001", SqlError::Other},          // text too long
};

const ServerError *serverError(const QString &nativeCode)
{
    bool ok = false;
    const int number = nativeCode.toInt(&ok);
    for (const ServerError &error : serverErrors) {
        if (ok && error.number == number)
            return &error;
    }
    return nullptr;
}

// Dialect ------------------------------------------------------------------------------------
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

    MariaDbDialect() : Dialect(mariaDbEngine())
    {
        m_transactionalDdl = false;
        m_indexesInCreateTable = true;
        m_foreignKeysBlockTypeChange = true;
        m_namedPrimaryKeys = false; // every primary key is named PRIMARY
        m_maxIdentifierLength = 64;
        m_backslashEscapes = true; // the server's default until the session's sql_mode is read
        m_typeNames = {.smallInt = "SMALLINT",
                       .integer = "INT",
                       .bigInt = "BIGINT",
                       .single = "FLOAT",
                       .dbl = "DOUBLE",
                       .currency = "DECIMAL(19,4)",
                       .numeric = "DECIMAL(38,10)",
                       .date = "DATETIME",
                       .boolean = "BOOLEAN",
                       .fixedText = "CHAR(%1) CHARACTER SET utf8mb4",
                       .text = "VARCHAR(%1) CHARACTER SET utf8mb4",
                       .longText = "LONGTEXT CHARACTER SET utf8mb4",
                       .guid = "CHAR(38)",
                       .binary = "LONGBLOB"};
    }

    QString QuoteName(const QString &name) const override { return quotedName(name, u'`', u'`'); }

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

    // A GUID is kept as its text.
    int storedAdoType(int adoType) const override
    {
        return adoType == adGUID ? adChar : Dialect::storedAdoType(adoType);
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

    QString dropIndexSql(const QString &table, const QString &index) const override
    {
        return QStringLiteral("DROP INDEX ") + QuoteName(index) + QStringLiteral(" ON ") + QuoteName(table);
    }

    QString dropConstraintSql(const QString &table, const QString &name, int keyType) const override
    {
        switch (keyType) {
        case adKeyPrimary:
            return alterTable(*this, table) + QStringLiteral("DROP PRIMARY KEY");
        case adKeyUnique:
            return alterTable(*this, table) + QStringLiteral("DROP INDEX ") + QuoteName(name);
        default:
            return alterTable(*this, table) + QStringLiteral("DROP FOREIGN KEY ") + QuoteName(name);
        }
    }

    // MODIFY restates the whole field: nullability and default included.
    QStringList changeColumnSql(const QString &table, const DdlColumn &, const DdlColumn &to, bool) const override
    {
        QString sql = alterTable(*this, table) + QStringLiteral("MODIFY COLUMN ") + QuoteName(to.name)
                      + QLatin1Char(' ') + to.type
                      + (to.notNull ? QStringLiteral(" NOT NULL") : QStringLiteral(" NULL"));
        if (!to.defaultSql.isEmpty())
            sql += QStringLiteral(" DEFAULT ") + to.defaultSql;
        return {sql};
    }

    void setUpDatabase(QSqlDatabase &db, const ConnectionUrl &url) const override
    {
        Dialect::setUpDatabase(db, url);
        // Affected rows count the rows matched, so an UPDATE that writes the same values still
        // reports its row.
        db.setConnectOptions(QStringLiteral("CLIENT_FOUND_ROWS;MYSQL_OPT_CONNECT_TIMEOUT=10"));
    }

    bool openSession(QSqlDatabase &db, const ConnectionUrl &, QString *error) override
    {
        QSqlQuery query(db);
        if (!execSessionSql(query, QStringLiteral("SET NAMES utf8mb4"), error))
            return false;
        // A node of a replicated cluster applies other nodes' commits a little later; with
        // wsrep_sync_wait = 1 a read first waits until the node has applied everything committed
        // anywhere before it, so a host sees the value another host just saved.
        // A server built without replication has no wsrep_on at all.
        m_certifyingCluster = query.exec(QStringLiteral("SELECT @@GLOBAL.wsrep_on")) && query.next()
                              && query.value(0).toInt() == 1;
        if (m_certifyingCluster && !execSessionSql(query, QStringLiteral("SET SESSION wsrep_sync_wait = 1"), error))
            return false;
        return readSessionSettings(db, error);
    }

    // A cluster node serves only while it is part of the primary component and synced.
    bool takesWrites(QSqlDatabase &db) const override
    {
        if (!m_certifyingCluster)
            return true;
        QSqlQuery query(db);
        return query.exec(QStringLiteral("SHOW STATUS LIKE 'wsrep_ready'")) && query.next()
               && query.value(1).toString().compare(u"ON", Qt::CaseInsensitive) == 0;
    }

    std::optional<bool> transactionOpen(QSqlDatabase &db) const override
    {
        QSqlQuery query(db);
        if (!query.exec(QStringLiteral("SELECT @@in_transaction")) || !query.next())
            return std::nullopt;
        return query.value(0).toInt() != 0;
    }

    bool readSessionSettings(QSqlDatabase &db, QString *error) override
    {
        QSqlQuery query(db);
        if (!execSessionSql(query, QStringLiteral("SELECT @@SESSION.sql_mode"), error, true))
            return false;
        const QStringList modes = query.value(0).toString().split(u',');
        m_backslashEscapes = !modes.contains(QLatin1String("NO_BACKSLASH_ESCAPES"), Qt::CaseInsensitive);
        return true;
    }

    // The driver reports the error number only; its SQLSTATE comes from the server's error list.
    QString sqlState(const QString &nativeCode) const override
    {
        const ServerError *error = serverError(nativeCode);
        return error ? QLatin1String(error->sqlState) : QString();
    }

    SqlError::Kind errorKind(const QString &nativeCode, const QString &, const QString &) const override
    {
        const ServerError *error = serverError(nativeCode);
        return error ? error->kind : SqlError::Other;
    }

    std::unique_ptr<detail::CatalogReader> createCatalogReader() const override
    {
        return std::make_unique<MariaDbCatalogReader>();
    }
};

} // namespace

const EngineInfo &mariaDbEngine()
{
    static const EngineInfo info{.engine = Engine::MariaDB,
                                 .name = QStringLiteral("MariaDB"),
                                 .databaseKind = DatabaseKind::MariaDB,
                                 .schemes = {QStringLiteral("mariadb"), QStringLiteral("mysql")},
                                 .fileUrl = false,
                                 .schemaOption = false,
                                 .driver = QStringLiteral("QMARIADB"),
                                 .createDialect = [] { return std::unique_ptr<Dialect>(new MariaDbDialect); },
                                 // user-level locks of the session; their names are the server's,
                                 // so they start with the database's
                                 .tryLockSql = "SELECT GET_LOCK(LEFT(CONCAT(DATABASE(), ':', %1), 64), 0)",
                                 .unlockSql = "SELECT RELEASE_LOCK(LEFT(CONCAT(DATABASE(), ':', %1), 64))",
                                 .otherDrivers = {QStringLiteral("QMYSQL")}};
    return info;
}

} // namespace KvoPlx800SCtl::HostKit
