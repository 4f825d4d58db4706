#include "cscpicklist.h"

#include "columns/cfiltercolumn.h"
#include "columns/searchtables.h"
#include "core/columntypes.h"
#include "core/sqlsupport.h"
#include "core/tracescope.h"
#include "core/windows.h"

#include "hostkit/adotypes.h"
#include "hostkit/basetablestructure.h"
#include "hostkit/catalog.h"
#include "hostkit/connection.h"
#include "hostkit/databasehandler.h"
#include "hostkit/databasehelper.h"
#include "hostkit/messagebox.h"
#include "hostkit/recordset.h"
#include "hostkit/resourcetexts.h"
#include "hostkit/serviceshelper.h"

#include <QLocale>

#include <cmath>

namespace KvoPlx800SCtl {

using namespace HostKit;

namespace {
constexpr const char *Module = "CScPicklist";

bool hasRows(Connection &db, const QString &sql)
{
    const std::unique_ptr<RecordSet> rs = db.OpenQuery(sql);
    if (!rs)
        fail(db.lastError());
    return !rs->EOF();
}

} // namespace

void CScPicklist::Init(IDatabaseHandler *handler, IBaseTableStructure *baseStructure, CFilterColumn *column)
{
    traced("Init", Module, [&] {
        m_handler = handler;
        m_baseStructure = baseStructure;
        m_column = column;
    });
}

QString CScPicklist::TableName() const
{
    return traced("TableName(Get)", Module, QString(), [&](QString &result) {
        if (!m_column)
            return;
        if (m_column->tables() && !m_column->tables()->baseTableName().isEmpty())
            result = m_column->tables()->picklistTable(m_column->Name());
        else if (m_baseStructure)
            result = QStringLiteral("Picklist") + m_baseStructure->Name() + m_column->Name();
    });
}

QString CScPicklist::ForeignKeyName() const { return QStringLiteral("FK_") + TableName(); }

bool CScPicklist::isSetUp() const
{
    return m_handler && m_baseStructure && m_column && m_column->tables() && m_column->tables()->catalog();
}

bool CScPicklist::ValidateSetup()
{
    return traced("ValidateSetup", Module, false, [&](bool &result) {
        if (isSetUp()) {
            result = true;
            return;
        }
        ServicesHelper &services = ServicesHelper::instance();
        const QString text = services.ApplicationTitle() + QStringLiteral(" - KvoPlx800SCtl\n\n")
                             + QStringLiteral("Picklist object is not set up correctly.");
        services.ShowMessage(text, MsgBox::vbOKOnly | MsgBox::vbExclamation, services.ApplicationTitle());
    });
}

const SearchTables &CScPicklist::tables() const
{
    require(m_column && m_column->tables(), QStringLiteral("the picklist has no column set"));
    return *m_column->tables();
}

Catalog &CScPicklist::catalog() const
{
    Catalog *c = tables().catalog();
    require(c != nullptr, QStringLiteral("the picklist has no catalog"));
    return *c;
}

Connection &CScPicklist::db() const { return catalog().ActiveConnection(); }

void CScPicklist::entriesChange()
{
    if (m_column)
        m_column->dropPicklistEntries();
}

bool CScPicklist::tableChange(const char *procedure, const std::function<void(bool &result)> &body)
{
    return traced(procedure, Module, false, [&](bool &result) {
        entriesChange();
        if (ValidateSetup())
            body(result);
    });
}

QString CScPicklist::searchTableName() const { return tables().tableOf(m_column); }

TableStructure CScPicklist::MyStructure() const
{
    return traced("MyStructure(Get)", Module, TableStructure(), [&](TableStructure &result) {
        require(m_column != nullptr, QStringLiteral("the picklist has no column"));
        // The value field is typed exactly like the field that refers to it.
        const TableStructure search = tables().columnStructure(m_column);
        const FieldDescription *field = search.findField(m_column->Name());
        require(field != nullptr, QStringLiteral("the column has no field"));
        const QString table = TableName();
        TableStructure s(table);
        s.addField(m_column->Name(), field->Type, field->Type == adVarWChar ? CFilterColumn::TextLengthInDB() : 0,
                   false);
        s.addField(HideEntry(), adBoolean).Optional = true; // an earlier layout lacks it
        s.addKey(QStringLiteral("PK_") + table, KeyKind::Primary, {m_column->Name()});
        s.Distribution = tables().copiedTablesDistribution();
        result = s;
    });
}

TableStructure CScPicklist::searchStructure() const
{
    TableStructure s = tables().columnStructure(m_column);
    s.addForeignKey(ForeignKeyName(), {m_column->Name()}, TableName(), {m_column->Name()});
    return s;
}

bool CScPicklist::hasForeignKey() const
{
    const auto table = DatabaseHelper::FindTable(catalog(), searchTableName());
    if (!table)
        return false;
    const QString picklist = TableName();
    for (const CatalogKey &key : table->Keys) {
        if (key.Type == adKeyForeign && key.Columns.size() == 1 && sameName(key.Columns.first(), m_column->Name())
            && sameName(key.RelatedTable, picklist))
            return true;
    }
    return false;
}

QString CScPicklist::defaultLiteral() const
{
    // Stored defaults are C-locale text.
    const auto literal = m_column->SQLFormatPicklistValue(m_column->PicklistDefault(), QLocale::c());
    return literal ? *literal : QString();
}

bool CScPicklist::entryExists(const QString &literal) const
{
    Connection &c = db();
    if (m_column->ColumnType() == fcSingle) {
        // An engine that stores single precision compares the field with a decimal literal as a
        // double (1.1 is not the single 1.1): look for the values that round to the same single.
        bool ok = false;
        const float value = literal.toFloat(&ok);
        if (ok && std::isfinite(value)) {
            const double exact = value;
            const double below = (exact - double(std::nextafter(value, -INFINITY))) / 2;
            const double above = (double(std::nextafter(value, INFINITY)) - exact) / 2;
            const QString field = c.QuoteName(m_column->Name());
            return hasRows(c, QStringLiteral("SELECT ") + field + QStringLiteral(" FROM ") + c.QuoteName(TableName())
                                      + QStringLiteral(" WHERE ") + field + QStringLiteral(" BETWEEN ")
                                      + QString::number(exact - below, 'g', 17) + QStringLiteral(" AND ")
                                      + QString::number(exact + above, 'g', 17));
        }
    }
    bool found = false;
    if (!c.RowExists(TableName(), m_column->Name(), literal, found))
        fail(c.lastError());
    return found;
}

// --- Creating, changing and dropping ----------------------------------------------------------

bool CScPicklist::CreatePicklist()
{
    return tableChange("CreatePicklist", [&](bool &result) {
        // A table left behind may already hold the foreign key: its default entry comes first.
        if (DatabaseHelper::FindTable(catalog(), TableName()))
            require(GuaranteeDefaultEntryExists(), QStringLiteral("the default entry cannot be written"));
        // The stored values are cleaned before the table exists, so that the foreign key holds.
        require(ForceNullsAndBlanksToDefault(), QStringLiteral("the stored values cannot be cleaned"));
        result = CreatePicklistTable();
    });
}

bool CScPicklist::ChangePicklist()
{
    return tableChange("ChangePicklist", [&](bool &result) {
        catalog().Refresh(TableName());
        if (!DatabaseHelper::FindTable(catalog(), TableName())) {
            require(ForceNullsAndBlanksToDefault(), QStringLiteral("the stored values cannot be cleaned"));
            result = CreatePicklistTable();
            return;
        }
        // The foreign key is in place: an entry must exist before a stored value takes it.
        require(GuaranteeDefaultEntryExists(), QStringLiteral("the default entry cannot be written"));
        require(ForceNullsAndBlanksToDefault(), QStringLiteral("the stored values cannot be cleaned"));
        require(CheckAllowBlanks(), QStringLiteral("the empty entry cannot be kept in line"));
        insertStoredValues();
        require(ensureForeignKey(ConvertMode::Convert) == CheckTableResult::Continue,
                QStringLiteral("the foreign key cannot be set up"));
        result = true;
    });
}

bool CScPicklist::DestroyPicklist()
{
    return tableChange("DestroyPicklist", [&](bool &result) {
        const QString table = TableName();
        if (DatabaseHelper::FindTable(catalog(), table)) {
            // The search table's foreign key goes first; an engine refuses to drop a table that
            // is referred to.
            TableStructure s(table);
            if (!s.DropReferencingForeignKeys(catalog()))
                fail(s.lastError());
            require(m_handler->DropTable(catalog(), table), QStringLiteral("dropping %1 failed").arg(table));
        }
        result = true;
    });
}

void CScPicklist::createTable()
{
    TableStructure s = MyStructure();
    if (!DatabaseHelper::FindTable(catalog(), s.TableName)) {
        if (!s.Create(catalog()))
            fail(QStringLiteral("creating %1 failed: %2").arg(s.TableName, s.lastError()));
    } else if (!s.Compare(catalog(), CompareExact | CompareKeyFields | CompareOptionalTypes)) {
        if (!s.Convert(catalog()))
            fail(QStringLiteral("converting %1 failed: %2").arg(s.TableName, s.lastError()));
    }
}

// The entries the foreign key needs before it can be added: the default entry, the empty entry
// where blanks are allowed, and every value already stored.
void CScPicklist::fillTable()
{
    require(GuaranteeDefaultEntryExists(), QStringLiteral("the default entry cannot be written"));
    require(CheckAllowBlanks(), QStringLiteral("the empty entry cannot be kept in line"));
    insertStoredValues();
}

void CScPicklist::insertStoredValues()
{
    const auto search = DatabaseHelper::FindTable(catalog(), searchTableName());
    if (!search || !search->FindColumn(m_column->Name()))
        return;
    Connection &c = db();
    const QString field = c.QuoteName(m_column->Name());
    const QString picklist = c.QuoteName(TableName());
    const QString sql = QStringLiteral("INSERT INTO ") + picklist + QStringLiteral(" (") + field
                        + QStringLiteral(") SELECT DISTINCT ") + field + QStringLiteral(" FROM ")
                        + c.QuoteName(search->Name) + QStringLiteral(" WHERE ") + field
                        + QStringLiteral(" IS NOT NULL AND ") + field + QStringLiteral(" NOT IN (SELECT ") + field
                        + QStringLiteral(" FROM ") + picklist + QLatin1Char(')');
    const LockedMessage locked = lockedMessage(8363, 8364);
    inTransaction(c, locked, [&] { execute(c, sql, &locked, QStringLiteral("the stored values were not added")); });
}

bool CScPicklist::CreatePicklistTable()
{
    return tableChange("CreatePicklistTable", [&](bool &result) {
        createTable();
        fillTable();
        result = ensureForeignKey(ConvertMode::Convert) == CheckTableResult::Continue;
    });
}

bool CScPicklist::CreateHideEntryField()
{
    return traced("CreateHideEntryField", Module, false, [&](bool &result) {
        if (!ValidateSetup())
            return;
        const auto table = DatabaseHelper::FindTable(catalog(), TableName());
        require(table != nullptr, QStringLiteral("the picklist table %1 is missing").arg(TableName()));
        if (!table->FindColumn(HideEntry())) {
            TableStructure s = MyStructure();
            if (!s.AddField(catalog(), HideEntry()))
                fail(s.lastError());
        }
        result = true;
    });
}

// --- Checks -----------------------------------------------------------------------------------

int CScPicklist::ensureForeignKey(int convertMode)
{
    const auto search = DatabaseHelper::FindTable(catalog(), searchTableName());
    // Without the referring field or the picklist there is nothing to refer; the table check
    // builds them first.
    if (!search || !search->FindColumn(m_column->Name()) || !DatabaseHelper::FindTable(catalog(), TableName()))
        return CheckTableResult::Continue;
    if (hasForeignKey())
        return CheckTableResult::Continue;
    if (convertMode != ConvertMode::Convert) {
        const int answer = m_handler->ConvertRequest(db().ConnectionString(), search->Name, convertMode);
        if (answer != CheckTableResult::Continue)
            return answer;
    }
    insertStoredValues();
    TableStructure s = searchStructure();
    if (!s.RepairForeignKeys(catalog()))
        fail(QStringLiteral("adding the foreign key %1 failed: %2").arg(ForeignKeyName(), s.lastError()));
    return CheckTableResult::Continue;
}

int CScPicklist::CheckForeignKeys(int enmConvertMode)
{
    return traced("CheckForeignKeys", Module, int(CheckTableResult::Continue), [&](int &result) {
        if (!ValidateSetup())
            return;
        result = ensureForeignKey(enmConvertMode);
    });
}

int CScPicklist::CheckTable(IProgress *roProgress, int enmConvertMode)
{
    entriesChange();
    // One table's check is short; the caller reports the progress of the whole check.
    Q_UNUSED(roProgress);
    return traced("CheckTable", Module, int(CheckTableResult::Continue), [&](int &result) {
        if (!ValidateSetup())
            return;
        const QString table = TableName();
        catalog().Refresh(table);
        const bool exists = DatabaseHelper::FindTable(catalog(), table) != nullptr;
        const TableStructure s = MyStructure();
        if (!exists || !s.Compare(catalog(), CompareExact | CompareKeyFields | CompareOptionalTypes)) {
            if (enmConvertMode != ConvertMode::Convert) {
                const int answer = m_handler->ConvertRequest(db().ConnectionString(), table, enmConvertMode);
                if (answer != CheckTableResult::Continue) {
                    result = answer;
                    return;
                }
            }
            createTable();
            if (!exists)
                fillTable();
        }
        result = ensureForeignKey(enmConvertMode);
    });
}

// --- Consistency steps ------------------------------------------------------------------------

bool CScPicklist::ForceNullsAndBlanksToDefault()
{
    return tableChange("ForceNullsAndBlanksToDefault", [&](bool &result) {
        const QString value = defaultLiteral();
        const auto search = DatabaseHelper::FindTable(catalog(), searchTableName());
        if (value.isEmpty() || !search || !search->FindColumn(m_column->Name())) {
            result = true; // no default to write, or no values stored
            return;
        }
        Connection &c = db();
        const QString field = c.QuoteName(m_column->Name());
        QString condition = field + QStringLiteral(" IS NULL");
        if (ColumnTypes::isText(m_column->ColumnType()) && !m_column->PicklistAllowBlanks())
            condition = field + QStringLiteral(" = ") + c.QuoteText(QString()) + QStringLiteral(" OR ") + condition;
        const QString sql = QStringLiteral("UPDATE ") + c.QuoteName(search->Name) + QStringLiteral(" SET ") + field
                            + QStringLiteral(" = ") + value + QStringLiteral(" WHERE ") + condition;
        const LockedMessage locked = lockedMessage(8361, 8362);
        execute(c, sql, &locked, QStringLiteral("the stored values were not changed"));
        result = true;
    });
}

bool CScPicklist::GuaranteeDefaultEntryExists()
{
    return tableChange("GuaranteeDefaultEntryExists", [&](bool &result) {
        result = true;
        if (m_column->PicklistDefault().trimmed().isEmpty() && m_column->PicklistAllowBlanks())
            return;
        const QString value = defaultLiteral();
        if (value.isEmpty() || entryExists(value))
            return;
        result = false;
        Connection &c = db();
        QString fields;
        QString values;
        c.AddInsertPair(fields, values, m_column->Name(), value);
        const QString sql = QStringLiteral("INSERT INTO ") + c.QuoteName(TableName()) + QStringLiteral(" (") + fields
                            + QStringLiteral(") VALUES (") + values + QLatin1Char(')');
        const LockedMessage locked = lockedMessage(8363, 8364);
        inTransaction(c, locked, [&] { execute(c, sql, &locked, QStringLiteral("the entry was not added")); });
        result = true;
    });
}

bool CScPicklist::CheckAllowBlanks()
{
    return tableChange("CheckAllowBlanks", [&](bool &result) {
        result = true;
        if (!ColumnTypes::isText(m_column->ColumnType()))
            return;
        result = false;
        Connection &c = db();
        const QString field = c.QuoteName(m_column->Name());
        const QString empty = c.QuoteText(QString());
        const auto search = DatabaseHelper::FindTable(catalog(), searchTableName());
        const bool blanksInUse =
                search && search->FindColumn(m_column->Name())
                && hasRows(c, QStringLiteral("SELECT ") + field + QStringLiteral(" FROM ") + c.QuoteName(search->Name)
                                      + QStringLiteral(" WHERE ") + field + QStringLiteral(" = ") + empty);
        const bool present = entryExists(empty);
        const bool blankDefault = m_column->PicklistDefault().trimmed().isEmpty();
        const QString table = c.QuoteName(TableName());
        if (m_column->PicklistAllowBlanks() && !present) {
            QString fields;
            QString values;
            c.AddInsertPair(fields, values, m_column->Name(), empty);
            const QString sql = QStringLiteral("INSERT INTO ") + table + QStringLiteral(" (") + fields
                                + QStringLiteral(") VALUES (") + values + QLatin1Char(')');
            const LockedMessage locked = lockedMessage(8358, 8359);
            inTransaction(c, locked,
                          [&] { execute(c, sql, &locked, QStringLiteral("the empty entry was not added")); });
        } else if (!m_column->PicklistAllowBlanks() && present && !blanksInUse && !blankDefault) {
            // Only an entry no record uses goes; a blank default keeps its entry.
            const QString sql = QStringLiteral("DELETE FROM ") + table + QStringLiteral(" WHERE ") + field
                                + QStringLiteral(" = ") + empty;
            const LockedMessage locked = lockedMessage(8358, 8360);
            inTransaction(c, locked,
                          [&] { execute(c, sql, &locked, QStringLiteral("the empty entry was not removed")); });
        }
        result = true;
    });
}

bool CScPicklist::SaveAdditions(const QStringList &entries)
{
    return tableChange("SaveAdditions", [&](bool &result) {
        Connection &c = db();
        const QString table = TableName();
        const LockedMessage locked = lockedMessage(8373, 8374);
        QStringList unfit;
        inTransaction(c, locked, [&] {
            for (const QString &entry : entries) {
                // Entries are typed by the user, in the current locale.
                const auto value = m_column->SQLFormatPicklistValue(entry);
                if (!value || value->isEmpty()) {
                    if (!entry.trimmed().isEmpty())
                        unfit.append(entry);
                    continue;
                }
                if (entryExists(*value))
                    continue;
                QString fields;
                QString values;
                c.AddInsertPair(fields, values, m_column->Name(), *value);
                c.AddInsertPair(fields, values, HideEntry(), QString::number(c.SqlBooleanValue(false)));
                execute(c,
                        QStringLiteral("INSERT INTO ") + c.QuoteName(table) + QStringLiteral(" (") + fields
                                + QStringLiteral(") VALUES (") + values + QLatin1Char(')'),
                        &locked, QStringLiteral("the entry \"%1\" was not added").arg(entry));
            }
        });
        // The entries that fit are added; one that does not is reported, never dropped in silence.
        require(unfit.isEmpty(),
                QStringLiteral("%1 is no value of column %2 of type %3")
                        .arg(unfit.join(QStringLiteral(", ")), m_column->Name(), m_column->typeDisplayName()));
        result = true;
    });
}

void CScPicklist::Edit(IFormsInterface *oFI)
{
    traced("Edit", Module, [&] {
        if (!isSetUp())
            return;
        if (ISearchFilterWindows *windows = searchFilterWindows())
            windows->EditPicklist(*this, oFI);
        else
            reportNotAvailable("Edit", Module, QStringLiteral("the picklist editor"));
    });
}

} // namespace KvoPlx800SCtl
