// The built-in sources' detail dialogs, run from PMPShowDetailSettings as the options sheet
// runs them and answered as a user would: OK writes the source's keys, Cancel, Escape and the
// close box write nothing.
#include "source_support.h"

#include "settings/literals.h"

#include <functional>
#include <string>
#include <vector>

namespace {

using platform::testing::AnswerNextDialog;
using platform::testing::DialogScript;
using platform::testing::DialogsShown;
using platform::testing::ReadDialogItem;

// The machine that every dialog looks at: two network interfaces, two drives that answer,
// two fixed volumes.
class DetailDialogTest : public SourceTest {
protected:
    DetailDialogTest()
        : root_(tree_.root()), volumes_({{'C', 1ull << 40, 1ull << 39, 1ull << 39},
                                         {'D', 1ull << 40, 1ull << 38, 1ull << 38}}) {
        WriteInterfaces(tree_, {{"eth0", 1000, 2000, 100}, {"eth1", 1000, 2000, 1000}});
        drives_.Add(0, platform::testing::MakeIdentifySector("Drive Zero"),
                    platform::testing::MakeSmartSector({{194, 30}}));
        drives_.Add(1, platform::testing::MakeIdentifySector("Drive One"),
                    platform::testing::MakeSmartSector({{194, 40}}));
        owner_ = CreateWindowExA(0, "Static", "Options", WS_POPUP | WS_VISIBLE, 100, 100, 300, 200,
                                 nullptr, nullptr, nullptr, nullptr);
    }

    DWORD Show(int index, DWORD item) {
        return pInternalPlugins->pmpAddresses[index].pfnShowDetailSettings(item, owner_);
    }

    platform::testing::DesktopScope desktop_;
    MachineTree tree_;
    platform::testing::HostRootScope root_;
    platform::testing::SimulatedDrivesScope drives_;
    platform::testing::SimulatedVolumesScope volumes_;
    HWND owner_ = nullptr;
};

struct DialogCase {
    const char* name;
    int index;
    DWORD item;
    const char* dialog;
    const char* category;
    // Stored values before the dialog opens (what Init shows).
    std::function<void(CDriveProfileCategory*)> preset;
    // What Init shows, checked, then the user's changes.
    std::function<void(DialogScript&)> change;
    // The keys after OK.
    std::function<void(CDriveProfileCategory*)> saved;
    // The keys after an ending that saves nothing: the preset values.
    std::function<void(CDriveProfileCategory*)> unchanged;
};

// The keys of a category, names and texts, in order.
std::vector<std::pair<std::string, std::string>> Keys(CDriveProfileCategory* category) {
    std::vector<std::pair<std::string, std::string>> keys;
    for (int i = 0; i < category->Count(); ++i) {
        bool is_category = false;
        CDriveProfileItemBase* child = category->GetChild(i, &is_category);
        if (child && !is_category)
            keys.emplace_back(child->Name, static_cast<CDriveProfileItem*>(child)->Value);
    }
    return keys;
}

std::vector<std::string> NamesOf(const std::vector<std::pair<std::string, std::string>>& keys) {
    std::vector<std::string> names;
    for (const auto& [name, value] : keys)
        names.push_back(name);
    return names;
}

std::vector<std::string> Strings(UINT first, UINT count) {
    std::vector<std::string> texts;
    for (UINT i = 0; i < count; ++i)
        texts.push_back(ResourceString(first + i));
    return texts;
}

void ExpectCombo(HWND dialog, int id, int selection, std::vector<std::string> entries) {
    platform::testing::DialogItem item = ReadDialogItem(dialog, id);
    SCOPED_TRACE(testing::Message() << "control " << id);
    EXPECT_EQ(item.selection, selection);
    EXPECT_EQ(item.entries, entries);
}

DialogCase MemoryCase(const char* name, int index, const char* dialog, const char* category) {
    return {name,
            index,
            0,
            dialog,
            category,
            [](CDriveProfileCategory* c) { c->SetInteger("Scale", 0); },
            [](DialogScript& s) {
                s.Do([](HWND d) { ExpectCombo(d, 4, 0, Strings(545, 2)); }).Pick(4, 1);
            },
            [](CDriveProfileCategory* c) { EXPECT_EQ(c->GetInteger("Scale"), 1); },
            [](CDriveProfileCategory* c) { EXPECT_EQ(c->GetInteger("Scale"), 0); }};
}

const DialogCase kCases[] = {
    MemoryCase("VirtualMemory", INTERNAL_VIRTUAL_MEMORY, "OPTION_VIRTUAL_MEMORY",
               Literals::VirtualMemory),
    MemoryCase("PhysicalMemory", INTERNAL_PHYSICAL_MEMORY, "OPTION_PHYSICAL_MEMORY",
               Literals::PhysicalMemory),
    {"Processes", INTERNAL_PROCESSES, 0, "OPTION_PROCESSES", Literals::Processes,
     [](CDriveProfileCategory* c) { c->SetInteger("MaxProcessCount", 1); },
     [](DialogScript& s) {
         s.Do([](HWND d) { ExpectCombo(d, 4, 1, {"50", "100", "150", "200"}); }).Pick(4, "200");
     },
     [](CDriveProfileCategory* c) { EXPECT_EQ(c->GetInteger("MaxProcessCount"), 3); },
     [](CDriveProfileCategory* c) { EXPECT_EQ(c->GetInteger("MaxProcessCount"), 1); }},
    {"DateAndTime", INTERNAL_DATE_AND_TIME, 0, "OPTION_DATE_AND_TIME", Literals::DateAndTime,
     [](CDriveProfileCategory* c) {
         c->SetInteger("GraphInterval", 3);
         c->SetInteger("YearType", 0);
         c->SetInteger("DayOfWeekType", 0);
     },
     [](DialogScript& s) {
         s.Do([](HWND d) {
              ExpectCombo(d, 4, 3, Strings(512, 4));
              ExpectCombo(d, 6, 0, Strings(592, 3));
              ExpectCombo(d, 8, 0, Strings(608, 3));
          })
             .Pick(4, 0)
             .Pick(6, 2)
             .Pick(8, 1);
     },
     [](CDriveProfileCategory* c) {
         EXPECT_EQ(c->GetInteger("GraphInterval"), 0);
         EXPECT_EQ(c->GetInteger("YearType"), 2);
         EXPECT_EQ(c->GetInteger("DayOfWeekType"), 1);
     },
     [](CDriveProfileCategory* c) {
         EXPECT_EQ(c->GetInteger("GraphInterval"), 3);
         EXPECT_EQ(c->GetInteger("YearType"), 0);
         EXPECT_EQ(c->GetInteger("DayOfWeekType"), 0);
     }},
    {"RunningTime", INTERNAL_RUNNING_TIME, 0, "OPTION_RUNNING_TIME", Literals::RunningTime,
     [](CDriveProfileCategory* c) { c->SetInteger("GraphInterval", 4); },
     [](DialogScript& s) {
         s.Do([](HWND d) { ExpectCombo(d, 4, 4, Strings(512, 5)); }).Pick(4, 2);
     },
     [](CDriveProfileCategory* c) { EXPECT_EQ(c->GetInteger("GraphInterval"), 2); },
     [](CDriveProfileCategory* c) { EXPECT_EQ(c->GetInteger("GraphInterval"), 4); }},
    {"NetworkSpeed", INTERNAL_NETWORK_SPEED, 1, "OPTION_NETWORK_SPEED", Literals::NetworkSpeed,
     [](CDriveProfileCategory* c) {
         c->SetInteger("Interface1", 0);
         c->SetInteger("MaximumSpeed1", -1);
         c->SetBoolean("SeparateGraph1", false);
         c->SetInteger("SpeedScale1", 0);
         c->SetInteger("SizeScale1", 1);
     },
     [](DialogScript& s) {
         s.Do([](HWND d) {
              // The maximum follows the interface: its speed, in a field the user cannot edit.
              EXPECT_EQ(ReadDialogItem(d, 4).entries.size(), 2u);
              EXPECT_EQ(ReadDialogItem(d, 4).selection, 0);
              EXPECT_EQ(SendDlgItemMessageA(d, 4, CB_GETDROPPEDWIDTH, 0, 0), 450);
              ExpectCombo(d, 6, 0, Strings(528, 2));
              EXPECT_FALSE(ReadDialogItem(d, 7).enabled);
              EXPECT_EQ(ReadDialogItem(d, 7).text, "100");
              EXPECT_EQ(ReadDialogItem(d, 9).check, UINT(BST_UNCHECKED));
              ExpectCombo(d, 11, 0, Strings(560, 8));
              ExpectCombo(d, 13, 1, Strings(544, 4));
          })
             .Pick(4, 1)
             .Do([](HWND d) { EXPECT_EQ(ReadDialogItem(d, 7).text, "1000"); })
             .Pick(6, 1)
             .Do([](HWND d) {
                 EXPECT_TRUE(ReadDialogItem(d, 7).enabled);
                 EXPECT_EQ(ReadDialogItem(d, 7).text, "1000") << "the number stays";
             })
             // At most four digits can be typed.
             .SetText(7, "25000")
             .Do([](HWND d) { EXPECT_EQ(ReadDialogItem(d, 7).text, "2500"); })
             .SetText(7, "250")
             .Click(9)
             .Pick(11, 4)
             .Pick(13, 2);
     },
     [](CDriveProfileCategory* c) {
         EXPECT_EQ(c->GetInteger("Interface1"), 1);
         EXPECT_EQ(c->GetInteger("MaximumSpeed1"), 250);
         EXPECT_TRUE(c->GetBoolean("SeparateGraph1"));
         EXPECT_EQ(c->GetInteger("SpeedScale1"), 4);
         EXPECT_EQ(c->GetInteger("SizeScale1"), 2);
     },
     [](CDriveProfileCategory* c) {
         EXPECT_EQ(c->GetInteger("Interface1"), 0);
         EXPECT_EQ(c->GetInteger("MaximumSpeed1"), -1);
         EXPECT_FALSE(c->GetBoolean("SeparateGraph1"));
         EXPECT_EQ(c->GetInteger("SpeedScale1"), 0);
         EXPECT_EQ(c->GetInteger("SizeScale1"), 1);
     }},
    {"HDDTemperature", INTERNAL_HDD_TEMPERATURE, 1, "OPTION_HDD_TEMPERATURE",
     Literals::HDDTemperature,
     [](CDriveProfileCategory* c) {
         c->SetInteger("PhysicalDisk1", 0);
         c->SetInteger("Interval1", 10);
     },
     [](DialogScript& s) {
         s.Do([](HWND d) {
              // The model names as the drives give them, 40 characters with their spaces.
              std::string zero = "Drive Zero", one = "Drive One";
              zero.resize(40, ' ');
              one.resize(40, ' ');
              ExpectCombo(d, 4, 0, {zero, one});
              EXPECT_EQ(ReadDialogItem(d, 7).position, 10);
              EXPECT_EQ(ReadDialogItem(d, 6).text, "10");
          })
             .Pick(4, 1)
             .UpDown(7, true, 3)
             .Do([](HWND d) { EXPECT_EQ(ReadDialogItem(d, 6).text, "13"); });
     },
     [](CDriveProfileCategory* c) {
         EXPECT_EQ(c->GetInteger("PhysicalDisk1"), 1);
         EXPECT_EQ(c->GetInteger("Interval1"), 13);
     },
     [](CDriveProfileCategory* c) {
         EXPECT_EQ(c->GetInteger("PhysicalDisk1"), 0);
         EXPECT_EQ(c->GetInteger("Interval1"), 10);
     }},
    {"HDDUsage", INTERNAL_HDD_USAGE, 2, "OPTION_HDD_USAGE", Literals::HDDUsage,
     [](CDriveProfileCategory* c) {
         // A lower-case drive letter is still found in the list.
         c->SetString("Drive2", "d:\\");
         c->SetInteger("Scale2", 0);
     },
     [](DialogScript& s) {
         s.Do([](HWND d) {
              ExpectCombo(d, 4, 1, {"C:\\", "D:\\"});
              ExpectCombo(d, 6, 0, Strings(546, 2));
          })
             .Pick(4, "c:\\")
             .Pick(6, 1);
     },
     [](CDriveProfileCategory* c) {
         EXPECT_STREQ(c->GetString("Drive2"), "C:\\");
         EXPECT_EQ(c->GetInteger("Scale2"), 1);
     },
     [](CDriveProfileCategory* c) {
         EXPECT_STREQ(c->GetString("Drive2"), "d:\\");
         EXPECT_EQ(c->GetInteger("Scale2"), 0);
     }},
};

class DetailDialogs : public DetailDialogTest, public ::testing::WithParamInterface<DialogCase> {};

TEST_P(DetailDialogs, OkSavesAndEveryOtherEndingWritesNothing) {
    const DialogCase& c = GetParam();
    Initialize(c.index);
    struct Ending {
        const char* name;
        std::function<void(DialogScript&)> press;
        DWORD result;
    };
    const Ending endings[] = {
        {"OK", [](DialogScript& s) { s.Click(IDOK); }, 1},
        {"Enter", [](DialogScript& s) { s.PressEnter(); }, 1},
        {"Cancel", [](DialogScript& s) { s.Click(IDCANCEL); }, 0},
        {"Escape", [](DialogScript& s) { s.PressEscape(); }, 0},
        {"close box", [](DialogScript& s) { s.CloseBox(); }, 0},
    };
    for (const Ending& e : endings) {
        SCOPED_TRACE(e.name);
        platform::testing::ClearDialogs();
        CDriveProfileCategory* category = Category(c.category);
        c.preset(category);
        const auto before = Keys(category);
        DialogScript script;
        script.Do([this](HWND) { EXPECT_FALSE(IsWindowEnabled(owner_)); });
        c.change(script);
        e.press(script);
        AnswerNextDialog(c.dialog, std::move(script));
        EXPECT_EQ(Show(c.index, c.item), e.result);
        auto shown = DialogsShown();
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_TRUE(shown[0].scripted);
        EXPECT_EQ(shown[0].param, LPARAM(c.item));
        EXPECT_EQ(shown[0].owner, owner_);
        EXPECT_EQ(shown[0].errors, std::vector<std::string>{});
        EXPECT_TRUE(IsWindowEnabled(owner_));
        if (e.result == 1) {
            c.saved(category);
            // Only the keys of the dialog's item are written; no other key is added.
            EXPECT_EQ(NamesOf(Keys(category)), NamesOf(before));
        } else {
            c.unchanged(category);
            EXPECT_EQ(Keys(category), before);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Sources, DetailDialogs, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(DetailDialogTest, SourcesWithoutADialogShowNothing) {
    for (int index : {INTERNAL_CPU_USAGE, INTERNAL_CPU_CLOCK, INTERNAL_BATTERY}) {
        SCOPED_TRACE(index);
        PFNPMPSHOWDETAILSETTINGS show = pInternalPlugins->pmpAddresses[index].pfnShowDetailSettings;
        if (show) {
            EXPECT_EQ(show(0, owner_), 0u);
        }
    }
    EXPECT_TRUE(DialogsShown().empty());
}

TEST_F(DetailDialogTest, ANumberTypedForTheIntervalIsSaved) {
    Initialize(INTERNAL_HDD_TEMPERATURE);
    AnswerNextDialog("OPTION_HDD_TEMPERATURE", DialogScript().SetText(6, "42").PressEnter());
    EXPECT_EQ(Show(INTERNAL_HDD_TEMPERATURE, 0), 1u);
    EXPECT_EQ(Category(Literals::HDDTemperature)->GetInteger("Interval0"), 42);
}

TEST_F(DetailDialogTest, AnEmptyMaximumIsSavedAsZero) {
    Initialize(INTERNAL_NETWORK_SPEED);
    AnswerNextDialog("OPTION_NETWORK_SPEED", DialogScript().Pick(6, 1).SetText(7, "").Click(IDOK));
    EXPECT_EQ(Show(INTERNAL_NETWORK_SPEED, 0), 1u);
    EXPECT_EQ(Category(Literals::NetworkSpeed)->GetInteger("MaximumSpeed0"), 0);
}

TEST_F(DetailDialogTest, ARemovableDriveIsReadButNotListed) {
    // D: is a removable disk.
    tree_.Write("proc/self/mounts", "/dev/sda1 / ext4 rw 0 0\n/dev/sdb1 /media/usb vfat rw 0 0\n");
    tree_.Write("sys/block/sdb/removable", "1\n");
    ASSERT_EQ(GetDriveTypeA("D:\\"), UINT(DRIVE_REMOVABLE));
    Category(Literals::HDDUsage)->SetString("Drive0", "D:\\");
    Start(INTERNAL_HDD_USAGE);
    EXPECT_EQ(Sample(INTERNAL_HDD_USAGE).dwMaxValue, DWORD(1u << 20));

    AnswerNextDialog(
        "OPTION_HDD_USAGE",
        DialogScript().Do([](HWND d) { ExpectCombo(d, 4, -1, {"C:\\"}); }).Click(IDOK));
    EXPECT_EQ(Show(INTERNAL_HDD_USAGE, 0), 1u);
    EXPECT_STREQ(Category(Literals::HDDUsage)->GetString("Drive0"), "");
}

TEST_F(DetailDialogTest, TheDriveListAsksEveryDriveForItsIdentity) {
    Initialize(INTERNAL_HDD_TEMPERATURE);
    AnswerNextDialog("OPTION_HDD_TEMPERATURE", DialogScript().Click(IDCANCEL));
    EXPECT_EQ(Show(INTERNAL_HDD_TEMPERATURE, 0), 0u);
    std::vector<unsigned> asked;
    for (const auto& request : drives_.requests()) {
        asked.push_back(request.drive);
        EXPECT_EQ(request.registers.bCommandReg, 0xEC);
        EXPECT_EQ(request.registers.bDriveHeadReg, request.drive % 2 ? 0xB0 : 0xA0);
        EXPECT_EQ(request.drive_number, request.drive);
        EXPECT_EQ(request.registers.bFeaturesReg, 0xD0);
        EXPECT_EQ(request.registers.bCylLowReg, 0x4F);
        EXPECT_EQ(request.registers.bCylHighReg, 0xC2);
        EXPECT_EQ(request.buffer_size, 512u);
    }
    EXPECT_EQ(asked, (std::vector<unsigned>{0, 1}));
}

TEST_F(DetailDialogTest, AStoredMaximumOfZeroOrLessShowsAsTheInterfaceSpeedAndSavesAsMinusOne) {
    Initialize(INTERNAL_NETWORK_SPEED);
    CDriveProfileCategory* category = Category(Literals::NetworkSpeed);
    category->SetInteger("MaximumSpeed0", 0);
    AnswerNextDialog("OPTION_NETWORK_SPEED", DialogScript()
                                                 .Do([](HWND d) {
                                                     EXPECT_EQ(ReadDialogItem(d, 6).selection, 0);
                                                     EXPECT_FALSE(ReadDialogItem(d, 7).enabled);
                                                     EXPECT_EQ(ReadDialogItem(d, 7).text, "100");
                                                 })
                                                 .Click(IDOK));
    EXPECT_EQ(Show(INTERNAL_NETWORK_SPEED, 0), 1u);
    EXPECT_EQ(category->GetInteger("MaximumSpeed0"), -1);
}

TEST_F(DetailDialogTest, TheSourceKeepsItsSettingsUntilItsRowsStartAgain) {
    CDriveProfileCategory* category = Category(Literals::HDDUsage);
    Start(INTERNAL_HDD_USAGE);
    EXPECT_EQ(Param(Sample(INTERNAL_HDD_USAGE), 6), "GB");
    AnswerNextDialog("OPTION_HDD_USAGE", DialogScript().Pick(6, 1).Click(IDOK));
    EXPECT_EQ(Show(INTERNAL_HDD_USAGE, 0), 1u);
    EXPECT_EQ(category->GetInteger("Scale0"), 1);
    EXPECT_EQ(Param(Sample(INTERNAL_HDD_USAGE), 6), "GB");
    pInternalPlugins->pmpAddresses[INTERNAL_HDD_USAGE].pfnBeforeOperation(0, nullptr, 0, nullptr);
    EXPECT_EQ(Param(Sample(INTERNAL_HDD_USAGE), 6), "TB");
}

} // namespace
