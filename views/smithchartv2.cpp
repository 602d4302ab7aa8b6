#include "views/smithchartv2.h"

#include "views/smithgrid.h"

#include <QGroupBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

constexpr int fixedWidth = 400;
constexpr int fixedHeight = 538;
const QRect chartWindow(-512, -512, 1024, 1024);
constexpr double chartRadius = 448.0;
// Segments older than these newest ones show only with "show all data".
constexpr int recentSegments = 10;
constexpr double crossHalfLength = 15.0;
// A cross inside this distance of the centre on both axes is green.
constexpr double matchedHalfWidth = 25.0;

QPen chartPen(QColor colour, double width, Qt::PenCapStyle cap = Qt::SquareCap)
{
    return QPen(QBrush(colour), width, Qt::SolidLine, cap, Qt::BevelJoin);
}

} // namespace

SmithChartV2::SmithChartV2(QWidget* parent, int lineCount)
    : QWidget(parent)
    , m_segmentPen(chartPen(QColor(255, 255, 0), 10))
    , m_markerPen(chartPen(QColor(255, 255, 0), 15, Qt::RoundCap))
{
    QPalette background = palette();
    background.setColor(QPalette::All, QPalette::Window, Qt::white);
    setPalette(background);
    setAutoFillBackground(true);
    buildReadOutBox();
    setFixedSize(fixedWidth, fixedHeight);
    setLineCount(lineCount);
}

void SmithChartV2::buildReadOutBox()
{
    m_readOutBox = new QGroupBox(this);
    // Sized to its lines at each read-out (fitReadOutBox); this is only the
    // size before the first.
    m_readOutBox->setFixedSize(135, 80);
    m_readOutBox->setStyleSheet(QStringLiteral("background-color:white;"));
    auto* layout = new QVBoxLayout(m_readOutBox);
    m_impedanceLabel = new QLabel(m_readOutBox);
    m_impedanceLabel->setStyleSheet(QStringLiteral("color:green"));
    m_magnitudeLabel = new QLabel(m_readOutBox);
    m_magnitudeLabel->setStyleSheet(QStringLiteral("color:blue"));
    m_gammaLabel = new QLabel(m_readOutBox);
    m_gammaLabel->setStyleSheet(QStringLiteral("color:red"));
    layout->addWidget(m_impedanceLabel);
    layout->addWidget(m_magnitudeLabel);
    layout->addWidget(m_gammaLabel);
    m_readOutBox->hide();
}

QPointF SmithChartV2::chartPoint(double r, double x)
{
    const double d = (r + 1) * (r + 1) + x * x;
    return QPointF(chartRadius * (r * r + x * x - 1) / d, -chartRadius * (2 * x) / d);
}

QRect SmithChartV2::squareViewport(QSize size)
{
    const int side = std::min(size.width(), size.height());
    return QRect((size.width() - side) / 2, (size.height() - side) / 2, side, side);
}

QColor SmithChartV2::defaultColour(int line)
{
    static const QColor defaults[] = {QColor(0, 0, 0),    QColor(255, 0, 0),   QColor(255, 255, 0),
                                      QColor(0, 0, 255),  QColor(0, 255, 255), QColor(0, 255, 0),
                                      QColor(255, 0, 255)};
    return defaults[line % 7];
}

SmithTrail::PixelScale SmithChartV2::widgetPixelScale() const
{
    const QRect viewport = squareViewport(size());
    const double scale = viewport.width() / double(chartWindow.width());
    return {scale, QPointF(viewport.left() - chartWindow.left() * scale,
                           viewport.top() - chartWindow.top() * scale)};
}

void SmithChartV2::setLineCount(int n)
{
    const size_t count = static_cast<size_t>(std::max(0, n));
    const size_t kept = std::min(count, m_lines.size());
    const SmithTrail::PixelScale pixels = widgetPixelScale();
    std::vector<Line> lines(count);
    std::move(m_lines.begin(), m_lines.begin() + static_cast<std::ptrdiff_t>(kept), lines.begin());
    m_lines = std::move(lines);
    for (size_t i = 0; i < count; ++i) {
        Line& line = m_lines[i];
        line.trail.clear();
        line.trail.setPixelScale(pixels);
        line.held.clear();
        if (i >= kept)
            line.colour = defaultColour(static_cast<int>(i));
    }
}

void SmithChartV2::setLineColour(QColor colour, int line)
{
    if (line < 0 || line >= lineCount())
        return;
    m_lines[static_cast<size_t>(line)].colour = colour;
}

QColor SmithChartV2::lineColour(int line) const
{
    if (line < 0 || line >= lineCount())
        return QColor();
    return m_lines[static_cast<size_t>(line)].colour;
}

void SmithChartV2::addPoint(const double& r, const double& x, int line)
{
    if (line < 0 || line >= lineCount())
        return;
    SmithTrail& trail = m_lines[static_cast<size_t>(line)].trail;
    trail.append(chartPoint(r, x));
    m_hasData = true;
    trail.trimTo(m_pointLimit);
    update();
}

void SmithChartV2::addHeldPoint(const double& r, const double& x, int line)
{
    if (line < 0 || line >= lineCount())
        return;
    m_lines[static_cast<size_t>(line)].held.append(chartPoint(r, x));
    update();
}

void SmithChartV2::addPoints(const QVector<QPointF>& impedances, int line)
{
    addPoints(
        static_cast<size_t>(impedances.size()),
        [&impedances](size_t k) { return impedances[static_cast<int>(k)]; }, line);
}

void SmithChartV2::addPoints(size_t count, const std::function<QPointF(size_t)>& impedanceAt, int line)
{
    if (line < 0 || line >= lineCount())
        return;
    m_lines[static_cast<size_t>(line)].trail.append(count, [&impedanceAt](size_t k, QPointF& point) {
        const QPointF z = impedanceAt(k);
        point = chartPoint(z.x(), z.y());
    });
    update();
}

void SmithChartV2::clear()
{
    for (Line& line : m_lines) {
        line.trail.clear();
        line.held.clear();
    }
    m_hasData = false;
    update();
}

void SmithChartV2::setHoldPoints(bool on)
{
    m_holdPoints = on;
    if (!on)
        for (Line& line : m_lines)
            line.held.clear();
}

void SmithChartV2::setSimpleChart(bool simple)
{
    m_simpleChart = simple;
    m_gridBuilt = false;
}

void SmithChartV2::setPointLimit(int limit)
{
    m_pointLimit = std::max(0, limit);
}

void SmithChartV2::setSizeHint(int width, int height)
{
    m_sizeHint = QSize(width, height);
}

void SmithChartV2::setPointMarkers(bool on)
{
    m_pointMarkers = on;
}

void SmithChartV2::setResizable(bool resizable)
{
    m_resizable = resizable;
    if (resizable) {
        setMinimumSize(0, 0);
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    } else {
        setFixedSize(fixedWidth, fixedHeight);
    }
}

QSize SmithChartV2::sizeHint() const
{
    return m_sizeHint;
}

void SmithChartV2::showLine(bool on)
{
    m_showLine = on;
    update();
}

void SmithChartV2::showAllData(bool on)
{
    m_showAllData = on;
    update();
}

QVector<QPointF> SmithChartV2::points(int line) const
{
    if (line < 0 || line >= lineCount())
        return {};
    return m_lines[static_cast<size_t>(line)].trail.points();
}

QVector<QPointF> SmithChartV2::heldPoints(int line) const
{
    if (line < 0 || line >= lineCount())
        return {};
    return m_lines[static_cast<size_t>(line)].held;
}

const QVector<QLineF>& SmithChartV2::drawnSegments(int line) const
{
    static const QVector<QLineF> none;
    if (line < 0 || line >= lineCount())
        return none;
    return m_lines[static_cast<size_t>(line)].trail.reducedSegments();
}

bool SmithChartV2::isReadOutShown() const
{
    return m_readOutBox->isVisibleTo(this);
}

QPoint SmithChartV2::readOutPosition() const
{
    return m_readOutBox->pos();
}

// Painting

void SmithChartV2::makeGridPens()
{
    m_majorPen = chartPen(Qt::black, 2.0);
    m_minorPen = chartPen(Qt::black, 1.5);
    m_textPen = chartPen(palette().color(QPalette::Text), 0.25);
}

void SmithChartV2::buildGrid()
{
    SmithGrid::build(m_majorGrid, m_minorGrid, m_simpleChart);
    m_gridBuilt = true;
    // An export may build the grid first; the cached picture must follow.
    m_background = QImage();
}

void SmithChartV2::drawBackground(QPainter& painter)
{
    if (!m_gridBuilt)
        buildGrid();
    SmithGrid::drawFrameAndScales(painter, m_majorPen, m_minorPen, m_textPen);
    painter.setBrush(Qt::NoBrush);
    painter.strokePath(m_majorGrid, m_majorPen);
    painter.strokePath(m_minorGrid, m_minorPen);
}

void SmithChartV2::renderBackground()
{
    if (!m_gridBuilt)
        buildGrid();
    m_background = QImage(size(), QImage::Format_RGB32);
    QPainter painter(&m_background);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBackground(palette().brush(QPalette::Window));
    painter.fillRect(m_background.rect(), palette().brush(QPalette::Window));
    painter.setViewport(squareViewport(size()));
    painter.setWindow(chartWindow);
    drawBackground(painter);
}

void SmithChartV2::keepTrailsAtWidgetScale()
{
    const SmithTrail::PixelScale pixels = widgetPixelScale();
    for (Line& line : m_lines)
        line.trail.setPixelScale(pixels);
}

void SmithChartV2::paintEvent(QPaintEvent* /*event*/)
{
    makeGridPens();
    if (m_background.isNull() || m_background.size() != size() || !m_gridBuilt)
        renderBackground();
    keepTrailsAtWidgetScale();

    QPainter painter(this);
    painter.drawImage(0, 0, m_background);
    painter.setViewport(squareViewport(size()));
    painter.setWindow(chartWindow);
    drawLines(painter, false);
}

void SmithChartV2::render(QPainter& painter)
{
    makeGridPens();
    painter.setWindow(chartWindow);
    drawBackground(painter);
    drawLines(painter, true);
}

void SmithChartV2::drawLines(QPainter& painter, bool forExport)
{
    if (!forExport) {
        for (const Line& line : m_lines)
            drawLine(painter, line, line.trail.reducedSegments());
        return;
    }
    // The export draws at its own scale: reduce each trail for that one.
    const QRect viewport = painter.viewport();
    const double scale = viewport.width() / double(chartWindow.width());
    const SmithTrail::PixelScale pixels{scale, QPointF(viewport.left() - chartWindow.left() * scale,
                                                       viewport.top() - chartWindow.top() * scale)};
    for (const Line& line : m_lines) {
        if (!m_showAllData || line.trail.size() <= recentSegments + 1) {
            drawLine(painter, line, {});
            continue;
        }
        SmithTrail scaled = line.trail;
        scaled.setPixelScale(pixels);
        drawLine(painter, line, scaled.reducedSegments());
    }
}

void SmithChartV2::drawLine(QPainter& painter, const Line& line, const QVector<QLineF>& older)
{
    const SmithTrail& trail = line.trail;
    if (m_showLine && trail.size() > 1) {
        m_segmentPen.setColor(line.colour);
        painter.setPen(m_segmentPen);
        // The reduced whole trail holds the newest segments too; they are
        // drawn exactly on top of it.
        if (m_showAllData && trail.size() > recentSegments + 1)
            painter.drawLines(older);
        const QVector<QPointF> newest = trail.newestPoints(recentSegments);
        QVector<QLineF> segments;
        segments.reserve(newest.size() - 1);
        for (int k = 1; k < newest.size(); ++k)
            segments.append(QLineF(newest[k - 1], newest[k]));
        painter.drawLines(segments);
        if (m_pointMarkers) {
            m_markerPen.setColor(line.colour);
            painter.setPen(m_markerPen);
            painter.drawPoints(newest.constData(), newest.size());
        }
    }
    if (!m_hasData)
        return;
    if (!trail.isEmpty())
        drawCross(painter, trail.newest());
    if (m_holdPoints)
        for (const QPointF& held : line.held)
            drawCross(painter, held);
}

void SmithChartV2::drawCross(QPainter& painter, QPointF at)
{
    const bool matched = std::abs(at.x()) < matchedHalfWidth && std::abs(at.y()) < matchedHalfWidth;
    m_segmentPen.setColor(matched ? QColor(0, 255, 0) : QColor(255, 0, 0));
    painter.setPen(m_segmentPen);
    m_crossStrokes[0] = QLineF(at.x(), at.y() - crossHalfLength, at.x(), at.y() + crossHalfLength);
    m_crossStrokes[1] = QLineF(at.x() - crossHalfLength, at.y(), at.x() + crossHalfLength, at.y());
    painter.drawLines(m_crossStrokes, 2);
}

// Read-out

void SmithChartV2::mousePressEvent(QMouseEvent* event)
{
    updateReadOut(event->pos());
}

void SmithChartV2::mouseMoveEvent(QMouseEvent* event)
{
    updateReadOut(event->pos());
}

void SmithChartV2::mouseReleaseEvent(QMouseEvent* /*event*/)
{
    m_readOutBox->hide();
}

QPoint SmithChartV2::onFixedChart(QPoint pixel) const
{
    const QRect fixedSquare = squareViewport(QSize(fixedWidth, fixedHeight));
    const QRect shownSquare = squareViewport(size());
    if (shownSquare.isEmpty())
        return pixel;
    const double scale = fixedSquare.width() / double(shownSquare.width());
    return QPoint(fixedSquare.left() + qRound((pixel.x() - shownSquare.left()) * scale),
                  fixedSquare.top() + qRound((pixel.y() - shownSquare.top()) * scale));
}

void SmithChartV2::updateReadOut(QPoint pixel)
{
    // The read-out's constants fit the fixed chart: the values are read
    // there, and the box goes where the pointer is on this one (below).
    const QSize fixedSize(fixedWidth, fixedHeight);
    const QPoint onFixed = size() == fixedSize ? pixel : onFixedChart(pixel);
    m_readOut = SmithReadOut::at(onFixed, fixedSize, m_readOutBox->size());
    if (m_readOut.finite) {
        m_lastResistance = m_readOut.resistance;
        m_lastReactance = m_readOut.reactance;
    }
    if (m_readOut.inside) {
        m_impedanceLabel->setText(m_readOut.impedanceText);
        m_magnitudeLabel->setText(m_readOut.magnitudeText);
        m_gammaLabel->setText(m_readOut.gammaText);
        fitReadOutBox();
        m_readOutBox->show();
        emit changed();
    } else {
        m_readOutBox->hide();
    }
    // Placed by the size the box has now that it holds the new lines, and
    // kept inside the chart, whose edge would cut it as much as a small box.
    const QSize box = m_readOutBox->size();
    const QPoint place = SmithReadOut::boxPlace(pixel, size(), box);
    m_readOut.boxTopLeft = QPoint(std::max(0, std::min(place.x(), width() - box.width())),
                                  std::max(0, std::min(place.y(), height() - box.height())));
    m_readOutBox->move(m_readOut.boxTopLeft);
}

void SmithChartV2::fitReadOutBox()
{
    // The lines' widths follow their numbers and the font: the box takes
    // what its layout asks for them, so no line is cut.
    m_readOutBox->setFixedSize(m_readOutBox->sizeHint());
}

void SmithChartV2::resizeEvent(QResizeEvent* event)
{
    m_sizeHint = event->size();
    if (m_resizable)
        return;
    setFixedHeight(fixedHeight);
    setFixedWidth(fixedWidth);
}
