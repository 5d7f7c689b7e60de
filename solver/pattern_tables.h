// Additive pattern databases for the 4x4 board. The fifteen tiles of the board whose empty
// space belongs in the bottom-right cell are split into disjoint groups; each group's table
// holds, for every placement of its tiles, the fewest moves of those tiles alone that bring
// them home. Only the group's own tiles are counted, so the groups' values add up to a lower
// bound on the whole solution. Several such partitions may be given one after another; each
// sum is a lower bound, so the search takes the largest.
//
// A group that is the mirror image of an earlier one (left-right, top-bottom, through a
// diagonal or turned half round) reads the earlier group's table through the mirror, when
// the mirror keeps where the empty space starts: one table then serves several groups.
//
// The empty space may belong in any cell. A small group that holds the tile of that cell
// gets a twin in which the bottom-right tile takes its place; with the other groups, whose
// counts do not care where the empty space ends, the twin covers that board too. Twins are
// cheap and made whenever the tables are built or loaded; the solver reflects a board so
// that its empty space's home falls on a cell that has them.
//
// Building the default tables takes a few seconds, so the game builds them once away
// from the user-interface thread and caches them on disk. A cache file carries a format
// version, the group layout, the sizes and a checksum; load refuses anything that does not
// match exactly, and the caller simply builds afresh.
#pragma once

#include <array>
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

    // Four 6-6-3 partitions that cut the board differently: the two 3x2 blocks above the
    // bottom row, and that row; the top row with the two tiles below its right end, the
    // 3x2 block under the left end and the three tiles next to the empty corner; the 2x3
    // block at the top left, the rest above the bottom row, and that row; the top row with
    // the two tiles below its left end, the rest of the middle rows, and the bottom row.
    // Half the large groups are mirror images of others, so four large tables are built.
    // Every corner and edge home has a small group holding it in at least two of them.
    static Groups defaultGroups();
    // The groups are read in order, a partition ending each time every tile from 0 to 14
    // has been covered once. Null when a tile comes twice within a partition, the last
    // partition is incomplete, or a group is empty or larger than maxGroupSize. Smaller
    // groups build faster and prune worse.
    static std::shared_ptr<const PatternTables> build(const Groups& groups = defaultGroups());

    // Written atomically: a reader sees the old file or the whole new one.
    bool save(const std::string& path) const;
    static std::shared_ptr<const PatternTables> load(const std::string& path);

    const Groups& groups() const { return groupTiles; }
    int groupCount() const { return static_cast<int>(groupTiles.size()); }
    // Tables are numbered with the groups first, then their twins. A table's tiles come in
    // the order of the digits of its index, which for a mirrored group is the order of the
    // group it mirrors.
    const std::vector<int>& tilesOf(int table) const {
        return tableTiles[static_cast<std::size_t>(table)];
    }
    // For every cell, the cell it stands for when the table's entries are read: the
    // identity, or the mirror through which the table reads another's.
    const std::array<std::uint8_t, cellCount>& cellMap(int table) const {
        return tableMaps[static_cast<std::size_t>(table)];
    }
    // The partitions, each a list of tables, that split the tiles of the board whose empty
    // space belongs in `emptyCell`; empty when no twin was made for it.
    const std::vector<std::vector<int>>& partitions(int emptyCell) const {
        return cellPartitions[static_cast<std::size_t>(emptyCell)];
    }
    // Memory held by all the tables; a mirrored group holds none of its own.
    std::size_t bytes() const;
    // The fewest moves that bring the table's tiles home; positions[j] is the cell of its
    // j-th tile (before any mirror).
    int lookup(int table, const std::uint8_t* positions) const;
    // A lower bound for a whole board, the largest partition's sum: cellOfTile[t] is where
    // tile t stands (t is never `emptyCell`, the empty space's home, which must have a
    // partition).
    int estimate(const std::uint8_t* cellOfTile, int emptyCell = emptyHome) const;

    // The search's fast path. A group's count is its tiles' Manhattan distance plus twice an
    // excess, because every move changes that distance by exactly one; only the excess is
    // stored, in four bits, under an index with a four-bit digit per tile. The index costs
    // one add to update when a tile moves, which is what makes the search fast. The first
    // tile takes the highest digit. The table ends at the highest index a placement has,
    // which keeps four six-tile tables, with their twins, within 32 MB.
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
    // The index is of the cells after the table's cell map.
    int excess(int table, std::size_t index) const { return excessIn(excessTable(table), index); }
    // The same for a search that keeps the table at hand.
    const std::uint8_t* excessTable(int table) const {
        const auto source = static_cast<std::size_t>(tableSources[static_cast<std::size_t>(table)]);
        return excessTables[source].data();
    }
    static int excessIn(const std::uint8_t* table, std::size_t index) {
        return (table[index / 2] >> (4 * (index % 2))) & 0xf;
    }

    // The number of placements of k tiles.
    static std::size_t tableSize(std::size_t k);

private:
    PatternTables() = default;
    bool adopt(Groups groups);
    void addTable(std::vector<int> tiles, int source,
                  const std::array<std::uint8_t, cellCount>& map);
    bool ownsTable(std::size_t table) const {
        return tableSources[table] == static_cast<int>(table);
    }
    bool buildTable(std::size_t table, int emptyCell);
    bool makeTwins();
    bool adoptDistances(std::size_t table, const std::vector<std::uint16_t>& entries);

    Groups groupTiles;
    Groups tableTiles;
    std::vector<int> tableSources;
    std::vector<std::array<std::uint8_t, cellCount>> tableMaps;
    std::vector<std::vector<std::uint8_t>> excessTables;
    std::array<std::vector<std::vector<int>>, cellCount> cellPartitions;
};

}  // namespace zolva::solver
