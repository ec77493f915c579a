// What the source tests share: the settings store, the registry of built-in sources, a machine
// tree to point the host readings at, and sampling functions.
#pragma once

#include "plugin_host/plugin_list.h"
#include "plugin_sdk/pmp.h"
#include "settings/drive_profile.h"
#include "sources/internal_plugins.h"
#include "sources/sources.h"
#include "testing/desktop.h"
#include "testing/temporary_folder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

using platform::testing::MachineTree;

// A network interface of a machine tree: its byte counts and its link speed.
struct Interface {
    std::string name;
    uint64_t rx, tx;
    int speedMbps;
};
// Writes the interfaces to proc/net/dev and sys/class/net/<name>, all of them up.
void WriteInterfaces(const MachineTree& tree, const std::vector<Interface>& interfaces);

// A fresh settings store and registry; the sources reach both as in the program.
class SourceTest : public ::testing::Test {
protected:
    SourceTest();
    ~SourceTest() override;

    template <typename Source> Source* Plugin(int index) {
        return static_cast<Source*>(pInternalPlugins->Plugins[index].get());
    }
    // Initialize of source index into info_[index].
    void Initialize(int index);
    // Initialize, then BeforeOperation of each item.
    void Start(int index, std::vector<DWORD> items = {0});
    // One GetData into a zeroed record.
    PMPDATA Sample(int index, DWORD item = 0);
    CDriveProfileCategory* Category(LPCSTR name) { return profile_->GetCategory(name); }

    std::unique_ptr<CDriveProfile> profile_;
    PMPINFO info_[INTERNAL_PLUGIN_COUNT] = {};
};

std::string Param(const PMPDATA& data, int i);
// The parameters %1 .. %count of a record.
std::vector<std::string> Params(const PMPDATA& data, int count);
// The resource string as the shell loads it from the resource library, copied.
std::string ResourceString(UINT id);
