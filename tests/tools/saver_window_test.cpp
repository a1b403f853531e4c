// The screen saver window: what ends it, what does not, and that its toy stays on screen.
#include "saver_window.h"

#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>
#include <memory>

namespace {

using saver::SaverWindow;

class SaverWindowTest : public ::testing::Test {
protected:
    void open(SaverWindow::Mode mode)
    {
        m_window = std::make_unique<SaverWindow>(mode);
        m_window->resize(800, 600);
        m_window->show();
        m_spy = std::make_unique<QSignalSpy>(m_window.get(), &SaverWindow::dismissed);
    }

    // A pointer move as the window system reports it, at a global position.
    void moveTo(QPointF global)
    {
        const QPointF local = m_window->mapFromGlobal(global);
        QMouseEvent move(QEvent::MouseMove, local, global, Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(m_window.get(), &move);
    }

    bool ended() const { return m_spy->count() > 0 && !m_window->isVisible(); }

    std::unique_ptr<SaverWindow> m_window;
    std::unique_ptr<QSignalSpy> m_spy;
};

TEST_F(SaverWindowTest, KeysButtonsAndWheelEachEndIt)
{
    open(SaverWindow::Mode::FullScreen);
    QTest::keyClick(m_window.get(), Qt::Key_Shift);
    EXPECT_TRUE(ended());

    open(SaverWindow::Mode::FullScreen);
    QTest::mouseClick(m_window.get(), Qt::RightButton, Qt::NoModifier, QPoint(10, 10));
    EXPECT_TRUE(ended());

    open(SaverWindow::Mode::FullScreen);
    QWheelEvent wheel(QPointF(5, 5), m_window->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, 120),
        Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(m_window.get(), &wheel);
    EXPECT_TRUE(ended());
}

TEST_F(SaverWindowTest, EndsOnlyOnceWhateverFollows)
{
    open(SaverWindow::Mode::FullScreen);
    // straight to the widget, so that the later events reach it even though it has closed
    QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier);
    QApplication::sendEvent(m_window.get(), &key);
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(3, 3), m_window->mapToGlobal(QPointF(3, 3)),
        Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(m_window.get(), &press);
    QApplication::sendEvent(m_window.get(), &key);
    EXPECT_EQ(m_spy->count(), 1);
}

TEST_F(SaverWindowTest, FirstMoveOnlyTellsWhereThePointerRests)
{
    open(SaverWindow::Mode::FullScreen);
    moveTo(QPointF(400, 300));
    EXPECT_EQ(m_spy->count(), 0);
    EXPECT_TRUE(m_window->isVisible());
}

TEST_F(SaverWindowTest, JitterIsIgnoredUntilThePointerTravelsPastTheThreshold)
{
    const int t = SaverWindow::kMoveThreshold;
    open(SaverWindow::Mode::FullScreen);
    moveTo(QPointF(400, 300));
    moveTo(QPointF(400 + t, 300 - t));
    moveTo(QPointF(400 - t, 300 + t));
    EXPECT_EQ(m_spy->count(), 0) << "moves within the threshold of the resting point";
    moveTo(QPointF(400, 300 + t + 1));
    EXPECT_TRUE(ended()) << "vertical travel beyond the threshold";

    open(SaverWindow::Mode::FullScreen);
    moveTo(QPointF(100, 100));
    for (int x = 102; x <= 100 + t; x += 2)
        moveTo(QPointF(x, 100));
    EXPECT_EQ(m_spy->count(), 0);
    moveTo(QPointF(100 + t + 2, 100));
    EXPECT_TRUE(ended()) << "small steps that add up count as a move";
}

TEST_F(SaverWindowTest, ShowingAgainForgetsTheOldRestingPoint)
{
    open(SaverWindow::Mode::FullScreen);
    moveTo(QPointF(100, 100));
    m_window->hide();
    m_window->show();
    moveTo(QPointF(500, 500)); // the pointer now rests elsewhere
    EXPECT_EQ(m_spy->count(), 0);
}

TEST_F(SaverWindowTest, PreviewIgnoresPointerMovesButNotKeys)
{
    open(SaverWindow::Mode::Preview);
    moveTo(QPointF(10, 10));
    moveTo(QPointF(300, 250));
    EXPECT_EQ(m_spy->count(), 0);
    QTest::keyClick(m_window.get(), Qt::Key_Space);
    EXPECT_TRUE(ended());
}

TEST_F(SaverWindowTest, ToyDriftsAcrossTheScreenWithoutLeavingIt)
{
    open(SaverWindow::Mode::FullScreen);
    const QRectF screen = QRectF(m_window->rect()).adjusted(-0.5, -0.5, 0.5, 0.5);
    qreal minX = 1e9;
    qreal maxX = -1e9;
    qreal minY = 1e9;
    qreal maxY = -1e9;
    for (int step = 0; step < 15000; ++step) { // ten minutes of frames
        m_window->advance(SaverWindow::kFrameMs);
        const QRectF toy = m_window->toyRect();
        ASSERT_TRUE(screen.contains(toy)) << "frame " << step;
        minX = std::min(minX, toy.left());
        maxX = std::max(maxX, toy.left());
        minY = std::min(minY, toy.top());
        maxY = std::max(maxY, toy.top());
    }
    const QSizeF size = m_window->toyRect().size();
    EXPECT_GT(maxX - minX, 0.9 * (m_window->width() - size.width()));
    EXPECT_GT(maxY - minY, 0.9 * (m_window->height() - size.height()));

    m_window->advance(7'654'321); // a long stall
    EXPECT_TRUE(screen.contains(m_window->toyRect()));
    m_window->resize(320, 200);
    EXPECT_TRUE(QRectF(m_window->rect()).adjusted(-0.5, -0.5, 0.5, 0.5).contains(m_window->toyRect()));
}

TEST_F(SaverWindowTest, HeadNodsBothWays)
{
    open(SaverWindow::Mode::FullScreen);
    qreal lowest = 0;
    qreal highest = 0;
    for (int ms = 0; ms < 2000; ms += SaverWindow::kFrameMs) {
        m_window->advance(SaverWindow::kFrameMs);
        lowest = std::min(lowest, m_window->headAngle());
        highest = std::max(highest, m_window->headAngle());
    }
    EXPECT_GT(highest, 5.0);
    EXPECT_LT(lowest, -5.0);
    EXPECT_LT(highest, 30.0) << "a nod, not a spin";
}

TEST_F(SaverWindowTest, DrawsTheEmbeddedToyWhereItSaysItIs)
{
    open(SaverWindow::Mode::Preview);
    ASSERT_TRUE(m_window->artLoaded());
    m_window->advance(3000);
    const QImage frame = m_window->grab().toImage();
    const QRect toy = m_window->toyRect().toAlignedRect();

    // The puppy's fur is the only warm, saturated colour in the picture.
    auto isFur = [](QRgb p) { return qRed(p) > 190 && qGreen(p) > 120 && qGreen(p) < 210 && qBlue(p) < 140; };
    int furInside = 0;
    int furOutside = 0;
    for (int y = 0; y < frame.height(); ++y)
        for (int x = 0; x < frame.width(); ++x)
            if (isFur(frame.pixel(x, y)))
                ++(toy.contains(x, y) ? furInside : furOutside);
    EXPECT_GT(furInside, toy.width() * toy.height() / 10);
    EXPECT_EQ(furOutside, 0);

    ASSERT_TRUE(QDir().mkpath(QString::fromUtf8(QUILLBY_RENDER_DIR)));
    EXPECT_TRUE(frame.save(QString::fromUtf8(QUILLBY_RENDER_DIR "/saver_frame.png")));
}

TEST(SaverCommandLine, RunsFullScreenUnlessAskedForAWindow)
{
    using saver::ParseSaverCommand;
    using Action = saver::SaverCommand::Action;
    const QString program = QStringLiteral("MfcSaver.scr");

    auto plain = ParseSaverCommand({ program });
    EXPECT_EQ(plain.action, Action::Run);
    EXPECT_EQ(plain.mode, SaverWindow::Mode::FullScreen);

    auto windowed = ParseSaverCommand({ program, QStringLiteral("--window") });
    EXPECT_EQ(windowed.action, Action::Run);
    EXPECT_EQ(windowed.mode, SaverWindow::Mode::Preview);

    auto windowsStyle = ParseSaverCommand({ program, QStringLiteral("/p"), QStringLiteral("1234") });
    EXPECT_EQ(windowsStyle.action, Action::Run);
    EXPECT_EQ(windowsStyle.mode, SaverWindow::Mode::FullScreen);

    auto help = ParseSaverCommand({ program, QStringLiteral("--help") });
    EXPECT_EQ(help.action, Action::Help);
    EXPECT_TRUE(help.text.contains(QStringLiteral("--window")));

    auto wrong = ParseSaverCommand({ program, QStringLiteral("--fullscreen-please") });
    EXPECT_EQ(wrong.action, Action::Error);
    EXPECT_TRUE(wrong.text.contains(QStringLiteral("fullscreen-please")));
}

} // namespace
