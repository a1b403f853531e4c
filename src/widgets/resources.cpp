#include "widgets/resources.h"

#include "widgets/artwork_image.h"

#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QPixmapCache>
#include <QRegularExpression>
#include <QResource>
#include <QSvgRenderer>
#include <algorithm>
#include <array>
#include <cmath>
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

// The lettering drawn in the artwork, for the translations (lupdate reads this list).
[[maybe_unused]] constexpr const char* kArtworkTexts[] = { QT_TRANSLATE_NOOP("Artwork", "ATTENTION MODE"),
    QT_TRANSLATE_NOOP("Artwork", "Age:"), QT_TRANSLATE_NOOP("Artwork", "Alarm song"),
    QT_TRANSLATE_NOOP("Artwork", "Brithday:"), QT_TRANSLATE_NOOP("Artwork", "Delete key"),
    QT_TRANSLATE_NOOP("Artwork", "Don't Move!!"), QT_TRANSLATE_NOOP("Artwork", "End"),
    QT_TRANSLATE_NOOP("Artwork", "Enter key"), QT_TRANSLATE_NOOP("Artwork", "F"),
    QT_TRANSLATE_NOOP("Artwork", "Gender:"), QT_TRANSLATE_NOOP("Artwork", "Guard Mode"),
    QT_TRANSLATE_NOOP("Artwork", "Guard alert"), QT_TRANSLATE_NOOP("Artwork", "Hey!!"),
    QT_TRANSLATE_NOOP("Artwork", "Hobbies and Interests:"), QT_TRANSLATE_NOOP("Artwork", "Hometown:"),
    QT_TRANSLATE_NOOP("Artwork", "Hover"), QT_TRANSLATE_NOOP("Artwork", "LEAVE MODE"),
    QT_TRANSLATE_NOOP("Artwork", "Leave Mode"), QT_TRANSLATE_NOOP("Artwork", "M"), QT_TRANSLATE_NOOP("Artwork", "NO"),
    QT_TRANSLATE_NOOP("Artwork", "Name:"), QT_TRANSLATE_NOOP("Artwork", "New mail!"),
    QT_TRANSLATE_NOOP("Artwork", "OFF"), QT_TRANSLATE_NOOP("Artwork", "OFF / QUIT"), QT_TRANSLATE_NOOP("Artwork", "ON"),
    QT_TRANSLATE_NOOP("Artwork", "ON / SAVE"), QT_TRANSLATE_NOOP("Artwork", "ON: every move makes the toy shout"),
    QT_TRANSLATE_NOOP("Artwork", "Pick how the toy watches your desk"), QT_TRANSLATE_NOOP("Artwork", "Profile:"),
    QT_TRANSLATE_NOOP("Artwork", "QUIT"), QT_TRANSLATE_NOOP("Artwork", "RESET"), QT_TRANSLATE_NOOP("Artwork", "Reset"),
    QT_TRANSLATE_NOOP("Artwork", "SAVE"), QT_TRANSLATE_NOOP("Artwork", "Sensor Start"),
    QT_TRANSLATE_NOOP("Artwork", "Sound Effects"), QT_TRANSLATE_NOOP("Artwork", "Start"),
    QT_TRANSLATE_NOOP("Artwork", "Wait:"), QT_TRANSLATE_NOOP("Artwork", "YES"), QT_TRANSLATE_NOOP("Artwork", "minutes"),
    QT_TRANSLATE_NOOP("Artwork", "on"), QT_TRANSLATE_NOOP("Artwork", "sound file") };

// The artwork's lettering in the user's language. A longer text gets a smaller font (down
// to 60 %), so that it stays on the plate or line drawn for it.
QByteArray translatedLettering(const QByteArray& svg)
{
    static const QRegularExpression text(QStringLiteral("(<text[^>]*>)([^<]*)</text>"));
    static const QRegularExpression fontSize(QStringLiteral("font-size=\"([0-9.]+)\""));
    static const QRegularExpression strokeWidth(QStringLiteral("stroke-width=\"([0-9.]+)\""));
    const QString in = QString::fromUtf8(svg);
    QString out;
    qsizetype done = 0;
    for (auto it = text.globalMatch(in); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        const QString source = m.captured(2);
        const QString shown = QCoreApplication::translate("Artwork", source.toUtf8().constData());
        QString open = m.captured(1);
        if (shown.size() > source.size() && source.size() > 0) {
            // Letters differ in width, so the length ratio is softened (its 3/4 power). The
            // outline shrinks with the letters, or it would fill them in.
            const double ratio = std::max(0.6, std::pow(double(source.size()) / double(shown.size()), 0.75));
            for (const QRegularExpression* attribute : { &fontSize, &strokeWidth }) {
                const QRegularExpressionMatch value = attribute->match(open);
                if (value.hasMatch())
                    open.replace(value.capturedStart(1), value.capturedLength(1),
                                 QString::number(value.captured(1).toDouble() * ratio, 'f', 2));
            }
        }
        out += in.mid(done, m.capturedStart(1) - done) + open + shown.toHtmlEscaped();
        done = m.capturedEnd(2);
    }
    if (done == 0)
        return svg;
    out += in.mid(done);
    return out.toUtf8();
}

// The artwork's renderer, or none where the file is missing or not valid SVG (checked
// first, so a missing picture is not also a parser warning).
std::unique_ptr<QSvgRenderer> openSvg(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return nullptr;
    QByteArray svg = file.readAll();
    if (svg.contains("<text"))
        svg = translatedLettering(svg);
    auto renderer = std::make_unique<QSvgRenderer>(svg);
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
        { IDS_ABOUTBOX, QT_TRANSLATE_NOOP("StringTable", "关于 QUILLBY(&A)...") },
    } };
    for (const auto& [key, text] : table) {
        if (key == id)
            return QCoreApplication::translate("StringTable", text);
    }
    return {};
}
