#pragma once

#include "core/enums.h"

#include <QString>

#include <memory>
#include <vector>

namespace KvoPlx800SCtl {

class CFilterColumn;
class CFilterColumns;

// What a host needs of any filter source.
class ISqlFilterTerms
{
public:
    virtual ~ISqlFilterTerms() = default;
    virtual bool HasTerms() const { return false; }
    virtual QString SQLString() const { return {}; }
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
    QString SQLString() const override;

    // Inside the library.
    CFilterTerm *Add(EConjunctions conjunction, const QString &table, const QString &field,
                     FilterComparisonClasses comparisonClass, EComparisonOperations operation, const QString &compareTo);
    void Clear();
    qint32 Count() const { return qint32(m_terms.size()); }
    CFilterColumns *FilterColumns() const { return m_columns; }
    void setFilterColumns(CFilterColumns *columns) { m_columns = columns; }

private:
    CFilterColumns *m_columns = nullptr;
    std::vector<std::unique_ptr<CFilterTerm>> m_terms;
};

} // namespace KvoPlx800SCtl
