// The system colours: the flat look of the layer's controls, one brush of each that lives for
// the whole process, and the lookup that lets gdi32 take (HBRUSH)(COLOR_WINDOW + 1) and its kind
// as brushes.
#include <windows.h>

#include "gdi32/objects.h"
#include "user32/controls.h"

#include <array>
#include <mutex>

namespace platform::user32 {

namespace {

constexpr std::array<COLORREF, 31> kSystemColors = {
    RGB(200, 200, 200), // COLOR_SCROLLBAR
    RGB(0, 0, 0),       // COLOR_BACKGROUND
    RGB(153, 180, 209), // COLOR_ACTIVECAPTION
    RGB(191, 205, 219), // COLOR_INACTIVECAPTION
    colors::kFace,      // COLOR_MENU
    colors::kWindow,    // COLOR_WINDOW
    RGB(100, 100, 100), // COLOR_WINDOWFRAME
    colors::kText,      // COLOR_MENUTEXT
    colors::kText,      // COLOR_WINDOWTEXT
    colors::kText,      // COLOR_CAPTIONTEXT
    RGB(180, 180, 180), // COLOR_ACTIVEBORDER
    RGB(244, 247, 252), // COLOR_INACTIVEBORDER
    RGB(171, 171, 171), // COLOR_APPWORKSPACE
    colors::kSelection, // COLOR_HIGHLIGHT
    colors::kWindow,    // COLOR_HIGHLIGHTTEXT
    colors::kFace,      // COLOR_BTNFACE
    RGB(160, 160, 160), // COLOR_BTNSHADOW
    colors::kGrayText,  // COLOR_GRAYTEXT
    colors::kText,      // COLOR_BTNTEXT
    RGB(0, 0, 0),       // COLOR_INACTIVECAPTIONTEXT
    RGB(255, 255, 255), // COLOR_BTNHIGHLIGHT
    RGB(105, 105, 105), // COLOR_3DDKSHADOW
    RGB(227, 227, 227), // COLOR_3DLIGHT
    colors::kText,      // COLOR_INFOTEXT
    RGB(255, 255, 225), // COLOR_INFOBK
    RGB(0, 0, 0),       // 25: unused
    RGB(0, 102, 204),   // COLOR_HOTLIGHT
    RGB(185, 209, 234), // COLOR_GRADIENTACTIVECAPTION
    RGB(215, 228, 242), // COLOR_GRADIENTINACTIVECAPTION
    colors::kSelection, // COLOR_MENUHILIGHT
    colors::kFace,      // COLOR_MENUBAR
};

COLORREF Lookup(int index) {
    return index >= 0 && index < int(kSystemColors.size()) ? kSystemColors[size_t(index)] : 0;
}

// gdi32 knows no system colours of its own; the desktop's are installed when the layer loads.
[[maybe_unused]] const bool installed = [] {
    gdi::SetSystemColorLookup(Lookup);
    return true;
}();

} // namespace

} // namespace platform::user32

PELMORA_BEGIN_EXTERN_C

DWORD WINAPI GetSysColor(int nIndex) {
    return platform::user32::Lookup(nIndex);
}

HBRUSH WINAPI GetSysColorBrush(int nIndex) {
    using namespace platform;
    if (nIndex < 0 || nIndex >= int(user32::kSystemColors.size()))
        return nullptr;
    static std::mutex lock;
    static std::array<HBRUSH, user32::kSystemColors.size()> brushes{};
    std::lock_guard guard(lock);
    if (!brushes[size_t(nIndex)]) {
        auto brush = std::make_shared<gdi::Brush>();
        brush->color = user32::Lookup(nIndex);
        brush->stock = true;
        brushes[size_t(nIndex)] = static_cast<HBRUSH>(gdi::AddObject(std::move(brush)));
    }
    return brushes[size_t(nIndex)];
}

PELMORA_END_EXTERN_C
