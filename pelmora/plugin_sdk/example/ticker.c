/*
 * Ticker: the smallest pushing source. Once its row has started, a thread of its own reports
 * the seconds since the start, once a second; the bar fills over each minute.
 */
#include <windows.h>

#include "pmp.h"

static HWND hHostWnd;
static DWORD dwHostRow;
static HANDLE hStopEvent;
static HANDLE hTickThread;

/* Only the thread writes these, and the host has copied them before the send returns. */
static PMPDATA report;
static CHAR szSeconds[16];

static DWORD WINAPI TickThread(LPVOID lpParameter) {
    DWORD dwSeconds = 0;
    (void)lpParameter;
    for (;;) {
        DWORD_PTR dwResult;
        wsprintfA(szSeconds, "%u", dwSeconds);
        report.dwMaxValue = 60;
        report.dwCurrentValue1 = dwSeconds % 60;
        report.pszFormatParams[0] = szSeconds;
        /* A host that does not answer within five seconds misses this report, no more. */
        SendMessageTimeoutA(hHostWnd, WM_APP_ROWDATA, dwHostRow, (LPARAM)&report, SMTO_NORMAL, 5000,
                            &dwResult);
        if (WaitForSingleObject(hStopEvent, 1000) != WAIT_TIMEOUT)
            return 0;
        ++dwSeconds;
    }
}

DWORD WINAPI PMPInitialize(PMPINFO* pInfo) {
    pInfo->dwType = PMP_TYPE_IRREGULAR;
    pInfo->pszName = "Ticker";
    pInfo->dwAvailableGraphs = PMP_GRAPHS_ONE;
    pInfo->dwFormatParams = 1;
    pInfo->pszParamNames[0] = "seconds";
    pInfo->pszDefaultFormat = "Running for %1 s";
    pInfo->pszDescription = "Counts the seconds since its row started.";
    pInfo->dwDataItems = 1;
    return 1;
}

void WINAPI PMPFinalize(void) {}

void WINAPI PMPBeforeOperation(DWORD dwPluralNumber, HWND hWnd, DWORD dwRow, PMPDATA* pData) {
    (void)dwPluralNumber;
    (void)pData;
    hHostWnd = hWnd;
    dwHostRow = dwRow;
    hStopEvent = CreateEventA(NULL, TRUE, FALSE, NULL);
    hTickThread = CreateThread(NULL, 0, TickThread, NULL, 0, NULL);
}

/* Runs on the host's GUI thread, which the tick thread may be sending to at this very moment.
 * Waiting for the thread with WaitForSingleObject would leave that send unanswered for ever;
 * MsgWaitForMultipleObjects wakes for it, and PeekMessageA hands it to the window. */
void WINAPI PMPAfterOperation(DWORD dwPluralNumber) {
    MSG msg;
    (void)dwPluralNumber;
    if (!hTickThread)
        return;
    SetEvent(hStopEvent);
    while (MsgWaitForMultipleObjects(1, &hTickThread, FALSE, INFINITE, QS_SENDMESSAGE) ==
           WAIT_OBJECT_0 + 1)
        PeekMessageA(&msg, NULL, 0, 0, PM_NOREMOVE);
    CloseHandle(hTickThread);
    CloseHandle(hStopEvent);
    hTickThread = NULL;
    hStopEvent = NULL;
}
