// The menu commands and the options two of them choose: the board sizes of the three levels
// and the corners of the empty space.
#pragma once

#include <array>

namespace zolva {

// The numbers are the ones the game's menus have always used.
enum Command : int {
    cmdNew = 40001,
    cmdExit = 40002,
    cmdBestTimes = 40003,
    cmdBeginner = 40004,
    cmdIntermediate = 40005,
    cmdExpert = 40006,
    cmdCustom = 40007,
    cmdEmptyBL = 40008,
    cmdEmptyBR = 40009,
    cmdEmptyTL = 40010,
    cmdEmptyTR = 40011,
    cmdShowNumbers = 40012,
    cmdFindTile = 40013,
    cmdHelpContents = 40014,
    cmdHelpSearch = 40015,
    cmdHelpIndex = 40016,
    cmdAbout = 40017,
    cmdDefaultPicture = 40018,
    cmdCustomPicture = 40019,
    cmdHint = 40020,
    cmdSolve = 40021,
    cmdUndo = 40022,
    cmdRedo = 40023,
    cmdZoomIn = 40030,
    cmdZoomOut = 40031,
    cmdActualSize = 40032,
    cmdSlideAnimation = 40033,
};

// Empty-space settings of the corner commands: -1 is the first column or row, 100 the last.
struct CornerCommand {
    Command command;
    int emptyX;
    int emptyY;
    const char* menuText;
};
inline constexpr std::array<CornerCommand, 4> kCornerCommands = {{
    {cmdEmptyBL, -1, 100, "Empty Space at B&L"},
    {cmdEmptyBR, 100, 100, "Empty Space at &BR"},
    {cmdEmptyTL, -1, -1, "Empty Space at &TL"},
    {cmdEmptyTR, 100, -1, "Empty Space at T&R"},
}};

}  // namespace zolva
