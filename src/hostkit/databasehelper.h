#pragma once

#include "catalog.h"
#include "connection.h"
#include "tablestructure.h"

#include <memory>

// The database helper's catalog functions. Statement-level operations (ExecuteSql, transactions,
// OpenTable, OpenQuery, RowExists and the pair helpers) are members of Connection, since they
// need the connection's dialect.
namespace KvoPlx800SCtl::HostKit::DatabaseHelper {

// nullptr when the catalog has no such table, never an error.
[[nodiscard]] std::shared_ptr<const CatalogTable> FindTable(Catalog &catalog, const QString &name);
// nullptr when the table is missing or has no such column.
const CatalogColumn *FindColumn(const CatalogTable *table, const QString &name);
TableStructure NewStructure(const QString &tableName = {});
void RefreshCatalog(Catalog &catalog);

} // namespace KvoPlx800SCtl::HostKit::DatabaseHelper
