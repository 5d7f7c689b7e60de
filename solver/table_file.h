// The cache files of the solver's tables. Both kinds are laid out alike: an eight-byte
// magic, a format version, the group layout (a count, then each group's size and tiles),
// the packed tables, and a checksum over everything before it. A file is written whole
// under a temporary name and renamed into place, so a reader sees the old file or the new
// one, never a torn one; one that does not check out is refused and the tables are built
// again. Internal to the solver.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zolva::solver::detail {

using Magic = std::array<char, 8>;
using GroupLayout = std::vector<std::vector<int>>;

// Little-endian integers, as the files store every field.
void putInt(std::vector<std::uint8_t>& out, std::uint64_t value, int bytes);

// The magic, the version and the group layout.
std::vector<std::uint8_t> tableFileHeader(const Magic& magic, std::uint32_t version,
                                          const GroupLayout& groups);

// Appends the checksum and writes the file atomically. False when it could not be written.
bool saveTableFile(const std::string& path, std::vector<std::uint8_t> bytes);

// What a file that checks out holds: its group layout, and the bytes of its tables.
struct TableFile {
    GroupLayout groups;
    std::vector<std::uint8_t> bytes;
    std::size_t tablesAt = 0;  // where in `bytes` the tables begin; they run to its end
};

// A file of at most `maxSize` bytes whose checksum, magic and version check out, with
// between 1 and `mostGroups` groups of 1 to `maxGroupSize` tiles. Whether the tiles and the
// tables' sizes make sense is for the tables to judge. Nothing otherwise.
std::optional<TableFile> loadTableFile(const std::string& path, std::uint64_t maxSize,
                                       const Magic& magic, std::uint32_t version,
                                       std::uint64_t mostGroups, std::uint64_t maxGroupSize);

}  // namespace zolva::solver::detail
