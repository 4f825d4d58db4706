#include "testhost.h"

#include "columns/cfiltercolumns.h"

#include "hostkit/adotypes.h"
#include "hostkit/connection.h"
#include "hostkit/tablestructure.h"
#include "hostkit/trace.h"

using namespace KvoPlx800SCtl;
using namespace KvoPlx800SCtl::HostKit;

namespace KvoTest {

CFilterColumns *Host::columns() const { return filter ? filter->FilterColumns() : nullptr; }

bool Host::createBaseTable(const QString &name, int records, const QString &keyField, bool textKey)
{
    TableStructure s(name);
    s.addField(keyField, textKey ? adVarWChar : adInteger, textKey ? 20 : 0, false);
    s.addField(QStringLiteral("Description"), adVarWChar, 100);
    s.addField(QStringLiteral("Qty"), adInteger);
    s.addKey(QStringLiteral("PK_") + name, KeyKind::Primary, {keyField});
    if (!s.Create(catalog())) {
        qWarning("Creating %s failed: %s", qPrintable(name), qPrintable(s.lastError()));
        return false;
    }
    Connection &c = connection();
    for (int id = 1; id <= records; ++id) {
        const QString key = textKey ? c.QuoteText(QString::number(id)) : QString::number(id);
        const QString sql = QStringLiteral("INSERT INTO %1 (%2, %3, %4) VALUES (%5, %6, %7)")
                                    .arg(c.QuoteName(name), c.QuoteName(keyField),
                                         c.QuoteName(QStringLiteral("Description")), c.QuoteName(QStringLiteral("Qty")),
                                         key, c.QuoteText(QStringLiteral("Bracket %1").arg(id)), QString::number(id * 10));
        if (!exec(c, sql))
            return false;
    }
    return true;
}

void Host::openFilter(const QString &name, const QStringList &formerNames)
{
    filter.reset();
    catalog().Refresh();
    baseTable = std::make_unique<BaseTableInfo>(name, formerNames);
    structure = BaseTableStructure::fromCatalog(catalog(), name);
    if (!handler)
        handler = std::make_unique<DatabaseHandler>(connection().dialect().DatabaseType());
    if (!profile) {
        profileDir = std::make_unique<QTemporaryDir>();
        profile = std::make_unique<UserProfile>(profileDir->filePath(QStringLiteral("profile.ini")));
    }
    filter = CCommon::global().CreateSearchFilterObject(handler.get(), baseTable.get(), db->catalog.get(),
                                                        profile.get(), 0, structure.get());
}

std::unique_ptr<Host> makeHost(int records, const QString &engine)
{
    auto host = std::make_unique<Host>();
    host->db = open(engine);
    if (!host->db || !host->createBaseTable(QStringLiteral("Parts"), records))
        return nullptr;
    host->openFilter(QStringLiteral("Parts"));
    return host;
}

Host *HostPerEngine::get(const std::function<std::unique_ptr<Host>()> &make)
{
    std::unique_ptr<Host> &host = m_hosts[currentEngine()];
    if (!host)
        host = make();
    return host.get();
}

CFilterColumn *addColumn(CFilterColumns &set, const ColumnDef &def)
{
    return set.Add(def.name, def.caption, QString(), def.type, def.length, def.picklist, def.blanks,
                   def.picklistDefault, fcDTDM_Configure, Variant::null(), false);
}

bool addColumns(CFilterColumns &set, const QList<ColumnDef> &defs)
{
    for (const ColumnDef &def : defs) {
        if (!addColumn(set, def))
            return false;
    }
    return set.ColumnsSave(nullptr);
}

QList<ColumnDef> everyType()
{
    return {{"Material", fcText, {}, 60},    {"Notes", fcNote, {}, 60},    {"Count16", fcInteger16, {}, 0},
            {"Count32", fcInteger32, {}, 0}, {"Ratio", fcSingle, {}, 0},   {"Weight", fcDouble, {}, 0},
            {"Made", fcDateTime, {}, 0},     {"Active", fcBoolean, {}, 0}, {"Tags", fcKeyword, {}, 60}};
}

QString typed(const Variant &value)
{
    return QString::fromLatin1(variantTypeName(value.type())) + u':' + value.toText();
}

ReportedFailures::ReportedFailures()
    : m_id(Trace::instance().addErrorSink([this](const TraceError &e, int) { m_sources.append(e.Source); }))
{}

ReportedFailures::~ReportedFailures() { Trace::instance().removeErrorSink(m_id); }

ScriptedMessages::ScriptedMessages(int answer)
    : m_previous(ServicesHelper::instance().setMessageHandler([this, answer](const MessageRequest &request) {
          m_requests.append(request);
          return answer;
      }))
{}

ScriptedMessages::~ScriptedMessages() { ServicesHelper::instance().setMessageHandler(m_previous); }

} // namespace KvoTest
