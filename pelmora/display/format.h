// Row formats: the user's text with $ and % tokens, compiled once into a plain printf format and
// a list of argument codes, and the formatting of a row text from a sample.
#pragma once

#include "plugin_host/plugin_list.h"

// Argument codes of a compiled format; 0..9 name the source's format parameter k ("%s").
constexpr LONG FORMAT_CODE_PERCENT1 = -1;  // "$1": "%u"
constexpr LONG FORMAT_CODE_PERCENT2 = -2;  // "$2": "%u"
constexpr LONG FORMAT_CODE_FRACTION1 = -3; // "$3": "%.2f"
constexpr LONG FORMAT_CODE_FRACTION2 = -4; // "$4": "%.2f"

// A row text: 1031 characters and the terminator.
constexpr int GRAPH_TEXT_SIZE = 1032;

// Compiles Format[j] of the source into PassedFormat[j], lFormatParamOrder[j] and
// dwRealFormatParams[j]. PassedFormat[j] must be cleared and dwRealFormatParams[j] set to 0
// before. Compilation stops at the token that would need a 17th code or that would take the
// compiled text past 511 characters, so nothing after that token reaches the row.
void CompileFormat(COnePlugin* plugin, DWORD j);

// Writes the row text of item j of the source for the sample into buffer (size bytes, at least
// 1). A longer text is cut, never in the middle of a double-byte character.
void FormatGraphText(LPSTR buffer, int size, COnePlugin* plugin, DWORD j, const PMPDATA* data);

// Copies text into buffer (size bytes, at least 1), cut like a row text.
void CopyGraphText(LPSTR buffer, int size, LPCSTR text);

// value / maximum x 100 as the row texts and the bars take it: 0 for a maximum of 0.
double GraphRatioPercent(DWORD value, DWORD maximum);
