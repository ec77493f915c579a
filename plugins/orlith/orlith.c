/*
 * Orlith: pushes the IME open state of the window that has the focus to its row.
 *
 * A WH_CALLWNDPROCRET hook for every thread sees the focus move (WM_SETFOCUS) and the open
 * status change (WM_IME_NOTIFY) wherever the hook runs. What a copy of this library needs to
 * report from there (the host's window and row, the host's addresses of the texts and of the
 * report record) is kept in the named section "Orlith", written only by the copy in the host.
 */
#include <windows.h>
#include <imm.h>

#include "pmp.h"

#define ORLITH_SECTION_NAME "Orlith"
/* The report lock, one for every copy of the library in every process: all of them write the
 * one Report of the section. */
#define ORLITH_REPORT_LOCK_NAME "OrlithReport"

/* The section. Every slot is 8 bytes; every address in it is one of the host process. The
 * host copies a whole PMPDATA from Report, so the section holds all 96 bytes of it: the bytes
 * that a report never writes stay zero. */
typedef struct tagIMESHAREDSTATE {
    HWND hHostWnd;     /* target of every report */
    ULONGLONG dwRow;   /* wParam of every report */
    PMPDATA* pRowData; /* kept, not used */
    LPCSTR pszOnText;
    LPCSTR pszOffText;
    LPCSTR pszDisabledText;
    PMPDATA* pHostReport; /* lParam of every report: the host's address of Report */
    PMPDATA Report;
} IMESHAREDSTATE;

PMP_STATIC_ASSERT(offsetof(IMESHAREDSTATE, dwRow) == 8, "IMESHAREDSTATE.dwRow");
PMP_STATIC_ASSERT(offsetof(IMESHAREDSTATE, pHostReport) == 48, "IMESHAREDSTATE.pHostReport");
PMP_STATIC_ASSERT(offsetof(IMESHAREDSTATE, Report) == 56, "IMESHAREDSTATE.Report");
PMP_STATIC_ASSERT(sizeof(IMESHAREDSTATE) == 56 + sizeof(PMPDATA), "IMESHAREDSTATE size");

static HINSTANCE hModuleSelf;
static HANDLE hStateMapping;
static IMESHAREDSTATE* pSharedState; /* null when the section could not be had: nothing runs */
static HHOOK hCallWndRetHook;
/* The report lock of every process; when it cannot be had, csReport keeps at least this
 * process's threads apart. */
static HANDLE hReportMutex;
static CRITICAL_SECTION csReport;
static BOOL bReportLockReady;

static CHAR szOnText[4];
static CHAR szOffText[4];
static CHAR szDisabledText[9];

static const CHAR szName[] = "IME \x8F\xF3\x91\xD4"; /* IME state */
static const CHAR szDefaultFormat[] = "IME : %1";
static const CHAR szDescription[] =
    "\x8C\xBB\x8D\xDD\x82\xCC IME \x82\xCC ON / OFF \x82\xCC\x8F\xF3\x91\xD4\x82\xF0\x95\x5C"
    "\x8E\xA6\x82\xB5\x82\xDC\x82\xB7\x81"
    "B\r\n"
    "ON \x82\xCC\x8F\xEA\x8D\x87\x82\xCD\x83O\x83\x89\x83t 1 \x82\xAA\x81"
    "AOFF \x82\xCC\x8F\xEA\x8D\x87\x82\xCD\x83O\x83\x89\x83t 2 \x82\xAA\x81"
    "A\x82\xBB\x82\xEA\x82\xBC\x82\xEA\x95\x5C\x8E\xA6\x82\xB3\x82\xEA\x82\xDC\x82\xB7\x81"
    "B";

/* Takes the report lock; false when it cannot be had. A thread that waits for it still handles
 * the messages other threads send to it: the holder may be sending its report to this very
 * thread (the host's GUI thread runs the hook too), and a plain wait would never let it finish.
 * A lock left by a copy that ended in the middle of its report is taken as it is: the whole
 * record is written anew. */
static BOOL EnterReportLock(void) {
    MSG msg;
    for (;;) {
        if (hReportMutex) {
            DWORD result =
                MsgWaitForMultipleObjects(1, &hReportMutex, FALSE, INFINITE, QS_SENDMESSAGE);
            if (result == WAIT_OBJECT_0 || result == WAIT_ABANDONED_0)
                return TRUE;
            if (result != WAIT_OBJECT_0 + 1)
                return FALSE;
        } else {
            if (TryEnterCriticalSection(&csReport))
                return TRUE;
            MsgWaitForMultipleObjects(0, NULL, FALSE, 1, QS_SENDMESSAGE);
        }
        PeekMessageA(&msg, NULL, 0, 0, PM_NOREMOVE);
    }
}

static void LeaveReportLock(void) {
    if (hReportMutex)
        ReleaseMutex(hReportMutex);
    else
        LeaveCriticalSection(&csReport);
}

/* Fills Report with the IME state of the window and sends it to the host. The write and the
 * send are one step under the report lock, so two threads' reports never mix, whichever
 * processes they run in. */
static void ReportImeState(HWND hWnd) {
    IMESHAREDSTATE* state = pSharedState;
    HIMC hIMC;
    BOOL bOpen = FALSE;
    if (!state || !state->hHostWnd)
        return;
    hIMC = ImmGetContext(hWnd);
    if (hIMC) {
        bOpen = ImmGetOpenStatus(hIMC);
        ImmReleaseContext(hWnd, hIMC);
    }
    if (!EnterReportLock())
        return;
    if (!hIMC) {
        state->Report.dwCurrentValue1 = 0;
        state->Report.dwCurrentValue2 = 0;
        state->Report.pszFormatParams[0] = state->pszDisabledText;
    } else if (bOpen) {
        state->Report.dwCurrentValue1 = 1;
        state->Report.dwCurrentValue2 = 0;
        state->Report.pszFormatParams[0] = state->pszOnText;
    } else {
        state->Report.dwCurrentValue1 = 0;
        state->Report.dwCurrentValue2 = 1;
        state->Report.pszFormatParams[0] = state->pszOffText;
    }
    state->Report.dwMaxValue = 1;
    SendMessageA(state->hHostWnd, WM_APP_ROWDATA, (WPARAM)state->dwRow, (LPARAM)state->pHostReport);
    LeaveReportLock();
}

static LRESULT CALLBACK ImeStateHookProc(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION) {
        const CWPRETSTRUCT* ret = (const CWPRETSTRUCT*)lParam;
        if (ret->message == WM_SETFOCUS ||
            (ret->message == WM_IME_NOTIFY &&
             (ret->wParam == IMN_SETOPENSTATUS || ret->wParam == IMN_OPENSTATUSWINDOW)))
            ReportImeState(ret->hwnd);
    }
    return CallNextHookEx(hCallWndRetHook, code, wParam, lParam);
}

static void RemoveHook(void) {
    if (hCallWndRetHook) {
        UnhookWindowsHookEx(hCallWndRetHook);
        hCallWndRetHook = NULL;
    }
}

/* Exported by name on every system, as the entry points are. */
PMP_EXPORT BOOL WINAPI DllMain(HINSTANCE hinstDLL, DWORD fdwReason, LPVOID lpvReserved) {
    (void)lpvReserved;
    if (fdwReason == DLL_PROCESS_ATTACH) {
        hModuleSelf = hinstDLL;
        InitializeCriticalSection(&csReport);
        bReportLockReady = TRUE;
        hReportMutex = CreateMutexA(NULL, FALSE, ORLITH_REPORT_LOCK_NAME);
        /* Created, or opened with its own size and contents when it exists. A view of the
         * whole record is asked for, so a smaller section of that name is not used at all. */
        hStateMapping = CreateFileMappingA(INVALID_HANDLE_VALUE, NULL, PAGE_READWRITE, 0,
                                           sizeof(IMESHAREDSTATE), ORLITH_SECTION_NAME);
        if (hStateMapping)
            pSharedState = (IMESHAREDSTATE*)MapViewOfFile(hStateMapping, FILE_MAP_WRITE, 0, 0,
                                                          sizeof(IMESHAREDSTATE));
    } else if (fdwReason == DLL_PROCESS_DETACH) {
        /* A hook left behind would call into a library that is gone. */
        RemoveHook();
        if (pSharedState)
            UnmapViewOfFile(pSharedState);
        if (hStateMapping)
            CloseHandle(hStateMapping);
        if (hReportMutex)
            CloseHandle(hReportMutex);
        pSharedState = NULL;
        hStateMapping = NULL;
        hReportMutex = NULL;
        if (bReportLockReady)
            DeleteCriticalSection(&csReport);
        bReportLockReady = FALSE;
    }
    return TRUE;
}

DWORD WINAPI PMPInitialize(PMPINFO* pInfo) {
    pInfo->dwType = PMP_TYPE_IRREGULAR;
    pInfo->pszName = szName;
    pInfo->dwAvailableGraphs = PMP_GRAPHS_TWO;
    pInfo->dwFormatParams = 1;
    pInfo->pszParamNames[0] = szName;
    pInfo->pszDefaultFormat = szDefaultFormat;
    pInfo->pszDescription = szDescription;
    lstrcpyA(szOnText, "ON");
    lstrcpyA(szOffText, "OFF");
    lstrcpyA(szDisabledText, "Disabled");
    return 1;
}

void WINAPI PMPFinalize(void) {}

void WINAPI PMPBeforeOperation(DWORD dwPluralNumber, HWND hWnd, DWORD dwRow, PMPDATA* pData) {
    IMESHAREDSTATE* state = pSharedState;
    (void)dwPluralNumber;
    if (!state)
        return;
    state->hHostWnd = hWnd;
    state->dwRow = dwRow;
    state->pRowData = pData;
    state->pszOnText = szOnText;
    state->pszOffText = szOffText;
    state->pszDisabledText = szDisabledText;
    state->pHostReport = &state->Report;
    /* A second start without an end in between: the earlier hook goes, or it would go on
     * reporting (twice) and outlive the library. */
    RemoveHook();
    hCallWndRetHook = SetWindowsHookExA(WH_CALLWNDPROCRET, ImeStateHookProc, hModuleSelf, 0);
    ReportImeState(GetForegroundWindow());
}

void WINAPI PMPAfterOperation(DWORD dwPluralNumber) {
    (void)dwPluralNumber;
    RemoveHook();
    /* A hook call already under way in another thread finds no target and stays silent. */
    if (pSharedState)
        pSharedState->hHostWnd = NULL;
}
