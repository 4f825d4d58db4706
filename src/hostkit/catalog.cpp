#include "catalog.h"

#include "adotypes.h"

#include "catalogreader_p.h"
#include "connection.h"

#include <QRegularExpression>
#include <QSqlError>

namespace KvoPlx800SCtl::HostKit {

bool sameFieldNames(const QStringList &a, const QStringList &b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (!sameName(a.at(i), b.at(i)))
            return false;
    }
    return true;
}

// CatalogTable ------------------------------------------------------------------------------

const CatalogColumn *CatalogTable::FindColumn(const QString &name) const
{
    for (const CatalogColumn &column : Columns) {
        if (column.Name == name)
            return &column;
    }
    for (const CatalogColumn &column : Columns) {
        if (sameName(column.Name, name))
            return &column;
    }
    return nullptr;
}

const CatalogKey *CatalogTable::primaryKey() const
{
    for (const CatalogKey &key : Keys) {
        if (key.Type == adKeyPrimary)
            return &key;
    }
    return nullptr;
}

QList<const CatalogKey *> CatalogTable::keysOfType(int type) const
{
    QList<const CatalogKey *> result;
    for (const CatalogKey &key : Keys) {
        if (key.Type == type)
            result.append(&key);
    }
    return result;
}

const CatalogIndex *CatalogTable::findIndex(const QString &name) const
{
    for (const CatalogIndex &index : Indexes) {
        if (sameName(index.Name, name))
            return &index;
    }
    return nullptr;
}

// Catalog -----------------------------------------------------------------------------------

Catalog::Catalog(Connection &connection)
    : m_connection(connection), m_reader(connection.dialect().createCatalogReader())
{
}

Catalog::~Catalog() = default;

QStringList Catalog::tableNames()
{
    if (!m_namesLoaded)
        loadTableNames();
    return m_names;
}

std::shared_ptr<const CatalogTable> Catalog::FindTable(const QString &name)
{
    if (name.isEmpty())
        return nullptr;
    if (!m_namesLoaded && !loadTableNames())
        return nullptr;

    QString actual;
    if (m_names.contains(name))
        actual = name;
    else
        actual = m_folded.value(name.toLower());
    if (actual.isEmpty())
        return nullptr;

    const auto cached = m_tables.constFind(actual);
    if (cached != m_tables.constEnd())
        return cached.value();
    auto table = loadTable(actual);
    if (table)
        m_tables.insert(actual, table);
    return table;
}

void Catalog::Refresh()
{
    m_namesLoaded = false;
    m_names.clear();
    m_folded.clear();
    m_tables.clear();
}

void Catalog::Refresh(const QString &table)
{
    // A table that was created, dropped or renamed changes the name list too.
    m_namesLoaded = false;
    m_names.clear();
    m_folded.clear();
    Changed(table);
}

void Catalog::Changed(const QString &table)
{
    for (auto it = m_tables.begin(); it != m_tables.end();) {
        if (sameName(it.key(), table))
            it = m_tables.erase(it);
        else
            ++it;
    }
}

void Catalog::ColumnsAdded(const QString &table, const QList<CatalogColumn> &columns)
{
    for (auto it = m_tables.begin(); it != m_tables.end(); ++it) {
        if (!sameName(it.key(), table))
            continue;
        auto changed = std::make_shared<CatalogTable>(*it.value());
        for (CatalogColumn column : columns) {
            column.Ordinal = int(changed->Columns.size()) + 1;
            changed->Columns.append(column);
        }
        it.value() = changed;
    }
}

namespace {

// The list one read of the reader gives; empty when the engine has no reader or the read fails.
template <typename Read>
QStringList readList(detail::CatalogReader *reader, Connection &connection, int &count, QString &error, Read read)
{
    QStringList list;
    if (!reader)
        return list;
    detail::CatalogQueries queries(connection, count, error);
    if (!read(*reader, queries, &list))
        list.clear();
    return list;
}

} // namespace

QStringList Catalog::referencingTables(const QString &table)
{
    return readList(m_reader.get(), m_connection, m_queryCount, m_lastError,
                    [&](detail::CatalogReader &reader, detail::CatalogQueries &queries, QStringList *names) {
                        return reader.readReferencingTables(queries, table, names);
                    });
}

QStringList Catalog::triggerDefinitions(const QString &table)
{
    return readList(m_reader.get(), m_connection, m_queryCount, m_lastError,
                    [&](detail::CatalogReader &reader, detail::CatalogQueries &queries, QStringList *statements) {
                        return reader.readTriggerDefinitions(queries, table, statements);
                    });
}

int Catalog::adoTypeOf(const QString &nativeType, int *size) const
{
    if (size)
        *size = 0;
    return m_reader ? m_reader->adoTypeOf(nativeType, size) : 0;
}

int Catalog::reportedType(int adoType, int size, int *reportedSize) const
{
    const Dialect &dialect = m_connection.dialect();
    int length = 0;
    int type = adoTypeOf(dialect.columnType(adoType, size), &length);
    if (type == 0) {
        type = dialect.storedAdoType(adoType);
        length = size;
    }
    if (reportedSize)
        *reportedSize = length;
    return type;
}

bool Catalog::loadTableNames()
{
    m_names.clear();
    m_folded.clear();
    if (!m_reader) {
        m_lastError = QStringLiteral("The catalog of %1 databases cannot be read.")
                          .arg(m_connection.dialect().engineName());
        return false;
    }
    detail::CatalogQueries queries(m_connection, m_queryCount, m_lastError);
    QStringList names;
    if (!m_reader->readTableNames(queries, &names))
        return false;
    m_names = names;
    for (const QString &n : std::as_const(m_names)) {
        const QString key = n.toLower();
        if (!m_folded.contains(key))
            m_folded.insert(key, n);
    }
    m_namesLoaded = true;
    return true;
}

std::shared_ptr<const CatalogTable> Catalog::loadTable(const QString &name)
{
    if (!m_reader)
        return nullptr;
    detail::CatalogQueries queries(m_connection, m_queryCount, m_lastError);
    auto table = std::make_shared<CatalogTable>();
    table->Name = name;
    if (!m_reader->readTable(queries, table.get()))
        return nullptr;
    return table;
}

// Reader helpers ----------------------------------------------------------------------------

namespace detail {

CatalogReader::~CatalogReader() = default;

CatalogQueries::CatalogQueries(Connection &connection, int &counter, QString &error)
    : m_connection(connection), m_counter(counter), m_error(error)
{}

const Dialect &CatalogQueries::dialect() const { return m_connection.dialect(); }

QSqlDatabase &CatalogQueries::database() { return m_connection.database(); }

bool CatalogQueries::run(QSqlQuery &query, const QString &sql)
{
    ++m_counter;
    query.setForwardOnly(true);
    if (m_connection.run(query, sql))
        return true;
    if (!query.lastError().isValid()) {
        m_error = m_connection.lastError();
        return false;
    }
    m_error = query.lastError().text();
    if (m_error.trimmed().isEmpty())
        m_error = QStringLiteral("Catalog query failed: %1").arg(sql);
    return false;
}

bool CatalogQueries::forEachRow(const QString &sql, const std::function<void(const QSqlQuery &)> &row)
{
    QSqlQuery query(database());
    if (!run(query, sql))
        return false;
    while (query.next())
        row(query);
    return true;
}

bool CatalogQueries::readNames(const QString &sql, QStringList *names)
{
    return forEachRow(sql, [names](const QSqlQuery &query) { names->append(query.value(0).toString()); });
}

void CatalogReader::addColumn(CatalogTable *table, const QString &name, const QString &nativeType, bool nullable,
                              const QVariant &defaultSql) const
{
    CatalogColumn column;
    column.Name = name;
    column.NativeType = nativeType;
    column.Type = adoTypeOf(nativeType, &column.DefinedSize);
    column.Nullable = nullable;
    column.HasDefault = !defaultSql.isNull();
    column.DefaultValue = defaultSql.toString();
    column.Ordinal = int(table->Columns.size()) + 1;
    table->Columns.append(column);
}

int typeLength(const QString &nativeType)
{
    static const QRegularExpression length(QStringLiteral("\\(\\s*(\\d+)"));
    const auto match = length.match(nativeType);
    return match.hasMatch() ? match.captured(1).toInt() : 0;
}

void addKeyColumn(QList<CatalogKey> &keys, const QString &name, int type, const QString &column,
                  const QString &relatedTable, const QString &relatedColumn)
{
    CatalogKey *key = nullptr;
    for (CatalogKey &k : keys) {
        if (k.Name == name && k.Type == type) {
            key = &k;
            break;
        }
    }
    if (!key) {
        CatalogKey k;
        k.Name = name;
        k.Type = type;
        k.RelatedTable = relatedTable;
        keys.append(k);
        key = &keys.last();
    }
    key->Columns.append(column);
    if (type == adKeyForeign)
        key->RelatedColumns.append(relatedColumn);
}

int namedType(std::span<const TypeName> names, const QString &type, int length, int *size)
{
    for (const TypeName &entry : names) {
        if (type == QLatin1String(entry.name)) {
            if (size)
                *size = entry.sized ? length : 0;
            return entry.type;
        }
    }
    if (size)
        *size = 0;
    return adEmpty;
}

void addKeyRow(QList<CatalogKey> &keys, const QSqlQuery &row, QLatin1StringView primary, QLatin1StringView unique)
{
    const QString kind = row.value(1).toString();
    const int type = kind == primary ? adKeyPrimary : kind == unique ? adKeyUnique : adKeyForeign;
    addKeyColumn(keys, row.value(0).toString(), type, row.value(2).toString(), row.value(3).toString(),
                 row.value(4).toString());
}

void addIndexColumn(QList<CatalogIndex> &indexes, const QString &name, const QString &column, bool unique,
                    bool primaryKey, bool behindKey, bool prefixSearch)
{
    for (CatalogIndex &index : indexes) {
        if (index.Name == name) {
            index.Columns.append(column);
            return;
        }
    }
    CatalogIndex index;
    index.Name = name;
    index.Columns.append(column);
    index.Unique = unique;
    index.PrimaryKey = primaryKey;
    index.BehindKey = behindKey || primaryKey;
    index.PrefixSearch = prefixSearch;
    indexes.append(index);
}

} // namespace detail

} // namespace KvoPlx800SCtl::HostKit
