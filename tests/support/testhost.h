#pragma once

#include "testdatabases.h"

#include "core/ccommon.h"
#include "core/enums.h"
#include "core/interfaces.h"
#include "core/variant.h"

#include "hostkit/basetablestructure.h"
#include "hostkit/databasehandler.h"
#include "hostkit/serviceshelper.h"
#include "hostkit/userprofile.h"

#include <QTemporaryDir>

#include <functional>
#include <map>
#include <memory>

namespace KvoPlx800SCtl {
class CFilterColumn;
class CFilterColumns;
} // namespace KvoPlx800SCtl

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

// One host per engine, made by `make` on first use and kept for the rest of a test class, so that
// the rows of data-driven tests share it. A `make` that returns nullptr is tried again next time.
class HostPerEngine
{
public:
    Host *get(const std::function<std::unique_ptr<Host>()> &make);
    void clear() { m_hosts.clear(); }

private:
    std::map<QString, std::unique_ptr<Host>> m_hosts;
};

// A search column to add: what Add takes, with the values most tests use for the rest.
struct ColumnDef
{
    QString name;
    KvoPlx800SCtl::FilterColumnTypeConstants type;
    QString caption = {};
    qint16 length = 20;
    bool picklist = false;
    bool blanks = false;
    QString picklistDefault = {};
};
KvoPlx800SCtl::CFilterColumn *addColumn(KvoPlx800SCtl::CFilterColumns &set, const ColumnDef &def);
// Adds the columns and saves the set.
bool addColumns(KvoPlx800SCtl::CFilterColumns &set, const QList<ColumnDef> &defs);
// A column of every type, text lengths 60: Material (text), Notes (note), Count16, Count32, Ratio
// (single), Weight (double), Made (date), Active (Boolean), Tags (keyword).
QList<ColumnDef> everyType();

// A value as "Type:text", e.g. "Int32:7" or "Null:".
QString typed(const KvoPlx800SCtl::Variant &value);

// Collects the sources of the failures reported to the trace while it lives.
class ReportedFailures
{
public:
    ReportedFailures();
    ~ReportedFailures();
    const QStringList &sources() const { return m_sources; }

private:
    QStringList m_sources;
    int m_id;
};

// Answers every message box with `answer` while it lives, keeping what was asked.
class ScriptedMessages
{
public:
    explicit ScriptedMessages(int answer);
    ~ScriptedMessages();
    const QList<KvoPlx800SCtl::HostKit::MessageRequest> &requests() const { return m_requests; }

private:
    QList<KvoPlx800SCtl::HostKit::MessageRequest> m_requests;
    KvoPlx800SCtl::HostKit::ServicesHelper::MessageHandler m_previous;
};

// Makes `name` the default locale while it lives; the C locale afterwards.
class DefaultLocale
{
public:
    explicit DefaultLocale(const QString &name) { QLocale::setDefault(QLocale(name)); }
    ~DefaultLocale() { QLocale::setDefault(QLocale::c()); }
};

} // namespace KvoTest
