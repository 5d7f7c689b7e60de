// A sprite sheet: one image on one off-screen surface, cut into columns x rows equal
// frames. Frame f lies in column f mod columns and row f div columns. The image comes from
// a built-in bitmap or from a file the player chose; it is decoded when the surface is
// first needed, and many display objects may draw from one picture. Pictures belong to
// the application and outlive every display object that points at them.
#pragma once

#include <QString>
#include <cstdint>
#include <memory>

#include "rect.h"
#include "surface.h"

namespace zolva {

class Picture {
public:
    // Size taken from the image (see imageio::readImageSize, which never makes a file cost
    // two decodes); 0 x 0 when it cannot be read. No surface yet.
    Picture(const QString& name, int columns, int rows, int frameCount);
    // Size known in advance; nothing is loaded yet.
    Picture(const QString& name, int width, int height, int columns, int rows, int frameCount);
    virtual ~Picture();

    Picture(const Picture&) = delete;
    Picture& operator=(const Picture&) = delete;

    void setup(const QString& name, int width, int height, int columns, int rows, int frameCount,
               bool useColorKey, std::uint32_t colorKeyLow, std::uint32_t colorKeyHigh);

    // Makes sure the surface exists, decoding and painting the image the first time: a
    // white sheet of the stored size with the image at its own size at the top-left.
    bool createSurface();
    // Swaps in another image at its own size, keeping the grid and the stored name. On a
    // failure to decode nothing changes.
    bool replaceImage(const QString& newName);
    // Copies a rectangle of the sheet onto the target. False without a surface.
    bool blit(Surface& target, const Rect& destination, const Rect& source);

    // The sheet's pixels; null until createSurface succeeds. The board paints its number
    // overlay and tile flash straight onto it.
    Surface* surface() { return surface_.get(); }
    const Surface* surface() const { return surface_.get(); }

    const QString& name() const { return name_; }
    int width() const { return width_; }
    int height() const { return height_; }
    int frameWidth() const { return frameWidth_; }
    int frameHeight() const { return frameHeight_; }
    int columns() const { return columns_; }
    int rows() const { return rows_; }
    int frameCount() const { return frameCount_; }
    bool useColorKey() const { return useColorKey_; }

private:
    std::unique_ptr<Surface> surface_;
    QString name_;  // our own copy: the caller's buffer may change or go away
    int width_ = 0;
    int height_ = 0;
    int frameWidth_ = 0;
    int frameHeight_ = 0;
    int columns_ = 1;
    int rows_ = 1;
    int frameCount_ = 0;
    bool useColorKey_ = false;
    std::uint32_t colorKeyLow_ = 0;
    std::uint32_t colorKeyHigh_ = 0;
};

}  // namespace zolva
