#pragma once

#include "enums.h"
#include "interfaces.h"
#include "windows.h"

#include "columns/ccheckname.h"
#include "filter/cfilterterms.h"

#include "hostkit/resourcetexts.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <memory>

namespace KvoPlx800SCtl {

class CFilterColumns;

namespace HostKit {
class Catalog;
class IBaseTableStructure;
class IDatabaseHandler;
class IFormsInterface;
class IProgress;
class IUserProfile;
class RecordSet;
} // namespace HostKit

/// The search filter of one base table: the host sends every request about that table's search
/// columns here. Made by CCommon::CreateSearchFilterObject.
class CSearchFilter
{
public:
    CSearchFilter();
    ~CSearchFilter();
    CSearchFilter(const CSearchFilter &) = delete;
    CSearchFilter &operator=(const CSearchFilter &) = delete;

    // --- Public members ---------------------------------------------------------------------
    /// True when the block's values were stored (or the block held none).
    [[nodiscard]] bool AnalyzeDataBlock(const QDateTime &dtmTimestamp, const QString &strSourceFile,
                                        ISearchBaseEntry *dflThis, const QByteArray &baData);
    /// The library's large menu picture for a FilterMenuItems value (none for some items).
    HostKit::Picture BitmapLarge(int enmBitmapId) const;
    /// The library's small menu picture for a FilterMenuItems value.
    HostKit::Picture BitmapSmall(int enmBitmapId) const;
    /// Checks the search tables against the definitions and, as the convert mode and the database
    /// handler allow, converts them: a check-table result code (0 went on; 1 to 5 stopped, see
    /// HostKit::CheckTableResult). Refused with NotAllowed inside a transaction the host has open
    /// on a shared connection.
    [[nodiscard]] int CheckTable(HostKit::IProgress *roProgress, int enmConvertMode, bool blnCheckKeysAndIndexes);
    /// Opens the column configuration dialog modally; saving it runs CFilterColumns::ColumnsSave.
    void Configure(HostKit::IFormsInterface *oFI);
    /// Removes the merge names that CopyConfiguration left; false when they could not be removed.
    [[nodiscard]] bool CopyCleanup();
    /// Adds the columns of `rsfSource` to this filter's base table (a name taken here gets a suffix
    /// "_1", "_2", ...) and saves them.
    [[nodiscard]] ESearchFilterCopyConfigurationResults CopyConfiguration(HostKit::IProgress *roProgress,
                                                                          CSearchFilter *rsfSource);
    /// Copies the values of record `roSource` of `sfSource`'s base table to record `roTarget` here.
    [[nodiscard]] ESearchFilterCopyConfigurationResults
    CopyValuesBetweenTables(CSearchFilter *sfSource, ISearchBaseEntry *roSource, ISearchBaseEntry *roTarget);
    /// Copies the values of one record of the base table to another; true when all were written.
    [[nodiscard]] bool CopyValuesWithinTable(ISearchBaseEntry *roSource, ISearchBaseEntry *roTarget);
    /// Defines one of the demonstration column sets on a base table that has no columns yet.
    void CreateDemoColumnSet(EDemoColumnSet enmDemoSet, HostKit::IProgress *roProgress, HostKit::IFormsInterface *oFI);
    /// Opens no window and changes no data: editing is done in the data-entry control and the
    /// examine window. Returns fltr_SUCCESS.
    [[nodiscard]] FilterStatusConstants Edit(HostKit::RecordSet *rstSource, HostKit::IFormsInterface *oFI);
    /// Whether the filter holds a column set (the set-up succeeded).
    bool Exists() const;
    /// The filter the user builds in the filter dialog, saved as the last filter; nullptr when the
    /// user cancels or the dialog cannot be shown, which `status` tells apart.
    [[nodiscard]] std::unique_ptr<CFilterTerms> Filter(HostKit::IUserProfile *oOldProfile, const QString &strUser,
                                                       HostKit::IFormsInterface *oFI, EFilterDatabaseModes enmMode,
                                                       FilterRequestStatus *status = nullptr);
    /// The column set; nullptr when the set-up failed.
    CFilterColumns *FilterColumns() const { return m_columns.get(); }
    /// The search tables under the base table's former names, when the base-table interface
    /// reports it renamed (an empty list otherwise); nullptr without a column set.
    [[nodiscard]] std::unique_ptr<CCheckNameList> GetCheckNameList();
    /// Writes the initial search values of a new base record.
    [[nodiscard]] bool InitializeSearchData(ISearchBaseEntry *roEntry);
    /// A base entry of key `lngId`, for the merge and copy calls.
    std::unique_ptr<ISearchBaseEntry> MakeMergeBaseEntry(qint32 lngId) const;
    /// True when the record's values were merged.
    [[nodiscard]] bool MergeSearchData(ISearchBaseEntry *entryTarget, CSearchFilter *sfSource,
                                       ISearchBaseEntry *entrySource);
    /// The library's standard menu caption for a FilterMenuItems value.
    QString StandardCaption(int enmCaptionId) const;
    /// Writes the three demonstration values of an NC program file record.
    void UpdateDemoDncFile(HostKit::IProgress *roProgress, HostKit::IFormsInterface *oFI, ISearchBaseEntry *sbeDncFile,
                           const QString &strDrawingNo, const QString &strPartNo, const QString &strCustomer);
    /// Writes the three demonstration values of a job packet record.
    void UpdateDemoPacket(HostKit::IProgress *roProgress, HostKit::IFormsInterface *oFI, ISearchBaseEntry *sbePacket,
                          const QString &strOpNo, const QString &strOpType, const QString &strDescription);
    /// Opens the examine window in examine mode on the record of `rstSource`.
    void View(HostKit::RecordSet *rstSource, ISearchBaseEntry *roSource, HostKit::IFormsInterface *oFI);

    // --- Inside the library -----------------------------------------------------------------
    /// Sets the column set up with the host's components (see CFilterColumns::Setup); the set is
    /// kept only for kvoFCSSuccess and kvoFCSNoColumnsDefined.
    void OpenSearch(HostKit::IDatabaseHandler *roHandler, ISearchBaseTable *roBaseTable, HostKit::Catalog *roCatalog,
                    HostKit::IUserProfile *roProfile, int enmConvertMode,
                    HostKit::IBaseTableStructure *roBaseStructure);
    /// The status the set-up left (also when it released the column set).
    ColumnsStatusConstants setupStatus() const { return m_setupStatus; }
    /// Takes the owner rectangle of the library's dialogs from the forms-interface object, or
    /// from the screen without one.
    void SetupOwnerLocation(HostKit::IFormsInterface *oFI);
    /// The SQL fragments a host puts into its own query: the search fields, the join condition of
    /// the search-data table on the base table, and that table.
    ///@{
    QString SQLSearchFields() const;
    QString SQLSearchJoinOn() const;
    QString SQLSearchTable() const;
    ///@}
    /// The comparison class of a field of the base table (when `table` names it) or of a column.
    FilterComparisonClasses ComparisonClassOfField(const QString &field, const QString &table) const;
    /// Replaces the column set.
    void setFilterColumns(std::unique_ptr<CFilterColumns> columns);

    // --- Saved filters (src/filter/savedfilters.cpp) ----------------------------------------
    /// The profile section of the last filter of a user: base table "_" user key ["_Archive"]
    /// "_Last_Filter".
    QString FilterSection(const QString &userKey, EFilterDatabaseModes mode) const;
    /// The filter saved in `profile` under `userKey`; nullptr without a profile.
    std::unique_ptr<CFilterTerms> GetFilter(CFilterColumns *columns, HostKit::IUserProfile *profile,
                                            const QString &userKey, EFilterDatabaseModes mode) const;
    /// Replaces the saved filter (deletes it when `terms` is nullptr or empty).
    void SaveFilter(const CFilterTerms *terms, CFilterColumns *columns, HostKit::IUserProfile *profile,
                    const QString &userKey, EFilterDatabaseModes mode) const;
    /// The user's last filter, looked up under the user's number, then under the user's name in this
    /// profile and in `oOldProfile`; a filter found in an older place is moved to the current one.
    /// An empty filter when none is saved; nullptr without a column set.
    std::unique_ptr<CFilterTerms> LastFilter(HostKit::IUserProfile *oOldProfile, const QString &strUser,
                                             EFilterDatabaseModes mode);

private:
    std::unique_ptr<CFilterColumns> m_columns;
    ColumnsStatusConstants m_setupStatus = kvoFCSUndefinedStatus;
};

} // namespace KvoPlx800SCtl
