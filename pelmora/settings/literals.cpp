#include "settings/literals.h"

void InitializeLiterals() {}
