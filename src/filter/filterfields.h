#pragma once

#include "core/enums.h"

#include <QList>
#include <QString>

namespace KvoPlx800SCtl {

class CFilterColumn;
class CFilterColumns;
class CFilterTerm;
namespace HostKit {
struct BaseFieldDescriptor;
}

// The comparisons a field of class `cls` offers, in the order the filter dialog lists them; the
// numeric list for any class without one of its own.
QList<EComparisonOperations> comparisonsOf(FilterComparisonClasses cls);
// Whether a field of class `cls` admits `operation` (no class admits anything for kvoCC_Unknown).
bool admits(FilterComparisonClasses cls, EComparisonOperations operation);

// A field a filter can compare: a search column, or a field of the base table of a kind a filter
// compares. Search columns and base fields are told apart by what they are, never by how a
// dialect quotes a name.
struct FilterField
{
    const CFilterColumn *column = nullptr;                   // a search column, or
    const HostKit::BaseFieldDescriptor *baseField = nullptr; // a field of the base-table structure
    FilterComparisonClasses comparisonClass = kvoCC_Unknown;

    bool isBase() const { return baseField != nullptr; }
    // The column's or the field's name.
    QString name() const;
    // What the user reads: the column's caption (its name without one), the field's caption.
    QString caption() const;
    // The table a term on this field names: the base table, the column's keyword table or the
    // search-data table.
    QString table(const CFilterColumns &columns) const;
    // Whether `term` compares this field (names compared without regard to case).
    bool isFieldOf(const CFilterTerm &term) const;
};

// The fields of a column set a filter can compare: its search columns in order, then the fields of
// the base-table structure whose class is known.
QList<FilterField> filterFields(const CFilterColumns &columns);
// The field of `fields` that `term` compares; nullptr when there is none.
const FilterField *fieldOf(const QList<FilterField> &fields, const CFilterTerm &term);

} // namespace KvoPlx800SCtl
