#include "shell32/tray.h"

#include "present/backend_host.h"
#include "present/present.h"

#include <algorithm>
#include <cstring>
#include <mutex>

namespace platform::shell32 {

namespace {

std::mutex tray_mutex;
std::vector<TrayIcon>& Icons() {
    static std::vector<TrayIcon> icons;
    return icons;
}

// The tip field is 64 characters in the first form of the record, 128 in later ones.
constexpr DWORD kTipOffset = offsetof(NOTIFYICONDATAA, szTip);

std::string TipOf(const NOTIFYICONDATAA& data) {
    size_t room = data.cbSize >= kTipOffset + 128 ? 128 : 64;
    return std::string(data.szTip, strnlen(data.szTip, room));
}

void Apply(TrayIcon& icon, const NOTIFYICONDATAA& data) {
    if (data.uFlags & NIF_MESSAGE)
        icon.callback_message = data.uCallbackMessage;
    if (data.uFlags & NIF_ICON)
        icon.icon = data.hIcon;
    if (data.uFlags & NIF_TIP)
        icon.tip = TipOf(data);
    icon.flags |= data.uFlags & (NIF_MESSAGE | NIF_ICON | NIF_TIP);
}

platform::present::TrayEntry EntryOf(const TrayIcon& icon) {
    return platform::present::TrayEntry{icon.hwnd, icon.id, icon.icon, icon.tip};
}

} // namespace

std::vector<TrayIcon> TrayIcons() {
    std::lock_guard lock(tray_mutex);
    return Icons();
}

void ClearTrayIcons() {
    std::lock_guard lock(tray_mutex);
    for (const TrayIcon& icon : Icons())
        present::TheBackend().TrayIconRemoved(icon.hwnd, icon.id);
    Icons().clear();
}

bool ClickTrayIcon(HWND hwnd, UINT id, UINT mouse_message) {
    UINT callback = 0;
    {
        std::lock_guard lock(tray_mutex);
        auto it = std::find_if(Icons().begin(), Icons().end(),
                               [&](const TrayIcon& i) { return i.hwnd == hwnd && i.id == id; });
        if (it == Icons().end() || !(it->flags & NIF_MESSAGE))
            return false;
        callback = it->callback_message;
    }
    return PostMessageA(hwnd, callback, WPARAM(id), LPARAM(mouse_message)) != FALSE;
}

} // namespace platform::shell32

namespace platform::present {

bool TrayIconClicked(HWND hwnd, UINT id, UINT mouse_message) {
    return shell32::ClickTrayIcon(hwnd, id, mouse_message);
}

} // namespace platform::present

using namespace platform::shell32;

PELMORA_BEGIN_EXTERN_C

// An icon is named by its window and id: a second NIM_ADD of one fails, as does NIM_MODIFY or
// NIM_DELETE of one that is not there. NIM_ADD fails too when the desktop has no tray to show
// it in; the icon is then not kept, and the program adds it again on "TaskbarCreated".
BOOL WINAPI Shell_NotifyIconA(DWORD dwMessage, PNOTIFYICONDATAA lpData) {
    if (!lpData || lpData->cbSize < NOTIFYICONDATAA_V1_SIZE) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::lock_guard lock(tray_mutex);
    auto& icons = Icons();
    auto it = std::find_if(icons.begin(), icons.end(), [&](const TrayIcon& i) {
        return i.hwnd == lpData->hWnd && i.id == lpData->uID;
    });
    switch (dwMessage) {
    case NIM_ADD: {
        if (it != icons.end() || !IsWindow(lpData->hWnd))
            return FALSE;
        TrayIcon icon{lpData->hWnd, lpData->uID, 0, 0, nullptr, {}};
        Apply(icon, *lpData);
        if (!platform::present::TheBackend().TrayIconAdded(EntryOf(icon)))
            return FALSE;
        icons.push_back(icon);
        return TRUE;
    }
    case NIM_MODIFY:
        if (it == icons.end())
            return FALSE;
        Apply(*it, *lpData);
        platform::present::TheBackend().TrayIconChanged(EntryOf(*it));
        return TRUE;
    case NIM_DELETE:
        if (it == icons.end())
            return FALSE;
        platform::present::TheBackend().TrayIconRemoved(it->hwnd, it->id);
        icons.erase(it);
        return TRUE;
    default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
}

PELMORA_END_EXTERN_C
