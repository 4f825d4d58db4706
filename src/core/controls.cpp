#include "controls.h"

namespace KvoPlx800SCtl {

QStringList IComboBox::items() const
{
    QStringList list;
    for (int i = 0; i < count(); ++i)
        list.append(itemText(i));
    return list;
}

void TextBoxModel::setText(const QString &text)
{
    m_text = m_maxLength > 0 ? text.left(m_maxLength) : text;
    m_selection = {int(m_text.size()), 0};
}

void TextBoxModel::setMaxLength(int length)
{
    m_maxLength = length;
    if (m_maxLength > 0 && m_text.size() > m_maxLength)
        m_text.truncate(m_maxLength);
}

QString ComboBoxModel::text() const
{
    return m_text;
}

void ComboBoxModel::setText(const QString &text)
{
    // Typing does not select an entry, even one with the same text.
    m_text = text;
    m_index = -1;
    m_selection = {int(m_text.size()), 0};
}

void ComboBoxModel::removeItem(int index)
{
    if (index < 0 || index >= m_items.size())
        return;
    m_items.removeAt(index);
    if (m_index == index) {
        m_index = -1;
        m_text.clear();
    } else if (m_index > index) {
        --m_index;
    }
}

void ComboBoxModel::clear()
{
    m_items.clear();
    m_index = -1;
    m_text.clear();
}

void ComboBoxModel::setListIndex(int index)
{
    if (index < 0 || index >= m_items.size()) {
        m_index = -1;
        return;
    }
    m_index = index;
    m_text = m_items.at(index);
}

} // namespace KvoPlx800SCtl
