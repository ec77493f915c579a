// A second program using the layer: opens a mutex by name and, a line at a time on its input,
// takes it ("take": "taken" or "abandoned"), releases it ("release": "released" or "refused"),
// adds one to the number in the section of the same name followed by " count", N times, taking
// the mutex for each ("count N": "counted"), or ends at once, releasing nothing ("end").
// Exit 2 when the mutex cannot be opened (it answers "absent" first).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sched.h>
#include <string>

namespace {

void Answer(const char* text) {
    std::printf("%s\n", text);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2)
        return 2;
    HANDLE mutex = OpenMutexA(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, argv[1]);
    if (!mutex) {
        Answer("absent");
        return 2;
    }
    char line[64];
    while (std::fgets(line, sizeof line, stdin)) {
        if (std::strncmp(line, "take", 4) == 0) {
            DWORD result = WaitForSingleObject(mutex, INFINITE);
            Answer(result == WAIT_OBJECT_0      ? "taken"
                   : result == WAIT_ABANDONED_0 ? "abandoned"
                                                : "failed");
        } else if (std::strncmp(line, "release", 7) == 0) {
            Answer(ReleaseMutex(mutex) ? "released" : "refused");
        } else if (std::strncmp(line, "count ", 6) == 0) {
            std::string name = std::string(argv[1]) + " count";
            HANDLE section = OpenFileMappingA(FILE_MAP_WRITE, FALSE, name.c_str());
            auto* number =
                section
                    ? static_cast<volatile long*>(MapViewOfFile(section, FILE_MAP_WRITE, 0, 0, 0))
                    : nullptr;
            if (!number) {
                Answer("failed");
                continue;
            }
            for (long n = std::atol(line + 6); n > 0; --n) {
                WaitForSingleObject(mutex, INFINITE);
                long seen = *number;
                sched_yield(); // let another writer in, were the mutex not there
                *number = seen + 1;
                ReleaseMutex(mutex);
            }
            UnmapViewOfFile(const_cast<long*>(number));
            CloseHandle(section);
            Answer("counted");
        } else if (std::strncmp(line, "end", 3) == 0) {
            std::fflush(stdout);
            std::_Exit(0);
        }
    }
    CloseHandle(mutex);
    return 0;
}
