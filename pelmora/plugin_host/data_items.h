// Data items: the items of all sources in use numbered from 0 in list order (slot 0's items by
// item number, then slot 1's, ...), the keys that name them, and the binding of display rows.
//
// A settings key is "<Identifier>|<item>" (Internal:CPUUsage|0), a display key
// "<pszName>|<item>". Parsing either takes the last character as the item number (a non-digit
// reads as 0), the one before it as the separator and the rest as the name, so item numbers
// are single digits.
//
// The texts come back in shared buffers that the next call overwrites: copy them at once.
// Nothing found is null or -1. GUI thread only.
#pragma once

#include "plugin_host/plugin_list.h"

class CDriveProfileCategory;

// Result buffers of the key lookups: a name of DATA_KEY_NAME_MAX bytes, "|", one digit and the
// terminator.
constexpr int DATA_KEY_BUFFER_SIZE = 264;
constexpr int DATA_KEY_NAME_MAX = DATA_KEY_BUFFER_SIZE - 3;
// Keys taken in for parsing, and row texts: 519 characters and the terminator.
constexpr int DATA_KEY_PARSE_SIZE = 520;

extern CHAR szDataKeyBuffer[DATA_KEY_BUFFER_SIZE];
extern CHAR szGraphKeyBuffer[DATA_KEY_BUFFER_SIZE];

// Settings key of a data item, in szDataKeyBuffer.
LPSTR DataIndexToKey(DWORD index);
// Display key of a data item, in szDataKeyBuffer. A display name longer than
// DATA_KEY_NAME_MAX bytes appears cut to that length, on a character boundary.
LPSTR DataIndexToDisplayKey(DWORD index);
COnePlugin* DataIndexToPlugin(DWORD index);
int DataIndexToPluginNumber(DWORD index);
int DataIndexToItemNumber(DWORD index);
// The first data item in list order whose source's display name and item number the display
// key names (a long display name as DataIndexToDisplayKey cuts it).
int DataKeyToIndex(LPCSTR displayKey);
// The settings key for a display key, in szDataKeyBuffer: the identifier of the first source of
// that display name and the key's item number, which is not checked against the source.
LPSTR DataKeyToText(LPCSTR displayKey);
// Display key of the binding of display row r (its source's display name and its item number),
// in szGraphKeyBuffer; null for a row that does not exist or has never been bound.
LPSTR DataIndexToText(int r);
// The global index of the data item that display row r is bound to (its source and its item
// number); -1 for a row that does not exist or has never been bound.
int GraphToDataIndex(int r);
// The first source in use whose display name is name.
COnePlugin* FindPluginByName(LPCSTR name);
// The plug-in name of a data item: for a built-in source the shared resource-string buffer
// (string 47), for a library its file name.
LPCSTR GetDataItemPluginName(DWORD index);
LPCSTR GetDataItemDescription(DWORD index);
// Opens the detail settings of a data item, owned by hOwner. The source's result (non-zero:
// its settings changed), or 0 when it has no detail settings or the index names nothing.
DWORD ShowDataItemDetailSettings(HWND hOwner, DWORD index);

// Binds item j of the first source with this identifier whose item j is not yet bound in this
// pass; when there is none, the placeholder, whose Identifier is then "*".
COnePlugin* BindPluginItem(LPCSTR identifier, DWORD j);
// Ends a binding pass: no item of any source is bound.
void ClearPluginUsage();
// Steps of the row binding for row `row`: reads its key in the "GraphDetail" category (adding
// the separator and item 0 when the key lacks them), binds the item and returns the source, with
// the item number in *pdwPluralNumber. A row that cannot be bound ends the program.
COnePlugin* BindGraphRow(CDriveProfileCategory* pGraphDetail, DWORD row, DWORD* pdwPluralNumber);
