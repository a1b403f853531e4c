#include "widgets/resources.h"

#include "widgets/artwork_image.h"

#include <QFile>
#include <QImage>
#include <QPixmapCache>
#include <QResource>
#include <QSvgRenderer>
#include <array>
#include <memory>
#include <utility>

namespace {

QString bitmapPath(int id)
{
    return QStringLiteral(":/bitmaps/%1.svg").arg(id);
}

// The build draws the pictures without text into pixel files (text would take the build
// machine's fonts); the rest stay SVG.
QString drawnBitmapPath(int id)
{
    return QStringLiteral(":/bitmaps/%1.argb").arg(id);
}

QString iconPath(int id)
{
    return QStringLiteral(":/icons/%1.svg").arg(id);
}

// Renders the SVG at the given size, or at its own size when size is empty.
QPixmap renderSvg(QSvgRenderer& renderer, QSize size = {})
{
    QImage image = RenderSvgImage(renderer, size);
    return image.isNull() ? QPixmap() : QPixmap::fromImage(std::move(image));
}

// The artwork's renderer, or none where the file is missing or not valid SVG (checked
// first, so a missing picture is not also a parser warning).
std::unique_ptr<QSvgRenderer> openSvg(const QString& path)
{
    if (!QFile::exists(path))
        return nullptr;
    auto renderer = std::make_unique<QSvgRenderer>(path);
    return renderer->isValid() ? std::move(renderer) : nullptr;
}

QPixmap renderSvg(const QString& path, QSize size = {})
{
    const auto renderer = openSvg(path);
    return renderer ? renderSvg(*renderer, size) : QPixmap();
}

} // namespace

QPixmap LoadBitmapResource(int id)
{
    // QPixmapCache lives and dies with the application, unlike a static container.
    const QString key = QStringLiteral("quillby/bitmap/%1").arg(id);
    QPixmap pixmap;
    if (QPixmapCache::find(key, &pixmap))
        return pixmap;
    // Read through QResource: a QFile would hold a second copy of the unpacked pixels.
    if (const QResource drawn(drawnBitmapPath(id)); drawn.isValid()) {
        QImage image = DecodePixelFile(drawn.uncompressedData());
        if (!image.isNull())
            pixmap = QPixmap::fromImage(std::move(image));
    }
    if (pixmap.isNull())
        pixmap = renderSvg(bitmapPath(id));
    if (!pixmap.isNull())
        QPixmapCache::insert(key, pixmap);
    return pixmap;
}

QSize IconResourceSize(int id)
{
    const auto renderer = openSvg(iconPath(id));
    return renderer ? renderer->defaultSize() : QSize();
}

QPixmap LoadIconPixmap(int id, int size)
{
    return renderSvg(iconPath(id), size > 0 ? QSize(size, size) : QSize());
}

QIcon LoadIconResource(int id)
{
    // One parse for every size: the window icon is built before the first paint.
    const auto renderer = openSvg(iconPath(id));
    if (!renderer)
        return {};
    const QPixmap own = renderSvg(*renderer);
    if (own.isNull())
        return {};
    QIcon icon;
    for (int size : { 16, 24, 32, 48, 64 })
        icon.addPixmap(renderSvg(*renderer, QSize(size, size)));
    icon.addPixmap(own);
    return icon;
}

QString LoadStringResource(int id)
{
    static const std::array<std::pair<int, const char*>, 1> table { {
        { IDS_ABOUTBOX, "关于 QUILLBY(&A)..." },
    } };
    for (const auto& [key, text] : table) {
        if (key == id)
            return QString::fromUtf8(text);
    }
    return {};
}
