#include "widgets/resources.h"

#include "widgets/artwork_image.h"

#include <QFile>
#include <QSvgRenderer>
#include <algorithm>
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
// still reach the executable. The main picture is drawn at build time: what loads must be
// exactly what the SVG draws.
TEST(Resources, MainPictureIsEmbeddedAsItsSvgDraws)
{
    EXPECT_TRUE(QFile::exists(QStringLiteral(":/bitmaps/129.argb"))) << "main picture 129 is not drawn at build time";
    QSvgRenderer svg(QStringLiteral(QUILLBY_SOURCE_DIR "/resources/bitmaps/129.svg"));
    const QImage expected = RenderSvgImage(svg);
    ASSERT_FALSE(expected.isNull());

    const QPixmap picture = LoadBitmapResource(129);
    ASSERT_FALSE(picture.isNull());
    EXPECT_EQ(picture.toImage().convertToFormat(expected.format()), expected);
    // Cached: the same pixmap comes back.
    EXPECT_EQ(LoadBitmapResource(129).cacheKey(), picture.cacheKey());
    // A picture with text stays SVG and still loads.
    EXPECT_FALSE(LoadBitmapResource(137).isNull());
}

// Anything but a whole pixel file of this machine is refused, never read past its end.
TEST(Resources, PixelFilesRoundTripAndDamagedOnesAreRefused)
{
    QImage image(3, 2, QImage::Format_ARGB32_Premultiplied);
    image.fill(qRgba(10, 20, 30, 40));
    image.setPixel(2, 1, qRgba(1, 2, 3, 4));
    const QByteArray file = EncodePixelFile(image);
    EXPECT_EQ(DecodePixelFile(file), image);

    auto changed = [&](qsizetype at, char value) {
        QByteArray copy = file;
        copy[at] = value;
        return copy;
    };
    QByteArray swapped = file;
    std::reverse(swapped.begin() + 4, swapped.begin() + 8);
    const struct {
        const char* what;
        QByteArray data;
    } damaged[] = {
        { "empty", QByteArray() },
        { "header only", file.left(16) },
        { "one byte short", file.chopped(1) },
        { "one byte over", file + 'x' },
        { "other magic", changed(0, 'X') },
        { "other byte order", swapped },
        { "zero width", changed(8, 0).replace(9, 3, QByteArray(3, 0)) },
        { "huge height", changed(15, 0x7f) },
    };
    for (const auto& [what, data] : damaged)
        EXPECT_TRUE(DecodePixelFile(data).isNull()) << what;
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
