// Power information.
#pragma once

#include "windows.h"

#ifndef PELMORA_NTSTATUS_DEFINED
#define PELMORA_NTSTATUS_DEFINED
typedef LONG NTSTATUS;
#endif

#ifndef STATUS_SUCCESS
#define STATUS_SUCCESS ((NTSTATUS)0x00000000L)
#endif
#ifndef STATUS_BUFFER_TOO_SMALL
#define STATUS_BUFFER_TOO_SMALL ((NTSTATUS)0xC0000023L)
#endif
#ifndef STATUS_INVALID_PARAMETER
#define STATUS_INVALID_PARAMETER ((NTSTATUS)0xC000000DL)
#endif

// PROCESSOR_POWER_INFORMATION, the record of ProcessorInformation, is not declared here: the
// system leaves it to the caller to declare (platform/powrprof/processor_power.h for the layer).

// An int underneath: callers may pass any level, and an unknown one is refused.
typedef enum _POWER_INFORMATION_LEVEL : int {
    SystemBatteryState = 5,
    ProcessorInformation = 11,
} POWER_INFORMATION_LEVEL;

typedef struct _SYSTEM_BATTERY_STATE {
    BOOLEAN AcOnLine;
    BOOLEAN BatteryPresent;
    BOOLEAN Charging;
    BOOLEAN Discharging;
    BOOLEAN Spare1[3];
    BYTE Tag;
    DWORD MaxCapacity;       // mWh
    DWORD RemainingCapacity; // mWh
    LONG Rate;               // mW, negative while discharging
    DWORD EstimatedTime;     // seconds; all bits set when unknown
    DWORD DefaultAlert1;
    DWORD DefaultAlert2;
} SYSTEM_BATTERY_STATE, *PSYSTEM_BATTERY_STATE;

#define BATTERY_UNKNOWN_TIME 0xFFFFFFFF

static_assert(sizeof(SYSTEM_BATTERY_STATE) == 32, "SYSTEM_BATTERY_STATE is 32 bytes");
static_assert(offsetof(SYSTEM_BATTERY_STATE, MaxCapacity) == 8, "SYSTEM_BATTERY_STATE layout");
static_assert(offsetof(SYSTEM_BATTERY_STATE, EstimatedTime) == 20, "SYSTEM_BATTERY_STATE layout");

PELMORA_BEGIN_EXTERN_C

NTSTATUS WINAPI CallNtPowerInformation(POWER_INFORMATION_LEVEL InformationLevel, PVOID InputBuffer,
                                       ULONG InputBufferLength, PVOID OutputBuffer,
                                       ULONG OutputBufferLength);

PELMORA_END_EXTERN_C
