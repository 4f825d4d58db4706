// Carrying search values along when the host copies or merges base records: inside one table,
// into the same table of another database, and from one record into another through the merge
// names that a configuration copy leaves in the definition table.
#include "core/csearchfilter.h"

#include "columns/cfiltercolumns.h"
#include "columns/definitiontable.h"
#include "core/columntypes.h"
#include "core/conversions.h"
#include "core/sqlsupport.h"
#include "core/tracescope.h"
#include "data/recordwriter.h"
#include "picklists/cscpicklist.h"

#include "hostkit/adotypes.h"
#include "hostkit/connection.h"
#include "hostkit/databasehandler.h"
#include "hostkit/databasehelper.h"
#include "hostkit/dialect.h"
#include "hostkit/recordset.h"
#include "hostkit/resourcetexts.h"
#include "hostkit/trace.h"

#include <QSet>

#include <optional>
#include <utility>
#include <vector>

namespace KvoPlx800SCtl {

using namespace HostKit;

namespace {
constexpr const char *FilterModule = "CSearchFilter";
constexpr const char *Module = "CFilterColumns";

// A value carried over from another column, or another engine, as a value of a column type.
std::optional<Variant> toColumnType(const Variant &value, FilterColumnTypeConstants type)
{
    return Convert::toColumnType(value, type, Convert::DateSerials::Refused);
}

// A field of another filter's search-data row as a value: read as the type of the column it
// belongs to there, or, for a field without a column, as the kind of value the driver handed.
Variant typedField(const QVariant &raw, const CFilterColumn *sourceColumn)
{
    if (sourceColumn && sourceColumn->ColumnType() != fcKeyword)
        return Convert::fromDatabase(raw, sourceColumn->ColumnType());
    switch (raw.metaType().id()) {
    case QMetaType::QDateTime:
    case QMetaType::QDate:
        return Convert::fromDatabase(raw, fcDateTime);
    case QMetaType::Bool:
        return Convert::fromDatabase(raw, fcBoolean);
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Float:
    case QMetaType::Double:
        return Convert::fromDatabase(raw, fcDouble);
    default:
        return Convert::fromDatabase(raw, fcText);
    }
}

// Whether a saved value is blank, so that a copy leaves the target's value alone: false for a
// Boolean column, an empty or all-blank text form (Null included) for every other type.
bool isBlankValue(FilterColumnTypeConstants type, const Variant &value)
{
    if (!value.hasValue())
        return true;
    if (type == fcBoolean)
        return !value.toBool();
    return value.toText().trimmed().isEmpty();
}

// The text of a value as a picklist entry, in the form the picklist reads entries (the current
// locale for numbers, ISO for dates). Empty for a Boolean or a value without one.
QString picklistEntryText(FilterColumnTypeConstants type, const Variant &value)
{
    if (!value.hasValue() || type == fcBoolean)
        return {};
    if (value.type() == Variant::Type::Date)
        return Convert::isoText(value.toDate());
    if (ColumnTypes::isNumber(type))
        return Convert::displayText(value);
    return value.toText();
}

// Adds a value to a picklist column's list when it is not there yet, so that the column's
// reference to its picklist holds for the value about to be written.
void addToPicklist(CFilterColumn *column, const Variant &typed)
{
    if (!column->IsPicklist())
        return;
    const QString entry = picklistEntryText(column->ColumnType(), typed);
    if (entry.trimmed().isEmpty())
        return;
    require(column->PickList()->SaveAdditions({entry}),
            QStringLiteral("the value \"%1\" could not be added to the picklist of %2").arg(entry, column->Name()));
}

} // namespace

// --- Search filter --------------------------------------------------------------------------

bool CSearchFilter::CopyValuesWithinTable(ISearchBaseEntry *roSource, ISearchBaseEntry *roTarget)
{
    return traced("CopyValuesWithinTable", FilterModule, false, [&](bool &result) {
        if (!roSource || !roTarget || !Exists())
            return;
        result = m_columns->Copy(roSource, roTarget);
    });
}

ESearchFilterCopyConfigurationResults
CSearchFilter::CopyValuesBetweenTables(CSearchFilter *sfSource, ISearchBaseEntry *roSource, ISearchBaseEntry *roTarget)
{
    return traced("CopyValuesBetweenTables", FilterModule, fltrCCR_Failed,
                  [&](ESearchFilterCopyConfigurationResults &result) {
                      if (!sfSource || !roSource || !roTarget)
                          return;
                      CFilterColumns *source = sfSource->FilterColumns();
                      require(m_columns && source, QStringLiteral("both search filters need their column sets"));
                      require(sameName(source->baseTableName(), m_columns->baseTableName()),
                              QStringLiteral("the base tables %1 and %2 differ")
                                      .arg(source->baseTableName(), m_columns->baseTableName()));

                      require(source->GetData(roSource),
                              QStringLiteral("the source record %1 could not be read").arg(roSource->Id()));

                      // Every source column needs its target, and every value a form the target takes, before
                      // anything is handed over.
                      struct Transfer
                      {
                          const CFilterColumn *from;
                          CFilterColumn *to;
                          Variant value;
                      };
                      std::vector<Transfer> transfers;
                      for (const CFilterColumn *from : source->NewEnum()) {
                          CFilterColumn *to = m_columns->findByName(from->Name());
                          require(to != nullptr, QStringLiteral("the target has no column %1").arg(from->Name()));
                          Variant value;
                          if (to->ColumnType() != fcKeyword && from->ColumnType() != fcKeyword
                              && !from->SavedValue().isEmpty()) {
                              const auto typed = toColumnType(from->SavedValue(), to->ColumnType());
                              require(typed.has_value(),
                                      QStringLiteral("the value \"%1\" of %2 does not fit the target's column")
                                              .arg(from->SavedValue().toText(), from->Name()));
                              value = *typed;
                          }
                          transfers.push_back({from, to, value});
                      }

                      for (const Transfer &t : transfers) {
                          if (t.to->ColumnType() == fcKeyword) {
                              // Keyword values reach the database only through a keyword list that a control
                              // shows; without one the target keeps its keyword rows.
                              t.to->SavedKeys() =
                                      t.from->ColumnType() == fcKeyword ? t.from->SavedKeys() : QStringList();
                              continue;
                          }
                          addToPicklist(t.to, t.value);
                      }
                      for (const Transfer &t : transfers) {
                          if (t.to->ColumnType() != fcKeyword && !t.value.isEmpty())
                              t.to->setUpdatedValue(t.value);
                      }
                      require(m_columns->SaveDataFromClientUpdates(roTarget),
                              QStringLiteral("the values of record %1 could not be saved").arg(roTarget->Id()));
                      result = fltrCCR_Success;
                  });
}

ESearchFilterCopyConfigurationResults CSearchFilter::CopyConfiguration(IProgress *roProgress, CSearchFilter *rsfSource)
{
    return traced(
            "CopyConfiguration", FilterModule, fltrCCR_Failed, [&](ESearchFilterCopyConfigurationResults &result) {
                if (!rsfSource || !m_columns)
                    return;
                const CFilterColumns *source = rsfSource->FilterColumns();
                if (!source || source->Count() == 0) {
                    result = fltrCCR_Success;
                    return;
                }
                require(m_columns->MakeMergeColumn(), QStringLiteral("the merge names cannot be stored"));

                QStringList added;
                try {
                    for (const CFilterColumn *from : source->NewEnum()) {
                        QString name = from->Name();
                        for (int n = 1; m_columns->findByName(name); ++n)
                            name = from->Name() + QLatin1Char('_') + QString::number(n);
                        CFilterColumn *column = m_columns->AddColumn(
                                name, from->Caption(), from->Description(), from->ColumnType(), from->TextLengthInUI(),
                                from->IsPicklist(), from->PicklistAllowBlanks(), from->PicklistDefault(),
                                from->DateTimeDefaultMode(), from->DateTimeDefaultValue(), from->DisableEditDateTime(),
                                from->Name(), m_columns->Count() + 1);
                        require(column != nullptr, QStringLiteral("the column %1 cannot be added").arg(name));
                        added.append(name);
                    }
                } catch (...) {
                    // Nothing was stored: the column set stays as it was (each name was just added).
                    for (const QString &name : std::as_const(added))
                        static_cast<void>(m_columns->Remove(name));
                    throw;
                }
                result = m_columns->ColumnsSave(roProgress) ? fltrCCR_Success : fltrCCR_Failed;
            });
}

bool CSearchFilter::CopyCleanup()
{
    return traced("CopyCleanup", FilterModule, false, [&](bool &result) {
        if (m_columns)
            result = m_columns->MergeCleanup();
    });
}

bool CSearchFilter::MergeSearchData(ISearchBaseEntry *entryTarget, CSearchFilter *sfSource,
                                    ISearchBaseEntry *entrySource)
{
    return traced("MergeSearchData", FilterModule, false, [&](bool &result) {
        if (m_columns)
            result = m_columns->MergeData(entryTarget, sfSource, entrySource);
    });
}

// --- Column set: copy -----------------------------------------------------------------------

bool CFilterColumns::Copy(ISearchBaseEntry *roSource, ISearchBaseEntry *roTarget)
{
    return traced("Copy", Module, false, [&](bool &result) {
        if (!roSource || !roTarget)
            return;
        // A source that cannot be read must not clear the target's keywords.
        require(GetData(roSource), QStringLiteral("the source record %1 could not be read").arg(roSource->Id()));
        require(CopyData(roTarget), QStringLiteral("the values of record %1 could not be written").arg(roTarget->Id()));
        result = true;
    });
}

// SaveDataFromClientUpdates with the saved values: blank values (Null, empty text, false) leave
// the target's value alone, a picklist value is first added to its picklist, and keyword columns
// are rewritten from their SavedKeys.
bool CFilterColumns::CopyData(ISearchBaseEntry *entry)
{
    return traced("CopyData", Module, false, [&](bool &result) {
        require(entry != nullptr, QStringLiteral("no record to write"));
        const auto literalOf = [&](CFilterColumn *column) -> std::optional<QString> {
            const Variant value = column->SavedValue();
            if (isBlankValue(column->ColumnType(), value))
                return std::nullopt;
            const QString literal = SqlValueText(column, value);
            require(!literal.isEmpty(), QStringLiteral("the value \"%1\" does not fit column %2 of type %3")
                                                .arg(value.toText(), column->Name(), column->typeDisplayName()));
            if (column->IsPicklist())
                require(CopyDataInsertIntoPicklist(column),
                        QStringLiteral("the picklist of %1 cannot take the value").arg(column->Name()));
            return literal;
        };
        const QString seek = SearchTableSeekCriteria(entry);
        QList<CFilterColumn *> keywordLists = NewEnum();
        keywordLists.removeIf([](const CFilterColumn *c) { return c->ColumnType() != fcKeyword; });
        RecordWriter(m_tables).write(
                entry->Id(), NewEnum(), literalOf, keywordLists,
                [&](CFilterColumn *column) { return CopyDataKeyword(entry, column, seek); }, {8459, 8460, 8461});
        result = true;
    });
}

// The keyword rows of one record rewritten from the column's SavedKeys, each keyword once (as the
// table's key compares keywords), the DELETE and the INSERTs in one transaction. `criterion` is the
// record's seek criterion, which the writer makes from the record itself.
bool CFilterColumns::CopyDataKeyword(ISearchBaseEntry *entry, CFilterColumn *column,
                                     [[maybe_unused]] const QString &criterion)
{
    return traced("CopyDataKeyword", Module, false, [&](bool &result) {
        require(entry && column, QStringLiteral("no record or column"));
        RecordWriter(m_tables).writeKeywords(entry->Id(), *column, column->SavedKeys(), {8462, 8463, 8464});
        result = true;
    });
}

bool CFilterColumns::CopyDataInsertIntoPicklist(CFilterColumn *column)
{
    return traced("CopyDataInsertIntoPicklist", Module, false, [&](bool &result) {
        require(column != nullptr, QStringLiteral("no column"));
        const auto typed = toColumnType(column->SavedValue(), column->ColumnType());
        require(typed.has_value(), QStringLiteral("the value \"%1\" does not fit column %2")
                                           .arg(column->SavedValue().toText(), column->Name()));
        addToPicklist(column, *typed);
        result = true;
    });
}

// --- Column set: merge ----------------------------------------------------------------------

bool CFilterColumns::MakeMergeColumn()
{
    return traced("MakeMergeColumn", Module, false, [&](bool &result) {
        require(catalog() != nullptr, QStringLiteral("the column set is not set up"));
        DefinitionTable(m_tables).addMergeField();
        result = true;
    });
}

bool CFilterColumns::MergeCleanup()
{
    return traced("MergeCleanup", Module, false, [&](bool &result) {
        require(catalog() != nullptr, QStringLiteral("the column set is not set up"));
        DefinitionTable(m_tables).dropMergeField();
        for (const auto &c : m_columns)
            c->setMergeName(QString());
        result = true;
    });
}

bool CFilterColumns::MergeData(ISearchBaseEntry *entryTarget, CSearchFilter *sfSource, ISearchBaseEntry *entrySource)
{
    return traced("MergeData", Module, false, [&](bool &result) {
        require(entryTarget && sfSource && entrySource, QStringLiteral("no record to merge"));
        const CFilterColumns *source = sfSource->FilterColumns();
        require(source != nullptr, QStringLiteral("the source filter has no column set"));
        require(sameName(source->baseTableName(), baseTableName()),
                QStringLiteral("the base tables %1 and %2 differ").arg(source->baseTableName(), baseTableName()));
        // Keyword values are not merged: the target keeps its own.
        result = !HasStandardColumns() || MergeDataStandardColumns(entryTarget, sfSource, entrySource);
    });
}

// The source row is read through the source filter: its connection, table name, quoting and seek
// criterion (the two filters may live on different engines). Each non-Null field goes to the
// merge column whose merge name is the field's name, converted to that column's type.
bool CFilterColumns::MergeDataStandardColumns(ISearchBaseEntry *entryTarget, CSearchFilter *sfSource,
                                              ISearchBaseEntry *entrySource)
{
    return traced("MergeDataStandardColumns", Module, false, [&](bool &result) {
        require(entryTarget && sfSource && entrySource, QStringLiteral("no record to merge"));
        CFilterColumns *source = sfSource->FilterColumns();
        require(source && source->connection() && source->catalog(), QStringLiteral("the source filter is not set up"));
        Connection &from = *source->connection();
        const QString sourceTable = source->SearchDataTableName();
        if (!DatabaseHelper::FindTable(*source->catalog(), sourceTable)) {
            result = true; // the source holds keyword columns only
            return;
        }
        const QString sourceSeek = source->SearchTableSeekCriteria(entrySource);
        require(!sourceSeek.isEmpty(), QStringLiteral("the source record cannot be found in its search tables"));
        const auto row = from.OpenQuery(QStringLiteral("SELECT * FROM ") + from.QuoteName(sourceTable)
                                        + QStringLiteral(" WHERE ") + sourceSeek);
        if (!row)
            fail(QStringLiteral("the search data of source record %1 could not be read: %2")
                         .arg(entrySource->Id())
                         .arg(from.lastError()));
        if (row->EOF()) {
            result = true; // nothing to merge
            return;
        }

        Connection *db = connection();
        require(db != nullptr, QStringLiteral("no database connection"));
        struct Pair
        {
            CFilterColumn *column;
            Variant value;
        };
        std::vector<Pair> pairs;
        QStringList unfit;
        for (const QString &field : row->fieldNames()) {
            const QVariant raw = row->value(field);
            if (raw.isNull())
                continue;
            CFilterColumn *target = nullptr;
            for (const auto &c : m_columns) {
                if (c->ColumnType() != fcKeyword && c->isMergeColumn() && sameName(c->MergeName(), field)) {
                    target = c.get();
                    break;
                }
            }
            if (!target)
                continue;
            const Variant value = typedField(raw, source->findByName(field));
            const auto typed = toColumnType(value, target->ColumnType());
            // A value without a form of the target's type leaves the target's value alone.
            if (!typed || !typed->hasValue()) {
                unfit.append(field);
                continue;
            }
            pairs.push_back({target, *typed});
        }
        if (!pairs.empty()) {
            const QString seek = SearchTableSeekCriteria(entryTarget);
            require(!seek.isEmpty(), QStringLiteral("the target record cannot be found in the search tables"));
            // A target without a search-data row is left as it is, its picklists included.
            bool found = false;
            if (!db->RowExists(SearchDataTableName(), keyFieldName(), keyLiteral(entryTarget->Id()), found))
                fail(QStringLiteral("the search data of record %1 could not be looked up: %2")
                             .arg(entryTarget->Id())
                             .arg(db->lastError()));
            if (!found) {
                result = true;
                return;
            }
            // The picklist entries the values need and the row commit together, or neither does.
            const LockedMessage locked = lockedMessage(8474, 8476);
            inTransaction(*db, locked, [&] {
                QString setList;
                for (const Pair &p : pairs) {
                    const QString literal = SqlValueText(p.column, p.value);
                    require(!literal.isEmpty(),
                            QStringLiteral("the value of %1 has no SQL form").arg(p.column->Name()));
                    addToPicklist(p.column, p.value);
                    db->AddUpdatePair(setList, p.column->Name(), literal);
                }
                execute(*db,
                        QStringLiteral("UPDATE ") + db->QuoteName(SearchDataTableName()) + QStringLiteral(" SET ")
                                + setList + QStringLiteral(" WHERE ") + seek,
                        &locked,
                        QStringLiteral("the search data of record %1 could not be merged").arg(entryTarget->Id()));
            });
        }
        require(unfit.isEmpty(), QStringLiteral("the values of %1 do not fit their target columns and were not merged")
                                         .arg(unfit.join(QStringLiteral(", "))));
        result = true;
    });
}

} // namespace KvoPlx800SCtl
