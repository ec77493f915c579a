#include "user32/resources.h"

#include "host/codepage.h"
#include "kernel32/modules.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstring>
#include <iconv.h>
#include <span>

namespace platform::user32 {

namespace {

// Code page 932 text to UTF-8, for a layer whose ANSI code page is UTF-8.
std::string Cp932ToUtf8(std::string_view text) {
    iconv_t cd = iconv_open("UTF-8", "CP932");
    if (cd == iconv_t(-1))
        return std::string(text);
    std::string out(text.size() * 3 + 4, '\0');
    char* in = const_cast<char*>(text.data());
    size_t in_left = text.size();
    char* o = out.data();
    size_t out_left = out.size();
    while (in_left > 0) {
        if (iconv(cd, &in, &in_left, &o, &out_left) != size_t(-1))
            break;
        // The compiler only writes convertible text; skip whatever else there is.
        ++in;
        --in_left;
        if (out_left == 0)
            break;
        *o++ = '?';
        --out_left;
    }
    iconv_close(cd);
    out.resize(out.size() - out_left);
    return out;
}

} // namespace

const PelmoraRcTable* CheckResourceTable(const void* symbol) {
    auto* table = static_cast<const PelmoraRcTable*>(symbol);
    if (!table || table->version != PELMORA_RESOURCE_TABLE_VERSION) {
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return nullptr;
    }
    return table;
}

const PelmoraRcTable* FindResourceTable(HMODULE module) {
    return CheckResourceTable(FindModuleSymbol(module, PELMORA_RESOURCE_TABLE_SYMBOL));
}

bool ResourceNameMatches(const char* name, uint32_t id, LPCSTR wanted) {
    if (!wanted)
        return false;
    if (IS_INTRESOURCE(wanted))
        return !name && id == uint32_t(reinterpret_cast<uintptr_t>(wanted));
    if (wanted[0] == '#') {
        // "#123" names resource number 123, as the system reads it.
        uint32_t number = 0;
        const char* end = wanted + std::strlen(wanted);
        auto [p, ec] = std::from_chars(wanted + 1, end, number);
        return ec == std::errc() && p == end && !name && id == number;
    }
    if (!name)
        return false;
    const size_t n = std::strlen(name);
    return std::strlen(wanted) == n && std::equal(name, name + n, wanted, [](char a, char b) {
               return std::toupper(uint8_t(a)) == std::toupper(uint8_t(b));
           });
}

std::string TableText(const PelmoraRcTable& table, const char* text) {
    return text ? TableText(table, std::string_view(text)) : std::string();
}

std::string TableText(const PelmoraRcTable& table, std::string_view view) {
    if (table.code_page == host::AnsiCodePage() ||
        std::ranges::all_of(view, [](char c) { return uint8_t(c) < 0x80; }))
        return std::string(view);
    // The table's texts are in code page 932; the only other ANSI code page is UTF-8.
    return Cp932ToUtf8(view);
}

size_t AnsiCutLength(std::string_view text, size_t limit) {
    const bool utf8 = host::AnsiCodePage() == 65001;
    size_t n = 0;
    while (n < text.size()) {
        const uint8_t byte = uint8_t(text[n]);
        size_t step = 1;
        if (utf8)
            step = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
        else if (host::IsLeadByte(byte))
            step = 2;
        step = std::min(step, text.size() - n);
        if (n + step > limit)
            break;
        n += step;
    }
    return n;
}

std::optional<std::string> FindTableString(const PelmoraRcTable& table, UINT id) {
    const std::span strings(table.strings, table.string_count);
    auto it = std::ranges::lower_bound(strings, id, {}, &PelmoraRcString::id);
    if (it == strings.end() || it->id != id)
        return std::nullopt;
    return TableText(table, std::string_view(it->text, it->length));
}

const PelmoraRcMenu* FindTableMenu(const PelmoraRcTable& table, LPCSTR name) {
    for (const PelmoraRcMenu& m : std::span(table.menus, table.menu_count))
        if (ResourceNameMatches(m.name, m.id, name))
            return &m;
    return nullptr;
}

const PelmoraRcIcon* FindTableIcon(const PelmoraRcTable& table, LPCSTR name) {
    for (const PelmoraRcIcon& i : std::span(table.icons, table.icon_count))
        if (ResourceNameMatches(i.name, i.id, name))
            return &i;
    return nullptr;
}

std::optional<DialogTemplate> FindTableDialog(const PelmoraRcTable& table, LPCSTR name) {
    for (const PelmoraRcDialog& d : std::span(table.dialogs, table.dialog_count)) {
        if (!ResourceNameMatches(d.name, d.id, name))
            continue;
        if (d.first_control > table.control_count ||
            d.control_count > table.control_count - d.first_control)
            return std::nullopt;
        DialogTemplate t;
        if (d.name)
            t.name = TableText(table, d.name);
        t.id = d.id;
        t.style = d.style;
        t.exstyle = d.exstyle;
        t.x = d.x;
        t.y = d.y;
        t.cx = d.cx;
        t.cy = d.cy;
        t.caption = TableText(table, d.caption);
        if (d.font_name)
            t.font = DialogFont{TableText(table, d.font_name), d.font_size, d.font_weight,
                                d.font_italic != 0, d.font_charset};
        for (const PelmoraRcControl& c :
             std::span(table.controls + d.first_control, d.control_count)) {
            DialogControl control;
            control.class_name = c.class_name ? c.class_name : "";
            if (c.text)
                control.text = TableText(table, c.text);
            else
                control.text_resource = c.text_id;
            control.id = c.id;
            control.x = c.x;
            control.y = c.y;
            control.cx = c.cx;
            control.cy = c.cy;
            control.style = c.style;
            control.exstyle = c.exstyle;
            t.controls.push_back(std::move(control));
        }
        return t;
    }
    return std::nullopt;
}

std::optional<DialogTemplate> LoadDialogTemplate(HMODULE module, LPCSTR name) {
    const PelmoraRcTable* table = FindResourceTable(module);
    if (!table)
        return std::nullopt;
    auto dialog = FindTableDialog(*table, name);
    if (!dialog)
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return dialog;
}

} // namespace platform::user32
