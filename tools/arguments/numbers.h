// numbers.h -- the command lines' numbers: whole numbers in decimal digits and "WxH" sizes, as
// qolatool's subcommands, capture and the preview take them
#pragma once

#include <cstdint>

namespace arguments {

// A whole number from 0 to max in decimal digits alone: no sign, no space, no suffix.
bool ParseWhole(const char* text, uint64_t max, uint64_t* out);

// A whole number of milliseconds, 0 to 2^32 - 1.
bool ParseMs(const char* text, uint32_t* ms);

// "WxH", each side a whole number from minSide to maxSide.
bool ParseSize(const char* text, int minSide, int maxSide, int* width, int* height);

}  // namespace arguments
