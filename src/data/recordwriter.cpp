#include "recordwriter.h"

#include "columns/cfiltercolumn.h"
#include "columns/searchtables.h"
#include "core/columntypes.h"
#include "core/sqlsupport.h"

#include "hostkit/connection.h"
#include "hostkit/dialect.h"

#include <QSet>

namespace KvoPlx800SCtl {

using namespace HostKit;

namespace {

Connection &connectionOf(const SearchTables &tables)
{
    Connection *db = tables.connection();
    require(db != nullptr, QStringLiteral("no database connection"));
    return *db;
}

} // namespace

void RecordWriter::write(qint32 id, const QList<CFilterColumn *> &columns, const LiteralOf &literalOf,
                         const QList<CFilterColumn *> &keywordLists, const KeywordWriter &keywords,
                         Texts rowTexts) const
{
    Connection &db = connectionOf(m_tables);
    const auto writeAll = [&] {
        // The row first: its lock (for a record without a row yet, its key) holds a second writer
        // of the same record back until this one has committed, before that writer reads the
        // keyword rows it replaces. So two saves of one record never mix. A save of keyword
        // lists alone takes the engine's record lock instead, where it needs one.
        bool standard = false;
        QList<QPair<QString, QString>> literals;
        for (CFilterColumn *column : columns) {
            if (ColumnTypes::isKeyword(column->ColumnType()))
                continue;
            standard = true;
            if (const std::optional<QString> literal = literalOf(column))
                literals.append({column->Name(), *literal});
        }
        if (standard)
            writeRow(id, literals, rowTexts);
        else if (!keywordLists.isEmpty())
            lockRecord(id, rowTexts);
        for (CFilterColumn *column : keywordLists)
            require(keywords(column), QStringLiteral("the keywords of %1 were not saved").arg(column->Name()));
    };
    // A record saves whole: its keyword lists and its row commit together, or nothing of it does.
    // Without keyword lists the row is one statement that changes data (an UPDATE, or an INSERT
    // after an UPDATE that found no row), which needs no transaction of its own.
    if (keywordLists.isEmpty())
        writeAll();
    else
        inTransaction(db, lockedMessage(rowTexts.text, rowTexts.first), writeAll);
}

void RecordWriter::lockRecord(qint32 id, Texts texts) const
{
    Connection &db = connectionOf(m_tables);
    const QString lock = db.dialect().recordLockSql(m_tables.searchDataTable(), id);
    if (lock.isEmpty())
        return;
    const LockedMessage locked = lockedMessage(texts.text, texts.first);
    execute(db, lock, &locked, QStringLiteral("record %1 could not be locked").arg(id));
}

void RecordWriter::writeRow(qint32 id, const QList<QPair<QString, QString>> &literals, Texts texts) const
{
    Connection &db = connectionOf(m_tables);
    const QString seek = m_tables.seekCriterion(id);
    require(!seek.isEmpty(), QStringLiteral("the record cannot be found in the search tables"));
    const QString table = m_tables.searchDataTable();
    const QString key = m_tables.keyLiteral(id);
    const QString failure = QStringLiteral("the search data of record %1 could not be saved").arg(id);

    // Every value goes into both forms: an existing row is updated at once, a missing one is
    // inserted when the update finds no row. (Affected rows count the rows found, on MariaDB too.)
    QString fields;
    QString values;
    QString setList;
    db.AddInsertPair(fields, values, m_tables.keyFieldName(), key);
    for (const auto &[field, literal] : literals) {
        db.AddInsertPair(fields, values, field, literal);
        db.AddUpdatePair(setList, field, literal);
    }
    if (setList.isEmpty()) {
        // Nothing to change: only a missing row is made.
        bool found = false;
        if (!db.RowExists(table, m_tables.keyFieldName(), key, found))
            fail(QStringLiteral("the search data of record %1 could not be looked up: %2").arg(id).arg(db.lastError()));
        if (found)
            return;
    } else {
        const LockedMessage updating = lockedMessage(texts.text, texts.second);
        execute(db,
                QStringLiteral("UPDATE ") + db.QuoteName(table) + QStringLiteral(" SET ") + setList
                        + QStringLiteral(" WHERE ") + seek,
                &updating, failure);
        if (db.rowsAffected() > 0)
            return;
    }
    const LockedMessage inserting = lockedMessage(texts.text, texts.first);
    execute(db,
            QStringLiteral("INSERT INTO ") + db.QuoteName(table) + QStringLiteral(" (") + fields
                    + QStringLiteral(") VALUES (") + values + QLatin1Char(')'),
            &inserting, failure);
}

void RecordWriter::writeKeywords(qint32 id, const CFilterColumn &column, const QStringList &keywords, Texts texts) const
{
    Connection &db = connectionOf(m_tables);
    const QString seek = m_tables.seekCriterion(id);
    require(!seek.isEmpty(), QStringLiteral("the record cannot be found in the search tables"));
    const QString table = db.QuoteName(m_tables.tableOf(&column));
    const QString key = m_tables.keyLiteral(id);
    const LockedMessage deleting = lockedMessage(texts.text, texts.first);
    const LockedMessage inserting = lockedMessage(texts.text, texts.second);

    // The old rows go and the new ones come together, or not at all.
    inTransaction(db, deleting, [&] {
        execute(db, QStringLiteral("DELETE FROM ") + table + QStringLiteral(" WHERE ") + seek, &deleting,
                QStringLiteral("the keywords of %1 could not be removed").arg(column.Name()));
        // A record holds each keyword once, as the table's key compares keywords; the first of
        // several equal items is written and the items after it still are.
        QSet<QString> written;
        for (const QString &keyword : keywords) {
            if (keyword.trimmed().isEmpty())
                continue;
            const QString folded = db.dialect().foldKey(keyword);
            if (written.contains(folded))
                continue;
            written.insert(folded);
            QString fields;
            QString values;
            db.AddInsertPair(fields, values, m_tables.keyFieldName(), key);
            db.AddInsertPair(fields, values, column.Name(), db.QuoteText(keyword));
            execute(db,
                    QStringLiteral("INSERT INTO ") + table + QStringLiteral(" (") + fields
                            + QStringLiteral(") VALUES (") + values + QLatin1Char(')'),
                    &inserting, QStringLiteral("the keyword \"%1\" could not be saved").arg(keyword));
        }
    });
}

} // namespace KvoPlx800SCtl
