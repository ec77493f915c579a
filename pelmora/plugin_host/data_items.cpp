#include "plugin_host/data_items.h"

#include "display/rows.h"
#include "resource.h"
#include "settings/drive_profile.h"
#include "settings/literals.h"
#include "shell/environment.h"
#include "shell/program.h"

CHAR szDataKeyBuffer[DATA_KEY_BUFFER_SIZE];
CHAR szGraphKeyBuffer[DATA_KEY_BUFFER_SIZE];

namespace {

// Resource strings: the row binding error, and the plug-in name of a built-in source.

// Finds the slot and item number of a global index by walking the items in list order.
BOOL FindDataItem(DWORD index, DWORD* pSlot, DWORD* pItem) {
    DWORD k = 0;
    for (DWORD p = 0; p < GetPluginCount(); ++p) {
        COnePlugin* plugin = GetPluginSlot(p);
        if (!plugin)
            break;
        for (DWORD j = 0; j < plugin->Info.dwDataItems; ++j) {
            if (k == index) {
                *pSlot = p;
                *pItem = j;
                return TRUE;
            }
            k += 1;
        }
    }
    return FALSE;
}

// Copies as much of name as fits DATA_KEY_NAME_MAX bytes, whole characters only, so that a key
// formatted from the copy fits its buffer. A display name has no length limit of its own.
void CopyKeyName(LPSTR destination, LPCSTR name) {
    LPCSTR end = name;
    while (*end) {
        LPCSTR next = CharNextA(end);
        if (next - name > DATA_KEY_NAME_MAX)
            break;
        end = next;
    }
    lstrcpynA(destination, name, int(end - name) + 1);
}

// Formats "<name>|<j>" into a DATA_KEY_BUFFER_SIZE buffer, the name cut as CopyKeyName does.
LPSTR FormatKey(LPSTR buffer, LPCSTR name, DWORD j) {
    CHAR szName[DATA_KEY_NAME_MAX + 1];
    CopyKeyName(szName, name ? name : Literals::EmptyText);
    // Item numbers are 0 to 9 here (at most 3 for an item, one digit for a parsed key).
    wsprintfA(buffer, Literals::DataItemCategoryFormat, szName, int(j % 10));
    return buffer;
}

// Splits a key into its name (into szName, DATA_KEY_PARSE_SIZE bytes) and item number. A key
// of fewer than two characters names nothing; nor does one too long to take in, since no name
// of a key is longer than DATA_KEY_NAME_MAX.
BOOL ParseKey(LPCSTR key, LPSTR szName, DWORD* pItem) {
    if (!key)
        return FALSE;
    int length = lstrlenA(key);
    if (length < 2 || length >= DATA_KEY_PARSE_SIZE)
        return FALSE;
    CHAR last = key[length - 1];
    *pItem = (last >= '0' && last <= '9') ? DWORD(last - '0') : 0;
    lstrcpynA(szName, key, length - 1);
    return TRUE;
}

// Whether a source's display name, as a display key carries it, is name.
BOOL IsDisplayName(const COnePlugin* plugin, LPCSTR name) {
    CHAR szName[DATA_KEY_NAME_MAX + 1];
    CopyKeyName(szName, plugin->Info.pszName ? plugin->Info.pszName : Literals::EmptyText);
    return lstrcmpA(szName, name) == 0;
}

[[noreturn]] void FatalRowError() {
    FatalExit(LoadResourceString(IDS_ROW_ERROR));
}

// The global index of the first data item, in plug-in list order, that `match` (plug-in,
// item number) takes; -1 for none.
template <typename Match> int FindDataIndex(Match match) {
    int k = 0;
    for (DWORD p = 0; p < GetPluginCount(); ++p) {
        COnePlugin* plugin = GetPluginSlot(p);
        if (!plugin)
            break;
        for (DWORD j = 0; j < plugin->Info.dwDataItems; ++j) {
            if (match(plugin, j))
                return k;
            k += 1;
        }
    }
    return -1;
}

} // namespace

LPSTR DataIndexToKey(DWORD index) {
    DWORD p, j;
    if (!FindDataItem(index, &p, &j))
        return nullptr;
    return FormatKey(szDataKeyBuffer, GetPluginSlot(p)->Identifier, j);
}

LPSTR DataIndexToDisplayKey(DWORD index) {
    DWORD p, j;
    if (!FindDataItem(index, &p, &j))
        return nullptr;
    return FormatKey(szDataKeyBuffer, GetPluginSlot(p)->Info.pszName, j);
}

COnePlugin* DataIndexToPlugin(DWORD index) {
    DWORD p, j;
    if (!FindDataItem(index, &p, &j))
        return nullptr;
    return GetPluginSlot(p);
}

int DataIndexToPluginNumber(DWORD index) {
    DWORD p, j;
    if (!FindDataItem(index, &p, &j))
        return -1;
    return int(p);
}

int DataIndexToItemNumber(DWORD index) {
    DWORD p, j;
    if (!FindDataItem(index, &p, &j))
        return -1;
    return int(j);
}

int DataKeyToIndex(LPCSTR displayKey) {
    CHAR szName[DATA_KEY_PARSE_SIZE];
    DWORD item;
    if (!ParseKey(displayKey, szName, &item))
        return -1;
    return FindDataIndex(
        [&](COnePlugin* plugin, DWORD j) { return j == item && IsDisplayName(plugin, szName); });
}

LPSTR DataKeyToText(LPCSTR displayKey) {
    CHAR szName[DATA_KEY_PARSE_SIZE];
    DWORD item;
    if (!ParseKey(displayKey, szName, &item))
        return nullptr;
    for (DWORD p = 0; p < GetPluginCount(); ++p) {
        COnePlugin* plugin = GetPluginSlot(p);
        if (!plugin)
            break;
        if (IsDisplayName(plugin, szName))
            return FormatKey(szDataKeyBuffer, plugin->Identifier, item);
    }
    return nullptr;
}

LPSTR DataIndexToText(int r) {
    const COneGraph* graph = GetGraph(r);
    if (!graph || !graph->Plugin)
        return nullptr;
    return FormatKey(szGraphKeyBuffer, graph->Plugin->Info.pszName, graph->dwPluralNumber);
}

int GraphToDataIndex(int r) {
    const COneGraph* graph = GetGraph(r);
    if (!graph || !graph->Plugin)
        return -1;
    return FindDataIndex([&](COnePlugin* plugin, DWORD j) {
        return plugin == graph->Plugin && j == graph->dwPluralNumber;
    });
}

COnePlugin* FindPluginByName(LPCSTR name) {
    for (DWORD p = 0; p < GetPluginCount(); ++p) {
        COnePlugin* plugin = GetPluginSlot(p);
        if (!plugin)
            break;
        if (plugin->Info.pszName && lstrcmpA(plugin->Info.pszName, name) == 0)
            return plugin;
    }
    return nullptr;
}

LPCSTR GetDataItemPluginName(DWORD index) {
    COnePlugin* plugin = DataIndexToPlugin(index);
    if (!plugin)
        return nullptr;
    if (plugin->IsInternal)
        return LoadResourceString(IDS_INTERNAL_PLUGIN_NAME);
    return plugin->Identifier;
}

LPCSTR GetDataItemDescription(DWORD index) {
    COnePlugin* plugin = DataIndexToPlugin(index);
    if (!plugin)
        return nullptr;
    return plugin->Info.pszDescription;
}

DWORD ShowDataItemDetailSettings(HWND hOwner, DWORD index) {
    int p = DataIndexToPluginNumber(index);
    if (p < 0)
        return 0;
    PFNPMPSHOWDETAILSETTINGS show = GetPluginSlot(DWORD(p))->Procedures.pfnShowDetailSettings;
    if (!show)
        return 0;
    return show(DWORD(DataIndexToItemNumber(index)), hOwner);
}

COnePlugin* BindPluginItem(LPCSTR identifier, DWORD j) {
    if (j < MAX_PLUGIN_ITEMS) {
        for (DWORD p = 0; p < GetPluginCount(); ++p) {
            COnePlugin* plugin = GetPluginSlot(p);
            if (!plugin)
                break;
            if (lstrcmpA(plugin->Identifier, identifier) == 0 && !plugin->IsAlreadyUsed[j]) {
                plugin->IsAlreadyUsed[j] = true;
                return plugin;
            }
        }
    }
    lstrcpyA(pPlaceholderPlugin->Identifier, Literals::Placeholder);
    return pPlaceholderPlugin;
}

void ClearPluginUsage() {
    for (DWORD p = 0; p < GetPluginCount(); ++p) {
        COnePlugin* plugin = GetPluginSlot(p);
        if (!plugin)
            break;
        for (DWORD j = 0; j < MAX_PLUGIN_ITEMS; ++j)
            plugin->IsAlreadyUsed[j] = false;
    }
}

COnePlugin* BindGraphRow(CDriveProfileCategory* pGraphDetail, DWORD row, DWORD* pdwPluralNumber) {
    // 1. The row's key, "*" when it is missing.
    CHAR szKeyName[32];
    wsprintfA(szKeyName, Literals::NumberedKeyFormat, Literals::Graph, int(row));
    LPCSTR value = pGraphDetail->GetStringOrDefault(szKeyName, Literals::Placeholder);
    // A text that leaves no room for the separator to be added is longer than any settings key
    // (identifiers are at most PLUGIN_IDENTIFIER_MAX characters), so it names no source.
    if (lstrlenA(value) > DATA_KEY_PARSE_SIZE - 3)
        FatalRowError();
    CHAR szText[DATA_KEY_PARSE_SIZE];
    lstrcpyA(szText, value);

    // 2. A row nobody has chosen a data item for.
    if (lstrcmpA(szText, Literals::Placeholder) == 0)
        FatalRowError();

    // 3. A key without separator and item number gets item 0, in the settings too.
    int length = lstrlenA(szText);
    if (length < 2 || szText[length - 2] != '|') {
        CHAR szMended[DATA_KEY_PARSE_SIZE];
        wsprintfA(szMended, Literals::DataItemCategoryFormat, szText, 0);
        pGraphDetail->SetString(szKeyName, szMended);
        lstrcpynA(szText, pGraphDetail->GetString(szKeyName), DATA_KEY_PARSE_SIZE);
        length = lstrlenA(szText);
        if (length < 2)
            FatalRowError();
    }

    // 4. Item number and identifier.
    CHAR last = szText[length - 1];
    DWORD item = (last >= '0' && last <= '9') ? DWORD(last - '0') : 0;
    szText[length - 2] = '\0';

    // 5 to 7. Bind; an unknown identifier, an item already on an earlier row or an item the
    //    source does not offer ends the program.
    COnePlugin* plugin = BindPluginItem(szText, item);
    if (lstrcmpA(plugin->Identifier, Literals::Placeholder) == 0)
        FatalRowError();
    if (item >= plugin->Info.dwDataItems)
        FatalRowError();
    *pdwPluralNumber = item;
    return plugin;
}
