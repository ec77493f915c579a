// "Internal:DateAndTime": the local date and time, and a bar that fills over the current day,
// half day, hour or minute.
#include "sources/sources.h"

#include "resource.h"
#include "settings/drive_profile.h"
#include "settings/literals.h"

namespace {

constexpr LPCSTR ShortDayNames[7] = {"Sun.", "Mon.", "Tue.", "Wed.", "Thu.", "Fri.", "Sat."};
constexpr LPCSTR DayNames[7] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                "Thursday", "Friday", "Saturday"};
// One character each, in code page 932.
constexpr LPCSTR JapaneseDayNames[7] = {"\x93\xFA", "\x8C\x8E", "\x89\xCE", "\x90\x85",
                                        "\x96\xD8", "\x8B\xE0", "\x93\x79"};

CDriveProfileCategory* Category() {
    return GetSourceCategory(Literals::DateAndTime);
}

int ReadGraphInterval() {
    return Category()->GetIntegerInRange(Literals::GraphInterval, 3, 0, 3);
}
int ReadYearType() {
    return Category()->GetIntegerInRange(Literals::YearType, 0, 0, 2);
}
int ReadDayOfWeekType() {
    return Category()->GetIntegerInRange(Literals::DayOfWeekType, 0, 0, 2);
}

} // namespace

DWORD CDateAndTimePlugin::Initialize(PMPINFO* pInfo) {
    FillSourceInfo(this, INTERNAL_DATE_AND_TIME, pInfo, PMP_GRAPHS_ONE, 7, "%1/%2/%3 %4 %5:%6:%7");
    for (int j = 1; j <= 7; ++j)
        pInfo->pszParamNames[j - 1] = LoadRes(INTERNAL_DATE_AND_TIME, j);
    pInfo->pszDescription = LoadRes(INTERNAL_DATE_AND_TIME, 8);
    for (int d = 0; d < 7; ++d) {
        DayOfWeek[d] = ShortDayNames[d];
        DayOfWeekExact[d] = DayNames[d];
        DayOfWeekJapanese[d] = JapaneseDayNames[d];
    }
    LongFormat2 = "%02i";
    StringFormat = "%s";
    return 1;
}

void CDateAndTimePlugin::BeforeOperation(DWORD, HWND, DWORD, PMPDATA*) {
    GraphInterval = DWORD(ReadGraphInterval());
    YearType = DWORD(ReadYearType());
    DayOfWeekType = DWORD(ReadDayOfWeekType());
}

void CDateAndTimePlugin::GetData(DWORD, PMPDATA* pData) {
    SYSTEMTIME time = {};
    GetLocalTime(&time);

    // The maximum is the period's last second: empty at its start, full in its last second.
    DWORD minuteSeconds = DWORD(time.wMinute) * 60 + time.wSecond;
    switch (GraphInterval) {
    case 0:
        pData->dwMaxValue = 86399;
        pData->dwCurrentValue1 = DWORD(time.wHour) * 3600 + minuteSeconds;
        break;
    case 1:
        pData->dwMaxValue = 43199;
        pData->dwCurrentValue1 = DWORD(time.wHour % 12) * 3600 + minuteSeconds;
        break;
    case 2:
        pData->dwMaxValue = 3599;
        pData->dwCurrentValue1 = minuteSeconds;
        break;
    case 3:
        pData->dwMaxValue = 59;
        pData->dwCurrentValue1 = time.wSecond;
        break;
    }

    switch (YearType) {
    case 0:
        FormatResult(szText1, Literals::IntegerFormat, int(time.wYear));
        break;
    case 1:
        FormatResult(szText1, Literals::IntegerFormat, int(time.wYear % 100));
        break;
    case 2:
        FormatResult(szText1, Literals::IntegerFormat, int(time.wYear) - 1988);
        break;
    }
    FormatResult(szText2, LongFormat2, int(time.wMonth));
    FormatResult(szText3, LongFormat2, int(time.wDay));
    LPCSTR const* names = DayOfWeekType == 0   ? DayOfWeek
                          : DayOfWeekType == 1 ? DayOfWeekExact
                          : DayOfWeekType == 2 ? DayOfWeekJapanese
                                               : nullptr;
    if (names && time.wDayOfWeek < 7)
        FormatResult(szText4, StringFormat, names[time.wDayOfWeek]);
    FormatResult(szText5, LongFormat2, int(time.wHour));
    FormatResult(szText6, LongFormat2, int(time.wMinute));
    FormatResult(szText7, LongFormat2, int(time.wSecond));

    LPSTR texts[7] = {szText1, szText2, szText3, szText4, szText5, szText6, szText7};
    for (int i = 0; i < 7; ++i)
        pData->pszFormatParams[i] = texts[i];
}

INT_PTR CDateAndTimePlugin::DetailDialogInit(HWND hDlg) {
    hDlgWnd = hDlg;
    AddResourceStrings(hDlg, IDC_DATE_GRAPH_INTERVAL, IDS_INTERVAL_DAY, 4);
    SendDlgItemMessageA(hDlg, IDC_DATE_GRAPH_INTERVAL, CB_SETCURSEL, WPARAM(ReadGraphInterval()),
                        0);
    AddResourceStrings(hDlg, IDC_DATE_YEAR_TYPE, IDS_YEAR_FOUR_DIGITS, 3);
    SendDlgItemMessageA(hDlg, IDC_DATE_YEAR_TYPE, CB_SETCURSEL, WPARAM(ReadYearType()), 0);
    AddResourceStrings(hDlg, IDC_DATE_DAY_OF_WEEK_TYPE, IDS_DAY_NAME_SHORT, 3);
    SendDlgItemMessageA(hDlg, IDC_DATE_DAY_OF_WEEK_TYPE, CB_SETCURSEL, WPARAM(ReadDayOfWeekType()),
                        0);
    return 1;
}

void CDateAndTimePlugin::DetailDialogSave() {
    CDriveProfileCategory* category = Category();
    category->SetInteger(
        Literals::GraphInterval,
        int(SendDlgItemMessageA(hDlgWnd, IDC_DATE_GRAPH_INTERVAL, CB_GETCURSEL, 0, 0)));
    category->SetInteger(Literals::YearType,
                         int(SendDlgItemMessageA(hDlgWnd, IDC_DATE_YEAR_TYPE, CB_GETCURSEL, 0, 0)));
    category->SetInteger(
        Literals::DayOfWeekType,
        int(SendDlgItemMessageA(hDlgWnd, IDC_DATE_DAY_OF_WEEK_TYPE, CB_GETCURSEL, 0, 0)));
    EndDialog(hDlgWnd, 1);
}

void CDateAndTimePlugin::DetailDialogCancel() {
    EndDialog(hDlgWnd, 0);
}

// The dialog edits the one data item and ignores the item number.
PELMORA_DEFINE_DETAIL_DIALOG(DateAndTime, CDateAndTimePlugin, INTERNAL_DATE_AND_TIME,
                             DetailDialogInit(hDlg))

DWORD CDateAndTimePlugin::ShowDetailSettings(DWORD dwPluralNumber, HWND hOwner) {
    return ShowSourceDialog(Literals::OptionDateAndTimeTemplate, hOwner,
                            DateAndTimeDetailDialogProc, dwPluralNumber);
}
