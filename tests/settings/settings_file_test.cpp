#include "settings/catalogue.h"
#include "settings/drive_profile.h"
#include "settings/literals.h"
#include "settings/settings_file.h"

#include "host/codepage.h"
#include "shell_doubles.h"
#include "testing/temporary_folder.h"
#include "testing/write_failure.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <grp.h>
#include <iterator>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

const char* StoredValue(CDriveProfileCategory* category, const char* name) {
    for (int i = 0; i < category->Count(); ++i) {
        bool isCategory = true;
        CDriveProfileItemBase* child = category->GetChild(i, &isCategory);
        if (!isCategory && std::strcmp(child->Name, name) == 0)
            return static_cast<CDriveProfileItem*>(child)->Value;
    }
    return nullptr;
}

// depth categories inside one another, the innermost holding one key.
std::string Nested(int depth) {
    std::string text;
    for (int i = 0; i < depth; ++i)
        text += "a[";
    return text + "k=1\r\n" + std::string(size_t(depth), ']');
}

void ReadStartupSettings();

// The user whom permission bits bind, for the cases of files and folders of another user. Root,
// whom these tests run as here, is not stopped by the bits: a child process takes the uid
// 65534 and runs the case. Any other user runs it in this process.
struct AnotherUser {
    static uid_t Uid() { return geteuid() == 0 ? 65534 : geteuid(); }
    static gid_t Gid() { return geteuid() == 0 ? 65534 : getegid(); }
    // body's result, or -1 when it did not end by returning.
    static int Run(const std::function<int()>& body) {
        if (geteuid() != 0)
            return body();
        pid_t child = fork();
        if (child == 0) {
            if (setgroups(0, nullptr) != 0 || setgid(Gid()) != 0 || setuid(Uid()) != 0)
                _exit(100);
            _exit(body());
        }
        int status = 0;
        if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status))
            return -1;
        return WEXITSTATUS(status);
    }
    static void Give(const fs::path& path) {
        ASSERT_EQ(chown(path.c_str(), Uid(), Gid()), 0) << path;
    }
};

int Parse(CDriveProfile& profile, const std::string& text) {
    return profile.LoadText(text.data(), DWORD(text.size()));
}

// A fresh folder per test, known to the program as its directory.
class SettingsFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::host::SetAnsiCodePage(932);
        doubles::SetApplicationDirectory(folder_.WindowsPath());
        bSettingsLoaded = false;
    }
    void TearDown() override {
        delete GetDriveProfile();
        SetDriveProfile(nullptr);
        bSettingsLoaded = false;
        platform::host::SetAnsiCodePage(0);
    }
    fs::path File() const { return folder_ / "Pelmora.pmu"; }
    std::string WindowsPath(const std::string& name) const { return folder_.WindowsPath(name); }
    // Nothing but the settings file (no temporary left behind).
    void ExpectOnlyTheSettingsFile() const {
        for (const auto& entry : fs::directory_iterator(folder_.path()))
            EXPECT_EQ(entry.path().filename(), "Pelmora.pmu");
    }

    const platform::testing::TemporaryFolder folder_{"pelmora-settings"};
};

struct ParseCase {
    const char* what;
    std::string text;
    DWORD error;
    std::string stray;
};

TEST_F(SettingsFileTest, ParserErrors) {
    const std::string v512(512, 'v'), n512(512, 'n');
    const ParseCase cases[] = {
        {"empty file", "", 0, ""},
        {"one key", "Width=100\r\n", 0, ""},
        {"empty value", "Image=\r\n", 0, ""},
        {"empty category", "A[\r\n]\r\n", 0, ""},
        {"nested on one line", "A[B[\r\n]]", 0, ""},
        {"text ends at a NUL", std::string("Width=1\r\n\0junk", 15), 0, ""},
        {"= without a name", "=1\r\n", PROFILE_ERROR_NAMELESS_KEY, ""},
        {"= after blanks only", " \t=1\r\n", PROFILE_ERROR_NAMELESS_KEY, ""},
        {"[ without a name", "[\r\n]\r\n", PROFILE_ERROR_NAMELESS_CATEGORY, ""},
        {"] at the top", "]\r\n", PROFILE_ERROR_CLOSE_AT_TOP, ""},
        {"] too many", "A[\r\n]\r\n]\r\n", PROFILE_ERROR_CLOSE_AT_TOP, ""},
        {"] with a name at the top", "X]\r\n", PROFILE_ERROR_CLOSE_AT_TOP, ""},
        {"name before ]", "A[\r\n\tWidth\r\n]\r\n", PROFILE_ERROR_STRAY_TEXT, "Width"},
        {"name at the end", "Width", PROFILE_ERROR_STRAY_TEXT, "Width"},
        {"name across lines", "Wi\r\n dth", PROFILE_ERROR_STRAY_TEXT, "Width"},
        {"stray text of 512", n512, PROFILE_ERROR_STRAY_TEXT, n512},
        {"category not closed", "A[\r\n\tWidth=1\r\n", PROFILE_ERROR_UNCLOSED_CATEGORY, ""},
        {"unclosed beats stray", "A[\r\n\tWidth", PROFILE_ERROR_UNCLOSED_CATEGORY, ""},
        {"LF-only in a value", "Width=1\nX=2\n", PROFILE_ERROR_BROKEN_LINE_END, ""},
        {"LF-only after [", "A[\n]\n", PROFILE_ERROR_BROKEN_LINE_END, ""},
        {"LF first", "\nWidth=1\r\n", PROFILE_ERROR_BROKEN_LINE_END, ""},
        {"CR last in a value", "Width=1\r", PROFILE_ERROR_BROKEN_LINE_END, ""},
        {"CR last in a name", "A[\r\n]\r", PROFILE_ERROR_BROKEN_LINE_END, ""},
        {"CR without LF", "Width=1\rX=2\r\n", PROFILE_ERROR_BROKEN_LINE_END, ""},
        {"CR before a NUL", std::string("Width=1\r\0\n", 10), PROFILE_ERROR_BROKEN_LINE_END, ""},
        {"CR CR LF", "A[\r\r\n]\r\n", PROFILE_ERROR_BROKEN_LINE_END, ""},
        {"value of 512", "Width=" + v512 + "\r\n", 0, ""},
        {"value of 513", "Width=" + v512 + "v\r\n", PROFILE_ERROR_TOKEN_TOO_LONG, ""},
        {"value of 1024", "Width=" + v512 + v512 + "\r\n", PROFILE_ERROR_TOKEN_TOO_LONG, ""},
        {"name of 512", n512 + "=1\r\n", 0, ""},
        {"name of 513", n512 + "n=1\r\n", PROFILE_ERROR_TOKEN_TOO_LONG, ""},
        {"name of 513 across blanks", n512 + " \t n=1\r\n", PROFILE_ERROR_TOKEN_TOO_LONG, ""},
        {"category name of 513", n512 + "n[\r\n]\r\n", PROFILE_ERROR_TOKEN_TOO_LONG, ""},
        {"stray text of 513", n512 + "n", PROFILE_ERROR_TOKEN_TOO_LONG, ""},
        {"value without line end", "Width=1", PROFILE_ERROR_UNFINISHED_VALUE, ""},
        {"value empty at the end", "A[\r\n\tWidth=", PROFILE_ERROR_UNFINISHED_VALUE, ""},
        {"too deeply nested", Nested(PROFILE_DEPTH_MAX + 1), PROFILE_ERROR_TOO_DEEP, ""},
        {"byte-order mark alone", "\xEF\xBB\xBF", 0, ""},
        {"byte-order mark, then a key", "\xEF\xBB\xBFWidth=1\r\n", 0, ""},
        {"byte-order mark, then LF", "\xEF\xBB\xBF\nWidth=1\r\n", PROFILE_ERROR_BROKEN_LINE_END,
         ""},
        {"half a byte-order mark", "\xEF\xBBWidth", PROFILE_ERROR_STRAY_TEXT, "\xEF\xBBWidth"},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.what);
        CDriveProfile profile;
        profile.GetCategory("Before");
        EXPECT_EQ(Parse(profile, test.text), test.error == 0 ? 1 : 0);
        EXPECT_EQ(profile.ErrorEnum, test.error);
        EXPECT_EQ(std::string(profile.ErrorIdentifier), test.stray);
        // A failed parse keeps the tree that was there; a good one replaces it.
        EXPECT_EQ(profile.GetRoot()->HasCategory("Before"), test.error != 0);
    }
}

TEST_F(SettingsFileTest, ReaderIgnoresBlanksOutsideValuesAndKeepsThemInside) {
    CDriveProfile profile;
    ASSERT_EQ(Parse(profile, "M[\r\n\t\t  Width=100\r\n  Wi dth=200\r\n\tPad= 1 \t\r\n"
                             "\tEq=a=b[c]\r\n]X\r\n=1\r\n"),
              1);
    CDriveProfileCategory* m = profile.GetRoot()->FindCategory("M", false);
    ASSERT_NE(m, nullptr);
    ASSERT_EQ(m->Count(), 4);
    EXPECT_STREQ(m->GetChild(0, nullptr)->Name, "Width");
    EXPECT_STREQ(m->GetChild(1, nullptr)->Name, "Width");
    EXPECT_EQ(m->GetInteger("Width"), 100);
    EXPECT_STREQ(m->GetString("Pad"), " 1 \t");
    EXPECT_STREQ(m->GetString("Eq"), "a=b[c]");
    // Text after "]" starts the next name: a key X at the top level.
    EXPECT_STREQ(StoredValue(profile.GetRoot(), "X"), "1");
}

TEST_F(SettingsFileTest, RepeatedBlocksMergeAndRepeatedKeysStay) {
    CDriveProfile profile;
    const std::string text = "A[\r\n\tK=1\r\n]\r\nB[\r\n]\r\nA[\r\n\tK=2\r\n\tL=3\r\n]\r\n";
    ASSERT_EQ(Parse(profile, text), 1);
    ASSERT_EQ(profile.GetRoot()->Count(), 2);
    CDriveProfileCategory* a = profile.GetCategory("A");
    EXPECT_EQ(a->Count(), 3);
    EXPECT_EQ(a->GetInteger("K"), 1);
    EXPECT_EQ(profile.Render(), "A[\r\n\tK=1\r\n\tK=2\r\n\tL=3\r\n]\r\nB[\r\n]\r\n");
}

// What a file gives is kept whole and written back as it came: a name or value longer than the
// tree holds is refused at load, never cut at the next save.
TEST_F(SettingsFileTest, NamesAndValuesFromTheFileAreKeptWholeOrRefused) {
    const std::string name = std::string(510, 'n') + "\x82\xA0"; // 512 bytes
    const std::string value = std::string(512, 'v');
    const std::string text =
        "C[\r\n\t" + name + "=" + value + "\r\n]\r\n" + name + "[\r\n\tK=1\r\n]\r\n";
    CDriveProfile profile;
    ASSERT_EQ(Parse(profile, text), 1) << profile.ErrorEnum;
    CDriveProfileCategory* c = profile.GetCategory("C");
    ASSERT_EQ(c->Count(), 1);
    EXPECT_EQ(std::string(c->GetChild(0, nullptr)->Name), name);
    EXPECT_EQ(std::string(c->GetString(name.c_str())), value);
    EXPECT_TRUE(profile.GetRoot()->HasCategory(name.c_str()));
    EXPECT_EQ(profile.Render(), text);

    for (const std::string& longer :
         {"C[\r\n\t" + name + "=" + value + "v\r\n]\r\n", "C[\r\n\tn" + name + "=1\r\n]\r\n"}) {
        CDriveProfile refused;
        EXPECT_EQ(Parse(refused, longer), 0);
        EXPECT_EQ(refused.ErrorEnum, DWORD(PROFILE_ERROR_TOKEN_TOO_LONG));
    }
}

// A file saved as UTF-8 by a Windows editor starts with a byte-order mark; its first category
// is read under its own name and the mark is not written back.
TEST_F(SettingsFileTest, AByteOrderMarkAtTheStartIsSkipped) {
    WriteBytes(File(), "\xEF\xBB\xBFPlug-ins[\r\n\tInternal:CPUUsage|0[\r\n\t\tDrawnGraphs=2\r\n"
                       "\t]\r\n]\r\n");
    LoadSettingsFile();
    ASSERT_TRUE(bSettingsLoaded);
    ReadStartupSettings();
    EXPECT_EQ(pPluginsCategory->GetCategory("Internal:CPUUsage|0")->GetInteger("DrawnGraphs"), 2);
    SaveSettingsFile();
    const std::string saved = ReadBytes(File());
    EXPECT_TRUE(saved.starts_with("Plug-ins[\r\n\tInternal:CPUUsage|0[\r\n\t\tDrawnGraphs=2\r\n"))
        << saved;
    EXPECT_EQ(saved.find("Plug-ins[", 1), std::string::npos) << saved;
}

TEST_F(SettingsFileTest, AFirstNameThatBeginsWithTheMarksBytesKeepsThem) {
    // A mark, then a category whose name begins with the mark's three bytes.
    CDriveProfile profile;
    ASSERT_EQ(Parse(profile, "\xEF\xBB\xBF\xEF\xBB\xBF"
                             "A[\r\n\tK=1\r\n]\r\n"),
              1);
    const std::string first = profile.Render();
    CDriveProfile again;
    ASSERT_EQ(Parse(again, first), 1);
    ASSERT_NE(again.GetCategory("\xEF\xBB\xBF"
                                "A"),
              nullptr)
        << first;
    EXPECT_EQ(again.Render(), first);
}

TEST_F(SettingsFileTest, NestingIsBoundedAndDeepTreesNeedNoDeepStack) {
    CDriveProfile profile;
    ASSERT_EQ(Parse(profile, Nested(PROFILE_DEPTH_MAX)), 1);
    // Each line has one TAB per level above it.
    const size_t d = PROFILE_DEPTH_MAX;
    EXPECT_EQ(profile.Render().size(), d * (d - 1) + 8 * d + 5);
    EXPECT_EQ(Parse(profile, Nested(PROFILE_DEPTH_MAX + 1)), 0);
    EXPECT_EQ(profile.ErrorEnum, DWORD(PROFILE_ERROR_TOO_DEEP));
    EXPECT_EQ(Parse(profile, std::string(2000000, '[')), 0);
    EXPECT_EQ(profile.ErrorEnum, DWORD(PROFILE_ERROR_NAMELESS_CATEGORY));

    // A tree built deeper than any file may hold is still written and freed without recursion.
    auto deep = std::make_unique<CDriveProfile>();
    CDriveProfileCategory* category = deep->GetCategory("a");
    for (int i = 0; i < 100000; ++i)
        category = category->GetCategory("a");
    category->SetString("k", "1");
    deep.reset();
}

const char kFixture[] = "MainWindow[\r\n"
                        "\tAlwaysOnTop=1\r\n"
                        "\tWidth=240\r\n"
                        "\tEmpty=\r\n"
                        "\tSpaced=  a b  \r\n"
                        "]\r\n"
                        "Top=x\r\n"
                        "Plug-ins[\r\n"
                        "\tInternal:CPUUsage|0[\r\n"
                        "\t\tDrawnGraphs=1\r\n"
                        "\t\tFormat=CPU $1%\r\n"
                        "\t]\r\n"
                        "\tEmpty[\r\n"
                        "\t]\r\n"
                        // A plug-in file name of code page 932 whose last trail byte is "[".
                        "\t\x83\x81\x83\x82\x83\x8A\x81[.dll|0[\r\n"
                        "\t\tFormat=\x81[\r\n"
                        "\t]\r\n"
                        "]\r\n"
                        "GraphGeneral[\r\n"
                        "\tImage=C:\\\x82\xA0\\b.bmp\r\n"
                        "]\r\n";

TEST_F(SettingsFileTest, LoadSaveLoadGivesTheSameBytes) {
    WriteBytes(File(), kFixture);
    const std::string path = WindowsPath("Pelmora.pmu");
    CDriveProfile first;
    ASSERT_EQ(first.Load(path.c_str()), 1);
    ASSERT_EQ(first.Save(path.c_str()), 1);
    EXPECT_EQ(ReadBytes(File()), kFixture);
    CDriveProfile second;
    ASSERT_EQ(second.Load(path.c_str()), 1);
    EXPECT_EQ(second.Render(), kFixture);
    ExpectOnlyTheSettingsFile();
}

TEST_F(SettingsFileTest, NamesAndValuesThatTheReaderWouldMisreadAreWrittenSoThatTheyLoad) {
    CDriveProfile profile;
    CDriveProfileCategory* plugins = profile.GetCategory("Plug-ins");
    plugins->GetCategory("a[1].dll|0")->SetString("Format", "two\r\nlines\r");
    plugins->GetCategory("My Plugin.dll|0")->SetString("W=i\td]th", "1");
    plugins->GetCategory("lone\x82")->SetString("k", "2");
    plugins->GetCategory("[ ]")->SetString("k", "3");
    plugins->SetString("\r\n", "4");
    const std::string text = profile.Render();
    EXPECT_EQ(text, "Plug-ins[\r\n"
                    "\ta1.dll|0[\r\n"
                    "\t\tFormat=twolines\r\n"
                    "\t]\r\n"
                    "\tMyPlugin.dll|0[\r\n"
                    "\t\tWidth=1\r\n"
                    "\t]\r\n"
                    "\tlone\x82 [\r\n"
                    "\t\tk=2\r\n"
                    "\t]\r\n"
                    "]\r\n");
    CDriveProfile again;
    ASSERT_EQ(Parse(again, text), 1) << again.ErrorEnum;
    EXPECT_EQ(again.Render(), text);
    // The program's own names find their nodes again after the next start.
    CDriveProfileCategory* reloaded = again.GetCategory("Plug-ins");
    EXPECT_TRUE(reloaded->HasCategory("lone\x82"));
    EXPECT_STREQ(reloaded->GetCategory("a[1].dll|0")->GetString("Format"), "twolines");
    EXPECT_EQ(reloaded->GetCategory("My Plugin.dll|0")->GetInteger("W=i\td]th"), 1);
    EXPECT_EQ(again.Render(), text);
}

// Many siblings keep their order, and a later block of an earlier name still adds to it.
TEST_F(SettingsFileTest, ManySiblingCategoriesKeepTheirOrderAndMergeByName) {
    constexpr int count = 20000;
    std::string text, merged;
    for (int i = 0; i < count; ++i)
        text += "C" + std::to_string(i) + "[\r\n\tK=" + std::to_string(i) + "\r\n]\r\n";
    text += "C7[\r\n\tL=x\r\n]\r\nC19999[\r\n\tL=y\r\n]\r\n";
    CDriveProfile profile;
    ASSERT_EQ(Parse(profile, text), 1) << profile.ErrorEnum;
    CDriveProfileCategory* root = profile.GetRoot();
    ASSERT_EQ(root->Count(), count);
    for (int i = 0; i < count; ++i) {
        bool isCategory = false;
        CDriveProfileItemBase* child = root->GetChild(i, &isCategory);
        ASSERT_TRUE(isCategory);
        ASSERT_EQ(std::string(child->Name), "C" + std::to_string(i));
    }
    EXPECT_STREQ(StoredValue(profile.GetCategory("C7"), "L"), "x");
    EXPECT_STREQ(StoredValue(profile.GetCategory("C7"), "K"), "7");
    EXPECT_STREQ(StoredValue(profile.GetCategory("C19999"), "L"), "y");
    EXPECT_EQ(profile.GetCategory("C7")->Count(), 2);
    // Written back, the merged blocks stand as one, in the order of the first.
    const std::string rendered = profile.Render();
    EXPECT_EQ(rendered.find("C7[\r\n\tK=7\r\n\tL=x\r\n]\r\nC8[\r\n"), text.find("C7[\r\n"));
    EXPECT_EQ(rendered.size(), text.size() - std::string("C7[\r\n]\r\nC19999[\r\n]\r\n").size());
}

TEST_F(SettingsFileTest, ATreeLargerThanTheOldBufferIsWrittenWhole) {
    CDriveProfile profile;
    char name[32];
    for (int i = 0; i < 400; ++i) {
        wsprintfA(name, "%s%i", "Graph", i);
        profile.GetCategory("Big")->SetString(name, std::string(500, char('a' + i % 26)).c_str());
    }
    const std::string expected = profile.Render();
    ASSERT_GT(expected.size(), 65535u);
    const std::string path = WindowsPath("Pelmora.pmu");
    ASSERT_EQ(profile.Save(path.c_str()), 1);
    EXPECT_EQ(ReadBytes(File()), expected);
    CDriveProfile again;
    ASSERT_EQ(again.Load(path.c_str()), 1);
    EXPECT_EQ(again.Render(), expected);
}

TEST_F(SettingsFileTest, ASaveThatFailsMidwayLeavesThePreviousFile) {
    WriteBytes(File(), kFixture);
    const std::string path = WindowsPath("Pelmora.pmu");
    CDriveProfile profile;
    ASSERT_EQ(profile.Load(path.c_str()), 1);
    profile.GetCategory("MainWindow")->SetInteger("Width", 999);
    const size_t size = profile.Render().size();
    for (uint64_t allowed : {uint64_t(0), uint64_t(1), uint64_t(40), uint64_t(size - 1)}) {
        SCOPED_TRACE(allowed);
        {
            platform::testing::FailWritesAfter diskFull(allowed);
            EXPECT_EQ(profile.Save(path.c_str()), 0);
        }
        EXPECT_EQ(ReadBytes(File()), kFixture);
        ExpectOnlyTheSettingsFile();
    }
    ASSERT_EQ(profile.Save(path.c_str()), 1);
    EXPECT_EQ(ReadBytes(File()), profile.Render());
    EXPECT_NE(ReadBytes(File()), kFixture);
}

// What the user set on the file stays: its permissions, a link to a file elsewhere, and a
// read-only file, which is not written.
TEST_F(SettingsFileTest, SaveKeepsThePermissionsTheLinkAndAReadOnlyFile) {
    const std::string path = WindowsPath("Pelmora.pmu");
    CDriveProfile profile;
    profile.SetInteger("k", 1);
    const std::string text = profile.Render();

    WriteBytes(File(), "old=1\r\n");
    fs::permissions(File(), fs::perms::owner_read | fs::perms::owner_write);
    ASSERT_EQ(profile.Save(path.c_str()), 1);
    EXPECT_EQ(ReadBytes(File()), text);
    EXPECT_EQ(fs::status(File()).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    ExpectOnlyTheSettingsFile();

    WriteBytes(File(), "old=1\r\n");
    fs::permissions(File(), fs::perms::owner_read | fs::perms::group_read);
    EXPECT_EQ(profile.Save(path.c_str()), 0);
    EXPECT_EQ(ReadBytes(File()), "old=1\r\n");
    ExpectOnlyTheSettingsFile();
    fs::remove(File());

    const fs::path elsewhere = folder_ / "elsewhere";
    fs::create_directories(elsewhere);
    WriteBytes(elsewhere / "real.pmu", "old=1\r\n");
    fs::create_symlink(elsewhere / "real.pmu", File());
    ASSERT_EQ(profile.Save(path.c_str()), 1);
    EXPECT_TRUE(fs::is_symlink(File()));
    EXPECT_EQ(ReadBytes(elsewhere / "real.pmu"), text);
    // The new text was written beside the target and nothing is left of it.
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(elsewhere))
        names.push_back(entry.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"real.pmu"});
    fs::remove_all(elsewhere);
    fs::remove(File());
}

TEST_F(SettingsFileTest, SaveIntoAMissingFolderWritesNothing) {
    CDriveProfile profile;
    profile.SetInteger("k", 1);
    EXPECT_EQ(profile.Save(WindowsPath("missing\\Pelmora.pmu").c_str()), 0);
    EXPECT_FALSE(fs::exists(folder_ / "missing"));
}

std::vector<std::string> NamesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Two copies of the program ending together: the second saves while the first is writing its
// text. Each puts its own whole file in place, the one that finishes last staying, and neither
// leaves anything behind.
TEST_F(SettingsFileTest, TwoSavesAtOnceEachPutTheirWholeFileInPlace) {
    WriteBytes(File(), kFixture);
    const std::string path = WindowsPath("Pelmora.pmu");
    CDriveProfile first, second;
    first.SetString("copy", "first");
    second.SetString("copy", "second");
    // Longer than the first's, so that a mixture of the two could not pass for either.
    second.SetString("more", std::string(400, 'x').c_str());
    int secondSaved = -1;
    {
        platform::testing::BeforeNextWrite meanwhile([&] {
            pid_t other = fork();
            if (other == 0)
                _exit(second.Save(path.c_str()));
            int status = 0;
            if (waitpid(other, &status, 0) == other && WIFEXITED(status))
                secondSaved = WEXITSTATUS(status);
        });
        EXPECT_EQ(first.Save(path.c_str()), 1);
    }
    EXPECT_EQ(secondSaved, 1);
    EXPECT_EQ(ReadBytes(File()), first.Render());
    ExpectOnlyTheSettingsFile();
}

// What an earlier save could leave beside the file under the old fixed name is never opened:
// a link there is not followed, and a folder or a file the user may not write does not stop
// the save.
TEST_F(SettingsFileTest, ALeftoverOfTheOldTemporaryNameIsNeverUsed) {
    const fs::path leftover = folder_ / "Pelmora.pmu.new";
    const fs::path victim = folder_ / "victim";
    struct Case {
        const char* what;
        std::function<void()> plant;
        bool asAnotherUser;
    } cases[] = {
        {"a link", [&] { fs::create_symlink(victim, leftover); }, false},
        {"a folder", [&] { fs::create_directory(leftover); }, false},
        {"a file the user may not write",
         [&] {
             WriteBytes(leftover, "x");
             fs::permissions(leftover, fs::perms::owner_read | fs::perms::group_read |
                                           fs::perms::others_read);
         },
         true},
    };
    CDriveProfile profile;
    profile.SetInteger("k", 1);
    const std::string path = WindowsPath("Pelmora.pmu");
    fs::permissions(folder_.path(), fs::perms::owner_all | fs::perms::group_read |
                                        fs::perms::group_exec | fs::perms::others_read |
                                        fs::perms::others_exec);
    for (const Case& test : cases) {
        SCOPED_TRACE(test.what);
        WriteBytes(File(), "old=1\r\n");
        WriteBytes(victim, "victim\r\n");
        test.plant();
        int saved = -1;
        if (test.asAnotherUser) {
            AnotherUser::Give(folder_.path());
            AnotherUser::Give(File());
            saved = AnotherUser::Run([&] { return profile.Save(path.c_str()); });
        } else {
            saved = profile.Save(path.c_str());
        }
        EXPECT_EQ(saved, 1);
        EXPECT_EQ(ReadBytes(File()), profile.Render());
        EXPECT_EQ(ReadBytes(victim), "victim\r\n");
        EXPECT_EQ(NamesIn(folder_.path()),
                  (std::vector<std::string>{"Pelmora.pmu", "Pelmora.pmu.new", "victim"}));
        fs::remove_all(leftover);
    }
}

// A name the next save would give its temporary that something else holds already (a folder,
// a FIFO) is passed over as a taken one: the save still goes through a temporary of its own,
// so one that fails midway leaves the previous file whole instead of half rewritten.
TEST_F(SettingsFileTest, ATemporaryNameThatIsTakenIsPassedOver) {
    const std::string path = WindowsPath("Pelmora.pmu");
    const std::string ours = "Pelmora.pmu." + std::to_string(getpid()) + "-";
    CDriveProfile profile;
    // Longer than the writes let through below.
    profile.SetString("k", std::string(400, 'x').c_str());
    struct Case {
        const char* what;
        std::function<void(const fs::path&)> plant;
    } cases[] = {
        {"a folder", [](const fs::path& at) { fs::create_directory(at); }},
        {"a fifo", [](const fs::path& at) { ASSERT_EQ(mkfifo(at.c_str(), 0600), 0); }},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.what);
        WriteBytes(File(), kFixture);
        // The number of the temporary that a save writes; the next save takes the one after.
        long number = -1;
        {
            platform::testing::BeforeNextWrite meanwhile([&] {
                for (const std::string& name : NamesIn(folder_.path()))
                    if (name.starts_with(ours))
                        number = std::stol(name.substr(ours.size()));
            });
            ASSERT_EQ(profile.Save(path.c_str()), 1);
        }
        ASSERT_GE(number, 0);
        const fs::path taken = folder_ / (ours + std::to_string(number + 1) + ".new");
        test.plant(taken);
        WriteBytes(File(), kFixture);
        {
            platform::testing::FailWritesAfter diskFull(40);
            EXPECT_EQ(profile.Save(path.c_str()), 0);
        }
        EXPECT_EQ(ReadBytes(File()), kFixture);
        EXPECT_EQ(NamesIn(folder_.path()),
                  (std::vector<std::string>{"Pelmora.pmu", taken.filename().string()}));
        fs::remove(taken);
    }
}

// A save removes the temporaries that saves killed on the way left beside the file, and only
// those: one whose process still runs is that copy's save at work.
TEST_F(SettingsFileTest, ASaveRemovesTheTemporariesOfKilledSavesOnly) {
    pid_t gone = fork();
    if (gone == 0)
        _exit(0);
    ASSERT_EQ(waitpid(gone, nullptr, 0), gone);
    const std::string running = std::to_string(getppid());
    const std::string self = std::to_string(getpid());
    const std::vector<std::string> kept = {"Pelmora.pmu",
                                           "Pelmora.pmu." + running + "-3.new",
                                           "Pelmora.pmu.new",
                                           "Pelmora.pmu.backup",
                                           "Pelmora.pmu.x-1.new",
                                           "Pelmora.pmu." + std::to_string(gone) + "-1.new.txt",
                                           "Other.pmu." + std::to_string(gone) + "-1.new"};
    for (const std::string& name : kept)
        WriteBytes(folder_ / name, "x");
    for (const std::string& name :
         {"Pelmora.pmu." + std::to_string(gone) + "-0.new",
          "Pelmora.pmu." + std::to_string(gone) + "-12.new", "Pelmora.pmu." + self + "-7.new"})
        WriteBytes(folder_ / name, "half a save");
    CDriveProfile profile;
    profile.SetInteger("k", 1);
    ASSERT_EQ(profile.Save(WindowsPath("Pelmora.pmu").c_str()), 1);
    std::vector<std::string> expected = kept;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(NamesIn(folder_.path()), expected);
    EXPECT_EQ(ReadBytes(File()), profile.Render());
}

// A folder the user may not write, holding a settings file the user may: the file is written
// where it stands.
TEST_F(SettingsFileTest, AFileInAFolderThatMayNotBeWrittenIsRewrittenInPlace) {
    WriteBytes(File(), std::string(3000, 'x') + "=1\r\n");
    AnotherUser::Give(File());
    fs::permissions(folder_.path(), fs::perms::owner_read | fs::perms::owner_exec |
                                        fs::perms::group_read | fs::perms::group_exec |
                                        fs::perms::others_read | fs::perms::others_exec);
    CDriveProfile profile;
    profile.SetInteger("k", 1);
    const std::string path = WindowsPath("Pelmora.pmu");
    const int saved = AnotherUser::Run([&] { return profile.Save(path.c_str()); });
    fs::permissions(folder_.path(), fs::perms::owner_all);
    EXPECT_EQ(saved, 1);
    EXPECT_EQ(ReadBytes(File()), profile.Render());
    ExpectOnlyTheSettingsFile();
}

// A settings file that is there but cannot be read is never replaced by the defaults the
// program started on: held by another program, another user's, or not a file at all.
TEST_F(SettingsFileTest, AFileThatIsThereButCannotBeReadIsNeverReplaced) {
    const std::string held = "held=1\r\n";
    struct Case {
        const char* what;
        std::function<void()> before;
        bool asAnotherUser;
    } cases[] = {
        {"held without sharing", nullptr, false},
        {"another user's",
         [&] {
             // Writable, so that it does not look read-only, but not readable.
             WriteBytes(File(), held);
             fs::permissions(File(), fs::perms::owner_write);
             AnotherUser::Give(folder_.path());
         },
         true},
        {"a folder", [&] { fs::create_directory(File()); }, false},
    };
    fs::permissions(folder_.path(), fs::perms::owner_all | fs::perms::group_read |
                                        fs::perms::group_exec | fs::perms::others_read |
                                        fs::perms::others_exec);
    // The start and the end of a run: 1 when the file would have been written.
    auto run = [] {
        LoadSettingsFile();
        const bool loaded = bSettingsLoaded;
        ReadStartupSettings();
        SaveSettingsFile();
        delete GetDriveProfile();
        SetDriveProfile(nullptr);
        return loaded ? 1 : 0;
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.what);
        fs::remove_all(File());
        int result = -1;
        if (!test.before) {
            WriteBytes(File(), held);
            HANDLE other = CreateFileA(WindowsPath("Pelmora.pmu").c_str(), GENERIC_READ, 0, nullptr,
                                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
            ASSERT_NE(other, INVALID_HANDLE_VALUE);
            LoadSettingsFile();
            result = bSettingsLoaded ? 1 : 0;
            // The other program lets go before this one ends.
            CloseHandle(other);
            ReadStartupSettings();
            SaveSettingsFile();
            delete GetDriveProfile();
            SetDriveProfile(nullptr);
        } else {
            test.before();
            result = test.asAnotherUser ? AnotherUser::Run(run) : run();
        }
        EXPECT_EQ(result, 0);
        if (fs::is_regular_file(File())) {
            fs::permissions(File(), fs::perms::owner_read | fs::perms::owner_write);
            EXPECT_EQ(ReadBytes(File()), held);
        } else {
            EXPECT_TRUE(fs::is_directory(File()));
        }
        ExpectOnlyTheSettingsFile();
    }
}

TEST_F(SettingsFileTest, ReaderStopsAtTheFirstNulOfTheFile) {
    WriteBytes(File(), std::string("A=1\r\n\0B=2\r\n", 11));
    CDriveProfile profile;
    ASSERT_EQ(profile.Load(WindowsPath("Pelmora.pmu").c_str()), 1);
    EXPECT_EQ(profile.Render(), "A=1\r\n");
}

// The keys that start-up reads, as the window and display set-up read them.
void ReadStartupSettings() {
    CDriveProfile* profile = GetDriveProfile();
    pMainWindowCategory = profile->GetCategory(Literals::MainWindow);
    pMainWindowCategory->GetBooleanOrDefault(Literals::AlwaysOnTop, true);
    pMainWindowCategory->GetIntegerInRange(Literals::Opacity, 255, 1, 255);
    pMainWindowCategory->GetBooleanOrDefault(Literals::Fade, true);
    pMainWindowCategory->GetIntegerInRange(Literals::FadeTime, 500, 100, 1000);
    pGraphGeneralCategory = profile->GetCategory(Literals::GraphGeneral);
    pGraphGeneralCategory->GetDWordOrDefault(Literals::BackgroundColor1, 16744576);
    pGraphDetailCategory = profile->GetCategory(Literals::GraphDetail);
    pGraphDetailCategory->GetIntegerInRange(Literals::NumberOfGraphs, -1, 1, 32);
    pPluginsCategory = profile->GetCategory(Literals::Plugins);
    pPluginsCategory->GetCategory("Internal:CPUUsage|0")
        ->GetIntegerInRange(Literals::DrawnGraphs, 1, 0, 3);
}

TEST_F(SettingsFileTest, FirstRunWritesTheDefaultsThatStartUpRead) {
    LoadSettingsFile();
    EXPECT_TRUE(bSettingsLoaded);
    EXPECT_EQ(GetDriveProfile()->GetRoot()->Count(), 0);
    ReadStartupSettings();
    SaveSettingsFile();
    EXPECT_EQ(ReadBytes(File()), "MainWindow[\r\n"
                                 "\tAlwaysOnTop=1\r\n"
                                 "\tOpacity=255\r\n"
                                 "\tFade=1\r\n"
                                 "\tFadeTime=500\r\n"
                                 "]\r\n"
                                 "GraphGeneral[\r\n"
                                 "\tBackgroundColor1=16744576\r\n"
                                 "]\r\n"
                                 "GraphDetail[\r\n"
                                 "\tNumberOfGraphs=-1\r\n"
                                 "]\r\n"
                                 "Plug-ins[\r\n"
                                 "\tInternal:CPUUsage|0[\r\n"
                                 "\t\tDrawnGraphs=1\r\n"
                                 "\t]\r\n"
                                 "]\r\n");
}

TEST_F(SettingsFileTest, StoredValuesOutsideTheirRangeAreRepairedInTheFile) {
    WriteBytes(File(), "MainWindow[\r\n\tOpacity=0\r\n\tFadeTime=50\r\n]\r\n"
                       "GraphDetail[\r\n\tNumberOfGraphs=33\r\n]\r\n");
    LoadSettingsFile();
    ReadStartupSettings();
    SaveSettingsFile();
    const std::string saved = ReadBytes(File());
    EXPECT_NE(saved.find("\tOpacity=255\r\n"), std::string::npos);
    EXPECT_NE(saved.find("\tFadeTime=500\r\n"), std::string::npos);
    EXPECT_NE(saved.find("\tNumberOfGraphs=-1\r\n"), std::string::npos);
}

TEST_F(SettingsFileTest, AFileThatCannotBeParsedEndsTheProgramAndStaysAsItIs) {
    const std::string faulty = "MainWindow[\r\n\tWidth\r\n]\r\n";
    WriteBytes(File(), faulty);
    try {
        LoadSettingsFile();
        FAIL() << "LoadSettingsFile returned";
    } catch (const doubles::FatalExitCalled& exit) {
        EXPECT_EQ(exit.text, "The settings file cannot be read.\r\n"
                             "\"Width\" is followed by neither \"=\" nor \"[\".");
    }
    EXPECT_FALSE(bSettingsLoaded);
    // The shutdown steps that FatalExit runs leave the file alone.
    SaveSettingsFile();
    EXPECT_EQ(ReadBytes(File()), faulty);
    ExpectOnlyTheSettingsFile();
}

TEST_F(SettingsFileTest, ErrorTextsAreCutToTheirBuffer) {
    CDriveProfile profile;
    ASSERT_EQ(Parse(profile, std::string(512, 's')), 0);
    std::string text = profile.GetErrorText();
    EXPECT_EQ(text.size(), 512u);
    EXPECT_EQ(text.substr(0, 2 + 10), "\"" + std::string(11, 's'));
    ASSERT_EQ(Parse(profile, "=\r\n"), 0);
    EXPECT_STREQ(profile.GetErrorText(), "\"=\" without a key name.");
}

} // namespace
