#include "framework/picture_cache.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdint>
#include <cstring>

#include "framework/fd_io.h"
#include "framework/image_limits.h"

namespace zolva::imageio {

namespace {

QString gCacheFile;

// The version is part of the magic: a file of any other layout is a miss.
constexpr char kMagic[8] = {'Z', 'O', 'L', 'V', 'A', 'P', 'X', '1'};
// A longer path than any file system takes is not ours.
constexpr std::uint32_t kMaxPathBytes = 16 * 1024;

struct Header {
    char magic[8];
    std::uint32_t width;
    std::uint32_t height;
    std::uint32_t format;
    std::uint32_t pathBytes;
    std::int32_t fitWidth;
    std::int32_t fitHeight;
    std::uint64_t device;
    std::uint64_t inode;
    std::int64_t fileSize;
    std::int64_t modifiedNs;
    std::uint64_t checksum;
};

// Catches a file torn by a crash or changed by hand, not an attacker: whoever can write our
// cache can change the game's own options too. Any pixel values are harmless.
std::uint64_t checksum(const QByteArray& path, const uchar* pixels, std::size_t bytes) {
    // Four independent lanes, so the multiplications overlap: the check is a small part of
    // reading a photo back, not a third of it.
    std::uint64_t lanes[4] = {0xcbf29ce484222325ULL, 1, 2, 3};
    const auto mix = [](std::uint64_t& lane, std::uint64_t word) {
        lane = (lane ^ word) * 0x100000001b3ULL;
    };
    for (const char c : path) {
        mix(lanes[0], static_cast<unsigned char>(c));
    }
    std::size_t i = 0;
    for (; i + 32 <= bytes; i += 32) {
        std::uint64_t words[4];
        std::memcpy(words, pixels + i, sizeof words);
        for (int lane = 0; lane < 4; ++lane) {
            mix(lanes[lane], words[lane]);
        }
    }
    for (; i < bytes; ++i) {
        mix(lanes[0], pixels[i]);
    }
    std::uint64_t sum = 0;
    for (const std::uint64_t lane : lanes) {
        mix(sum, lane);
    }
    return sum;
}

// The pixel formats the decoder process hands back, rows packed without padding.
bool isKeptFormat(std::uint32_t format) {
    return format == QImage::Format_RGB32 || format == QImage::Format_ARGB32;
}

bool describes(const Header& header, const QByteArray& path, QSize fit,
               const FileIdentity& identity) {
    return std::memcmp(header.magic, kMagic, sizeof kMagic) == 0 &&
           header.pathBytes == std::uint32_t(path.size()) && header.fitWidth == fit.width() &&
           header.fitHeight == fit.height() && header.device == std::uint64_t(identity.device) &&
           header.inode == std::uint64_t(identity.inode) && header.fileSize == identity.size &&
           header.modifiedNs == identity.modifiedNs;
}

}  // namespace

void setPictureCacheFile(const QString& path) {
    gCacheFile = path;
}

bool readCachedPicture(const QByteArray& path, QSize fit, const FileIdentity& identity,
                       QImage& out) {
    if (gCacheFile.isEmpty() || path.isEmpty() || path.size() > qsizetype(kMaxPathBytes)) {
        return false;
    }
    const UniqueFd fd(::open(QFile::encodeName(gCacheFile).constData(),
                             O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    struct stat st {};
    Header header{};
    if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) ||
        !readAll(fd.get(), &header, sizeof header) || !describes(header, path, fit, identity)) {
        return false;
    }
    // The caps and the fit hold for these pixels as for any the decoder hands back, and the
    // file must hold exactly them: checked before the image is allocated.
    if (!isAcceptableImageSize(header.width, header.height) || !isKeptFormat(header.format)) {
        return false;
    }
    const QSize size(static_cast<int>(header.width), static_cast<int>(header.height));
    if (!fit.isEmpty() && (size.width() > fit.width() || size.height() > fit.height())) {
        return false;
    }
    const std::size_t pixelBytes = std::size_t{header.width} * header.height * 4;
    if (st.st_size != off_t(sizeof header + header.pathBytes + pixelBytes)) {
        return false;
    }
    QByteArray storedPath(path.size(), Qt::Uninitialized);
    if (!readAll(fd.get(), storedPath.data(), storedPath.size()) || storedPath != path) {
        return false;
    }
    QImage image(size, static_cast<QImage::Format>(header.format));
    if (image.isNull() || std::size_t(image.sizeInBytes()) != pixelBytes ||
        !readAll(fd.get(), image.bits(), pixelBytes) ||
        checksum(path, image.constBits(), pixelBytes) != header.checksum) {
        return false;
    }
    out = std::move(image);
    return true;
}

void writeCachedPicture(const QByteArray& path, QSize fit, const FileIdentity& identity,
                        const QImage& image) {
    const auto pixelBytes = std::size_t(image.sizeInBytes());
    if (gCacheFile.isEmpty() || image.isNull() || !isKeptFormat(image.format()) ||
        image.bytesPerLine() != qsizetype(image.width()) * 4 || path.isEmpty() ||
        path.size() > qsizetype(kMaxPathBytes)) {
        return;
    }
    const QString folder = QFileInfo(gCacheFile).absolutePath();
    if (!QDir().mkpath(folder)) {
        return;
    }
    Header header{};
    std::memcpy(header.magic, kMagic, sizeof kMagic);
    header.width = std::uint32_t(image.width());
    header.height = std::uint32_t(image.height());
    header.format = std::uint32_t(image.format());
    header.pathBytes = std::uint32_t(path.size());
    header.fitWidth = fit.width();
    header.fitHeight = fit.height();
    header.device = std::uint64_t(identity.device);
    header.inode = std::uint64_t(identity.inode);
    header.fileSize = identity.size;
    header.modifiedNs = identity.modifiedNs;
    header.checksum = checksum(path, image.constBits(), pixelBytes);
    // A whole new file renamed over the old one: a reader, in this game or another copy of
    // it, sees one or the other. No sync: a cache lost in a crash is only a slower start.
    QByteArray temporary = QFile::encodeName(folder + QStringLiteral("/.picture-XXXXXX"));
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) {
        return;
    }
    const bool written = writeAll(fd, &header, sizeof header) &&
                         writeAll(fd, path.constData(), std::size_t(path.size())) &&
                         writeAll(fd, image.constBits(), pixelBytes);
    const bool closed = ::close(fd) == 0;
    if (!written || !closed ||
        ::rename(temporary.constData(), QFile::encodeName(gCacheFile).constData()) != 0) {
        ::unlink(temporary.constData());
    }
}

}  // namespace zolva::imageio
