// The drawing surfaces and the state of the display that its set-up builds and its drawing reads.
#pragma once

#include <windows.h>

// The painted background: hBackgroundBitmap (lGraphWidth x lTotalHeight), hBackgroundBrush.
extern HDC hBackgroundDC;
extern HBITMAP hBackgroundBitmap;
extern HBRUSH hBackgroundBrush;
// The back buffer the rows are drawn into: hBufferBitmap (lGraphWidth x lTotalHeight),
// hGraphFont and hScalePen; background mode transparent.
extern HDC hBufferDC;
extern HBITMAP hBufferBitmap;
extern HFONT hGraphFont;
extern HPEN hScalePen;
// The bar image: the full-width bar of graph 1 of row i in the band of row i, that of graph 2
// the same band lTotalHeight lower (lGraphWidth x 2 lTotalHeight).
extern HDC hGraphImageDC;
extern HBITMAP hGraphImageBitmap;

// Rows in use, 1..32 once the display is set up (0 before).
extern int lNumberOfGraphs;
// Height of one row in pixels: the character height of the row font.
extern int lRowHeight;
// lRowHeight x lNumberOfGraphs.
extern int lTotalHeight;
// Width of the rows in pixels.
extern int lGraphWidth;
// Vertical offset of the row text in pixels, -10..10.
extern int lTextVerticalPosition;
extern bool bDrawScale;
// PMPBeforeOperation has been called for every row of the current binding.
extern bool bGraphsStarted;

// Gradient modes of FillGradientRect.
constexpr DWORD GRADIENT_MODE_HORIZONTAL = 0; // colour 1 at the left
constexpr DWORD GRADIENT_MODE_VERTICAL = 1;   // colour 1 at the top

// One rectangle gradient from (left, top) in colour1 to (right, bottom) in colour2.
void FillGradientRect(HDC dc, COLORREF colour1, COLORREF colour2, int left, int top, int right,
                      int bottom, DWORD mode);

// The band of row i that a graph of position p occupies: 0 the whole row, 1 the upper half,
// 2 the lower half; both halves are h - h/2 high, so for an odd h they share the middle line.
struct GraphBand {
    int top;
    int height;
};
GraphBand GetGraphBand(int row, LONG position);
