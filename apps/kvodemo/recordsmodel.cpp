#include "recordsmodel.h"

#include "hostkit/connection.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <algorithm>
#include <limits>

using KvoPlx800SCtl::HostKit::Connection;

RecordsModel::RecordsModel(Connection &connection, CellText cellText, IsNumber isNumber, QObject *parent)
    : QAbstractTableModel(parent),
      m_connection(connection),
      m_cellText(std::move(cellText)),
      m_isNumber(std::move(isNumber))
{}

bool RecordsModel::load(const Query &query, const QString &condition, QString *error, bool keepTotal)
{
    beginResetModel();
    m_query = query;
    m_fields.clear();
    m_keys.clear();
    m_keys.squeeze();
    m_pages.clear();
    if (!keepTotal)
        m_total = -1;
    const auto failed = [&](const QSqlQuery &q) {
        *error = q.lastError().text();
        m_fields.clear();
        m_keys.clear();
        endResetModel();
        return false;
    };
    QSqlDatabase &db = m_connection.database();
    const QString base = m_connection.QuoteName(query.baseTable);
    const QString key = m_connection.QualifiedName(query.baseTable, query.keyField);
    {
        QSqlQuery fields(db);
        fields.setForwardOnly(true);
        if (!fields.exec(query.select + QLatin1Char(' ') + query.from + QStringLiteral(" WHERE 1 = 0")))
            return failed(fields);
        const QSqlRecord record = fields.record();
        for (int i = 0; i < record.count(); ++i)
            m_fields.append(record.fieldName(i));
    }
    if (m_total < 0) {
        QSqlQuery count(db);
        count.setForwardOnly(true);
        if (!count.exec(QStringLiteral("SELECT COUNT(*) FROM ") + base) || !count.next())
            return failed(count);
        m_total = count.value(0).toLongLong();
    }
    {
        // The filter's own query: the keys it selects, in key order, read row by row.
        QSqlQuery keys(db);
        keys.setForwardOnly(true);
        QString sql = QStringLiteral("SELECT ") + key + QStringLiteral(" FROM ") + base;
        if (!condition.isEmpty())
            sql += QStringLiteral(" WHERE ") + condition;
        if (!keys.exec(sql + QStringLiteral(" ORDER BY ") + key))
            return failed(keys);
        if (condition.isEmpty())
            m_keys.reserve(int(qMin<qint64>(m_total, std::numeric_limits<int>::max())));
        while (keys.next())
            m_keys.append(keys.value(0).toInt());
        if (keys.lastError().isValid())
            return failed(keys);
        m_keys.squeeze();
    }
    endResetModel();
    return true;
}

int RecordsModel::rowOf(qint32 key) const
{
    const auto it = std::lower_bound(m_keys.cbegin(), m_keys.cend(), key);
    return it != m_keys.cend() && *it == key ? int(it - m_keys.cbegin()) : -1;
}

int RecordsModel::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : int(m_keys.size()); }

int RecordsModel::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : int(m_fields.size()); }

QVariant RecordsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return m_fields.value(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

QVariant RecordsModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_keys.size())
        return {};
    if (role == Qt::TextAlignmentRole)
        return int(Qt::AlignVCenter | (m_isNumber(index.column()) ? Qt::AlignRight : Qt::AlignLeft));
    if (role != Qt::DisplayRole)
        return {};
    const Page *rows = page(index.row() / PageSize);
    if (!rows)
        return {};
    return rows->value(index.row() % PageSize).value(index.column());
}

QString RecordsModel::pageStatement(int first, int last) const
{
    QStringList keys;
    for (int row = first; row <= last; ++row)
        keys.append(QString::number(m_keys.at(row)));
    const QString key = m_connection.QualifiedName(m_query.baseTable, m_query.keyField);
    return m_query.select + QLatin1Char(' ') + m_query.from + QStringLiteral(" WHERE ") + key + QStringLiteral(" IN (")
           + keys.join(QLatin1Char(',')) + QStringLiteral(") ORDER BY ") + key;
}

// The rows of one page, read by their keys when first asked for; a page that cannot be read shows
// empty rows.
const RecordsModel::Page *RecordsModel::page(int number) const
{
    if (const Page *cached = m_pages.object(number))
        return cached;
    const int first = number * PageSize;
    const int last = qMin(int(m_keys.size()), first + PageSize) - 1;
    if (first > last)
        return nullptr;
    auto *rows = new Page(last - first + 1);
    QSqlQuery query(m_connection.database());
    query.setForwardOnly(true);
    if (query.exec(pageStatement(first, last))) {
        const int keyField = query.record().indexOf(m_query.keyField);
        const int fields = query.record().count();
        while (query.next()) {
            const int row = rowOf(query.value(keyField).toInt()) - first;
            if (row < 0 || row >= rows->size())
                continue;
            QStringList texts;
            texts.reserve(fields);
            for (int field = 0; field < fields; ++field)
                texts.append(m_cellText(field, query.value(field)));
            (*rows)[row] = texts;
        }
    }
    ++m_pagesRead;
    m_pages.insert(number, rows);
    return rows;
}

void RecordsModel::refresh(int row)
{
    if (row < 0 || row >= m_keys.size())
        return;
    m_pages.remove(row / PageSize);
    emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}
