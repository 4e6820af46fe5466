// Renders the skin from its sources into PNG pictures at 1x and 2x, plus the resource list that rcc turns
// into the archive CorvellResource.rcc.
//
//   tessaro-skinrender <skin.table> <skin source folder> <output folder>
//   tessaro-skinrender --header <skin.table> <SkinIds.h>     the ids as named constants for the code
//
// Each line of the table names a kind (bitmap, icon, png), one id or a comma list of ids, a name, a size
// WxH, a recipe and its arguments; an argument holding commas gives one value per id. The name of a single
// id becomes the constant k<Name>; several ids take their state from the first per-id argument
// (k<Name><State>: "pressed" gives kPlayPressed, "7" kDigit7). key=value words are options:
//   ground=#rrggbb      fill before drawing (bitmaps are opaque: they need a ground or a backdrop)
//   backdrop=ID@X,Y     start from the picture ID's pixels at (X, Y), where the control sits on it
//   key=#rrggbb         afterwards turn every pixel still exactly the ground colour into this colour, for
//                       controls that draw the picture with a transparent colour
//   glyph=N font=N      glyph box side and text size in pixels (button)
// Recipes:
//   svg FILE            the SVG file stretched over the picture
//   button FACE STATE   a button face; FACE is a glyph (glyphs/FACE.svg) or text:WORD; STATE is normal,
//                       hover, pressed, disabled, selected or active
//   digit CHAR          a seven-segment digit 0-9, "." for the point, "_" for the unlit digit

#include <QColor>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QHash>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QRegularExpression>
#include <QSvgRenderer>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>

namespace {

struct Entry {
    QString kind;
    int id = 0;
    QString constant;  // the id's name in SkinIds.h
    QSize size;
    QString recipe;
    QStringList arguments;
    std::map<QString, QString> options;
};

[[noreturn]] void Fail(const QString& text)
{
    std::fprintf(stderr, "skinrender: %s\n", qPrintable(text));
    std::exit(1);
}

QList<Entry> ReadTable(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        Fail("cannot read " + path);
    QList<Entry> entries;
    QTextStream in(&file);
    int lineNumber = 0;
    while (!in.atEnd()) {
        ++lineNumber;
        // A comment starts with "#" at the start of a line or after a space; colours (ground=#333333) stay.
        const QString line = in.readLine().remove(QRegularExpression("(^|\\s)#.*$")).trimmed();
        if (line.isEmpty())
            continue;
        const QStringList words = line.split(' ', Qt::SkipEmptyParts);
        if (words.size() < 5)
            Fail(QStringLiteral("%1:%2: too few words").arg(path).arg(lineNumber));
        const QStringList ids = words[1].split(',');
        const QString name = words[2];
        if (!QRegularExpression("^[A-Z][A-Za-z0-9]*$").match(name).hasMatch())
            Fail(QStringLiteral("%1:%2: bad name %3").arg(path).arg(lineNumber).arg(name));
        const QStringList size = words[3].split('x');
        Entry common;
        common.kind = words[0];
        common.size = QSize(size.value(0).toInt(), size.value(1).toInt());
        common.recipe = words[4];
        QList<QStringList> perId;
        for (const QString& word : words.mid(5)) {
            if (word.contains('=')) {
                common.options[word.section('=', 0, 0)] = word.section('=', 1);
                continue;
            }
            const QStringList values = word.split(',');
            if (values.size() != 1 && values.size() != ids.size())
                Fail(QStringLiteral("%1:%2: %3 values for %4 ids").arg(path).arg(lineNumber).arg(values.size()).arg(ids.size()));
            perId.append(values);
        }
        if (common.size.isEmpty() || !QStringList{"bitmap", "icon", "png"}.contains(common.kind))
            Fail(QStringLiteral("%1:%2: bad kind or size").arg(path).arg(lineNumber));
        for (int i = 0; i < ids.size(); ++i) {
            Entry entry = common;
            bool ok = false;
            entry.id = ids[i].toInt(&ok);
            if (!ok)
                Fail(QStringLiteral("%1:%2: bad id %3").arg(path).arg(lineNumber).arg(ids[i]));
            for (const QStringList& values : perId)
                entry.arguments.append(values.size() == 1 ? values[0] : values[i]);
            entry.constant = "k" + name;
            if (ids.size() > 1) {
                const auto states = std::find_if(perId.begin(), perId.end(),
                                                 [&](const QStringList& values) { return values.size() == ids.size(); });
                if (states == perId.end())
                    Fail(QStringLiteral("%1:%2: several ids but no per-id values to name them").arg(path).arg(lineNumber));
                QString state = (*states)[i];
                state[0] = state[0].toUpper();
                entry.constant += state;
                if (!QRegularExpression("^k[A-Za-z0-9]+$").match(entry.constant).hasMatch())
                    Fail(QStringLiteral("%1:%2: cannot name id %3").arg(path).arg(lineNumber).arg(ids[i]));
            }
            entries.append(entry);
        }
    }
    return entries;
}

// The look of a button face in one state.
struct Face {
    QColor top, bottom, border, ink;
    qreal shift;  // the face's content moves down and right by this much when pressed
};

Face FaceFor(const QString& state)
{
    static const QHash<QString, Face> faces = {
        {"normal", {QColor(90, 90, 90), QColor(60, 60, 60), QColor(110, 110, 110), QColor(200, 200, 200), 0}},
        {"hover", {QColor(112, 112, 112), QColor(80, 80, 80), QColor(255, 165, 0), QColor(245, 245, 245), 0}},
        {"pressed", {QColor(40, 40, 40), QColor(60, 60, 60), QColor(255, 165, 0), QColor(255, 165, 0), 1}},
        {"disabled", {QColor(62, 62, 62), QColor(51, 51, 51), QColor(72, 72, 72), QColor(110, 110, 110), 0}},
        {"selected", {QColor(74, 128, 216), QColor(49, 106, 197), QColor(120, 160, 225), QColor(240, 240, 240), 0}},
        {"active", {QColor(255, 190, 60), QColor(255, 165, 0), QColor(255, 205, 110), QColor(20, 20, 20), 0}},
    };
    if (!faces.contains(state))
        Fail("unknown button state " + state);
    return faces.value(state);
}

QColor ParseColour(const QString& text)
{
    const QColor colour(text);
    if (!colour.isValid())
        Fail("bad colour " + text);
    return colour;
}

class Renderer {
public:
    Renderer(const QList<Entry>& entries, const QString& sourceFolder) : m_entries(entries), m_source(sourceFolder) {}

    // The picture of id at the given scale, in physical pixels (size times scale).
    QImage Render(int id, int scale)
    {
        const QString cacheKey = QStringLiteral("%1@%2").arg(id).arg(scale);
        if (m_cache.contains(cacheKey))
            return m_cache.value(cacheKey);
        const Entry& entry = Find(id);
        QImage image(entry.size * scale, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::TextAntialiasing);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.scale(scale, scale);
        const QRectF area(QPointF(0, 0), entry.size);

        const auto option = [&](const char* name) {
            const auto found = entry.options.find(name);
            return found == entry.options.end() ? QString() : found->second;
        };
        if (const QString ground = option("ground"); !ground.isEmpty())
            painter.fillRect(area, ParseColour(ground));
        if (const QString backdrop = option("backdrop"); !backdrop.isEmpty()) {
            const int sourceId = backdrop.section('@', 0, 0).toInt();
            const QStringList at = backdrop.section('@', 1).split(',');
            const QImage source = Render(sourceId, scale);
            painter.drawImage(area, source,
                              QRectF(at.value(0).toInt() * scale, at.value(1).toInt() * scale,
                                     entry.size.width() * scale, entry.size.height() * scale));
        }

        if (entry.recipe == "svg")
            DrawSvg(painter, area, Argument(entry, 0));
        else if (entry.recipe == "button")
            DrawButton(painter, entry, option("glyph").toDouble(), option("font").toDouble(), scale);
        else if (entry.recipe == "digit")
            DrawDigit(painter, area, Argument(entry, 0));
        else
            Fail("unknown recipe " + entry.recipe);
        painter.end();

        if (const QString key = option("key"); !key.isEmpty())
            KeyOut(image, ParseColour(option("ground")), ParseColour(key));
        if (entry.kind == "bitmap")
            image = image.convertToFormat(QImage::Format_RGB32);
        m_cache.insert(cacheKey, image);
        return image;
    }

    const Entry& Find(int id) const
    {
        for (const Entry& entry : m_entries)
            if (entry.id == id)
                return entry;
        Fail(QStringLiteral("no picture %1").arg(id));
    }

private:
    static QString Argument(const Entry& entry, int index)
    {
        if (index >= entry.arguments.size())
            Fail(QStringLiteral("picture %1 needs more arguments").arg(entry.id));
        return entry.arguments[index];
    }

    void DrawSvg(QPainter& painter, const QRectF& area, const QString& file) const
    {
        QSvgRenderer svg(m_source + "/" + file);
        if (!svg.isValid())
            Fail("cannot read " + file);
        svg.render(&painter, area);
    }

    void DrawButton(QPainter& painter, const Entry& entry, qreal glyphSide, qreal fontSize, int scale) const
    {
        const Face face = FaceFor(Argument(entry, 1));
        const QRectF area(QPointF(0, 0), entry.size);
        const QRectF body = area.adjusted(0.5, 0.5, -0.5, -0.5);
        const qreal radius = qMin(area.width(), area.height()) < 22 ? 3 : 5;
        QLinearGradient fill(body.topLeft(), body.bottomLeft());
        fill.setColorAt(0, face.top);
        fill.setColorAt(1, face.bottom);
        painter.setPen(QPen(face.border, 1));
        painter.setBrush(fill);
        painter.drawRoundedRect(body, radius, radius);

        const QString content = Argument(entry, 0);
        const QPointF centre = area.center() + QPointF(face.shift, face.shift);
        if (content.startsWith("text:")) {
            QFont font("DejaVu Sans");
            font.setBold(true);
            font.setPixelSize(qRound(fontSize > 0 ? fontSize : 10));
            const QString word = content.mid(5);
            const qreal width = QFontMetricsF(font).horizontalAdvance(word);
            const qreal room = area.width() - 6;
            painter.save();
            painter.translate(centre);
            if (width > room)
                painter.scale(room / width, 1);  // a long word is narrowed, not cut
            painter.setFont(font);
            painter.setPen(face.ink);
            const QRectF box(-width / 2 - 1, -area.height() / 2, width + 2, area.height());
            painter.drawText(box, Qt::AlignCenter, word);
            painter.restore();
            return;
        }
        const qreal side = glyphSide > 0 ? glyphSide : qMin(area.width(), area.height()) * 0.62;
        const QRectF box(centre.x() - side / 2, centre.y() - side / 2, side, side);
        painter.drawImage(box, Glyph(content, face.ink, qRound(side * scale)));
    }

    // A glyph from glyphs/NAME.svg (drawn in any colour on transparent) painted in one ink.
    QImage Glyph(const QString& name, const QColor& ink, int pixels) const
    {
        QImage glyph(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
        glyph.fill(Qt::transparent);
        QPainter painter(&glyph);
        painter.setRenderHint(QPainter::Antialiasing);
        QSvgRenderer svg(m_source + "/glyphs/" + name + ".svg");
        if (!svg.isValid())
            Fail("cannot read glyph " + name);
        svg.render(&painter, QRectF(0, 0, pixels, pixels));
        painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        painter.fillRect(glyph.rect(), ink);
        return glyph;
    }

    // Seven-segment digits: lit segments orange, the others faintly visible, like a read-out's glass.
    static void DrawDigit(QPainter& painter, const QRectF& area, const QString& character)
    {
        const QColor lit(255, 165, 0);
        const QColor unlit(48, 44, 38);
        painter.setPen(Qt::NoPen);
        if (character == ".") {
            painter.setBrush(lit);
            painter.drawRoundedRect(QRectF(area.width() / 2 - 1.2, area.height() - 3.6, 2.4, 2.4), 0.6, 0.6);
            return;
        }
        // Segments a..g as bits 0..6.
        static const QHash<QString, int> patterns = {
            {"0", 0x3F}, {"1", 0x06}, {"2", 0x5B}, {"3", 0x4F}, {"4", 0x66},
            {"5", 0x6D}, {"6", 0x7D}, {"7", 0x07}, {"8", 0x7F}, {"9", 0x6F}, {"_", 0x00},
        };
        if (!patterns.contains(character))
            Fail("unknown digit " + character);
        const int lit_segments = patterns.value(character);
        const qreal left = 1.5, right = area.width() - 1.5, top = 1.5, bottom = area.height() - 1.5;
        const qreal middle = (top + bottom) / 2, t = 1.9, h = t / 2, gap = 0.35;
        const auto horizontal = [&](qreal y) {
            return QPolygonF({QPointF(left + gap, y), QPointF(left + h + gap, y - h), QPointF(right - h - gap, y - h),
                              QPointF(right - gap, y), QPointF(right - h - gap, y + h), QPointF(left + h + gap, y + h)});
        };
        const auto vertical = [&](qreal x, qreal from, qreal to) {
            return QPolygonF({QPointF(x, from + gap), QPointF(x + h, from + h + gap), QPointF(x + h, to - h - gap),
                              QPointF(x, to - gap), QPointF(x - h, to - h - gap), QPointF(x - h, from + h + gap)});
        };
        const QPolygonF segments[7] = {
            horizontal(top),          vertical(right, top, middle), vertical(right, middle, bottom),
            horizontal(bottom),       vertical(left, middle, bottom), vertical(left, top, middle),
            horizontal(middle),
        };
        for (int i = 0; i < 7; ++i) {
            painter.setBrush((lit_segments >> i) & 1 ? lit : unlit);
            painter.drawPolygon(segments[i]);
        }
    }

    static void KeyOut(QImage& image, const QColor& ground, const QColor& key)
    {
        const QRgb from = ground.rgb(), to = key.rgb();
        for (int y = 0; y < image.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x)
                if (line[x] == from)
                    line[x] = to;
        }
    }

    const QList<Entry>& m_entries;
    QString m_source;
    QHash<QString, QImage> m_cache;
};

}  // namespace

// Writes the ids as constants, one per picture, in table order.
void WriteHeader(const QList<Entry>& entries, const QString& path)
{
    QString text = "#pragma once\n\n// Generated by tessaro-skinrender from resources/skin/skin.table: the skin's pictures by name.\n"
                   "// The numbers are the resource archive's keys.\n\nnamespace SkinId {\n";
    QHash<QString, int> seen;
    for (const Entry& entry : entries) {
        if (seen.contains(entry.constant) && seen[entry.constant] != entry.id)
            Fail("two pictures named " + entry.constant);
        seen[entry.constant] = entry.id;
        text += QStringLiteral("inline constexpr int %1 = %2;  // %3 %4x%5\n")
                    .arg(entry.constant).arg(entry.id).arg(entry.kind).arg(entry.size.width()).arg(entry.size.height());
    }
    text += "}  // namespace SkinId\n";
    // Rewritten only when it changes, so the code that includes it is not rebuilt for a new picture recipe.
    QFile file(path);
    if (file.open(QIODevice::ReadOnly) && file.readAll() == text.toUtf8())
        return;
    file.close();
    QDir().mkpath(QFileInfo(path).absolutePath());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(text.toUtf8()) < 0)
        Fail("cannot write " + path);
}

int main(int argc, char** argv)
{
    if (argc == 4 && QByteArray(argv[1]) == "--header") {
        WriteHeader(ReadTable(QString::fromLocal8Bit(argv[2])), QString::fromLocal8Bit(argv[3]));
        return 0;
    }
    // Fonts need a GUI application; no display is needed to draw into images.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    if (argc != 4)
        Fail("usage: tessaro-skinrender <skin.table> <source folder> <output folder>");
    const QList<Entry> entries = ReadTable(QString::fromLocal8Bit(argv[1]));
    const QString source = QString::fromLocal8Bit(argv[2]);
    QDir output(QString::fromLocal8Bit(argv[3]));
    // Start clean, so a picture removed from the table leaves the archive too.
    for (const char* kind : {"bitmap", "icon", "png"}) {
        QDir(output.filePath(kind)).removeRecursively();
        output.mkpath(kind);
    }

    Renderer renderer(entries, source);
    QString list = "<!DOCTYPE RCC>\n<RCC version=\"1.0\">\n<qresource prefix=\"/\">\n";
    QSet<int> seen;
    for (const Entry& entry : entries) {
        const QString name = QStringLiteral("%1/%2").arg(entry.kind).arg(entry.id);
        // Ids are unique across kinds: backdrops refer to pictures by id alone.
        if (seen.contains(entry.id))
            Fail(QStringLiteral("picture %1 listed twice").arg(entry.id));
        seen.insert(entry.id);
        for (int scale : {1, 2}) {
            const QString file = name + (scale == 2 ? "@2x.png" : ".png");
            if (!renderer.Render(entry.id, scale).save(output.filePath(file)))
                Fail("cannot write " + file);
            list += QStringLiteral("  <file>%1</file>\n").arg(file);
        }
    }
    list += "</qresource>\n</RCC>\n";
    QFile qrc(output.filePath("CorvellResource.qrc"));
    if (!qrc.open(QIODevice::WriteOnly | QIODevice::Truncate) || qrc.write(list.toUtf8()) < 0)
        Fail("cannot write the resource list");
    std::printf("skinrender: %lld pictures\n", static_cast<long long>(entries.size()));
    return 0;
}
