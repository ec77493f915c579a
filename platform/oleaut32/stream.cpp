// ole32's stream over a global memory block.
#include "oleaut32/stream.h"

#include "oleaut32/global_memory.h"

#include <objbase.h>

#include <algorithm>
#include <atomic>
#include <cstring>

namespace platform::ole {
namespace {

// Asked of a stream to learn whether it is a GlobalStream: no other answers it.
constexpr IID IID_GlobalStream = {
    0x5d3c1f2e, 0x8a47, 0x4b6e, {0x9c, 0x21, 0x3f, 0x70, 0xe4, 0x58, 0xb1, 0x0d}};

class GlobalStream final : public IStream {
public:
    GlobalStream(HGLOBAL block, bool delete_on_release)
        : block_(block), delete_on_release_(delete_on_release) {}

    HRESULT QueryInterface(REFIID riid, void** out) override {
        if (!out)
            return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_ISequentialStream || riid == IID_IStream) {
            *out = static_cast<IStream*>(this);
            AddRef();
            return S_OK;
        }
        if (riid == IID_GlobalStream) {
            *out = this;
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++references_; }
    ULONG Release() override {
        ULONG left = --references_;
        if (left == 0) {
            if (delete_on_release_)
                GlobalFree(block_);
            delete this;
        }
        return left;
    }

    HRESULT Read(void* pv, ULONG cb, ULONG* pcbRead) override {
        if (!pv && cb > 0)
            return STG_E_INVALIDPOINTER;
        std::span<std::byte> bytes = GlobalBytes(block_);
        ULONG n = 0;
        if (position_ < bytes.size())
            n = static_cast<ULONG>(std::min<uint64_t>(cb, bytes.size() - position_));
        if (n > 0)
            std::memcpy(pv, bytes.data() + position_, n);
        position_ += n;
        if (pcbRead)
            *pcbRead = n;
        return n < cb ? S_FALSE : S_OK;
    }

    HRESULT Write(const void* pv, ULONG cb, ULONG* pcbWritten) override {
        if (pcbWritten)
            *pcbWritten = 0;
        if (!pv && cb > 0)
            return STG_E_INVALIDPOINTER;
        uint64_t end = position_ + cb;
        if (end > GlobalBytes(block_).size() && !GlobalReAlloc(block_, end, GMEM_MOVEABLE))
            return STG_E_MEDIUMFULL;
        std::span<std::byte> bytes = GlobalBytes(block_);
        if (cb > 0)
            std::memcpy(bytes.data() + position_, pv, cb);
        position_ = end;
        if (pcbWritten)
            *pcbWritten = cb;
        return S_OK;
    }

    HRESULT Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* new_position) override {
        int64_t base = 0;
        switch (origin) {
        case STREAM_SEEK_SET:
            break;
        case STREAM_SEEK_CUR:
            base = static_cast<int64_t>(position_);
            break;
        case STREAM_SEEK_END:
            base = static_cast<int64_t>(GlobalBytes(block_).size());
            break;
        default:
            return STG_E_INVALIDFUNCTION;
        }
        int64_t target = base + move.QuadPart;
        if (target < 0)
            return STG_E_INVALIDFUNCTION;
        position_ = static_cast<uint64_t>(target);
        if (new_position)
            new_position->QuadPart = position_;
        return S_OK;
    }

    HRESULT SetSize(ULARGE_INTEGER size) override {
        return GlobalReAlloc(block_, size.QuadPart, GMEM_MOVEABLE) ? S_OK : STG_E_MEDIUMFULL;
    }
    HRESULT CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override {
        return E_NOTIMPL;
    }
    HRESULT Commit(DWORD) override { return S_OK; }
    HRESULT Revert() override { return S_OK; }
    HRESULT LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
        return STG_E_INVALIDFUNCTION;
    }
    HRESULT UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
        return STG_E_INVALIDFUNCTION;
    }
    HRESULT Stat(STATSTG* stat, DWORD) override {
        if (!stat)
            return STG_E_INVALIDPOINTER;
        *stat = STATSTG{};
        stat->type = STGTY_STREAM;
        stat->cbSize.QuadPart = GlobalBytes(block_).size();
        return S_OK;
    }
    HRESULT Clone(IStream** out) override {
        if (out)
            *out = nullptr;
        return E_NOTIMPL;
    }

    std::span<const std::byte> Lend(uint64_t limit) {
        std::span<std::byte> bytes = GlobalBytes(block_);
        if (position_ >= bytes.size())
            return {};
        size_t n = static_cast<size_t>(std::min<uint64_t>(limit, bytes.size() - position_));
        std::span<const std::byte> lent = bytes.subspan(static_cast<size_t>(position_), n);
        position_ += n;
        return lent;
    }

private:
    HGLOBAL block_;
    bool delete_on_release_;
    uint64_t position_ = 0;
    std::atomic<ULONG> references_{1};
};

} // namespace

std::optional<std::span<const std::byte>> LendStreamBytes(IStream* stream, uint64_t limit) {
    void* own = nullptr;
    if (stream->QueryInterface(IID_GlobalStream, &own) != S_OK || !own)
        return std::nullopt;
    auto* global = static_cast<GlobalStream*>(own);
    std::span<const std::byte> bytes = global->Lend(limit);
    global->Release();
    return bytes;
}

} // namespace platform::ole

PELMORA_BEGIN_EXTERN_C

const IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID IID_ISequentialStream = {
    0x0c733a30, 0x2a1c, 0x11ce, {0xad, 0xe5, 0x00, 0xaa, 0x00, 0x44, 0x77, 0x3d}};
const IID IID_IStream = {0x0000000c, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

HRESULT WINAPI CreateStreamOnHGlobal(HGLOBAL hGlobal, BOOL fDeleteOnRelease, LPSTREAM* ppstm) {
    if (!ppstm)
        return E_INVALIDARG;
    *ppstm = nullptr;
    if (!hGlobal) {
        hGlobal = GlobalAlloc(GMEM_MOVEABLE, 0);
        if (!hGlobal)
            return E_OUTOFMEMORY;
    } else if (!platform::ole::IsGlobalBlock(hGlobal)) {
        return E_INVALIDARG;
    }
    auto* stream = new (std::nothrow) platform::ole::GlobalStream(hGlobal, fDeleteOnRelease);
    if (!stream)
        return E_OUTOFMEMORY;
    *ppstm = stream;
    return S_OK;
}

PELMORA_END_EXTERN_C
