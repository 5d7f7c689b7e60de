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

// Reads little-endian integers off a byte buffer and remembers whether it ever ran short,
// so a parser can check once at the end instead of after every field.
struct ByteReader {
    const std::vector<std::uint8_t>& bytes;
    std::size_t at = 0;
    bool ok = true;

    std::uint64_t take(int count);
};

// The magic, the version and the group layout.
std::vector<std::uint8_t> tableFileHeader(const Magic& magic, std::uint32_t version,
                                          const GroupLayout& groups);

// Appends the checksum and writes the file atomically. False when it could not be written.
bool saveTableFile(const std::string& path, std::vector<std::uint8_t> bytes);

// A file of at most `maxSize` bytes whose checksum, magic and version check out, without
// its checksum; the reader stands just past the version. Nothing otherwise.
std::optional<std::vector<std::uint8_t>> loadTableFile(const std::string& path,
                                                       std::uint64_t maxSize, const Magic& magic,
                                                       std::uint32_t version);

// The group layout from the reader: between 1 and `mostGroups` groups of 1 to
// `maxGroupSize` tiles. Whether the tiles make sense is for the tables to judge.
std::optional<GroupLayout> takeGroupLayout(ByteReader& reader, std::uint64_t mostGroups,
                                           std::uint64_t maxGroupSize);

}  // namespace zolva::solver::detail
