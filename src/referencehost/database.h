#pragma once

#include "engines.h"

#include "hostkit/catalog.h"
#include "hostkit/connection.h"

#include <QString>
#include <QStringList>

#include <memory>

namespace KvoHost {

// A connection and its schema catalog. Every connection opened to the database (the first and
// any second one) runs the session statements (PRAGMA, SET ...) before it is handed out.
class Database
{
public:
    // Opens the database of `url`. nullptr with `error` set when it cannot be opened.
    static std::unique_ptr<Database> open(const QString &url, const QStringList &sessionStatements, QString *error);
    virtual ~Database();
    Database(const Database &) = delete;
    Database &operator=(const Database &) = delete;

    // The connection and its catalog, set while the object lives. They are members like the host
    // components, so that callers hand them to the library and the host kit directly.
    std::unique_ptr<KvoPlx800SCtl::HostKit::Connection> connection;
    std::unique_ptr<KvoPlx800SCtl::HostKit::Catalog> catalog;

    Engine engine() const { return connection->dialect().engine(); }
    // The URL the database was opened with, password included (for a second connection).
    const QString &url() const { return m_url; }

    // Opens another connection to the same database (the caller owns it); nullptr with `error`.
    std::unique_ptr<KvoPlx800SCtl::HostKit::Connection> openSecond(QString *error = nullptr) const;

protected:
    Database() = default;
    bool connect(const QString &url, const QStringList &sessionStatements, QString *error);
    // Closes the catalog and the connection (before the database itself goes).
    void disconnect();

private:
    QString m_url;
    QStringList m_sessionStatements;
};

struct ScratchOptions
{
    QString prefix = QStringLiteral("kvo_scratch"); // of the folder, schema or database name
    QString folder = {};                            // SQLite: where its folder goes (default: the temp folder)
    QStringList sessionStatements = {};             // run on every connection to it
    bool keep = false;                              // left in place at the end
    QString serverUrl = {};                         // where it is made; default serverUrl(engine)
};

// A fresh, empty database for one run: a file in a new folder on SQLite, a new schema on
// PostgreSQL, a new database (utf8mb4) on MariaDB, the last two made in the database that
// serverUrl(engine) names. Named after the prefix, the process id and a serial number; a leftover
// of an earlier process with the same id is dropped first. Dropped again (the folder removed) when
// the object ends, unless it is kept.
class ScratchDatabase : public Database
{
public:
    static std::unique_ptr<ScratchDatabase> create(Engine engine, const ScratchOptions &options, QString *error);
    ~ScratchDatabase() override;

private:
    ScratchDatabase() = default;
    bool makeServerDatabase(Engine engine, const ScratchOptions &options, QString *url, QString *error);

    bool m_keep = false;
    QString m_adminUrl;
    QString m_dropStatement; // run on the admin connection at the end
    QString m_folder;        // SQLite: removed at the end
};

} // namespace KvoHost
