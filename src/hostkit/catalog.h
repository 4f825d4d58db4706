#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

namespace KvoPlx800SCtl::HostKit {

class Connection;
namespace detail {
class CatalogReader;
}

struct CatalogColumn
{
    QString Name;
    int Type = 0;        // ADO type code (adotypes.h)
    int DefinedSize = 0; // characters for text types, 0 otherwise
    bool Nullable = true;
    bool HasDefault = false;
    QString DefaultValue; // the engine's default expression text, as the engine reports it
    int Ordinal = 0;      // 1-based position in the table
    QString NativeType;   // the engine's own type text, e.g. "character varying(255)"
};

// Key kinds as the catalog reports them.
enum KeyType : int { adKeyPrimary = 1, adKeyForeign = 2, adKeyUnique = 3 };

struct CatalogKey
{
    QString Name; // MariaDB names every primary key "PRIMARY"
    int Type = adKeyPrimary;
    QStringList Columns;  // in key order
    QString RelatedTable; // foreign keys
    QStringList RelatedColumns;
};

struct CatalogIndex
{
    QString Name;
    QStringList Columns; // in index order
    bool Unique = false;
    bool PrimaryKey = false;
    bool BehindKey = false; // serves a primary or unique key (dropped with the key, not by itself)
    // The leading field is indexed with the engine's operator class for LIKE 'prefix%'
    // (Dialect::prefixSearchOperatorClass); always false where the engine has none.
    bool PrefixSearch = false;
};

// How a database that spreads tables over several servers keeps one table: on one server only
// (every table of any other database), split into shards by the values of one column, or copied
// whole to every server.
struct TableDistribution
{
    enum Kind { Local, Distributed, Reference };
    Kind kind = Local;
    QString column;       // Distributed: the column whose value picks the shard
    int colocationId = 0; // Distributed: tables with the same id keep the rows of a value together
    QString colocateWith; // in a description: the table to keep the rows together with

    bool isLocal() const { return kind == Local; }
};

class CatalogTable
{
public:
    QString Name;                 // the catalog's spelling
    QList<CatalogColumn> Columns; // in ordinal order
    QList<CatalogKey> Keys;
    QList<CatalogIndex> Indexes; // every index, including those behind keys
    TableDistribution Distribution;

    // Look-ups compare names without regard to case; nullptr when not there.
    const CatalogColumn *FindColumn(const QString &name) const;
    const CatalogKey *primaryKey() const;
    QList<const CatalogKey *> keysOfType(int type) const;
    const CatalogIndex *findIndex(const QString &name) const;
};

// Names of tables, fields, keys and indexes compare without regard to case, as the catalog's
// look-ups do.
inline bool sameName(const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) == 0; }
// Whether two lists name the same fields in the same order.
bool sameFieldNames(const QStringList &a, const QStringList &b);

// The schema catalog of one connection. Table details are read on first look-up and kept until
// Refresh(); after DDL the caller refreshes (TableStructure does so itself). Look-ups of names
// that are not there answer nullptr, never an error.
class Catalog
{
public:
    explicit Catalog(Connection &connection);
    ~Catalog();

    Connection &ActiveConnection() const { return m_connection; }

    // Names of the base tables of the connection's database (or PostgreSQL schema).
    [[nodiscard]] QStringList tableNames();
    // The table of that name: an exact match first, else one that differs only in case.
    [[nodiscard]] std::shared_ptr<const CatalogTable> FindTable(const QString &name);
    // Forget everything read so far (or one table's details and the table names); the next
    // look-up reads again.
    void Refresh();
    void Refresh(const QString &table);
    // After a change of `table` that created or dropped no table: its details are read again on
    // the next look-up, the table names are kept.
    void Changed(const QString &table);
    // After fields were added at the end of `table` and nothing else changed: a table read before
    // learns them as the catalog would report them, without reading it again.
    void ColumnsAdded(const QString &table, const QList<CatalogColumn> &columns);
    // Tables whose foreign keys refer to `table` (read afresh on every call).
    [[nodiscard]] QStringList referencingTables(const QString &table);
    // The statements that make the triggers on `table` again after it was replaced by a copy of
    // itself (read afresh on every call); empty where tables are altered in place, which keeps them.
    [[nodiscard]] QStringList triggerDefinitions(const QString &table);

    // The ADO type (and, through `size`, the text length) that the catalog reports for a field
    // created with the dialect's column type for `adoType` and `size`.
    int reportedType(int adoType, int size, int *reportedSize = nullptr) const;
    // The ADO type of an engine type text (as the catalog or DDL writes it); 0 when unknown.
    int adoTypeOf(const QString &nativeType, int *size = nullptr) const;

    // Catalog queries run since construction (tests and benchmarks count them).
    int queryCount() const { return m_queryCount; }
    QString lastError() const { return m_lastError; }

private:
    bool loadTableNames();
    std::shared_ptr<const CatalogTable> loadTable(const QString &name);

    Connection &m_connection;
    bool m_namesLoaded = false;
    QStringList m_names;
    QHash<QString, QString> m_folded;                             // lower-case name -> first table of that spelling
    QHash<QString, std::shared_ptr<const CatalogTable>> m_tables; // by exact name
    std::unique_ptr<detail::CatalogReader> m_reader;
    int m_queryCount = 0;
    QString m_lastError;
};

} // namespace KvoPlx800SCtl::HostKit
