// The plug-in interface lives in plugin_sdk/, the folder that plug-ins see; include it from there.
#pragma once

#include "plugin_sdk/pmp.h"
