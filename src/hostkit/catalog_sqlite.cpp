// The schema catalog on SQLite: sqlite_master and the table pragmas. SQLite keeps the names of
// primary, unique and foreign keys only in the CREATE TABLE text, so they are read from there.

#include "adotypes.h"
#include "catalogreader_p.h"

#include <QSqlQuery>
#include <QVariant>

#include <algorithm>

namespace KvoPlx800SCtl::HostKit::detail {

namespace {

// Tokens of an SQLite CREATE TABLE text: words, names in quotes, string literals and single
// punctuation characters. Comments and white space are dropped.
struct Token
{
    enum Kind { Word, QuotedName, String, Punct } kind = Word;
    QString text;   // unquoted for names

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
        } else if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('\'')
                   || c == QLatin1Char('[')) {
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
            while (i < n && (sql.at(i).isLetterOrNumber() || sql.at(i) == QLatin1Char('_')
                             || sql.at(i) == QLatin1Char('$')))
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
QStringList nameList(const QList<Token> &tokens, qsizetype &pos)
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
        out->Columns = nameList(tokens, p);
        if (out->Columns.isEmpty() && !columnName.isEmpty())
            out->Columns = QStringList{columnName};
        return !out->Columns.isEmpty();
    }
    if (t.isWord("FOREIGN")) {
        qsizetype p = pos + 1;
        if (p < tokens.size() && tokens.at(p).isWord("KEY"))
            ++p;
        out->Type = adKeyForeign;
        out->Columns = nameList(tokens, p);
        return !out->Columns.isEmpty();
    }
    if (t.isWord("REFERENCES") && !columnName.isEmpty()) {
        out->Type = adKeyForeign;
        out->Columns = QStringList{columnName};
        return true;
    }
    return false;
}

} // namespace

QList<NamedConstraint> parseSqliteConstraintNames(const QString &createSql)
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
        const bool tableConstraint = first.isWord("CONSTRAINT") || first.isWord("PRIMARY")
                                     || first.isWord("UNIQUE") || first.isWord("FOREIGN") || first.isWord("CHECK");
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

namespace {

bool sameColumns(const QStringList &a, const QStringList &b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (a.at(i).compare(b.at(i), Qt::CaseInsensitive) != 0)
            return false;
    }
    return true;
}

QString constraintName(const QList<NamedConstraint> &named, int type, const QStringList &columns)
{
    for (const NamedConstraint &c : named) {
        if (c.Type == type && sameColumns(c.Columns, columns))
            return c.Name;
    }
    return {};
}

class SqliteCatalogReader : public CatalogReader
{
public:
    bool readTableNames(CatalogQueries &queries, QStringList *names) const override
    {
        QSqlQuery query(queries.database());
        if (!queries.run(query, QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' "
                                               "AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\' ORDER BY name")))
            return false;
        while (query.next())
            names->append(query.value(0).toString());
        return true;
    }

    bool readTable(CatalogQueries &queries, CatalogTable *table) const override
    {
        const QString literal = queries.dialect().QuoteText(table->Name);
        QList<NamedConstraint> named;
        {
            QSqlQuery query(queries.database());
            if (!queries.run(query, QStringLiteral("SELECT sql FROM sqlite_master WHERE type = 'table' AND name = ")
                                        + literal))
                return false;
            if (query.next())
                named = parseSqliteConstraintNames(query.value(0).toString());
        }

        QList<QPair<int, QString>> primary;   // key position, column
        {
            QSqlQuery query(queries.database());
            if (!queries.run(query, QStringLiteral("SELECT name, type, \"notnull\", dflt_value, pk "
                                                   "FROM pragma_table_info(%1) ORDER BY cid")
                                        .arg(literal)))
                return false;
            while (query.next()) {
                CatalogColumn column;
                column.Name = query.value(0).toString();
                column.NativeType = query.value(1).toString();
                column.Type = adoTypeOf(column.NativeType, &column.DefinedSize);
                column.Nullable = query.value(2).toInt() == 0;
                column.HasDefault = !query.value(3).isNull();
                column.DefaultValue = query.value(3).toString();
                column.Ordinal = int(table->Columns.size()) + 1;
                if (query.value(4).toInt() > 0)
                    primary.append({query.value(4).toInt(), column.Name});
                table->Columns.append(column);
            }
        }
        if (!primary.isEmpty()) {
            std::sort(primary.begin(), primary.end());
            CatalogKey key;
            key.Type = adKeyPrimary;
            for (const auto &entry : std::as_const(primary))
                key.Columns.append(entry.second);
            key.Name = constraintName(named, adKeyPrimary, key.Columns);
            table->Keys.append(key);
        }

        {
            QSqlQuery query(queries.database());
            if (!queries.run(query, QStringLiteral("SELECT il.name, il.\"unique\", il.origin, ii.name "
                                                   "FROM pragma_index_list(%1) il "
                                                   "JOIN pragma_index_info(il.name) ii "
                                                   "ORDER BY il.seq, ii.seqno")
                                        .arg(literal)))
                return false;
            while (query.next()) {
                const QString origin = query.value(2).toString();
                addIndexColumn(table->Indexes, query.value(0).toString(), query.value(3).toString(),
                               query.value(1).toInt() != 0, origin == QLatin1String("pk"),
                               origin == QLatin1String("u") || origin == QLatin1String("pk"));
            }
        }
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

        {
            QSqlQuery query(queries.database());
            if (!queries.run(query, QStringLiteral("SELECT id, \"table\", \"from\", \"to\" "
                                                   "FROM pragma_foreign_key_list(%1) ORDER BY id DESC, seq")
                                        .arg(literal)))
                return false;
            QList<CatalogKey> foreign;
            int currentId = -1;
            while (query.next()) {
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
            }
            for (CatalogKey &key : foreign) {
                key.Name = constraintName(named, adKeyForeign, key.Columns);
                table->Keys.append(key);
            }
        }
        return true;
    }

    bool readReferencingTables(CatalogQueries &queries, const QString &table, QStringList *names) const override
    {
        QSqlQuery query(queries.database());
        if (!queries.run(query, QStringLiteral("SELECT DISTINCT m.name FROM sqlite_master m "
                                               "JOIN pragma_foreign_key_list(m.name) f "
                                               "WHERE m.type = 'table' AND lower(f.\"table\") = lower(%1) "
                                               "ORDER BY m.name")
                                    .arg(queries.dialect().QuoteText(table))))
            return false;
        while (query.next())
            names->append(query.value(0).toString());
        return true;
    }

    int adoTypeOf(const QString &nativeType, int *size) const override
    {
        // The declared type decides, by the words it contains, much as SQLite finds a column's
        // affinity.
        const QString t = nativeType.trimmed().toUpper();
        const int length = typeLength(t);
        int textSize = 0;
        int type = adEmpty;
        auto has = [&t](const char *word) { return t.contains(QLatin1String(word)); };
        if (t.isEmpty())
            type = adEmpty;
        else if (has("BOOL") || t == QLatin1String("BIT") || t.startsWith(QLatin1String("BIT(")))
            type = adBoolean;
        else if (has("VARCHAR") || has("VARYING") || has("VARCHAR2")) {
            type = adVarWChar;
            textSize = length;
        } else if (has("TEXT") || has("CLOB") || has("MEMO") || has("NOTE"))
            type = adLongVarWChar;
        else if (has("CHAR")) {
            type = adChar;
            textSize = length;
        } else if (has("GUID") || has("UUID") || has("UNIQUEIDENTIFIER"))
            type = adGUID;
        else if (has("DATE") || has("TIME"))
            type = adDate;
        else if (has("TINYINT"))
            type = adTinyInt;
        else if (has("SMALLINT") || has("INT2"))
            type = adSmallInt;
        else if (has("BIGINT") || has("INT8"))
            type = adBigInt;
        else if (has("INT"))
            type = adInteger;
        else if (has("DOUBLE") || has("FLOAT8"))
            type = adDouble;
        else if (has("FLOAT4") || has("REAL") || has("SINGLE"))
            type = adSingle;
        else if (has("FLOAT"))
            type = adDouble;   // SQLite keeps FLOAT in eight bytes, like DOUBLE
        else if (has("MONEY") || has("CURRENCY"))
            type = adCurrency;
        else if (has("DEC") || has("NUMERIC"))
            type = adNumeric;
        else if (has("VARBINARY")) {
            type = adVarBinary;
            textSize = length;
        } else if (has("BLOB") || has("BINARY"))
            type = adLongVarBinary;
        if (size)
            *size = textSize;
        return type;
    }
};

} // namespace

std::unique_ptr<CatalogReader> createSqliteCatalogReader()
{
    return std::make_unique<SqliteCatalogReader>();
}

} // namespace KvoPlx800SCtl::HostKit::detail
