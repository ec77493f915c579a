// What the built-in sources share: their text buffers, the per-item settings keys and the
// detail-dialog frame.
#pragma once

#include "sources/internal_plugins.h"

class CDriveProfileCategory;

// A result text: 16 characters and the terminator.
constexpr int RESULT_TEXT_SIZE = 17;
// A unit text: 8 characters and the terminator.
constexpr int UNIT_TEXT_SIZE = 9;
// The buffer of a per-item settings key ("%s%i").
constexpr int ITEM_KEY_SIZE = 256;

// Copies text into destination of size bytes. A longer text is cut, never in the middle of a
// double-byte character.
void CopyText(LPSTR destination, int size, LPCSTR text);
// Formats with wsprintfA into a result text; what does not fit is cut.
void FormatResult(LPSTR text, LPCSTR format, ...);
// value with two decimals ("%.2f") into a result text; what does not fit is cut.
void FormatFixed(LPSTR text, double value);
// Resource string id into a unit text, cut to 8 characters.
void LoadUnitText(LPSTR unit, UINT id);

// The source's settings category (created when missing).
CDriveProfileCategory* GetSourceCategory(LPCSTR name);
// name followed by the item number in decimal, into a zero-filled key buffer of ITEM_KEY_SIZE.
void FormatItemKey(LPSTR key, LPCSTR name, DWORD item);

// The source's name, parameter names, description and default format into info: the record's
// shared fields are set as every built-in source sets them (polled, the name from string 0).
void FillSourceInfo(CInternalPluginBase* source, int group, PMPINFO* info, DWORD availableGraphs,
                    DWORD formatParams, LPCSTR defaultFormat);

// Runs the modal detail dialog templateName of the resource library with item as its
// initialisation parameter; the dialog's end code (1 after OK, 0 after Cancel).
DWORD ShowSourceDialog(LPCSTR templateName, HWND hOwner, DLGPROC proc, DWORD item);
// Appends resource strings first .. first + count - 1 to drop-down list id, in this order.
void AddResourceStrings(HWND hDlg, int id, UINT first, UINT count);

// The six functions of a detail dialog that has only OK and Cancel: <Name>DetailDialogProc takes
// the source object of its fixed index and hands each message to <Name>DetailDialogDispatch,
// which runs Init on WM_INITDIALOG and Command on WM_COMMAND; Command saves on OK and cancels
// on Cancel. Init, Save and Cancel forward to the source's DetailDialogInit, DetailDialogSave
// and DetailDialogCancel.
#define PELMORA_DEFINE_DETAIL_DIALOG(Name, Class, index, InitCall)                                 \
    static INT_PTR Name##DetailDialogInit(Class* source, HWND hDlg, WPARAM, LPARAM lParam) {       \
        (void)lParam;                                                                              \
        return source->InitCall;                                                                   \
    }                                                                                              \
    static void Name##DetailDialogSave(Class* source) {                                            \
        source->DetailDialogSave();                                                                \
    }                                                                                              \
    static void Name##DetailDialogCancel(Class* source) {                                          \
        source->DetailDialogCancel();                                                              \
    }                                                                                              \
    static INT_PTR Name##DetailDialogCommand(Class* source, WORD id, WORD code, LPARAM) {          \
        if (id == IDOK && code == 0) {                                                             \
            Name##DetailDialogSave(source);                                                        \
            return 1;                                                                              \
        }                                                                                          \
        if (id == IDCANCEL && code == 0) {                                                         \
            Name##DetailDialogCancel(source);                                                      \
            return 1;                                                                              \
        }                                                                                          \
        return 0;                                                                                  \
    }                                                                                              \
    static INT_PTR Name##DetailDialogDispatch(Class* source, HWND hDlg, UINT message,              \
                                              WPARAM wParam, LPARAM lParam) {                      \
        switch (message) {                                                                         \
        case WM_INITDIALOG:                                                                        \
            return Name##DetailDialogInit(source, hDlg, wParam, lParam);                           \
        case WM_COMMAND:                                                                           \
            return Name##DetailDialogCommand(source, LOWORD(wParam), HIWORD(wParam), lParam);      \
        }                                                                                          \
        return 0;                                                                                  \
    }                                                                                              \
    static INT_PTR CALLBACK Name##DetailDialogProc(HWND hDlg, UINT message, WPARAM wParam,         \
                                                   LPARAM lParam) {                                \
        auto* source = static_cast<Class*>(GetInternalPlugin(index));                              \
        return Name##DetailDialogDispatch(source, hDlg, message, wParam, lParam);                  \
    }
