#include "hostsession.h"

#include <QDir>
#include <QStandardPaths>

using namespace KvoPlx800SCtl;
using namespace KvoPlx800SCtl::HostKit;

bool HostSession::open(const QString &url, QString *error)
{
    connection = Connection::open(url, error);
    if (!connection)
        return false;
    catalog = std::make_unique<Catalog>(*connection);
    handler = std::make_unique<DatabaseHandler>(connection->dialect().DatabaseType());
    return true;
}

void HostSession::openTable(const QString &table, const QStringList &formerNames, const QString &profilePath)
{
    baseTable = std::make_unique<BaseTableInfo>(table, formerNames);
    profile = std::make_unique<UserProfile>(profilePath.isEmpty() ? defaultProfilePath() : profilePath);
    reopenFilter();
}

void HostSession::reopenFilter()
{
    filter.reset();
    catalog->Refresh();
    baseStructure = BaseTableStructure::fromCatalog(*catalog, baseTable->TableName());
    filter = CCommon::global().CreateSearchFilterObject(handler.get(), baseTable.get(), catalog.get(), profile.get(),
                                                        ConvertMode::CheckOnly, baseStructure.get());
}

int HostSession::userNumber(const QString &name)
{
    static const QString section = QStringLiteral("Users");
    const int known = profile->GetNumber(section, name, 0);
    if (known > 0)
        return known;
    int highest = 0;
    for (const QString &user : profile->Keys(section))
        highest = qMax(highest, profile->GetNumber(section, user, 0));
    // The number serves this session either way; the profile reports a write it could not make.
    static_cast<void>(profile->SetNumber(section, name, highest + 1));
    return highest + 1;
}

QString HostSession::defaultProfilePath()
{
    QString dir = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (dir.isEmpty())
        dir = QDir::homePath();
    dir += QStringLiteral("/kvosearch");
    QDir().mkpath(dir);
    return dir + QStringLiteral("/profile.ini");
}
