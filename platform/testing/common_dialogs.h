// The test desktop's answers to the layer's font and file dialogs, and the steps a user takes in
// a list-view control: scripts that set the dialogs' controls as a user would.
#pragma once

#include "comdlg32/dialog_ids.h"

#include <string_view>

namespace platform::testing {

class DialogScript;

// The font dialog: the face typed into its box (the list follows it when it holds that face),
// the style picked ("Regular", "Italic", "Bold", "Bold Italic"), the size typed, then OK.
DialogScript FontChoice(std::string_view face, std::string_view style = "Regular", int points = 10);
// The file dialog: a path typed into the name box (whole, "C:\...", or within the folder
// shown), then Open.
DialogScript FileChoice(std::string_view path);
// Cancel, in either.
DialogScript CancelChoice();
// In the font dialog: the face typed and, before Cancel, the choice written into the caller's
// record, as the system's dialog may write it although the user cancels.
DialogScript FontWrittenThenCancelled(std::string_view face);
// The scripts queued for the next font or file dialog (AnswerNextDialog by its name).
void AnswerNextFontDialog(DialogScript script);
void AnswerNextFileDialog(DialogScript script);

// When PELMORA_PLATFORM_SNAPSHOT names a folder: the window with its controls as the user sees
// it (ReadWindowPixels), written there as "<name>.png", for looking at a layout.
void WritePictureIfAsked(HWND window, std::string_view name);

// A click, or a double click, on an item of a list-view control of the dialog (in a sheet, of
// the page shown).
DialogScript& PickListViewItem(DialogScript& script, int id, int index, bool double_click);

} // namespace platform::testing
