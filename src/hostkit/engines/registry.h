#pragma once

#include "hostkit/dialect.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

namespace KvoPlx800SCtl::HostKit {

// What identifies an engine before any connection exists. Each engine's unit
// (hostkit/engines/<engine>.cpp) defines one, next to its dialect, DDL hooks and catalog reader.
struct EngineInfo
{
    Engine engine;
    QString name;        // as people read it: "SQLite", "PostgreSQL", ...
    int databaseKind;    // DatabaseKind code reported by the database handler
    QStringList schemes; // URL schemes, the first is the one written back; none: no URLs
    bool fileUrl;        // scheme:PATH names a database file (else scheme://host/dbname)
    bool schemaOption;   // the URL may choose a schema (?schema=NAME)
    QString driver;      // Qt SQL driver; empty: statement text only, no connections
    std::unique_ptr<Dialect> (*createDialect)();
    // Named locks among the sessions of a database (SessionLock): a query that takes lock %1 (a
    // text literal) without waiting and gives true, or false while another session holds it; and
    // the one that releases it. Without them a file engine locks a file beside the database.
    const char *tryLockSql = nullptr;
    const char *unlockSql = nullptr;
    QStringList otherDrivers = {}; // further Qt SQL drivers that reach the engine (a host's own connection)
};

// Every engine the host kit knows. Dialect::create, Connection::open, the URL parser and the
// catalog ask here; nothing else names an engine.
namespace EngineRegistry {

const QList<const EngineInfo *> &all();
// nullptr when none matches. Schemes compare without regard to case.
const EngineInfo *find(Engine engine);
const EngineInfo *findScheme(const QString &scheme);
const EngineInfo *findDatabaseKind(int databaseKind);
// The engine a Qt SQL driver reaches.
const EngineInfo *findDriver(const QString &driverName);

} // namespace EngineRegistry

} // namespace KvoPlx800SCtl::HostKit
