#pragma once

#include "views/smithreadout.h"
#include "views/smithtrail.h"

#include <QColor>
#include <QImage>
#include <QLineF>
#include <QPainterPath>
#include <QPen>
#include <QVector>
#include <QWidget>

#include <cstddef>
#include <functional>
#include <vector>

class QGroupBox;
class QLabel;
class QPainter;

// A self-drawn Smith chart: one point trail ("line") per measured frequency,
// fed with impedances normalised to 50 ohm (r, x), drawn over a background
// of rings, scales and grid that is rendered once into a cached image. The
// newest point of each trail carries a cross, green near the matched
// centre; a pressed mouse button shows the impedance under the cursor.
// Window (chart) coordinates run from -512 to 511 on a centred square; the
// circle |Gamma| = 1 has radius 448 and y points down. The widget keeps the
// fixed 400 x 538 that the dialogs are laid out for, unless its owner makes
// it resizable.
// GUI thread only; owned by its Qt parent. It owns its trails and its
// read-out box.
class SmithChartV2 : public QWidget
{
    Q_OBJECT

public:
    // One line unless told otherwise, as forms build it.
    explicit SmithChartV2(QWidget* parent = nullptr, int lineCount = 1);

    // 448 times the reflection coefficient of r + jx, imaginary part negated.
    static QPointF chartPoint(double r, double x);
    // The centred square viewport that the chart's window maps onto.
    static QRect squareViewport(QSize size);

    // n lines (0 for a negative n), all empty. Colours already set stay;
    // new lines take the default colour of their index. Lines that stay keep
    // their storage for the points that will come.
    void setLineCount(int n);
    int lineCount() const { return static_cast<int>(m_lines.size()); }
    // The colour of a line; a line outside 0 .. count - 1 is ignored.
    void setLineColour(QColor colour, int line);
    QColor lineColour(int line) const;

    void addPoint(const double& r, const double& x, int line);
    void addHeldPoint(const double& r, const double& x, int line);
    // Adds (r, x) pairs without the point limit and without marking data.
    void addPoints(const QVector<QPointF>& impedances, int line);
    // The same for `count` pairs, the k-th of them impedanceAt(k): a batch
    // taken straight from where the caller keeps it, without a copy.
    void addPoints(size_t count, const std::function<QPointF(size_t)>& impedanceAt, int line);
    void clear();

    void setHoldPoints(bool on);
    void setSimpleChart(bool simple);
    void setPointLimit(int limit);
    void setSizeHint(int width, int height);
    void setPointMarkers(bool on);
    // Resizable, the size is left to the owner's layout and the chart is
    // drawn on the widget's centred square; the read-out reads a pixel where
    // it lies on that square. Not resizable (as built), every resize goes
    // back to the fixed size.
    void setResizable(bool resizable);
    bool isResizable() const { return m_resizable; }

    // Draws frame, scales, grid and every line on a painter whose viewport
    // the caller has set (image export).
    void render(QPainter& painter);

    QSize sizeHint() const override;

    // State, for the owners and tests.
    QVector<QPointF> points(int line) const;
    QVector<QPointF> heldPoints(int line) const;
    int pointLimit() const { return m_pointLimit; }
    bool isSimpleChart() const { return m_simpleChart; }
    bool isGridBuilt() const { return m_gridBuilt; }
    bool showsLine() const { return m_showLine; }
    bool showsAllData() const { return m_showAllData; }
    bool holdsPoints() const { return m_holdPoints; }
    bool pointMarkers() const { return m_pointMarkers; }
    bool hasData() const { return m_hasData; }
    const QPainterPath& majorGridPath() const { return m_majorGrid; }
    const QPainterPath& minorGridPath() const { return m_minorGrid; }
    bool isReadOutShown() const;
    QPoint readOutPosition() const;
    const SmithReadOut& readOut() const { return m_readOut; }
    double lastResistance() const { return m_lastResistance; }
    double lastReactance() const { return m_lastReactance; }
    // The reduced segments a repaint draws for a line's older points.
    const QVector<QLineF>& drawnSegments(int line) const;

signals:
    // The read-out box was shown.
    void changed();

public slots:
    void showLine(bool on = true);
    void showAllData(bool on = true);
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Line {
        SmithTrail trail;
        QVector<QPointF> held;
        QColor colour;
    };

    void buildReadOutBox();
    void buildGrid();
    void makeGridPens();
    void renderBackground();
    void drawBackground(QPainter& painter);
    void drawLines(QPainter& painter, bool forExport);
    void drawLine(QPainter& painter, const Line& line, const QVector<QLineF>& older);
    void drawCross(QPainter& painter, QPointF at);
    void updateReadOut(QPoint pixel);
    // The pixel of the fixed-size chart at the place of the chart that a
    // pixel of this one shows.
    QPoint onFixedChart(QPoint pixel) const;
    void fitReadOutBox();
    void keepTrailsAtWidgetScale();
    SmithTrail::PixelScale widgetPixelScale() const;
    static QColor defaultColour(int line);

    std::vector<Line> m_lines;
    int m_pointLimit = 0;
    bool m_simpleChart = false;
    bool m_gridBuilt = false;
    bool m_showLine = false;
    bool m_showAllData = false;
    bool m_holdPoints = false;
    bool m_pointMarkers = false;
    bool m_hasData = false;
    bool m_resizable = false;
    QPainterPath m_majorGrid;
    QPainterPath m_minorGrid;
    QImage m_background;
    QSize m_sizeHint{500, 500};
    QLineF m_crossStrokes[2];
    double m_lastResistance = 0.0;
    double m_lastReactance = 0.0;
    SmithReadOut m_readOut;

    QPen m_majorPen;
    QPen m_minorPen;
    QPen m_textPen;
    QPen m_segmentPen;
    QPen m_markerPen;

    QGroupBox* m_readOutBox = nullptr;
    QLabel* m_impedanceLabel = nullptr;
    QLabel* m_magnitudeLabel = nullptr;
    QLabel* m_gammaLabel = nullptr;
};
