#include "kernel32/errors.h"

#include <cerrno>
#include <cstring>

namespace platform {

namespace {

thread_local DWORD last_error = 0;

struct Message {
    DWORD code;
    std::string_view text;
};

// The texts of the codes that the layer sets, in our own words.
constexpr Message kMessages[] = {
    {ERROR_SUCCESS, "The operation completed successfully.\r\n"},
    {ERROR_INVALID_FUNCTION, "The function is not valid for this object.\r\n"},
    {ERROR_FILE_NOT_FOUND, "The file could not be found.\r\n"},
    {ERROR_PATH_NOT_FOUND, "The path could not be found.\r\n"},
    {ERROR_TOO_MANY_OPEN_FILES, "Too many files are open.\r\n"},
    {ERROR_ACCESS_DENIED, "Access was denied.\r\n"},
    {ERROR_INVALID_HANDLE, "The handle is not valid.\r\n"},
    {ERROR_NOT_ENOUGH_MEMORY, "There is not enough memory to complete the operation.\r\n"},
    {ERROR_INVALID_DATA, "The data is not valid.\r\n"},
    {ERROR_OUTOFMEMORY, "The system ran out of memory.\r\n"},
    {ERROR_NO_MORE_FILES, "There are no more files.\r\n"},
    {ERROR_WRITE_FAULT, "The device could not be written to.\r\n"},
    {ERROR_READ_FAULT, "The device could not be read from.\r\n"},
    {ERROR_GEN_FAILURE, "A device attached to the system is not working.\r\n"},
    {ERROR_SHARING_VIOLATION, "The file is in use by another process.\r\n"},
    {ERROR_HANDLE_EOF, "The end of the file was reached.\r\n"},
    {ERROR_HANDLE_DISK_FULL, "The disk is full.\r\n"},
    {ERROR_NOT_SUPPORTED, "The request is not supported.\r\n"},
    {ERROR_FILE_EXISTS, "The file already exists.\r\n"},
    {ERROR_INVALID_PARAMETER, "A parameter is not valid.\r\n"},
    {ERROR_DISK_FULL, "There is not enough space on the disk.\r\n"},
    {ERROR_INSUFFICIENT_BUFFER, "The data area passed to a system call is too small.\r\n"},
    {ERROR_INVALID_NAME, "The file name, folder name or volume label is not valid.\r\n"},
    {ERROR_MOD_NOT_FOUND, "The module could not be found.\r\n"},
    {ERROR_PROC_NOT_FOUND, "The procedure could not be found.\r\n"},
    {ERROR_NEGATIVE_SEEK, "The file pointer cannot be set before the start of the file.\r\n"},
    {ERROR_DIR_NOT_EMPTY, "The folder is not empty.\r\n"},
    {ERROR_ALREADY_EXISTS, "The file cannot be created because it already exists.\r\n"},
    {ERROR_BAD_EXE_FORMAT, "The file is not a library or program that can be loaded.\r\n"},
    {ERROR_FILENAME_EXCED_RANGE, "The file name is too long.\r\n"},
    {ERROR_MORE_DATA, "More data is available.\r\n"},
    {ERROR_NO_MORE_ITEMS, "There are no more items.\r\n"},
    {ERROR_DLL_INIT_FAILED, "The library's initialisation routine failed.\r\n"},
    {ERROR_INVALID_WINDOW_HANDLE, "The window handle is not valid.\r\n"},
    {ERROR_INVALID_MENU_HANDLE, "The menu handle is not valid.\r\n"},
    {ERROR_INVALID_CURSOR_HANDLE, "The cursor handle is not valid.\r\n"},
    {ERROR_INVALID_HOOK_HANDLE, "The hook handle is not valid.\r\n"},
    {ERROR_CANNOT_FIND_WND_CLASS, "The window class could not be found.\r\n"},
    {ERROR_HOTKEY_ALREADY_REGISTERED, "The hot key is already registered.\r\n"},
    {ERROR_CLASS_ALREADY_EXISTS, "The window class already exists.\r\n"},
    {ERROR_CLASS_DOES_NOT_EXIST, "The window class does not exist.\r\n"},
    {ERROR_HOTKEY_NOT_REGISTERED, "The hot key is not registered.\r\n"},
    {ERROR_TIMEOUT, "The operation timed out.\r\n"},
    {ERROR_RESOURCE_DATA_NOT_FOUND, "The resource data could not be found in the module.\r\n"},
    {ERROR_RESOURCE_TYPE_NOT_FOUND, "The resource type could not be found in the module.\r\n"},
    {ERROR_RESOURCE_NAME_NOT_FOUND, "The resource name could not be found in the module.\r\n"},
};

} // namespace

DWORD ErrorFromErrno(int error) {
    switch (error) {
    case 0:
        return ERROR_SUCCESS;
    case ENOENT:
        return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
        return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
        return ERROR_ACCESS_DENIED;
    case EEXIST:
        return ERROR_FILE_EXISTS;
    case EBADF:
        return ERROR_INVALID_HANDLE;
    case ENOMEM:
        return ERROR_NOT_ENOUGH_MEMORY;
    case EMFILE:
    case ENFILE:
        return ERROR_TOO_MANY_OPEN_FILES;
    case ENOSPC:
    case EDQUOT:
        return ERROR_DISK_FULL;
    case ENAMETOOLONG:
        return ERROR_FILENAME_EXCED_RANGE;
    case EINVAL:
        return ERROR_INVALID_PARAMETER;
    case ENOTEMPTY:
        return ERROR_DIR_NOT_EMPTY;
    case EBUSY:
    case ETXTBSY:
        return ERROR_SHARING_VIOLATION;
    case ENOTSUP:
        return ERROR_NOT_SUPPORTED;
    case EIO:
        return ERROR_GEN_FAILURE;
    default:
        return ERROR_GEN_FAILURE;
    }
}

DWORD SetLastErrorFromErrno() {
    DWORD code = ErrorFromErrno(errno);
    last_error = code;
    return code;
}

std::string_view SystemMessageText(DWORD code) {
    for (const Message& m : kMessages) {
        if (m.code == code)
            return m.text;
    }
    return {};
}

} // namespace platform

PELMORA_BEGIN_EXTERN_C

DWORD WINAPI GetLastError(void) {
    return platform::last_error;
}

void WINAPI SetLastError(DWORD dwErrCode) {
    platform::last_error = dwErrCode;
}

#define ERROR_MR_MID_NOT_FOUND 317L

// Only FORMAT_MESSAGE_FROM_SYSTEM is offered: the program asks for nothing else.
DWORD WINAPI FormatMessageA(DWORD dwFlags, LPCVOID, DWORD dwMessageId, DWORD, LPSTR lpBuffer,
                            DWORD nSize, va_list*) {
    if (!(dwFlags & FORMAT_MESSAGE_FROM_SYSTEM) || (dwFlags & FORMAT_MESSAGE_ALLOCATE_BUFFER)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::string_view text = platform::SystemMessageText(dwMessageId);
    if (text.empty()) {
        SetLastError(ERROR_MR_MID_NOT_FOUND);
        return 0;
    }
    if (!lpBuffer || nSize <= text.size()) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(lpBuffer, text.data(), text.size());
    lpBuffer[text.size()] = '\0';
    return DWORD(text.size());
}

PELMORA_END_EXTERN_C
