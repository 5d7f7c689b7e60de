#include "framework/picture.h"

#include <QPainter>
#include <QSize>
#include <algorithm>

#include "framework/image_loader.h"

namespace zolva {

namespace {

// The white every new sheet starts as; it shows wherever the image does not reach.
constexpr std::uint32_t kSheetBackground = 0xFFFFFF;

// Paints the decoded image at its own size onto the sheet's top-left corner. Whatever lies
// beyond the sheet is cut off by the painter.
bool paintImage(Surface& sheet, const QImage& image) {
    QPainter painter;
    if (!painter.begin(&sheet.image())) {
        return false;
    }
    painter.drawImage(0, 0, image);
    return painter.end();
}

// A decoded image that fills the sheet exactly and has no transparency for the white to
// show through can become the sheet itself. For a 24-megapixel photo that saves a second
// 96 MB allocation, its white fill and a full copy, which together cost about as much
// as the decode.
bool becomesSheet(const QImage& image, int width, int height) {
    return !image.hasAlphaChannel() && image.width() == width && image.height() == height;
}

// Takes the decoded pixels over as a sheet; the local reference goes first so the sheet
// is their only owner and later painting on it does not copy them.
std::unique_ptr<Surface> adoptAsSheet(QImage& image) {
    auto sheet = std::make_unique<Surface>(image);
    image = QImage();
    return sheet;
}

}  // namespace

Picture::Picture(const QString& name, int columns, int rows, int frameCount) {
    // Only the size is needed here. A built-in bitmap's comes from its header, so a picture
    // that is never shown costs no decode; a file's decode is kept for createSurface.
    QSize size;
    if (!imageio::readImageSize(name, size)) {
        size = QSize(0, 0);
    }
    setup(name, size.width(), size.height(), columns, rows, frameCount, false, 0, 0);
}

Picture::Picture(const QString& name, int width, int height, int columns, int rows,
                 int frameCount) {
    setup(name, width, height, columns, rows, frameCount, false, 0, 0);
}

Picture::~Picture() = default;

void Picture::setup(const QString& name, int width, int height, int columns, int rows,
                    int frameCount, bool useColorKey, std::uint32_t colorKeyLow,
                    std::uint32_t colorKeyHigh) {
    surface_.reset();
    name_ = name;
    width_ = width;
    height_ = height;
    // A grid of zero (or fewer) cells would divide by zero here and in every display
    // object that maps frames to cells, so such a grid counts as a single cell.
    columns_ = std::max(columns, 1);
    rows_ = std::max(rows, 1);
    frameWidth_ = width_ / columns_;
    frameHeight_ = height_ / rows_;
    frameCount_ = frameCount;
    useColorKey_ = useColorKey;
    colorKeyLow_ = colorKeyLow;
    colorKeyHigh_ = colorKeyHigh;
}

bool Picture::createSurface() {
    if (surface_) {
        return true;
    }
    QImage image;
    if (!imageio::loadImage(name_, image)) {
        return false;
    }
    if (becomesSheet(image, width_, height_)) {
        auto adopted = adoptAsSheet(image);
        if (adopted->isNull()) {
            return false;
        }
        surface_ = std::move(adopted);
        return true;
    }
    auto sheet = std::make_unique<Surface>(width_, height_);
    if (sheet->isNull()) {
        return false;
    }
    // The sheet is kept even if painting fails below: later calls then succeed at once
    // rather than decoding the same troublesome file over and over.
    surface_ = std::move(sheet);
    if (!surface_->fill(nullptr, kSheetBackground)) {
        return false;
    }
    return paintImage(*surface_, image);
}

bool Picture::replaceImage(const QString& newName) {
    QImage image;
    if (!imageio::loadImage(newName, image)) {
        return false;
    }
    surface_.reset();
    const int newWidth = image.width();
    const int newHeight = image.height();
    bool painted = true;
    if (becomesSheet(image, newWidth, newHeight)) {
        auto adopted = adoptAsSheet(image);
        if (adopted->isNull()) {
            return false;
        }
        surface_ = std::move(adopted);
    } else {
        auto sheet = std::make_unique<Surface>(newWidth, newHeight);
        if (sheet->isNull()) {
            return false;
        }
        surface_ = std::move(sheet);
        if (!surface_->fill(nullptr, kSheetBackground)) {
            return false;
        }
        painted = paintImage(*surface_, image);
    }
    width_ = newWidth;
    height_ = newHeight;
    frameWidth_ = width_ / columns_;
    frameHeight_ = height_ / rows_;
    return painted;
}

bool Picture::blit(Surface& target, const Rect& destination, const Rect& source) {
    if (!surface_) {
        return false;
    }
    return target.blit(destination, surface_.get(), source, useColorKey_, colorKeyLow_,
                       colorKeyHigh_);
}

}  // namespace zolva
