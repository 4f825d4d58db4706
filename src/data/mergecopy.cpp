// Placeholder bodies until this feature lands.
#include "core/csearchfilter.h"

#include "columns/cfiltercolumns.h"
#include "core/tracescope.h"

namespace KvoPlx800SCtl {

using namespace HostKit;

namespace {
constexpr const char *Module = "CSearchFilter";
}

void CSearchFilter::CopyCleanup()
{
    traced("CopyCleanup", Module, [&] { reportNotAvailable("CopyCleanup", Module, QStringLiteral("copying search data")); });
}

ESearchFilterCopyConfigurationResults CSearchFilter::CopyConfiguration(IProgress *, CSearchFilter *)
{
    return traced("CopyConfiguration", Module, fltrCCR_Failed, [&](ESearchFilterCopyConfigurationResults &) {
        reportNotAvailable("CopyConfiguration", Module, QStringLiteral("copying a configuration"));
    });
}

ESearchFilterCopyConfigurationResults CSearchFilter::CopyValuesBetweenTables(CSearchFilter *, ISearchBaseEntry *,
                                                                             ISearchBaseEntry *)
{
    return traced("CopyValuesBetweenTables", Module, fltrCCR_Failed, [&](ESearchFilterCopyConfigurationResults &) {
        reportNotAvailable("CopyValuesBetweenTables", Module, QStringLiteral("copying search data"));
    });
}

bool CSearchFilter::CopyValuesWithinTable(ISearchBaseEntry *, ISearchBaseEntry *)
{
    return traced("CopyValuesWithinTable", Module, false, [&](bool &) {
        reportNotAvailable("CopyValuesWithinTable", Module, QStringLiteral("copying search data"));
    });
}

void CSearchFilter::MergeSearchData(ISearchBaseEntry *, CSearchFilter *, ISearchBaseEntry *)
{
    traced("MergeSearchData", Module,
           [&] { reportNotAvailable("MergeSearchData", Module, QStringLiteral("merging search data")); });
}

} // namespace KvoPlx800SCtl
