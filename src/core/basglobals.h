#pragma once

#include "enums.h"

#include "hostkit/resourcetexts.h"

#include <QString>

// Captions, pictures and display names the library takes from the resource-text service.
namespace KvoPlx800SCtl::basGlobals {

// Text 6816 + id for the eight menu items; text 0 for any other id.
QString StandardCaption(int enmCaptionId);
// Pictures 201-203 (large) and 301-303 (small) for the data, filter and clear-filter items; a null
// picture for any other item.
HostKit::Picture BitmapLarge(int enmBitmapId);
HostKit::Picture BitmapSmall(int enmBitmapId);
// The display name of a column type (texts 7008-7017).
QString ColumnTypeDisplayName(int columnType);
// "DNC File", "Controlled Document", "Packet", or "Undefined demo set " + the number.
QString DemoSetName(int enmDemoSet);

} // namespace KvoPlx800SCtl::basGlobals
