#include "widget_test_support.h"
#include "widgets/accessibility.h"
#include "widgets/button_st.h"
#include "widgets/resources.h"

#include <QAccessible>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <array>
#include <gtest/gtest.h>

using namespace widgets_test;

namespace {

const QColor kBackIn(20, 200, 40);
const QColor kBackOut(210, 30, 30);
const QColor kBackFocus(30, 30, 210);
const QColor kForeIn(250, 250, 0);
const QColor kForeOut(0, 90, 250);
const QColor kLight(255, 255, 255);
const QColor kMidlight(220, 220, 220);
const QColor kDark(120, 120, 120);
const QColor kShadow(10, 10, 10);

QPixmap solidPixmap(QSize size, QColor colour)
{
    QPixmap pixmap(size);
    pixmap.fill(colour);
    return pixmap;
}

// A different colour in every 10 x 10 block, so a shifted copy shows.
QPixmap patternPicture(QSize size, int seed)
{
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(
                x, y, qRgb((x / 10 * 37 + seed) % 256, (y / 10 * 53 + seed * 3) % 256, (x * y / 9) % 256));
    return QPixmap::fromImage(image);
}

int countPixels(const QImage& image, QColor colour)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += sameRgb(pixelAt(image, x, y), colour) ? 1 : 0;
    return n;
}

// A 60 x 40 button with its own colours and distinct 3D colours, so each edge shows.
class ColouredButton : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_button = new CButtonST(&m_window);
        m_button->setGeometry(10, 10, 60, 40);
        QPalette pal;
        pal.setColor(QPalette::Light, kLight);
        pal.setColor(QPalette::Midlight, kMidlight);
        pal.setColor(QPalette::Dark, kDark);
        pal.setColor(QPalette::Shadow, kShadow);
        m_button->setPalette(pal);
        const std::array<QColor, 5> colours { kBackIn, kForeIn, kBackOut, kForeOut, kBackFocus };
        for (int i = 0; i < 5; ++i)
            m_button->SetColor(i, colours[static_cast<std::size_t>(i)], false);
        // Whole glyph pixels only, so caption colours match exactly.
        QFont font = m_button->font();
        font.setStyleStrategy(QFont::NoAntialias);
        m_button->setFont(font);
        m_window.resize(100, 80);
    }

    void hover() { sendMove(m_button, QPoint(20, 20)); }
    QImage image() { return grabImage(*m_button); }
    QColor at(int x, int y) { return pixelAt(image(), x, y); }

    QWidget m_window;
    CButtonST* m_button = nullptr;
};

} // namespace

TEST(ButtonColors, IndexAboveFiveIsRejectedAndChangesNothing)
{
    CButtonST button;
    std::array<QColor, CButtonST::BTNST_MAX_COLORS> before;
    for (int i = 0; i < CButtonST::BTNST_MAX_COLORS; ++i)
        before[static_cast<std::size_t>(i)] = button.GetColor(i);

    EXPECT_EQ(button.SetColor(6, Qt::red), CButtonST::BTNST_INVALIDINDEX);
    EXPECT_EQ(button.SetColor(-1, Qt::red), CButtonST::BTNST_INVALIDINDEX);
    for (int i = 0; i < CButtonST::BTNST_MAX_COLORS; ++i)
        EXPECT_EQ(button.GetColor(i), before[static_cast<std::size_t>(i)]) << "index " << i;

    EXPECT_EQ(button.SetColor(5, QColor(1, 2, 3)), CButtonST::BTNST_OK);
    EXPECT_EQ(button.GetColor(5), QColor(1, 2, 3));
}

TEST(ButtonIcons, GreyCopyTurnsNonBlackPixelsIntoTheirLuminance)
{
    QImage image(4, 1, QImage::Format_ARGB32);
    image.setPixel(0, 0, qRgba(200, 100, 50, 255));
    image.setPixel(1, 0, qRgba(0, 0, 0, 255));
    image.setPixel(2, 0, qRgba(0, 0, 255, 255));
    image.setPixel(3, 0, qRgba(0, 0, 0, 0));
    const QImage grey
        = GreyIconCopy(QPixmap::fromImage(image)).toImage().convertToFormat(QImage::Format_ARGB32);

    EXPECT_EQ(grey.pixel(0, 0), qRgba(124, 124, 124, 255)); // 0.299*200 + 0.587*100 + 0.114*50 = 124.2
    EXPECT_EQ(grey.pixel(1, 0), qRgba(0, 0, 0, 255));
    EXPECT_EQ(grey.pixel(2, 0), qRgba(29, 29, 29, 255)); // 0.114*255 = 29.07
    EXPECT_EQ(grey.pixel(3, 0), qRgba(0, 0, 0, 0));
}

TEST(ButtonIcons, ResourceIconsAndFailure)
{
    CButtonST button;
    ASSERT_EQ(button.SetIcon(128, CButtonST::BTNST_AUTO_GRAY), CButtonST::BTNST_OK);
    const QImage out = button.GetIconOut().toImage().convertToFormat(QImage::Format_ARGB32);
    ASSERT_FALSE(out.isNull());
    EXPECT_EQ(button.GetIconIn().size(), out.size());
    int greyPixels = 0;
    for (int y = 0; y < out.height(); ++y)
        for (int x = 0; x < out.width(); ++x)
            greyPixels += qRed(out.pixel(x, y)) == qGreen(out.pixel(x, y))
                && qGreen(out.pixel(x, y)) == qBlue(out.pixel(x, y));
    EXPECT_EQ(greyPixels, out.width() * out.height());

    // A missing "out" icon frees the "in" icon too.
    EXPECT_EQ(button.SetIcon(128, 99999), CButtonST::BTNST_INVALIDRESOURCE);
    EXPECT_TRUE(button.GetIconIn().isNull());
    EXPECT_TRUE(button.GetIconOut().isNull());
}

TEST(ButtonTooltip, NullTextIsIgnoredAndInactiveShowsNothing)
{
    CButtonST button;
    button.SetTooltipText(QStringLiteral("Guard Mode"));
    button.SetTooltipText(QString());
    EXPECT_EQ(button.toolTip(), QStringLiteral("Guard Mode"));
    button.SetTooltipText(QStringLiteral("Sound Effects"), false);
    EXPECT_TRUE(button.toolTip().isEmpty());
    button.ActivateTooltip(true);
    EXPECT_EQ(button.toolTip(), QStringLiteral("Sound Effects"));
}

TEST_F(ColouredButton, FlatButtonBorderOnlyWhileHoveredAndOnlyWhenDrawn)
{
    EXPECT_EQ(countPixels(image(), kBackOut), 60 * 40);
    hover();
    ASSERT_TRUE(m_button->IsHovered());
    EXPECT_TRUE(sameRgb(at(0, 0), kLight));
    EXPECT_TRUE(sameRgb(at(59, 39), kDark));
    EXPECT_TRUE(sameRgb(at(1, 1), kBackIn));
    m_button->setDown(true); // reversed while pressed
    EXPECT_TRUE(sameRgb(at(0, 0), kDark));
    EXPECT_TRUE(sameRgb(at(59, 39), kLight));

    m_button->setDown(false);
    m_button->SetDrawBorder(false);
    EXPECT_EQ(countPixels(image(), kBackIn), 60 * 40);
}

TEST_F(ColouredButton, NonFlatButtonAlwaysShowsRaisedEdges)
{
    m_button->SetFlat(false);
    m_button->SetDrawBorder(false);
    for (bool moved : { false, true }) {
        if (moved)
            hover();
        EXPECT_TRUE(sameRgb(at(0, 0), kLight)) << moved;
        EXPECT_TRUE(sameRgb(at(1, 1), kMidlight)) << moved;
        EXPECT_TRUE(sameRgb(at(59, 39), kShadow)) << moved;
        EXPECT_TRUE(sameRgb(at(58, 38), kDark)) << moved;
        EXPECT_TRUE(sameRgb(at(30, 20), kBackOut)) << moved;
    }
    EXPECT_FALSE(m_button->IsHovered()); // only flat buttons track the pointer

    m_button->setDown(true);
    EXPECT_TRUE(sameRgb(at(0, 0), kDark));
    EXPECT_TRUE(sameRgb(at(59, 39), kDark));
    EXPECT_TRUE(sameRgb(at(1, 1), kBackIn));
}

TEST_F(ColouredButton, IconPlacementAndChoice)
{
    m_button->SetDrawBorder(false);
    m_button->SetIcon(solidPixmap({ 8, 8 }, Qt::magenta), solidPixmap({ 8, 8 }, Qt::cyan));
    auto box = [this](QColor c) { return boundingBox(image(), [c](QColor p) { return sameRgb(p, c); }); };

    // No caption: centred, and the "out" icon while neither hovered nor pressed.
    EXPECT_EQ(box(Qt::cyan), QRect(26, 16, 8, 8));
    hover();
    EXPECT_EQ(box(Qt::magenta), QRect(26, 16, 8, 8));
    sendLeave(m_button);
    m_button->setDown(true); // pressed: the "in" icon moved by (1, 1)
    EXPECT_EQ(box(Qt::magenta), QRect(27, 17, 8, 8));
    m_button->setDown(false);

    // With a caption: 3 pixels from the left, the caption right of it.
    m_button->setText(QStringLiteral("Ok"));
    EXPECT_EQ(box(Qt::cyan), QRect(3, 16, 8, 8));
    const QRect caption = box(kForeOut);
    ASSERT_FALSE(caption.isEmpty());
    EXPECT_GE(caption.left(), 3 + 8 + 3);
}

TEST_F(ColouredButton, CaptionColoursAndDisabledCaption)
{
    m_button->SetDrawBorder(false);
    m_button->setText(QStringLiteral("Save"));
    EXPECT_GT(countPixels(image(), kForeOut), 0);
    hover();
    EXPECT_GT(countPixels(image(), kForeIn), 0);
    EXPECT_EQ(countPixels(image(), kForeOut), 0);

    m_button->setEnabled(false);
    EXPECT_FALSE(m_button->IsHovered());
    const QImage disabled = image();
    // Drawn twice: a light copy moved by one pixel, the shadow copy in place.
    const QRect light = boundingBox(disabled, [](QColor c) { return sameRgb(c, kLight); });
    const QRect shadow = boundingBox(disabled, [](QColor c) { return sameRgb(c, kDark); });
    ASSERT_FALSE(shadow.isEmpty());
    EXPECT_EQ(light.bottomRight(), shadow.bottomRight() + QPoint(1, 1));
    EXPECT_EQ(countPixels(disabled, kForeOut) + countPixels(disabled, kForeIn), 0);
}

TEST_F(ColouredButton, DisabledIconIsGreyed)
{
    m_button->SetIcon(solidPixmap({ 10, 10 }, QColor(230, 20, 20)));
    const QColor enabled = at(30, 20);
    m_button->setEnabled(false);
    const QColor disabled = at(30, 20);
    EXPECT_TRUE(sameRgb(enabled, QColor(230, 20, 20)));
    EXPECT_LT(disabled.hsvSaturation(), enabled.hsvSaturation() / 2);
}

TEST_F(ColouredButton, HoverEndsOnLeaveFocusLossAndMovesOutside)
{
    hover();
    sendLeave(m_button);
    EXPECT_FALSE(m_button->IsHovered());

    hover();
    QFocusEvent focusOut(QEvent::FocusOut, Qt::OtherFocusReason);
    QCoreApplication::sendEvent(m_button, &focusOut);
    EXPECT_FALSE(m_button->IsHovered());

    hover(); // then a move outside, as while the button holds the pointer
    sendMove(m_button, QPoint(-5, 20));
    EXPECT_FALSE(m_button->IsHovered());

    // Entering with the left button down does not start a hover.
    sendMove(m_button, QPoint(20, 20), Qt::LeftButton);
    EXPECT_FALSE(m_button->IsHovered());
}

TEST_F(ColouredButton, FocusedNonFlatButtonIsFramedAndShowsFocus)
{
    m_window.show();
    m_window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&m_window));
    m_button->SetFlat(false);
    m_button->setFocus();
    ASSERT_TRUE(m_button->hasFocus());

    const QImage focused = image();
    EXPECT_TRUE(sameRgb(pixelAt(focused, 0, 0), Qt::black));
    EXPECT_TRUE(sameRgb(pixelAt(focused, 59, 39), Qt::black));
    EXPECT_TRUE(sameRgb(pixelAt(focused, 30, 20), kBackFocus));
    // The dotted focus rectangle 3 pixels inside.
    const QRect focus = boundingBox(focused, [](QColor c) { return sameRgb(c, kForeOut); });
    EXPECT_EQ(focus.topLeft(), QPoint(3, 3));
    EXPECT_TRUE(QRect(3, 3, 54, 34).contains(focus));
    EXPECT_GE(focus.right(), 55);
    EXPECT_GE(focus.bottom(), 35);
}

TEST(ButtonFocus, DisabledButtonGivesUpTheFocus)
{
    QWidget window;
    auto* first = new CButtonST(QStringLiteral("one"), &window);
    auto* second = new CButtonST(QStringLiteral("two"), &window);
    second->move(0, 30);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));

    first->setFocus();
    first->setEnabled(false);
    EXPECT_TRUE(second->hasFocus());
    // With nowhere else to go the parent takes it.
    second->setEnabled(false);
    EXPECT_EQ(QApplication::focusWidget(), &window);
}

TEST(ButtonClicks, DoubleClickCountsAsASecondClick)
{
    CButtonST button;
    button.resize(40, 20);
    QSignalSpy clicked(&button, &QAbstractButton::clicked);
    const QPoint at(10, 10);
    sendPress(&button, at);
    sendRelease(&button, at);
    sendMouse(&button, QEvent::MouseButtonDblClick, at, Qt::LeftButton, Qt::LeftButton);
    sendRelease(&button, at);
    EXPECT_EQ(clicked.count(), 2);
}

// The main window's buttons are invisible: they show the window's picture under them.
class TransparentButton : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_window.resize(200, 120);
        m_picture = new QLabel(&m_window);
        m_picture->setGeometry(0, 0, 200, 120);
        m_picture->setPixmap(patternPicture({ 200, 120 }, 1));
        m_button = addButton(QRect(85, 35, 40, 30));
        m_window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_window));
    }

    CButtonST* addButton(const QRect& geometry)
    {
        auto* button = new CButtonST(&m_window);
        button->setGeometry(geometry);
        button->SetDrawBorder(false);
        button->SetTransparent();
        button->show();
        return button;
    }

    // The picture's pixels under the button.
    QImage pictureUnder(const CButtonST& button) const
    {
        return m_picture->pixmap().toImage().convertToFormat(QImage::Format_RGB32).copy(button.geometry());
    }

    QWidget m_window;
    QLabel* m_picture = nullptr;
    CButtonST* m_button = nullptr;
};

TEST_F(TransparentButton, ShowsThePictureUnderItEvenAfterAColourChange)
{
    const QImage expected = pictureUnder(*m_button);
    EXPECT_EQ(grabImage(*m_button), expected);

    m_button->SetColor(CButtonST::BTNST_COLOR_BK_IN, Qt::green);
    m_button->SetColor(CButtonST::BTNST_COLOR_BK_OUT, Qt::green);
    sendMove(m_button, QPoint(5, 5));
    ASSERT_TRUE(m_button->IsHovered());
    EXPECT_EQ(grabImage(*m_button), expected);
    EXPECT_EQ(grabImage(m_window).copy(m_button->geometry()), expected);
}

TEST_F(TransparentButton, SnapshotIsKeptUntilReset)
{
    const QImage first = pictureUnder(*m_button);
    EXPECT_EQ(grabImage(*m_button), first);
    m_picture->setPixmap(patternPicture({ 200, 120 }, 77));
    const QImage second = pictureUnder(*m_button);
    ASSERT_NE(first, second);
    EXPECT_EQ(grabImage(*m_button), first);

    m_button->ResetTransparentCache(true);
    EXPECT_EQ(grabImage(*m_button), second);

    // Switching transparent mode on again, or moving, also takes a fresh one.
    m_picture->setPixmap(patternPicture({ 200, 120 }, 150));
    m_button->SetTransparent();
    EXPECT_EQ(grabImage(*m_button), pictureUnder(*m_button));
    m_button->move(5, 5);
    EXPECT_EQ(grabImage(*m_button), pictureUnder(*m_button));
}

TEST_F(TransparentButton, NeighboursEachShowTheirOwnPartWithoutRecursivePaints)
{
    auto* neighbour = addButton(QRect(125, 35, 30, 30)); // touches the first button
    m_button->ResetTransparentCache(false);

    MessageCapture messages;
    m_window.repaint(); // a real paint through the backing store
    QCoreApplication::processEvents();
    EXPECT_TRUE(messages.warnings.isEmpty()) << messages.warnings.join(QLatin1Char('\n')).toStdString();

    const QImage window = grabImage(m_window);
    EXPECT_EQ(window.copy(neighbour->geometry()), pictureUnder(*neighbour));
    EXPECT_EQ(window.copy(m_button->geometry()), pictureUnder(*m_button));
}

TEST(ButtonArtwork, RenderToPng)
{
    QWidget window;
    window.resize(240, 60);
    auto* save = new CButtonST(QStringLiteral("Save"), &window);
    save->setGeometry(10, 10, 100, 40);
    const QPixmap icon = LoadIconPixmap(128, 24);
    ASSERT_FALSE(icon.isNull());
    save->SetIcon(icon);
    save->SetColor(CButtonST::BTNST_COLOR_BK_OUT, QColor(217, 120, 223));
    auto* quit = new CButtonST(QStringLiteral("Quit"), &window);
    quit->setGeometry(120, 10, 100, 40);
    quit->SetIcon(icon, GreyIconCopy(icon));
    quit->SetFlat(false);

    const QImage image = grabImage(window);
    ASSERT_TRUE(image.save(artifactPath("widgets_buttons.png")));
    const QColor caption = save->GetColor(CButtonST::BTNST_COLOR_FG_OUT);
    EXPECT_FALSE(boundingBox(
        image, [&](QColor c) { return sameRgb(c, caption); }, save->geometry().adjusted(3 + 24 + 3, 0, 0, 0))
                     .isEmpty());
}

// A screen reader names a button by its caption, else by its tooltip; a name given on
// purpose stays.
TEST(ButtonAccessibleName, CaptionElseTooltipElseTheNameGiven)
{
    const struct {
        const char* caption;
        const char* givenName;
        std::vector<const char*> tooltips; // set one after the other
        const char* heard;
    } cases[] = {
        { "", "", { "Guard Mode" }, "Guard Mode" },
        { "", "", { "Guard Mode", "Sound Effects" }, "Sound Effects" },
        { "...", "", { "Browse" }, "..." },
        { "", "Save", { "Store it" }, "Save" },
        { "", "", {}, "" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.heard);
        QWidget window;
        auto* button = new CButtonST(QString::fromUtf8(c.caption), &window);
        if (*c.givenName)
            button->setAccessibleName(QString::fromUtf8(c.givenName));
        for (const char* tip : c.tooltips)
            button->SetTooltipText(QString::fromUtf8(tip));
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(button);
        ASSERT_NE(iface, nullptr);
        EXPECT_EQ(iface->text(QAccessible::Name), QString::fromUtf8(c.heard));
    }
}

// Our windows offer only the controls that are shown and usable; a window that opened by
// itself reads as an alert named by its topic.
TEST(WindowAccessibility, OffersShownUsableControlsAndAnnouncesAlerts)
{
    InstallAccessibility();
    const struct {
        bool ours;
        bool hidden;
        bool disabled;
        bool offered;
    } cases[] = {
        { true, false, false, true },
        { true, true, false, false },
        { true, false, true, false },
        { true, true, true, false },
        { false, true, true, true }, // another window: Qt's own rule
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.ours << c.hidden << c.disabled);
        QDialog window;
        if (c.ours)
            window.setProperty("dialogId", 999);
        auto* shown = new QPushButton(QStringLiteral("shown"), &window);
        auto* probe = new QPushButton(QStringLiteral("probe"), &window);
        probe->setVisible(!c.hidden);
        probe->setEnabled(!c.disabled);
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&window);
        ASSERT_NE(iface, nullptr);
        EXPECT_EQ(iface->childCount(), c.offered ? 2 : 1);
        EXPECT_EQ(iface->indexOfChild(QAccessible::queryAccessibleInterface(shown)), 0);
        EXPECT_EQ(iface->indexOfChild(QAccessible::queryAccessibleInterface(probe)), c.offered ? 1 : -1);
        EXPECT_EQ(iface->role(), QAccessible::Dialog);
        if (!c.ours)
            continue;
        AnnounceAlert(&window, QStringLiteral("Alarm: tea"));
        EXPECT_EQ(iface->role(), QAccessible::AlertMessage);
        EXPECT_EQ(iface->text(QAccessible::Name), QStringLiteral("Alarm: tea"));
    }
}
