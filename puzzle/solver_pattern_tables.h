// Additive pattern databases for the 4x4 board with the empty space's home in the
// bottom-right cell (other corners are reflected onto it). The fifteen tiles are split into
// disjoint groups; each group's table holds, for every placement of its tiles, the fewest
// moves of those tiles alone that bring them home. Only the group's own tiles are counted,
// so the groups' values add up to a lower bound on the whole solution.
//
// Building the default 6-6-3 tables takes a few seconds, so the game builds them once away
// from the user-interface thread and caches them on disk. A cache file carries a format
// version, the group layout, the sizes and a checksum; load refuses anything that does not
// match exactly, and the caller simply builds afresh.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace zolva::solver {

class PatternTables {
public:
    static constexpr int boardSide = 4;
    static constexpr int cellCount = 16;
    static constexpr int emptyHome = 15;
    static constexpr int maxGroupSize = 6;

    using Groups = std::vector<std::vector<int>>;

    // 6-6-3: the two large groups are the 2x3 blocks away from the empty corner, the small
    // one the three tiles next to it.
    static Groups defaultGroups();
    // Null when the groups are not disjoint, do not cover tiles 0 to 14, or a group is
    // empty or larger than maxGroupSize. Smaller groups build faster and prune worse.
    static std::shared_ptr<const PatternTables> build(const Groups& groups = defaultGroups());

    // Written atomically: a reader sees the old file or the whole new one.
    bool save(const std::string& path) const;
    static std::shared_ptr<const PatternTables> load(const std::string& path);

    const Groups& groups() const { return groupTiles; }
    int groupCount() const { return static_cast<int>(groupTiles.size()); }
    int groupOf(int tile) const { return tileGroup[static_cast<std::size_t>(tile)]; }
    // The fewest moves that bring the group home; positions[j] is the cell of its j-th tile.
    int lookup(int group, const std::uint8_t* positions) const;
    // A lower bound for a whole board: cellOfTile[t] is where tile t stands (t < 15).
    int estimate(const std::uint8_t* cellOfTile) const;

    // The search's fast path. A group's count is its tiles' Manhattan distance plus twice an
    // excess, because every move changes that distance by exactly one; only the excess is
    // stored, in four bits, under an index with a four-bit digit per tile. The index costs
    // one add to update when a tile moves, which is what makes the search fast. The first
    // tile takes the highest digit, so placements in order of rank come in nearly rising
    // order of index.
    static std::size_t placementIndex(const std::uint8_t* positions, std::size_t k) {
        std::size_t index = 0;
        for (std::size_t j = 0; j < k; ++j) {
            index = index * 16 + positions[j];
        }
        return index;
    }
    static int digitShift(std::size_t slot, std::size_t k) {
        return 4 * static_cast<int>(k - 1 - slot);
    }
    int excess(int group, std::size_t index) const {
        return excessIn(excessTables[static_cast<std::size_t>(group)].data(), index);
    }
    // The same for a search that keeps the group's table at hand.
    const std::uint8_t* excessTable(int group) const {
        return excessTables[static_cast<std::size_t>(group)].data();
    }
    static int excessIn(const std::uint8_t* table, std::size_t index) {
        return (table[index / 2] >> (4 * (index % 2))) & 0xf;
    }

    // Compact index of a placement of k distinct cells, as the cache file lays tables out.
    static std::size_t rank(const std::uint8_t* positions, std::size_t k);
    static std::size_t tableSize(std::size_t k);

private:
    PatternTables() = default;
    bool adopt(Groups groups);
    bool buildGroup(std::size_t group);
    std::vector<std::uint8_t> distances(std::size_t group) const;
    bool adoptDistances(std::size_t group, const std::vector<std::uint8_t>& compact);

    Groups groupTiles;
    std::vector<int> tileGroup;
    std::vector<std::vector<std::uint8_t>> excessTables;
};

}  // namespace zolva::solver
