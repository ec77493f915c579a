// A handle-only surface DC until gdi32 provides the drawing one.
#include "gdi/surface.h"

#include <map>
#include <mutex>

namespace platform::gdi {

namespace {

std::mutex dcs_lock;
std::map<HDC, std::shared_ptr<Surface>> dcs;
uintptr_t next_dc = 0x30010;

} // namespace

HDC CreateSurfaceDC(std::shared_ptr<Surface> surface) {
    std::lock_guard lock(dcs_lock);
    HDC dc = reinterpret_cast<HDC>(next_dc);
    next_dc += 2;
    dcs.emplace(dc, std::move(surface));
    return dc;
}

void DeleteSurfaceDC(HDC dc) {
    std::lock_guard lock(dcs_lock);
    dcs.erase(dc);
}

} // namespace platform::gdi

extern "C" int WINAPI FillRect(HDC hDC, const RECT* lprc, HBRUSH hbr) {
    std::lock_guard lock(platform::gdi::dcs_lock);
    return hDC && lprc && hbr && platform::gdi::dcs.count(hDC) ? 1 : 0;
}
