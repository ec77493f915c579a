// GetOpenFileNameA: the folders and the files of the caller's filter, a typed path, the checks
// that a path and a file exist, and the full path written within the caller's buffer.
#include <windows.h>
#include <commdlg.h>

#include "testing/temporary_folder.h"
#include "testing/desktop.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

using namespace platform::testing;
namespace ids = platform::comdlg32;
namespace fs = std::filesystem;

class FileDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        ClearDialogs();
        ClearMessageBoxes();
        fs::create_directories(root / "pictures" / "old");
        for (const char* file : {"sky.bmp", "Sea.JPG", "notes.txt", "README"})
            std::ofstream(root / "pictures" / file) << "x";
        folder = root.WindowsPath("pictures");
        owner = CreateWindowExA(0, "STATIC", "Owner", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100,
                                nullptr, nullptr, nullptr, nullptr);
        ofn.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
        ofn.hwndOwner = owner;
        ofn.lpstrFilter = kFilter;
        ofn.lpstrFile = buffer;
        ofn.nMaxFile = 260;
        ofn.lpstrInitialDir = folder.c_str();
        ofn.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
        std::memset(buffer, 0, sizeof buffer);
    }
    void TearDown() override {
        ClearDialogs();
        ClearMessageBoxes();
    }

    static constexpr char kFilter[] = "Image files (*.bmp, *.jpg)\0*.bmp;*.jpg\0All files\0*.*\0";
    DesktopScope desktop_;
    const TemporaryFolder root{"pelmora-file-dialog"};
    std::string folder; // drive form
    HWND owner = nullptr;
    char buffer[264 + 16];
    OPENFILENAMEA ofn{};
};

TEST_F(FileDialogTest, ListsFoldersAndTheFilesOfTheFilterAndWalksIntoAFolder) {
    DialogScript script;
    script.Do([&](HWND dialog) {
        WritePictureIfAsked(dialog, "file_dialog");
        EXPECT_EQ(ReadDialogItem(dialog, ids::kFileFolderText).text, folder);
        EXPECT_EQ(ReadDialogItem(dialog, ids::kFileList).entries,
                  (std::vector<std::string>{"[..]", "[old]", "Sea.JPG", "sky.bmp"}));
        EXPECT_EQ(ReadDialogItem(dialog, ids::kFileTypeCombo).text, "Image files (*.bmp, *.jpg)");
        EXPECT_EQ(ReadDialogItem(dialog, ids::kFileDriveCombo).text, "C:\\");
    });
    script.Pick(ids::kFileTypeCombo, 1).Do([](HWND dialog) {
        EXPECT_EQ(ReadDialogItem(dialog, ids::kFileList).entries,
                  (std::vector<std::string>{"[..]", "[old]", "notes.txt", "README", "Sea.JPG",
                                            "sky.bmp"}));
    });
    script.DoubleClickEntry(ids::kFileList, 1).Do([&](HWND dialog) {
        EXPECT_EQ(ReadDialogItem(dialog, ids::kFileFolderText).text, folder + "\\old");
        EXPECT_EQ(ReadDialogItem(dialog, ids::kFileList).entries,
                  (std::vector<std::string>{"[..]"}));
    });
    script.DoubleClickEntry(ids::kFileList, 0).Pick(ids::kFileList, "sky.bmp").Do([](HWND d) {
        EXPECT_EQ(ReadDialogItem(d, ids::kFileNameEdit).text, "sky.bmp");
    });
    script.Click(IDOK);
    AnswerNextFileDialog(script);
    ASSERT_TRUE(GetOpenFileNameA(&ofn));
    const std::string expected = folder + "\\sky.bmp";
    EXPECT_EQ(std::string(buffer), expected);
    EXPECT_EQ(ofn.nFileOffset, folder.size() + 1);
    EXPECT_EQ(ofn.nFileExtension, expected.size() - 3);
    EXPECT_EQ(ofn.nFilterIndex, 2u);
    auto shown = DialogsShown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].caption, "Open");
    EXPECT_TRUE(shown[0].errors.empty());
}

TEST_F(FileDialogTest, ATypedPathIsMadeWholeAgainstTheFolderShown) {
    struct Case {
        std::string typed;
        std::string chosen;
    };
    const std::vector<Case> cases = {
        {"Sea.JPG", folder + "\\Sea.JPG"},
        {"old\\..\\.\\notes.txt", folder + "\\notes.txt"},
        {folder + "\\sky.bmp", folder + "\\sky.bmp"},
        {folder.substr(2) + "/README", folder + "\\README"}, // from the drive's root
    };
    for (const Case& c : cases) {
        AnswerNextFileDialog(FileChoice(c.typed));
        ASSERT_TRUE(GetOpenFileNameA(&ofn)) << c.typed;
        EXPECT_EQ(std::string(buffer), c.chosen) << c.typed;
    }
    EXPECT_TRUE(MessageBoxesShown().empty());
}

TEST_F(FileDialogTest, APathOrFileThatMustExistIsCheckedWithAMessage) {
    struct Case {
        std::string typed;
        DWORD flags;
        const char* message; // nullptr: accepted
    };
    const std::vector<Case> cases = {
        {"missing.bmp", OFN_FILEMUSTEXIST, "File not found"},
        {"nowhere\\sky.bmp", OFN_PATHMUSTEXIST, "path does not exist"},
        {"nowhere\\sky.bmp", OFN_FILEMUSTEXIST, "path does not exist"},
        {"missing.bmp", OFN_PATHMUSTEXIST, nullptr},
        {"nowhere\\sky.bmp", 0, nullptr},
    };
    for (const Case& c : cases) {
        ClearMessageBoxes();
        ofn.Flags = c.flags;
        std::memset(buffer, 0, sizeof buffer);
        DialogScript script = FileChoice(c.typed);
        script.Do([](HWND) {}).Click(IDCANCEL);
        AnswerNextFileDialog(script);
        BOOL chosen = GetOpenFileNameA(&ofn);
        ClearDialogs(); // the steps left over when the dialog has ended
        auto boxes = MessageBoxesShown();
        if (c.message) {
            EXPECT_FALSE(chosen) << c.typed;
            EXPECT_EQ(CommDlgExtendedError(), 0u);
            EXPECT_EQ(buffer[0], '\0') << "a refused path is not written";
            ASSERT_EQ(boxes.size(), 1u) << c.typed;
            EXPECT_NE(boxes[0].text.find(c.message), std::string::npos) << boxes[0].text;
        } else {
            EXPECT_TRUE(chosen) << c.typed;
            EXPECT_TRUE(boxes.empty()) << c.typed;
        }
    }
}

TEST_F(FileDialogTest, ThePathIsWrittenOnlyWhenItFitsTheBuffer) {
    const std::string path = folder + "\\sky.bmp";
    for (DWORD size : {DWORD(path.size()), DWORD(path.size() + 1)}) {
        std::memset(buffer, '#', sizeof buffer);
        buffer[0] = '\0';
        ofn.nMaxFile = size;
        AnswerNextFileDialog(FileChoice(path));
        BOOL chosen = GetOpenFileNameA(&ofn);
        EXPECT_EQ(buffer[size], '#') << "written beyond the buffer";
        if (size > path.size()) {
            EXPECT_TRUE(chosen);
            EXPECT_EQ(std::string(buffer), path);
        } else {
            EXPECT_FALSE(chosen);
            EXPECT_EQ(CommDlgExtendedError(), DWORD(FNERR_BUFFERTOOSMALL));
            WORD needed = 0;
            std::memcpy(&needed, buffer, sizeof needed);
            EXPECT_EQ(needed, path.size() + 1);
        }
    }
}

TEST_F(FileDialogTest, CancelWritesNothing) {
    AnswerNextFileDialog(CancelChoice());
    EXPECT_FALSE(GetOpenFileNameA(&ofn));
    EXPECT_EQ(CommDlgExtendedError(), 0u);
    EXPECT_EQ(buffer[0], '\0');
    ofn.lStructSize = 100;
    EXPECT_FALSE(GetOpenFileNameA(&ofn));
    EXPECT_EQ(CommDlgExtendedError(), DWORD(CDERR_STRUCTSIZE));
}

} // namespace
