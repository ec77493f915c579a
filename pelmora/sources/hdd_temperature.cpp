// "Internal:HDDTemperature": the temperature of a physical drive from its S.M.A.R.T. attribute
// 194, read at every IntervalN-th sample, for two data items.
#include "sources/sources.h"

#include "resource.h"
#include "settings/drive_profile.h"
#include "settings/literals.h"

#include <cstring>

namespace {

constexpr BYTE ATTRIBUTE_TEMPERATURE = 0xC2;
constexpr int ATTRIBUTE_ENTRIES = 30;
constexpr int ATTRIBUTE_SIZE = 12;
// The first entry: byte 2 of the data sector, which starts at 16 in the answer.
constexpr int ATTRIBUTE_START = 18;
constexpr int ATTRIBUTE_RAW_TEMPERATURE = 5;
constexpr int SECTOR_OFFSET = 16;
constexpr int SECTOR_SIZE = 512;
// The model number of an IDENTIFY sector (words 27 to 46).
constexpr int MODEL_OFFSET = 54;
constexpr int MODEL_LENGTH = 40;

CDriveProfileCategory* Category() {
    return GetSourceCategory(Literals::HDDTemperature);
}

// 0xA0 for even, 0xB0 for odd drive numbers.
BYTE DriveHead(DWORD drive) {
    return BYTE(0xA0 | ((drive & 1) << 4));
}

HANDLE OpenDrive(LPCSTR path) {
    return CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                       nullptr, OPEN_EXISTING, 0, nullptr);
}

} // namespace

void SwapBytePairs(BYTE* buffer, int n) {
    for (int i = 0; i < n / 2; ++i) {
        BYTE first = buffer[2 * i];
        buffer[2 * i] = buffer[2 * i + 1];
        buffer[2 * i + 1] = first;
    }
}

void CHDDTemperaturePlugin::FormatDrivePath(DWORD drive) {
    // The format and a 32-bit number take at most 28 characters.
    wsprintfA(szcf, Literals::PhysicalDriveFormat, drive);
}

DWORD CHDDTemperaturePlugin::Initialize(PMPINFO* pInfo) {
    FillSourceInfo(this, INTERNAL_HDD_TEMPERATURE, pInfo, PMP_GRAPHS_ONE, 1, "%1 C");
    pInfo->pszParamNames[0] = LoadRes(INTERNAL_HDD_TEMPERATURE, 1);
    pInfo->pszDescription = LoadRes(INTERNAL_HDD_TEMPERATURE, 2);
    pInfo->dwDataItems = ITEMS;

    // Every byte of the request that is not set below is 0, the padding included.
    std::memset(&sSendCmd, 0, sizeof sSendCmd);
    sSendCmd.Params.cBufferSize = READ_ATTRIBUTE_BUFFER_SIZE;
    sSendCmd.Params.irDriveRegs.bFeaturesReg = READ_ATTRIBUTES;
    sSendCmd.Params.irDriveRegs.bCylLowReg = SMART_CYL_LOW;
    sSendCmd.Params.irDriveRegs.bCylHighReg = SMART_CYL_HI;
    sSendCmd.Params.irDriveRegs.bCommandReg = SMART_CMD;

    // The drives are the consecutive numbers from 0 that open.
    lNumberOfHDDs = 0;
    for (;;) {
        FormatDrivePath(DWORD(lNumberOfHDDs));
        hSmart = OpenDrive(szcf);
        if (hSmart == INVALID_HANDLE_VALUE)
            break;
        CloseHandle(hSmart);
        lNumberOfHDDs += 1;
    }
    return 1;
}

void CHDDTemperaturePlugin::BeforeOperation(DWORD dwPluralNumber, HWND, DWORD, PMPDATA*) {
    if (dwPluralNumber >= ITEMS)
        return;
    DWORD n = dwPluralNumber;
    CHAR key[ITEM_KEY_SIZE];
    FormatItemKey(key, Literals::PhysicalDisk, n);
    lPhysicalDisk[n] = Category()->GetIntegerInRange(key, 0, 0, lNumberOfHDDs - 1);
    FormatItemKey(key, Literals::Interval, n);
    lInterval[n] = Category()->GetIntegerInRange(key, 10, 1, 60);
    // The next sample reads the drive at once.
    lIntervalCount[n] = lInterval[n];
}

void CHDDTemperaturePlugin::GetData(DWORD dwPluralNumber, PMPDATA* pData) {
    if (dwPluralNumber >= ITEMS)
        return;
    DWORD n = dwPluralNumber;
    if (lIntervalCount[n] == lInterval[n]) {
        DWORD drive = DWORD(lPhysicalDisk[n]);
        FormatDrivePath(drive);
        hSmart = OpenDrive(szcf);
        sSendCmd.Params.irDriveRegs.bDriveHeadReg = DriveHead(drive);
        sSendCmd.Params.bDriveNumber = BYTE(drive);
        // A failed open or request keeps the last temperature.
        std::memset(&sSendCmdOut, 0, sizeof sSendCmdOut);
        if (hSmart != INVALID_HANDLE_VALUE &&
            DeviceIoControl(hSmart, SMART_RCV_DRIVE_DATA, &sSendCmd, sizeof sSendCmd, &sSendCmdOut,
                            sizeof sSendCmdOut, &dwReturned, nullptr)) {
            pAttribute = sSendCmdOut.Bytes + ATTRIBUTE_START;
            for (int e = 0; e < ATTRIBUTE_ENTRIES; ++e, pAttribute += ATTRIBUTE_SIZE) {
                if (pAttribute[0] == ATTRIBUTE_TEMPERATURE) {
                    bTemp[n] = pAttribute[ATTRIBUTE_RAW_TEMPERATURE];
                    FormatResult(szText1[n], Literals::IntegerFormat, int(bTemp[n]));
                    break;
                }
            }
        }
        if (hSmart != INVALID_HANDLE_VALUE)
            CloseHandle(hSmart);
        lIntervalCount[n] = 0;
    }
    lIntervalCount[n] += 1;

    pData->dwMaxValue = 100;
    pData->dwCurrentValue1 = bTemp[n];
    pData->pszFormatParams[0] = szText1[n];
}

INT_PTR CHDDTemperaturePlugin::DetailDialogInit(HWND hDlg, LPARAM lParam) {
    hDlgWnd = hDlg;
    lOnDlg = LONG(lParam);
    for (LONG d = 0; d < lNumberOfHDDs; ++d) {
        FormatDrivePath(DWORD(d));
        hSmart = OpenDrive(szcf);
        HDD_SENDCMDINPARAMS identify;
        std::memset(&identify, 0, sizeof identify);
        identify.Params.cBufferSize = IDENTIFY_BUFFER_SIZE;
        identify.Params.irDriveRegs.bFeaturesReg = READ_ATTRIBUTES;
        identify.Params.irDriveRegs.bCylLowReg = SMART_CYL_LOW;
        identify.Params.irDriveRegs.bCylHighReg = SMART_CYL_HI;
        identify.Params.irDriveRegs.bDriveHeadReg = DriveHead(DWORD(d));
        identify.Params.irDriveRegs.bCommandReg = ID_CMD;
        identify.Params.bDriveNumber = BYTE(d);
        BYTE answer[536] = {};
        DWORD returned = 0;
        if (hSmart != INVALID_HANDLE_VALUE)
            DeviceIoControl(hSmart, SMART_RCV_DRIVE_DATA, &identify, sizeof identify, answer,
                            sizeof(HDD_SMART_READ_DATA_OUTDATA), &returned, nullptr);
        // A drive whose request fails keeps its place with an empty name: the entry position
        // is the drive number.
        BYTE sector[SECTOR_SIZE];
        for (int i = 0; i < SECTOR_SIZE; ++i)
            sector[i] = answer[SECTOR_OFFSET + i];
        SwapBytePairs(sector + MODEL_OFFSET, MODEL_LENGTH);
        CHAR model[48] = {};
        for (int i = 0; i < MODEL_LENGTH; ++i)
            model[i] = CHAR(sector[MODEL_OFFSET + i]);
        if (hSmart != INVALID_HANDLE_VALUE)
            CloseHandle(hSmart);
        SendDlgItemMessageA(hDlg, IDC_TEMPERATURE_DRIVE, CB_ADDSTRING, 0, LPARAM(model));
    }
    CHAR key[ITEM_KEY_SIZE];
    FormatItemKey(key, Literals::PhysicalDisk, DWORD(lOnDlg));
    int disk = Category()->GetIntegerInRange(key, 0, 0, lNumberOfHDDs - 1);
    SendDlgItemMessageA(hDlg, IDC_TEMPERATURE_DRIVE, CB_SETCURSEL, WPARAM(disk), 0);
    FormatItemKey(key, Literals::Interval, DWORD(lOnDlg));
    int interval = Category()->GetIntegerInRange(key, 10, 1, 60);
    SendDlgItemMessageA(hDlg, IDC_TEMPERATURE_INTERVAL, UDM_SETRANGE32, 1, 60);
    SendDlgItemMessageA(hDlg, IDC_TEMPERATURE_INTERVAL, UDM_SETPOS32, 0, interval);
    return 1;
}

void CHDDTemperaturePlugin::DetailDialogSave() {
    CHAR key[ITEM_KEY_SIZE];
    FormatItemKey(key, Literals::PhysicalDisk, DWORD(lOnDlg));
    Category()->SetInteger(
        key, int(SendDlgItemMessageA(hDlgWnd, IDC_TEMPERATURE_DRIVE, CB_GETCURSEL, 0, 0)));
    FormatItemKey(key, Literals::Interval, DWORD(lOnDlg));
    Category()->SetInteger(
        key, int(SendDlgItemMessageA(hDlgWnd, IDC_TEMPERATURE_INTERVAL, UDM_GETPOS32, 0, 0)));
    EndDialog(hDlgWnd, 1);
}

void CHDDTemperaturePlugin::DetailDialogCancel() {
    EndDialog(hDlgWnd, 0);
}

PELMORA_DEFINE_DETAIL_DIALOG(HDDTemperature, CHDDTemperaturePlugin, INTERNAL_HDD_TEMPERATURE,
                             DetailDialogInit(hDlg, lParam))

DWORD CHDDTemperaturePlugin::ShowDetailSettings(DWORD dwPluralNumber, HWND hOwner) {
    return ShowSourceDialog(Literals::OptionHDDTemperatureTemplate, hOwner,
                            HDDTemperatureDetailDialogProc, dwPluralNumber);
}
