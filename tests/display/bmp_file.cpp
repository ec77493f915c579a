#include "bmp_file.h"

#include "host/paths.h"

#include <cstdint>
#include <fstream>
#include <vector>

std::string WriteBmp24(const std::string& path, int width, int height,
                       const std::function<COLORREF(int x, int y)>& colour) {
    int stride = (width * 3 + 3) & ~3;
    std::vector<uint8_t> file(54 + size_t(stride) * height, 0);
    auto put32 = [&](size_t at, uint32_t v) {
        for (int b = 0; b < 4; ++b)
            file[at + b] = uint8_t(v >> (8 * b));
    };
    file[0] = 'B';
    file[1] = 'M';
    put32(2, uint32_t(file.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, uint32_t(width));
    put32(22, uint32_t(height));
    file[26] = 1;
    file[28] = 24;
    // BMP rows are stored bottom first.
    for (int row = 0; row < height; ++row) {
        for (int x = 0; x < width; ++x) {
            COLORREF c = colour(x, height - 1 - row);
            uint8_t* p = &file[54 + size_t(row) * stride + size_t(x) * 3];
            p[0] = GetBValue(c);
            p[1] = GetGValue(c);
            p[2] = GetRValue(c);
        }
    }
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()), std::streamsize(file.size()));
    return platform::host::LinuxToWindowsPath(path);
}
