#pragma once

#include "referencehost/database.h"
#include "referencehost/engines.h"

#include "hostkit/tablestructure.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

// Test databases. SQLite always runs; PostgreSQL runs when KVO_TEST_PG_URL is set and MariaDB
// when KVO_TEST_MARIADB_URL is set (see KvoHost::serverUrl). Every test gets a scratch database of
// its own, dropped again when it ends.
//
// A Qt Test class runs each test once per engine with:
//     void initTestCase_data() { KvoTest::addEngineRows(); }
//     void someTest() { auto db = KvoTest::open(); QVERIFY(db); ... db->connection ... }
namespace KvoTest {

using KvoPlx800SCtl::HostKit::Engine;
using TestDatabase = KvoHost::ScratchDatabase;

// Engines configured for this run, SQLite first.
using KvoHost::configuredEngines;

// Adds one global data row per configured engine, with an Engine column "engine" and the engine's
// short name as the row name.
void addEngineRows();
// The same column and rows in a test function's own data table.
void addEngineColumn();

// The engine of the running test (the global data row), SQLite outside a data-driven run.
Engine currentEngine();

// A fresh, empty database on `engine` (the current engine when not given). nullptr, with a QWARN,
// when it cannot be created.
std::unique_ptr<TestDatabase> open(std::optional<Engine> engine = std::nullopt);

// Runs SQL and fails the test (returns false) with the driver's error when it fails.
bool exec(KvoPlx800SCtl::HostKit::Connection &connection, const QString &sql);

// SQL whose names are written in brackets: each "[Name]" outside a quoted text or name becomes the
// connection's quoted form of Name, so that one statement text serves every engine.
QString sql(KvoPlx800SCtl::HostKit::Connection &connection, const QString &text);
// exec() of sql(text).
bool run(KvoPlx800SCtl::HostKit::Connection &connection, const QString &text);
// The first field of the first row of a query (names in brackets); invalid without a row.
QVariant cell(KvoPlx800SCtl::HostKit::Connection &connection, const QString &text);
// The rows of a query (names in brackets), each as its fields' texts joined by "|", NULL as "~".
QStringList rows(KvoPlx800SCtl::HostKit::Connection &connection, const QString &text);
// The fields of a table in their order, read afresh; empty when there is no such table.
QStringList fieldNames(KvoPlx800SCtl::HostKit::Catalog &catalog, const QString &table);
bool tableExists(KvoPlx800SCtl::HostKit::Catalog &catalog, const QString &table);
// The table, in lower case, that the foreign key over `field` of `table` refers to, read afresh;
// empty when the field has none.
QString referredTable(KvoPlx800SCtl::HostKit::Catalog &catalog, const QString &table, const QString &field);
// A field of a table made by table().
struct Field
{
    QString name;
    int type;
    int size = 0;
    bool nullable = true;
    QString defaultSql = {};
};
// A table of `fields`, with a primary key PK_<name> over `primaryKey` when that is given.
KvoPlx800SCtl::HostKit::TableStructure table(const QString &name, const QList<Field> &fields,
                                             const QStringList &primaryKey = {});
// `ok`, the result of DDL call `call` of `structure`; a false one fails the test with the
// structure's error at file:line. Called through KVO_DDL(structure, Create(catalog)).
bool ddl(const KvoPlx800SCtl::HostKit::TableStructure &structure, bool ok, const char *call, const char *file,
         int line);
#define KVO_DDL(structure, call) KvoTest::ddl(structure, (structure).call, #call, __FILE__, __LINE__)

// Skips the running test on every engine but SQLite, saying why (work that needs no database).
#define KVO_SQLITE_ONLY(reason)                                                                                        \
    do {                                                                                                               \
        if (KvoTest::currentEngine() != KvoTest::Engine::SQLite)                                                       \
            QSKIP(reason);                                                                                             \
    } while (false)

// Records that a test ran on an engine (or on a cluster of one, by its name: "galera"); the test
// script totals these per name.
void tally(Engine engine);
void tally(const QString &name);

// A test class whose every test (each data row) runs once per configured engine on a fresh, empty
// database of its own.
class DatabaseTest : public QObject
{
    Q_OBJECT

protected:
    KvoPlx800SCtl::HostKit::Connection &connection() const { return *m_db->connection; }
    KvoPlx800SCtl::HostKit::Catalog &catalog() const { return *m_db->catalog; }
    TestDatabase &database() const { return *m_db; }

private slots:
    void initTestCase_data() { addEngineRows(); }
    void init();
    void cleanup() { m_db.reset(); }

private:
    std::unique_ptr<TestDatabase> m_db;
};

} // namespace KvoTest
