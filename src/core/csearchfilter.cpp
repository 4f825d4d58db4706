#include "csearchfilter.h"

#include "basglobals.h"
#include "tracescope.h"
#include "windows.h"

#include "columns/basvalidate.h"
#include "columns/ccheckname.h"
#include "columns/cfiltercolumns.h"
#include "filter/cfilterterms.h"

#include "hostkit/basetablestructure.h"
#include "hostkit/connection.h"
#include "hostkit/dialect.h"
#include "hostkit/formsinterface.h"
#include "hostkit/serviceshelper.h"

namespace KvoPlx800SCtl {

using namespace HostKit;

namespace {
constexpr const char *Module = "CSearchFilter";
}

CSearchFilter::CSearchFilter() = default;

CSearchFilter::~CSearchFilter() = default;

void CSearchFilter::setFilterColumns(std::unique_ptr<CFilterColumns> columns)
{
    m_columns = std::move(columns);
}

void CSearchFilter::OpenSearch(IDatabaseHandler *roHandler, ISearchBaseTable *roBaseTable, Catalog *roCatalog,
                               IUserProfile *roProfile, int enmConvertMode, IBaseTableStructure *roBaseStructure)
{
    traced("OpenSearch", Module, [&] {
        auto columns = std::make_unique<CFilterColumns>();
        columns->Setup(roHandler, roBaseTable, roCatalog, roProfile, enmConvertMode, roBaseStructure);
        m_setupStatus = columns->Status();
        if (m_setupStatus == kvoFCSSuccess || m_setupStatus == kvoFCSNoColumnsDefined)
            m_columns = std::move(columns);
        else
            m_columns.reset();
    });
}

bool CSearchFilter::Exists() const
{
    return m_columns && m_columns->Count() > 0;
}

HostKit::Picture CSearchFilter::BitmapLarge(int enmBitmapId) const
{
    return traced("BitmapLarge(Get)", Module, Picture{}, [&](Picture &result) { result = basGlobals::BitmapLarge(enmBitmapId); });
}

HostKit::Picture CSearchFilter::BitmapSmall(int enmBitmapId) const
{
    return traced("BitmapSmall(Get)", Module, Picture{}, [&](Picture &result) { result = basGlobals::BitmapSmall(enmBitmapId); });
}

QString CSearchFilter::StandardCaption(int enmCaptionId) const
{
    return traced("StandardCaption(Get)", Module, QString(),
                  [&](QString &result) { result = basGlobals::StandardCaption(enmCaptionId); });
}

void CSearchFilter::SetupOwnerLocation(IFormsInterface *oFI)
{
    traced("SetupOwnerLocation", Module, [&] {
        if (!m_columns)
            return;
        if (oFI) {
            m_columns->setOwnerRect(oFI->ownerRect());
            return;
        }
        const QSizeF screen = ServicesHelper::instance().ScreenSizeTwips();
        m_columns->setOwnerRect({float(0.1 * screen.width()), float(0.1 * screen.height()),
                                 float(0.8 * screen.width()), float(0.8 * screen.height())});
    });
}

// --- SQL fragments --------------------------------------------------------------------------

QString CSearchFilter::SQLSearchFields() const
{
    return traced("SQLSearchFields", Module, QString(), [&](QString &result) {
        if (!m_columns || !m_columns->dialect())
            return;
        const Dialect &db = *m_columns->dialect();
        const QString table = m_columns->SearchDataTableName();
        QStringList items;
        for (const CFilterColumn *c : m_columns->NewEnum()) {
            if (c->ColumnType() == fcKeyword)
                continue;
            QString item = db.QualifiedName(table, c->Name());
            if (!c->Caption().isEmpty())
                item += QStringLiteral(" AS ") + db.QuoteName(c->Caption());
            items.append(item);
        }
        result = items.join(QLatin1Char(','));
    });
}

QString CSearchFilter::SQLSearchJoinOn() const
{
    return traced("SQLSearchJoinOn", Module, QString(), [&](QString &result) {
        if (!m_columns || !m_columns->dialect() || !m_columns->keyColumn())
            return;
        const Dialect &db = *m_columns->dialect();
        const QString key = m_columns->keyFieldName();
        result = db.QualifiedName(m_columns->baseTableName(), key) + QStringLiteral(" = ") +
                 db.QualifiedName(m_columns->SearchDataTableName(), key);
    });
}

QString CSearchFilter::SQLSearchTable() const
{
    return traced("SQLSearchTable", Module, QString(), [&](QString &result) {
        if (!m_columns || !m_columns->dialect() || !m_columns->HasStandardColumns())
            return;
        result = m_columns->dialect()->QuoteName(m_columns->SearchDataTableName());
    });
}

FilterComparisonClasses CSearchFilter::ComparisonClassOfField(const QString &field, const QString &table) const
{
    return traced("ComparisonClassOfField", Module, kvoCC_Unknown, [&](FilterComparisonClasses &result) {
        if (!m_columns)
            return;
        IBaseTableStructure *structure = m_columns->baseStructure();
        if (structure && table.compare(structure->Name(), Qt::CaseInsensitive) == 0) {
            result = basValidate::ComparisonClassFromColumn(structure->FieldDescriptor(field));
            return;
        }
        result = basValidate::ComparisonClassFromColumn(m_columns->findByName(field));
    });
}

// --- Windows --------------------------------------------------------------------------------

void CSearchFilter::Configure(IFormsInterface *oFI)
{
    traced("Configure", Module, [&] {
        if (!m_columns)
            return;
        SetupOwnerLocation(oFI);
        if (ISearchFilterWindows *windows = searchFilterWindows())
            windows->Configure(*m_columns, oFI);
        else
            reportNotAvailable("Configure", Module, QStringLiteral("the configuration dialog"));
    });
}

void CSearchFilter::View(RecordSet *rstSource, ISearchBaseEntry *roSource, IFormsInterface *oFI)
{
    traced("View", Module, [&] {
        if (!m_columns)
            return;
        SetupOwnerLocation(oFI);
        if (ISearchFilterWindows *windows = searchFilterWindows())
            windows->View(*m_columns, rstSource, roSource, oFI);
        else
            reportNotAvailable("View", Module, QStringLiteral("the examine window"));
    });
}

FilterStatusConstants CSearchFilter::Edit(RecordSet *rstSource, IFormsInterface *oFI)
{
    Q_UNUSED(rstSource);
    Q_UNUSED(oFI);
    return traced("Edit", Module, fltr_SUCCESS, [&](FilterStatusConstants &) { ServicesHelper::instance().EditCall(); });
}


// --- Search data ----------------------------------------------------------------------------

bool CSearchFilter::InitializeSearchData(ISearchBaseEntry *roEntry)
{
    return traced("InitializeSearchData", Module, false, [&](bool &result) {
        if (!Exists())
            return;
        result = m_columns->InitializeSearchData(roEntry);
    });
}

std::unique_ptr<ISearchBaseEntry> CSearchFilter::MakeMergeBaseEntry(qint32 lngId) const
{
    return std::make_unique<CMergeBaseEntry>(lngId);
}

// --- Batch operations -----------------------------------------------------------------------









} // namespace KvoPlx800SCtl
