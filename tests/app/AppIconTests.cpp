// The window icon: the launcher's picture, painted by the program at each size.
#include <gtest/gtest.h>

#include <QImage>

#include "shell/AppIcon.h"

namespace wavomer::app {
namespace {

bool near(QRgb pixel, QRgb expected) {
    return std::abs(qRed(pixel) - qRed(expected)) < 8 && std::abs(qGreen(pixel) - qGreen(expected)) < 8 &&
           std::abs(qBlue(pixel) - qBlue(expected)) < 8 && qAlpha(pixel) == 255;
}

TEST(AppIcon, ThePictureIsPaintedAtEverySizeFromTheBuiltInFile) {
    const QImage image = paintIconPicture(QStringLiteral(":/icons/org.wavomer.Wavomer.svg"), 128);
    ASSERT_EQ(image.size(), QSize(128, 128));
    EXPECT_EQ(qAlpha(image.pixel(1, 1)), 0);                 // outside the rounded tile
    EXPECT_TRUE(near(image.pixel(12, 20), qRgb(0x2a, 0x2d, 0x31)));  // the tile
    EXPECT_TRUE(near(image.pixel(69, 64), qRgb(0x14, 0xa3, 0xb0)));  // the tallest bar
    EXPECT_TRUE(near(image.pixel(80, 100), qRgb(0xfc, 0xfa, 0x3a)));  // the cursor line
    // At 32 pixels the same places, scaled.
    const QImage small = paintIconPicture(QStringLiteral(":/icons/org.wavomer.Wavomer.svg"), 32);
    EXPECT_TRUE(near(small.pixel(3, 5), qRgb(0x2a, 0x2d, 0x31)));
    // A bar is narrower than two pixels there: mostly the bar's teal, blended at its edges.
    const QRgb bar = small.pixel(17, 16);
    EXPECT_GT(qGreen(bar), 0x70);
    EXPECT_LT(qRed(bar), 0x30);

    const QIcon icon = applicationIcon();
    EXPECT_FALSE(icon.isNull());
    EXPECT_EQ(icon.availableSizes().size(), 7);
}

TEST(AppIcon, AMissingPictureGivesAnEmptyImage) {
    const QImage image = paintIconPicture(QStringLiteral(":/icons/none.svg"), 16);
    ASSERT_EQ(image.size(), QSize(16, 16));
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) ASSERT_EQ(qAlpha(image.pixel(x, y)), 0);
}

}  // namespace
}  // namespace wavomer::app
