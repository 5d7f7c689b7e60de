#include "solver/pattern_tables.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <cstdlib>
#include <system_error>
#include <thread>

#include "solver/square_board.h"
#include "solver/table_file.h"

namespace zolva::solver {

namespace {

constexpr std::uint8_t unknown = 0xff;
// 2: several partitions, and the tables as the search holds them rather than one byte a
// placement in order of rank.
constexpr std::uint32_t fileVersion = 2;
constexpr detail::Magic fileMagic = {'Z', 'O', 'L', 'V', 'A', 'P', 'D', 'B'};
// Far beyond the default tables (about 32 MB); a bigger file is not ours.
constexpr std::size_t maxFileSize = 512u << 20;
constexpr std::uint64_t mostGroups = 64;
// Twins are made only of groups this small: a few thousand placements, built in a blink.
constexpr std::size_t largestTwin = 4;

using Board = detail::SquareBoard<PatternTables::boardSide>;
constexpr std::uint32_t fullBoard = Board::all;

// For every set of free cells, each cell's region by ordinal (regions numbered from the one
// holding the lowest free cell), four bits a cell: what the builder asks after every move
// of a group tile. No set of cells on the board falls into more than eight regions, so an
// ordinal picks a bit of a byte.
const std::vector<std::uint64_t>& regionsOfFreeCells() {
    static const std::vector<std::uint64_t> ordinals = [] {
        std::vector<std::uint64_t> all(fullBoard + 1, 0);
        for (std::uint32_t free = 0; free <= fullBoard; ++free) {
            std::uint32_t left = free;
            for (std::uint64_t ordinal = 0; left != 0; ++ordinal) {
                std::uint32_t region = Board::reachable(1u << std::countr_zero(left), free);
                left &= ~region;
                for (; region != 0; region &= region - 1) {
                    all[free] |= ordinal << (4 * std::countr_zero(region));
                }
            }
        }
        return all;
    }();
    return ordinals;
}

// Radix sort of a level's states by their index, the low `bits` bits, in passes of eight.
void sortByIndex(std::vector<std::uint32_t>& states, std::vector<std::uint32_t>& scratch,
                 std::size_t bits) {
    scratch.resize(states.size());
    for (std::size_t shift = 0; shift < bits; shift += 8) {
        std::array<std::size_t, 257> start{};
        for (const std::uint32_t state : states) {
            ++start[((state >> shift) & 0xff) + 1];
        }
        for (std::size_t b = 1; b < start.size(); ++b) {
            start[b] += start[b - 1];
        }
        for (const std::uint32_t state : states) {
            scratch[start[(state >> shift) & 0xff]++] = state;
        }
        states.swap(scratch);
    }
}

// The board's eight symmetries as cell maps, the identity first and the two quarter turns
// last; each is its own inverse but for those two, which are each other's.
const std::array<std::array<std::uint8_t, PatternTables::cellCount>, 8>& symmetries() {
    static const auto all = [] {
        std::array<std::array<std::uint8_t, PatternTables::cellCount>, 8> maps{};
        constexpr int side = PatternTables::boardSide;
        constexpr int last = side - 1;
        for (int cell = 0; cell < PatternTables::cellCount; ++cell) {
            const int row = cell / side;
            const int column = cell % side;
            const auto c = static_cast<std::size_t>(cell);
            maps[0][c] = static_cast<std::uint8_t>(cell);
            maps[1][c] = static_cast<std::uint8_t>(PatternTables::cellCount - 1 - cell);
            maps[2][c] = static_cast<std::uint8_t>(row * side + last - column);
            maps[3][c] = static_cast<std::uint8_t>((last - row) * side + column);
            maps[4][c] = static_cast<std::uint8_t>(column * side + row);
            maps[5][c] = static_cast<std::uint8_t>((last - column) * side + last - row);
            maps[6][c] = static_cast<std::uint8_t>(column * side + last - row);
            maps[7][c] = static_cast<std::uint8_t>((last - column) * side + row);
        }
        return maps;
    }();
    return all;
}

// Bytes of a k-tile table under the search's index: up to the index of the placement with
// the highest cells in falling order, the largest any placement has.
std::size_t packedBytes(std::size_t k) {
    std::size_t largest = 0;
    for (std::size_t j = 0; j < k; ++j) {
        largest = largest * 16 + (PatternTables::cellCount - 1 - j);
    }
    return largest / 2 + 1;
}

// One placement of a group's tiles on distinct cells, with what the tables need of it.
struct Placement {
    const std::uint8_t* positions;
    std::size_t index;  // the search's index
    int distance;       // the tiles' Manhattan distance from home
};

// Calls visit(placement) for every placement of the members in rising order of index, until it
// returns false; says whether it never did. Index and distance grow along the way rather
// than being worked out afresh for each of the millions of placements.
template <typename Visit>
bool forEachPlacement(const std::vector<int>& members, Visit&& visit) {
    const std::size_t k = members.size();
    std::uint8_t positions[PatternTables::maxGroupSize];
    auto place = [&](auto&& self, std::size_t j, std::uint32_t used, std::size_t index,
                     int distance) -> bool {
        if (j == k) {
            return visit(Placement{positions, index, distance});
        }
        const int home = members[j];
        for (unsigned cell = 0; cell < PatternTables::cellCount; ++cell) {
            if ((used & (1u << cell)) == 0) {
                positions[j] = static_cast<std::uint8_t>(cell);
                const int step = std::abs(static_cast<int>(cell % 4) - home % 4) +
                                 std::abs(static_cast<int>(cell / 4) - home / 4);
                if (!self(self, j + 1, used | (1u << cell), index * 16 + cell, distance + step)) {
                    return false;
                }
            }
        }
        return true;
    };
    return place(place, 0, 0, 0, 0);
}

}  // namespace

PatternTables::Groups PatternTables::defaultGroups() {
    return {{0, 1, 4, 5, 8, 9},   {2, 3, 6, 7, 10, 11}, {12, 13, 14},         {0, 1, 2, 3, 6, 7},
            {4, 5, 8, 9, 12, 13}, {10, 11, 14},         {0, 1, 2, 4, 5, 6},   {3, 7, 8, 9, 10, 11},
            {12, 13, 14},         {0, 1, 2, 3, 4, 5},   {6, 7, 8, 9, 10, 11}, {12, 13, 14}};
}

std::size_t PatternTables::tableSize(std::size_t k) {
    std::size_t size = 1;
    for (std::size_t j = 0; j < k; ++j) {
        size *= cellCount - j;
    }
    return size;
}

std::size_t PatternTables::bytes() const {
    std::size_t total = 0;
    for (const auto& table : excessTables) {
        total += table.size();
    }
    return total;
}

int PatternTables::lookup(int table, const std::uint8_t* positions) const {
    const auto& members = tilesOf(table);
    std::uint8_t seen[maxGroupSize];
    for (std::size_t j = 0; j < members.size(); ++j) {
        seen[j] = cellMap(table)[positions[j]];
    }
    // A mirror keeps every distance, so the Manhattan part is the same either way.
    return Board::manhattan(members, positions) +
           2 * excess(table, placementIndex(seen, members.size()));
}

int PatternTables::estimate(const std::uint8_t* cellOfTile, int emptyCell) const {
    int best = 0;
    std::uint8_t positions[maxGroupSize];
    for (const std::vector<int>& split : partitions(emptyCell)) {
        int total = 0;
        for (int table : split) {
            const auto& members = tilesOf(table);
            for (std::size_t j = 0; j < members.size(); ++j) {
                positions[j] = cellOfTile[members[j]];
            }
            total += lookup(table, positions);
        }
        best = std::max(best, total);
    }
    return best;
}

bool PatternTables::adopt(Groups groups) {
    std::vector<bool> owned(emptyHome, false);
    int covered = 0;
    std::vector<int> split;
    std::vector<std::vector<int>>& own = cellPartitions[emptyHome];
    for (std::size_t g = 0; g < groups.size(); ++g) {
        if (groups[g].empty() || groups[g].size() > maxGroupSize) {
            return false;
        }
        for (int tile : groups[g]) {
            if (tile < 0 || tile >= emptyHome || owned[static_cast<std::size_t>(tile)]) {
                return false;
            }
            owned[static_cast<std::size_t>(tile)] = true;
            ++covered;
        }
        split.push_back(static_cast<int>(g));
        if (covered == emptyHome) {
            own.push_back(std::move(split));
            split.clear();
            owned.assign(emptyHome, false);
            covered = 0;
        }
    }
    if (!split.empty() || own.empty()) {
        return false;
    }
    groupTiles = std::move(groups);
    const auto& images = symmetries();
    for (const std::vector<int>& members : groupTiles) {
        std::vector<int> sorted = members;
        std::sort(sorted.begin(), sorted.end());
        bool mirrored = false;
        for (std::size_t source = 0; source < tableTiles.size() && !mirrored; ++source) {
            if (!ownsTable(source) || tableTiles[source].size() != members.size()) {
                continue;
            }
            std::uint32_t occupied = 0;
            for (int tile : tableTiles[source]) {
                occupied |= 1u << tile;
            }
            const std::uint32_t start = Board::reachable(1u << emptyHome, ~occupied & fullBoard);
            for (std::size_t m = 0; m < images.size() && !mirrored; ++m) {
                const auto& inverse = images[m < 6 ? m : 13 - m];
                std::vector<int> image;
                for (int tile : tableTiles[source]) {
                    image.push_back(images[m][static_cast<std::size_t>(tile)]);
                }
                std::vector<int> imageSorted = image;
                std::sort(imageSorted.begin(), imageSorted.end());
                // The earlier table's counts start from the empty space's region of the
                // bottom-right cell; the same region must hold the cell that maps there.
                if (imageSorted == sorted && ((start >> inverse[emptyHome]) & 1) != 0) {
                    addTable(std::move(image), static_cast<int>(source), inverse);
                    mirrored = true;
                }
            }
        }
        if (!mirrored) {
            addTable(members, static_cast<int>(tableTiles.size()), images[0]);
        }
    }
    return true;
}

void PatternTables::addTable(std::vector<int> tiles, int source,
                             const std::array<std::uint8_t, cellCount>& map) {
    tableTiles.push_back(std::move(tiles));
    tableSources.push_back(source);
    tableMaps.push_back(map);
    excessTables.emplace_back();
}

// A twin stands in for its group only when every other group, at home, leaves the empty
// space's home and the bottom-right cell in one region: their counts were made with the
// empty space starting in the bottom-right cell's region.
bool PatternTables::makeTwins() {
    const std::vector<std::vector<int>> homeSplits = cellPartitions[emptyHome];
    for (const std::vector<int>& split : homeSplits) {
        for (int cell = 0; cell < emptyHome; ++cell) {
            std::size_t slot = 0;
            while (std::find(groupTiles[static_cast<std::size_t>(split[slot])].begin(),
                             groupTiles[static_cast<std::size_t>(split[slot])].end(),
                             cell) == groupTiles[static_cast<std::size_t>(split[slot])].end()) {
                ++slot;
            }
            const auto group = static_cast<std::size_t>(split[slot]);
            if (groupTiles[group].size() > largestTwin) {
                continue;
            }
            bool together = true;
            for (int other : split) {
                std::uint32_t occupied = 0;
                for (int tile : groupTiles[static_cast<std::size_t>(other)]) {
                    occupied |= 1u << tile;
                }
                together = together &&
                           (static_cast<std::size_t>(other) == group ||
                            (Board::reachable(1u << emptyHome, ~occupied & fullBoard) >> cell) & 1);
            }
            if (!together) {
                continue;
            }
            std::vector<int> twin = groupTiles[group];
            std::replace(twin.begin(), twin.end(), cell, static_cast<int>(emptyHome));
            const auto table = tableTiles.size();
            addTable(std::move(twin), static_cast<int>(table), symmetries()[0]);
            if (!buildTable(table, cell)) {
                return false;
            }
            std::vector<int> twinSplit = split;
            twinSplit[slot] = static_cast<int>(table);
            cellPartitions[static_cast<std::size_t>(cell)].push_back(std::move(twinSplit));
        }
    }
    return true;
}

// Refuses a count below the Manhattan distance or of the other parity: no true count is
// either, so such a table was not built right. An excess too large for four bits is
// lowered, which only weakens the bound.
bool PatternTables::adoptDistances(std::size_t table, const std::vector<std::uint16_t>& entries) {
    const std::vector<int>& members = tableTiles[table];
    const std::size_t k = members.size();
    constexpr int largestExcess = 0xe;  // 0xf marks an index no placement has
    std::vector<std::uint8_t>& packed = excessTables[table];
    packed.assign(packedBytes(k), 0xff);
    return forEachPlacement(members, [&](const Placement& at) {
        const int count = entries[at.index] >> 8;
        if (count == unknown || count < at.distance || (count - at.distance) % 2 != 0) {
            return false;
        }
        const int extra = std::min((count - at.distance) / 2, largestExcess);
        const int shift = 4 * static_cast<int>(at.index % 2);
        std::uint8_t& pair = packed[at.index / 2];
        pair = static_cast<std::uint8_t>((pair & ~(0xf << shift)) | (extra << shift));
        return true;
    });
}

// Breadth-first from the goal over placements of the group's tiles together with the
// region the empty space is confined to, starting with the empty space in `emptyCell`.
// Levels are counted in moves of group tiles only; the empty space wanders inside its
// region at no cost.
//
// A state is the search's own index with a cell of the region on top, so a move costs one
// add, as in the search; which region a move leaves the empty space in is read off a table
// of every free-cell set's regions. Each placement keeps its count and the regions seen in
// one word. The words are far more than the caches hold, so each level is sorted by index
// before it is expanded: the successors of one kind of move then come in rising order,
// sharing cache lines and pages, and a state's successors are all requested before any is
// checked, letting the misses overlap.
bool PatternTables::buildTable(std::size_t table, int emptyCell) {
    const std::vector<int>& members = tableTiles[table];
    const std::size_t k = members.size();
    const std::vector<std::uint64_t>& regionOrdinals = regionsOfFreeCells();
    // Count in the high byte, the regions seen (by ordinal) in the low one.
    std::vector<std::uint16_t> entries(2 * packedBytes(k), std::uint16_t{unknown << 8});
    std::array<int, maxGroupSize> shifts{};
    std::uint8_t cells[maxGroupSize];
    for (std::size_t j = 0; j < k; ++j) {
        shifts[j] = digitShift(j, k);
        cells[j] = static_cast<std::uint8_t>(members[j]);
    }
    const auto home = static_cast<std::uint32_t>(placementIndex(cells, k));
    const std::uint32_t indexBits = (1u << (4 * k)) - 1;
    auto freeCells = [&](std::uint32_t index) {
        std::uint32_t occupied = 0;
        for (std::size_t j = 0; j < k; ++j) {
            occupied |= 1u << ((index >> shifts[j]) & 0xf);
        }
        return ~occupied & fullBoard;
    };
    auto regionBit = [&](std::uint32_t free, std::uint32_t cell) {
        return static_cast<std::uint16_t>(1u << ((regionOrdinals[free] >> (4 * cell)) & 0xf));
    };
    if ((freeCells(home) >> emptyCell & 1) == 0) {
        return false;
    }
    entries[home] = regionBit(freeCells(home), static_cast<std::uint32_t>(emptyCell));
    std::vector<std::uint32_t> frontier{home | static_cast<std::uint32_t>(emptyCell) << 28};
    std::vector<std::uint32_t> next;
    std::vector<std::uint32_t> scratch;

    struct Successor {
        std::uint32_t packed;
        std::uint16_t region;
    };
    std::array<Successor, maxGroupSize * 4> successors;
    for (std::uint16_t level = 1; !frontier.empty(); ++level) {
        next.clear();
        for (const std::uint32_t state : frontier) {
            const std::uint32_t index = state & indexBits;
            const std::uint32_t free = freeCells(index);
            const std::uint32_t region = Board::reachable(1u << (state >> 28), free);
            std::size_t count = 0;
            for (std::size_t j = 0; j < k; ++j) {
                const std::uint32_t from = (index >> shifts[j]) & 0xf;
                std::uint32_t targets = Board::neighbours(static_cast<int>(from)) & region;
                while (targets != 0) {
                    const auto to = static_cast<std::uint32_t>(std::countr_zero(targets));
                    targets &= targets - 1;
                    const std::uint32_t nextIndex = index + ((to - from) << shifts[j]);
                    __builtin_prefetch(entries.data() + nextIndex);
                    // The cell the tile left is in the empty space's new region.
                    const std::uint32_t nextFree = free ^ (1u << to) ^ (1u << from);
                    successors[count++] = {nextIndex | from << 28, regionBit(nextFree, from)};
                }
            }
            for (std::size_t i = 0; i < count; ++i) {
                const auto [packed, bit] = successors[i];
                const std::uint32_t nextIndex = packed & indexBits;
                std::uint16_t& entry = entries[nextIndex];
                if ((entry & bit) == 0) {
                    if ((entry & 0xff) == 0) {
                        entry = static_cast<std::uint16_t>(level << 8);
                    }
                    entry = static_cast<std::uint16_t>(entry | bit);
                    next.push_back(packed);
                }
            }
        }
        sortByIndex(next, scratch, 4 * k);
        frontier.swap(next);
    }
    next = {};
    frontier = {};
    scratch = {};
    return adoptDistances(table, entries);
}

std::shared_ptr<const PatternTables> PatternTables::build(const Groups& groups) {
    std::shared_ptr<PatternTables> built(new PatternTables);
    if (!built->adopt(groups)) {
        return nullptr;
    }
    // The groups are independent breadth-first searches, each writing only its own table,
    // so they share the machine's cores, largest first; one search per core keeps their
    // working memory within the caches' reach as far as it goes.
    const std::size_t count = built->groupTiles.size();
    std::vector<std::size_t> order(count);
    for (std::size_t g = 0; g < count; ++g) {
        order[g] = g;
    }
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return built->groupTiles[a].size() > built->groupTiles[b].size();
    });
    std::vector<char> done(count, 0);
    std::atomic<std::size_t> taken{0};
    auto work = [&] {
        for (std::size_t i = taken++; i < count; i = taken++) {
            done[order[i]] = !built->ownsTable(order[i]) || built->buildTable(order[i], emptyHome);
        }
    };
    std::vector<std::thread> workers;
    const std::size_t cores = std::max(1u, std::thread::hardware_concurrency());
    for (std::size_t w = 1; w < std::min(cores, count); ++w) {
        try {
            workers.emplace_back(work);
        } catch (const std::system_error&) {
            break;  // no thread to be had: this one builds the rest
        }
    }
    work();
    for (std::thread& worker : workers) {
        worker.join();
    }
    if (std::find(done.begin(), done.end(), 0) != done.end() || !built->makeTwins()) {
        return nullptr;
    }
    return built;
}

bool PatternTables::save(const std::string& path) const {
    std::vector<std::uint8_t> bytes = detail::tableFileHeader(fileMagic, fileVersion, groupTiles);
    for (std::size_t g = 0; g < groupTiles.size(); ++g) {
        bytes.insert(bytes.end(), excessTables[g].begin(),
                     excessTables[g].end());  // none if mirrored
    }
    return detail::saveTableFile(path, std::move(bytes));
}

std::shared_ptr<const PatternTables> PatternTables::load(const std::string& path) {
    auto file =
        detail::loadTableFile(path, maxFileSize, fileMagic, fileVersion, mostGroups, maxGroupSize);
    std::shared_ptr<PatternTables> loaded(new PatternTables);
    if (!file || !loaded->adopt(std::move(file->groups))) {
        return nullptr;
    }
    const std::vector<std::uint8_t>& bytes = file->bytes;
    std::size_t expected = 0;
    for (std::size_t g = 0; g < loaded->groupTiles.size(); ++g) {
        expected += loaded->ownsTable(g) ? packedBytes(loaded->groupTiles[g].size()) : 0;
    }
    std::size_t at = file->tablesAt;
    if (bytes.size() - at != expected) {
        return nullptr;
    }
    for (std::size_t g = 0; g < loaded->groupTiles.size(); ++g) {
        if (!loaded->ownsTable(g)) {
            continue;
        }
        auto first = bytes.begin() + static_cast<std::ptrdiff_t>(at);
        const std::vector<int>& members = loaded->groupTiles[g];
        const std::size_t size = packedBytes(members.size());
        at += size;
        loaded->excessTables[g].assign(first, first + static_cast<std::ptrdiff_t>(size));
        // Every count is at least the Manhattan distance by construction; the tiles at
        // home must count nothing.
        std::uint8_t home[maxGroupSize];
        for (std::size_t j = 0; j < members.size(); ++j) {
            home[j] = static_cast<std::uint8_t>(members[j]);
        }
        if (loaded->lookup(static_cast<int>(g), home) != 0) {
            return nullptr;
        }
    }
    if (!loaded->makeTwins()) {
        return nullptr;
    }
    return loaded;
}

}  // namespace zolva::solver
