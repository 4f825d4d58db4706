// SQLite: the dialect, the DDL that rebuilds a table where ALTER TABLE cannot change it, the
// catalog read from sqlite_master and the table pragmas, and the Qt driver QSQLITE.

#include "registry.h"

#include "hostkit/adotypes.h"
#include "hostkit/catalogreader_p.h"
#include "hostkit/connection.h"
#include "hostkit/ddl_p.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>
#include <array>

#include <sqlite3.h>

namespace KvoPlx800SCtl::HostKit {

const EngineInfo &sqliteEngine();

namespace {

// The CREATE TRIGGER statements of the triggers on `table`.
QString triggersQuery(const Dialect &d, const QString &table)
{
    return QStringLiteral("SELECT sql FROM sqlite_master WHERE type = 'trigger' AND tbl_name = ") + d.QuoteText(table);
}

using namespace detail;

// Catalog ------------------------------------------------------------------------------------
// SQLite keeps the names of primary, unique and foreign keys only in the CREATE TABLE text, so
// they are read from there.

// Constraint names written in a CREATE TABLE text. SQLite keeps them nowhere else.
struct NamedConstraint
{
    QString Name;
    int Type = adKeyPrimary;
    QStringList Columns;
};

// Tokens of an SQLite CREATE TABLE text: words, names in quotes, string literals and single
// punctuation characters. Comments and white space are dropped.
struct Token
{
    enum Kind { Word, QuotedName, String, Punct } kind = Word;
    QString text; // unquoted for names

    bool isWord(const char *word) const
    {
        return kind == Word && text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
    }
    bool isPunct(char c) const { return kind == Punct && text.size() == 1 && text.at(0) == QLatin1Char(c); }
    bool isName() const { return kind == Word || kind == QuotedName || kind == String; }
};

QList<Token> tokenize(const QString &sql)
{
    QList<Token> tokens;
    const qsizetype n = sql.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = sql.at(i);
        if (c.isSpace()) {
            ++i;
        } else if (c == QLatin1Char('-') && i + 1 < n && sql.at(i + 1) == QLatin1Char('-')) {
            while (i < n && sql.at(i) != QLatin1Char('\n'))
                ++i;
        } else if (c == QLatin1Char('/') && i + 1 < n && sql.at(i + 1) == QLatin1Char('*')) {
            const qsizetype end = sql.indexOf(QLatin1String("*/"), i + 2);
            i = end < 0 ? n : end + 2;
        } else if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('\'') || c == QLatin1Char('[')) {
            const QChar close = c == QLatin1Char('[') ? QLatin1Char(']') : c;
            Token token;
            token.kind = c == QLatin1Char('\'') ? Token::String : Token::QuotedName;
            ++i;
            while (i < n) {
                if (sql.at(i) == close) {
                    if (close != QLatin1Char(']') && i + 1 < n && sql.at(i + 1) == close) {
                        token.text.append(close);
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                token.text.append(sql.at(i));
                ++i;
            }
            tokens.append(token);
        } else if (c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('$')) {
            Token token;
            while (i < n
                   && (sql.at(i).isLetterOrNumber() || sql.at(i) == QLatin1Char('_') || sql.at(i) == QLatin1Char('$')))
                token.text.append(sql.at(i++));
            tokens.append(token);
        } else {
            Token token;
            token.kind = Token::Punct;
            token.text = c;
            tokens.append(token);
            ++i;
        }
    }
    return tokens;
}

// The names in the parenthesised list that starts at `pos` (an opening parenthesis); `pos` moves
// past the closing one. Collation and order words after a name are skipped.
QStringList namesInParentheses(const QList<Token> &tokens, qsizetype &pos)
{
    QStringList names;
    if (pos >= tokens.size() || !tokens.at(pos).isPunct('('))
        return names;
    ++pos;
    bool expectName = true;
    int depth = 0;
    for (; pos < tokens.size(); ++pos) {
        const Token &t = tokens.at(pos);
        if (t.isPunct('(')) {
            ++depth;
        } else if (t.isPunct(')')) {
            if (depth == 0) {
                ++pos;
                break;
            }
            --depth;
        } else if (depth == 0 && t.isPunct(',')) {
            expectName = true;
        } else if (depth == 0 && expectName && t.isName()) {
            names.append(t.text);
            expectName = false;
        }
    }
    return names;
}

// Reads the constraint that starts at `pos` (after CONSTRAINT name, or a column's constraint)
// into `out`; false when it is no key (CHECK, NOT NULL, DEFAULT...).
bool readConstraint(const QList<Token> &tokens, qsizetype pos, const QString &columnName, NamedConstraint *out)
{
    if (pos >= tokens.size())
        return false;
    const Token &t = tokens.at(pos);
    if (t.isWord("PRIMARY") || t.isWord("UNIQUE")) {
        out->Type = t.isWord("PRIMARY") ? adKeyPrimary : adKeyUnique;
        qsizetype p = pos + 1;
        if (p < tokens.size() && tokens.at(p).isWord("KEY"))
            ++p;
        out->Columns = namesInParentheses(tokens, p);
        if (out->Columns.isEmpty() && !columnName.isEmpty())
            out->Columns = QStringList{columnName};
        return !out->Columns.isEmpty();
    }
    if (t.isWord("FOREIGN")) {
        qsizetype p = pos + 1;
        if (p < tokens.size() && tokens.at(p).isWord("KEY"))
            ++p;
        out->Type = adKeyForeign;
        out->Columns = namesInParentheses(tokens, p);
        return !out->Columns.isEmpty();
    }
    if (t.isWord("REFERENCES") && !columnName.isEmpty()) {
        out->Type = adKeyForeign;
        out->Columns = QStringList{columnName};
        return true;
    }
    return false;
}

QList<NamedConstraint> parseConstraintNames(const QString &createSql)
{
    QList<NamedConstraint> result;
    const QList<Token> tokens = tokenize(createSql);
    qsizetype open = 0;
    while (open < tokens.size() && !tokens.at(open).isPunct('('))
        ++open;
    if (open >= tokens.size())
        return result;

    // Split the body into its definitions at the commas of the outer level.
    QList<QPair<qsizetype, qsizetype>> definitions;
    int depth = 0;
    qsizetype start = open + 1;
    for (qsizetype i = open + 1; i < tokens.size(); ++i) {
        const Token &t = tokens.at(i);
        if (t.isPunct('(')) {
            ++depth;
        } else if (t.isPunct(')')) {
            if (depth == 0) {
                definitions.append({start, i});
                break;
            }
            --depth;
        } else if (depth == 0 && t.isPunct(',')) {
            definitions.append({start, i});
            start = i + 1;
        }
    }

    for (const auto &[begin, end] : std::as_const(definitions)) {
        if (begin >= end)
            continue;
        const Token &first = tokens.at(begin);
        const bool tableConstraint = first.isWord("CONSTRAINT") || first.isWord("PRIMARY") || first.isWord("UNIQUE")
                                     || first.isWord("FOREIGN") || first.isWord("CHECK");
        const QString columnName = tableConstraint ? QString() : first.text;
        const QList<Token> part = tokens.mid(begin, end - begin);
        for (qsizetype i = 0; i + 1 < part.size(); ++i) {
            if (!part.at(i).isWord("CONSTRAINT") || !part.at(i + 1).isName())
                continue;
            NamedConstraint constraint;
            constraint.Name = part.at(i + 1).text;
            if (readConstraint(part, i + 2, columnName, &constraint))
                result.append(constraint);
        }
    }
    return result;
}

QString constraintName(const QList<NamedConstraint> &named, int type, const QStringList &columns)
{
    for (const NamedConstraint &c : named) {
        if (c.Type == type && sameFieldNames(c.Columns, columns))
            return c.Name;
    }
    return {};
}

// The declared type decides, by the words it contains, much as SQLite finds a column's affinity:
// the first entry with a word in the type gives its kind. `sized`: the length in parentheses is
// the size.
struct TypeWords
{
    std::array<const char *, 4> words;
    int type;
    bool sized;
};

const TypeWords sqliteTypeWords[] = {
        {{"VARCHAR", "VARYING"}, adVarWChar, true},
        {{"TEXT", "CLOB", "MEMO", "NOTE"}, adLongVarWChar, false},
        {{"CHAR"}, adChar, true},
        {{"GUID", "UUID", "UNIQUEIDENTIFIER"}, adGUID, false},
        {{"DATE", "TIME"}, adDate, false},
        {{"TINYINT"}, adTinyInt, false},
        {{"SMALLINT", "INT2"}, adSmallInt, false},
        {{"BIGINT", "INT8"}, adBigInt, false},
        {{"INT"}, adInteger, false},
        {{"DOUBLE", "FLOAT8"}, adDouble, false},
        {{"FLOAT4", "REAL", "SINGLE"}, adSingle, false},
        {{"FLOAT"}, adDouble, false}, // SQLite keeps FLOAT in eight bytes, like DOUBLE
        {{"MONEY", "CURRENCY"}, adCurrency, false},
        {{"DEC", "NUMERIC"}, adNumeric, false},
        {{"VARBINARY"}, adVarBinary, true},
        {{"BLOB", "BINARY"}, adLongVarBinary, false},
};

class SqliteCatalogReader : public detail::CatalogReader
{
public:
    bool readTableNames(detail::CatalogQueries &queries, QStringList *names) const override
    {
        return queries.readNames(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' "
                                                "AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\' ORDER BY name"),
                                 names);
    }

    bool readTable(detail::CatalogQueries &queries, CatalogTable *table) const override
    {
        const QString literal = queries.dialect().QuoteText(table->Name);
        QList<NamedConstraint> named;
        {
            QSqlQuery query(queries.database());
            if (!queries.run(query, QStringLiteral("SELECT sql FROM sqlite_master WHERE type = 'table' AND name = ")
                                            + literal))
                return false;
            if (query.next())
                named = parseConstraintNames(query.value(0).toString());
        }

        QList<QPair<int, QString>> primary; // key position, column
        if (!queries.forEachRow(QStringLiteral("SELECT name, type, \"notnull\", dflt_value, pk "
                                               "FROM pragma_table_info(%1) ORDER BY cid")
                                        .arg(literal),
                                [&](const QSqlQuery &query) {
                                    const QString name = query.value(0).toString();
                                    addColumn(table, name, query.value(1).toString(), query.value(2).toInt() == 0,
                                              query.value(3));
                                    if (query.value(4).toInt() > 0)
                                        primary.append({query.value(4).toInt(), name});
                                }))
            return false;
        if (!primary.isEmpty()) {
            std::sort(primary.begin(), primary.end());
            CatalogKey key;
            key.Type = adKeyPrimary;
            for (const auto &entry : std::as_const(primary))
                key.Columns.append(entry.second);
            key.Name = constraintName(named, adKeyPrimary, key.Columns);
            table->Keys.append(key);
        }

        if (!queries.forEachRow(QStringLiteral("SELECT il.name, il.\"unique\", il.origin, ii.name "
                                               "FROM pragma_index_list(%1) il "
                                               "JOIN pragma_index_info(il.name) ii "
                                               "ORDER BY il.seq, ii.seqno")
                                        .arg(literal),
                                [table](const QSqlQuery &query) {
                                    const QString origin = query.value(2).toString();
                                    addIndexColumn(table->Indexes, query.value(0).toString(), query.value(3).toString(),
                                                   query.value(1).toInt() != 0, origin == QLatin1String("pk"),
                                                   origin == QLatin1String("u") || origin == QLatin1String("pk"));
                                }))
            return false;
        for (const CatalogIndex &index : std::as_const(table->Indexes)) {
            if (index.PrimaryKey) {
                if (!table->Keys.isEmpty() && table->Keys.first().Type == adKeyPrimary
                    && table->Keys.first().Name.isEmpty())
                    table->Keys.first().Name = index.Name;
                continue;
            }
            if (!index.BehindKey)
                continue;
            CatalogKey key;
            key.Type = adKeyUnique;
            key.Columns = index.Columns;
            key.Name = constraintName(named, adKeyUnique, index.Columns);
            if (key.Name.isEmpty())
                key.Name = index.Name;
            table->Keys.append(key);
        }

        QList<CatalogKey> foreign;
        int currentId = -1;
        if (!queries.forEachRow(QStringLiteral("SELECT id, \"table\", \"from\", \"to\" "
                                               "FROM pragma_foreign_key_list(%1) ORDER BY id DESC, seq")
                                        .arg(literal),
                                [&](const QSqlQuery &query) {
                                    const int id = query.value(0).toInt();
                                    if (id != currentId) {
                                        CatalogKey key;
                                        key.Type = adKeyForeign;
                                        key.RelatedTable = query.value(1).toString();
                                        foreign.append(key);
                                        currentId = id;
                                    }
                                    foreign.last().Columns.append(query.value(2).toString());
                                    foreign.last().RelatedColumns.append(query.value(3).toString());
                                }))
            return false;
        for (CatalogKey &key : foreign) {
            key.Name = constraintName(named, adKeyForeign, key.Columns);
            table->Keys.append(key);
        }
        return true;
    }

    bool readReferencingTables(detail::CatalogQueries &queries, const QString &table, QStringList *names) const override
    {
        return queries.readNames(QStringLiteral("SELECT DISTINCT m.name FROM sqlite_master m "
                                                "JOIN pragma_foreign_key_list(m.name) f "
                                                "WHERE m.type = 'table' AND lower(f.\"table\") = lower(%1) "
                                                "ORDER BY m.name")
                                         .arg(queries.dialect().QuoteText(table)),
                                 names);
    }

    bool readTriggerDefinitions(detail::CatalogQueries &queries, const QString &table, QStringList *sql) const override
    {
        return queries.readNames(triggersQuery(queries.dialect(), table), sql);
    }

    int adoTypeOf(const QString &nativeType, int *size) const override
    {
        const QString t = nativeType.trimmed().toUpper();
        if (size)
            *size = 0;
        if (t.isEmpty())
            return adEmpty;
        if (t.contains(QLatin1String("BOOL")) || t == QLatin1String("BIT") || t.startsWith(QLatin1String("BIT(")))
            return adBoolean;
        for (const TypeWords &entry : sqliteTypeWords) {
            for (const char *word : entry.words) {
                if (word && t.contains(QLatin1String(word))) {
                    if (size && entry.sized)
                        *size = typeLength(t);
                    return entry.type;
                }
            }
        }
        return adEmpty;
    }
};

// Table rebuild ------------------------------------------------------------------------------

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
bool rebuild(Connection &connection, const TableDef &current, const TableDef &target, QString &error)
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
        if (!query.exec(triggersQuery(d, current.name))) {
            error = query.lastError().text();
            return false;
        }
        while (query.next())
            triggers.append(query.value(0).toString());
    }

    QString temporary = QStringLiteral("kvo_rebuild_") + current.name;
    while (readValue(connection, QStringLiteral("SELECT count(*) FROM sqlite_master WHERE lower(name) = lower(")
                                         + d.QuoteText(temporary) + QLatin1Char(')'))
                   .toInt()
           > 0)
        temporary += QLatin1Char('_');

    QStringList copied;
    for (const DdlColumn &column : target.columns) {
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
    ok = ok
         && run.exec(QStringLiteral("ALTER TABLE ") + d.QuoteName(temporary) + QStringLiteral(" RENAME TO ")
                     + d.QuoteName(target.name));
    ok = ok && (legacyAlter || run.exec(QStringLiteral("PRAGMA legacy_alter_table = OFF")));
    for (const IndexDescription &index : target.indexes)
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
    // After a failure its error is the one to report; the setting goes back as far as it can.
    if (!ok && !legacyAlter)
        static_cast<void>(connection.ExecuteSql(QStringLiteral("PRAGMA legacy_alter_table = OFF")));
    if (foreignKeysOn && !connection.ExecuteSql(QStringLiteral("PRAGMA foreign_keys = ON")) && ok) {
        error = QStringLiteral("Foreign keys could not be enforced again after table %1 was rebuilt: ").arg(target.name)
                + connection.lastError();
        ok = false;
    }
    return ok;
}

// Dialect ------------------------------------------------------------------------------------
// Names in "...". LIKE has no escape character unless one is declared. Types are only declared
// names here; the catalog reads them back from the declaration. Keys compare texts exactly
// (BINARY collation, trailing spaces count).
class SqliteDialect : public Dialect
{
public:
    SqliteDialect() : Dialect(sqliteEngine())
    {
        m_transactionalDdl = true;
        // ALTER TABLE adds, drops and renames fields, and no more: other changes rebuild the table.
        m_canAlterColumnType = false;
        m_canAlterDefault = false;
        m_canAddConstraints = false;
        m_canAddRequiredColumn = false;
        m_namedPrimaryKeys = true; // kept in the CREATE TABLE text
        m_antiJoinForm = AntiJoinForm::NotExistsWhenNarrowed;
        m_maxIdentifierLength = 4096;
        m_typeNames = {.smallInt = "SMALLINT",
                       .integer = "INTEGER",
                       .bigInt = "BIGINT",
                       .single = "REAL",
                       .dbl = "DOUBLE",
                       .currency = "NUMERIC",
                       .numeric = "NUMERIC",
                       .date = "DATETIME",
                       .boolean = "BOOLEAN",
                       .fixedText = "CHAR(%1)",
                       .text = "VARCHAR(%1)",
                       .longText = "TEXT",
                       .guid = "CHAR(38)",
                       .binary = "BLOB"};
    }

    QString likeEscapeClause() const override { return QStringLiteral(" ESCAPE '\\'"); }

    // A GUID is kept as its text.
    int storedAdoType(int adoType) const override
    {
        return adoType == adGUID ? adChar : Dialect::storedAdoType(adoType);
    }

    QString beginTransactionSql() const override { return QStringLiteral("BEGIN IMMEDIATE"); }

    QString primaryKeyQuery(const QString &table) const override
    {
        return QStringLiteral("SELECT name FROM pragma_table_info(%1) WHERE pk > 0 ORDER BY pk").arg(QuoteText(table));
    }

    QString singleRowClause(const QString &table, const QString &condition) const override
    {
        // A table without a primary key always has a rowid.
        return QStringLiteral(" WHERE rowid IN (SELECT rowid FROM %1 WHERE %2 LIMIT 1)")
                .arg(QuoteName(table), condition);
    }

    bool rebuildTable(Connection &connection, const TableDef &current, const TableDef &target,
                      QString &error) const override
    {
        // Names SQLite makes up for the indexes behind its keys are no constraint names.
        TableDef written = target;
        for (ConstraintDef &key : written.keys) {
            if (key.name.startsWith(QLatin1String("sqlite_autoindex_")))
                key.name.clear();
        }
        return rebuild(connection, current, written, error);
    }

    void setUpDatabase(QSqlDatabase &db, const ConnectionUrl &url) const override
    {
        db.setDatabaseName(url.path);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(url.busyTimeoutMs));
    }

    // Outside a transaction SQLite commits every statement by itself.
    std::optional<bool> transactionOpen(QSqlDatabase &db) const override
    {
        const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
        if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
            return std::nullopt;
        sqlite3 *connection = *static_cast<sqlite3 *const *>(handle.constData());
        if (!connection)
            return std::nullopt;
        return sqlite3_get_autocommit(connection) == 0;
    }

    bool openSession(QSqlDatabase &db, const ConnectionUrl &, QString *error) override
    {
        QSqlQuery query(db);
        return execSessionSql(query, QStringLiteral("PRAGMA foreign_keys = ON"), error);
    }

    // The extended result code; its low byte is the primary code. SQLite has no SQLSTATE. A
    // failure the driver reports without a code (a commit) is known by its text.
    SqlError::Kind errorKind(const QString &nativeCode, const QString &, const QString &text) const override
    {
        bool ok = false;
        const int code = nativeCode.toInt(&ok) & 0xFF;
        if (!ok) {
            return text.contains(QLatin1String("database is locked"), Qt::CaseInsensitive)
                                   || text.contains(QLatin1String("database table is locked"), Qt::CaseInsensitive)
                           ? SqlError::Lock
                           : SqlError::Other;
        }
        switch (code) {
        case 5: // SQLITE_BUSY
        case 6: // SQLITE_LOCKED
            return SqlError::Lock;
        case 19: // SQLITE_CONSTRAINT
            return SqlError::Constraint;
        default:
            return SqlError::Other;
        }
    }

    std::unique_ptr<detail::CatalogReader> createCatalogReader() const override
    {
        return std::make_unique<SqliteCatalogReader>();
    }
};

} // namespace

const EngineInfo &sqliteEngine()
{
    static const EngineInfo info{.engine = Engine::SQLite,
                                 .name = QStringLiteral("SQLite"),
                                 .databaseKind = DatabaseKind::SQLite,
                                 .schemes = {QStringLiteral("sqlite")},
                                 .fileUrl = true,
                                 .schemaOption = false,
                                 .driver = QStringLiteral("QSQLITE"),
                                 .createDialect = [] { return std::unique_ptr<Dialect>(new SqliteDialect); }};
    return info;
}

} // namespace KvoPlx800SCtl::HostKit
