#pragma once

#include <QDateTime>
#include <QString>
#include <QVariant>

#include <memory>

class QByteArray;
class QSqlDatabase;

namespace KvoPlx800SCtl::HostKit {

enum class Engine { SQLite, PostgreSQL, MariaDB, SQLServer };

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

// Everything that differs between SQL engines: quoting, literals, type names and what the engine's
// DDL can do in place. Each engine is mostly data (the members below) plus a few hooks; library
// code asks the dialect and never branches on the engine itself.
class Dialect
{
public:
    virtual ~Dialect();

    static std::unique_ptr<Dialect> create(Engine engine);

    Engine engine() const { return m_engine; }
    QString engineName() const; // "SQLite", "PostgreSQL", "MariaDB", "SQL Server"
    int DatabaseType() const { return m_databaseKind; }

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

    // DDL type text of a field of ADO type `adoType` and, for text types, `size` characters.
    virtual QString columnType(int adoType, int size) const = 0;
    // The ADO type the catalog reports for a field created as `adoType` (PostgreSQL keeps Booleans
    // as smallint, so 11 reads back as 2 there).
    virtual int storedAdoType(int adoType) const { return adoType; }
    // Keys of a keyword table compare as the engine compares them: two texts that give the same
    // foldKey() are one key (MariaDB's default collation ignores case and trailing spaces).
    virtual QString foldKey(const QString &text) const { return text; }

    // Capabilities, as data.
    bool transactionalDdl() const { return m_transactionalDdl; }     // DDL can be rolled back
    bool canAlterColumnType() const { return m_canAlterColumnType; } // else: rebuild the table
    bool canDropColumn() const { return m_canDropColumn; }
    bool canAlterDefault() const { return m_canAlterDefault; }
    bool canAddConstraints() const { return m_canAddConstraints; }    // ALTER TABLE ADD CONSTRAINT
    bool namedPrimaryKeys() const { return m_namedPrimaryKeys; }      // MariaDB: always PRIMARY
    int maxIdentifierLength() const { return m_maxIdentifierLength; } // in bytes (UTF-8)
    bool backslashEscapes() const { return m_backslashEscapes; }      // in string literals
    // "Rows of A whose key is not in B" is written NOT EXISTS (SELECT 1 FROM B WHERE B.k = A.k)
    // instead of A.k NOT IN (SELECT k FROM B): the engine would run a large NOT IN list row by row.
    // Both select the same rows, since the keys compared are never NULL.
    bool antiJoinNotExists() const { return m_antiJoinNotExists; }

    // Called once when a connection opens: reads session settings that change how literals must be
    // written (standard_conforming_strings, sql_mode) and sets per-connection options.
    virtual bool configure(QSqlDatabase &db, QString *error);

    // Whether a failed statement met a busy database or a record locked by another session
    // (native code as the Qt driver reports it: SQLite result code, PostgreSQL SQLSTATE, MariaDB
    // error number). Such failures show the caller's locked-record message.
    virtual bool isLockError(const QString &nativeCode, const QString &text) const = 0;
    // Statement that opens a transaction; empty: the driver's own (QSqlDatabase::transaction).
    // SQLite takes the write lock at once, so a busy database is reported when the transaction
    // starts and not halfway through it.
    virtual QString beginTransactionSql() const { return {}; }
    // Query whose first column lists the primary-key fields of `table`, in key order.
    virtual QString primaryKeyQuery(const QString &table) const = 0;
    // INSERT of a row made only of default values.
    virtual QString insertDefaultsSql(const QString &table) const;
    // The part after "UPDATE T SET ..." or "DELETE FROM T" that restricts the statement to one of
    // the rows meeting `condition` (rows of a table without a key may be duplicates).
    virtual QString singleRowClause(const QString &table, const QString &condition) const = 0;
    // Literal of binary data.
    virtual QString blobLiteral(const QByteArray &data) const;

protected:
    explicit Dialect(Engine engine);

    Engine m_engine;
    int m_databaseKind = 0;
    bool m_transactionalDdl = false;
    bool m_canAlterColumnType = true;
    bool m_canDropColumn = true;
    bool m_canAlterDefault = true;
    bool m_canAddConstraints = true;
    bool m_namedPrimaryKeys = true;
    int m_maxIdentifierLength = 63;
    bool m_backslashEscapes = false;
    bool m_antiJoinNotExists = false;
};

} // namespace KvoPlx800SCtl::HostKit
