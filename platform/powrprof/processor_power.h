// The record of CallNtPowerInformation's ProcessorInformation level, one per logical processor.
// The system's headers leave it to the caller to declare, so <powrprof.h> does not declare it
// either; the program declares its own copy.
#pragma once

#include <windows.h>

typedef struct _PROCESSOR_POWER_INFORMATION {
    ULONG Number;
    ULONG MaxMhz;
    ULONG CurrentMhz;
    ULONG MhzLimit;
    ULONG MaxIdleState;
    ULONG CurrentIdleState;
} PROCESSOR_POWER_INFORMATION, *PPROCESSOR_POWER_INFORMATION;

static_assert(sizeof(PROCESSOR_POWER_INFORMATION) == 24, "PROCESSOR_POWER_INFORMATION is 24 bytes");
