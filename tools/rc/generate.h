// Writing a parsed script as the C++ source of a module's resource table.
#pragma once

#include "script.h"

#include <string>
#include <vector>

namespace rc {

// The generated source: the table as the one exported symbol PelmoraResourceTable
// (user32/resource_table.h describes it).
std::string GenerateSource(const Script& script, const std::string& script_path);

// A depfile in Make syntax: `target` depends on every file in `files`.
std::string GenerateDepfile(const std::string& target, const std::vector<std::string>& files);

} // namespace rc
