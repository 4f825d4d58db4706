#include "ddl_p.h"

#include "connection.h"

#include <QRegularExpression>

namespace KvoPlx800SCtl::HostKit::detail {

int TableDef::columnIndex(const QString &column) const
{
    for (qsizetype i = 0; i < columns.size(); ++i) {
        if (columns.at(i).name.compare(column, Qt::CaseInsensitive) == 0)
            return int(i);
    }
    return -1;
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
        // Most defaults hold neither: the texts are looked at before the expressions run.
        if (text.contains(QLatin1String("::")))
            text.remove(cast);
        if (text.contains(QLatin1Char('\'')) && !text.startsWith(QLatin1Char('\'')))
            text.remove(typedLiteral);
        text = text.trimmed();
        if (text.size() >= 2 && text.startsWith(QLatin1Char('(')) && text.endsWith(QLatin1Char(')')))
            text = text.mid(1, text.size() - 2).trimmed();
        if (text == before)
            break;
    }
    if (text.compare(QLatin1String("NULL"), Qt::CaseInsensitive) == 0)
        return {};
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
    return !quoted && x.compare(y, Qt::CaseInsensitive) == 0;
}

// DDL text ---------------------------------------------------------------------------------

QString alterTable(const Dialect &dialect, const QString &table)
{
    return QStringLiteral("ALTER TABLE ") + dialect.QuoteName(table) + QLatin1Char(' ');
}

QString nameList(const Dialect &dialect, const QStringList &names)
{
    QStringList quoted;
    for (const QString &name : names)
        quoted.append(dialect.QuoteName(name));
    return quoted.join(QStringLiteral(", "));
}

QString columnSql(const Dialect &dialect, const DdlColumn &column)
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

QString leadingOperatorClass(const Dialect &dialect, const IndexDescription &index)
{
    return index.PrefixSearch ? dialect.prefixSearchOperatorClass() : QString();
}

// "(a, b)", the leading field followed by its operator class where it has one.
static QString indexColumnsSql(const Dialect &dialect, const IndexDescription &index)
{
    const QString opClass = leadingOperatorClass(dialect, index);
    if (opClass.isEmpty() || index.Columns.isEmpty())
        return QLatin1Char('(') + nameList(dialect, index.Columns) + QLatin1Char(')');
    return QLatin1Char('(') + dialect.QuoteName(index.Columns.first()) + QLatin1Char(' ') + opClass
           + (index.Columns.size() > 1 ? QStringLiteral(", ") + nameList(dialect, index.Columns.mid(1)) : QString())
           + QLatin1Char(')');
}

QString createIndexSql(const Dialect &dialect, const QString &table, const IndexDescription &index)
{
    return QStringLiteral("CREATE ") + (index.Unique ? QStringLiteral("UNIQUE ") : QString()) + QStringLiteral("INDEX ")
           + dialect.QuoteName(index.Name) + QStringLiteral(" ON ") + dialect.QuoteName(table) + QLatin1Char(' ')
           + indexColumnsSql(dialect, index);
}

QString addConstraintSql(const Dialect &dialect, const QString &table, const ConstraintDef &key)
{
    return alterTable(dialect, table) + QStringLiteral("ADD ") + constraintSql(dialect, key);
}

QString createTableSql(const Dialect &dialect, const TableDef &table, const QString &name, bool withIndexes)
{
    QStringList parts;
    for (const DdlColumn &column : table.columns)
        parts.append(columnSql(dialect, column));
    for (const ConstraintDef &key : table.keys)
        parts.append(constraintSql(dialect, key));
    if (withIndexes) {
        for (const IndexDescription &index : table.indexes)
            parts.append((index.Unique ? QStringLiteral("UNIQUE INDEX ") : QStringLiteral("INDEX "))
                         + dialect.QuoteName(index.Name) + QLatin1Char(' ') + indexColumnsSql(dialect, index));
    }
    return QStringLiteral("CREATE TABLE ") + dialect.QuoteName(name) + QStringLiteral(" (")
           + parts.join(QStringLiteral(", ")) + QLatin1Char(')');
}

// DdlRun ---------------------------------------------------------------------------------------

DdlRun::~DdlRun()
{
    if (m_mode != Mode::None)
        abandon();
}

bool DdlRun::begin(bool alone)
{
    // A table change inside the host's transaction on its own connection (or in a unit of work
    // that is a savepoint there) would commit that transaction on engines that commit at DDL, and
    // leave the host's rollback without effect on the table.
    bool hostTransaction = false;
    if (!m_connection.hostTransactionOpen(hostTransaction)) {
        m_error = m_connection.lastError();
        return false;
    }
    if (hostTransaction || m_connection.inSavepoint()) {
        m_error = QStringLiteral("Tables cannot be changed inside the host's open transaction");
        return false;
    }
    if (!m_connection.dialect().transactionalDdl() || (alone && !m_connection.inTransaction()))
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

bool DdlRun::exec(const QString &sql)
{
    if (m_connection.ExecuteSql(sql))
        return true;
    m_error = m_connection.lastError() + QStringLiteral(" [") + sql + QLatin1Char(']');
    return false;
}

bool DdlRun::commit()
{
    const Mode mode = m_mode;
    m_mode = Mode::None;
    if (mode == Mode::Own && !m_connection.CommitTransaction()) {
        m_error = QStringLiteral("Could not commit: ") + m_connection.lastError();
        // The commit's error is the one to report; a failed rollback adds nothing to it.
        static_cast<void>(m_connection.RollbackTransaction());
        return false;
    }
    if (mode == Mode::Savepoint && !exec(QStringLiteral("RELEASE SAVEPOINT kvo_ddl"))) {
        m_mode = Mode::Savepoint;
        abandon();
        return false;
    }
    return true;
}

void DdlRun::abandon()
{
    // The change has failed already and its error is kept; undoing it is all that is left to try.
    const Mode mode = m_mode;
    m_mode = Mode::None;
    if (mode == Mode::Own) {
        static_cast<void>(m_connection.RollbackTransaction());
    } else if (mode == Mode::Savepoint) {
        static_cast<void>(m_connection.ExecuteSql(QStringLiteral("ROLLBACK TO SAVEPOINT kvo_ddl")));
        static_cast<void>(m_connection.ExecuteSql(QStringLiteral("RELEASE SAVEPOINT kvo_ddl")));
    }
}

bool DdlRun::runUnit(const QStringList &statements)
{
    if (statements.isEmpty())
        return true;
    if (!begin(statements.size() == 1))
        return false;
    for (const QString &sql : statements) {
        if (!exec(sql)) {
            abandon();
            return false;
        }
    }
    return commit();
}

} // namespace KvoPlx800SCtl::HostKit::detail
