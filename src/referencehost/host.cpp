#include "host.h"

#include "tables.h"

#include "columns/cfiltercolumns.h"

#include "hostkit/adotypes.h"
#include "hostkit/tablestructure.h"

using namespace KvoPlx800SCtl;
using namespace KvoPlx800SCtl::HostKit;

namespace KvoHost {

Host::Host() = default;

Host::~Host() { close(); }

bool Host::open(const QString &url, QString *error)
{
    auto database = Database::open(url, {}, error);
    if (!database)
        return false;
    use(std::move(database));
    return true;
}

void Host::use(std::unique_ptr<Database> database)
{
    close();
    m_ownDatabase = std::move(database);
    attach(*m_ownDatabase);
}

void Host::use(Database &database)
{
    close();
    attach(database);
}

void Host::attach(Database &database)
{
    m_database = &database;
    handler = std::make_unique<DatabaseHandler>(connection().dialect().DatabaseType());
}

CFilterColumns *Host::columns() const { return filter ? filter->FilterColumns() : nullptr; }

bool Host::createBaseTable(const QString &name, int records, const QString &keyField, bool textKey)
{
    const QString description = QStringLiteral("Description");
    const QString qty = QStringLiteral("Qty");
    TableStructure s(name);
    s.addField(keyField, textKey ? adVarWChar : adInteger, textKey ? 20 : 0, false);
    s.addField(description, adVarWChar, 100);
    s.addField(qty, adInteger);
    s.addKey(QStringLiteral("PK_") + name, KeyKind::Primary, {keyField});
    QString error;
    if (!s.Create(catalog())) {
        error = s.lastError();
    } else {
        Connection &c = connection();
        const auto row = [&](qint64 id) {
            const QString key = textKey ? c.QuoteText(QString::number(id)) : QString::number(id);
            return QStringLiteral("(%1, %2, %3)")
                    .arg(key, c.QuoteText(QStringLiteral("Bracket %1").arg(id)), QString::number(id * 10));
        };
        if (insertRows(c, name, {keyField, description, qty}, 1, records, row, &error))
            return true;
    }
    qWarning("Creating %s failed: %s", qPrintable(name), qPrintable(error));
    return false;
}

void Host::openTable(const QString &table, const QStringList &formerNames, const QString &profilePath)
{
    filter.reset(); // it refers to the components replaced here
    baseTable = std::make_unique<BaseTableInfo>(table, formerNames);
    if (!profilePath.isEmpty()) {
        profile = std::make_unique<UserProfile>(profilePath);
    } else if (!profile) {
        m_profileDir = std::make_unique<QTemporaryDir>();
        profile = std::make_unique<UserProfile>(m_profileDir->filePath(QStringLiteral("profile.ini")));
    }
    reopenFilter();
}

void Host::reopenFilter()
{
    filter.reset();
    catalog().Refresh();
    structure = BaseTableStructure::fromCatalog(catalog(), baseTable->TableName());
    filter = CCommon::global().CreateSearchFilterObject(handler.get(), baseTable.get(), &catalog(), profile.get(),
                                                        ConvertMode::CheckOnly, structure.get());
}

void Host::close()
{
    filter.reset();
    structure.reset();
    baseTable.reset();
    profile.reset();
    m_profileDir.reset();
    handler.reset();
    m_database = nullptr;
    m_ownDatabase.reset();
}

} // namespace KvoHost
