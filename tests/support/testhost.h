#pragma once

#include "testdatabases.h"

#include "referencehost/columndef.h"
#include "referencehost/host.h"

#include "core/controls.h"
#include "core/enums.h"
#include "core/variant.h"
#include "core/windows.h"

#include "hostkit/serviceshelper.h"

#include <QLocale>

#include <functional>
#include <map>
#include <memory>
#include <utility>
#include <vector>

// A reference host over a test database: a base table, the host components and a search filter.
namespace KvoTest {

using KvoHost::Host;

// A host on a fresh database of `engine` (the current engine when not given) with base table
// Parts (records 1..records) and its search filter. nullptr when the database cannot be made.
std::unique_ptr<Host> makeHost(int records = 5, std::optional<Engine> engine = std::nullopt);
// The same with `columns` added and saved; nullptr when a column is refused or the save fails.
std::unique_ptr<Host> makeHost(int records, const QList<KvoPlx800SCtl::ColumnDefinition> &columns,
                               std::optional<Engine> engine = std::nullopt);

// Declares `host`, made by makeHost(arguments), and ends the running test when it cannot be made.
#define KVO_MAKE_HOST(...)                                                                                             \
    auto host = KvoTest::makeHost(__VA_ARGS__);                                                                        \
    QVERIFY(host)

// A test class whose every test (each data row) runs once per configured engine on a fresh host
// (makeHost) in m_host, base table Parts holding records 1..records.
class HostTest : public QObject
{
    Q_OBJECT

protected:
    explicit HostTest(int records) : m_records(records) {}

    std::unique_ptr<Host> m_host;

private slots:
    void initTestCase_data() { addEngineRows(); }
    void init();
    void cleanup() { m_host.reset(); }

private:
    int m_records;
};

// One host per engine, made by `make` on first use and kept for the rest of a test class, so that
// the rows of data-driven tests share it. A `make` that returns nullptr is tried again next time.
class HostPerEngine
{
public:
    Host *get(const std::function<std::unique_ptr<Host>()> &make);
    void clear() { m_hosts.clear(); }

private:
    std::map<Engine, std::unique_ptr<Host>> m_hosts;
};

using KvoHost::addColumn;
using KvoHost::addColumns;
// A column of every type, text lengths 60: Material (text), Notes (note), Count16, Count32, Ratio
// (single), Weight (double), Made (date), Active (Boolean), Tags (keyword).
QList<KvoPlx800SCtl::ColumnDefinition> everyType();

// A test class on a cluster whose URL the environment variable `urlVariable` gives, driving the
// command-line tool `tool` as concurrent hosts. Without the cluster (`missing` says what is missing)
// or the tool every test skips. Each test starts on a fresh database of `engine` there (m_db),
// holding base table Parts (records 1..records) and counted in the tally as `tallyName`, that
// checkDatabase() may check further.
class ClusterTest : public QObject
{
    Q_OBJECT

public:
    struct Setup
    {
        Engine engine;
        const char *urlVariable;
        QString tallyName;
        int records;
        const char *missing;
        QString tool;
    };

protected:
    explicit ClusterTest(Setup setup) : m_setup(std::move(setup)) {}
    virtual void checkDatabase() {}

    std::unique_ptr<KvoHost::ScratchDatabase> m_db;

private slots:
    void initTestCase();
    void init();
    void cleanup() { m_db.reset(); }

private:
    Setup m_setup;
};

// The stored definition row of a column of base table Parts as "Type|Size|IsPicklist|PicklistDefault"
// (NULL as "~").
QString definitionRow(Host &host, const QString &column);

// Every table with its fields, keys, indexes and rows (sorted), one line each: equal dumps mean
// nothing was changed. Read through `catalog` as it stands when given, else after a refresh of the
// host's catalog.
QStringList dump(Host &host, KvoPlx800SCtl::HostKit::Catalog *catalog = nullptr);

// The definition rows of a base table as "Position|Name|Type", in position order.
QStringList definitionRows(Host &host, const QString &baseTable = QStringLiteral("Parts"));

// A value as "Type:text", e.g. "Int32:7" or "Null:".
QString typed(const KvoPlx800SCtl::Variant &value);

// Values of named columns, as a host hands them in.
using Values = QList<std::pair<QString, KvoPlx800SCtl::Variant>>;
// Hands `values` in as a host does (UpdatedValue) and saves them for record id; whether all was written.
bool saveValues(KvoPlx800SCtl::CFilterColumns &set, int id, const Values &values);
// The saved value of every column in column order, typed(); a keyword column's keys sorted and
// joined by "|". With `named`, each as "Name=value".
QStringList savedValues(const KvoPlx800SCtl::CFilterColumns &set, bool named = false);
// savedValues() after GetData of record id; `complete` tells whether GetData read every column.
QStringList readValues(KvoPlx800SCtl::CFilterColumns &set, int id, bool *complete = nullptr, bool named = false);
// Field `field` of record id's search-data row; invalid without a row.
QVariant storedValue(Host &host, int id, const QString &field);

// Makes the database refuse the text "refused" in a column's field: on SQLite for rows written by
// `event` (INSERT or UPDATE), elsewhere by a check constraint on every row.
bool refuse(Host &host, const QString &column, const QString &event = QStringLiteral("INSERT"));

// In-memory controls bound to columns of `set` while they live (every column when `names` is
// empty): a check box for a Boolean column, a combo box for a keyword column, a text box otherwise.
class Controls
{
public:
    explicit Controls(KvoPlx800SCtl::CFilterColumns &set, const QStringList &names = {});
    ~Controls();
    Controls(const Controls &) = delete;
    Controls &operator=(const Controls &) = delete;
    // What a column's control shows: a text, a check state ("0", "1") or the items joined by "|".
    QString shown(const QString &name) const;
    // Enters `text` into a column's control: a text box's text, a check box's state ("1": checked),
    // a combo box's items ("|" between them; none for an empty text).
    void enter(const QString &name, const QString &text);

private:
    KvoPlx800SCtl::CFilterColumns &m_set;
    std::vector<std::pair<KvoPlx800SCtl::CFilterColumn *, std::unique_ptr<KvoPlx800SCtl::IControl>>> m_controls;
};

// Collects the sources and the descriptions of the failures reported to the trace while it lives.
class ReportedFailures
{
public:
    ReportedFailures();
    ~ReportedFailures();
    const QStringList &sources() const { return m_sources; }
    QString descriptions() const { return m_descriptions.join(QStringLiteral("; ")); }

private:
    QStringList m_sources;
    QStringList m_descriptions;
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

// Stands in for the library's windows while it lives: records each picklist request ("EditPicklist:<column>"
// or "SelectAndEditPicklist") with its owner, and answers the filter dialog with `answer`, a filter of
// the one term Weight < 3 when that is Applied.
class RecordingWindows : public KvoPlx800SCtl::ISearchFilterWindows
{
public:
    RecordingWindows() { KvoPlx800SCtl::installSearchFilterWindows(this); }
    ~RecordingWindows() override { KvoPlx800SCtl::installSearchFilterWindows(nullptr); }
    void Configure(KvoPlx800SCtl::CFilterColumns &, KvoPlx800SCtl::HostKit::IFormsInterface *) override {}
    void View(KvoPlx800SCtl::CFilterColumns &, KvoPlx800SCtl::HostKit::RecordSet *, KvoPlx800SCtl::ISearchBaseEntry *,
              KvoPlx800SCtl::HostKit::IFormsInterface *) override
    {}
    KvoPlx800SCtl::FilterDialogResult Filter(KvoPlx800SCtl::CFilterColumns &columns,
                                             const KvoPlx800SCtl::CFilterTerms *initial) override;
    void EditPicklist(KvoPlx800SCtl::CScPicklist &picklist, KvoPlx800SCtl::HostKit::IFormsInterface *owner) override;
    void SelectAndEditPicklist(KvoPlx800SCtl::CFilterColumns &,
                               KvoPlx800SCtl::HostKit::IFormsInterface *owner) override;

    const QStringList &calls() const { return m_calls; }
    const QList<KvoPlx800SCtl::HostKit::IFormsInterface *> &owners() const { return m_owners; }
    // The number of terms the filter dialog was offered; -1 for none, -2 before it was asked.
    int offered() const { return m_offered; }
    void setAnswer(KvoPlx800SCtl::FilterRequestStatus answer) { m_answer = answer; }

private:
    QStringList m_calls;
    QList<KvoPlx800SCtl::HostKit::IFormsInterface *> m_owners;
    int m_offered = -2;
    KvoPlx800SCtl::FilterRequestStatus m_answer = KvoPlx800SCtl::FilterRequestStatus::Applied;
};

// Makes `name` the default locale while it lives; the C locale afterwards.
class DefaultLocale
{
public:
    explicit DefaultLocale(const QString &name) { QLocale::setDefault(QLocale(name)); }
    ~DefaultLocale() { QLocale::setDefault(QLocale::c()); }
};

} // namespace KvoTest
