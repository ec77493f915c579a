// Small data sources for the display tests: each is a plug-in slot with fixed entry points that
// return what the test set for it, and a log of the calls the display made.
#pragma once

#include "plugin_host/plugin_list.h"

#include <string>
#include <vector>

namespace sources {

constexpr int MAX_TEST_SOURCES = 8;

struct SourceSetup {
    const char* identifier;
    const char* name;
    DWORD type = PMP_TYPE_REGULAR;
    DWORD graphs = PMP_GRAPHS_TWO;
    DWORD params = 10;
    DWORD items = 1;
    const char* defaultFormat = "$1%";
};

// Empties the plug-in list (32 zero slots, none in use) and the call log.
void Reset();
// Puts a source into the next slot and counts it; returns its index.
int Add(const SourceSetup& setup);
COnePlugin* Plugin(int source);
// The record PMPGetData of item j fills in (texts are copied and kept by the source).
void SetData(int source, DWORD j, DWORD maximum, DWORD value1, DWORD value2,
             const std::vector<std::string>& params = {});
const PMPDATA& Data(int source, DWORD j);
// The record address an irregular source received for item j in PMPBeforeOperation.
PMPDATA* Received(int source, DWORD j);
// "before <source> <item> <row> <window?> <record?>", "after <source> <item>", "get ..."
std::vector<std::string>& Calls();
int CountCalls(const std::string& prefix);

// Two regular sources under the identifiers of the default rows, one item each.
void AddDefaultSources();

} // namespace sources
