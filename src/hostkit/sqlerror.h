#pragma once

#include <QString>

namespace KvoPlx800SCtl::HostKit {

// What went wrong with a statement: the text shown to people, the engine's own error code, the
// SQLSTATE where the engine reports one, and the kind of failure, which the engine's dialect
// decides from those codes. Callers that retry, wait or reconnect ask kind(); messages use text().
class SqlError
{
public:
    enum Kind {
        NoError,
        // A busy database, or a record that another session holds and the wait for it ran out.
        Lock,
        // A deadlock or a serialization failure: the transaction lost against another one and was
        // rolled back (or must be); running it again may succeed.
        Conflict,
        // The connection to the server is gone.
        ConnectionLost,
        // A primary, unique or foreign key, a NOT NULL or a check refused the change.
        Constraint,
        Other,
    };

    SqlError() = default;
    SqlError(Kind kind, const QString &text, const QString &nativeCode = {}, const QString &sqlState = {})
        : m_kind(kind), m_text(text), m_nativeCode(nativeCode), m_sqlState(sqlState)
    {}

    bool isError() const { return m_kind != NoError; }
    Kind kind() const { return m_kind; }
    const QString &text() const { return m_text; }
    // As the engine reports it: the SQLite (extended) result code, the PostgreSQL SQLSTATE, the
    // MariaDB error number. Empty for failures found before the engine was asked.
    const QString &nativeCode() const { return m_nativeCode; }
    // The five-character SQLSTATE; empty where the engine has none (SQLite).
    const QString &sqlState() const { return m_sqlState; }
    // Another session stood in the way (a lock or a conflict): the caller's locked-record message
    // is what the user needs to see.
    bool metAnotherSession() const { return m_kind == Lock || m_kind == Conflict; }

private:
    Kind m_kind = NoError;
    QString m_text;
    QString m_nativeCode;
    QString m_sqlState;
};

} // namespace KvoPlx800SCtl::HostKit
