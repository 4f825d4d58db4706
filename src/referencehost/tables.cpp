#include "tables.h"

#include "hostkit/adotypes.h"
#include "hostkit/catalog.h"
#include "hostkit/connection.h"
#include "hostkit/databasehelper.h"
#include "hostkit/recordset.h"
#include "hostkit/tablestructure.h"

#include <QDateTime>
#include <QSet>

using namespace KvoPlx800SCtl::HostKit;

namespace KvoHost {

bool insertRows(Connection &connection, const QString &table, const QStringList &fields, qint64 first, qint64 last,
                const std::function<QString(qint64)> &rowsOf, QString *error, int batch)
{
    QStringList quoted;
    for (const QString &f : fields)
        quoted << connection.QuoteName(f);
    const QString head = QStringLiteral("INSERT INTO ") + connection.QuoteName(table) + QStringLiteral(" (")
                         + quoted.join(QStringLiteral(", ")) + QStringLiteral(") VALUES ");
    const auto fail = [&] {
        *error = connection.lastError();
        // The failed statement's error is the one to report.
        static_cast<void>(connection.RollbackTransaction());
        return false;
    };
    if (!connection.BeginTransaction())
        return fail();
    QString sql;
    int inBatch = 0;
    for (qint64 id = first; id <= last; ++id) {
        const QString rows = rowsOf(id);
        if (rows.isEmpty())
            continue;
        sql += (inBatch == 0 ? head : QStringLiteral(", ")) + rows;
        if (++inBatch == batch) {
            if (!connection.ExecuteSql(sql))
                return fail();
            sql.clear();
            inBatch = 0;
        }
    }
    if ((inBatch > 0 && !connection.ExecuteSql(sql)) || !connection.CommitTransaction())
        return fail();
    return true;
}

namespace {

const QStringList machines = {QStringLiteral("Mill 1"), QStringLiteral("Mill 2"), QStringLiteral("Lathe 1"),
                              QStringLiteral("Lathe 2"), QStringLiteral("Router")};
const QStringList statuses = {QStringLiteral("Open"), QStringLiteral("Released"), QStringLiteral("Closed")};

TableStructure dncFiles()
{
    TableStructure s(QStringLiteral("DncFiles"));
    s.addField(QStringLiteral("FileId"), adInteger, 0, false);
    s.addField(QStringLiteral("FileName"), adVarWChar, 255);
    s.addField(QStringLiteral("Machine"), adVarWChar, 50);
    s.addField(QStringLiteral("Modified"), adDate);
    s.addKey(QStringLiteral("PK_DncFiles"), KeyKind::Primary, {QStringLiteral("FileId")});
    return s;
}

TableStructure packets()
{
    TableStructure s(QStringLiteral("Packets"));
    s.addField(QStringLiteral("PacketId"), adInteger, 0, false);
    s.addField(QStringLiteral("PacketName"), adVarWChar, 255);
    s.addField(QStringLiteral("Status"), adVarWChar, 50);
    s.addKey(QStringLiteral("PK_Packets"), KeyKind::Primary, {QStringLiteral("PacketId")});
    return s;
}

// The values of sample record `id` as SQL literals, in field order after the key.
QStringList dncFileValues(const Connection &db, int id)
{
    const QDateTime modified(QDate(2024, 1, 1).addDays(id % 365), QTime(8 + id % 10, (id * 7) % 60), Qt::UTC);
    return {db.QuoteText(QStringLiteral("O%1.nc").arg(id, 4, 10, QLatin1Char('0'))),
            db.QuoteText(machines.at(id % machines.size())), db.SqlDateLiteral(modified)};
}

QStringList packetValues(const Connection &db, int id)
{
    return {db.QuoteText(QStringLiteral("Packet %1").arg(id)), db.QuoteText(statuses.at(id % statuses.size()))};
}

bool fill(Catalog &catalog, TableStructure structure, int records, QStringList (*values)(const Connection &, int),
          QString *error)
{
    Connection &db = catalog.ActiveConnection();
    if (!DatabaseHelper::FindTable(catalog, structure.TableName) && !structure.Create(catalog)) {
        *error = structure.lastError();
        return false;
    }
    QStringList fieldNames;
    for (const FieldDescription &f : structure.Fields)
        fieldNames.append(f.Name);
    auto existing = db.OpenQuery(QStringLiteral("SELECT ") + db.QuoteName(fieldNames.first()) + QStringLiteral(" FROM ")
                                 + db.QuoteName(structure.TableName));
    if (!existing) {
        *error = db.lastError();
        return false;
    }
    QSet<int> have;
    for (existing->MoveFirst(); !existing->EOF(); existing->MoveNext())
        have.insert(existing->value(0).toInt());
    return insertRows(
            db, structure.TableName, fieldNames, 1, records,
            [&](qint64 id) {
                if (have.contains(int(id)))
                    return QString();
                return QStringLiteral("(") + QString::number(id) + QStringLiteral(", ")
                       + values(db, int(id)).join(QStringLiteral(", ")) + QStringLiteral(")");
            },
            error);
}

} // namespace

bool createSampleHostTables(Catalog &catalog, int records, QString *error)
{
    return fill(catalog, dncFiles(), records, dncFileValues, error)
           && fill(catalog, packets(), records, packetValues, error);
}

} // namespace KvoHost
