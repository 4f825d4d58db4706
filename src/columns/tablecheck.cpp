// The table check: brings the definition table, the search-data table, the keyword tables and the
// picklist tables of one base table to their layout, converts them where the convert mode allows
// it, and keeps the search-data table in line with the base records (the population check).
//
// Every check answers with a check-table result of the database handler: 0 goes on, any other
// code ends the whole check and is handed back unchanged. A difference is repaired at once with
// convert mode 1; with any other mode the database handler is asked first. A failure is reported
// through the services helper's error report and ends the check with CheckTableResult::Failed.
#include "tablecheck.h"

#include "ccheckname.h"
#include "cfiltercolumns.h"
#include "definitiontable.h"

#include "core/conversions.h"
#include "core/csearchfilter.h"
#include "core/sqlsupport.h"
#include "core/tracescope.h"
#include "picklists/cscpicklist.h"

#include "hostkit/adotypes.h"
#include "hostkit/connection.h"
#include "hostkit/databasehandler.h"
#include "hostkit/databasehelper.h"
#include "hostkit/dialect.h"
#include "hostkit/formsinterface.h"
#include "hostkit/recordset.h"
#include "hostkit/resourcetexts.h"
#include "hostkit/serviceshelper.h"

#include <QScopeGuard>
#include <QSet>

#include <algorithm>
#include <limits>

namespace KvoPlx800SCtl {

using namespace HostKit;

namespace {
constexpr const char *FilterModule = "CSearchFilter";
constexpr const char *Module = "TableCheck";

// Progress text of the population check: %1 the search-data table, %2 the share done.
constexpr int PopulationProgressText = 8495;

bool stops(int code) { return code != CheckTableResult::Continue; }

// A check procedure: traced like every procedure, and a failure is also reported through the
// services helper's error report under the procedure's name. The result is what the body had
// reached (a body sets CheckTableResult::Failed before it fails where that is its answer).
template <typename R, typename Body>
R checked(const char *procedure, R neutral, Body &&body)
{
    TraceScope scope(procedure, Module);
    R result = std::move(neutral);
    try {
        body(result);
    } catch (const std::exception &e) {
        ServicesHelper::instance().ReportError(QString::fromLatin1(procedure), QString::fromUtf8(e.what()));
    } catch (...) {
        ServicesHelper::instance().ReportError(QString::fromLatin1(procedure), QStringLiteral("unknown failure"));
    }
    return result;
}

void diagnostic(const QString &line)
{
    FormsGlobal &forms = FormsGlobal::instance();
    if (forms.DiagnosticLogEnabled())
        forms.WriteDiagnosticLine(line);
}

// A structure reduced to the parts one check compares.
TableStructure fieldsOf(TableStructure s)
{
    s.Keys.clear();
    s.Indexes.clear();
    s.ForeignKeys.clear();
    return s;
}

TableStructure keysOf(TableStructure s)
{
    s.Fields.clear();
    s.ForeignKeys.clear();
    return s;
}

// A column value as the record set writes it.
QVariant databaseValue(const Variant &value)
{
    switch (value.type()) {
    case Variant::Type::Text:
        return value.toText();
    case Variant::Type::Int16:
    case Variant::Type::Int32:
        return value.toInt32();
    case Variant::Type::Single:
        return float(value.toDouble());
    case Variant::Type::Double:
        return value.toDouble();
    case Variant::Type::Date:
        return value.toDate();
    case Variant::Type::Boolean:
        return value.toBool();
    default:
        return QVariant();
    }
}

// Record keys of the population check, compared as the key field's kind of value.
struct RecordKey
{
    QVariant value;
    qint64 number = 0;
    QString text;
};

class KeyOrder
{
public:
    explicit KeyOrder(bool textKey) : m_text(textKey) {}
    RecordKey make(const QVariant &value) const
    {
        RecordKey key;
        key.value = value;
        if (m_text)
            key.text = value.toString();
        else
            key.number = value.toLongLong();
        return key;
    }
    bool operator()(const RecordKey &a, const RecordKey &b) const
    {
        return m_text ? a.text < b.text : a.number < b.number;
    }
    bool same(const RecordKey &a, const RecordKey &b) const { return !(*this)(a, b) && !(*this)(b, a); }

private:
    bool m_text;
};

// The keys of the first field of every row of a query, in key order; NULL keys are left out.
std::vector<RecordKey> readKeys(Connection &db, const QString &sql, const KeyOrder &order)
{
    const std::unique_ptr<RecordSet> rs = db.OpenQuery(sql);
    if (!rs)
        fail(db.lastError());
    std::vector<RecordKey> keys;
    keys.reserve(size_t(rs->RecordCount()));
    for (; !rs->EOF(); rs->MoveNext()) {
        const QVariant value = rs->value(0);
        if (!value.isNull())
            keys.push_back(order.make(value));
    }
    std::sort(keys.begin(), keys.end(), order);
    return keys;
}

// Reports the share done of a run through a progress object, "0.00%" style.
class PopulationProgress
{
public:
    PopulationProgress(IProgress &progress, const QString &table, qint64 total)
        : m_progress(progress), m_table(table), m_total(std::max<qint64>(total, 1))
    {
        m_progress.Start(text(0), int(std::min<qint64>(m_total, std::numeric_limits<int>::max())));
    }
    ~PopulationProgress() { m_progress.End(); }
    PopulationProgress(const PopulationProgress &) = delete;
    PopulationProgress &operator=(const PopulationProgress &) = delete;

    // Counts `steps` more steps done; the text changes when the share shown changes.
    void advance(qint64 steps = 1)
    {
        m_done = std::min(m_total, m_done + steps);
        const qint64 hundredths = m_done * 10000 / m_total;
        if (hundredths == m_shown)
            return;
        m_shown = hundredths;
        m_progress.SetText(text(m_done));
        m_progress.Step(int(std::min<qint64>(m_done, std::numeric_limits<int>::max())));
    }
    void finish() { advance(m_total); }
    bool cancelled() const { return m_progress.Cancelled(); }

private:
    QString text(qint64 done) const
    {
        const double share = double(done) / double(m_total);
        return ResourceTexts::instance().Text(PopulationProgressText,
                                              {m_table, QLocale().toString(share * 100.0, 'f', 2) + QLatin1Char('%')});
    }

    IProgress &m_progress;
    QString m_table;
    qint64 m_total;
    qint64 m_done = 0;
    qint64 m_shown = 0;
};

} // namespace

// --- Search filter -------------------------------------------------------------------------------

int CSearchFilter::CheckTable(IProgress *roProgress, int enmConvertMode, bool blnCheckKeysAndIndexes)
{
    return traced("CheckTable", FilterModule, int(CheckTableResult::Continue), [&](int &result) {
        if (m_columns)
            result = m_columns->CheckTable(roProgress, enmConvertMode, blnCheckKeysAndIndexes);
    });
}

std::unique_ptr<CCheckNameList> CSearchFilter::GetCheckNameList()
{
    return traced("GetCheckNameList", FilterModule, std::unique_ptr<CCheckNameList>(),
                  [&](std::unique_ptr<CCheckNameList> &result) {
                      if (m_columns)
                          result = TableCheck(*m_columns).GetCheckNameList();
                  });
}

// --- Column set ----------------------------------------------------------------------------------

int CFilterColumns::CheckTable(IProgress *roProgress, int enmConvertMode, bool blnCheckKeysAndIndexes)
{
    return TableCheck(*this).CheckTable(roProgress, enmConvertMode, blnCheckKeysAndIndexes);
}

// --- The check ---------------------------------------------------------------------------------

int TableCheck::CheckTable(IProgress *roProgress, int enmConvertMode, bool blnCheckKeysAndIndexes)
{
    return checked("CheckTable", int(CheckTableResult::Continue), [&](int &result) {
        // Without columns there is nothing to check, and nothing is touched.
        if (m_set.Count() == 0)
            return;
        require(m_set.catalog() && m_set.handler() && m_set.keyColumn(),
                QStringLiteral("the column set is not set up"));
        const QString refusal = hostTransactionRefusal(*m_set.connection(), QStringLiteral("The table check"));
        if (!refusal.isEmpty()) {
            result = CheckTableResult::NotAllowed;
            fail(refusal);
        }
        DatabaseHelper::RefreshCatalog(*m_set.catalog());
        if (m_set.needsDefinitionConversion()) {
            if (enmConvertMode == ConvertMode::CheckOnly) {
                result = QueryConvert(roProgress, enmConvertMode);
            } else if (enmConvertMode == ConvertMode::Convert) {
                if (CheckColumns(roProgress, enmConvertMode) && m_set.Count() > 0)
                    result = CheckForeignKeysAndIndexes(roProgress, enmConvertMode, blnCheckKeysAndIndexes, false);
            }
            return;
        }
        if (!CheckColumns(roProgress, enmConvertMode)) {
            result = QueryConvert(roProgress, enmConvertMode);
            return;
        }
        if (m_set.Count() > 0)
            result = CheckForeignKeysAndIndexes(roProgress, enmConvertMode, blnCheckKeysAndIndexes, false);
    });
}

int TableCheck::askConvert(const QString &table, int enmConvertMode)
{
    Connection *db = m_set.connection();
    require(m_set.handler() && db, QStringLiteral("the column set is not set up"));
    return m_set.handler()->ConvertRequest(db->ConnectionString(), table, enmConvertMode);
}

int TableCheck::QueryConvert(IProgress *roProgress, int enmConvertMode)
{
    return checked("QueryConvert", int(CheckTableResult::Continue), [&](int &result) {
        const int answer = askConvert(m_set.baseTableName(), enmConvertMode);
        result = stops(answer) ? answer : Convert(roProgress, enmConvertMode);
    });
}

int TableCheck::Convert(IProgress *roProgress, int enmConvertMode)
{
    return checked("Convert", int(CheckTableResult::Continue), [&](int &result) {
        result = CheckTableResult::Failed; // unless the definition table converts
        convertDefinitionTable();
        result = CheckTableResult::Continue;
        if (m_set.Count() > 0)
            result = CheckForeignKeysAndIndexes(roProgress, enmConvertMode, true, false);
    });
}

void TableCheck::convertDefinitionTable()
{
    DefinitionTable(m_set.tables()).convert();
    // The fields of the newer layout are read now.
    require(m_set.ColumnsFetch(), QStringLiteral("the definitions cannot be read again"));
}

bool TableCheck::CheckColumns(IProgress *roProgress, int enmConvertMode)
{
    Q_UNUSED(roProgress);
    return checked("CheckColumns", false, [&](bool &result) {
        const TableStructure definition = m_set.MyStructureDefinition();
        m_set.catalog()->Refresh(definition.TableName);
        auto table = DatabaseHelper::FindTable(*m_set.catalog(), definition.TableName);
        if (!table)
            return;
        for (const FieldDescription &field : definition.Fields) {
            TableStructure one(definition.TableName);
            one.Fields.append(field);
            one.Fields.last().Optional = false;
            if (table->FindColumn(field.Name) && one.Compare(*m_set.catalog(), CompareExact))
                continue;
            if (enmConvertMode != ConvertMode::Convert)
                return;
            // Only the definition table here: the keys and indexes of the other tables are
            // checked once, after this.
            convertDefinitionTable();
            table = DatabaseHelper::FindTable(*m_set.catalog(), definition.TableName);
            require(table != nullptr, QStringLiteral("the definition table is gone"));
        }
        // Kept on one server while the base table is spread over several: copied to every one.
        TableStructure placement(definition.TableName);
        placement.Distribution = definition.Distribution;
        if (!placement.Compare(*m_set.catalog(), CompareExact)) {
            if (enmConvertMode != ConvertMode::Convert)
                return;
            convertDefinitionTable();
        }
        // The rows of a former base-table name whose column is not defined under the current name
        // move to the current name; a name defined under both keeps the current definition.
        if (enmConvertMode == ConvertMode::Convert && !m_set.formerNamesFound().isEmpty()
            && DefinitionTable(m_set.tables()).moveFormerRows(m_set.formerNamesFound()))
            require(m_set.ColumnsFetch(), QStringLiteral("the definitions cannot be read again"));
        result = true;
    });
}

int TableCheck::CheckForeignKeysAndIndexes(IProgress *roProgress, int enmConvertMode, bool blnCheckKeys, bool blnBuild)
{
    return checkKeysAndIndexes(roProgress, enmConvertMode, blnCheckKeys, blnBuild, QString());
}

// With `onlyTable` (a table BuildDefaultTable has just made) only the columns kept in that table
// are checked, and neither the standard-table validation nor the population check runs: the
// check that built the table runs them for the whole column set.
int TableCheck::checkKeysAndIndexes(IProgress *roProgress, int enmConvertMode, bool blnCheckKeys, bool blnBuild,
                                    const QString &onlyTable)
{
    return checked("CheckForeignKeysAndIndexes", int(CheckTableResult::Continue), [&](int &result) {
        const bool whole = onlyTable.isEmpty();
        const auto inScope = [&](const CFilterColumn *c) {
            return whole || sameName(m_set.SearchTableName(c), onlyTable);
        };

        if (whole) {
            result = ValidateStandardTable(enmConvertMode);
            if (stops(result))
                return;
        }
        if (blnCheckKeys && blnBuild) {
            for (CFilterColumn *c : m_set.NewEnum()) {
                if (!c->IsPicklist() || !inScope(c))
                    continue;
                CScPicklist *picklist = c->PickList();
                require(picklist != nullptr, QStringLiteral("column %1 has no picklist").arg(c->Name()));
                if (!DatabaseHelper::FindTable(*m_set.catalog(), m_set.PicklistTableName(c))) {
                    if (!picklist->CreatePicklistTable()) {
                        result = CheckTableResult::Failed;
                        fail(QStringLiteral("creating %1 failed").arg(m_set.PicklistTableName(c)));
                    }
                    continue;
                }
                result = picklist->CheckTable(roProgress, enmConvertMode);
                if (stops(result))
                    return;
                if (enmConvertMode == ConvertMode::Convert && !picklist->CreateHideEntryField()) {
                    result = CheckTableResult::Failed;
                    fail(QStringLiteral("adding %1 to %2 failed")
                                 .arg(CScPicklist::HideEntry(), m_set.PicklistTableName(c)));
                }
            }
        }
        for (CFilterColumn *c : m_set.NewEnum()) {
            if (!inScope(c))
                continue;
            if (whole) {
                result = CheckColumn(roProgress, enmConvertMode, c);
                if (stops(result))
                    return;
            }
            result = CheckIndexes(enmConvertMode, c);
            if (stops(result))
                return;
        }
        if (whole && m_set.HasStandardColumns() && ServicesHelper::instance().PopulationCheckWanted()) {
            result = StartProcessDataReportProgress(roProgress, enmConvertMode != ConvertMode::Convert, enmConvertMode,
                                                    KvoPlx800SCtl::Convert::now());
            if (stops(result))
                return;
        }
        for (CFilterColumn *c : m_set.NewEnum()) {
            if (!inScope(c))
                continue;
            result = CheckForeignKeys(enmConvertMode, c);
            if (stops(result))
                return;
        }
        result = CheckTableResult::Continue;
    });
}

int TableCheck::CheckColumn(IProgress *roProgress, int enmConvertMode, CFilterColumn *column)
{
    return checked("CheckColumn", int(CheckTableResult::Continue), [&](int &result) {
        require(column != nullptr, QStringLiteral("no column"));
        const QString tableName = m_set.SearchTableName(column);
        m_set.catalog()->Refresh(tableName);
        if (!DatabaseHelper::FindTable(*m_set.catalog(), tableName)) {
            if (enmConvertMode != ConvertMode::Convert) {
                result = askConvert(tableName, enmConvertMode);
                if (stops(result))
                    return;
            }
            if (!BuildDefaultTable(roProgress, column)) {
                result = CheckTableResult::Failed;
                return;
            }
        } else {
            TableStructure s = m_set.MyStructureDefault(column);
            if (!fieldsOf(s).Compare(*m_set.catalog(), CompareExact)) {
                if (enmConvertMode != ConvertMode::Convert) {
                    result = askConvert(tableName, enmConvertMode);
                    if (stops(result))
                        return;
                }
                if (!s.Convert(*m_set.catalog())) {
                    result = CheckTableResult::Failed;
                    fail(QStringLiteral("converting %1 for column %2 failed: %3")
                                 .arg(tableName, column->Name(), s.lastError()));
                }
            }
        }
        if (column->IsPicklist()) {
            CScPicklist *picklist = column->PickList();
            require(picklist != nullptr, QStringLiteral("column %1 has no picklist").arg(column->Name()));
            result = picklist->CheckTable(roProgress, enmConvertMode);
        }
    });
}

int TableCheck::CheckIndexes(int enmConvertMode, CFilterColumn *column)
{
    return checked("CheckIndexes", int(CheckTableResult::Continue), [&](int &result) {
        require(column != nullptr, QStringLiteral("no column"));
        TableStructure s = m_set.MyStructureDefault(column);
        if (!DatabaseHelper::FindTable(*m_set.catalog(), s.TableName))
            return; // CheckColumn builds a missing table
        if (keysOf(s).Compare(*m_set.catalog(), CompareExact))
            return;
        if (enmConvertMode != ConvertMode::Convert) {
            result = askConvert(s.TableName, enmConvertMode);
            if (stops(result))
                return;
        }
        if (!s.RepairKeys(*m_set.catalog()) || !s.RepairIndexes(*m_set.catalog())) {
            result = CheckTableResult::Failed;
            fail(QStringLiteral("repairing the keys of %1 failed: %2").arg(s.TableName, s.lastError()));
        }
    });
}

// The foreign keys of a column's table are those of its picklist (the search tables refer to no
// other table: their rows are kept in line with the base records by the population check).
int TableCheck::CheckForeignKeys(int enmConvertMode, CFilterColumn *column)
{
    return checked("CheckForeignKeys", int(CheckTableResult::Continue), [&](int &result) {
        require(column != nullptr, QStringLiteral("no column"));
        if (!column->IsPicklist())
            return;
        CScPicklist *picklist = column->PickList();
        require(picklist != nullptr, QStringLiteral("column %1 has no picklist").arg(column->Name()));
        result = picklist->CheckForeignKeys(enmConvertMode);
    });
}

int TableCheck::ValidateStandardTable(int enmConvertMode)
{
    return checked("ValidateStandardTable", int(CheckTableResult::Continue), [&](int &result) {
        const QString tableName = m_set.SearchDataTableName();
        m_set.catalog()->Refresh(tableName);
        const auto table = DatabaseHelper::FindTable(*m_set.catalog(), tableName);
        const QString shownName = table ? table->Name : tableName;

        QList<const CFilterColumn *> defined;
        for (const CFilterColumn *c : m_set.NewEnum()) {
            if (c->ColumnType() != fcKeyword)
                defined.append(c);
        }
        diagnostic(QStringLiteral("defined field count = ") + QString::number(defined.size()));
        bool missing = false;
        for (const CFilterColumn *c : std::as_const(defined)) {
            if (!table || !table->FindColumn(c->Name())) {
                missing = true;
                diagnostic(QStringLiteral("database column ") + c->Name() + QStringLiteral(" missing from ")
                           + shownName);
            }
        }
        QStringList extra;
        if (table) {
            for (const CatalogColumn &field : table->Columns) {
                if (sameName(field.Name, m_set.keyFieldName()))
                    continue;
                const CFilterColumn *c = m_set.findByName(field.Name);
                if (!c || c->ColumnType() == fcKeyword)
                    extra.append(field.Name);
            }
        }
        if (!missing && extra.isEmpty())
            return;

        if (enmConvertMode != ConvertMode::Convert) {
            result = askConvert(m_set.baseTableName(), enmConvertMode);
            return;
        }
        if (!m_set.ColumnsSave(nullptr)) {
            result = CheckTableResult::Failed;
            fail(QStringLiteral("saving the column set to repair %1 failed").arg(shownName));
        }
        for (const QString &field : std::as_const(extra)) {
            m_set.catalog()->Refresh(tableName);
            const auto now = DatabaseHelper::FindTable(*m_set.catalog(), tableName);
            // The save drops the search-data table with the last column that is kept in it.
            bool dropped = !now || !now->FindColumn(field);
            if (!dropped) {
                TableStructure s = m_set.MyStructureDefault(nullptr);
                dropped = s.DropField(*m_set.catalog(), field);
            }
            diagnostic((dropped ? QStringLiteral("deleted column ") : QStringLiteral("failed to delete column "))
                       + field + QStringLiteral(" from ") + shownName);
        }
    });
}

TableStructure TableCheck::searchDataStructure() const
{
    TableStructure s = m_set.MyStructureDefault(nullptr);
    for (const CFilterColumn *c : m_set.NewEnum()) {
        if (c->ColumnType() == fcKeyword)
            continue;
        const TableStructure one = m_set.MyStructureDefault(c);
        if (const FieldDescription *field = one.findField(c->Name()))
            s.Fields.append(*field);
    }
    return s;
}

bool TableCheck::BuildDefaultTable(IProgress *roProgress, CFilterColumn *column)
{
    return checked("BuildDefaultTable", false, [&](bool &result) {
        require(column != nullptr, QStringLiteral("no column"));
        // The search-data table is made with the fields of every column kept in it.
        TableStructure s = column->ColumnType() == fcKeyword ? m_set.MyStructureDefault(column) : searchDataStructure();
        const bool made = DatabaseHelper::FindTable(*m_set.catalog(), s.TableName) ? s.Convert(*m_set.catalog())
                                                                                   : s.Create(*m_set.catalog());
        if (!made)
            fail(QStringLiteral("creating %1 failed: %2").arg(s.TableName, s.lastError()));
        const int code = checkKeysAndIndexes(roProgress, ConvertMode::Convert, true, true, s.TableName);
        m_set.catalog()->Refresh(s.TableName);
        result = !stops(code) && DatabaseHelper::FindTable(*m_set.catalog(), s.TableName) != nullptr;
    });
}

// --- Population check --------------------------------------------------------------------------

std::unique_ptr<CCheckPopulationArgs> TableCheck::CreateCheckPopulationArguments(bool blnAsk, int enmConvertMode,
                                                                                 const QDateTime &dtmNow)
{
    auto args = std::make_unique<CCheckPopulationArgs>();
    args->Init(blnAsk, enmConvertMode, dtmNow);
    return args;
}

int TableCheck::StartProcessDataReportProgress(IProgress *roProgress, bool blnAsk, int enmConvertMode,
                                               const QDateTime &dtmNow)
{
    return checked("StartProcessDataReportProgress", int(CheckTableResult::Continue), [&](int &result) {
        // A progress indicator of its own, shown through the caller's progress object when given.
        const std::unique_ptr<IProgress> progress = ServicesHelper::instance().ProgressIndicator(nullptr, roProgress);
        require(progress != nullptr, QStringLiteral("no progress indicator"));
        const std::unique_ptr<CCheckPopulationArgs> args =
                CreateCheckPopulationArguments(blnAsk, enmConvertMode, dtmNow);
        const std::unique_ptr<ProgressResult> answer = progress->RunRequest(CheckPopulationRequest, args.get(), m_set);
        if (const auto *population = dynamic_cast<const CCheckPopulationResult *>(answer.get()))
            result = population->Value();
    });
}

std::unique_ptr<ProgressResult> CFilterColumns::IProgressHandler_ProcessRequest(IProgress &progress, int request,
                                                                                ProgressArgs *args)
{
    return traced("IProgressHandler_ProcessRequest", "CFilterColumns", std::unique_ptr<ProgressResult>(),
                  [&](std::unique_ptr<ProgressResult> &result) {
                      const auto *population = dynamic_cast<const CCheckPopulationArgs *>(args);
                      if (request != CheckPopulationRequest || !population)
                          return; // not a request of this column set
                      result = TableCheck(*this).CheckPopulationProgress(progress, *population);
                  });
}

std::unique_ptr<CCheckPopulationResult> TableCheck::CheckPopulationProgress(IProgress &progress,
                                                                            const CCheckPopulationArgs &args)
{
    return checked("CheckPopulationProgress", std::unique_ptr<CCheckPopulationResult>(),
                   [&](std::unique_ptr<CCheckPopulationResult> &result) {
                       require(m_set.handler() != nullptr, QStringLiteral("no database handler"));
                       result = std::make_unique<CCheckPopulationResult>(CheckTableResult::Failed);
                       result->setValue(m_set.handler()->DatabaseType() == DatabaseKind::RecordSetForm
                                                ? CheckPopulationProgressADO(progress, args)
                                                : CheckPopulationProgressSQL(progress, args));
                   });
}

// Two statements: the missing rows inserted with every column's default, the orphaned ones
// deleted. With the ask flag the handler is asked first, when there is something to change.
int TableCheck::CheckPopulationProgressSQL(IProgress &progress, const CCheckPopulationArgs &args)
{
    return checked("CheckPopulationProgressSQL", int(CheckTableResult::Continue), [&](int &result) {
        Connection *db = m_set.connection();
        require(db && m_set.keyColumn(), QStringLiteral("the column set is not set up"));
        const QString t = db->QuoteName(m_set.SearchDataTableName());
        const QString b = db->QuoteName(m_set.baseTableName());
        const QString k = db->QuoteName(m_set.keyFieldName());
        const QString selection =
                m_set.baseTable() ? m_set.baseTable()->SearchSelectionCriteria().trimmed() : QString();

        QString fields = k;
        QString values = k;
        for (const CFilterColumn *c : m_set.NewEnum()) {
            if (c->ColumnType() == fcKeyword)
                continue;
            const QString f = db->QuoteName(c->Name());
            fields += QStringLiteral(", ") + f;
            values += QStringLiteral(", ") + c->DefaultValueSql(args.Now()) + QStringLiteral(" AS ") + f;
        }
        // The rows of `fromName` whose key `otherName` lacks, as an anti-join on the key that every
        // engine runs as one: a NOT IN list is hashed on some and scanned row by row on others, and
        // one NULL in it would hide every row.
        const auto lacking = [&](const QString &fromName, const QString &otherName) {
            return QStringLiteral("NOT EXISTS (SELECT 1 FROM ") + db->QuoteName(otherName) + QStringLiteral(" WHERE ")
                   + db->QualifiedName(otherName, m_set.keyFieldName()) + QStringLiteral(" = ")
                   + db->QualifiedName(fromName, m_set.keyFieldName()) + QLatin1Char(')');
        };
        QString missing = lacking(m_set.baseTableName(), m_set.SearchDataTableName());
        if (!selection.isEmpty())
            missing += QStringLiteral(" AND ") + k + QStringLiteral(" IN (") + selection + QLatin1Char(')');
        const QString orphaned = lacking(m_set.SearchDataTableName(), m_set.baseTableName());
        const QString insert = QStringLiteral("INSERT INTO ") + t + QLatin1Char('(') + fields
                               + QStringLiteral(") SELECT ") + values + QStringLiteral(" FROM ") + b
                               + QStringLiteral(" WHERE ") + missing;
        const QString remove = QStringLiteral("DELETE FROM ") + t + QStringLiteral(" WHERE ") + orphaned;

        PopulationProgress shown(progress, m_set.SearchDataTableName(), args.Ask() ? 3 : 2);
        if (args.Ask()) {
            const auto count = [&](const QString &sql) {
                const std::unique_ptr<RecordSet> rs = db->OpenQuery(sql);
                if (!rs || rs->EOF())
                    fail(db->lastError());
                return rs->value(0).toLongLong();
            };
            const qint64 changes =
                    count(QStringLiteral("SELECT COUNT(*) FROM ") + b + QStringLiteral(" WHERE ") + missing)
                    + count(QStringLiteral("SELECT COUNT(*) FROM ") + t + QStringLiteral(" WHERE ") + orphaned);
            shown.advance();
            if (changes > 0) {
                result = askConvert(m_set.SearchDataTableName(), args.ConvertMode());
                if (stops(result))
                    return;
            }
        }
        const LockedMessage locked = lockedMessage(8471, 8473);
        for (const QString &sql : {insert, remove}) {
            if (shown.cancelled()) {
                result = CheckTableResult::Cancelled;
                return;
            }
            if (!db->ExecuteSql(sql, &locked)) {
                result = CheckTableResult::Failed;
                fail(db->lastError());
            }
            shown.advance();
        }
        shown.finish();
    });
}

// The record-set form: the base keys and the search-data rows are walked in key order; a missing
// row is added (AddNew, the default of every column, Update) and an orphaned one deleted. With the
// ask flag the handler is asked before the first change.
int TableCheck::CheckPopulationProgressADO(IProgress &progress, const CCheckPopulationArgs &args)
{
    return checked("CheckPopulationProgressADO", int(CheckTableResult::Continue), [&](int &result) {
        Connection *db = m_set.connection();
        require(db && m_set.keyColumn(), QStringLiteral("the column set is not set up"));
        const QString key = m_set.keyFieldName();
        const QString k = db->QuoteName(key);
        const QString table = m_set.SearchDataTableName();
        const QString selection =
                m_set.baseTable() ? m_set.baseTable()->SearchSelectionCriteria().trimmed() : QString();
        const QString everyBaseKey =
                QStringLiteral("SELECT ") + k + QStringLiteral(" FROM ") + db->QuoteName(m_set.baseTableName());
        const QString order = QStringLiteral(" ORDER BY ") + k;
        const KeyOrder keyOrder(adoFamily(m_set.keyColumn()->Type) == AdoFamily::Text);

        const std::vector<RecordKey> base =
                readKeys(*db, (selection.isEmpty() ? everyBaseKey : selection) + order, keyOrder);
        // Narrowed by the selection, a row of a base record outside it is no orphan: it stays.
        const std::vector<RecordKey> all =
                selection.isEmpty() ? std::vector<RecordKey>() : readKeys(*db, everyBaseKey + order, keyOrder);
        const std::vector<RecordKey> rows = readKeys(
                *db, QStringLiteral("SELECT ") + k + QStringLiteral(" FROM ") + db->QuoteName(table) + order, keyOrder);

        PopulationProgress shown(progress, table, qint64(base.size() + rows.size()) + 1);
        std::vector<RecordKey> missing;
        std::vector<RecordKey> orphans;
        size_t i = 0;
        size_t j = 0;
        while (i < base.size() || j < rows.size()) {
            if (j >= rows.size() || (i < base.size() && keyOrder(base[i], rows[j]))) {
                missing.push_back(base[i++]);
            } else if (i >= base.size() || keyOrder(rows[j], base[i])) {
                const RecordKey &row = rows[j++];
                if (selection.isEmpty() || !std::binary_search(all.begin(), all.end(), row, keyOrder))
                    orphans.push_back(row);
            } else {
                ++i;
                ++j;
            }
            shown.advance();
        }
        if (missing.empty() && orphans.empty()) {
            shown.finish();
            return;
        }
        if (args.Ask()) {
            result = askConvert(table, args.ConvertMode());
            if (stops(result))
                return;
        }

        const std::unique_ptr<RecordSet> rs = db->OpenTable(table);
        if (!rs)
            fail(db->lastError());
        const auto failWith = [&](const QString &message) {
            result = CheckTableResult::Failed;
            fail(message);
        };
        if (!orphans.empty()) {
            rs->MoveFirst();
            while (!rs->EOF()) {
                if (shown.cancelled()) {
                    result = CheckTableResult::Cancelled;
                    return;
                }
                const QVariant value = rs->value(key);
                if (!value.isNull()
                    && std::binary_search(orphans.begin(), orphans.end(), keyOrder.make(value), keyOrder)) {
                    if (!rs->Delete())
                        failWith(rs->lastError());
                }
                rs->MoveNext();
            }
        }
        for (const RecordKey &record : missing) {
            if (shown.cancelled()) {
                result = CheckTableResult::Cancelled;
                return;
            }
            if (!rs->AddNew() || !rs->setValue(key, record.value))
                failWith(rs->lastError());
            for (const CFilterColumn *c : m_set.NewEnum()) {
                if (c->ColumnType() == fcKeyword)
                    continue;
                if (!rs->setValue(c->Name(), databaseValue(c->DefaultValue(args.Now()))))
                    failWith(rs->lastError());
            }
            if (!rs->Update())
                failWith(rs->lastError());
        }
        shown.finish();
    });
}

// --- Names under former base-table names -------------------------------------------------------

void TableCheck::GetCheckNameListAddEntries(CCheckNameList &list, const QStringList &formerNames,
                                            const CFilterColumn *column) const
{
    for (const QString &former : formerNames)
        list.AddEntry(m_set.SearchTableName(column), m_set.SearchTableNameFor(former, column));
}

void TableCheck::GetCheckNameListAddPicklistEntries(CCheckNameList &list, const QStringList &formerNames,
                                                    const CFilterColumn *column) const
{
    for (const QString &former : formerNames)
        list.AddEntry(m_set.PicklistTableName(column), QStringLiteral("Picklist") + former + column->Name());
}

std::unique_ptr<CCheckNameList> TableCheck::GetCheckNameList()
{
    return traced("GetCheckNameList", Module, std::unique_ptr<CCheckNameList>(),
                  [&](std::unique_ptr<CCheckNameList> &result) {
                      auto list = std::make_unique<CCheckNameList>();
                      const QStringList formers = m_set.formerBaseTableNames();
                      bool searchDataListed = false;
                      for (const CFilterColumn *c : m_set.NewEnum()) {
                          if (formers.isEmpty())
                              break;
                          if (c->ColumnType() == fcKeyword || !searchDataListed)
                              GetCheckNameListAddEntries(*list, formers, c);
                          searchDataListed = searchDataListed || c->ColumnType() != fcKeyword;
                          if (c->IsPicklist())
                              GetCheckNameListAddPicklistEntries(*list, formers, c);
                      }
                      result = std::move(list);
                  });
}

} // namespace KvoPlx800SCtl
