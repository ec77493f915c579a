// The rows of the status window: 32 fixed row records, each showing one data item of one source.
#pragma once

#include "plugin_host/plugin_list.h"

#include <memory>
#include <vector>

// Rows the window can show; InitializeGraphs creates exactly this many.
constexpr int MAX_GRAPHS = 32;
// The text an irregular row drew last: 1027 characters and the terminator.
constexpr int GRAPH_IRREGULAR_TEXT_SIZE = 1028;

class COneGraph {
public:
    PMPDATA* GetIrregularData() { return &pmpIrregularData; }

    // The source whose data item the row shows; set when the row is bound.
    COnePlugin* Plugin = nullptr;
    // The data item of that source (0..3).
    DWORD dwPluralNumber = 0;
    // The record of a pushing source; the source gets its address and each report overwrites it.
    PMPDATA pmpIrregularData = {};
    // What the row drew last when it was drawn alone; a repaint of an irregular row shows these.
    CHAR szIrregular[GRAPH_IRREGULAR_TEXT_SIZE] = {};
    DWORD dwIrregularMaxValue = 0;
    DWORD dwIrregularCurrentValue1 = 0;
    DWORD dwIrregularCurrentValue2 = 0;
};

typedef std::vector<std::unique_ptr<COneGraph>> CGraphList;

// Row i of the display is entry i; only the first lNumberOfGraphs are in use. The rows keep
// their addresses for the whole run (sources hold the address of pmpIrregularData).
extern CGraphList* pGraphList;

// Makes pGraphList a new empty list (the one before it, if any, is released).
void CreateGraphList();
// Row i, or null when the list has no such row.
COneGraph* GetGraph(int i);
