// zolva-decoder: decodes one picture file for the game, in a process of its own. See
// decoder_protocol.h for how it is called and decoder_sandbox.h for what it may do.
#include <sys/mman.h>
#include <unistd.h>

#include <QFile>
#include <QImage>
#include <QSize>
#include <charconv>
#include <cstring>
#include <string_view>
#include <utility>

#include "framework/decoder_protocol.h"
#include "framework/decoder_sandbox.h"
#include "framework/fd_io.h"
#include "framework/image_decoding.h"

#if defined(__SANITIZE_ADDRESS__)
// Without an address-space limit in such a build, the sanitizer's allocator keeps a file
// from allocating without bound instead.
extern "C" const char* __asan_default_options() {
    return "allocator_may_return_null=1:hard_rss_limit_mb=2048:max_allocation_size_mb=1024";
}
#endif

namespace zolva::imageio::decoder {

namespace {

// Readers complain about every odd file on the error output; to the game, a file is
// simply readable or not.
void quiet(QtMsgType, const QMessageLogContext&, const QString&) {}

bool parseSide(std::string_view text, int& out) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), out);
    return error == std::errc() && end == text.data() + text.size() && out >= 0;
}

// The pixels live in the memory file from the start when the reader can write them there;
// otherwise they are copied into it. Either way the file is unmapped before the reply, so
// that the game can seal it against writing.
struct PixelFile {
    void* address = nullptr;
    std::size_t length = 0;
};
PixelFile gPixels;

void unmapPixels(void*) {
    ::munmap(gPixels.address, gPixels.length);
    gPixels = PixelFile{};
}

QImage mapPixels(QSize size, QImage::Format format) {
    if (gPixels.address != nullptr) {
        return QImage();
    }
    const auto rowBytes = static_cast<std::size_t>(size.width()) * 4;
    const std::size_t length = rowBytes * static_cast<std::size_t>(size.height());
    if (length == 0 || ::ftruncate(kPixelsFd, static_cast<off_t>(length)) != 0) {
        return QImage();
    }
    void* address = ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_SHARED, kPixelsFd, 0);
    if (address == MAP_FAILED) {
        return QImage();
    }
    gPixels = PixelFile{address, length};
    return QImage(static_cast<uchar*>(address), size.width(), size.height(),
                  static_cast<qsizetype>(rowBytes), format, unmapPixels, nullptr);
}

bool handOver(QImage image) {
    const QImage::Format format =
        image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32;
    if (image.format() != format) {
        image.convertTo(format);
    }
    if (image.isNull()) {
        return false;
    }
    const Reply reply{kReplyMagic, static_cast<std::uint32_t>(image.width()),
                      static_cast<std::uint32_t>(image.height()),
                      static_cast<std::uint32_t>(format)};
    const bool inPlace = gPixels.address != nullptr && image.constBits() == gPixels.address &&
                         image.bytesPerLine() == qsizetype(image.width()) * 4;
    if (!inPlace) {
        const QImage source = std::exchange(image, QImage());  // unmaps an unused offer
        QImage target = mapPixels(source.size(), format);
        if (target.isNull()) {
            return false;
        }
        const auto rowBytes = static_cast<std::size_t>(source.width()) * 4;
        for (int y = 0; y < source.height(); ++y) {
            std::memcpy(target.scanLine(y), source.constScanLine(y), rowBytes);
        }
    }
    image = QImage();
    // Closed at once: the game need not wait while this process tears down its memory.
    return gPixels.address == nullptr && writeAll(kReplyFd, &reply, sizeof reply) &&
           ::close(kReplyFd) == 0;
}

int run(int argc, char** argv) {
    QSize fit;
    int width = 0;
    int height = 0;
    if (argc != 3 || !parseSide(argv[1], width) || !parseSide(argv[2], height)) {
        return 2;
    }
    fit = QSize(width, height);
    qInstallMessageHandler(quiet);
    if (!confineDecoder()) {
        return 3;
    }
    QFile file;
    if (!file.open(kPictureFd, QIODevice::ReadOnly, QFileDevice::DontCloseHandle)) {
        return 1;
    }
    QImage image;
    const ImageAllocator inPixelFile = [](QSize size) {
        return mapPixels(size, QImage::Format_RGB32);
    };
    if (!decodeOpenImage(file, SourceKind::PlayerFile, fit, image, inPixelFile) ||
        !handOver(std::move(image))) {
        return 1;
    }
    return 0;
}

}  // namespace

}  // namespace zolva::imageio::decoder

int main(int argc, char** argv) {
    // Straight out: the game has what it needs, and tearing down decoders and plugins
    // would only add to every picture's wait.
    ::_exit(zolva::imageio::decoder::run(argc, argv));
}
