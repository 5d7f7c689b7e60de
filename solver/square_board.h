// A square board of `side` cells a side (4 or 5) as the bits of one word, cell c being bit
// c: what the pattern tables' builders and lookups share.
//
// Internal to the solver; callers use solver.h.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace zolva::solver::detail {

template <int side>
struct SquareBoard {
    static_assert(side >= 2 && side * side <= 32);
    static constexpr int cellCount = side * side;
    static constexpr std::uint32_t all =
        cellCount == 32 ? ~std::uint32_t{0} : (std::uint32_t{1} << cellCount) - 1;

    // The cells the empty space can reach from `seed` without moving a tile off `free`.
    // Within that region it moves for free, which is what makes the groups' counts add up.
    static std::uint32_t reachable(std::uint32_t seed, std::uint32_t free) {
        std::uint32_t region = seed & free;
        for (;;) {
            std::uint32_t grown = region | ((region << 1) & ~firstColumn()) |
                                  ((region >> 1) & ~lastColumn()) | (region << side) |
                                  (region >> side);
            grown &= free & all;
            if (grown == region) {
                return region;
            }
            region = grown;
        }
    }

    static std::uint32_t neighbours(int cell) {
        const int column = cell % side;
        const int row = cell / side;
        std::uint32_t mask = 0;
        if (column > 0)
            mask |= 1u << (cell - 1);
        if (column < side - 1)
            mask |= 1u << (cell + 1);
        if (row > 0)
            mask |= 1u << (cell - side);
        if (row < side - 1)
            mask |= 1u << (cell + side);
        return mask;
    }

    // How far a group's tiles stand from home; positions[j] is the cell of members[j].
    static int manhattan(const std::vector<int>& members, const std::uint8_t* positions) {
        int total = 0;
        for (std::size_t j = 0; j < members.size(); ++j) {
            const int cell = positions[j];
            total += std::abs(cell % side - members[j] % side) +
                     std::abs(cell / side - members[j] / side);
        }
        return total;
    }

private:
    static constexpr std::uint32_t firstColumn() {
        std::uint32_t column = 0;
        for (int row = 0; row < side; ++row) {
            column |= std::uint32_t{1} << (row * side);
        }
        return column;
    }
    static constexpr std::uint32_t lastColumn() { return firstColumn() << (side - 1); }
};

}  // namespace zolva::solver::detail
