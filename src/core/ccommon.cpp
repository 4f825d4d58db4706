#include "ccommon.h"

#include "tracescope.h"
#include "windows.h"

#include "hostkit/serviceshelper.h"

#include <QScopeGuard>

namespace KvoPlx800SCtl {

namespace {
constexpr const char *Module = "CCommon";
}

CCommon &CCommon::global()
{
    static CCommon common;
    return common;
}

void CCommon::CloseSCtlForms()
{
    traced("CloseSCtlForms", Module, [&] {
        if (m_closing)
            return;
        m_closing = true;
        const auto reset = qScopeGuard([&] { m_closing = false; });
        QList<ILoadedWindow *> windows = LoadedWindows::all();
        while (!windows.isEmpty()) {
            ILoadedWindow *window = windows.takeLast();
            // A window that fails to hide does not stop the others from closing.
            try {
                if (window->isWindowVisible())
                    window->hideWindow();
            } catch (...) {
            }
            HostKit::ServicesHelper::instance().Idle();
        }
    });
}

std::unique_ptr<CSearchFilter> CCommon::CreateSearchFilterObject(HostKit::IDatabaseHandler *roHandler,
                                                                 ISearchBaseTable *roBaseTable,
                                                                 HostKit::Catalog *roCatalog,
                                                                 HostKit::IUserProfile *roProfile, int enmConvertMode,
                                                                 HostKit::IBaseTableStructure *roBaseStructure)
{
    return traced("CreateSearchFilterObject", Module, std::unique_ptr<CSearchFilter>(),
                  [&](std::unique_ptr<CSearchFilter> &result) {
                      result = std::make_unique<CSearchFilter>();
                      result->OpenSearch(roHandler, roBaseTable, roCatalog, roProfile, enmConvertMode, roBaseStructure);
                  });
}

bool CCommon::InitializeSearchData(ISearchBaseEntry *roEntry, HostKit::IDatabaseHandler *roHandler,
                                   ISearchBaseTable *roBaseTable, HostKit::Catalog *roCatalog,
                                   HostKit::IUserProfile *roProfile, HostKit::IBaseTableStructure *roBaseStructure)
{
    return traced("InitializeSearchData", Module, false, [&](bool &result) {
        auto filter = CreateSearchFilterObject(roHandler, roBaseTable, roCatalog, roProfile, 0, roBaseStructure);
        if (filter)
            result = filter->InitializeSearchData(roEntry);
    });
}

} // namespace KvoPlx800SCtl
