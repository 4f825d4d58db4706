#pragma once

#include <QHash>
#include <QString>
#include <QVariant>

namespace KvoPlx800SCtl {

// Where a host keeps the data-entry control's persisted properties (one bag per placed control).
// A value equal to its default is not stored.
class IPropertyBag
{
public:
    virtual ~IPropertyBag() = default;
    virtual QVariant ReadProperty(const QString &name, const QVariant &defaultValue) const = 0;
    virtual void WriteProperty(const QString &name, const QVariant &value, const QVariant &defaultValue) = 0;
};

// A property bag in memory; a host stores its contents as it likes (the demo host in its settings).
class PropertyBag : public IPropertyBag
{
public:
    QVariant ReadProperty(const QString &name, const QVariant &defaultValue) const override
    {
        return m_values.value(name, defaultValue);
    }
    void WriteProperty(const QString &name, const QVariant &value, const QVariant &defaultValue) override
    {
        if (value == defaultValue)
            m_values.remove(name);
        else
            m_values.insert(name, value);
    }
    bool contains(const QString &name) const { return m_values.contains(name); }
    const QHash<QString, QVariant> &values() const { return m_values; }
    void setValues(const QHash<QString, QVariant> &values) { m_values = values; }

private:
    QHash<QString, QVariant> m_values;
};

} // namespace KvoPlx800SCtl
