#include "widgets/ResourceManager.h"

#include "support/LogCapture.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QBitmap>
#include <QDirIterator>
#include <QPainter>
#include <QSet>

#include <vector>

namespace {

enum class Kind { Bitmap, Icon, Png };

struct Group {
    Kind kind;
    std::vector<int> ids;
    QSize size;
    const char* role;
};

std::vector<int> Range(int first, int last)
{
    std::vector<int> ids;
    for (int id = first; id <= last; ++id)
        ids.push_back(id);
    return ids;
}

// Every picture the viewer asks for, by kind, with the size its control gives it.
const std::vector<Group>& Skin()
{
    static const std::vector<Group> groups = {
        {Kind::Icon, {245}, {64, 64}, "main window icon"},
        {Kind::Icon, Range(188, 211), {32, 32}, "toolbar buttons"},
        {Kind::Icon, Range(212, 235), {32, 32}, "transport buttons"},
        {Kind::Icon, {102, 236, 237}, {32, 32}, "map pop-out button"},
        {Kind::Bitmap, {101}, {291, 28}, "About band"},
        {Kind::Bitmap, {104, 105}, {60, 25}, "About OK button"},
        {Kind::Bitmap, {107}, {128, 64}, "player pane background (backdrops from (3, 8) and (50, 13))"},
        {Kind::Bitmap, {108}, {400, 46}, "title band, 46 high"},
        {Kind::Bitmap, {152}, {400, 33}, "pane top band, 33 high"},
        {Kind::Bitmap, {153}, {132, 32}, "logo"},
        {Kind::Bitmap, {331, 332, 334, 335, 337, 338}, {22, 22}, "window buttons"},
        {Kind::Bitmap, {109, 110, 155, 156, 181, 182, 183, 184}, {24, 24}, "small player buttons"},
        {Kind::Bitmap, Range(297, 302), {43, 19}, "channel view buttons"},
        {Kind::Bitmap, {128, 130, 134, 136, 138, 139, 140, 142, 145, 146, 147, 149}, {43, 23}, "filter buttons"},
        {Kind::Bitmap, {174}, {124, 38}, "speed panel"},
        {Kind::Bitmap, Range(157, 166), {10, 16}, "speed digits"},
        {Kind::Bitmap, {126}, {10, 16}, "unlit speed digit"},
        {Kind::Bitmap, {127}, {6, 16}, "speed decimal point"},
        {Kind::Bitmap, {167}, {3, 6}, "position slider fill"},
        {Kind::Bitmap, {170}, {16, 8}, "position slider channel"},
        {Kind::Bitmap, {171, 172}, {12, 20}, "position slider thumbs"},
        {Kind::Bitmap, {185, 186}, {70, 21}, "volume slider channels"},
        {Kind::Bitmap, {123, 125}, {2, 18}, "header end and start pieces"},
        {Kind::Bitmap, {124}, {4, 18}, "header band and span piece"},
        {Kind::Bitmap, {180}, {18, 17}, "scroll bar top end"},
        {Kind::Bitmap, {177}, {18, 20}, "scroll bar up arrow"},
        {Kind::Bitmap, {179}, {18, 4}, "scroll bar track"},
        {Kind::Bitmap, {175}, {18, 18}, "scroll bar down arrow"},
        {Kind::Bitmap, {178}, {17, 19}, "scroll bar bottom end"},
        {Kind::Bitmap, {176}, {18, 18}, "scroll bar thumb"},
        {Kind::Bitmap, {310}, {640, 360}, "channel pane idle picture"},
        {Kind::Png, {103, 268}, {128, 158}, "map status pictures"},
    };
    return groups;
}

const char* Folder(Kind kind)
{
    return kind == Kind::Bitmap ? "bitmap" : kind == Kind::Icon ? "icon" : "png";
}

QPixmap Load(const ResourceManager& manager, Kind kind, int id, qreal ratio, QSize size)
{
    switch (kind) {
    case Kind::Bitmap: return manager.LoadBitmap(id, ratio);
    case Kind::Png: return manager.LoadPng(id, ratio);
    case Kind::Icon: return manager.LoadIcon(id).pixmap(size, ratio);
    }
    return {};
}

class SkinArchive : public ::testing::Test {
protected:
    SkinArchive() : m_cwd(m_dir.path()), m_log(m_dir.path()), manager({QString(TESSARO_SKIN_ARCHIVE).section('/', 0, -2)}) {}

    TempDir m_dir;
    ScopedCurrentPath m_cwd;
    LogCapture m_log;
    ResourceManager manager;
};

// A picture with one colour left out, as the controls draw digits and slider channels.
QPixmap Keyed(QPixmap picture, const QColor& key)
{
    picture.setMask(picture.createMaskFromColor(key));
    return picture;
}

// Pictures put together the way the panes will draw them, at double resolution, to judge the whole.
std::vector<std::pair<QString, QPixmap>> Composites(const ResourceManager& m)
{
    const auto canvas = [](int w, int h) {
        QPixmap pixmap(w * 2, h * 2);
        pixmap.setDevicePixelRatio(2.0);
        pixmap.fill(Qt::black);
        return pixmap;
    };
    std::vector<std::pair<QString, QPixmap>> composites;
    for (const QString speed : {"123.4", "7.5", ""}) {
        QPixmap panel = m.LoadBitmap(174, 2.0);
        QPainter p(&panel);
        const QPixmap unlit = Keyed(m.LoadBitmap(126, 2.0), Qt::white);
        const int xs[] = {21, 32, 43};
        const int integerDigits = speed.isEmpty() ? 0 : int(speed.size()) - 2;
        for (int i = 0; i < integerDigits; ++i)
            p.drawPixmap(xs[3 - integerDigits + i], 11, Keyed(m.LoadBitmap(157 + speed[i].digitValue(), 2.0), Qt::white));
        if (speed.isEmpty())
            p.drawPixmap(43, 11, unlit);
        p.drawPixmap(60, 11, speed.isEmpty() ? unlit : Keyed(m.LoadBitmap(157 + speed.back().digitValue(), 2.0), Qt::white));
        p.drawPixmap(54, 11, Keyed(m.LoadBitmap(127, 2.0), Qt::white));
        p.end();
        composites.emplace_back("speed " + (speed.isEmpty() ? QStringLiteral("empty") : speed), panel);
    }
    {
        QPixmap band = canvas(520, 46);
        QPainter p(&band);
        p.drawPixmap(QRect(0, 0, 520, 46), m.LoadBitmap(108, 2.0));
        for (int i = 0; i < 4; ++i)
            m.LoadIcon(std::vector<int>{194, 208, 204, 200}[i]).paint(&p, QRect(15 + 42 * i, 9, 32, 32));
        m.LoadIcon(202).paint(&p, QRect(15 + 42 * 4, 9, 32, 32));
        p.drawPixmap(520 - 132 - 75, 7, m.LoadBitmap(153, 2.0));
        for (int i = 0; i < 3; ++i)
            p.drawPixmap(520 - 75 + 25 * i, 12, m.LoadBitmap(std::vector<int>{337, 334, 331}[i], 2.0));
        p.end();
        composites.emplace_back("title band", band);
    }
    {
        QPixmap bar = canvas(330, 64);
        QPainter p(&bar);
        p.drawPixmap(QRect(0, 0, 330, 64), m.LoadBitmap(107, 2.0));
        for (int i = 0; i < 5; ++i)
            m.LoadIcon(std::vector<int>{228, 232, 220, 212, 216}[i]).paint(&p, QRect(4 + 40 * i, 4, 32, 32));
        p.drawPixmap(210, 8, m.LoadBitmap(183, 2.0));
        // Volume at 60 %: the active channel before the position, the normal one after it.
        const int at = 42;
        p.drawPixmap(240, 10, Keyed(m.LoadBitmap(185, 2.0), QColor(255, 0, 255)), 0, 0, at * 2, 42);
        p.drawPixmap(240 + at, 10, Keyed(m.LoadBitmap(186, 2.0), QColor(255, 0, 255)), at * 2, 0, (70 - at) * 2, 42);
        // Position slider at 40 %.
        p.fillRect(QRect(4, 40, 320, 20), Qt::black);
        p.drawPixmap(QRect(10, 44, 308, 12), m.LoadBitmap(170, 2.0));
        p.drawPixmap(QRect(12, 47, 124, 6), m.LoadBitmap(167, 2.0));
        p.drawPixmap(QRect(130, 40, 12, 20), m.LoadBitmap(171, 2.0));
        p.end();
        composites.emplace_back("player controls", bar);
    }
    {
        QPixmap table = canvas(220, 140);
        QPainter p(&table);
        p.fillRect(QRect(0, 0, 220, 140), QColor(51, 51, 51));
        p.drawPixmap(QRect(2, 0, 200, 18), m.LoadBitmap(124, 2.0), QRect(0, 0, 2, 36));
        for (int left : {0, 70, 140}) {
            if (left == 0) {
                p.drawPixmap(left, 0, m.LoadBitmap(125, 2.0));
            } else {
                p.fillRect(QRect(left - 1, 0, 2, 18), Qt::black);
                p.drawPixmap(left + 2, 0, m.LoadBitmap(124, 2.0));
            }
            p.drawPixmap(left + 68, 0, m.LoadBitmap(123, 2.0));
        }
        for (int row = 0; row < 6; ++row)
            p.fillRect(QRect(0, 18 + row * 20, 200, 20),
                       row == 1 ? QColor(49, 106, 197) : row == 3 ? QColor(255, 165, 0) : row % 2 ? QColor(60, 60, 60) : QColor(80, 80, 80));
        const int h = 140, x = 202;
        p.fillRect(QRect(x, 0, 18, h), QColor(80, 80, 80));
        p.drawPixmap(x, 0, m.LoadBitmap(180, 2.0));
        p.drawPixmap(x, 17, m.LoadBitmap(177, 2.0));
        p.drawPixmap(QRect(x, 37, 18, h - 37), m.LoadBitmap(179, 2.0), QRect(0, 0, 36, 2));
        p.drawPixmap(x, h - 37, m.LoadBitmap(175, 2.0));
        p.drawPixmap(x + 1, h - 19, m.LoadBitmap(178, 2.0));
        p.drawPixmap(x, 60, m.LoadBitmap(176, 2.0));
        p.end();
        composites.emplace_back("table", table);
    }
    return composites;
}

// Lays the pictures out in rows, each at double resolution (large ones at their own), labelled by id,
// then the composites.
void WriteContactSheet(const ResourceManager& manager, const QString& path)
{
    const int width = 1800, gap = 14, label = 14;
    std::vector<std::pair<QString, QPixmap>> cells;
    for (const Group& group : Skin())
        for (int id : group.ids) {
            const qreal ratio = group.size.width() > 300 ? 1.0 : 2.0;
            cells.emplace_back(QStringLiteral("%1 %2").arg(Folder(group.kind)).arg(id),
                               Load(manager, group.kind, id, ratio, group.size));
        }
    for (auto& composite : Composites(manager))
        cells.push_back(composite);
    QList<QPoint> places;
    int x = gap, y = gap, rowHeight = 0;
    for (auto& [name, picture] : cells) {
        picture.setDevicePixelRatio(1.0);  // show the pixels as they are
        const int cellWidth = qMax(picture.width(), 70);
        if (x + cellWidth > width - gap) {
            x = gap;
            y += rowHeight + label + gap;
            rowHeight = 0;
        }
        places.append(QPoint(x, y));
        x += cellWidth + gap;
        rowHeight = qMax(rowHeight, picture.height());
    }
    QImage sheet(width, y + rowHeight + label + gap, QImage::Format_RGB32);
    sheet.fill(QColor(120, 120, 120));
    QPainter painter(&sheet);
    painter.setPen(Qt::white);
    QFont font("DejaVu Sans");
    font.setPixelSize(11);
    painter.setFont(font);
    for (std::size_t i = 0; i < cells.size(); ++i) {
        painter.drawPixmap(places[int(i)], cells[i].second);
        painter.drawText(places[int(i)] + QPoint(0, cells[i].second.height() + label - 2), cells[i].first);
    }
    painter.end();
    sheet.save(path);
}

}  // namespace

TEST_F(SkinArchive, HoldsEveryPictureOfTheViewerAtItsSizeAtOneAndTwoTimes)
{
    ASSERT_TRUE(manager.GetModule());
    QSet<QString> expected;
    for (const Group& group : Skin()) {
        SCOPED_TRACE(group.role);
        for (int id : group.ids) {
            SCOPED_TRACE(id);
            expected << QStringLiteral("%1/%2.png").arg(Folder(group.kind)).arg(id)
                     << QStringLiteral("%1/%2@2x.png").arg(Folder(group.kind)).arg(id);
            const QPixmap single = Load(manager, group.kind, id, 1.0, group.size);
            ASSERT_FALSE(single.isNull());
            EXPECT_EQ(single.size(), group.size);
            const QPixmap doubled = Load(manager, group.kind, id, 2.0, group.size);
            EXPECT_EQ(doubled.size(), group.size * 2);
            EXPECT_EQ(doubled.deviceIndependentSize(), QSizeF(group.size));
            // Bitmaps are drawn as they are, over whatever lies beneath: they carry no transparency.
            if (group.kind == Kind::Bitmap) {
                EXPECT_FALSE(single.hasAlphaChannel());
            }
        }
    }
    EXPECT_TRUE(m_log.Lines().empty());

    // Nothing else is in the archive: a picture under a wrong id would go unnoticed otherwise.
    QSet<QString> present;
    for (QDirIterator it(":/corvell", QDir::Files, QDirIterator::Subdirectories); it.hasNext();)
        present << it.next().mid(QStringLiteral(":/corvell/").size());
    EXPECT_EQ(present, expected);

    WriteContactSheet(manager, TESSARO_CONTACT_SHEET);
}

TEST_F(SkinArchive, TransparentColoursSitWhereTheControlsLookForThem)
{
    struct Case {
        std::vector<int> ids;
        QColor key;
        const char* why;
    };
    const Case cases[] = {
        {{126, 127, 157, 158, 159, 160, 161, 162, 163, 164, 165, 166}, Qt::white, "speed panel draws white as clear"},
        {{185, 186}, QColor(255, 0, 255), "the bitmap slider clears the colour of the top-left pixel"},
    };
    for (const Case& c : cases)
        for (int id : c.ids)
            for (qreal ratio : {1.0, 2.0}) {
                SCOPED_TRACE(testing::Message() << c.why << ", id " << id << " at " << ratio);
                const QImage image = manager.LoadBitmap(id, ratio).toImage();
                EXPECT_EQ(image.pixelColor(0, 0), c.key);
                EXPECT_EQ(image.pixelColor(image.width() - 1, 0), c.key);
                int drawn = 0;
                for (int y = 0; y < image.height(); ++y)
                    for (int x = 0; x < image.width(); ++x)
                        drawn += image.pixelColor(x, y) != c.key;
                EXPECT_GT(drawn, image.width());
            }
}

TEST_F(SkinArchive, SpeedDigitsLandOnThePanelsGlass)
{
    // Where the pane puts the digits of "123.4", the point and the tenths.
    const QRect places[] = {{21, 11, 10, 16}, {32, 11, 10, 16}, {43, 11, 10, 16}, {54, 11, 6, 16}, {60, 11, 10, 16}};
    const QColor glass(20, 20, 20);  // the digits' edges are smoothed against this colour
    for (qreal ratio : {1.0, 2.0}) {
        const QImage panel = manager.LoadBitmap(174, ratio).toImage();
        for (const QRect& place : places)
            for (int y = place.top() * ratio; y < (place.bottom() + 1) * ratio; ++y)
                for (int x = place.left() * ratio; x < (place.right() + 1) * ratio; ++x)
                    ASSERT_EQ(panel.pixelColor(x, y), glass) << "at " << x << "," << y << " scale " << ratio;
    }
}
