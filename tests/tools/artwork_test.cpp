// The artwork as the windows use it: every picture loads at its declared pixel size, the main
// window's hover pictures light up only the area of their button, and the name plate stays plain
// where the name field is drawn. Renders land in <build>/tests/tools/renders for a look.
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLoggingCategory>
#include <QPainter>
#include <QSvgRenderer>
#include <QXmlStreamReader>
#include <algorithm>
#include <cstdlib>
#include <gtest/gtest.h>

namespace {

struct Picture {
    const char* file; // relative to the source tree
    int width;
    int height;
    bool opaque; // shown as a window background: no see-through pixels
};

void PrintTo(const Picture& picture, std::ostream* os)
{
    *os << picture.file;
}

const Picture kPictures[] = {
    { "resources/bitmaps/129.svg", 308, 288, true },
    { "resources/bitmaps/131.svg", 308, 288, true },
    { "resources/bitmaps/132.svg", 308, 288, true },
    { "resources/bitmaps/133.svg", 308, 288, true },
    { "resources/bitmaps/134.svg", 308, 288, true },
    { "resources/bitmaps/226.svg", 308, 288, true },
    { "resources/bitmaps/245.svg", 308, 288, true },
    { "resources/bitmaps/248.svg", 308, 288, true },
    { "resources/bitmaps/249.svg", 308, 288, true },
    { "resources/bitmaps/251.svg", 308, 288, true },
    { "resources/bitmaps/252.svg", 308, 288, true },
    { "resources/bitmaps/242.svg", 315, 296, true },
    { "resources/bitmaps/137.svg", 210, 182, true },
    { "resources/bitmaps/207.svg", 305, 305, true },
    { "resources/bitmaps/208.svg", 305, 305, true },
    { "resources/icons/141.svg", 32, 32, true },
    { "resources/icons/171.svg", 32, 32, true },
    { "resources/icons/172.svg", 32, 32, true },
    { "resources/icons/202.svg", 32, 32, true },
    { "resources/icons/204.svg", 32, 32, true },
    { "resources/icons/209.svg", 32, 32, false },
    { "resources/icons/214.svg", 73, 34, false },
    { "resources/icons/215.svg", 73, 34, false },
    { "resources/icons/216.svg", 32, 32, false },
    { "resources/icons/302.svg", 44, 44, false },
    { "resources/icons/128.svg", 64, 64, false },
    { "resources/icons/223.svg", 64, 64, false },
    { "resources/icons/224.svg", 64, 64, false },
    { "tools/mfcsaver/toy_body.svg", 200, 170, false },
    { "tools/mfcsaver/toy_head.svg", 200, 170, false },
};

// Areas of the main window's invisible buttons and of its name field, in picture pixels.
const QRect kBell(161, 179, 33, 35);
const QRect kCard(200, 124, 65, 88);
const QRect kGuard(54, 156, 67, 44);
const QRect kSound(145, 30, 32, 33);
const QRect kNameField(173, 67, 53, 21);

QString SourcePath(const QString& file)
{
    return QString::fromUtf8(QUILLBY_SOURCE_DIR) + QLatin1Char('/') + file;
}

QString BitmapPath(int id)
{
    return SourcePath(QStringLiteral("resources/bitmaps/%1.svg").arg(id));
}

QImage Render(const QString& path, QSize size = {})
{
    QSvgRenderer renderer(path);
    if (!renderer.isValid())
        return {};
    QImage image(size.isValid() ? size : renderer.defaultSize(), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter);
    return image;
}

int ChannelDiff(QRgb a, QRgb b)
{
    return std::max({ std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
        std::abs(qBlue(a) - qBlue(b)), std::abs(qAlpha(a) - qAlpha(b)) });
}

struct Comparison {
    int insideChanged = 0; // pixels inside the area that differ by more than a rounding step
    int outsideMaxDiff = 0;
    int outsideChanged = 0;
    double insideGrayGain = 0; // mean grey level of a minus b, inside the area
};

// Compares two pictures inside and outside a set of areas.
Comparison Compare(const QImage& a, const QImage& b, const QList<QRect>& areas)
{
    Comparison c;
    long long grayA = 0;
    long long grayB = 0;
    int inside = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb pa = a.pixel(x, y);
            const QRgb pb = b.pixel(x, y);
            const int diff = ChannelDiff(pa, pb);
            const bool inArea
                = std::any_of(areas.begin(), areas.end(), [&](const QRect& r) { return r.contains(x, y); });
            if (inArea) {
                ++inside;
                grayA += qGray(pa);
                grayB += qGray(pb);
                if (diff > 8)
                    ++c.insideChanged;
            } else {
                c.outsideMaxDiff = std::max(c.outsideMaxDiff, diff);
                if (diff > 8)
                    ++c.outsideChanged;
            }
        }
    }
    if (inside > 0)
        c.insideGrayGain = double(grayA - grayB) / inside;
    return c;
}

struct SvgWarnings {
    SvgWarnings()
    {
        s_messages.clear();
        QLoggingCategory::setFilterRules(QStringLiteral("qt.svg*=true"));
        m_previous = qInstallMessageHandler(&SvgWarnings::handle);
    }
    ~SvgWarnings()
    {
        qInstallMessageHandler(m_previous);
        QLoggingCategory::setFilterRules(QString());
    }
    static void handle(QtMsgType, const QMessageLogContext& context, const QString& message)
    {
        if (context.category && QByteArray(context.category).startsWith("qt.svg"))
            s_messages.append(message);
    }
    static inline QStringList s_messages;
    QtMessageHandler m_previous = nullptr;
};

class PictureTest : public ::testing::TestWithParam<Picture> { };

TEST_P(PictureTest, LoadsCleanlyAtItsDeclaredPixelSize)
{
    const Picture picture = GetParam();
    const QString path = SourcePath(QString::fromUtf8(picture.file));

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << picture.file << " is missing";
    QXmlStreamReader xml(&file);
    ASSERT_TRUE(xml.readNextStartElement());
    ASSERT_EQ(xml.name(), QStringLiteral("svg"));
    const QXmlStreamAttributes attributes = xml.attributes();
    auto pixels = [&](const QString& name) {
        QString value = attributes.value(name).toString();
        if (value.endsWith(QStringLiteral("px")))
            value.chop(2);
        return value;
    };
    EXPECT_EQ(pixels(QStringLiteral("width")), QString::number(picture.width));
    EXPECT_EQ(pixels(QStringLiteral("height")), QString::number(picture.height));
    EXPECT_EQ(attributes.value(QStringLiteral("viewBox")).toString().simplified(),
        QStringLiteral("0 0 %1 %2").arg(picture.width).arg(picture.height));

    // QtSvg skips what it cannot draw without a word (filters, clip paths, masks, unknown elements),
    // so keep to what it draws.
    const QStringList drawn { QStringLiteral("defs"), QStringLiteral("g"), QStringLiteral("rect"),
        QStringLiteral("circle"), QStringLiteral("ellipse"), QStringLiteral("line"),
        QStringLiteral("polyline"), QStringLiteral("polygon"), QStringLiteral("path"), QStringLiteral("text"),
        QStringLiteral("tspan"), QStringLiteral("linearGradient"), QStringLiteral("radialGradient"),
        QStringLiteral("stop"), QStringLiteral("use") };
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        EXPECT_TRUE(drawn.contains(xml.name().toString()))
            << "<" << xml.name().toString().toStdString() << ">";
        for (const char* skipped : { "filter", "clip-path", "mask" })
            EXPECT_FALSE(xml.attributes().hasAttribute(QString::fromLatin1(skipped))) << skipped;
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    file.close();

    QImage image;
    {
        // QtSvg warns about references it cannot resolve, such as a missing gradient.
        SvgWarnings warnings;
        QSvgRenderer renderer(path);
        ASSERT_TRUE(renderer.isValid());
        EXPECT_EQ(renderer.defaultSize(), QSize(picture.width, picture.height));
        image = Render(path);
        EXPECT_TRUE(SvgWarnings::s_messages.isEmpty())
            << SvgWarnings::s_messages.join(QLatin1Char('\n')).toStdString();
    }

    int covered = 0;
    int seeThrough = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const int alpha = qAlpha(image.pixel(x, y));
            covered += alpha > 0;
            seeThrough += alpha < 255;
        }
    }
    if (picture.opaque)
        EXPECT_EQ(seeThrough, 0) << "a background picture must cover every pixel";
    else
        EXPECT_GT(covered, image.width() * image.height() / 10);

    ASSERT_TRUE(QDir().mkpath(QString::fromUtf8(QUILLBY_RENDER_DIR)));
    QString name = QString::fromUtf8(picture.file)
                       .section(QLatin1Char('/'), -2)
                       .replace(QLatin1Char('/'), QLatin1Char('_'));
    name.replace(QStringLiteral(".svg"), QStringLiteral(".png"));
    EXPECT_TRUE(image.save(QString::fromUtf8(QUILLBY_RENDER_DIR "/") + name));
}

INSTANTIATE_TEST_SUITE_P(Artwork, PictureTest, ::testing::ValuesIn(kPictures));

struct Hover {
    int variant;
    int base;
    QRect area;
};

void PrintTo(const Hover& hover, std::ostream* os)
{
    *os << hover.variant << " over " << hover.base;
}

class HoverTest : public ::testing::TestWithParam<Hover> { };

TEST_P(HoverTest, LightsUpItsButtonAreaAndLeavesTheRestAlone)
{
    const Hover hover = GetParam();
    const QImage variant = Render(BitmapPath(hover.variant));
    const QImage base = Render(BitmapPath(hover.base));
    ASSERT_FALSE(variant.isNull());
    ASSERT_FALSE(base.isNull());
    ASSERT_EQ(variant.size(), base.size());

    const Comparison c = Compare(variant, base, { hover.area });
    const int areaPixels = hover.area.width() * hover.area.height();
    EXPECT_LE(c.outsideMaxDiff, 2) << "the picture must match its base outside the button";
    EXPECT_GT(c.insideChanged, areaPixels / 4) << "the highlight must be visible";
    EXPECT_GT(c.insideGrayGain, 5.0) << "the highlight brightens its area";
}

INSTANTIATE_TEST_SUITE_P(Artwork, HoverTest,
    ::testing::Values(Hover { 131, 129, kBell }, Hover { 132, 129, kCard }, Hover { 133, 129, kGuard },
        Hover { 134, 129, kSound }, Hover { 249, 245, kBell }, Hover { 252, 245, kCard },
        Hover { 248, 245, kGuard }, Hover { 251, 245, kSound }));

TEST(MainWindowPictures, NameFieldAreaIsPlainWhiteInEveryPicture)
{
    for (int id : { 129, 131, 132, 133, 134, 226, 245, 248, 249, 251, 252 }) {
        const QImage image = Render(BitmapPath(id));
        ASSERT_FALSE(image.isNull()) << id;
        int darkest = 255;
        for (int y = kNameField.top(); y <= kNameField.bottom(); ++y)
            for (int x = kNameField.left(); x <= kNameField.right(); ++x) {
                const QRgb p = image.pixel(x, y);
                darkest = std::min({ darkest, qRed(p), qGreen(p), qBlue(p) });
            }
        EXPECT_GE(darkest, 250) << "picture " << id;
    }
}

TEST(MainWindowPictures, ProfileSceneIsVisiblyDifferentFromThePlainOne)
{
    const QImage plain = Render(BitmapPath(129));
    const QImage profile = Render(BitmapPath(245));
    const Comparison c = Compare(profile, plain, {});
    EXPECT_GT(c.outsideChanged, plain.width() * plain.height() / 10);
}

TEST(MainWindowPictures, NewMailEnvelopeKeepsClearOfButtonsAndName)
{
    const QImage plain = Render(BitmapPath(129));
    const QImage mail = Render(BitmapPath(226));
    const Comparison c = Compare(mail, plain, { kBell, kCard, kGuard, kSound, kNameField });
    EXPECT_EQ(c.insideChanged, 0);
    EXPECT_GT(c.outsideChanged, 300) << "the envelope must show";
}

TEST(TrayIcons, BlinkPartnersDifferAndStayReadableAtTraySizes)
{
    for (int size : { 16, 22 }) {
        const QImage program
            = Render(SourcePath(QStringLiteral("resources/icons/128.svg")), QSize(size, size));
        const QImage mailOn
            = Render(SourcePath(QStringLiteral("resources/icons/224.svg")), QSize(size, size));
        const QImage mailOff
            = Render(SourcePath(QStringLiteral("resources/icons/223.svg")), QSize(size, size));
        for (const QImage* icon : { &program, &mailOn, &mailOff }) {
            int solid = 0;
            for (int y = 0; y < size; ++y)
                for (int x = 0; x < size; ++x)
                    solid += qAlpha(icon->pixel(x, y)) > 128;
            EXPECT_GT(solid, size * size / 3) << "icon too faint at " << size << " px";
        }
        EXPECT_GT(Compare(mailOn, mailOff, {}).outsideChanged, size / 2)
            << "the blink must be visible at " << size;
        EXPECT_GT(Compare(mailOn, program, {}).outsideChanged, size / 2)
            << "the mail badge must show at " << size;
    }
}

} // namespace
