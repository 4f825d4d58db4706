// Commands of the table check: check (with the renaming of tables under former base-table names)
// and names (the check name list).
#include "cli.h"

#include "columns/ccheckname.h"
#include "columns/cfiltercolumns.h"

#include "hostkit/catalog.h"
#include "hostkit/connection.h"
#include "hostkit/databasehandler.h"
#include "hostkit/databasehelper.h"
#include "hostkit/formsinterface.h"
#include "hostkit/recordset.h"
#include "hostkit/resourcetexts.h"
#include "hostkit/serviceshelper.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QScopeGuard>
#include <QSet>

#include <cstdio>
#include <unistd.h>

using namespace KvoPlx800SCtl;
using namespace KvoPlx800SCtl::HostKit;

namespace {

const QString DefinitionTable = QString::fromLatin1(CFilterColumns::DefinitionTableName);

// What the check may change, seen from outside: the tables of the base table (their fields, keys
// and indexes), its definition rows under each name, and the keys of its search-data rows.
struct Snapshot
{
    QMap<QString, QString> tables;     // lower-case name -> "Name" + shape
    QMap<QString, QString> spelling;   // lower-case name -> catalog spelling
    QMap<QString, int> definitionRows; // base-table name -> rows
    QSet<QString> searchDataKeys;
    bool searchDataTable = false;
};

bool belongsToBaseTable(const QString &table, const QStringList &baseNames)
{
    if (table.compare(DefinitionTable, Qt::CaseInsensitive) == 0)
        return true;
    for (const QString &base : baseNames) {
        if (table.startsWith(base + QStringLiteral("Search"), Qt::CaseInsensitive)
            || table.startsWith(QStringLiteral("Picklist") + base, Qt::CaseInsensitive))
            return true;
    }
    return false;
}

QString shapeOf(const CatalogTable &table)
{
    QStringList fields;
    for (const CatalogColumn &c : table.Columns)
        fields << QStringLiteral("%1 %2(%3)%4")
                          .arg(c.Name.toLower())
                          .arg(c.Type)
                          .arg(c.DefinedSize)
                          .arg(c.Nullable ? QString() : QStringLiteral(" not null"));
    QStringList keys;
    for (const CatalogKey &k : table.Keys)
        keys << QStringLiteral("key %1 (%2) %3 (%4)")
                        .arg(k.Type)
                        .arg(k.Columns.join(u',').toLower(), k.RelatedTable.toLower(),
                             k.RelatedColumns.join(u',').toLower());
    for (const CatalogIndex &i : table.Indexes)
        keys << QStringLiteral("index (%1)%2")
                        .arg(i.Columns.join(u',').toLower(), i.Unique ? QStringLiteral(" unique") : QString());
    keys.sort();
    return fields.join(u';') + u'|' + keys.join(u';');
}

Snapshot takeSnapshot(KvoHost::Host &session, const QStringList &baseNames)
{
    Snapshot picture;
    Catalog &catalog = session.catalog();
    Connection &db = session.connection();
    catalog.Refresh();
    for (const QString &name : catalog.tableNames()) {
        if (!belongsToBaseTable(name, baseNames))
            continue;
        if (const auto table = catalog.FindTable(name)) {
            picture.tables.insert(name.toLower(), shapeOf(*table));
            picture.spelling.insert(name.toLower(), table->Name);
        }
    }
    if (catalog.FindTable(DefinitionTable)) {
        auto rs = db.OpenQuery(QStringLiteral("SELECT %1 FROM %2")
                                       .arg(db.QuoteName(QStringLiteral("BaseTable")), db.QuoteName(DefinitionTable)));
        for (; rs && !rs->EOF(); rs->MoveNext())
            picture.definitionRows[rs->value(0).toString()] += 1;
    }
    const CFilterColumns *columns = session.filter ? session.filter->FilterColumns() : nullptr;
    if (columns && catalog.FindTable(columns->SearchDataTableName())) {
        picture.searchDataTable = true;
        auto rs = db.OpenQuery(
                QStringLiteral("SELECT %1 FROM %2")
                        .arg(db.QuoteName(columns->keyFieldName()), db.QuoteName(columns->SearchDataTableName())));
        for (; rs && !rs->EOF(); rs->MoveNext())
            picture.searchDataKeys.insert(rs->value(0).toString());
    }
    return picture;
}

// One line per change between two pictures.
QStringList changesBetween(const Snapshot &before, const Snapshot &after, const QString &baseTable,
                           const QStringList &formerNames, const QString &searchData)
{
    QStringList lines;
    for (auto it = after.tables.cbegin(); it != after.tables.cend(); ++it) {
        const QString name = after.spelling.value(it.key());
        if (!before.tables.contains(it.key()))
            lines << QStringLiteral("created table ") + name;
        else if (before.tables.value(it.key()) != it.value())
            lines << QStringLiteral("converted table ") + name;
    }
    for (auto it = before.tables.cbegin(); it != before.tables.cend(); ++it) {
        if (!after.tables.contains(it.key()))
            lines << QStringLiteral("dropped table ") + before.spelling.value(it.key());
    }
    for (const QString &former : formerNames) {
        const int moved = before.definitionRows.value(former) - after.definitionRows.value(former);
        if (moved > 0)
            lines << QStringLiteral("moved %1 definition row(s) from %2 to %3").arg(moved).arg(former, baseTable);
    }
    if (after.searchDataTable) {
        const qsizetype added = (after.searchDataKeys - before.searchDataKeys).size();
        const qsizetype removed = before.searchDataTable ? (before.searchDataKeys - after.searchDataKeys).size() : 0;
        if (added > 0)
            lines << QStringLiteral("added %1 search-data row(s) to %2").arg(added).arg(searchData);
        if (removed > 0)
            lines << QStringLiteral("deleted %1 orphaned search-data row(s) from %2").arg(removed).arg(searchData);
    }
    return lines;
}

// The answer to the database handler's convert question.
int convertAnswer(bool yes, const QString &table)
{
    if (yes)
        return CheckTableResult::Continue;
    if (!isatty(fileno(stdin)))
        return CheckTableResult::Declined;
    QTextStream err(stderr);
    err << ResourceTexts::instance().Text(TextId::ConvertTableQuestion, {table}) << " [y/N] " << Qt::flush;
    QTextStream in(stdin);
    const QString line = in.readLine().trimmed().toLower();
    return line == QLatin1String("y") || line == QLatin1String("yes") ? CheckTableResult::Continue
                                                                      : CheckTableResult::Declined;
}

// Renames each former search-data, keyword and picklist table to its new name while that name is
// still free, so that the check finds the tables under the current base-table name.
bool renameFormerTables(Cli &cli, QStringList *changes, QString *error)
{
    KvoHost::Host &session = cli.session();
    const std::unique_ptr<CCheckNameList> names = session.filter->GetCheckNameList();
    if (!names)
        return true;
    Catalog &catalog = session.catalog();
    Connection &db = session.connection();
    bool renamed = false;
    for (qint32 i = 1; i <= names->Count(); ++i) {
        const CCheckNameEntry *entry = names->Entry(i);
        catalog.Refresh();
        const auto old = DatabaseHelper::FindTable(catalog, entry->OldName());
        if (!old || DatabaseHelper::FindTable(catalog, entry->NewName()))
            continue;
        const QString sql = QStringLiteral("ALTER TABLE ") + db.QuoteName(old->Name) + QStringLiteral(" RENAME TO ")
                            + db.QuoteName(entry->NewName());
        if (!db.ExecuteSql(sql)) {
            *error = QStringLiteral("renaming %1 to %2 failed: %3").arg(old->Name, entry->NewName(), db.lastError());
            return false;
        }
        changes->append(QStringLiteral("renamed table %1 to %2").arg(old->Name, entry->NewName()));
        renamed = true;
    }
    if (renamed)
        session.reopenFilter();
    return true;
}

} // namespace

static int cmdCheck(Cli &cli)
{
    const Cli::Args args(cli.options().args, {QStringLiteral("keys"), QStringLiteral("yes")}, {QStringLiteral("mode")});
    if (!args.ok())
        return cli.usage(args.error());
    if (!args.positional().isEmpty())
        return cli.usage(QStringLiteral("check takes no arguments besides its options"));
    int mode = ConvertMode::CheckOnly;
    if (args.has(QStringLiteral("mode"))) {
        const QString value = args.value(QStringLiteral("mode"));
        if (value != QLatin1String("0") && value != QLatin1String("1"))
            return cli.usage(QStringLiteral("--mode takes 0 (check, asking before a conversion) or 1 (convert)"));
        mode = value.toInt();
    }
    const bool keys = args.flag(QStringLiteral("keys"));
    const bool yes = args.flag(QStringLiteral("yes"));
    if (const int rc = cli.requireColumns(); rc != Cli::Ok)
        return rc;

    KvoHost::Host &session = cli.session();
    session.handler->setConvertAnswer(
            [yes](const QString &, const QString &table, int) { return convertAnswer(yes, table); });
    ServicesHelper &services = ServicesHelper::instance();
    services.clearReportedErrors();

    QStringList changes;
    QString error;
    if (!renameFormerTables(cli, &changes, &error))
        return cli.failure(error);
    if (const int rc = cli.requireColumns(); rc != Cli::Ok)
        return rc;

    CFilterColumns &columns = *session.filter->FilterColumns();
    const QString baseTable = columns.baseTableName();
    const QString searchData = columns.SearchDataTableName();
    QStringList baseNames = cli.options().formerNames;
    baseNames.prepend(baseTable);
    const Snapshot before = takeSnapshot(session, baseNames);

    // The diagnostic log of the check is part of what it tells.
    FormsGlobal &forms = FormsGlobal::instance();
    const bool logWasEnabled = forms.DiagnosticLogEnabled();
    forms.setDiagnosticLogEnabled(true);
    forms.setDiagnosticSink([&changes](const QString &line) { changes.append(line); });
    const auto restoreLog = qScopeGuard([&] {
        forms.setDiagnosticSink({});
        forms.setDiagnosticLogEnabled(logWasEnabled);
    });

    const int result = session.filter->CheckTable(nullptr, mode, keys);
    const Snapshot after = takeSnapshot(session, baseNames);
    changes += changesBetween(before, after, baseTable, cli.options().formerNames, searchData);

    if (cli.options().json) {
        cli.printJson(QJsonDocument(QJsonObject{{QStringLiteral("result"), result},
                                                {QStringLiteral("changes"), QJsonArray::fromStringList(changes)}}));
    } else {
        cli.out() << "result: " << result << Qt::endl;
        for (const QString &line : std::as_const(changes))
            cli.out() << line << Qt::endl;
    }
    cli.out().flush();
    const QStringList errors = services.reportedErrors();
    if (!errors.isEmpty())
        return cli.failure(QStringLiteral("the check failed: ") + errors.join(QStringLiteral("; ")));
    return Cli::Ok;
}

static int cmdNames(Cli &cli)
{
    if (const int rc = cli.requireColumns(true); rc != Cli::Ok)
        return rc;
    const std::unique_ptr<CCheckNameList> names = cli.session().filter->GetCheckNameList();
    if (!names)
        return cli.failure(QStringLiteral("the check name list cannot be made") + cli.traceReason());
    QJsonArray array;
    for (qint32 i = 1; i <= names->Count(); ++i) {
        const CCheckNameEntry *entry = names->Entry(i);
        if (cli.options().json)
            array.append(QJsonObject{{QStringLiteral("Index"), entry->Index()},
                                     {QStringLiteral("NewName"), entry->NewName()},
                                     {QStringLiteral("OldName"), entry->OldName()}});
        else
            cli.out() << entry->Index() << ' ' << entry->NewName() << ' ' << entry->OldName() << Qt::endl;
    }
    if (cli.options().json)
        cli.printJson(QJsonDocument(array));
    return Cli::Ok;
}

namespace {
const CommandRegistration registrations[] = {
        CommandRegistration({"check", true, cmdCheck, "[--mode 0|1] [--keys] [--yes]", 45}),
        CommandRegistration({"names", true, cmdNames, "", 46}),
};
} // namespace
