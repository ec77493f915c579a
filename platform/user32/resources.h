// A module's resources as the layer reads them: the table that tools/rc generated into the
// module (resource_table.h), found through its exported symbol, and the dialog template model
// that the dialog manager builds dialogs from.
#pragma once

#include <windows.h>

#include "user32/resource_table.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::user32 {

// One control of a dialog template. Geometry is in dialog units.
struct DialogControl {
    std::string class_name; // "BUTTON", "EDIT", "STATIC", "COMBOBOX", "msctls_updown32", ...
    std::string text;       // ANSI, in the layer's code page
    // The text is a resource number (an ICON control names its icon by number); `text` is then
    // empty.
    std::optional<UINT> text_resource;
    int id = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    DWORD style = 0; // WS_CHILD | WS_VISIBLE and the class's defaults included
    DWORD exstyle = 0;
};

struct DialogFont {
    std::string name;
    int point_size = 0;
    int weight = 0; // FW_*; 0 for the default
    bool italic = false;
    BYTE charset = 1;
};

struct DialogTemplate {
    std::optional<std::string> name; // null when the template is known by number
    UINT id = 0;
    DWORD style = 0; // WS_CAPTION included when the template has a caption, DS_SETFONT with a font
    DWORD exstyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0; // dialog units
    std::string caption;                // ANSI, in the layer's code page
    std::optional<DialogFont> font;
    std::vector<DialogControl> controls; // in template order, which is the tab order
};

// The resource table of a module, or null (and ERROR_RESOURCE_DATA_NOT_FOUND) when the module
// has none or one of another version. A null module is the program.
const PelmoraRcTable* FindResourceTable(HMODULE module);
// Checks a table's version; used for tables that tests take from dlsym.
const PelmoraRcTable* CheckResourceTable(const void* symbol);

// Whether a table entry (name or number) is the resource that `wanted` names: a
// MAKEINTRESOURCE number, "#123", or a name compared without regard to case.
bool ResourceNameMatches(const char* name, uint32_t id, LPCSTR wanted);

// A table text in the layer's ANSI code page.
std::string TableText(const PelmoraRcTable& table, const char* text);
std::string TableText(const PelmoraRcTable& table, std::string_view text);

// How many bytes of `text` fit in `limit` bytes without cutting a character of the layer's
// ANSI code page in two.
size_t AnsiCutLength(std::string_view text, size_t limit);

// String `id` of the table, in the layer's code page; nothing when there is none.
std::optional<std::string> FindTableString(const PelmoraRcTable& table, UINT id);
const PelmoraRcMenu* FindTableMenu(const PelmoraRcTable& table, LPCSTR name);
const PelmoraRcIcon* FindTableIcon(const PelmoraRcTable& table, LPCSTR name);
std::optional<DialogTemplate> FindTableDialog(const PelmoraRcTable& table, LPCSTR name);

// The dialog template `name` of a module, or nothing with the last error set.
std::optional<DialogTemplate> LoadDialogTemplate(HMODULE module, LPCSTR name);

} // namespace platform::user32
