#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

#include <cstdio>
#include <memory>

// EOF() below is the record set's end-of-rows test; the C library's EOF macro (included above,
// so no later include defines it again) would turn every call into a syntax error.
#ifdef EOF
#undef EOF
#endif

namespace KvoPlx800SCtl::HostKit {

class Connection;

// Rows with named fields. A record set is a snapshot read when it opens; one opened on a table can
// also add, change and delete rows, which it writes at once as single statements identified by
// the table's primary key (or, without one, by every original value of the row).
class RecordSet
{
public:
    ~RecordSet();

    bool isOpen() const { return m_open; }
    bool isUpdatable() const { return !m_table.isEmpty(); }
    bool BOF() const { return m_pos < 0 || m_rows.isEmpty(); }
    bool EOF() const { return m_pos >= m_rows.size() || m_rows.isEmpty(); }
    int RecordCount() const { return int(m_rows.size()); }
    int AbsolutePosition() const { return m_pos; }

    // Moving writes a pending change first (as Update does). After Delete the deleted row stays
    // current (it has no values) until the next move.
    void MoveFirst();
    void MoveLast();
    void MoveNext();
    void MovePrevious();

    int fieldCount() const { return int(m_fields.size()); }
    QStringList fieldNames() const { return m_fields; }
    // Field position by name, compared without regard to case; -1 when there is no such field.
    int fieldIndex(const QString &name) const;
    bool hasField(const QString &name) const { return fieldIndex(name) >= 0; }
    // Value of a field in the current row; an invalid QVariant when there is no current row or no
    // such field, a null one when the field is NULL.
    QVariant value(const QString &name) const;
    QVariant value(int field) const;
    bool isNull(const QString &name) const { return value(name).isNull(); }

    // Editing (record sets opened on a table only). AddNew starts a new row that Update inserts;
    // setValue changes a field of the current (or new) row; Update writes it; Delete removes the
    // current row. Each returns false with lastError() on failure.
    [[nodiscard]] bool AddNew();
    [[nodiscard]] bool setValue(const QString &name, const QVariant &value);
    [[nodiscard]] bool Update();
    void CancelUpdate();
    [[nodiscard]] bool Delete();

    QString lastError() const { return m_lastError; }

private:
    friend class Connection;
    RecordSet() = default;

    Connection *m_connection = nullptr;
    QString m_table;         // empty for a query
    QStringList m_keyFields; // primary key of m_table
    QStringList m_fields;
    QVector<QVector<QVariant>> m_rows;
    int m_pos = 0;
    bool m_open = false;
    // pending edit
    bool m_adding = false;
    bool m_editing = false;
    QVector<QVariant> m_edit;
    QVector<bool> m_changed;     // fields set since AddNew or the first setValue
    bool m_onDeletedRow = false; // the current row was deleted; m_pos holds the row after it
    QString m_lastError;

    void leaveRow();
    void resetEdit();
    bool hasCurrentRow() const;
    QString rowCondition(const QVector<QVariant> &row) const;
    bool execOnCurrentRow(const QString &statement, const QString &notFound);
    QString fieldCondition(const QString &field, const QVariant &value) const;
    bool reloadRow(const QVector<QVariant> &row, QVector<QVariant> &out);
};

} // namespace KvoPlx800SCtl::HostKit
