#include "recordset.h"

#include "connection.h"
#include "trace.h"

namespace KvoPlx800SCtl::HostKit {

RecordSet::~RecordSet() = default;

int RecordSet::fieldIndex(const QString &name) const
{
    // Names that differ in length never match: the length check spares most comparisons.
    for (int i = 0; i < m_fields.size(); ++i) {
        const QString &field = m_fields.at(i);
        if (field.size() == name.size() && field.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

bool RecordSet::hasCurrentRow() const { return !m_onDeletedRow && m_pos >= 0 && m_pos < m_rows.size(); }

QVariant RecordSet::value(const QString &name) const { return value(fieldIndex(name)); }

QVariant RecordSet::value(int field) const
{
    if (field < 0 || field >= m_fields.size())
        return {};
    if (m_adding || m_editing)
        return m_edit.value(field);
    if (!hasCurrentRow())
        return {};
    return m_rows.at(m_pos).value(field);
}

void RecordSet::leaveRow()
{
    // A move cannot fail, so a pending change that cannot be written is reported as an error
    // (and kept in lastError) rather than dropped without a word.
    if ((m_adding || m_editing) && !Update())
        Trace::instance().ReportError({0, QStringLiteral("A change to %1 was not written: %2").arg(m_table, m_lastError),
                                       QStringLiteral("RecordSet.Move")});
    resetEdit();
}

void RecordSet::MoveFirst()
{
    leaveRow();
    m_onDeletedRow = false;
    m_pos = 0;
}

void RecordSet::MoveLast()
{
    leaveRow();
    m_onDeletedRow = false;
    m_pos = int(m_rows.size()) - 1;
}

void RecordSet::MoveNext()
{
    leaveRow();
    // After a delete the next row has already moved into the current position.
    if (m_onDeletedRow)
        m_onDeletedRow = false;
    else if (m_pos < m_rows.size())
        ++m_pos;
}

void RecordSet::MovePrevious()
{
    leaveRow();
    m_onDeletedRow = false;
    if (m_pos >= 0)
        --m_pos;
}

void RecordSet::resetEdit()
{
    m_adding = false;
    m_editing = false;
    m_edit.clear();
    m_changed.clear();
}

void RecordSet::CancelUpdate() { resetEdit(); }

bool RecordSet::AddNew()
{
    if (!isUpdatable()) {
        m_lastError = QStringLiteral("The record set is read-only");
        return false;
    }
    if ((m_adding || m_editing) && !Update())
        return false;
    m_adding = true;
    m_edit = QVector<QVariant>(m_fields.size());
    m_changed = QVector<bool>(m_fields.size(), false);
    return true;
}

bool RecordSet::setValue(const QString &name, const QVariant &value)
{
    if (!isUpdatable()) {
        m_lastError = QStringLiteral("The record set is read-only");
        return false;
    }
    const int field = fieldIndex(name);
    if (field < 0) {
        m_lastError = QStringLiteral("The record set has no field \"%1\"").arg(name);
        return false;
    }
    if (!m_adding && !m_editing) {
        if (!hasCurrentRow()) {
            m_lastError = QStringLiteral("There is no current row");
            return false;
        }
        m_editing = true;
        m_edit = m_rows.at(m_pos);
        m_changed = QVector<bool>(m_fields.size(), false);
    }
    m_edit[field] = value;
    m_changed[field] = true;
    return true;
}

QString RecordSet::fieldCondition(const QString &field, const QVariant &value) const
{
    const QString name = m_connection->QuoteName(field);
    if (value.isNull())
        return name + QLatin1String(" IS NULL");
    return name + QLatin1String(" = ") + m_connection->dialect().literal(value);
}

QString RecordSet::rowCondition(const QVector<QVariant> &row) const
{
    QStringList terms;
    if (!m_keyFields.isEmpty()) {
        for (const QString &key : m_keyFields)
            terms << fieldCondition(key, row.value(fieldIndex(key)));
        return QLatin1String(" WHERE ") + terms.join(QLatin1String(" AND "));
    }
    for (int i = 0; i < m_fields.size(); ++i)
        terms << fieldCondition(m_fields.at(i), row.value(i));
    return m_connection->dialect().singleRowClause(m_table, terms.join(QLatin1String(" AND ")));
}

bool RecordSet::reloadRow(const QVector<QVariant> &row, QVector<QVariant> &out)
{
    if (m_keyFields.isEmpty())
        return false;
    for (const QString &key : m_keyFields) {
        const int field = fieldIndex(key);
        if (!m_changed.value(field) || row.value(field).isNull())
            return false;
    }
    const auto fresh = m_connection->OpenQuery(QLatin1String("SELECT * FROM ") + m_connection->QuoteName(m_table)
                                               + rowCondition(row));
    if (!fresh || fresh->RecordCount() != 1 || fresh->fieldCount() != m_fields.size())
        return false;
    out = fresh->m_rows.first();
    return true;
}

// Runs `statement` restricted to the current row; `notFound` is the error when no row matched.
bool RecordSet::execOnCurrentRow(const QString &statement, const QString &notFound)
{
    if (!m_connection->ExecuteSql(statement + rowCondition(m_rows.at(m_pos)))) {
        m_lastError = m_connection->lastError();
        return false;
    }
    if (m_connection->rowsAffected() == 0) {
        m_lastError = notFound;
        return false;
    }
    return true;
}

bool RecordSet::Update()
{
    if (!m_adding && !m_editing)
        return true;
    const Dialect &dialect = m_connection->dialect();
    const QString table = m_connection->QuoteName(m_table);

    if (m_adding) {
        QString fields;
        QString values;
        bool allSet = true;
        for (int i = 0; i < m_fields.size(); ++i) {
            if (m_changed.at(i))
                m_connection->AddInsertPair(fields, values, m_fields.at(i), dialect.literal(m_edit.at(i)));
            else
                allSet = false;
        }
        const QString sql = fields.isEmpty() ? dialect.insertDefaultsSql(m_table)
                                             : QLatin1String("INSERT INTO ") + table + QLatin1String(" (") + fields
                                                       + QLatin1String(") VALUES (") + values + u')';
        if (!m_connection->ExecuteSql(sql)) {
            m_lastError = m_connection->lastError();
            return false;
        }
        // Fields left out took their defaults: read the row back where the key finds it.
        QVector<QVariant> row = m_edit;
        if (!allSet)
            reloadRow(m_edit, row);
        m_rows << row;
        m_pos = int(m_rows.size()) - 1;
        m_onDeletedRow = false;
        resetEdit();
        return true;
    }

    QString setList;
    for (int i = 0; i < m_fields.size(); ++i) {
        if (m_changed.at(i))
            m_connection->AddUpdatePair(setList, m_fields.at(i), dialect.literal(m_edit.at(i)));
    }
    if (setList.isEmpty()) {
        resetEdit();
        return true;
    }
    if (!execOnCurrentRow(
                QLatin1String("UPDATE ") + table + QLatin1String(" SET ") + setList,
                QStringLiteral("The row to update was not found; another user may have changed or deleted it")))
        return false;
    m_rows[m_pos] = m_edit;
    resetEdit();
    return true;
}

bool RecordSet::Delete()
{
    if (!isUpdatable()) {
        m_lastError = QStringLiteral("The record set is read-only");
        return false;
    }
    resetEdit();
    if (!hasCurrentRow()) {
        m_lastError = QStringLiteral("There is no current row");
        return false;
    }
    if (!execOnCurrentRow(QLatin1String("DELETE FROM ") + m_connection->QuoteName(m_table),
                          QStringLiteral("The row to delete was not found; another user may have deleted it")))
        return false;
    m_rows.removeAt(m_pos);
    m_onDeletedRow = true;
    return true;
}

} // namespace KvoPlx800SCtl::HostKit
