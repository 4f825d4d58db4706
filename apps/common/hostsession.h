#pragma once

#include "core/ccommon.h"
#include "core/interfaces.h"

#include "hostkit/basetablestructure.h"
#include "hostkit/catalog.h"
#include "hostkit/connection.h"
#include "hostkit/databasehandler.h"
#include "hostkit/userprofile.h"

#include <QString>
#include <QStringList>

#include <memory>

// Everything a host hands the library for one base table: the connection and its catalog, the
// database handler, the base-table interface and structure, the user profile, and the search
// filter made from them.
struct HostSession
{
    std::unique_ptr<KvoPlx800SCtl::HostKit::Connection> connection;
    std::unique_ptr<KvoPlx800SCtl::HostKit::Catalog> catalog;
    std::unique_ptr<KvoPlx800SCtl::HostKit::DatabaseHandler> handler;
    std::unique_ptr<KvoPlx800SCtl::BaseTableInfo> baseTable;
    std::unique_ptr<KvoPlx800SCtl::HostKit::BaseTableStructure> baseStructure;
    std::unique_ptr<KvoPlx800SCtl::HostKit::UserProfile> profile;
    std::unique_ptr<KvoPlx800SCtl::CSearchFilter> filter;

    // Opens the database of `url`. Returns false with `error` set when it cannot be opened.
    bool open(const QString &url, QString *error);
    // Sets the host components up for one base table and makes the search filter.
    void openTable(const QString &table, const QStringList &formerNames, const QString &profilePath);
    // Makes the search filter again (after the tables changed).
    void reopenFilter();

    // The number of a user, kept in the profile's "Users" section; a new name gets the next free one.
    int userNumber(const QString &name);

    static QString defaultProfilePath();
};
