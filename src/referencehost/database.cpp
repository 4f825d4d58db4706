#include "database.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

using KvoPlx800SCtl::HostKit::Catalog;
using KvoPlx800SCtl::HostKit::Connection;
using KvoPlx800SCtl::HostKit::ConnectionUrl;

namespace KvoHost {

namespace {

std::unique_ptr<Connection> openConnection(const QString &url, const QStringList &sessionStatements, QString *error)
{
    auto connection = Connection::open(url, error);
    if (!connection)
        return nullptr;
    for (const QString &sql : sessionStatements) {
        if (!connection->ExecuteSql(sql)) {
            if (error)
                *error = connection->lastError();
            return nullptr;
        }
    }
    return connection;
}

} // namespace

// --- Database -------------------------------------------------------------------------------

std::unique_ptr<Database> Database::open(const QString &url, const QStringList &sessionStatements, QString *error)
{
    std::unique_ptr<Database> db(new Database);
    if (!db->connect(url, sessionStatements, error))
        return nullptr;
    return db;
}

Database::~Database() { disconnect(); }

bool Database::connect(const QString &url, const QStringList &sessionStatements, QString *error)
{
    m_url = url;
    m_sessionStatements = sessionStatements;
    connection = openConnection(url, sessionStatements, error);
    if (!connection)
        return false;
    catalog = std::make_unique<Catalog>(*connection);
    return true;
}

void Database::disconnect()
{
    catalog.reset();
    connection.reset();
}

std::unique_ptr<Connection> Database::openSecond(QString *error) const
{
    return openConnection(m_url, m_sessionStatements, error);
}

// --- ScratchDatabase ------------------------------------------------------------------------

std::unique_ptr<ScratchDatabase> ScratchDatabase::create(Engine engine, const ScratchOptions &options, QString *error)
{
    std::unique_ptr<ScratchDatabase> db(new ScratchDatabase);
    db->m_keep = options.keep;
    QString url;
    if (scratchSpace(engine).kind == ScratchSpace::File) {
        const QString folder = options.folder.isEmpty() ? QDir::tempPath() : options.folder;
        QTemporaryDir dir(QDir(folder).filePath(options.prefix + QStringLiteral("_XXXXXX")));
        if (!dir.isValid()) {
            *error = QStringLiteral("no temporary folder in %1: %2").arg(folder, dir.errorString());
            return nullptr;
        }
        dir.setAutoRemove(false);
        db->m_folder = dir.path();
        url = QStringLiteral("sqlite:") + dir.filePath(options.prefix + QStringLiteral(".db"));
    } else if (!db->makeServerDatabase(engine, options, &url, error)) {
        return nullptr;
    }
    if (!db->connect(url, options.sessionStatements, error))
        return nullptr;
    return db;
}

bool ScratchDatabase::makeServerDatabase(Engine engine, const ScratchOptions &options, QString *urlText, QString *error)
{
    static int serial = 0;
    m_adminUrl = options.serverUrl.isEmpty() ? serverUrl(engine) : options.serverUrl;
    if (m_adminUrl.isEmpty()) {
        *error = QStringLiteral("no server database is configured for %1").arg(shortName(engine));
        return false;
    }
    ConnectionUrl url;
    if (!ConnectionUrl::parse(m_adminUrl, &url, error))
        return false;
    auto admin = Connection::open(url, error);
    if (!admin)
        return false;
    const QString name =
            QStringLiteral("%1_%2_%3").arg(options.prefix).arg(QCoreApplication::applicationPid()).arg(++serial);
    const QString quoted = admin->QuoteName(name);
    QString create;
    const ScratchSpace space = scratchSpace(engine);
    if (space.kind == ScratchSpace::Schema) {
        create = QStringLiteral("CREATE SCHEMA ") + quoted;
        m_dropStatement = QStringLiteral("DROP SCHEMA IF EXISTS ") + quoted + QStringLiteral(" CASCADE");
        url.schema = name;
    } else if (space.kind == ScratchSpace::Database) {
        create = QStringLiteral("CREATE DATABASE ") + quoted + space.createOptions;
        m_dropStatement = QStringLiteral("DROP DATABASE IF EXISTS ") + quoted;
        url.database = name;
    } else {
        *error = QStringLiteral("no scratch databases on %1").arg(shortName(engine));
        return false;
    }
    if (!admin->ExecuteSql(m_dropStatement) || !admin->ExecuteSql(create)) {
        *error = QStringLiteral("cannot create %1: %2").arg(name, admin->lastError());
        m_dropStatement.clear();
        return false;
    }
    *urlText = url.toString(true);
    return true;
}

ScratchDatabase::~ScratchDatabase()
{
    disconnect();
    if (m_keep)
        return;
    if (!m_dropStatement.isEmpty()) {
        QString error;
        auto admin = Connection::open(m_adminUrl, &error);
        if (admin && !admin->ExecuteSql(m_dropStatement))
            error = admin->lastError();
        if (!error.isEmpty())
            qWarning("Scratch database not dropped: %s", qPrintable(error));
    }
    if (!m_folder.isEmpty())
        QDir(m_folder).removeRecursively();
}

} // namespace KvoHost
