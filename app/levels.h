// The three standard levels: the only square boards that keep a best time. Everything that
// names a level, sizes its board or keys its best time in the store reads this table.
#pragma once

#include <array>
#include <optional>

#include "app/commands.h"

namespace zolva {

enum class Level { Beginner, Intermediate, Expert };

struct LevelInfo {
    Level level;
    Command command;
    int side;            // the board is side x side tiles
    const char* suffix;  // the level's name, and the ending of its keys in the store
    const char* menuText;
};

inline constexpr std::array<LevelInfo, 3> kLevels = {{
    {Level::Beginner, cmdBeginner, 4, "Beginner", "Be&ginner"},
    {Level::Intermediate, cmdIntermediate, 6, "Intermediate", "&Intermediate"},
    {Level::Expert, cmdExpert, 8, "Expert", "&Expert"},
}};

constexpr const LevelInfo& levelInfo(Level level) {
    return kLevels[static_cast<std::size_t>(level)];
}

// The level of a board this size, if it is one.
constexpr std::optional<Level> levelOfBoard(int columns, int rows) {
    for (const LevelInfo& info : kLevels) {
        if (columns == info.side && rows == info.side) {
            return info.level;
        }
    }
    return std::nullopt;
}

static_assert(levelInfo(Level::Expert).level == Level::Expert, "kLevels is in Level order");

}  // namespace zolva
