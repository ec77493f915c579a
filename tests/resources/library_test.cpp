// The resource library beside the program: every string and the menu that the program loads.
#include <windows.h>

#include "host/codepage.h"
#include "testing/desktop.h"
#include "user32/resources.h"

#include <gtest/gtest.h>

#include <cctype>
#include <dlfcn.h>
#include <string>
#include <vector>

namespace {

class ResourceLibrary : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        library = dlopen(PELMORA_PROGRAM_DIR "/PelmoraResources.dll", RTLD_NOW | RTLD_LOCAL);
    }
    void SetUp() override { ASSERT_NE(library, nullptr) << dlerror(); }
    // As the program loads them: into a 256-byte buffer, at most 254 characters.
    static std::string Load(UINT id) {
        char buffer[256];
        const int n = LoadStringA(HMODULE(library), id, buffer, 255);
        return std::string(buffer, n);
    }
    static inline void* library = nullptr;
};

std::vector<UINT> UsedNumbers() {
    std::vector<UINT> ids;
    auto range = [&](UINT first, UINT last) {
        for (UINT id = first; id <= last; ++id)
            ids.push_back(id);
    };
    range(2, 10);
    range(16, 19);
    range(32, 54);
    // The built-in sources' group strings that each source reads (64 + 16 x group + index).
    const std::vector<std::pair<UINT, std::vector<UINT>>> groups = {
        {0, {0, 1, 2, 3, 4, 5, 6, 7, 8}},
        {1, {0, 1, 2, 3, 4, 5, 6, 7, 8}},
        {2, {0, 1, 2, 3, 4, 5}},
        {3, {0, 1, 2, 3, 4, 5, 6, 7, 8}},
        {4, {0, 1, 2}},
        {5, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}},
        {6, {0, 1, 2, 3, 4, 5}},
        {7, {0, 1, 2, 3, 4, 5, 6, 7}},
        {8, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}},
        {9, {0, 1, 2}},
        {10, {0, 1, 2, 3, 4, 5, 6, 7, 10}},
    };
    for (const auto& [group, indexes] : groups)
        for (UINT index : indexes)
            ids.push_back(64 + 16 * group + index);
    range(512, 516);
    range(528, 529);
    range(544, 547);
    range(560, 567);
    range(592, 594);
    range(608, 610);
    return ids;
}

TEST_F(ResourceLibrary, HoldsEveryStringTheProgramLoads) {
    for (UINT id : UsedNumbers()) {
        SCOPED_TRACE(id);
        const std::string text = Load(id);
        EXPECT_FALSE(text.empty());
        char whole[1024];
        EXPECT_LT(LoadStringA(HMODULE(library), id, whole, sizeof whole), 255)
            << "longer than the program's buffer";
    }
}

TEST_F(ResourceLibrary, FormatsAndUnitsFitTheirUse) {
    // String 5 is a format with exactly one %s and no other conversion.
    const std::string five = Load(5);
    ASSERT_NE(five.find("%s"), std::string::npos);
    EXPECT_EQ(five.find('%'), five.find("%s"));
    EXPECT_EQ(five.find('%', five.find("%s") + 1), std::string::npos);
    // The other messages are copied or used as formats' arguments; none holds a %.
    for (UINT id : {2u, 3u, 4u, 6u, 7u, 8u, 9u, 10u, 16u, 17u, 18u, 19u})
        EXPECT_EQ(Load(id).find('%'), std::string::npos) << id;
    // Unit names go into 9-byte buffers.
    for (UINT id : {544u, 545u, 546u, 547u, 560u, 561u, 562u, 563u, 564u, 565u, 566u, 567u})
        EXPECT_LE(Load(id).size(), 8u) << id;
}

TEST_F(ResourceLibrary, JapaneseTextIsInCodePage932) {
    platform::host::SetAnsiCodePage(932);
    EXPECT_NE(Load(610).find("\x93\xfa"), std::string::npos);
    platform::host::SetAnsiCodePage(0);
}

TEST_F(ResourceLibrary, MenuHasTheSixCommandsInItsFirstSubMenu) {
    HMENU menu = LoadMenuA(HMODULE(library), "MENU");
    ASSERT_NE(menu, nullptr);
    HMENU popup = GetSubMenu(menu, 0);
    ASSERT_NE(popup, nullptr);
    for (UINT id = 1000; id <= 1005; ++id)
        EXPECT_NE(GetMenuState(popup, id, MF_BYCOMMAND), UINT(-1)) << id;
    DestroyMenu(menu);
}

INT_PTR CALLBACK QuietDialogProc(HWND, UINT, WPARAM, LPARAM) {
    return FALSE;
}

// Every text of every dialog is seen whole: a static's text wraps within its box, a line that
// the text breaks itself fits the width of the box (else the wrap leaves its last words alone
// on a line of their own), and the text of a button, a check box or a frame fits on its one
// line.
TEST_F(ResourceLibrary, DialogTextsFitTheirControls) {
    platform::testing::DesktopScope desktop;
    HWND parent = CreateWindowExA(0, "#32770", "", WS_POPUP, 0, 0, 800, 600, nullptr, nullptr,
                                  nullptr, nullptr);
    const char* names[] = {"ABOUT",
                           "OPTION_WINDOW",
                           "OPTION_GRAPH_GENERAL",
                           "OPTION_GRAPH_DETAIL",
                           "OPTION_VIRTUAL_MEMORY",
                           "OPTION_PHYSICAL_MEMORY",
                           "OPTION_PROCESSES",
                           "OPTION_NETWORK_SPEED",
                           "OPTION_DATE_AND_TIME",
                           "OPTION_RUNNING_TIME",
                           "OPTION_HDD_TEMPERATURE",
                           "OPTION_HDD_USAGE",
                           "OPTION_GRAPH_DETAIL_INFO",
                           "OPTION_GRAPH_DETAIL_CHANGE_SETTINGS"};
    for (const char* name : names) {
        auto t = platform::user32::LoadDialogTemplate(HMODULE(library), name);
        ASSERT_TRUE(t) << name;
        HWND dialog = CreateDialogParamA(HMODULE(library), name, parent, QuietDialogProc, 0);
        ASSERT_NE(dialog, nullptr) << name;
        HDC dc = GetDC(dialog);
        HGDIOBJ old = SelectObject(dc, HGDIOBJ(SendMessageA(dialog, WM_GETFONT, 0, 0)));
        for (const auto& c : t->controls) {
            std::string kind = c.class_name;
            for (char& ch : kind)
                ch = char(std::toupper(static_cast<unsigned char>(ch)));
            if (c.text.empty() || (kind != "STATIC" && kind != "BUTTON"))
                continue;
            RECT box{c.x, c.y, c.x + c.cx, c.y + c.cy};
            MapDialogRect(dialog, &box);
            const int width = box.right - box.left, height = box.bottom - box.top;
            const DWORD type = c.style & (kind == "STATIC" ? SS_TYPEMASK : BS_TYPEMASK);
            RECT text{0, 0, width, 0};
            if (kind == "STATIC") {
                if (type != SS_LEFT && type != SS_CENTER && type != SS_RIGHT)
                    continue;
                DrawTextA(dc, c.text.c_str(), int(c.text.size()), &text,
                          DT_CALCRECT | DT_WORDBREAK);
                EXPECT_LE(text.right, width) << name << ": a word of \"" << c.text << "\"";
                EXPECT_LE(text.bottom, height) << name << ": \"" << c.text << "\" is cut off";
                for (size_t start = 0, end; start < c.text.size(); start = end + 1) {
                    end = c.text.find('\n', start);
                    if (end == std::string::npos) {
                        if (start == 0)
                            break; // one line, left to the wrap
                        end = c.text.size();
                    }
                    std::string line = c.text.substr(start, end - start);
                    RECT one{0, 0, 0, 0};
                    DrawTextA(dc, line.c_str(), int(line.size()), &one,
                              DT_CALCRECT | DT_SINGLELINE);
                    EXPECT_LE(one.right, width) << name << ": the line \"" << line << "\"";
                }
                continue;
            }
            DrawTextA(dc, c.text.c_str(), int(c.text.size()), &text, DT_CALCRECT | DT_SINGLELINE);
            // Room that the control keeps beside its text: the box of a check box or a radio
            // button, the frame's corner, a push button's edges.
            const int room = type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON ? 6 : 16;
            EXPECT_LE(text.right + room, width) << name << ": \"" << c.text << "\"";
        }
        SelectObject(dc, old);
        ReleaseDC(dialog, dc);
        DestroyWindow(dialog);
    }
    DestroyWindow(parent);
}

// The placeholder list's meaning column, 170 pixels with a margin of 6 each side, shows every
// meaning whole: the value placeholders' and every built-in source's parameter names.
TEST_F(ResourceLibrary, PlaceholderMeaningsFitTheirColumn) {
    constexpr int kColumn = 170 - 2 * 6;
    std::vector<UINT> ids = {48, 49, 50, 51};
    // Per source: its group and the string indexes of its parameter names.
    const std::vector<std::pair<UINT, std::vector<UINT>>> names = {
        {0, {1, 2, 3, 4, 5, 6, 8}},
        {1, {1, 2, 3, 4, 5, 6, 8}},
        {2, {1, 2, 3, 4}},
        {3, {1, 2, 3, 4, 5, 6, 7}},
        {4, {1}},
        {5, {1, 2, 3, 4, 5, 6, 7, 8, 10, 11}},
        {6, {1, 2, 3, 4}},
        {7, {1, 2, 3, 4, 5, 6}},
        {8, {1, 2, 3, 4, 5, 6, 7, 8}},
        {9, {1}},
        {10, {1, 2, 3, 4, 5, 6, 10}},
    };
    for (const auto& [group, indexes] : names)
        for (UINT index : indexes)
            ids.push_back(64 + 16 * group + index);
    platform::testing::DesktopScope desktop;
    HWND parent = CreateWindowExA(0, "#32770", "", WS_POPUP, 0, 0, 800, 600, nullptr, nullptr,
                                  nullptr, nullptr);
    HWND page =
        CreateDialogParamA(HMODULE(library), "OPTION_GRAPH_DETAIL", parent, QuietDialogProc, 0);
    ASSERT_NE(page, nullptr);
    HDC dc = GetDC(page);
    HGDIOBJ old = SelectObject(dc, HGDIOBJ(SendMessageA(page, WM_GETFONT, 0, 0)));
    for (UINT id : ids) {
        const std::string text = Load(id);
        SIZE size{};
        GetTextExtentPoint32A(dc, text.c_str(), int(text.size()), &size);
        EXPECT_LE(size.cx, kColumn) << id << " \"" << text << "\"";
    }
    SelectObject(dc, old);
    ReleaseDC(page, dc);
    DestroyWindow(page);
    DestroyWindow(parent);
}

// Alt and a letter reaches one control: no two texts of a dialog mark the same letter, the
// options pages counting the sheet's "&Apply" as theirs.
TEST_F(ResourceLibrary, AccessKeysAreUniqueInEachDialog) {
    struct Dialog {
        const char* name;
        std::string sheet_keys;
    };
    const Dialog dialogs[] = {{"ABOUT", ""},
                              {"OPTION_WINDOW", "a"},
                              {"OPTION_GRAPH_GENERAL", "a"},
                              {"OPTION_GRAPH_DETAIL", "a"},
                              {"OPTION_NETWORK_SPEED", ""},
                              {"OPTION_DATE_AND_TIME", ""},
                              {"OPTION_HDD_TEMPERATURE", ""},
                              {"OPTION_HDD_USAGE", ""},
                              {"OPTION_GRAPH_DETAIL_INFO", ""},
                              {"OPTION_GRAPH_DETAIL_CHANGE_SETTINGS", ""}};
    for (const Dialog& d : dialogs) {
        auto t = platform::user32::LoadDialogTemplate(HMODULE(library), d.name);
        ASSERT_TRUE(t) << d.name;
        std::string seen = d.sheet_keys;
        for (const auto& c : t->controls) {
            if ((c.style & SS_NOPREFIX) && c.class_name == "STATIC")
                continue;
            for (size_t i = 0; i + 1 < c.text.size(); ++i) {
                if (c.text[i] != '&')
                    continue;
                if (c.text[i + 1] == '&') {
                    ++i;
                    continue;
                }
                const char key = char(std::tolower(static_cast<unsigned char>(c.text[i + 1])));
                EXPECT_EQ(seen.find(key), std::string::npos)
                    << d.name << ": \"" << c.text << "\" marks '" << key << "' again";
                seen += key;
                break;
            }
        }
    }
}

} // namespace
