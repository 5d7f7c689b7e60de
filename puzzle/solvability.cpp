#include "puzzle/solvability.h"

#include <cstdlib>
#include <utility>

namespace zolva {

bool canSlideHome(int columns, const std::vector<int>& homes, int emptyCell) {
    const int count = static_cast<int>(homes.size());
    if (columns <= 0 || count == 0 || count % columns != 0 || emptyCell < 0 || emptyCell >= count) {
        return false;
    }
    std::vector<bool> seen(homes.size(), false);
    for (const int home : homes) {
        if (home < 0 || home >= count || seen[static_cast<std::size_t>(home)]) {
            return false;
        }
        seen[static_cast<std::size_t>(home)] = true;
    }
    const int emptyHome = homes[static_cast<std::size_t>(emptyCell)];
    if (columns == 1 || count == columns) {
        // On a single line the tiles can never pass each other: they must already be in order.
        int previous = -1;
        for (const int home : homes) {
            if (home != emptyHome) {
                if (home < previous) {
                    return false;
                }
                previous = home;
            }
        }
        return true;
    }
    // Every slide is one swap with the empty space and moves it one cell, so the parity of
    // the permutation and of the empty space's distance from its home change together.
    std::vector<int> order = homes;
    int swaps = 0;
    for (int cell = 0; cell < count; ++cell) {
        while (order[static_cast<std::size_t>(cell)] != cell) {
            const int home = order[static_cast<std::size_t>(cell)];
            std::swap(order[static_cast<std::size_t>(cell)], order[static_cast<std::size_t>(home)]);
            ++swaps;
        }
    }
    const int distance = std::abs(emptyCell % columns - emptyHome % columns) +
                         std::abs(emptyCell / columns - emptyHome / columns);
    return (swaps + distance) % 2 == 0;
}

}  // namespace zolva
