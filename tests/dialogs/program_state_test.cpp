// ResetProgramState leaves the program as a new process has it: after a session that touches
// every part (start-up, the rows, the options sheet and its dialogs, About, shutdown), every
// variable of the program holds again the bytes it held after the first reset. The variables are
// found in the symbol table, so a global added later is checked without being named here.
#include "sheet_fixture.h"

#include "shell/program.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace platform::testing;

// The variables that a reset leaves alone on purpose, each by the function or scope that holds
// it ("" for a variable of its own) and its name.
struct Kept {
    const char* scope;
    const char* name;
};
const Kept kKept[] = {
    // A reset makes new objects for these.
    {"", "pGraphList"},
    {"", "pPluginList"},
    {"", "pluginListStore"},
    // The page objects live for the process, so a sheet that a shutdown ends from inside its own
    // loop never runs on freed pages; the next start makes new ones.
    {"", "windowPage"},
    {"", "graphGeneralPage"},
    {"", "graphDetailPage"},
    // The placeholder slot stays until the next load replaces it; nothing reaches it once
    // pPlaceholderPlugin is cleared.
    {"", "placeholderStore"},
    // Start-up fills the version object anew before pVersion points to it.
    {"InitializeApplication()", "version"},
    // ... and the program folder and the monitor table before they are read.
    {"Environment::Program", "szAppDirectory"},
    {"Environment::Monitor", "nMonitors"},
    {"Environment::Monitor", "rcMonitors"},
    {"Environment::Monitor", "rcWorkAreas"},
    // The number of the next temporary name only has to differ within the process.
    {"CreateOwnTemporary(", "next"},
    // ResetDrawnRows empties every row, but an emptied std::string keeps a short text's old bytes
    // in its own buffer, past its end: the bytes cannot show it.
    {"", "drawnRows"},
};

struct Symbol {
    std::string name; // mangled
    char type;
    uintptr_t value;
    size_t size;
};

// `nm -P` over a file: the defined symbols with their addresses and sizes.
std::vector<Symbol> Symbols(const std::string& file) {
    std::vector<Symbol> symbols;
    const std::string command = "nm -P --defined-only '" + file + "' 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return symbols;
    char line[4096];
    while (std::fgets(line, sizeof line, pipe)) {
        std::istringstream fields(line);
        Symbol s{};
        std::string value, size;
        if (!(fields >> s.name >> s.type >> value >> size))
            continue; // an archive member's heading, or a symbol without a size
        s.value = uintptr_t(std::stoull(value, nullptr, 16));
        s.size = size_t(std::stoull(size, nullptr, 16));
        symbols.push_back(s);
    }
    pclose(pipe);
    return symbols;
}

bool IsVariable(char type) {
    return std::strchr("bBdD", type) != nullptr;
}

// The plain name of a mangled one, for the messages and the list above.
std::string Demangled(const std::string& name) {
    FILE* pipe = popen(("c++filt '" + name + "'").c_str(), "r");
    char line[1024] = {};
    if (pipe) {
        if (!std::fgets(line, sizeof line, pipe))
            line[0] = '\0';
        pclose(pipe);
    }
    std::string text = line;
    while (!text.empty() && text.back() == '\n')
        text.pop_back();
    return text.empty() ? name : text;
}

std::string ShortName(const std::string& demangled) {
    const size_t colon = demangled.rfind("::");
    return colon == std::string::npos ? demangled : demangled.substr(colon + 2);
}

struct Variable {
    std::string name;
    const unsigned char* address;
    size_t size;
};

// Every variable that the program's library defines, where it lies in this test program.
std::vector<Variable> ProgramVariables() {
    std::set<std::string> names;
    for (const Symbol& s : Symbols(PELMORA_CORE_LIBRARY))
        if (IsVariable(s.type) && s.size > 0)
            names.insert(s.name);
    std::vector<Variable> variables;
    // Named by its path: "/proc/self" in the command would be nm itself.
    const std::vector<Symbol> own = Symbols(std::filesystem::read_symlink("/proc/self/exe"));
    uintptr_t load = 0;
    for (const Symbol& s : own)
        if (s.name == "_Z17ResetProgramStatev")
            load = reinterpret_cast<uintptr_t>(&ResetProgramState) - s.value;
    if (load == 0)
        return variables;
    for (const Symbol& s : own)
        if (IsVariable(s.type) && s.size > 0 && names.count(s.name))
            variables.push_back({Demangled(s.name),
                                 reinterpret_cast<const unsigned char*>(load + s.value), s.size});
    return variables;
}

class ProgramState : public SheetTest {};

TEST_F(ProgramState, ResetLeavesEveryVariableAsTheFirstResetLeftIt) {
    const std::vector<Variable> variables = ProgramVariables();
    // The program has tens of variables: an empty list means the symbols were not found.
    ASSERT_GT(variables.size(), 20u);
    std::vector<std::vector<unsigned char>> first;
    for (const Variable& v : variables)
        first.emplace_back(v.address, v.address + v.size);

    WriteSheetSettings("\tTrayIcon=1\r\n\tFade=0\r\n");
    Start();
    RunUntilIdle();
    AnswerNextDialog("ABOUT", DialogScript().Click(IDOK));
    SendMessageA(Window(), WM_COMMAND, IDM_ABOUT, 0);
    RunUntilIdle();
    AnswerNextDialog("OPTION_GRAPH_DETAIL_INFO", DialogScript().Click(IDOK));
    AnswerNextDialog("OPTION_GRAPH_DETAIL_CHANGE_SETTINGS", DialogScript().Click(IDCANCEL));
    DialogScript script;
    script.Then(SelectSheetPage(1))
        .Then(SelectSheetPage(2))
        .Click(IDC_DETAIL_INFO)
        .Click(IDC_DETAIL_CHANGEALL)
        .Then(PressSheetButton(IDOK));
    ASSERT_TRUE(OpenSheet(std::move(script)));
    ShutDown();
    ResetProgramState();

    for (size_t i = 0; i < variables.size(); ++i) {
        const Variable& v = variables[i];
        const bool kept = std::any_of(std::begin(kKept), std::end(kKept), [&](const Kept& k) {
            return ShortName(v.name) == k.name && v.name.find(k.scope) != std::string::npos;
        });
        if (kept)
            continue;
        EXPECT_EQ(std::memcmp(first[i].data(), v.address, v.size), 0)
            << v.name << " (" << v.size << " bytes) is not reset";
    }
}

} // namespace
