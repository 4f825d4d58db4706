#include "tablestructure.h"

#include "adotypes.h"
#include "connection.h"
#include "dialect.h"

#include <QRegularExpression>
#include <QSet>
#include <QSqlQuery>
#include <QVariant>

#include <functional>

namespace KvoPlx800SCtl::HostKit {

namespace {

bool sameName(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

bool sameColumns(const QStringList &a, const QStringList &b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (!sameName(a.at(i), b.at(i)))
            return false;
    }
    return true;
}

bool containsName(const QStringList &list, const QString &name)
{
    return list.contains(name, Qt::CaseInsensitive);
}

bool isSizedText(int adoType)
{
    return adoType == adVarWChar || adoType == adVarChar || adoType == adChar;
}

// The layout of one table as DDL needs it: what the catalog read, or what a description asks
// for, with type texts ready to be written.
struct ColumnDef
{
    QString name;
    QString type;          // DDL type text
    bool notNull = false;
    QString defaultSql;    // empty: no default
};

struct ConstraintDef
{
    QString name;          // empty: the engine names it
    int type = adKeyPrimary;
    QStringList columns;
    QString relatedTable;
    QStringList relatedColumns;
};

struct IndexDef
{
    QString name;
    QStringList columns;
    bool unique = false;
};

struct TableDef
{
    QString name;
    QList<ColumnDef> columns;
    QList<ConstraintDef> keys;     // primary, unique and foreign keys
    QList<IndexDef> indexes;       // indexes of their own (not the ones behind keys)

    int columnIndex(const QString &column) const
    {
        for (qsizetype i = 0; i < columns.size(); ++i) {
            if (sameName(columns.at(i).name, column))
                return int(i);
        }
        return -1;
    }
};

TableDef tableFromCatalog(const CatalogTable &table)
{
    TableDef def;
    def.name = table.Name;
    for (const CatalogColumn &column : table.Columns)
        def.columns.append({column.Name, column.NativeType, !column.Nullable,
                            column.HasDefault ? column.DefaultValue : QString()});
    for (const CatalogKey &key : table.Keys) {
        ConstraintDef constraint{key.Name, key.Type, key.Columns, key.RelatedTable, key.RelatedColumns};
        // Names SQLite makes up for its own indexes are no constraint names.
        if (constraint.name.startsWith(QLatin1String("sqlite_autoindex_")))
            constraint.name.clear();
        def.keys.append(constraint);
    }
    for (const CatalogIndex &index : table.Indexes) {
        if (!index.BehindKey && !index.PrimaryKey)
            def.indexes.append({index.Name, index.Columns, index.Unique});
    }
    return def;
}

ColumnDef columnFromDescription(const Dialect &dialect, const FieldDescription &field)
{
    return {field.Name, dialect.columnType(field.Type, field.Size), !field.Nullable, field.DefaultSql};
}

// A default as an engine reports it, reduced to the literal it holds: PostgreSQL adds casts
// ('x'::character varying), others add parentheses or typed-literal words.
QString normalizedDefault(QString text)
{
    static const QRegularExpression cast(QStringLiteral("::[A-Za-z_ ]+(\\([0-9, ]*\\))?(\\[\\])?$"));
    static const QRegularExpression typedLiteral(QStringLiteral("^(TIMESTAMP|DATE|TIME)\\s+(?=')"),
                                                 QRegularExpression::CaseInsensitiveOption);
    text = text.trimmed();
    for (;;) {
        const QString before = text;
        text.remove(cast);
        text.remove(typedLiteral);
        text = text.trimmed();
        if (text.size() >= 2 && text.startsWith(QLatin1Char('(')) && text.endsWith(QLatin1Char(')')))
            text = text.mid(1, text.size() - 2).trimmed();
        if (text == before)
            break;
    }
    if (text.size() >= 2 && text.startsWith(QLatin1Char('\'')) && text.endsWith(QLatin1Char('\''))) {
        bool numeric = false;
        text.mid(1, text.size() - 2).toDouble(&numeric);
        if (numeric)
            text = text.mid(1, text.size() - 2);
    }
    return text;
}

bool sameDefault(const QString &a, const QString &b)
{
    const QString x = normalizedDefault(a);
    const QString y = normalizedDefault(b);
    if (x == y)
        return true;
    bool xNumber = false;
    bool yNumber = false;
    const double xv = x.toDouble(&xNumber);
    const double yv = y.toDouble(&yNumber);
    if (xNumber && yNumber)
        return xv == yv;
    const bool quoted = x.startsWith(QLatin1Char('\'')) || y.startsWith(QLatin1Char('\''));
    return !quoted && sameName(x, y);
}

// DDL text ---------------------------------------------------------------------------------

QString nameList(const Dialect &dialect, const QStringList &names)
{
    QStringList quoted;
    for (const QString &name : names)
        quoted.append(dialect.QuoteName(name));
    return quoted.join(QStringLiteral(", "));
}

QString columnSql(const Dialect &dialect, const ColumnDef &column)
{
    QString sql = dialect.QuoteName(column.name) + QLatin1Char(' ') + column.type;
    if (column.notNull)
        sql += QStringLiteral(" NOT NULL");
    if (!column.defaultSql.isEmpty())
        sql += QStringLiteral(" DEFAULT ") + column.defaultSql;
    return sql;
}

QString constraintSql(const Dialect &dialect, const ConstraintDef &key)
{
    QString sql;
    if (!key.name.isEmpty())
        sql = QStringLiteral("CONSTRAINT ") + dialect.QuoteName(key.name) + QLatin1Char(' ');
    switch (key.type) {
    case adKeyPrimary:
        sql += QStringLiteral("PRIMARY KEY (") + nameList(dialect, key.columns) + QLatin1Char(')');
        break;
    case adKeyUnique:
        sql += QStringLiteral("UNIQUE (") + nameList(dialect, key.columns) + QLatin1Char(')');
        break;
    default:
        sql += QStringLiteral("FOREIGN KEY (") + nameList(dialect, key.columns) + QStringLiteral(") REFERENCES ")
               + dialect.QuoteName(key.relatedTable);
        if (!key.relatedColumns.isEmpty())
            sql += QStringLiteral(" (") + nameList(dialect, key.relatedColumns) + QLatin1Char(')');
        break;
    }
    return sql;
}

QString createIndexSql(const Dialect &dialect, const QString &table, const IndexDef &index)
{
    return QStringLiteral("CREATE ") + (index.unique ? QStringLiteral("UNIQUE ") : QString())
           + QStringLiteral("INDEX ") + dialect.QuoteName(index.name) + QStringLiteral(" ON ")
           + dialect.QuoteName(table) + QStringLiteral(" (") + nameList(dialect, index.columns) + QLatin1Char(')');
}

QString addConstraintSql(const Dialect &dialect, const QString &table, const ConstraintDef &key)
{
    return QStringLiteral("ALTER TABLE ") + dialect.QuoteName(table) + QStringLiteral(" ADD ")
           + constraintSql(dialect, key);
}

// Per-engine pieces of DDL. Which of them a change needs follows the dialect's capabilities;
// an engine leaves out what it cannot do in place, and a table of such an engine is rebuilt.
struct EngineDdl
{
    QString (*dropIndex)(const Dialect &, const QString &table, const QString &index);
    QString (*dropConstraint)(const Dialect &, const QString &table, const ConstraintDef &key);
    // Statements that give an existing field a new type, keeping its data.
    QStringList (*changeColumn)(const Dialect &, const QString &table, const ColumnDef &from, const ColumnDef &to,
                                bool kindChanges);
    QString (*setDefault)(const Dialect &, const QString &table, const ColumnDef &column);
    const char *addColumn;               // the words before the new field's definition
    bool indexesInCreateTable;           // CREATE TABLE can hold the plain indexes (one statement)
    bool notNullFieldNeedsDefault;       // ADD COLUMN ... NOT NULL is refused without a default
    bool foreignKeysBlockTypeChange;     // a field in a foreign key (either side) cannot change type
};

QString alterTable(const Dialect &d, const QString &table)
{
    return QStringLiteral("ALTER TABLE ") + d.QuoteName(table) + QLatin1Char(' ');
}

QString dropIndexPlain(const Dialect &d, const QString &, const QString &index)
{
    return QStringLiteral("DROP INDEX ") + d.QuoteName(index);
}

QString dropIndexOnTable(const Dialect &d, const QString &table, const QString &index)
{
    return QStringLiteral("DROP INDEX ") + d.QuoteName(index) + QStringLiteral(" ON ") + d.QuoteName(table);
}

QString dropConstraintNone(const Dialect &, const QString &, const ConstraintDef &)
{
    return {};
}

QString dropConstraintStandard(const Dialect &d, const QString &table, const ConstraintDef &key)
{
    return alterTable(d, table) + QStringLiteral("DROP CONSTRAINT ") + d.QuoteName(key.name);
}

QString dropConstraintMariaDb(const Dialect &d, const QString &table, const ConstraintDef &key)
{
    switch (key.type) {
    case adKeyPrimary:
        return alterTable(d, table) + QStringLiteral("DROP PRIMARY KEY");
    case adKeyUnique:
        return alterTable(d, table) + QStringLiteral("DROP INDEX ") + d.QuoteName(key.name);
    default:
        return alterTable(d, table) + QStringLiteral("DROP FOREIGN KEY ") + d.QuoteName(key.name);
    }
}

QStringList changeColumnNone(const Dialect &, const QString &, const ColumnDef &, const ColumnDef &, bool)
{
    return {};
}

QStringList changeColumnPostgres(const Dialect &d, const QString &table, const ColumnDef &from, const ColumnDef &to,
                                 bool kindChanges)
{
    const QString column = QStringLiteral("ALTER COLUMN ") + d.QuoteName(to.name);
    QStringList statements;
    // A default of the old kind may not cast to the new type: drop it first.
    if (!from.defaultSql.isEmpty() && kindChanges)
        statements.append(alterTable(d, table) + column + QStringLiteral(" DROP DEFAULT"));
    statements.append(alterTable(d, table) + column + QStringLiteral(" TYPE ") + to.type + QStringLiteral(" USING ")
                      + d.QuoteName(to.name) + QStringLiteral("::") + to.type);
    if (!to.defaultSql.isEmpty() && (kindChanges || !sameDefault(from.defaultSql, to.defaultSql)))
        statements.append(alterTable(d, table) + column + QStringLiteral(" SET DEFAULT ") + to.defaultSql);
    return statements;
}

QStringList changeColumnMariaDb(const Dialect &d, const QString &table, const ColumnDef &, const ColumnDef &to, bool)
{
    // MODIFY restates the whole field: nullability and default included.
    QString sql = alterTable(d, table) + QStringLiteral("MODIFY COLUMN ") + d.QuoteName(to.name) + QLatin1Char(' ')
                  + to.type + (to.notNull ? QStringLiteral(" NOT NULL") : QStringLiteral(" NULL"));
    if (!to.defaultSql.isEmpty())
        sql += QStringLiteral(" DEFAULT ") + to.defaultSql;
    return {sql};
}

QStringList changeColumnSqlServer(const Dialect &d, const QString &table, const ColumnDef &, const ColumnDef &to,
                                  bool)
{
    return {alterTable(d, table) + QStringLiteral("ALTER COLUMN ") + d.QuoteName(to.name) + QLatin1Char(' ') + to.type
            + (to.notNull ? QStringLiteral(" NOT NULL") : QStringLiteral(" NULL"))};
}

QString setDefaultNone(const Dialect &, const QString &, const ColumnDef &)
{
    return {};
}

QString setDefaultStandard(const Dialect &d, const QString &table, const ColumnDef &column)
{
    return alterTable(d, table) + QStringLiteral("ALTER COLUMN ") + d.QuoteName(column.name)
           + QStringLiteral(" SET DEFAULT ") + column.defaultSql;
}

const EngineDdl &engineDdl(Engine engine)
{
    static const EngineDdl sqlite{&dropIndexPlain, &dropConstraintNone, &changeColumnNone, &setDefaultNone,
                                  "ADD COLUMN", false, true, false};
    static const EngineDdl postgres{&dropIndexPlain, &dropConstraintStandard, &changeColumnPostgres,
                                    &setDefaultStandard, "ADD COLUMN", false, false, false};
    static const EngineDdl mariadb{&dropIndexOnTable, &dropConstraintMariaDb, &changeColumnMariaDb,
                                   &setDefaultStandard, "ADD COLUMN", true, false, true};
    static const EngineDdl sqlserver{&dropIndexOnTable, &dropConstraintStandard, &changeColumnSqlServer,
                                     &setDefaultNone, "ADD", false, false, true};
    static const struct
    {
        Engine engine;
        const EngineDdl *ddl;
    } table[] = {{Engine::SQLite, &sqlite},
                 {Engine::PostgreSQL, &postgres},
                 {Engine::MariaDB, &mariadb},
                 {Engine::SQLServer, &sqlserver}};
    for (const auto &entry : table) {
        if (entry.engine == engine)
            return *entry.ddl;
    }
    return postgres;
}

QString createTableSql(const Dialect &dialect, const TableDef &table, const QString &name, bool withIndexes)
{
    QStringList parts;
    for (const ColumnDef &column : table.columns)
        parts.append(columnSql(dialect, column));
    for (const ConstraintDef &key : table.keys)
        parts.append(constraintSql(dialect, key));
    if (withIndexes) {
        for (const IndexDef &index : table.indexes)
            parts.append((index.unique ? QStringLiteral("UNIQUE INDEX ") : QStringLiteral("INDEX "))
                         + dialect.QuoteName(index.name) + QStringLiteral(" (") + nameList(dialect, index.columns)
                         + QLatin1Char(')'));
    }
    return QStringLiteral("CREATE TABLE ") + dialect.QuoteName(name) + QStringLiteral(" (")
           + parts.join(QStringLiteral(", ")) + QLatin1Char(')');
}

// Statements of one change, run as one unit where the engine's DDL is transactional: in a
// transaction of its own, or under a savepoint of the caller's transaction, so that a failure
// leaves neither half a change nor an aborted transaction behind. Where DDL commits implicitly
// (MariaDB) the statements simply run one after the other.
class DdlRun
{
public:
    DdlRun(Connection &connection, QString &error) : m_connection(connection), m_error(error) {}
    ~DdlRun()
    {
        if (m_mode != Mode::None)
            abandon();
    }

    bool begin()
    {
        if (!m_connection.dialect().transactionalDdl())
            return true;
        if (m_connection.inTransaction()) {
            if (!exec(QStringLiteral("SAVEPOINT kvo_ddl")))
                return false;
            m_mode = Mode::Savepoint;
            return true;
        }
        if (!m_connection.BeginTransaction()) {
            m_error = QStringLiteral("Could not start a transaction: ") + m_connection.lastError();
            return false;
        }
        m_mode = Mode::Own;
        return true;
    }

    bool exec(const QString &sql)
    {
        if (m_connection.ExecuteSql(sql))
            return true;
        m_error = m_connection.lastError() + QStringLiteral(" [") + sql + QLatin1Char(']');
        return false;
    }

    bool execAll(const QStringList &statements)
    {
        for (const QString &sql : statements) {
            if (!exec(sql))
                return false;
        }
        return true;
    }

    bool commit()
    {
        const Mode mode = m_mode;
        m_mode = Mode::None;
        if (mode == Mode::Own && !m_connection.CommitTransaction()) {
            m_error = QStringLiteral("Could not commit: ") + m_connection.lastError();
            m_connection.RollbackTransaction();
            return false;
        }
        if (mode == Mode::Savepoint && !exec(QStringLiteral("RELEASE SAVEPOINT kvo_ddl"))) {
            m_mode = Mode::Savepoint;
            abandon();
            return false;
        }
        return true;
    }

    void abandon()
    {
        const Mode mode = m_mode;
        m_mode = Mode::None;
        if (mode == Mode::Own) {
            m_connection.RollbackTransaction();
        } else if (mode == Mode::Savepoint) {
            m_connection.ExecuteSql(QStringLiteral("ROLLBACK TO SAVEPOINT kvo_ddl"));
            m_connection.ExecuteSql(QStringLiteral("RELEASE SAVEPOINT kvo_ddl"));
        }
    }

    // Runs `statements` as one unit.
    bool runUnit(const QStringList &statements)
    {
        if (statements.isEmpty())
            return true;
        if (!begin())
            return false;
        if (!execAll(statements)) {
            abandon();
            return false;
        }
        return commit();
    }

private:
    enum class Mode { None, Own, Savepoint };
    Connection &m_connection;
    QString &m_error;
    Mode m_mode = Mode::None;
};

// A value read outside the statement path (settings of the SQLite connection).
QVariant readValue(Connection &connection, const QString &sql)
{
    QSqlQuery query(connection.database());
    query.setForwardOnly(true);
    if (!query.exec(sql) || !query.next())
        return {};
    return query.value(0);
}

// Rebuilds an SQLite table as `target`: create the new table, copy the fields both layouts hold,
// drop the old table, rename the new one, recreate indexes and triggers, check foreign keys.
// PRAGMA foreign_keys cannot change inside a transaction, so with foreign keys enforced the
// rebuild needs a connection outside any transaction.
bool rebuildTable(Connection &connection, const TableDef &current, const TableDef &target, QString &error)
{
    const Dialect &d = connection.dialect();
    const bool foreignKeysOn = readValue(connection, QStringLiteral("PRAGMA foreign_keys")).toInt() != 0;
    if (foreignKeysOn && connection.inTransaction()) {
        error = QStringLiteral("Table %1 must be rebuilt, which cannot be done inside a transaction while "
                               "foreign keys are enforced.")
                    .arg(current.name);
        return false;
    }
    const bool legacyAlter = readValue(connection, QStringLiteral("PRAGMA legacy_alter_table")).toInt() != 0;

    QStringList triggers;
    {
        QSqlQuery query(connection.database());
        query.setForwardOnly(true);
        if (query.exec(QStringLiteral("SELECT sql FROM sqlite_master WHERE type = 'trigger' AND tbl_name = ")
                       + d.QuoteText(current.name))) {
            while (query.next())
                triggers.append(query.value(0).toString());
        }
    }

    QString temporary = QStringLiteral("kvo_rebuild_") + current.name;
    while (readValue(connection, QStringLiteral("SELECT count(*) FROM sqlite_master WHERE lower(name) = lower(")
                                     + d.QuoteText(temporary) + QLatin1Char(')'))
               .toInt()
           > 0)
        temporary += QLatin1Char('_');

    QStringList copied;
    for (const ColumnDef &column : target.columns) {
        const int index = current.columnIndex(column.name);
        if (index >= 0)
            copied.append(current.columns.at(index).name);
    }

    if (foreignKeysOn && !connection.ExecuteSql(QStringLiteral("PRAGMA foreign_keys = OFF"))) {
        error = connection.lastError();
        return false;
    }
    DdlRun run(connection, error);
    bool ok = run.begin();
    ok = ok && run.exec(createTableSql(d, target, temporary, false));
    if (ok && !copied.isEmpty()) {
        const QString list = nameList(d, copied);
        ok = run.exec(QStringLiteral("INSERT INTO ") + d.QuoteName(temporary) + QStringLiteral(" (") + list
                      + QStringLiteral(") SELECT ") + list + QStringLiteral(" FROM ") + d.QuoteName(current.name));
    }
    ok = ok && run.exec(QStringLiteral("DROP TABLE ") + d.QuoteName(current.name));
    // Views that name the old table would make a checked rename fail while it is gone.
    ok = ok && (legacyAlter || run.exec(QStringLiteral("PRAGMA legacy_alter_table = ON")));
    ok = ok && run.exec(QStringLiteral("ALTER TABLE ") + d.QuoteName(temporary) + QStringLiteral(" RENAME TO ")
                        + d.QuoteName(target.name));
    ok = ok && (legacyAlter || run.exec(QStringLiteral("PRAGMA legacy_alter_table = OFF")));
    for (const IndexDef &index : target.indexes)
        ok = ok && run.exec(createIndexSql(d, target.name, index));
    for (const QString &trigger : std::as_const(triggers))
        ok = ok && run.exec(trigger);
    if (ok) {
        QSqlQuery check(connection.database());
        check.setForwardOnly(true);
        if (check.exec(QStringLiteral("PRAGMA foreign_key_check(") + d.QuoteName(target.name) + QLatin1Char(')'))
            && check.next()) {
            error = QStringLiteral("Rows of table %1 do not match its foreign key to table %2.")
                        .arg(target.name, check.value(2).toString());
            ok = false;
        }
    }
    if (ok)
        ok = run.commit();
    else
        run.abandon();
    if (!ok && !legacyAlter)
        connection.ExecuteSql(QStringLiteral("PRAGMA legacy_alter_table = OFF"));
    if (foreignKeysOn)
        connection.ExecuteSql(QStringLiteral("PRAGMA foreign_keys = ON"));
    return ok;
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
    return primary && sameColumns(primary->Columns, key.Columns);
}

bool uniqueKeyMatches(const CatalogTable &table, const KeyDescription &key)
{
    for (const CatalogKey &k : table.Keys) {
        if (k.Type != adKeyForeign && sameColumns(k.Columns, key.Columns))
            return true;
    }
    for (const CatalogIndex &index : table.Indexes) {
        if (index.Unique && sameColumns(index.Columns, key.Columns))
            return true;
    }
    return false;
}

bool keyMatches(const CatalogTable &table, const KeyDescription &key)
{
    return key.Kind == KeyKind::Primary ? primaryKeyMatches(table, key) : uniqueKeyMatches(table, key);
}

bool indexMatches(const CatalogTable &table, const IndexDescription &index)
{
    for (const CatalogIndex &i : table.Indexes) {
        if (sameColumns(i.Columns, index.Columns) && (i.Unique || !index.Unique))
            return true;
    }
    return false;
}

bool foreignKeyMatches(const CatalogTable &table, const ForeignKeyDescription &key)
{
    for (const CatalogKey &k : table.Keys) {
        if (k.Type == adKeyForeign && sameColumns(k.Columns, key.Columns) && sameName(k.RelatedTable, key.RelatedTable)
            && (key.RelatedColumns.isEmpty() || sameColumns(k.RelatedColumns, key.RelatedColumns)))
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
    FieldDescription field;
    field.Name = name;
    field.Type = type;
    field.Size = size;
    field.Nullable = nullable;
    field.DefaultSql = defaultSql;
    Fields.append(field);
    return Fields.last();
}

void TableStructure::addKey(const QString &name, KeyKind kind, const QStringList &columns)
{
    Keys.append({name, kind, columns});
}

void TableStructure::addIndex(const QString &name, const QStringList &columns, bool unique)
{
    Indexes.append({name, columns, unique});
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

    if (exact) {
        for (const KeyDescription &key : Keys) {
            if (!keyMatches(*table, key))
                result.append(QStringLiteral("%1 key %2 over (%3) is missing")
                                  .arg(key.Kind == KeyKind::Primary ? QStringLiteral("primary") : QStringLiteral("unique"),
                                       key.Name, key.Columns.join(QStringLiteral(", "))));
        }
        for (const IndexDescription &index : Indexes) {
            if (!indexMatches(*table, index))
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
    // Foreign keys dropped only to let a type change through; added again when the change fails
    // on an engine whose DDL cannot be rolled back.
    QStringList restore;

    QStringList statements() const { return drops + fields + keys + foreignKeys + indexes; }
};

void replaceKey(TableDef &table, const ConstraintDef &key, const std::function<bool(const ConstraintDef &)> &old)
{
    for (qsizetype i = table.keys.size() - 1; i >= 0; --i) {
        if (old(table.keys.at(i)))
            table.keys.removeAt(i);
    }
    table.keys.append(key);
}

Plan makePlan(const TableStructure &structure, Catalog &catalog, const CatalogTable &table, int parts,
              const QString &onlyField = {})
{
    const Dialect &dialect = catalog.ActiveConnection().dialect();
    const EngineDdl &ddl = engineDdl(dialect.engine());
    Plan plan;
    plan.current = tableFromCatalog(table);
    plan.target = plan.current;
    const QString &name = plan.current.name;

    auto dropKey = [&](const ConstraintDef &key) {
        const QString sql = dialect.canAddConstraints() ? ddl.dropConstraint(dialect, name, key) : QString();
        if (sql.isEmpty())
            plan.rebuild = true;
        else
            plan.drops.append(sql);
    };
    auto addKey = [&](const ConstraintDef &key, QStringList &into) {
        if (dialect.canAddConstraints())
            into.append(addConstraintSql(dialect, name, key));
        else
            plan.rebuild = true;
    };

    QStringList retyped;   // fields whose type changes in place
    if (parts & PlanFields) {
        for (const FieldDescription &field : structure.Fields) {
            if (!onlyField.isEmpty() && !sameName(field.Name, onlyField))
                continue;
            const CatalogColumn *column = table.FindColumn(field.Name);
            const ColumnDef wanted = columnFromDescription(dialect, field);
            if (!column) {
                plan.target.columns.append(wanted);
                if (wanted.notNull && wanted.defaultSql.isEmpty() && ddl.notNullFieldNeedsDefault)
                    plan.rebuild = true;
                else
                    plan.fields.append(alterTable(dialect, name) + QLatin1String(ddl.addColumn) + QLatin1Char(' ')
                                       + columnSql(dialect, wanted));
                continue;
            }
            if (!onlyField.isEmpty())
                continue;
            ColumnDef &target = plan.target.columns[plan.target.columnIndex(column->Name)];
            const ColumnDef from = target;
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
                const QStringList change = ddl.changeColumn(dialect, name, from, target, kindChanges);
                if (change.isEmpty())
                    plan.rebuild = true;
                plan.fields += change;
                retyped.append(column->Name);
            } else if (!field.DefaultSql.isEmpty() && !sameDefault(from.defaultSql, field.DefaultSql)
                       && dialect.canAlterDefault()) {
                ColumnDef changed = target;
                changed.defaultSql = field.DefaultSql;
                const QString sql = ddl.setDefault(dialect, name, changed);
                if (!sql.isEmpty()) {
                    target.defaultSql = field.DefaultSql;
                    plan.fields.append(sql);
                }
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
    if (!retyped.isEmpty() && ddl.foreignKeysBlockTypeChange && !plan.rebuild) {
        for (const ConstraintDef &key : std::as_const(plan.target.keys)) {
            if (key.type == adKeyForeign
                && (touches(key.columns) || (sameName(key.relatedTable, name) && touches(key.relatedColumns)))) {
                plan.drops.append(ddl.dropConstraint(dialect, name, key));
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
                plan.drops.append(ddl.dropConstraint(dialect, child->Name, def));
                plan.foreignKeys.append(addConstraintSql(dialect, child->Name, def));
                plan.restore.append(plan.foreignKeys.last());
                plan.touchedTables.append(child->Name);
            }
        }
    }

    if (parts & PlanKeys) {
        for (const KeyDescription &key : structure.Keys) {
            if (keyMatches(table, key))
                continue;
            const ConstraintDef wanted{key.Name, key.Kind == KeyKind::Primary ? adKeyPrimary : adKeyUnique,
                                       key.Columns, {}, {}};
            std::function<bool(const ConstraintDef &)> replaced;
            if (key.Kind == KeyKind::Primary)
                replaced = [](const ConstraintDef &k) { return k.type == adKeyPrimary; };
            else
                replaced = [&key](const ConstraintDef &k) {
                    return k.type == adKeyUnique && !key.Name.isEmpty() && sameName(k.name, key.Name);
                };
            for (const ConstraintDef &old : std::as_const(plan.target.keys)) {
                if (replaced(old))
                    dropKey(old);
            }
            replaceKey(plan.target, wanted, replaced);
            addKey(wanted, plan.keys);
        }
    }

    if (parts & PlanForeignKeys) {
        for (const ForeignKeyDescription &key : structure.ForeignKeys) {
            if (foreignKeyMatches(table, key))
                continue;
            const ConstraintDef wanted{key.Name, adKeyForeign, key.Columns, key.RelatedTable, key.RelatedColumns};
            const auto replaced = [&key](const ConstraintDef &k) {
                return k.type == adKeyForeign && !key.Name.isEmpty() && sameName(k.name, key.Name);
            };
            for (const ConstraintDef &old : std::as_const(plan.target.keys)) {
                if (replaced(old))
                    dropKey(old);
            }
            replaceKey(plan.target, wanted, replaced);
            addKey(wanted, plan.foreignKeys);
        }
    }

    if (parts & PlanIndexes) {
        for (const IndexDescription &index : structure.Indexes) {
            if (indexMatches(table, index))
                continue;
            for (qsizetype i = plan.target.indexes.size() - 1; i >= 0; --i) {
                if (sameName(plan.target.indexes.at(i).name, index.Name)) {
                    plan.drops.append(ddl.dropIndex(dialect, name, plan.target.indexes.at(i).name));
                    plan.target.indexes.removeAt(i);
                }
            }
            const IndexDef wanted{index.Name, index.Columns, index.Unique};
            plan.target.indexes.append(wanted);
            plan.indexes.append(createIndexSql(dialect, name, wanted));
        }
    }
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
    const EngineDdl &ddl = engineDdl(dialect.engine());

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
    for (const IndexDescription &index : Indexes)
        def.indexes.append({index.Name, index.Columns, index.Unique});

    QStringList statements{createTableSql(dialect, def, TableName, ddl.indexesInCreateTable)};
    if (!ddl.indexesInCreateTable) {
        for (const IndexDef &index : std::as_const(def.indexes))
            statements.append(createIndexSql(dialect, TableName, index));
    }
    DdlRun run(connection, m_lastError);
    const bool ok = run.runUnit(statements);
    catalog.Refresh(TableName);
    return ok;
}

namespace {

bool applyPlan(Catalog &catalog, const Plan &plan, QString &error)
{
    Connection &connection = catalog.ActiveConnection();
    if (plan.rebuild)
        return rebuildTable(connection, plan.current, plan.target, error);
    DdlRun run(connection, error);
    if (run.runUnit(plan.statements()))
        return true;
    if (!connection.dialect().transactionalDdl()) {
        // Keys that still exist refuse to be added twice; those dropped come back.
        for (const QString &sql : plan.restore)
            connection.ExecuteSql(sql);
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
    const bool ok = applyPlan(catalog, plan, m_lastError);
    catalog.Refresh(TableName);
    for (const QString &other : plan.touchedTables)
        catalog.Refresh(other);
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
    catalog.Refresh(structure.TableName);
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
    catalog.Refresh(TableName);
    return ok;
}

namespace {

// Drops the foreign keys of other tables that refer to `table` (to `field` of it when given).
bool dropReferencingForeignKeys(Catalog &catalog, const QString &table, const QString &field, QString &error)
{
    Connection &connection = catalog.ActiveConnection();
    const Dialect &dialect = connection.dialect();
    const EngineDdl &ddl = engineDdl(dialect.engine());
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
            const QString sql = dialect.canAddConstraints() ? ddl.dropConstraint(dialect, childName, key) : QString();
            if (sql.isEmpty())
                plan.rebuild = true;
            else
                plan.drops.append(sql);
            plan.target.keys.removeAt(i);
        }
        if (!plan.rebuild && plan.drops.isEmpty())
            continue;
        const bool ok = applyPlan(catalog, plan, error);
        catalog.Refresh(child->Name);
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
    const EngineDdl &ddl = engineDdl(dialect.engine());
    Plan plan;
    plan.current = tableFromCatalog(*table);
    plan.target = plan.current;
    const QString &name = plan.current.name;

    // Foreign keys first (MariaDB keeps an index behind each), then primary and unique keys, then
    // the indexes of their own.
    QSet<QString> droppedKeys;
    for (int pass = 0; pass < 2; ++pass) {
        for (qsizetype i = plan.target.keys.size() - 1; i >= 0; --i) {
            const ConstraintDef key = plan.target.keys.at(i);
            if ((key.type == adKeyForeign) != (pass == 0) || !containsName(key.columns, columnName))
                continue;
            const QString sql = dialect.canAddConstraints() ? ddl.dropConstraint(dialect, name, key) : QString();
            if (sql.isEmpty())
                plan.rebuild = true;
            else
                plan.drops.append(sql);
            droppedKeys.insert(key.name.toLower());
            plan.target.keys.removeAt(i);
        }
    }
    for (qsizetype i = plan.target.indexes.size() - 1; i >= 0; --i) {
        const IndexDef &index = plan.target.indexes.at(i);
        if (!containsName(index.columns, columnName))
            continue;
        plan.indexes.append(ddl.dropIndex(dialect, name, index.name));
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
        ok = rebuildTable(connection, plan.current, plan.target, m_lastError);
    } else {
        DdlRun run(connection, m_lastError);
        ok = run.runUnit(plan.drops + plan.indexes + QStringList{dropColumn});
    }
    catalog.Refresh(TableName);
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
