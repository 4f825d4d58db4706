#include "sessionlock.h"

#include "engines/registry.h"
#include "messagebox.h"
#include "recordset.h"
#include "serviceshelper.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QLockFile>
#include <QThread>

namespace KvoPlx800SCtl::HostKit {

namespace {

const EngineInfo &engineOf(const Connection &connection)
{
    return *EngineRegistry::find(connection.dialect().engine());
}

} // namespace

SessionLock::SessionLock(Connection &connection, QString name) : m_connection(connection), m_name(std::move(name)) {}

SessionLock::~SessionLock()
{
    if (!m_held)
        return;
    if (const char *unlock = engineOf(m_connection).unlockSql)
        static_cast<void>(m_connection.OpenQuery(QString::fromLatin1(unlock).arg(m_connection.QuoteText(m_name))));
    // A lock file is removed when m_file ends.
}

bool SessionLock::acquire(int timeoutMs, const LockedMessage *locked)
{
    const QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        switch (tryOnce()) {
        case Attempt::Taken:
            m_held = true;
            return true;
        case Attempt::Failed:
            return false;
        case Attempt::Held:
            break;
        }
        if (deadline.hasExpired()) {
            m_error = QStringLiteral("%1 is locked by another session").arg(m_name);
            if (locked) {
                ServicesHelper &services = ServicesHelper::instance();
                services.ShowMessage(locked->text + QLatin1String("\n\n") + locked->detail,
                                     MsgBox::vbExclamation | MsgBox::vbOKOnly, services.ApplicationTitle());
            }
            return false;
        }
        QThread::msleep(50);
    }
}

SessionLock::Attempt SessionLock::tryOnce()
{
    const EngineInfo &engine = engineOf(m_connection);
    if (engine.tryLockSql) {
        auto rows = m_connection.OpenQuery(QString::fromLatin1(engine.tryLockSql).arg(m_connection.QuoteText(m_name)));
        if (!rows || rows->EOF() || rows->value(0).isNull()) {
            m_error = QStringLiteral("the lock %1 could not be taken: %2").arg(m_name, m_connection.lastError());
            return Attempt::Failed;
        }
        return rows->value(0).toBool() ? Attempt::Taken : Attempt::Held;
    }
    const QString path = m_connection.url().path;
    // An in-memory database has no other session.
    if (!engine.fileUrl || path.isEmpty() || path.startsWith(QLatin1Char(':')))
        return Attempt::Taken;
    const QByteArray key = QCryptographicHash::hash(m_name.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
    auto file = std::make_unique<QLockFile>(path + QLatin1Char('.') + QString::fromLatin1(key)
                                            + QStringLiteral(".lock"));
    // Only the end of the process that made it frees a lock file, however long it is held.
    file->setStaleLockTime(0);
    if (file->tryLock(0)) {
        m_file = std::move(file);
        return Attempt::Taken;
    }
    switch (file->error()) {
    case QLockFile::LockFailedError:
        return Attempt::Held;
    case QLockFile::PermissionError:
        // A folder that takes no lock file takes no journal either: nothing can be written there.
        return Attempt::Taken;
    default:
        m_error = QStringLiteral("the lock file of %1 could not be made").arg(path);
        return Attempt::Failed;
    }
}

} // namespace KvoPlx800SCtl::HostKit
