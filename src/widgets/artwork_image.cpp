#include "widgets/artwork_image.h"

#include <QPainter>
#include <QSvgRenderer>
#include <cstdint>
#include <cstring>

namespace {

constexpr char kMagic[4] = { 'Q', 'B', 'P', 'X' };
// Read back in the other byte order, this no longer matches: such a file is refused.
constexpr std::uint32_t kByteOrderMark = 0x01020304;
constexpr qsizetype kHeaderSize = 16;
// Far above any picture of ours; keeps a damaged size from asking for gigabytes.
constexpr std::uint32_t kMaxSide = 8192;

void putWord(QByteArray& out, std::uint32_t value)
{
    out.append(reinterpret_cast<const char*>(&value), sizeof value);
}

std::uint32_t word(QByteArrayView data, qsizetype offset)
{
    std::uint32_t value = 0;
    std::memcpy(&value, data.data() + offset, sizeof value);
    return value;
}

} // namespace

QImage RenderSvgImage(QSvgRenderer& renderer, QSize size)
{
    if (size.isEmpty())
        size = renderer.defaultSize();
    if (size.isEmpty())
        return {};
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.render(&painter);
    painter.end();
    return image;
}

QByteArray EncodePixelFile(const QImage& source)
{
    if (source.isNull())
        return {};
    const QImage image = source.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const auto rowBytes = static_cast<qsizetype>(image.width()) * 4;
    QByteArray out;
    out.reserve(kHeaderSize + rowBytes * image.height());
    out.append(kMagic, sizeof kMagic);
    putWord(out, kByteOrderMark);
    putWord(out, static_cast<std::uint32_t>(image.width()));
    putWord(out, static_cast<std::uint32_t>(image.height()));
    for (int y = 0; y < image.height(); ++y)
        out.append(reinterpret_cast<const char*>(image.constScanLine(y)), rowBytes);
    return out;
}

QImage DecodePixelFile(QByteArrayView data)
{
    if (data.size() < kHeaderSize || std::memcmp(data.data(), kMagic, sizeof kMagic) != 0
        || word(data, 4) != kByteOrderMark)
        return {};
    const std::uint32_t width = word(data, 8);
    const std::uint32_t height = word(data, 12);
    if (width == 0 || height == 0 || width > kMaxSide || height > kMaxSide)
        return {};
    const auto rowBytes = static_cast<qsizetype>(width) * 4;
    if (data.size() != kHeaderSize + rowBytes * static_cast<qsizetype>(height))
        return {};
    QImage image(static_cast<int>(width), static_cast<int>(height), QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return {};
    for (int y = 0; y < image.height(); ++y)
        std::memcpy(image.scanLine(y), data.data() + kHeaderSize + rowBytes * y, static_cast<std::size_t>(rowBytes));
    return image;
}
