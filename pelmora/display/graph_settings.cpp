// The display settings of every data item of every source, read at start-up and whenever the
// options are applied.
#include "display/default_colors.h"
#include "display/format.h"
#include "display/graph_display.h"
#include "settings/catalogue.h"
#include "settings/drive_profile.h"
#include "settings/literals.h"

#include <cstring>

namespace {

// "%s|%i" of an identifier of up to 256 characters and one digit, with room to spare.
constexpr int ITEM_CATEGORY_NAME_SIZE = 264;

CDriveProfileCategory* GetItemCategory(COnePlugin* plugin, DWORD j) {
    CHAR name[ITEM_CATEGORY_NAME_SIZE];
    wsprintfA(name, Literals::DataItemCategoryFormat, plugin->Identifier, int(j));
    CDriveProfileCategory* category = pPluginsCategory->FindCategory(name, false);
    if (category != nullptr)
        return category;
    // Older settings files kept one category per source, named by the identifier alone; it
    // becomes the category of item 0 with all its keys.
    if (j == 0 && pPluginsCategory->HasCategory(plugin->Identifier))
        return pPluginsCategory->RenameCategory(plugin->Identifier, name);
    return pPluginsCategory->GetCategory(name);
}

void LoadItemSettings(COnePlugin* plugin, DWORD j) {
    CDriveProfileCategory* category = GetItemCategory(plugin, j);
    const PMPINFO* info = plugin->GetInfo();

    if (info->dwAvailableGraphs != 0)
        plugin->lDrawnGraphs[j] = category->GetIntegerInRange(Literals::DrawnGraphs, 1, 0, 3);
    else
        plugin->lDrawnGraphs[j] = category->GetIntegerInRange(Literals::DrawnGraphs, 0, 0, 0);
    plugin->lGraph1Type[j] = category->GetIntegerOrDefault(Literals::Graph1Type, 0);
    // Each colour takes the next default first, so the table moves on by four per item whether
    // the keys exist or not.
    plugin->rgbGraph1Color1[j] =
        category->GetDWordOrDefault(Literals::Graph1Color1, NextDefaultGraphColor());
    plugin->rgbGraph1Color2[j] =
        category->GetDWordOrDefault(Literals::Graph1Color2, NextDefaultGraphColor());
    plugin->lGraph2Type[j] = category->GetIntegerOrDefault(Literals::Graph2Type, 0);
    plugin->rgbGraph2Color1[j] =
        category->GetDWordOrDefault(Literals::Graph2Color1, NextDefaultGraphColor());
    plugin->rgbGraph2Color2[j] =
        category->GetDWordOrDefault(Literals::Graph2Color2, NextDefaultGraphColor());
    plugin->lPosition1[j] = category->GetIntegerInRange(Literals::Graph1Position, 0, 0, 2);
    plugin->lPosition2[j] = category->GetIntegerInRange(Literals::Graph2Position, 0, 0, 2);
    plugin->lTextHorizontalPosition[j] =
        category->GetIntegerOrDefault(Literals::TextHorizontalPosition, 3);
    plugin->rgbTextColor[j] = category->GetDWordOrDefault(Literals::TextColor, 0);

    plugin->dwRealFormatParams[j] = 0;
    LPCSTR defaultFormat =
        info->pszDefaultFormat != nullptr ? info->pszDefaultFormat : Literals::EmptyText;
    // A stored format longer than 511 characters is cut to fit.
    CopyGraphText(plugin->GetFormat(int(j)), PLUGIN_FORMAT_SIZE,
                  category->GetStringOrDefault(Literals::Format, defaultFormat));

    std::memset(plugin->GetPassedFormatBuffer(int(j)), 0, PLUGIN_FORMAT_SIZE);
    CompileFormat(plugin, j);
}

} // namespace

void LoadGraphSettings() {
    DWORD count = GetPluginCount();
    for (DWORD i = 0; i < count; ++i) {
        COnePlugin* plugin = GetPluginSlot(i);
        if (plugin == nullptr)
            break;
        DWORD items = plugin->GetInfo()->dwDataItems;
        if (items > MAX_PLUGIN_ITEMS)
            items = MAX_PLUGIN_ITEMS;
        for (DWORD j = 0; j < items; ++j)
            LoadItemSettings(plugin, j);
    }
}
