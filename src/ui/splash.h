#pragma once
// frmSplash: a small topmost notice that closes itself after its display time.

#include <windows.h>

#include <string>

namespace tessarin {

class frmSplash {
public:
    // Shows the message for the given time (0: until called again with an empty message);
    // an empty message closes the notice. Modal notices return when the notice closes.
    static void ShowNotice(HWND owner, const std::string& message, int milliseconds, bool modal);
    // The notice window, or nullptr while none is shown.
    [[nodiscard]] static HWND Window();
    // Top of the message label in twips; the window grows by 500 twips a line below it.
    static constexpr int kLabelTopTwips = 120;
    static constexpr int kWidthTwips = 5400;
};

}  // namespace tessarin
