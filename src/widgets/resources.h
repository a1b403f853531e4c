#pragma once

#include <QIcon>
#include <QPixmap>
#include <QSize>
#include <QString>

// The program's artwork and strings by their resource numbers. Artwork is embedded as
// ":/bitmaps/<id>.svg" and ":/icons/<id>.svg"; bitmaps without text are drawn at build
// time and embedded as ":/bitmaps/<id>.argb" instead (see artwork_image.h).

// The bitmap at the SVG's own pixel size; cached per id; null when there is none.
QPixmap LoadBitmapResource(int id);
// The icon rendered at several sizes (and its own); null when there is none.
QIcon LoadIconResource(int id);
// One rendering of the icon, size x size pixels; size 0 or less means its own size.
// Null when there is none.
QPixmap LoadIconPixmap(int id, int size = 0);
// The icon's own size from its SVG, or an invalid size when there is none.
QSize IconResourceSize(int id);
// The string table; empty for an unknown id.
QString LoadStringResource(int id);

// String ids.
inline constexpr int IDS_ABOUTBOX = 101;
