#include "tablestructure.h"

#include "adotypes.h"
#include "connection.h"
#include "ddl_p.h"
#include "dialect.h"

#include <functional>

namespace KvoPlx800SCtl::HostKit {

using namespace detail;

namespace {

bool containsName(const QStringList &list, const QString &name)
{
    return list.contains(name, Qt::CaseInsensitive);
}

bool isSizedText(int adoType)
{
    return adoType == adVarWChar || adoType == adVarChar || adoType == adChar;
}

TableDef tableFromCatalog(const CatalogTable &table)
{
    TableDef def;
    def.name = table.Name;
    for (const CatalogColumn &column : table.Columns)
        def.columns.append({column.Name, column.NativeType, !column.Nullable,
                            column.HasDefault ? column.DefaultValue : QString()});
    for (const CatalogKey &key : table.Keys)
        def.keys.append({key.Name, key.Type, key.Columns, key.RelatedTable, key.RelatedColumns});
    for (const CatalogIndex &index : table.Indexes) {
        if (!index.BehindKey && !index.PrimaryKey)
            def.indexes.append({index.Name, index.Columns, index.Unique, index.PrefixSearch});
    }
    return def;
}

DdlColumn columnFromDescription(const Dialect &dialect, const FieldDescription &field)
{
    return {field.Name, dialect.columnType(field.Type, field.Size), !field.Nullable, field.DefaultSql};
}

// What the catalog reports for a field added as `column`. The type text and the default are the
// DDL's: the engine may spell them otherwise, which the comparisons of types and defaults allow.
CatalogColumn addedColumn(const Catalog &catalog, const FieldDescription &field, const DdlColumn &column)
{
    CatalogColumn added;
    added.Name = field.Name;
    added.Type = catalog.reportedType(field.Type, field.Size, &added.DefinedSize);
    added.Nullable = !column.notNull;
    added.HasDefault = !normalizedDefault(column.defaultSql).isEmpty();
    added.DefaultValue = added.HasDefault ? column.defaultSql : QString();
    added.NativeType = column.type;
    return added;
}

// After an in-place change of an existing table: the catalog learns the fields it added, or reads
// the table again. Only a failed change may have left a table behind (a half-made rebuild), so
// only then are the table names read again too.
void learnChange(Catalog &catalog, const QString &table, bool ok, const QList<CatalogColumn> &added = {})
{
    if (!ok)
        catalog.Refresh(table);
    else if (!added.isEmpty())
        catalog.ColumnsAdded(table, added);
    else
        catalog.Changed(table);
}

// Differences of one described field against the catalog's field.
enum class FieldState { Same, OtherType, TooShort };

FieldState compareField(const Catalog &catalog, const FieldDescription &field, const CatalogColumn &column)
{
    int expectedSize = 0;
    const int expected = catalog.reportedType(field.Type, field.Size, &expectedSize);
    if (column.Type != expected)
        return FieldState::OtherType;
    if (isSizedText(expected) && field.Size > 0 && column.DefinedSize > 0 && column.DefinedSize < field.Size)
        return FieldState::TooShort;
    return FieldState::Same;
}

bool holdsSameKind(const Catalog &catalog, const FieldDescription &field, const CatalogColumn &column)
{
    const AdoFamily family = adoFamily(column.Type);
    return family == adoFamily(field.Type) || family == adoFamily(catalog.reportedType(field.Type, field.Size));
}

bool primaryKeyMatches(const CatalogTable &table, const KeyDescription &key)
{
    const CatalogKey *primary = table.primaryKey();
    return primary && sameFieldNames(primary->Columns, key.Columns);
}

bool uniqueKeyMatches(const CatalogTable &table, const KeyDescription &key)
{
    for (const CatalogKey &k : table.Keys) {
        if (k.Type != adKeyForeign && sameFieldNames(k.Columns, key.Columns))
            return true;
    }
    for (const CatalogIndex &index : table.Indexes) {
        if (index.Unique && sameFieldNames(index.Columns, key.Columns))
            return true;
    }
    return false;
}

bool keyMatches(const CatalogTable &table, const KeyDescription &key)
{
    return key.Kind == KeyKind::Primary ? primaryKeyMatches(table, key) : uniqueKeyMatches(table, key);
}

// An index asked to serve prefix searches matches only one that does, where the engine needs a
// special index for them.
bool indexMatches(const Dialect &dialect, const CatalogTable &table, const IndexDescription &index)
{
    const bool prefixSearch = !leadingOperatorClass(dialect, index).isEmpty();
    for (const CatalogIndex &i : table.Indexes) {
        if (sameFieldNames(i.Columns, index.Columns) && (i.Unique || !index.Unique) && i.PrefixSearch == prefixSearch)
            return true;
    }
    return false;
}

bool foreignKeyMatches(const CatalogTable &table, const ForeignKeyDescription &key)
{
    for (const CatalogKey &k : table.Keys) {
        if (k.Type == adKeyForeign && sameFieldNames(k.Columns, key.Columns)
            && sameName(k.RelatedTable, key.RelatedTable)
            && (key.RelatedColumns.isEmpty() || sameFieldNames(k.RelatedColumns, key.RelatedColumns)))
            return true;
    }
    return false;
}

QString typeText(int adoType, int size)
{
    return size > 0 ? QStringLiteral("%1(%2)").arg(adoType).arg(size) : QString::number(adoType);
}

} // namespace

// Description --------------------------------------------------------------------------------

FieldDescription &TableStructure::addField(const QString &name, int type, int size, bool nullable,
                                           const QString &defaultSql)
{
    Fields.append({name, type, size, nullable, defaultSql});
    return Fields.last();
}

void TableStructure::addKey(const QString &name, KeyKind kind, const QStringList &columns)
{
    Keys.append({name, kind, columns});
}

void TableStructure::addIndex(const QString &name, const QStringList &columns, bool unique, bool prefixSearch)
{
    Indexes.append({name, columns, unique, prefixSearch});
}

void TableStructure::addForeignKey(const QString &name, const QStringList &columns, const QString &relatedTable,
                                   const QStringList &relatedColumns)
{
    ForeignKeys.append({name, columns, relatedTable, relatedColumns});
}

const FieldDescription *TableStructure::findField(const QString &name) const
{
    for (const FieldDescription &field : Fields) {
        if (sameName(field.Name, name))
            return &field;
    }
    return nullptr;
}

// Comparison ---------------------------------------------------------------------------------

bool TableStructure::Compare(Catalog &catalog) const
{
    return Compare(catalog, 0);
}

bool TableStructure::Compare(Catalog &catalog, int options) const
{
    const QStringList found = differences(catalog, options);
    m_lastError = found.isEmpty() ? QString() : found.first();
    return found.isEmpty();
}

QStringList TableStructure::differences(Catalog &catalog, int options) const
{
    QStringList result;
    const auto table = catalog.FindTable(TableName);
    if (!table) {
        result.append(QStringLiteral("table %1 is missing").arg(TableName));
        return result;
    }
    const bool exact = options & CompareExact;
    for (const FieldDescription &field : Fields) {
        const CatalogColumn *column = table->FindColumn(field.Name);
        if (!column) {
            if (!field.Optional || exact)
                result.append(QStringLiteral("field %1 is missing").arg(field.Name));
            continue;
        }
        if (exact) {
            int size = 0;
            const int expected = catalog.reportedType(field.Type, field.Size, &size);
            switch (compareField(catalog, field, *column)) {
            case FieldState::OtherType:
                result.append(QStringLiteral("field %1 has type %2 (%3), expected %4")
                                  .arg(field.Name, typeText(column->Type, column->DefinedSize), column->NativeType,
                                       typeText(expected, size)));
                break;
            case FieldState::TooShort:
                result.append(QStringLiteral("field %1 holds %2 characters, expected %3")
                                  .arg(field.Name)
                                  .arg(column->DefinedSize)
                                  .arg(field.Size));
                break;
            case FieldState::Same:
                break;
            }
        } else if ((!field.Optional || (options & CompareOptionalTypes)) && !holdsSameKind(catalog, field, *column)) {
            result.append(QStringLiteral("field %1 has type %2 (%3), which does not hold values of type %4")
                              .arg(field.Name, QString::number(column->Type), column->NativeType,
                                   QString::number(field.Type)));
        }
    }

    if (options & CompareKeyFields) {
        auto checkFields = [&](const QString &what, const QString &name, const QStringList &columns) {
            for (const QString &column : columns) {
                if (!table->FindColumn(column))
                    result.append(QStringLiteral("field %1 of %2 %3 is missing").arg(column, what, name));
            }
        };
        for (const KeyDescription &key : Keys)
            checkFields(QStringLiteral("key"), key.Name, key.Columns);
        for (const IndexDescription &index : Indexes)
            checkFields(QStringLiteral("index"), index.Name, index.Columns);
        for (const ForeignKeyDescription &key : ForeignKeys)
            checkFields(QStringLiteral("foreign key"), key.Name, key.Columns);
    }

    if (exact && !Distribution.isLocal() && table->Distribution.isLocal()
        && catalog.ActiveConnection().dialect().distributesTables())
        result.append(QStringLiteral("table %1 is kept on one server only").arg(TableName));

    if (exact) {
        for (const KeyDescription &key : Keys) {
            if (!keyMatches(*table, key))
                result.append(QStringLiteral("%1 key %2 over (%3) is missing")
                                  .arg(key.Kind == KeyKind::Primary ? QStringLiteral("primary") : QStringLiteral("unique"),
                                       key.Name, key.Columns.join(QStringLiteral(", "))));
        }
        for (const IndexDescription &index : Indexes) {
            if (!indexMatches(catalog.ActiveConnection().dialect(), *table, index))
                result.append(QStringLiteral("index %1 over (%2) is missing")
                                  .arg(index.Name, index.Columns.join(QStringLiteral(", "))));
        }
        for (const ForeignKeyDescription &key : ForeignKeys) {
            if (!foreignKeyMatches(*table, key))
                result.append(QStringLiteral("foreign key %1 over (%2) to %3 is missing")
                                  .arg(key.Name, key.Columns.join(QStringLiteral(", ")), key.RelatedTable));
        }
    }
    return result;
}

// Changes ------------------------------------------------------------------------------------

namespace {

enum PlanPart { PlanFields = 1, PlanKeys = 2, PlanIndexes = 4, PlanForeignKeys = 8, PlanAll = 15 };

// What it takes to bring an existing table to a description: statements that change it in place
// or, where the engine cannot make one of the changes in place, a rebuild into `target`.
struct Plan
{
    TableDef current;
    TableDef target;
    bool rebuild = false;
    QStringList touchedTables;  // other tables whose foreign keys are dropped and added again
    QStringList drops;          // keys and indexes that are replaced
    QStringList fields;
    QStringList keys;
    QStringList foreignKeys;
    QStringList indexes;
    QStringList distribution; // spreads the table over the servers, after every other change
    // Foreign keys dropped only to let a type change through; added again when the change fails
    // on an engine whose DDL cannot be rolled back.
    QStringList restore;
    // The fields the plan adds, as the catalog reports them afterwards.
    QList<CatalogColumn> added;

    QStringList statements() const { return drops + fields + keys + foreignKeys + indexes + distribution; }
    // The fields the catalog can learn without reading the table again: those added, when all
    // the plan does is add fields at the end of the table.
    QList<CatalogColumn> learnable() const
    {
        const bool onlyAdds = !rebuild && fields.size() == added.size() && drops.isEmpty() && keys.isEmpty()
                              && foreignKeys.isEmpty() && indexes.isEmpty() && distribution.isEmpty()
                              && touchedTables.isEmpty();
        return onlyAdds ? added : QList<CatalogColumn>();
    }

    // Drops `key` of `table` in place or, where the engine cannot, rebuilds the table.
    void dropKey(const Dialect &dialect, const QString &table, const ConstraintDef &key)
    {
        if (dialect.canAddConstraints())
            drops.append(dialect.dropConstraintSql(table, key.name, key.type));
        else
            rebuild = true;
    }

    // Puts `key` in place of the keys of `table` it replaces (the primary key; a unique or foreign
    // key of its name): drops them and adds `key` (its statement to `into`) in place or, where the
    // engine cannot, rebuilds the table.
    void replaceKey(const Dialect &dialect, const QString &table, const ConstraintDef &key, QStringList &into)
    {
        const auto old = [&key](const ConstraintDef &k) {
            return k.type == key.type
                   && (key.type == adKeyPrimary || (!key.name.isEmpty() && sameName(k.name, key.name)));
        };
        for (const ConstraintDef &replaced : std::as_const(target.keys)) {
            if (old(replaced))
                dropKey(dialect, table, replaced);
        }
        target.keys.removeIf(old);
        target.keys.append(key);
        if (dialect.canAddConstraints())
            into.append(addConstraintSql(dialect, table, key));
        else
            rebuild = true;
    }
};

// Spreads the table of `structure` over the servers as it says, where the database does that and
// the table (`current`; nullptr while it is being created) is local: first the local tables that
// its foreign keys, described or existing, refer to become copies on every server. Those tables
// are added to `touched`.
QStringList distributionSql(Catalog &catalog, const TableStructure &structure, const CatalogTable *current,
                            QStringList &touched)
{
    const Dialect &dialect = catalog.ActiveConnection().dialect();
    if (!dialect.distributesTables() || structure.Distribution.isLocal()
        || (current && !current->Distribution.isLocal()))
        return {};
    QStringList related;
    for (const ForeignKeyDescription &key : structure.ForeignKeys)
        related.append(key.RelatedTable);
    if (current) {
        for (const CatalogKey *key : current->keysOfType(adKeyForeign))
            related.append(key->RelatedTable);
    }
    TableDistribution copied;
    copied.kind = TableDistribution::Reference;
    QStringList statements;
    for (const QString &name : std::as_const(related)) {
        if (sameName(name, structure.TableName) || containsName(touched, name))
            continue;
        const auto table = catalog.FindTable(name);
        if (!table || !table->Distribution.isLocal())
            continue;
        statements += dialect.distributeTableSql(table->Name, copied, true);
        touched.append(table->Name);
    }
    return statements + dialect.distributeTableSql(structure.TableName, structure.Distribution, current != nullptr);
}

Plan makePlan(const TableStructure &structure, Catalog &catalog, const CatalogTable &table, int parts,
              const QString &onlyField = {})
{
    const Dialect &dialect = catalog.ActiveConnection().dialect();
    Plan plan;
    plan.current = tableFromCatalog(table);
    plan.target = plan.current;
    const QString &name = plan.current.name;

    QStringList retyped;   // fields whose type changes in place
    if (parts & PlanFields) {
        for (const FieldDescription &field : structure.Fields) {
            if (!onlyField.isEmpty() && !sameName(field.Name, onlyField))
                continue;
            const CatalogColumn *column = table.FindColumn(field.Name);
            const DdlColumn wanted = columnFromDescription(dialect, field);
            if (!column) {
                plan.target.columns.append(wanted);
                if (wanted.notNull && wanted.defaultSql.isEmpty() && !dialect.canAddRequiredColumn())
                    plan.rebuild = true;
                else
                    plan.fields.append(alterTable(dialect, name) + QStringLiteral("ADD COLUMN ")
                                       + columnSql(dialect, wanted));
                plan.added.append(addedColumn(catalog, field, wanted));
                continue;
            }
            if (!onlyField.isEmpty())
                continue;
            DdlColumn &target = plan.target.columns[plan.target.columnIndex(column->Name)];
            const DdlColumn from = target;
            if (compareField(catalog, field, *column) != FieldState::Same) {
                const bool kindChanges = adoFamily(column->Type) != adoFamily(field.Type);
                target.type = wanted.type;
                if (!field.DefaultSql.isEmpty())
                    target.defaultSql = field.DefaultSql;
                else if (kindChanges)
                    target.defaultSql.clear();
                if (!dialect.canAlterColumnType()) {
                    plan.rebuild = true;
                    continue;
                }
                plan.fields += dialect.changeColumnSql(name, from, target, kindChanges);
                retyped.append(column->Name);
            } else if (!field.DefaultSql.isEmpty() && !sameDefault(from.defaultSql, field.DefaultSql)) {
                target.defaultSql = field.DefaultSql;
                if (dialect.canAlterDefault())
                    plan.fields += dialect.setDefaultSql(name, target);
                else
                    plan.rebuild = true;
            }
        }
    }

    // Where foreign keys block a type change, the keys on either side of a retyped field are
    // dropped first and added again afterwards.
    auto touches = [&retyped](const QStringList &columns) {
        for (const QString &column : columns) {
            if (containsName(retyped, column))
                return true;
        }
        return false;
    };
    if (!retyped.isEmpty() && dialect.foreignKeysBlockTypeChange() && !plan.rebuild) {
        for (const ConstraintDef &key : std::as_const(plan.target.keys)) {
            if (key.type == adKeyForeign
                && (touches(key.columns) || (sameName(key.relatedTable, name) && touches(key.relatedColumns)))) {
                plan.drops.append(dialect.dropConstraintSql(name, key.name, key.type));
                plan.foreignKeys.append(addConstraintSql(dialect, name, key));
                plan.restore.append(plan.foreignKeys.last());
            }
        }
        const QStringList children = catalog.referencingTables(name);
        for (const QString &childName : children) {
            const auto child = sameName(childName, name) ? nullptr : catalog.FindTable(childName);
            if (!child)
                continue;
            for (const CatalogKey &key : child->Keys) {
                if (key.Type != adKeyForeign || !sameName(key.RelatedTable, name) || !touches(key.RelatedColumns))
                    continue;
                const ConstraintDef def{key.Name, key.Type, key.Columns, key.RelatedTable, key.RelatedColumns};
                plan.drops.append(dialect.dropConstraintSql(child->Name, def.name, def.type));
                plan.foreignKeys.append(addConstraintSql(dialect, child->Name, def));
                plan.restore.append(plan.foreignKeys.last());
                plan.touchedTables.append(child->Name);
            }
        }
    }

    if (parts & PlanKeys) {
        for (const KeyDescription &key : structure.Keys) {
            if (!keyMatches(table, key))
                plan.replaceKey(
                        dialect, name,
                        {key.Name, key.Kind == KeyKind::Primary ? adKeyPrimary : adKeyUnique, key.Columns, {}, {}},
                        plan.keys);
        }
    }

    if (parts & PlanForeignKeys) {
        for (const ForeignKeyDescription &key : structure.ForeignKeys) {
            if (!foreignKeyMatches(table, key))
                plan.replaceKey(dialect, name,
                                {key.Name, adKeyForeign, key.Columns, key.RelatedTable, key.RelatedColumns},
                                plan.foreignKeys);
        }
    }

    if (parts & PlanIndexes) {
        for (const IndexDescription &index : structure.Indexes) {
            if (indexMatches(dialect, table, index))
                continue;
            for (qsizetype i = plan.target.indexes.size() - 1; i >= 0; --i) {
                if (sameName(plan.target.indexes.at(i).Name, index.Name)) {
                    plan.drops.append(dialect.dropIndexSql(name, plan.target.indexes.at(i).Name));
                    plan.target.indexes.removeAt(i);
                }
            }
            plan.target.indexes.append(index);
            plan.indexes.append(createIndexSql(dialect, name, index));
        }
    }
    if (parts == PlanAll)
        plan.distribution = distributionSql(catalog, structure, &table, plan.touchedTables);
    return plan;
}

} // namespace

bool TableStructure::Create(Catalog &catalog)
{
    m_lastError.clear();
    if (TableName.isEmpty()) {
        m_lastError = QStringLiteral("The table has no name.");
        return false;
    }
    if (Fields.isEmpty()) {
        m_lastError = QStringLiteral("Table %1 has no fields.").arg(TableName);
        return false;
    }
    if (catalog.FindTable(TableName)) {
        m_lastError = QStringLiteral("Table %1 exists already.").arg(TableName);
        return false;
    }
    Connection &connection = catalog.ActiveConnection();
    const Dialect &dialect = connection.dialect();

    TableDef def;
    def.name = TableName;
    for (const FieldDescription &field : Fields)
        def.columns.append(columnFromDescription(dialect, field));
    for (const KeyDescription &key : Keys) {
        if (key.Kind == KeyKind::Primary) {
            def.keys.prepend({key.Name, adKeyPrimary, key.Columns, {}, {}});
            break;
        }
    }
    for (const KeyDescription &key : Keys) {
        if (key.Kind == KeyKind::Unique)
            def.keys.append({key.Name, adKeyUnique, key.Columns, {}, {}});
    }
    for (const ForeignKeyDescription &key : ForeignKeys)
        def.keys.append({key.Name, adKeyForeign, key.Columns, key.RelatedTable, key.RelatedColumns});
    def.indexes = Indexes;

    QStringList statements{createTableSql(dialect, def, TableName, dialect.indexesInCreateTable())};
    if (!dialect.indexesInCreateTable()) {
        for (const IndexDescription &index : std::as_const(def.indexes))
            statements.append(createIndexSql(dialect, TableName, index));
    }
    QStringList touched;
    statements += distributionSql(catalog, *this, nullptr, touched);
    DdlRun run(connection, m_lastError);
    const bool ok = run.runUnit(statements);
    catalog.Refresh(TableName);
    for (const QString &other : std::as_const(touched))
        catalog.Refresh(other);
    return ok;
}

namespace {

bool applyPlan(Catalog &catalog, const Plan &plan, QString &error)
{
    Connection &connection = catalog.ActiveConnection();
    if (plan.rebuild)
        return connection.dialect().rebuildTable(connection, plan.current, plan.target, error);
    DdlRun run(connection, error);
    if (run.runUnit(plan.statements()))
        return true;
    if (!connection.dialect().transactionalDdl()) {
        // Keys that still exist refuse to be added twice (that failure is expected and harmless);
        // those dropped come back.
        for (const QString &sql : plan.restore)
            static_cast<void>(connection.ExecuteSql(sql));
    }
    return false;
}

} // namespace

bool TableStructure::Convert(Catalog &catalog)
{
    m_lastError.clear();
    const auto table = catalog.FindTable(TableName);
    if (!table)
        return Create(catalog);
    const Plan plan = makePlan(*this, catalog, *table, PlanAll);
    // A table that needs no change is not read again.
    if (!plan.rebuild && plan.statements().isEmpty())
        return true;
    const bool ok = applyPlan(catalog, plan, m_lastError);
    learnChange(catalog, TableName, ok, plan.learnable());
    for (const QString &other : plan.touchedTables)
        learnChange(catalog, other, ok);
    return ok;
}

namespace {

bool repair(const TableStructure &structure, Catalog &catalog, int part, QString &error)
{
    error.clear();
    const auto table = catalog.FindTable(structure.TableName);
    if (!table) {
        error = QStringLiteral("Table %1 is missing.").arg(structure.TableName);
        return false;
    }
    const Plan plan = makePlan(structure, catalog, *table, part);
    const bool ok = applyPlan(catalog, plan, error);
    learnChange(catalog, structure.TableName, ok);
    return ok;
}

} // namespace

bool TableStructure::RepairKeys(Catalog &catalog)
{
    return repair(*this, catalog, PlanKeys, m_lastError);
}

bool TableStructure::RepairIndexes(Catalog &catalog)
{
    return repair(*this, catalog, PlanIndexes, m_lastError);
}

bool TableStructure::RepairForeignKeys(Catalog &catalog)
{
    return repair(*this, catalog, PlanForeignKeys, m_lastError);
}

bool TableStructure::AddField(Catalog &catalog, const QString &field)
{
    m_lastError.clear();
    if (!findField(field)) {
        m_lastError = QStringLiteral("Field %1 is not described for table %2.").arg(field, TableName);
        return false;
    }
    const auto table = catalog.FindTable(TableName);
    if (!table) {
        m_lastError = QStringLiteral("Table %1 is missing.").arg(TableName);
        return false;
    }
    if (table->FindColumn(field))
        return true;
    const Plan plan = makePlan(*this, catalog, *table, PlanFields, field);
    const bool ok = applyPlan(catalog, plan, m_lastError);
    learnChange(catalog, TableName, ok, plan.learnable());
    return ok;
}

namespace {

// Drops the foreign keys of other tables that refer to `table` (to `field` of it when given).
bool dropReferencingForeignKeys(Catalog &catalog, const QString &table, const QString &field, QString &error)
{
    Connection &connection = catalog.ActiveConnection();
    const Dialect &dialect = connection.dialect();
    const QStringList children = catalog.referencingTables(table);
    for (const QString &childName : children) {
        if (sameName(childName, table))
            continue;
        const auto child = catalog.FindTable(childName);
        if (!child)
            continue;
        Plan plan;
        plan.current = tableFromCatalog(*child);
        plan.target = plan.current;
        for (qsizetype i = plan.target.keys.size() - 1; i >= 0; --i) {
            const ConstraintDef &key = plan.target.keys.at(i);
            if (key.type != adKeyForeign || !sameName(key.relatedTable, table))
                continue;
            if (!field.isEmpty() && !containsName(key.relatedColumns, field))
                continue;
            plan.dropKey(dialect, childName, key);
            plan.target.keys.removeAt(i);
        }
        if (!plan.rebuild && plan.drops.isEmpty())
            continue;
        const bool ok = applyPlan(catalog, plan, error);
        learnChange(catalog, child->Name, ok);
        if (!ok)
            return false;
    }
    return true;
}

} // namespace

bool TableStructure::DropField(Catalog &catalog, const QString &field)
{
    m_lastError.clear();
    auto table = catalog.FindTable(TableName);
    if (!table) {
        m_lastError = QStringLiteral("Table %1 is missing.").arg(TableName);
        return false;
    }
    const CatalogColumn *column = table->FindColumn(field);
    if (!column)
        return true;
    const QString columnName = column->Name;

    // Other tables' foreign keys to the field go first; they may be rebuilt (SQLite).
    if (!dropReferencingForeignKeys(catalog, table->Name, columnName, m_lastError)) {
        catalog.Refresh(TableName);
        return false;
    }
    table = catalog.FindTable(TableName);
    if (!table) {
        m_lastError = QStringLiteral("Table %1 is missing.").arg(TableName);
        return false;
    }

    Connection &connection = catalog.ActiveConnection();
    const Dialect &dialect = connection.dialect();
    Plan plan;
    plan.current = tableFromCatalog(*table);
    plan.target = plan.current;
    const QString &name = plan.current.name;

    // Foreign keys first (MariaDB keeps an index behind each), then primary and unique keys, then
    // the indexes of their own.
    for (int pass = 0; pass < 2; ++pass) {
        for (qsizetype i = plan.target.keys.size() - 1; i >= 0; --i) {
            const ConstraintDef key = plan.target.keys.at(i);
            if ((key.type == adKeyForeign) != (pass == 0) || !containsName(key.columns, columnName))
                continue;
            plan.dropKey(dialect, name, key);
            plan.target.keys.removeAt(i);
        }
    }
    for (qsizetype i = plan.target.indexes.size() - 1; i >= 0; --i) {
        const IndexDescription &index = plan.target.indexes.at(i);
        if (!containsName(index.Columns, columnName))
            continue;
        plan.indexes.append(dialect.dropIndexSql(name, index.Name));
        plan.target.indexes.removeAt(i);
    }
    plan.target.columns.removeAt(plan.target.columnIndex(columnName));
    if (plan.target.columns.isEmpty()) {
        m_lastError = QStringLiteral("Field %1 is the last field of table %2.").arg(columnName, TableName);
        return false;
    }
    const QString dropColumn = alterTable(dialect, name) + QStringLiteral("DROP COLUMN ") + dialect.QuoteName(columnName);
    if (!dialect.canDropColumn())
        plan.rebuild = true;

    bool ok;
    if (plan.rebuild) {
        ok = dialect.rebuildTable(connection, plan.current, plan.target, m_lastError);
    } else {
        DdlRun run(connection, m_lastError);
        ok = run.runUnit(plan.drops + plan.indexes + QStringList{dropColumn});
    }
    learnChange(catalog, TableName, ok);
    return ok;
}

bool TableStructure::DropReferencingForeignKeys(Catalog &catalog)
{
    m_lastError.clear();
    const auto table = catalog.FindTable(TableName);
    if (!table)
        return true;
    return dropReferencingForeignKeys(catalog, table->Name, {}, m_lastError);
}

bool TableStructure::DropTable(Catalog &catalog)
{
    m_lastError.clear();
    const auto table = catalog.FindTable(TableName);
    if (!table)
        return true;
    const QString name = table->Name;
    if (!dropReferencingForeignKeys(catalog, name, {}, m_lastError)) {
        catalog.Refresh(name);
        return false;
    }
    Connection &connection = catalog.ActiveConnection();
    DdlRun run(connection, m_lastError);
    const bool ok = run.runUnit({QStringLiteral("DROP TABLE ") + connection.QuoteName(name)});
    catalog.Refresh(name);
    return ok;
}

} // namespace KvoPlx800SCtl::HostKit
