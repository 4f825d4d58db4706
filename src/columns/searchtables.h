#pragma once

#include "hostkit/catalog.h"
#include "hostkit/tablestructure.h"

#include <QString>

#include <memory>
#include <optional>

namespace KvoPlx800SCtl {

class CFilterColumn;

namespace HostKit {
class Connection;
class Dialect;
class IBaseTableStructure;
class IDatabaseHandler;
} // namespace HostKit

// The tables that keep the search columns of one base table, on one connection: their names, the
// condition that selects one record's rows, and their layouts. A column set fills it in at set-up
// and hands it to every part that reads or changes those tables (its columns, picklists, the
// writer of a record's values, the table check), so that none of them reaches back into the set.
class SearchTables
{
public:
    static constexpr const char *DefinitionTableName = "SearchColumnConfiguration";
    static QString definitionTable() { return QString::fromLatin1(DefinitionTableName); }

    // --- Host components --------------------------------------------------------------------
    void setHost(HostKit::IDatabaseHandler *handler, HostKit::Catalog *catalog,
                 HostKit::IBaseTableStructure *baseStructure);
    // The base table in the catalog's spelling and its key column.
    void setBase(const QString &baseTableName, const HostKit::CatalogColumn &keyColumn);
    // SQL text without a database: the dialect of an engine the host reaches by other means.
    void setOfflineDialect(std::unique_ptr<HostKit::Dialect> dialect);

    HostKit::IDatabaseHandler *handler() const { return m_handler; }
    HostKit::Catalog *catalog() const { return m_catalog; }
    HostKit::IBaseTableStructure *baseStructure() const { return m_baseStructure; }
    HostKit::Connection *connection() const;
    // The connection's dialect, or the offline one.
    const HostKit::Dialect *dialect() const;

    QString baseTableName() const { return m_baseTableName; }
    const std::optional<HostKit::CatalogColumn> &keyColumn() const { return m_keyColumn; }
    QString keyFieldName() const { return m_keyColumn ? m_keyColumn->Name : QString(); }

    // --- Names ------------------------------------------------------------------------------
    QString searchDataTable() const { return m_baseTableName + QStringLiteral("SearchData"); }
    QString keywordTable(const QString &column) const;
    // The table holding a column's values: its keyword table, or the search-data table.
    QString tableOf(const CFilterColumn *column) const { return tableOf(m_baseTableName, column); }
    static QString tableOf(const QString &baseTableName, const CFilterColumn *column);
    QString picklistTable(const QString &column) const;
    QString templateSection() const { return m_baseTableName + QStringLiteral("_Template"); }
    // Longest column name (in UTF-8 bytes) whose derived table and key names still fit the
    // engine's identifiers.
    int maxColumnNameLength() const;

    // --- One record's rows ------------------------------------------------------------------
    // The record key as a literal of the key field: quoted for a text key.
    QString keyLiteral(qint32 id) const;
    // key field = key literal; empty when the key is not known.
    QString seekCriterion(qint32 id) const;

    // --- Layouts ----------------------------------------------------------------------------
    // Whether every search-data field a filter can seek by (not a note, not a Boolean) gets an
    // index of its own: selective filters seek instead of scanning, at the price of one more
    // index to keep on every write. Off unless the host sets it; a save adds missing indexes.
    void setIndexedFields(bool on) { m_indexedFields = on; }
    bool indexedFields() const { return m_indexedFields; }
    // Where the database spreads tables over several servers and the base table is spread: how
    // the set's tables are kept. The search-data and keyword tables are sharded by the record key
    // (together with the base table's rows where it is sharded by its key, so that a filter joins
    // them on each server); the definition and picklist tables are copied to every server. Local
    // otherwise.
    HostKit::TableDistribution recordTablesDistribution() const;
    HostKit::TableDistribution copiedTablesDistribution() const;
    HostKit::TableStructure definitionStructure() const;
    // The search-data table with the key only (nullptr), or the table of one column with its
    // field: the keyword table of a keyword column, else the search-data table.
    HostKit::TableStructure columnStructure(const CFilterColumn *column) const;

private:
    HostKit::TableDistribution baseDistribution() const;

    bool m_indexedFields = false;
    HostKit::IDatabaseHandler *m_handler = nullptr;
    HostKit::Catalog *m_catalog = nullptr;
    HostKit::IBaseTableStructure *m_baseStructure = nullptr;
    std::unique_ptr<HostKit::Dialect> m_offlineDialect;
    QString m_baseTableName;
    std::optional<HostKit::CatalogColumn> m_keyColumn;
};

} // namespace KvoPlx800SCtl
