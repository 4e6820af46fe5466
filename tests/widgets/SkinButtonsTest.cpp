#include "widgets/CButtonStyle.h"
#include "widgets/CMyBitmapButton.h"
#include "widgets/CPicture.h"

#include "support/qt/SkinTestSupport.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <QSignalSpy>

#include <array>
#include <functional>

namespace {

// Which of the faces the button shows, judged on the pixels every face paints fully; 0 for none.
int FaceShown(const QImage& shot, const std::array<QImage, 3>& faces, QPoint at)
{
    for (int face = 0; face < 3; ++face) {
        bool matches = true;
        for (int y = 0; y < faces[face].height() && matches; ++y)
            for (int x = 0; x < faces[face].width() && matches; ++x) {
                const QColor pixel = faces[face].pixelColor(x, y);
                if (pixel.alpha() == 255 && shot.rect().contains(at + QPoint(x, y)))
                    matches = shot.pixelColor(at + QPoint(x, y)).rgb() == pixel.rgb();
            }
        if (matches)
            return face + 1;
    }
    return 0;
}

class ButtonStyleTest : public ::testing::Test {
protected:
    ButtonStyleTest()
    {
        m_window.resize(200, 100);
        m_button = new CButtonStyle(&m_window);
        m_button->setGeometry(20, 20, 32, 32);
        m_button->SetBackdrop(107, ResourceManager::GetInstance()->LoadBitmap(107));
        m_button->SetIcons(224, 225, 227);  // play: normal, pressed, hover
        for (int i = 0; i < 3; ++i)
            m_faces[i] = ResourceManager::GetInstance()->LoadIcon(std::array{224, 227, 225}[i]).pixmap(32, 32).toImage();
    }

    BuiltSkin m_skin;  // first: the controls below load from it
    // Puts the mouse over the window, away from the button. Qt drops a move to where the mouse already
    // is, and an earlier test may have left it anywhere: two different points make sure it arrives.
    void MouseStartsAway()
    {
        WindowMouse::Move(&m_window, {190, 90});
        WindowMouse::Move(&m_window, {180, 85});
        ASSERT_EQ(m_button->GetState(), CButtonStyle::kNormal);
    }

    QWidget m_window;
    CButtonStyle* m_button;
    std::array<QImage, 3> m_faces;  // normal, hover, pressed: the order of the states
};

}  // namespace

TEST_F(ButtonStyleTest, FacesFollowHoverPressReleaseAndLeave)
{
    ASSERT_TRUE(ShowAndWait(m_window));
    MouseStartsAway();
    QSignalSpy clicks(m_button, &QAbstractButton::clicked);
    using M = WindowMouse;
    struct Step {
        const char* what;
        std::function<void()> act;
        int state;
        QPoint faceAt;
    };
    const Step steps[] = {
        {"untouched", [] {}, CButtonStyle::kNormal, {0, 0}},
        {"mouse over", [&] { M::Move(m_button, {10, 10}); }, CButtonStyle::kHover, {0, 0}},
        {"pressed: the pressed face, one pixel in", [&] { M::Press(m_button, {10, 10}); }, CButtonStyle::kPressed, {1, 1}},
        {"released over it", [&] { M::Release(m_button, {10, 10}); }, CButtonStyle::kHover, {0, 0}},
        {"mouse gone", [&] { M::Move(&m_window, {150, 80}); }, CButtonStyle::kNormal, {0, 0}},
        {"back over it", [&] { M::Move(m_button, {5, 5}); }, CButtonStyle::kHover, {0, 0}},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        step.act();
        EXPECT_EQ(m_button->GetState(), step.state);
        EXPECT_EQ(FaceShown(Shot(*m_button), m_faces, step.faceAt), step.state);
    }
    EXPECT_EQ(clicks.count(), 1);
}

TEST_F(ButtonStyleTest, BackdropIsCopiedFromThePlayerPaneOrStretchedFromTheButtonsPlace)
{
    m_button->SetIcons(0, 0, 0);  // no faces: the backdrop alone
    const QImage pane = ResourceManager::GetInstance()->LoadBitmap(107).toImage();
    QImage shot = Shot(*m_button);
    for (QPoint p : {QPoint(0, 0), QPoint(31, 0), QPoint(0, 31), QPoint(31, 31), QPoint(16, 9)})
        EXPECT_EQ(shot.pixelColor(p).rgb(), pane.pixelColor(p + QPoint(3, 8)).rgb()) << p.x() << "," << p.y();

    // Any other backdrop: its 50 x 20 patch at the button's place (20, 20), stretched over 32 x 32.
    const QImage band = ResourceManager::GetInstance()->LoadBitmap(108).toImage();
    m_button->SetBackdrop(108, QPixmap::fromImage(band));
    shot = Shot(*m_button);
    EXPECT_EQ(shot.pixelColor(0, 0).rgb(), band.pixelColor(20, 20).rgb());
    EXPECT_EQ(shot.pixelColor(31, 31).rgb(), band.pixelColor(69, 39).rgb());
}

TEST_F(ButtonStyleTest, DoubleClickGivesTwoCommands)
{
    ASSERT_TRUE(ShowAndWait(m_window));
    MouseStartsAway();
    QSignalSpy clicks(m_button, &QAbstractButton::clicked);
    WindowMouse::Move(m_button, {10, 10});
    WindowMouse::DoubleClick(m_button, {10, 10});
    EXPECT_EQ(clicks.count(), 2);
    EXPECT_EQ(m_button->GetState(), CButtonStyle::kHover);
}

TEST(BitmapButtonTest, LoadBitmapsNeedsTheNormalPictureAndReportsMissingOnes)
{
    BuiltSkin skin;
    TempDir dir;
    ScopedCurrentPath cwd(dir.path());
    LogCapture log(dir.path());
    struct Case {
        std::array<quint16, 4> ids;
        bool result;
        bool normalAttached;
        int missingLogged;
    };
    const Case cases[] = {
        {{104, 105, 104, 104}, true, true, 0},
        {{104, 0, 0, 0}, true, true, 0},
        {{104, 9999, 0, 104}, false, true, 1},
        {{0, 105, 104, 104}, false, false, 0},
        {{9999, 105, 104, 104}, false, false, 1},  // gives up before loading the others
    };
    int logged = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.ids[0] << " " << c.ids[1] << " " << c.ids[2] << " " << c.ids[3]);
        CMyBitmapButton button;
        EXPECT_EQ(button.LoadBitmaps(c.ids[0], c.ids[1], c.ids[2], c.ids[3]), c.result);
        EXPECT_EQ(!button.CurrentBitmap().isNull(), c.normalAttached);
        logged += c.missingLogged;
        EXPECT_EQ(log.Count("ResourceManager", "GetBitmap", "Bitmap NULL"), logged);
    }
}

TEST(BitmapButtonTest, PressedThenFocusThenDisabledThenNormal)
{
    BuiltSkin skin;
    const auto picture = [](int id) { return ResourceManager::GetInstance()->LoadBitmap(id).toImage(); };
    QWidget window;
    window.resize(120, 60);
    auto* button = new CMyBitmapButton(&window);
    auto* other = new CMyBitmapButton(&window);
    other->move(60, 0);
    ASSERT_TRUE(button->LoadBitmaps(145, 128, 139, 130));  // four different pictures
    button->SizeToContent();
    EXPECT_EQ(button->size(), QSize(43, 23));
    ASSERT_TRUE(ShowAndWait(window));
    other->setFocus();

    EXPECT_EQ(button->CurrentBitmap().toImage(), picture(145));
    EXPECT_EQ(Shot(*button), picture(145).convertToFormat(QImage::Format_RGB32)) << "drawn 1:1 at the top left";
    button->setFocus();
    EXPECT_EQ(button->CurrentBitmap().toImage(), picture(139));
    button->setDown(true);
    EXPECT_EQ(button->CurrentBitmap().toImage(), picture(128));
    button->setDown(false);
    other->setFocus();
    button->setEnabled(false);
    EXPECT_EQ(button->CurrentBitmap().toImage(), picture(130));

    // A state without its picture shows the normal one.
    button->LoadBitmaps(145);
    EXPECT_EQ(button->CurrentBitmap().toImage(), picture(145));
}

TEST(PictureTest, TheTransparentColourLetsTheGroundShowThrough)
{
    BuiltSkin skin;
    QWidget ground;
    ground.resize(20, 20);
    QPalette palette = ground.palette();
    palette.setColor(QPalette::Window, Qt::red);
    ground.setPalette(palette);
    ground.setAutoFillBackground(true);
    auto* picture = new CPicture(&ground);
    const QImage digit = ResourceManager::GetInstance()->LoadBitmap(158).toImage();  // white is clear
    picture->SetBitmap(QPixmap::fromImage(digit));
    picture->SetTransparentColor(Qt::white);
    picture->resize(picture->sizeHint());
    const QImage shot = Shot(ground);
    int clear = 0, drawn = 0;
    for (int y = 0; y < digit.height(); ++y)
        for (int x = 0; x < digit.width(); ++x) {
            const bool white = digit.pixelColor(x, y) == QColor(Qt::white);
            EXPECT_EQ(shot.pixelColor(x, y), white ? QColor(Qt::red) : digit.pixelColor(x, y)) << x << "," << y;
            (white ? clear : drawn)++;
        }
    EXPECT_GT(clear, 0);
    EXPECT_GT(drawn, 0);
}
