// The named constants that resource scripts may use in numeric expressions without defining
// them: window, dialog and control styles, common identifiers.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace rc {

std::optional<uint32_t> FindConstant(std::string_view name);

} // namespace rc
