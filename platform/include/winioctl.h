// Device control codes and the drive-command (S.M.A.R.T.) records. The records are packed, as
// the system declares them.
#pragma once

#include "windows.h"

#define SMART_GET_VERSION 0x00074080
#define SMART_SEND_DRIVE_COMMAND 0x0007C084
#define SMART_RCV_DRIVE_DATA 0x0007C088

// bCommandReg
#define ATAPI_ID_CMD 0xA1
#define ID_CMD 0xEC
#define SMART_CMD 0xB0
// bFeaturesReg of SMART_CMD
#define READ_ATTRIBUTES 0xD0
#define READ_THRESHOLDS 0xD1
// bCylLowReg / bCylHighReg of SMART_CMD
#define SMART_CYL_LOW 0x4F
#define SMART_CYL_HI 0xC2

#define READ_ATTRIBUTE_BUFFER_SIZE 512
#define IDENTIFY_BUFFER_SIZE 512

// DRIVERSTATUS.bDriverError
#define SMART_NO_ERROR 0
#define SMART_IDE_ERROR 1
#define SMART_INVALID_FLAG 2
#define SMART_INVALID_COMMAND 3
#define SMART_INVALID_BUFFER 4
#define SMART_INVALID_DRIVE 5
#define SMART_INVALID_IOCTL 6
#define SMART_ERROR_NO_MEM 7
#define SMART_INVALID_REGISTER 8
#define SMART_NOT_SUPPORTED 9
#define SMART_NO_IDE_DEVICE 10

#pragma pack(push, 1)

typedef struct _IDEREGS {
    BYTE bFeaturesReg;
    BYTE bSectorCountReg;
    BYTE bSectorNumberReg;
    BYTE bCylLowReg;
    BYTE bCylHighReg;
    BYTE bDriveHeadReg;
    BYTE bCommandReg;
    BYTE bReserved;
} IDEREGS, *PIDEREGS, *LPIDEREGS;

typedef struct _SENDCMDINPARAMS {
    DWORD cBufferSize;
    IDEREGS irDriveRegs;
    BYTE bDriveNumber;
    BYTE bReserved[3];
    DWORD dwReserved[4];
    BYTE bBuffer[1];
} SENDCMDINPARAMS, *PSENDCMDINPARAMS, *LPSENDCMDINPARAMS;

typedef struct _DRIVERSTATUS {
    BYTE bDriverError;
    BYTE bIDEError;
    BYTE bReserved[2];
    DWORD dwReserved[2];
} DRIVERSTATUS, *PDRIVERSTATUS, *LPDRIVERSTATUS;

typedef struct _SENDCMDOUTPARAMS {
    DWORD cBufferSize;
    DRIVERSTATUS DriverStatus;
    BYTE bBuffer[1];
} SENDCMDOUTPARAMS, *PSENDCMDOUTPARAMS, *LPSENDCMDOUTPARAMS;

#pragma pack(pop)

static_assert(sizeof(IDEREGS) == 8, "IDEREGS is 8 bytes");
static_assert(sizeof(SENDCMDINPARAMS) == 33, "SENDCMDINPARAMS is 33 bytes");
static_assert(offsetof(SENDCMDINPARAMS, bDriveNumber) == 12, "SENDCMDINPARAMS layout");
static_assert(offsetof(SENDCMDINPARAMS, bBuffer) == 32, "SENDCMDINPARAMS layout");
static_assert(sizeof(DRIVERSTATUS) == 12, "DRIVERSTATUS is 12 bytes");
static_assert(sizeof(SENDCMDOUTPARAMS) == 17, "SENDCMDOUTPARAMS is 17 bytes");
static_assert(offsetof(SENDCMDOUTPARAMS, bBuffer) == 16, "SENDCMDOUTPARAMS layout");
