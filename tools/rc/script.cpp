// The resource script reader: the preprocessor's token list read by the parser.
#include "script.h"

#include "script_reader.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iconv.h>

namespace rc {

std::string Diagnostic::Format() const {
    if (line > 0)
        return file + ":" + std::to_string(line) + ": error: " + message;
    return file + ": error: " + message;
}

std::optional<std::string> Utf8ToCp932(const std::string& utf8) {
    if (utf8.empty())
        return std::string();
    iconv_t cd = iconv_open("CP932", "UTF-8");
    if (cd == iconv_t(-1))
        return std::nullopt;
    std::string out(utf8.size() * 2 + 8, '\0');
    char* in = const_cast<char*>(utf8.data());
    size_t in_left = utf8.size();
    char* o = out.data();
    size_t out_left = out.size();
    // Every UTF-8 character takes at least as many bytes as its form in code page 932, so the
    // output cannot run short; any failure is a character that has no form there.
    const size_t r = iconv(cd, &in, &in_left, &o, &out_left);
    iconv_close(cd);
    if (r == size_t(-1) || in_left != 0)
        return std::nullopt;
    out.resize(out.size() - out_left);
    return out;
}

namespace reader {

std::optional<std::string> ReadFile(const std::filesystem::path& path) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::string text;
    char buffer[4096];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0)
        text.append(buffer, size_t(in.gcount()));
    if (in.bad())
        return std::nullopt;
    return text;
}

} // namespace reader

Expected<Script, Diagnostic> ParseScriptText(const std::string& text, const std::string& path) {
    Script script;
    script.files.push_back(path);
    try {
        std::deque<std::string> files; // the names the tokens point at
        std::vector<reader::Token> tokens;
        reader::Preprocess(script, path, text, files, tokens);
        reader::Parse(script, std::move(tokens), path);
    } catch (const reader::ScriptError& e) {
        return Unexpected(e.diagnostic);
    }
    return script;
}

Expected<Script, Diagnostic> ParseScriptFile(const std::string& path) {
    auto text = reader::ReadFile(path);
    if (!text)
        return Unexpected(
            Diagnostic{path, 0, std::string("cannot open file: ") + std::strerror(errno)});
    return ParseScriptText(*text, path);
}

} // namespace rc
