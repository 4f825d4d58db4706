// Reading and writing the search values of one base record: the search-data row, the keyword rows
// of each keyword column and the entries a picklist column offers.
#include "columns/cfiltercolumns.h"

#include "core/basglobals.h"
#include "core/columntypes.h"
#include "core/conversions.h"
#include "core/sqlsupport.h"
#include "core/tracescope.h"
#include "picklists/cscpicklist.h"
#include "recordwriter.h"

#include "hostkit/connection.h"
#include "hostkit/dialect.h"
#include "hostkit/recordset.h"
#include "hostkit/resourcetexts.h"
#include "hostkit/texthelper.h"

#include <QSet>

#include <algorithm>

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

bool CFilterColumns::GetData(ISearchBaseEntry *roSource)
{
    return traced("GetData", Module, false, [&](bool &result) {
        // Whatever happens below, no column keeps the values of the record read before. (An
        // empty list is assigned: clear() on a list sharing a cached picklist's entries would
        // allocate a fresh buffer of their whole capacity, for every record read.)
        for (const auto &c : m_columns) {
            c->setSavedValue(MissingFieldValue(c->ColumnType()));
            c->SavedKeys() = QStringList();
        }
        const QString seek = SearchTableSeekCriteria(roSource);
        require(!seek.isEmpty(), QStringLiteral("no record to read"));

        // A keyword column or a picklist that cannot be read is reported and the others are
        // still read; the result tells whether every column was.
        bool whole = true;
        std::unique_ptr<RecordSet> row;
        for (const auto &c : m_columns) {
            CFilterColumn *column = c.get();
            if (column->ColumnType() == fcKeyword) {
                whole = GetDataKeyword(roSource, column, seek) && whole;
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
                    whole = GetDataPicklist(column, nullptr) && whole;
                column->setSavedValue(MissingFieldValue(column->ColumnType()));
                continue;
            }
            require(row->hasField(column->Name()),
                    QStringLiteral("the table %1 has no field %2").arg(SearchDataTableName(), column->Name()));
            const Variant value = Convert::fromDatabase(row->value(column->Name()), column->ColumnType());
            if (column->IsPicklist())
                whole = GetDataPicklist(column, &value) && whole;
            column->setSavedValue(value.isNull() ? MissingFieldValue(column->ColumnType()) : value);
        }
        result = whole;
    });
}

bool CFilterColumns::GetDataKeyword(ISearchBaseEntry *roEntry, CFilterColumn *rfc, const QString &strSeek)
{
    return traced("GetDataKeyword", Module, false, [&](bool &result) {
        require(rfc != nullptr, QStringLiteral("no column"));
        rfc->SavedKeys() = QStringList();
        Connection *db = connection();
        require(roEntry && db && !strSeek.isEmpty(), QStringLiteral("no record to read"));
        const QString table = SearchTableName(rfc);
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
        // The table has no order of its own, and engines sort texts by their collations: the list
        // reads in code point order, the same everywhere.
        std::sort(keys.begin(), keys.end(), Convert::codePointLess);
        rfc->SavedKeys() = keys;
        result = true;
    });
}

// The scalar sub-selects of the cheap check of a picklist table: how many entries, the least and
// the greatest, and how many are hidden. An entry added, removed, renamed or hidden on another
// workstation changes one of them (short of a change that keeps all four).
QStringList CFilterColumns::picklistStampSql(const CFilterColumn *column, bool canHide) const
{
    const Dialect &db = *dialect();
    const QString table = db.QuoteName(PicklistTableName(column));
    const QString field = db.QuoteName(column->Name());
    QStringList parts{QStringLiteral("(SELECT COUNT(*) FROM %1)").arg(table),
                      QStringLiteral("(SELECT MIN(%2) FROM %1)").arg(table, field),
                      QStringLiteral("(SELECT MAX(%2) FROM %1)").arg(table, field)};
    if (canHide)
        parts << QStringLiteral("(SELECT COUNT(*) FROM %1 WHERE %2 <> 0)")
                         .arg(table, db.QuoteName(CScPicklist::HideEntry()));
    return parts;
}

std::optional<QList<QVariantList>> CFilterColumns::picklistStamps(const QList<const CFilterColumn *> &columns)
{
    Connection *db = connection();
    if (!db || columns.isEmpty())
        return std::nullopt;
    QStringList parts;
    QList<qsizetype> widths;
    for (const CFilterColumn *column : columns) {
        const QStringList own = picklistStampSql(column, column->picklistEntries().canHide);
        widths << own.size();
        parts << own;
    }
    auto rows = db->OpenQuery(QStringLiteral("SELECT ") + parts.join(QStringLiteral(", ")));
    if (!rows || rows->EOF())
        return std::nullopt;
    QList<QVariantList> stamps;
    int field = 0;
    for (const qsizetype width : widths) {
        QVariantList stamp;
        for (qsizetype k = 0; k < width; ++k)
            stamp << rows->value(field++);
        stamps << stamp;
    }
    return stamps;
}

void CFilterColumns::RevalidatePicklists()
{
    traced("RevalidatePicklists", Module, [&] {
        QList<CFilterColumn *> cached;
        for (const auto &c : m_columns) {
            if (c->IsPicklist() && c->picklistEntries().valid)
                cached << c.get();
        }
        if (cached.isEmpty())
            return;
        const auto stamps = picklistStamps({cached.begin(), cached.end()});
        for (qsizetype i = 0; i < cached.size(); ++i) {
            if (!stamps || stamps->at(i) != cached[i]->picklistEntries().stamp)
                cached[i]->dropPicklistEntries();
        }
    });
}

bool CFilterColumns::GetDataPicklist(CFilterColumn *column, const Variant *field)
{
    return traced("GetDataPicklist", Module, false, [&](bool &result) {
        require(column != nullptr, QStringLiteral("no column"));
        column->SavedKeys() = QStringList();
        CFilterColumn::PicklistEntries &cache = column->picklistEntries();
        if (!cache.valid) {
            Connection *db = connection();
            require(db != nullptr, QStringLiteral("no database connection"));
            const QString table = PicklistTableName(column);
            // The check is read before the entries: a change in between shows at the next check.
            const auto known = catalog() ? catalog()->FindTable(table) : nullptr;
            cache.canHide = known && known->FindColumn(CScPicklist::HideEntry());
            const auto stamp = picklistStamps({column});
            auto rows = db->OpenQuery(QStringLiteral("SELECT * FROM ") + db->QuoteName(table));
            require(rows != nullptr,
                    QStringLiteral("the picklist %1 could not be read: %2").arg(table, db->lastError()));
            require(rows->hasField(column->Name()),
                    QStringLiteral("the table %1 has no field %2").arg(table, column->Name()));
            const QString hideField = CScPicklist::HideEntry();
            const bool canHide = rows->hasField(hideField);
            CFilterColumn::PicklistEntries fresh;
            fresh.canHide = canHide;
            const FilterColumnTypeConstants type = column->ColumnType();
            int place = 0;
            for (; !rows->EOF(); rows->MoveNext()) {
                const QVariant raw = rows->value(column->Name());
                if (raw.isNull())
                    continue;
                const Variant entry = Convert::fromDatabase(raw, type);
                const QString text = entry.hasValue() ? Convert::displayText(entry) : raw.toString();
                const Variant hidden =
                        canHide ? Convert::fromDatabase(rows->value(hideField), fcBoolean) : Variant::null();
                if (hidden.hasValue() && hidden.toBool())
                    fresh.hidden.append({place, text});
                else
                    fresh.visible.append(text);
                ++place;
            }
            // A check that counted without the hidden entries of a table that has them (or the
            // other way round) cannot be compared later: the next read goes to the table again.
            fresh.valid = stamp.has_value() && canHide == cache.canHide;
            if (stamp)
                fresh.stamp = stamp->first();
            cache = std::move(fresh);
        }
        QStringList entries = cache.visible;
        // An entry hidden after this record took it is still offered to this record, in its place.
        if (field && field->hasValue() && !cache.hidden.isEmpty()) {
            const QString recordText = Convert::displayText(*field);
            qsizetype before = 0;
            for (const auto &[place, text] : std::as_const(cache.hidden)) {
                if (TextHelper::TextEqual(text, recordText, 1))
                    entries.insert(place - before, text);
                else
                    ++before;
            }
        }
        column->SavedKeys() = entries;
        result = true;
    });
}

// --- Writing --------------------------------------------------------------------------------

bool CFilterColumns::SaveDataFromClientUpdates(ISearchBaseEntry *roEntry)
{
    return traced("SaveDataFromClientUpdates", Module, false, [&](bool &result) {
        // The values handed in are used once, whether the save succeeds or not.
        const auto reset = qScopeGuard([&] {
            for (const auto &c : m_columns)
                c->setUpdatedValue(Variant());
        });
        saveData(roEntry, false);
        result = true;
    });
}

bool CFilterColumns::SaveDataFromEditControl(ISearchBaseEntry *entry)
{
    return traced("SaveDataFromEditControl", Module, false, [&](bool &result) {
        saveData(entry, true);
        result = true;
    });
}

// The keyword rows of each keyword column, in collection order, and one statement on the
// search-data row: an INSERT when the record has no row yet, else an UPDATE of the columns that
// carry a value. From the edit control, every column whose field holds a valid value is written
// with that value (a column without a field is left alone); from the host, every column whose
// UpdatedValue is not Empty. Fails when any part of the record was not written.
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
    require(entry != nullptr, QStringLiteral("no record to write"));
    const QString seek = SearchTableSeekCriteria(entry);
    // Keyword values reach the database only through a list a control shows.
    QList<CFilterColumn *> keywordLists = NewEnum();
    keywordLists.removeIf([](const CFilterColumn *c) { return c->ColumnType() != fcKeyword || !c->asComboBox(); });
    RecordWriter(m_tables).write(entry->Id(), NewEnum(), literalOf, keywordLists,
                                 [&](CFilterColumn *column) { return SaveDataKeyword(entry, column, seek); },
                                 {8471, 8472, 8473});
}

// `strSeek` is the record's seek criterion, which the writer makes from the record itself.
bool CFilterColumns::SaveDataKeyword(ISearchBaseEntry *roEntry, CFilterColumn *column,
                                     [[maybe_unused]] const QString &strSeek)
{
    return traced("SaveDataKeyword", Module, false, [&](bool &result) {
        const IComboBox *combo = column ? column->asComboBox() : nullptr;
        // A column without a keyword list in a control has nothing to save.
        if (combo && roEntry)
            RecordWriter(m_tables).writeKeywords(roEntry->Id(), *column, combo->items(), {8477, 8478, 8479});
        result = true;
    });
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
        result = SaveDataFromClientUpdates(roEntry);
    });
}

} // namespace KvoPlx800SCtl
