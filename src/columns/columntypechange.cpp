#include "columntypechange.h"

#include "cfiltercolumns.h"
#include "definitiontable.h"

#include "core/columntypes.h"
#include "core/conversions.h"
#include "core/sqlsupport.h"
#include "core/tracescope.h"
#include "picklists/cscpicklist.h"

#include "hostkit/adotypes.h"
#include "hostkit/connection.h"
#include "hostkit/databasehandler.h"
#include "hostkit/databasehelper.h"
#include "hostkit/recordset.h"

#include <QMap>
#include <QSet>

#include <algorithm>

namespace KvoPlx800SCtl {

using namespace HostKit;

namespace {

constexpr const char *Module = "ColumnTypeChange";
// Keys per UPDATE when values are written back, so that a statement stays short on every engine.
constexpr int KeysPerStatement = 500;

struct StoredValue
{
    qint32 id;
    Variant value;
};

struct Entry
{
    Variant value;
    bool hidden;
};

// A column as the database keeps it: its definition, its values (Null ones left out) and, for a
// picklist column, its entries.
struct ColumnState
{
    ColumnDefinition definition;
    QList<StoredValue> values;
    QList<Entry> entries;
};

bool sameDefinition(const ColumnDefinition &a, const ColumnDefinition &b)
{
    return a.type == b.type && a.textLengthInUI == b.textLengthInUI && a.isPicklist == b.isPicklist
           && a.picklistAllowBlanks == b.picklistAllowBlanks && a.picklistDefault == b.picklistDefault;
}

// The steps of one change on the live column: while they run, the column carries the definition
// being written, since its picklist object and the table layouts are read from it.
class Applier
{
public:
    Applier(CFilterColumns &columns, CFilterColumn &column)
        : m_columns(columns), m_column(column), m_catalog(*columns.catalog()), m_db(m_catalog.ActiveConnection())
    {}

    ColumnState read(const ColumnDefinition &definition)
    {
        ColumnState state{definition, {}, {}};
        const QString table = m_columns.SearchDataTableName();
        const auto search = DatabaseHelper::FindTable(m_catalog, table);
        if (search && search->FindColumn(definition.name)) {
            const QString key = m_db.QuoteName(m_columns.keyFieldName());
            const QString field = m_db.QuoteName(definition.name);
            const auto rs = m_db.OpenQuery(QStringLiteral("SELECT ") + key + QStringLiteral(", ") + field
                                           + QStringLiteral(" FROM ") + m_db.QuoteName(search->Name)
                                           + QStringLiteral(" WHERE ") + field + QStringLiteral(" IS NOT NULL"));
            require(rs != nullptr,
                    QStringLiteral("the values of %1 cannot be read: %2").arg(definition.name, m_db.lastError()));
            for (rs->MoveFirst(); !rs->EOF(); rs->MoveNext())
                state.values.append({rs->value(0).toInt(), Convert::fromDatabase(rs->value(1), definition.type)});
            std::sort(state.values.begin(), state.values.end(),
                      [](const StoredValue &a, const StoredValue &b) { return a.id < b.id; });
        }
        const auto picklist = DatabaseHelper::FindTable(m_catalog, m_columns.tables().picklistTable(definition.name));
        if (definition.isPicklist && picklist && picklist->FindColumn(definition.name)) {
            const bool hideField = picklist->FindColumn(CScPicklist::HideEntry()) != nullptr;
            const auto rs = m_db.OpenQuery(
                    QStringLiteral("SELECT ") + m_db.QuoteName(definition.name)
                    + (hideField ? QStringLiteral(", ") + m_db.QuoteName(CScPicklist::HideEntry()) : QString())
                    + QStringLiteral(" FROM ") + m_db.QuoteName(picklist->Name));
            require(rs != nullptr,
                    QStringLiteral("the picklist of %1 cannot be read: %2").arg(definition.name, m_db.lastError()));
            for (rs->MoveFirst(); !rs->EOF(); rs->MoveNext()) {
                const Variant hidden = hideField ? Convert::fromDatabase(rs->value(1), fcBoolean) : Variant::null();
                state.entries.append(
                        {Convert::fromDatabase(rs->value(0), definition.type), hidden.hasValue() && hidden.toBool()});
            }
        }
        return state;
    }

    // Makes the database hold `state`: the field's type, the picklist table and its foreign key,
    // the values, the definition row.
    void apply(const ColumnState &state)
    {
        m_column.setDefinition(state.definition);
        const QString table = m_columns.SearchDataTableName();
        const QString name = state.definition.name;
        CScPicklist &picklist = *m_column.PickList();
        const QString picklistTable = picklist.TableName();
        require(DatabaseHelper::FindTable(m_catalog, table) != nullptr, QStringLiteral("%1 is missing").arg(table));
        const TableStructure wanted = m_columns.MyStructureDefault(&m_column);

        // Values first go, so that neither a type change nor a foreign key meets one.
        execute(m_db,
                QStringLiteral("UPDATE ") + m_db.QuoteName(table) + QStringLiteral(" SET ") + m_db.QuoteName(name)
                        + QStringLiteral(" = NULL"),
                &m_locked, QStringLiteral("the values of %1 were not cleared").arg(name));

        const bool retype = !wanted.Compare(m_catalog, CompareExact);
        const bool picklistFits = DatabaseHelper::FindTable(m_catalog, picklistTable)
                                  && picklist.MyStructure().Compare(m_catalog, CompareExact);
        QString target = table;
        if (m_db.dialect().canAlterColumnType()) {
            if (!picklistFits || !state.definition.isPicklist)
                dropPicklist(picklistTable);
            // Also the field's default, when only that changed.
            TableStructure s = wanted;
            if (!s.Convert(m_catalog))
                fail(QStringLiteral("changing the type of %1 failed: %2").arg(name, s.lastError()));
        } else if (retype || hasForeignKey(table, name, picklistTable) != state.definition.isPicklist) {
            // The field cannot change in place, nor can its foreign key: a copy of the table takes
            // the new field, and the table is replaced by it once the values are in.
            target = copyTable(table, name, state.definition.isPicklist ? picklistTable : QString());
        }
        if (state.definition.isPicklist) {
            if (picklistFits) {
                execute(m_db, QStringLiteral("DELETE FROM ") + m_db.QuoteName(picklistTable), &m_locked,
                        QStringLiteral("the picklist of %1 was not emptied").arg(name));
            } else {
                // The picklist of the old type goes (nothing refers to an entry any more).
                dropTable(picklistTable);
            }
            writeEntries(state);
            require(picklist.CreatePicklistTable(), QStringLiteral("the picklist of %1 was not made").arg(name));
        } else {
            dropTable(picklistTable);
        }
        writeValues(target, state);
        if (target != table)
            replaceTable(table, target);
        DefinitionTable(m_columns.tables()).updateType(m_column);
    }

private:
    void dropPicklist(const QString &picklistTable)
    {
        if (!DatabaseHelper::FindTable(m_catalog, picklistTable))
            return;
        TableStructure s(picklistTable);
        if (!s.DropReferencingForeignKeys(m_catalog))
            fail(s.lastError());
        dropTable(picklistTable);
    }

    void dropTable(const QString &table)
    {
        if (!m_columns.handler()->DropTable(m_catalog, table))
            fail(QStringLiteral("dropping %1 failed: %2").arg(table, m_db.lastError()));
    }

    bool hasForeignKey(const QString &table, const QString &field, const QString &picklistTable)
    {
        const auto t = DatabaseHelper::FindTable(m_catalog, table);
        for (const CatalogKey *key : t->keysOfType(adKeyForeign)) {
            if (key->Columns.size() == 1 && key->Columns.first().compare(field, Qt::CaseInsensitive) == 0
                && key->RelatedTable.compare(picklistTable, Qt::CaseInsensitive) == 0)
                return true;
        }
        return false;
    }

    // A new table with the fields, keys and foreign keys of `table`, except that `field` has the
    // live column's type and refers to `picklistTable` (when not empty); the other fields' values
    // are copied. Its name is returned.
    QString copyTable(const QString &table, const QString &field, const QString &picklistTable)
    {
        const auto current = DatabaseHelper::FindTable(m_catalog, table);
        const TableStructure layout = m_columns.MyStructureDefault(&m_column);
        const FieldDescription *retyped = layout.findField(field);
        require(retyped != nullptr, QStringLiteral("the column has no field"));
        QString copy = QStringLiteral("kvo_retype_") + current->Name;
        while (DatabaseHelper::FindTable(m_catalog, copy))
            copy += QLatin1Char('_');
        TableStructure s(copy);
        QStringList copied;
        for (const CatalogColumn &c : current->Columns) {
            if (c.Name.compare(field, Qt::CaseInsensitive) == 0) {
                s.Fields.append(*retyped);
                continue;
            }
            s.addField(c.Name, c.Type, c.DefinedSize, c.Nullable, c.HasDefault ? c.DefaultValue : QString());
            copied.append(m_db.QuoteName(c.Name));
        }
        // The new field starts empty, not with its default.
        const QString fieldList = copied.join(QStringLiteral(", "));
        const QString list = fieldList + QStringLiteral(", ") + m_db.QuoteName(field);
        const QString source = fieldList + QStringLiteral(", NULL");
        for (const CatalogKey &key : current->Keys) {
            if (key.Type == adKeyForeign) {
                if (!key.Columns.contains(field, Qt::CaseInsensitive))
                    s.addForeignKey(key.Name, key.Columns, key.RelatedTable, key.RelatedColumns);
            } else {
                s.addKey(key.Name, key.Type == adKeyPrimary ? KeyKind::Primary : KeyKind::Unique, key.Columns);
            }
        }
        if (!picklistTable.isEmpty())
            s.addForeignKey(m_column.PickList()->ForeignKeyName(), {field}, picklistTable, {field});
        if (!s.Create(m_catalog))
            fail(QStringLiteral("creating %1 failed: %2").arg(copy, s.lastError()));
        execute(m_db,
                QStringLiteral("INSERT INTO ") + m_db.QuoteName(copy) + QStringLiteral(" (") + list
                        + QStringLiteral(") SELECT ") + source + QStringLiteral(" FROM ")
                        + m_db.QuoteName(current->Name),
                &m_locked, QStringLiteral("the rows of %1 were not copied").arg(table));
        m_triggers = m_catalog.triggerDefinitions(current->Name);
        m_indexes.clear();
        for (const CatalogIndex &index : current->Indexes) {
            if (!index.BehindKey && !index.PrimaryKey)
                m_indexes.append(index);
        }
        dropTable(current->Name);
        return copy;
    }

    void replaceTable(const QString &table, const QString &copy)
    {
        execute(m_db,
                QStringLiteral("ALTER TABLE ") + m_db.QuoteName(copy) + QStringLiteral(" RENAME TO ")
                        + m_db.QuoteName(table),
                &m_locked, QStringLiteral("%1 was not renamed").arg(copy));
        m_catalog.Refresh();
        TableStructure s(table);
        for (const CatalogIndex &index : std::as_const(m_indexes))
            s.addIndex(index.Name, index.Columns, index.Unique);
        if (!s.Indexes.isEmpty() && !s.RepairIndexes(m_catalog))
            fail(s.lastError());
        // The host's triggers on the table (the library makes none) go with it.
        for (const QString &trigger : std::as_const(m_triggers))
            execute(m_db, trigger, &m_locked, QStringLiteral("a trigger of %1 was not made again").arg(table));
    }

    // The entries of the state, and every value it holds as a shown entry (the values are written
    // after the foreign key is in place), each once as the engine's key compares them.
    void writeEntries(const ColumnState &state)
    {
        const int type = state.definition.type;
        const QString name = state.definition.name;
        const QString table = m_db.QuoteName(m_columns.tables().picklistTable(name));
        const Dialect &dialect = m_db.dialect();
        QSet<QString> written;
        const auto insert = [&](const Variant &value, bool hidden) {
            if (!value.hasValue())
                return;
            const QString literal = columnLiteral(dialect, type, value);
            const QString key = ColumnTypes::isText(type) ? dialect.foldKey(value.toText()) : literal;
            if (written.contains(key))
                return;
            written.insert(key);
            QString fields;
            QString values;
            m_db.AddInsertPair(fields, values, name, literal);
            m_db.AddInsertPair(fields, values, CScPicklist::HideEntry(), QString::number(m_db.SqlBooleanValue(hidden)));
            execute(m_db,
                    QStringLiteral("INSERT INTO ") + table + QStringLiteral(" (") + fields
                            + QStringLiteral(") VALUES (") + values + QLatin1Char(')'),
                    &m_picklistLocked, QStringLiteral("the entry %1 was not written").arg(literal));
        };
        if (!DatabaseHelper::FindTable(m_catalog, m_columns.tables().picklistTable(name))) {
            TableStructure s = m_column.PickList()->MyStructure();
            if (!s.Create(m_catalog))
                fail(s.lastError());
        }
        for (const Entry &entry : state.entries)
            insert(entry.value, entry.hidden);
        for (const StoredValue &stored : state.values)
            insert(stored.value, false);
    }

    // Every value of the state, one UPDATE per value and group of keys.
    void writeValues(const QString &table, const ColumnState &state)
    {
        const Dialect &dialect = m_db.dialect();
        QMap<QString, QStringList> keysByLiteral;
        for (const StoredValue &stored : state.values) {
            if (stored.value.hasValue())
                keysByLiteral[columnLiteral(dialect, state.definition.type, stored.value)].append(
                        m_columns.keyLiteral(stored.id));
        }
        const QString head = QStringLiteral("UPDATE ") + m_db.QuoteName(table) + QStringLiteral(" SET ")
                             + m_db.QuoteName(state.definition.name) + QStringLiteral(" = ");
        const QString key = m_db.QuoteName(m_columns.keyFieldName());
        for (auto it = keysByLiteral.cbegin(); it != keysByLiteral.cend(); ++it) {
            for (qsizetype from = 0; from < it.value().size(); from += KeysPerStatement) {
                execute(m_db,
                        head + it.key() + QStringLiteral(" WHERE ") + key + QStringLiteral(" IN (")
                                + it.value().mid(from, KeysPerStatement).join(QStringLiteral(", ")) + QLatin1Char(')'),
                        &m_locked, QStringLiteral("the values of %1 were not written").arg(state.definition.name));
            }
        }
    }

    CFilterColumns &m_columns;
    CFilterColumn &m_column;
    Catalog &m_catalog;
    Connection &m_db;
    QList<CatalogIndex> m_indexes; // of a table being replaced by its copy
    QStringList m_triggers;        // likewise
    const LockedMessage m_locked = lockedMessage(8471, 8473);
    const LockedMessage m_picklistLocked = lockedMessage(8373, 8374);
};

} // namespace

ColumnTypeChange::Converted ColumnTypeChange::convert(const Variant &value, int from, int to, int length)
{
    if (!value.hasValue())
        return {Outcome::Kept, Variant::null()};
    if (value.type() == Variant::Type::Text && value.toText().trimmed().isEmpty())
        return {Outcome::Kept, ColumnTypes::isText(to) ? value : Variant::null()};
    const Converted lost{Outcome::Lost, Variant::null()};
    const auto converted = Convert::toColumnType(value, to);
    if (!converted || !converted->hasValue())
        return lost;
    if (ColumnTypes::isText(to) && converted->toText().size() > length)
        return lost;
    const auto back = Convert::toColumnType(*converted, from);
    if (!back)
        return lost;
    // A text means the value it reads as: "7.50" is the double 7.5 again.
    const bool same =
            ColumnTypes::isText(from) ? Convert::sameValueText(to, value.toText(), back->toText()) : *back == value;
    return same ? Converted{Outcome::Converts, *converted} : lost;
}

ColumnTypeChange::ColumnTypeChange(CFilterColumns &columns, const QString &columnName, FilterColumnTypeConstants type,
                                   int length)
    : m_columns(columns), m_name(columnName), m_type(type)
{
    traced("ColumnTypeChange", Module, [&] {
        const CFilterColumn *column = columns.findByName(columnName);
        if (!column) {
            m_refusal = QStringLiteral("unknown column \"%1\"").arg(columnName);
            return;
        }
        m_name = column->Name();
        if (ColumnTypes::isKeyword(column->ColumnType())) {
            m_refusal = QStringLiteral("%1 is a keyword column, whose type cannot change").arg(m_name);
            return;
        }
        if (!ColumnTypes::isSingleValued(type)) {
            m_refusal = QStringLiteral("a column cannot become a keyword column");
            return;
        }
        if (length != 0 && type != fcText) {
            m_refusal = QStringLiteral("a length applies only to text columns");
            return;
        }
        if (length < 0 || length > CFilterColumn::TextLengthInDB()) {
            m_refusal = QStringLiteral("the length must be from 1 to %1").arg(CFilterColumn::TextLengthInDB());
            return;
        }
        if (type == fcNote)
            m_length = CFilterColumn::TextLengthInDB();
        else if (type == fcText)
            m_length = length > 0 ? length
                                  : (column->ColumnType() == fcText ? column->TextLengthInUI()
                                                                    : CFilterColumn::TextLengthInDB());
        require(columns.catalog() != nullptr, QStringLiteral("the column set is not set up"));
        const auto stored = DefinitionTable(columns.tables()).read({}).columns;
        const auto it = std::find_if(stored.begin(), stored.end(), [&](const ColumnDefinition &d) {
            return d.name.compare(m_name, Qt::CaseInsensitive) == 0;
        });
        if (it == stored.end())
            m_refusal = QStringLiteral("the column %1 is not saved yet").arg(m_name);
        else if (!sameDefinition(*it, column->definition()))
            m_refusal = QStringLiteral("the column %1 has changes that are not saved yet").arg(m_name);
    });
}

ColumnTypeChange::~ColumnTypeChange() = default;

bool ColumnTypeChange::changesNothing() const
{
    const CFilterColumn *column = m_columns.findByName(m_name);
    return column && column->ColumnType() == m_type && (m_type != fcText || column->TextLengthInUI() == m_length);
}

std::optional<ColumnTypeChange::Preview> ColumnTypeChange::DryRun()
{
    using Result = std::optional<Preview>;
    return traced("DryRun", Module, Result(), [&](Result &result) {
        m_error = m_refusal;
        require(m_refusal.isEmpty(), m_refusal);
        CFilterColumn &column = *m_columns.findByName(m_name);
        Preview preview;
        preview.dropsPicklist = column.IsPicklist() && (m_type == fcBoolean || m_type == fcNote);
        if (!changesNothing()) {
            const ColumnState state = Applier(m_columns, column).read(column.definition());
            for (const StoredValue &stored : state.values) {
                switch (convert(stored.value, column.ColumnType(), m_type, m_length).outcome) {
                case Outcome::Converts:
                    ++preview.convertible;
                    break;
                case Outcome::Lost:
                    ++preview.notConvertible;
                    if (preview.examples.size() < MaxExamples)
                        preview.examples.append({stored.id, stored.value});
                    break;
                case Outcome::Kept:
                    break;
                }
            }
        }
        m_error.clear();
        result = preview;
    });
}

bool ColumnTypeChange::Run(bool dropUnconvertible)
{
    return traced("Run", Module, false, [&](bool &result) {
        m_error = m_refusal;
        require(m_refusal.isEmpty(), m_refusal);
        m_error = hostTransactionRefusal(*m_columns.connection(), QStringLiteral("The type change"));
        require(m_error.isEmpty(), m_error);
        if (changesNothing()) {
            m_error.clear();
            result = true;
            return;
        }
        CFilterColumn &column = *m_columns.findByName(m_name);
        const ColumnDefinition before = column.definition();
        Connection &db = *m_columns.connection();
        Applier applier(m_columns, column);
        const ColumnState present = applier.read(before);

        ColumnState next;
        next.definition = before;
        next.definition.type = m_type;
        next.definition.textLengthInUI = qint16(ColumnTypes::isText(m_type) ? m_length : 0);
        next.definition.isPicklist = before.isPicklist && m_type != fcBoolean && m_type != fcNote;
        next.definition.picklistDefault.clear();
        if (next.definition.isPicklist && !before.picklistDefault.trimmed().isEmpty()) {
            const auto value = Convert::readValue(before.picklistDefault, before.type);
            const Converted converted = convert(value ? *value : Variant::null(), before.type, m_type, m_length);
            if (converted.outcome == Outcome::Converts)
                next.definition.picklistDefault = converted.value.toText();
        }
        int lost = 0;
        for (const StoredValue &stored : present.values) {
            const Converted converted = convert(stored.value, before.type, m_type, m_length);
            lost += converted.outcome == Outcome::Lost ? 1 : 0;
            if (converted.value.hasValue())
                next.values.append({stored.id, converted.value});
        }
        if (lost > 0 && !dropUnconvertible) {
            m_error = QStringLiteral("%1 values would be lost").arg(lost);
            fail(m_error);
        }
        if (next.definition.isPicklist) {
            for (const Entry &entry : present.entries) {
                const Converted converted = convert(entry.value, before.type, m_type, m_length);
                if (converted.value.hasValue())
                    next.entries.append({converted.value, entry.hidden});
            }
        }

        // Where DDL commits on its own, no transaction can hold the change: a failure part-way
        // puts back what was there.
        const bool oneTransaction = db.dialect().transactionalDdl();
        const LockedMessage locked = lockedMessage(8456, 8457);
        try {
            TransactionScope transaction(db); // rolled back when the change fails
            if (oneTransaction)
                transaction.begin(&locked);
            applier.apply(next);
            transaction.commit();
        } catch (const std::exception &e) {
            m_error = QString::fromStdString(e.what());
            m_columns.catalog()->Refresh();
            if (!oneTransaction)
                traced("Restore", Module, [&] { applier.apply(present); });
            column.setDefinition(before);
            m_columns.catalog()->Refresh();
            throw;
        }
        m_columns.catalog()->Refresh();
        require(m_columns.ColumnsFetch(), QStringLiteral("the definitions were not read again"));
        m_error.clear();
        result = true;
    });
}

} // namespace KvoPlx800SCtl
