#pragma once

#include "core/enums.h"
#include "core/variant.h"

#include <QList>
#include <QString>

namespace KvoPlx800SCtl {
class CFilterColumn;
class CFilterColumns;
} // namespace KvoPlx800SCtl

namespace KvoHost {

// A search column to add: what CFilterColumns::Add takes, in its order, with the values most
// columns use for the rest.
struct ColumnDef
{
    QString name;
    KvoPlx800SCtl::FilterColumnTypeConstants type;
    QString caption = {};
    qint16 length = 20; // of the text in the user interface
    bool picklist = false;
    bool blanks = false; // a picklist allows a blank value
    QString picklistDefault = {};
    QString description = {};
    KvoPlx800SCtl::EFilterColumnDateTimeDefaultModeConstants dateTimeMode = KvoPlx800SCtl::fcDTDM_Configure;
    KvoPlx800SCtl::Variant dateTimeDefault = KvoPlx800SCtl::Variant::null();
    bool disableEditDateTime = false;
};

// Adds the column to the set (not saved yet); nullptr when the set refuses it.
KvoPlx800SCtl::CFilterColumn *addColumn(KvoPlx800SCtl::CFilterColumns &set, const ColumnDef &def);
// Adds the columns and saves the set; false when a column is refused or the save fails.
bool addColumns(KvoPlx800SCtl::CFilterColumns &set, const QList<ColumnDef> &defs);

} // namespace KvoHost
