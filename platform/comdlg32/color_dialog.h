// The colour dialog's controls, as the test desktop and the tests address them.
#pragma once

#include <windows.h>

namespace platform::comdlg32 {

inline constexpr const char* kColorDialogCaption = "Color";
inline constexpr int kBasicColorCount = 48;
inline constexpr int kCustomColorCount = 16;

// Control ids: the swatches of the basic and of the custom colours (push buttons), the three
// component edits, the sample of the colour chosen and the button that adds it to the custom
// colours.
inline constexpr int kBasicSwatchFirst = 720;
inline constexpr int kCustomSwatchFirst = 800;
inline constexpr int kRedEdit = 706;
inline constexpr int kGreenEdit = 707;
inline constexpr int kBlueEdit = 708;
inline constexpr int kSample = 709;
inline constexpr int kAddCustom = 712;

// The basic colour at `index` (0 to 47).
COLORREF BasicColor(int index);

} // namespace platform::comdlg32
