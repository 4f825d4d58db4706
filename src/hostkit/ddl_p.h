#pragma once

// Internal to the host kit: the DDL pieces that the table structure and the engine units share.

#include "catalog.h"
#include "dialect.h"
#include "tablestructure.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace KvoPlx800SCtl::HostKit {
class Connection;
}

namespace KvoPlx800SCtl::HostKit::detail {

struct ConstraintDef
{
    QString name; // empty: the engine names it
    int type = adKeyPrimary;
    QStringList columns;
    QString relatedTable;
    QStringList relatedColumns;
};

// The layout of one table as DDL needs it: what the catalog read, or what a description asks
// for, with type texts ready to be written.
struct TableDef
{
    QString name;
    QList<DdlColumn> columns;
    QList<ConstraintDef> keys; // primary, unique and foreign keys
    QList<IndexDescription> indexes; // indexes of their own (not the ones behind keys)

    // Position of `column` (compared without regard to case), or -1.
    int columnIndex(const QString &column) const;
};

// A default as a description writes it or an engine reports it, reduced to the literal it holds
// (casts, parentheses and typed-literal words gone); empty for no default and DEFAULT NULL.
QString normalizedDefault(QString text);
// Whether two defaults, as a description writes them or as an engine reports them (with casts,
// parentheses, typed-literal words), hold the same value. No default and DEFAULT NULL are the same.
bool sameDefault(const QString &a, const QString &b);

// Statement text.
QString alterTable(const Dialect &dialect, const QString &table); // "ALTER TABLE name "
QString nameList(const Dialect &dialect, const QStringList &names);
QString columnSql(const Dialect &dialect, const DdlColumn &column);
QString constraintSql(const Dialect &dialect, const ConstraintDef &key);
QString addConstraintSql(const Dialect &dialect, const QString &table, const ConstraintDef &key);
QString createIndexSql(const Dialect &dialect, const QString &table, const IndexDescription &index);
// The operator class `index` names for its leading field on this engine: the prefix-search one
// where the index serves prefix searches and the engine needs one for them, else empty.
QString leadingOperatorClass(const Dialect &dialect, const IndexDescription &index);
// CREATE TABLE `name` with the fields and keys of `table` (and its indexes, when `withIndexes`).
QString createTableSql(const Dialect &dialect, const TableDef &table, const QString &name, bool withIndexes);

// Statements of one change, run as one unit where the engine's DDL is transactional: in a
// transaction of its own, or under a savepoint of the caller's transaction, so that a failure
// leaves neither half a change nor an aborted transaction behind. Where DDL commits implicitly
// (MariaDB) the statements simply run one after the other. A unit not committed is abandoned when
// the run ends.
class DdlRun
{
public:
    DdlRun(Connection &connection, QString &error) : m_connection(connection), m_error(error) {}
    ~DdlRun();
    DdlRun(const DdlRun &) = delete;
    DdlRun &operator=(const DdlRun &) = delete;

    // `alone`: the unit is one statement, which every engine runs as a unit by itself.
    [[nodiscard]] bool begin(bool alone = false);
    // Runs one statement; on failure the error names the statement.
    [[nodiscard]] bool exec(const QString &sql);
    [[nodiscard]] bool commit();
    void abandon();
    // Runs `statements` as one unit.
    [[nodiscard]] bool runUnit(const QStringList &statements);

private:
    enum class Mode { None, Own, Savepoint };
    Connection &m_connection;
    QString &m_error;
    Mode m_mode = Mode::None;
};

} // namespace KvoPlx800SCtl::HostKit::detail
