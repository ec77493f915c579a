// The graph-detail page: the row lists and their limits, the graph controls by what a source
// offers, the placeholder list, copying to all items, and what OK writes.
#include "sheet_fixture.h"

#include "dialogs/change_settings_dialog.h"
#include "dialogs/graph_detail_page.h"
#include "dialogs/options_sheet.h"
#include "display/display_state.h"
#include "display/rows.h"
#include "plugin_host/data_items.h"
#include "settings/catalogue.h"
#include "settings/drive_profile.h"
#include "settings/literals.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace {

using namespace platform::testing;

constexpr int kDetailPage = 2;
constexpr const char* kRow = "Good|0";
constexpr const char* kOther = "Good|1";

class GraphDetailPageTest : public SheetTest {
protected:
    void SetUp() override {
        WriteSheetSettings();
        Start();
        RunUntilIdle();
    }
    static HWND Page(HWND sheet) { return SheetPage(sheet, kDetailPage); }
    static DialogItem Item(HWND sheet, int id) { return ReadDialogItem(Page(sheet), id); }
    static COnePlugin* Good() { return DataIndexToPlugin(DWORD(DataKeyToIndex(kRow))); }
    // The script's first step: the page shown.
    static DialogScript OnPage() {
        DialogScript script;
        script.Then(SelectSheetPage(kDetailPage));
        return script;
    }
    static void ExpectMoveButtons(HWND sheet, bool up, bool down) {
        EXPECT_EQ(Item(sheet, IDC_DETAIL_UP).enabled, up);
        EXPECT_EQ(Item(sheet, IDC_DETAIL_DOWN).enabled, down);
    }
    static std::string RowKey(int j) {
        LPCSTR value = GetDriveProfile()
                           ->GetCategory(Literals::GraphDetail)
                           ->GetString(("Graph" + std::to_string(j)).c_str());
        return value ? value : "";
    }
};

TEST_F(GraphDetailPageTest, TheRowsAreListedApartFromTheOtherItems) {
    DialogScript script = OnPage();
    script.Do([](HWND sheet) {
        WritePictureIfAsked(Page(sheet), "graph_detail_page");
        DialogItem rows = Item(sheet, IDC_DETAIL_ROWS);
        EXPECT_EQ(rows.entries, std::vector<std::string>{kRow});
        EXPECT_EQ(rows.selection, 0);
        DialogItem sources = Item(sheet, IDC_DETAIL_SOURCES);
        EXPECT_EQ(sources.entries.size(), GetDataItemCount() - 1);
        for (const std::string& entry : sources.entries)
            EXPECT_NE(entry, kRow);
        EXPECT_EQ(Item(sheet, IDC_DETAIL_FORMAT).text, "%1");
        EXPECT_EQ(Item(sheet, IDC_DETAIL_TYPE).entries.size(), 3u);
        EXPECT_EQ(Item(sheet, IDC_DETAIL_POSITION).entries.size(), 3u);
        EXPECT_EQ(Item(sheet, IDC_DETAIL_TEXTPOSITION).entries.size(), 4u);
        EXPECT_EQ(Item(sheet, IDC_DETAIL_TEXTPOSITION).selection, 3);
        EXPECT_FALSE(ReadDialogItem(sheet, ID_APPLY_NOW).enabled);
    });
    script.Then(PressSheetButton(IDCANCEL));
    ASSERT_TRUE(OpenSheet(script));
    EXPECT_TRUE(LastSheet().errors.empty());
}

// Every item's name is seen whole in both lists, also once the list scrolls.
TEST_F(GraphDetailPageTest, EveryItemNameFitsBothLists) {
    // Beside the text a list keeps its frame, a margin each side and the scroll bar.
    constexpr int kRoom = 2 + 2 * 2 + 17;
    DialogScript script = OnPage();
    script.Do([](HWND sheet) {
        std::vector<std::string> names = Item(sheet, IDC_DETAIL_SOURCES).entries;
        names.push_back(kRow);
        for (int id : {IDC_DETAIL_SOURCES, IDC_DETAIL_ROWS}) {
            HWND list = GetDlgItem(Page(sheet), id);
            RECT client{};
            GetClientRect(list, &client);
            HDC dc = GetDC(list);
            HGDIOBJ old = SelectObject(dc, HGDIOBJ(SendMessageA(list, WM_GETFONT, 0, 0)));
            for (const std::string& name : names) {
                SIZE size{};
                GetTextExtentPoint32A(dc, name.c_str(), int(name.size()), &size);
                EXPECT_LE(size.cx + kRoom, client.right) << "\"" << name << "\" in list " << id;
            }
            SelectObject(dc, old);
            ReleaseDC(list, dc);
        }
    });
    script.Then(PressSheetButton(IDCANCEL));
    ASSERT_TRUE(OpenSheet(script));
}

TEST_F(GraphDetailPageTest, OneRowCannotBeRemovedAndThirtyTwoRowsTakeNoMore) {
    DialogScript script = OnPage();
    script.Do([](HWND sheet) {
        EXPECT_FALSE(Item(sheet, IDC_DETAIL_REMOVE).enabled);
        EXPECT_FALSE(Item(sheet, IDC_DETAIL_ADD).enabled);
    });
    // A double click on the only row removes nothing.
    script.DoubleClickEntry(IDC_DETAIL_ROWS, 0).Do([](HWND sheet) {
        EXPECT_EQ(Item(sheet, IDC_DETAIL_ROWS).entries.size(), 1u);
        EXPECT_FALSE(ReadDialogItem(sheet, ID_APPLY_NOW).enabled);
    });
    // Filled up to 32 rows; an available item picked then cannot be added.
    script.Do([](HWND sheet) {
        while (SendDlgItemMessageA(Page(sheet), IDC_DETAIL_ROWS, LB_GETCOUNT, 0, 0) < 32)
            SendDlgItemMessageA(Page(sheet), IDC_DETAIL_ROWS, LB_ADDSTRING, 0, LPARAM(kRow));
    });
    script.Pick(IDC_DETAIL_SOURCES, kOther).Do([](HWND sheet) {
        EXPECT_FALSE(Item(sheet, IDC_DETAIL_ADD).enabled);
    });
    script.DoubleClickEntry(IDC_DETAIL_SOURCES, 0).Do([](HWND sheet) {
        EXPECT_EQ(Item(sheet, IDC_DETAIL_ROWS).entries.size(), 32u);
        EXPECT_EQ(Item(sheet, IDC_DETAIL_SOURCES).entries.size(), GetDataItemCount() - 1);
    });
    // With one row fewer the add button and the double click work again.
    script.Do([](HWND sheet) {
        SendDlgItemMessageA(Page(sheet), IDC_DETAIL_ROWS, LB_DELETESTRING, 31, 0);
    });
    script.Pick(IDC_DETAIL_SOURCES, kOther).Do([](HWND sheet) {
        EXPECT_TRUE(Item(sheet, IDC_DETAIL_ADD).enabled);
    });
    script.DoubleClickEntry(IDC_DETAIL_SOURCES, 0).Do([](HWND sheet) {
        EXPECT_EQ(Item(sheet, IDC_DETAIL_ROWS).entries.size(), 32u);
        EXPECT_TRUE(ReadDialogItem(sheet, ID_APPLY_NOW).enabled);
    });
    script.Then(PressSheetButton(IDCANCEL));
    ASSERT_TRUE(OpenSheet(script));
}

TEST_F(GraphDetailPageTest, RowsMoveOnlyWithinTheListAndRemovedOnesGoBack) {
    DialogScript script = OnPage();
    script.Pick(IDC_DETAIL_SOURCES, kOther).Do([](HWND sheet) {
        EXPECT_TRUE(Item(sheet, IDC_DETAIL_ADD).enabled);
        EXPECT_FALSE(Item(sheet, IDC_DETAIL_REMOVE).enabled);
        ExpectMoveButtons(sheet, false, false);
    });
    script.Click(IDC_DETAIL_ADD).Do([](HWND sheet) {
        DialogItem rows = Item(sheet, IDC_DETAIL_ROWS);
        EXPECT_EQ(rows.entries, (std::vector<std::string>{kRow, kOther}));
        EXPECT_EQ(rows.selection, 1);
        EXPECT_FALSE(Item(sheet, IDC_DETAIL_ADD).enabled);
        EXPECT_TRUE(Item(sheet, IDC_DETAIL_REMOVE).enabled);
        ExpectMoveButtons(sheet, true, false);
    });
    script.Pick(IDC_DETAIL_ROWS, 0).Do([](HWND sheet) { ExpectMoveButtons(sheet, false, true); });
    script.Click(IDC_DETAIL_DOWN).Do([](HWND sheet) {
        DialogItem rows = Item(sheet, IDC_DETAIL_ROWS);
        EXPECT_EQ(rows.entries, (std::vector<std::string>{kOther, kRow}));
        EXPECT_EQ(rows.selection, 1);
        ExpectMoveButtons(sheet, true, false);
    });
    script.Click(IDC_DETAIL_UP).Do([](HWND sheet) {
        EXPECT_EQ(Item(sheet, IDC_DETAIL_ROWS).entries, (std::vector<std::string>{kRow, kOther}));
        ExpectMoveButtons(sheet, false, true);
    });
    // A double click on a row of two sends it back.
    script.DoubleClickEntry(IDC_DETAIL_ROWS, 1).Do([](HWND sheet) {
        EXPECT_EQ(Item(sheet, IDC_DETAIL_ROWS).entries, std::vector<std::string>{kRow});
        DialogItem sources = Item(sheet, IDC_DETAIL_SOURCES);
        ASSERT_GE(sources.selection, 0);
        EXPECT_EQ(sources.entries[size_t(sources.selection)], kOther);
        EXPECT_TRUE(Item(sheet, IDC_DETAIL_ADD).enabled);
        EXPECT_FALSE(Item(sheet, IDC_DETAIL_REMOVE).enabled);
        ExpectMoveButtons(sheet, false, false);
    });
    script.Then(PressSheetButton(IDCANCEL));
    ASSERT_TRUE(OpenSheet(script));
    EXPECT_TRUE(LastSheet().errors.empty());
}

TEST_F(GraphDetailPageTest, TheGraphControlsFollowTheGraphsTheSourceOffers) {
    struct Case {
        DWORD graphs;
        size_t entries;
    };
    for (const Case& c :
         {Case{PMP_GRAPHS_TWO, 2}, Case{PMP_GRAPHS_ONE, 1}, Case{PMP_GRAPHS_NONE, 0}}) {
        Good()->GetInfo()->dwAvailableGraphs = c.graphs;
        DialogScript script = OnPage();
        script.Do([c](HWND sheet) {
            const bool offers = c.graphs != PMP_GRAPHS_NONE;
            DialogItem graph = Item(sheet, IDC_DETAIL_GRAPH);
            EXPECT_EQ(graph.entries.size(), c.entries) << c.graphs;
            EXPECT_EQ(graph.enabled, offers);
            for (int id : {IDC_DETAIL_GRAPH_LABEL, IDC_DETAIL_DRAWN, IDC_DETAIL_TYPE_LABEL,
                           IDC_DETAIL_TYPE, IDC_DETAIL_COLORS_LABEL, IDC_DETAIL_POSITION})
                EXPECT_EQ(Item(sheet, id).enabled, offers) << "control " << id;
            EXPECT_EQ(Item(sheet, IDC_DETAIL_COLOR1).visible, offers);
            EXPECT_FALSE(Item(sheet, IDC_DETAIL_COLOR2).visible) << "a solid graph has one colour";
            EXPECT_EQ(Item(sheet, IDC_DETAIL_DRAWN).check, UINT(offers ? BST_CHECKED : 0));
            EXPECT_EQ(Item(sheet, IDC_DETAIL_TYPE).selection, offers ? 0 : -1);
        });
        script.Then(PressSheetButton(IDCANCEL));
        ASSERT_TRUE(OpenSheet(script));
    }
}

TEST_F(GraphDetailPageTest, DrawnStateAndTypeShowOnlyTheControlsInUse) {
    DialogScript script = OnPage();
    script.Pick(IDC_DETAIL_TYPE, 1).Do([](HWND sheet) {
        EXPECT_TRUE(Item(sheet, IDC_DETAIL_COLOR2).visible);
        EXPECT_TRUE(ReadDialogItem(sheet, ID_APPLY_NOW).enabled);
        EXPECT_EQ(pGraphDetailPage->lGraph1Type[DataKeyToIndex(kRow)], 1);
    });
    script.Click(IDC_DETAIL_DRAWN).Do([](HWND sheet) {
        EXPECT_FALSE(Item(sheet, IDC_DETAIL_TYPE).enabled);
        EXPECT_FALSE(Item(sheet, IDC_DETAIL_POSITION).enabled);
        EXPECT_FALSE(Item(sheet, IDC_DETAIL_COLOR1).visible);
        EXPECT_FALSE(Item(sheet, IDC_DETAIL_COLOR2).visible);
        EXPECT_EQ(pGraphDetailPage->lDrawnGraphs[DataKeyToIndex(kRow)] & 1, 0);
    });
    // Graph 2 keeps its own state: drawn by default, of type 0.
    script.Pick(IDC_DETAIL_GRAPH, 1).Do([](HWND sheet) {
        EXPECT_EQ(Item(sheet, IDC_DETAIL_DRAWN).check, UINT(BST_UNCHECKED));
    });
    script.Then(PressSheetButton(IDCANCEL));
    ASSERT_TRUE(OpenSheet(script));
}

TEST_F(GraphDetailPageTest, ADoubleClickedPlaceholderGoesInAtTheCaretAndCanBeUndone) {
    static LPCSTR const names[] = {"value", "second", "third"};
    PMPINFO* info = Good()->GetInfo();
    info->dwFormatParams = 3;
    for (int p = 0; p < 3; ++p)
        info->pszParamNames[p] = names[p];
    DialogScript script = OnPage();
    script.SetText(IDC_DETAIL_FORMAT, "ab").Do([](HWND sheet) {
        SendDlgItemMessageA(Page(sheet), IDC_DETAIL_FORMAT, EM_SETSEL, 1, 1);
    });
    // Rows: %1, %2, %3, then $1 to $4.
    PickListViewItem(script, IDC_DETAIL_PLACEHOLDERS, 2, true).Do([](HWND sheet) {
        EXPECT_EQ(Item(sheet, IDC_DETAIL_FORMAT).text, "a%3b");
        EXPECT_STREQ(pGraphDetailPage->Format[DataKeyToIndex(kRow)], "a%3b");
    });
    script.Then(FocusControl(IDC_DETAIL_FORMAT));
    script.Then(PressKeys({VK_CONTROL, 'Z'})).Do([](HWND sheet) {
        EXPECT_EQ(Item(sheet, IDC_DETAIL_FORMAT).text, "ab");
    });
    script.Then(PressSheetButton(IDCANCEL));
    ASSERT_TRUE(OpenSheet(script));
    EXPECT_TRUE(LastSheet().errors.empty());
}

TEST_F(GraphDetailPageTest, ChangeSettingsCopiesOnlyTheChosenSettingsOfGraphOne) {
    struct Case {
        int box;
        bool copies_drawn, copies_type;
    };
    for (const Case& c :
         {Case{IDC_CHANGE_GRAPH1_TYPE, false, true}, Case{IDC_CHANGE_GRAPH1_DRAWN, true, false}}) {
        const int current = DataKeyToIndex(kRow);
        const int other = DataKeyToIndex(kOther);
        DialogScript script = OnPage();
        script.Do([&](HWND) {
            Dialog::CGraphDetailPage* page = pGraphDetailPage;
            page->lDrawnGraphs[current] = 1;
            page->lGraph1Type[current] = 2;
            page->lGraph2Type[current] = 1;
            page->lDrawnGraphs[other] = 2;
            page->lGraph1Type[other] = 0;
            page->lGraph2Type[other] = 2;
            // The copy reaches every slot, not only the listed sources.
            page->lGraph1Type[127] = 1;
            DialogScript answer;
            answer.Click(c.box).Click(IDOK);
            AnswerNextDialog("OPTION_GRAPH_DETAIL_CHANGE_SETTINGS", answer);
        });
        script.Click(IDC_DETAIL_CHANGEALL).Do([&](HWND sheet) {
            Dialog::CGraphDetailPage* page = pGraphDetailPage;
            EXPECT_EQ(page->lDrawnGraphs[other], c.copies_drawn ? 3 : 2);
            EXPECT_EQ(page->lGraph1Type[other], c.copies_type ? 2 : 0);
            EXPECT_EQ(page->lGraph2Type[other], 2);
            EXPECT_EQ(page->lGraph1Type[127], c.copies_type ? 2 : 1);
            EXPECT_EQ(page->lDrawnGraphs[current], 1);
            EXPECT_TRUE(ReadDialogItem(sheet, ID_APPLY_NOW).enabled);
        });
        script.Then(PressSheetButton(IDCANCEL));
        ASSERT_TRUE(OpenSheet(script));
    }
}

// The positions and colours of the item shown go to every item, each group only with its own
// box; graph 2's colours are never copied.
TEST_F(GraphDetailPageTest, ChangeSettingsCopiesThePositionsAndColoursOfTheBoxChosen) {
    using Page = Dialog::CGraphDetailPage;
    struct Field {
        const char* name;
        DWORD flag; // 0: no box copies it
        LONG (Page::*longs)[Page::MAX_ITEMS];
        COLORREF (Page::*colours)[Page::MAX_ITEMS];
    };
    const Field fields[] = {
        {"graph 1 colour 1", CHANGE_GRAPH1_COLORS, nullptr, &Page::rgbGraph1Color1},
        {"graph 1 colour 2", CHANGE_GRAPH1_COLORS, nullptr, &Page::rgbGraph1Color2},
        {"graph 2 colour 1", 0, nullptr, &Page::rgbGraph2Color1},
        {"graph 2 colour 2", 0, nullptr, &Page::rgbGraph2Color2},
        {"graph 1 position", CHANGE_GRAPH_POSITIONS, &Page::lGraph1Position, nullptr},
        {"graph 2 position", CHANGE_GRAPH_POSITIONS, &Page::lGraph2Position, nullptr},
        {"text position", CHANGE_TEXT_POSITION, &Page::lTextHorizontalPosition, nullptr},
        {"text colour", CHANGE_TEXT_COLOR, nullptr, &Page::rgbTextColor},
    };
    auto get = [](Page* page, const Field& f, int k) {
        return f.longs ? DWORD((page->*f.longs)[k]) : (page->*f.colours)[k];
    };
    auto set = [](Page* page, const Field& f, int k, DWORD value) {
        if (f.longs)
            (page->*f.longs)[k] = LONG(value);
        else
            (page->*f.colours)[k] = value;
    };
    struct Case {
        int box;
        DWORD flag;
    };
    const Case cases[] = {{IDC_CHANGE_GRAPH1_COLORS, CHANGE_GRAPH1_COLORS},
                          {IDC_CHANGE_GRAPH_POSITIONS, CHANGE_GRAPH_POSITIONS},
                          {IDC_CHANGE_TEXT_POSITION, CHANGE_TEXT_POSITION},
                          {IDC_CHANGE_TEXT_COLOR, CHANGE_TEXT_COLOR}};
    const int current = DataKeyToIndex(kRow);
    const int other = DataKeyToIndex(kOther);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "box " << c.box);
        DialogScript script = OnPage();
        script.Do([&](HWND) {
            int n = 0;
            for (const Field& f : fields) {
                ++n;
                set(pGraphDetailPage, f, current, DWORD(n));
                set(pGraphDetailPage, f, other, DWORD(0x100 + n));
            }
            AnswerNextDialog("OPTION_GRAPH_DETAIL_CHANGE_SETTINGS",
                             DialogScript().Click(c.box).Click(IDOK));
        });
        script.Click(IDC_DETAIL_CHANGEALL).Do([&](HWND sheet) {
            int n = 0;
            for (const Field& f : fields) {
                ++n;
                const bool copied = f.flag == c.flag;
                EXPECT_EQ(get(pGraphDetailPage, f, other), DWORD(copied ? n : 0x100 + n)) << f.name;
                EXPECT_EQ(get(pGraphDetailPage, f, current), DWORD(n)) << f.name;
            }
            EXPECT_TRUE(ReadDialogItem(sheet, ID_APPLY_NOW).enabled);
        });
        script.Then(PressSheetButton(IDCANCEL));
        ASSERT_TRUE(OpenSheet(script));
        EXPECT_TRUE(LastSheet().errors.empty());
    }
}

// The Information button shows the item on view in a dialog that the sheet owns, so the sheet
// waits for it.
TEST_F(GraphDetailPageTest, TheInformationButtonShowsTheItemInADialogOwnedByTheSheet) {
    HWND sheetWindow = nullptr;
    bool sheetEnabled = true;
    DialogScript script = OnPage();
    script.Pick(IDC_DETAIL_SOURCES, kOther).Do([&](HWND sheet) {
        sheetWindow = sheet;
        AnswerNextDialog("OPTION_GRAPH_DETAIL_INFO",
                         DialogScript()
                             .Do([&](HWND) { sheetEnabled = IsWindowEnabled(sheetWindow); })
                             .Click(IDOK));
    });
    script.Click(IDC_DETAIL_INFO).Then(PressSheetButton(IDCANCEL));
    ASSERT_TRUE(OpenSheet(script));
    EXPECT_TRUE(LastSheet().errors.empty());
    std::vector<ShownDialog> info;
    for (const ShownDialog& d : DialogsShown())
        if (d.template_name && *d.template_name == "OPTION_GRAPH_DETAIL_INFO")
            info.push_back(d);
    ASSERT_EQ(info.size(), 1u);
    EXPECT_EQ(info[0].owner, sheetWindow);
    EXPECT_FALSE(sheetEnabled);
    EXPECT_TRUE(info[0].modal);
    EXPECT_EQ(info[0].param, LPARAM(DataKeyToIndex(kOther)));
    EXPECT_EQ(info[0].result, IDOK);
}

// The placeholder list names %1 to %8 as the source offers them, then %9 for nine or more
// parameters and %0 for exactly ten, then the four values.
TEST_F(GraphDetailPageTest, ThePlaceholderListShowsNineAndZeroOnlyWhenTheSourceOffersThem) {
    static LPCSTR const names[] = {"p1", "p2", "p3", "p4", "p5", "p6", "p7", "p8"};
    PMPINFO* info = Good()->GetInfo();
    for (int p = 0; p < 8; ++p)
        info->pszParamNames[p] = names[p];
    info->pszParamName9 = "ninth";
    info->pszParamName0 = "tenth";
    struct Case {
        DWORD params;
        std::vector<std::string> extra; // after %1 to %8
    };
    const Case cases[] = {
        {8, {}}, {9, {"%9 ninth"}}, {10, {"%9 ninth", "%0 tenth"}}, {11, {"%9 ninth"}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.params << " parameters");
        info->dwFormatParams = c.params;
        std::vector<std::string> rows;
        DialogScript script = OnPage();
        script.Do([&](HWND sheet) {
            HWND list = ScriptControl(Page(sheet), IDC_DETAIL_PLACEHOLDERS);
            const int count = int(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
            for (int item = 0; item < count; ++item) {
                std::string row;
                for (int column = 0; column < 2; ++column) {
                    CHAR text[64] = {};
                    LVITEMA lvi{};
                    lvi.iSubItem = column;
                    lvi.pszText = text;
                    lvi.cchTextMax = sizeof text;
                    SendMessageA(list, LVM_GETITEMTEXTA, WPARAM(item), LPARAM(&lvi));
                    row += column == 0 ? std::string(text) : " " + std::string(text);
                }
                rows.push_back(row);
            }
        });
        script.Then(PressSheetButton(IDCANCEL));
        ASSERT_TRUE(OpenSheet(script));
        ASSERT_EQ(rows.size(), 8 + c.extra.size() + 4);
        for (int p = 0; p < 8; ++p)
            EXPECT_EQ(rows[size_t(p)], "%" + std::to_string(p + 1) + " " + names[p]);
        for (size_t k = 0; k < c.extra.size(); ++k)
            EXPECT_EQ(rows[8 + k], c.extra[k]);
        for (int v = 0; v < 4; ++v)
            EXPECT_EQ(rows[8 + c.extra.size() + size_t(v)].substr(0, 3),
                      "$" + std::to_string(v + 1) + " ");
    }
}

// What a row draws is held to the graphs its source offers: a stored value beyond them opens as
// the default, and OK writes that.
TEST_F(GraphDetailPageTest, TheStoredDrawnGraphsAreHeldToTheGraphsTheSourceOffers) {
    struct Case {
        DWORD graphs;
        const char* stored;
        LONG loaded;
    };
    const Case cases[] = {{PMP_GRAPHS_TWO, "3", 3},  {PMP_GRAPHS_TWO, "2", 2},
                          {PMP_GRAPHS_TWO, "4", 1},  {PMP_GRAPHS_ONE, "1", 1},
                          {PMP_GRAPHS_ONE, "3", 1},  {PMP_GRAPHS_ONE, "2", 1},
                          {PMP_GRAPHS_NONE, "1", 0}, {PMP_GRAPHS_NONE, "3", 0}};
    CDriveProfileCategory* item = pPluginsCategory->GetCategory("Good.pmp|0");
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "graphs " << c.graphs << ", stored " << c.stored);
        Good()->GetInfo()->dwAvailableGraphs = c.graphs;
        item->SetString(Literals::DrawnGraphs, c.stored);
        LONG loaded = -1;
        DialogScript script = OnPage();
        script.Do([&](HWND) { loaded = pGraphDetailPage->lDrawnGraphs[DataKeyToIndex(kRow)]; });
        script.Then(PressSheetButton(IDOK));
        ASSERT_TRUE(OpenSheet(script));
        EXPECT_TRUE(LastSheet().errors.empty());
        EXPECT_EQ(loaded, c.loaded);
        EXPECT_EQ(item->GetInteger(Literals::DrawnGraphs), c.loaded);
    }
}

TEST_F(GraphDetailPageTest, WithoutASelectionTheLastItemStaysShown) {
    DialogScript script = OnPage();
    script.Pick(IDC_DETAIL_SOURCES, kOther).SetText(IDC_DETAIL_FORMAT, "other %1");
    script.Do([](HWND sheet) {
        SendDlgItemMessageA(Page(sheet), IDC_DETAIL_SOURCES, LB_SETCURSEL, WPARAM(-1), 0);
        SendDlgItemMessageA(Page(sheet), IDC_DETAIL_ROWS, LB_SETCURSEL, WPARAM(-1), 0);
        pGraphDetailPage->ShowDataItem();
        EXPECT_EQ(pGraphDetailPage->lPluginNumber, DataKeyToIndex(kOther));
        EXPECT_EQ(Item(sheet, IDC_DETAIL_FORMAT).text, "other %1");
    });
    script.Then(PressSheetButton(ID_APPLY_NOW)).SetText(IDC_DETAIL_FORMAT, "changed");
    script.Do([](HWND sheet) {
        EXPECT_TRUE(ReadDialogItem(sheet, ID_APPLY_NOW).enabled) << "change notices still work";
        EXPECT_STREQ(pGraphDetailPage->Format[DataKeyToIndex(kOther)], "changed");
    });
    script.Then(PressSheetButton(IDCANCEL));
    ASSERT_TRUE(OpenSheet(script));
}

TEST_F(GraphDetailPageTest, OkWritesTheRowsInTheirNewOrderAndTheItemKeys) {
    DialogScript script = OnPage();
    script.Pick(IDC_DETAIL_SOURCES, kOther).Click(IDC_DETAIL_ADD).Click(IDC_DETAIL_UP);
    script.SetText(IDC_DETAIL_FORMAT, "second %1").Pick(IDC_DETAIL_TYPE, 2);
    script.Pick(IDC_DETAIL_TEXTPOSITION, 1).Pick(IDC_DETAIL_POSITION, 2);
    script.Then(PressSheetButton(IDOK));
    ASSERT_TRUE(OpenSheet(script));
    EXPECT_TRUE(LastSheet().errors.empty());
    EXPECT_EQ(pGraphDetailCategory->GetInteger(Literals::NumberOfGraphs), 2);
    EXPECT_EQ(RowKey(0), "Good.pmp|1");
    EXPECT_EQ(RowKey(1), "Good.pmp|0");
    CDriveProfileCategory* item = pPluginsCategory->GetCategory("Good.pmp|1");
    EXPECT_STREQ(item->GetString(Literals::Format), "second %1");
    EXPECT_EQ(item->GetInteger(Literals::Graph1Type), 2);
    EXPECT_EQ(item->GetInteger(Literals::TextHorizontalPosition), 1);
    EXPECT_EQ(item->GetInteger(Literals::Graph1Position), 2);
    EXPECT_STREQ(pPluginsCategory->GetCategory("Good.pmp|0")->GetString(Literals::Format), "%1");
    // The display took the new settings; the buffers are gone with the sheet.
    EXPECT_STREQ(DataIndexToPlugin(DWORD(DataKeyToIndex(kOther)))->GetFormat(1), "second %1");
    for (LPSTR buffer : pGraphDetailPage->Format)
        EXPECT_EQ(buffer, nullptr);
}

// An item whose settings have no format starts from the format its source record holds for
// that very item, not for the source's first item; with none there, from the source's default.
TEST_F(GraphDetailPageTest, AMissingFormatStartsFromTheItemsOwnFormat) {
    struct Case {
        const char* record; // the record's format for item 1
        const char* shown;
    };
    COnePlugin* good = Good();
    const std::string fallback = good->GetInfo()->pszDefaultFormat;
    const Case cases[] = {{"own %1", "own %1"}, {"", fallback.c_str()}};
    int moved = 0;
    for (const Case& c : cases) {
        lstrcpyA(good->GetFormat(0), "first %1");
        lstrcpyA(good->GetFormat(1), c.record);
        // The item's settings put aside: none of its keys is there.
        const std::string aside = "put aside " + std::to_string(moved++);
        ASSERT_NE(pPluginsCategory->RenameCategory("Good.pmp|1", aside.c_str()), nullptr);
        DialogScript script = OnPage();
        script.Pick(IDC_DETAIL_SOURCES, kOther).Do([c](HWND sheet) {
            EXPECT_EQ(Item(sheet, IDC_DETAIL_FORMAT).text, c.shown) << "record " << c.record;
            EXPECT_FALSE(ReadDialogItem(sheet, ID_APPLY_NOW).enabled);
        });
        script.Then(PressSheetButton(IDCANCEL));
        ASSERT_TRUE(OpenSheet(script));
    }
}

// The format edit takes no more than its buffer holds, so what is typed is what is kept.
TEST_F(GraphDetailPageTest, AFormatStopsAtFiveHundredElevenCharacters) {
    const std::string typed(600, 'x');
    const std::string kept(511, 'x');
    DialogScript script = OnPage();
    script.SetText(IDC_DETAIL_FORMAT, typed).Do([&](HWND sheet) {
        EXPECT_EQ(Item(sheet, IDC_DETAIL_FORMAT).text, kept);
        EXPECT_EQ(std::string(pGraphDetailPage->Format[DataKeyToIndex(kRow)]), kept);
    });
    script.Then(PressSheetButton(IDOK));
    ASSERT_TRUE(OpenSheet(script));
    EXPECT_EQ(std::string(pPluginsCategory->GetCategory("Good.pmp|0")->GetString(Literals::Format)),
              kept);
    EXPECT_EQ(std::string(Good()->GetFormat(0)), kept);
}

TEST_F(GraphDetailPageTest, TheItemsOwnSettingsDialogMarksThePageChanged) {
    DialogScript script = OnPage();
    script.Do([](HWND sheet) {
        EXPECT_TRUE(Item(sheet, IDC_DETAIL_SETTINGS).enabled);
        ClearPluginEvents();
    });
    script.Click(IDC_DETAIL_SETTINGS).Do([](HWND sheet) {
        EXPECT_EQ(PluginEvents(), std::vector<std::string>{"Good.pmp detail 0 owned"});
        EXPECT_TRUE(ReadDialogItem(sheet, ID_APPLY_NOW).enabled);
    });
    script.Then(PressSheetButton(IDCANCEL));
    ASSERT_TRUE(OpenSheet(script));
}

// A row added, moved to the top and given its own format and bar colour is what the window
// shows next, in that order.
TEST_F(GraphDetailPageTest, ANewRowShowsInTheWindowInItsPlaceWithItsColour) {
    DialogScript script = OnPage();
    script.Pick(IDC_DETAIL_SOURCES, kOther).Click(IDC_DETAIL_ADD).Click(IDC_DETAIL_UP);
    script.SetText(IDC_DETAIL_FORMAT, "new %1").Do([](HWND) {
        AnswerNextColorDialog(10, 200, 30);
    });
    script.Click(IDC_DETAIL_COLOR1).Then(PressSheetButton(IDOK));
    ASSERT_TRUE(OpenSheet(script));
    RunUntilIdle();
    ASSERT_EQ(lNumberOfGraphs, 2);
    auto picture = ReadWindowPixels(Window());
    ASSERT_TRUE(picture.has_value());
    WritePictureIfAsked(Window(), "graph_detail_new_row");
    ASSERT_GE(picture->height, 2 * lRowHeight);
    auto pixel = [&](int x, int y) { return picture->pixels[size_t(y * picture->width + x)]; };
    // Half-full bars from the left; the text stands at the right.
    constexpr uint32_t kNewColour = 0x0AC81E;
    EXPECT_EQ(pixel(2, lRowHeight / 2), kNewColour);
    EXPECT_NE(pixel(2, lRowHeight + lRowHeight / 2), kNewColour);
    EXPECT_STREQ(DataIndexToPlugin(DWORD(DataKeyToIndex(kOther)))->GetFormat(1), "new %1");
    EXPECT_EQ(RowKey(0), "Good.pmp|1");
}

// Two copies of one plug-in share its display name, so their entries in the lists have one
// text: "Alpha|0" stands for item 0 of either copy. Each entry keeps its own item, whatever the
// user does, and OK writes every row with its own copy's binding.
struct SameNameCase {
    const char* what;
    std::function<void(DialogScript&)> actions;
    std::vector<std::string> rows; // the row keys OK writes, in order
};

void PrintTo(const SameNameCase& c, std::ostream* os) {
    *os << c.what;
}

class SameNamedPlugins : public SheetTest, public ::testing::WithParamInterface<SameNameCase> {
protected:
    void SetUp() override {
        ClearPluginEvents();
        const std::filesystem::path good = std::filesystem::path(PLUGIN_LIBRARY_DIR) / "Good.pmp";
        folder_.AddPlugin(good, "Alpha_1.pmp");
        folder_.AddPlugin(good, "Alpha_2.pmp");
        WriteSettings("GraphDetail[\r\n\tNumberOfGraphs=2\r\n\tGraph0=Alpha_1.pmp|0\r\n"
                      "\tGraph1=Alpha_2.pmp|0\r\n]\r\n");
        Start();
        RunUntilIdle();
    }
    static HWND Page(HWND sheet) { return SheetPage(sheet, kDetailPage); }
    static std::string RowKey(int j) {
        LPCSTR value = GetDriveProfile()
                           ->GetCategory(Literals::GraphDetail)
                           ->GetString(("Graph" + std::to_string(j)).c_str());
        return value ? value : "";
    }
    // The global index of the data item a settings key names.
    static int IndexOfKey(const std::string& key) {
        for (DWORD i = 0; i < GetDataItemCount(); ++i)
            if (key == DataIndexToKey(i))
                return int(i);
        return -1;
    }
    static std::string ItemFormat(const char* key) {
        LPCSTR value = pPluginsCategory->GetCategory(key)->GetString(Literals::Format);
        return value ? value : "";
    }
};

TEST_P(SameNamedPlugins, EveryRowKeepsItsOwnCopysBinding) {
    const SameNameCase& c = GetParam();
    DialogScript script;
    script.Then(SelectSheetPage(kDetailPage)).Do([](HWND sheet) {
        EXPECT_EQ(ReadDialogItem(Page(sheet), IDC_DETAIL_ROWS).entries,
                  (std::vector<std::string>{"Alpha|0", "Alpha|0"}));
        // Each copy's item 1 is left to choose, and neither item 0.
        std::vector<std::string> sources = ReadDialogItem(Page(sheet), IDC_DETAIL_SOURCES).entries;
        EXPECT_EQ(std::count(sources.begin(), sources.end(), "Alpha|1"), 2);
        EXPECT_EQ(std::count(sources.begin(), sources.end(), "Alpha|0"), 0);
    });
    c.actions(script);
    script.Then(PressSheetButton(IDOK));
    ASSERT_TRUE(OpenSheet(script));
    EXPECT_TRUE(LastSheet().errors.empty());
    EXPECT_EQ(pGraphDetailCategory->GetInteger(Literals::NumberOfGraphs), int(c.rows.size()));
    std::vector<std::string> written;
    for (size_t j = 0; j < c.rows.size(); ++j)
        written.push_back(RowKey(int(j)));
    EXPECT_EQ(written, c.rows);
    // The display was bound again from what OK wrote: every row to its own copy.
    ASSERT_EQ(lNumberOfGraphs, int(c.rows.size()));
    for (int j = 0; j < lNumberOfGraphs; ++j) {
        const COneGraph* graph = GetGraph(j);
        EXPECT_EQ(std::string(graph->Plugin->Identifier) + "|" +
                      std::to_string(graph->dwPluralNumber),
                  c.rows[size_t(j)]);
    }
}

INSTANTIATE_TEST_SUITE_P(
    GraphDetailPage, SameNamedPlugins,
    ::testing::Values(
        SameNameCase{"unchanged", [](DialogScript&) {}, {"Alpha_1.pmp|0", "Alpha_2.pmp|0"}},
        SameNameCase{"the second copy's item 1 added",
                     [](DialogScript& script) {
                         // The other list holds every item but the two rows, the second
                         // copy's item 1 last.
                         const int last = int(GetDataItemCount()) - 3;
                         script.Pick(IDC_DETAIL_SOURCES, last).Do([last](HWND sheet) {
                             EXPECT_EQ(
                                 ReadDialogItem(SheetPage(sheet, kDetailPage), IDC_DETAIL_SOURCES)
                                     .entries[size_t(last)],
                                 "Alpha|1");
                         });
                         script.Click(IDC_DETAIL_ADD);
                     },
                     {"Alpha_1.pmp|0", "Alpha_2.pmp|0", "Alpha_2.pmp|1"}},
        SameNameCase{
            "the second copy's row moved up",
            [](DialogScript& script) { script.Pick(IDC_DETAIL_ROWS, 1).Click(IDC_DETAIL_UP); },
            {"Alpha_2.pmp|0", "Alpha_1.pmp|0"}},
        SameNameCase{"the first copy's row removed and added back last",
                     [](DialogScript& script) {
                         script.Pick(IDC_DETAIL_ROWS, 0).Click(IDC_DETAIL_REMOVE);
                         script.Click(IDC_DETAIL_ADD);
                     },
                     {"Alpha_2.pmp|0", "Alpha_1.pmp|0"}}),
    [](const ::testing::TestParamInfo<SameNameCase>& info) {
        std::string name;
        for (const char* p = info.param.what; *p; ++p)
            name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
        return name;
    });

// What is typed for the second copy's item goes to that copy, and the first copy keeps its own.
TEST_F(SameNamedPlugins, EditsOfTheSecondCopysItemGoToTheSecondCopy) {
    DialogScript script;
    script.Then(SelectSheetPage(kDetailPage)).Pick(IDC_DETAIL_ROWS, 1);
    script.SetText(IDC_DETAIL_FORMAT, "second copy %1").Pick(IDC_DETAIL_TEXTPOSITION, 1);
    script.Do([](HWND sheet) {
        WritePictureIfAsked(Page(sheet), "graph_detail_same_names");
        EXPECT_EQ(pGraphDetailPage->lPluginNumber, IndexOfKey("Alpha_2.pmp|0"));
    });
    // Back on the first copy's row, the controls show that copy's own format.
    script.Pick(IDC_DETAIL_ROWS, 0).Do([](HWND sheet) {
        EXPECT_EQ(ReadDialogItem(Page(sheet), IDC_DETAIL_FORMAT).text, "%1");
    });
    script.Then(PressSheetButton(IDOK));
    ASSERT_TRUE(OpenSheet(script));
    EXPECT_EQ(ItemFormat("Alpha_2.pmp|0"), "second copy %1");
    EXPECT_EQ(pPluginsCategory->GetCategory("Alpha_2.pmp|0")
                  ->GetInteger(Literals::TextHorizontalPosition),
              1);
    EXPECT_EQ(ItemFormat("Alpha_1.pmp|0"), "%1");
    EXPECT_EQ(pPluginsCategory->GetCategory("Alpha_1.pmp|0")
                  ->GetInteger(Literals::TextHorizontalPosition),
              3);
    EXPECT_STREQ(GetGraph(1)->Plugin->GetFormat(0), "second copy %1");
    EXPECT_STREQ(GetGraph(0)->Plugin->GetFormat(0), "%1");
}

} // namespace
