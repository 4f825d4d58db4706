#include "searchtables.h"

#include "cfiltercolumn.h"
#include "core/columntypes.h"
#include "core/conversions.h"
#include "core/sqlsupport.h"

#include "hostkit/adotypes.h"
#include "hostkit/connection.h"
#include "hostkit/databasehandler.h"
#include "hostkit/dialect.h"

namespace KvoPlx800SCtl {

using namespace HostKit;

void SearchTables::setHost(IDatabaseHandler *handler, Catalog *catalog, IBaseTableStructure *baseStructure)
{
    m_handler = handler;
    m_catalog = catalog;
    m_baseStructure = baseStructure;
}

void SearchTables::setBase(const QString &baseTableName, const CatalogColumn &keyColumn)
{
    m_baseTableName = baseTableName;
    m_keyColumn = keyColumn;
}

void SearchTables::setOfflineDialect(std::unique_ptr<Dialect> dialect) { m_offlineDialect = std::move(dialect); }

Connection *SearchTables::connection() const { return m_catalog ? &m_catalog->ActiveConnection() : nullptr; }

const Dialect *SearchTables::dialect() const
{
    if (m_offlineDialect)
        return m_offlineDialect.get();
    return m_catalog ? &m_catalog->ActiveConnection().dialect() : nullptr;
}

QString SearchTables::keywordTable(const QString &column) const
{
    return m_baseTableName + QStringLiteral("SearchKeyword") + column;
}

QString SearchTables::tableOf(const QString &baseTableName, const CFilterColumn *column)
{
    if (column && ColumnTypes::isKeyword(column->ColumnType()))
        return baseTableName + QStringLiteral("SearchKeyword") + column->Name();
    return baseTableName + QStringLiteral("SearchData");
}

QString SearchTables::picklistTable(const QString &column) const
{
    return QStringLiteral("Picklist") + m_baseTableName + column;
}

int SearchTables::maxColumnNameLength() const
{
    // The longest derived name is "PK_" + base table + "SearchKeyword" + column; it must fit 63
    // bytes (PostgreSQL's limit, one less than MariaDB's).
    const Dialect *d = dialect();
    const int limit = qMin(63, d ? d->maxIdentifierLength() : 63);
    return limit - int(QStringLiteral("PK_SearchKeyword").toUtf8().size()) - int(m_baseTableName.toUtf8().size());
}

QString SearchTables::keyLiteral(qint32 id) const
{
    const Dialect *d = dialect();
    const QString decimal = QString::number(id);
    if (m_keyColumn && adoFamily(m_keyColumn->Type) == AdoFamily::Text && d)
        return d->QuoteText(decimal);
    return decimal;
}

QString SearchTables::seekCriterion(qint32 id) const
{
    const Dialect *d = dialect();
    if (!m_keyColumn || !d)
        return {};
    return d->QuoteName(m_keyColumn->Name) + QStringLiteral(" = ") + keyLiteral(id);
}

TableDistribution SearchTables::baseDistribution() const
{
    const Dialect *d = dialect();
    if (!d || !d->distributesTables() || !m_catalog)
        return {};
    const auto base = m_catalog->FindTable(m_baseTableName);
    return base ? base->Distribution : TableDistribution{};
}

TableDistribution SearchTables::recordTablesDistribution() const
{
    const TableDistribution base = baseDistribution();
    TableDistribution result;
    if (base.kind == TableDistribution::Reference || !m_keyColumn) {
        result.kind = base.kind;
    } else if (base.kind == TableDistribution::Distributed) {
        result.kind = TableDistribution::Distributed;
        result.column = m_keyColumn->Name;
        if (sameName(base.column, m_keyColumn->Name))
            result.colocateWith = m_baseTableName;
    }
    return result;
}

TableDistribution SearchTables::copiedTablesDistribution() const
{
    TableDistribution result;
    if (!baseDistribution().isLocal())
        result.kind = TableDistribution::Reference;
    return result;
}

TableStructure SearchTables::definitionStructure() const
{
    const int length = m_handler ? m_handler->DefaultTextLength() : 255;
    const QString def = definitionTable();
    TableStructure s(def);
    s.addField(QStringLiteral("BaseTable"), adVarWChar, length, false);
    s.addField(QStringLiteral("Position"), adInteger, 0, false);
    s.addField(QStringLiteral("Name"), adVarWChar, length, false);
    s.addField(QStringLiteral("Type"), adInteger);
    s.addField(QStringLiteral("Size"), adSmallInt);
    s.addField(QStringLiteral("Caption"), adVarWChar, length);
    s.addField(QStringLiteral("Description"), adVarWChar, length);
    s.addField(QStringLiteral("IsPicklist"), adBoolean);
    s.addField(QStringLiteral("PicklistAllowBlanks"), adBoolean);
    s.addField(QStringLiteral("PicklistDefault"), adVarWChar, length);
    // The newer layout; an older definition table lacks these fields until it is converted.
    s.addField(QStringLiteral("DateTimeDefaultMode"), adInteger, 0, true, QStringLiteral("0")).Optional = true;
    s.addField(QStringLiteral("DateTimeDefaultValue"), adDate).Optional = true;
    s.addField(QStringLiteral("DisableEditDateTime"), adBoolean, 0, true, QStringLiteral("0")).Optional = true;
    s.addKey(QStringLiteral("PK_") + def, KeyKind::Primary, {QStringLiteral("BaseTable"), QStringLiteral("Name")});
    s.addKey(QStringLiteral("UK_") + def, KeyKind::Unique, {QStringLiteral("BaseTable"), QStringLiteral("Position")});
    s.addIndex(QStringLiteral("BaseTableIndex"), {QStringLiteral("BaseTable")});
    s.addIndex(QStringLiteral("ColumnNameField"), {QStringLiteral("Name")});
    s.Distribution = copiedTablesDistribution();
    return s;
}

TableStructure SearchTables::columnStructure(const CFilterColumn *column) const
{
    const QString table = tableOf(column);
    TableStructure s(table);
    require(m_keyColumn.has_value(), QStringLiteral("the base table's key column is not known"));
    s.Distribution = recordTablesDistribution();
    const bool textKey = m_keyColumn->Type == adVarWChar;
    s.addField(m_keyColumn->Name, m_keyColumn->Type, textKey ? m_keyColumn->DefinedSize : 0, false);
    if (column && ColumnTypes::isKeyword(column->ColumnType())) {
        s.addField(column->Name(), adVarWChar, CFilterColumn::TextLengthInDB(), false);
        s.addKey(QStringLiteral("PK_") + table, KeyKind::Primary, {m_keyColumn->Name, column->Name()});
        // Filters look records up by keyword: this index leads with the keyword and carries the
        // record key, so the records of a keyword are read from the index alone.
        s.addIndex(QStringLiteral("IX_") + table, {column->Name(), m_keyColumn->Name});
        return s;
    }
    if (column) {
        const int type = ColumnTypes::adoType(column->ColumnType());
        const Dialect *d = dialect();
        s.addField(column->Name(), type, type == adVarWChar ? CFilterColumn::TextLengthInDB() : 0, true,
                   d ? columnLiteral(*d, column->ColumnType(), column->DefaultValue(Convert::now())) : QString());
        // The name fits wherever the keyword table's key name of the column fits. The index carries
        // the record key, so a filter reads the keys of the matching records from the index alone
        // (where an index does not carry the table's key by itself, as on PostgreSQL). A text field's
        // index also serves "starts with" (LIKE 'prefix%'), the most common text filter.
        if (m_indexedFields && column->ColumnType() != fcNote && column->ColumnType() != fcBoolean)
            s.addIndex(QStringLiteral("IX_") + table + column->Name(), {column->Name(), m_keyColumn->Name}, false,
                       type == adVarWChar);
    }
    s.addKey(QStringLiteral("PK_") + table, KeyKind::Primary, {m_keyColumn->Name});
    return s;
}

} // namespace KvoPlx800SCtl
