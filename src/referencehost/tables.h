#pragma once

#include <QString>
#include <QStringList>

#include <functional>

namespace KvoPlx800SCtl::HostKit {
class Catalog;
class Connection;
} // namespace KvoPlx800SCtl::HostKit

namespace KvoHost {

// Multi-row INSERTs of generated rows into `table`, all in one transaction: `rowsOf(id)` gives the
// rows of one record for ids first..last, each "(...)" with the literals of `fields` and several
// separated by ", " (empty: none), and `batch` records go into one statement. Rolls back and
// returns false with `error` when a statement fails.
bool insertRows(KvoPlx800SCtl::HostKit::Connection &connection, const QString &table, const QStringList &fields,
                qint64 first, qint64 last, const std::function<QString(qint64)> &rowsOf, QString *error,
                int batch = 500);

// The tables of a sample host: DncFiles (FileId, FileName, Machine, Modified) and Packets
// (PacketId, PacketName, Status), each holding the records with ids 1..records. Missing tables are
// created and missing records added; existing ones are left alone. Returns false with `error`.
bool createSampleHostTables(KvoPlx800SCtl::HostKit::Catalog &catalog, int records, QString *error);

} // namespace KvoHost
