#include "puzzle/random_generator.h"

#include <ctime>

namespace zolva::random {

namespace {
// One generator for the whole program: the board is its only user and runs on the one
// user-interface thread, so a plain global is all it needs.
std::uint32_t state = 0;
}  // namespace

void seedFromClock() {
    // Seeded once, when the board is built; every later deal continues the same sequence,
    // so whole seconds are plenty.
    state = static_cast<std::uint32_t>(std::time(nullptr));
}

void setState(std::uint32_t newState) {
    state = newState;
}

std::uint32_t getState() {
    return state;
}

int next() {
    // Unsigned arithmetic wraps modulo 2^32, which is exactly the generator's rule.
    state = state * 214013u + 2531011u;
    return static_cast<int>((state >> 16) & 0x7FFFu);
}

}  // namespace zolva::random
