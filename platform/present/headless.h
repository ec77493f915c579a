// Headless presentation: windows exist, paint and receive messages inside the process only.
// In every back end, PELMORA_PLATFORM_SNAPSHOT names a folder where each top-level window is
// written to <folder>/<title>.png once it and its children have painted.
#pragma once

#include "present/backend.h"

#include <memory>
#include <optional>
#include <string>

namespace platform::present {

std::unique_ptr<Backend> MakeHeadlessBackend();

// The snapshot folder in force (the environment's, unless a test set another), if any.
std::optional<std::string> SnapshotFolder();
// Overrides the folder; nothing goes back to the environment's.
void SetSnapshotFolder(std::optional<std::string> folder);
// Writes the top-level window's picture to the snapshot folder, creating the folder when it is
// missing; when it cannot be created or written, says so once on standard error.
void WriteSnapshot(HWND top);

} // namespace platform::present
