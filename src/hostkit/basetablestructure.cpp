#include "basetablestructure.h"

#include "catalog.h"

namespace KvoPlx800SCtl::HostKit {

IBaseTableStructure::~IBaseTableStructure() = default;

namespace {

// Whether `index` is the one behind a key already listed (same name, or a unique index on the
// same columns: SQLite names the indexes behind its keys on its own).
bool behindListedKey(const CatalogIndex &index, const QList<BaseIndexDefinition> &keys)
{
    for (const BaseIndexDefinition &key : keys) {
        if (key.Name.compare(index.Name, Qt::CaseInsensitive) == 0)
            return true;
        if ((index.Unique || index.PrimaryKey) && sameFieldNames(key.Columns, index.Columns))
            return true;
    }
    return false;
}

} // namespace

BaseTableStructure::BaseTableStructure(QString name, QList<BaseFieldDescriptor> fields,
                                       QList<BaseIndexDefinition> indexes)
    : m_name(std::move(name)), m_fields(std::move(fields)), m_indexes(std::move(indexes))
{}

// Fields in table order, each captioned with its name. Index definitions: the primary key first
// (kind 2), then the unique keys (kind 3), then every other index (kind 1; a unique index that is
// no key counts as a unique key).
std::unique_ptr<BaseTableStructure> BaseTableStructure::fromCatalog(Catalog &catalog, const QString &table)
{
    const std::shared_ptr<const CatalogTable> found = catalog.FindTable(table);
    if (!found)
        return nullptr;

    QList<BaseFieldDescriptor> fields;
    fields.reserve(found->Columns.size());
    for (const CatalogColumn &column : found->Columns) {
        BaseFieldDescriptor field;
        field.Name = column.Name;
        field.Caption = column.Name;
        field.Type = column.Type;
        field.Size = column.DefinedSize;
        field.Defined = true;
        fields.append(field);
    }

    QList<BaseIndexDefinition> indexes;
    if (const CatalogKey *primary = found->primaryKey()) {
        indexes.append(BaseIndexDefinition{primary->Name, IndexKind::Primary, primary->Columns});
    } else {
        for (const CatalogIndex &index : found->Indexes) {
            if (index.PrimaryKey) {
                indexes.append(BaseIndexDefinition{index.Name, IndexKind::Primary, index.Columns});
                break;
            }
        }
    }
    for (const CatalogKey *key : found->keysOfType(adKeyUnique))
        indexes.append(BaseIndexDefinition{key->Name, IndexKind::Unique, key->Columns});
    const QList<BaseIndexDefinition> keys = indexes;
    for (const CatalogIndex &index : found->Indexes) {
        if (index.PrimaryKey || behindListedKey(index, keys))
            continue;
        indexes.append(
                BaseIndexDefinition{index.Name, index.Unique ? IndexKind::Unique : IndexKind::Plain, index.Columns});
    }
    return std::make_unique<BaseTableStructure>(found->Name, std::move(fields), std::move(indexes));
}

const BaseFieldDescriptor *BaseTableStructure::FieldDescriptor(const QString &name) const
{
    for (const BaseFieldDescriptor &field : m_fields) {
        if (field.Name.compare(name, Qt::CaseInsensitive) == 0)
            return &field;
    }
    return nullptr;
}

void BaseTableStructure::setCaption(const QString &field, const QString &caption)
{
    for (BaseFieldDescriptor &descriptor : m_fields) {
        if (descriptor.Name.compare(field, Qt::CaseInsensitive) == 0) {
            descriptor.Caption = caption.isEmpty() ? descriptor.Name : caption;
            return;
        }
    }
}

} // namespace KvoPlx800SCtl::HostKit
