#include "sessionlock.h"

#include "engines/registry.h"
#include "messagebox.h"
#include "recordset.h"
#include "serviceshelper.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QFile>
#include <QLockFile>
#include <QThread>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace KvoPlx800SCtl::HostKit {

// The lock of a file engine. Where the system locks open files (flock), the file stays beside the
// database and the lock goes with the process: taking it writes nothing, so a save pays no flush
// for it. Elsewhere a lock file holds the process's id and is removed when the lock ends.
class LockFile
{
public:
    enum Result { Taken, Held, Unwritable, Failed };

    explicit LockFile(QString path) : m_path(std::move(path)) {}
    ~LockFile()
    {
#ifdef Q_OS_UNIX
        if (m_fd >= 0)
            ::close(m_fd);
#endif
    }
    LockFile(const LockFile &) = delete;
    LockFile &operator=(const LockFile &) = delete;

    Result tryLock()
    {
#ifdef Q_OS_UNIX
        // Never removed: a session waiting on the file would otherwise hold a lock on a file that
        // a third one no longer sees.
        m_fd = ::open(QFile::encodeName(m_path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        if (m_fd < 0)
            return errno == EACCES || errno == EROFS || errno == EPERM ? Unwritable : Failed;
        if (::flock(m_fd, LOCK_EX | LOCK_NB) == 0)
            return Taken;
        const int error = errno;
        ::close(m_fd);
        m_fd = -1;
        return error == EWOULDBLOCK ? Held : Failed;
#else
        m_file = std::make_unique<QLockFile>(m_path);
        // Only the end of the process that made it frees a lock file, however long it is held.
        m_file->setStaleLockTime(0);
        if (m_file->tryLock(0))
            return Taken;
        switch (m_file->error()) {
        case QLockFile::LockFailedError:
            return Held;
        case QLockFile::PermissionError:
            return Unwritable;
        default:
            return Failed;
        }
#endif
    }

private:
    QString m_path;
#ifdef Q_OS_UNIX
    int m_fd = -1;
#else
    std::unique_ptr<QLockFile> m_file;
#endif
};

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
    // A file lock ends with m_file.
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
    auto file = std::make_unique<LockFile>(path + QLatin1Char('.') + QString::fromLatin1(key) + QStringLiteral(".lock"));
    switch (file->tryLock()) {
    case LockFile::Taken:
        m_file = std::move(file);
        return Attempt::Taken;
    case LockFile::Held:
        return Attempt::Held;
    case LockFile::Unwritable:
        // A folder that takes no lock file takes no journal either: nothing can be written there.
        return Attempt::Taken;
    case LockFile::Failed:
        break;
    }
    m_error = QStringLiteral("the lock file of %1 could not be made").arg(path);
    return Attempt::Failed;
}

} // namespace KvoPlx800SCtl::HostKit
