// kernel32: what replacing a file in one step needs: flushing, renaming over, deleting.
#pragma once

#include "../windef.h"

#define MOVEFILE_REPLACE_EXISTING 0x00000001
#define MOVEFILE_COPY_ALLOWED 0x00000002
#define MOVEFILE_WRITE_THROUGH 0x00000008

#ifndef ERROR_NOT_SAME_DEVICE
#define ERROR_NOT_SAME_DEVICE 17L
#endif
#ifndef ERROR_UNABLE_TO_MOVE_REPLACEMENT
#define ERROR_UNABLE_TO_MOVE_REPLACEMENT 1176L
#endif

// GetFinalPathNameByHandleA: the path's form (only these two are offered).
#define FILE_NAME_NORMALIZED 0x0
#define VOLUME_NAME_DOS 0x0

PELMORA_BEGIN_EXTERN_C

// Waits until the file's data is on the disk.
BOOL WINAPI FlushFileBuffers(HANDLE hFile);
// Renames a file; with MOVEFILE_REPLACE_EXISTING over an existing file, in one step, so that the
// new name always names either the old file or the new one. MOVEFILE_WRITE_THROUGH returns only
// once the rename is on the disk. Both names must lie on one drive (MOVEFILE_COPY_ALLOWED is
// not offered).
BOOL WINAPI MoveFileExA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName, DWORD dwFlags);
BOOL WINAPI DeleteFileA(LPCSTR lpFileName);
// Puts the replacement file in the place of the replaced one, which must exist, in one step;
// the file that then bears the name keeps the replaced file's attributes and security (here:
// its permission bits, and its owner where the process may give it). No backup file and no
// flags are offered; the step reaches the disk before the call returns.
BOOL WINAPI ReplaceFileA(LPCSTR lpReplacedFileName, LPCSTR lpReplacementFileName,
                         LPCSTR lpBackupFileName, DWORD dwReplaceFlags, LPVOID lpExclude,
                         LPVOID lpReserved);
// The full path of the file that an open handle reads, all links followed, as "\\?\C:\...".
// Returns its length without the terminator, or when cchFilePath is too small the size needed
// with it (and writes nothing); 0 on failure.
DWORD WINAPI GetFinalPathNameByHandleA(HANDLE hFile, LPSTR lpszFilePath, DWORD cchFilePath,
                                       DWORD dwFlags);

PELMORA_END_EXTERN_C
