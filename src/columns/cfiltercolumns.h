#pragma once

#include "cfiltercolumn.h"
#include "core/enums.h"
#include "core/interfaces.h"
#include "searchtables.h"

#include "hostkit/catalog.h"
#include "hostkit/formsinterface.h"
#include "hostkit/progress.h"
#include "hostkit/tablestructure.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace KvoPlx800SCtl {

namespace HostKit {
class Connection;
class Dialect;
class IBaseTableStructure;
class IDatabaseHandler;
class IProgress;
class IUserProfile;
class RecordSet;
struct LockedMessage;
} // namespace HostKit

/// The column set of one base table: its columns in position order, the host components handed
/// over at set-up, and the definition, search-data and keyword tables.

class CFilterColumns : public HostKit::IProgressHandler
{
public:
    CFilterColumns();
    ~CFilterColumns() override;
    CFilterColumns(const CFilterColumns &) = delete;
    CFilterColumns &operator=(const CFilterColumns &) = delete;

    /// The definition table, shared by the column sets of every base table.
    static constexpr const char *DefinitionTableName = SearchTables::DefinitionTableName;

    // --- Public members ---------------------------------------------------------------------
    /// The new column, or nullptr when the name is taken or refused (nameRefusal).
    [[nodiscard]] CFilterColumn *Add(const QString &strName, const QString &strCaption, const QString &strDescription,
                                     FilterColumnTypeConstants enmType, qint16 intTextLengthInUI, bool blnIsPicklist,
                                     bool blnPicklistAllowBlanks, const QString &strPicklistDefault,
                                     EFilterColumnDateTimeDefaultModeConstants enmDateTimeDefaultMode,
                                     const Variant &varDateTimeDefaultValue, bool blnDisableEditDateTime);
    /// Writes the definitions of the set (definition rows first, in one transaction) and brings the
    /// search-data, keyword and picklist tables into shape; the definitions are fetched again at
    /// its end. Refused inside itself, and inside a transaction the host has open on a shared
    /// connection (its table changes would commit it). True when everything was saved.
    [[nodiscard]] bool ColumnsSave(HostKit::IProgress *roProgress);
    /// The number of columns.
    qint32 Count() const { return qint32(m_columns.size()); }
    /// By 1-based position.
    CFilterColumn *Item(int position) const;
    /// By name (ignoring case), else by caption (ignoring case, in position order).
    CFilterColumn *Item(const QString &nameOrCaption) const;
    /// A number is a position, a text a name or caption; anything else finds nothing.
    CFilterColumn *Item(const Variant &index) const;
    /// The columns in position order.
    QList<CFilterColumn *> NewEnum() const;
    /// By name only (ignoring case).
    CFilterColumn *findByName(const QString &name) const;

    // --- Set-up -----------------------------------------------------------------------------
    /// Checks the host components in a fixed order, takes the base table's name and key from the
    /// catalog and fetches the definitions; Status() tells the outcome.
    void Setup(HostKit::IDatabaseHandler *roHandler, ISearchBaseTable *roBaseTable, HostKit::Catalog *roCatalog,
               HostKit::IUserProfile *roProfile, int enmConvertMode, HostKit::IBaseTableStructure *roBaseStructure);
    /// The outcome of the last Setup.
    ColumnsStatusConstants Status() const { return m_status; }

    /// The tables of the column set and the host components it reaches them through.
    ///@{
    const SearchTables &tables() const { return m_tables; }
    /// An index on each search-data field filters seek by (SearchTables::setIndexedFields); made
    /// by the next ColumnsSave.
    void setIndexedFields(bool on) { m_tables.setIndexedFields(on); }
    HostKit::IDatabaseHandler *handler() const { return m_tables.handler(); }
    HostKit::Catalog *catalog() const { return m_tables.catalog(); }
    HostKit::Connection *connection() const { return m_tables.connection(); }
    ///@}
    /// The SQL dialect of the column set: its connection's, or the one given to SetupOffline.
    const HostKit::Dialect *dialect() const { return m_tables.dialect(); }
    /// Sets the column set up without a database, for generating SQL text only (for an engine the
    /// host reaches by other means): the base table's name and key column, and the dialect.
    void SetupOffline(HostKit::IDatabaseHandler *handler, const QString &baseTableName,
                      const HostKit::CatalogColumn &keyColumn, std::unique_ptr<HostKit::Dialect> dialect);
    /// The host components and the convert mode handed to Setup.
    ///@{
    ISearchBaseTable *baseTable() const { return m_baseTable; }
    HostKit::IBaseTableStructure *baseStructure() const { return m_tables.baseStructure(); }
    HostKit::IUserProfile *profile() const { return m_profile; }
    int convertMode() const { return m_convertMode; }
    ///@}

    /// The base table's name in the catalog's spelling, its key column and the key column's name.
    ///@{
    QString baseTableName() const { return m_tables.baseTableName(); }
    const std::optional<HostKit::CatalogColumn> &keyColumn() const { return m_tables.keyColumn(); }
    QString keyFieldName() const { return m_tables.keyFieldName(); }
    ///@}

    // --- Definitions ------------------------------------------------------------------------
    /// Reads the definitions of the base table's columns from the definition table, ordered by
    /// position and renumbered 1..n; true when they were read.
    [[nodiscard]] bool ColumnsFetch();
    /// The internal form of Add, with the merge name and the position. Like Add, it refuses (and
    /// returns nullptr for) a name that is taken or refused.
    [[nodiscard]] CFilterColumn *AddColumn(const QString &name, const QString &caption, const QString &description,
                                           FilterColumnTypeConstants type, qint16 textLengthInUI, bool isPicklist,
                                           bool allowBlanks, const QString &picklistDefault,
                                           EFilterColumnDateTimeDefaultModeConstants dtMode, const Variant &dtDefault,
                                           bool disableEditDateTime, const QString &mergeName, int position);
    /// Removes a column from the set (it is deleted from the database with the next ColumnsSave).
    /// False when there is no such column.
    [[nodiscard]] bool Remove(const QString &name);
    /// Moves a column one position up or down; false when it cannot move.
    ///@{
    [[nodiscard]] bool MoveColumnUp(CFilterColumn *column);
    [[nodiscard]] bool MoveColumnDown(CFilterColumn *column);
    ///@}

    /// Set when the definition table lacks the fields of the newer layout.
    bool needsDefinitionConversion() const { return m_needsConversion; }
    /// Former base-table names under which ColumnsFetch found definition rows.
    QStringList formerNamesFound() const { return m_formerNamesFound; }

    /// Whether the set has a keyword column.
    bool HasKeywordColumns() const;
    /// Whether the set has a column stored in the search-data table (any but a keyword column).
    bool HasStandardColumns() const;

    // --- Tables -----------------------------------------------------------------------------
    /// The base table's search-data table: its name followed by "SearchData".
    QString SearchDataTableName() const { return m_tables.searchDataTable(); }
    /// A keyword column's table: the base table followed by "SearchKeyword" and the column's name.
    QString KeywordTableName(const CFilterColumn *column) const
    {
        return m_tables.keywordTable(column ? column->Name() : QString());
    }
    /// The table holding a column's values: its keyword table, or the search-data table.
    QString SearchTableName(const CFilterColumn *column) const { return m_tables.tableOf(column); }
    /// SearchTableName for the column set of base table `baseTableName`.
    static QString SearchTableNameFor(const QString &baseTableName, const CFilterColumn *column)
    {
        return SearchTables::tableOf(baseTableName, column);
    }
    /// A picklist column's table: "Picklist" followed by the base table and the column's name.
    QString PicklistTableName(const CFilterColumn *column) const
    {
        return m_tables.picklistTable(column ? column->Name() : QString());
    }
    /// The user-profile section of the base table's template: its name followed by "_Template".
    QString TemplateSection() const { return m_tables.templateSection(); }

    /// The layout of the definition table.
    HostKit::TableStructure MyStructureDefinition() const { return m_tables.definitionStructure(); }
    /// The layout of the table holding a column's values (search-data or keyword table).
    HostKit::TableStructure MyStructureDefault(const CFilterColumn *column) const
    {
        return m_tables.columnStructure(column);
    }

    /// SELECT * FROM the search-data (or a keyword) table WHERE the entry's seek criterion.
    [[nodiscard]] std::unique_ptr<HostKit::RecordSet> OpenSearchTable(ISearchBaseEntry *entry,
                                                                      const QString &table = {});
    /// The condition selecting the rows of one base record: key field = Id (quoted for a text key).
    QString SearchTableSeekCriteria(ISearchBaseEntry *entry) const
    {
        return entry ? m_tables.seekCriterion(entry->Id()) : QString();
    }
    /// The SQL literal of a record key (quoted for a text key).
    QString keyLiteral(qint32 id) const { return m_tables.keyLiteral(id); }

    /// Drops the values of a stored column: its field in the search-data table or its keyword
    /// table, and its picklist table.
    [[nodiscard]] bool KillColumnData(const ColumnDefinition &stored);

    // --- Search data of one base record (src/data/searchdata.cpp) ----------------------------
    /// Reads every column's value for the record: SavedValue, and SavedKeys of keyword and
    /// picklist columns. Every column is first reset to its missing-field value. A column that
    /// cannot be read is reported and the others are still read; true when every column was read.
    [[nodiscard]] bool GetData(ISearchBaseEntry *roSource);
    /// Reads a keyword column's list of the record selected by `strSeek` into its SavedKeys.
    [[nodiscard]] bool GetDataKeyword(ISearchBaseEntry *roEntry, CFilterColumn *rfc, const QString &strSeek);
    /// Loads the entries a picklist column offers into its SavedKeys; `field` is the record's value
    /// of the column (nullptr when the record has no search-data row).
    [[nodiscard]] bool GetDataPicklist(CFilterColumn *column, const Variant *field);
    /// Picklist entries are kept once read. One cheap statement checks every picklist read before
    /// against its table, and the next read of one that changed (on another workstation, say)
    /// goes to its table again. Run when a record is shown.
    void RevalidatePicklists();
    /// Writes each column's UpdatedValue (Empty: left alone); every UpdatedValue is Empty afterwards.
    /// True when every part of the record was written.
    [[nodiscard]] bool SaveDataFromClientUpdates(ISearchBaseEntry *roEntry);
    /// Writes the Value of every column whose control holds a valid value, and every keyword list.
    [[nodiscard]] bool SaveDataFromEditControl(ISearchBaseEntry *entry);
    /// Replaces a keyword column's list of the record selected by `strSeek` with the column's keys.
    [[nodiscard]] bool SaveDataKeyword(ISearchBaseEntry *roEntry, CFilterColumn *column, const QString &strSeek);
    /// Writes the default of every non-keyword column for a new base record.
    [[nodiscard]] bool InitializeSearchData(ISearchBaseEntry *roEntry);
    /// The SQL text of a value of a column: NULL, a quoted text, a date literal, a Boolean's
    /// integer or a C-locale number. Empty when the value does not convert to the column's type.
    QString SqlValueText(const CFilterColumn *column, const Variant &value) const;
    /// What a column reads as when the record has no row or the field is NULL.
    static Variant MissingFieldValue(FilterColumnTypeConstants type);

    // --- Templates (src/data/templates.cpp) -------------------------------------------------
    /// The template key that holds the time the template was saved.
    static QString TimeStamp() { return QStringLiteral("TimeStamp"); }
    /// Keeps the current values of every column in the user profile's template section.
    void SaveTemplate();
    /// Deletes the template section.
    void ClearTemplate();
    /// Writes the template's TimeStamp key.
    void SaveTemplateTimestamp();
    /// Writes one non-keyword column's value into the template.
    void SaveTemplateValueNormal(CFilterColumn *column);
    /// Writes one item (at 1-based `position`) of a keyword column's list into the template.
    void SaveTemplateValueKeyword(CFilterColumn *column, const QString &value, int position);
    /// Reads the template into the columns' template values; false without a template.
    [[nodiscard]] bool FetchTemplateValues();
    /// Puts the template's values into the columns (as the user's new values).
    void CopyTemplate();

    // --- Picklists (src/picklists/) ---------------------------------------------------------
    /// Whether any column is a picklist column.
    bool HasPicklists() const;
    /// Opens the picklist dialogs over every picklist column.
    void EditPicklists(HostKit::IFormsInterface *oFI);
    /// Lets the user choose a picklist column, then opens its picklist editor.
    void SelectAndEditPicklist(HostKit::IFormsInterface *oFI);
    /// Whether the picklist settings of a column differ between two of its definitions.
    [[nodiscard]] bool PicklistChanged(const CFilterColumn *oldColumn, const CFilterColumn *newColumn) const;

    // --- Table check and conversion (TableCheck, src/columns/tablecheck.h) -------------------
    /// Check-table results are the database handler's codes: 0 goes on, 1 to 5 end the check.
    [[nodiscard]] int CheckTable(HostKit::IProgress *roProgress, int enmConvertMode, bool blnCheckKeysAndIndexes);
    /// The population check's request (1) coming back from the progress object.
    std::unique_ptr<HostKit::ProgressResult> IProgressHandler_ProcessRequest(HostKit::IProgress &progress, int request,
                                                                             HostKit::ProgressArgs *args) override;
    /// The former base-table names the base-table interface reports (none unless it is renamed).
    QStringList formerBaseTableNames() const;

public:
    // --- Merge and copy (src/data/mergecopy.cpp) --------------------------------------------
    /// GetData of the source, then CopyData to the target.
    [[nodiscard]] bool Copy(ISearchBaseEntry *roSource, ISearchBaseEntry *roTarget);
    /// Writes every column's non-blank SavedValue (and SavedKeys of keyword columns) for the entry;
    /// true when every part of the record was written.
    [[nodiscard]] bool CopyData(ISearchBaseEntry *entry);
    /// Merges the values of `entrySource` in the source filter's tables into `entryTarget` here;
    /// true when the record's values were merged.
    [[nodiscard]] bool MergeData(ISearchBaseEntry *entryTarget, class CSearchFilter *sfSource,
                                 ISearchBaseEntry *entrySource);
    /// Adds the "MergeName" field of the definition table (idempotent).
    [[nodiscard]] bool MakeMergeColumn();
    /// Removes the "MergeName" field and clears the merge names in memory (idempotent).
    [[nodiscard]] bool MergeCleanup();

    // --- Owner rectangle --------------------------------------------------------------------
    /// The rectangle (twips) in which the library's dialogs centre themselves.
    HostKit::OwnerRect ownerRect() const { return m_ownerRect; }
    /// Sets ownerRect().
    void setOwnerRect(const HostKit::OwnerRect &rect) { m_ownerRect = rect; }

    /// Longest column name (in UTF-8 bytes) whose derived table and key names still fit the
    /// engine's identifiers.
    /// Add refuses a longer name, and ColumnsSave refuses to run while a column has one.
    int maxColumnNameLength() const { return m_tables.maxColumnNameLength(); }
    /// Whether `name` is at most maxColumnNameLength() long.
    bool fitsNameLimit(const QString &name) const;
    /// Why a column name cannot be used, empty when it can: a name holds letters and digits (of any
    /// script within the Basic Multilingual Plane) and "_", is not the key field's name and fits
    /// maxColumnNameLength(). Add refuses such a name; ColumnsSave refuses a set holding a name
    /// that is too long (definitions read from the table keep what they hold).
    QString nameRefusal(const QString &name) const;
    /// Whether a column name or caption clashes with a field of the base table or with another
    /// column (`self` excepted), compared without regard to case: 0 when not; 1 name = base field,
    /// 2 caption = base field, 3 name = a column's name, 4 caption = a column's name, 5 name = a
    /// column's caption, 6 caption = a column's caption.
    int nameClash(const QString &name, const QString &caption, const CFilterColumn *self) const;

private:
    [[nodiscard]] bool ColumnSave(CFilterColumn *column, const ColumnDefinition *stored, const QDateTime &now);
    /// Brings the table of a column's values into shape; whether it matches afterwards.
    [[nodiscard]] bool shapeColumnTable(CFilterColumn *column);
    [[nodiscard]] bool shapedAlready(const CFilterColumn *column);
    /// Makes the set hold `definitions` in their order, keeping the objects of columns it holds.
    void adoptDefinitions(std::vector<ColumnDefinition> definitions, bool olderLayout,
                          const QStringList &formerNamesFound);
    void fillDefault(CFilterColumn *column, const ColumnDefinition *stored, const QDateTime &now);
    /// The picklist steps of a column's save: create, change or destroy its picklist table.
    bool picklistSteps(CFilterColumn *column, const ColumnDefinition *stored);
    void saveData(ISearchBaseEntry *entry, bool fromControls);
    /// The cheap check of picklist tables (src/data/searchdata.cpp): one row with, per column, the
    /// values picklistStampSql selects; nothing when it cannot be read.
    QStringList picklistStampSql(const CFilterColumn *column, bool canHide) const;
    std::optional<QList<QVariantList>> picklistStamps(const QList<const CFilterColumn *> &columns);
    /// Merge and copy (src/data/mergecopy.cpp).
    [[nodiscard]] bool CopyDataKeyword(ISearchBaseEntry *entry, CFilterColumn *column, const QString &criterion);
    [[nodiscard]] bool CopyDataInsertIntoPicklist(CFilterColumn *column);
    [[nodiscard]] bool MergeDataStandardColumns(ISearchBaseEntry *entryTarget, class CSearchFilter *sfSource,
                                                ISearchBaseEntry *entrySource);
    void renumber();

    ColumnsStatusConstants m_status = kvoFCSUndefinedStatus;
    SearchTables m_tables;
    ISearchBaseTable *m_baseTable = nullptr;
    HostKit::IUserProfile *m_profile = nullptr;
    int m_convertMode = 0;

    std::vector<std::unique_ptr<CFilterColumn>> m_columns; ///< in position order
    bool m_needsConversion = false;
    QStringList m_formerNamesFound;
    // The columns the last fetch read: a save deletes stored columns only from among these, so
    // columns another administrator added meanwhile stay.
    QStringList m_fetchedNames;
    bool m_saving = false;
    QString m_templateStamp; ///< the "TimeStamp" text of the template last loaded
    HostKit::OwnerRect m_ownerRect;
};

} // namespace KvoPlx800SCtl
