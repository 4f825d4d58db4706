#include "engines.h"

#include <array>
#include <utility>

namespace KvoHost {

namespace {

constexpr std::array<std::pair<Engine, const char *>, 4> ShortNames{{{Engine::SQLite, "sqlite"},
                                                                     {Engine::PostgreSQL, "postgresql"},
                                                                     {Engine::MariaDB, "mariadb"},
                                                                     {Engine::SQLServer, "sqlserver"}}};

} // namespace

QString shortName(Engine engine)
{
    for (const auto &[e, name] : ShortNames) {
        if (e == engine)
            return QString::fromLatin1(name);
    }
    return {};
}

std::optional<Engine> engineNamed(const QString &shortName)
{
    for (const auto &[engine, name] : ShortNames) {
        if (shortName.compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
            return engine;
    }
    return std::nullopt;
}

QString serverUrl(Engine engine)
{
    switch (engine) {
    case Engine::PostgreSQL:
        return qEnvironmentVariable("KVO_TEST_PG_URL");
    case Engine::MariaDB:
        return qEnvironmentVariable("KVO_TEST_MARIADB_URL");
    default:
        return {};
    }
}

QList<Engine> configuredEngines()
{
    QList<Engine> engines{Engine::SQLite};
    for (const Engine engine : {Engine::PostgreSQL, Engine::MariaDB}) {
        if (!serverUrl(engine).isEmpty())
            engines << engine;
    }
    return engines;
}

} // namespace KvoHost
