// Commands that copy and merge search values and copy a column configuration, inside one database
// and from a second one (--from URL, the same base table).
#include "cli.h"

#include "columns/cfiltercolumns.h"

#include "hostkit/connection.h"

using namespace KvoPlx800SCtl;
using namespace KvoPlx800SCtl::HostKit;

namespace {

bool isRecordId(const QString &text)
{
    bool ok = false;
    text.toInt(&ok);
    return ok;
}

// The second database of a command with --from: the same base table, its own host components.
class SourceSession
{
public:
    explicit SourceSession(Cli &cli) : m_cli(cli) {}

    int open(const QString &url)
    {
        QString error;
        if (!m_session.open(url, &error))
            return m_cli.failure(QStringLiteral("cannot open the source database: ") + error);
        m_session.openTable(m_cli.options().table, {}, m_cli.profilePath());
        if (!m_session.filter || !m_session.filter->FilterColumns())
            return m_cli.failure(QStringLiteral("the search columns of the source cannot be used (status %1)")
                                         .arg(m_session.filter ? int(m_session.filter->setupStatus()) : 0));
        return Cli::Ok;
    }

    // The source record named by a command argument; fails unless the source's base table holds it.
    int entryOf(const QString &text, std::unique_ptr<ISearchBaseEntry> *entry)
    {
        const qint32 id = text.toInt();
        const CFilterColumns &columns = *m_session.filter->FilterColumns();
        bool found = false;
        if (!m_session.connection().RowExists(columns.baseTableName(), columns.keyFieldName(), columns.keyLiteral(id),
                                              found))
            return m_cli.failure(QStringLiteral("reading the source's %1 failed: %2")
                                         .arg(columns.baseTableName(), m_session.connection().lastError()));
        if (!found)
            return m_cli.failure(
                    QStringLiteral("no record %1 in the source's %2").arg(id).arg(columns.baseTableName()));
        *entry = m_session.filter->MakeMergeBaseEntry(id);
        return Cli::Ok;
    }

    CSearchFilter *filter() const { return m_session.filter.get(); }

private:
    Cli &m_cli;
    KvoHost::Host m_session;
};

// Checks the arguments of a command: the --from option when `from` is set, and `ids` record ids.
int checkArgs(Cli &cli, const Cli::Args &args, const char *command, bool from, int ids)
{
    if (!args.ok())
        return cli.usage(args.error());
    if (from && !args.has(QStringLiteral("from")))
        return cli.usage(QStringLiteral("%1 needs --from URL").arg(QLatin1String(command)));
    if (args.positional().size() != ids)
        return cli.usage(ids == 0 ? QStringLiteral("%1 takes no record ids").arg(QLatin1String(command))
                                  : QStringLiteral("%1 takes %2 record ids").arg(QLatin1String(command)).arg(ids));
    for (const QString &id : args.positional()) {
        if (!isRecordId(id))
            return cli.usage(QStringLiteral("\"%1\" is not a record id").arg(id));
    }
    return Cli::Ok;
}

} // namespace

static int cmdCopy(Cli &cli)
{
    const Cli::Args args(cli.options().args, {}, {});
    if (const int rc = checkArgs(cli, args, "copy", false, 2); rc != Cli::Ok)
        return rc;
    std::unique_ptr<ISearchBaseEntry> source;
    std::unique_ptr<ISearchBaseEntry> target;
    if (const int rc = cli.entryOf(args.positional().at(0), &source); rc != Cli::Ok)
        return rc;
    if (const int rc = cli.entryOf(args.positional().at(1), &target); rc != Cli::Ok)
        return rc;
    if (!cli.session().filter->Exists())
        return cli.failure(QStringLiteral("%1 has no search columns").arg(cli.options().table));
    cli.lastTraceError().clear();
    if (!cli.session().filter->CopyValuesWithinTable(source.get(), target.get()))
        return cli.failure(QStringLiteral("copying the search data failed") + cli.traceReason());
    return Cli::Ok;
}

// The records at both ends of a copy from the database of --from (a command with two record
// ids): the target here (argument `targetAt`), then, once that database is open, the source there
// (the other argument).
struct CopyEnds
{
    explicit CopyEnds(Cli &cli) : from(cli) {}

    int open(Cli &cli, const char *command, qsizetype targetAt)
    {
        const Cli::Args args(cli.options().args, {}, {QStringLiteral("from")});
        if (const int rc = checkArgs(cli, args, command, true, 2); rc != Cli::Ok)
            return rc;
        if (const int rc = cli.entryOf(args.positional().at(targetAt), &target); rc != Cli::Ok)
            return rc;
        if (const int rc = from.open(args.value(QStringLiteral("from"))); rc != Cli::Ok)
            return rc;
        return from.entryOf(args.positional().at(1 - targetAt), &source);
    }

    SourceSession from;
    std::unique_ptr<ISearchBaseEntry> target;
    std::unique_ptr<ISearchBaseEntry> source; // a record of `from`: destroyed before it
};

static int cmdCopyBetween(Cli &cli)
{
    CopyEnds ends(cli);
    if (const int rc = ends.open(cli, "copy-between", 1); rc != Cli::Ok)
        return rc;
    cli.lastTraceError().clear();
    if (cli.session().filter->CopyValuesBetweenTables(ends.from.filter(), ends.source.get(), ends.target.get())
        != fltrCCR_Success)
        return cli.failure(QStringLiteral("copying the search data failed") + cli.traceReason());
    return Cli::Ok;
}

static int cmdCopyConfig(Cli &cli)
{
    const Cli::Args args(cli.options().args, {}, {QStringLiteral("from")});
    if (const int rc = checkArgs(cli, args, "copy-config", true, 0); rc != Cli::Ok)
        return rc;
    if (const int rc = cli.requireColumns(); rc != Cli::Ok)
        return rc;
    SourceSession from(cli);
    if (const int rc = from.open(args.value(QStringLiteral("from"))); rc != Cli::Ok)
        return rc;
    cli.lastTraceError().clear();
    CFilterColumns &columns = *cli.session().filter->FilterColumns();
    const bool copied = cli.session().filter->CopyConfiguration(nullptr, from.filter()) == fltrCCR_Success;
    const bool fetched = columns.ColumnsFetch();
    if (!copied || !fetched)
        return cli.failure(QStringLiteral("copying the configuration failed") + cli.traceReason());
    cli.printColumns();
    return Cli::Ok;
}

static int cmdMerge(Cli &cli)
{
    CopyEnds ends(cli);
    if (const int rc = ends.open(cli, "merge", 0); rc != Cli::Ok)
        return rc;
    cli.lastTraceError().clear();
    if (!cli.session().filter->MergeSearchData(ends.target.get(), ends.from.filter(), ends.source.get())
        || !cli.lastTraceError().isEmpty())
        return cli.failure(QStringLiteral("merging the search data failed") + cli.traceReason());
    return Cli::Ok;
}

static int cmdCopyCleanup(Cli &cli)
{
    if (const int rc = cli.requireColumns(true); rc != Cli::Ok)
        return rc;
    cli.lastTraceError().clear();
    if (!cli.session().filter->CopyCleanup() || !cli.lastTraceError().isEmpty())
        return cli.failure(QStringLiteral("removing the merge names failed") + cli.traceReason());
    return Cli::Ok;
}

namespace {
const CommandRegistration registrations[] = {
        CommandRegistration({"copy", true, cmdCopy, "SRC_ID DST_ID", 50}),
        CommandRegistration({"copy-between", true, cmdCopyBetween, "--from URL SRC_ID DST_ID", 51}),
        CommandRegistration({"copy-config", true, cmdCopyConfig, "--from URL", 52}),
        CommandRegistration({"merge", true, cmdMerge, "TARGET_ID --from URL SOURCE_ID", 53}),
        CommandRegistration({"copy-cleanup", true, cmdCopyCleanup, "", 54}),
};
} // namespace
