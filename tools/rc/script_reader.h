// The two steps of reading a resource script and what they share: the preprocessor (#define of
// constants, #include of headers of defines, #ifdef blocks, comments) turns the files into one
// token list, and the parser reads the statements pelmora-rc supports from it. The first error
// ends the reading, thrown as a ScriptError; it names file and line.
#pragma once

#include "script.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rc::reader {

// Unwinds the recursive reader to ParseScriptText, which turns it into the returned error.
struct ScriptError {
    Diagnostic diagnostic;
};

enum class Kind { Identifier, Number, String, Punct, End };

struct Token {
    Kind kind = Kind::End;
    std::string text; // identifier, punctuation, number as written, or the string's UTF-8 value
    uint32_t value = 0;
    const std::string* file = nullptr;
    int line = 0;
};

[[noreturn]] inline void Fail(const std::string& file, int line, std::string message) {
    throw ScriptError{Diagnostic{file, line, std::move(message)}};
}

inline bool EqualsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(uint8_t(x)) == std::toupper(uint8_t(y));
           });
}

inline bool IsIdentStart(char c) {
    return std::isalpha(uint8_t(c)) || c == '_';
}
inline bool IsIdentChar(char c) {
    return std::isalnum(uint8_t(c)) || c == '_';
}

// The whole of a regular file, or nothing when it is missing, is a folder or cannot be read.
std::optional<std::string> ReadFile(const std::filesystem::path& path);

// Appends the tokens of `text`, read as the file `path`, and of the headers it includes to
// `out`. Each token points at its file's name, which is kept in `files`: the tokens must not
// outlive it.
void Preprocess(Script& script, const std::string& path, const std::string& text,
                std::deque<std::string>& files, std::vector<Token>& out);

// Reads the statements of `tokens` into `script`; `path` names the end of the input.
void Parse(Script& script, std::vector<Token> tokens, std::string path);

} // namespace rc::reader
