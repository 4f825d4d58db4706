// Reading and writing the search values of one base record: the search-data row, the keyword rows
// of each keyword column and the entries a picklist column offers.
#include "columns/cfiltercolumns.h"

#include "core/basglobals.h"
#include "core/columntypes.h"
#include "core/conversions.h"
#include "core/sqlsupport.h"
#include "core/tracescope.h"

#include "hostkit/connection.h"
#include "hostkit/dialect.h"
#include "hostkit/recordset.h"
#include "hostkit/resourcetexts.h"
#include "hostkit/texthelper.h"

#include <QSet>

namespace KvoPlx800SCtl {

using namespace HostKit;

namespace {
constexpr const char *Module = "CFilterColumns";

// The SQL text of a value handed in for a column: NULL for Empty and Null, else a finished literal
// of the column's type. A number handed for a date column is a date serial. Fails when the value
// does not convert, so that it never reaches SQL.
QString valueLiteral(const Dialect &db, FilterColumnTypeConstants type, const Variant &value)
{
    const auto typed = Convert::toColumnType(value, type, Convert::DateSerials::Accepted);
    if (!typed)
        fail(QStringLiteral("\"%1\" is no value of a column of type %2")
                     .arg(value.toText(), basGlobals::ColumnTypeDisplayName(type)));
    return columnLiteral(db, type, *typed);
}

} // namespace

Variant CFilterColumns::MissingFieldValue(FilterColumnTypeConstants type) { return ColumnTypes::missingValue(type); }

QString CFilterColumns::SqlValueText(const CFilterColumn *column, const Variant &value) const
{
    return traced("SqlValueText", Module, QString(), [&](QString &result) {
        const Dialect *sql = dialect();
        require(sql != nullptr, QStringLiteral("the column set has no SQL dialect"));
        require(column != nullptr, QStringLiteral("no column"));
        result = valueLiteral(*sql, column->ColumnType(), value);
    });
}

// --- Reading --------------------------------------------------------------------------------

void CFilterColumns::GetData(ISearchBaseEntry *roSource)
{
    traced("GetData", Module, [&] {
        // Whatever happens below, no column keeps the values of the record read before.
        for (const auto &c : m_columns) {
            c->setSavedValue(MissingFieldValue(c->ColumnType()));
            c->SavedKeys().clear();
        }
        const QString seek = SearchTableSeekCriteria(roSource);
        if (seek.isEmpty())
            return;

        std::unique_ptr<RecordSet> row;
        for (const auto &c : m_columns) {
            CFilterColumn *column = c.get();
            if (column->ColumnType() == fcKeyword) {
                GetDataKeyword(roSource, column, seek);
                continue;
            }
            if (!row) {
                row = OpenSearchTable(roSource);
                require(row != nullptr, QStringLiteral("the search data of record %1 could not be read: %2")
                                                .arg(roSource->Id())
                                                .arg(connection() ? connection()->lastError() : QString()));
            }
            if (row->EOF()) {
                if (column->IsPicklist())
                    GetDataPicklist(column, nullptr);
                column->setSavedValue(MissingFieldValue(column->ColumnType()));
                continue;
            }
            require(row->hasField(column->Name()),
                    QStringLiteral("the table %1 has no field %2").arg(SearchDataTableName(), column->Name()));
            const Variant value = Convert::fromDatabase(row->value(column->Name()), column->ColumnType());
            if (column->IsPicklist())
                GetDataPicklist(column, &value);
            column->setSavedValue(value.isNull() ? MissingFieldValue(column->ColumnType()) : value);
        }
    });
}

void CFilterColumns::GetDataKeyword(ISearchBaseEntry *roEntry, CFilterColumn *rfc, const QString &strSeek)
{
    traced("GetDataKeyword", Module, [&] {
        if (!rfc)
            return;
        rfc->SavedKeys().clear();
        Connection *db = connection();
        if (!roEntry || !db || strSeek.isEmpty())
            return;
        const QString table = SearchTableName(rfc);
        // The keyword table has no order of its own: the rows come as the database delivers them.
        auto rows = db->OpenQuery(QStringLiteral("SELECT * FROM ") + db->QuoteName(table) + QStringLiteral(" WHERE ")
                                  + strSeek);
        require(rows != nullptr,
                QStringLiteral("the keywords of %1 could not be read: %2").arg(rfc->Name(), db->lastError()));
        require(rows->hasField(rfc->Name()), QStringLiteral("the table %1 has no field %2").arg(table, rfc->Name()));
        QStringList keys;
        for (; !rows->EOF(); rows->MoveNext()) {
            const Variant value = Convert::fromDatabase(rows->value(rfc->Name()), fcKeyword);
            if (value.hasValue())
                keys.append(value.toText());
        }
        rfc->SavedKeys() = keys;
    });
}

void CFilterColumns::GetDataPicklist(CFilterColumn *column, const Variant *field)
{
    traced("GetDataPicklist", Module, [&] {
        if (!column)
            return;
        column->SavedKeys().clear();
        Connection *db = connection();
        require(db != nullptr, QStringLiteral("no database connection"));
        const QString table = PicklistTableName(column);
        auto rows = db->OpenQuery(QStringLiteral("SELECT * FROM ") + db->QuoteName(table));
        require(rows != nullptr, QStringLiteral("the picklist %1 could not be read: %2").arg(table, db->lastError()));
        require(rows->hasField(column->Name()),
                QStringLiteral("the table %1 has no field %2").arg(table, column->Name()));
        const QString hideField = QStringLiteral("HideEntry");
        const bool canHide = rows->hasField(hideField);

        const FilterColumnTypeConstants type = column->ColumnType();
        const bool hasValue = field && field->hasValue();
        const QString recordText = hasValue ? Convert::displayText(*field) : QString();
        QStringList entries;
        for (; !rows->EOF(); rows->MoveNext()) {
            const QVariant raw = rows->value(column->Name());
            if (raw.isNull())
                continue;
            const Variant entry = Convert::fromDatabase(raw, type);
            const QString text = entry.hasValue() ? Convert::displayText(entry) : raw.toString();
            const Variant hidden = canHide ? Convert::fromDatabase(rows->value(hideField), fcBoolean) : Variant::null();
            const bool visible = !hidden.hasValue() || !hidden.toBool();
            // An entry hidden after this record took it is still offered to this record.
            if (visible || (hasValue && TextHelper::TextEqual(text, recordText, 1)))
                entries.append(text);
        }
        column->SavedKeys() = entries;
    });
}

// --- Writing --------------------------------------------------------------------------------

void CFilterColumns::SaveDataFromClientUpdates(ISearchBaseEntry *roEntry)
{
    traced("SaveDataFromClientUpdates", Module, [&] {
        // The values handed in are used once, whether the save succeeds or not.
        struct ResetUpdates
        {
            const std::vector<std::unique_ptr<CFilterColumn>> &columns;
            ~ResetUpdates()
            {
                for (const auto &c : columns)
                    c->setUpdatedValue(Variant());
            }
        } reset{m_columns};
        saveData(roEntry, false);
    });
}

void CFilterColumns::SaveDataFromEditControl(ISearchBaseEntry *entry)
{
    traced("SaveDataFromEditControl", Module, [&] { saveData(entry, true); });
}

// The keyword rows of each keyword column, in collection order, and one statement on the
// search-data row: an INSERT when the record has no row yet, else an UPDATE of the columns that
// carry a value. From the edit control, every column whose field holds a valid value is written
// with that value (a column without a field is left alone); from the host, every column whose
// UpdatedValue is not Empty. Failures propagate to the caller's trace.
void CFilterColumns::saveData(ISearchBaseEntry *entry, bool fromControls)
{
    const auto literalOf = [&](CFilterColumn *column) -> std::optional<QString> {
        Variant value;
        if (fromControls) {
            // A column without a field has nothing to save.
            if (!column->MyControl() || !column->Validate())
                return std::nullopt;
            value = column->Value();
            // A picklist that allows no blank takes its default for a blank choice, as the
            // picklist itself replaces stored blanks; a blank would break its foreign key.
            if (column->IsPicklist() && !column->PicklistAllowBlanks() && value.type() == Variant::Type::Text
                && value.toText().trimmed().isEmpty())
                value = column->DefaultValue(Convert::now());
        } else {
            value = column->UpdatedValue();
        }
        if (value.isEmpty())
            return std::nullopt;
        return valueLiteral(*dialect(), column->ColumnType(), value);
    };
    writeRow(entry, literalOf,
             [&](CFilterColumn *column, const QString &seek) { SaveDataKeyword(entry, column, seek); },
             {8471, 8472, 8473});
}

void CFilterColumns::writeRow(ISearchBaseEntry *entry,
                              const std::function<std::optional<QString>(CFilterColumn *)> &literalOf,
                              const std::function<void(CFilterColumn *, const QString &)> &writeKeywordColumn,
                              WriteTexts texts)
{
    if (!entry)
        return;
    Connection *db = connection();
    require(db != nullptr, QStringLiteral("no database connection"));
    const QString seek = SearchTableSeekCriteria(entry);
    require(!seek.isEmpty(), QStringLiteral("the record cannot be found in the search tables"));
    const QString table = SearchDataTableName();
    const QString key = keyLiteral(entry->Id());

    // Every value goes into both forms: an existing row is updated at once, a missing one is
    // inserted when the update finds no row. (Affected rows count the rows found, on MariaDB too.)
    bool standard = false;
    QString fields;
    QString values;
    QString setList;
    db->AddInsertPair(fields, values, keyFieldName(), key);
    for (const auto &c : m_columns) {
        CFilterColumn *column = c.get();
        if (column->ColumnType() == fcKeyword) {
            writeKeywordColumn(column, seek);
            continue;
        }
        standard = true;
        const std::optional<QString> literal = literalOf(column);
        if (!literal)
            continue;
        db->AddInsertPair(fields, values, column->Name(), *literal);
        db->AddUpdatePair(setList, column->Name(), *literal);
    }
    if (!standard)
        return;
    const QString failure = QStringLiteral("the search data of record %1 could not be saved").arg(entry->Id());
    if (setList.isEmpty()) {
        // Nothing to change: only a missing row is made.
        bool found = false;
        if (!db->RowExists(table, keyFieldName(), key, found))
            fail(QStringLiteral("the search data of record %1 could not be looked up: %2")
                         .arg(entry->Id())
                         .arg(db->lastError()));
        if (found)
            return;
    } else {
        const LockedMessage updating = lockedMessage(texts.text, texts.second);
        execute(*db,
                QStringLiteral("UPDATE ") + db->QuoteName(table) + QStringLiteral(" SET ") + setList
                        + QStringLiteral(" WHERE ") + seek,
                &updating, failure);
        if (db->rowsAffected() > 0)
            return;
    }
    const LockedMessage inserting = lockedMessage(texts.text, texts.first);
    execute(*db,
            QStringLiteral("INSERT INTO ") + db->QuoteName(table) + QStringLiteral(" (") + fields
                    + QStringLiteral(") VALUES (") + values + QLatin1Char(')'),
            &inserting, failure);
}

void CFilterColumns::SaveDataKeyword(ISearchBaseEntry *roEntry, CFilterColumn *column, const QString &strSeek)
{
    traced("SaveDataKeyword", Module, [&] {
        const IComboBox *combo = column ? column->asComboBox() : nullptr;
        if (!combo || !roEntry)
            return;
        writeKeywords(roEntry, column, strSeek, combo->items(), {8477, 8478, 8479});
    });
}

void CFilterColumns::writeKeywords(ISearchBaseEntry *entry, CFilterColumn *column, const QString &seek,
                                   const QStringList &keywords, WriteTexts texts)
{
    Connection *db = connection();
    require(db != nullptr, QStringLiteral("no database connection"));
    require(!seek.isEmpty(), QStringLiteral("the record cannot be found in the search tables"));
    const QString table = db->QuoteName(SearchTableName(column));
    const QString key = keyLiteral(entry->Id());
    const LockedMessage deleting = lockedMessage(texts.text, texts.first);
    const LockedMessage inserting = lockedMessage(texts.text, texts.second);

    // The old rows go and the new ones come together, or not at all.
    TransactionScope transaction(*db);
    transaction.begin(&deleting);
    execute(*db, QStringLiteral("DELETE FROM ") + table + QStringLiteral(" WHERE ") + seek, &deleting,
            QStringLiteral("the keywords of %1 could not be removed").arg(column->Name()));
    // A record holds each keyword once, as the table's key compares keywords; the first of several
    // equal items is written and the items after it still are.
    QSet<QString> written;
    for (const QString &keyword : keywords) {
        if (keyword.trimmed().isEmpty())
            continue;
        const QString folded = db->dialect().foldKey(keyword);
        if (written.contains(folded))
            continue;
        written.insert(folded);
        QString fields;
        QString values;
        db->AddInsertPair(fields, values, keyFieldName(), key);
        db->AddInsertPair(fields, values, column->Name(), db->QuoteText(keyword));
        execute(*db,
                QStringLiteral("INSERT INTO ") + table + QStringLiteral(" (") + fields + QStringLiteral(") VALUES (")
                        + values + QLatin1Char(')'),
                &inserting, QStringLiteral("the keyword \"%1\" could not be saved").arg(keyword));
    }
    transaction.commit();
}

bool CFilterColumns::InitializeSearchData(ISearchBaseEntry *roEntry)
{
    return traced("InitializeSearchData", Module, false, [&](bool &result) {
        if (!roEntry)
            return;
        const QDateTime now = Convert::now();
        for (const auto &c : m_columns) {
            if (c->ColumnType() != fcKeyword)
                c->setUpdatedValue(c->DefaultValue(now));
        }
        SaveDataFromClientUpdates(roEntry);
        result = true;
    });
}

} // namespace KvoPlx800SCtl
