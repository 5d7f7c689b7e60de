// What the game and its decoder process agree on. The game opens the picture file itself
// and hands it over with a socket for the reply and an empty memory file for the pixels,
// at fixed descriptor numbers; the decoder's only other input is the fit size on its
// command line. It sizes and fills the memory file, unmaps it, writes one Reply and closes
// the socket. The game then seals the memory file and believes nothing of it before
// checking it against the caps below.
#pragma once

#include <cstdint>

#include "framework/image_limits.h"

namespace zolva::imageio::decoder {

inline constexpr int kPictureFd = 3;  // the picture file, open for reading only
inline constexpr int kReplyFd = 4;    // a stream socket back to the game
inline constexpr int kPixelsFd = 5;   // a memfd, empty until the decoder sizes it

inline constexpr std::uint32_t kReplyMagic = 0x5A504431;  // "ZPD1"

// Pixels in rows of exactly width * 4 bytes, no padding, starting at offset 0 of the
// memory file.
struct Reply {
    std::uint32_t magic;
    std::uint32_t width;
    std::uint32_t height;
    std::uint32_t format;  // QImage::Format_RGB32 or QImage::Format_ARGB32
};

// The largest pixel block a reply may announce: the largest image we accept.
inline constexpr std::uint64_t kMaxPixelBytes = std::uint64_t(kMaxImageBytes);

// The decoder's address space. The worst case we accept is a 64-Mpx picture decoded by
// GraphicsMagick: its file in memory (up to 256 MB), the pixel cache at 8 bytes a pixel
// (512 MB), the 32-bit copy (256 MB) and the mapped memory file (256 MB), next to the
// libraries and thread stacks (about 150 MB). 2 GiB holds all that with room to spare,
// and stops a file that makes a decoder allocate without bound long before the machine
// notices.
inline constexpr std::uint64_t kAddressSpaceBytes = std::uint64_t{2} << 30;
// Processor time, all threads together. A 64-Mpx PNG takes about a second; a file that
// makes a decoder spin is stopped by this or, sooner, by the game's own clock.
inline constexpr int kCpuSeconds = 8;
// How long the game waits for a reply before it kills the decoder, counting its start-up.
// This is also the longest a hostile stored picture can hold up the start of the game.
inline constexpr int kWallClockMs = 5000;

}  // namespace zolva::imageio::decoder
