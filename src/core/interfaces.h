#pragma once

#include <QString>
#include <QStringList>

// Interfaces the host implements for the library.
namespace KvoPlx800SCtl {

// One base record as the host sees it; the library reads only its key.
class ISearchBaseEntry
{
public:
    virtual ~ISearchBaseEntry() = default;
    virtual qint32 Id() const = 0;
};

// The host's base table.
class ISearchBaseTable
{
public:
    virtual ~ISearchBaseTable() = default;
    virtual QString TableName() const = 0;
    // Empty, or a complete SELECT statement of the keys of the base records that carry search data.
    virtual QString SearchSelectionCriteria() const { return {}; }
    virtual QString EditFilterCaption() const { return {}; }
    virtual QString EditFilterHelpCaption() const { return {}; }
    virtual QString EditFilterColumnHelpText(const QString &columnName) const
    {
        Q_UNUSED(columnName);
        return {};
    }
    // Renamed tables: whether names changed, how many tables, how many former names per table,
    // and each former name (1-based indexes).
    virtual bool CheckTableIsRenamed() const { return false; }
    virtual qint32 CheckTableTableNameCount() const { return 0; }
    virtual qint32 CheckTableNameCount() const { return 0; }
    virtual QString CheckTableNameOld(qint32 tableIndex, qint32 nameIndex) const
    {
        Q_UNUSED(tableIndex);
        Q_UNUSED(nameIndex);
        return {};
    }
    virtual bool ValidateEntry(ISearchBaseEntry *entry) const
    {
        Q_UNUSED(entry);
        return true;
    }
};

// A base record named by its key alone.
class CMergeBaseEntry : public ISearchBaseEntry
{
public:
    explicit CMergeBaseEntry(qint32 id) : m_id(id) {}
    qint32 Id() const override { return m_id; }

private:
    qint32 m_id;
};

// A base table described by its name and, optionally, its former names: enough for a host (or the
// command-line tool) that has no more to say.
class BaseTableInfo : public ISearchBaseTable
{
public:
    explicit BaseTableInfo(QString name, QStringList formerNames = {})
        : m_name(std::move(name)), m_former(std::move(formerNames))
    {
    }
    QString TableName() const override { return m_name; }
    QString SearchSelectionCriteria() const override { return m_selection; }
    QString EditFilterCaption() const override { return m_filterCaption; }
    bool CheckTableIsRenamed() const override { return !m_former.isEmpty(); }
    qint32 CheckTableTableNameCount() const override { return m_former.isEmpty() ? 0 : 1; }
    qint32 CheckTableNameCount() const override { return qint32(m_former.size()); }
    QString CheckTableNameOld(qint32 tableIndex, qint32 nameIndex) const override
    {
        if (tableIndex != 1 || nameIndex < 1 || nameIndex > m_former.size())
            return {};
        return m_former.at(nameIndex - 1);
    }

    void setSearchSelectionCriteria(const QString &sql) { m_selection = sql; }
    void setEditFilterCaption(const QString &caption) { m_filterCaption = caption; }

private:
    QString m_name;
    QStringList m_former;
    QString m_selection;
    QString m_filterCaption;
};

} // namespace KvoPlx800SCtl
