// oleaut32's OleLoadPicture and the picture it hands out.
#include "gdi32/objects.h"
#include "oleaut32/image.h"
#include "oleaut32/stream.h"

#include <olectl.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <new>
#include <optional>
#include <vector>

namespace platform::ole {
namespace {

// Pictures are measured at the screen's 96 pixels per inch: 2540 HIMETRIC units an inch.
LONG Himetric(int pixels) {
    return static_cast<LONG>((int64_t{pixels} * 2540 + 48) / 96);
}

// The source position of each destination pixel along one axis: destination pixel i of n
// (n < 0 mirrors) samples the source at from + (i + 0.5) / n * extent in HIMETRIC, which
// to_pixel turns into a source pixel (or -1 outside the picture).
template <typename ToPixel>
std::vector<int> Samples(int64_t n, double from, double extent, ToPixel to_pixel) {
    std::vector<int> out;
    int64_t count = n < 0 ? -n : n;
    out.reserve(static_cast<size_t>(count));
    for (int64_t i = 0; i < count; ++i) {
        // Column i counts from the destination's left (or top) edge, whichever way n points.
        double offset = n > 0 ? i + 0.5 : -(count - i) + 0.5;
        double t = offset / static_cast<double>(n);
        out.push_back(to_pixel(from + t * extent));
    }
    return out;
}

class Picture final : public IPicture {
public:
    explicit Picture(Image image) : image_(std::move(image)) {}

    HRESULT QueryInterface(REFIID riid, void** out) override {
        if (!out)
            return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IPicture) {
            *out = static_cast<IPicture*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++references_; }
    ULONG Release() override {
        ULONG left = --references_;
        if (left == 0)
            delete this;
        return left;
    }

    HRESULT get_Handle(OLE_HANDLE* handle) override {
        if (handle)
            *handle = 0;
        return E_NOTIMPL;
    }
    HRESULT get_hPal(OLE_HANDLE* palette) override {
        if (!palette)
            return E_POINTER;
        *palette = 0;
        return S_OK;
    }
    HRESULT get_Type(SHORT* type) override {
        if (!type)
            return E_POINTER;
        *type = PICTYPE_BITMAP;
        return S_OK;
    }
    HRESULT get_Width(OLE_XSIZE_HIMETRIC* width) override {
        if (!width)
            return E_POINTER;
        *width = Himetric(image_.width);
        return S_OK;
    }
    HRESULT get_Height(OLE_YSIZE_HIMETRIC* height) override {
        if (!height)
            return E_POINTER;
        *height = Himetric(image_.height);
        return S_OK;
    }

    HRESULT Render(HDC hdc, LONG x, LONG y, LONG cx, LONG cy, OLE_XPOS_HIMETRIC xSrc,
                   OLE_YPOS_HIMETRIC ySrc, OLE_XSIZE_HIMETRIC cxSrc, OLE_YSIZE_HIMETRIC cySrc,
                   LPCRECT) override {
        gdi::Surface* s = gdi::SurfaceOf(hdc);
        if (!s)
            return E_INVALIDARG;
        if (cxSrc == 0 || cySrc == 0)
            return E_INVALIDARG;
        if (cx == 0 || cy == 0)
            return S_OK;
        double width_hm = Himetric(image_.width), height_hm = Himetric(image_.height);
        int w = image_.width, h = image_.height;
        // HIMETRIC x runs right from the left edge; HIMETRIC y runs up from the bottom edge.
        auto column = [&](double u) {
            double p = std::floor(u * w / width_hm);
            return p < 0 || p >= w ? -1 : static_cast<int>(p);
        };
        auto row = [&](double v) {
            double p = std::floor((height_hm - v) * h / height_hm);
            return p < 0 || p >= h ? -1 : static_cast<int>(p);
        };
        std::vector<int> columns = Samples(cx, xSrc, cxSrc, column);
        std::vector<int> rows = Samples(cy, ySrc, cySrc, row);
        int64_t left = cx > 0 ? x : int64_t{x} + cx;
        int64_t top = cy > 0 ? y : int64_t{y} + cy;
        for (size_t j = 0; j < rows.size(); ++j) {
            int64_t dy = top + static_cast<int64_t>(j);
            if (dy < 0 || dy >= s->height || rows[j] < 0)
                continue;
            const uint32_t* src = image_.pixels.data() + static_cast<size_t>(rows[j]) * w;
            uint32_t* dst = s->pixels.data() + static_cast<size_t>(dy) * s->width;
            for (size_t i = 0; i < columns.size(); ++i) {
                int64_t dx = left + static_cast<int64_t>(i);
                if (dx < 0 || dx >= s->width || columns[i] < 0)
                    continue;
                uint32_t p = src[columns[i]];
                unsigned a = p >> 24;
                if (a == 255) {
                    dst[dx] = p & 0xFFFFFF;
                } else if (a != 0) {
                    uint32_t d = dst[dx];
                    auto mix = [a](uint32_t dc, uint32_t sc) {
                        return (dc * (255 - a) + sc * a + 127) / 255;
                    };
                    dst[dx] = (mix((d >> 16) & 0xFF, (p >> 16) & 0xFF) << 16) |
                              (mix((d >> 8) & 0xFF, (p >> 8) & 0xFF) << 8) |
                              mix(d & 0xFF, p & 0xFF);
                }
            }
        }
        return S_OK;
    }

    HRESULT set_hPal(OLE_HANDLE) override { return E_NOTIMPL; }
    HRESULT get_CurDC(HDC* dc) override {
        if (!dc)
            return E_POINTER;
        *dc = nullptr;
        return S_OK;
    }
    HRESULT SelectPicture(HDC, HDC* out_dc, OLE_HANDLE* out_bitmap) override {
        if (out_dc)
            *out_dc = nullptr;
        if (out_bitmap)
            *out_bitmap = 0;
        return E_NOTIMPL;
    }
    HRESULT get_KeepOriginalFormat(BOOL* keep) override {
        if (!keep)
            return E_POINTER;
        *keep = FALSE;
        return S_OK;
    }
    HRESULT put_KeepOriginalFormat(BOOL) override { return S_OK; }
    HRESULT PictureChanged() override { return S_OK; }
    HRESULT SaveAsFile(LPSTREAM, BOOL, LONG* size) override {
        if (size)
            *size = 0;
        return E_NOTIMPL;
    }
    HRESULT get_Attributes(DWORD* attributes) override {
        if (!attributes)
            return E_POINTER;
        *attributes = 0;
        return S_OK;
    }

private:
    Image image_;
    std::atomic<ULONG> references_{1};
};

// The stream's bytes from its position: `size` of them when size > 0, else all to the end;
// nothing when they are more than any picture needs or do not start like a picture. The layer's
// own stream over memory lends them in place; any other is read in pieces, its first bytes alone
// until they show a picture, so that neither a size nor a stream larger than its picture costs
// more than the limit.
struct StreamBytes {
    std::optional<std::span<const std::byte>> lent;
    std::vector<std::byte> copy;
    std::span<const std::byte> bytes() const { return lent ? *lent : copy; }
};

std::optional<StreamBytes> ReadPictureBytes(IStream* stream, LONG size) {
    uint64_t wanted = size > 0 ? static_cast<uint64_t>(size) : UINT64_MAX;
    uint64_t limit = std::min(wanted, MAX_PICTURE_BYTES + 1);
    StreamBytes out;
    out.lent = LendStreamBytes(stream, limit);
    if (!out.lent) {
        std::vector<std::byte>& data = out.copy;
        constexpr ULONG PIECE = 64 * 1024;
        while (data.size() < limit) {
            ULONG ask = static_cast<ULONG>(std::min<uint64_t>(
                data.size() < SIGNATURE_BYTES ? SIGNATURE_BYTES - data.size() : PIECE,
                limit - data.size()));
            size_t at = data.size();
            data.resize(at + ask);
            ULONG got = 0;
            HRESULT hr = stream->Read(data.data() + at, ask, &got);
            data.resize(at + std::min(got, ask));
            if (FAILED(hr) || got == 0)
                break;
            if (at < SIGNATURE_BYTES && data.size() >= SIGNATURE_BYTES &&
                !HasPictureSignature(data))
                return std::nullopt;
        }
    }
    if (out.bytes().size() > MAX_PICTURE_BYTES || !HasPictureSignature(out.bytes()))
        return std::nullopt;
    return out;
}

} // namespace
} // namespace platform::ole

PELMORA_BEGIN_EXTERN_C

const IID IID_IPicture = {
    0x7BF80980, 0xBF32, 0x101A, {0x8B, 0xBB, 0x00, 0xAA, 0x00, 0x30, 0x0C, 0xAB}};

HRESULT WINAPI OleLoadPicture(LPSTREAM lpstream, LONG lSize, BOOL, REFIID riid, LPVOID* lplpvObj) {
    if (!lplpvObj)
        return E_POINTER;
    *lplpvObj = nullptr;
    if (!lpstream)
        return E_POINTER;
    std::optional<platform::ole::Image> image;
    try {
        if (auto data = platform::ole::ReadPictureBytes(lpstream, lSize))
            image = platform::ole::DecodeImage(data->bytes());
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    if (!image)
        return CTL_E_INVALIDPICTURE;
    auto* picture = new (std::nothrow) platform::ole::Picture(std::move(*image));
    if (!picture)
        return E_OUTOFMEMORY;
    HRESULT hr = picture->QueryInterface(riid, lplpvObj);
    picture->Release();
    return hr;
}

PELMORA_END_EXTERN_C
