#include "databasehandler.h"

#include "catalog.h"
#include "connection.h"
#include "messagebox.h"
#include "resourcetexts.h"
#include "serviceshelper.h"

namespace KvoPlx800SCtl::HostKit {

IDatabaseHandler::~IDatabaseHandler() = default;

// Drops the table under the catalog's spelling of its name. True when the table is gone
// afterwards, also when it was not there to begin with.
bool IDatabaseHandler::DropTable(Catalog &catalog, const QString &table)
{
    const std::shared_ptr<const CatalogTable> found = catalog.FindTable(table);
    if (!found)
        return true;
    Connection &connection = catalog.ActiveConnection();
    const bool dropped = connection.ExecuteSql(QStringLiteral("DROP TABLE ") + connection.QuoteName(found->Name));
    catalog.Refresh();
    return dropped;
}

DatabaseHandler::DatabaseHandler(int databaseType) : m_databaseType(databaseType) {}

int DatabaseHandler::ConvertRequest(const QString &connectionString, const QString &tableName, int convertMode)
{
    m_requests.append(tableName);
    if (m_answer)
        return m_answer(connectionString, tableName, convertMode);
    ServicesHelper &services = ServicesHelper::instance();
    const QString question = ResourceTexts::instance().Text(TextId::ConvertTableQuestion, {tableName});
    // No is the default: a host that answers no message (a batch job) converts nothing unasked.
    const int answer = services.ShowMessage(question, MsgBox::vbYesNo | MsgBox::vbQuestion | MsgBox::vbDefaultButton2,
                                            services.ApplicationTitle());
    return answer == MsgBox::vbYes ? CheckTableResult::Continue : CheckTableResult::Declined;
}

} // namespace KvoPlx800SCtl::HostKit
