#include "script_reader.h"

#include <cstring>
#include <map>

namespace rc::reader {

namespace {

namespace fs = std::filesystem;

// Headers of the system that scripts include for the style constants, which are built in here.
bool IsSystemHeader(std::string_view name) {
    static constexpr std::string_view kHeaders[] = {"windows.h", "winres.h",   "winresrc.h",
                                                    "winuser.h", "commctrl.h", "afxres.h"};
    return std::ranges::any_of(kHeaders, [&](std::string_view h) { return EqualsNoCase(h, name); });
}

class Preprocessor {
public:
    Preprocessor(Script& script, std::deque<std::string>& files) : script_(script), files_(files) {}

    void Run(const std::string& path, const std::string& text, std::vector<Token>& out) {
        Lex(path, text, 0, out);
    }

private:
    static constexpr int kMaxIncludeDepth = 16;

    struct Conditional {
        bool active; // this branch's lines are read
        bool parent; // the enclosing branch is read
        bool seen_else = false;
        int line;
    };

    const std::string* Intern(const std::string& file) {
        files_.push_back(file);
        return &files_.back();
    }

    void Lex(const std::string& path, const std::string& source, int depth,
             std::vector<Token>& out) {
        const std::string* file = Intern(path);
        std::string text = source;
        if (text.starts_with("\xEF\xBB\xBF"))
            text.erase(0, 3);
        std::vector<Conditional> conditionals;
        size_t i = 0;
        int line = 1;
        bool line_start = true;
        auto active = [&] { return conditionals.empty() || conditionals.back().active; };
        while (i < text.size()) {
            const char c = text[i];
            if (c == '\n') {
                ++line;
                ++i;
                line_start = true;
                continue;
            }
            if (c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v') {
                ++i;
                continue;
            }
            if (c == '/' && i + 1 < text.size() && text[i + 1] == '/') {
                while (i < text.size() && text[i] != '\n')
                    ++i;
                continue;
            }
            if (c == '/' && i + 1 < text.size() && text[i + 1] == '*') {
                const int start = line;
                i += 2;
                while (i + 1 < text.size() && !(text[i] == '*' && text[i + 1] == '/')) {
                    if (text[i] == '\n')
                        ++line;
                    ++i;
                }
                if (i + 1 >= text.size())
                    Fail(*file, start, "unterminated comment");
                i += 2;
                continue;
            }
            if (c == '#' && line_start) {
                // The directive runs to the end of the line; a backslash continues it.
                const int directive_line = line;
                std::string body;
                ++i;
                while (i < text.size() && text[i] != '\n') {
                    if (text[i] == '\\' && i + 1 < text.size() &&
                        (text[i + 1] == '\n' ||
                         (text[i + 1] == '\r' && i + 2 < text.size() && text[i + 2] == '\n'))) {
                        i += text[i + 1] == '\n' ? 2 : 3;
                        ++line;
                        body += ' ';
                        continue;
                    }
                    body += text[i++];
                }
                Directive(*file, directive_line, body, depth, conditionals, out);
                continue;
            }
            line_start = false;
            if (!active()) {
                while (i < text.size() && text[i] != '\n')
                    ++i;
                continue;
            }
            LexToken(text, i, line, file, out);
        }
        if (!conditionals.empty())
            Fail(*file, conditionals.back().line, "#if block without #endif");
    }

    // One token at text[i]; defined names are replaced by their tokens.
    void LexToken(const std::string& text, size_t& i, int& line, const std::string* file,
                  std::vector<Token>& out) {
        const char c = text[i];
        Token t;
        t.file = file;
        t.line = line;
        if (c == 'L' && i + 1 < text.size() && text[i + 1] == '"') {
            ++i; // a wide string reads as a plain one: every text becomes ANSI
            LexToken(text, i, line, file, out);
            return;
        }
        if (IsIdentStart(c)) {
            size_t j = i;
            while (j < text.size() && IsIdentChar(text[j]))
                ++j;
            t.kind = Kind::Identifier;
            t.text = text.substr(i, j - i);
            i = j;
            if (auto d = defines_.find(t.text); d != defines_.end()) {
                for (Token r : d->second) {
                    r.file = file;
                    r.line = line;
                    out.push_back(std::move(r));
                }
                return;
            }
            out.push_back(std::move(t));
            return;
        }
        if (std::isdigit(uint8_t(c))) {
            size_t j = i;
            while (j < text.size() && IsIdentChar(text[j]))
                ++j;
            t.kind = Kind::Number;
            t.text = text.substr(i, j - i);
            i = j;
            t.value = ParseNumber(t.text, *file, line);
            out.push_back(std::move(t));
            return;
        }
        if (c == '"') {
            t.kind = Kind::String;
            ++i;
            for (;;) {
                if (i >= text.size() || text[i] == '\n' || text[i] == '\r')
                    Fail(*file, t.line, "unterminated string");
                const char s = text[i];
                if (s == '"') {
                    if (i + 1 < text.size() && text[i + 1] == '"') {
                        t.text += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                if (s == '\\') {
                    if (i + 1 >= text.size())
                        Fail(*file, t.line, "unterminated string");
                    const char e = text[i + 1];
                    switch (e) {
                    case 'n':
                        t.text += '\n';
                        break;
                    case 't':
                        t.text += '\t';
                        break;
                    case 'r':
                        t.text += '\r';
                        break;
                    case 'a':
                        t.text += '\a';
                        break;
                    case '\\':
                        t.text += '\\';
                        break;
                    case '"':
                        t.text += '"';
                        break;
                    default:
                        Fail(*file, line, std::string("unknown escape '\\") + e + "' in a string");
                    }
                    i += 2;
                    continue;
                }
                t.text += s;
                ++i;
            }
            out.push_back(std::move(t));
            return;
        }
        if (std::strchr(",|{}()+-~&", c)) {
            t.kind = Kind::Punct;
            t.text = std::string(1, c);
            ++i;
            out.push_back(std::move(t));
            return;
        }
        Fail(*file, line, std::string("unexpected character '") + c + "'");
    }

    static uint32_t ParseNumber(const std::string& s, const std::string& file, int line) {
        size_t end = s.size();
        while (end > 0 &&
               (s[end - 1] == 'L' || s[end - 1] == 'l' || s[end - 1] == 'U' || s[end - 1] == 'u'))
            --end;
        std::string digits = s.substr(0, end);
        int base = 10;
        if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
            base = 16;
            digits.erase(0, 2);
        }
        uint64_t value = 0;
        bool ok = !digits.empty() && end - (base == 16 ? 2 : 0) > 0 && digits.size() <= 10;
        for (char d : digits) {
            int v = -1;
            if (d >= '0' && d <= '9')
                v = d - '0';
            else if (base == 16 && std::isxdigit(uint8_t(d)))
                v = std::tolower(uint8_t(d)) - 'a' + 10;
            if (v < 0) {
                ok = false;
                break;
            }
            value = value * base + v;
        }
        if (!ok || value > 0xFFFFFFFFu)
            Fail(file, line, "bad number '" + s + "'");
        return uint32_t(value);
    }

    void Directive(const std::string& file, int line, const std::string& body, int depth,
                   std::vector<Conditional>& conditionals, std::vector<Token>& out) {
        size_t p = 0;
        auto skip_space = [&] {
            while (p < body.size() && (body[p] == ' ' || body[p] == '\t' || body[p] == '\r'))
                ++p;
        };
        auto word = [&] {
            skip_space();
            size_t s = p;
            while (p < body.size() && IsIdentChar(body[p]))
                ++p;
            return body.substr(s, p - s);
        };
        const std::string name = word();
        const bool active = conditionals.empty() || conditionals.back().active;
        if (name == "ifdef" || name == "ifndef") {
            const std::string macro = word();
            if (macro.empty())
                Fail(file, line, "#" + name + " without a name");
            const bool defined = defines_.contains(macro);
            conditionals.push_back({active && (defined == (name == "ifdef")), active, false, line});
            return;
        }
        if (name == "else") {
            if (conditionals.empty() || conditionals.back().seen_else)
                Fail(file, line, "#else without #if");
            Conditional& c = conditionals.back();
            c.active = c.parent && !c.active;
            c.seen_else = true;
            return;
        }
        if (name == "endif") {
            if (conditionals.empty())
                Fail(file, line, "#endif without #if");
            conditionals.pop_back();
            return;
        }
        if (!active)
            return;
        if (name == "define") {
            const std::string macro = word();
            if (macro.empty() || !IsIdentStart(macro[0]))
                Fail(file, line, "#define without a name");
            if (p < body.size() && body[p] == '(')
                Fail(file, line, "#define with parameters is not supported");
            std::vector<Token> value;
            std::string rest = body.substr(p);
            size_t i = 0;
            int l = line;
            const std::string* f = Intern(file);
            while (i < rest.size()) {
                const char c = rest[i];
                if (c == ' ' || c == '\t' || c == '\r') {
                    ++i;
                    continue;
                }
                if (c == '/' && i + 1 < rest.size() && (rest[i + 1] == '/' || rest[i + 1] == '*'))
                    break; // a comment behind the value
                LexToken(rest, i, l, f, value);
            }
            defines_[macro] = std::move(value);
            return;
        }
        if (name == "undef") {
            defines_.erase(word());
            return;
        }
        if (name == "pragma")
            return;
        if (name == "include") {
            skip_space();
            if (p >= body.size() || (body[p] != '"' && body[p] != '<'))
                Fail(file, line, "#include without a file name");
            const char close = body[p] == '"' ? '"' : '>';
            const size_t end = body.find(close, p + 1);
            if (end == std::string::npos)
                Fail(file, line, "#include without a closing " + std::string(1, close));
            const std::string include = body.substr(p + 1, end - p - 1);
            const fs::path path = fs::path(file).parent_path() / include;
            auto text = ReadFile(path);
            if (!text) {
                if (close == '>' || IsSystemHeader(include))
                    return;
                Fail(file, line, "cannot open include file '" + include + "'");
            }
            if (depth + 1 > kMaxIncludeDepth)
                Fail(file, line, "#include nests too deeply");
            script_.files.push_back(path.lexically_normal().string());
            Lex(path.lexically_normal().string(), *text, depth + 1, out);
            return;
        }
        Fail(file, line, "unknown preprocessor directive '#" + name + "'");
    }

    Script& script_;
    std::deque<std::string>& files_;
    std::map<std::string, std::vector<Token>> defines_;
};

} // namespace

void Preprocess(Script& script, const std::string& path, const std::string& text,
                std::deque<std::string>& files, std::vector<Token>& out) {
    Preprocessor(script, files).Run(path, text, out);
}

} // namespace rc::reader
