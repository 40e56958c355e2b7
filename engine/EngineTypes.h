// EngineTypes: the 16-bit Boolean that the engines' option fields hold.
//
// True is stored as -1 and false as 0; every pass treats any non-zero value
// as on.
#pragma once

#include <cstdint>

namespace tessark {

using Boolean = std::int16_t;
inline constexpr Boolean True = -1;
inline constexpr Boolean False = 0;

}  // namespace tessark
