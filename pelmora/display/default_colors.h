// The bar colours that data items get when their colour keys are missing: a fixed cycle of 13,
// handed out in order across all items of all sources.
#pragma once

#include <windows.h>

constexpr int MAX_DEFAULT_GRAPH_COLORS = 13;

// Written by the plug-in loader at start-up, before any source is registered.
extern COLORREF rgbDefaultGraphColors[MAX_DEFAULT_GRAPH_COLORS];
// The next colour to hand out; starts at 0 with the program and moves on across every set-up.
extern int lDefaultColorIndex;

// Fills rgbDefaultGraphColors with its 13 values.
void FillDefaultGraphColors();
// The table and the index as a new process has them: all zero.
void ResetDefaultGraphColors();
// The colour at lDefaultColorIndex; the index then moves on, back to 0 after the last.
DWORD NextDefaultGraphColor();
