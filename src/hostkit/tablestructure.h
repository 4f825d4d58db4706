#pragma once

#include "catalog.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace KvoPlx800SCtl::HostKit {

struct FieldDescription
{
    QString Name;
    int Type = 0;             // ADO type code
    int Size = 0;             // characters, for text types
    bool Nullable = true;
    QString DefaultSql;       // default as an SQL literal; empty = no default
    bool Optional = false;    // a field of a newer layout that an older table may lack
};

enum class KeyKind { Primary, Unique };

struct KeyDescription
{
    QString Name;
    KeyKind Kind = KeyKind::Primary;
    QStringList Columns;
};

struct IndexDescription
{
    QString Name;
    QStringList Columns;
    bool Unique = false;
    bool PrefixSearch = false; // the leading text field also serves LIKE 'prefix%'
};

struct ForeignKeyDescription
{
    QString Name;
    QStringList Columns;
    QString RelatedTable;
    QStringList RelatedColumns;
};

// Option codes of TableStructure::Compare (bits).
enum CompareOption : int {
    // Every described field, optional ones included, with the type the engine stores for it and
    // at least the described text size; every described key, index and foreign key present over
    // the same columns.
    CompareExact = 1,
    // Every field that a described key or index is made of exists.
    CompareKeyFields = 2,
    // Optional fields that exist have a type that holds their kind of value.
    CompareOptionalTypes = 4,
};

// The description of one table (fields, keys, indexes, foreign keys) and the DDL that makes the
// database match it. Names are compared without regard to case. Every operation that changes the
// database refreshes the catalog afterwards and leaves lastError() set when it fails.
class TableStructure
{
public:
    TableStructure() = default;
    explicit TableStructure(const QString &tableName) : TableName(tableName) {}

    QString TableName;
    QList<FieldDescription> Fields;
    QList<KeyDescription> Keys;
    QList<IndexDescription> Indexes;
    QList<ForeignKeyDescription> ForeignKeys;
    // Where the database spreads tables over several servers (Dialect::distributesTables): how
    // this table is to be kept. Create and Convert distribute a local table so, first making the
    // local tables it refers to copies on every server (the only kind such a table may refer to
    // besides tables sharded alike). A table that is distributed already is left as it is.
    // Ignored elsewhere.
    TableDistribution Distribution;

    FieldDescription &addField(const QString &name, int type, int size = 0, bool nullable = true,
                               const QString &defaultSql = {});
    void addKey(const QString &name, KeyKind kind, const QStringList &columns);
    void addIndex(const QString &name, const QStringList &columns, bool unique = false, bool prefixSearch = false);
    void addForeignKey(const QString &name, const QStringList &columns, const QString &relatedTable,
                       const QStringList &relatedColumns);
    const FieldDescription *findField(const QString &name) const;

    // Plain comparison: the table exists and every non-optional described field exists with a
    // type that holds the same kind of value.
    [[nodiscard]] bool Compare(Catalog &catalog) const;
    // Plain comparison plus the checks of `options` (CompareOption bits).
    [[nodiscard]] bool Compare(Catalog &catalog, int options) const;
    // What Compare(catalog, options) found different, one line each (empty when equal).
    [[nodiscard]] QStringList differences(Catalog &catalog, int options) const;

    // CREATE TABLE with fields, keys, indexes and foreign keys.
    [[nodiscard]] bool Create(Catalog &catalog);
    // Brings the table to this description and keeps its data: creates it when missing, adds
    // missing fields, changes differing types and sizes (on SQLite by rebuilding the table), adds
    // missing keys, indexes and foreign keys. Fields the description does not name are kept.
    [[nodiscard]] bool Convert(Catalog &catalog);
    // Adds the described keys / indexes / foreign keys that the table lacks.
    [[nodiscard]] bool RepairKeys(Catalog &catalog);
    [[nodiscard]] bool RepairIndexes(Catalog &catalog);
    [[nodiscard]] bool RepairForeignKeys(Catalog &catalog);
    // Drops one field (and first the foreign keys and indexes that use it).
    [[nodiscard]] bool DropField(Catalog &catalog, const QString &field);
    // Drops the foreign keys of other tables that refer to this table (on SQLite by rebuilding
    // each referring table), leaving this table itself alone.
    [[nodiscard]] bool DropReferencingForeignKeys(Catalog &catalog);
    // Adds the described field `field` to the existing table.
    [[nodiscard]] bool AddField(Catalog &catalog, const QString &field);
    [[nodiscard]] bool DropTable(Catalog &catalog);

    QString lastError() const { return m_lastError; }

private:
    mutable QString m_lastError;
};

} // namespace KvoPlx800SCtl::HostKit
