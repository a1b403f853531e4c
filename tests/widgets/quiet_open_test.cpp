// A window that opens by itself: shown without activation, modal to nothing, and no key
// meant for another window presses one of its buttons.
#include "widgets/quiet_open.h"

#include <QDialog>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

TEST(QuietOpen, ShownWithoutActivationModalToNothingAndTypingPressesNoButton)
{
    QDialog window;
    window.setWindowModality(Qt::ApplicationModal);
    auto* calendar = new QPushButton(QStringLiteral("Calendar"), &window);
    auto* close = new QPushButton(QStringLiteral("Close"), &window);
    close->setDefault(true);
    int clicks = 0;
    for (QPushButton* button : {calendar, close})
        QObject::connect(button, &QPushButton::clicked, [&] { ++clicks; });

    quiet_open::ShowWithoutActivating(&window);
    ASSERT_TRUE(window.isVisible());
    EXPECT_TRUE(window.testAttribute(Qt::WA_ShowWithoutActivating));
    EXPECT_FALSE(window.isModal());
    for (QPushButton* button : {calendar, close}) {
        EXPECT_EQ(button->focusPolicy(), Qt::NoFocus);
        EXPECT_FALSE(button->isDefault());
        EXPECT_FALSE(button->autoDefault());
    }
    // Typing that lands on it: a space, a letter, Enter.
    for (const Qt::Key key : {Qt::Key_Space, Qt::Key_C, Qt::Key_Return})
        QTest::keyClick(&window, key);
    EXPECT_EQ(clicks, 0);
    // The mouse still answers.
    QTest::mouseClick(calendar, Qt::LeftButton);
    EXPECT_EQ(clicks, 1);
}

} // namespace
