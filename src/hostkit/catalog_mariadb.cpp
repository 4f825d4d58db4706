// The schema catalog on MariaDB: information_schema of the connection's database (DATABASE()).

#include "adotypes.h"
#include "catalogreader_p.h"

#include <QSet>
#include <QSqlQuery>
#include <QVariant>

namespace KvoPlx800SCtl::HostKit::detail {

namespace {

struct TypeName
{
    const char *name;
    int type;
    bool sized;
};

const TypeName mariaDbTypes[] = {
    {"tinyint", adTinyInt, false},
    {"smallint", adSmallInt, false},
    {"mediumint", adInteger, false},
    {"int", adInteger, false},
    {"integer", adInteger, false},
    {"bigint", adBigInt, false},
    {"float", adSingle, false},
    {"double", adDouble, false},
    {"double precision", adDouble, false},
    {"real", adDouble, false},
    {"decimal", adNumeric, false},
    {"numeric", adNumeric, false},
    {"bool", adBoolean, false},
    {"boolean", adBoolean, false},
    {"varchar", adVarWChar, true},
    {"nvarchar", adVarWChar, true},
    {"char", adChar, true},
    {"nchar", adChar, true},
    {"tinytext", adLongVarWChar, false},
    {"text", adLongVarWChar, false},
    {"mediumtext", adLongVarWChar, false},
    {"longtext", adLongVarWChar, false},
    {"datetime", adDate, false},
    {"timestamp", adDate, false},
    {"date", adDate, false},
    {"time", adDate, false},
    {"uuid", adGUID, false},
    {"binary", adBinary, true},
    {"varbinary", adVarBinary, true},
    {"tinyblob", adLongVarBinary, false},
    {"blob", adLongVarBinary, false},
    {"mediumblob", adLongVarBinary, false},
    {"longblob", adLongVarBinary, false},
};

class MariaDbCatalogReader : public CatalogReader
{
public:
    bool readTableNames(CatalogQueries &queries, QStringList *names) const override
    {
        QSqlQuery query(queries.database());
        if (!queries.run(query, QStringLiteral("SELECT TABLE_NAME FROM information_schema.TABLES "
                                               "WHERE TABLE_SCHEMA = DATABASE() AND TABLE_TYPE = 'BASE TABLE' "
                                               "ORDER BY TABLE_NAME")))
            return false;
        while (query.next())
            names->append(query.value(0).toString());
        return true;
    }

    bool readTable(CatalogQueries &queries, CatalogTable *table) const override
    {
        const QString name = queries.dialect().QuoteText(table->Name);
        {
            QSqlQuery query(queries.database());
            if (!queries.run(query, QStringLiteral("SELECT COLUMN_NAME, COLUMN_TYPE, IS_NULLABLE, COLUMN_DEFAULT "
                                                   "FROM information_schema.COLUMNS "
                                                   "WHERE TABLE_SCHEMA = DATABASE() AND TABLE_NAME = %1 "
                                                   "ORDER BY ORDINAL_POSITION")
                                        .arg(name)))
                return false;
            while (query.next()) {
                CatalogColumn column;
                column.Name = query.value(0).toString();
                column.NativeType = query.value(1).toString();
                column.Type = adoTypeOf(column.NativeType, &column.DefinedSize);
                column.Nullable = query.value(2).toString() == QLatin1String("YES");
                // The default is an SQL expression; a nullable field without one reports NULL.
                const QVariant def = query.value(3);
                column.HasDefault = !def.isNull() && def.toString() != QLatin1String("NULL");
                column.DefaultValue = column.HasDefault ? def.toString() : QString();
                column.Ordinal = int(table->Columns.size()) + 1;
                table->Columns.append(column);
            }
        }
        {
            QSqlQuery query(queries.database());
            if (!queries.run(query,
                             QStringLiteral("SELECT tc.CONSTRAINT_NAME, tc.CONSTRAINT_TYPE, k.COLUMN_NAME, "
                                            "k.REFERENCED_TABLE_NAME, k.REFERENCED_COLUMN_NAME "
                                            "FROM information_schema.TABLE_CONSTRAINTS tc "
                                            "JOIN information_schema.KEY_COLUMN_USAGE k "
                                            "ON k.CONSTRAINT_SCHEMA = tc.CONSTRAINT_SCHEMA "
                                            "AND k.TABLE_NAME = tc.TABLE_NAME AND k.CONSTRAINT_NAME = tc.CONSTRAINT_NAME "
                                            "WHERE tc.TABLE_SCHEMA = DATABASE() AND tc.TABLE_NAME = %1 "
                                            "AND tc.CONSTRAINT_TYPE IN ('PRIMARY KEY', 'UNIQUE', 'FOREIGN KEY') "
                                            "ORDER BY CASE tc.CONSTRAINT_TYPE WHEN 'PRIMARY KEY' THEN 0 "
                                            "WHEN 'UNIQUE' THEN 1 ELSE 2 END, tc.CONSTRAINT_NAME, k.ORDINAL_POSITION")
                                 .arg(name)))
                return false;
            while (query.next()) {
                const QString kind = query.value(1).toString();
                const int type = kind == QLatin1String("PRIMARY KEY") ? adKeyPrimary
                                 : kind == QLatin1String("UNIQUE")    ? adKeyUnique
                                                                      : adKeyForeign;
                addKeyColumn(table->Keys, query.value(0).toString(), type, query.value(2).toString(),
                             query.value(3).toString(), query.value(4).toString());
            }
        }
        QSet<QString> keyIndexes;
        for (const CatalogKey &key : std::as_const(table->Keys)) {
            if (key.Type != adKeyForeign)
                keyIndexes.insert(key.Name);
        }
        {
            QSqlQuery query(queries.database());
            if (!queries.run(query, QStringLiteral("SELECT INDEX_NAME, NON_UNIQUE, COLUMN_NAME "
                                                   "FROM information_schema.STATISTICS "
                                                   "WHERE TABLE_SCHEMA = DATABASE() AND TABLE_NAME = %1 "
                                                   "ORDER BY INDEX_NAME <> 'PRIMARY', INDEX_NAME, SEQ_IN_INDEX")
                                        .arg(name)))
                return false;
            while (query.next()) {
                const QString index = query.value(0).toString();
                addIndexColumn(table->Indexes, index, query.value(2).toString(), query.value(1).toInt() == 0,
                               index == QLatin1String("PRIMARY"), keyIndexes.contains(index));
            }
        }
        return true;
    }

    bool readReferencingTables(CatalogQueries &queries, const QString &table, QStringList *names) const override
    {
        QSqlQuery query(queries.database());
        if (!queries.run(query, QStringLiteral("SELECT DISTINCT TABLE_NAME FROM information_schema.REFERENTIAL_CONSTRAINTS "
                                               "WHERE CONSTRAINT_SCHEMA = DATABASE() AND REFERENCED_TABLE_NAME = %1 "
                                               "ORDER BY TABLE_NAME")
                                    .arg(queries.dialect().QuoteText(table))))
            return false;
        while (query.next())
            names->append(query.value(0).toString());
        return true;
    }

    int adoTypeOf(const QString &nativeType, int *size) const override
    {
        QString t = nativeType.trimmed().toLower();
        // Character set and collation words follow the type itself.
        for (const char *word : {" character set", " charset", " collate"}) {
            const qsizetype at = t.indexOf(QLatin1String(word));
            if (at > 0)
                t.truncate(at);
        }
        const int length = typeLength(t);
        const bool isUnsigned = t.contains(QLatin1String("unsigned"));
        const qsizetype open = t.indexOf(QLatin1Char('('));
        const qsizetype close = open >= 0 ? t.indexOf(QLatin1Char(')'), open) : -1;
        const QString arguments = open >= 0 ? t.mid(open + 1, close - open - 1).trimmed() : QString();
        if (open >= 0)
            t = (t.left(open) + (close >= 0 ? t.mid(close + 1) : QString())).simplified();
        t.remove(QLatin1String(" unsigned")).remove(QLatin1String(" zerofill"));
        t = t.simplified();
        if (size)
            *size = 0;
        // tinyint(1) and bit(1) are how MariaDB keeps Booleans.
        if ((t == QLatin1String("tinyint") || t == QLatin1String("bit")) && arguments == QLatin1String("1"))
            return adBoolean;
        if (t == QLatin1String("tinyint") && isUnsigned)
            return adUnsignedTinyInt;
        for (const TypeName &entry : mariaDbTypes) {
            if (t == QLatin1String(entry.name)) {
                if (size && entry.sized)
                    *size = length;
                return entry.type;
            }
        }
        return adEmpty;
    }
};

} // namespace

std::unique_ptr<CatalogReader> createMariaDbCatalogReader()
{
    return std::make_unique<MariaDbCatalogReader>();
}

} // namespace KvoPlx800SCtl::HostKit::detail
