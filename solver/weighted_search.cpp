#include "solver/weighted_search.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>

#include "solver/five_by_five_tables.h"
#include "solver/search.h"

namespace zolva::solver::detail {

namespace {

constexpr int side = FiveByFiveTables::boardSide;
constexpr int cells = FiveByFiveTables::cellCount;
constexpr int emptyTile = FiveByFiveTables::emptyHome;
constexpr int groupLimit = 24;

std::size_t at(int index) {
    return static_cast<std::size_t>(index);
}

class WeightedSearch {
public:
    WeightedSearch(const FiveByFiveTables& tables, int weight, std::size_t budget, int shorterThan)
        : weight(weight), budget(budget), shorterThan(shorterThan) {
        for (int cell = 0; cell < cells; ++cell) {
            const int col = cell % side;
            const int row = cell / side;
            mirror[at(cell)] = static_cast<std::uint8_t>(col * side + row);
            neighbour[at(cell)] = {col < side - 1 ? cell + 1 : -1, col > 0 ? cell - 1 : -1,
                                   row < side - 1 ? cell + side : -1, row > 0 ? cell - side : -1};
            for (int other = 0; other < cells; ++other) {
                distance[at(cell)][at(other)] = static_cast<std::uint8_t>(
                    std::abs(col - other % side) + std::abs(row - other / side));
            }
        }
        const auto& groups = tables.groups();
        groupCount = static_cast<int>(groups.size());
        for (std::size_t g = 0; g < groups.size(); ++g) {
            for (std::size_t j = 0; j < groups[g].size(); ++j) {
                groupOf[at(groups[g][j])] = static_cast<std::uint8_t>(g);
                digit[at(groups[g][j])] = FiveByFiveTables::digitWeight(j, groups[g].size());
            }
            table[g] = tables.excessTable(static_cast<int>(g));
        }
        std::size_t capacity = 1;
        while (capacity < 2 * budget + 16) {
            capacity *= 2;
        }
        slots.assign(capacity, empty);
        nodes.reserve(budget + 4);
    }

    std::optional<std::vector<Move>> run(const Arrangement& start) {
        Node first{};
        std::array<std::uint8_t, cells> where{};
        for (int cell = 0; cell < cells; ++cell) {
            where[at(start.cells[at(cell)])] = static_cast<std::uint8_t>(cell);
        }
        first.emptyCell = where[emptyTile];
        pack(where, first);
        first.parent = 0;
        first.moves = 0;
        const View view = look(where);
        if (view.manhattan == 0) {
            return std::vector<Move>{};
        }
        add(first, estimate(view));
        while (nodes.size() < budget) {
            const auto current = pop();
            if (!current) {
                return std::nullopt;
            }
            if (const auto goal = expand(*current)) {
                return planTo(*goal);
            }
        }
        return std::nullopt;
    }

private:
    struct Node {
        std::uint64_t low;   // cells of tiles 0 to 11, five bits each
        std::uint64_t high;  // cells of tiles 12 to 23
        std::uint32_t parent;
        std::uint16_t moves;
        std::uint8_t emptyCell;
        std::uint8_t expanded;
    };

    // One board's group indices and counts, plain and through the mirror.
    struct View {
        std::array<std::size_t, groupLimit> plainIndex{};
        std::array<std::size_t, groupLimit> mirroredIndex{};
        std::array<int, groupLimit> plain{};
        std::array<int, groupLimit> mirrored{};
        int plainTotal = 0;
        int mirroredTotal = 0;
        int manhattan = 0;
    };

    static constexpr std::uint32_t empty = 0xffffffffu;

    static void pack(const std::array<std::uint8_t, cells>& where, Node& node) {
        node.low = 0;
        node.high = 0;
        for (int t = 0; t < 12; ++t) {
            node.low |= std::uint64_t{where[at(t)]} << (5 * t);
            node.high |= std::uint64_t{where[at(t + 12)]} << (5 * t);
        }
    }

    static void unpack(const Node& node, std::array<std::uint8_t, cells>& where) {
        for (int t = 0; t < 12; ++t) {
            where[at(t)] = static_cast<std::uint8_t>((node.low >> (5 * t)) & 0x1f);
            where[at(t + 12)] = static_cast<std::uint8_t>((node.high >> (5 * t)) & 0x1f);
        }
        where[emptyTile] = node.emptyCell;
    }

    View look(const std::array<std::uint8_t, cells>& where) const {
        View view;
        for (int tile = 0; tile < emptyTile; ++tile) {
            const int cell = where[at(tile)];
            view.plainIndex[groupOf[at(tile)]] += std::size_t{where[at(tile)]} * digit[at(tile)];
            const int image = mirror[at(tile)];
            view.mirroredIndex[groupOf[at(image)]] +=
                std::size_t{mirror[at(cell)]} * digit[at(image)];
            view.manhattan += distance[at(tile)][at(cell)];
        }
        for (int g = 0; g < groupCount; ++g) {
            view.plain[at(g)] = FiveByFiveTables::excessIn(table[at(g)], view.plainIndex[at(g)]);
            view.mirrored[at(g)] =
                FiveByFiveTables::excessIn(table[at(g)], view.mirroredIndex[at(g)]);
            view.plainTotal += view.plain[at(g)];
            view.mirroredTotal += view.mirrored[at(g)];
        }
        return view;
    }

    static int estimate(const View& view) {
        return view.manhattan + 2 * std::max(view.plainTotal, view.mirroredTotal);
    }

    static std::uint64_t hashOf(const Node& node) {
        std::uint64_t x = node.low * 0x9e3779b97f4a7c15ull ^ node.high;
        x ^= x >> 31;
        x *= 0xbf58476d1ce4e5b9ull;
        return x ^ (x >> 29);
    }

    // Queues a board not seen before, or a shorter way to one not yet expanded.
    void add(const Node& node, int h) {
        std::size_t slot = hashOf(node) & (slots.size() - 1);
        for (; slots[slot] != empty; slot = (slot + 1) & (slots.size() - 1)) {
            Node& known = nodes[slots[slot]];
            if (known.low == node.low && known.high == node.high) {
                if (known.expanded || known.moves <= node.moves) {
                    return;
                }
                known.moves = node.moves;
                known.parent = node.parent;
                push(slots[slot], node.moves, h);
                return;
            }
        }
        slots[slot] = static_cast<std::uint32_t>(nodes.size());
        nodes.push_back(node);
        push(slots[slot], node.moves, h);
    }

    // Buckets by 8 * moves + weight * estimate; within a bucket the newest first, which
    // goes deeper on ties.
    void push(std::uint32_t index, int moves, int h) {
        const std::size_t priority = at(8 * moves + weight * h);
        if (priority >= buckets.size()) {
            buckets.resize(priority + 64);
        }
        buckets[priority].push_back(index);
        lowest = std::min(lowest, priority);
    }

    std::optional<std::uint32_t> pop() {
        for (; lowest < buckets.size(); ++lowest) {
            auto& bucket = buckets[lowest];
            while (!bucket.empty()) {
                const std::uint32_t index = bucket.back();
                bucket.pop_back();
                if (!nodes[index].expanded) {
                    return index;
                }
            }
        }
        return std::nullopt;
    }

    // Adds the node's children; the goal's index when one of them is the goal.
    std::optional<std::uint32_t> expand(std::uint32_t index) {
        nodes[index].expanded = 1;
        const Node node = nodes[index];
        std::array<std::uint8_t, cells> where{};
        unpack(node, where);
        std::array<std::uint8_t, cells> board{};
        for (int tile = 0; tile < cells; ++tile) {
            board[where[at(tile)]] = static_cast<std::uint8_t>(tile);
        }
        const View view = look(where);
        const int hole = node.emptyCell;
        const int cameFrom = index == 0 ? -1 : nodes[node.parent].emptyCell;
        for (const int from : neighbour[at(hole)]) {
            if (from < 0 || from == cameFrom) {
                continue;
            }
            const int tile = board[at(from)];
            const int g = groupOf[at(tile)];
            const int image = mirror[at(tile)];
            const int mg = groupOf[at(image)];
            const std::size_t plainIndex = view.plainIndex[at(g)] +
                                           std::size_t(hole) * digit[at(tile)] -
                                           std::size_t(from) * digit[at(tile)];
            const std::size_t mirroredIndex = view.mirroredIndex[at(mg)] +
                                              std::size_t{mirror[at(hole)]} * digit[at(image)] -
                                              std::size_t{mirror[at(from)]} * digit[at(image)];
            const int plainTotal = view.plainTotal - view.plain[at(g)] +
                                   FiveByFiveTables::excessIn(table[at(g)], plainIndex);
            const int mirroredTotal = view.mirroredTotal - view.mirrored[at(mg)] +
                                      FiveByFiveTables::excessIn(table[at(mg)], mirroredIndex);
            const int manhattan =
                view.manhattan + distance[at(tile)][at(hole)] - distance[at(tile)][at(from)];
            Node child = node;
            child.parent = index;
            child.moves = static_cast<std::uint16_t>(node.moves + 1);
            child.emptyCell = static_cast<std::uint8_t>(from);
            child.expanded = 0;
            const int shift = 5 * (tile % 12);
            std::uint64_t& word = tile < 12 ? child.low : child.high;
            word = (word & ~(std::uint64_t{0x1f} << shift)) | (std::uint64_t(hole) << shift);
            const int h = manhattan + 2 * std::max(plainTotal, mirroredTotal);
            if (child.moves + h >= shorterThan) {
                continue;  // no shorter than the plan in hand
            }
            if (manhattan == 0) {
                nodes.push_back(child);
                return static_cast<std::uint32_t>(nodes.size() - 1);
            }
            add(child, h);
        }
        return std::nullopt;
    }

    std::vector<Move> planTo(std::uint32_t goal) const {
        std::vector<Move> plan;
        for (std::uint32_t i = goal; i != 0; i = nodes[i].parent) {
            plan.push_back(moveTowards(side, nodes[nodes[i].parent].emptyCell, nodes[i].emptyCell));
        }
        std::reverse(plan.begin(), plan.end());
        return plan;
    }

    const int weight;
    const std::size_t budget;
    const int shorterThan;
    std::array<std::uint8_t, cells> mirror{};
    std::array<std::array<int, 4>, cells> neighbour{};
    std::array<std::array<std::uint8_t, cells>, cells> distance{};
    std::array<std::uint8_t, cells> groupOf{};
    std::array<std::size_t, cells> digit{};
    std::array<const std::uint8_t*, groupLimit> table{};
    int groupCount = 0;
    std::vector<Node> nodes;
    std::vector<std::uint32_t> slots;
    std::vector<std::vector<std::uint32_t>> buckets;
    std::size_t lowest = 0;
};

}  // namespace

std::optional<std::vector<Move>> searchFiveByFive(const Arrangement& arrangement,
                                                  const FiveByFiveTables& tables, int weightEighths,
                                                  std::size_t boardBudget, int shorterThan) {
    return WeightedSearch(tables, weightEighths, boardBudget, shorterThan).run(arrangement);
}

}  // namespace zolva::solver::detail
