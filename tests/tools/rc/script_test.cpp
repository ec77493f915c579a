// The resource compiler's reader and writer, and the tool's conduct on a faulty script.
#include "generate.h"
#include "icon_file.h"
#include "script.h"
#include "testing/temporary_folder.h"

#include <gtest/gtest.h>

#include <array>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sys/wait.h>

namespace {

namespace fs = std::filesystem;

struct ErrorCase {
    const char* what;
    const char* script;
    int line;
    const char* message;
};

// Each fault names the line where it stands (for a block that never ends: the block's BEGIN).
const ErrorCase kErrorCases[] = {
    {"unknown statement", "STRINGTABLE\nBEGIN\nEND\nFOO BAR\n", 4, "unknown statement 'FOO'"},
    {"unknown resource type", "1 BITMAP \"x.bmp\"\n", 1, "unknown statement 'BITMAP'"},
    {"unterminated string", "STRINGTABLE\nBEGIN\n  1 \"abc\nEND\n", 3, "unterminated string"},
    {"bad number", "STRINGTABLE\nBEGIN\n  12x \"a\"\nEND\n", 3, "bad number '12x'"},
    {"bad hexadecimal number", "STRINGTABLE\nBEGIN\n  0x \"a\"\nEND\n", 3, "bad number '0x'"},
    {"number too large", "STRINGTABLE\nBEGIN\n\n  4294967296 \"a\"\nEND\n", 4, "bad number"},
    {"missing END", "STRINGTABLE\nBEGIN\n  1 \"a\"\n", 2, "missing END"},
    {"missing END of a menu",
     "M MENU\nBEGIN\n  POPUP \"x\"\n  BEGIN\n    MENUITEM \"a\", 1\n  END\n", 2, "missing END"},
    {"missing END of a dialog", "D DIALOGEX 0, 0, 10, 10\n{\n  LTEXT \"a\", 1, 0, 0, 5, 5\n", 2,
     "missing END"},
    {"duplicate string id", "STRINGTABLE\nBEGIN\n  7 \"a\"\n  8 \"b\"\n  7 \"c\"\nEND\n", 5,
     "duplicate string id 7 (first defined at line 3)"},
    {"duplicate string id across tables",
     "STRINGTABLE { 7 \"a\" }\nSTRINGTABLE\n{\n  0x7 \"c\"\n}\n", 4, "duplicate string id 7"},
    {"missing icon file", "\n1 ICON \"no-such-file.ico\"\n", 2,
     "cannot open icon file 'no-such-file.ico'"},
    {"icon file that is a folder", "1 ICON \"..\"\n", 1, "cannot open icon file '..'"},
    {"include file that is a folder", "#include \"..\"\n", 1, "cannot open include file '..'"},
    {"unknown constant", "D DIALOGEX 0, 0, 10, 10\nSTYLE WS_POPUP | WS_BOGUS\nBEGIN\nEND\n", 2,
     "unknown constant 'WS_BOGUS'"},
    {"undefined string number", "#define IDS_A 1\nSTRINGTABLE\nBEGIN\n  IDS_B \"a\"\nEND\n", 4,
     "unknown constant 'IDS_B'"},
    {"unknown escape", "STRINGTABLE\nBEGIN\n  1 \"a\\qb\"\nEND\n", 3, "unknown escape '\\q'"},
    {"unterminated comment", "/* one\ntwo\n", 1, "unterminated comment"},
    {"text outside code page 932", "STRINGTABLE\nBEGIN\n  1 \"\xF0\x9F\x98\x80\"\nEND\n", 3,
     "code page 932"},
    {"missing include", "#include \"missing.h\"\n", 1, "cannot open include file 'missing.h'"},
    {"unknown directive", "\n#frobnicate\n", 2, "unknown preprocessor directive '#frobnicate'"},
    {"missing comma", "M MENU\nBEGIN\n  MENUITEM \"a\" 1\nEND\n", 3, "expected ','"},
    {"unknown control", "D DIALOGEX 0, 0, 10, 10\nBEGIN\n  SLIDER 1, 0, 0, 5, 5\nEND\n", 3,
     "expected a control statement or END but found 'SLIDER'"},
    {"coordinate out of range", "D DIALOGEX 0, 0, 40000, 10\nBEGIN\nEND\n", 1, "out of range"},
    {"string number out of range", "STRINGTABLE\nBEGIN\n  65536 \"a\"\nEND\n", 3,
     "string number 65536 out of range"},
};

void PrintTo(const ErrorCase& c, std::ostream* out) {
    *out << c.what;
}

class ScriptErrors : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(ScriptErrors, NameFileAndLine) {
    const ErrorCase& c = GetParam();
    auto script = rc::ParseScriptText(c.script, "/src/test.rc");
    ASSERT_FALSE(script.has_value()) << c.what;
    EXPECT_EQ(script.error().file, "/src/test.rc");
    EXPECT_EQ(script.error().line, c.line);
    EXPECT_NE(script.error().message.find(c.message), std::string::npos) << script.error().message;
    EXPECT_EQ(
        script.error().Format().rfind("/src/test.rc:" + std::to_string(c.line) + ": error: ", 0),
        0u);
}

INSTANTIATE_TEST_SUITE_P(Rc, ScriptErrors, ::testing::ValuesIn(kErrorCases),
                         [](const ::testing::TestParamInfo<ErrorCase>& info) {
                             std::string name = info.param.what;
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c)))
                                     c = '_';
                             return name;
                         });

rc::Script Parse(const std::string& text) {
    auto script = rc::ParseScriptText(text, "/src/test.rc");
    EXPECT_TRUE(script.has_value()) << script.error().Format();
    return script ? *script : rc::Script{};
}

TEST(Rc, ExpressionsDefinesAndComments) {
    const rc::Script s = Parse(R"(// a comment
#define BASE 0x10
#define NEXT (BASE + 1) /* a comment behind a value */
#ifdef BASE
#define PICKED 1
#else
#define PICKED 2
#endif
#ifndef BASE
STRINGTABLE { 99 "never" }
#endif
STRINGTABLE
BEGIN
    BASE,               "sixteen"
    NEXT                "seventeen"
    BASE | 0x20 | 1     "forty-nine" // | binds loosest
    (2 + 3) & ~1        "four"
    PICKED              "one"
    -1 & 0xFFFF         "last"
END
)");
    const std::map<uint32_t, std::string> expected = {{1, "one"},         {4, "four"},
                                                      {16, "sixteen"},    {17, "seventeen"},
                                                      {49, "forty-nine"}, {65535, "last"}};
    EXPECT_EQ(s.strings, expected);
}

TEST(Rc, StringEscapesAndCodePage932) {
    const rc::Script s = Parse("STRINGTABLE\nBEGIN\n 1 \"a\"\"b\\n\\t\\\\c\"\n 2 L\"wide\"\n"
                               " 3 \"ドライブ\"\nEND\n");
    EXPECT_EQ(s.strings.at(1), "a\"b\n\t\\c");
    EXPECT_EQ(s.strings.at(2), "wide");
    EXPECT_EQ(s.strings.at(3), "\x83\x68\x83\x89\x83\x43\x83\x75");
}

TEST(Rc, MenuStructure) {
    const rc::Script s = Parse(R"(
MENU MENU
BEGIN
    POPUP "Pop"
    BEGIN
        MENUITEM "A", 1000, CHECKED
        MENUITEM "B", 1001, GRAYED, CHECKED
        MENUITEM SEPARATOR
        MENUITEM "C", 1002 MENUBREAK
    END
END
)");
    ASSERT_EQ(s.menus.size(), 1u);
    EXPECT_EQ(s.menus[0].name.name, "MENU");
    ASSERT_EQ(s.menus[0].items.size(), 1u);
    const rc::MenuItem& pop = s.menus[0].items[0];
    EXPECT_TRUE(pop.popup);
    ASSERT_EQ(pop.children.size(), 4u);
    EXPECT_EQ(pop.children[0].state, 0x8u);
    EXPECT_EQ(pop.children[1].state, 0xBu);
    EXPECT_TRUE(pop.children[2].separator);
    EXPECT_EQ(pop.children[3].type, 0x40u);
    EXPECT_EQ(pop.children[3].id, 1002u);
}

TEST(Rc, DialogDefaults) {
    const rc::Script s = Parse(R"(
100 DIALOGEX 1, 2, 3, 4
BEGIN
    CONTROL "x", 5, BUTTON, BS_AUTORADIOBUTTON, 0, 0, 10, 10
    COMBOBOX 6, 0, 0, 10, 10
    LISTBOX 7, 0, 0, 10, 10, NOT WS_BORDER
    GROUPBOX "g", 8, 0, 0, 10, 10
END
)");
    ASSERT_EQ(s.dialogs.size(), 1u);
    const rc::Dialog& d = s.dialogs[0];
    EXPECT_FALSE(d.name.name.has_value());
    EXPECT_EQ(d.name.id, 100u);
    EXPECT_EQ(d.style, 0x80880000u) << "WS_POPUP | WS_BORDER | WS_SYSMENU without STYLE";
    ASSERT_EQ(d.controls.size(), 4u);
    EXPECT_EQ(d.controls[0].class_name, "BUTTON");
    EXPECT_EQ(d.controls[0].style, 0x50000009u);
    EXPECT_EQ(d.controls[1].style, 0x50010001u) << "CBS_SIMPLE | WS_TABSTOP";
    EXPECT_EQ(d.controls[2].style, 0x50000001u) << "LBS_NOTIFY without its border";
    EXPECT_EQ(d.controls[3].style, 0x50000007u);
}

TEST(Rc, IncludedHeaderIsADependency) {
    const platform::testing::TemporaryFolder folder("pelmora-rc-include");
    const fs::path& dir = folder.path();
    fs::create_directories(dir / "sub");
    std::ofstream(dir / "sub" / "ids.h") << "#pragma once\n#define IDS_A 42\n";
    std::ofstream(dir / "main.rc") << "#include \"sub/ids.h\"\nSTRINGTABLE { IDS_A \"a\" }\n";
    auto script = rc::ParseScriptFile((dir / "main.rc").string());
    ASSERT_TRUE(script.has_value()) << script.error().Format();
    EXPECT_EQ(script->strings.at(42), "a");
    ASSERT_EQ(script->files.size(), 2u);
    EXPECT_EQ(script->files[1], (dir / "sub" / "ids.h").string());
}

TEST(Rc, DepfileEscapesSpaces) {
    EXPECT_EQ(rc::GenerateDepfile("/b/out.cpp", {"/s/a.rc", "/s/Plug-ins (x64)/b.ico"}),
              "/b/out.cpp: \\\n  /s/a.rc \\\n  /s/Plug-ins\\ (x64)/b.ico\n");
}

// A 2 x 2 icon of `bits` per pixel; the first row in the file is the bottom row.
std::vector<uint8_t> TinyIcon(uint16_t bits, std::vector<uint8_t> palette_and_pixels,
                              std::vector<uint8_t> mask) {
    std::vector<uint8_t> image(40, 0);
    auto put32 = [](std::vector<uint8_t>& v, size_t at, uint32_t x) {
        for (int i = 0; i < 4; ++i)
            v[at + i] = uint8_t(x >> (8 * i));
    };
    put32(image, 0, 40);
    put32(image, 4, 2);
    put32(image, 8, 4);
    image[12] = 1;
    image[14] = uint8_t(bits);
    image.insert(image.end(), palette_and_pixels.begin(), palette_and_pixels.end());
    image.insert(image.end(), mask.begin(), mask.end());
    std::vector<uint8_t> file = {0, 0, 1, 0, 1, 0, 2, 2, 0, 0, 1, 0, 0, 0};
    file.resize(22, 0);
    file[12] = uint8_t(bits);
    put32(file, 14, uint32_t(image.size()));
    put32(file, 18, 22);
    file.insert(file.end(), image.begin(), image.end());
    return file;
}

TEST(Rc, IconImagesOfEachDepth) {
    // Mask rows (bottom first): bottom row opaque, top-right pixel transparent.
    const std::vector<uint8_t> mask = {0x00, 0, 0, 0, 0x40, 0, 0, 0};
    // 24 bits: rows of two BGR pixels padded to 8 bytes.
    auto icon24 = rc::DecodeIconFile(
        TinyIcon(24, {0, 0, 255, 0, 255, 0, 0, 0, 255, 0, 0, 255, 255, 255, 0, 0}, mask));
    ASSERT_TRUE(icon24.has_value()) << icon24.error();
    ASSERT_EQ(icon24->size(), 1u);
    EXPECT_EQ((*icon24)[0].pixels,
              (std::vector<uint32_t>{0xFF0000FFu, 0x00000000u, 0xFFFF0000u, 0xFF00FF00u}));

    // 1 bit: a palette of black and white.
    auto icon1 = rc::DecodeIconFile(
        TinyIcon(1, {0, 0, 0, 0, 255, 255, 255, 0, 0x40, 0, 0, 0, 0x80, 0, 0, 0}, mask));
    ASSERT_TRUE(icon1.has_value()) << icon1.error();
    EXPECT_EQ((*icon1)[0].pixels,
              (std::vector<uint32_t>{0xFFFFFFFFu, 0x00000000u, 0xFF000000u, 0xFFFFFFFFu}));

    // 32 bits with alpha: the mask is not needed.
    auto icon32 = rc::DecodeIconFile(
        TinyIcon(32, {1, 2, 3, 0x80, 4, 5, 6, 0xFF, 7, 8, 9, 0, 10, 11, 12, 0x10}, {}));
    ASSERT_TRUE(icon32.has_value()) << icon32.error();
    EXPECT_EQ((*icon32)[0].pixels,
              (std::vector<uint32_t>{0x00090807u, 0x100C0B0Au, 0x80030201u, 0xFF060504u}));
}

TEST(Rc, BrokenIconFilesAreRefused) {
    std::vector<uint8_t> cut = TinyIcon(24, std::vector<uint8_t>(16, 0), {0, 0, 0, 0, 0, 0, 0, 0});
    cut.resize(cut.size() - 12);
    EXPECT_FALSE(rc::DecodeIconFile(cut).has_value());
    EXPECT_FALSE(rc::DecodeIconFile(std::vector<uint8_t>{0, 0, 1, 0}).has_value());
    std::vector<uint8_t> far = TinyIcon(24, std::vector<uint8_t>(16, 0), std::vector<uint8_t>(8));
    far[18] = 0xFF; // image offset beyond the file
    EXPECT_FALSE(rc::DecodeIconFile(far).has_value());
}

// The tool itself: an error names file and line on standard error and fails the build.
TEST(Rc, ToolFailsWithTheErrorOnStandardError) {
    const platform::testing::TemporaryFolder folder("pelmora-rc-tool");
    const fs::path& dir = folder.path();
    const fs::path script = dir / "bad.rc";
    std::ofstream(script) << "STRINGTABLE\nBEGIN\n  1 \"ok\"\n  2 \"broken\nEND\n";
    std::ofstream(dir / "out.cpp") << "// from an earlier run\n";
    const std::string command = std::string(PELMORA_RC) + " " + script.string() + " -o " +
                                (dir / "out.cpp").string() + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string output;
    std::array<char, 256> chunk;
    while (size_t n = fread(chunk.data(), 1, chunk.size(), pipe))
        output.append(chunk.data(), n);
    const int status = pclose(pipe);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) != 0);
    EXPECT_EQ(output, script.string() + ":4: error: unterminated string\n");
    EXPECT_FALSE(fs::exists(dir / "out.cpp"));
}

} // namespace
