#include "cli.h"

#include "columns/cfiltercolumns.h"
#include "core/enums.h"

#include "hostkit/messagebox.h"
#include "hostkit/serviceshelper.h"
#include "hostkit/texthelper.h"
#include "hostkit/trace.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>

#include <cstdio>

using namespace KvoPlx800SCtl;
using namespace KvoPlx800SCtl::HostKit;

namespace {

const char *const UsageHead =
    "usage: kvosearch --db URL [--table BASETABLE] [--profile FILE] [--user NAME] [--former-name NAME]...\n"
    "                 [--json] COMMAND [ARGS]\n"
    "  URL: sqlite:PATH | postgresql://[user[:password]@]HOSTS/dbname | mariadb://[user[:password]@]HOSTS/dbname\n"
    "       HOSTS: host[:port][,host[:port]]... tried in order (a host may be [IPv6]); when the\n"
    "       connection is lost, the next one that answers takes over\n"
    "commands:\n";

QList<Command> &commands()
{
    static QList<Command> list;
    return list;
}

// The number of a user, kept in the profile's "Users" section; a new name gets the next free one.
int userNumber(UserProfile &profile, const QString &name)
{
    static const QString section = QStringLiteral("Users");
    const int known = profile.GetNumber(section, name, 0);
    if (known > 0)
        return known;
    int highest = 0;
    for (const QString &user : profile.Keys(section))
        highest = qMax(highest, profile.GetNumber(section, user, 0));
    // The number serves this run either way; a profile that cannot be written numbers the user again.
    static_cast<void>(profile.SetNumber(section, name, highest + 1));
    return highest + 1;
}

} // namespace

CommandRegistration::CommandRegistration(const Command &command)
{
    commands().append(command);
}

const QList<Command> &CommandRegistration::all()
{
    return commands();
}

QString Cli::usageText() const
{
    QList<Command> sorted = CommandRegistration::all();
    std::sort(sorted.begin(), sorted.end(), [](const Command &a, const Command &b) { return a.order < b.order; });
    QString text = QLatin1String(UsageHead);
    for (const Command &c : sorted) {
        text += QLatin1String("  ") + QLatin1String(c.name);
        if (*c.usage)
            text += QLatin1Char(' ') + QString::fromUtf8(c.usage);
        text += QLatin1Char('\n');
    }
    return text;
}

QString Cli::traceReason() const
{
    return m_lastTraceError.isEmpty() ? QString() : QStringLiteral(": ") + m_lastTraceError;
}

Cli::Cli() : m_out(stdout), m_err(stderr)
{
    // Messages the library shows go to standard error; the answer is the box's default button.
    ServicesHelper::instance().setMessageHandler([this](const MessageRequest &request) {
        m_err << request.text << Qt::endl;
        return MsgBox::defaultResult(request.style);
    });
    m_traceSink = Trace::instance().addErrorSink(
        [this](const TraceError &error, int) { m_lastTraceError = error.Description; });
}

Cli::~Cli()
{
    Trace::instance().removeErrorSink(m_traceSink);
    ServicesHelper::instance().setMessageHandler({});
}

Cli::Args::Args(const QStringList &args, const QStringList &flags, const QStringList &valued)
{
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args.at(i);
        if (!a.startsWith(QLatin1String("--")) || a == QLatin1String("--")) {
            m_positional.append(a);
            continue;
        }
        const QString name = a.mid(2);
        if (flags.contains(name)) {
            m_flags.append(name);
        } else if (valued.contains(name)) {
            if (i + 1 >= args.size()) {
                m_error = QStringLiteral("option %1 needs a value").arg(a);
                return;
            }
            m_values.insert(name, args.at(++i));
        } else {
            m_error = QStringLiteral("unknown option %1").arg(a);
            return;
        }
    }
}

bool Cli::parse(const QStringList &arguments, QString *error)
{
    static const QStringList valued = {QStringLiteral("--db"), QStringLiteral("--table"), QStringLiteral("--profile"),
                                       QStringLiteral("--user"), QStringLiteral("--former-name")};
    bool commandSeen = false;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString &a = arguments.at(i);
        if (a == QLatin1String("--json")) {
            m_options.json = true;
        } else if (valued.contains(a)) {
            if (i + 1 >= arguments.size()) {
                *error = QStringLiteral("option %1 needs a value").arg(a);
                return false;
            }
            const QString v = arguments.at(++i);
            if (a == QLatin1String("--db"))
                m_options.db = v;
            else if (a == QLatin1String("--table"))
                m_options.table = v;
            else if (a == QLatin1String("--profile"))
                m_options.profile = v;
            else if (a == QLatin1String("--user"))
                m_options.user = v;
            else
                m_options.formerNames.append(v);
        } else if (!commandSeen) {
            if (a.startsWith(QLatin1String("--"))) {
                *error = QStringLiteral("unknown option %1").arg(a);
                return false;
            }
            m_options.command = a;
            commandSeen = true;
        } else {
            m_options.args.append(a);
        }
    }
    if (m_options.command.isEmpty()) {
        *error = QStringLiteral("no command given");
        return false;
    }
    if (m_options.db.isEmpty()) {
        *error = QStringLiteral("--db is required");
        return false;
    }
    return true;
}

int Cli::usage(const QString &message)
{
    m_err << "kvosearch: " << message << Qt::endl << usageText();
    m_err.flush();
    return Usage;
}

int Cli::failure(const QString &message)
{
    m_err << "kvosearch: " << message << Qt::endl;
    m_err.flush();
    return Failed;
}

int Cli::openSession(bool needTable)
{
    if (needTable && m_options.table.isEmpty())
        return usage(QStringLiteral("--table is required for %1").arg(m_options.command));
    QString error;
    if (!m_session.open(m_options.db, &error))
        return failure(QStringLiteral("cannot open the database: ") + error);
    if (needTable) {
        m_session.openTable(m_options.table, m_options.formerNames, profilePath());
        const QString user = m_options.user.isEmpty() ? QStringLiteral("user") : m_options.user;
        TextHelper::instance().setCurrentUser(userNumber(*m_session.profile, user), user);
    }
    return Ok;
}

QString Cli::profilePath() const
{
    if (!m_options.profile.isEmpty())
        return m_options.profile;
    QString dir = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (dir.isEmpty())
        dir = QDir::homePath();
    dir += QStringLiteral("/kvosearch");
    QDir().mkpath(dir);
    return dir + QStringLiteral("/profile.ini");
}

QString Cli::statusText() const
{
    const int status = m_session.filter ? m_session.filter->setupStatus() : kvoFCSUndefinedStatus;
    return QStringLiteral("%1 (%2)").arg(QLatin1String(columnsStatusName(status))).arg(status);
}

int Cli::requireColumns(bool noArguments)
{
    if (noArguments) {
        if (const int rc = requireNoArguments(); rc != Ok)
            return rc;
    }
    if (m_session.filter && m_session.filter->FilterColumns())
        return Ok;
    const int status = m_session.filter ? m_session.filter->setupStatus() : kvoFCSUndefinedStatus;
    switch (status) {
    case kvoFCSBaseTableNotDefined:
    case kvoFCSMissingBaseTable:
        return failure(QStringLiteral("base table %1 missing: %2").arg(m_options.table, statusText()));
    default:
        return failure(QStringLiteral("the search columns cannot be used: ") + statusText());
    }
}

int Cli::requireNoArguments()
{
    return m_options.args.isEmpty() ? Ok : usage(QStringLiteral("%1 takes no arguments").arg(m_options.command));
}

CFilterColumn *Cli::firstArgumentColumn(int *rc)
{
    *rc = requireColumns();
    if (*rc != Ok)
        return nullptr;
    CFilterColumn *column = m_session.filter->FilterColumns()->findByName(m_options.args.first());
    if (!column)
        *rc = failure(QStringLiteral("unknown column \"%1\"").arg(m_options.args.first()));
    return column;
}

void Cli::printJson(const QJsonDocument &document) { m_out << document.toJson(QJsonDocument::Compact) << Qt::endl; }

int Cli::run(const QStringList &arguments)
{
    if (arguments.contains(QStringLiteral("--help")) || arguments.contains(QStringLiteral("-h"))) {
        m_out << usageText();
        return Ok;
    }
    QString error;
    if (!parse(arguments, &error))
        return usage(error);

    for (const Command &c : CommandRegistration::all()) {
        if (m_options.command == QLatin1String(c.name)) {
            if (const int rc = openSession(c.needTable); rc != Ok)
                return rc;
            const int rc = c.run(*this);
            m_out.flush();
            return rc;
        }
    }
    return usage(QStringLiteral("unknown command %1").arg(m_options.command));
}
