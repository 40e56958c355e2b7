// EngineTypes: the types the engine's interface uses. The 16-bit Boolean of
// the option fields lives in base (Boolean.h), shared with the layers above.
#pragma once

#include "Boolean.h"
