#include "sources/source_frame.h"

#include "settings/drive_profile.h"
#include "settings/literals.h"
#include "shell/environment.h"
#include "shell/fixed_point.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>

void CopyText(LPSTR destination, int size, LPCSTR text) {
    if (size <= 0)
        return;
    // Reads at most size - 1 bytes of text, so a field that is not terminated is safe too.
    int i = 0;
    while (i < size - 1 && text[i]) {
        if (IsDBCSLeadByte(BYTE(text[i]))) {
            // A lead byte goes only together with its trail byte.
            if (i + 1 >= size - 1 || !text[i + 1])
                break;
            destination[i] = text[i];
            destination[i + 1] = text[i + 1];
            i += 2;
            continue;
        }
        destination[i] = text[i];
        ++i;
    }
    destination[i] = '\0';
}

void FormatResult(LPSTR text, LPCSTR format, ...) {
    // wsprintfA writes at most 1024 characters.
    CHAR buffer[1025];
    va_list args;
    va_start(args, format);
    wvsprintfA(buffer, format, args);
    va_end(args);
    CopyText(text, RESULT_TEXT_SIZE, buffer);
}

void FormatFixed(LPSTR text, double value) {
    // A double prints in at most 309 digits before the point.
    CHAR buffer[400];
    FormatFixedPoint(buffer, sizeof buffer, value);
    CopyText(text, RESULT_TEXT_SIZE, buffer);
}

void LoadUnitText(LPSTR unit, UINT id) {
    CopyText(unit, UNIT_TEXT_SIZE, LoadResourceString(id));
}

CDriveProfileCategory* GetSourceCategory(LPCSTR name) {
    return GetDriveProfile()->GetCategory(name);
}

void FormatItemKey(LPSTR key, LPCSTR name, DWORD item) {
    for (int i = 0; i < ITEM_KEY_SIZE; ++i)
        key[i] = '\0';
    // The key names are short literals; the number adds at most 10 characters.
    wsprintfA(key, Literals::NumberedKeyFormat, name, int(item));
}

void FillSourceInfo(CInternalPluginBase* source, int group, PMPINFO* info, DWORD availableGraphs,
                    DWORD formatParams, LPCSTR defaultFormat) {
    info->dwType = PMP_TYPE_REGULAR;
    info->pszName = source->LoadRes(group, 0);
    info->dwAvailableGraphs = availableGraphs;
    info->dwFormatParams = formatParams;
    info->pszDefaultFormat = defaultFormat;
}

#include "shell/program.h"

DWORD ShowSourceDialog(LPCSTR templateName, HWND hOwner, DLGPROC proc, DWORD item) {
    return DWORD(DialogBoxParamA(GetResourceLibrary(), templateName, hOwner, proc, LPARAM(item)));
}

void AddResourceStrings(HWND hDlg, int id, UINT first, UINT count) {
    for (UINT i = 0; i < count; ++i)
        SendDlgItemMessageA(hDlg, id, CB_ADDSTRING, 0, LPARAM(LoadResourceString(first + i)));
}
