#include "databasehelper.h"

namespace KvoPlx800SCtl::HostKit::DatabaseHelper {

std::shared_ptr<const CatalogTable> FindTable(Catalog &catalog, const QString &name)
{
    return catalog.FindTable(name);
}

const CatalogColumn *FindColumn(const CatalogTable *table, const QString &name)
{
    return table ? table->FindColumn(name) : nullptr;
}

TableStructure NewStructure(const QString &tableName)
{
    return TableStructure(tableName);
}

void RefreshCatalog(Catalog &catalog)
{
    catalog.Refresh();
}

} // namespace KvoPlx800SCtl::HostKit::DatabaseHelper
