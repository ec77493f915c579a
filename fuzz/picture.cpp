// OleLoadPicture over arbitrary bytes: the background picture is a file the user picks.
#include <windows.h>
#include <olectl.h>

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
    if (!block)
        return 0;
    if (size > 0)
        std::memcpy(GlobalLock(block), data, size);
    GlobalUnlock(block);
    IStream* stream = nullptr;
    if (CreateStreamOnHGlobal(block, FALSE, &stream) == S_OK) {
        IPicture* picture = nullptr;
        if (OleLoadPicture(stream, static_cast<LONG>(size), TRUE, IID_IPicture,
                           reinterpret_cast<void**>(&picture)) == S_OK) {
            HDC dc = CreateCompatibleDC(nullptr);
            HBITMAP bitmap = CreateCompatibleBitmap(dc, 16, 16);
            HGDIOBJ old = SelectObject(dc, bitmap);
            OLE_XSIZE_HIMETRIC w = 0;
            OLE_YSIZE_HIMETRIC h = 0;
            picture->get_Width(&w);
            picture->get_Height(&h);
            picture->Render(dc, 0, 0, 16, 16, 0, h, w, -h, nullptr);
            SelectObject(dc, old);
            DeleteObject(bitmap);
            DeleteDC(dc);
            picture->Release();
        }
        stream->Release();
    }
    GlobalFree(block);
    return 0;
}
