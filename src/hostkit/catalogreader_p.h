#pragma once

// Internal to the host kit: the engine-specific part of the schema catalog. Each engine's unit
// (hostkit/engines/) has its reader, which its dialect creates (Dialect::createCatalogReader).

#include "catalog.h"
#include "dialect.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <span>

namespace KvoPlx800SCtl::HostKit::detail {

// Runs the catalog's read queries on one connection, counts them and keeps the last error. A
// connection found lost between two reads is opened again (Connection::reconnect) and the read
// runs once more.
class CatalogQueries
{
public:
    CatalogQueries(Connection &connection, int &counter, QString &error);

    // A forward-only query over `sql`, positioned before its first row; false (with the error
    // kept) when it fails.
    bool run(QSqlQuery &query, const QString &sql);
    // Hands every row of `sql` to `row`; false when the query fails.
    bool forEachRow(const QString &sql, const std::function<void(const QSqlQuery &)> &row);
    // Appends the first field of every row of `sql` to `names`; false when the query fails.
    bool readNames(const QString &sql, QStringList *names);
    const Dialect &dialect() const;
    QSqlDatabase &database();

private:
    Connection &m_connection;
    int &m_counter;
    QString &m_error;
};

// What a catalog needs to know about one engine: how to list its tables, how to read one table's
// layout and how its type texts map to ADO type codes.
class CatalogReader
{
public:
    virtual ~CatalogReader();

    virtual bool readTableNames(CatalogQueries &queries, QStringList *names) const = 0;
    // Fills `table` (whose Name is set) from the engine's catalog.
    virtual bool readTable(CatalogQueries &queries, CatalogTable *table) const = 0;
    // Names of the tables with a foreign key to `table`.
    virtual bool readReferencingTables(CatalogQueries &queries, const QString &table, QStringList *names) const = 0;
    // The statements that make the triggers on `table`. None on an engine whose every change of a
    // table keeps its triggers (it alters tables in place).
    virtual bool readTriggerDefinitions(CatalogQueries &, const QString &, QStringList *) const { return true; }
    // ADO type code of a type text, as the catalog reports it or as DDL writes it; `size` gets
    // the declared character length of text types (0 when none). 0 for a type it does not know.
    virtual int adoTypeOf(const QString &nativeType, int *size) const = 0;

protected:
    // Appends a field of `nativeType` to `table`, after those it has; a null default is none.
    void addColumn(CatalogTable *table, const QString &name, const QString &nativeType, bool nullable,
                   const QVariant &defaultSql) const;
};

// Shared helpers of the readers.
// A type name as an engine's catalog reports it or its DDL spells it, with its ADO type code.
struct TypeName
{
    const char *name;
    int type;
    bool sized; // the length in parentheses is the text size
};
// The ADO type code of `type` (lower case, without parentheses) in `names`, 0 when it is not
// there; `size` gets `length` for a sized type, else 0.
int namedType(std::span<const TypeName> names, const QString &type, int length, int *size);
// The number in the first pair of parentheses of a type text ("varchar(40)" gives 40), or 0.
int typeLength(const QString &nativeType);
// Adds `column` to the key of `name`/`type` in `keys`, creating the key on first use; keeps the
// related table and column of foreign keys.
void addKeyColumn(QList<CatalogKey> &keys, const QString &name, int type, const QString &column,
                  const QString &relatedTable = {}, const QString &relatedColumn = {});
// Adds a row of a key query, its fields (name, kind, column, related table, related column), to
// `keys`: a kind of `primary` is the primary key, `unique` a unique key, any other a foreign key.
void addKeyRow(QList<CatalogKey> &keys, const QSqlQuery &row, QLatin1StringView primary, QLatin1StringView unique);
// Adds a column to the index named `name`, or the index with its first column; `prefixSearch` is
// read with the first column.
void addIndexColumn(QList<CatalogIndex> &indexes, const QString &name, const QString &column, bool unique,
                    bool primaryKey, bool behindKey, bool prefixSearch = false);

} // namespace KvoPlx800SCtl::HostKit::detail
