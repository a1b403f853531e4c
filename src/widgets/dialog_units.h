#pragma once

#include <QRect>
#include <QSize>

class QWidget;

// Window layouts are kept in dialog units and converted at fixed base units, so the
// controls keep their places over the artwork whatever the desktop font is.
struct DialogBase {
    int x = 6;
    int y = 13;
};
// The main window was laid out with a larger font.
inline constexpr DialogBase kMainWindowBase { 7, 14 };

// a * b / c rounded half away from zero, computed in 64 bits; -1 when c is 0.
int MulDiv(int a, int b, int c);

int dluToPxX(int dlu, DialogBase base = {});
int dluToPxY(int dlu, DialogBase base = {});
// Each of the four values is converted on its own, as dialog templates are.
QRect dluRect(int x, int y, int w, int h, DialogBase base = {});
QSize dluSize(int w, int h, DialogBase base = {});

// Gives the control its numeric id as the "controlId" property and "ctl<id>" as its
// object name, so callers and tests find it with findChild("ctl1002").
void setControlId(QWidget* widget, int id);
// Gives the control its id (as setControlId) and places it at a rectangle in dialog units.
void placeControl(QWidget* widget, int id, int x, int y, int w, int h, DialogBase base = {});
void placeControl(QWidget* widget, int id, QRect dlu, DialogBase base = {});
// The id set by setControlId, or 0 when none was set.
int controlId(const QWidget* widget);
