#pragma once

#include "hostkit/progress.h"

#include <QDateTime>

#include <QString>
#include <QStringList>

#include <memory>

namespace KvoPlx800SCtl {

class CCheckNameList;
class CCheckPopulationArgs;
class CCheckPopulationResult;
class CFilterColumn;
class CFilterColumns;

namespace HostKit {
class TableStructure;
}

// The table check of one column set: brings the definition table, the search-data table, the
// keyword tables and the picklist tables to their layout, converts them where the convert mode
// allows it, and keeps the search-data table in line with the base records (the population
// check). It works on the column set it is made for and reads its columns and tables there.
//
// Every check answers with a check-table result of the database handler: 0 goes on, any other
// code ends the whole check and is handed back unchanged.
class TableCheck
{
public:
    explicit TableCheck(CFilterColumns &columns) : m_set(columns) {}

    [[nodiscard]] int CheckTable(HostKit::IProgress *roProgress, int enmConvertMode, bool blnCheckKeysAndIndexes);
    [[nodiscard]] int QueryConvert(HostKit::IProgress *roProgress, int enmConvertMode);
    [[nodiscard]] int Convert(HostKit::IProgress *roProgress, int enmConvertMode);
    [[nodiscard]] bool CheckColumns(HostKit::IProgress *roProgress, int enmConvertMode);
    [[nodiscard]] int CheckForeignKeysAndIndexes(HostKit::IProgress *roProgress, int enmConvertMode, bool blnCheckKeys,
                                                 bool blnBuild);
    [[nodiscard]] int ValidateStandardTable(int enmConvertMode);
    // Creates the table of a column's values with its keys and indexes, then checks it.
    [[nodiscard]] bool BuildDefaultTable(HostKit::IProgress *roProgress, CFilterColumn *column);
    // The single checks of one column's table: its field (and, for a picklist column, the picklist
    // table), its keys and indexes, its foreign keys. A difference is repaired with convert mode 1;
    // otherwise the database handler is asked first and an answer other than 0 is the result.
    [[nodiscard]] int CheckColumn(HostKit::IProgress *roProgress, int enmConvertMode, CFilterColumn *column);
    [[nodiscard]] int CheckIndexes(int enmConvertMode, CFilterColumn *column);
    [[nodiscard]] int CheckForeignKeys(int enmConvertMode, CFilterColumn *column);

    // The population check through the progress object (request 1, which the column set hands
    // back to CheckPopulationProgress).
    [[nodiscard]] int StartProcessDataReportProgress(HostKit::IProgress *roProgress, bool blnAsk, int enmConvertMode,
                                                     const QDateTime &dtmNow);
    static std::unique_ptr<CCheckPopulationArgs> CreateCheckPopulationArguments(bool blnAsk, int enmConvertMode,
                                                                                const QDateTime &dtmNow);
    // The population run: the record-set form for database kind 1, the SQL form otherwise.
    [[nodiscard]] std::unique_ptr<CCheckPopulationResult> CheckPopulationProgress(HostKit::IProgress &progress,
                                                                                  const CCheckPopulationArgs &args);
    [[nodiscard]] int CheckPopulationProgressADO(HostKit::IProgress &progress, const CCheckPopulationArgs &args);
    [[nodiscard]] int CheckPopulationProgressSQL(HostKit::IProgress &progress, const CCheckPopulationArgs &args);

    // One entry per former base-table name for every table of the column set.
    [[nodiscard]] std::unique_ptr<CCheckNameList> GetCheckNameList();
    // The entries of the table of `column` (the search-data table or its keyword table), and of
    // its picklist table.
    void GetCheckNameListAddEntries(CCheckNameList &list, const QStringList &formerNames,
                                    const CFilterColumn *column) const;
    void GetCheckNameListAddPicklistEntries(CCheckNameList &list, const QStringList &formerNames,
                                            const CFilterColumn *column) const;

private:
    // CheckForeignKeysAndIndexes, for every column or only for the columns kept in `onlyTable`.
    int checkKeysAndIndexes(HostKit::IProgress *roProgress, int enmConvertMode, bool blnCheckKeys, bool blnBuild,
                            const QString &onlyTable);
    // The definition table in the current layout; the definitions read again.
    void convertDefinitionTable();
    // The database handler's answer for converting `table`.
    int askConvert(const QString &table, int enmConvertMode);
    // The search-data table with the fields of every column that is not a keyword column.
    HostKit::TableStructure searchDataStructure() const;

    CFilterColumns &m_set;
};

// The argument and result objects of the population check, which the table check hands to the
// host's progress object as request 1 and gets back from it (CFilterColumns::
// IProgressHandler_ProcessRequest).

// Request number of the population check.
constexpr int CheckPopulationRequest = 1;

class CCheckPopulationArgs : public HostKit::ProgressArgs
{
public:
    // Ask: the database handler is asked before the first row is added or removed.
    void Init(bool blnAsk, int enmConvertMode, const QDateTime &dtmNow)
    {
        m_ask = blnAsk;
        m_convertMode = enmConvertMode;
        m_now = dtmNow;
    }
    bool Ask() const { return m_ask; }
    int ConvertMode() const { return m_convertMode; }
    // The current time of the run: the value of date/time defaults that take the current time.
    QDateTime Now() const { return m_now; }

private:
    bool m_ask = false;
    int m_convertMode = 0;
    QDateTime m_now;
};

class CCheckPopulationResult : public HostKit::ProgressResult
{
public:
    explicit CCheckPopulationResult(qint32 value = 0) : m_value(value) {}
    // A check-table result code of the database handler.
    qint32 Value() const { return m_value; }
    void setValue(qint32 value) { m_value = value; }

private:
    qint32 m_value;
};

} // namespace KvoPlx800SCtl
