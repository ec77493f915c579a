// pelmora-rc <script.rc> -o <out.cpp> [-d <out.d>]: compiles a resource script into the C++
// source of a module's resource table, and optionally a depfile of every file it read.
#include "generate.h"
#include "script.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

int Usage() {
    std::fprintf(stderr, "usage: pelmora-rc <script.rc> -o <out.cpp> [-d <out.d>]\n");
    return 2;
}

bool WriteFile(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (!out) {
        std::fprintf(stderr, "pelmora-rc: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    std::string script_path, out_path, dep_path;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-o") == 0 && i + 1 < argc)
            out_path = argv[++i];
        else if (std::strcmp(argv[i], "-d") == 0 && i + 1 < argc)
            dep_path = argv[++i];
        else if (argv[i][0] != '-' && script_path.empty())
            script_path = argv[i];
        else
            return Usage();
    }
    if (script_path.empty() || out_path.empty())
        return Usage();

    auto script = rc::ParseScriptFile(script_path);
    if (!script) {
        std::fprintf(stderr, "%s\n", script.error().Format().c_str());
        // No output of an earlier run may stand in for this one.
        std::error_code ignored;
        std::filesystem::remove(out_path, ignored);
        return 1;
    }
    if (!WriteFile(out_path, rc::GenerateSource(*script, script_path)))
        return 1;
    if (!dep_path.empty() && !WriteFile(dep_path, rc::GenerateDepfile(out_path, script->files)))
        return 1;
    return 0;
}
