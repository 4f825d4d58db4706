#pragma once

#include <QString>

namespace KvoPlx800SCtl::HostKit {
class Catalog;
}

// The tables of a sample host: DncFiles (FileId, FileName, Machine, Modified) and Packets
// (PacketId, PacketName, Status), each holding the records with ids 1..records. Missing tables are
// created and missing records added; existing ones are left alone. Returns false with `error`.
bool createSampleHostTables(KvoPlx800SCtl::HostKit::Catalog &catalog, int records, QString *error);
