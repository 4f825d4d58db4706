#include "core/csearchfilter.h"

#include "core/tracescope.h"
#include "data/basimport.h"

namespace KvoPlx800SCtl {

namespace {
constexpr const char *Module = "CSearchFilter";
}

bool CSearchFilter::AnalyzeDataBlock(const QDateTime &dtmTimestamp, const QString &strSourceFile,
                                     ISearchBaseEntry *dflThis, const QByteArray &baData)
{
    return traced("AnalyzeDataBlock", Module, false, [&](bool &result) {
        result = basImport::AnalyzeDataBlock(this, dtmTimestamp, strSourceFile, dflThis, baData);
    });
}

} // namespace KvoPlx800SCtl
