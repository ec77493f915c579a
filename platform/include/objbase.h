// ole32: interface identifiers, IUnknown, IStream and the stream over a global memory block.
#pragma once

#include "windows.h"

// GUID_DEFINED: any header that needs GUID first (shell records, for one) may define it the same
// way under the same guard.
#ifndef GUID_DEFINED
#define GUID_DEFINED
typedef struct _GUID {
    DWORD Data1;
    WORD Data2;
    WORD Data3;
    BYTE Data4[8];
} GUID;
#endif
typedef GUID IID;
typedef GUID CLSID;
typedef const IID& REFIID;
typedef const GUID& REFGUID;
typedef const CLSID& REFCLSID;

inline bool IsEqualGUID(REFGUID a, REFGUID b) {
    if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3)
        return false;
    for (int i = 0; i < 8; ++i)
        if (a.Data4[i] != b.Data4[i])
            return false;
    return true;
}
inline bool operator==(REFGUID a, REFGUID b) {
    return IsEqualGUID(a, b);
}

#define STDMETHODCALLTYPE
#define STDMETHOD(method) virtual HRESULT STDMETHODCALLTYPE method
#define STDMETHOD_(type, method) virtual type STDMETHODCALLTYPE method
#define PURE = 0

typedef WCHAR OLECHAR;
typedef OLECHAR* LPOLESTR;

struct IUnknown {
    STDMETHOD(QueryInterface)(REFIID riid, void** ppvObject) PURE;
    STDMETHOD_(ULONG, AddRef)() PURE;
    STDMETHOD_(ULONG, Release)() PURE;
};
typedef IUnknown* LPUNKNOWN;

struct ISequentialStream : IUnknown {
    STDMETHOD(Read)(void* pv, ULONG cb, ULONG* pcbRead) PURE;
    STDMETHOD(Write)(const void* pv, ULONG cb, ULONG* pcbWritten) PURE;
};

#define STREAM_SEEK_SET 0
#define STREAM_SEEK_CUR 1
#define STREAM_SEEK_END 2

#define STGTY_STREAM 2
#define STATFLAG_DEFAULT 0
#define STATFLAG_NONAME 1

#define STG_E_INVALIDFUNCTION ((HRESULT)0x80030001L)
#define STG_E_MEDIUMFULL ((HRESULT)0x80030070L)
#define STG_E_INVALIDPOINTER ((HRESULT)0x80030009L)

typedef struct tagSTATSTG {
    LPOLESTR pwcsName;
    DWORD type;
    ULARGE_INTEGER cbSize;
    FILETIME mtime;
    FILETIME ctime;
    FILETIME atime;
    DWORD grfMode;
    DWORD grfLocksSupported;
    CLSID clsid;
    DWORD grfStateBits;
    DWORD reserved;
} STATSTG;

struct IStream : ISequentialStream {
    STDMETHOD(Seek)(LARGE_INTEGER dlibMove, DWORD dwOrigin, ULARGE_INTEGER* plibNewPosition) PURE;
    STDMETHOD(SetSize)(ULARGE_INTEGER libNewSize) PURE;
    STDMETHOD(CopyTo)
    (IStream* pstm, ULARGE_INTEGER cb, ULARGE_INTEGER* pcbRead, ULARGE_INTEGER* pcbWritten) PURE;
    STDMETHOD(Commit)(DWORD grfCommitFlags) PURE;
    STDMETHOD(Revert)() PURE;
    STDMETHOD(LockRegion)(ULARGE_INTEGER libOffset, ULARGE_INTEGER cb, DWORD dwLockType) PURE;
    STDMETHOD(UnlockRegion)(ULARGE_INTEGER libOffset, ULARGE_INTEGER cb, DWORD dwLockType) PURE;
    STDMETHOD(Stat)(STATSTG* pstatstg, DWORD grfStatFlag) PURE;
    STDMETHOD(Clone)(IStream** ppstm) PURE;
};
typedef IStream* LPSTREAM;

PELMORA_BEGIN_EXTERN_C

extern const IID IID_IUnknown;
extern const IID IID_ISequentialStream;
extern const IID IID_IStream;

// A stream over the block (a new block when hGlobal is null); fDeleteOnRelease frees the block
// with the stream's last Release.
HRESULT WINAPI CreateStreamOnHGlobal(HGLOBAL hGlobal, BOOL fDeleteOnRelease, LPSTREAM* ppstm);

PELMORA_END_EXTERN_C
