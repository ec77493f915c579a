// user32: the declarations are split by concern under win/.
#pragma once

#include "windef.h"
#include "win/user_resources.h"
#include "win/user_system.h"
#include "win/user_windows.h"
#include "win/user_dialogs.h"
#include "win/user_hotkeys.h"
#include "win/user_strings.h"
#include "win/user_hooks.h"
#include "win/user_colors.h"
