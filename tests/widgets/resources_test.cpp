#include "widgets/resources.h"

#include <QFile>
#include <QSvgRenderer>
#include <gtest/gtest.h>

TEST(Resources, StringTable)
{
    EXPECT_EQ(LoadStringResource(IDS_ABOUTBOX), QString::fromUtf8("关于 QUILLBY(&A)..."));
    EXPECT_TRUE(LoadStringResource(0).isEmpty());
    EXPECT_TRUE(LoadStringResource(99999).isEmpty());
}

TEST(Resources, MissingArtworkGivesNullImages)
{
    EXPECT_TRUE(LoadBitmapResource(99999).isNull());
    EXPECT_TRUE(LoadIconResource(99999).isNull());
    EXPECT_TRUE(LoadIconPixmap(99999, 32).isNull());
    EXPECT_FALSE(IconResourceSize(99999).isValid());
}

// The artwork is embedded in the widgets library; a static library's resources must
// still reach the executable.
TEST(Resources, MainPictureIsEmbeddedAtItsOwnSize)
{
    const QString path = QStringLiteral(":/bitmaps/129.svg");
    ASSERT_TRUE(QFile::exists(path)) << "main picture 129 is not embedded";
    const QSize own = QSvgRenderer(path).defaultSize();

    const QPixmap picture = LoadBitmapResource(129);
    ASSERT_FALSE(picture.isNull());
    EXPECT_EQ(picture.size(), own);
    // Cached: the same pixmap comes back.
    EXPECT_EQ(LoadBitmapResource(129).cacheKey(), picture.cacheKey());
}

TEST(Resources, IconsRenderAtTheirOwnSizeAndOnRequest)
{
    const QString path = QStringLiteral(":/icons/128.svg");
    ASSERT_TRUE(QFile::exists(path)) << "window icon 128 is not embedded";
    const QSize own = QSvgRenderer(path).defaultSize();

    EXPECT_EQ(IconResourceSize(128), own);
    EXPECT_EQ(LoadIconPixmap(128).size(), own);
    EXPECT_EQ(LoadIconPixmap(128, 16).size(), QSize(16, 16));
    const QIcon icon = LoadIconResource(128);
    ASSERT_FALSE(icon.isNull());
    EXPECT_GE(icon.availableSizes().size(), 2);
    EXPECT_EQ(icon.pixmap(QSize(48, 48)).size(), QSize(48, 48));
}
