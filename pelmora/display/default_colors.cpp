#include "display/default_colors.h"

COLORREF rgbDefaultGraphColors[MAX_DEFAULT_GRAPH_COLORS];
int lDefaultColorIndex = 0;

void FillDefaultGraphColors() {
    // 0x00BBGGRR: red in the low byte.
    static const COLORREF colors[MAX_DEFAULT_GRAPH_COLORS] = {
        0x80FF80, 0x8080FF, 0xC0C040, 0xFFC040, 0xC080C0, 0xC08040, 0x80FFC0,
        0xFF40C0, 0x00C0FF, 0xFFFF00, 0xC080FF, 0x8000FF, 0xC0C080,
    };
    for (int i = 0; i < MAX_DEFAULT_GRAPH_COLORS; ++i)
        rgbDefaultGraphColors[i] = colors[i];
}

void ResetDefaultGraphColors() {
    for (COLORREF& color : rgbDefaultGraphColors)
        color = 0;
    lDefaultColorIndex = 0;
}

DWORD NextDefaultGraphColor() {
    DWORD color = rgbDefaultGraphColors[lDefaultColorIndex];
    lDefaultColorIndex += 1;
    if (lDefaultColorIndex >= MAX_DEFAULT_GRAPH_COLORS)
        lDefaultColorIndex = 0;
    return color;
}
