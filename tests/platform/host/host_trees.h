// Machine trees for the host readings: the checked-in fixtures, and small trees made on the
// spot (MachineTree) for the cases a fixture would only hide.
#pragma once

#include "testing/temporary_folder.h"

#include <string>
#include <string_view>

namespace host_trees {

inline std::string Fixture(std::string_view name) {
    return std::string(PELMORA_TEST_FIXTURES) + "/host/" + std::string(name);
}

} // namespace host_trees
