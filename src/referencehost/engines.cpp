#include "engines.h"

#include <array>
#include <utility>

namespace KvoHost {

namespace {

// What the reference host knows of each engine, in one place: the short name, the variable naming
// the server database of tests and benchmarks, and how a scratch database is made there.
struct EngineFacts
{
    Engine engine;
    const char *shortName;
    const char *urlVariable;
    ScratchSpace::Kind scratch;
    const char *createOptions;
};

constexpr std::array<EngineFacts, 4> Facts{{
        {Engine::SQLite, "sqlite", nullptr, ScratchSpace::File, ""},
        {Engine::PostgreSQL, "postgresql", "KVO_TEST_PG_URL", ScratchSpace::Schema, ""},
        {Engine::MariaDB, "mariadb", "KVO_TEST_MARIADB_URL", ScratchSpace::Database, " CHARACTER SET utf8mb4"},
        {Engine::SQLServer, "sqlserver", nullptr, ScratchSpace::None, ""},
}};

const EngineFacts *factsOf(Engine engine)
{
    for (const EngineFacts &f : Facts) {
        if (f.engine == engine)
            return &f;
    }
    return nullptr;
}

} // namespace

QString shortName(Engine engine)
{
    const EngineFacts *f = factsOf(engine);
    return f ? QString::fromLatin1(f->shortName) : QString();
}

std::optional<Engine> engineNamed(const QString &shortName)
{
    for (const EngineFacts &f : Facts) {
        if (shortName.compare(QLatin1String(f.shortName), Qt::CaseInsensitive) == 0)
            return f.engine;
    }
    return std::nullopt;
}

QString serverUrl(Engine engine)
{
    const EngineFacts *f = factsOf(engine);
    return f && f->urlVariable ? qEnvironmentVariable(f->urlVariable) : QString();
}

QList<Engine> configuredEngines()
{
    QList<Engine> engines;
    for (const EngineFacts &f : Facts) {
        if (f.scratch == ScratchSpace::File || (f.scratch != ScratchSpace::None && !serverUrl(f.engine).isEmpty()))
            engines << f.engine;
    }
    return engines;
}

ScratchSpace scratchSpace(Engine engine)
{
    const EngineFacts *f = factsOf(engine);
    return f ? ScratchSpace{f->scratch, QString::fromLatin1(f->createOptions)} : ScratchSpace{};
}

} // namespace KvoHost
