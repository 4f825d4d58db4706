// A host program built against the installed package: it finds the library with find_package and
// opens a search filter on an in-memory database.
#include "core/ccommon.h"
#include "hostkit/catalog.h"
#include "hostkit/connection.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QString error;
    auto db = KvoPlx800SCtl::HostKit::Connection::open(QStringLiteral("sqlite::memory:"), &error);
    if (!db) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    KvoPlx800SCtl::HostKit::Catalog catalog(*db);
    auto filter = KvoPlx800SCtl::CCommon::global().CreateSearchFilterObject(nullptr, nullptr, &catalog, nullptr, 0, nullptr);
    // Without a database handler the set-up stops with that status.
    return filter && filter->setupStatus() == KvoPlx800SCtl::kvoFCSMissingDatabaseHandler ? 0 : 1;
}
