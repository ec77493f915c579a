// kernel32: the declarations are split by concern under win/.
#pragma once

#include "windef.h"
#include "winerror.h"
#include "win/kernel_base.h"
#include "win/kernel_files.h"
#include "win/kernel_files_ext.h"
#include "win/kernel_modules.h"
#include "win/kernel_system.h"
#include "win/global_memory.h"
#include "win/kernel_sync.h"
