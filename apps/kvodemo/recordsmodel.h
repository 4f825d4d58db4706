#pragma once

#include <QAbstractTableModel>
#include <QCache>
#include <QList>
#include <QStringList>
#include <QVector>

#include <functional>

namespace KvoPlx800SCtl::HostKit {
class Connection;
}

// The records of a host's query over its base table, fetched as they come into view, so that a
// table of a million records opens at once and holds little memory. Loading reads the keys of the
// selected records once, in key order, with the filter's own query (a forward-only cursor: Qt's
// PostgreSQL driver then fetches row by row instead of reading the whole result first); a view
// asking for a row fetches the page of rows around it by their keys. Pages are kept up to a limit.
class RecordsModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    static constexpr int PageSize = 100;
    static constexpr int CachedPages = 50;

    // The host's query: "SELECT <fields>", "FROM <base> [LEFT JOIN ...]", the base table and its
    // integer key field.
    struct Query
    {
        QString select;
        QString from;
        QString baseTable;
        QString keyField;
    };
    // The text of a field's value, and whether the field holds numbers (shown right-aligned).
    using CellText = std::function<QString(int field, const QVariant &value)>;
    using IsNumber = std::function<bool(int field)>;

    RecordsModel(KvoPlx800SCtl::HostKit::Connection &connection, CellText cellText, IsNumber isNumber,
                 QObject *parent = nullptr);

    // Reads the keys of the records that `condition` selects (every record when it is empty) and,
    // unless `keepTotal` is set (only the condition changed), the number of records in the table.
    // False with `error` set; the model is then empty.
    bool load(const Query &query, const QString &condition, QString *error, bool keepTotal = false);
    // The records in the base table, whatever the condition.
    qint64 total() const { return qMax<qint64>(m_total, 0); }
    qint32 keyAt(int row) const { return row >= 0 && row < m_keys.size() ? m_keys.at(row) : 0; }
    // The row of a key; -1 when the key is not selected.
    int rowOf(qint32 key) const;
    // Reads a row again (after its values were saved).
    void refresh(int row);
    // Pages read from the database since the model was made (for tests and benchmarks).
    int pagesRead() const { return m_pagesRead; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    using Page = QVector<QStringList>; // the cell texts of each row of a page
    const Page *page(int number) const;
    QString pageStatement(int first, int last) const;

    KvoPlx800SCtl::HostKit::Connection &m_connection;
    CellText m_cellText;
    IsNumber m_isNumber;
    Query m_query;
    QStringList m_fields;
    QVector<qint32> m_keys;
    qint64 m_total = -1; // not counted yet
    mutable QCache<int, Page> m_pages{CachedPages};
    mutable int m_pagesRead = 0;
};
