#pragma once

#include "cfiltercolumn.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

namespace KvoPlx800SCtl {

class SearchTables;

namespace HostKit {
class RecordSet;
}

// The rows of one base table in the definition table "SearchColumnConfiguration", which all base
// tables share, and the table's own layout. Inner steps of the column set and the table check: a
// failure throws (core/tracescope.h) to the procedure that called them.
class DefinitionTable
{
public:
    explicit DefinitionTable(const SearchTables &tables) : m_tables(tables) {}

    // A row of the base table as stored: its position, its name and the literals that would write
    // it again as it is.
    struct StoredRow
    {
        int position = 0;
        QString name;
        QStringList text;
    };
    struct Rows
    {
        std::vector<ColumnDefinition> columns; // in position order
        bool olderLayout = false;              // the fields after PicklistDefault are missing
        QStringList formerNamesFound;          // former base-table names that had rows
        std::vector<StoredRow> currentRows;    // the rows of the current name (not of an older layout)
        bool hasMergeField = false;
    };
    // The rows of the base table, and of its former names where the current name does not define
    // the same column, in position order. Creates the table when it is missing.
    Rows read(const QStringList &formerNames) const;

    // The rows of these base-table names (and, where the engine compares names without case,
    // of names that differ only in case), read only; created first when it is missing.
    std::unique_ptr<HostKit::RecordSet> open(const QStringList &baseTables) const;
    void create() const;
    // Creates the table when it is missing and brings it to the current layout.
    void ensure() const;
    // Brings the table to the current layout (creating it when missing).
    void convert() const;

    // Replaces the base table's rows of the columns named in `known` by the rows of `columns`, in
    // one transaction; rows of other columns (saved meanwhile by another administrator) stay, and
    // move behind this set's positions.
    void writeAll(const QList<CFilterColumn *> &columns, const QStringList &known) const;
    // What writeChanged did.
    struct Written
    {
        bool onlyThese = false; // the base table's rows are now exactly those of the columns
        QStringList names;      // the columns whose rows were written
    };
    // Leaves the result of writeAll, touching only what differs from `stored` (read just before):
    // the rows that would be written the same stay, the others are deleted and written, in one
    // transaction. When a row another administrator wrote after `stored` was read stands in the
    // way, the full write runs instead.
    Written writeChanged(const QList<CFilterColumn *> &columns, const Rows &stored, const QStringList &known) const;
    // Whether reading the row `definition` is written as gives the definition back unchanged:
    // true for the plain cases only (no number or date picklist default, no date default value,
    // no merge name with spaces around it or without a field to keep it in).
    static bool readsBackUnchanged(const ColumnDefinition &definition, bool hasMergeField);
    // Writes the type, size and picklist settings of one column into its row (a retyped column).
    void updateType(const CFilterColumn &column) const;
    // The rows of each former name whose column name is not defined under the current name move to
    // the current name, after the positions in use there, in the order they had. True when any
    // row moved.
    bool moveFormerRows(const QStringList &formerNames) const;

    // The "MergeName" field a configuration copy keeps the source column's name in.
    static QString mergeNameField() { return QStringLiteral("MergeName"); }
    void addMergeField() const;
    void dropMergeField() const;

private:
    // The rows at `gone` positions deleted and the rows of `toWrite` inserted, in one transaction.
    void writeChangedRows(const QStringList &gone, const QList<const CFilterColumn *> &toWrite,
                          bool hasMergeField) const;
    void insertRow(const CFilterColumn &column, bool hasMergeField) const;

    const SearchTables &m_tables;
};

} // namespace KvoPlx800SCtl
