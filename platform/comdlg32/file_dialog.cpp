// GetOpenFileNameA: a modal dialog of the layer that walks the folders of the drive letters,
// shows the files that match the caller's filter and returns the full path of the one chosen.
#include <windows.h>
#include <commdlg.h>

#include "comdlg32/common.h"
#include "comdlg32/dialog_ids.h"
#include "user32/controls.h"
#include "user32/dialogs.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace platform::comdlg32 {

namespace {

struct FileType {
    std::string description;
    std::vector<std::string> patterns; // "*.bmp", split at ';'
};

struct Entry {
    std::string name;
    bool folder = false;
};

struct FileDialog {
    OPENFILENAMEA* request = nullptr;
    std::string title;
    std::vector<FileType> types;
    std::string folder; // drive form: "C:\" or "C:\home\user"
    std::vector<Entry> entries;
    std::vector<std::string> typed_patterns; // a pattern typed into the name box
};

std::vector<std::string> SplitPatterns(std::string_view text) {
    std::vector<std::string> patterns;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(';', start);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view p = text.substr(start, end - start);
        while (!p.empty() && p.front() == ' ')
            p.remove_prefix(1);
        while (!p.empty() && p.back() == ' ')
            p.remove_suffix(1);
        if (!p.empty())
            patterns.emplace_back(p);
        start = end + 1;
    }
    return patterns;
}

// The caller's pairs of description and pattern, up to the empty string that ends them.
std::vector<FileType> ParseFilter(LPCSTR filter) {
    std::vector<FileType> types;
    if (!filter)
        return types;
    while (*filter) {
        FileType type;
        type.description = filter;
        filter += type.description.size() + 1;
        if (!*filter)
            break; // a description without its pattern
        type.patterns = SplitPatterns(filter);
        filter += std::strlen(filter) + 1;
        types.push_back(std::move(type));
    }
    return types;
}

bool IsDriveRoot(std::string_view path) {
    return path.size() == 3 && path[1] == ':' && path[2] == '\\';
}

// A typed path made whole against the folder shown: a drive letter starts over, a backslash
// goes to the drive's root, anything else is within the folder; "." and ".." are resolved and
// never climb above the root.
std::string Resolve(std::string text, const std::string& folder) {
    std::replace(text.begin(), text.end(), '/', '\\');
    std::string whole;
    if (text.size() >= 2 && text[1] == ':' && std::isalpha(uint8_t(text[0])))
        whole = text;
    else if (!text.empty() && text[0] == '\\')
        whole = folder.substr(0, 2) + text;
    else
        whole = folder + (folder.back() == '\\' ? "" : "\\") + text;
    std::string drive = whole.substr(0, 2);
    drive[0] = char(std::toupper(uint8_t(drive[0])));
    std::vector<std::string> parts;
    size_t start = 2;
    while (start < whole.size()) {
        size_t end = whole.find('\\', start);
        if (end == std::string::npos)
            end = whole.size();
        std::string part = whole.substr(start, end - start);
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    std::string out = drive + "\\";
    for (size_t i = 0; i < parts.size(); ++i)
        out += (i ? "\\" : "") + parts[i];
    return out;
}

std::string ParentOf(const std::string& path) {
    size_t sep = path.find_last_of('\\');
    if (sep == std::string::npos || sep < 2)
        return path;
    return sep == 2 ? path.substr(0, 3) : path.substr(0, sep);
}

std::string Join(const std::string& folder, const std::string& name) {
    return folder + (folder.back() == '\\' ? "" : "\\") + name;
}

DWORD Attributes(const std::string& path) {
    return GetFileAttributesA(path.c_str());
}

bool IsFolder(const std::string& path) {
    DWORD a = Attributes(path);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool HasWildcard(std::string_view text) {
    return text.find_first_of("*?") != std::string_view::npos;
}

LRESULT Send(HWND dialog, int id, UINT message, WPARAM wparam = 0, LPARAM lparam = 0) {
    return SendDlgItemMessageA(dialog, id, message, wparam, lparam);
}

std::vector<std::string> CurrentPatterns(HWND dialog, const FileDialog& d) {
    if (!d.typed_patterns.empty())
        return d.typed_patterns;
    int type = int(Send(dialog, kFileTypeCombo, CB_GETCURSEL));
    if (type >= 0 && type < int(d.types.size()) && !d.types[size_t(type)].patterns.empty())
        return d.types[size_t(type)].patterns;
    return {"*"};
}

// Finds the names in the folder that match one pattern: folders or files.
void Scan(const std::string& folder, const std::string& pattern, bool folders,
          std::vector<Entry>& out) {
    WIN32_FIND_DATAA data{};
    HANDLE find = FindFirstFileA(Join(folder, pattern).c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do {
        std::string name = data.cFileName;
        const bool is_folder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (name == "." || name == ".." || is_folder != folders)
            continue;
        if (std::none_of(out.begin(), out.end(), [&](const Entry& e) { return e.name == name; }))
            out.push_back({name, is_folder});
    } while (FindNextFileA(find, &data));
    FindClose(find);
}

void Fill(HWND dialog, FileDialog& d) {
    d.entries.clear();
    if (!IsDriveRoot(d.folder))
        d.entries.push_back({"..", true});
    std::vector<Entry> folders, files;
    Scan(d.folder, "*", true, folders);
    // "*.*" means every file, those without a dot in their name too.
    for (const std::string& pattern : CurrentPatterns(dialog, d))
        Scan(d.folder, pattern == "*.*" ? "*" : pattern, false, files);
    auto by_name = [](const Entry& a, const Entry& b) {
        return user32::CompareNoCase(a.name, b.name) < 0;
    };
    std::sort(folders.begin(), folders.end(), by_name);
    std::sort(files.begin(), files.end(), by_name);
    d.entries.insert(d.entries.end(), folders.begin(), folders.end());
    d.entries.insert(d.entries.end(), files.begin(), files.end());

    SendDlgItemMessageA(dialog, kFileList, WM_SETREDRAW, FALSE, 0);
    Send(dialog, kFileList, LB_RESETCONTENT);
    for (const Entry& e : d.entries) {
        std::string shown = e.folder ? "[" + e.name + "]" : e.name;
        Send(dialog, kFileList, LB_ADDSTRING, 0, LPARAM(shown.c_str()));
    }
    SendDlgItemMessageA(dialog, kFileList, WM_SETREDRAW, TRUE, 0);
    SetDlgItemTextA(dialog, kFileFolderText, d.folder.c_str());
    int drive = int(Send(dialog, kFileDriveCombo, CB_FINDSTRINGEXACT, WPARAM(-1),
                         LPARAM(d.folder.substr(0, 3).c_str())));
    Send(dialog, kFileDriveCombo, CB_SETCURSEL, WPARAM(drive));
}

void Enter(HWND dialog, FileDialog& d, std::string folder) {
    d.folder = std::move(folder);
    Fill(dialog, d);
}

void Message(HWND dialog, const FileDialog& d, const std::string& text) {
    MessageBoxA(dialog, text.c_str(), d.title.c_str(), MB_OK | MB_ICONEXCLAMATION);
}

// Copies the chosen path into the caller's buffers, each within its size.
bool Store(FileDialog& d, const std::string& path, int type) {
    OPENFILENAMEA& ofn = *d.request;
    if (!ofn.lpstrFile || path.size() + 1 > ofn.nMaxFile) {
        // The buffer is too small: its first two bytes say how many it needs.
        if (ofn.lpstrFile && ofn.nMaxFile >= 2) {
            WORD needed = WORD(std::min<size_t>(path.size() + 1, 0xFFFF));
            std::memcpy(ofn.lpstrFile, &needed, sizeof needed);
        }
        SetExtendedError(FNERR_BUFFERTOOSMALL);
        return false;
    }
    std::memcpy(ofn.lpstrFile, path.c_str(), path.size() + 1);
    size_t name_at = path.find_last_of('\\') + 1;
    ofn.nFileOffset = WORD(name_at);
    size_t dot = path.find_last_of('.');
    ofn.nFileExtension = WORD(dot != std::string::npos && dot > name_at ? dot + 1 : path.size());
    if (ofn.lpstrFileTitle && ofn.nMaxFileTitle > 0) {
        std::string name = path.substr(name_at);
        size_t n = user32::AnsiCutLength(name, ofn.nMaxFileTitle - 1);
        std::memcpy(ofn.lpstrFileTitle, name.data(), n);
        ofn.lpstrFileTitle[n] = '\0';
    }
    if (type >= 0 && !d.types.empty())
        ofn.nFilterIndex = DWORD(type + 1);
    return true;
}

void Confirm(HWND dialog, FileDialog& d) {
    std::string text = ItemText(dialog, kFileNameEdit);
    if (text.empty()) {
        // Open on a folder of the list enters it.
        int at = int(Send(dialog, kFileList, LB_GETCURSEL));
        if (at >= 0 && at < int(d.entries.size()) && d.entries[size_t(at)].folder)
            Enter(dialog, d, Resolve(d.entries[size_t(at)].name, d.folder));
        return;
    }
    if (HasWildcard(text)) {
        // A pattern typed shows what it matches.
        d.typed_patterns = SplitPatterns(text);
        Fill(dialog, d);
        return;
    }
    std::string path = Resolve(text, d.folder);
    if (IsFolder(path)) {
        SetDlgItemTextA(dialog, kFileNameEdit, "");
        Enter(dialog, d, path);
        return;
    }
    const DWORD flags = d.request->Flags;
    if ((flags & (OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST)) && !IsFolder(ParentOf(path))) {
        Message(dialog, d, path + "\nThe path does not exist.\nCheck the path and try again.");
        return;
    }
    if ((flags & OFN_FILEMUSTEXIST) && Attributes(path) == INVALID_FILE_ATTRIBUTES) {
        Message(dialog, d,
                path.substr(path.find_last_of('\\') + 1) +
                    "\nFile not found.\nCheck the file name and try again.");
        return;
    }
    int type = int(Send(dialog, kFileTypeCombo, CB_GETCURSEL));
    EndDialog(dialog, Store(d, path, type) ? IDOK : IDABORT);
}

void Init(HWND dialog, FileDialog& d) {
    for (const FileType& type : d.types)
        Send(dialog, kFileTypeCombo, CB_ADDSTRING, 0, LPARAM(type.description.c_str()));
    DWORD index = d.request->nFilterIndex;
    Send(dialog, kFileTypeCombo, CB_SETCURSEL,
         WPARAM(index >= 1 && index <= d.types.size() ? index - 1 : 0));
    EnableWindow(GetDlgItem(dialog, kFileTypeCombo), d.types.empty() ? FALSE : TRUE);
    char drives[27 * 4 + 1] = {};
    DWORD n = GetLogicalDriveStringsA(sizeof drives, drives);
    for (const char* drive = drives; n && n < sizeof drives && *drive;
         drive += std::strlen(drive) + 1)
        Send(dialog, kFileDriveCombo, CB_ADDSTRING, 0, LPARAM(drive));
    Send(dialog, kFileNameEdit, EM_LIMITTEXT, MAX_PATH - 1);
    Fill(dialog, d);
}

INT_PTR CALLBACK FileDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    FileDialog* d = StateOf<FileDialog>(dialog, message, lparam);
    if (!d)
        return FALSE;
    switch (message) {
    case WM_INITDIALOG:
        Init(dialog, *d);
        return TRUE;
    case WM_COMMAND: {
        const int id = LOWORD(wparam), code = HIWORD(wparam);
        int at = id == kFileList ? int(Send(dialog, kFileList, LB_GETCURSEL)) : -1;
        const Entry* entry =
            at >= 0 && at < int(d->entries.size()) ? &d->entries[size_t(at)] : nullptr;
        if (id == kFileList && code == LBN_SELCHANGE && entry && !entry->folder) {
            SetDlgItemTextA(dialog, kFileNameEdit, entry->name.c_str());
        } else if (id == kFileList && code == LBN_DBLCLK && entry) {
            if (entry->folder) {
                Enter(dialog, *d, Resolve(entry->name, d->folder));
            } else {
                SetDlgItemTextA(dialog, kFileNameEdit, entry->name.c_str());
                Confirm(dialog, *d);
            }
        } else if (id == kFileTypeCombo && code == CBN_SELCHANGE) {
            d->typed_patterns.clear();
            Fill(dialog, *d);
        } else if (id == kFileDriveCombo && code == CBN_SELCHANGE) {
            int drive = int(Send(dialog, kFileDriveCombo, CB_GETCURSEL));
            char root[8] = {};
            if (drive >= 0 && Send(dialog, kFileDriveCombo, CB_GETLBTEXTLEN, WPARAM(drive)) < 8) {
                Send(dialog, kFileDriveCombo, CB_GETLBTEXT, WPARAM(drive), LPARAM(root));
                Enter(dialog, *d, root);
            }
        } else if (id == IDOK && code == BN_CLICKED) {
            Confirm(dialog, *d);
        } else if (id == IDCANCEL && code == BN_CLICKED) {
            EndDialog(dialog, IDCANCEL);
        }
        return TRUE;
    }
    }
    return FALSE;
}

user32::DialogTemplate FileTemplate(const std::string& title) {
    user32::DialogTemplate t = MakeTemplate(kFileDialogName, title, 280, 176);
    const DWORD combo = CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP;
    AddControl(t, "STATIC", "Look &in:", -1, 7, 8, 40, 9, SS_LEFT);
    AddControl(t, "COMBOBOX", "", kFileDriveCombo, 50, 6, 50, 80, combo);
    AddControl(t, "STATIC", "", kFileFolderText, 106, 8, 167, 9, SS_LEFTNOWORDWRAP | SS_NOPREFIX);
    AddControl(t, "LISTBOX", "", kFileList, 7, 22, 266, 108,
               LBS_NOTIFY | WS_VSCROLL | WS_BORDER | WS_TABSTOP);
    AddControl(t, "STATIC", "File &name:", -1, 7, 140, 50, 9, SS_LEFT);
    AddControl(t, "EDIT", "", kFileNameEdit, 60, 138, 156, 12,
               ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP);
    AddControl(t, "BUTTON", "&Open", IDOK, 223, 137, 50, 14, BS_DEFPUSHBUTTON | WS_TABSTOP);
    AddControl(t, "STATIC", "Files of &type:", -1, 7, 158, 52, 9, SS_LEFT);
    AddControl(t, "COMBOBOX", "", kFileTypeCombo, 60, 156, 156, 60, combo);
    AddControl(t, "BUTTON", "Cancel", IDCANCEL, 223, 155, 50, 14, BS_PUSHBUTTON | WS_TABSTOP);
    return t;
}

// Where the dialog opens: the caller's folder, else that of the name it gave, else the
// program's own folder.
std::string StartFolder(const OPENFILENAMEA& ofn) {
    if (ofn.lpstrInitialDir && *ofn.lpstrInitialDir) {
        std::string folder = Resolve(ofn.lpstrInitialDir, "C:\\");
        if (IsFolder(folder))
            return folder;
    }
    if (ofn.lpstrFile && ofn.nMaxFile > 0 && memchr(ofn.lpstrFile, 0, ofn.nMaxFile)) {
        std::string given = ofn.lpstrFile;
        if (given.find('\\') != std::string::npos) {
            std::string folder = ParentOf(Resolve(given, "C:\\"));
            if (IsFolder(folder))
                return folder;
        }
    }
    char module[MAX_PATH] = {};
    DWORD n = GetModuleFileNameA(nullptr, module, sizeof module);
    if (n > 0 && n < sizeof module)
        return ParentOf(Resolve(module, "C:\\"));
    return "C:\\";
}

} // namespace

} // namespace platform::comdlg32

using namespace platform::comdlg32;

PELMORA_BEGIN_EXTERN_C

BOOL WINAPI GetOpenFileNameA(LPOPENFILENAMEA lpofn) {
    if (!lpofn || (lpofn->lStructSize != sizeof(OPENFILENAMEA) &&
                   lpofn->lStructSize != OPENFILENAME_SIZE_VERSION_400A)) {
        SetExtendedError(CDERR_STRUCTSIZE);
        return FALSE;
    }
    if (!lpofn->lpstrFile || lpofn->nMaxFile == 0) {
        SetExtendedError(FNERR_INVALIDFILENAME);
        return FALSE;
    }
    if (lpofn->hwndOwner && !IsWindow(lpofn->hwndOwner)) {
        SetExtendedError(CDERR_INITIALIZATION);
        return FALSE;
    }
    FileDialog d;
    d.request = lpofn;
    d.title = lpofn->lpstrTitle && *lpofn->lpstrTitle ? lpofn->lpstrTitle : "Open";
    d.types = ParseFilter(lpofn->lpstrFilter);
    d.folder = StartFolder(*lpofn);
    SetExtendedError(0);
    INT_PTR result = platform::user32::DialogBoxFromTemplate(
        nullptr, FileTemplate(d.title), lpofn->hwndOwner, FileDialogProc, LPARAM(&d));
    if (result == -1)
        SetExtendedError(CDERR_DIALOGFAILURE);
    return result == IDOK ? TRUE : FALSE;
}

PELMORA_END_EXTERN_C
