// A second program using the layer: opens a section by name, prints the text at its start, and
// answers with a text of its own at offset 64. Exit 0 when it could, 2 when it could not.
#include <windows.h>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    if (argc != 2)
        return 2;
    HANDLE section = OpenFileMappingA(FILE_MAP_WRITE, FALSE, argv[1]);
    if (!section)
        return 2;
    char* view = static_cast<char*>(MapViewOfFile(section, FILE_MAP_WRITE, 0, 0, 0));
    if (!view)
        return 2;
    std::printf("%.63s", view);
    std::strcpy(view + 64, "answered by the peer");
    UnmapViewOfFile(view);
    CloseHandle(section);
    return 0;
}
