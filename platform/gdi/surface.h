#pragma once

#include "gdi32/surface.h"
