#pragma once

#include "hostkit/tablestructure.h"

#include <QString>
#include <QStringList>

#include <functional>

namespace KvoPlx800SCtl {

class CFilterColumn;
class SearchTables;

namespace HostKit {
class Catalog;
class Connection;
class IBaseTableStructure;
class IDatabaseHandler;
class IFormsInterface;
class IProgress;
} // namespace HostKit

// The picklist of one picklist column: the table of the values the column may take.
//
// Table "Picklist" + base table + column name:
//   - the value field, named and typed like the column's field in its search table (text 255),
//     NOT NULL, with the primary key "PK_" + table name on it;
//   - "HideEntry", Boolean, may be Null (Null and false both mean shown).
// The column's field in its search table (the search-data table, or the keyword table of a
// keyword column) refers to the value field through the foreign key "FK_" + picklist table name.
// Each picklist table has exactly one referring field, so that name is unique, and it is as long
// as the primary key's name: "FK_Picklist" + base table + column fits the 63 bytes that the column
// name limit of the column set leaves for "PK_" + base table + "SearchKeyword" + column.
//
// The operations keep three things true: every value stored in the search table is an entry
// (the foreign key holds it); the default entry exists unless the default is blank and blanks are
// allowed; the empty-text entry exists when blanks are allowed (text, note and keyword columns).
// A blank or unconvertible default of a non-text column is no default: nothing compares with it.
class CScPicklist
{
public:
    CScPicklist() = default;
    CScPicklist(const CScPicklist &) = delete;
    CScPicklist &operator=(const CScPicklist &) = delete;

    void Init(HostKit::IDatabaseHandler *handler, HostKit::IBaseTableStructure *baseStructure, CFilterColumn *column);

    QString TableName() const;
    static QString HideEntry() { return QStringLiteral("HideEntry"); }
    // The foreign key of the column's search table to this picklist.
    QString ForeignKeyName() const;

    // True when the handler, the base-table structure and the column (with its column set's
    // catalog) are present; otherwise shows a warning box and returns false.
    [[nodiscard]] bool ValidateSetup();

    // The column became a picklist column: cleans the stored values, creates and fills the table,
    // then adds the foreign key. True on success.
    [[nodiscard]] bool CreatePicklist();
    // The column's picklist settings may have changed: the default entry first (so that the
    // foreign key holds the values it writes), the stored values, the empty entry, the foreign key.
    // A missing table is created as by CreatePicklist.
    [[nodiscard]] bool ChangePicklist();
    // The column stopped being a picklist column: its search table's foreign key goes, then the
    // table (through the database handler).
    [[nodiscard]] bool DestroyPicklist();

    // Creates the table from MyStructure (or brings an existing one to it), inserts the default
    // entry, the empty entry where blanks are allowed and every value already stored, then sets up
    // the foreign key.
    [[nodiscard]] bool CreatePicklistTable();
    // Adds "HideEntry" to a table of the earlier layout.
    [[nodiscard]] bool CreateHideEntryField();
    // Compares the table with MyStructure; a difference is repaired with convert mode 1, else the
    // database handler is asked first (its answer 1..5 is the result). Then CheckForeignKeys.
    [[nodiscard]] int CheckTable(HostKit::IProgress *roProgress, int enmConvertMode);
    // Makes the search table's foreign key to this picklist exist, as CheckTable does.
    [[nodiscard]] int CheckForeignKeys(int enmConvertMode);

    [[nodiscard]] bool ForceNullsAndBlanksToDefault();
    [[nodiscard]] bool GuaranteeDefaultEntryExists();
    [[nodiscard]] bool CheckAllowBlanks();
    // Appends the entries that are not in the table yet (typed in the current locale), all in one
    // transaction; an entry already there is skipped. False (the others still added) when an entry
    // does not convert to the column's type.
    [[nodiscard]] bool SaveAdditions(const QStringList &entries);

    // Opens the picklist editor for this picklist.
    void Edit(HostKit::IFormsInterface *oFI);

    HostKit::TableStructure MyStructure() const;

    CFilterColumn *column() const { return m_column; }
    HostKit::IDatabaseHandler *handler() const { return m_handler; }
    HostKit::IBaseTableStructure *baseStructure() const { return m_baseStructure; }

    // The column's entries are about to change: its next read goes to the table.
    void entriesChange();

private:
    bool isSetUp() const;
    // A change of the picklist's table, traced as `procedure`: the column's kept entries are
    // dropped, then `body` runs where the set-up is valid (false where it is not).
    bool tableChange(const char *procedure, const std::function<void(bool &result)> &body);
    const SearchTables &tables() const;
    HostKit::Catalog &catalog() const;
    HostKit::Connection &db() const;
    QString searchTableName() const;
    // The search table's structure with the foreign key to this picklist.
    HostKit::TableStructure searchStructure() const;
    bool hasForeignKey() const;
    // The default as an SQL literal; empty when there is none (blank or unconvertible non-text).
    QString defaultLiteral() const;
    bool entryExists(const QString &literal) const;
    void createTable();
    void fillTable();
    void insertStoredValues();
    int ensureForeignKey(int convertMode);

    HostKit::IDatabaseHandler *m_handler = nullptr;
    HostKit::IBaseTableStructure *m_baseStructure = nullptr;
    CFilterColumn *m_column = nullptr;
};

} // namespace KvoPlx800SCtl
