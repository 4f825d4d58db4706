#include "registry.h"

namespace KvoPlx800SCtl::HostKit {

// Defined by the engine units.
const EngineInfo &sqliteEngine();
const EngineInfo &postgresqlEngine();
const EngineInfo &mariaDbEngine();
const EngineInfo &sqlServerEngine();

namespace EngineRegistry {

const QList<const EngineInfo *> &all()
{
    // One line per engine.
    static const QList<const EngineInfo *> engines{
            &sqliteEngine(),
            &postgresqlEngine(),
            &mariaDbEngine(),
            &sqlServerEngine(),
    };
    return engines;
}

namespace {

template <typename Match>
const EngineInfo *findWhere(Match match)
{
    for (const EngineInfo *info : all()) {
        if (match(*info))
            return info;
    }
    return nullptr;
}

} // namespace

const EngineInfo *find(Engine engine)
{
    return findWhere([engine](const EngineInfo &info) { return info.engine == engine; });
}

const EngineInfo *findScheme(const QString &scheme)
{
    return findWhere([&scheme](const EngineInfo &info) { return info.schemes.contains(scheme, Qt::CaseInsensitive); });
}

const EngineInfo *findDatabaseKind(int databaseKind)
{
    return findWhere([databaseKind](const EngineInfo &info) { return info.databaseKind == databaseKind; });
}

const EngineInfo *findDriver(const QString &driverName)
{
    return findWhere([&driverName](const EngineInfo &info) {
        return !info.driver.isEmpty() && (info.driver == driverName || info.otherDrivers.contains(driverName));
    });
}

} // namespace EngineRegistry

} // namespace KvoPlx800SCtl::HostKit
