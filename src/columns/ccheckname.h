#pragma once

#include <QString>

#include <memory>
#include <vector>

namespace KvoPlx800SCtl {

// A pair of table names found by the table check: the table's name under the current base-table
// name and under a former one.
class CCheckNameEntry
{
public:
    CCheckNameEntry(qint32 index, QString newName, QString oldName)
        : m_index(index), m_newName(std::move(newName)), m_oldName(std::move(oldName))
    {
    }
    qint32 Index() const { return m_index; }
    QString NewName() const { return m_newName; }
    QString OldName() const { return m_oldName; }

private:
    qint32 m_index;
    QString m_newName;
    QString m_oldName;
};

class CCheckNameList
{
public:
    void AddEntry(const QString &strNewName, const QString &strOldName);
    qint32 Count() const { return qint32(m_entries.size()); }
    // 1-based; nullptr outside 1..Count().
    const CCheckNameEntry *Entry(qint32 lngIndex) const;

private:
    std::vector<CCheckNameEntry> m_entries;
};

} // namespace KvoPlx800SCtl
