#include "test_sources.h"

#include <array>
#include <cstring>
#include <deque>
#include <string>
#include <utility>

namespace sources {
namespace {

struct Source {
    std::string identifier, name, defaultFormat;
    PMPDATA data[MAX_PLUGIN_ITEMS] = {};
    PMPDATA* received[MAX_PLUGIN_ITEMS] = {};
    std::deque<std::string> texts; // keeps the parameter texts' addresses stable
};

std::array<Source, MAX_TEST_SOURCES> table;
int used = 0;
std::vector<std::string> calls;
std::unique_ptr<COnePlugin> placeholder;

template <int N> void WINAPI Before(DWORD j, HWND window, DWORD row, PMPDATA* data) {
    calls.push_back("before " + std::to_string(N) + " " + std::to_string(j) + " " +
                    std::to_string(row) + " " + (window != nullptr ? "1" : "0") + " " +
                    (data != nullptr ? "1" : "0"));
    if (j < MAX_PLUGIN_ITEMS)
        table[N].received[j] = data;
}

template <int N> void WINAPI After(DWORD j) {
    calls.push_back("after " + std::to_string(N) + " " + std::to_string(j));
}

template <int N> void WINAPI GetData(DWORD j, PMPDATA* data) {
    calls.push_back("get " + std::to_string(N) + " " + std::to_string(j));
    if (j < MAX_PLUGIN_ITEMS)
        *data = table[N].data[j];
}

template <int N> void Install(PMPPROCEDURES* procedures) {
    procedures->pfnBeforeOperation = Before<N>;
    procedures->pfnAfterOperation = After<N>;
    procedures->pfnGetData = GetData<N>;
}

template <size_t... N>
void InstallFor(int source, PMPPROCEDURES* procedures, std::index_sequence<N...>) {
    ((source == int(N) ? Install<int(N)>(procedures) : void()), ...);
}

} // namespace

void Reset() {
    CreatePluginList();
    for (DWORD i = 0; i < MAX_PLUGINS; ++i)
        pPluginList->push_back(std::make_unique<COnePlugin>());
    SetPluginCount(0);
    SetDataItemCount(0);
    // The loader makes the placeholder of failed bindings; these tests do without the loader.
    placeholder = std::make_unique<COnePlugin>();
    pPlaceholderPlugin = placeholder.get();
    for (Source& source : table)
        source = Source{};
    used = 0;
    calls.clear();
}

int Add(const SourceSetup& setup) {
    int index = used++;
    Source& source = table[index];
    source.identifier = setup.identifier;
    source.name = setup.name;
    source.defaultFormat = setup.defaultFormat;
    COnePlugin* plugin = Plugin(index);
    lstrcpynA(plugin->Identifier, setup.identifier, sizeof plugin->Identifier);
    PMPINFO* info = plugin->GetInfo();
    info->dwType = setup.type;
    info->pszName = source.name.c_str();
    info->dwAvailableGraphs = setup.graphs;
    info->dwFormatParams = setup.params;
    info->pszDefaultFormat = source.defaultFormat.c_str();
    info->pszDescription = "test source";
    info->dwDataItems = setup.items;
    InstallFor(index, plugin->GetProcedures(), std::make_index_sequence<MAX_TEST_SOURCES>());
    SetPluginCount(DWORD(used));
    SetDataItemCount(GetDataItemCount() + setup.items);
    return index;
}

COnePlugin* Plugin(int source) {
    return GetPluginSlot(DWORD(source));
}

void SetData(int source, DWORD j, DWORD maximum, DWORD value1, DWORD value2,
             const std::vector<std::string>& params) {
    PMPDATA& data = table[source].data[j];
    std::memset(&data, 0, sizeof data);
    data.dwMaxValue = maximum;
    data.dwCurrentValue1 = value1;
    data.dwCurrentValue2 = value2;
    for (size_t k = 0; k < params.size() && k < PMP_MAX_FORMAT_PARAMS; ++k) {
        table[source].texts.push_back(params[k]);
        data.pszFormatParams[k] = table[source].texts.back().c_str();
    }
}

const PMPDATA& Data(int source, DWORD j) {
    return table[source].data[j];
}

PMPDATA* Received(int source, DWORD j) {
    return table[source].received[j];
}

std::vector<std::string>& Calls() {
    return calls;
}

int CountCalls(const std::string& prefix) {
    int n = 0;
    for (const std::string& call : calls)
        if (call.starts_with(prefix))
            ++n;
    return n;
}

void AddDefaultSources() {
    Add({.identifier = "Internal:VirtualMemory", .name = "Virtual memory"});
    Add({.identifier = "Internal:CPUUsage", .name = "CPU usage"});
}

} // namespace sources
