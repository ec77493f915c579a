// IP helper: the interface table.
#pragma once

#include "windows.h"

#define MAX_INTERFACE_NAME_LEN 256
#define MAXLEN_PHYSADDR 8
#define MAXLEN_IFDESCR 256
#ifndef ANY_SIZE
#define ANY_SIZE 1
#endif

// dwType
#define IF_TYPE_OTHER 1
#define IF_TYPE_ETHERNET_CSMACD 6
#define IF_TYPE_PPP 23
#define IF_TYPE_SOFTWARE_LOOPBACK 24
#define IF_TYPE_IEEE80211 71
#define IF_TYPE_TUNNEL 131

// dwAdminStatus
#define MIB_IF_ADMIN_STATUS_UP 1
#define MIB_IF_ADMIN_STATUS_DOWN 2
#define MIB_IF_ADMIN_STATUS_TESTING 3

// dwOperStatus
#define IF_OPER_STATUS_NON_OPERATIONAL 0
#define IF_OPER_STATUS_UNREACHABLE 1
#define IF_OPER_STATUS_DISCONNECTED 2
#define IF_OPER_STATUS_CONNECTING 3
#define IF_OPER_STATUS_CONNECTED 4
#define IF_OPER_STATUS_OPERATIONAL 5

typedef struct _MIB_IFROW {
    WCHAR wszName[MAX_INTERFACE_NAME_LEN];
    DWORD dwIndex;
    DWORD dwType;
    DWORD dwMtu;
    DWORD dwSpeed; // bits per second
    DWORD dwPhysAddrLen;
    BYTE bPhysAddr[MAXLEN_PHYSADDR];
    DWORD dwAdminStatus;
    DWORD dwOperStatus;
    DWORD dwLastChange;
    DWORD dwInOctets; // 32-bit counters: they wrap
    DWORD dwInUcastPkts;
    DWORD dwInNUcastPkts;
    DWORD dwInDiscards;
    DWORD dwInErrors;
    DWORD dwInUnknownProtos;
    DWORD dwOutOctets;
    DWORD dwOutUcastPkts;
    DWORD dwOutNUcastPkts;
    DWORD dwOutDiscards;
    DWORD dwOutErrors;
    DWORD dwOutQLen;
    DWORD dwDescrLen;
    BYTE bDescr[MAXLEN_IFDESCR];
} MIB_IFROW, *PMIB_IFROW;

typedef struct _MIB_IFTABLE {
    DWORD dwNumEntries;
    MIB_IFROW table[ANY_SIZE];
} MIB_IFTABLE, *PMIB_IFTABLE;

static_assert(sizeof(MIB_IFROW) == 860, "MIB_IFROW is 860 bytes");
static_assert(offsetof(MIB_IFROW, dwSpeed) == 524, "MIB_IFROW layout");
static_assert(offsetof(MIB_IFROW, dwInOctets) == 552, "MIB_IFROW layout");
static_assert(offsetof(MIB_IFROW, dwOutOctets) == 576, "MIB_IFROW layout");
static_assert(offsetof(MIB_IFROW, bDescr) == 604, "MIB_IFROW layout");
static_assert(offsetof(MIB_IFTABLE, table) == 4, "MIB_IFTABLE layout");

PELMORA_BEGIN_EXTERN_C

// Fills the table, or with a null or too small table stores the size needed in *pdwSize and
// returns ERROR_INSUFFICIENT_BUFFER.
DWORD WINAPI GetIfTable(PMIB_IFTABLE pIfTable, PULONG pdwSize, BOOL bOrder);

PELMORA_END_EXTERN_C
