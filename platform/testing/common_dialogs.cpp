#include "testing/desktop.h"
#include "testing/sheet.h"

#include "comctl32/list_view.h"
#include "comdlg32/font_dialog.h"
#include "present/headless.h"
#include "present/snapshot.h"

#include <string>

namespace platform::testing {

DialogScript FontChoice(std::string_view face, std::string_view style, int points) {
    DialogScript script;
    script.SetText(comdlg32::kFontFaceEdit, face)
        .Pick(comdlg32::kFontStyleList, style)
        .SetText(comdlg32::kFontSizeEdit, std::to_string(points))
        .Click(IDOK);
    return script;
}

DialogScript FileChoice(std::string_view path) {
    DialogScript script;
    script.SetText(comdlg32::kFileNameEdit, path).Click(IDOK);
    return script;
}

DialogScript CancelChoice() {
    DialogScript script;
    script.Click(IDCANCEL);
    return script;
}

DialogScript FontWrittenThenCancelled(std::string_view face) {
    DialogScript script;
    script.SetText(comdlg32::kFontFaceEdit, face)
        .Then([](HWND dialog) -> std::optional<std::string> {
            if (!comdlg32::WriteFontChoiceEarly(dialog))
                return "not a font dialog";
            return std::nullopt;
        })
        .Click(IDCANCEL);
    return script;
}

void AnswerNextFontDialog(DialogScript script) {
    AnswerNextDialog(comdlg32::kFontDialogName, std::move(script));
}

void AnswerNextFileDialog(DialogScript script) {
    AnswerNextDialog(comdlg32::kFileDialogName, std::move(script));
}

void WritePictureIfAsked(HWND window, std::string_view name) {
    std::optional<std::string> folder = present::SnapshotFolder();
    if (!folder)
        return;
    if (auto pixels = ReadWindowPixels(window))
        present::WriteSurfacePng(*pixels, *folder + "/" + std::string(name) + ".png", 255,
                                 std::nullopt);
}

DialogScript& PickListViewItem(DialogScript& script, int id, int index, bool double_click) {
    return script.Then([id, index, double_click](HWND dialog) -> std::optional<std::string> {
        // In a sheet the id names a control of the page shown.
        HWND control = ScriptControl(dialog, id);
        if (!control || !IsWindowVisible(control))
            return "no visible control " + std::to_string(id);
        if (!comctl32::ListViewPickByUser(control, index, double_click))
            return "control " + std::to_string(id) + " has no item " + std::to_string(index);
        return std::nullopt;
    });
}

} // namespace platform::testing
