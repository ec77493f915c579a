// The binary contract between Pelmora and its data sources. A plug-in library (".pmp") includes
// this header and nothing else of the program, and exports the entry points below by name (see
// README.md beside this file). It compiles as C and as C++.
//
// Every size and offset here is part of the interface (x64: pointers are 8 bytes on 8-byte
// boundaries, a DWORD is 32 bits); the padding fields are neither written nor read by the host.
// Text pointers name NUL-terminated ANSI texts in the system code page.
#ifndef PELMORA_PMP_H
#define PELMORA_PMP_H

#include <stddef.h>
#include <windows.h>

// Marks a definition as exported by name from the plug-in library. The declarations below
// already carry it, so an entry point's definition is exported without it, too.
#if defined(_WIN32)
#define PMP_EXPORT __declspec(dllexport)
#else
#define PMP_EXPORT __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
#define PMP_STATIC_ASSERT(condition, text) static_assert(condition, text)
#else
#define PMP_STATIC_ASSERT(condition, text) _Static_assert(condition, text)
#endif

// dwType
#define PMP_TYPE_REGULAR 0   // polled: the host calls PMPGetData each time it draws the row
#define PMP_TYPE_IRREGULAR 1 // pushing: the source reports with WM_APP_ROWDATA / WM_APP_REDRAWROW

// dwAvailableGraphs
#define PMP_GRAPHS_NONE 0 // text only
#define PMP_GRAPHS_ONE 1
#define PMP_GRAPHS_TWO 3

// Format parameters %1 .. %9, %0.
#define PMP_MAX_FORMAT_PARAMS 10
// Data items a source may offer.
#define PMP_MAX_DATA_ITEMS 4

// What a source tells the host about itself. The host owns the record and zeroes it before
// PMPInitialize fills it; the host may rewrite dwDataItems afterwards. The texts must stay valid
// until PMPFinalize.
typedef struct tagPMPINFO {
    DWORD dwType;
    DWORD dwReserved1;
    LPCSTR pszName; // required
    DWORD dwAvailableGraphs;
    DWORD dwFormatParams;    // 0 to 10
    LPCSTR pszParamNames[8]; // names of %1 .. %8
    LPCSTR pszDefaultFormat; // required
    LPCSTR pszDescription;   // required
    DWORD dwDataItems;       // 1 to 4; 0 or more than 4 is taken as 1
    DWORD dwReserved2;
    LPCSTR pszParamName9; // name of %9
    LPCSTR pszParamName0; // name of %0, the tenth parameter
} PMPINFO, *LPPMPINFO;

// One sample of one data item. The host zeroes it before every PMPGetData.
typedef struct tagPMPDATA {
    DWORD dwMaxValue; // full scale of both bars
    DWORD dwCurrentValue1;
    DWORD dwCurrentValue2;
    DWORD dwReserved;
    LPCSTR pszFormatParams[PMP_MAX_FORMAT_PARAMS]; // %1 .. %9, %0
} PMPDATA, *LPPMPDATA;

typedef DWORD(WINAPI* PFNPMPINITIALIZE)(PMPINFO* pInfo);
typedef void(WINAPI* PFNPMPFINALIZE)(void);
typedef void(WINAPI* PFNPMPBEFOREOPERATION)(DWORD dwPluralNumber, HWND hWnd, DWORD dwRow,
                                            PMPDATA* pData);
typedef void(WINAPI* PFNPMPAFTEROPERATION)(DWORD dwPluralNumber);
typedef void(WINAPI* PFNPMPGETDATA)(DWORD dwPluralNumber, PMPDATA* pData);
typedef DWORD(WINAPI* PFNPMPSHOWDETAILSETTINGS)(DWORD dwPluralNumber, HWND hOwner);

// The entry addresses of one source; null means absent.
typedef struct tagPMPPROCEDURES {
    PFNPMPINITIALIZE pfnInitialize;
    PFNPMPFINALIZE pfnFinalize;
    PFNPMPBEFOREOPERATION pfnBeforeOperation;
    PFNPMPAFTEROPERATION pfnAfterOperation;
    PFNPMPGETDATA pfnGetData;
    PFNPMPSHOWDETAILSETTINGS pfnShowDetailSettings;
} PMPPROCEDURES, *LPPMPPROCEDURES;

// Reports a source sends to the host's main window. wParam is the row index received in
// PMPBeforeOperation. WM_APP_ROWDATA carries the address of a PMPDATA in lParam, which the host
// copies before SendMessage returns; WM_APP_REDRAWROW redraws the row from the record that the
// source wrote through pData itself. Both return 1.
#define WM_APP_REDRAWROW 0x8000 // WM_APP
#define WM_APP_ROWDATA 0x8001   // WM_APP + 1

#ifdef WM_APP
PMP_STATIC_ASSERT(WM_APP_REDRAWROW == WM_APP && WM_APP_ROWDATA == WM_APP + 1,
                  "the report messages are WM_APP and WM_APP + 1");
#endif

// The entry points a plug-in library defines and exports. PMPInitialize returns 1 when the
// source is ready (anything else ends the program); PMPGetData is required of a regular source
// only, PMPShowDetailSettings is optional.
#ifdef __cplusplus
extern "C" {
#endif
PMP_EXPORT DWORD WINAPI PMPInitialize(PMPINFO* pInfo);
PMP_EXPORT void WINAPI PMPFinalize(void);
PMP_EXPORT void WINAPI PMPBeforeOperation(DWORD dwPluralNumber, HWND hWnd, DWORD dwRow,
                                          PMPDATA* pData);
PMP_EXPORT void WINAPI PMPAfterOperation(DWORD dwPluralNumber);
PMP_EXPORT void WINAPI PMPGetData(DWORD dwPluralNumber, PMPDATA* pData);
PMP_EXPORT DWORD WINAPI PMPShowDetailSettings(DWORD dwPluralNumber, HWND hOwner);
#ifdef __cplusplus
}
#endif

PMP_STATIC_ASSERT(sizeof(PMPINFO) == 128, "PMPINFO is 128 bytes");
PMP_STATIC_ASSERT(offsetof(PMPINFO, dwType) == 0x00, "PMPINFO.dwType");
PMP_STATIC_ASSERT(offsetof(PMPINFO, dwReserved1) == 0x04, "PMPINFO padding");
PMP_STATIC_ASSERT(offsetof(PMPINFO, pszName) == 0x08, "PMPINFO.pszName");
PMP_STATIC_ASSERT(offsetof(PMPINFO, dwAvailableGraphs) == 0x10, "PMPINFO.dwAvailableGraphs");
PMP_STATIC_ASSERT(offsetof(PMPINFO, dwFormatParams) == 0x14, "PMPINFO.dwFormatParams");
PMP_STATIC_ASSERT(offsetof(PMPINFO, pszParamNames) == 0x18, "PMPINFO.pszParamNames");
PMP_STATIC_ASSERT(sizeof(((PMPINFO*)0)->pszParamNames) == 64, "PMPINFO.pszParamNames is 64 bytes");
PMP_STATIC_ASSERT(offsetof(PMPINFO, pszDefaultFormat) == 0x58, "PMPINFO.pszDefaultFormat");
PMP_STATIC_ASSERT(offsetof(PMPINFO, pszDescription) == 0x60, "PMPINFO.pszDescription");
PMP_STATIC_ASSERT(offsetof(PMPINFO, dwDataItems) == 0x68, "PMPINFO.dwDataItems");
PMP_STATIC_ASSERT(offsetof(PMPINFO, dwReserved2) == 0x6C, "PMPINFO padding");
PMP_STATIC_ASSERT(offsetof(PMPINFO, pszParamName9) == 0x70, "PMPINFO.pszParamName9");
PMP_STATIC_ASSERT(offsetof(PMPINFO, pszParamName0) == 0x78, "PMPINFO.pszParamName0");

PMP_STATIC_ASSERT(sizeof(PMPDATA) == 96, "PMPDATA is 96 bytes");
PMP_STATIC_ASSERT(offsetof(PMPDATA, dwMaxValue) == 0x00, "PMPDATA.dwMaxValue");
PMP_STATIC_ASSERT(offsetof(PMPDATA, dwCurrentValue1) == 0x04, "PMPDATA.dwCurrentValue1");
PMP_STATIC_ASSERT(offsetof(PMPDATA, dwCurrentValue2) == 0x08, "PMPDATA.dwCurrentValue2");
PMP_STATIC_ASSERT(offsetof(PMPDATA, dwReserved) == 0x0C, "PMPDATA padding");
PMP_STATIC_ASSERT(offsetof(PMPDATA, pszFormatParams) == 0x10, "PMPDATA.pszFormatParams");
PMP_STATIC_ASSERT(sizeof(((PMPDATA*)0)->pszFormatParams) == 80,
                  "PMPDATA.pszFormatParams is 80 bytes");

PMP_STATIC_ASSERT(sizeof(PMPPROCEDURES) == 48, "PMPPROCEDURES is 48 bytes");
PMP_STATIC_ASSERT(offsetof(PMPPROCEDURES, pfnInitialize) == 0x00, "PMPPROCEDURES.pfnInitialize");
PMP_STATIC_ASSERT(offsetof(PMPPROCEDURES, pfnFinalize) == 0x08, "PMPPROCEDURES.pfnFinalize");
PMP_STATIC_ASSERT(offsetof(PMPPROCEDURES, pfnBeforeOperation) == 0x10,
                  "PMPPROCEDURES.pfnBeforeOperation");
PMP_STATIC_ASSERT(offsetof(PMPPROCEDURES, pfnAfterOperation) == 0x18,
                  "PMPPROCEDURES.pfnAfterOperation");
PMP_STATIC_ASSERT(offsetof(PMPPROCEDURES, pfnGetData) == 0x20, "PMPPROCEDURES.pfnGetData");
PMP_STATIC_ASSERT(offsetof(PMPPROCEDURES, pfnShowDetailSettings) == 0x28,
                  "PMPPROCEDURES.pfnShowDetailSettings");

#endif // PELMORA_PMP_H
