#include "widgets/CSkinHeaderCtrl.h"
#include "widgets/CSkinListCtrl.h"
#include "widgets/CSkinVerticleScrollbar.h"

#include "support/qt/SkinTestSupport.h"

#include <gtest/gtest.h>

#include <QScrollBar>

namespace {

using M = WindowMouse;

const QColor kEven(80, 80, 80), kOdd(60, 60, 60), kSelected(255, 165, 0), kPlayed(49, 106, 197);

class SkinTableTest : public ::testing::Test {
protected:
    SkinTableTest()
    {
        m_pane.resize(400, 480);  // room to drag the thumb past the end
        m_list = new CSkinListCtrl(&m_pane);
        m_list->setColumnCount(4);
        m_list->setHeaderLabels({"No", "Date", "Time", "Type"});
        m_list->setGeometry(1, 35, 300, 288);  // the scroll bar is then 290 high
        m_list->Init();
        m_bar = m_list->ScrollBar();
        m_shown = ShowAndWait(m_pane);  // the table lays its rows out once shown
    }

    void Fill(int rows)
    {
        m_list->clear();
        for (int n = 1; n <= rows; ++n)
            new QTreeWidgetItem(m_list, {QString::number(n), "2026-12-10", "09:05:07", "Event"});
        QCoreApplication::processEvents();
    }
    // Rows such that the table scrolls by exactly `limit` lines.
    void FillForLimit(int limit)
    {
        Fill(100);
        const int visible = 100 - m_list->verticalScrollBar()->maximum();
        Fill(visible + limit);
        ASSERT_EQ(m_list->verticalScrollBar()->maximum(), limit);
    }
    QColor RowGround(int row)
    {
        const QRect area = m_list->visualItemRect(m_list->topLevelItem(row));
        return Shot(*m_list->viewport()).pixelColor(area.left() + 1, area.top() + 1);
    }
    int Position() const { return m_list->verticalScrollBar()->value(); }

    BuiltSkin m_skin;
    QWidget m_pane;
    CSkinListCtrl* m_list;
    CSkinVerticleScrollbar* m_bar;
    bool m_shown;
};

}  // namespace

TEST_F(SkinTableTest, ScrollBarSitsOverTheTablesRightEdge)
{
    EXPECT_EQ(m_bar->parentWidget(), &m_pane);
    EXPECT_EQ(m_bar->geometry(), QRect(1 + 300 - 22, 35, 20, 290));
    EXPECT_TRUE(m_list->m_clicked);
    m_list->setGeometry(1, 35, 250, 100);
    m_list->PositionScrollBar();
    EXPECT_EQ(m_bar->geometry(), QRect(1 + 250 - 22, 35, 20, 102));
}

TEST_F(SkinTableTest, RowColoursWithSelectionAndThePlayedRow)
{
    Fill(8);
    ASSERT_TRUE(m_shown);
    m_list->m_clicked = false;
    m_list->m_currentNumber = 3;
    m_list->setSelectionMode(QAbstractItemView::MultiSelection);
    m_list->topLevelItem(2)->setSelected(true);  // played and selected: blue wins
    m_list->topLevelItem(4)->setSelected(true);
    QCoreApplication::processEvents();
    EXPECT_EQ(RowGround(0), kEven);
    EXPECT_EQ(RowGround(1), kOdd);
    EXPECT_EQ(RowGround(2), kPlayed);
    EXPECT_EQ(RowGround(3), kOdd);
    EXPECT_EQ(RowGround(4), kSelected);
    EXPECT_EQ(m_list->ColoursOfRow(4, true).text, QColor(20, 20, 20));
    EXPECT_EQ(m_list->ColoursOfRow(2, true).text, QColor(200, 200, 200));

    m_list->m_currentNumber = -1;
    m_list->viewport()->update();
    EXPECT_EQ(RowGround(2), kSelected) << "nothing played: the selection shows";
    for (int row = 0; row < 8; ++row)
        EXPECT_NE(RowGround(row), kPlayed);
}

TEST_F(SkinTableTest, AfterAClickASelectionShowsOnlyUntilItsRowIsDrawnAgain)
{
    Fill(8);
    ASSERT_TRUE(m_shown);
    QTreeWidgetItem* item = m_list->topLevelItem(4);
    struct Case {
        bool clicked;
        bool staysSelected;
    };
    for (Case c : {Case{false, true}, Case{true, false}}) {
        SCOPED_TRACE(c.clicked ? "clicked" : "not clicked");
        m_list->m_clicked = c.clicked;
        item->setSelected(true);
        EXPECT_EQ(RowGround(4), kSelected) << "the first drawing shows it";
        QCoreApplication::processEvents();
        EXPECT_EQ(item->isSelected(), c.staysSelected);
        EXPECT_EQ(RowGround(4), c.staysSelected ? kSelected : kEven);
        item->setSelected(false);
    }
}

TEST_F(SkinTableTest, ThumbFollowsTheScrollPosition)
{
    FillForLimit(10);
    struct Case {
        int position, thumbTop;
    };
    // Track 290 - 90 = 200 pixels for 10 lines: 20 a line, from 36.
    for (Case c : {Case{0, 36}, Case{5, 136}, Case{7, 176}, Case{10, 236}}) {
        m_list->verticalScrollBar()->setValue(c.position);
        EXPECT_EQ(m_bar->ThumbTop(), c.thumbTop) << "position " << c.position;
    }
    EXPECT_DOUBLE_EQ(m_bar->PixelsPerLine(), 20.0);

    // A table that cannot scroll: the thumb rests at 36 and is not drawn.
    Fill(3);
    EXPECT_EQ(m_bar->ThumbTop(), 36);
    const QImage thumb = ResourceManager::GetInstance()->LoadBitmap(176).toImage();
    const QImage shot = Shot(*m_bar);
    bool thumbDrawn = true;
    for (int y = 0; y < 18 && thumbDrawn; ++y)
        for (int x = 0; x < 18 && thumbDrawn; ++x)
            thumbDrawn = shot.pixel(x, 36 + y) == thumb.pixel(x, y);
    EXPECT_FALSE(thumbDrawn);
}

TEST_F(SkinTableTest, ArrowsScrollAtReleaseAndRepeatWhileHeld)
{
    FillForLimit(10);
    ASSERT_TRUE(m_shown);
    const QPoint down(9, 290 - 27), up(9, 25);
    const QTimer& delay = m_bar->RepeatDelayTimer();
    const QTimer& repeat = m_bar->RepeatTimer();
    EXPECT_EQ(delay.interval(), 250);
    EXPECT_EQ(repeat.interval(), 50);

    // A short click: one line, at the release.
    M::Press(m_bar, down);
    EXPECT_EQ(Position(), 0);
    EXPECT_TRUE(delay.isActive());
    EXPECT_FALSE(repeat.isActive());
    M::Release(m_bar, down);
    EXPECT_EQ(Position(), 1);
    EXPECT_FALSE(delay.isActive());

    // Held: after the delay, a line per repeat, and one more at the release on the arrow.
    M::Press(m_bar, down);
    m_bar->OnTimer(CSkinVerticleScrollbar::kRepeatDelayTimer);
    EXPECT_FALSE(delay.isActive());
    EXPECT_TRUE(repeat.isActive());
    EXPECT_EQ(Position(), 1);
    for (int tick = 0; tick < 3; ++tick)
        m_bar->OnTimer(CSkinVerticleScrollbar::kRepeatTimer);
    EXPECT_EQ(Position(), 4);
    EXPECT_EQ(m_bar->ThumbTop(), 36 + 4 * 20);
    M::Release(m_bar, down);
    EXPECT_EQ(Position(), 5);
    EXPECT_FALSE(repeat.isActive());

    // The up arrow, let go elsewhere: only what the repeat did.
    M::Press(m_bar, up);
    m_bar->OnTimer(CSkinVerticleScrollbar::kRepeatDelayTimer);
    m_bar->OnTimer(CSkinVerticleScrollbar::kRepeatTimer);
    M::Move(m_bar, {9, 150});
    M::Release(m_bar, {9, 150});
    EXPECT_EQ(Position(), 4);
    EXPECT_FALSE(repeat.isActive());
    EXPECT_FALSE(delay.isActive());
}

TEST_F(SkinTableTest, EndsPageAndTheThumbDrags)
{
    FillForLimit(10);
    ASSERT_TRUE(m_shown);
    const int page = m_list->verticalScrollBar()->pageStep();
    ASSERT_GT(page, 1);

    M::Press(m_bar, {9, 285});
    M::Release(m_bar, {9, 285});
    EXPECT_EQ(Position(), std::min(10, page)) << "below the down arrow: a page down";
    M::Press(m_bar, {9, 5});
    M::Release(m_bar, {9, 5});
    EXPECT_EQ(Position(), 0) << "above the up arrow: a page up";

    // Held 5 pixels into the thumb (at 36) and dragged: the table follows the thumb.
    M::Press(m_bar, {9, 41});
    M::Move(m_bar, {9, 13 + 36 + 65});  // thumb top 101: trunc(65 / 20) = line 3
    EXPECT_EQ(Position(), 3);
    M::Move(m_bar, {9, 400});  // past the end: the last line, the thumb at the bottom
    EXPECT_EQ(Position(), 10);
    EXPECT_EQ(m_bar->ThumbTop(), 290 - 54);
    M::Release(m_bar, {9, 285});  // over the page-down end, but it was a drag
    EXPECT_EQ(Position(), 10);
}

TEST_F(SkinTableTest, HeaderIsDrawnFromPiecesInASmallFont)
{
    Fill(2);
    m_list->setColumnWidth(0, 40);
    m_list->setColumnWidth(1, 90);
    ASSERT_TRUE(m_shown);
    CSkinHeaderCtrl* header = m_list->Header();
    EXPECT_EQ(header->height(), 18);
    EXPECT_LE(QFontMetrics(header->font()).height(), 14);
    const QImage shot = Shot(*header->viewport());
    const auto piece = [](int id) { return ResourceManager::GetInstance()->LoadBitmap(id).toImage(); };
    EXPECT_EQ(shot.pixel(0, 9), piece(125).pixel(0, 9)) << "start piece of the first column";
    EXPECT_EQ(shot.pixel(38, 9), piece(123).pixel(0, 9)) << "end piece of the first column";
    EXPECT_EQ(shot.pixelColor(40, 9), QColor(Qt::black)) << "separator before the second column";
    EXPECT_EQ(shot.pixel(42, 9), piece(124).pixel(0, 9)) << "span piece";
}
