// A memory DC with its own bitmap, for drawing tests.
#pragma once

#include <windows.h>

#include "testing/desktop.h"

#include <gtest/gtest.h>

class Canvas {
public:
    Canvas(int width, int height, COLORREF fill = RGB(255, 255, 255))
        : width_(width), height_(height) {
        dc_ = CreateCompatibleDC(nullptr);
        bitmap_ = CreateCompatibleBitmap(dc_, width, height);
        initial_ = SelectObject(dc_, bitmap_);
        Fill(fill);
    }
    ~Canvas() {
        SelectObject(dc_, initial_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    HDC dc() const { return dc_; }
    int width() const { return width_; }
    int height() const { return height_; }
    COLORREF At(int x, int y) const { return GetPixel(dc_, x, y); }
    void Fill(COLORREF color) {
        RECT all{0, 0, width_, height_};
        HBRUSH brush = CreateSolidBrush(color);
        FillRect(dc_, &all, brush);
        DeleteObject(brush);
    }
    // The smallest box holding every pixel that differs from `background` (right and bottom
    // exclusive); empty (left == right) when there is none.
    RECT InkBox(COLORREF background) const {
        RECT box{width_, height_, 0, 0};
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x)
                if (At(x, y) != background) {
                    box.left = std::min<LONG>(box.left, x);
                    box.top = std::min<LONG>(box.top, y);
                    box.right = std::max<LONG>(box.right, x + 1);
                    box.bottom = std::max<LONG>(box.bottom, y + 1);
                }
        if (box.right == 0)
            box = RECT{0, 0, 0, 0};
        return box;
    }

private:
    int width_, height_;
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ initial_;
};
