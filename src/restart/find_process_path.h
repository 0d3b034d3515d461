#pragma once
#include "platform/text.h"

// The full executable path of the first running process (in snapshot order)
// whose executable name equals `name` byte for byte. Empty when there is
// none, it cannot be opened, or its path cannot be read whole. The caller
// owns the result.
Text FindProcessPath(const char* name);
