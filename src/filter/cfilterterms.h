#pragma once

#include "core/enums.h"

#include <QList>
#include <QString>

#include <memory>
#include <vector>

namespace KvoPlx800SCtl {

class CFilterColumn;
class CFilterColumns;
namespace HostKit {
enum class FilterShape;
}

/// What a host needs of any filter source.
class ISqlFilterTerms
{
public:
    virtual ~ISqlFilterTerms() = default;
    /// Whether the filter has at least one term.
    virtual bool HasTerms() const { return false; }
    /// The SQL condition of the filter.
    virtual QString SQLString() const { return {}; }
};

/// Why a term of a filter cannot select what it says: its field is gone, its value does not read
/// as the field's kind, or its comparison does not apply to the field.
struct FilterTermProblem
{
    /// What is wrong with the term.
    enum Kind {
        NoSuchColumn,          ///< a saved term names a search column that no longer exists
        NoSuchField,           ///< the base-table field is gone or is of no kind a filter compares
        NotANumber,            ///< the compare-to value of a number field does not read as a number
        NotADate,              ///< the compare-to value of a date field does not read as a date
        ComparisonDoesNotApply ///< the comparison is not one the field's kind admits
    };
    Kind kind = NoSuchColumn; ///< what is wrong
    int index = 0;            ///< 1-based position of the term (in the saved filter, for a term not added)
    QString field;            ///< the term's field (a column's name or a base-table field)
    QString compareTo;        ///< the term's compare-to value

    /// What went wrong, as the user reads it (texts of the resource-text service).
    QString text() const;
    /// Same kind, index, field and value.
    bool operator==(const FilterTermProblem &other) const = default;
};

/// One term of a filter: field, comparison and compare-to value, joined to the text before it.
class CFilterTerm
{
public:
    /// The term's 1-based position in its filter.
    qint16 Index() const { return m_index; }
    /// The field compared: a search column's name, or a field of the base table when Table() names it.
    QString Field() const { return m_field; }
    /// The base table when Field() is one of its fields; empty for a search column.
    QString Table() const { return m_table; }
    /// The value compared with, as the user typed it.
    QString CompareTo() const { return m_compareTo; }
    /// The kind of comparison the field admits.
    FilterComparisonClasses ComparisonClass() const { return m_class; }
    /// The comparison.
    EComparisonOperations Operation() const { return m_operation; }
    /// How the term joins the text before it (kvoCJ_None for the first term).
    EConjunctions Conjunction() const { return m_conjunction; }
    /// The search column of the term; nullptr for a base-table field.
    CFilterColumn *Column() const { return m_column; }
    /// Whether the term compares a search column.
    bool HasColumn() const { return m_column != nullptr; }

    /// Derived texts, written with the quoting of the column set's connection: the qualified field,
    /// the SQL operator and the compare-to literal.
    ///@{
    QString SQLField() const;
    QString SQLOperator() const;
    QString SQLValue() const;
    ///@}

private:
    /// Whether the term compares a single-precision field.
    bool isSingle() const;

    friend class CFilterTerms;
    explicit CFilterTerm(const CFilterColumns *columns) : m_columns(columns) {}

    const CFilterColumns *m_columns;
    qint16 m_index = 0;
    QString m_field;
    QString m_table;
    QString m_compareTo;
    FilterComparisonClasses m_class = kvoCC_Unknown;
    EComparisonOperations m_operation = kvoOP_Equals;
    EConjunctions m_conjunction = kvoCJ_None;
    CFilterColumn *m_column = nullptr;
};

/// A filter: terms in order, each joined to the text before it by AND or OR, turned into one SQL
/// condition on the base table's key that a host puts into its own query.
class CFilterTerms : public ISqlFilterTerms
{
public:
    CFilterTerms();
    ~CFilterTerms() override;
    /// A filter moves with its terms.
    ///@{
    CFilterTerms(CFilterTerms &&) = default;
    CFilterTerms &operator=(CFilterTerms &&) = default;
    ///@}

    // Public members.
    bool HasTerms() const override { return Count() >= 1; }
    /// The terms in order.
    QList<const CFilterTerm *> NewEnum() const;
    /// The condition; one that selects no record when a number or date value does not read (a
    /// filter that cannot be written never means "no filter"), see Problems().
    QString SQLString() const override;
    /// The condition in the text `shape` (SQLString() takes the engine's).
    QString SQLString(HostKit::FilterShape shape) const;

    /// The terms that cannot select what they say, in order: terms of a saved filter that could not
    /// be added (noted by whoever read them), then every held term whose field, value or comparison
    /// does not fit.
    QList<FilterTermProblem> Problems() const;
    /// Notes a term that could not be added (see Problems()).
    void noteProblem(const FilterTermProblem &problem) { m_notedProblems.append(problem); }

    // Inside the library.
    /// Appends a term joined by `conjunction`; `table` names the base table for one of its fields
    /// and is empty for a search column. The new term.
    CFilterTerm *Add(EConjunctions conjunction, const QString &table, const QString &field,
                     FilterComparisonClasses comparisonClass, EComparisonOperations operation,
                     const QString &compareTo);
    /// Removes every term.
    void Clear();
    /// The number of terms.
    qint32 Count() const { return qint32(m_terms.size()); }
    /// The column set whose columns the terms compare.
    CFilterColumns *FilterColumns() const { return m_columns; }
    /// Sets FilterColumns().
    void setFilterColumns(CFilterColumns *columns) { m_columns = columns; }

private:
    CFilterColumns *m_columns = nullptr;
    std::vector<std::unique_ptr<CFilterTerm>> m_terms;
    QList<FilterTermProblem> m_notedProblems;
};

} // namespace KvoPlx800SCtl
