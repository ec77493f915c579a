// gdi32 and msimg32.
#pragma once

#include "windef.h"
#include "win/gdi.h"
