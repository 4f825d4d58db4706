#include "cfilterterms.h"

#include "filterfields.h"

#include "columns/cfiltercolumns.h"
#include "core/conversions.h"
#include "core/tracescope.h"

#include "hostkit/adotypes.h"
#include "hostkit/basetablestructure.h"
#include "hostkit/dialect.h"
#include "hostkit/resourcetexts.h"

#include <QLocale>

#include <optional>

namespace KvoPlx800SCtl {

using HostKit::Dialect;

namespace {
constexpr const char *Module = "CFilterTerms";

const Dialect &dialectOf(const CFilterColumns *columns)
{
    require(columns && columns->dialect(), QStringLiteral("the filter has no column set"));
    return *columns->dialect();
}

bool ordered(EComparisonOperations op) { return op >= kvoOP_Equals && op <= kvoOP_GreatorOrEqual; }

// Texts of the problem report: %1 the field, %2 the compare-to value.
constexpr int ProblemTexts[] = {
        7647, // NoSuchColumn
        7648, // NoSuchField
        7649, // NotANumber
        7650, // NotADate
        7651, // ComparisonDoesNotApply
};

// Whether a term's value keeps it out of SQL: a number or date that does not read.
std::optional<FilterTermProblem::Kind> unreadableValue(const CFilterTerm &term)
{
    if (term.ComparisonClass() == kvoCC_Numeric && !Convert::parseNumber(term.CompareTo()))
        return FilterTermProblem::NotANumber;
    if (term.ComparisonClass() == kvoCC_Date && !Convert::parseDate(term.CompareTo()))
        return FilterTermProblem::NotADate;
    return std::nullopt;
}
} // namespace

QString FilterTermProblem::text() const
{
    return HostKit::ResourceTexts::instance().Text(ProblemTexts[kind], {field, compareTo});
}

// --- CFilterTerm ----------------------------------------------------------------------------

QString CFilterTerm::SQLField() const { return dialectOf(m_columns).QualifiedName(m_table, m_field); }

QString CFilterTerm::SQLOperator() const
{
    static const char *const operators[] = {" = ", " <> ", " < ", " > ", " <= ", " >= "};
    switch (m_operation) {
    case kvoOP_IsFalse:
    case kvoOP_IsTrue:
        if (m_class != kvoCC_Boolean)
            return {};
        return QLatin1String(m_operation == kvoOP_IsFalse ? " = " : " <> ")
               + QString::number(dialectOf(m_columns).SqlBooleanValue(false));
    case kvoOP_IsLike:
    case kvoOP_IsNotLike:
        if (m_class != kvoCC_Keyword && m_class != kvoCC_Text)
            return {};
        return QLatin1String(m_operation == kvoOP_IsLike ? " LIKE " : " NOT LIKE ");
    default:
        if (ordered(m_operation) && (m_class == kvoCC_Text || m_class == kvoCC_Numeric || m_class == kvoCC_Date))
            return QLatin1String(operators[m_operation - kvoOP_Equals]);
        return {};
    }
}

QString CFilterTerm::SQLValue() const
{
    const Dialect &db = dialectOf(m_columns);
    switch (m_class) {
    case kvoCC_Keyword:
    case kvoCC_Text:
        return db.FilterTextValue(m_compareTo);
    case kvoCC_Numeric: {
        // Only a parsed number goes into SQL, written in the C locale.
        const auto number = Convert::parseNumber(m_compareTo);
        require(number.has_value(), QStringLiteral("\"%1\" is not a number").arg(m_compareTo));
        if (isSingle())
            return db.SingleLiteral(Variant::single(float(*number)).toText());
        // A whole number is written exactly: a 64-bit key beyond 2^53 has no double of its own.
        bool whole = false;
        const qint64 integer = QLocale().toLongLong(m_compareTo.trimmed(), &whole);
        return whole ? QString::number(integer) : Variant::dbl(*number).toText();
    }
    case kvoCC_Date: {
        const auto date = Convert::parseDate(m_compareTo);
        require(date.has_value(), QStringLiteral("\"%1\" is not a date").arg(m_compareTo));
        return db.SqlDateLiteral(*date);
    }
    default:
        return {};
    }
}

bool CFilterTerm::isSingle() const
{
    if (m_column)
        return m_column->ColumnType() == fcSingle;
    const HostKit::IBaseTableStructure *structure = m_columns ? m_columns->baseStructure() : nullptr;
    const HostKit::BaseFieldDescriptor *field = structure ? structure->FieldDescriptor(m_field) : nullptr;
    return field && field->Type == HostKit::adSingle;
}

// --- CFilterTerms ---------------------------------------------------------------------------

CFilterTerms::CFilterTerms() = default;

CFilterTerms::~CFilterTerms() = default;

QList<const CFilterTerm *> CFilterTerms::NewEnum() const
{
    QList<const CFilterTerm *> list;
    for (const auto &t : m_terms)
        list.append(t.get());
    return list;
}

CFilterTerm *CFilterTerms::Add(EConjunctions conjunction, const QString &table, const QString &field,
                               FilterComparisonClasses comparisonClass, EComparisonOperations operation,
                               const QString &compareTo)
{
    return traced("Add", Module, static_cast<CFilterTerm *>(nullptr), [&](CFilterTerm *&result) {
        require(m_columns != nullptr, QStringLiteral("the filter has no column set"));
        auto term = std::unique_ptr<CFilterTerm>(new CFilterTerm(m_columns));
        term->m_conjunction = conjunction;
        term->m_field = field;
        term->m_table = table;
        if (table != m_columns->baseTableName()) {
            term->m_column = m_columns->findByName(field);
            require(term->m_column != nullptr, QStringLiteral("no search column is named \"%1\"").arg(field));
        }
        term->m_class = comparisonClass;
        term->m_operation = operation;
        term->m_compareTo = compareTo;
        term->m_index = qint16(Count() + 1);
        result = term.get();
        m_terms.push_back(std::move(term));
    });
}

void CFilterTerms::Clear()
{
    while (!m_terms.empty())
        m_terms.erase(m_terms.begin());
}

QList<FilterTermProblem> CFilterTerms::Problems() const
{
    return traced("Problems", Module, QList<FilterTermProblem>(), [&](QList<FilterTermProblem> &result) {
        result = m_notedProblems;
        for (const auto &term : m_terms) {
            const auto problem = [&](FilterTermProblem::Kind kind) {
                result.append({kind, term->Index(), term->Field(), term->CompareTo()});
            };
            if (term->ComparisonClass() == kvoCC_Unknown)
                problem(FilterTermProblem::NoSuchField);
            else if (!admits(term->ComparisonClass(), term->Operation()))
                problem(FilterTermProblem::ComparisonDoesNotApply);
            else if (const auto kind = unreadableValue(*term))
                problem(*kind);
        }
    });
}

QString CFilterTerms::SQLString() const
{
    return m_terms.empty() ? QString() : SQLString(dialectOf(m_columns).filterShape());
}

QString CFilterTerms::SQLString(HostKit::FilterShape shape) const
{
    return traced("SQLString", Module, QString(), [&](QString &result) {
        if (m_terms.empty())
            return;
        const Dialect &db = dialectOf(m_columns);
        const QString base = m_columns->baseTableName();
        const QString key = m_columns->keyFieldName();
        const QString K = db.QualifiedName(base, key);
        // A value that cannot be written must not widen the filter: the condition selects nothing.
        for (const auto &term : m_terms) {
            if (unreadableValue(*term)) {
                result = K + QStringLiteral(" IN (SELECT ") + K + QStringLiteral(" FROM ") + db.QuoteName(base)
                         + QStringLiteral(" WHERE (1 = 0))");
                return;
            }
        }
        const bool semiJoin = shape == HostKit::FilterShape::SemiJoin;
        // The search-data table the terms need and whether any term is on a base-table field.
        QString J;
        bool baseFields = false;
        for (const auto &term : m_terms) {
            if (term->ComparisonClass() == kvoCC_Keyword)
                continue;
            if (term->HasColumn())
                J = m_columns->SearchTableName(term->Column());
            else
                baseFields = true;
        }
        // The semi-join runs over the search-data table when there is one; its key then stands for
        // the record inside it, unless base-table fields tie it to the outer record.
        const bool overData = semiJoin && !J.isEmpty() && !baseFields;
        const QString R = overData ? db.QualifiedName(J, key) : K;
        const QString likeEscape = db.likeEscapeClause();
        const auto isKeyword = [](const auto &term) { return term->ComparisonClass() == kvoCC_Keyword; };
        // A term on a search-data or base-table field that writes a condition.
        const auto onField = [&](const auto &term) { return !isKeyword(term) && !term->SQLOperator().isEmpty(); };
        const bool andOnly = std::all_of(m_terms.begin() + 1, m_terms.end(),
                                         [](const auto &term) { return term->Conjunction() == kvoCJ_And; });
        // Terms joined by AND to an excludes narrow the records it is tested on, unless they are
        // excludes themselves.
        const bool narrowed = andOnly && std::any_of(m_terms.begin(), m_terms.end(), [&](const auto &term) {
                                  return isKeyword(term) ? term->Operation() != kvoOP_Excludes : onField(term);
                              });
        const HostKit::AntiJoinForm antiJoin = db.antiJoinForm();
        const bool excludesNotExists = antiJoin == HostKit::AntiJoinForm::NotExists
                                       || (narrowed && antiJoin == HostKit::AntiJoinForm::NotExistsWhenNarrowed);
        const auto keywordCondition = [&](const CFilterTerm &term, const QString &record) {
            const QString T = term.HasColumn() ? m_columns->KeywordTableName(term.Column()) : term.Table();
            const QString match = db.QualifiedName(T, term.Field()) + QStringLiteral(" = ") + term.SQLValue();
            const bool excludes = term.Operation() == kvoOP_Excludes;
            // The records without the keyword, tested record by record on the keyword table.
            if (excludes && excludesNotExists)
                return QStringLiteral("NOT EXISTS (SELECT 1 FROM ") + db.QuoteName(T) + QStringLiteral(" WHERE ")
                       + db.QualifiedName(T, key) + QStringLiteral(" = ") + record + QStringLiteral(" AND ") + match
                       + QStringLiteral(")");
            QString text = record + (excludes ? QStringLiteral(" NOT") : QString()) + QStringLiteral(" IN (SELECT ");
            if (semiJoin)
                return text + db.QualifiedName(T, key) + QStringLiteral(" FROM ") + db.QuoteName(T)
                       + QStringLiteral(" WHERE ") + match + QStringLiteral(")");
            return text + K + QStringLiteral(" FROM ") + db.QuoteName(base) + QStringLiteral(", ") + db.QuoteName(T)
                   + QStringLiteral(" WHERE ") + K + QStringLiteral(" = ") + db.QualifiedName(T, key)
                   + QStringLiteral(" AND ") + match + QStringLiteral(")");
        };
        const bool keywordsBeside = overData && andOnly && db.keywordTermsBesideSearchData()
                                    && std::any_of(m_terms.begin(), m_terms.end(), isKeyword)
                                    && std::any_of(m_terms.begin(), m_terms.end(), onField);
        QString W;
        QString C;
        QString beside;
        for (const auto &term : m_terms) {
            if (keywordsBeside && isKeyword(term)) {
                beside += QStringLiteral(" AND ") + keywordCondition(*term, K);
                continue;
            }
            if (!W.isEmpty() && term->Conjunction() != kvoCJ_None)
                C = term->Conjunction() == kvoCJ_And ? QStringLiteral(" AND ") : QStringLiteral(" OR ");
            if (isKeyword(term)) {
                W += C + keywordCondition(*term, R);
                continue;
            }
            const QString O = term->SQLOperator();
            if (O.isEmpty())
                continue;
            W += C + term->SQLField() + O + term->SQLValue();
            if (term->Operation() == kvoOP_IsLike || term->Operation() == kvoOP_IsNotLike)
                W += likeEscape;
        }
        // Every form is true or false, never NULL, so that a host may also negate it. Terms on
        // keywords are never NULL; a base-table field may be, so base-table terms without a
        // search-data table keep the select on the base table.
        if (!semiJoin || (J.isEmpty() && baseFields)) {
            QString S = K + QStringLiteral(" IN (SELECT ") + K + QStringLiteral(" FROM ") + db.QuoteName(base);
            if (!J.isEmpty())
                S += QStringLiteral(" INNER JOIN ") + db.QuoteName(J) + QStringLiteral(" ON ") + K
                     + QStringLiteral(" = ") + db.QualifiedName(J, key);
            result = S + QStringLiteral(" WHERE (") + W + QStringLiteral("))");
        } else if (overData) {
            result = K + QStringLiteral(" IN (SELECT ") + R + QStringLiteral(" FROM ") + db.QuoteName(J)
                     + QStringLiteral(" WHERE (") + W + QStringLiteral("))") + beside;
        } else if (!J.isEmpty()) {
            result = QStringLiteral("EXISTS (SELECT 1 FROM ") + db.QuoteName(J) + QStringLiteral(" WHERE ")
                     + db.QualifiedName(J, key) + QStringLiteral(" = ") + K + QStringLiteral(" AND (") + W
                     + QStringLiteral("))");
        } else {
            result = QStringLiteral("(") + W + QStringLiteral(")");
        }
    });
}

} // namespace KvoPlx800SCtl
