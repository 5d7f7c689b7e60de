// The program's command line, read before anything touches the window system, so --help
// and --version answer on a terminal with no display. One optional argument names a
// picture to start with; the toolkit's own options (-platform, -style, ...) are let
// through for the application object to act on.
#pragma once

#include <QString>
#include <optional>

namespace zolva {

struct CommandLine {
    // Set when the program has already answered (help, version, a mistake on the line)
    // and must end with this code without opening a window.
    std::optional<int> exitCode;
    // Absolute path of the picture to open, empty for none.
    QString picture;
};

// Prints help and version to standard output, a mistake and a usage line to standard error.
CommandLine readCommandLine(int argc, char** argv);

}  // namespace zolva
