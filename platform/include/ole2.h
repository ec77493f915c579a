// ole32 and oleaut32.
#pragma once

#include "windows.h"
#include "objbase.h"
#include "ocidl.h"
