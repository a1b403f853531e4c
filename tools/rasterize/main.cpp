// Draws a picture's SVG into a pixel file for the build: quillby_rasterize <in.svg> <out.argb>
#include "widgets/artwork_image.h"

#include <QGuiApplication>
#include <QSaveFile>
#include <QSvgRenderer>
#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: quillby_rasterize <in.svg> <out.argb>\n");
        return 2;
    }
    // Builds run without a display; drawing into an image needs none.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QString in = QString::fromLocal8Bit(argv[1]);
    const QString out = QString::fromLocal8Bit(argv[2]);

    QSvgRenderer renderer(in);
    const QImage image = renderer.isValid() ? RenderSvgImage(renderer) : QImage();
    if (image.isNull()) {
        std::fprintf(stderr, "quillby_rasterize: %s is not a picture with a size\n", argv[1]);
        return 1;
    }
    QSaveFile file(out);
    if (!file.open(QIODevice::WriteOnly) || file.write(EncodePixelFile(image)) < 0 || !file.commit()) {
        std::fprintf(stderr, "quillby_rasterize: cannot write %s: %s\n", argv[2], qPrintable(file.errorString()));
        return 1;
    }
    return 0;
}
