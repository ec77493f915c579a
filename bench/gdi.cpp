// A repaint of a 400 x 480 display: one background copy, and per row a bar copy and a text.
#include <windows.h>

#include <benchmark/benchmark.h>

#include <cstring>

namespace {

struct Frame {
    static constexpr int W = 400, H = 480, ROW = 15;
    HDC back = CreateCompatibleDC(nullptr), buffer = CreateCompatibleDC(nullptr);
    HBITMAP back_bitmap = CreateCompatibleBitmap(back, W, H);
    HBITMAP buffer_bitmap = CreateCompatibleBitmap(buffer, W, H);
    HGDIOBJ old_back = SelectObject(back, back_bitmap);
    HGDIOBJ old_buffer = SelectObject(buffer, buffer_bitmap);
    HFONT font = nullptr;
    HGDIOBJ old_font = nullptr;
    Frame() {
        LOGFONTA lf{};
        lf.lfHeight = -13;
        lf.lfWeight = FW_BOLD;
        std::strcpy(lf.lfFaceName, "Times New Roman");
        font = CreateFontIndirectA(&lf);
        old_font = SelectObject(buffer, font);
        SetBkMode(buffer, TRANSPARENT);
    }
    ~Frame() {
        SelectObject(buffer, old_font);
        SelectObject(buffer, old_buffer);
        SelectObject(back, old_back);
        DeleteObject(font);
        DeleteObject(buffer_bitmap);
        DeleteObject(back_bitmap);
        DeleteDC(buffer);
        DeleteDC(back);
    }
};

void BM_BitBltFrame(benchmark::State& state) {
    Frame f;
    for (auto _ : state)
        BitBlt(f.buffer, 0, 0, Frame::W, Frame::H, f.back, 0, 0, SRCCOPY);
    state.SetBytesProcessed(state.iterations() * Frame::W * Frame::H * 4);
}
BENCHMARK(BM_BitBltFrame);

void BM_DrawTextRows(benchmark::State& state) {
    Frame f;
    for (auto _ : state) {
        for (int i = 0; i < Frame::H / Frame::ROW; ++i) {
            RECT r{0, i * Frame::ROW, Frame::W, (i + 1) * Frame::ROW};
            DrawTextA(f.buffer, "CPU 12.34% 1024MB/2048MB", -1, &r, 0x826);
        }
    }
}
BENCHMARK(BM_DrawTextRows);

void BM_RepaintFrame(benchmark::State& state) {
    Frame f;
    for (auto _ : state) {
        BitBlt(f.buffer, 0, 0, Frame::W, Frame::H, f.back, 0, 0, SRCCOPY);
        for (int i = 0; i < Frame::H / Frame::ROW; ++i) {
            BitBlt(f.buffer, 0, i * Frame::ROW, 200, Frame::ROW, f.back, 0, i * Frame::ROW,
                   SRCCOPY);
            RECT r{0, i * Frame::ROW, Frame::W, (i + 1) * Frame::ROW};
            DrawTextA(f.buffer, "CPU 12.34% 1024MB/2048MB", -1, &r, 0x826);
        }
    }
}
BENCHMARK(BM_RepaintFrame);

} // namespace

BENCHMARK_MAIN();
