#include "testhost.h"

#include "columns/cfiltercolumns.h"
#include "filter/cfilterterms.h"
#include "hostkit/catalog.h"
#include "hostkit/connection.h"
#include "hostkit/ddl_p.h"
#include "hostkit/trace.h"
#include "picklists/cscpicklist.h"

#include <QTest>

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

std::unique_ptr<Host> makeHost(int records, const QList<ColumnDefinition> &columns, std::optional<Engine> engine)
{
    auto host = makeHost(records, engine);
    return host && addColumns(*host->columns(), columns) ? std::move(host) : nullptr;
}

void HostTest::init()
{
    m_host = makeHost(m_records);
    QVERIFY(m_host);
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

QStringList definitionRows(Host &host, const QString &baseTable)
{
    return rows(host.connection(), QStringLiteral("SELECT [Position], [Name], [Type] FROM [SearchColumnConfiguration] "
                                                  "WHERE [BaseTable] = '%1' ORDER BY [Position]")
                                           .arg(baseTable));
}

QStringList dump(Host &host, Catalog *catalog)
{
    if (!catalog) {
        catalog = &host.catalog();
        catalog->Refresh();
    }
    QStringList tables = catalog->tableNames();
    tables.sort(Qt::CaseInsensitive);
    QStringList out;
    for (const QString &name : std::as_const(tables)) {
        const auto table = catalog->FindTable(name);
        if (!table)
            continue;
        out << QStringLiteral("table ") + table->Name;
        // Types and defaults as the engine means them: a field the catalog learnt from its own
        // change keeps the DDL's spelling of both.
        for (const CatalogColumn &c : table->Columns)
            out << QStringLiteral("  %1 %2(%3)%4 %5")
                            .arg(c.Name)
                            .arg(c.Type)
                            .arg(c.DefinedSize)
                            .arg(c.Nullable ? "" : " not null", HostKit::detail::normalizedDefault(c.DefaultValue));
        for (const CatalogKey &k : table->Keys)
            out << QStringLiteral("  key %1 %2 (%3) %4 (%5)")
                            .arg(k.Name)
                            .arg(k.Type)
                            .arg(k.Columns.join(u','), k.RelatedTable, k.RelatedColumns.join(u','));
        for (const CatalogIndex &i : table->Indexes)
            out << QStringLiteral("  index %1 (%2)%3").arg(i.Name, i.Columns.join(u','), i.Unique ? " unique" : "");
        QStringList data = rows(host.connection(), QStringLiteral("SELECT * FROM [%1]").arg(name));
        data.sort();
        out << data;
    }
    return out;
}

QString typed(const Variant &value)
{
    return QString::fromLatin1(variantTypeName(value.type())) + u':' + value.toText();
}

bool saveValues(CFilterColumns &set, int id, const Values &values)
{
    for (const auto &[name, value] : values)
        set.Item(name)->setUpdatedValue(value);
    CMergeBaseEntry entry(id);
    return set.SaveDataFromClientUpdates(&entry);
}

QStringList savedValues(const CFilterColumns &set, bool named)
{
    QStringList out;
    for (const CFilterColumn *c : set.NewEnum()) {
        QStringList keys = c->SavedKeys();
        keys.sort();
        out << (named ? c->Name() + u'=' : QString())
                        + (c->ColumnType() == fcKeyword ? keys.join(u'|') : typed(c->SavedValue()));
    }
    return out;
}

QStringList readValues(CFilterColumns &set, int id, bool *complete, bool named)
{
    CMergeBaseEntry entry(id);
    const bool all = set.GetData(&entry);
    if (complete)
        *complete = all;
    return savedValues(set, named);
}

QVariant storedValue(Host &host, int id, const QString &field)
{
    CFilterColumns &set = *host.columns();
    CMergeBaseEntry entry(id);
    return cell(host.connection(), QStringLiteral("SELECT [%1] FROM [%2] WHERE ").arg(field, set.SearchDataTableName())
                                           + set.SearchTableSeekCriteria(&entry));
}

bool refuse(Host &host, const QString &column, const QString &event)
{
    const QString table = host.columns()->SearchTableName(host.columns()->Item(column));
    return run(host.connection(),
               host.database().engine() == Engine::SQLite
                       ? QStringLiteral("CREATE TRIGGER refuse BEFORE %3 ON [%1] WHEN NEW.[%2] = 'refused' "
                                        "BEGIN SELECT RAISE(ABORT, 'refused'); END")
                                 .arg(table, column, event)
                       : QStringLiteral("ALTER TABLE [%1] ADD CONSTRAINT refuse CHECK ([%2] <> 'refused')")
                                 .arg(table, column));
}

Controls::Controls(CFilterColumns &set, const QStringList &names) : m_set(set)
{
    for (CFilterColumn *c : set.NewEnum()) {
        if (!names.isEmpty() && !names.contains(c->Name()))
            continue;
        std::unique_ptr<IControl> control;
        if (c->ColumnType() == fcBoolean)
            control = std::make_unique<CheckBoxModel>();
        else if (c->ColumnType() == fcKeyword)
            control = std::make_unique<ComboBoxModel>();
        else
            control = std::make_unique<TextBoxModel>();
        c->setMyControl(control.get());
        m_controls.emplace_back(c, std::move(control));
    }
}

Controls::~Controls()
{
    for (const auto &bound : m_controls)
        bound.first->setMyControl(nullptr);
}

QString Controls::shown(const QString &name) const
{
    const CFilterColumn *c = m_set.Item(name);
    if (const ITextBox *box = c->asTextBox())
        return box->text();
    if (const ICheckBox *check = c->asCheckBox())
        return QString::number(check->value());
    return c->asComboBox()->items().join(u'|');
}

void Controls::enter(const QString &name, const QString &text)
{
    const CFilterColumn *c = m_set.Item(name);
    if (ITextBox *box = c->asTextBox())
        box->setText(text);
    else if (ICheckBox *check = c->asCheckBox())
        check->setValue(text.toInt());
    else if (!text.isEmpty()) {
        for (const QString &item : text.split(u'|'))
            c->asComboBox()->addItem(item);
    }
}

ReportedFailures::ReportedFailures()
    : m_id(Trace::instance().addErrorSink([this](const TraceError &e, int) {
          m_sources.append(e.Source);
          m_descriptions.append(e.Description);
      }))
{}

ReportedFailures::~ReportedFailures() { Trace::instance().removeErrorSink(m_id); }

ScriptedMessages::ScriptedMessages(int answer)
    : m_previous(ServicesHelper::instance().setMessageHandler([this, answer](const MessageRequest &request) {
          m_requests.append(request);
          return answer;
      }))
{}

ScriptedMessages::~ScriptedMessages() { ServicesHelper::instance().setMessageHandler(m_previous); }

FilterDialogResult RecordingWindows::Filter(CFilterColumns &columns, const CFilterTerms *initial)
{
    m_offered = initial ? int(initial->Count()) : -1;
    if (m_answer != FilterRequestStatus::Applied)
        return {m_answer, nullptr};
    auto terms = std::make_unique<CFilterTerms>();
    terms->setFilterColumns(&columns);
    terms->Add(kvoCJ_None, columns.SearchDataTableName(), QStringLiteral("Weight"), kvoCC_Numeric, kvoOP_Less,
               QStringLiteral("3"));
    return {m_answer, std::move(terms)};
}

void RecordingWindows::EditPicklist(CScPicklist &picklist, IFormsInterface *owner)
{
    m_calls.append(QStringLiteral("EditPicklist:") + picklist.column()->Name());
    m_owners.append(owner);
}

void RecordingWindows::SelectAndEditPicklist(CFilterColumns &, IFormsInterface *owner)
{
    m_calls.append(QStringLiteral("SelectAndEditPicklist"));
    m_owners.append(owner);
}

void ClusterTest::initTestCase()
{
    if (qEnvironmentVariable(m_setup.urlVariable).isEmpty())
        QSKIP(qPrintable(
                QStringLiteral("%1: start one with scripts/cluster %2 start and set %3 to the URL it prints")
                        .arg(QLatin1String(m_setup.missing), m_setup.tallyName, QLatin1String(m_setup.urlVariable))));
    if (m_setup.tool.isEmpty())
        QSKIP("the command-line tool is not built");
}

void ClusterTest::init()
{
    QString error;
    m_db = KvoHost::ScratchDatabase::create(m_setup.engine,
                                            {.prefix = QStringLiteral("kvo_") + m_setup.tallyName,
                                             .serverUrl = qEnvironmentVariable(m_setup.urlVariable)},
                                            &error);
    QVERIFY2(m_db, qPrintable(error));
    KvoHost::Host host;
    host.use(*m_db);
    QVERIFY2(host.createBaseTable(QStringLiteral("Parts"), m_setup.records), "the base table Parts was not made");
    tally(m_setup.tallyName);
    checkDatabase();
}

} // namespace KvoTest
