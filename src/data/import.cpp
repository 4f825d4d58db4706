#include "core/csearchfilter.h"

#include "core/tracescope.h"
#include "data/basimport.h"

namespace KvoPlx800SCtl {

namespace {
constexpr const char *Module = "CSearchFilter";
}

void CSearchFilter::AnalyzeDataBlock(const QDateTime &dtmTimestamp, const QString &strSourceFile,
                                     ISearchBaseEntry *dflThis, const QByteArray &baData)
{
    traced("AnalyzeDataBlock", Module,
           [&] { basImport::AnalyzeDataBlock(this, dtmTimestamp, strSourceFile, dflThis, baData); });
}

} // namespace KvoPlx800SCtl
