// The layer's side of the process: how ExitProcess ends it, and the version it reports.
#pragma once

#include <windows.h>

#include <functional>

namespace platform {

// Called by ExitProcess in place of ending the process when set; it must not return (a test
// desktop throws to get back to the test). An empty function restores the real exit.
void SetExitHandler(std::function<void(UINT)> handler);

struct ReportedVersion {
    DWORD major, minor, build;
};
// The version GetVersionExA reports (default 10.0.19045).
void SetReportedVersion(ReportedVersion version);

} // namespace platform
