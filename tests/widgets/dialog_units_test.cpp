#include "widgets/dialog_units.h"

#include <QPushButton>
#include <QWidget>
#include <gtest/gtest.h>

TEST(DialogUnits, MulDivRoundsHalfAwayFromZero)
{
    EXPECT_EQ(MulDiv(1, 6, 4), 2); // 1.5
    EXPECT_EQ(MulDiv(3, 6, 4), 5); // 4.5
    EXPECT_EQ(MulDiv(5, 6, 4), 8); // 7.5
    EXPECT_EQ(MulDiv(1, 13, 8), 2); // 1.625
    EXPECT_EQ(MulDiv(1, 1, 3), 0); // 0.33
    EXPECT_EQ(MulDiv(-1, 6, 4), -2); // -1.5
    EXPECT_EQ(MulDiv(3, -6, 4), -5); // -4.5
    EXPECT_EQ(MulDiv(-3, 6, -4), 5); // 4.5
    EXPECT_EQ(MulDiv(7, 0, 4), 0);
    EXPECT_EQ(MulDiv(7, 3, 0), -1);
    // The product does not overflow 32 bits.
    EXPECT_EQ(MulDiv(1 << 20, 1 << 20, 1 << 20), 1 << 20);
}

TEST(DialogUnits, ConvertsWithTheDialogBase)
{
    // Default base: 6 horizontally over 4, 13 vertically over 8.
    EXPECT_EQ(dluToPxX(4), 6);
    EXPECT_EQ(dluToPxX(175), 263); // 262.5
    EXPECT_EQ(dluToPxY(8), 13);
    EXPECT_EQ(dluToPxY(12), 20); // 19.5
    // The main window's base.
    EXPECT_EQ(dluToPxX(175, kMainWindowBase), 306); // 306.25
    EXPECT_EQ(dluToPxY(164, kMainWindowBase), 287); // 287
    EXPECT_EQ(dluToPxX(-2, kMainWindowBase), -4); // -3.5

    // Each value of a rectangle is converted on its own: the right edge follows from
    // the rounded width, not from the rounded far corner.
    const QRect rect = dluRect(1, 1, 1, 1);
    EXPECT_EQ(rect, QRect(2, 2, 2, 2));
    EXPECT_EQ(dluRect(92, 102, 19, 20, kMainWindowBase), QRect(161, 179, 33, 35));
    EXPECT_EQ(dluSize(171, 220), QSize(257, 358));
    EXPECT_EQ(dluSize(30, 12, kMainWindowBase), QSize(53, 21));
}

TEST(DialogUnits, ControlIdsNameTheControls)
{
    QWidget window;
    auto* button = new QPushButton(&window);
    auto* picture = new QWidget(&window);
    setControlId(button, 1002);
    setControlId(picture, -1);

    EXPECT_EQ(window.findChild<QWidget*>(QStringLiteral("ctl1002")), button);
    EXPECT_EQ(window.findChild<QWidget*>(QStringLiteral("ctl-1")), picture);
    EXPECT_EQ(controlId(button), 1002);
    EXPECT_EQ(controlId(picture), -1);
    EXPECT_EQ(controlId(&window), 0);
    EXPECT_EQ(controlId(nullptr), 0);
    setControlId(nullptr, 5); // harmless
}

TEST(DialogUnits, PlacedControlsCarryTheirIdAndGeometry)
{
    QWidget window;
    auto* edit = new QWidget(&window);
    auto* button = new QPushButton(&window);
    placeControl(edit, 1030, 1, 1, 1, 1);
    placeControl(button, 1005, QRect(92, 102, 19, 20), kMainWindowBase);

    EXPECT_EQ(window.findChild<QWidget*>(QStringLiteral("ctl1030")), edit);
    EXPECT_EQ(edit->geometry(), QRect(2, 2, 2, 2));
    EXPECT_EQ(controlId(button), 1005);
    EXPECT_EQ(button->geometry(), QRect(161, 179, 33, 35));
    placeControl(nullptr, 5, 0, 0, 1, 1); // harmless
}
