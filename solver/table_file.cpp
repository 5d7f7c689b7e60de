#include "solver/table_file.h"

#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace zolva::solver::detail {

namespace {

constexpr std::size_t checksumBytes = 8;

// FNV-1a taken a word at a time, fast enough for tens of megabytes at every start. Each step
// is a bijection of the running hash, so damage to any one word always shows.
std::uint64_t checksum(const std::uint8_t* data, std::size_t size) {
    constexpr std::uint64_t prime = 0x100000001b3ull;
    std::uint64_t hash = 0xcbf29ce484222325ull;
    std::size_t i = 0;
    for (; i + 8 <= size; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, data + i, 8);
        hash = (hash ^ word) * prime;
    }
    for (; i < size; ++i) {
        hash = (hash ^ data[i]) * prime;
    }
    return hash;
}

// Reads little-endian integers off a byte buffer and remembers whether it ever ran short,
// so a parser can check once at the end instead of after every field.
struct ByteReader {
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

void putInt(std::vector<std::uint8_t>& out, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

std::vector<std::uint8_t> tableFileHeader(const Magic& magic, std::uint32_t version,
                                          const GroupLayout& groups) {
    std::vector<std::uint8_t> bytes(magic.begin(), magic.end());
    putInt(bytes, version, 4);
    putInt(bytes, groups.size(), 4);
    for (const auto& members : groups) {
        putInt(bytes, members.size(), 4);
        for (const int tile : members) {
            putInt(bytes, static_cast<std::uint64_t>(tile), 1);
        }
    }
    return bytes;
}

bool saveTableFile(const std::string& path, std::vector<std::uint8_t> bytes) {
    putInt(bytes, checksum(bytes.data(), bytes.size()), checksumBytes);
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

std::optional<TableFile> loadTableFile(const std::string& path, std::uint64_t maxSize,
                                       const Magic& magic, std::uint32_t version,
                                       std::uint64_t mostGroups, std::uint64_t maxGroupSize) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) {
        return std::nullopt;
    }
    const std::streamoff length = in.tellg();
    if (length < std::streamoff(magic.size() + 4 + checksumBytes) ||
        static_cast<std::uint64_t>(length) > maxSize) {
        return std::nullopt;
    }
    TableFile file;
    file.bytes.resize(static_cast<std::size_t>(length));
    in.seekg(0);
    if (!in.read(reinterpret_cast<char*>(file.bytes.data()), length)) {
        return std::nullopt;
    }
    const std::size_t body = file.bytes.size() - checksumBytes;
    ByteReader sum{file.bytes, body};
    if (sum.take(checksumBytes) != checksum(file.bytes.data(), body) ||
        !std::equal(magic.begin(), magic.end(), file.bytes.begin())) {
        return std::nullopt;
    }
    file.bytes.resize(body);
    ByteReader reader{file.bytes, magic.size()};
    if (reader.take(4) != version) {
        return std::nullopt;
    }
    const std::uint64_t groupCount = reader.take(4);
    if (!reader.ok || groupCount == 0 || groupCount > mostGroups) {
        return std::nullopt;
    }
    file.groups.resize(groupCount);
    for (auto& members : file.groups) {
        const std::uint64_t size = reader.take(4);
        if (!reader.ok || size == 0 || size > maxGroupSize) {
            return std::nullopt;
        }
        for (std::uint64_t j = 0; j < size; ++j) {
            members.push_back(static_cast<int>(reader.take(1)));
        }
    }
    if (!reader.ok) {
        return std::nullopt;
    }
    file.tablesAt = reader.at;
    return file;
}

}  // namespace zolva::solver::detail
