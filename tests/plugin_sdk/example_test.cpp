// The example plug-in pushes from a thread of its own, and its end stops that thread even while
// the thread is sending to the window whose procedure is ending the row.
#include "pmp.h"
#include "testing/desktop.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>

namespace {

std::atomic<int> reports{0};
std::string last_text;
PFNPMPAFTEROPERATION after = nullptr;

LRESULT CALLBACK HostProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_APP_ROWDATA) {
        const PMPDATA* data = reinterpret_cast<const PMPDATA*>(lparam);
        last_text = data->pszFormatParams[0];
        EXPECT_EQ(wparam, 3u);
        EXPECT_EQ(data->dwMaxValue, 60u);
        ++reports;
        return 1;
    }
    if (message == WM_USER) {
        // The row ends from inside the window procedure, as the host ends it.
        after(0);
        return 1;
    }
    return DefWindowProcA(hwnd, message, wparam, lparam);
}

TEST(ExamplePlugin, PushesFromItsThreadAndStopsWithoutDeadlock) {
    platform::testing::DesktopScope desktop;
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = HostProc;
    wc.lpszClassName = "Example Host";
    RegisterClassExA(&wc);
    HWND host = CreateWindowExA(0, "Example Host", "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                                nullptr, nullptr, nullptr);

    // The library's Windows path: C: is the root.
    std::string path = std::string("C:") + TICKER_LIBRARY;
    for (char& c : path)
        if (c == '/')
            c = '\\';
    HMODULE library = LoadLibraryA(path.c_str());
    ASSERT_NE(library, nullptr) << path;
    // An entry is found as a FARPROC and called as its own type, through a plain function
    // pointer as the loader does.
    auto entry = [&]<typename T>(const char* name) {
        return reinterpret_cast<T>(reinterpret_cast<void (*)()>(GetProcAddress(library, name)));
    };
    auto initialize = entry.operator()<PFNPMPINITIALIZE>("PMPInitialize");
    auto before = entry.operator()<PFNPMPBEFOREOPERATION>("PMPBeforeOperation");
    after = entry.operator()<PFNPMPAFTEROPERATION>("PMPAfterOperation");
    ASSERT_TRUE(initialize && before && after);
    EXPECT_EQ(GetProcAddress(library, "PMPGetData"), nullptr);

    PMPINFO info{};
    ASSERT_EQ(initialize(&info), 1u);
    EXPECT_EQ(info.dwType, DWORD(PMP_TYPE_IRREGULAR));
    PMPDATA row{};
    before(0, host, 3, &row);
    // The first report comes at once; the thread then sends once a second.
    MSG msg;
    while (reports < 2) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5000, QS_SENDMESSAGE);
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
    }
    EXPECT_EQ(last_text, "1");
    SendMessageA(host, WM_USER, 0, 0);
    int seen = reports;
    EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 1500, QS_SENDMESSAGE),
              DWORD(WAIT_TIMEOUT));
    EXPECT_EQ(reports, seen); // the thread has ended: no report after the end
    FreeLibrary(library);
}

} // namespace
