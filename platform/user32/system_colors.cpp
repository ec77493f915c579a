// The system colours, the flat look the controls draw with, and one brush of each that lives
// for the whole process.
#include "gdi32/objects.h"
#include "user32/controls.h"

#include <array>
#include <mutex>

namespace platform::user32 {

namespace {

constexpr int kColorCount = 31;

COLORREF SystemColor(int index) {
    switch (index) {
    case COLOR_WINDOW:
        return colors::kWindow;
    case COLOR_WINDOWTEXT:
    case COLOR_BTNTEXT:
        return colors::kText;
    case COLOR_BTNFACE:
        return colors::kFace;
    case COLOR_BTNSHADOW:
        return colors::kFrame;
    case COLOR_GRAYTEXT:
        return colors::kGrayText;
    default:
        return colors::kFace;
    }
}

} // namespace

} // namespace platform::user32

using namespace platform;

PELMORA_BEGIN_EXTERN_C

DWORD WINAPI GetSysColor(int nIndex) {
    if (nIndex < 0 || nIndex >= user32::kColorCount)
        return 0;
    return user32::SystemColor(nIndex);
}

HBRUSH WINAPI GetSysColorBrush(int nIndex) {
    if (nIndex < 0 || nIndex >= user32::kColorCount)
        return nullptr;
    static std::mutex lock;
    static std::array<HBRUSH, user32::kColorCount> brushes{};
    std::lock_guard guard(lock);
    if (!brushes[size_t(nIndex)]) {
        auto brush = std::make_shared<gdi::Brush>();
        brush->color = user32::SystemColor(nIndex);
        brush->stock = true;
        brushes[size_t(nIndex)] = static_cast<HBRUSH>(gdi::AddObject(std::move(brush)));
    }
    return brushes[size_t(nIndex)];
}

PELMORA_END_EXTERN_C
