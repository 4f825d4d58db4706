#pragma once

#include "database.h"

#include "core/ccommon.h"
#include "core/csearchfilter.h"
#include "core/interfaces.h"

#include "hostkit/basetablestructure.h"
#include "hostkit/databasehandler.h"
#include "hostkit/userprofile.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

namespace KvoPlx800SCtl {
class CFilterColumns;
}

namespace KvoHost {

// Everything a host hands the library for one base table: a database (its connection and
// catalog), the database handler, the base-table interface and structure, the user profile, and
// the search filter made from them. The components are public because callers hand them to the
// library one by one (OpenSearch, Setup); they are released filter first and database last.
class Host
{
public:
    Host();
    ~Host();
    Host(const Host &) = delete;
    Host &operator=(const Host &) = delete;

    // Opens the database of `url`, which the host then owns. False with `error` set.
    bool open(const QString &url, QString *error);
    // Works on `database`, which the host then owns.
    void use(std::unique_ptr<Database> database);
    // Works on `database`, which stays the caller's and must outlive the host.
    void use(Database &database);
    bool hasDatabase() const { return m_database != nullptr; }

    Database &database() const { return *m_database; }
    KvoPlx800SCtl::HostKit::Connection &connection() const { return *m_database->connection; }
    KvoPlx800SCtl::HostKit::Catalog &catalog() const { return *m_database->catalog; }
    // The column set of the search filter; nullptr while there is none.
    KvoPlx800SCtl::CFilterColumns *columns() const;

    // Creates base table `name` with an integer key `keyField` (or a text key of up to 20
    // characters), a text field Description and a number field Qty, holding records 1..records
    // ("Bracket N", N * 10). A failure is logged as a warning and returns false.
    bool createBaseTable(const QString &name, int records, const QString &keyField = QStringLiteral("PartId"),
                         bool textKey = false);

    // Sets the host components up for base table `table` (known before as `formerNames`) and makes
    // the search filter. The user profile is the file `profilePath`; without one the host keeps
    // the profile it has, or makes one in a temporary folder.
    void openTable(const QString &table, const QStringList &formerNames = {}, const QString &profilePath = {});
    // Makes the search filter again after the tables changed (the catalog is read afresh).
    void reopenFilter();
    // Releases everything the host holds, the search filter first and the database last.
    void close();

    std::unique_ptr<KvoPlx800SCtl::HostKit::DatabaseHandler> handler;
    std::unique_ptr<KvoPlx800SCtl::BaseTableInfo> baseTable;
    std::unique_ptr<KvoPlx800SCtl::HostKit::BaseTableStructure> structure; // nullptr: no such table
    std::unique_ptr<KvoPlx800SCtl::HostKit::UserProfile> profile;
    std::unique_ptr<KvoPlx800SCtl::CSearchFilter> filter;

private:
    void attach(Database &database);

    std::unique_ptr<Database> m_ownDatabase;
    Database *m_database = nullptr;
    std::unique_ptr<QTemporaryDir> m_profileDir;
};

} // namespace KvoHost
