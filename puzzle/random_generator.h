// The one random generator of the program: a 32-bit linear congruential generator whose
// results are 15 bits wide. The shuffle's index formula depends on that exact range, and a
// known state gives a known deal, which is what lets tests pin a shuffle down.
#pragma once

#include <cstdint>

namespace zolva::random {

// Seeds the generator from the current calendar time in whole seconds.
void seedFromClock();
// Sets the state directly (tests, reproducible deals).
void setState(std::uint32_t state);
std::uint32_t getState();
// Advances the state and returns bits 16 to 30 of it: 0 to 32767.
int next();

}  // namespace zolva::random
