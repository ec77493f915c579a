// The eleven built-in data sources. Each is created once by CInternalPlugins and reached by the
// host through its entry functions; every field of a new source is zero.
#pragma once

#include "sources/cpu_usage_sampler.h"
#include "sources/internal_plugins.h"
#include "sources/source_frame.h"

#include <commctrl.h>
#include <iphlpapi.h>
#include <powrprof.h>
#include <tlhelp32.h>
#include <winioctl.h>

// The two memory sources differ only in the pair of MEMORYSTATUSEX fields they read, their
// group, category and dialog template.
class CMemoryPluginBase : public CInternalPluginBase {
public:
    DWORD Initialize(PMPINFO* pInfo) override;
    void Finalize() override {}
    void BeforeOperation(DWORD dwPluralNumber, HWND hWnd, DWORD dwRow, PMPDATA* pData) override;
    void AfterOperation(DWORD) override {}
    void GetData(DWORD dwPluralNumber, PMPDATA* pData) override;

    CHAR szText1[RESULT_TEXT_SIZE] = {};
    CHAR szText2[RESULT_TEXT_SIZE] = {};
    CHAR szText3[RESULT_TEXT_SIZE] = {};
    CHAR szText4[RESULT_TEXT_SIZE] = {};
    CHAR szText5[RESULT_TEXT_SIZE] = {};
    CHAR szText6[RESULT_TEXT_SIZE] = {};
    CHAR szText7[RESULT_TEXT_SIZE] = {};
    CHAR szMB[UNIT_TEXT_SIZE] = {};
    CHAR szGB[UNIT_TEXT_SIZE] = {};
    // 0: megabytes, 1: gigabytes.
    LONG Scale = 0;
    HWND hDlgWnd = nullptr;
    LONG lOnDlg = 0;

    // The dialog's steps, shared by the two sources.
    INT_PTR DetailDialogInit(HWND hDlg, LPARAM lParam);
    void DetailDialogSave();
    void DetailDialogCancel();

protected:
    CMemoryPluginBase(int group, LPCSTR category) : Group(group), Category(category) {}
    // Total and available bytes of the record.
    virtual void ReadAmounts(const MEMORYSTATUSEX& status, DWORDLONG* total,
                             DWORDLONG* available) = 0;

private:
    int Group;
    LPCSTR Category;
};

class CVirtualMemoryPlugin final : public CMemoryPluginBase {
public:
    CVirtualMemoryPlugin();
    DWORD ShowDetailSettings(DWORD dwPluralNumber, HWND hOwner) override;

protected:
    void ReadAmounts(const MEMORYSTATUSEX& status, DWORDLONG* total, DWORDLONG* available) override;
};

class CPhysicalMemoryPlugin final : public CMemoryPluginBase {
public:
    CPhysicalMemoryPlugin();
    DWORD ShowDetailSettings(DWORD dwPluralNumber, HWND hOwner) override;

protected:
    void ReadAmounts(const MEMORYSTATUSEX& status, DWORDLONG* total, DWORDLONG* available) override;
};

class CCPUUsagePlugin final : public CInternalPluginBase {
public:
    DWORD Initialize(PMPINFO* pInfo) override;
    void Finalize() override {}
    void BeforeOperation(DWORD, HWND, DWORD, PMPDATA*) override {}
    void AfterOperation(DWORD) override {}
    void GetData(DWORD dwPluralNumber, PMPDATA* pData) override;
    DWORD ShowDetailSettings(DWORD, HWND) override { return 0; }

    std::unique_ptr<CCPUUsage2> CPUUsage;
    DWORD dwCPU = 0;
    DWORD dwKernel = 0;
    double doCPU = 0;
    double doKernel = 0;
    CHAR szText1[RESULT_TEXT_SIZE] = {};
    CHAR szText2[RESULT_TEXT_SIZE] = {};
    CHAR szText3[RESULT_TEXT_SIZE] = {};
    CHAR szText4[RESULT_TEXT_SIZE] = {};
};

class CDateAndTimePlugin final : public CInternalPluginBase {
public:
    DWORD Initialize(PMPINFO* pInfo) override;
    void Finalize() override {}
    void BeforeOperation(DWORD dwPluralNumber, HWND hWnd, DWORD dwRow, PMPDATA* pData) override;
    void AfterOperation(DWORD) override {}
    void GetData(DWORD dwPluralNumber, PMPDATA* pData) override;
    DWORD ShowDetailSettings(DWORD dwPluralNumber, HWND hOwner) override;

    INT_PTR DetailDialogInit(HWND hDlg);
    void DetailDialogSave();
    void DetailDialogCancel();

    CHAR szText1[RESULT_TEXT_SIZE] = {};
    CHAR szText2[RESULT_TEXT_SIZE] = {};
    CHAR szText3[RESULT_TEXT_SIZE] = {};
    CHAR szText4[RESULT_TEXT_SIZE] = {};
    CHAR szText5[RESULT_TEXT_SIZE] = {};
    CHAR szText6[RESULT_TEXT_SIZE] = {};
    CHAR szText7[RESULT_TEXT_SIZE] = {};
    LPCSTR DayOfWeek[7] = {};
    LPCSTR DayOfWeekExact[7] = {};
    LPCSTR DayOfWeekJapanese[7] = {};
    LPCSTR LongFormat2 = nullptr;
    LPCSTR StringFormat = nullptr;
    DWORD GraphInterval = 0;
    DWORD YearType = 0;
    DWORD DayOfWeekType = 0;
    HWND hDlgWnd = nullptr;
};

class CProcessesPlugin final : public CInternalPluginBase {
public:
    DWORD Initialize(PMPINFO* pInfo) override;
    void Finalize() override {}
    void BeforeOperation(DWORD dwPluralNumber, HWND hWnd, DWORD dwRow, PMPDATA* pData) override;
    void AfterOperation(DWORD) override {}
    void GetData(DWORD dwPluralNumber, PMPDATA* pData) override;
    DWORD ShowDetailSettings(DWORD dwPluralNumber, HWND hOwner) override;

    INT_PTR DetailDialogInit(HWND hDlg, LPARAM lParam);
    void DetailDialogSave();
    void DetailDialogCancel();

    CHAR szText1[RESULT_TEXT_SIZE] = {};
    HANDLE hSS = nullptr;
    // The snapshot walk's record; 312 bytes, its dwSize set once by Initialize.
    union {
        PROCESSENTRY32 PE32;
        BYTE PE32Buffer[312];
    };
    LONG ProcessCount = 0;
    // 0 .. 3: a maximum of 50, 100, 150 or 200.
    LONG ProcessCountMax = 0;
    HWND hDlgWnd = nullptr;
    LONG lOnDlg = 0;

    CProcessesPlugin() : PE32Buffer{} {}
};

class CNetworkSpeedPlugin final : public CInternalPluginBase {
public:
    static constexpr int ITEMS = 2;

    CNetworkSpeedPlugin() = default;
    ~CNetworkSpeedPlugin() override { Finalize(); }

    DWORD Initialize(PMPINFO* pInfo) override;
    void Finalize() override;
    void BeforeOperation(DWORD dwPluralNumber, HWND hWnd, DWORD dwRow, PMPDATA* pData) override;
    void AfterOperation(DWORD) override {}
    void GetData(DWORD dwPluralNumber, PMPDATA* pData) override;
    DWORD ShowDetailSettings(DWORD dwPluralNumber, HWND hOwner) override;

    INT_PTR DetailDialogInit(HWND hDlg, LPARAM lParam);
    void DetailDialogUpdateControls(HWND hDlg);
    void ShowInterfaceSpeed(HWND hDlg);
    void DetailDialogSave();
    void DetailDialogCancel();

    // Refreshes the table in place. The platform is offered the buffer's capacity and nothing
    // more; when it needs more room the previous rows stay.
    void RefreshTable();
    // Rows of the table that lie inside the buffer.
    DWORD GetRowCount() const;
    // Row i, or null when the table has no such row.
    const MIB_IFROW* GetRow(LONG i) const;

    PMIB_IFTABLE IfTable = nullptr;
    DWORD Size = 0;
    LONG Flag[ITEMS] = {};
    DWORD Receive[ITEMS][2] = {};
    DWORD Send[ITEMS][2] = {};
    DWORD NowReceive[ITEMS] = {};
    DWORD NowSend[ITEMS] = {};
    LONG lInterface[ITEMS] = {};
    LONG nMaximumSpeed[ITEMS] = {};
    bool bSeparate[ITEMS] = {};
    CHAR szText1[ITEMS][RESULT_TEXT_SIZE] = {};
    CHAR szText2[ITEMS][RESULT_TEXT_SIZE] = {};
    CHAR szText3[ITEMS][RESULT_TEXT_SIZE] = {};
    CHAR szText4[ITEMS][RESULT_TEXT_SIZE] = {};
    CHAR szText5[ITEMS][RESULT_TEXT_SIZE] = {};
    CHAR szText6[ITEMS][RESULT_TEXT_SIZE] = {};
    CHAR szText7[ITEMS][RESULT_TEXT_SIZE] = {};
    CHAR szText8[ITEMS][RESULT_TEXT_SIZE] = {};
    CHAR szText9[ITEMS][RESULT_TEXT_SIZE] = {};
    CHAR szText10[ITEMS][RESULT_TEXT_SIZE] = {};
    HWND hDlgWnd = nullptr;
    LONG lOnDlg = 0;
    LONG SpeedScale[ITEMS] = {};
    LONG SizeScale[ITEMS] = {};
    CHAR szKB[UNIT_TEXT_SIZE] = {};
    CHAR szMB[UNIT_TEXT_SIZE] = {};
    CHAR szGB[UNIT_TEXT_SIZE] = {};
    CHAR szTB[UNIT_TEXT_SIZE] = {};
    CHAR szKBps[UNIT_TEXT_SIZE] = {};
    CHAR szMBps[UNIT_TEXT_SIZE] = {};
    CHAR szGBps[UNIT_TEXT_SIZE] = {};
    CHAR szTBps[UNIT_TEXT_SIZE] = {};
    CHAR szKbps[UNIT_TEXT_SIZE] = {};
    CHAR szGbps[UNIT_TEXT_SIZE] = {};
    CHAR szMbps[UNIT_TEXT_SIZE] = {};
    CHAR szTbps[UNIT_TEXT_SIZE] = {};
};

class CRunningTimePlugin final : public CInternalPluginBase {
public:
    DWORD Initialize(PMPINFO* pInfo) override;
    void Finalize() override {}
    void BeforeOperation(DWORD dwPluralNumber, HWND hWnd, DWORD dwRow, PMPDATA* pData) override;
    void AfterOperation(DWORD) override {}
    void GetData(DWORD dwPluralNumber, PMPDATA* pData) override;
    DWORD ShowDetailSettings(DWORD dwPluralNumber, HWND hOwner) override;

    INT_PTR DetailDialogInit(HWND hDlg);
    void DetailDialogSave();
    void DetailDialogCancel();

    DWORD TickCount = 0;
    DWORD Days = 0;
    DWORD Hour = 0;
    DWORD Minute = 0;
    DWORD Second = 0;
    CHAR szText1[RESULT_TEXT_SIZE] = {};
    CHAR szText2[RESULT_TEXT_SIZE] = {};
    CHAR szText3[RESULT_TEXT_SIZE] = {};
    CHAR szText4[RESULT_TEXT_SIZE] = {};
    LPCSTR DWordFormat2 = nullptr;
    DWORD GraphInterval = 0;
    HWND hDlgWnd = nullptr;
};

// The record of the power query's ProcessorInformation level. The system's headers do not
// declare it; a caller declares it as the system documents it.
typedef struct _PROCESSOR_POWER_INFORMATION {
    ULONG Number;
    ULONG MaxMhz;
    ULONG CurrentMhz;
    ULONG MhzLimit;
    ULONG MaxIdleState;
    ULONG CurrentIdleState;
} PROCESSOR_POWER_INFORMATION, *PPROCESSOR_POWER_INFORMATION;

class CCPUClockPlugin final : public CInternalPluginBase {
public:
    // Records of the power query's buffer.
    static constexpr int MAX_PROCESSORS = 256;

    DWORD Initialize(PMPINFO* pInfo) override;
    void Finalize() override {}
    void BeforeOperation(DWORD dwPluralNumber, HWND hWnd, DWORD dwRow, PMPDATA* pData) override;
    void AfterOperation(DWORD) override {}
    void GetData(DWORD dwPluralNumber, PMPDATA* pData) override;
    DWORD ShowDetailSettings(DWORD, HWND) override { return 0; }

    PROCESSOR_POWER_INFORMATION PPI[MAX_PROCESSORS] = {};
    LONG nNumberOfLogicalCores = 0;
    DWORD CurrentMHz = 0;
    DWORD Rounded = 0;
    DWORD Rounded2 = 0;
    DWORD Low = 0;
    LPCSTR MHz = nullptr;
    LPCSTR GHz = nullptr;
    CHAR szText1[RESULT_TEXT_SIZE] = {};
    CHAR szText2[RESULT_TEXT_SIZE] = {};
    CHAR szText3[RESULT_TEXT_SIZE] = {};
    CHAR szText4[RESULT_TEXT_SIZE] = {};
};

class CBatteryPlugin final : public CInternalPluginBase {
public:
    DWORD Initialize(PMPINFO* pInfo) override;
    void Finalize() override {}
    void BeforeOperation(DWORD, HWND, DWORD, PMPDATA*) override {}
    void AfterOperation(DWORD) override {}
    void GetData(DWORD dwPluralNumber, PMPDATA* pData) override;
    DWORD ShowDetailSettings(DWORD, HWND) override { return 0; }
    // The record and texts from the battery state held in SBS.
    void FillRecord(PMPDATA* pData);

    CHAR szText1[RESULT_TEXT_SIZE] = {};
    CHAR szText2[RESULT_TEXT_SIZE] = {};
    CHAR szText3[RESULT_TEXT_SIZE] = {};
    CHAR szText4[RESULT_TEXT_SIZE] = {};
    CHAR szText5[RESULT_TEXT_SIZE] = {};
    CHAR szText6[RESULT_TEXT_SIZE] = {};
    CHAR szText7[RESULT_TEXT_SIZE] = {};
    CHAR szText8[RESULT_TEXT_SIZE] = {};
    SYSTEM_BATTERY_STATE SBS = {};
    LPCSTR AC = nullptr;
    LPCSTR ACAndCharging = nullptr;
    LPCSTR Discharging = nullptr;
    // Magnitude of the last rate, mW.
    LONG Rate = 0;
    LPCSTR DWordFormat2 = nullptr;
};

// The drive-command request: the platform's input record padded to 36 bytes.
union HDD_SENDCMDINPARAMS {
    SENDCMDINPARAMS Params;
    BYTE Bytes[36];
};
// The answer: the output record with its 512-byte sector, and one spare byte.
union HDD_SMART_READ_DATA_OUTDATA {
    SENDCMDOUTPARAMS Params;
    BYTE Bytes[529];
};
static_assert(sizeof(HDD_SENDCMDINPARAMS) == 36, "the drive request is 36 bytes");
static_assert(sizeof(HDD_SMART_READ_DATA_OUTDATA) == 529, "the drive answer is 529 bytes");

class CHDDTemperaturePlugin final : public CInternalPluginBase {
public:
    static constexpr int ITEMS = 2;

    DWORD Initialize(PMPINFO* pInfo) override;
    void Finalize() override {}
    void BeforeOperation(DWORD dwPluralNumber, HWND hWnd, DWORD dwRow, PMPDATA* pData) override;
    void AfterOperation(DWORD) override {}
    void GetData(DWORD dwPluralNumber, PMPDATA* pData) override;
    DWORD ShowDetailSettings(DWORD dwPluralNumber, HWND hOwner) override;

    INT_PTR DetailDialogInit(HWND hDlg, LPARAM lParam);
    void DetailDialogSave();
    void DetailDialogCancel();

    // Formats the device path of drive into szcf.
    void FormatDrivePath(DWORD drive);

    CHAR szText1[ITEMS][RESULT_TEXT_SIZE] = {};
    HWND hDlgWnd = nullptr;
    LONG lOnDlg = 0;
    LONG lInterval[ITEMS] = {};
    LONG lPhysicalDisk[ITEMS] = {};
    HDD_SENDCMDINPARAMS sSendCmd = {};
    HDD_SMART_READ_DATA_OUTDATA sSendCmdOut = {};
    HANDLE hSmart = nullptr;
    const BYTE* pAttribute = nullptr;
    CHAR szcf[36] = {};
    DWORD dwReturned = 0;
    LONG lNumberOfHDDs = 0;
    LONG lIntervalCount[ITEMS] = {};
    BYTE bTemp[ITEMS] = {};
};

// Swaps the bytes of each whole pair in the first n bytes of buffer.
void SwapBytePairs(BYTE* buffer, int n);

class CHDDUsagePlugin final : public CInternalPluginBase {
public:
    static constexpr int ITEMS = 4;

    DWORD Initialize(PMPINFO* pInfo) override;
    void Finalize() override {}
    void BeforeOperation(DWORD dwPluralNumber, HWND hWnd, DWORD dwRow, PMPDATA* pData) override;
    void AfterOperation(DWORD) override {}
    void GetData(DWORD dwPluralNumber, PMPDATA* pData) override;
    DWORD ShowDetailSettings(DWORD dwPluralNumber, HWND hOwner) override;

    INT_PTR DetailDialogInit(HWND hDlg, LPARAM lParam);
    void DetailDialogSave();
    void DetailDialogCancel();

    CHAR szDrive[ITEMS][UNIT_TEXT_SIZE] = {};
    CHAR szText1[ITEMS][RESULT_TEXT_SIZE] = {};
    CHAR szText2[ITEMS][RESULT_TEXT_SIZE] = {};
    CHAR szText3[ITEMS][RESULT_TEXT_SIZE] = {};
    CHAR szText4[ITEMS][RESULT_TEXT_SIZE] = {};
    CHAR szText5[ITEMS][RESULT_TEXT_SIZE] = {};
    CHAR szText6[ITEMS][RESULT_TEXT_SIZE] = {};
    CHAR szText7[ITEMS][RESULT_TEXT_SIZE] = {};
    CHAR szGB[UNIT_TEXT_SIZE] = {};
    CHAR szTB[UNIT_TEXT_SIZE] = {};
    LONG Scale[ITEMS] = {};
    HWND hDlgWnd = nullptr;
    LONG lOnDlg = 0;
};
