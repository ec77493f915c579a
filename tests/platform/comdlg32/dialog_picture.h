// A picture of a dialog as the user sees it, written when PELMORA_PLATFORM_SNAPSHOT names a
// folder, for looking at the layout.
#pragma once

#include <windows.h>

#include "present/snapshot.h"
#include "testing/desktop.h"

#include <cstdlib>
#include <string>

namespace comdlg32_test {

inline void WritePicture(HWND dialog, const std::string& name) {
    const char* folder = std::getenv("PELMORA_PLATFORM_SNAPSHOT");
    if (!folder || !*folder)
        return;
    if (auto pixels = platform::testing::ReadWindowPixels(dialog))
        platform::present::WriteSurfacePng(*pixels, std::string(folder) + "/" + name + ".png", 255,
                                           std::nullopt);
}

} // namespace comdlg32_test
