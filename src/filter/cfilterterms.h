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

// What a host needs of any filter source.
class ISqlFilterTerms
{
public:
    virtual ~ISqlFilterTerms() = default;
    virtual bool HasTerms() const { return false; }
    virtual QString SQLString() const { return {}; }
};

// Why a term of a filter cannot select what it says: its field is gone, its value does not read
// as the field's kind, or its comparison does not apply to the field.
struct FilterTermProblem
{
    enum Kind {
        NoSuchColumn,          // a saved term names a search column that no longer exists
        NoSuchField,           // the base-table field is gone or is of no kind a filter compares
        NotANumber,            // the compare-to value of a number field does not read as a number
        NotADate,              // the compare-to value of a date field does not read as a date
        ComparisonDoesNotApply // the comparison is not one the field's kind admits
    };
    Kind kind = NoSuchColumn;
    int index = 0; // 1-based position of the term (in the saved filter, for a term not added)
    QString field;
    QString compareTo;

    // What went wrong, as the user reads it (texts of the resource-text service).
    QString text() const;
    bool operator==(const FilterTermProblem &other) const = default;
};

// One term of a filter: field, comparison and compare-to value, joined to the text before it.
class CFilterTerm
{
public:
    qint16 Index() const { return m_index; }
    QString Field() const { return m_field; }
    QString Table() const { return m_table; }
    QString CompareTo() const { return m_compareTo; }
    FilterComparisonClasses ComparisonClass() const { return m_class; }
    EComparisonOperations Operation() const { return m_operation; }
    EConjunctions Conjunction() const { return m_conjunction; }
    CFilterColumn *Column() const { return m_column; }
    bool HasColumn() const { return m_column != nullptr; }

    // Derived texts, written with the quoting of the column set's connection.
    QString SQLField() const;
    QString SQLOperator() const;
    QString SQLValue() const;

private:
    // Whether the term compares a single-precision field.
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

// A filter: terms in order, each joined to the text before it by AND or OR, turned into one SQL
// condition on the base table's key that a host puts into its own query.
class CFilterTerms : public ISqlFilterTerms
{
public:
    CFilterTerms();
    ~CFilterTerms() override;
    CFilterTerms(CFilterTerms &&) = default;
    CFilterTerms &operator=(CFilterTerms &&) = default;

    // Public members.
    bool HasTerms() const override { return Count() >= 1; }
    QList<const CFilterTerm *> NewEnum() const;
    // The condition; one that selects no record when a number or date value does not read (a
    // filter that cannot be written never means "no filter"), see Problems().
    QString SQLString() const override;
    // The condition in the text `shape` (SQLString() takes the engine's).
    QString SQLString(HostKit::FilterShape shape) const;

    // The terms that cannot select what they say, in order: terms of a saved filter that could not
    // be added (noted by whoever read them), then every held term whose field, value or comparison
    // does not fit.
    QList<FilterTermProblem> Problems() const;
    void noteProblem(const FilterTermProblem &problem) { m_notedProblems.append(problem); }

    // Inside the library.
    CFilterTerm *Add(EConjunctions conjunction, const QString &table, const QString &field,
                     FilterComparisonClasses comparisonClass, EComparisonOperations operation,
                     const QString &compareTo);
    void Clear();
    qint32 Count() const { return qint32(m_terms.size()); }
    CFilterColumns *FilterColumns() const { return m_columns; }
    void setFilterColumns(CFilterColumns *columns) { m_columns = columns; }

private:
    CFilterColumns *m_columns = nullptr;
    std::vector<std::unique_ptr<CFilterTerm>> m_terms;
    QList<FilterTermProblem> m_notedProblems;
};

} // namespace KvoPlx800SCtl
