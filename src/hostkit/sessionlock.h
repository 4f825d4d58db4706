#pragma once

#include "connection.h"

#include <QString>

#include <memory>

namespace KvoPlx800SCtl::HostKit {

class LockFile;

// A lock named `name` that every session of one database sees, held from acquire() until the
// object ends (or the session does): for work that spans several transactions, such as the change
// of a column set's definitions and tables, so that a second session doing the same work waits
// for the first. Server engines keep it in the session (their lock statements in the engine's
// facts); a file engine locks a file beside the database file. An engine with neither
// serialises nothing.
class SessionLock
{
public:
    SessionLock(Connection &connection, QString name);
    ~SessionLock();
    SessionLock(const SessionLock &) = delete;
    SessionLock &operator=(const SessionLock &) = delete;

    // Takes the lock, waiting up to `timeoutMs` while another session holds it. False when it is
    // still held then (`locked` is shown, as for a locked record) or when the attempt failed;
    // error() says which.
    [[nodiscard]] bool acquire(int timeoutMs, const LockedMessage *locked = nullptr);
    const QString &error() const { return m_error; }

private:
    enum class Attempt { Taken, Held, Failed };
    Attempt tryOnce();

    Connection &m_connection;
    QString m_name;
    std::unique_ptr<LockFile> m_file;
    bool m_held = false;
    QString m_error;
};

} // namespace KvoPlx800SCtl::HostKit
