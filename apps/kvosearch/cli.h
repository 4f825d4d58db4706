#pragma once

#include "referencehost/host.h"

#include "core/variant.h"

#include <QJsonDocument>
#include <QJsonValue>
#include <QString>
#include <QStringList>
#include <QTextStream>

namespace KvoPlx800SCtl {
class CFilterColumn;
}

// The command-line tool: the host's batch and scripting entry to a base table's search columns.
//
//   kvosearch --db URL --table BASETABLE [--profile FILE] [--user NAME] [--former-name NAME]...
//             [--json] COMMAND [ARGS]
//
// Exit status: 0 success, 1 the operation failed (one line on standard error says why), 2 usage.
// One command of the tool. Each command file registers its commands with a static
// CommandRegistration; `order` places the command in the usage text.
class Cli;
struct Command
{
    const char *name;
    bool needTable;
    int (*run)(Cli &cli);
    const char *usage;   // the usage lines after the command's name, or ""
    int order;
};

class CommandRegistration
{
public:
    explicit CommandRegistration(const Command &command);
    static const QList<Command> &all();
};

// A value of a single-valued column as `get` prints it, and as `get --json` gives it.
QString valueText(const KvoPlx800SCtl::Variant &value);
QJsonValue valueJson(const KvoPlx800SCtl::Variant &value);

class Cli
{
public:
    Cli();
    ~Cli();
    int run(const QStringList &arguments);

    // Exit codes.
    static constexpr int Ok = 0;
    static constexpr int Failed = 1;
    static constexpr int Usage = 2;

    struct Options
    {
        QString db;
        QString table;
        QString profile;
        QString user;
        QStringList formerNames;
        bool json = false;
        QString command;
        QStringList args;
    };

    // Command arguments: positional ones and --name [value] options.
    class Args
    {
    public:
        Args(const QStringList &args, const QStringList &flags, const QStringList &valued);
        bool ok() const { return m_error.isEmpty(); }
        QString error() const { return m_error; }
        const QStringList &positional() const { return m_positional; }
        bool flag(const QString &name) const { return m_flags.contains(name); }
        bool has(const QString &name) const { return m_values.contains(name); }
        QString value(const QString &name) const { return m_values.value(name); }

    private:
        QStringList m_positional;
        QStringList m_flags;
        QHash<QString, QString> m_values;
        QString m_error;
    };

    // --- For the commands --------------------------------------------------------------------
    const Options &options() const { return m_options; }
    // The user profile: --profile, else profile.ini in the tool's data folder (made when missing).
    QString profilePath() const;
    KvoHost::Host &session() { return m_session; }
    QTextStream &out() { return m_out; }
    QTextStream &err() { return m_err; }
    // Prints the message and the usage text; returns Usage.
    int usage(const QString &message);
    // Prints the reason; returns Failed.
    int failure(const QString &message);
    // Ok when the search filter has a column set, else a failure naming the status. With
    // `noArguments`, first requireNoArguments().
    int requireColumns(bool noArguments = false);
    // Ok when the command has no arguments, else the usage failure that says so.
    int requireNoArguments();
    // The column of the set that the first argument names; nullptr, with `rc` the failure, when
    // there is no column set or no such column.
    KvoPlx800SCtl::CFilterColumn *firstArgumentColumn(int *rc);
    // Writes `document` as one line of compact JSON.
    void printJson(const QJsonDocument &document);
    QString statusText() const;
    // The base record named by a command argument; fails unless the base table holds it.
    int entryOf(const QString &text, std::unique_ptr<KvoPlx800SCtl::ISearchBaseEntry> *entry);
    void printColumns();
    // The description of the last failure the library reported to the trace service.
    QString &lastTraceError() { return m_lastTraceError; }
    // ": " + the last reported failure, or nothing.
    QString traceReason() const;

private:
    bool parse(const QStringList &arguments, QString *error);
    int openSession(bool needTable);
    QString usageText() const;

    Options m_options;
    KvoHost::Host m_session;
    QTextStream m_out;
    QTextStream m_err;
    QString m_lastTraceError;
    int m_traceSink = 0;
};
