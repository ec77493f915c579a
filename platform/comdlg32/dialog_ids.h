// The controls of the layer's font and file dialogs, as the test desktop names them.
#pragma once

namespace platform::comdlg32 {

// ChooseFontA: the face typed or picked, the styles, the size typed or picked, the sample.
inline constexpr int kFontFaceEdit = 1152;
inline constexpr int kFontFaceList = 1136;
inline constexpr int kFontStyleList = 1137;
inline constexpr int kFontSizeEdit = 1154;
inline constexpr int kFontSizeList = 1138;
inline constexpr int kFontSample = 1092;
inline constexpr const char* kFontDialogName = "ChooseFont";

// GetOpenFileNameA: the folder shown, the drives, the folder's entries (folders as "[name]",
// the parent as "[..]"), the name typed and the file types of the caller's filter.
inline constexpr int kFileFolderText = 1091;
inline constexpr int kFileDriveCombo = 1139;
inline constexpr int kFileList = 1120;
inline constexpr int kFileNameEdit = 1148;
inline constexpr int kFileTypeCombo = 1136;
inline constexpr const char* kFileDialogName = "GetOpenFileName";

} // namespace platform::comdlg32
