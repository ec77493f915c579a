// The resource script model of pelmora-rc and its parser. Texts in the model are already in
// code page 932, the code page of the layer's ANSI functions.
#pragma once

#include <cstdint>
#include "expected.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace rc {

// Where a script went wrong: printed as "file:line: error: message".
struct Diagnostic {
    std::string file;
    int line = 0;
    std::string message;
    std::string Format() const;
};

// A resource is named by a text or by a number.
struct ResourceName {
    std::optional<std::string> name;
    uint32_t id = 0;
};

struct MenuItem {
    std::string text;
    uint32_t id = 0;
    bool popup = false;
    bool separator = false;
    uint32_t type = 0;  // MFT_*
    uint32_t state = 0; // MFS_*
    std::vector<MenuItem> children;
};

struct Menu {
    ResourceName name;
    std::vector<MenuItem> items;
};

struct Control {
    std::string class_name;
    std::optional<std::string> text; // empty optional: text_id names a resource
    uint32_t text_id = 0;
    int32_t id = 0;
    int16_t x = 0, y = 0, cx = 0, cy = 0;
    uint32_t style = 0;
    uint32_t exstyle = 0;
};

struct Dialog {
    ResourceName name;
    uint32_t style = 0;
    uint32_t exstyle = 0;
    int16_t x = 0, y = 0, cx = 0, cy = 0;
    std::string caption;
    std::optional<std::string> font_name;
    uint16_t font_size = 0;
    uint16_t font_weight = 0;
    uint8_t font_italic = 0;
    uint8_t font_charset = 1; // DEFAULT_CHARSET
    std::vector<Control> controls;
};

struct IconImage {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint32_t> pixels; // 0xAARRGGBB, top row first
};

struct Icon {
    ResourceName name;
    std::vector<IconImage> images;
};

struct Script {
    std::map<uint32_t, std::string> strings;
    std::vector<Menu> menus;
    std::vector<Dialog> dialogs;
    std::vector<Icon> icons;
    // Every file that was read (the script first), for the depfile.
    std::vector<std::string> files;
};

// Parses the script at `path`; included headers and icon files are looked for beside the file
// that names them.
Expected<Script, Diagnostic> ParseScriptFile(const std::string& path);
// Parses `text` as though it were the file `path` (tests).
Expected<Script, Diagnostic> ParseScriptText(const std::string& text, const std::string& path);

// UTF-8 to code page 932; nothing when a character has no form there.
std::optional<std::string> Utf8ToCp932(const std::string& utf8);

} // namespace rc
