#include "testhost.h"

#include "hostkit/trace.h"

using namespace KvoPlx800SCtl;
using namespace KvoPlx800SCtl::HostKit;

namespace KvoTest {

std::unique_ptr<Host> makeHost(int records, std::optional<Engine> engine)
{
    auto db = open(engine);
    if (!db)
        return nullptr;
    auto host = std::make_unique<Host>();
    host->use(std::move(db));
    if (!host->createBaseTable(QStringLiteral("Parts"), records))
        return nullptr;
    host->openTable(QStringLiteral("Parts"));
    return host;
}

Host *HostPerEngine::get(const std::function<std::unique_ptr<Host>()> &make)
{
    std::unique_ptr<Host> &host = m_hosts[currentEngine()];
    if (!host)
        host = make();
    return host.get();
}

QList<KvoPlx800SCtl::ColumnDefinition> everyType()
{
    return {{"Material", fcText, {}, 60},    {"Notes", fcNote, {}, 60},    {"Count16", fcInteger16, {}, 0},
            {"Count32", fcInteger32, {}, 0}, {"Ratio", fcSingle, {}, 0},   {"Weight", fcDouble, {}, 0},
            {"Made", fcDateTime, {}, 0},     {"Active", fcBoolean, {}, 0}, {"Tags", fcKeyword, {}, 60}};
}

QString definitionRow(Host &host, const QString &column)
{
    return rows(host.connection(), QStringLiteral("SELECT [Type], [Size], [IsPicklist], [PicklistDefault] FROM "
                                                  "[SearchColumnConfiguration] WHERE [BaseTable] = 'Parts' AND "
                                                  "[Name] = '%1'")
                                           .arg(column))
            .value(0);
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
