#include <gtest/gtest.h>

#include "framework/surface.h"

namespace zolva {
namespace {

std::uint32_t rgb(const Surface& s, int x, int y) {
    return s.image().pixel(x, y) & 0xFFFFFFu;
}

Surface gradient(int w, int h) {
    Surface s(w, h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            s.image().setPixel(x, y, 0xFF000000u | static_cast<std::uint32_t>(y * 256 + x));
        }
    }
    return s;
}

TEST(Surface, BlitClipsBothSurfacesAndKeepsRectanglesAligned) {
    Surface target(10, 10);
    Surface source = gradient(8, 8);
    target.setTrackDamage(true);
    // Hangs off the target's top-left corner and the source's bottom-right corner.
    ASSERT_TRUE(target.blit(Rect{-2, -1, 4, 5}, &source, Rect{4, 3, 10, 9}));
    // Target (0,0) takes source (6,4): shifted by the clipped two columns and one row.
    EXPECT_EQ(rgb(target, 0, 0), 4u * 256 + 6);
    EXPECT_EQ(rgb(target, 1, 3), 7u * 256 + 7);
    // Source column 8 does not exist, so target column 2 stays black.
    EXPECT_EQ(rgb(target, 2, 0), 0u);
    ASSERT_EQ(target.damage().size(), 1u);
    EXPECT_EQ(target.damage()[0], (Rect{0, 0, 2, 4}));
}

TEST(Surface, FailuresAndNoOps) {
    Surface target(4, 4);
    Surface nullSurface;
    EXPECT_FALSE(target.blit(Rect{0, 0, 2, 2}, nullptr, Rect{0, 0, 2, 2}));
    EXPECT_FALSE(target.blit(Rect{0, 0, 2, 2}, &nullSurface, Rect{0, 0, 2, 2}));
    EXPECT_FALSE(nullSurface.fill(nullptr, 0xFFFFFF));
    EXPECT_TRUE(Surface(0, 5).isNull());
    // Entirely outside: succeeds and records nothing.
    target.setTrackDamage(true);
    Surface source = gradient(4, 4);
    EXPECT_TRUE(target.blit(Rect{10, 10, 12, 12}, &source, Rect{0, 0, 2, 2}));
    const Rect outside{-5, -5, -1, -1};
    EXPECT_TRUE(target.fill(&outside, 0xFFFFFF));
    EXPECT_TRUE(target.damage().empty());
}

TEST(Surface, FillAndColorKey) {
    Surface target(6, 6);
    target.setTrackDamage(true);
    const Rect area{2, 2, 9, 4};
    ASSERT_TRUE(target.fill(&area, 0x123456));
    EXPECT_EQ(rgb(target, 5, 3), 0x123456u);
    EXPECT_EQ(rgb(target, 1, 3), 0u);
    EXPECT_EQ(target.takeDamage(), (std::vector<Rect>{Rect{2, 2, 6, 4}}));
    EXPECT_TRUE(target.damage().empty());

    Surface sprite(2, 1);
    sprite.image().setPixel(0, 0, 0xFFFF00FFu);  // key colour
    sprite.image().setPixel(1, 0, 0xFF00FF00u);
    ASSERT_TRUE(target.blit(Rect{2, 2, 4, 3}, &sprite, Rect{0, 0, 2, 1}, true, 0xFF00FF, 0xFF00FF));
    EXPECT_EQ(rgb(target, 2, 2), 0x123456u);  // keyed pixel left out
    EXPECT_EQ(rgb(target, 3, 2), 0x00FF00u);
}

}  // namespace
}  // namespace zolva
