// The G-sensor pane with generated recordings: what it plots, what its read-outs show, how it follows the
// session's messages, and what it does with the keyboard and the mouse.
#include "ui/graph/CGraphStatic.h"
#include "ui/graph/GyroscopeGraphControl.h"

#include "recording/AVIFileLoader.h"

#include "support/GroundTruth.h"
#include "support/LogCapture.h"
#include "support/SampleCard.h"
#include "support/TempDir.h"
#include "support/qt/SkinTestSupport.h"

#include <QAction>
#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QTest>

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <filesystem>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Axis = GyroscopeGraphControl::Axis;

constexpr int kWaitMs = 10000;
// The size the player pane gives the graph pane; the plot control becomes 759 x 95.
constexpr QSize kPaneSize(770, 135);
constexpr int kCentreRow = 46;
constexpr int kPlotWidth = 745;
const auto& kAxisColors = GyroscopeGraphControl::kAxisColors;

// Registered after the pane, it sees every message after the pane has: once it has seen a marker, the pane
// has handled everything posted before it.
class DeliveryMarker final : public IListener {
public:
    explicit DeliveryMarker(PlaybackSession& session) : m_session(session) { m_session.AddListener(this); }
    ~DeliveryMarker() override { m_session.RemoveListener(this); }
    DeliveryMarker(const DeliveryMarker&) = delete;
    DeliveryMarker& operator=(const DeliveryMarker&) = delete;

    void update(int32_t message, MessageParam* param) override
    {
        if (message == kMarker && param)
            m_seen = param->index;
    }

    // Waits until every message posted so far has been handled, then runs the widget changes it queued.
    bool Sync()
    {
        const int marker = ++m_posted;
        auto param = std::make_unique<MessageParam>();
        param->index = marker;
        m_session.Post(kMarker, std::move(param));
        const bool seen = QTest::qWaitFor([&] { return m_seen.load() == marker; }, kWaitMs);
        QCoreApplication::processEvents();
        return seen;
    }

private:
    static constexpr int32_t kMarker = VIDEO_LIST_UPDATE;  // one the pane ignores
    PlaybackSession& m_session;
    std::atomic<int> m_seen{0};
    int m_posted = 0;
};

// A session with the pane, shown at the player pane's size.
struct GraphRig {
    GraphRig()
    {
        pane.resize(kPaneSize);
        pane.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&pane));
    }

    // Makes the recording at path the only one, reads its metadata and tells the pane.
    void Open(const std::string& path)
    {
        std::vector<std::unique_ptr<RecordingItem>> list;
        list.push_back(std::make_unique<RecordingItem>(DateTime{}, Event, path, fs::path(path).filename().string()));
        session.SetRecordings(std::move(list));
        session.LoadCurrentMetadata();
        Post(VIDEO_METADATA_CREATED);
    }
    void Post(int32_t message, float position = 0.0f)
    {
        auto param = std::make_unique<MessageParam>();
        param->position = position;
        session.Post(message, std::move(param));
    }
    std::vector<QString> Texts() const
    {
        return {pane.Value(Axis::X)->text(), pane.Value(Axis::Y)->text(), pane.Value(Axis::Z)->text()};
    }
    CGraphStatic& Graph() { return *pane.Graph(); }

    PlaybackSession session;
    GyroscopeGraphControl pane{nullptr, session};
    DeliveryMarker delivered{session};
};

const std::vector<QString> kDashes{"-", "-", "-"};

double AxisValue(const TruthGSensor& sample, int axis)
{
    return axis == Axis::X ? sample.x : axis == Axis::Y ? sample.y : sample.z;
}

std::vector<QString> TextsOf(const TruthGSensor& sample)
{
    return {GyroscopeGraphControl::ValueText(sample.x), GyroscopeGraphControl::ValueText(sample.y),
            GyroscopeGraphControl::ValueText(sample.z)};
}

// The column sample i of count is drawn in.
int Column(int i, int count)
{
    return CGraphStatic::kFirstColumn + static_cast<int>(i * static_cast<double>(kPlotWidth) / count);
}

bool HasColourNear(const QImage& image, int x, int y, const QColor& colour)
{
    for (int row = y - 1; row <= y + 1; ++row)
        if (image.valid(x, row) && image.pixelColor(x, row) == colour)
            return true;
    return false;
}

int CountInRow(const QImage& image, int row, const QColor& colour, int from, int to)
{
    int count = 0;
    for (int x = from; x <= to; ++x)
        count += image.pixelColor(x, row) == colour;
    return count;
}

int CountLabelPixels(const QImage& image, const QRect& area)
{
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            count += image.pixelColor(x, y).red() > 100 && image.pixelColor(x, y).blue() > 100;
    return count;
}

// Draws only the series of one axis.
QImage DrawAlone(CGraphStatic& graph, int axis)
{
    for (std::size_t i = 0; i < graph.Series().size(); ++i)
        graph.Series()[i]->visible = static_cast<int>(i) == axis;
    graph.Draw();
    return graph.Image();
}

std::vector<GSensorSample> Flat(int count, double g)
{
    return std::vector<GSensorSample>(static_cast<std::size_t>(count), GSensorSample{g, g, g});
}

class GSensorGraphTest : public ::testing::Test {
protected:
    // One 20 s event recording (180 samples, an impact in the middle) for every test.
    static void SetUpTestSuite()
    {
        s_dir = new TempDir;
        s_recording = MakeRecording(s_dir->path(), {"--seconds", "20", "--kind", "EVT", "--seed", "3"},
                                    "EVT_20120820_153012_F.avi");
        s_truth = new GroundTruth(LoadGroundTruth(s_recording));
    }
    static void TearDownTestSuite()
    {
        delete s_truth;
        delete s_dir;
    }

    static TempDir* s_dir;
    static std::string s_recording;
    static GroundTruth* s_truth;
};

TempDir* GSensorGraphTest::s_dir = nullptr;
std::string GSensorGraphTest::s_recording;
GroundTruth* GSensorGraphTest::s_truth = nullptr;

TEST_F(GSensorGraphTest, PaneLayoutColoursAndLog)
{
    TempDir logDir;
    ScopedCurrentPath cwd(logDir.path());
    LogCapture log(logDir.path());
    GraphRig rig;
    EXPECT_EQ(log.Count("GyroscopeGraphControl", "GyroscopeGraphControl", "create"), 1);
    EXPECT_EQ(log.Count("GyroscopeGraphControl", "GyroscopeGraphControl", "Init"), 1);

    EXPECT_EQ(rig.Graph().geometry(), QRect(0, 0, 759, 95));
    EXPECT_EQ(rig.Graph().YRange(), 5.0);
    EXPECT_EQ(rig.Graph().Image().size(), QSize(759, 95));
    const char* captions[] = {"X :", "Y :", "Z :"};
    for (int axis = Axis::X; axis <= Axis::Z; ++axis) {
        SCOPED_TRACE(axis);
        QLabel* caption = rig.pane.Caption(Axis(axis));
        QLabel* value = rig.pane.Value(Axis(axis));
        EXPECT_EQ(caption->text(), captions[axis]);
        EXPECT_EQ(value->text(), "-");
        EXPECT_EQ(caption->geometry(), QRect(20 + 150 * axis, 105, 60, 15));
        EXPECT_EQ(value->geometry(), QRect(50 + 150 * axis, 105, 60, 15));
        EXPECT_TRUE(value->alignment() & Qt::AlignRight);
        EXPECT_EQ(caption->palette().color(QPalette::WindowText), kAxisColors[axis]);
        EXPECT_EQ(value->palette().color(QPalette::WindowText), kAxisColors[axis]);
        EXPECT_LE(QFontMetrics(value->font()).horizontalAdvance("-3.750000"), 60);
    }
    EXPECT_EQ(rig.pane.focusPolicy(), Qt::NoFocus);

    // A larger pane moves the texts with the bottom edge and gives the plot the rest.
    rig.pane.resize(900, 200);
    QCoreApplication::processEvents();
    EXPECT_EQ(rig.Graph().geometry(), QRect(0, 0, 889, 160));
    EXPECT_EQ(rig.Graph().Image().size(), QSize(889, 160));
    EXPECT_EQ(rig.pane.Value(Axis::Z)->geometry(), QRect(350, 170, 60, 15));

    // Black all over where nothing is drawn.
    const QImage shot = Shot(rig.pane);
    EXPECT_EQ(shot.pixelColor(850, 185), QColor(Qt::black));
    EXPECT_EQ(shot.pixelColor(895, 50), QColor(Qt::black));

    // Too small for a plot, or for a grid: nothing to draw into, nothing goes wrong.
    for (QSize tiny : {QSize(5, 5), QSize(30, 44), QSize(11, 40)}) {
        rig.pane.resize(tiny);
        QCoreApplication::processEvents();
        rig.pane.ShowRecordingGraph(std::vector<GSensorSample>(50, GSensorSample{1.0, -1.0, 0.5}));
        rig.Graph().repaint();
    }
}

TEST_F(GSensorGraphTest, EventRecordingPlotsTheWholeTraceOfEachAxis)
{
    GraphRig rig;
    rig.Open(s_recording);
    ASSERT_TRUE(rig.delivered.Sync());
    CGraphStatic& graph = rig.Graph();
    const std::vector<TruthGSensor>& truth = s_truth->gsensor;
    ASSERT_EQ(truth.size(), 180u);
    const int count = static_cast<int>(truth.size());

    ASSERT_EQ(graph.Series().size(), 3u);
    for (int axis = Axis::X; axis <= Axis::Z; ++axis) {
        const GraphSeries& series = *graph.Series()[static_cast<std::size_t>(axis)];
        EXPECT_EQ(series.color, kAxisColors[axis]);
        EXPECT_EQ(series.penWidth, 1);
        ASSERT_EQ(series.values.size(), truth.size());
        for (int i = 0; i < count; ++i)
            ASSERT_EQ(series.values[static_cast<std::size_t>(i)], AxisValue(truth[static_cast<std::size_t>(i)], axis))
                << "axis " << axis << " sample " << i;
    }

    // 95 pixels span 5 g: 1 g is 19 pixels; upward the offset stops at the plot's 91 pixels.
    const struct {
        double g;
        int offset;
    } scale[] = {{0, 0}, {1, 19}, {-1, -19}, {0.5, 9}, {-0.5, -9}, {3, 57}, {-3, -57}, {-3.75, -71},
                 {4.78, 90}, {4.8, 91}, {10, 91}, {-10, -190}, {std::numeric_limits<double>::quiet_NaN(), 0}};
    for (const auto& [g, offset] : scale)
        EXPECT_EQ(graph.Offset(g), offset) << g << " g";

    // Each line drawn alone: its points sit where their values say.
    const int impact = s_truth->impactSample;
    ASSERT_GT(impact, 0);
    for (int axis = Axis::X; axis <= Axis::Z; ++axis) {
        const QImage image = DrawAlone(graph, axis);
        for (int i : {0, 17, 50, 101, 150, impact + 3, 179}) {
            const int row = kCentreRow - graph.Offset(AxisValue(truth[static_cast<std::size_t>(i)], axis));
            EXPECT_TRUE(HasColourNear(image, Column(i, count), row, kAxisColors[axis]))
                << "axis " << axis << " sample " << i << " at " << Column(i, count) << "," << row;
        }
    }

    // The jolt backwards at the impact (-3.75 g, 71 pixels below the centre) runs the X line off the
    // bottom edge.
    ASSERT_EQ(truth[static_cast<std::size_t>(impact)].x, -3.75);
    const QImage xAlone = DrawAlone(graph, Axis::X);
    EXPECT_GT(CountInRow(xAlone, 94, kAxisColors[Axis::X], Column(impact - 1, count), Column(impact, count)), 0);

    // The grid: solid lines at both ends of the plot, dotted rows at 68, 45 and 22.
    for (const auto& series : graph.Series())
        series->visible = false;
    graph.Draw();
    const QImage grid = graph.Image();
    for (int y = 2; y <= 92; ++y) {
        ASSERT_EQ(grid.pixelColor(12, y), CGraphStatic::kGridColor) << y;
        ASSERT_EQ(grid.pixelColor(758, y), CGraphStatic::kGridColor) << y;
    }
    for (int row : {68, 45, 22}) {
        EXPECT_GT(CountInRow(grid, row, CGraphStatic::kGridColor, 17, 757), 300) << row;
        EXPECT_LT(CountInRow(grid, row + 1, CGraphStatic::kGridColor, 17, 757), 20) << row + 1;
    }
    // The labels 2, 0 and -2 left of the plot, each below its top.
    for (int top : {2, 41, 83})
        EXPECT_GT(CountLabelPixels(grid, QRect(0, top, 11, 10)), 0) << "label at " << top;
}

TEST_F(GSensorGraphTest, ReadOutsShowTheSampleNearestThePosition)
{
    GraphRig rig;
    rig.Open(s_recording);
    ASSERT_TRUE(rig.delivered.Sync());
    const std::vector<TruthGSensor>& truth = s_truth->gsensor;
    const int duration = rig.session.GetCurrentRecording()->duration;
    ASSERT_EQ(duration, s_truth->durationSeconds);
    // Sample i plays at (i + 1) * duration / count; the nearest one to t is shown (the earlier on a tie).
    const auto nearest = [&](float t) {
        std::size_t best = 0;
        for (std::size_t i = 1; i < truth.size(); ++i) {
            const double time = static_cast<double>(i + 1) * duration / static_cast<double>(truth.size());
            const double bestTime = static_cast<double>(best + 1) * duration / static_cast<double>(truth.size());
            if (std::fabs(time - t) < std::fabs(bestTime - t))
                best = i;
        }
        return truth[best];
    };

    const float nan = std::numeric_limits<float>::quiet_NaN();
    const struct {
        float position;
        float readAs;  // where a position outside 0..1 reads
    } positions[] = {{0.0f, 0.0f}, {0.506f, 0.506f}, {1.0f, 1.0f}, {0.25f, 0.25f},
                     {nan, 0.0f},  {-1.0f, 0.0f},     {2.0f, 1.0f}, {0.75f, 0.75f}};
    for (const auto& [position, readAs] : positions) {
        rig.Post(VIDEO_FRAME_POSITION_CHANGED, position);
        ASSERT_TRUE(rig.delivered.Sync());
        EXPECT_EQ(rig.Texts(), TextsOf(nearest(static_cast<float>(duration) * readAs))) << "position " << position;
    }

    // At the impact the read-out shows the jolt whole, three spaces first.
    const float atImpact = static_cast<float>(s_truth->impactSample + 1) / static_cast<float>(truth.size());
    rig.Post(VIDEO_FRAME_POSITION_CHANGED, atImpact);
    ASSERT_TRUE(rig.delivered.Sync());
    EXPECT_EQ(rig.pane.Value(Axis::X)->text(), "   -3.750000");

    // No sample for the time (a time list longer than the samples): the texts stay.
    const std::vector<QString> before = rig.Texts();
    rig.session.GetCurrentRecording()->gSensorSamples.pop_back();
    rig.Post(VIDEO_FRAME_POSITION_CHANGED, 0.1f);
    ASSERT_TRUE(rig.delivered.Sync());
    EXPECT_EQ(rig.Texts(), before);

    // No current recording: neither a position nor new metadata changes anything.
    const QImage plotted = rig.Graph().Image();
    rig.session.currentIndex = 5;
    rig.Post(VIDEO_FRAME_POSITION_CHANGED, 0.3f);
    rig.Post(VIDEO_METADATA_CREATED);
    rig.session.currentIndex = -1;
    rig.Post(VIDEO_METADATA_CREATED);
    ASSERT_TRUE(rig.delivered.Sync());
    EXPECT_EQ(rig.Texts(), before);
    EXPECT_EQ(rig.Graph().Series().size(), 3u);
    EXPECT_EQ(rig.Graph().Image(), plotted);
}

// The cursor stands on the trace where the sample the read-outs show is drawn, and follows each position;
// it is drawn over the plot, which stays as it was.
TEST_F(GSensorGraphTest, TheCursorMarksTheSampleTheReadOutsShow)
{
    GraphRig rig;
    rig.Open(s_recording);
    ASSERT_TRUE(rig.delivered.Sync());
    EXPECT_FALSE(rig.Graph().CursorColumn()) << "no cursor before a position";
    const QImage plotted = rig.Graph().Image();
    const std::vector<TruthGSensor>& truth = s_truth->gsensor;
    const int count = static_cast<int>(truth.size());
    const int plotTop = rig.Graph().PlotRect().top, plotBottom = rig.Graph().PlotRect().bottom;
    // The rows of a column painted in the cursor's colour.
    const auto cursorRows = [&](int column) {
        const QImage shown = rig.Graph().grab().toImage();
        int rows = 0;
        for (int y = 0; y < shown.height(); ++y)
            rows += shown.pixelColor(column, y) == CGraphStatic::kCursorColor;
        return rows;
    };

    int previous = -1;
    for (const float position : {0.25f, 0.506f, 0.0f, 1.0f}) {
        SCOPED_TRACE(position);
        rig.Post(VIDEO_FRAME_POSITION_CHANGED, position);
        ASSERT_TRUE(rig.delivered.Sync());
        // The sample for the position: the read-outs show it, the cursor stands where it is drawn.
        const RecordingItem& item = *rig.session.GetCurrentRecording();
        const std::optional<std::size_t> sample =
            GetGSensorSampleIndexAt(item, static_cast<float>(item.duration) * position);
        ASSERT_TRUE(sample);
        EXPECT_EQ(rig.Texts(), TextsOf(truth[*sample]));
        const std::optional<int> column = rig.Graph().CursorColumn();
        ASSERT_TRUE(column);
        EXPECT_EQ(*column, Column(static_cast<int>(*sample), count));
        EXPECT_EQ(cursorRows(*column), plotBottom - plotTop) << "a line over the plot's height";
        if (previous >= 0 && previous != *column) {
            EXPECT_EQ(cursorRows(previous), 0) << "the cursor left column " << previous;
        }
        previous = *column;
        EXPECT_EQ(rig.Graph().Image(), plotted) << "the trace is not redrawn for a position";
    }

    // The end of the recording takes the cursor away with the read-outs; so do a stop and a new recording.
    rig.Post(VIDEO_END_REACHED);
    ASSERT_TRUE(rig.delivered.Sync());
    EXPECT_FALSE(rig.Graph().CursorColumn());
    EXPECT_EQ(cursorRows(previous), 0);
    rig.Post(VIDEO_FRAME_POSITION_CHANGED, 0.5f);
    ASSERT_TRUE(rig.delivered.Sync());
    ASSERT_TRUE(rig.Graph().CursorColumn());
    rig.Post(VIDEO_METADATA_CREATED);
    ASSERT_TRUE(rig.delivered.Sync());
    EXPECT_FALSE(rig.Graph().CursorColumn());
    rig.Post(VIDEO_FRAME_POSITION_CHANGED, 0.5f);
    rig.Post(VIDEO_STOP);
    ASSERT_TRUE(rig.delivered.Sync());
    EXPECT_FALSE(rig.Graph().CursorColumn());
}

TEST_F(GSensorGraphTest, EndKeepsThePlotAndStopClearsIt)
{
    GraphRig rig;
    const QImage empty = rig.Graph().Image();
    rig.Open(s_recording);
    rig.Post(VIDEO_FRAME_POSITION_CHANGED, 0.5f);
    ASSERT_TRUE(rig.delivered.Sync());
    const QImage plotted = rig.Graph().Image();
    EXPECT_NE(plotted, empty);
    EXPECT_NE(rig.Texts(), kDashes);

    rig.Post(VIDEO_END_REACHED);
    ASSERT_TRUE(rig.delivered.Sync());
    EXPECT_EQ(rig.Texts(), kDashes);
    EXPECT_EQ(rig.Graph().Series().size(), 3u);
    EXPECT_EQ(rig.Graph().Image(), plotted);

    rig.Post(VIDEO_STOP);
    ASSERT_TRUE(rig.delivered.Sync());
    EXPECT_EQ(rig.Texts(), kDashes);
    EXPECT_TRUE(rig.Graph().Series().empty());
    EXPECT_EQ(rig.Graph().Image(), empty);

    // Handled in posting order: metadata then a stop ends empty.
    rig.Post(VIDEO_METADATA_CREATED);
    rig.Post(VIDEO_STOP);
    ASSERT_TRUE(rig.delivered.Sync());
    EXPECT_EQ(rig.Graph().Image(), empty);

    // The player pane may clear the graph from the dispatch thread.
    rig.Post(VIDEO_METADATA_CREATED);
    rig.Post(VIDEO_FRAME_POSITION_CHANGED, 0.5f);
    ASSERT_TRUE(rig.delivered.Sync());
    ASSERT_EQ(rig.Graph().Image(), plotted);
    std::thread([&] { static_cast<IGSensorGraph&>(rig.pane).ClearGraph(); }).join();
    QCoreApplication::processEvents();
    EXPECT_EQ(rig.Graph().Image(), empty);
    EXPECT_EQ(rig.Texts(), kDashes);

    // A recording whose file is gone has no samples: an empty graph and dashes, no message.
    rig.Post(VIDEO_METADATA_CREATED);
    rig.Post(VIDEO_FRAME_POSITION_CHANGED, 0.5f);
    ASSERT_TRUE(rig.delivered.Sync());
    ASSERT_EQ(rig.Graph().Image(), plotted);
    rig.Open((s_dir->path() / "EVT_20120820_160000_F.avi").string());
    ASSERT_TRUE(rig.delivered.Sync());
    EXPECT_TRUE(rig.Graph().Series().empty());
    EXPECT_EQ(rig.Graph().Image(), empty);
    EXPECT_EQ(rig.Texts(), kDashes);
}

TEST_F(GSensorGraphTest, SyntheticTraces)
{
    GraphRig rig;
    CGraphStatic& graph = rig.Graph();
    const QImage empty = graph.Image();
    const QColor& z = kAxisColors[Axis::Z];
    const auto seriesPixelsOffRow = [&](int row) {
        int count = 0;
        for (int y = 0; y < graph.Image().height(); ++y)
            for (int x = 0; x < graph.Image().width(); ++x)
                if (y != row)
                    for (const QColor& colour : kAxisColors)
                        count += graph.Image().pixelColor(x, y) == colour;
        return count;
    };

    {
        SCOPED_TRACE("one sample: no segment");
        rig.pane.ShowRecordingGraph(Flat(1, 1.0));
        ASSERT_EQ(graph.Series().size(), 3u);
        EXPECT_EQ(graph.Series()[0]->values.size(), 1u);
        EXPECT_EQ(graph.Image(), empty);
    }
    {
        SCOPED_TRACE("all zeros: on the centre row, Z on top");
        rig.pane.ShowRecordingGraph(Flat(100, 0.0));
        EXPECT_EQ(CountInRow(graph.Image(), kCentreRow, z, 13, Column(99, 100)), Column(99, 100) - 13 + 1);
        EXPECT_EQ(seriesPixelsOffRow(kCentreRow), 0);
    }
    {
        SCOPED_TRACE("10,000 samples, 0 at each column's first: only the first of a column is drawn");
        std::vector<GSensorSample> samples;
        for (int i = 0; i < 10000; ++i) {
            const bool first = i == 0 || Column(i, 10000) != Column(i - 1, 10000);
            const double g = first ? 0.0 : (i % 2 ? 2.0 : -2.0);
            samples.push_back({g, g, g});
        }
        rig.pane.ShowRecordingGraph(samples);
        EXPECT_EQ(graph.Series()[2]->values.size(), 10000u);
        EXPECT_EQ(seriesPixelsOffRow(kCentreRow), 0);
        EXPECT_EQ(CountInRow(graph.Image(), kCentreRow, z, 13, 757), 757 - 13 + 1);
    }
    {
        SCOPED_TRACE("2,700 samples, the first 100 at +1 g: raised at the left only");
        std::vector<GSensorSample> samples = Flat(2700, 0.0);
        for (int i = 0; i < 100; ++i)
            samples[static_cast<std::size_t>(i)] = {1.0, 1.0, 1.0};
        rig.pane.ShowRecordingGraph(samples);
        const int raisedRow = kCentreRow - 19;
        const int raisedEnd = Column(99, 2700);  // column 40
        EXPECT_EQ(CountInRow(graph.Image(), raisedRow, z, 13, raisedEnd), raisedEnd - 13 + 1);
        EXPECT_EQ(CountInRow(graph.Image(), raisedRow, z, raisedEnd + 2, 758), 0);
        EXPECT_EQ(CountInRow(graph.Image(), kCentreRow, z, raisedEnd + 2, 757), 757 - raisedEnd - 2 + 1);
    }
    {
        SCOPED_TRACE("no samples: empty and dashes");
        rig.Post(VIDEO_FRAME_POSITION_CHANGED, 0.5f);  // no current recording: nothing
        ASSERT_TRUE(rig.delivered.Sync());
        rig.pane.ShowRecordingGraph({});
        EXPECT_TRUE(graph.Series().empty());
        EXPECT_EQ(graph.Image(), empty);
        EXPECT_EQ(rig.Texts(), kDashes);
    }
}

TEST_F(GSensorGraphTest, KeysBelongToTheWindow)
{
    class HostWindow : public QWidget {
    public:
        int keys = 0;

    protected:
        void keyPressEvent(QKeyEvent*) override { ++keys; }
    };

    PlaybackSession session;
    HostWindow host;
    host.resize(800, 200);
    host.setFocusPolicy(Qt::StrongFocus);
    auto* pane = new GyroscopeGraphControl(&host, session);
    pane->setGeometry(QRect(QPoint(0, 0), kPaneSize));
    int fired = 0;
    auto* shortcut = new QAction(&host);
    shortcut->setShortcut(QKeySequence(Qt::Key_Space));
    host.addAction(shortcut);
    QObject::connect(shortcut, &QAction::triggered, [&] { ++fired; });
    ASSERT_TRUE(ShowAndWait(host));
    host.setFocus();

    WindowMouse::Press(pane, {300, 50});
    WindowMouse::Release(pane, {300, 50});
    EXPECT_NE(QApplication::focusWidget(), pane);
    QTest::keyClick(host.windowHandle(), Qt::Key_Space);
    EXPECT_EQ(fired, 1);

    QTest::keyClick(pane, Qt::Key_A);
    QTest::keyClick(pane, Qt::Key_Return);
    EXPECT_EQ(host.keys, 0);
    EXPECT_EQ(fired, 1);
}

// Leaves a picture of the pane at the impact of a minute-long event recording in the build folder.
TEST_F(GSensorGraphTest, Screenshot)
{
    TempDir dir;
    const std::string recording =
        MakeRecording(dir.path(), {"--seconds", "60", "--kind", "EVT", "--seed", "11"}, "EVT_20120820_170000_F.avi");
    const GroundTruth truth = LoadGroundTruth(recording);
    GraphRig rig;
    rig.Open(recording);
    rig.Post(VIDEO_FRAME_POSITION_CHANGED,
             static_cast<float>(truth.impactSample + 1) / static_cast<float>(truth.gsensor.size()));
    ASSERT_TRUE(rig.delivered.Sync());
    EXPECT_EQ(rig.pane.Value(Axis::X)->text(), "   -3.750000");

    const QImage shot = Shot(rig.pane);
    EXPECT_EQ(shot.size(), kPaneSize);
    ASSERT_TRUE(shot.save(TESSARO_BUILD_DIR "/graph-screenshot.png"));
}

}  // namespace
