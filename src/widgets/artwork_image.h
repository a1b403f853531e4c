#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QImage>
#include <QSize>

class QSvgRenderer;

// The SVG drawn into a transparent premultiplied ARGB32 image, at the given size or its
// own; null when it has no size. The build's pre-drawn pictures come from here too, so
// they match what the program would draw.
QImage RenderSvgImage(QSvgRenderer& renderer, QSize size = {});

// Pictures drawn once at build time and kept as their pixels: loading one costs a copy
// instead of an SVG parse and render. The layout is "QBPX", width and height as 32-bit
// numbers, then the premultiplied ARGB32 rows without padding, all in the byte order of
// the machine that built them (the resource compiler compresses the file).
QByteArray EncodePixelFile(const QImage& image);
// Null for anything that is not a whole pixel file of this machine's byte order.
QImage DecodePixelFile(QByteArrayView data);
