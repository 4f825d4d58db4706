#pragma once

#include "hostsession.h"

#include <QJsonValue>
#include <QString>
#include <QStringList>
#include <QTextStream>

// The command-line tool: the host's batch and scripting entry to a base table's search columns.
//
//   kvosearch --db URL --table BASETABLE [--profile FILE] [--user NAME] [--former-name NAME]...
//             [--json] COMMAND [ARGS]
//
// Exit status: 0 success, 1 the operation failed (one line on standard error says why), 2 usage.
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

private:
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

    bool parse(const QStringList &arguments, QString *error);
    int usage(const QString &message);
    int failure(const QString &message);
    // Opens the database; for table commands also the base table and its search filter.
    int openSession(bool needTable);
    // Fails unless the search filter has a column set.
    int requireColumns();
    QString statusText() const;

    int cmdSampleDb();
    int cmdStatus();
    int cmdColumns();
    int cmdAddColumn();
    int cmdDropColumn();
    int cmdMoveColumn();
    int cmdSqlFragments();

    // Saves the column set and prints the definitions as `columns` does.
    int saveAndReport();
    void printColumns();

    Options m_options;
    HostSession m_session;
    QTextStream m_out;
    QTextStream m_err;
    QString m_lastTraceError;
    int m_traceSink = 0;
};
