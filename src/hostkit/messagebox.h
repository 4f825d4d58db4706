#pragma once

// Style codes of a message box (buttons + icon + default button, added together) and the codes of
// the button chosen.
namespace KvoPlx800SCtl::HostKit::MsgBox {

enum Style : int {
    vbOKOnly = 0,
    vbOKCancel = 1,
    vbAbortRetryIgnore = 2,
    vbYesNoCancel = 3,
    vbYesNo = 4,
    vbRetryCancel = 5,
    vbCritical = 16,
    vbQuestion = 32,
    vbExclamation = 48,
    vbInformation = 64,
    vbDefaultButton1 = 0,
    vbDefaultButton2 = 256,
    vbDefaultButton3 = 512,
};

enum Result : int { vbOK = 1, vbCancel = 2, vbAbort = 3, vbRetry = 4, vbIgnore = 5, vbYes = 6, vbNo = 7 };

constexpr int buttonsOf(int style) { return style & 0x0F; }
constexpr int iconOf(int style) { return style & 0xF0; }
constexpr int defaultButtonIndex(int style) { return (style & 0xF00) >> 8; } // 0-based
// The result of the button that is the default of `style`.
int defaultResult(int style);

} // namespace KvoPlx800SCtl::HostKit::MsgBox
