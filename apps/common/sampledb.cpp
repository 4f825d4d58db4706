#include "sampledb.h"

#include "hostkit/adotypes.h"
#include "hostkit/catalog.h"
#include "hostkit/connection.h"
#include "hostkit/databasehelper.h"
#include "hostkit/recordset.h"
#include "hostkit/tablestructure.h"

#include <QDateTime>
#include <QSet>
#include <QStringList>

using namespace KvoPlx800SCtl::HostKit;

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

bool fill(Catalog &catalog, TableStructure structure, int records,
          QStringList (*values)(const Connection &, int), QString *error)
{
    Connection &db = catalog.ActiveConnection();
    if (!DatabaseHelper::FindTable(catalog, structure.TableName) && !structure.Create(catalog)) {
        *error = structure.lastError();
        return false;
    }
    const QString key = structure.Fields.first().Name;
    const QString table = db.QuoteName(structure.TableName);
    auto existing = db.OpenQuery(QStringLiteral("SELECT ") + db.QuoteName(key) + QStringLiteral(" FROM ") + table);
    if (!existing) {
        *error = db.lastError();
        return false;
    }
    QSet<int> have;
    for (existing->MoveFirst(); !existing->EOF(); existing->MoveNext())
        have.insert(existing->value(0).toInt());

    QStringList fieldNames;
    for (const FieldDescription &f : structure.Fields)
        fieldNames.append(db.QuoteName(f.Name));
    const QString head = QStringLiteral("INSERT INTO ") + table + QStringLiteral(" (") + fieldNames.join(QStringLiteral(", ")) +
                         QStringLiteral(") VALUES ");
    if (!db.BeginTransaction()) {
        *error = db.lastError();
        return false;
    }
    QStringList rows;
    const auto flush = [&] {
        if (rows.isEmpty())
            return true;
        const bool ok = db.ExecuteSql(head + rows.join(QStringLiteral(", ")));
        rows.clear();
        return ok;
    };
    bool ok = true;
    for (int id = 1; id <= records && ok; ++id) {
        if (have.contains(id))
            continue;
        rows.append(QStringLiteral("(") + QString::number(id) + QStringLiteral(", ") +
                    values(db, id).join(QStringLiteral(", ")) + QStringLiteral(")"));
        if (rows.size() == 500)
            ok = flush();
    }
    if (!ok || !flush() || !db.CommitTransaction()) {
        *error = db.lastError();
        // The insert's or the commit's error is the one to report.
        static_cast<void>(db.RollbackTransaction());
        return false;
    }
    return true;
}

} // namespace

bool createSampleHostTables(Catalog &catalog, int records, QString *error)
{
    return fill(catalog, dncFiles(), records, dncFileValues, error) &&
           fill(catalog, packets(), records, packetValues, error);
}
