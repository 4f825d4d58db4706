#include "filterfields.h"

#include "cfilterterms.h"

#include "columns/basvalidate.h"
#include "columns/cfiltercolumn.h"
#include "columns/cfiltercolumns.h"

#include "hostkit/basetablestructure.h"

namespace KvoPlx800SCtl {

QList<EComparisonOperations> comparisonsOf(FilterComparisonClasses cls)
{
    switch (cls) {
    case kvoCC_Boolean:
        return {kvoOP_IsFalse, kvoOP_IsTrue};
    case kvoCC_Keyword:
        return {kvoOP_Includes, kvoOP_Excludes};
    case kvoCC_Text:
        return {kvoOP_Equals,         kvoOP_NotEquals,   kvoOP_Greater, kvoOP_Less,
                kvoOP_GreatorOrEqual, kvoOP_LessOrEqual, kvoOP_IsLike,  kvoOP_IsNotLike};
    default:
        return {kvoOP_Equals, kvoOP_NotEquals, kvoOP_Greater, kvoOP_Less, kvoOP_GreatorOrEqual, kvoOP_LessOrEqual};
    }
}

bool admits(FilterComparisonClasses cls, EComparisonOperations operation)
{
    return cls != kvoCC_Unknown && comparisonsOf(cls).contains(operation);
}

QString FilterField::name() const
{
    if (column)
        return column->Name();
    return baseField ? baseField->Name : QString();
}

QString FilterField::caption() const
{
    if (column)
        return column->CaptionOrName();
    if (!baseField)
        return {};
    return baseField->Caption.isEmpty() ? baseField->Name : baseField->Caption;
}

QString FilterField::table(const CFilterColumns &columns) const
{
    return column ? columns.SearchTableName(column) : columns.baseTableName();
}

bool FilterField::isFieldOf(const CFilterTerm &term) const
{
    if (term.HasColumn())
        return term.Column() == column;
    return baseField && baseField->Name.compare(term.Field(), Qt::CaseInsensitive) == 0;
}

QList<FilterField> filterFields(const CFilterColumns &columns)
{
    QList<FilterField> fields;
    for (const CFilterColumn *column : columns.NewEnum())
        fields.append({column, nullptr, basValidate::ComparisonClassFromColumn(column)});
    if (const HostKit::IBaseTableStructure *structure = columns.baseStructure()) {
        for (const HostKit::BaseFieldDescriptor &listed : structure->FieldDescriptors()) {
            // The structure's own descriptor: the list above is a copy.
            const HostKit::BaseFieldDescriptor *field = structure->FieldDescriptor(listed.Name);
            const FilterComparisonClasses cls = basValidate::ComparisonClassFromColumn(field);
            if (cls != kvoCC_Unknown)
                fields.append({nullptr, field, cls});
        }
    }
    return fields;
}

const FilterField *fieldOf(const QList<FilterField> &fields, const CFilterTerm &term)
{
    for (const FilterField &field : fields) {
        if (field.isFieldOf(term))
            return &field;
    }
    return nullptr;
}

} // namespace KvoPlx800SCtl
