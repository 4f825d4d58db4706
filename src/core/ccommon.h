#pragma once

#include "csearchfilter.h"

#include <memory>

namespace KvoPlx800SCtl {

/// The door of the library: makes search filters and closes the library's windows.
class CCommon
{
public:
    /// The global object, for callers that do not make their own.
    static CCommon &global();

    /// Closes every window of the library that is still open (guarded against re-entry).
    void CloseSCtlForms();
    /// A search filter for one base table, set up with the host's components. It is returned
    /// whatever the set-up's outcome; a failed set-up shows as FilterColumns() being nullptr.
    [[nodiscard]] std::unique_ptr<CSearchFilter>
    CreateSearchFilterObject(HostKit::IDatabaseHandler *roHandler, ISearchBaseTable *roBaseTable,
                             HostKit::Catalog *roCatalog, HostKit::IUserProfile *roProfile, int enmConvertMode,
                             HostKit::IBaseTableStructure *roBaseStructure);
    /// Writes the initial search values of a new base record.
    [[nodiscard]] bool InitializeSearchData(ISearchBaseEntry *roEntry, HostKit::IDatabaseHandler *roHandler,
                                            ISearchBaseTable *roBaseTable, HostKit::Catalog *roCatalog,
                                            HostKit::IUserProfile *roProfile,
                                            HostKit::IBaseTableStructure *roBaseStructure);

    /// Whether CloseSCtlForms is running.
    bool closingForms() const { return m_closing; }

private:
    bool m_closing = false;
};

} // namespace KvoPlx800SCtl
