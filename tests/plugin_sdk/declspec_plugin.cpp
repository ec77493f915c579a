// The same plug-in source, compiled as C++.
#include "declspec_plugin.c"
