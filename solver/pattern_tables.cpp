#include "solver/pattern_tables.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <thread>

#include <unistd.h>

namespace zolva::solver {

namespace {

constexpr std::uint8_t unknown = 0xff;
constexpr std::uint32_t fileVersion = 1;
constexpr char fileMagic[8] = {'Z', 'O', 'L', 'V', 'A', 'P', 'D', 'B'};
// Far beyond the default tables (about 11.5 MB); a bigger file is not ours.
constexpr std::size_t maxFileSize = 512u << 20;
// Twins are made only of groups this small: a few thousand placements, built in a blink.
constexpr std::size_t largestTwin = 4;

constexpr std::uint32_t fullBoard = 0xffff;
constexpr std::uint32_t firstColumn = 0x1111;
constexpr std::uint32_t lastColumn = 0x8888;

// The cells the empty space can reach without moving a group tile. Within that region it
// moves for free, which is what makes the groups' counts add up.
std::uint32_t reachable(std::uint32_t seed, std::uint32_t free) {
    std::uint32_t region = seed & free;
    for (;;) {
        std::uint32_t grown = region | ((region << 1) & ~firstColumn) |
                              ((region >> 1) & ~lastColumn) | (region << 4) | (region >> 4);
        grown &= free & fullBoard;
        if (grown == region) {
            return region;
        }
        region = grown;
    }
}

std::uint32_t neighbours(int cell) {
    const int column = cell % PatternTables::boardSide;
    const int row = cell / PatternTables::boardSide;
    std::uint32_t mask = 0;
    if (column > 0)
        mask |= 1u << (cell - 1);
    if (column < 3)
        mask |= 1u << (cell + 1);
    if (row > 0)
        mask |= 1u << (cell - 4);
    if (row < 3)
        mask |= 1u << (cell + 4);
    return mask;
}

std::uint64_t fnv1a(const std::uint8_t* data, std::size_t size) {
    std::uint64_t hash = 0xcbf29ce484222325ull;
    for (std::size_t i = 0; i < size; ++i) {
        hash = (hash ^ data[i]) * 0x100000001b3ull;
    }
    return hash;
}

void putInt(std::vector<std::uint8_t>& out, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

// Reads little-endian integers off a byte buffer and remembers whether it ever ran short,
// so the parser can check once at the end instead of after every field.
struct Reader {
    const std::vector<std::uint8_t>& bytes;
    std::size_t at = 0;
    bool ok = true;

    std::uint64_t take(int count) {
        if (bytes.size() - at < static_cast<std::size_t>(count)) {
            ok = false;
            return 0;
        }
        std::uint64_t value = 0;
        for (int i = 0; i < count; ++i) {
            value |= std::uint64_t{bytes[at++]} << (8 * i);
        }
        return value;
    }
};

int manhattan(const std::vector<int>& members, const std::uint8_t* positions) {
    int total = 0;
    for (std::size_t j = 0; j < members.size(); ++j) {
        const int cell = positions[j];
        total += std::abs(cell % PatternTables::boardSide - members[j] % PatternTables::boardSide) +
                 std::abs(cell / PatternTables::boardSide - members[j] / PatternTables::boardSide);
    }
    return total;
}

// One placement of a group's tiles on distinct cells, with what the tables need of it.
struct Placement {
    const std::uint8_t* positions;
    std::size_t rank;   // compact index: placements come in this order, so it is a count
    std::size_t index;  // the search's index
    int distance;       // the tiles' Manhattan distance from home
};

// Calls visit(placement) for every placement of the members in order of rank, until it
// returns false; says whether it never did. Index and distance grow along the way rather
// than being worked out afresh for each of the millions of placements.
template <typename Visit>
bool forEachPlacement(const std::vector<int>& members, Visit&& visit) {
    const std::size_t k = members.size();
    std::uint8_t positions[PatternTables::maxGroupSize];
    std::size_t rank = 0;
    auto place = [&](auto&& self, std::size_t j, std::uint32_t used, std::size_t index,
                     int distance) -> bool {
        if (j == k) {
            return visit(Placement{positions, rank++, index, distance});
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
    return {{0, 1, 2, 3, 6, 7}, {4, 5, 8, 9, 12, 13}, {10, 11, 14}};
}

// Counting the smaller cells already placed by comparison, not by population count: the
// baseline x86-64 target has no popcount instruction and the library call is slower.
std::size_t PatternTables::rank(const std::uint8_t* positions, std::size_t k) {
    std::size_t index = 0;
    for (std::size_t j = 0; j < k; ++j) {
        const unsigned cell = positions[j];
        unsigned below = 0;
        for (std::size_t i = 0; i < j; ++i) {
            below += positions[i] < cell ? 1u : 0u;
        }
        index = index * (cellCount - j) + (cell - below);
    }
    return index;
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
    return manhattan(members, positions) +
           2 * excess(table, placementIndex(positions, members.size()));
}

int PatternTables::estimate(const std::uint8_t* cellOfTile, int emptyCell) const {
    int total = 0;
    std::uint8_t positions[maxGroupSize];
    for (int table : partition(emptyCell)) {
        const auto& members = tilesOf(table);
        for (std::size_t j = 0; j < members.size(); ++j) {
            positions[j] = cellOfTile[members[j]];
        }
        total += lookup(table, positions);
    }
    return total;
}

bool PatternTables::adopt(Groups groups) {
    std::vector<int> owner(emptyHome, -1);
    for (std::size_t g = 0; g < groups.size(); ++g) {
        if (groups[g].empty() || groups[g].size() > maxGroupSize) {
            return false;
        }
        for (int tile : groups[g]) {
            if (tile < 0 || tile >= emptyHome || owner[static_cast<std::size_t>(tile)] != -1) {
                return false;
            }
            owner[static_cast<std::size_t>(tile)] = static_cast<int>(g);
        }
    }
    if (std::find(owner.begin(), owner.end(), -1) != owner.end()) {
        return false;
    }
    groupTiles = std::move(groups);
    tileGroup = std::move(owner);
    tableTiles = groupTiles;
    excessTables.assign(groupTiles.size(), {});
    std::vector<int>& own = partitions[emptyHome];
    for (std::size_t g = 0; g < groupTiles.size(); ++g) {
        own.push_back(static_cast<int>(g));
    }
    return true;
}

// A twin stands in for its group only when every other group, at home, leaves the empty
// space's home and the bottom-right cell in one region: their counts were made with the
// empty space starting in the bottom-right cell's region.
bool PatternTables::makeTwins() {
    for (int cell = 0; cell < emptyHome; ++cell) {
        const int group = tileGroup[static_cast<std::size_t>(cell)];
        if (groupTiles[static_cast<std::size_t>(group)].size() > largestTwin) {
            continue;
        }
        bool together = true;
        for (std::size_t g = 0; g < groupTiles.size(); ++g) {
            std::uint32_t occupied = 0;
            for (int tile : groupTiles[g]) {
                occupied |= 1u << tile;
            }
            together =
                together && (static_cast<int>(g) == group ||
                             (reachable(1u << emptyHome, ~occupied & fullBoard) >> cell) & 1);
        }
        if (!together) {
            continue;
        }
        std::vector<int> twin = groupTiles[static_cast<std::size_t>(group)];
        std::replace(twin.begin(), twin.end(), cell, static_cast<int>(emptyHome));
        const auto table = tableTiles.size();
        tableTiles.push_back(std::move(twin));
        excessTables.emplace_back();
        if (!buildTable(table, cell)) {
            return false;
        }
        std::vector<int>& split = partitions[static_cast<std::size_t>(cell)];
        split = partitions[emptyHome];
        split[static_cast<std::size_t>(group)] = static_cast<int>(table);
    }
    return true;
}

// Refuses a count below the Manhattan distance or of the other parity: no true count is
// either, so such a table was not built by us. An excess too large for four bits is
// lowered, which only weakens the bound.
bool PatternTables::adoptDistances(std::size_t table, const std::vector<std::uint8_t>& compact) {
    const std::vector<int>& members = tableTiles[table];
    const std::size_t k = members.size();
    if (compact.size() != tableSize(k)) {
        return false;
    }
    constexpr int largestExcess = 0xe;  // 0xf marks an index no placement has
    std::vector<std::uint8_t>& packed = excessTables[table];
    packed.assign(((std::size_t{1} << (4 * k)) + 1) / 2, 0xff);
    return forEachPlacement(members, [&](const Placement& at) {
        const int count = compact[at.rank];
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

std::vector<std::uint8_t> PatternTables::distances(std::size_t table) const {
    const std::vector<int>& members = tableTiles[table];
    std::vector<std::uint8_t> compact(tableSize(members.size()));
    forEachPlacement(members, [&](const Placement& at) {
        compact[at.rank] =
            static_cast<std::uint8_t>(at.distance + 2 * excess(static_cast<int>(table), at.index));
        return true;
    });
    return compact;
}

// Breadth-first from the goal over placements of the group's tiles together with the
// region the empty space is confined to (named by its lowest cell), starting with the
// empty space in `emptyCell`. Levels are counted in
// moves of group tiles only; the empty space wanders inside its region at no cost.
//
// The tables are far larger than the caches, so nearly every successor costs a miss. A
// state's successors are all worked out and their words requested before any is checked,
// letting the misses overlap; and a placement's count is written only on its first visit,
// which the region bits already tell.
bool PatternTables::buildTable(std::size_t table, int emptyCell) {
    const std::vector<int>& members = tableTiles[table];
    const std::size_t k = members.size();
    std::vector<std::uint8_t> counts(tableSize(k), unknown);
    std::vector<std::uint16_t> regionsSeen(counts.size(), 0);
    auto pack = [k](const std::uint8_t* cells, unsigned region) {
        std::uint32_t packed = region << 28;
        for (std::size_t j = 0; j < k; ++j) {
            packed |= std::uint32_t{cells[j]} << (4 * j);
        }
        return packed;
    };

    std::uint8_t cells[maxGroupSize];
    std::uint32_t occupied = 0;
    for (std::size_t j = 0; j < k; ++j) {
        cells[j] = static_cast<std::uint8_t>(members[j]);
        occupied |= 1u << members[j];
    }
    const auto startRegion =
        static_cast<unsigned>(std::countr_zero(reachable(1u << emptyCell, ~occupied & fullBoard)));
    counts[rank(cells, k)] = 0;
    regionsSeen[rank(cells, k)] = static_cast<std::uint16_t>(1u << startRegion);
    std::vector<std::uint32_t> frontier{pack(cells, startRegion)};
    std::vector<std::uint32_t> next;

    struct Successor {
        std::size_t index;
        std::uint32_t packed;
    };
    std::array<Successor, maxGroupSize * 4> successors;
    for (std::uint8_t level = 1; !frontier.empty(); ++level) {
        next.clear();
        for (const std::uint32_t state : frontier) {
            occupied = 0;
            for (std::size_t j = 0; j < k; ++j) {
                cells[j] = static_cast<std::uint8_t>((state >> (4 * j)) & 0xf);
                occupied |= 1u << cells[j];
            }
            const std::uint32_t free = ~occupied & fullBoard;
            const std::uint32_t region = reachable(1u << (state >> 28), free);
            std::size_t count = 0;
            for (std::size_t j = 0; j < k; ++j) {
                const std::uint8_t from = cells[j];
                std::uint32_t targets = neighbours(from) & region;
                while (targets != 0) {
                    const auto to = static_cast<std::uint8_t>(std::countr_zero(targets));
                    targets &= targets - 1;
                    cells[j] = to;
                    const std::uint32_t nextFree = free ^ (1u << to) ^ (1u << from);
                    const auto nextRegion =
                        static_cast<unsigned>(std::countr_zero(reachable(1u << from, nextFree)));
                    const std::size_t index = rank(cells, k);
                    __builtin_prefetch(regionsSeen.data() + index);
                    successors[count++] = {index, pack(cells, nextRegion)};
                }
                cells[j] = from;
            }
            for (std::size_t i = 0; i < count; ++i) {
                const auto [index, packed] = successors[i];
                const auto bit = static_cast<std::uint16_t>(1u << (packed >> 28));
                std::uint16_t& seen = regionsSeen[index];
                if ((seen & bit) == 0) {
                    if (seen == 0) {
                        counts[index] = level;
                    }
                    seen = static_cast<std::uint16_t>(seen | bit);
                    next.push_back(packed);
                }
            }
        }
        frontier.swap(next);
    }
    regionsSeen = {};
    frontier = {};
    return adoptDistances(table, counts);
}

std::shared_ptr<const PatternTables> PatternTables::build(const Groups& groups) {
    std::shared_ptr<PatternTables> built(new PatternTables);
    if (!built->adopt(groups)) {
        return nullptr;
    }
    // The groups are independent breadth-first searches, each writing only its own table,
    // so they share the machine's cores; the two large ones dominate the time.
    const std::size_t count = built->groupTiles.size();
    std::vector<char> done(count, 0);
    std::vector<std::thread> workers;
    for (std::size_t g = 1; g < count; ++g) {
        try {
            workers.emplace_back([&built, &done, g] { done[g] = built->buildTable(g, emptyHome); });
        } catch (const std::system_error&) {
            done[g] =
                built->buildTable(g, emptyHome);  // no thread to be had: build it here instead
        }
    }
    done[0] = built->buildTable(0, emptyHome);
    for (std::thread& worker : workers) {
        worker.join();
    }
    if (std::find(done.begin(), done.end(), 0) != done.end() || !built->makeTwins()) {
        return nullptr;
    }
    return built;
}

bool PatternTables::save(const std::string& path) const {
    std::vector<std::uint8_t> bytes(std::begin(fileMagic), std::end(fileMagic));
    putInt(bytes, fileVersion, 4);
    putInt(bytes, groupTiles.size(), 4);
    for (const auto& members : groupTiles) {
        putInt(bytes, members.size(), 4);
        for (int tile : members) {
            putInt(bytes, static_cast<std::uint64_t>(tile), 1);
        }
    }
    for (std::size_t g = 0; g < groupTiles.size(); ++g) {
        const std::vector<std::uint8_t> table = distances(g);
        bytes.insert(bytes.end(), table.begin(), table.end());
    }
    putInt(bytes, fnv1a(bytes.data(), bytes.size()), 8);

    // A game killed while writing, or a second game saving at once, must not leave a torn
    // file under the real name; each writer has its own temporary.
    const std::string part = path + ".part" + std::to_string(::getpid());
    std::ofstream out(part, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    out.close();
    std::error_code error;
    if (out) {
        std::filesystem::rename(part, path, error);
        if (!error) {
            return true;
        }
    }
    std::filesystem::remove(part, error);
    return false;
}

std::shared_ptr<const PatternTables> PatternTables::load(const std::string& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) {
        return nullptr;
    }
    const std::streamoff length = in.tellg();
    if (length < 8 + 8 || static_cast<std::uint64_t>(length) > maxFileSize) {
        return nullptr;
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(length));
    in.seekg(0);
    if (!in.read(reinterpret_cast<char*>(bytes.data()), length)) {
        return nullptr;
    }

    const std::size_t body = bytes.size() - 8;
    Reader checksum{bytes, body};
    if (checksum.take(8) != fnv1a(bytes.data(), body) ||
        !std::equal(std::begin(fileMagic), std::end(fileMagic), bytes.begin())) {
        return nullptr;
    }
    Reader reader{bytes, sizeof fileMagic};
    if (reader.take(4) != fileVersion) {
        return nullptr;
    }
    const std::uint64_t groupCount = reader.take(4);
    if (groupCount == 0 || groupCount > emptyHome) {
        return nullptr;
    }
    Groups groups(groupCount);
    for (auto& members : groups) {
        const std::uint64_t size = reader.take(4);
        if (!reader.ok || size == 0 || size > maxGroupSize) {
            return nullptr;
        }
        for (std::uint64_t j = 0; j < size; ++j) {
            members.push_back(static_cast<int>(reader.take(1)));
        }
    }
    std::shared_ptr<PatternTables> loaded(new PatternTables);
    if (!reader.ok || !loaded->adopt(std::move(groups))) {
        return nullptr;
    }
    std::size_t expected = 0;
    for (const auto& members : loaded->groupTiles) {
        expected += tableSize(members.size());
    }
    if (body - reader.at != expected) {
        return nullptr;
    }
    for (std::size_t g = 0; g < loaded->groupTiles.size(); ++g) {
        auto first = bytes.begin() + static_cast<std::ptrdiff_t>(reader.at);
        const std::size_t size = tableSize(loaded->groupTiles[g].size());
        reader.at += size;
        // Every placement of a group is reachable and no count is below its distance, so
        // a hole or a short count means the file lies.
        if (!loaded->adoptDistances(
                g, std::vector<std::uint8_t>(first, first + static_cast<std::ptrdiff_t>(size)))) {
            return nullptr;
        }
    }
    if (!loaded->makeTwins()) {
        return nullptr;
    }
    return loaded;
}

}  // namespace zolva::solver
