#include "settings/settings_file.h"

#include "resource.h"
#include "settings/drive_profile.h"
#include "settings/literals.h"
#include "shell/environment.h"
#include "shell/program.h"

bool bSettingsLoaded = false;

namespace {

constexpr CHAR FatalMessageFormat[] = "%s\r\n%s";

// The program directory (at most MAX_PATH - 1 characters) and the file name.
constexpr int SETTINGS_PATH_SIZE = MAX_PATH + sizeof(Literals::SettingsFileName);

bool BuildSettingsPath(CHAR (&path)[SETTINGS_PATH_SIZE]) {
    LPCSTR folder = GetApplicationDirectory();
    if (lstrlenA(folder) + lstrlenA(Literals::SettingsFileName) >= SETTINGS_PATH_SIZE)
        return false;
    wsprintfA(path, Literals::TwoStringsFormat, folder, Literals::SettingsFileName);
    return true;
}

} // namespace

void LoadSettingsFile() {
    SetDriveProfile(new CDriveProfile);
    CHAR path[SETTINGS_PATH_SIZE];
    // A folder too long to name the file in is treated as a missing file.
    if (BuildSettingsPath(path) && !GetDriveProfile()->Load(path)) {
        // The error text loads its own string into the same shared buffer: copy the first.
        CHAR lead[256];
        lstrcpynA(lead, LoadResourceString(IDS_SETTINGS_FILE_ERROR), sizeof lead);
        CHAR message[sizeof lead + PROFILE_TEXT_MAX + 4];
        wsprintfA(message, FatalMessageFormat, lead, GetDriveProfile()->GetErrorText());
        // bSettingsLoaded stays clear, so the shutdown steps leave the faulty file alone.
        FatalExit(message);
    }
    // A file that is there but could not be read stays as it is: the program runs on its
    // defaults, as for a missing file, but does not write them over it.
    bSettingsLoaded = !GetDriveProfile()->FileUnreadable;
}

void SaveSettingsFile() {
    if (!bSettingsLoaded || !GetDriveProfile())
        return;
    CHAR path[SETTINGS_PATH_SIZE];
    if (BuildSettingsPath(path))
        GetDriveProfile()->Save(path);
}

LPCSTR CDriveProfile::GetErrorText() {
    lstrcpynA(ResBuf, LoadResourceString(ErrorEnum), sizeof ResBuf);
    if (ErrorEnum == PROFILE_ERROR_STRAY_TEXT) {
        // The stray text may hold up to PROFILE_TOKEN_MAX characters; the message is cut after
        // formatting (wsprintfA itself stops at 1,024 bytes).
        CHAR message[1024];
        wsprintfA(message, ResBuf, ErrorIdentifier);
        CopyProfileText(szReturn, message);
    } else {
        CopyProfileText(szReturn, ResBuf);
    }
    return szReturn;
}
