#include "cfiltercolumns.h"

#include "core/columntypes.h"
#include "core/conversions.h"
#include "core/sqlsupport.h"
#include "core/tracescope.h"

#include "hostkit/adotypes.h"
#include "hostkit/basetablestructure.h"
#include "hostkit/connection.h"
#include "hostkit/databasehandler.h"
#include "hostkit/databasehelper.h"
#include "hostkit/dialect.h"
#include "hostkit/progress.h"
#include "hostkit/recordset.h"
#include "hostkit/resourcetexts.h"
#include "hostkit/texthelper.h"

#include <QSet>

#include <algorithm>

namespace KvoPlx800SCtl {

using namespace HostKit;

namespace {
constexpr const char *Module = "CFilterColumns";

QString def() { return QString::fromLatin1(CFilterColumns::DefinitionTableName); }

// Field values of a definition row.
QString textField(const RecordSet &rs, const char *name)
{
    const QVariant v = rs.value(QString::fromLatin1(name));
    return v.isNull() ? QString() : v.toString();
}

int intField(const RecordSet &rs, const char *name, int fallback = 0)
{
    const QVariant v = rs.value(QString::fromLatin1(name));
    if (v.isNull())
        return fallback;
    bool ok = false;
    const int n = v.toInt(&ok);
    return ok ? n : fallback;
}

bool boolField(const RecordSet &rs, const char *name)
{
    const Variant v = Convert::fromDatabase(rs.value(QString::fromLatin1(name)), fcBoolean);
    return v.hasValue() && v.toBool();
}

} // namespace

CFilterColumns::CFilterColumns() = default;

CFilterColumns::~CFilterColumns() = default;

Connection *CFilterColumns::connection() const { return m_catalog ? &m_catalog->ActiveConnection() : nullptr; }

const Dialect *CFilterColumns::dialect() const
{
    if (m_offlineDialect)
        return m_offlineDialect.get();
    return m_catalog ? &m_catalog->ActiveConnection().dialect() : nullptr;
}

void CFilterColumns::SetupOffline(IDatabaseHandler *handler, const QString &baseTableName,
                                  const CatalogColumn &keyColumn, std::unique_ptr<Dialect> dialect)
{
    m_handler = handler;
    m_baseTableName = baseTableName;
    m_keyColumn = keyColumn;
    m_offlineDialect = std::move(dialect);
    m_status = kvoFCSNoColumnsDefined;
}

// --- Set-up ---------------------------------------------------------------------------------

void CFilterColumns::Setup(IDatabaseHandler *roHandler, ISearchBaseTable *roBaseTable, Catalog *roCatalog,
                           IUserProfile *roProfile, int enmConvertMode, IBaseTableStructure *roBaseStructure)
{
    traced("Setup", Module, [&] {
        if (!roBaseTable || !roBaseStructure)
            m_status = kvoFCSMissingBaseTable;
        m_baseTable = roBaseTable;
        m_baseStructure = roBaseStructure;
        m_profile = roProfile;
        if (!roHandler) {
            m_status = kvoFCSMissingDatabaseHandler;
            return;
        }
        m_handler = roHandler;
        if (!roCatalog) {
            m_status = kvoFCSMissingDatabase;
            return;
        }
        m_catalog = roCatalog;
        m_convertMode = enmConvertMode;

        require(m_baseTable != nullptr, QStringLiteral("no base-table interface"));
        const auto table = DatabaseHelper::FindTable(*m_catalog, m_baseTable->TableName());
        if (!table) {
            m_status = kvoFCSBaseTableNotDefined;
            return;
        }
        m_baseTableName = table->Name;

        require(m_baseStructure != nullptr, QStringLiteral("no base-table structure"));
        const QList<BaseIndexDefinition> indexes = m_baseStructure->IndexDefinitions();
        const auto primary = std::find_if(indexes.begin(), indexes.end(),
                                          [](const BaseIndexDefinition &i) { return i.Kind == IndexKind::Primary; });
        if (primary == indexes.end() || primary->Columns.isEmpty()) {
            m_status = kvoFCSBaseTableMissingPrimaryIndex;
            return;
        }
        if (primary->Columns.size() >= 2) {
            m_status = kvoFSCBaseTablePrimaryIndexSegmented;
            return;
        }
        const CatalogColumn *key = DatabaseHelper::FindColumn(table.get(), primary->Columns.first());
        if (!key) {
            m_status = kvoFCSBaseTableMissingPrimaryIndex;
            return;
        }
        m_keyColumn = *key;

        ColumnsFetch();
        if (Count() == 0) {
            m_status = kvoFCSNoColumnsDefined;
            return;
        }
        const TableStructure definition = MyStructureDefinition();
        if (definition.Compare(*m_catalog) && definition.Compare(*m_catalog, CompareKeyFields | CompareOptionalTypes))
            m_status = kvoFCSSuccess;
    });
}

// --- Collection -----------------------------------------------------------------------------

CFilterColumn *CFilterColumns::Add(const QString &strName, const QString &strCaption, const QString &strDescription,
                                   FilterColumnTypeConstants enmType, qint16 intTextLengthInUI, bool blnIsPicklist,
                                   bool blnPicklistAllowBlanks, const QString &strPicklistDefault,
                                   EFilterColumnDateTimeDefaultModeConstants enmDateTimeDefaultMode,
                                   const Variant &varDateTimeDefaultValue, bool blnDisableEditDateTime)
{
    return AddColumn(strName, strCaption, strDescription, enmType, intTextLengthInUI, blnIsPicklist,
                     blnPicklistAllowBlanks, strPicklistDefault, enmDateTimeDefaultMode, varDateTimeDefaultValue,
                     blnDisableEditDateTime, QString(), Count() + 1);
}

CFilterColumn *CFilterColumns::AddColumn(const QString &name, const QString &caption, const QString &description,
                                         FilterColumnTypeConstants type, qint16 textLengthInUI, bool isPicklist,
                                         bool allowBlanks, const QString &picklistDefault,
                                         EFilterColumnDateTimeDefaultModeConstants dtMode, const Variant &dtDefault,
                                         bool disableEditDateTime, const QString &mergeName, int position)
{
    return traced("Add", Module, static_cast<CFilterColumn *>(nullptr), [&](CFilterColumn *&result) {
        require(findByName(name) == nullptr, QStringLiteral("a column named \"%1\" exists already").arg(name));
        auto column = std::make_unique<CFilterColumn>(this);
        column->setName(name);
        column->setCaption(caption);
        column->setDescription(description);
        column->setColumnType(type);
        column->setTextLengthInUI(textLengthInUI);
        column->setIsPicklist(isPicklist);
        column->setPicklistAllowBlanks(allowBlanks);
        column->setPicklistDefault(picklistDefault);
        column->setDateTimeDefaultMode(dtMode);
        column->setDateTimeDefaultValue(dtDefault);
        column->setDisableEditDateTime(disableEditDateTime);
        column->setMergeName(mergeName);
        const int at = qBound(0, position - 1, int(m_columns.size()));
        result = column.get();
        m_columns.insert(m_columns.begin() + at, std::move(column));
        renumber();
        columnsChanged();
    });
}

bool CFilterColumns::Remove(const QString &name)
{
    return traced("Remove", Module, false, [&](bool &result) {
        const auto it = std::find_if(m_columns.begin(), m_columns.end(),
                                     [&](const auto &c) { return c->Name().compare(name, Qt::CaseInsensitive) == 0; });
        if (it == m_columns.end())
            return;
        m_columns.erase(it);
        renumber();
        columnsChanged();
        result = true;
    });
}

CFilterColumn *CFilterColumns::Item(int position) const
{
    if (position < 1 || position > Count())
        return nullptr;
    return m_columns[size_t(position - 1)].get();
}

CFilterColumn *CFilterColumns::findByName(const QString &name) const
{
    for (const auto &c : m_columns) {
        if (c->Name().compare(name, Qt::CaseInsensitive) == 0)
            return c.get();
    }
    return nullptr;
}

CFilterColumn *CFilterColumns::Item(const QString &nameOrCaption) const
{
    if (CFilterColumn *byName = findByName(nameOrCaption))
        return byName;
    for (const auto &c : m_columns) {
        if (c->Caption().compare(nameOrCaption, Qt::CaseInsensitive) == 0)
            return c.get();
    }
    return nullptr;
}

CFilterColumn *CFilterColumns::Item(const Variant &index) const
{
    if (index.isNumber())
        return Item(int(index.toInt32()));
    if (index.type() == Variant::Type::Text)
        return Item(index.toText());
    return nullptr;
}

QList<CFilterColumn *> CFilterColumns::NewEnum() const
{
    QList<CFilterColumn *> list;
    list.reserve(qsizetype(m_columns.size()));
    for (const auto &c : m_columns)
        list.append(c.get());
    return list;
}

void CFilterColumns::renumber()
{
    for (size_t i = 0; i < m_columns.size(); ++i)
        m_columns[i]->setIndex(qint16(i + 1));
}

void CFilterColumns::columnsChanged()
{
    m_hasKeyword.reset();
    m_hasStandard.reset();
}

bool CFilterColumns::HasKeywordColumns() const
{
    if (!m_hasKeyword)
        m_hasKeyword = std::any_of(m_columns.begin(), m_columns.end(),
                                   [](const auto &c) { return c->ColumnType() == fcKeyword; });
    return *m_hasKeyword;
}

bool CFilterColumns::HasStandardColumns() const
{
    if (!m_hasStandard)
        m_hasStandard = std::any_of(m_columns.begin(), m_columns.end(),
                                    [](const auto &c) { return c->ColumnType() != fcKeyword; });
    return *m_hasStandard;
}

bool CFilterColumns::MoveColumnUp(CFilterColumn *column)
{
    return traced("MoveColumnUp", Module, false, [&](bool &result) {
        if (!column || column->Index() <= 1 || column->Index() > Count())
            return;
        const size_t at = size_t(column->Index() - 1);
        require(m_columns[at].get() == column, QStringLiteral("the column is not in this set"));
        std::swap(m_columns[at], m_columns[at - 1]);
        renumber();
        result = true;
    });
}

bool CFilterColumns::MoveColumnDown(CFilterColumn *column)
{
    return traced("MoveColumnDown", Module, false, [&](bool &result) {
        if (!column || column->Index() < 1 || column->Index() >= Count())
            return;
        const size_t at = size_t(column->Index() - 1);
        require(m_columns[at].get() == column, QStringLiteral("the column is not in this set"));
        std::swap(m_columns[at], m_columns[at + 1]);
        renumber();
        result = true;
    });
}

// --- Table names ----------------------------------------------------------------------------

QString CFilterColumns::SearchDataTableName() const { return m_baseTableName + QStringLiteral("SearchData"); }

QString CFilterColumns::KeywordTableName(const CFilterColumn *column) const
{
    return m_baseTableName + QStringLiteral("SearchKeyword") + (column ? column->Name() : QString());
}

QString CFilterColumns::SearchTableName(const CFilterColumn *column) const
{
    return SearchTableNameFor(m_baseTableName, column);
}

QString CFilterColumns::SearchTableNameFor(const QString &baseTableName, const CFilterColumn *column) const
{
    if (column && column->ColumnType() == fcKeyword)
        return baseTableName + QStringLiteral("SearchKeyword") + column->Name();
    return baseTableName + QStringLiteral("SearchData");
}

QString CFilterColumns::PicklistTableName(const CFilterColumn *column) const
{
    return QStringLiteral("Picklist") + m_baseTableName + (column ? column->Name() : QString());
}

QString CFilterColumns::TemplateSection() const { return m_baseTableName + QStringLiteral("_Template"); }

int CFilterColumns::maxColumnNameLength() const
{
    // The longest derived name is "PK_" + base table + "SearchKeyword" + column; it must fit 63
    // bytes (PostgreSQL's limit, one less than MariaDB's).
    const Dialect *d = dialect();
    const int limit = qMin(63, d ? d->maxIdentifierLength() : 63);
    return limit - int(QStringLiteral("PK_SearchKeyword").toUtf8().size()) - int(m_baseTableName.toUtf8().size());
}

int CFilterColumns::nameClash(const QString &name, const QString &caption, const CFilterColumn *self) const
{
    const auto same = [](const QString &a, const QString &b) {
        return !a.isEmpty() && a.compare(b, Qt::CaseInsensitive) == 0;
    };
    if (m_catalog) {
        if (const auto table = DatabaseHelper::FindTable(*m_catalog, m_baseTableName)) {
            for (const CatalogColumn &field : table->Columns) {
                if (same(field.Name, name))
                    return 1;
                if (same(field.Name, caption))
                    return 2;
            }
        }
    }
    for (const auto &c : m_columns) {
        if (c.get() == self)
            continue;
        if (same(c->Name(), name))
            return 3;
        if (same(c->Name(), caption))
            return 4;
        if (same(c->Caption(), name))
            return 5;
        if (same(c->Caption(), caption))
            return 6;
    }
    return 0;
}

// --- Structures -----------------------------------------------------------------------------

TableStructure CFilterColumns::MyStructureDefinition() const
{
    const int length = m_handler ? m_handler->DefaultTextLength() : 255;
    TableStructure s(def());
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
    s.addKey(QStringLiteral("PK_") + def(), KeyKind::Primary, {QStringLiteral("BaseTable"), QStringLiteral("Name")});
    s.addKey(QStringLiteral("UK_") + def(), KeyKind::Unique, {QStringLiteral("BaseTable"), QStringLiteral("Position")});
    s.addIndex(QStringLiteral("BaseTableIndex"), {QStringLiteral("BaseTable")});
    s.addIndex(QStringLiteral("ColumnNameField"), {QStringLiteral("Name")});
    return s;
}

TableStructure CFilterColumns::MyStructureDefault(const CFilterColumn *column) const
{
    const QString table = SearchTableName(column);
    TableStructure s(table);
    require(m_keyColumn.has_value(), QStringLiteral("the base table's key column is not known"));
    const bool textKey = m_keyColumn->Type == adVarWChar;
    s.addField(m_keyColumn->Name, m_keyColumn->Type, textKey ? m_keyColumn->DefinedSize : 0, false);
    if (column && column->ColumnType() == fcKeyword) {
        s.addField(column->Name(), adVarWChar, CFilterColumn::TextLengthInDB(), false);
        s.addKey(QStringLiteral("PK_") + table, KeyKind::Primary, {m_keyColumn->Name, column->Name()});
        // Filters look records up by keyword: this index leads with the keyword and carries the
        // record key, so the records of a keyword are read from the index alone.
        s.addIndex(QStringLiteral("IX_") + table, {column->Name(), m_keyColumn->Name});
        return s;
    }
    if (column) {
        const int type = ColumnTypes::adoType(column->ColumnType());
        s.addField(column->Name(), type, type == adVarWChar ? CFilterColumn::TextLengthInDB() : 0, true,
                   column->DefaultValueSql(Convert::now()));
    }
    s.addKey(QStringLiteral("PK_") + table, KeyKind::Primary, {m_keyColumn->Name});
    return s;
}

// --- Definition table -----------------------------------------------------------------------

std::unique_ptr<RecordSet> CFilterColumns::OpenDefinitionTable()
{
    return traced("OpenDefinitionTable", Module, std::unique_ptr<RecordSet>(), [&](std::unique_ptr<RecordSet> &result) {
        Connection *db = connection();
        require(db != nullptr, QStringLiteral("no database connection"));
        if (!DatabaseHelper::FindTable(*m_catalog, def()))
            require(CreateDefinitionTable(), QStringLiteral("the definition table cannot be created"));
        result = db->OpenTable(def());
        require(result != nullptr, QStringLiteral("the definition table cannot be opened: ") + db->lastError());
    });
}

bool CFilterColumns::CreateDefinitionTable()
{
    return traced("CreateDefinitionTable", Module, false, [&](bool &result) {
        TableStructure s = MyStructureDefinition();
        if (!s.Create(*m_catalog))
            fail(QStringLiteral("creating the definition table failed: ") + s.lastError());
        result = true;
    });
}

bool CFilterColumns::belongsToBaseTable(const QString &baseTableOfRow)
{
    if (baseTableOfRow == m_baseTableName)
        return true;
    if (!m_baseTable || !m_baseTable->CheckTableIsRenamed())
        return false;
    for (int t = 1; t <= m_baseTable->CheckTableTableNameCount(); ++t) {
        for (int n = 1; n <= m_baseTable->CheckTableNameCount(); ++n) {
            const QString former = m_baseTable->CheckTableNameOld(t, n);
            if (!former.isEmpty() && former == baseTableOfRow) {
                if (!m_formerNamesFound.contains(former))
                    m_formerNamesFound.append(former);
                return true;
            }
        }
    }
    return false;
}

bool CFilterColumns::ColumnsFetch()
{
    return traced("ColumnsFetch", Module, false, [&](bool &result) {
        m_formerNamesFound.clear();
        m_needsConversion = false;
        std::unique_ptr<RecordSet> rs = OpenDefinitionTable();
        require(rs != nullptr, QStringLiteral("the definition table cannot be opened"));
        const bool hasMode = rs->hasField(QStringLiteral("DateTimeDefaultMode"));
        const bool hasValue = rs->hasField(QStringLiteral("DateTimeDefaultValue"));
        const bool hasDisable = rs->hasField(QStringLiteral("DisableEditDateTime"));
        const bool hasMerge = rs->hasField(QStringLiteral("MergeName"));
        m_needsConversion = !hasMode;

        struct Row
        {
            int position;
            int order;
            QString name;
        };
        std::vector<Row> rows;
        for (rs->MoveFirst(); !rs->EOF(); rs->MoveNext()) {
            if (belongsToBaseTable(textField(*rs, "BaseTable")))
                rows.push_back({intField(*rs, "Position"), rs->AbsolutePosition(), textField(*rs, "Name")});
        }
        std::stable_sort(rows.begin(), rows.end(), [](const Row &a, const Row &b) { return a.position < b.position; });

        // Columns already in memory keep their objects (and so the pointers a caller holds);
        // every definition attribute is read again.
        std::vector<std::unique_ptr<CFilterColumn>> previous = std::move(m_columns);
        m_columns.clear();
        for (const Row &row : rows) {
            rs->MoveFirst();
            while (rs->AbsolutePosition() != row.order)
                rs->MoveNext();
            if (std::any_of(m_columns.begin(), m_columns.end(),
                            [&](const auto &c) { return c->Name().compare(row.name, Qt::CaseInsensitive) == 0; }))
                continue; // the same name under a former base-table name: the current one wins
            auto it = std::find_if(previous.begin(), previous.end(), [&](const auto &c) {
                return c && c->Name().compare(row.name, Qt::CaseInsensitive) == 0;
            });
            std::unique_ptr<CFilterColumn> column =
                    it != previous.end() ? std::move(*it) : std::make_unique<CFilterColumn>(this);
            const auto type = FilterColumnTypeConstants(intField(*rs, "Type", fcUndefined));
            QString picklistDefault = textField(*rs, "PicklistDefault").trimmed();
            if (type == fcDateTime && !picklistDefault.isEmpty() && !Convert::parseDate(picklistDefault))
                picklistDefault.clear();
            column->setName(row.name);
            column->setCaption(textField(*rs, "Caption"));
            column->setDescription(textField(*rs, "Description"));
            column->setColumnType(type);
            column->setTextLengthInUI(qint16(intField(*rs, "Size")));
            column->setIsPicklist(boolField(*rs, "IsPicklist"));
            column->setPicklistAllowBlanks(boolField(*rs, "PicklistAllowBlanks"));
            column->setPicklistDefault(picklistDefault);
            column->setDateTimeDefaultMode(hasMode ? EFilterColumnDateTimeDefaultModeConstants(
                                                   intField(*rs, "DateTimeDefaultMode", fcDTDM_Configure))
                                                   : fcDTDM_Configure);
            // An older table without the field gives the date zero; a NULL field stays Null.
            const Variant dtDefault =
                    hasValue ? Convert::fromDatabase(rs->value(QStringLiteral("DateTimeDefaultValue")), fcDateTime)
                             : Variant::date(Variant::dateZero());
            column->setDateTimeDefaultValue(dtDefault);
            column->setDisableEditDateTime(hasDisable && boolField(*rs, "DisableEditDateTime"));
            column->setMergeName(hasMerge ? textField(*rs, "MergeName").trimmed() : QString());
            column->setStored(false);
            m_columns.push_back(std::move(column));
        }
        renumber();
        columnsChanged();
        result = true;
    });
}

bool CFilterColumns::DeleteColumnDefinition(const QString &name)
{
    return traced("DeleteColumnDefinition", Module, false, [&](bool &result) {
        Connection *db = connection();
        require(db != nullptr, QStringLiteral("no database connection"));
        const QString sql = QStringLiteral("DELETE FROM ") + db->QuoteName(def()) + QStringLiteral(" WHERE ")
                            + db->QuoteName(QStringLiteral("BaseTable")) + QStringLiteral(" = ")
                            + db->QuoteText(m_baseTableName) + QStringLiteral(" AND ")
                            + db->QuoteName(QStringLiteral("Name")) + QStringLiteral(" = ") + db->QuoteText(name);
        const LockedMessage locked = lockedMessage(8456, 8457);
        if (!db->ExecuteSql(sql, &locked))
            fail(db->lastError());
        result = true;
    });
}

bool CFilterColumns::KillColumnData(const CFilterColumn *stored)
{
    return traced("KillColumnData", Module, false, [&](bool &result) {
        require(stored != nullptr, QStringLiteral("no column"));
        const QString table = SearchTableName(stored);
        const auto catalogTable = DatabaseHelper::FindTable(*m_catalog, table);
        if (stored->ColumnType() == fcKeyword) {
            if (catalogTable)
                require(m_handler->DropTable(*m_catalog, table), QStringLiteral("dropping %1 failed").arg(table));
        } else if (catalogTable && catalogTable->FindColumn(stored->Name())) {
            TableStructure s = MyStructureDefault(stored);
            if (!s.DropField(*m_catalog, stored->Name()))
                fail(s.lastError());
        }
        // The column's picklist goes with its data; a retyped column gets a new one.
        const QString picklist = PicklistTableName(stored);
        if (DatabaseHelper::FindTable(*m_catalog, picklist))
            require(m_handler->DropTable(*m_catalog, picklist), QStringLiteral("dropping %1 failed").arg(picklist));
        result = true;
    });
}

bool CFilterColumns::ensureDefinitionTable()
{
    const TableStructure definition = MyStructureDefinition();
    if (!DatabaseHelper::FindTable(*m_catalog, def()))
        return CreateDefinitionTable();
    if (definition.Compare(*m_catalog, CompareExact))
        return true;
    TableStructure s = definition;
    if (!s.Convert(*m_catalog))
        fail(QStringLiteral("converting the definition table failed: ") + s.lastError());
    return true;
}

// All definition rows of the base table, written in one transaction before any table changes.
bool CFilterColumns::writeDefinitionRows()
{
    Connection *db = connection();
    const LockedMessage locked = lockedMessage(8456, 8457);
    const auto table = DatabaseHelper::FindTable(*m_catalog, def());
    require(table != nullptr, QStringLiteral("the definition table is missing"));
    const bool hasMergeField = table->FindColumn(QStringLiteral("MergeName")) != nullptr;

    inTransaction(*db, locked, [&] {
        const QString deleteAll = QStringLiteral("DELETE FROM ") + db->QuoteName(def()) + QStringLiteral(" WHERE ")
                                  + db->QuoteName(QStringLiteral("BaseTable")) + QStringLiteral(" = ")
                                  + db->QuoteText(m_baseTableName);
        if (!db->ExecuteSql(deleteAll, &locked))
            fail(db->lastError());
        for (const auto &c : m_columns) {
            QString fields;
            QString values;
            const auto text = [&](const QString &t) { return t.isEmpty() ? QStringLiteral("NULL") : db->QuoteText(t); };
            const auto boolean = [&](bool b) { return QString::number(db->SqlBooleanValue(b)); };
            db->AddInsertPair(fields, values, QStringLiteral("BaseTable"), db->QuoteText(m_baseTableName));
            db->AddInsertPair(fields, values, QStringLiteral("Position"), QString::number(c->Index()));
            db->AddInsertPair(fields, values, QStringLiteral("Name"), db->QuoteText(c->Name()));
            db->AddInsertPair(fields, values, QStringLiteral("Type"), QString::number(int(c->ColumnType())));
            db->AddInsertPair(fields, values, QStringLiteral("Size"), QString::number(c->TextLengthInUI()));
            db->AddInsertPair(fields, values, QStringLiteral("Caption"), text(c->Caption()));
            db->AddInsertPair(fields, values, QStringLiteral("Description"), text(c->Description()));
            db->AddInsertPair(fields, values, QStringLiteral("IsPicklist"), boolean(c->IsPicklist()));
            db->AddInsertPair(fields, values, QStringLiteral("PicklistAllowBlanks"), boolean(c->PicklistAllowBlanks()));
            // A default that does not convert to the column's type is kept as typed (it acts as
            // no default) rather than lost.
            const auto formatted = c->SQLFormatPicklistValue(c->PicklistDefault(), QLocale::c());
            db->AddInsertPair(fields, values, QStringLiteral("PicklistDefault"),
                              formatted ? *formatted : text(c->PicklistDefault()));
            db->AddInsertPair(fields, values, QStringLiteral("DateTimeDefaultMode"),
                              QString::number(int(c->DateTimeDefaultMode())));
            if (c->DateTimeDefaultMode() == fcDTDM_Configure && c->DateTimeDefaultValue().hasValue())
                db->AddInsertPair(fields, values, QStringLiteral("DateTimeDefaultValue"),
                                  db->SqlDateLiteral(c->DateTimeDefaultValue().toDate()));
            db->AddInsertPair(fields, values, QStringLiteral("DisableEditDateTime"), boolean(c->DisableEditDateTime()));
            if (!c->MergeName().isEmpty() && hasMergeField)
                db->AddInsertPair(fields, values, QStringLiteral("MergeName"), db->QuoteText(c->MergeName()));
            const QString sql = QStringLiteral("INSERT INTO ") + db->QuoteName(def()) + QStringLiteral(" (") + fields
                                + QStringLiteral(") VALUES (") + values + QStringLiteral(")");
            if (!db->ExecuteSql(sql, &locked))
                fail(db->lastError());
        }
    });
    return true;
}

// Brings the table that holds a column's values into the column's shape.
bool CFilterColumns::shapeColumnTable(CFilterColumn *column)
{
    TableStructure s = MyStructureDefault(column);
    if (!DatabaseHelper::FindTable(*m_catalog, s.TableName)) {
        // A new table gets its keys and indexes, nothing more: the checks of the table check
        // never run inside a save.
        if (!s.Create(*m_catalog))
            fail(QStringLiteral("creating %1 failed: %2").arg(s.TableName, s.lastError()));
    } else {
        if (!s.Convert(*m_catalog))
            fail(QStringLiteral("converting %1 failed: %2").arg(s.TableName, s.lastError()));
    }
    return s.Compare(*m_catalog) && s.Compare(*m_catalog, CompareExact | CompareKeyFields | CompareOptionalTypes);
}

// Writes a column's default into the rows that have no value, for a column whose field existed
// before and whose default is new or changed. A field added now got its default from the DDL.
bool CFilterColumns::fillDefault(CFilterColumn *column, const CFilterColumn *stored, const QDateTime &now)
{
    if (column->ColumnType() == fcKeyword || column->PicklistDefault().trimmed().isEmpty())
        return true;
    const bool changed = !stored || stored->PicklistDefault() != column->PicklistDefault();
    if (!changed)
        return true;
    const QString literal = column->DefaultValueSql(now);
    if (literal == QLatin1String("NULL"))
        return true;
    Connection *db = connection();
    const QString table = SearchTableName(column);
    const QString field = db->QuoteName(column->Name());
    const QString sql = QStringLiteral("UPDATE ") + db->QuoteName(table) + QStringLiteral(" SET ") + field
                        + QStringLiteral(" = ") + literal + QStringLiteral(" WHERE ") + field
                        + QStringLiteral(" IS NULL");
    const LockedMessage locked = lockedMessage(8456, 8458);
    if (!db->ExecuteSql(sql, &locked))
        fail(db->lastError());
    return true;
}

bool CFilterColumns::ColumnSave(CFilterColumn *column, const CFilterColumn *stored, const QDateTime &now)
{
    return traced("ColumnSave", Module, false, [&](bool &result) {
        if (column->isStored()) {
            result = true;
            return;
        }
        const QString table = SearchTableName(column);
        const auto before = DatabaseHelper::FindTable(*m_catalog, table);
        const bool fieldExisted = before && before->FindColumn(column->Name());
        const bool shaped = shapeColumnTable(column);
        const CFilterColumn *sameType = stored && stored->ColumnType() == column->ColumnType() ? stored : nullptr;
        const bool picklisted = picklistSteps(column, sameType);
        if (fieldExisted)
            fillDefault(column, sameType, now);
        column->setStored(shaped && picklisted);
        result = shaped && picklisted;
    });
}

bool CFilterColumns::ColumnsSave(IProgress *roProgress)
{
    return traced("ColumnsSave", Module, false, [&](bool &result) {
        require(!m_saving, QStringLiteral("the column set is being saved already"));
        require(m_catalog && m_handler && m_keyColumn, QStringLiteral("the column set is not set up"));
        m_saving = true;
        struct Reset
        {
            bool &flag;
            ~Reset() { flag = false; }
        } reset{m_saving};

        const int steps = Count() + 3;
        if (roProgress)
            roProgress->Start(ResourceTexts::instance().Text(8456), steps);
        int step = 0;
        const auto advance = [&] {
            if (roProgress)
                roProgress->Step(++step);
        };

        ensureDefinitionTable();
        advance();

        // The state before the save.
        CFilterColumns stored;
        stored.m_handler = m_handler;
        stored.m_catalog = m_catalog;
        stored.m_baseTable = m_baseTable;
        stored.m_baseStructure = m_baseStructure;
        stored.m_profile = m_profile;
        stored.m_baseTableName = m_baseTableName;
        stored.m_keyColumn = m_keyColumn;
        require(stored.ColumnsFetch(), QStringLiteral("the stored definitions cannot be read"));

        renumber();
        writeDefinitionRows();
        advance();

        bool ok = true;
        for (const auto &s : stored.m_columns) {
            const CFilterColumn *current = findByName(s->Name());
            if (!current || current->ColumnType() != s->ColumnType())
                ok = KillColumnData(s.get()) && ok;
        }
        advance();

        const QDateTime now = Convert::now();
        for (const auto &c : m_columns) {
            const CFilterColumn *before = stored.findByName(c->Name());
            ok = ColumnSave(c.get(), before, now) && ok;
            advance();
        }

        if (!HasStandardColumns() && DatabaseHelper::FindTable(*m_catalog, SearchDataTableName()))
            ok = m_handler->DropTable(*m_catalog, SearchDataTableName()) && ok;
        DatabaseHelper::RefreshCatalog(*m_catalog);
        if (roProgress)
            roProgress->End();
        // Read the definitions back: positions as stored, no column left marked as stored.
        ColumnsFetch();
        if (m_status == kvoFCSNoColumnsDefined && Count() > 0)
            m_status = kvoFCSSuccess;
        else if (m_status == kvoFCSSuccess && Count() == 0)
            m_status = kvoFCSNoColumnsDefined;
        result = ok;
    });
}

// --- Search tables --------------------------------------------------------------------------

QString CFilterColumns::keyLiteral(qint32 id) const
{
    const Dialect *d = dialect();
    const QString decimal = QString::number(id);
    if (m_keyColumn && adoFamily(m_keyColumn->Type) == AdoFamily::Text && d)
        return d->QuoteText(decimal);
    return decimal;
}

QString CFilterColumns::SearchTableSeekCriteria(ISearchBaseEntry *entry) const
{
    const Dialect *d = dialect();
    if (!entry || !m_keyColumn || !d)
        return {};
    return d->QuoteName(m_keyColumn->Name) + QStringLiteral(" = ") + keyLiteral(entry->Id());
}

std::unique_ptr<RecordSet> CFilterColumns::OpenSearchTable(ISearchBaseEntry *entry, const QString &table)
{
    return traced("OpenSearchTable", Module, std::unique_ptr<RecordSet>(), [&](std::unique_ptr<RecordSet> &result) {
        Connection *db = connection();
        const QString criterion = SearchTableSeekCriteria(entry);
        require(db && !criterion.isEmpty(), QStringLiteral("no record to read"));
        const QString name = table.isEmpty() ? SearchDataTableName() : table;
        result = db->OpenQuery(QStringLiteral("SELECT * FROM ") + db->QuoteName(name) + QStringLiteral(" WHERE ")
                               + criterion);
    });
}

} // namespace KvoPlx800SCtl
