#pragma once

#include "enums.h"
#include "interfaces.h"

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
    void AnalyzeDataBlock(const QDateTime &dtmTimestamp, const QString &strSourceFile, ISearchBaseEntry *dflThis,
                          const QByteArray &baData);
    HostKit::Picture BitmapLarge(int enmBitmapId) const;
    HostKit::Picture BitmapSmall(int enmBitmapId) const;
    int CheckTable(HostKit::IProgress *roProgress, int enmConvertMode, bool blnCheckKeysAndIndexes);
    void Configure(HostKit::IFormsInterface *oFI);
    void CopyCleanup();
    ESearchFilterCopyConfigurationResults CopyConfiguration(HostKit::IProgress *roProgress, CSearchFilter *rsfSource);
    ESearchFilterCopyConfigurationResults CopyValuesBetweenTables(CSearchFilter *sfSource, ISearchBaseEntry *roSource,
                                                                  ISearchBaseEntry *roTarget);
    bool CopyValuesWithinTable(ISearchBaseEntry *roSource, ISearchBaseEntry *roTarget);
    void CreateDemoColumnSet(EDemoColumnSet enmDemoSet, HostKit::IProgress *roProgress, HostKit::IFormsInterface *oFI);
    FilterStatusConstants Edit(HostKit::RecordSet *rstSource, HostKit::IFormsInterface *oFI);
    bool Exists() const;
    std::unique_ptr<CFilterTerms> Filter(HostKit::IUserProfile *oOldProfile, const QString &strUser,
                                         HostKit::IFormsInterface *oFI, EFilterDatabaseModes enmMode);
    CFilterColumns *FilterColumns() const { return m_columns.get(); }
    std::unique_ptr<CCheckNameList> GetCheckNameList();
    bool InitializeSearchData(ISearchBaseEntry *roEntry);
    std::unique_ptr<ISearchBaseEntry> MakeMergeBaseEntry(qint32 lngId) const;
    void MergeSearchData(ISearchBaseEntry *entryTarget, CSearchFilter *sfSource, ISearchBaseEntry *entrySource);
    QString StandardCaption(int enmCaptionId) const;
    void UpdateDemoDncFile(HostKit::IProgress *roProgress, HostKit::IFormsInterface *oFI, ISearchBaseEntry *sbeDncFile,
                           const QString &strDrawingNo, const QString &strPartNo, const QString &strCustomer);
    void UpdateDemoPacket(HostKit::IProgress *roProgress, HostKit::IFormsInterface *oFI, ISearchBaseEntry *sbePacket,
                          const QString &strOpNo, const QString &strOpType, const QString &strDescription);
    void View(HostKit::RecordSet *rstSource, ISearchBaseEntry *roSource, HostKit::IFormsInterface *oFI);

    // --- Inside the library -----------------------------------------------------------------
    void OpenSearch(HostKit::IDatabaseHandler *roHandler, ISearchBaseTable *roBaseTable, HostKit::Catalog *roCatalog,
                    HostKit::IUserProfile *roProfile, int enmConvertMode, HostKit::IBaseTableStructure *roBaseStructure);
    // The status the set-up left (also when it released the column set).
    ColumnsStatusConstants setupStatus() const { return m_setupStatus; }
    void SetupOwnerLocation(HostKit::IFormsInterface *oFI);
    QString SQLSearchFields() const;
    QString SQLSearchJoinOn() const;
    QString SQLSearchTable() const;
    // The comparison class of a field of the base table (when `table` names it) or of a column.
    FilterComparisonClasses ComparisonClassOfField(const QString &field, const QString &table) const;
    void setFilterColumns(std::unique_ptr<CFilterColumns> columns);

private:
    std::unique_ptr<CFilterColumns> m_columns;
    ColumnsStatusConstants m_setupStatus = kvoFCSUndefinedStatus;
};

} // namespace KvoPlx800SCtl
