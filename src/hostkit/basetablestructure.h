#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

namespace KvoPlx800SCtl::HostKit {

class Catalog;

// One field of the host's base table as the host describes it.
struct BaseFieldDescriptor
{
    QString Name;
    QString Caption; // what the filter dialog shows; the name when the host gives none
    int Type = 0;    // ADO type code
    int Size = 0;
    bool Defined = true; // false: the field is not offered for filtering
};

// Index kinds of the base-table structure.
namespace IndexKind {
constexpr int Plain = 1;
constexpr int Primary = 2;
constexpr int Unique = 3;
} // namespace IndexKind

struct BaseIndexDefinition
{
    QString Name;
    int Kind = IndexKind::Plain;
    QStringList Columns; // in index order
};

// The host's description of its base table.
class IBaseTableStructure
{
public:
    virtual ~IBaseTableStructure();
    virtual QString Name() const = 0;
    virtual QList<BaseIndexDefinition> IndexDefinitions() const = 0;
    virtual QList<BaseFieldDescriptor> FieldDescriptors() const = 0;
    // The descriptor of a field (name compared without regard to case), or nullptr.
    virtual const BaseFieldDescriptor *FieldDescriptor(const QString &name) const = 0;
};

// Reference structure, read from the catalog (fields, primary key, unique keys, indexes).
class BaseTableStructure : public IBaseTableStructure
{
public:
    // nullptr when the catalog has no such table.
    [[nodiscard]] static std::unique_ptr<BaseTableStructure> fromCatalog(Catalog &catalog, const QString &table);
    BaseTableStructure(QString name, QList<BaseFieldDescriptor> fields, QList<BaseIndexDefinition> indexes);

    QString Name() const override { return m_name; }
    QList<BaseIndexDefinition> IndexDefinitions() const override { return m_indexes; }
    QList<BaseFieldDescriptor> FieldDescriptors() const override { return m_fields; }
    const BaseFieldDescriptor *FieldDescriptor(const QString &name) const override;

    void setCaption(const QString &field, const QString &caption);

private:
    QString m_name;
    QList<BaseFieldDescriptor> m_fields;
    QList<BaseIndexDefinition> m_indexes;
};

} // namespace KvoPlx800SCtl::HostKit
