#pragma once

#include "core/controls.h"
#include "core/enums.h"

#include <QString>

#include <functional>

namespace KvoPlx800SCtl {
class CFilterColumn;
namespace HostKit {
struct BaseFieldDescriptor;
}
} // namespace KvoPlx800SCtl

// Checks of what a user types: keystrokes and texts for the column types. None shows a message.
namespace KvoPlx800SCtl::basValidate {

// Whether typing `keyCode` into `box` (a text or combo box) gives an acceptable text: no quote
// characters, no two trailing spaces, at most `maxLength` characters (0 = no limit).
bool IsKeyAllowed(IControl *box, int keyCode, int maxLength);
// The clipboard text that Ctrl+V pastes; the widgets library installs the real clipboard.
void setClipboardTextProvider(std::function<QString()> provider);

// Blank (or only spaces) or convertible to the type, in the current locale.
bool IsIntegerText(const QString &text);
bool IsLongText(const QString &text);
bool IsSingleText(const QString &text);
bool IsDoubleText(const QString &text);
// Not blank: whether the text is a date or time; blank: !required.
bool IsDateText(const QString &text, bool required);
// Numeric and, when required, not blank (an empty text is never numeric).
bool IsNumberText(const QString &text, bool required);

// The comparison class of a search column or of a base-table field.
FilterComparisonClasses ComparisonClassFromColumn(const CFilterColumn *column);
FilterComparisonClasses ComparisonClassFromColumn(const HostKit::BaseFieldDescriptor *field);

} // namespace KvoPlx800SCtl::basValidate
