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

// The search filter of one base table: the host sends every request about that table's search
// columns here. Made by CCommon::CreateSearchFilterObject.
class CSearchFilter
{
public:
    CSearchFilter();
    ~CSearchFilter();
    CSearchFilter(const CSearchFilter &) = delete;
    CSearchFilter &operator=(const CSearchFilter &) = delete;

    // --- Public members ---------------------------------------------------------------------
    // True when the block's values were stored (or the block held none).
    [[nodiscard]] bool AnalyzeDataBlock(const QDateTime &dtmTimestamp, const QString &strSourceFile,
                                        ISearchBaseEntry *dflThis, const QByteArray &baData);
    HostKit::Picture BitmapLarge(int enmBitmapId) const;
    HostKit::Picture BitmapSmall(int enmBitmapId) const;
    [[nodiscard]] int CheckTable(HostKit::IProgress *roProgress, int enmConvertMode, bool blnCheckKeysAndIndexes);
    void Configure(HostKit::IFormsInterface *oFI);
    [[nodiscard]] bool CopyCleanup(); // false when the merge names could not be removed
    [[nodiscard]] ESearchFilterCopyConfigurationResults CopyConfiguration(HostKit::IProgress *roProgress,
                                                                          CSearchFilter *rsfSource);
    [[nodiscard]] ESearchFilterCopyConfigurationResults
    CopyValuesBetweenTables(CSearchFilter *sfSource, ISearchBaseEntry *roSource, ISearchBaseEntry *roTarget);
    [[nodiscard]] bool CopyValuesWithinTable(ISearchBaseEntry *roSource, ISearchBaseEntry *roTarget);
    void CreateDemoColumnSet(EDemoColumnSet enmDemoSet, HostKit::IProgress *roProgress, HostKit::IFormsInterface *oFI);
    [[nodiscard]] FilterStatusConstants Edit(HostKit::RecordSet *rstSource, HostKit::IFormsInterface *oFI);
    bool Exists() const;
    // The filter the user builds in the filter dialog, saved as the last filter; nullptr when the
    // user cancels or the dialog cannot be shown, which `status` tells apart.
    [[nodiscard]] std::unique_ptr<CFilterTerms> Filter(HostKit::IUserProfile *oOldProfile, const QString &strUser,
                                                       HostKit::IFormsInterface *oFI, EFilterDatabaseModes enmMode,
                                                       FilterRequestStatus *status = nullptr);
    CFilterColumns *FilterColumns() const { return m_columns.get(); }
    [[nodiscard]] std::unique_ptr<CCheckNameList> GetCheckNameList();
    [[nodiscard]] bool InitializeSearchData(ISearchBaseEntry *roEntry);
    std::unique_ptr<ISearchBaseEntry> MakeMergeBaseEntry(qint32 lngId) const;
    // True when the record's values were merged.
    [[nodiscard]] bool MergeSearchData(ISearchBaseEntry *entryTarget, CSearchFilter *sfSource,
                                       ISearchBaseEntry *entrySource);
    QString StandardCaption(int enmCaptionId) const;
    void UpdateDemoDncFile(HostKit::IProgress *roProgress, HostKit::IFormsInterface *oFI, ISearchBaseEntry *sbeDncFile,
                           const QString &strDrawingNo, const QString &strPartNo, const QString &strCustomer);
    void UpdateDemoPacket(HostKit::IProgress *roProgress, HostKit::IFormsInterface *oFI, ISearchBaseEntry *sbePacket,
                          const QString &strOpNo, const QString &strOpType, const QString &strDescription);
    void View(HostKit::RecordSet *rstSource, ISearchBaseEntry *roSource, HostKit::IFormsInterface *oFI);

    // --- Inside the library -----------------------------------------------------------------
    void OpenSearch(HostKit::IDatabaseHandler *roHandler, ISearchBaseTable *roBaseTable, HostKit::Catalog *roCatalog,
                    HostKit::IUserProfile *roProfile, int enmConvertMode,
                    HostKit::IBaseTableStructure *roBaseStructure);
    // The status the set-up left (also when it released the column set).
    ColumnsStatusConstants setupStatus() const { return m_setupStatus; }
    void SetupOwnerLocation(HostKit::IFormsInterface *oFI);
    QString SQLSearchFields() const;
    QString SQLSearchJoinOn() const;
    QString SQLSearchTable() const;
    // The comparison class of a field of the base table (when `table` names it) or of a column.
    FilterComparisonClasses ComparisonClassOfField(const QString &field, const QString &table) const;
    void setFilterColumns(std::unique_ptr<CFilterColumns> columns);

    // --- Saved filters (src/filter/savedfilters.cpp) ----------------------------------------
    // The profile section of the last filter of a user: base table "_" user key ["_Archive"]
    // "_Last_Filter".
    QString FilterSection(const QString &userKey, EFilterDatabaseModes mode) const;
    // The filter saved in `profile` under `userKey`; nullptr without a profile.
    std::unique_ptr<CFilterTerms> GetFilter(CFilterColumns *columns, HostKit::IUserProfile *profile,
                                            const QString &userKey, EFilterDatabaseModes mode) const;
    // Replaces the saved filter (deletes it when `terms` is nullptr or empty).
    void SaveFilter(const CFilterTerms *terms, CFilterColumns *columns, HostKit::IUserProfile *profile,
                    const QString &userKey, EFilterDatabaseModes mode) const;
    // The user's last filter, looked up under the user's number, then under the user's name in this
    // profile and in `oOldProfile`; a filter found in an older place is moved to the current one.
    // An empty filter when none is saved; nullptr without a column set.
    std::unique_ptr<CFilterTerms> LastFilter(HostKit::IUserProfile *oOldProfile, const QString &strUser,
                                             EFilterDatabaseModes mode);

private:
    std::unique_ptr<CFilterColumns> m_columns;
    ColumnsStatusConstants m_setupStatus = kvoFCSUndefinedStatus;
};

} // namespace KvoPlx800SCtl
