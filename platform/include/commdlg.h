#pragma once

#include "windows.h"
#include "win/comdlg_font_file.h"
