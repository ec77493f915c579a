// kernel32: what replacing a file in one step needs: flushing, renaming over, deleting.
#pragma once

#include "../windef.h"

#define MOVEFILE_REPLACE_EXISTING 0x00000001
#define MOVEFILE_COPY_ALLOWED 0x00000002
#define MOVEFILE_WRITE_THROUGH 0x00000008

#ifndef ERROR_NOT_SAME_DEVICE
#define ERROR_NOT_SAME_DEVICE 17L
#endif

PELMORA_BEGIN_EXTERN_C

// Waits until the file's data is on the disk.
BOOL WINAPI FlushFileBuffers(HANDLE hFile);
// Renames a file; with MOVEFILE_REPLACE_EXISTING over an existing file, in one step, so that the
// new name always names either the old file or the new one. MOVEFILE_WRITE_THROUGH returns only
// once the rename is on the disk. Both names must lie on one drive (MOVEFILE_COPY_ALLOWED is
// not offered).
BOOL WINAPI MoveFileExA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName, DWORD dwFlags);
BOOL WINAPI DeleteFileA(LPCSTR lpFileName);

PELMORA_END_EXTERN_C
