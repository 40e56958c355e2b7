// Boolean: the 16-bit truth value of the engine's option flags, the global
// BatchMode and the button control's flags.
//
// True is stored as -1 and false as 0; every test treats any non-zero value
// as true. Pure C++; a plain value type.
#pragma once

#include <cstdint>

namespace tessark {

using Boolean = std::int16_t;
inline constexpr Boolean True = -1;
inline constexpr Boolean False = 0;

}  // namespace tessark
