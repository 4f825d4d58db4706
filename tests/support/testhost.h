#pragma once

#include "testdatabases.h"

#include "core/ccommon.h"
#include "core/interfaces.h"

#include "hostkit/basetablestructure.h"
#include "hostkit/databasehandler.h"
#include "hostkit/userprofile.h"

#include <QTemporaryDir>

#include <memory>

namespace KvoPlx800SCtl {
class CFilterColumns;
}

// A reference host over a test database: a base table, the host components and a search filter.
namespace KvoTest {

struct Host
{
    std::unique_ptr<TestDatabase> db;
    std::unique_ptr<KvoPlx800SCtl::HostKit::DatabaseHandler> handler;
    std::unique_ptr<KvoPlx800SCtl::BaseTableInfo> baseTable;
    std::unique_ptr<KvoPlx800SCtl::HostKit::BaseTableStructure> structure;
    std::unique_ptr<QTemporaryDir> profileDir;
    std::unique_ptr<KvoPlx800SCtl::HostKit::UserProfile> profile;
    std::unique_ptr<KvoPlx800SCtl::CSearchFilter> filter;

    KvoPlx800SCtl::HostKit::Connection &connection() { return *db->connection; }
    KvoPlx800SCtl::HostKit::Catalog &catalog() { return *db->catalog; }
    KvoPlx800SCtl::CFilterColumns *columns() const;

    // Creates a base table `name` with an integer key `keyField` (or a text key), a text field
    // Description and a number field Qty, holding records 1..records.
    bool createBaseTable(const QString &name, int records, const QString &keyField = QStringLiteral("PartId"),
                         bool textKey = false);
    // (Re)makes the search filter for base table `name`.
    void openFilter(const QString &name, const QStringList &formerNames = {});
};

// A host on the current engine's fresh database with base table Parts (records 1..records) and its
// search filter. nullptr when the database cannot be made.
std::unique_ptr<Host> makeHost(int records = 5, const QString &engine = {});

} // namespace KvoTest
