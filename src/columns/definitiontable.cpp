#include "definitiontable.h"

#include "searchtables.h"

#include "core/columntypes.h"
#include "core/conversions.h"
#include "core/sqlsupport.h"

#include "hostkit/adotypes.h"
#include "hostkit/connection.h"
#include "hostkit/databasehandler.h"
#include "hostkit/databasehelper.h"
#include "hostkit/dialect.h"
#include "hostkit/recordset.h"

#include <QSet>

#include <algorithm>

namespace KvoPlx800SCtl {

using namespace HostKit;

namespace {

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

// The type, size and picklist fields of a column's row as (field, literal) pairs.
QList<std::pair<QString, QString>> typeFields(const Connection &db, const CFilterColumn &c)
{
    const auto text = [&](const QString &t) { return t.isEmpty() ? QStringLiteral("NULL") : db.QuoteText(t); };
    const auto boolean = [&](bool b) { return QString::number(db.SqlBooleanValue(b)); };
    // A default that does not convert to the column's type is kept as typed (it acts as no
    // default) rather than lost.
    const auto formatted = c.SQLFormatPicklistValue(c.PicklistDefault(), QLocale::c());
    return {{QStringLiteral("Type"), QString::number(int(c.ColumnType()))},
            {QStringLiteral("Size"), QString::number(c.TextLengthInUI())},
            {QStringLiteral("IsPicklist"), boolean(c.IsPicklist())},
            {QStringLiteral("PicklistAllowBlanks"), boolean(c.PicklistAllowBlanks())},
            {QStringLiteral("PicklistDefault"), formatted ? *formatted : text(c.PicklistDefault())}};
}

// Every statement on the definition table shows the same locked-record texts.
LockedMessage definitionsLocked() { return lockedMessage(8456, 8457); }

Connection &definitionConnection(const SearchTables &tables)
{
    Connection *db = tables.connection();
    require(db != nullptr, QStringLiteral("no database connection"));
    return *db;
}

} // namespace

namespace {

// The fields a definition row is written with, in the table's order; MergeName only where the
// table has it.
QStringList rowFields(bool hasMergeField)
{
    QStringList fields{QStringLiteral("BaseTable"),           QStringLiteral("Position"),
                       QStringLiteral("Name"),                QStringLiteral("Type"),
                       QStringLiteral("Size"),                QStringLiteral("Caption"),
                       QStringLiteral("Description"),         QStringLiteral("IsPicklist"),
                       QStringLiteral("PicklistAllowBlanks"), QStringLiteral("PicklistDefault"),
                       QStringLiteral("DateTimeDefaultMode"), QStringLiteral("DateTimeDefaultValue"),
                       QStringLiteral("DisableEditDateTime")};
    if (hasMergeField)
        fields << DefinitionTable::mergeNameField();
    return fields;
}

// The row of a column as (field, literal) pairs; a field left out is NULL.
QList<std::pair<QString, QString>> rowLiterals(const Connection &db, const CFilterColumn &c, const QString &baseTable,
                                               bool hasMergeField)
{
    const auto text = [&](const QString &t) { return t.isEmpty() ? QStringLiteral("NULL") : db.QuoteText(t); };
    const auto boolean = [&](bool b) { return QString::number(db.SqlBooleanValue(b)); };
    QList<std::pair<QString, QString>> row{{QStringLiteral("BaseTable"), db.QuoteText(baseTable)},
                                           {QStringLiteral("Position"), QString::number(c.Index())},
                                           {QStringLiteral("Name"), db.QuoteText(c.Name())}};
    // In the table's order: Type and Size, Caption and Description, the picklist fields.
    const auto typed = typeFields(db, c);
    for (qsizetype i = 0; i < typed.size(); ++i) {
        if (i == 2) {
            row.append({QStringLiteral("Caption"), text(c.Caption())});
            row.append({QStringLiteral("Description"), text(c.Description())});
        }
        row.append(typed.at(i));
    }
    row.append({QStringLiteral("DateTimeDefaultMode"), QString::number(int(c.DateTimeDefaultMode()))});
    if (c.DateTimeDefaultMode() == fcDTDM_Configure && c.DateTimeDefaultValue().hasValue())
        row.append({QStringLiteral("DateTimeDefaultValue"), db.SqlDateLiteral(c.DateTimeDefaultValue().toDate())});
    row.append({QStringLiteral("DisableEditDateTime"), boolean(c.DisableEditDateTime())});
    if (!c.MergeName().isEmpty() && hasMergeField)
        row.append({DefinitionTable::mergeNameField(), db.QuoteText(c.MergeName())});
    return row;
}

// The literals of rowFields() a column's row is written with.
QStringList rowText(const Connection &db, const CFilterColumn &c, const QString &baseTable, bool hasMergeField)
{
    const auto row = rowLiterals(db, c, baseTable, hasMergeField);
    QStringList text;
    for (const QString &field : rowFields(hasMergeField)) {
        const auto it = std::find_if(row.begin(), row.end(), [&](const auto &p) { return p.first == field; });
        text << (it == row.end() ? QStringLiteral("NULL") : it->second);
    }
    return text;
}

// The literals of rowFields() that would write a stored row again as it is. A value the writer
// would write otherwise (an empty text, a number kept as text, a Boolean other than 0 and 1)
// gives another literal, so its row counts as changed.
QStringList storedRowText(const Connection &db, const RecordSet &rs, bool hasMergeField)
{
    static const QSet<QString> texts{QStringLiteral("BaseTable"), QStringLiteral("Name"), QStringLiteral("Caption"),
                                     QStringLiteral("Description"), QStringLiteral("PicklistDefault"),
                                     DefinitionTable::mergeNameField()};
    QStringList text;
    for (const QString &field : rowFields(hasMergeField)) {
        const QVariant v = rs.value(field);
        if (v.isNull())
            text << QStringLiteral("NULL");
        else if (texts.contains(field))
            text << db.QuoteText(v.toString());
        else if (field == QLatin1String("DateTimeDefaultValue")) {
            const Variant date = Convert::fromDatabase(v, fcDateTime);
            text << (date.hasValue() ? db.SqlDateLiteral(date.toDate()) : QStringLiteral("?"));
        } else {
            bool ok = false;
            const qlonglong n = v.toLongLong(&ok);
            text << (ok ? QString::number(n) : QStringLiteral("?"));
        }
    }
    return text;
}

} // namespace

std::unique_ptr<RecordSet> DefinitionTable::open(const QStringList &baseTables) const
{
    Connection &db = definitionConnection(m_tables);
    if (!DatabaseHelper::FindTable(*m_tables.catalog(), SearchTables::definitionTable()))
        create();
    QStringList names;
    for (const QString &name : baseTables)
        names << db.QuoteText(name);
    // Rows are written by statements, never through the record set: it needs no key.
    auto rs = db.OpenQuery(QStringLiteral("SELECT * FROM ") + db.QuoteName(SearchTables::definitionTable())
                           + QStringLiteral(" WHERE ") + db.QuoteName(QStringLiteral("BaseTable"))
                           + QStringLiteral(" IN (") + names.join(QStringLiteral(", ")) + QLatin1Char(')'));
    require(rs != nullptr, QStringLiteral("the definition table cannot be opened: ") + db.lastError());
    return rs;
}

void DefinitionTable::create() const
{
    TableStructure s = m_tables.definitionStructure();
    if (!s.Create(*m_tables.catalog()))
        fail(QStringLiteral("creating the definition table failed: ") + s.lastError());
}

void DefinitionTable::ensure() const
{
    if (!DatabaseHelper::FindTable(*m_tables.catalog(), SearchTables::definitionTable()))
        create();
    else if (!m_tables.definitionStructure().Compare(*m_tables.catalog(), CompareExact))
        convert();
}

void DefinitionTable::convert() const
{
    TableStructure s = m_tables.definitionStructure();
    if (!s.Convert(*m_tables.catalog()))
        fail(QStringLiteral("converting the definition table failed: ") + s.lastError());
}

DefinitionTable::Rows DefinitionTable::read(const QStringList &formerNames) const
{
    Rows result;
    // Other base tables' rows (a database may hold several) are not read.
    const std::unique_ptr<RecordSet> rs = open(QStringList{m_tables.baseTableName()} + formerNames);
    const bool hasMode = rs->hasField(QStringLiteral("DateTimeDefaultMode"));
    const bool hasValue = rs->hasField(QStringLiteral("DateTimeDefaultValue"));
    const bool hasDisable = rs->hasField(QStringLiteral("DisableEditDateTime"));
    const bool hasMerge = rs->hasField(mergeNameField());
    result.olderLayout = !hasMode;
    result.hasMergeField = hasMerge;

    struct Row
    {
        int position;
        bool current; // of the current base-table name
        ColumnDefinition column;
    };
    std::vector<Row> rows;
    for (rs->MoveFirst(); !rs->EOF(); rs->MoveNext()) {
        const QString baseTable = textField(*rs, "BaseTable");
        const bool current = baseTable == m_tables.baseTableName();
        if (!current) {
            if (baseTable.isEmpty() || !formerNames.contains(baseTable))
                continue;
            if (!result.formerNamesFound.contains(baseTable))
                result.formerNamesFound.append(baseTable);
        }
        ColumnDefinition c;
        c.name = textField(*rs, "Name");
        c.caption = textField(*rs, "Caption");
        c.description = textField(*rs, "Description");
        c.type = FilterColumnTypeConstants(intField(*rs, "Type", fcUndefined));
        c.textLengthInUI = qint16(intField(*rs, "Size"));
        c.isPicklist = boolField(*rs, "IsPicklist");
        c.picklistAllowBlanks = boolField(*rs, "PicklistAllowBlanks");
        c.picklistDefault = textField(*rs, "PicklistDefault").trimmed();
        if (c.type == fcDateTime && !c.picklistDefault.isEmpty() && !Convert::parseDate(c.picklistDefault))
            c.picklistDefault.clear();
        c.dateTimeDefaultMode = hasMode ? EFilterColumnDateTimeDefaultModeConstants(
                                        intField(*rs, "DateTimeDefaultMode", fcDTDM_Configure))
                                        : fcDTDM_Configure;
        // An older table without the field gives the date zero; a NULL field stays Null.
        c.dateTimeDefaultValue =
                hasValue ? Convert::fromDatabase(rs->value(QStringLiteral("DateTimeDefaultValue")), fcDateTime)
                         : Variant::date(Variant::dateZero());
        c.disableEditDateTime = hasDisable && boolField(*rs, "DisableEditDateTime");
        c.mergeName = hasMerge ? textField(*rs, "MergeName").trimmed() : QString();
        if (current && !result.olderLayout)
            result.currentRows.push_back(
                    {intField(*rs, "Position"), c.name, storedRowText(definitionConnection(m_tables), *rs, hasMerge)});
        rows.push_back({intField(*rs, "Position"), current, std::move(c)});
    }
    std::stable_sort(rows.begin(), rows.end(), [](const Row &a, const Row &b) { return a.position < b.position; });

    // The same name under a former base-table name: the current one wins.
    const auto defined = [&](const QString &name, bool currentOnly) {
        return std::any_of(rows.begin(), rows.end(),
                           [&](const Row &r) { return (r.current || !currentOnly) && sameName(r.column.name, name); });
    };
    for (Row &row : rows) {
        if (!row.current && defined(row.column.name, true))
            continue;
        const bool taken = std::any_of(result.columns.begin(), result.columns.end(),
                                       [&](const ColumnDefinition &c) { return sameName(c.name, row.column.name); });
        if (!taken)
            result.columns.push_back(std::move(row.column));
    }
    return result;
}

void DefinitionTable::writeAll(const QList<CFilterColumn *> &columns, const QStringList &known) const
{
    Connection &db = definitionConnection(m_tables);
    const LockedMessage locked = definitionsLocked();
    const auto table = DatabaseHelper::FindTable(*m_tables.catalog(), SearchTables::definitionTable());
    require(table != nullptr, QStringLiteral("the definition table is missing"));
    const bool hasMergeField = table->FindColumn(mergeNameField()) != nullptr;
    const QString def = db.QuoteName(SearchTables::definitionTable());
    const QString baseTable = m_tables.baseTableName();

    QStringList names;
    for (const QString &name : known)
        names.append(db.QuoteText(name));
    inTransaction(db, locked, [&] {
        if (!names.isEmpty())
            execute(db,
                    QStringLiteral("DELETE FROM ") + def + QStringLiteral(" WHERE ")
                            + db.QuoteName(QStringLiteral("BaseTable")) + QStringLiteral(" = ") + db.QuoteText(baseTable)
                            + QStringLiteral(" AND ") + db.QuoteName(QStringLiteral("Name")) + QStringLiteral(" IN (")
                            + names.join(QStringLiteral(", ")) + u')',
                    &locked, QStringLiteral("the definitions were not removed"));
        // Rows left are other administrators' columns; they move behind this set's positions
        // 1..n (past every position in use, so that no two rows share one on the way).
        const QString where = QStringLiteral(" WHERE ") + db.QuoteName(QStringLiteral("BaseTable"))
                              + QStringLiteral(" = ") + db.QuoteText(baseTable);
        const QString position = db.QuoteName(QStringLiteral("Position"));
        const auto last = db.OpenQuery(QStringLiteral("SELECT MAX(") + position + QStringLiteral(") FROM ") + def
                                       + where);
        require(last != nullptr, QStringLiteral("the definitions were not read: ") + db.lastError());
        if (!last->EOF() && !last->value(0).isNull())
            execute(db,
                    QStringLiteral("UPDATE ") + def + QStringLiteral(" SET ") + position + QStringLiteral(" = ")
                            + position + QStringLiteral(" + ")
                            + QString::number(last->value(0).toLongLong() + columns.size()) + where,
                    &locked, QStringLiteral("the definitions were not moved"));
        for (const CFilterColumn *c : columns)
            insertRow(*c, hasMergeField);
    });
}

void DefinitionTable::insertRow(const CFilterColumn &c, bool hasMergeField) const
{
    Connection &db = definitionConnection(m_tables);
    const LockedMessage locked = definitionsLocked();
    QString fields;
    QString values;
    for (const auto &[field, literal] : rowLiterals(db, c, m_tables.baseTableName(), hasMergeField))
        db.AddInsertPair(fields, values, field, literal);
    execute(db,
            QStringLiteral("INSERT INTO ") + db.QuoteName(SearchTables::definitionTable()) + QStringLiteral(" (")
                    + fields + QStringLiteral(") VALUES (") + values + QStringLiteral(")"),
            &locked, QStringLiteral("the definition of %1 was not written").arg(c.Name()));
}

bool DefinitionTable::readsBackUnchanged(const ColumnDefinition &d, bool hasMergeField)
{
    const QString picklistDefault = d.picklistDefault.trimmed();
    if (picklistDefault != d.picklistDefault || (!picklistDefault.isEmpty() && !ColumnTypes::isText(d.type)))
        return false;
    if (d.dateTimeDefaultValue.hasValue())
        return false;
    return d.mergeName.isEmpty() || (hasMergeField && d.mergeName == d.mergeName.trimmed());
}

DefinitionTable::Written DefinitionTable::writeChanged(const QList<CFilterColumn *> &columns, const Rows &stored,
                                                       const QStringList &known) const
{
    const auto allNames = [&] {
        QStringList names;
        for (const CFilterColumn *c : columns)
            names << c->Name();
        return names;
    };
    // A row of a column this set does not know was saved meanwhile by another administrator: the
    // positions then have to make room for it, which the full write does.
    const bool othersSaved = std::any_of(stored.currentRows.begin(), stored.currentRows.end(), [&](const StoredRow &r) {
        return !known.contains(r.name, Qt::CaseInsensitive);
    });
    if (stored.olderLayout || othersSaved) {
        writeAll(columns, known);
        return {false, allNames()};
    }
    Connection &db = definitionConnection(m_tables);
    const QString baseTable = m_tables.baseTableName();
    // A stored row that reads as the row the column would be written with stays; the others of
    // the base table go and the columns without a row of their own are written. Kept rows hold
    // the positions of their columns, so the new rows take only positions that are free.
    std::vector<bool> kept(stored.currentRows.size(), false);
    QList<const CFilterColumn *> toWrite;
    for (const CFilterColumn *c : columns) {
        const auto it = std::find_if(stored.currentRows.begin(), stored.currentRows.end(),
                                     [&](const StoredRow &r) { return sameName(r.name, c->Name()); });
        if (it != stored.currentRows.end() && it->text == rowText(db, *c, baseTable, stored.hasMergeField))
            kept[size_t(it - stored.currentRows.begin())] = true;
        else
            toWrite << c;
    }
    QStringList gone;
    for (size_t i = 0; i < kept.size(); ++i) {
        if (!kept[i])
            gone << QString::number(stored.currentRows[i].position);
    }
    Written written{true, {}};
    for (const CFilterColumn *c : std::as_const(toWrite))
        written.names << c->Name();
    if (toWrite.isEmpty() && gone.isEmpty())
        return written;
    try {
        writeChangedRows(gone, toWrite, stored.hasMergeField);
    } catch (const Failure &) {
        // Another administrator's row written since the read (on another node of a cluster, where
        // the session lock does not reach) holds a position or name this write wanted: the full
        // write makes room for it.
        if (db.lastSqlError().kind() != SqlError::Constraint)
            throw;
        writeAll(columns, known);
        return {false, allNames()};
    }
    return written;
}

void DefinitionTable::writeChangedRows(const QStringList &gone, const QList<const CFilterColumn *> &toWrite,
                                       bool hasMergeField) const
{
    Connection &db = definitionConnection(m_tables);
    const QString baseTable = m_tables.baseTableName();
    const LockedMessage locked = definitionsLocked();
    // One new row (a column added) is a statement that stands alone.
    if (gone.isEmpty() && toWrite.size() == 1) {
        insertRow(*toWrite.first(), hasMergeField);
        return;
    }
    inTransaction(db, locked, [&] {
        if (!gone.isEmpty())
            execute(db,
                    QStringLiteral("DELETE FROM ") + db.QuoteName(SearchTables::definitionTable())
                            + QStringLiteral(" WHERE ") + db.QuoteName(QStringLiteral("BaseTable"))
                            + QStringLiteral(" = ") + db.QuoteText(baseTable) + QStringLiteral(" AND ")
                            + db.QuoteName(QStringLiteral("Position")) + QStringLiteral(" IN (")
                            + gone.join(QStringLiteral(", ")) + QStringLiteral(")"),
                    &locked, QStringLiteral("the definitions were not removed"));
        for (const CFilterColumn *c : std::as_const(toWrite))
            insertRow(*c, hasMergeField);
    });
}

void DefinitionTable::updateType(const CFilterColumn &column) const
{
    Connection &db = definitionConnection(m_tables);
    const LockedMessage locked = definitionsLocked();
    QString set;
    for (const auto &[field, literal] : typeFields(db, column))
        db.AddUpdatePair(set, field, literal);
    execute(db,
            QStringLiteral("UPDATE ") + db.QuoteName(SearchTables::definitionTable()) + QStringLiteral(" SET ") + set
                    + QStringLiteral(" WHERE ") + db.QuoteName(QStringLiteral("BaseTable")) + QStringLiteral(" = ")
                    + db.QuoteText(m_tables.baseTableName()) + QStringLiteral(" AND ")
                    + db.QuoteName(QStringLiteral("Name")) + QStringLiteral(" = ") + db.QuoteText(column.Name()),
            &locked, QStringLiteral("the definition of %1 was not written").arg(column.Name()));
    require(db.rowsAffected() == 1, QStringLiteral("the column %1 has no definition row").arg(column.Name()));
}

bool DefinitionTable::moveFormerRows(const QStringList &formerNames) const
{
    Connection &db = definitionConnection(m_tables);
    const QString table = db.QuoteName(SearchTables::definitionTable());
    const QString baseField = db.QuoteName(QStringLiteral("BaseTable"));
    const QString nameField = db.QuoteName(QStringLiteral("Name"));
    const QString positionField = db.QuoteName(QStringLiteral("Position"));
    const auto rowsOf = [&](const QString &baseTable) {
        auto rs = db.OpenQuery(QStringLiteral("SELECT ") + nameField + QStringLiteral(", ") + positionField
                               + QStringLiteral(" FROM ") + table + QStringLiteral(" WHERE ") + baseField
                               + QStringLiteral(" = ") + db.QuoteText(baseTable) + QStringLiteral(" ORDER BY ")
                               + positionField);
        require(rs != nullptr,
                QStringLiteral("the definitions of %1 cannot be read: %2").arg(baseTable, db.lastError()));
        return rs;
    };

    QSet<QString> defined;
    int last = 0;
    for (auto rs = rowsOf(m_tables.baseTableName()); !rs->EOF(); rs->MoveNext()) {
        defined.insert(rs->value(0).toString().toLower());
        last = std::max(last, rs->value(1).toInt());
    }
    struct Move
    {
        QString former;
        QString name;
    };
    QList<Move> moves;
    for (const QString &former : formerNames) {
        for (auto rs = rowsOf(former); !rs->EOF(); rs->MoveNext()) {
            const QString name = rs->value(0).toString();
            if (defined.contains(name.toLower()))
                continue;
            defined.insert(name.toLower());
            moves.append({former, name});
        }
    }
    if (moves.isEmpty())
        return false;

    const LockedMessage locked = definitionsLocked();
    inTransaction(db, locked, [&] {
        for (const Move &move : std::as_const(moves)) {
            execute(db,
                    QStringLiteral("UPDATE ") + table + QStringLiteral(" SET ") + baseField + QStringLiteral(" = ")
                            + db.QuoteText(m_tables.baseTableName()) + QStringLiteral(", ") + positionField
                            + QStringLiteral(" = ") + QString::number(++last) + QStringLiteral(" WHERE ") + baseField
                            + QStringLiteral(" = ") + db.QuoteText(move.former) + QStringLiteral(" AND ") + nameField
                            + QStringLiteral(" = ") + db.QuoteText(move.name),
                    &locked, QStringLiteral("the definition of %1 was not moved").arg(move.name));
        }
    });
    return true;
}

void DefinitionTable::addMergeField() const
{
    if (!DatabaseHelper::FindTable(*m_tables.catalog(), SearchTables::definitionTable()))
        create();
    const auto table = DatabaseHelper::FindTable(*m_tables.catalog(), SearchTables::definitionTable());
    require(table != nullptr, QStringLiteral("the definition table is missing"));
    if (table->FindColumn(mergeNameField()))
        return;
    TableStructure s(SearchTables::definitionTable());
    s.addField(mergeNameField(), adVarWChar, m_tables.handler() ? m_tables.handler()->DefaultTextLength() : 255);
    if (!s.AddField(*m_tables.catalog(), mergeNameField()))
        fail(QStringLiteral("adding %1 failed: %2").arg(mergeNameField(), s.lastError()));
}

void DefinitionTable::dropMergeField() const
{
    const auto table = DatabaseHelper::FindTable(*m_tables.catalog(), SearchTables::definitionTable());
    if (!table || !table->FindColumn(mergeNameField()))
        return;
    TableStructure s(SearchTables::definitionTable());
    if (!s.DropField(*m_tables.catalog(), mergeNameField()))
        fail(QStringLiteral("removing %1 failed: %2").arg(mergeNameField(), s.lastError()));
}

} // namespace KvoPlx800SCtl
