#pragma once

#include <QString>

namespace KvoHost {
class Host;
}

// The demo host's own database: an SQLite file in the user's data directory, made on first run
// with the sample host tables, the DNC-file demonstration columns (plus a keyword column and a few
// typed ones) and sample values for every record.
namespace DemoDatabase {

// The base table the demo shows by default.
QString defaultTable();
// <AppDataLocation>/demo.sqlite, e.g. ~/.local/share/kvodemo/demo.sqlite.
QString defaultPath();
// The user profile of the demo host, next to its database.
QString profilePath();

// Opens the demo database at `path` into `session`, creating and filling it first when the file
// does not exist yet (a half-made file is removed again). Returns false with `error` set.
bool openDefault(KvoHost::Host &session, const QString &path, QString *error);

// Fills an open, empty database: sample host tables with `records` records each, the columns of
// the DNC-file table and their values. `session` is set up for the DNC-file table afterwards.
bool create(KvoHost::Host &session, int records, QString *error);

} // namespace DemoDatabase
