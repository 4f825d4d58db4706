#pragma once

#include "columns/cfiltercolumn.h"

#include <QList>
#include <QString>

namespace KvoPlx800SCtl {
class CFilterColumns;
} // namespace KvoPlx800SCtl

namespace KvoHost {

// Adds the column to the set (not saved yet); nullptr when the set refuses it.
KvoPlx800SCtl::CFilterColumn *addColumn(KvoPlx800SCtl::CFilterColumns &set, const KvoPlx800SCtl::ColumnDefinition &def);
// Adds the columns and saves the set; false when a column is refused or the save fails.
bool addColumns(KvoPlx800SCtl::CFilterColumns &set, const QList<KvoPlx800SCtl::ColumnDefinition> &defs);

} // namespace KvoHost
