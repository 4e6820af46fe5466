#pragma once

// The plot of the G-sensor pane: a few series, each drawn over the plot's whole width into an off-screen
// image. Only Draw() and DrawEmpty() draw; painting copies the image, so a repaint costs the same however
// long the recording is.
//
// Values are kept in g and scaled when drawn: a series of any length keeps all its values, and a change of
// height scales them anew.
//
// User-interface thread only.

#include <QColor>
#include <QFont>
#include <QImage>
#include <QWidget>

#include <cstddef>
#include <memory>
#include <optional>
#include <vector>

// One plotted line.
struct GraphSeries {
    QColor color;
    bool visible = true;  // a hidden series is left out of the drawing
    int penWidth = 1;
    std::vector<double> values;  // in g, in the order added; sample i sits at i / count of the width
};

// A rectangle by its edges, as the drawing counts them: right and bottom lie just outside it.
struct GraphEdges {
    int left = 0, top = 0, right = 0, bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
};

class CGraphStatic : public QWidget {
    Q_OBJECT
public:
    static constexpr QColor kBackColor{0, 0, 0};
    static constexpr QColor kGridColor{100, 100, 100};
    static constexpr QColor kLabelColor{200, 200, 200};
    static constexpr QColor kCursorColor{255, 255, 255};
    // Every series starts in this column, one right of the plot's left line.
    static constexpr int kFirstColumn = 13;

    explicit CGraphStatic(QWidget* parent = nullptr);
    ~CGraphStatic() override;

    // A new, visible series, drawn after those added before it.
    GraphSeries* AddSeries(const QColor& color, double penWidth);
    // Appends a value in g; a series that is not this graph's is left alone.
    void AddPoint(GraphSeries* series, double value);
    // Removes the series and the cursor.
    void RemoveAllSeries();
    const std::vector<std::unique_ptr<GraphSeries>>& Series() const { return m_series; }

    // Background, grid, labels and every visible series into the image, then a repaint.
    void Draw();
    // Background, grid and labels only, then a repaint.
    void DrawEmpty();
    // Takes the widget's current size: new geometry and a new (empty) image. Draw afterwards.
    void Resize();

    // Puts the cursor on sample index of the series (none: no cursor). It stands in the column where that
    // sample is drawn.
    void SetCursor(std::optional<std::size_t> index);
    // The cursor's column, or none when no cursor shows.
    std::optional<int> CursorColumn() const;

    // The g value that spans the client height (the labels stay at 2, 0 and -2 whatever it is).
    void SetYRange(double range) { m_yRange = range; }
    double YRange() const { return m_yRange; }
    // How far above the centre line a value is drawn, in pixels: upward it stops at the plot's height,
    // downward the image clips the line.
    int Offset(double g) const;

    const GraphEdges& PlotRect() const { return m_plotRect; }
    const GraphEdges& LabelRect() const { return m_labelRect; }
    const QImage& Image() const { return m_image; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void UpdateGeometry();
    void DrawBackground(QPainter& painter);
    void DrawGrid(QPainter& painter);
    void DrawLabels(QPainter& painter);
    void DrawSeries(QPainter& painter, const GraphSeries& series);
    // The column where sample i of count is drawn.
    int ColumnOf(std::size_t i, std::size_t count) const;
    void UpdateColumn(std::optional<int> column);

    std::vector<std::unique_ptr<GraphSeries>> m_series;
    std::vector<std::vector<double>> m_spareValues;  // emptied buffers of removed series
    QImage m_image;
    QColor m_backColor = kBackColor;
    QColor m_gridColor = kGridColor;
    QFont m_labelFont;
    GraphEdges m_clientRect;
    GraphEdges m_labelRect;
    GraphEdges m_plotRect;
    std::optional<std::size_t> m_cursor;
    double m_yRange = 3.0;
    double m_width = 0.0;
    double m_height = 0.0;
};
