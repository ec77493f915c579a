#include "script_reader.h"

#include "constants.h"
#include "icon_file.h"

#include <map>

namespace rc::reader {

namespace {

namespace fs = std::filesystem;

class Parser {
public:
    Parser(Script& script, std::vector<Token> tokens, std::string path)
        : script_(script), tokens_(std::move(tokens)), path_(std::move(path)) {
        Token end;
        end.kind = Kind::End;
        end.file = &path_;
        end.line = tokens_.empty() ? 1 : tokens_.back().line;
        tokens_.push_back(end);
    }

    void Run() {
        while (Peek().kind != Kind::End)
            Statement();
    }

private:
    const Token& Peek(size_t ahead = 0) const {
        return tokens_[std::min(pos_ + ahead, tokens_.size() - 1)];
    }
    const Token& Next() {
        const Token& t = tokens_[pos_];
        if (pos_ + 1 < tokens_.size())
            ++pos_;
        return t;
    }
    [[noreturn]] static void FailAt(const Token& t, std::string message) {
        Fail(*t.file, t.line, std::move(message));
    }
    static bool IsWord(const Token& t, std::string_view word) {
        return t.kind == Kind::Identifier && EqualsNoCase(t.text, word);
    }
    static bool IsPunct(const Token& t, char c) {
        return t.kind == Kind::Punct && t.text.size() == 1 && t.text[0] == c;
    }
    static std::string Describe(const Token& t) {
        switch (t.kind) {
        case Kind::End:
            return "the end of the file";
        case Kind::String:
            return "a string";
        default:
            return "'" + t.text + "'";
        }
    }
    void SkipComma() {
        if (IsPunct(Peek(), ','))
            Next();
    }
    void ExpectComma() {
        if (!IsPunct(Peek(), ','))
            FailAt(Peek(), "expected ',' but found " + Describe(Peek()));
        Next();
    }
    static bool IsBegin(const Token& t) { return IsWord(t, "BEGIN") || IsPunct(t, '{'); }
    static bool IsEnd(const Token& t) { return IsWord(t, "END") || IsPunct(t, '}'); }
    const Token& ExpectBegin() {
        if (!IsBegin(Peek()))
            FailAt(Peek(), "expected BEGIN but found " + Describe(Peek()));
        return Next();
    }
    // At the end of the file inside a block: the block's BEGIN is the place to name.
    void CheckNotEnd(const Token& begin) {
        if (Peek().kind == Kind::End)
            FailAt(begin, "missing END for the block that begins here");
    }

    std::string Text(const Token& t) {
        auto ansi = Utf8ToCp932(t.text);
        if (!ansi)
            FailAt(t, "text cannot be written in code page 932 (is the file UTF-8?)");
        return *ansi;
    }
    const Token& ExpectString() {
        if (Peek().kind != Kind::String)
            FailAt(Peek(), "expected a string but found " + Describe(Peek()));
        return Next();
    }

    // Numeric expressions: | lowest, then &, then + and -, then unary - ~ and parentheses.
    uint32_t Expression() {
        uint32_t v = AndExpression();
        while (IsPunct(Peek(), '|')) {
            Next();
            v |= AndExpression();
        }
        return v;
    }
    uint32_t AndExpression() {
        uint32_t v = AddExpression();
        while (IsPunct(Peek(), '&')) {
            Next();
            v &= AddExpression();
        }
        return v;
    }
    uint32_t AddExpression() {
        uint32_t v = Unary();
        while (IsPunct(Peek(), '+') || IsPunct(Peek(), '-')) {
            const bool plus = Next().text == "+";
            const uint32_t r = Unary();
            v = plus ? v + r : v - r;
        }
        return v;
    }
    uint32_t Unary() {
        const Token& t = Next();
        if (IsPunct(t, '-'))
            return 0u - Unary();
        if (IsPunct(t, '~'))
            return ~Unary();
        if (IsPunct(t, '(')) {
            const uint32_t v = Expression();
            if (!IsPunct(Peek(), ')'))
                FailAt(Peek(), "expected ')' but found " + Describe(Peek()));
            Next();
            return v;
        }
        if (t.kind == Kind::Number)
            return t.value;
        if (t.kind == Kind::Identifier) {
            if (auto c = FindConstant(t.text))
                return *c;
            FailAt(t, "unknown constant '" + t.text + "'");
        }
        FailAt(t, "expected a number but found " + Describe(t));
    }
    bool StartsExpression(const Token& t) const {
        return t.kind == Kind::Number || IsPunct(t, '-') || IsPunct(t, '~') || IsPunct(t, '(') ||
               (t.kind == Kind::Identifier && FindConstant(t.text));
    }

    // A style: terms joined by |, where NOT term takes bits away. Returns the bits given and the
    // bits taken away.
    struct Style {
        uint32_t set = 0;
        uint32_t cleared = 0;
        uint32_t given = 0; // the bits the script itself named
    };
    Style StyleExpression() {
        Style s;
        for (;;) {
            if (IsWord(Peek(), "NOT")) {
                Next();
                const uint32_t bits = AndExpression();
                s.cleared |= bits;
                s.set &= ~bits;
            } else {
                s.set |= AndExpression();
            }
            if (!IsPunct(Peek(), '|'))
                return s;
            Next();
        }
    }

    int16_t Coordinate() {
        const Token& at = Peek();
        const int32_t v = int32_t(Expression());
        if (v < -32768 || v > 32767)
            FailAt(at, "value " + std::to_string(v) + " out of range for a dialog coordinate");
        return int16_t(v);
    }

    ResourceName Name(const Token& t) {
        if (t.kind == Kind::Number) {
            if (t.value > 0xFFFF)
                FailAt(t, "resource number " + std::to_string(t.value) + " out of range");
            return {std::nullopt, t.value};
        }
        if (t.kind == Kind::Identifier || t.kind == Kind::String) {
            if (t.text.empty())
                FailAt(t, "empty resource name");
            return {Text(t), 0};
        }
        FailAt(t, "expected a resource name but found " + Describe(t));
    }

    static bool SameName(const ResourceName& a, const ResourceName& b) {
        if (a.name.has_value() != b.name.has_value())
            return false;
        return a.name ? EqualsNoCase(*a.name, *b.name) : a.id == b.id;
    }
    static std::string Show(const ResourceName& n) {
        return n.name ? "\"" + *n.name + "\"" : std::to_string(n.id);
    }
    template <typename T>
    void CheckUnique(const std::vector<T>& list, const ResourceName& name, const Token& at,
                     const char* kind) {
        for (const T& r : list)
            if (SameName(r.name, name))
                FailAt(at, std::string("duplicate ") + kind + " " + Show(name));
    }

    // Load and memory options that older scripts write before a resource's body; they mean
    // nothing here.
    void SkipMemoryOptions() {
        static constexpr std::string_view kOptions[] = {"PRELOAD",  "LOADONCALL",  "FIXED",
                                                        "MOVEABLE", "DISCARDABLE", "PURE",
                                                        "IMPURE",   "SHARED",      "NONSHARED"};
        while (std::ranges::any_of(kOptions, [&](std::string_view o) { return IsWord(Peek(), o); }))
            Next();
    }
    // LANGUAGE, CHARACTERISTICS and VERSION statements: read and ignored.
    bool SkipCommonStatement() {
        if (IsWord(Peek(), "LANGUAGE")) {
            Next();
            Expression();
            ExpectComma();
            Expression();
            return true;
        }
        if (IsWord(Peek(), "CHARACTERISTICS") || IsWord(Peek(), "VERSION")) {
            Next();
            Expression();
            return true;
        }
        return false;
    }

    void Statement() {
        if (SkipCommonStatement())
            return;
        if (IsWord(Peek(), "STRINGTABLE")) {
            Next();
            StringTable();
            return;
        }
        const Token& first = Peek();
        const Token& type = Peek(1);
        if (first.kind == Kind::Identifier || first.kind == Kind::Number ||
            first.kind == Kind::String) {
            if (IsWord(type, "MENU")) {
                Next();
                Next();
                MenuResource(first);
                return;
            }
            if (IsWord(type, "DIALOGEX") || IsWord(type, "DIALOG")) {
                Next();
                Next();
                DialogResource(first, IsWord(type, "DIALOGEX"));
                return;
            }
            if (IsWord(type, "ICON")) {
                Next();
                Next();
                IconResource(first);
                return;
            }
        }
        if (first.kind == Kind::Identifier)
            FailAt(first, "unknown statement '" + first.text + "'");
        if (type.kind == Kind::Identifier)
            FailAt(type, "unknown statement '" + type.text + "'");
        FailAt(first, "expected a statement but found " + Describe(first));
    }

    void StringTable() {
        SkipMemoryOptions();
        while (SkipCommonStatement())
            ;
        const Token& begin = ExpectBegin();
        for (;;) {
            CheckNotEnd(begin);
            if (IsEnd(Peek())) {
                Next();
                return;
            }
            const Token& at = Peek();
            if (at.kind == Kind::Identifier && !FindConstant(at.text))
                FailAt(at, "unknown constant '" + at.text + "'");
            if (!StartsExpression(at))
                FailAt(at, "expected a string number or END but found " + Describe(at));
            const uint32_t id = Expression();
            if (id > 0xFFFF)
                FailAt(at, "string number " + std::to_string(id) + " out of range");
            SkipComma();
            CheckNotEnd(begin);
            const Token& text = ExpectString();
            if (auto seen = string_lines_.find(id); seen != string_lines_.end())
                FailAt(at, "duplicate string id " + std::to_string(id) +
                               " (first defined at line " + std::to_string(seen->second) + ")");
            string_lines_[id] = at.line;
            script_.strings[id] = Text(text);
        }
    }

    void MenuResource(const Token& name_token) {
        Menu menu;
        menu.name = Name(name_token);
        CheckUnique(script_.menus, menu.name, name_token, "menu");
        SkipMemoryOptions();
        while (SkipCommonStatement())
            ;
        menu.items = MenuItems();
        script_.menus.push_back(std::move(menu));
    }

    std::vector<MenuItem> MenuItems() {
        const Token& begin = ExpectBegin();
        std::vector<MenuItem> items;
        for (;;) {
            CheckNotEnd(begin);
            if (IsEnd(Peek())) {
                Next();
                return items;
            }
            const Token& t = Next();
            MenuItem item;
            if (IsWord(t, "MENUITEM")) {
                if (IsWord(Peek(), "SEPARATOR")) {
                    Next();
                    item.separator = true;
                    item.type = 0x800; // MFT_SEPARATOR
                } else {
                    item.text = Text(ExpectString());
                    ExpectComma();
                    item.id = Expression();
                    MenuOptions(item);
                }
            } else if (IsWord(t, "POPUP")) {
                item.popup = true;
                item.text = Text(ExpectString());
                MenuOptions(item);
                item.children = MenuItems();
            } else {
                FailAt(t, "expected MENUITEM, POPUP or END but found " + Describe(t));
            }
            items.push_back(std::move(item));
        }
    }

    void MenuOptions(MenuItem& item) {
        for (;;) {
            size_t ahead = IsPunct(Peek(), ',') ? 1 : 0;
            const Token& o = Peek(ahead);
            uint32_t state = 0, type = 0;
            if (IsWord(o, "CHECKED"))
                state = 0x8; // MFS_CHECKED
            else if (IsWord(o, "GRAYED"))
                state = 0x3; // MFS_GRAYED (MF_GRAYED | MF_DISABLED)
            else if (IsWord(o, "INACTIVE"))
                state = 0x2; // MF_DISABLED
            else if (IsWord(o, "MENUBARBREAK"))
                type = 0x20; // MFT_MENUBARBREAK
            else if (IsWord(o, "MENUBREAK"))
                type = 0x40; // MFT_MENUBREAK
            else if (IsWord(o, "HELP"))
                type = 0x4000; // MFT_RIGHTJUSTIFY
            else if (ahead)
                FailAt(o, "unknown menu item option " + Describe(o));
            else
                return;
            pos_ += ahead + 1;
            item.state |= state;
            item.type |= type;
        }
    }

    void DialogResource(const Token& name_token, bool extended) {
        Dialog dialog;
        dialog.name = Name(name_token);
        CheckUnique(script_.dialogs, dialog.name, name_token, "dialog");
        SkipMemoryOptions();
        dialog.x = Coordinate();
        ExpectComma();
        dialog.y = Coordinate();
        ExpectComma();
        dialog.cx = Coordinate();
        ExpectComma();
        dialog.cy = Coordinate();
        if (extended && IsPunct(Peek(), ',')) {
            Next();
            Expression(); // help identifier
        }
        std::optional<uint32_t> style;
        bool caption = false;
        while (!IsBegin(Peek())) {
            if (SkipCommonStatement())
                continue;
            const Token& t = Next();
            if (IsWord(t, "STYLE")) {
                style = StyleExpression().set;
            } else if (IsWord(t, "EXSTYLE")) {
                dialog.exstyle = Expression();
            } else if (IsWord(t, "CAPTION")) {
                dialog.caption = Text(ExpectString());
                caption = true;
            } else if (IsWord(t, "FONT")) {
                const Token& size_at = Peek();
                const uint32_t size = Expression();
                if (size == 0 || size > 0xFFFF)
                    FailAt(size_at, "font size " + std::to_string(size) + " out of range");
                dialog.font_size = uint16_t(size);
                ExpectComma();
                dialog.font_name = Text(ExpectString());
                if (IsPunct(Peek(), ',')) {
                    Next();
                    dialog.font_weight = uint16_t(Expression());
                }
                if (IsPunct(Peek(), ',')) {
                    Next();
                    dialog.font_italic = Expression() ? 1 : 0;
                }
                if (IsPunct(Peek(), ',')) {
                    Next();
                    dialog.font_charset = uint8_t(Expression());
                }
            } else if (t.kind == Kind::End) {
                FailAt(t, "expected BEGIN but found the end of the file");
            } else {
                FailAt(t, "unknown dialog statement " + Describe(t));
            }
        }
        // WS_POPUP | WS_BORDER | WS_SYSMENU without a STYLE statement; a caption and a font
        // bring their bits with them.
        dialog.style = style.value_or(0x80880000u);
        if (caption)
            dialog.style |= 0x00C00000u; // WS_CAPTION
        if (dialog.font_name)
            dialog.style |= 0x40u; // DS_SETFONT
        const Token& begin = ExpectBegin();
        for (;;) {
            CheckNotEnd(begin);
            if (IsEnd(Peek())) {
                Next();
                break;
            }
            dialog.controls.push_back(ControlStatement());
        }
        script_.dialogs.push_back(std::move(dialog));
    }

    struct ControlKind {
        std::string_view statement;
        std::string_view class_name;
        uint32_t style; // besides WS_CHILD | WS_VISIBLE
        bool has_text;
    };

    Control ControlStatement() {
        // The statements' classes and default styles as the resource compiler documents them.
        static constexpr ControlKind kKinds[] = {
            {"LTEXT", "STATIC", 0x00020000 | 0x0, true},
            {"RTEXT", "STATIC", 0x00020000 | 0x2, true},
            {"CTEXT", "STATIC", 0x00020000 | 0x1, true},
            {"EDITTEXT", "EDIT", 0x00800000 | 0x00010000, false},
            {"PUSHBUTTON", "BUTTON", 0x00010000 | 0x0, true},
            {"DEFPUSHBUTTON", "BUTTON", 0x00010000 | 0x1, true},
            {"CHECKBOX", "BUTTON", 0x00010000 | 0x2, true},
            {"AUTOCHECKBOX", "BUTTON", 0x00010000 | 0x3, true},
            {"RADIOBUTTON", "BUTTON", 0x00010000 | 0x4, true},
            {"AUTORADIOBUTTON", "BUTTON", 0x00010000 | 0x9, true},
            {"GROUPBOX", "BUTTON", 0x7, true},
            {"COMBOBOX", "COMBOBOX", 0x00010000 | 0x1, false},
            {"LISTBOX", "LISTBOX", 0x00800000 | 0x1, false},
            {"SCROLLBAR", "SCROLLBAR", 0x0, false},
        };
        constexpr uint32_t kChildVisible = 0x40000000u | 0x10000000u;
        const Token& t = Next();
        Control control;
        if (IsWord(t, "CONTROL")) {
            ControlText(control);
            ExpectComma();
            control.id = int32_t(Expression());
            ExpectComma();
            const Token& cls = Next();
            if (cls.kind == Kind::String && !cls.text.empty()) {
                control.class_name = Text(cls);
            } else if (cls.kind == Kind::Identifier &&
                       std::ranges::any_of(kKinds, [&](const ControlKind& k) {
                           return EqualsNoCase(k.class_name, cls.text);
                       })) {
                control.class_name = cls.text;
                std::ranges::transform(control.class_name, control.class_name.begin(),
                                       [](char c) { return char(std::toupper(uint8_t(c))); });
            } else {
                FailAt(cls, "expected a control class but found " + Describe(cls));
            }
            ExpectComma();
            control.style = kChildVisible | StyleExpression().set;
            ExpectComma();
            Geometry(control);
            if (IsPunct(Peek(), ',')) {
                Next();
                control.exstyle = Expression();
            }
            return control;
        }
        if (IsWord(t, "ICON")) {
            ControlText(control);
            ExpectComma();
            control.id = int32_t(Expression());
            ExpectComma();
            control.x = Coordinate();
            ExpectComma();
            control.y = Coordinate();
            control.class_name = "STATIC";
            Style style{0x3, 0, 0}; // SS_ICON
            if (IsPunct(Peek(), ',')) {
                Next();
                control.cx = Coordinate();
                ExpectComma();
                control.cy = Coordinate();
                OptionalStyles(control, style);
            }
            control.style = kChildVisible | style.set;
            return control;
        }
        const auto kind = std::ranges::find_if(
            kKinds, [&](const ControlKind& k) { return IsWord(t, k.statement); });
        if (kind == std::end(kKinds))
            FailAt(t, "expected a control statement or END but found " + Describe(t));
        control.class_name = kind->class_name;
        if (kind->has_text) {
            ControlText(control);
            ExpectComma();
        }
        control.id = int32_t(Expression());
        ExpectComma();
        Geometry(control);
        Style style{kind->style, 0, 0};
        OptionalStyles(control, style);
        // A combo box's type (simple, drop-down, drop-down list) is replaced, not added to.
        if (kind->class_name == "COMBOBOX" && (style.given & 0x3))
            style.set = (style.set & ~0x3u) | (style.given & 0x3);
        control.style = kChildVisible | style.set;
        return control;
    }

    void ControlText(Control& control) {
        const Token& t = Next();
        if (t.kind == Kind::String) {
            control.text = Text(t);
        } else if (t.kind == Kind::Number) {
            control.text_id = t.value;
        } else if (t.kind == Kind::Identifier) {
            control.text = Text(t); // a named resource, as ICON controls name their icon
        } else {
            FailAt(t, "expected a control text but found " + Describe(t));
        }
    }

    void Geometry(Control& control) {
        control.x = Coordinate();
        ExpectComma();
        control.y = Coordinate();
        ExpectComma();
        control.cx = Coordinate();
        ExpectComma();
        control.cy = Coordinate();
    }

    void OptionalStyles(Control& control, Style& style) {
        if (!IsPunct(Peek(), ','))
            return;
        Next();
        const Style given = StyleExpression();
        style.set = (style.set & ~given.cleared) | given.set;
        style.given = given.set;
        if (IsPunct(Peek(), ',')) {
            Next();
            control.exstyle = Expression();
        }
    }

    void IconResource(const Token& name_token) {
        Icon icon;
        icon.name = Name(name_token);
        CheckUnique(script_.icons, icon.name, name_token, "icon");
        SkipMemoryOptions();
        const Token& file = ExpectString();
        const fs::path path = (fs::path(*file.file).parent_path() / file.text).lexically_normal();
        const auto text = ReadFile(path);
        if (!text)
            FailAt(file, "cannot open icon file '" + file.text + "'");
        const std::vector<uint8_t> bytes(text->begin(), text->end());
        auto images = DecodeIconFile(bytes);
        if (!images)
            FailAt(file, "icon file '" + file.text + "': " + images.error());
        icon.images = std::move(*images);
        script_.files.push_back(path.string());
        script_.icons.push_back(std::move(icon));
    }

    Script& script_;
    std::vector<Token> tokens_;
    std::string path_;
    size_t pos_ = 0;
    std::map<uint32_t, int> string_lines_;
};

} // namespace

void Parse(Script& script, std::vector<Token> tokens, std::string path) {
    Parser(script, std::move(tokens), std::move(path)).Run();
}

} // namespace rc::reader
