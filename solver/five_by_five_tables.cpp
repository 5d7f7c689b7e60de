#include "solver/five_by_five_tables.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstdlib>
#include <system_error>
#include <thread>

#include "solver/square_board.h"
#include "solver/table_file.h"

namespace zolva::solver {

namespace {

constexpr std::uint32_t fileVersion = 2;
constexpr detail::Magic fileMagic = {'Z', 'O', 'L', 'V', 'A', 'P', '5', '5'};
// The default tables make a file of about 20 MB; a much bigger one is not ours.
constexpr std::size_t maxFileSize = 64u << 20;
constexpr int largestExcess = 0xe;  // 0xf marks an index no placement has

using Board = detail::SquareBoard<FiveByFiveTables::boardSide>;
constexpr std::uint32_t fullBoard = Board::all;
// Compact index of a placement of k distinct cells, for the builder's bookkeeping.
std::size_t rank(const std::uint8_t* positions, std::size_t k) {
    std::size_t index = 0;
    for (std::size_t j = 0; j < k; ++j) {
        const unsigned cell = positions[j];
        unsigned below = 0;
        for (std::size_t i = 0; i < j; ++i) {
            below += positions[i] < cell ? 1u : 0u;
        }
        index = index * (FiveByFiveTables::cellCount - j) + (cell - below);
    }
    return index;
}

std::size_t placements(std::size_t k) {
    std::size_t size = 1;
    for (std::size_t j = 0; j < k; ++j) {
        size *= FiveByFiveTables::cellCount - j;
    }
    return size;
}

std::size_t packedSize(std::size_t k) {
    return (FiveByFiveTables::digitWeight(0, k) * FiveByFiveTables::cellCount + 1) / 2;
}

}  // namespace

FiveByFiveTables::Groups FiveByFiveTables::defaultGroups() {
    return {{0, 1, 2, 5, 6},
            {3, 4, 7, 8, 9},
            {10, 11, 15, 16, 20},
            {12, 13, 14, 17, 18},
            {19, 21, 22, 23}};
}

std::size_t FiveByFiveTables::bytes() const {
    std::size_t total = 0;
    for (const auto& table : excessTables) {
        total += table.size();
    }
    return total;
}

int FiveByFiveTables::lookup(int group, const std::uint8_t* positions) const {
    const auto& members = groupTiles[static_cast<std::size_t>(group)];
    return Board::manhattan(members, positions) +
           2 * excessIn(excessTable(group), placementIndex(positions, members.size()));
}

bool FiveByFiveTables::adopt(Groups groups) {
    std::vector<int> owner(emptyHome, -1);
    if (groups.empty()) {
        return false;
    }
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
    excessTables.assign(groupTiles.size(), {});
    return true;
}

// Breadth-first from the goal over placements of the group's tiles together with the
// region the empty space is confined to (named by its lowest cell): levels count moves of
// group tiles only, the empty space wandering inside its region for free. A placement's
// count is its level on its first visit. The states' successors are all worked out, and
// their words asked for, before any is checked, so that the cache misses overlap.
bool FiveByFiveTables::buildTable(std::size_t group) {
    const std::vector<int>& members = groupTiles[group];
    // adopt saw to the size; the bound tells the compiler so.
    const std::size_t k = std::min<std::size_t>(members.size(), maxGroupSize);
    std::vector<std::uint32_t> regionsSeen(placements(k), 0);
    std::vector<std::uint8_t>& packed = excessTables[group];
    packed.assign(packedSize(k), 0xff);
    auto pack = [k](const std::uint8_t* cells, unsigned region) {
        std::uint32_t state = region << 25;
        for (std::size_t j = 0; j < k; ++j) {
            state |= std::uint32_t{cells[j]} << (5 * j);
        }
        return state;
    };
    auto unpack = [k](std::uint32_t state, std::uint8_t* cells) {
        std::uint32_t occupied = 0;
        for (std::size_t j = 0; j < k; ++j) {
            cells[j] = static_cast<std::uint8_t>((state >> (5 * j)) & 0x1f);
            occupied |= 1u << cells[j];
        }
        return occupied;
    };
    auto record = [&](const std::uint8_t* cells, int level) {
        const int extra = level - Board::manhattan(members, cells);
        if (extra < 0 || extra % 2 != 0) {
            return false;
        }
        const std::size_t index = placementIndex(cells, k);
        const int shift = 4 * static_cast<int>(index % 2);
        std::uint8_t& pair = packed[index / 2];
        pair = static_cast<std::uint8_t>((pair & ~(0xf << shift)) |
                                         (std::min(extra / 2, largestExcess) << shift));
        return true;
    };

    std::uint8_t cells[maxGroupSize];
    std::uint32_t occupied = 0;
    for (std::size_t j = 0; j < k; ++j) {
        cells[j] = static_cast<std::uint8_t>(members[j]);
        occupied |= 1u << members[j];
    }
    const auto startRegion = static_cast<unsigned>(
        std::countr_zero(Board::reachable(1u << emptyHome, ~occupied & fullBoard)));
    regionsSeen[rank(cells, k)] = 1u << startRegion;
    record(cells, 0);
    std::size_t visited = 1;
    std::vector<std::uint32_t> frontier{pack(cells, startRegion)};
    std::vector<std::uint32_t> next;

    struct Successor {
        std::size_t index;
        std::uint32_t state;
    };
    std::array<Successor, maxGroupSize * 4> successors{};
    for (int level = 1; !frontier.empty(); ++level) {
        next.clear();
        for (const std::uint32_t state : frontier) {
            const std::uint32_t free = ~unpack(state, cells) & fullBoard;
            const std::uint32_t region = Board::reachable(1u << (state >> 25), free);
            std::size_t count = 0;
            for (std::size_t j = 0; j < k; ++j) {
                const std::uint8_t from = cells[j];
                std::uint32_t targets = Board::neighbours(from) & region;
                while (targets != 0) {
                    const auto to = static_cast<std::uint8_t>(std::countr_zero(targets));
                    targets &= targets - 1;
                    cells[j] = to;
                    const std::uint32_t nextFree = free ^ (1u << to) ^ (1u << from);
                    const auto nextRegion = static_cast<unsigned>(
                        std::countr_zero(Board::reachable(1u << from, nextFree)));
                    const std::size_t index = rank(cells, k);
                    __builtin_prefetch(regionsSeen.data() + index);
                    successors[count++] = {index, pack(cells, nextRegion)};
                }
                cells[j] = from;
            }
            for (std::size_t i = 0; i < count; ++i) {
                const auto [index, packedState] = successors[i];
                const std::uint32_t bit = 1u << (packedState >> 25);
                std::uint32_t& seen = regionsSeen[index];
                if ((seen & bit) != 0) {
                    continue;
                }
                if (seen == 0) {
                    std::uint8_t at[maxGroupSize];
                    unpack(packedState, at);
                    if (!record(at, level)) {
                        return false;
                    }
                    ++visited;
                }
                seen |= bit;
                next.push_back(packedState);
            }
        }
        frontier.swap(next);
    }
    return visited == regionsSeen.size();
}

std::shared_ptr<const FiveByFiveTables> FiveByFiveTables::build(const Groups& groups,
                                                                unsigned threads) {
    std::shared_ptr<FiveByFiveTables> built(new FiveByFiveTables);
    if (!built->adopt(groups)) {
        return nullptr;
    }
    // The groups are independent searches, each writing only its own table; the largest
    // go first so that the threads finish together.
    const std::size_t count = built->groupTiles.size();
    std::vector<std::size_t> order(count);
    for (std::size_t g = 0; g < count; ++g) {
        order[g] = g;
    }
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return built->groupTiles[a].size() > built->groupTiles[b].size();
    });
    std::atomic<std::size_t> taken{0};
    std::vector<char> done(count, 0);
    auto work = [&] {
        for (std::size_t i = taken++; i < count; i = taken++) {
            done[order[i]] = built->buildTable(order[i]);
        }
    };
    std::vector<std::thread> workers;
    for (unsigned t = 1; t < std::max(threads, 1u); ++t) {
        try {
            workers.emplace_back(work);
        } catch (const std::system_error&) {
            break;  // no thread to be had: this one does the rest
        }
    }
    work();
    for (std::thread& worker : workers) {
        worker.join();
    }
    if (std::find(done.begin(), done.end(), 0) != done.end()) {
        return nullptr;
    }
    return built;
}

bool FiveByFiveTables::save(const std::string& path) const {
    std::vector<std::uint8_t> bytes = detail::tableFileHeader(fileMagic, fileVersion, groupTiles);
    for (const auto& table : excessTables) {
        bytes.insert(bytes.end(), table.begin(), table.end());
    }
    return detail::saveTableFile(path, std::move(bytes));
}

std::shared_ptr<const FiveByFiveTables> FiveByFiveTables::load(const std::string& path) {
    auto file =
        detail::loadTableFile(path, maxFileSize, fileMagic, fileVersion, emptyHome, maxGroupSize);
    std::shared_ptr<FiveByFiveTables> loaded(new FiveByFiveTables);
    if (!file || !loaded->adopt(std::move(file->groups))) {
        return nullptr;
    }
    const std::vector<std::uint8_t>& bytes = file->bytes;
    std::size_t expected = 0;
    for (const auto& members : loaded->groupTiles) {
        expected += packedSize(members.size());
    }
    std::size_t at = file->tablesAt;
    if (bytes.size() - at != expected) {
        return nullptr;
    }
    for (std::size_t g = 0; g < loaded->groupTiles.size(); ++g) {
        const auto& members = loaded->groupTiles[g];
        const auto first = bytes.begin() + static_cast<std::ptrdiff_t>(at);
        at += packedSize(members.size());
        loaded->excessTables[g].assign(first, bytes.begin() + static_cast<std::ptrdiff_t>(at));
        // Every group at home needs no move at all.
        std::uint8_t homeCells[maxGroupSize];
        for (std::size_t j = 0; j < std::min<std::size_t>(members.size(), maxGroupSize); ++j) {
            homeCells[j] = static_cast<std::uint8_t>(members[j]);
        }
        if (loaded->lookup(static_cast<int>(g), homeCells) != 0) {
            return nullptr;
        }
    }
    return loaded;
}

}  // namespace zolva::solver
