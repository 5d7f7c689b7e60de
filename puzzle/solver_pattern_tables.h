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
    static constexpr int maxGroupSize = 7;

    using Groups = std::vector<std::vector<int>>;

    // 6-6-3: the two large groups are the 2x3 blocks away from the empty corner, the small
    // one the three tiles next to it.
    static Groups defaultGroups();
    // Null when the groups are not disjoint, do not cover tiles 0 to 14, or a group is
    // empty or larger than maxGroupSize. Smaller groups build faster and prune worse.
    static std::shared_ptr<const PatternTables> build(const Groups& groups = defaultGroups());

    bool save(const std::string& path) const;
    static std::shared_ptr<const PatternTables> load(const std::string& path);

    const Groups& groups() const { return groupTiles; }
    int groupCount() const { return static_cast<int>(groupTiles.size()); }
    int groupOf(int tile) const { return tileGroup[static_cast<std::size_t>(tile)]; }
    // positions[j] is the cell of the group's j-th tile.
    int lookup(int group, const std::uint8_t* positions) const {
        const auto& table = tables[static_cast<std::size_t>(group)];
        return table[rank(positions, groupTiles[static_cast<std::size_t>(group)].size())];
    }
    // A lower bound for a whole board: cellOfTile[t] is where tile t stands (t < 15).
    int estimate(const std::uint8_t* cellOfTile) const;

    // Compact index of a placement of k distinct cells.
    static std::size_t rank(const std::uint8_t* positions, std::size_t k);
    static std::size_t tableSize(std::size_t k);

private:
    PatternTables() = default;
    bool adopt(Groups groups);
    void buildGroup(std::size_t group);

    Groups groupTiles;
    std::vector<int> tileGroup;
    std::vector<std::vector<std::uint8_t>> tables;
};

}  // namespace zolva::solver
