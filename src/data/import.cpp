// Placeholder bodies until this feature lands.
#include "core/csearchfilter.h"

#include "columns/cfiltercolumns.h"
#include "core/tracescope.h"

namespace KvoPlx800SCtl {

using namespace HostKit;

namespace {
constexpr const char *Module = "CSearchFilter";
}

void CSearchFilter::AnalyzeDataBlock(const QDateTime &, const QString &, ISearchBaseEntry *, const QByteArray &)
{
    traced("AnalyzeDataBlock", Module,
           [&] { reportNotAvailable("AnalyzeDataBlock", Module, QStringLiteral("the data block import")); });
}

} // namespace KvoPlx800SCtl
