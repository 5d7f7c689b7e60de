// The decoding itself: an opened file or built-in bitmap in, pixels or its size out, under
// the size caps and the fit size. The player's files only ever reach this inside the
// decoder process (decoder_client.h); in the game itself it reads the built-in bitmaps,
// which are ours and trusted.
#pragma once

#include <QFile>
#include <QImage>
#include <QSize>
#include <functional>

namespace zolva::imageio {

// Which readers a source may go to. A file the player picked is judged by its content and
// only the formats the game offers are read; a built-in bitmap may be in any format Qt
// knows.
enum class SourceKind { PlayerFile, BuiltIn };

// Memory for the decoded pixels, offered to a reader that can write into it: a 32-bit
// image of the given size, or a null image to let the reader allocate its own.
using ImageAllocator = std::function<QImage(QSize size)>;

// `file` is open for reading at its start. False on anything unreadable, refused or over
// the caps. Either may read the whole file. `out` may or may not be the allocator's image.
bool decodeOpenImage(QFile& file, SourceKind source, QSize fit, QImage& out,
                     const ImageAllocator& allocate = {});
bool readOpenImageSize(QFile& file, SourceKind source, QSize fit, QSize& out);

}  // namespace zolva::imageio
