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

const EngineInfo *find(Engine engine)
{
    for (const EngineInfo *info : all()) {
        if (info->engine == engine)
            return info;
    }
    return nullptr;
}

const EngineInfo *findScheme(const QString &scheme)
{
    for (const EngineInfo *info : all()) {
        if (info->schemes.contains(scheme, Qt::CaseInsensitive))
            return info;
    }
    return nullptr;
}

const EngineInfo *findDatabaseKind(int databaseKind)
{
    for (const EngineInfo *info : all()) {
        if (info->databaseKind == databaseKind)
            return info;
    }
    return nullptr;
}

} // namespace EngineRegistry

} // namespace KvoPlx800SCtl::HostKit
