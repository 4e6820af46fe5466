#include "widgets/CBitmapSlider.h"
#include "widgets/CMySliderControl.h"

#include "support/qt/SkinTestSupport.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QSignalSpy>
#include <QWheelEvent>

#include <utility>
#include <vector>

namespace {

using M = WindowMouse;
using Notes = std::vector<std::pair<int, int>>;

// The first two values (control id or code, position) of each notification so far; empties the spy.
Notes Taken(QSignalSpy& spy)
{
    Notes notes;
    for (const QList<QVariant>& args : spy)
        notes.emplace_back(args[0].toInt(), args[1].toInt());
    spy.clear();
    return notes;
}

QImage Keyed(int id)
{
    return ResourceManager::GetInstance()->LoadBitmap(id).toImage().convertToFormat(QImage::Format_RGB32);
}

class BitmapSliderTest : public ::testing::Test {
protected:
    static constexpr int kId = 1177;

    BitmapSliderTest()
    {
        m_window.resize(120, 60);
        m_slider = new CBitmapSlider(&m_window, kId);
        m_slider->move(10, 10);
    }

    BuiltSkin m_skin;  // first: the controls below load from it
    QWidget m_window;
    CBitmapSlider* m_slider;
};

}  // namespace

TEST_F(BitmapSliderTest, TakesTheChannelsSizeAndPaintsActiveUpToThePosition)
{
    ASSERT_TRUE(m_slider->SetChannelBitmaps());
    EXPECT_EQ(m_slider->geometry(), QRect(10, 10, 70, 21)) << "resized where it is";
    const QImage active = Keyed(185), channel = Keyed(186);
    const QRgb key = active.pixel(0, 0);
    struct Case {
        int pos, firstNormalPixel;
    };
    // 50 of 0..100 on 70 pixels: active over 0 to 34. The skin leaves 34 and 35 clear, so 46 (active up to
    // 31) checks a boundary that falls inside a bar.
    for (Case c : {Case{50, 35}, Case{46, 32}, Case{0, 0}, Case{100, 70}}) {
        SCOPED_TRACE(c.pos);
        m_slider->SetPos(c.pos);
        const QImage shot = Shot(*m_slider);
        for (int x = 0; x < 70; ++x) {
            const QImage& expected = x < c.firstNormalPixel ? active : channel;
            for (int y = 0; y < 21; ++y) {
                if (expected.pixel(x, y) != key) {
                    ASSERT_EQ(shot.pixel(x, y), expected.pixel(x, y)) << x << "," << y;
                }
            }
        }
        // Where the channel is clear, the pane's background shows: the backdrop's patch from (50, 13).
        EXPECT_EQ(shot.pixel(0, 0), Keyed(107).pixel(50, 13));
    }
    EXPECT_NE(active.pixel(31, 15), channel.pixel(31, 15)) << "the pictures differ where the boundary is checked";
    EXPECT_NE(active.pixel(32, 15), key);
}

TEST_F(BitmapSliderTest, DragReportsEachChangeAndOneMovedAtRelease)
{
    ASSERT_TRUE(m_slider->SetChannelBitmaps());
    ASSERT_TRUE(ShowAndWait(m_window));
    QSignalSpy moving(m_slider, &CBitmapSlider::Moving), moved(m_slider, &CBitmapSlider::Moved);

    M::Press(m_slider, {14, 10});
    EXPECT_EQ(m_slider->GetPos(), 20);
    EXPECT_EQ(Taken(moving), (Notes{{kId, 20}}));
    EXPECT_TRUE(m_slider->hasFocus());
    for (int x : {14, 15, 35, 35, 69, 90, -20})  // repeats, past both ends
        M::Move(m_slider, {x, 10});
    EXPECT_EQ(Taken(moving), (Notes{{kId, 21}, {kId, 50}, {kId, 98}, {kId, 100}, {kId, 0}}));
    EXPECT_TRUE(moved.isEmpty());
    M::Release(m_slider, {-20, 10});
    EXPECT_EQ(Taken(moved), (Notes{{kId, 0}}));
    M::Move(m_slider, {40, 10});
    EXPECT_TRUE(moving.isEmpty()) << "no drag after the release";
}

TEST_F(BitmapSliderTest, KeysReportTheUnchangedPositionAndTabKeepsMovingTheFocus)
{
    ASSERT_TRUE(m_slider->SetChannelBitmaps());
    m_slider->SetPos(30);
    QSignalSpy moving(m_slider, &CBitmapSlider::Moving), moved(m_slider, &CBitmapSlider::Moved);
    for (Qt::Key key : {Qt::Key_Right, Qt::Key_Left, Qt::Key_Up, Qt::Key_A})
        QTest::keyClick(m_slider, key);
    EXPECT_EQ(Taken(moved), (Notes{{kId, 30}, {kId, 30}, {kId, 30}, {kId, 30}}));
    EXPECT_EQ(m_slider->GetPos(), 30);
    QTest::keyClick(m_slider, Qt::Key_Tab);
    EXPECT_TRUE(moved.isEmpty());
    EXPECT_TRUE(moving.isEmpty());
}

TEST_F(BitmapSliderTest, GeometryWithMarginsRangesAndLimits)
{
    ASSERT_TRUE(m_slider->SetChannelBitmaps());
    struct Case {
        int min, max, left, right;
        std::vector<std::pair<int, int>> positionToPixel;
        std::vector<std::pair<int, int>> pixelToPosition;
    };
    const Case cases[] = {
        {0, 100, 0, 0, {{0, 0}, {50, 35}, {100, 70}, {33, 23}}, {{14, 20}, {0, 0}, {70, 100}, {1, 1}}},
        {0, 100, 5, 5, {{0, 5}, {100, 65}, {50, 35}}, {{5, 0}, {65, 100}, {11, 10}}},
        {-10, 10, 0, 0, {{-10, 0}, {0, 35}, {10, 70}}, {{35, 0}, {0, -10}}},
        {7, 7, 0, 0, {{7, 0}}, {{30, 7}}},  // an empty range divides by nothing
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.min << ".." << c.max << " margins " << c.left << "," << c.right);
        m_slider->SetRange(c.min, c.max);
        m_slider->SetMargins(c.left, c.right);
        for (auto [pos, pixel] : c.positionToPixel)
            EXPECT_EQ(m_slider->PositionToPixel(pos), pixel) << "position " << pos;
        for (auto [pixel, pos] : c.pixelToPosition)
            EXPECT_EQ(m_slider->PixelToPosition(pixel), pos) << "pixel " << pixel;
    }
    m_slider->SetRange(0, 100);
    m_slider->SetPos(150);
    EXPECT_EQ(m_slider->GetPos(), 100);
    m_slider->SetPos(-5);
    EXPECT_EQ(m_slider->GetPos(), 0);
}

TEST(BitmapSliderWithoutSkin, SetChannelBitmapsFailsAndTheSliderStillWorks)
{
    TempDir empty;
    ScopedCurrentPath cwd(empty.path());
    LogCapture log(empty.path());
    ResourceManager::DestroyInstance();
    ResourceManager::GetInstance();  // finds no archive
    CBitmapSlider slider;
    EXPECT_FALSE(slider.SetChannelBitmaps());
    slider.SetPos(40);
    EXPECT_EQ(slider.GetPos(), 40);
    slider.grab();  // paints nothing, and does not fail
    EXPECT_EQ(log.Count("ResourceManager", "GetBitmap", "Bitmap NULL"), 3);
    ResourceManager::DestroyInstance();
}

namespace {

class PositionSliderTest : public ::testing::Test {
protected:
    PositionSliderTest()
    {
        m_window.resize(360, 60);  // room to drag past the slider's end
        m_slider = new CMySliderControl(&m_window);
        m_slider->setGeometry(10, 10, 216, 28);  // channel 8 to 208: 200 pixels
        m_slider->setRange(0, 10000);
    }

    BuiltSkin m_skin;
    QWidget m_window;
    CMySliderControl* m_slider;
};

}  // namespace

TEST_F(PositionSliderTest, ClickPutsTheThumbUnderTheMouseThenTellsTrackAndPosition)
{
    ASSERT_TRUE(ShowAndWait(m_window));
    ASSERT_EQ(m_slider->ChannelRect().left(), 8);
    ASSERT_EQ(m_slider->ChannelRect().width(), 200);
    QSignalSpy scroll(m_slider, &CMySliderControl::HScroll);
    constexpr int track = CMySliderControl::SB_THUMBTRACK, position = CMySliderControl::SB_THUMBPOSITION;

    M::Press(m_slider, {58, 14});  // a quarter of the channel
    EXPECT_EQ(m_slider->value(), 2500);
    EXPECT_EQ(Taken(scroll), (Notes{{track, 2500}}));
    M::Release(m_slider, {58, 14});
    EXPECT_EQ(Taken(scroll), (Notes{{position, 2500}}));
    EXPECT_EQ(scroll.isEmpty(), true);

    // Where the thumb already is: nothing to tell.
    M::Press(m_slider, {58, 14});
    M::Release(m_slider, {58, 14});
    EXPECT_TRUE(Taken(scroll).empty());

    // A drag: every change, then one position at the end; past the end it stops at the range.
    M::Press(m_slider, {108, 14});
    M::Move(m_slider, {108, 20});
    M::Move(m_slider, {300, 14});
    M::Release(m_slider, {301, 14});
    EXPECT_EQ(Taken(scroll), (Notes{{track, 5000}, {track, 10000}, {position, 10000}}));

    // Pressed away from the thumb, moved back onto it before letting go: it moved, so it tells.
    M::Press(m_slider, {8, 14});
    M::Release(m_slider, {208, 14});
    EXPECT_EQ(Taken(scroll), (Notes{{track, 0}, {track, 10000}, {position, 10000}}));
    EXPECT_EQ(scroll.isEmpty(), true);
}

TEST_F(PositionSliderTest, RoundsToTheNearestPosition)
{
    m_slider->setRange(0, 3);
    ASSERT_TRUE(ShowAndWait(m_window));
    struct Case {
        int x, expected;
    };
    // 200 pixels for 3 steps: 66.7 pixels a step, rounded to the nearest.
    for (Case c : {Case{8 + 33, 0}, Case{8 + 34, 1}, Case{8 + 100, 2}, Case{8 + 167, 3}, Case{0, 0}}) {
        M::Press(m_slider, {c.x, 14});
        M::Release(m_slider, {c.x, 14});
        EXPECT_EQ(m_slider->value(), c.expected) << "at " << c.x;
    }
}

TEST_F(PositionSliderTest, KeysAndTheWheelNeverMoveIt)
{
    m_slider->setValue(4000);
    QSignalSpy scroll(m_slider, &CMySliderControl::HScroll);
    QSignalSpy changes(m_slider, &QSlider::valueChanged);
    for (Qt::Key key : {Qt::Key_Right, Qt::Key_Left, Qt::Key_Up, Qt::Key_PageDown, Qt::Key_Home, Qt::Key_End})
        QTest::keyClick(m_slider, key);
    QWheelEvent wheel(QPointF(50, 14), m_slider->mapToGlobal(QPointF(50, 14)), QPoint(), QPoint(0, 120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(m_slider, &wheel);
    EXPECT_EQ(m_slider->value(), 4000);
    EXPECT_TRUE(scroll.isEmpty());
    EXPECT_TRUE(changes.isEmpty());
}

TEST_F(PositionSliderTest, DrawsGroundChannelFillAndTheThumbPressedWhileHeld)
{
    ASSERT_TRUE(ShowAndWait(m_window));
    m_slider->setValue(5000);
    EXPECT_EQ(m_slider->ThumbRect(), QRect(102, 4, 12, 20)) << "centred on the channel's middle";
    const auto thumbShown = [&] { return Shot(*m_slider).copy(m_slider->ThumbRect()); };
    EXPECT_EQ(thumbShown(), Keyed(171));
    EXPECT_EQ(Shot(*m_slider).pixelColor(1, 1), QColor(Qt::black));
    const QImage fill = Keyed(167);
    EXPECT_EQ(Shot(*m_slider).pixel(50, 12), fill.pixel(1, 2)) << "the elapsed part";
    M::Press(m_slider, {108, 14});  // where the thumb is: it does not move
    EXPECT_EQ(thumbShown(), Keyed(172));
    M::Release(m_slider, {108, 14});
    EXPECT_EQ(thumbShown(), Keyed(171));

    m_slider->SetDrawFill(false);
    EXPECT_NE(Shot(*m_slider).pixel(50, 12), fill.pixel(1, 2));
}
