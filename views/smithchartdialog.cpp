#include "views/smithchartdialog.h"

#include "scans/basescan.h"
#include "scans/parameternames.h"
#include "views/smithchartv2.h"
#include "views/userquestions.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QSpacerItem>
#include <QStandardPaths>

#include <algorithm>
#include <cmath>

namespace {

const char* const rowColourNames[] = {"Black",      "SteelBlue",     "DarkGreen",     "Darkorchid",
                                      "Darkred",    "darkslateblue", "darkslategray", "darkviolet",
                                      "indigo",     "midnightblue",  "SandyBrown",    "red",
                                      "Chartreuse", "MediumOrchid",  "DeepPink"};
constexpr int rowColourCount = 15;

const QString noSensorText = QStringLiteral("No Sensor Selected");
const QString imageFilters =
    QStringLiteral("PNG (*.png);; BMP (*.bmp);;TIFF (*.tiff *.tif);; JPEG (*.jpg *.jpeg)");
constexpr int exportSide = 2048;
constexpr double referenceOhms = 50.0;
constexpr double pi = 3.14159265358979323846;

// The folder a save dialog starts in must exist, or the dialog offers its
// last part as a file name in its parent: a pictures folder never made, or
// a stored folder since removed, gives way to its nearest existing parent.
QString existingFolderFor(const QString& folder)
{
    if (folder.isEmpty())
        return QDir::homePath();
    QString candidate = QDir::cleanPath(QDir(folder).absolutePath());
    while (!QFileInfo(candidate).isDir()) {
        const QString parent = QFileInfo(candidate).path();
        if (parent == candidate)
            return QDir::homePath();
        candidate = parent;
    }
    return candidate;
}

// The frequency records of a scan's first data set, read under its lock.
QVector<double> recordFrequencies(BaseScan& scan)
{
    QVector<double> frequencies;
    std::lock_guard<std::mutex> lock(scan.mutex);
    if (scan.dataSets.empty())
        return frequencies;
    for (const auto& record : scan.dataSets.front()->records)
        frequencies.append(record->frequencyMHz);
    return frequencies;
}

// Index of the first time not below t, or the count when there is none.
int firstNotBelow(const Series& time, double t)
{
    return static_cast<int>(std::lower_bound(time.begin(), time.end(), t) - time.begin());
}

} // namespace

SmithChartDialog::SmithChartDialog(QWidget* parent)
    : QDialog(parent)
{
    buildForm();
    connect(m_printButton, &QPushButton::clicked, this, &SmithChartDialog::print);
}

SmithChartDialog::~SmithChartDialog()
{
    emit workDone();
}

void SmithChartDialog::buildForm()
{
    if (objectName().isEmpty())
        setObjectName(QStringLiteral("SmithChartDialog"));
    resize(640, 480);
    setWindowIcon(QIcon(QStringLiteral(":/images/Images/Quorvane-Quvix-Renu.png")));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    QPalette background = palette();
    background.setColor(QPalette::All, QPalette::Window, Qt::white);
    setPalette(background);
    setAutoFillBackground(true);

    auto* layout = new QGridLayout(this);
    layout->setObjectName(QStringLiteral("gridLayout"));

    m_chart = new SmithChartV2(this, 1);
    m_chart->setObjectName(QStringLiteral("smithchart"));
    m_chart->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    m_chart->setMinimumSize(200, 200);
    m_chart->setCursor(Qt::CrossCursor);
    layout->addWidget(m_chart, 0, 1, 3, 1);

    m_sensorLabel = new QLabel(m_chart);
    m_sensorLabel->setObjectName(QStringLiteral("sensorLabel"));
    m_sensorLabel->setGeometry(60, 10, 271, 51);
    QFont labelFont = m_sensorLabel->font();
    labelFont.setPointSize(16);
    labelFont.setBold(true);
    m_sensorLabel->setFont(labelFont);
    m_sensorLabel->setAlignment(Qt::AlignCenter);
    m_sensorLabel->setText(noSensorText);

    m_listWidget = new QListWidget(this);
    m_listWidget->setObjectName(QStringLiteral("listWidget"));
    m_listWidget->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Minimum);
    m_listWidget->setMaximumWidth(100);
    layout->addWidget(m_listWidget, 0, 0);

    m_printButton = new QPushButton(this);
    m_printButton->setObjectName(QStringLiteral("printButton"));
    m_printButton->setText(QStringLiteral("Save Chart"));
    layout->addWidget(m_printButton, 1, 0);

    layout->addItem(new QSpacerItem(97, 230, QSizePolicy::Minimum, QSizePolicy::Expanding), 2, 0);
    setWindowTitle(QStringLiteral("Smith Chart"));
}

QSize SmithChartDialog::sizeHint() const
{
    return QSize(200, 200);
}

QList<BaseScan*> SmithChartDialog::scans() const
{
    QList<BaseScan*> listed;
    for (const QPointer<BaseScan>& scan : m_scans)
        if (scan)
            listed.append(scan.data());
    return listed;
}

void SmithChartDialog::addScan(BaseScan* scan)
{
    if (!scans().contains(scan))
        m_scans.append(scan);
    rebuild();
}

void SmithChartDialog::removeScan(BaseScan* scan)
{
    for (int i = 0; i < m_scans.size(); ++i)
        if (m_scans[i].data() == scan) {
            m_scans.removeAt(i);
            return;
        }
}

void SmithChartDialog::clearScans()
{
    m_scans.clear();
    clear();
    rebuild();
}

void SmithChartDialog::clear()
{
    m_sensorLabel->setText(noSensorText);
    m_chart->clear();
    m_listWidget->clear();
    m_chart->showAllData(true);
    m_chart->showLine(true);
    m_chart->update();
}

void SmithChartDialog::rebuild()
{
    clear();
    const QList<BaseScan*> listed = scans();
    int row = 0;
    for (BaseScan* scan : listed)
        addScanRows(*scan, row);
    m_chart->setLineCount(row);
    m_chart->setHoldPoints(false);
    row = 0;
    for (BaseScan* scan : listed)
        addScanPoints(*scan, row);
}

void SmithChartDialog::addScanRows(BaseScan& scan, int& row)
{
    for (double frequency : recordFrequencies(scan)) {
        addListRow(QStringLiteral("%1 MHz").arg(QString::number(frequency, 'g', 6)), rowColour(row));
        ++row;
    }
    m_sensorLabel->setText(scan.serialNumber);
}

void SmithChartDialog::addScanPoints(BaseScan& scan, int& row)
{
    const int frequencyCount = recordFrequencies(scan).size();
    for (int j = 0; j < frequencyCount; ++j, ++row) {
        m_chart->setLineColour(rowColour(row), row);
        // Two copies of a running scan may differ in length, and a record
        // without harmonics has no values at all: walk the samples both hold.
        const SeriesCopy magnitude = scan.copySeries(ImpedancePolar, j, 0, 0);
        const SeriesCopy phase = scan.copySeries(Phase, j, 0, 0, magnitude.firstSampleNumber);
        const qint64 skip = phase.firstSampleNumber - magnitude.firstSampleNumber;
        const int count = static_cast<int>(
            std::max<qint64>(0, std::min<qint64>(static_cast<qint64>(magnitude.values.size()) - skip,
                                                 static_cast<qint64>(phase.values.size()))));
        int first = 0;
        int end = count;
        if (m_restrictInterval) {
            first = std::min(count, firstNotBelow(phase.time, m_intervalStart));
            end = std::min(count, firstNotBelow(phase.time, m_intervalEnd));
        }
        for (int k = first; k < end; ++k) {
            const double z = magnitude.values[static_cast<size_t>(k + skip)];
            const double angle = phase.values[static_cast<size_t>(k)] * pi / 180.0;
            m_chart->addPoint(z * std::cos(angle) / referenceOhms, z * std::sin(-angle) / referenceOhms, row);
        }
    }
}

void SmithChartDialog::addPoint(const double& r, const double& x, int line, bool hold)
{
    if (scans().isEmpty())
        m_sensorLabel->setText(QString());
    m_chart->setHoldPoints(hold);
    m_chart->addPoint(r, x, line);
}

void SmithChartDialog::setLineCount(int n)
{
    m_chart->setLineCount(n);
}

void SmithChartDialog::setLineColour(QColor colour, int line)
{
    m_chart->setLineColour(colour, line);
}

void SmithChartDialog::addListRow(const QString& text, QColor colour)
{
    auto* item = new QListWidgetItem(text, m_listWidget);
    item->setData(Qt::ForegroundRole, QBrush(colour, Qt::SolidPattern));
}

QColor SmithChartDialog::rowColour(int i)
{
    QColor colour;
    colour.setNamedColor(
        QString::fromLatin1(rowColourNames[((i % rowColourCount) + rowColourCount) % rowColourCount]));
    return colour;
}

void SmithChartDialog::setPointMarkers(bool on)
{
    m_chart->setPointMarkers(on);
}

void SmithChartDialog::simpleSmithChanged(bool simple)
{
    m_chart->setSimpleChart(simple);
}

void SmithChartDialog::smithPointsChanged(int points)
{
    m_chart->setPointLimit(points);
}

void SmithChartDialog::closeEvent(QCloseEvent* event)
{
    emit workDone();
    QDialog::closeEvent(event);
}

QString SmithChartDialog::withSuffix(const QString& fileName, const QString& filter)
{
    if (!QFileInfo(fileName).suffix().isEmpty())
        return fileName;
    const QRegularExpressionMatch match = QRegularExpression(QStringLiteral("\\*(\\.\\w+)")).match(filter);
    return fileName + (match.hasMatch() ? match.captured(1) : QStringLiteral(".png"));
}

void SmithChartDialog::print()
{
    QSettings settings;
    settings.beginGroup(QStringLiteral("Settings"));
    QString folder = settings.value(QStringLiteral("exportImageDir")).toString();
    if (folder.isEmpty())
        folder = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    QString filter;
    QString fileName = UserQuestions::saveFileName(this, QStringLiteral("Save as..."),
                                                   existingFolderFor(folder), imageFilters, &filter);
    if (fileName.isEmpty())
        return;
    fileName = withSuffix(fileName, filter);
    settings.setValue(QStringLiteral("exportImageDir"), QFileInfo(fileName).absolutePath());
    settings.endGroup();
    QCoreApplication::processEvents();

    QImage image(exportSide, exportSide, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBackground(Qt::white);
    painter.fillRect(image.rect(), Qt::white);
    painter.setViewport(QRect(0, 0, exportSide, exportSide));
    m_chart->render(painter);
    painter.end();
    if (!image.save(fileName))
        QMessageBox::warning(
            this, QStringLiteral("Save Chart"),
            QStringLiteral("The chart could not be saved as %1.").arg(QDir::toNativeSeparators(fileName)));
}
