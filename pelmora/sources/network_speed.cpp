// "Internal:NetworkSpeed": bits received and sent by one interface since the previous sample,
// for two data items, each watching a row of the interface table.
#include "sources/sources.h"

#include "resource.h"
#include "settings/drive_profile.h"
#include "settings/literals.h"

#include <new>

namespace {

constexpr int INTERFACE_LIST_WIDTH = 450;

// Octets per interval into the unit: 1024-based bytes, then 1024-based bits (1024^k / 8).
constexpr ULONGLONG SpeedDivisors[8] = {
    1ull << 10, 1ull << 20, 1ull << 30, 1ull << 40, 1ull << 7, 1ull << 17, 1ull << 27, 1ull << 37,
};
constexpr ULONGLONG SizeDivisors[4] = {1ull << 10, 1ull << 20, 1ull << 30, 1ull << 40};

struct ItemKeys {
    CHAR Interface[ITEM_KEY_SIZE];
    CHAR MaximumSpeed[ITEM_KEY_SIZE];
    CHAR SeparateGraph[ITEM_KEY_SIZE];
    CHAR SpeedScale[ITEM_KEY_SIZE];
    CHAR SizeScale[ITEM_KEY_SIZE];

    explicit ItemKeys(DWORD item) {
        FormatItemKey(Interface, Literals::Interface, item);
        FormatItemKey(MaximumSpeed, Literals::MaximumSpeed, item);
        FormatItemKey(SeparateGraph, Literals::SeparateGraph, item);
        FormatItemKey(SpeedScale, Literals::SpeedScale, item);
        FormatItemKey(SizeScale, Literals::SizeScale, item);
    }
};

CDriveProfileCategory* Category() {
    return GetSourceCategory(Literals::NetworkSpeed);
}

} // namespace

DWORD CNetworkSpeedPlugin::Initialize(PMPINFO* pInfo) {
    FillSourceInfo(this, INTERNAL_NETWORK_SPEED, pInfo, PMP_GRAPHS_TWO, 10, "%1 %9 / %2 %9");
    for (int j = 1; j <= 8; ++j)
        pInfo->pszParamNames[j - 1] = LoadRes(INTERNAL_NETWORK_SPEED, j);
    pInfo->pszParamName9 = LoadRes(INTERNAL_NETWORK_SPEED, 10);
    pInfo->pszParamName0 = LoadRes(INTERNAL_NETWORK_SPEED, 11);
    pInfo->pszDescription = LoadRes(INTERNAL_NETWORK_SPEED, 9);
    pInfo->dwDataItems = ITEMS;

    // The buffer always holds at least the row count.
    ULONG needed = 0;
    GetIfTable(nullptr, &needed, FALSE);
    Size = needed < sizeof(DWORD) ? DWORD(sizeof(DWORD)) : DWORD(needed);
    delete[] reinterpret_cast<BYTE*>(IfTable);
    IfTable = reinterpret_cast<PMIB_IFTABLE>(new BYTE[Size]());
    RefreshTable();

    LPSTR sizeUnits[4] = {szKB, szMB, szGB, szTB};
    LPSTR speedUnits[8] = {szKBps, szMBps, szGBps, szTBps, szKbps, szMbps, szGbps, szTbps};
    for (UINT k = 0; k < 4; ++k)
        LoadUnitText(sizeUnits[k], IDS_KB + k);
    for (UINT k = 0; k < 8; ++k)
        LoadUnitText(speedUnits[k], IDS_KB_PER_SECOND + k);
    return 1;
}

void CNetworkSpeedPlugin::Finalize() {
    delete[] reinterpret_cast<BYTE*>(IfTable);
    IfTable = nullptr;
    Size = 0;
}

void CNetworkSpeedPlugin::RefreshTable() {
    if (!IfTable)
        return;
    // The platform writes the size it needs into the length; the capacity stays as allocated.
    ULONG capacity = Size;
    if (GetIfTable(IfTable, &capacity, FALSE) != ERROR_INSUFFICIENT_BUFFER || capacity <= Size)
        return;
    // An interface appeared (a VPN, a container): the table grows to the size asked for, so
    // that the rows go on being read. The old rows stay in place if the memory cannot be had.
    BYTE* grown = new (std::nothrow) BYTE[capacity]();
    if (!grown)
        return;
    delete[] reinterpret_cast<BYTE*>(IfTable);
    IfTable = reinterpret_cast<PMIB_IFTABLE>(grown);
    Size = capacity;
    capacity = Size;
    GetIfTable(IfTable, &capacity, FALSE);
}

DWORD CNetworkSpeedPlugin::GetRowCount() const {
    if (!IfTable || Size < sizeof(DWORD))
        return 0;
    DWORD fits = DWORD((Size - offsetof(MIB_IFTABLE, table)) / sizeof(MIB_IFROW));
    return IfTable->dwNumEntries < fits ? IfTable->dwNumEntries : fits;
}

const MIB_IFROW* CNetworkSpeedPlugin::GetRow(LONG i) const {
    if (i < 0 || DWORD(i) >= GetRowCount())
        return nullptr;
    return &IfTable->table[i];
}

void CNetworkSpeedPlugin::BeforeOperation(DWORD dwPluralNumber, HWND, DWORD, PMPDATA*) {
    if (dwPluralNumber >= ITEMS)
        return;
    DWORD n = dwPluralNumber;
    ItemKeys keys(n);
    CDriveProfileCategory* category = Category();
    // The range is that of the table as last refreshed; an empty table gives the default.
    lInterface[n] = category->GetIntegerInRange(keys.Interface, 0, 0, LONG(GetRowCount()) - 1);
    nMaximumSpeed[n] = category->GetIntegerInRange(keys.MaximumSpeed, -1, -1, 1000);
    bSeparate[n] = category->GetBooleanOrDefault(keys.SeparateGraph, false);
    // The ring gets the reading of the last refresh, so the first sample measures from it.
    if (const MIB_IFROW* row = GetRow(lInterface[n])) {
        Receive[n][Flag[n]] = row->dwInOctets;
        Send[n][Flag[n]] = row->dwOutOctets;
        Flag[n] = 1 - Flag[n];
    }
    SpeedScale[n] = category->GetIntegerInRange(keys.SpeedScale, 0, 0, 7);
    SizeScale[n] = category->GetIntegerInRange(keys.SizeScale, 1, 0, 3);
}

void CNetworkSpeedPlugin::GetData(DWORD dwPluralNumber, PMPDATA* pData) {
    if (dwPluralNumber >= ITEMS)
        return;
    DWORD n = dwPluralNumber;
    RefreshTable();

    // A row beyond the table (or an empty table) reports nothing: no octets, no maximum.
    const MIB_IFROW* row = GetRow(lInterface[n]);
    DWORD inOctets = 0, outOctets = 0;
    if (row) {
        inOctets = row->dwInOctets;
        outOctets = row->dwOutOctets;
        int f = Flag[n];
        Receive[n][f] = inOctets;
        Send[n][f] = outOctets;
        // Counters are 32-bit and wrap; the difference is taken modulo 2^32.
        NowReceive[n] = Receive[n][f] - Receive[n][1 - f];
        NowSend[n] = Send[n][f] - Send[n][1 - f];
        Flag[n] = 1 - f;
    } else {
        NowReceive[n] = 0;
        NowSend[n] = 0;
    }

    if (nMaximumSpeed[n] == -1)
        pData->dwMaxValue = row ? row->dwSpeed : 0;
    else
        pData->dwMaxValue = DWORD(nMaximumSpeed[n]) * 1000000u;
    // Bits in the interval, against bits per second; modulo 2^32 like the counters.
    if (!bSeparate[n]) {
        pData->dwCurrentValue1 = (NowReceive[n] + NowSend[n]) * 8u;
        pData->dwCurrentValue2 = 0;
    } else {
        pData->dwCurrentValue1 = NowReceive[n] * 8u;
        pData->dwCurrentValue2 = NowSend[n] * 8u;
    }

    LPCSTR speedUnits[8] = {szKBps, szMBps, szGBps, szTBps, szKbps, szMbps, szGbps, szTbps};
    LPCSTR sizeUnits[4] = {szKB, szMB, szGB, szTB};
    LONG speed = SpeedScale[n] & 7;
    LONG size = SizeScale[n] & 3;

    ULONGLONG speedDivisor = SpeedDivisors[speed];
    CopyText(szText9[n], RESULT_TEXT_SIZE, speedUnits[speed]);
    FormatResult(szText1[n], Literals::IntegerFormat,
                 LONG(ULONGLONG(NowReceive[n]) / speedDivisor));
    FormatResult(szText2[n], Literals::IntegerFormat, LONG(ULONGLONG(NowSend[n]) / speedDivisor));
    FormatFixed(szText3[n], double(NowReceive[n]) / double(speedDivisor));
    FormatFixed(szText4[n], double(NowSend[n]) / double(speedDivisor));

    ULONGLONG sizeDivisor = SizeDivisors[size];
    CopyText(szText10[n], RESULT_TEXT_SIZE, sizeUnits[size]);
    FormatResult(szText5[n], Literals::IntegerFormat, LONG(ULONGLONG(inOctets) / sizeDivisor));
    FormatResult(szText6[n], Literals::IntegerFormat, LONG(ULONGLONG(outOctets) / sizeDivisor));
    FormatFixed(szText7[n], double(inOctets) / double(sizeDivisor));
    FormatFixed(szText8[n], double(outOctets) / double(sizeDivisor));

    LPSTR texts[10] = {szText1[n], szText2[n], szText3[n], szText4[n], szText5[n],
                       szText6[n], szText7[n], szText8[n], szText9[n], szText10[n]};
    for (int i = 0; i < 10; ++i)
        pData->pszFormatParams[i] = texts[i];
}

INT_PTR CNetworkSpeedPlugin::DetailDialogInit(HWND hDlg, LPARAM lParam) {
    hDlgWnd = hDlg;
    lOnDlg = LONG(lParam);
    ItemKeys keys{DWORD(lOnDlg)};
    CDriveProfileCategory* category = Category();

    // The table as last refreshed.
    DWORD rows = GetRowCount();
    for (DWORD i = 0; i < rows; ++i) {
        // bDescr is not always terminated within its field.
        CHAR description[MAXLEN_IFDESCR + 1];
        CopyText(description, sizeof description,
                 reinterpret_cast<LPCSTR>(IfTable->table[i].bDescr));
        SendDlgItemMessageA(hDlg, IDC_NETWORK_INTERFACE, CB_ADDSTRING, 0, LPARAM(description));
    }
    int selected = category->GetIntegerInRange(keys.Interface, 0, 0, LONG(rows) - 1);
    SendDlgItemMessageA(hDlg, IDC_NETWORK_INTERFACE, CB_SETCURSEL, WPARAM(selected), 0);
    SendDlgItemMessageA(hDlg, IDC_NETWORK_INTERFACE, CB_SETDROPPEDWIDTH, INTERFACE_LIST_WIDTH, 0);

    AddResourceStrings(hDlg, IDC_NETWORK_MAXIMUM_KIND, IDS_MAXIMUM_FOLLOWS_INTERFACE, 1);
    AddResourceStrings(hDlg, IDC_NETWORK_MAXIMUM_KIND, IDS_MAXIMUM_FIXED, 1);
    int maximum = category->GetIntegerInRange(keys.MaximumSpeed, -1, -1, 1000);
    if (maximum <= 0) {
        SendDlgItemMessageA(hDlg, IDC_NETWORK_MAXIMUM_KIND, CB_SETCURSEL, 0, 0);
    } else {
        SendDlgItemMessageA(hDlg, IDC_NETWORK_MAXIMUM_KIND, CB_SETCURSEL, 1, 0);
        SetDlgItemInt(hDlg, IDC_NETWORK_MAXIMUM, UINT(maximum), FALSE);
    }
    SendDlgItemMessageA(hDlg, IDC_NETWORK_MAXIMUM, EM_LIMITTEXT, 4, 0);

    CheckDlgButton(hDlg, IDC_NETWORK_SEPARATE,
                   category->GetBooleanOrDefault(keys.SeparateGraph, false) ? BST_CHECKED
                                                                            : BST_UNCHECKED);
    DetailDialogUpdateControls(hDlg);

    AddResourceStrings(hDlg, IDC_NETWORK_SPEED_SCALE, IDS_KB_PER_SECOND, 8);
    SendDlgItemMessageA(hDlg, IDC_NETWORK_SPEED_SCALE, CB_SETCURSEL,
                        WPARAM(category->GetIntegerInRange(keys.SpeedScale, 0, 0, 7)), 0);
    AddResourceStrings(hDlg, IDC_NETWORK_SIZE_SCALE, IDS_KB, 4);
    SendDlgItemMessageA(hDlg, IDC_NETWORK_SIZE_SCALE, CB_SETCURSEL,
                        WPARAM(category->GetIntegerInRange(keys.SizeScale, 1, 0, 3)), 0);
    return 1;
}

void CNetworkSpeedPlugin::DetailDialogUpdateControls(HWND hDlg) {
    if (SendDlgItemMessageA(hDlg, IDC_NETWORK_MAXIMUM_KIND, CB_GETCURSEL, 0, 0) == 0) {
        EnableWindow(GetDlgItem(hDlg, IDC_NETWORK_MAXIMUM), FALSE);
        ShowInterfaceSpeed(hDlg);
    } else {
        EnableWindow(GetDlgItem(hDlg, IDC_NETWORK_MAXIMUM), TRUE);
    }
}

void CNetworkSpeedPlugin::ShowInterfaceSpeed(HWND hDlg) {
    // A fixed value typed by the user is never overwritten.
    if (SendDlgItemMessageA(hDlg, IDC_NETWORK_MAXIMUM_KIND, CB_GETCURSEL, 0, 0) != 0)
        return;
    LONG i = LONG(SendDlgItemMessageA(hDlg, IDC_NETWORK_INTERFACE, CB_GETCURSEL, 0, 0));
    RefreshTable();
    // No interface selected (an empty list): nothing to show.
    if (const MIB_IFROW* row = GetRow(i))
        SetDlgItemInt(hDlg, IDC_NETWORK_MAXIMUM, row->dwSpeed / 1000000u, FALSE);
}

void CNetworkSpeedPlugin::DetailDialogSave() {
    ItemKeys keys{DWORD(lOnDlg)};
    CDriveProfileCategory* category = Category();
    category->SetInteger(keys.Interface, int(SendDlgItemMessageA(hDlgWnd, IDC_NETWORK_INTERFACE,
                                                                 CB_GETCURSEL, 0, 0)));
    if (SendDlgItemMessageA(hDlgWnd, IDC_NETWORK_MAXIMUM_KIND, CB_GETCURSEL, 0, 0) == 0)
        category->SetInteger(keys.MaximumSpeed, -1);
    else
        category->SetInteger(keys.MaximumSpeed,
                             int(GetDlgItemInt(hDlgWnd, IDC_NETWORK_MAXIMUM, nullptr, FALSE)));
    category->SetBoolean(keys.SeparateGraph,
                         IsDlgButtonChecked(hDlgWnd, IDC_NETWORK_SEPARATE) == BST_CHECKED);
    category->SetInteger(keys.SpeedScale, int(SendDlgItemMessageA(hDlgWnd, IDC_NETWORK_SPEED_SCALE,
                                                                  CB_GETCURSEL, 0, 0)));
    category->SetInteger(keys.SizeScale, int(SendDlgItemMessageA(hDlgWnd, IDC_NETWORK_SIZE_SCALE,
                                                                 CB_GETCURSEL, 0, 0)));
    EndDialog(hDlgWnd, 1);
}

void CNetworkSpeedPlugin::DetailDialogCancel() {
    EndDialog(hDlgWnd, 0);
}

static INT_PTR NetworkSpeedDetailDialogInit(CNetworkSpeedPlugin* source, HWND hDlg, WPARAM,
                                            LPARAM lParam) {
    return source->DetailDialogInit(hDlg, lParam);
}

static void NetworkSpeedDetailDialogUpdateControls(CNetworkSpeedPlugin* source, HWND hDlg) {
    source->DetailDialogUpdateControls(hDlg);
}

static void NetworkSpeedDetailDialogSave(CNetworkSpeedPlugin* source) {
    source->DetailDialogSave();
}

static void NetworkSpeedDetailDialogCancel(CNetworkSpeedPlugin* source) {
    source->DetailDialogCancel();
}

static INT_PTR NetworkSpeedDetailDialogCommand(CNetworkSpeedPlugin* source, WORD id, WORD code,
                                               HWND hControl) {
    if (id == IDOK && code == BN_CLICKED) {
        NetworkSpeedDetailDialogSave(source);
        return 1;
    }
    if (id == IDCANCEL && code == BN_CLICKED) {
        NetworkSpeedDetailDialogCancel(source);
        return 1;
    }
    if (id == IDC_NETWORK_INTERFACE && code == CBN_SELCHANGE) {
        source->ShowInterfaceSpeed(GetParent(hControl));
        return 1;
    }
    if (id == IDC_NETWORK_MAXIMUM_KIND && code == CBN_SELCHANGE) {
        NetworkSpeedDetailDialogUpdateControls(source, GetParent(hControl));
        return 1;
    }
    return 0;
}

static INT_PTR NetworkSpeedDetailDialogDispatch(CNetworkSpeedPlugin* source, HWND hDlg,
                                                UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        return NetworkSpeedDetailDialogInit(source, hDlg, wParam, lParam);
    case WM_COMMAND:
        return NetworkSpeedDetailDialogCommand(source, LOWORD(wParam), HIWORD(wParam),
                                               reinterpret_cast<HWND>(lParam));
    }
    return 0;
}

static INT_PTR CALLBACK NetworkSpeedDetailDialogProc(HWND hDlg, UINT message, WPARAM wParam,
                                                     LPARAM lParam) {
    auto* source = static_cast<CNetworkSpeedPlugin*>(GetInternalPlugin(INTERNAL_NETWORK_SPEED));
    return NetworkSpeedDetailDialogDispatch(source, hDlg, message, wParam, lParam);
}

DWORD CNetworkSpeedPlugin::ShowDetailSettings(DWORD dwPluralNumber, HWND hOwner) {
    return ShowSourceDialog(Literals::OptionNetworkSpeedTemplate, hOwner,
                            NetworkSpeedDetailDialogProc, dwPluralNumber);
}
