#include "widget_test_support.h"
#include "widgets/color_list_ctrl.h"

#include <QDir>
#include <QTest>
#include <cstdlib>
#include <gtest/gtest.h>

using namespace widgets_test;

namespace {

const QColor kYellow(255, 255, 65);
const QColor kPurple(188, 148, 196);
const QColor kRed(255, 0, 0);

auto isColour(QColor colour)
{
    return [colour](QColor c) { return sameRgb(c, colour); };
}

class ColorList : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_list = new ColorListCtrl(&m_window);
        m_list->setGeometry(0, 0, 300, 200);
        QFont font = m_list->font();
        font.setStyleStrategy(QFont::NoAntialias); // whole glyph pixels only
        m_list->setFont(font);
        m_window.resize(300, 200);
    }

    // Coloured like the hour list: alternating rows, red text where there is a topic.
    void fillHours(int rows)
    {
        ASSERT_TRUE(m_list->SetColumns(QStringLiteral("hour,50;topic,200")));
        for (int h = 0; h < rows; ++h) {
            const QString topic = h % 3 == 0 ? QStringLiteral("Walk %1").arg(h) : QString();
            m_list->AddRow({ QStringLiteral("%1:00").arg(h, 2), topic });
            for (int col = 0; col < 2; ++col)
                m_list->SetCellColors(
                    h, col, topic.isEmpty() ? QColor(Qt::black) : kRed, h % 2 == 0 ? kYellow : kPurple);
        }
    }

    QImage shown()
    {
        m_window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&m_window));
        return grabImage(*m_list->viewport());
    }

    QRect cell(int row, int col) const { return m_list->visualRect(m_list->model()->index(row, col)); }
    // A point of the cell right of its short text.
    static QColor backgroundOf(const QImage& image, const QRect& cell)
    {
        return pixelAt(image, cell.right() - 1, cell.center().y());
    }

    QWidget m_window;
    ColorListCtrl* m_list = nullptr;
};

} // namespace

TEST_F(ColorList, ColumnLayoutGivesLeftAlignedColumns)
{
    EXPECT_EQ(m_list->columnCount(), 0);
    EXPECT_TRUE(m_list->SetColumns(QStringLiteral("hour,50;topic,200")));
    ASSERT_EQ(m_list->columnCount(), 2);
    EXPECT_EQ(m_list->headerItem()->text(0), QStringLiteral("hour"));
    EXPECT_EQ(m_list->headerItem()->text(1), QStringLiteral("topic"));
    EXPECT_EQ(m_list->columnWidth(0), 50);
    EXPECT_EQ(m_list->columnWidth(1), 200);
    for (int col = 0; col < 2; ++col)
        EXPECT_EQ(Qt::Alignment(m_list->headerItem()->textAlignment(col)) & Qt::AlignHorizontal_Mask,
            Qt::AlignLeft);
}

TEST_F(ColorList, ColumnLayoutParsing)
{
    // Parsing stops at the first entry without a ","; the name runs up to the ",".
    EXPECT_TRUE(m_list->SetColumns(QStringLiteral("a,10;b;c,30")));
    ASSERT_EQ(m_list->columnCount(), 2);
    EXPECT_EQ(m_list->headerItem()->text(1), QStringLiteral("b;c"));

    // Widths read like atoi; a second call appends.
    EXPECT_TRUE(m_list->SetColumns(QStringLiteral("x,12px;y,wide;z,7")));
    ASSERT_EQ(m_list->columnCount(), 5);
    EXPECT_EQ(m_list->columnWidth(2), 12);
    EXPECT_EQ(m_list->columnWidth(3), 0);
    EXPECT_EQ(m_list->columnWidth(4), 7);

    EXPECT_TRUE(m_list->SetColumns(QStringLiteral("no comma")));
    EXPECT_EQ(m_list->columnCount(), 5);
    EXPECT_FALSE(m_list->InsertColumn(7, QStringLiteral("gap"), Qt::AlignLeft, 10));
}

TEST_F(ColorList, CellTextsAndColoursStayInRange)
{
    m_list->SetColumns(QStringLiteral("hour,50;topic,200"));
    EXPECT_EQ(m_list->AddRow({ QStringLiteral(" 0:00"), QStringLiteral("Vet") }), 0);
    EXPECT_EQ(m_list->AddRow({ QStringLiteral(" 1:00") }), 1);
    EXPECT_EQ(m_list->CellText(1, 1), QString());
    EXPECT_EQ(m_list->CellBackgroundColor(1, 1), m_list->defaultBackgroundColor());
    EXPECT_TRUE(m_list->SetCellText(1, 1, QStringLiteral("Walk")));
    EXPECT_EQ(m_list->CellText(1, 1), QStringLiteral("Walk"));
    EXPECT_FALSE(m_list->SetCellText(2, 0, QStringLiteral("x")));
    EXPECT_FALSE(m_list->SetCellText(0, 2, QStringLiteral("x")));

    m_list->SetCellColors(0, 1, kRed, kYellow);
    for (auto [row, col] : { std::pair { 0, 2 }, { 2, 0 }, { -1, 0 }, { 0, -1 } })
        m_list->SetCellColors(row, col, Qt::green, Qt::green);
    EXPECT_EQ(m_list->CellTextColor(0, 1), kRed);
    EXPECT_EQ(m_list->CellBackgroundColor(0, 1), kYellow);
    EXPECT_EQ(m_list->CellTextColor(0, 0), m_list->defaultTextColor());
    EXPECT_EQ(m_list->CellTextColor(1, 0), m_list->defaultTextColor());

    // An invalid colour means the default.
    m_list->SetCellColors(0, 1, QColor(), kPurple);
    EXPECT_EQ(m_list->CellTextColor(0, 1), m_list->defaultTextColor());
    EXPECT_EQ(m_list->CellBackgroundColor(0, 1), kPurple);
}

TEST_F(ColorList, CellsArePaintedInTheirColoursAndEmptyCellsOnlyInTheirBackground)
{
    fillHours(6);
    const QImage image = shown();
    for (int row = 0; row < 6; ++row) {
        for (int col = 0; col < 2; ++col)
            EXPECT_TRUE(sameRgb(backgroundOf(image, cell(row, col)), row % 2 == 0 ? kYellow : kPurple))
                << row;
        EXPECT_EQ(boundingBox(image, isColour(kRed), cell(row, 1)).isEmpty(), row % 3 != 0) << row;
    }
    ASSERT_TRUE(m_list->CellText(1, 1).isEmpty());
    EXPECT_TRUE(boundingBox(
        image, [](QColor c) { return !sameRgb(c, kPurple); }, cell(1, 1))
                    .isEmpty());
}

TEST_F(ColorList, SelectedRowUsesTheSelectionColours)
{
    fillHours(4);
    m_list->topLevelItem(0)->setSelected(true);
    EXPECT_EQ(m_list->selectedRow(), 0);
    const QImage image = shown();
    for (int col = 0; col < 2; ++col) {
        EXPECT_TRUE(sameRgb(backgroundOf(image, cell(0, col)), m_list->selectionBackgroundColor())) << col;
        EXPECT_FALSE(boundingBox(image, isColour(m_list->selectionTextColor()), cell(0, col)).isEmpty())
            << col;
        EXPECT_TRUE(boundingBox(image, isColour(kRed), cell(0, col)).isEmpty()) << col;
    }
    EXPECT_TRUE(sameRgb(backgroundOf(image, cell(1, 1)), kPurple));
}

TEST_F(ColorList, TextIsSingleLineVerticallyCentredAndAlignedLikeItsColumn)
{
    ASSERT_TRUE(m_list->InsertColumn(0, QStringLiteral("left"), Qt::AlignLeft, 120));
    ASSERT_TRUE(m_list->InsertColumn(1, QStringLiteral("right"), Qt::AlignRight, 120));
    m_list->AddRow({ QStringLiteral("two\nlines"), QStringLiteral("R") });
    for (int col = 0; col < 2; ++col)
        m_list->SetCellColors(0, col, kRed, kYellow);
    const QImage image = shown();

    const QRect left = boundingBox(image, isColour(kRed), cell(0, 0));
    ASSERT_FALSE(left.isEmpty());
    EXPECT_LE(left.height(), m_list->fontMetrics().height());
    EXPECT_LE(std::abs(left.center().y() - cell(0, 0).center().y()), 3);
    EXPECT_LT(left.left() - cell(0, 0).left(), 6);

    const QRect right = boundingBox(image, isColour(kRed), cell(0, 1));
    ASSERT_FALSE(right.isEmpty());
    EXPECT_LT(cell(0, 1).right() - right.right(), 6);
}

TEST_F(ColorList, DeleteAllRowsKeepsTheColumns)
{
    fillHours(24);
    m_list->topLevelItem(5)->setSelected(true);
    m_list->DeleteAllRows();
    EXPECT_EQ(m_list->rowCount(), 0);
    EXPECT_EQ(m_list->columnCount(), 2);
    EXPECT_EQ(m_list->selectedRow(), -1);
    EXPECT_EQ(m_list->AddRow({ QStringLiteral("again") }), 0);
}

TEST_F(ColorList, DefaultsFollowThePaletteButNotTheListBackground)
{
    QPalette pal = m_list->palette();
    pal.setColor(QPalette::Text, QColor(1, 2, 3));
    pal.setColor(QPalette::Base, QColor(4, 5, 6));
    pal.setColor(QPalette::Highlight, QColor(7, 8, 9));
    m_list->setPalette(pal);
    EXPECT_EQ(m_list->defaultTextColor(), QColor(1, 2, 3));
    EXPECT_EQ(m_list->defaultBackgroundColor(), QColor(4, 5, 6));
    EXPECT_EQ(m_list->selectionBackgroundColor(), QColor(7, 8, 9));

    m_list->SetBkColor(QColor(217, 198, 223));
    EXPECT_EQ(m_list->defaultBackgroundColor(), QColor(4, 5, 6));
    EXPECT_TRUE(sameRgb(pixelAt(shown(), 100, 100), QColor(217, 198, 223))); // no rows there
}

TEST_F(ColorList, RenderToPng)
{
    m_list->setHeaderHidden(true);
    m_list->SetBkColor(QColor(217, 198, 223));
    fillHours(24);
    m_list->topLevelItem(4)->setSelected(true);
    shown();
    EXPECT_EQ(cell(0, 0).top(), 0); // no header
    EXPECT_TRUE(grabImage(m_window).save(artifactPath("widgets_hour_list.png")));
}
