#include "puzzle/solver_pattern_tables.h"

#include <algorithm>
#include <bit>
#include <fstream>
#include <iterator>
#include <system_error>
#include <thread>

namespace zolva::solver {

namespace {

constexpr std::uint8_t unknown = 0xff;
constexpr std::uint32_t fileVersion = 1;
constexpr char fileMagic[8] = {'Z', 'O', 'L', 'V', 'A', 'P', 'D', 'B'};
// Far beyond the default tables (about 11.5 MB); a bigger file is not ours.
constexpr std::size_t maxFileSize = 512u << 20;

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

}  // namespace

PatternTables::Groups PatternTables::defaultGroups() {
    return {{0, 1, 2, 3, 6, 7}, {4, 5, 8, 9, 12, 13}, {10, 11, 14}};
}

std::size_t PatternTables::rank(const std::uint8_t* positions, std::size_t k) {
    std::uint32_t used = 0;
    std::size_t index = 0;
    for (std::size_t j = 0; j < k; ++j) {
        const unsigned cell = positions[j];
        const unsigned below = static_cast<unsigned>(std::popcount(used & ((1u << cell) - 1)));
        index = index * (cellCount - j) + (cell - below);
        used |= 1u << cell;
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

int PatternTables::estimate(const std::uint8_t* cellOfTile) const {
    int total = 0;
    std::uint8_t positions[maxGroupSize];
    for (std::size_t g = 0; g < groupTiles.size(); ++g) {
        for (std::size_t j = 0; j < groupTiles[g].size(); ++j) {
            positions[j] = cellOfTile[groupTiles[g][j]];
        }
        total += lookup(static_cast<int>(g), positions);
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
    tables.assign(groupTiles.size(), {});
    return true;
}

// Breadth-first from the goal over placements of the group's tiles together with the
// region the empty space is confined to (named by its lowest cell). Levels are counted in
// moves of group tiles only; the empty space wanders inside its region at no cost.
void PatternTables::buildGroup(std::size_t group) {
    const std::vector<int>& members = groupTiles[group];
    const std::size_t k = members.size();
    std::vector<std::uint8_t>& table = tables[group];
    table.assign(tableSize(k), unknown);
    std::vector<std::uint64_t> visited((table.size() * cellCount + 63) / 64);
    auto visit = [&](std::size_t index, unsigned region) {
        const std::size_t bit = index * cellCount + region;
        const std::uint64_t mask = std::uint64_t{1} << (bit % 64);
        if (visited[bit / 64] & mask) {
            return false;
        }
        visited[bit / 64] |= mask;
        return true;
    };
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
        static_cast<unsigned>(std::countr_zero(reachable(1u << emptyHome, ~occupied & fullBoard)));
    table[rank(cells, k)] = 0;
    visit(rank(cells, k), startRegion);
    std::vector<std::uint32_t> frontier{pack(cells, startRegion)};
    std::vector<std::uint32_t> next;

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
                    if (visit(index, nextRegion)) {
                        if (table[index] == unknown) {
                            table[index] = level;
                        }
                        next.push_back(pack(cells, nextRegion));
                    }
                }
                cells[j] = from;
            }
        }
        frontier.swap(next);
    }
}

std::shared_ptr<const PatternTables> PatternTables::build(const Groups& groups) {
    std::shared_ptr<PatternTables> built(new PatternTables);
    if (!built->adopt(groups)) {
        return nullptr;
    }
    // The groups are independent breadth-first searches, each writing only its own table,
    // so they share the machine's cores; the two large ones dominate the time.
    std::vector<std::thread> workers;
    for (std::size_t g = 1; g < built->groupTiles.size(); ++g) {
        try {
            workers.emplace_back([&built, g] { built->buildGroup(g); });
        } catch (const std::system_error&) {
            built->buildGroup(g);  // no thread to be had: build it here instead
        }
    }
    if (!built->groupTiles.empty()) {
        built->buildGroup(0);
    }
    for (std::thread& worker : workers) {
        worker.join();
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
    for (const auto& table : tables) {
        bytes.insert(bytes.end(), table.begin(), table.end());
    }
    putInt(bytes, fnv1a(bytes.data(), bytes.size()), 8);

    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    out.close();
    return static_cast<bool>(out);
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
        loaded->tables[g].assign(first, first + static_cast<std::ptrdiff_t>(size));
        reader.at += size;
        // Every placement of a group is reachable, so a hole means the file lies.
        const auto& table = loaded->tables[g];
        if (std::find(table.begin(), table.end(), unknown) != table.end()) {
            return nullptr;
        }
    }
    return loaded;
}

}  // namespace zolva::solver
