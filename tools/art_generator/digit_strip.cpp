// Seven-segment digits are drawn pixel by pixel rather than with antialiased paths: at
// 13 x 23 a smoothed edge only blurs the segments, and crisp hexagonal segments with a
// one-pixel gap at the corners read like a real display.
#include <QColor>
#include <array>
#include <cstdint>

#include "tools/art_generator/art_painter.h"

namespace zolva::art {
namespace {

constexpr int kFrameWidth = 13;
constexpr int kFrameHeight = 23;
constexpr int kFrameCount = 11;

// Segment bits in the usual a..g order: a top, b upper right, c lower right, d bottom,
// e lower left, f upper left, g middle.
enum Segment : std::uint8_t {
    A = 1 << 0,
    B = 1 << 1,
    C = 1 << 2,
    D = 1 << 3,
    E = 1 << 4,
    F = 1 << 5,
    G = 1 << 6,
};

constexpr std::array<std::uint8_t, kFrameCount> kFrameSegments = {
    A | B | C | D | E | F,      // 0
    B | C,                      // 1
    A | B | D | E | G,          // 2
    A | B | C | D | G,          // 3
    B | C | F | G,              // 4
    A | C | D | F | G,          // 5
    A | C | D | E | F | G,      // 6
    A | B | C,                  // 7
    A | B | C | D | E | F | G,  // 8
    A | B | C | D | F | G,      // 9
    G,                          // minus sign
};

// A lit segment has a hot core and a deeper red rim, which gives it a little glow; an
// unlit one is only a ghost of itself, as on a real display seen in daylight.
struct SegmentColours {
    QRgb core;
    QRgb rim;
};
constexpr SegmentColours kLit{qRgb(255, 48, 32), qRgb(210, 0, 0)};
constexpr SegmentColours kUnlit{qRgb(74, 6, 4), qRgb(56, 0, 0)};

// The segments are three pixels thick. The centre line reaches one pixel further than
// the two rim lines, so the ends are pointed and neighbouring segments meet only
// diagonally, leaving the classic notch at every corner.
void horizontalSegment(QImage& image, int left, int centreRow, SegmentColours colours) {
    for (int x = left + 3; x <= left + 9; ++x) {
        image.setPixel(x, centreRow, colours.core);
    }
    for (int x = left + 4; x <= left + 8; ++x) {
        image.setPixel(x, centreRow - 1, colours.rim);
        image.setPixel(x, centreRow + 1, colours.rim);
    }
}

void verticalSegment(QImage& image, int centreColumn, int top, int bottom, SegmentColours colours) {
    for (int y = top; y <= bottom; ++y) {
        image.setPixel(centreColumn, y, colours.core);
    }
    for (int y = top + 1; y <= bottom - 1; ++y) {
        image.setPixel(centreColumn - 1, y, colours.rim);
        image.setPixel(centreColumn + 1, y, colours.rim);
    }
}

void paintFrame(QImage& image, int frame) {
    const int left = frame * kFrameWidth;
    const std::uint8_t lit = kFrameSegments[static_cast<std::size_t>(frame)];
    auto colours = [lit](Segment s) { return (lit & s) != 0 ? kLit : kUnlit; };

    horizontalSegment(image, left, 2, colours(A));
    horizontalSegment(image, left, 11, colours(G));
    horizontalSegment(image, left, 20, colours(D));
    verticalSegment(image, left + 2, 3, 10, colours(F));
    verticalSegment(image, left + 10, 3, 10, colours(B));
    verticalSegment(image, left + 2, 12, 19, colours(E));
    verticalSegment(image, left + 10, 12, 19, colours(C));
}

}  // namespace

QImage paintDigitStrip() {
    QImage image(kFrameWidth * kFrameCount, kFrameHeight, QImage::Format_RGB32);
    image.fill(Qt::black);
    for (int frame = 0; frame < kFrameCount; ++frame) {
        paintFrame(image, frame);
    }
    return image;
}

}  // namespace zolva::art
