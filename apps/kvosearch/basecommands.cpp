// Commands on the database and the column set as a whole.
#include "cli.h"

#include "referencehost/tables.h"

#include "core/enums.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

using namespace KvoPlx800SCtl;

static int cmdSampleDb(Cli &cli)
{
    const Cli::Args args(cli.options().args, {}, {QStringLiteral("records")});
    if (!args.ok())
        return cli.usage(args.error());
    if (!args.positional().isEmpty())
        return cli.usage(QStringLiteral("sample-db takes no arguments"));
    int records = 100;
    if (args.has(QStringLiteral("records"))) {
        bool ok = false;
        records = args.value(QStringLiteral("records")).toInt(&ok);
        if (!ok || records < 0)
            return cli.usage(QStringLiteral("--records needs a number of records (0 or more)"));
    }
    QString error;
    if (!KvoHost::createSampleHostTables(cli.session().catalog(), records, &error))
        return cli.failure(QStringLiteral("creating the sample tables failed: ") + error);
    if (cli.options().json)
        cli.printJson(QJsonDocument(QJsonObject{
                {QStringLiteral("tables"), QJsonArray{QStringLiteral("DncFiles"), QStringLiteral("Packets")}},
                {QStringLiteral("records"), records}}));
    else
        cli.out() << "Sample host tables DncFiles and Packets hold records 1 to " << records << Qt::endl;
    return Cli::Ok;
}

static int cmdStatus(Cli &cli)
{
    if (const int rc = cli.requireNoArguments(); rc != Cli::Ok)
        return rc;
    const int status = cli.session().filter ? cli.session().filter->setupStatus() : kvoFCSUndefinedStatus;
    if (cli.options().json)
        cli.printJson(QJsonDocument(QJsonObject{{QStringLiteral("status"), QLatin1String(columnsStatusName(status))},
                                                {QStringLiteral("value"), status}}));
    else
        cli.out() << cli.statusText() << Qt::endl;
    return Cli::Ok;
}

static int cmdSqlFragments(Cli &cli)
{
    if (const int rc = cli.requireColumns(true); rc != Cli::Ok)
        return rc;
    const CSearchFilter &f = *cli.session().filter;
    if (cli.options().json) {
        cli.printJson(QJsonDocument(QJsonObject{{QStringLiteral("SQLSearchFields"), f.SQLSearchFields()},
                                                {QStringLiteral("SQLSearchJoinOn"), f.SQLSearchJoinOn()},
                                                {QStringLiteral("SQLSearchTable"), f.SQLSearchTable()}}));
        return Cli::Ok;
    }
    cli.out() << "SQLSearchFields: " << f.SQLSearchFields() << Qt::endl;
    cli.out() << "SQLSearchJoinOn: " << f.SQLSearchJoinOn() << Qt::endl;
    cli.out() << "SQLSearchTable: " << f.SQLSearchTable() << Qt::endl;
    return Cli::Ok;
}

namespace {
const CommandRegistration registrations[] = {
    CommandRegistration({"sample-db", false, cmdSampleDb, "[--records N]", 10}),
    CommandRegistration({"status", true, cmdStatus, "", 11}),
    CommandRegistration({"sql-fragments", true, cmdSqlFragments, "", 24}),
};
} // namespace
