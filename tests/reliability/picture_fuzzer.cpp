#include "reliability/picture_fuzzer.h"

#include <QDir>
#include <QFile>
#include <sstream>

#include "framework/image_limits.h"
#include "framework/surface.h"
#include "support/sample_images.h"

namespace zolva::reliability {

namespace {

// A successful case stays on show for the next one unless it is big; comparing and
// copying a big sheet on every later case would only slow the run down.
constexpr qint64 kKeepPixels = 512 * 512;
// The grid the picture on show is cut into, so frame sizes are checked too.
constexpr int kColumns = 3;
constexpr int kRows = 2;

}  // namespace

PictureFuzzer::PictureFuzzer(const QString& workDir)
    : casePath_(QDir(workDir).filePath(QStringLiteral("case.img"))),
      goodPath_(QDir(workDir).filePath(QStringLiteral("good.png"))) {
    sample::pattern(7, 5).save(goodPath_, "PNG");
    resetShownPicture();
}

void PictureFuzzer::resetShownPicture() {
    shown_ = std::make_unique<Picture>(goodPath_, kColumns, kRows, kColumns * kRows);
    shown_->createSurface();
}

std::string PictureFuzzer::runCase(const QByteArray& data) {
    ++tally_.cases;
    {
        QFile file(casePath_);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(data) != data.size()) {
            return "cannot write the case file";
        }
    }
    std::ostringstream problems;

    // A picture made from the file: its size comes from the header alone.
    Picture fresh(casePath_, kColumns, kRows, kColumns * kRows);
    const bool sized = fresh.width() != 0 || fresh.height() != 0;
    if (sized && !imageio::isAcceptableImageSize(fresh.width(), fresh.height())) {
        problems << "header size " << fresh.width() << "x" << fresh.height() << " let through; ";
    }
    bool freshDecoded = false;
    if (sized && fresh.createSurface()) {
        freshDecoded = true;
        const Surface* sheet = fresh.surface();
        if (sheet == nullptr || sheet->width() != fresh.width() ||
            sheet->height() != fresh.height()) {
            problems << "new picture's sheet is not its stored size; ";
        }
        if (!fresh.createSurface() || fresh.surface() != sheet) {
            problems << "second createSurface made another sheet; ";
        }
    }

    // The same file swapped into the picture on show.
    Surface* before = shown_->surface();
    if (before == nullptr) {
        return "the picture on show lost its sheet before the case";
    }
    const QImage pixels = before->image();  // shares the pixels; a write would detach them
    const QString name = shown_->name();
    const int width = shown_->width();
    const int height = shown_->height();
    const int frameWidth = shown_->frameWidth();
    const int frameHeight = shown_->frameHeight();

    if (!shown_->replaceImage(casePath_)) {
        ++tally_.refused;
        if (shown_->surface() != before || shown_->surface()->image() != pixels ||
            shown_->width() != width || shown_->height() != height ||
            shown_->frameWidth() != frameWidth || shown_->frameHeight() != frameHeight ||
            shown_->name() != name) {
            problems << "a refused file changed the picture on show; ";
        }
        if (freshDecoded) {
            problems << "a file decoded for a new picture but was refused as a replacement; ";
        }
        return problems.str();
    }

    ++tally_.loaded;
    const Surface* after = shown_->surface();
    if (after == nullptr || after->isNull()) {
        problems << "replaceImage succeeded without a sheet; ";
    } else if (after->width() != shown_->width() || after->height() != shown_->height()) {
        problems << "replaced sheet is not the stored size; ";
    }
    if (!imageio::isAcceptableImageSize(shown_->width(), shown_->height())) {
        problems << "decoded size " << shown_->width() << "x" << shown_->height()
                 << " beyond the limits; ";
    }
    if (shown_->frameWidth() != shown_->width() / kColumns ||
        shown_->frameHeight() != shown_->height() / kRows) {
        problems << "frame size not recomputed; ";
    }
    if (shown_->name() != name) {
        problems << "replaceImage changed the stored name; ";
    }
    if (sized && (fresh.width() != shown_->width() || fresh.height() != shown_->height())) {
        problems << "size told beforehand " << fresh.width() << "x" << fresh.height()
                 << " but decoded " << shown_->width() << "x" << shown_->height() << "; ";
    }
    if (!sized) {
        problems << "a file without a readable size decoded; ";
    }
    if (qint64{shown_->width()} * shown_->height() > kKeepPixels) {
        resetShownPicture();
    }
    return problems.str();
}

}  // namespace zolva::reliability
