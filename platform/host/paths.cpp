#include "host/paths.h"

#include "host/codepage.h"

#include <cctype>

namespace platform::host {

namespace {

std::function<std::vector<DriveMapping>()>& Provider() {
    static std::function<std::vector<DriveMapping>()> provider;
    return provider;
}

} // namespace

std::vector<DriveMapping> DriveMap() {
    if (Provider())
        return Provider()();
    return {{'C', "/"}};
}

void SetDriveMapProvider(std::function<std::vector<DriveMapping>()> provider) {
    Provider() = std::move(provider);
}

std::optional<std::string> WindowsToLinuxPath(std::string_view ansi_path) {
    std::string path = AnsiToUtf8(ansi_path);
    std::string rest = path;
    std::string root;
    if (path.size() >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':') {
        char letter = char(std::toupper(static_cast<unsigned char>(path[0])));
        bool found = false;
        for (const DriveMapping& drive : DriveMap()) {
            if (drive.letter == letter) {
                root = drive.root;
                found = true;
                break;
            }
        }
        if (!found)
            return std::nullopt;
        rest = path.substr(2);
    }
    for (char& c : rest) {
        if (c == '\\')
            c = '/';
    }
    if (root.empty())
        return rest;
    if (rest.empty() || rest[0] != '/')
        rest.insert(rest.begin(), '/');
    if (root == "/")
        return rest;
    return root + rest;
}

std::string LinuxToWindowsPath(std::string_view linux_path) {
    const DriveMapping* best = nullptr;
    std::vector<DriveMapping> drives = DriveMap();
    for (const DriveMapping& drive : drives) {
        bool prefix =
            drive.root == "/" ||
            (linux_path.starts_with(drive.root) &&
             (linux_path.size() == drive.root.size() || linux_path[drive.root.size()] == '/'));
        if (prefix && (!best || drive.root.size() > best->root.size()))
            best = &drive;
    }
    std::string rest(linux_path);
    if (best && best->root != "/")
        rest = rest.substr(best->root.size());
    for (char& c : rest) {
        if (c == '/')
            c = '\\';
    }
    std::string windows;
    if (best) {
        windows.push_back(best->letter);
        windows.push_back(':');
    }
    if (rest.empty())
        windows.push_back('\\');
    windows.append(rest);
    return Utf8ToAnsi(windows);
}

} // namespace platform::host
