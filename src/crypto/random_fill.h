#pragma once
// A small linear-congruential filler for values that need only be
// unpredictable to a casual reader (the starting feedback of an erase run).
#include <cstdint>

namespace quellmark {

// Replaces each byte by the top byte of a state that absorbs the byte it
// replaces; returns the final state.
uint32_t RandomFill(uint32_t seed, uint8_t* buffer, int32_t size);
// Milliseconds of the current UTC day mixed with a high-resolution counter.
uint32_t TimeSeed();

}  // namespace quellmark
