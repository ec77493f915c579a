// round_trip.rc compiled into a module: the layer reads every kind of resource back from it.
#include <windows.h>

#include "host/codepage.h"
#include "round_trip.h"
#include "user32/icons.h"
#include "user32/menu.h"
#include "user32/resources.h"

#include <gtest/gtest.h>

#include <cstring>
#include <dlfcn.h>
#include <string>

namespace {

using namespace platform::user32;

class RoundTrip : public ::testing::Test {
protected:
    static void SetUpTestSuite() { handle = dlopen(RC_TEST_MODULE, RTLD_NOW | RTLD_LOCAL); }
    void SetUp() override {
        ASSERT_NE(handle, nullptr) << dlerror();
        table = CheckResourceTable(dlsym(handle, PELMORA_RESOURCE_TABLE_SYMBOL));
        ASSERT_NE(table, nullptr);
        platform::host::SetAnsiCodePage(932);
    }
    void TearDown() override { platform::host::SetAnsiCodePage(0); }
    HMODULE Module() const { return static_cast<HMODULE>(handle); }

    static inline void* handle = nullptr;
    const PelmoraRcTable* table = nullptr;
};

TEST_F(RoundTrip, StringsKeepTheirEscapesAndBecomeCodePage932) {
    EXPECT_EQ(FindTableString(*table, IDS_PLAIN), "Plain text");
    EXPECT_EQ(FindTableString(*table, IDS_ESCAPES), "Quote \" tab\t newline\n backslash \\");
    EXPECT_EQ(FindTableString(*table, IDS_JAPANESE), "\x93\xfa\x96\x7b\x8c\xea");
    EXPECT_EQ(FindTableString(*table, IDS_EMPTY), "");
    EXPECT_EQ(FindTableString(*table, IDS_LAST), "Last");
    EXPECT_FALSE(FindTableString(*table, 5).has_value());
}

TEST_F(RoundTrip, StringsInAUtf8Layer) {
    platform::host::SetAnsiCodePage(65001);
    EXPECT_EQ(FindTableString(*table, IDS_JAPANESE), "日本語");
}

TEST_F(RoundTrip, LoadStringCopiesWithinTheBuffer) {
    struct Case {
        UINT id;
        int size;
        int result;
        const char* text;
    };
    // "日本語" is six bytes; a cut never leaves half a character.
    const Case cases[] = {
        {IDS_PLAIN, 64, 10, "Plain text"},
        {IDS_PLAIN, 11, 10, "Plain text"},
        {IDS_PLAIN, 10, 9, "Plain tex"},
        {IDS_PLAIN, 1, 0, ""},
        {IDS_JAPANESE, 7, 6, "日本語"},
        {IDS_JAPANESE, 6, 4, "日本"},
        {IDS_JAPANESE, 2, 0, ""},
        {IDS_EMPTY, 8, 0, ""},
        {5, 8, 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "string " << c.id << ", buffer " << c.size);
        char buffer[80];
        std::memset(buffer, 'X', sizeof buffer);
        EXPECT_EQ(LoadStringA(Module(), c.id, buffer, c.size), c.result);
        EXPECT_EQ(platform::host::AnsiToUtf8(buffer), c.text);
        EXPECT_EQ(buffer[c.size], 'X') << "written past the buffer";
    }
}

TEST_F(RoundTrip, LoadStringRefusesTheReadOnlyPointerForm) {
    char buffer[4] = "abc";
    SetLastError(0);
    EXPECT_EQ(LoadStringA(Module(), IDS_PLAIN, buffer, 0), 0);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    EXPECT_STREQ(buffer, "abc");
}

TEST_F(RoundTrip, MenuKeepsItsTreeAndOptions) {
    HMENU bar = LoadMenuA(Module(), "MAIN"); // names compare without regard to case
    ASSERT_NE(bar, nullptr);
    ASSERT_EQ(GetMenuItemCount(bar), 2);
    HMENU file = GetSubMenu(bar, 0);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(GetMenuItemID(bar, 1), UINT(IDM_GRAYED));
    EXPECT_EQ(GetMenuState(bar, IDM_GRAYED, MF_BYCOMMAND) & MF_GRAYED, UINT(MF_GRAYED));

    ASSERT_EQ(GetMenuItemCount(file), 4);
    char text[32] = {};
    MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_STRING | MIIM_ID | MIIM_STATE | MIIM_FTYPE;
    info.dwTypeData = text;
    info.cch = sizeof text;
    ASSERT_TRUE(GetMenuItemInfoA(file, 0, TRUE, &info));
    EXPECT_STREQ(text, "&First\tCtrl+F");
    EXPECT_EQ(info.wID, UINT(IDM_FIRST));
    EXPECT_EQ(GetMenuState(file, IDM_CHECKED, MF_BYCOMMAND), UINT(MF_CHECKED));
    EXPECT_EQ(GetMenuState(file, 2, MF_BYPOSITION), UINT(MF_SEPARATOR));
    // A pop-up reports MF_POPUP and its item count in the high byte.
    EXPECT_EQ(GetMenuState(file, 3, MF_BYPOSITION), UINT(MF_POPUP | (2 << 8)));
    HMENU more = GetSubMenu(file, 3);
    EXPECT_EQ(GetMenuState(more, IDM_NESTED, MF_BYCOMMAND) & MF_GRAYED, UINT(MF_GRAYED));
    // By command, the search goes into the sub-menus.
    EXPECT_EQ(GetMenuState(bar, IDM_NESTED, MF_BYCOMMAND) & MF_GRAYED, UINT(MF_GRAYED));
    // A text cut to the buffer keeps whole characters: "日本" is four bytes.
    char cut[8];
    std::memset(cut, 'X', sizeof cut);
    MENUITEMINFOA text_info{};
    text_info.cbSize = sizeof text_info;
    text_info.fMask = MIIM_STRING;
    text_info.dwTypeData = cut;
    text_info.cch = 4;
    ASSERT_TRUE(GetMenuItemInfoA(bar, IDM_JAPANESE, FALSE, &text_info));
    EXPECT_EQ(text_info.cch, 2u);
    EXPECT_STREQ(cut, "\x93\xfa");
    EXPECT_EQ(cut[4], 'X');
    EXPECT_TRUE(DestroyMenu(bar));
}

TEST_F(RoundTrip, DialogTemplateIsComplete) {
    auto dialog = LoadDialogTemplate(Module(), "test");
    ASSERT_TRUE(dialog.has_value());
    EXPECT_EQ(dialog->name, "TEST");
    EXPECT_EQ(dialog->style, DWORD(0x80 | 0x80000000 | 0x00080000 | 0x00C00000 | 0x40))
        << "STYLE, with WS_CAPTION for the caption and DS_SETFONT for the font";
    EXPECT_EQ(dialog->exstyle, DWORD(0x80));
    EXPECT_EQ(dialog->x, 10);
    EXPECT_EQ(dialog->y, 20);
    EXPECT_EQ(dialog->cx, 200);
    EXPECT_EQ(dialog->cy, 100);
    EXPECT_EQ(dialog->caption, "Test dialog");
    ASSERT_TRUE(dialog->font.has_value());
    EXPECT_EQ(dialog->font->name, "MS UI Gothic");
    EXPECT_EQ(dialog->font->point_size, 9);
    EXPECT_EQ(dialog->font->weight, 700);
    EXPECT_TRUE(dialog->font->italic);
    EXPECT_EQ(dialog->font->charset, 128);

    constexpr DWORD kChild = 0x40000000 | 0x10000000; // WS_CHILD | WS_VISIBLE
    struct Expected {
        const char* class_name;
        const char* text;
        int id;
        short x, y, cx, cy;
        DWORD style;
        DWORD exstyle;
    };
    const Expected expected[] = {
        {"STATIC", "Label:", IDC_LABEL, 7, 7, 50, 8, kChild | 0x00020000, 0},
        {"EDIT", "", IDC_EDIT, 60, 7, 40, 12, kChild | 0x00810000 | 0x2000 | 0x80, 0},
        {"msctls_updown32", "", IDC_SPIN, 100, 7, 10, 12, kChild | 0x2 | 0x4 | 0x10 | 0x20, 0},
        {"COMBOBOX", "", IDC_COMBO, 7, 25, 80, 60, kChild | 0x00010000 | 0x3 | 0x00200000, 0},
        {"BUTTON", "Check", IDC_CHECK, 7, 45, 80, 10, kChild | 0x3, 0},
        {"STATIC", "", IDC_PICTURE, 150, 7, 0, 0, kChild | 0x3, 0},
        {"BUTTON", "OK", IDOK, 90, 80, 50, 14, kChild | 0x00010000 | 0x1, 0},
        {"BUTTON", "Cancel", IDCANCEL, -5, 80, 50, 14, kChild | 0x00010000 | 0x08000000, 0x20000},
    };
    ASSERT_EQ(dialog->controls.size(), std::size(expected));
    for (size_t i = 0; i < std::size(expected); ++i) {
        SCOPED_TRACE(testing::Message() << "control " << i);
        const DialogControl& c = dialog->controls[i];
        const Expected& e = expected[i];
        EXPECT_EQ(c.class_name, e.class_name);
        EXPECT_EQ(c.text, e.text);
        EXPECT_EQ(c.id, e.id);
        EXPECT_EQ(c.x, e.x);
        EXPECT_EQ(c.y, e.y);
        EXPECT_EQ(c.cx, e.cx);
        EXPECT_EQ(c.cy, e.cy);
        EXPECT_EQ(c.style, e.style);
        EXPECT_EQ(c.exstyle, e.exstyle);
    }
    EXPECT_EQ(dialog->controls[5].text_resource, UINT(IDI_TEST)) << "ICON names its icon";
    EXPECT_FALSE(dialog->controls[0].text_resource.has_value());

    SetLastError(0);
    EXPECT_FALSE(LoadDialogTemplate(Module(), "MISSING").has_value());
    EXPECT_EQ(GetLastError(), DWORD(ERROR_RESOURCE_NAME_NOT_FOUND));
}

TEST_F(RoundTrip, IconsComeInTheSizesAsked) {
    struct Case {
        int cx, cy;
    };
    for (Case c : {Case{16, 16}, Case{32, 32}, Case{24, 24}, Case{48, 48}}) {
        SCOPED_TRACE(testing::Message() << c.cx << " x " << c.cy);
        HICON icon = HICON(LoadImageA(Module(), MAKEINTRESOURCEA(IDI_TEST), IMAGE_ICON, c.cx, c.cy,
                                      LR_DEFAULTCOLOR));
        ASSERT_NE(icon, nullptr);
        auto picture = FindIcon(icon);
        ASSERT_NE(picture, nullptr);
        EXPECT_EQ(picture->width, c.cx);
        EXPECT_EQ(picture->height, c.cy);
        ASSERT_EQ(picture->pixels.size(), size_t(c.cx) * c.cy);
        // The tile's rounded corner is transparent, its middle opaque.
        EXPECT_EQ(picture->pixels[0] >> 24, 0u);
        EXPECT_EQ(picture->pixels[size_t(c.cy / 2) * c.cx + c.cx / 2] >> 24, 0xFFu);
        EXPECT_TRUE(DestroyIcon(icon));
        EXPECT_EQ(FindIcon(icon), nullptr);
        EXPECT_FALSE(DestroyIcon(icon)) << "a destroyed icon is refused";
    }
}

TEST_F(RoundTrip, ExactSizeImageIsTakenAsItIs) {
    const PelmoraRcIcon* entry = FindTableIcon(*table, MAKEINTRESOURCEA(IDI_TEST));
    ASSERT_NE(entry, nullptr);
    ASSERT_EQ(entry->image_count, 2u);
    const PelmoraRcIconImage& small = table->icon_images[entry->first_image];
    ASSERT_EQ(small.width, 16u);
    HICON icon = HICON(LoadImageA(Module(), MAKEINTRESOURCEA(IDI_TEST), IMAGE_ICON, 16, 16, 0));
    auto picture = FindIcon(icon);
    ASSERT_NE(picture, nullptr);
    EXPECT_TRUE(std::equal(picture->pixels.begin(), picture->pixels.end(), small.pixels));
    DestroyIcon(icon);
}

TEST_F(RoundTrip, SharedIconsAreOneObjectThatSurvivesDestroyIcon) {
    HICON a = LoadIconA(Module(), MAKEINTRESOURCEA(IDI_TEST));
    HICON b = LoadIconA(Module(), "#7");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a, b);
    EXPECT_EQ(FindIcon(a)->width, 32) << "LoadIconA gives the large size";
    EXPECT_TRUE(DestroyIcon(a));
    EXPECT_NE(FindIcon(a), nullptr);
    SetLastError(0);
    EXPECT_EQ(LoadIconA(Module(), MAKEINTRESOURCEA(8)), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_RESOURCE_NAME_NOT_FOUND));
}

} // namespace

namespace {

// This test program carries resources/pelmora.rc, as the program does: the tray icon.
TEST(ProgramResources, TrayIconOfTheProgramModule) {
    HMODULE program = GetModuleHandleA(nullptr);
    ASSERT_NE(program, nullptr);
    HICON icon = LoadIconA(program, MAKEINTRESOURCEA(101));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(platform::user32::FindIcon(icon)->width, 32);
    HICON small =
        HICON(LoadImageA(program, MAKEINTRESOURCEA(101), IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                         GetSystemMetrics(SM_CYSMICON), 0));
    ASSERT_NE(small, nullptr);
    EXPECT_EQ(platform::user32::FindIcon(small)->width, 16);
    EXPECT_TRUE(DestroyIcon(small));
}

} // namespace
