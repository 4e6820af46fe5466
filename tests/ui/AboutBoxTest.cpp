#include "ui/CAbout.h"
#include "widgets/SkinIds.h"
#include "widgets/CMyBitmapButton.h"

#include "support/qt/SkinTestSupport.h"

#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QLabel>

TEST(AboutBoxTest, LayoutTextsAndLook)
{
    BuiltSkin skin;
    CAbout about;
    EXPECT_EQ(about.size(), QSize(291, 159));
    EXPECT_TRUE(about.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(about.OkButton()->geometry(), QRect(190, 120, 60, 25));
    EXPECT_EQ(about.ProductLabel()->text(), "Tessaro Viewer");
    EXPECT_EQ(about.ProductLabel()->geometry(), QRect(30, 50, 250, 30));
    EXPECT_EQ(about.VersionLabel()->text(), "Version 1.1 (Build 1382)");
    EXPECT_EQ(about.VersionLabel()->geometry(), QRect(30, 80, 250, 30));
    EXPECT_EQ(about.Band()->geometry(), QRect(0, 0, 291, 29));
    EXPECT_EQ(about.ProductLabel()->palette().color(QPalette::WindowText), QColor(200, 200, 200));
    EXPECT_LE(QFontMetrics(about.ProductLabel()->font()).height(), 17);
    EXPECT_EQ(about.ProductLabel()->font().weight(), QFont::DemiBold);

    const QImage shot = Shot(about);
    const QImage band = ResourceManager::GetInstance()->LoadBitmap(SkinId::kAboutBand).toImage();
    EXPECT_EQ(shot.pixelColor(100, 10).rgb(), band.pixelColor(100, 10).rgb());
    EXPECT_EQ(shot.pixelColor(20, 140), QColor(Qt::black));
    const QImage ok = ResourceManager::GetInstance()->LoadBitmap(SkinId::kAboutOkNormal).toImage();
    EXPECT_EQ(shot.pixelColor(190 + 30, 120 + 12).rgb(), ok.pixelColor(30, 12).rgb());
}

TEST(AboutBoxTest, OkClosesAndTheBandDragsTheBox)
{
    BuiltSkin skin;
    CAbout about;
    about.move(100, 100);
    ASSERT_TRUE(ShowAndWait(about));
    const QPoint start = about.pos();
    WindowMouse::Press(about.Band(), {10, 10});
    const QPoint grabbedAt = about.Band()->mapToGlobal(QPoint(40, 30));
    WindowMouse::Move(about.Band(), {40, 30});
    WindowMouse::Release(about.Band(), about.Band()->mapFromGlobal(grabbedAt));  // the mouse stays put
    EXPECT_EQ(about.pos(), start + QPoint(30, 20));
    EXPECT_TRUE(about.isVisible());

    QTest::mouseClick(about.OkButton(), Qt::LeftButton);
    EXPECT_FALSE(about.isVisible());
    EXPECT_EQ(about.result(), QDialog::Accepted);
}
