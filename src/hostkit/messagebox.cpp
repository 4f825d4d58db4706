#include "messagebox.h"

namespace KvoPlx800SCtl::HostKit::MsgBox {

namespace {

struct ButtonSet
{
    int count;
    int results[3];
};

ButtonSet buttonSet(int buttons)
{
    switch (buttons) {
    case vbOKCancel:
        return {2, {vbOK, vbCancel, 0}};
    case vbAbortRetryIgnore:
        return {3, {vbAbort, vbRetry, vbIgnore}};
    case vbYesNoCancel:
        return {3, {vbYes, vbNo, vbCancel}};
    case vbYesNo:
        return {2, {vbYes, vbNo, 0}};
    case vbRetryCancel:
        return {2, {vbRetry, vbCancel, 0}};
    default:
        return {1, {vbOK, 0, 0}};
    }
}

} // namespace

// A default button beyond the set (the third of two buttons, say) falls back to the first one,
// as a real message box does.
int defaultResult(int style)
{
    const ButtonSet set = buttonSet(buttonsOf(style));
    const int index = defaultButtonIndex(style);
    if (index < 0 || index >= set.count)
        return set.results[0];
    return set.results[index];
}

} // namespace KvoPlx800SCtl::HostKit::MsgBox
