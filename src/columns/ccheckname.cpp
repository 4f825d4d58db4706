#include "ccheckname.h"

namespace KvoPlx800SCtl {

void CCheckNameList::AddEntry(const QString &strNewName, const QString &strOldName)
{
    m_entries.emplace_back(Count() + 1, strNewName, strOldName);
}

const CCheckNameEntry *CCheckNameList::Entry(qint32 lngIndex) const
{
    if (lngIndex < 1 || lngIndex > Count())
        return nullptr;
    return &m_entries[size_t(lngIndex - 1)];
}

} // namespace KvoPlx800SCtl
