// Additive pattern databases for the 5x5 board, the estimate behind its near-shortest
// plans. The 24 tiles of the board whose empty space belongs in the bottom-right cell are
// split into disjoint groups of at most five; a group's table holds, for every placement of
// its tiles, the fewest moves of those tiles alone that bring them home while the empty
// space roams free, so the groups' counts add up to a lower bound.
//
// As in the 4x4 tables, a count is stored as its excess over the tiles' Manhattan distance
// (every move changes that distance by exactly one, so the count is the distance plus twice
// the excess), four bits each, under an index with one base-25 digit per tile: a slide
// changes the index by one multiple of a power of 25. The default 5-5-5-5-4 tables take
// about 20 MB.
//
// Building them takes seconds of both cores, so the game builds them once away from the
// user-interface thread and caches them on disk; until then larger boards are planned
// without them. A cache file carries a format version, the group layout, the sizes and a
// checksum; load refuses anything that does not match exactly, and the caller builds anew.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace zolva::solver {

class FiveByFiveTables {
public:
    static constexpr int boardSide = 5;
    static constexpr int cellCount = 25;
    static constexpr int emptyHome = 24;
    static constexpr int maxGroupSize = 5;

    using Groups = std::vector<std::vector<int>>;

    // 5-5-5-5-4: blocks of the board, the four-tile one next to the empty corner.
    static Groups defaultGroups();
    // Null when the groups are not disjoint, do not cover tiles 0 to 23, or a group is empty
    // or larger than maxGroupSize. Groups are built on up to `threads` threads at once.
    static std::shared_ptr<const FiveByFiveTables> build(const Groups& groups = defaultGroups(),
                                                         unsigned threads = 2);

    // Written atomically: a reader sees the old file or the whole new one.
    bool save(const std::string& path) const;
    static std::shared_ptr<const FiveByFiveTables> load(const std::string& path);

    const Groups& groups() const { return groupTiles; }
    std::size_t bytes() const;
    // The fewest moves that bring the group's tiles home; positions[j] is the cell of its
    // j-th tile.
    int lookup(int group, const std::uint8_t* positions) const;

    // The search's fast path: placementIndex and digit weights, and the excess in four bits.
    static std::size_t placementIndex(const std::uint8_t* positions, std::size_t k) {
        std::size_t index = 0;
        for (std::size_t j = 0; j < k; ++j) {
            index = index * cellCount + positions[j];
        }
        return index;
    }
    static std::size_t digitWeight(std::size_t slot, std::size_t k) {
        std::size_t weight = 1;
        for (std::size_t j = slot + 1; j < k; ++j) {
            weight *= cellCount;
        }
        return weight;
    }
    const std::uint8_t* excessTable(int group) const {
        return excessTables[static_cast<std::size_t>(group)].data();
    }
    static int excessIn(const std::uint8_t* table, std::size_t index) {
        return (table[index / 2] >> (4 * (index % 2))) & 0xf;
    }

private:
    FiveByFiveTables() = default;
    bool adopt(Groups groups);
    bool buildTable(std::size_t group);

    Groups groupTiles;
    std::vector<std::vector<std::uint8_t>> excessTables;
};

}  // namespace zolva::solver
