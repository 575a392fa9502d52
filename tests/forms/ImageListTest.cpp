// The main window's pictures: the red cross as a window icon at every drawn size.
#include <QIcon>
#include <QImage>
#include <QList>
#include <QSize>

#include <gtest/gtest.h>

#include "forms/main/ImageList.h"
#include "runtime/RuntimeError.h"

TEST(ImageList, WindowIconOffersTheCrossAtEveryDrawnSizeAndRefusesABadIndexAtOnce)
{
    const QIcon icon = forms::ImageList1::icon(forms::ImageList1::Index::Delete);
    const QIcon copy = icon;  // read through the copy first: both share one reading
    EXPECT_EQ(copy.availableSizes(),
              (QList<QSize>{{16, 16}, {24, 24}, {32, 32}, {48, 48}, {64, 64}, {128, 128}, {256, 256}}));
    EXPECT_EQ(icon.pixmap(16).toImage(), forms::ImageList1::picture(forms::ImageList1::Index::Delete).toImage());
    const QImage large = icon.pixmap(256).toImage();
    ASSERT_EQ(large.size(), QSize(256, 256));
    EXPECT_GT(large.pixelColor(128, 128).red(), 200);
    EXPECT_FALSE(icon.isNull());
    EXPECT_THROW(forms::ImageList1::icon(forms::ImageList1::Count + 1), runtime::RuntimeError);
}
