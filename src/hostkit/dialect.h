#pragma once

#include "sqlerror.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>
#include <optional>

class QByteArray;
class QSqlDatabase;
class QSqlError;
class QSqlQuery;

namespace KvoPlx800SCtl::HostKit {

class Connection;
struct ConnectionUrl;
struct EngineInfo;
struct TableDistribution;
namespace detail {
class CatalogReader;
struct TableDef;
} // namespace detail

enum class Engine { SQLite, PostgreSQL, MariaDB, SQLServer };

// The text a filter condition takes. Both select the same base records.
//   Documented: K IN (SELECT K FROM base INNER JOIN data ON ... WHERE (...)), each keyword term
//     K IN (SELECT K FROM base, keywords WHERE ...).
//   SemiJoin: the search tables without the base table again: K IN (SELECT key FROM data WHERE
//     (...)), each keyword term key IN (SELECT key FROM keywords WHERE ...); with base-table terms
//     EXISTS (SELECT 1 FROM data WHERE data.key = K AND (...)); without search-data terms the
//     terms alone. Planners run these as one semi-join per search table.
enum class FilterShape { Documented, SemiJoin };

// How a filter writes "records of A whose key is not in B" (a keyword excludes). Both forms select
// the same records, since the keys compared are never NULL.
//   NotIn: A.k NOT IN (SELECT k FROM B).
//   NotExists: NOT EXISTS (SELECT 1 FROM B WHERE B.k = A.k), where the engine would run a large
//     NOT IN list row by row.
//   NotExistsWhenNarrowed: NOT EXISTS where other terms joined by AND narrow the records first, so
//     the engine tests the few they leave instead of building the whole NOT IN list before it
//     starts; NOT IN alone or beside an OR, where the list, built once, is faster than a test per
//     record.
enum class AntiJoinForm { NotIn, NotExists, NotExistsWhenNarrowed };

// Database kind codes reported by the database handler. Kind 1 makes the population check walk
// record sets instead of running two statements; kind 2 (SQL Server) wraps typed picklist values in
// CONVERT(...). The others only identify the engine.
namespace DatabaseKind {
constexpr int RecordSetForm = 1;
constexpr int SqlServer = 2;
constexpr int SQLite = 3;
constexpr int PostgreSQL = 4;
constexpr int MariaDB = 5;
} // namespace DatabaseKind

// One field as DDL writes it.
struct DdlColumn
{
    QString name;
    QString type; // the engine's type text
    bool notNull = false;
    QString defaultSql; // the default as an SQL literal; empty: none
};

// Everything that differs between SQL engines: quoting, literals, type names, what the engine's
// DDL can do in place and the statements that do it, how a connection is set up and how its
// failures read. Each engine is mostly data (the members below) plus a few hooks, in one unit of
// its own (hostkit/engines/<engine>.cpp); library code asks the dialect and never branches on the
// engine itself. A dialect object belongs to one connection: it keeps that session's settings.
class Dialect
{
public:
    virtual ~Dialect();

    // A new dialect of `engine` (nullptr for an engine the registry does not know).
    static std::unique_ptr<Dialect> create(Engine engine);

    Engine engine() const;
    QString engineName() const; // "SQLite", "PostgreSQL", "MariaDB", "SQL Server"
    int DatabaseType() const;   // DatabaseKind code

    // Names and literals. A text literal can never end early, whatever the text holds (quotes,
    // backslashes, "--", NUL, newlines); a name with quote characters is quoted correctly.
    virtual QString QuoteName(const QString &name) const;
    virtual QString QuoteText(const QString &text) const;
    QString QualifiedName(const QString &table, const QString &column) const;
    int SqlBooleanValue(bool value) const { return value ? 1 : 0; }
    virtual QString SqlDateLiteral(const QDateTime &value) const;
    // Literal of any plain value (NULL for a null or invalid QVariant), used by record-set updates.
    QString literal(const QVariant &value) const;

    // LIKE: the backslash escapes a wildcard on every engine; this is the clause to write after a
    // pattern where the engine needs it declared (empty where the backslash is already the escape).
    virtual QString likeEscapeClause() const;

    // A filter's text compare-to value as a literal. Engines the library runs on take the same
    // safe literal as QuoteText; SQL Server keeps the classic filter form: the text between
    // apostrophes, or between double quotes when it holds an apostrophe (a connection with
    // QUOTED_IDENTIFIER OFF reads that as a string), and nothing when it holds both.
    virtual QString FilterTextValue(const QString &text) const { return QuoteText(text); }
    // A number compared with a single-precision field. Engines that compare such a field with a
    // literal in double precision (PostgreSQL, MariaDB) get the literal as a single, so that the
    // value stored for 1.1 equals 1.1.
    virtual QString SingleLiteral(const QString &number) const { return number; }

    // DDL type text of a field of ADO type `adoType` and, for text types, `size` characters (from
    // the engine's type names; empty for a type the engine has no name for).
    QString columnType(int adoType, int size) const;
    // The ADO type the catalog reports for a field created as `adoType` (PostgreSQL keeps Booleans
    // as smallint, so 11 reads back as 2 there). The default is what the catalogs of all engines
    // report: the narrower integer, exact-number, date, text and binary types as their wider kin.
    virtual int storedAdoType(int adoType) const;
    // Keys of a keyword table compare as the engine compares them: two texts that give the same
    // foldKey() are one key (MariaDB's default collation ignores case and trailing spaces).
    virtual QString foldKey(const QString &text) const { return text; }

    // Capabilities, as data.
    bool transactionalDdl() const { return m_transactionalDdl; }     // DDL can be rolled back
    bool canAlterColumnType() const { return m_canAlterColumnType; } // else: rebuild the table
    bool canDropColumn() const { return m_canDropColumn; }
    bool canAlterDefault() const { return m_canAlterDefault; }
    bool canAddConstraints() const { return m_canAddConstraints; } // ALTER TABLE ADD/DROP CONSTRAINT
    // ALTER TABLE ADD COLUMN takes a NOT NULL field without a default.
    bool canAddRequiredColumn() const { return m_canAddRequiredColumn; }
    // CREATE TABLE can hold the plain indexes too (one statement instead of several).
    bool indexesInCreateTable() const { return m_indexesInCreateTable; }
    // A field in a foreign key (on either side) cannot change its type while the key exists.
    bool foreignKeysBlockTypeChange() const { return m_foreignKeysBlockTypeChange; }
    bool namedPrimaryKeys() const { return m_namedPrimaryKeys; }      // MariaDB: always PRIMARY
    int maxIdentifierLength() const { return m_maxIdentifierLength; } // in bytes (UTF-8)
    bool backslashEscapes() const { return m_backslashEscapes; }      // in string literals
    AntiJoinForm antiJoinForm() const { return m_antiJoinForm; }
    // A filter's keyword terms joined to the rest by AND are written as tests of the record beside
    // the search-data semi-join, not inside it: a semi-join over a join keeps this engine's planner
    // from turning it into a join on the base table's key, so it hashes the whole base table.
    bool keywordTermsBesideSearchData() const { return m_keywordTermsBesideSearchData; }
    // The operator class an index gives its leading text field so that LIKE 'prefix%' can seek it
    // whatever the database's collation (PostgreSQL uses an ordinary index for it only under the
    // "C" collation). Such an index serves = and prefix LIKE but not < and > on text. Empty where
    // an ordinary index serves prefix LIKE.
    const QString &prefixSearchOperatorClass() const { return m_prefixSearchOperatorClass; }
    // The connection's server is a node of a replicated multi-master cluster that certifies
    // transactions at commit: a transaction that loses against one committed on another node fails
    // as a conflict (then run the unit of work again), and every table needs a primary key. The
    // session reads causally: it sees what other nodes committed before it read. Known once the
    // session is open.
    bool certifyingCluster() const { return m_certifyingCluster; }
    // The connection's database spreads tables over several servers (shards of a table split by
    // one column, or a table copied to every server). A statement may join a distributed table only
    // with tables sharded alike or copied everywhere, so a table made beside a distributed one is
    // distributed the same way (TableStructure's Distribution). Known once the session is open.
    bool distributesTables() const { return m_distributesTables; }
    // The text of a filter condition on this engine.
    FilterShape filterShape() const { return m_filterShape; }

    // DDL hooks. The table structure calls a hook only where the capability above says the engine
    // makes that change in place, and rebuilds the table where it does not; so a hook always
    // gives the statements of its change. The defaults write standard SQL.
    virtual QString dropIndexSql(const QString &table, const QString &index) const;
    // Drops a key of type `keyType` (adKeyPrimary, adKeyUnique, adKeyForeign) named `name`.
    virtual QString dropConstraintSql(const QString &table, const QString &name, int keyType) const;
    // Gives field `from` the type of `to` (and `to`'s default), keeping its data. `kindChanges`:
    // the new type holds another kind of value (text to number, ...).
    virtual QStringList changeColumnSql(const QString &table, const DdlColumn &from, const DdlColumn &to,
                                        bool kindChanges) const;
    // Gives `column` its (non-empty) default.
    virtual QStringList setDefaultSql(const QString &table, const DdlColumn &column) const;
    // Makes table `current` into `target`, keeping the rows of the fields both have, where a
    // change cannot be made in place. The default cannot (and says so in `error`).
    virtual bool rebuildTable(Connection &connection, const detail::TableDef &current, const detail::TableDef &target,
                              QString &error) const;

    // Connections. Points `db` (of the engine's Qt SQL driver) at the database of `url` and sets
    // the driver's connect options.
    virtual void setUpDatabase(QSqlDatabase &db, const ConnectionUrl &url) const;
    // Called once when a connection has opened: sets per-connection options and reads the session
    // settings (readSessionSettings).
    virtual bool openSession(QSqlDatabase &db, const ConnectionUrl &url, QString *error);
    // Whether the server `db` is connected to takes writes; a connection skips one that does not
    // (a standby) and tries the URL's next server.
    virtual bool takesWrites(QSqlDatabase &db) const;
    // Reads the session settings that change how literals must be written (standard_conforming_
    // strings, sql_mode); again after a host changed them.
    virtual bool readSessionSettings(QSqlDatabase &db, QString *error);
    // The failure the Qt driver reported as an error value: its text, the native code, the
    // SQLSTATE and the kind of failure as this engine's codes tell it.
    SqlError sqlError(const QSqlError &error) const;
    // Statement that opens a transaction; empty: the driver's own (QSqlDatabase::transaction).
    // SQLite takes the write lock at once, so a busy database is reported when the transaction
    // starts and not halfway through it.
    virtual QString beginTransactionSql() const { return {}; }
    // Whether a transaction is open on `db` (a connection the host opened and may have begun a
    // transaction on without the library knowing); nothing when the engine cannot tell.
    virtual std::optional<bool> transactionOpen(QSqlDatabase &db) const;
    // Query whose first column lists the primary-key fields of `table`, in key order (each engine
    // with a driver has its own; there is no default).
    virtual QString primaryKeyQuery(const QString &table) const;
    // INSERT of a row made only of default values.
    virtual QString insertDefaultsSql(const QString &table) const;
    // The part after "UPDATE T SET ..." or "DELETE FROM T" that restricts the statement to one of
    // the rows meeting `condition` (rows of a table without a key may be duplicates).
    virtual QString singleRowClause(const QString &table, const QString &condition) const;
    // Literal of binary data.
    virtual QString blobLiteral(const QByteArray &data) const;
    // Statement that holds back other writers of record `id` of `table` until the transaction
    // ends, for a save that writes no row another writer would wait on first (keyword rows only:
    // their DELETE does not wait for rows another writer inserts meanwhile). Empty where the
    // engine's own locks already keep such writers apart.
    virtual QString recordLockSql(const QString &table, qint64 id) const;
    // Statements that spread the existing table `table` over the servers as `target` says; empty
    // where the database does not distribute tables. `hasRows`: the table may hold rows already.
    virtual QStringList distributeTableSql(const QString &table, const TableDistribution &target, bool hasRows) const;
    // Reads the schema catalog of a connection; nullptr for an engine whose catalog is not read.
    virtual std::unique_ptr<detail::CatalogReader> createCatalogReader() const;

protected:
    explicit Dialect(const EngineInfo &info);

    // The SQLSTATE of a native error code; empty when the engine gives none.
    virtual QString sqlState(const QString &nativeCode) const;
    // The kind of a failure with these codes and text (Other unless the engine knows better).
    virtual SqlError::Kind errorKind(const QString &nativeCode, const QString &sqlState, const QString &text) const;

    // Text helpers of the engines. `name` between `open` and `close`, each `close` doubled.
    static QString quotedName(const QString &name, QChar open, QChar close);
    // The body of a '...' literal: apostrophes doubled, backslashes too where they escape.
    static QString literalBody(const QString &text, bool backslashEscapes);
    // 'yyyy-MM-dd HH:mm:ss' (without the quotes).
    static QString dateText(const QDateTime &value);
    // Runs a statement of a session's set-up on `query`, with `row` positioned on its first row;
    // false, with the driver's text in `error` (when given), when it fails.
    static bool execSessionSql(QSqlQuery &query, const QString &sql, QString *error, bool row = false);

    // The engine's type names, as columnType() writes them; %1 is a text's length. Each stands for
    // the types of its kind (smallInt for the tiny integers too, numeric for decimals, date for
    // time stamps, text and longText for the narrow texts too, binary for every binary type).
    struct TypeNames
    {
        const char *smallInt = nullptr;
        const char *integer = nullptr;
        const char *bigInt = nullptr;
        const char *single = nullptr;
        const char *dbl = nullptr;
        const char *currency = nullptr;
        const char *numeric = nullptr;
        const char *date = nullptr;
        const char *boolean = nullptr;
        const char *fixedText = nullptr;
        const char *text = nullptr;
        const char *longText = nullptr;
        const char *guid = nullptr;
        const char *binary = nullptr;
    };

    const EngineInfo &m_info;
    TypeNames m_typeNames;
    bool m_transactionalDdl = false;
    bool m_canAlterColumnType = true;
    bool m_canDropColumn = true;
    bool m_canAlterDefault = true;
    bool m_canAddConstraints = true;
    bool m_canAddRequiredColumn = true;
    bool m_indexesInCreateTable = false;
    bool m_foreignKeysBlockTypeChange = false;
    bool m_namedPrimaryKeys = true;
    int m_maxIdentifierLength = 63;
    bool m_backslashEscapes = false;
    AntiJoinForm m_antiJoinForm = AntiJoinForm::NotIn;
    bool m_keywordTermsBesideSearchData = false;
    QString m_prefixSearchOperatorClass;
    bool m_certifyingCluster = false;
    bool m_distributesTables = false;
    FilterShape m_filterShape = FilterShape::SemiJoin;
};

} // namespace KvoPlx800SCtl::HostKit
