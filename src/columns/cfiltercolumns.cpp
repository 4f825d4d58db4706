#include "cfiltercolumns.h"

#include "definitiontable.h"

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
#include "hostkit/sessionlock.h"
#include "hostkit/texthelper.h"

#include <QScopeGuard>
#include <QSet>

#include <algorithm>

namespace KvoPlx800SCtl {

using namespace HostKit;

namespace {
constexpr const char *Module = "CFilterColumns";
// How long a save of the column set waits while another session saves the same set.
constexpr int SaveWaitMs = 60000;

} // namespace

CFilterColumns::CFilterColumns() = default;

CFilterColumns::~CFilterColumns() = default;

void CFilterColumns::SetupOffline(IDatabaseHandler *handler, const QString &baseTableName,
                                  const CatalogColumn &keyColumn, std::unique_ptr<Dialect> dialect)
{
    m_tables.setHost(handler, nullptr, nullptr);
    m_tables.setBase(baseTableName, keyColumn);
    m_tables.setOfflineDialect(std::move(dialect));
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
        m_profile = roProfile;
        m_tables.setHost(nullptr, nullptr, roBaseStructure);
        if (!roHandler) {
            m_status = kvoFCSMissingDatabaseHandler;
            return;
        }
        m_tables.setHost(roHandler, nullptr, roBaseStructure);
        if (!roCatalog) {
            m_status = kvoFCSMissingDatabase;
            return;
        }
        m_tables.setHost(roHandler, roCatalog, roBaseStructure);
        m_convertMode = enmConvertMode;

        require(m_baseTable != nullptr, QStringLiteral("no base-table interface"));
        const auto table = DatabaseHelper::FindTable(*roCatalog, m_baseTable->TableName());
        if (!table) {
            m_status = kvoFCSBaseTableNotDefined;
            return;
        }

        require(roBaseStructure != nullptr, QStringLiteral("no base-table structure"));
        const QList<BaseIndexDefinition> indexes = roBaseStructure->IndexDefinitions();
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
        m_tables.setBase(table->Name, *key);

        // Definitions that cannot be read must never look like an empty set, which a later save
        // would store over them: the status stays undefined and the column set is released.
        if (!ColumnsFetch())
            return;
        if (Count() == 0) {
            m_status = kvoFCSNoColumnsDefined;
            return;
        }
        const TableStructure definition = MyStructureDefinition();
        if (definition.Compare(*roCatalog) && definition.Compare(*roCatalog, CompareKeyFields | CompareOptionalTypes))
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
        if (const QString refusal = nameRefusal(name); !refusal.isEmpty())
            fail(refusal);
        auto column =
                std::make_unique<CFilterColumn>(&m_tables, ColumnDefinition{.name = name,
                                                                            .type = type,
                                                                            .caption = caption,
                                                                            .textLengthInUI = textLengthInUI,
                                                                            .isPicklist = isPicklist,
                                                                            .picklistAllowBlanks = allowBlanks,
                                                                            .picklistDefault = picklistDefault,
                                                                            .description = description,
                                                                            .dateTimeDefaultMode = dtMode,
                                                                            .dateTimeDefaultValue = dtDefault,
                                                                            .disableEditDateTime = disableEditDateTime,
                                                                            .mergeName = mergeName});
        const int at = qBound(0, position - 1, int(m_columns.size()));
        result = column.get();
        m_columns.insert(m_columns.begin() + at, std::move(column));
        renumber();
    });
}

bool CFilterColumns::Remove(const QString &name)
{
    return traced("Remove", Module, false, [&](bool &result) {
        const auto it = std::find_if(m_columns.begin(), m_columns.end(),
                                     [&](const auto &c) { return sameName(c->Name(), name); });
        if (it == m_columns.end())
            return;
        m_columns.erase(it);
        renumber();
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
        if (sameName(c->Name(), name))
            return c.get();
    }
    return nullptr;
}

CFilterColumn *CFilterColumns::Item(const QString &nameOrCaption) const
{
    if (CFilterColumn *byName = findByName(nameOrCaption))
        return byName;
    for (const auto &c : m_columns) {
        if (sameName(c->Caption(), nameOrCaption))
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

// Asked afresh each time: a column's type may change while it is in the set (the column editor
// retypes a new column), and a remembered answer would then let a save drop the table it made.
bool CFilterColumns::HasKeywordColumns() const
{
    return std::any_of(m_columns.begin(), m_columns.end(), [](const auto &c) { return c->ColumnType() == fcKeyword; });
}

bool CFilterColumns::HasStandardColumns() const
{
    return std::any_of(m_columns.begin(), m_columns.end(), [](const auto &c) { return c->ColumnType() != fcKeyword; });
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

bool CFilterColumns::fitsNameLimit(const QString &name) const { return name.toUtf8().size() <= maxColumnNameLength(); }

QString CFilterColumns::nameRefusal(const QString &name) const
{
    // Every name reaches SQL quoted; the rule keeps names that all engines take the same way as
    // identifiers (MariaDB has no characters beyond U+FFFF in them, and drops trailing blanks).
    if (name.isEmpty())
        return QStringLiteral("a column needs a name");
    const bool plain = std::all_of(name.begin(), name.end(), [](QChar c) {
        return (c.isLetterOrNumber() && !c.isSurrogate()) || c == QLatin1Char('_');
    });
    if (!plain)
        return QStringLiteral("the column name \"%1\" may hold only letters, digits and \"_\"").arg(name);
    if (sameName(name, keyFieldName()))
        return QStringLiteral("the column name \"%1\" is the name of the base table's key field").arg(name);
    if (maxColumnNameLength() < 1)
        return QStringLiteral("the base table's name \"%1\" leaves no room for the names derived from it")
                .arg(baseTableName());
    if (!fitsNameLimit(name))
        return QStringLiteral("the column name \"%1\" is longer than the %2 bytes the names derived from it leave")
                .arg(name)
                .arg(maxColumnNameLength());
    return {};
}

int CFilterColumns::nameClash(const QString &name, const QString &caption, const CFilterColumn *self) const
{
    const auto same = [](const QString &a, const QString &b) { return !a.isEmpty() && sameName(a, b); };
    if (catalog()) {
        if (const auto table = DatabaseHelper::FindTable(*catalog(), baseTableName())) {
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

// --- Definitions ----------------------------------------------------------------------------

// The former base-table names the base-table interface reports (none unless it is renamed).
QStringList CFilterColumns::formerBaseTableNames() const
{
    QStringList names;
    if (!m_baseTable || !m_baseTable->CheckTableIsRenamed())
        return names;
    for (qint32 t = 1; t <= m_baseTable->CheckTableTableNameCount(); ++t) {
        for (qint32 n = 1; n <= m_baseTable->CheckTableNameCount(); ++n) {
            const QString name = m_baseTable->CheckTableNameOld(t, n);
            if (!name.isEmpty())
                names.append(name);
        }
    }
    return names;
}

bool CFilterColumns::ColumnsFetch()
{
    return traced("ColumnsFetch", Module, false, [&](bool &result) {
        DefinitionTable::Rows rows = DefinitionTable(m_tables).read(formerBaseTableNames());
        adoptDefinitions(std::move(rows.columns), rows.olderLayout, rows.formerNamesFound);
        result = true;
    });
}

void CFilterColumns::adoptDefinitions(std::vector<ColumnDefinition> definitions, bool olderLayout,
                                      const QStringList &formerNamesFound)
{
    m_needsConversion = olderLayout;
    m_formerNamesFound = formerNamesFound;
    // Columns already in memory keep their objects (and so the pointers a caller holds); every
    // definition attribute is taken anew.
    std::vector<std::unique_ptr<CFilterColumn>> previous = std::move(m_columns);
    m_columns.clear();
    m_fetchedNames.clear();
    for (ColumnDefinition &definition : definitions) {
        m_fetchedNames.append(definition.name);
        auto it = std::find_if(previous.begin(), previous.end(),
                               [&](const auto &c) { return c && sameName(c->Name(), definition.name); });
        std::unique_ptr<CFilterColumn> column =
                it != previous.end() ? std::move(*it) : std::make_unique<CFilterColumn>(&m_tables);
        // Taken at the end of a save, a column keeps what the save made of its table (a definition
        // that reads back otherwise is shaped again by the next save); read anew, every column is
        // shaped again.
        if (!m_saving)
            column->setShaped(std::nullopt);
        column->setDefinition(definition);
        // Opening or saving the column set reads every picklist afresh.
        column->dropPicklistEntries();
        m_columns.push_back(std::move(column));
    }
    renumber();
}

bool CFilterColumns::KillColumnData(const ColumnDefinition &stored)
{
    return traced("KillColumnData", Module, false, [&](bool &result) {
        Catalog &catalog = *m_tables.catalog();
        const bool keyword = ColumnTypes::isKeyword(stored.type);
        const QString table = keyword ? m_tables.keywordTable(stored.name) : m_tables.searchDataTable();
        const auto catalogTable = DatabaseHelper::FindTable(catalog, table);
        if (keyword) {
            if (catalogTable)
                require(handler()->DropTable(catalog, table), QStringLiteral("dropping %1 failed").arg(table));
        } else if (catalogTable && catalogTable->FindColumn(stored.name)) {
            TableStructure s(table);
            if (!s.DropField(catalog, stored.name))
                fail(s.lastError());
        }
        // The column's picklist goes with its data; a retyped column gets a new one.
        const QString picklist = m_tables.picklistTable(stored.name);
        if (DatabaseHelper::FindTable(catalog, picklist))
            require(handler()->DropTable(catalog, picklist), QStringLiteral("dropping %1 failed").arg(picklist));
        result = true;
    });
}

// Brings the table that holds a column's values into the column's shape; whether it matches.
bool CFilterColumns::shapeColumnTable(CFilterColumn *column)
{
    Catalog &catalog = *m_tables.catalog();
    TableStructure s = MyStructureDefault(column);
    // A new table gets its keys and indexes, nothing more: the checks of the table check never
    // run inside a save.
    const auto shape = [&] {
        return DatabaseHelper::FindTable(catalog, s.TableName) ? s.Convert(catalog) : s.Create(catalog);
    };
    // Another administrator's save (on another connection, or another node of a cluster) may
    // have made the same change a moment ago: with the catalog read again it is made once more.
    if (!shape()) {
        DatabaseHelper::RefreshCatalog(catalog);
        if (!shape())
            fail(QStringLiteral("changing %1 failed: %2").arg(s.TableName, s.lastError()));
    }
    return s.Compare(catalog) && s.Compare(catalog, CompareExact | CompareKeyFields | CompareOptionalTypes);
}

// Writes a column's default into the rows that have no value, for a column whose field existed
// before and whose default is new or changed. A field added now got its default from the DDL.
void CFilterColumns::fillDefault(CFilterColumn *column, const ColumnDefinition *stored, const QDateTime &now)
{
    if (ColumnTypes::isKeyword(column->ColumnType()) || column->PicklistDefault().trimmed().isEmpty())
        return;
    if (stored && stored->picklistDefault == column->PicklistDefault())
        return;
    const QString literal = column->DefaultValueSql(now);
    if (literal == QLatin1String("NULL"))
        return;
    Connection &db = *connection();
    const QString field = db.QuoteName(column->Name());
    const LockedMessage locked = lockedMessage(8456, 8458);
    execute(db,
            QStringLiteral("UPDATE ") + db.QuoteName(SearchTableName(column)) + QStringLiteral(" SET ") + field
                    + QStringLiteral(" = ") + literal + QStringLiteral(" WHERE ") + field + QStringLiteral(" IS NULL"),
            &locked, QStringLiteral("the default of %1 was not written").arg(column->Name()));
}

// Whether a save of this set made the column's table and picklist what its definition asks, with
// nothing changed since: the definition, the indexes of the fields, and the catalog's field (and
// picklist table), which a table check or a dropped column would have changed.
bool CFilterColumns::shapedAlready(const CFilterColumn *column)
{
    const auto &shaped = column->shaped();
    if (!shaped || shaped->indexedFields != m_tables.indexedFields() || !(shaped->definition == column->definition()))
        return false;
    // A default of "now" is the time of the save.
    if (column->ColumnType() == fcDateTime && column->DateTimeDefaultMode() == fcDTDM_Now)
        return false;
    Catalog &catalog = *this->catalog();
    const auto table = DatabaseHelper::FindTable(catalog, SearchTableName(column));
    if (!table || !table->FindColumn(column->Name()))
        return false;
    return !column->IsPicklist() || DatabaseHelper::FindTable(catalog, m_tables.picklistTable(column->Name()));
}

bool CFilterColumns::ColumnSave(CFilterColumn *column, const ColumnDefinition *stored, const QDateTime &now)
{
    return traced("ColumnSave", Module, false, [&](bool &result) {
        if (shapedAlready(column)) {
            result = true;
            return;
        }
        const auto before = DatabaseHelper::FindTable(*catalog(), SearchTableName(column));
        const bool fieldExisted = before && before->FindColumn(column->Name());
        const bool shaped = shapeColumnTable(column);
        const ColumnDefinition *sameType = stored && stored->type == column->ColumnType() ? stored : nullptr;
        const bool picklisted = picklistSteps(column, sameType);
        if (fieldExisted)
            fillDefault(column, sameType, now);
        result = shaped && picklisted;
        column->setShaped(result ? std::optional(CFilterColumn::Shaped{column->definition(), m_tables.indexedFields()})
                                 : std::nullopt);
    });
}

bool CFilterColumns::ColumnsSave(IProgress *roProgress)
{
    return traced("ColumnsSave", Module, false, [&](bool &result) {
        require(!m_saving, QStringLiteral("the column set is being saved already"));
        require(catalog() && handler() && keyColumn(), QStringLiteral("the column set is not set up"));
        const QString refusal = hostTransactionRefusal(*connection(), QStringLiteral("Saving the columns"));
        require(refusal.isEmpty(), refusal);
        // A name the derived table and key names cannot carry would fail only at the table change,
        // after the definition rows were written: refused before anything is written.
        for (const auto &c : m_columns) {
            if (!fitsNameLimit(c->Name()))
                fail(nameRefusal(c->Name()));
        }
        m_saving = true;
        const auto reset = qScopeGuard([&] { m_saving = false; });
        // The definition rows and the tables change in several transactions: a second session
        // saving the same set waits until this save has read back what it wrote, so that the
        // two never interleave and the rows and tables agree afterwards.
        const LockedMessage busy = lockedMessage(8456, 8457);
        SessionLock saving(*connection(), SearchTables::definitionTable() + QLatin1Char(' ') + baseTableName());
        require(saving.acquire(SaveWaitMs, &busy), saving.error());

        const int steps = Count() + 3;
        if (roProgress)
            roProgress->Start(ResourceTexts::instance().Text(8456), steps);
        int step = 0;
        const auto advance = [&] {
            if (roProgress)
                roProgress->Step(++step);
        };

        const DefinitionTable definitions(m_tables);
        definitions.ensure();
        advance();

        // The state before the save.
        const DefinitionTable::Rows storedRows = definitions.read(formerBaseTableNames());
        const std::vector<ColumnDefinition> &stored = storedRows.columns;
        const auto storedNamed = [&](const QString &name) -> const ColumnDefinition * {
            for (const ColumnDefinition &c : stored) {
                if (sameName(c.name, name))
                    return &c;
            }
            return nullptr;
        };

        // Only the columns this set knows change: those it fetched (deleted ones among them) and
        // those it holds. A column another administrator saved since the fetch (on another
        // connection, or another node of a cluster) keeps its definition and its data.
        QStringList known = m_fetchedNames;
        for (const auto &c : m_columns) {
            if (!known.contains(c->Name(), Qt::CaseInsensitive))
                known.append(c->Name());
        }
        renumber();
        const DefinitionTable::Written written = definitions.writeChanged(NewEnum(), storedRows, known);
        advance();

        bool ok = true;
        for (const ColumnDefinition &s : stored) {
            const CFilterColumn *current = findByName(s.name);
            if (!known.contains(s.name, Qt::CaseInsensitive))
                continue;
            if (!current || current->ColumnType() != s.type)
                ok = KillColumnData(s) && ok;
        }
        advance();

        const QDateTime now = Convert::now();
        for (const auto &c : m_columns) {
            ok = ColumnSave(c.get(), storedNamed(c->Name()), now) && ok;
            advance();
        }

        if (!HasStandardColumns() && DatabaseHelper::FindTable(*catalog(), SearchDataTableName()))
            ok = handler()->DropTable(*catalog(), SearchDataTableName()) && ok;
        // The catalog learnt every table change as it was made.
        if (roProgress)
            roProgress->End();
        // The set holds what is stored now: read back, unless the stored rows are this set's rows
        // and each reads back as its column holds it (the rows kept were read at the start).
        const bool readBack = !ok || !written.onlyThese || !storedRows.formerNamesFound.isEmpty()
                              || std::any_of(m_columns.begin(), m_columns.end(), [&](const auto &c) {
                                     return written.names.contains(c->Name())
                                                    ? !DefinitionTable::readsBackUnchanged(c->definition(),
                                                                                           storedRows.hasMergeField)
                                                    : !storedNamed(c->Name());
                                 });
        if (readBack) {
            ok = ColumnsFetch() && ok;
        } else {
            std::vector<ColumnDefinition> now;
            for (const auto &c : m_columns)
                now.push_back(written.names.contains(c->Name()) ? c->definition() : *storedNamed(c->Name()));
            adoptDefinitions(std::move(now), storedRows.olderLayout, storedRows.formerNamesFound);
        }
        if (m_status == kvoFCSNoColumnsDefined && Count() > 0)
            m_status = kvoFCSSuccess;
        else if (m_status == kvoFCSSuccess && Count() == 0)
            m_status = kvoFCSNoColumnsDefined;
        result = ok;
    });
}

// --- Search tables --------------------------------------------------------------------------

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
