// Placeholder bodies until this feature lands.
#include "core/csearchfilter.h"

#include "columns/cfiltercolumns.h"
#include "core/tracescope.h"

namespace KvoPlx800SCtl {

using namespace HostKit;

namespace {
constexpr const char *Module = "CSearchFilter";
}

int CSearchFilter::CheckTable(IProgress *, int, bool)
{
    return traced("CheckTable", Module, 0, [&](int &) {
        if (m_columns)
            reportNotAvailable("CheckTable", Module, QStringLiteral("the table check"));
    });
}

std::unique_ptr<CCheckNameList> CSearchFilter::GetCheckNameList()
{
    return traced("GetCheckNameList", Module, std::unique_ptr<CCheckNameList>(), [&](std::unique_ptr<CCheckNameList> &) {
        if (m_columns)
            reportNotAvailable("GetCheckNameList", Module, QStringLiteral("the check name list"));
    });
}

std::unique_ptr<ProgressResult> CFilterColumns::IProgressHandler_ProcessRequest(IProgress &, int, ProgressArgs *)
{
    return nullptr;
}

} // namespace KvoPlx800SCtl
