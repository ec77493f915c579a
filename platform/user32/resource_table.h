// The resource table that tools/rc generates into a module: plain structures only, so that the
// generated source compiles on its own and the module links nothing. The layer finds the table
// through the one exported symbol PELMORA_RESOURCE_TABLE_SYMBOL (resources.h reads it).
//
// Texts are NUL-terminated ANSI in the table's code page (932). A resource is named either by
// a text (`name` not null, compared without regard to case) or by a number (`name` null, `id`).
#pragma once

#include <stdint.h>

#define PELMORA_RESOURCE_TABLE_SYMBOL "PelmoraResourceTable"
#define PELMORA_RESOURCE_TABLE_VERSION 1u

// Menu item flags (PelmoraRcMenuItem::flags).
#define PELMORA_RC_MENU_POPUP 0x1u     // the item opens the children first_child .. +child_count
#define PELMORA_RC_MENU_SEPARATOR 0x2u // MENUITEM SEPARATOR

struct PelmoraRcString {
    uint32_t id;
    uint32_t length; // bytes, without the NUL
    const char* text;
};

struct PelmoraRcMenuItem {
    const char* text;     // "" for a separator
    uint32_t id;          // command identifier (0 for a pop-up or a separator)
    uint32_t flags;       // PELMORA_RC_MENU_*
    uint32_t type;        // MFT_* options (MFT_RIGHTJUSTIFY, MFT_MENUBARBREAK, ...)
    uint32_t state;       // MFS_* options (MFS_CHECKED, MFS_GRAYED, ...)
    uint32_t first_child; // index into the table's menu items
    uint32_t child_count;
};

struct PelmoraRcMenu {
    const char* name;
    uint32_t id;
    uint32_t first_item; // the menu bar's items, index into the table's menu items
    uint32_t item_count;
};

struct PelmoraRcControl {
    const char* class_name; // "BUTTON", "EDIT", "STATIC", "msctls_updown32", ...
    const char* text;       // null when the text is a resource number (ICON controls)
    uint32_t text_id;
    int32_t id;
    int16_t x, y, cx, cy; // dialog units
    uint32_t style;       // WS_CHILD | WS_VISIBLE and the class's defaults included
    uint32_t exstyle;
};

struct PelmoraRcDialog {
    const char* name;
    uint32_t id;
    uint32_t style;
    uint32_t exstyle;
    int16_t x, y, cx, cy;  // dialog units
    const char* caption;   // "" when the script gives none
    const char* font_name; // null without a FONT statement
    uint16_t font_size;    // points
    uint16_t font_weight;
    uint8_t font_italic;
    uint8_t font_charset;
    uint32_t first_control; // index into the table's controls
    uint32_t control_count;
};

struct PelmoraRcIconImage {
    uint32_t width;
    uint32_t height;
    const uint32_t* pixels; // width * height, top row first, 0xAARRGGBB (alpha premultiplied: no)
};

struct PelmoraRcIcon {
    const char* name;
    uint32_t id;
    uint32_t first_image; // index into the table's icon images
    uint32_t image_count;
};

struct PelmoraRcTable {
    uint32_t version; // PELMORA_RESOURCE_TABLE_VERSION
    uint32_t code_page;
    uint32_t string_count;
    const struct PelmoraRcString* strings; // sorted by id
    uint32_t menu_count;
    const struct PelmoraRcMenu* menus;
    uint32_t menu_item_count;
    const struct PelmoraRcMenuItem* menu_items;
    uint32_t dialog_count;
    const struct PelmoraRcDialog* dialogs;
    uint32_t control_count;
    const struct PelmoraRcControl* controls;
    uint32_t icon_count;
    const struct PelmoraRcIcon* icons;
    uint32_t icon_image_count;
    const struct PelmoraRcIconImage* icon_images;
};
