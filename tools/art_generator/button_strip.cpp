// The new-game button: a grey square with a yellow face whose expression follows the
// pointer. The bevel is drawn pixel by pixel (a smoothed bevel looks smeared at this size);
// only the round face is antialiased.
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <algorithm>

#include "tools/art_generator/art_painter.h"

namespace zolva::art {
namespace {

constexpr int kFrameSize = 26;
constexpr int kFrameCount = 5;
constexpr int kBevel = 2;

const QColor kFaceGrey(192, 192, 192);
const QColor kLight(255, 255, 255);
const QColor kShadow(128, 128, 128);
const QColor kBorder(96, 96, 96);
const QColor kYellow(255, 214, 10);
const QColor kInk(20, 20, 20);

enum class Expression { Smile, Surprised, Cool, Lost };

// A raised button is lit from the top left; pressing it swaps light and shadow, which is
// all the eye needs to see it sink in.
void paintBevel(QImage& image, int left, bool sunken) {
    const QRgb topLeft = (sunken ? kShadow : kLight).rgb();
    const QRgb bottomRight = (sunken ? kLight : kShadow).rgb();
    for (int y = 0; y < kFrameSize; ++y) {
        for (int x = 0; x < kFrameSize; ++x) {
            QRgb colour = kFaceGrey.rgb();
            const bool border = x == 0 || y == 0 || x == kFrameSize - 1 || y == kFrameSize - 1;
            if (border) {
                colour = kBorder.rgb();
            } else {
                // Distance into the bevel from each edge; the corners split on the diagonal.
                const int fromTop = y - 1;
                const int fromLeft = x - 1;
                const int fromBottom = kFrameSize - 2 - y;
                const int fromRight = kFrameSize - 2 - x;
                const int nearTopLeft = std::min(fromTop, fromLeft);
                const int nearBottomRight = std::min(fromBottom, fromRight);
                if (nearTopLeft < kBevel || nearBottomRight < kBevel) {
                    colour = nearTopLeft < nearBottomRight ||
                                     (nearTopLeft == nearBottomRight &&
                                      fromTop + fromLeft < fromBottom + fromRight)
                                 ? topLeft
                                 : bottomRight;
                }
            }
            image.setPixel(left + x, y, colour);
        }
    }
}

void paintEyes(QPainter& p, Expression expression) {
    p.setPen(Qt::NoPen);
    p.setBrush(kInk);
    switch (expression) {
        case Expression::Smile:
            p.drawEllipse(QPointF(10.5, 10.8), 1.25, 1.5);
            p.drawEllipse(QPointF(15.5, 10.8), 1.25, 1.5);
            break;
        case Expression::Surprised:
            // Raised, wider eyes sell the surprise as much as the mouth does.
            p.drawEllipse(QPointF(10.5, 10.3), 1.5, 1.9);
            p.drawEllipse(QPointF(15.5, 10.3), 1.5, 1.9);
            break;
        case Expression::Cool: {
            QPainterPath glasses;
            glasses.addRoundedRect(QRectF(7.0, 9.0, 5.2, 3.6), 1.2, 1.2);
            glasses.addRoundedRect(QRectF(13.8, 9.0, 5.2, 3.6), 1.2, 1.2);
            p.drawPath(glasses);
            p.setPen(QPen(kInk, 1.0));
            p.drawLine(QPointF(12.0, 9.8), QPointF(14.0, 9.8));
            p.drawLine(QPointF(7.2, 9.6), QPointF(5.4, 9.0));
            p.drawLine(QPointF(18.8, 9.6), QPointF(20.6, 9.0));
            // A glint on each lens so they read as glass, not as holes.
            p.setPen(QPen(QColor(170, 200, 255), 0.9));
            p.drawLine(QPointF(8.3, 10.0), QPointF(9.4, 10.0));
            p.drawLine(QPointF(15.1, 10.0), QPointF(16.2, 10.0));
            break;
        }
        case Expression::Lost:
            p.setPen(QPen(kInk, 1.3, Qt::SolidLine, Qt::RoundCap));
            for (const double cx : {10.5, 15.5}) {
                p.drawLine(QPointF(cx - 1.5, 9.3), QPointF(cx + 1.5, 12.3));
                p.drawLine(QPointF(cx - 1.5, 12.3), QPointF(cx + 1.5, 9.3));
            }
            break;
    }
}

void paintMouth(QPainter& p, Expression expression) {
    const QPen line(kInk, 1.2, Qt::SolidLine, Qt::RoundCap);
    switch (expression) {
        case Expression::Smile:
        case Expression::Cool: {
            p.setPen(line);
            p.setBrush(Qt::NoBrush);
            // Angles in sixteenths of a degree, counter-clockwise from three o'clock.
            p.drawArc(QRectF(8.5, 9.0, 9.0, 8.5), -25 * 16, -130 * 16);
            break;
        }
        case Expression::Surprised:
            p.setPen(QPen(kInk, 1.0));
            p.setBrush(QColor(120, 20, 20));
            p.drawEllipse(QPointF(13.0, 16.6), 1.8, 2.2);
            break;
        case Expression::Lost:
            p.setPen(line);
            p.setBrush(Qt::NoBrush);
            p.drawArc(QRectF(9.0, 15.5, 8.0, 6.0), 25 * 16, 130 * 16);
            break;
    }
}

void paintFace(QImage& image, int left, int shift, Expression expression) {
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(left + shift, shift);
    p.setPen(QPen(kInk, 1.0));
    p.setBrush(kYellow);
    // A radius of 7.5 puts the one-pixel outline on whole pixels, so it stays black
    // instead of smearing into grey.
    p.drawEllipse(QPointF(13.0, 13.0), 7.5, 7.5);
    paintEyes(p, expression);
    paintMouth(p, expression);
}

}  // namespace

QImage paintButtonStrip() {
    QImage image(kFrameSize * kFrameCount, kFrameSize, QImage::Format_RGB32);
    struct Frame {
        bool sunken;
        Expression expression;
    };
    constexpr Frame kFrames[kFrameCount] = {
        {false, Expression::Smile}, {false, Expression::Surprised}, {true, Expression::Smile},
        {false, Expression::Cool},  {false, Expression::Lost},
    };
    for (int i = 0; i < kFrameCount; ++i) {
        const int left = i * kFrameSize;
        paintBevel(image, left, kFrames[i].sunken);
        paintFace(image, left, kFrames[i].sunken ? 1 : 0, kFrames[i].expression);
    }
    return image;
}

}  // namespace zolva::art
